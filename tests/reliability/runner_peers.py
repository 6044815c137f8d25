#!/usr/bin/env python3
"""Drives the headless runner from outside the way real peers do, and checks that it
is never killed, hung or made to hand out numbers twice:

- its standard output closed after one line (`kelmar-sim --headless | head -1`);
- a peer opening a waiting request for writing in a loop while ticks run;
- kill -9 in the middle of a 3,000-entry batch list, then a restart (the same batch
  number for every entry, one receipt, nothing left in tmp);
- SIGTERM, SIGINT or SIGHUP during a long tick, running on or with --ticks, once
  (finish the tick, start no other, exit 0) and SIGTERM twice (exit 130 at once);
- a request that fails after a counter advanced, under --interval 0 (no runaway), with
  the missing subfolder told once at start;
- a second runner on the same exchange folder (exit 1, naming the first);
- config.ini held open for writing across the start (nothing answered, --ticks exits 1),
  then released (answered with the file's own counters);
- a config.ini with a byte-order mark;
- an ESC in an access key (escaped in the error line);
- a batch list with one unsafe entry and one good NF-e (batched, the entry skipped with a
  warning naming the list and the entry) and a broken NF-e (the error line names it).

Prints one line per case with its figures; exits non-zero on any failure.
"""
import argparse
import configparser
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "support"))
from exchange_folder import Exchange, access_key, nfe_document  # noqa: E402

failures = []


def check(condition, case, text):
    if not condition:
        failures.append(f"{case}: {text}")
    return condition


def counters(exchange):
    parser = configparser.ConfigParser()
    parser.read_string(exchange.config.read_text(encoding="cp1252").lstrip("\ufeff"))
    return tuple(int(parser["NFE"][k]) for k in ("LOTE", "RECIBO", "PROTOCOLO"))


def wait_until(predicate, seconds):
    deadline = time.time() + seconds
    while time.time() < deadline:
        if predicate():
            return True
        time.sleep(0.02)
    return predicate()


class Case:
    def __init__(self, program, name):
        self.program = program
        self.name = name
        self.root = Path(tempfile.mkdtemp(prefix="kelmar-peers-"))
        self.exchange = Exchange(self.root)

    def command(self, *extra):
        return [self.program, "--headless", "--config", str(self.exchange.config), *extra]

    def start(self, *extra, stdout=subprocess.DEVNULL):
        return subprocess.Popen(self.command(*extra), cwd=self.root, stdout=stdout,
                                stderr=subprocess.PIPE)

    def run(self, *extra):
        return subprocess.run(self.command(*extra), cwd=self.root, capture_output=True, timeout=120)

    def queue_nfe(self, first, count, sub="envio"):
        keys = [access_key(n) for n in range(first, first + count)]
        for key in keys:
            self.exchange.put(sub, f"{key}-nfe.xml", nfe_document(key))
        return keys

    def answered(self, keys):
        return all((self.exchange.folder / "retorno" / f"{k}-num-lot.xml").exists() for k in keys)

    def close(self):
        shutil.rmtree(self.root, ignore_errors=True)


def closed_output(program):
    case = Case(program, "closed output")
    keys = case.queue_nfe(1, 6)
    reader_end, writer_end = os.pipe()
    runner = case.start("--interval", "0", stdout=writer_end)
    os.close(writer_end)
    with os.fdopen(reader_end, "rb") as reader:
        reader.readline()  # as "head -1" does, then goes away
    answered = wait_until(lambda: case.answered(keys), 20)
    alive = runner.poll() is None
    runner.send_signal(signal.SIGTERM)
    status = runner.wait(timeout=20)
    check(alive, case.name, "the runner died when its output closed")
    check(answered, case.name, "requests were left unanswered")
    check(status == 0, case.name, f"exit status {status}")
    print(f"{case.name}: {len(keys)} NF-e answered after the reader left, exit {status}")
    case.close()


def writer_peer(program):
    case = Case(program, "peer opening for writing")
    keys = case.queue_nfe(1, 1)
    target = case.exchange.folder / "envio" / f"{keys[0]}-nfe.xml"
    stop = threading.Event()
    opens = [0]

    def peer():
        while not stop.is_set():
            try:
                with open(target, "ab"):
                    opens[0] += 1
            except FileNotFoundError:
                return

    runner = case.start("--interval", "0")
    thread = threading.Thread(target=peer)
    thread.start()
    time.sleep(3)
    stop.set()
    thread.join()
    alive = runner.poll() is None
    answered = wait_until(lambda: case.answered(keys), 10)
    runner.send_signal(signal.SIGTERM)
    status = runner.wait(timeout=20)
    check(alive, case.name, f"the runner was killed (status {runner.returncode})")
    check(answered, case.name, "the request was never answered once the peer left")
    print(f"{case.name}: {opens[0]} opens in 3 s, runner alive, answered afterwards, exit {status}")
    case.close()


def big_request(case, megabytes):
    key = access_key(1)
    item = "<det><prod><xProd>Parafuso sextavado de aco inox</xProd></prod></det>" * 1000
    path = case.exchange.folder / "envio" / f"{key}-nfe.xml"
    with open(path, "w") as out:
        out.write(f'<?xml version="1.0"?>\n<NFe><infNFe Id="NFe{key}" versao="1.10">')
        for _ in range(megabytes * 1024 * 1024 // len(item)):
            out.write(item)
        out.write("</infNFe></NFe>\n")
    return key


def stopping(program):
    # Once, whatever the signal and whether running on or for a number of ticks: the
    # tick ends, the request under way is answered (never half: its batch number written
    # and the NF-e still waiting), no further tick starts, exit 0, with a message.
    for name, number in (("SIGTERM", signal.SIGTERM), ("SIGINT", signal.SIGINT),
                         ("SIGHUP", signal.SIGHUP)):
        for mode in (("--interval", "0"), ("--ticks", "5")):
            case = Case(program, f"one {name} during a long tick, {' '.join(mode)}")
            key = big_request(case, 60)
            later = case.queue_nfe(2, 1)
            runner = case.start(*mode)
            time.sleep(0.3)
            runner.send_signal(number)
            status = runner.wait(timeout=300)
            stderr = runner.stderr.read().decode()
            waiting = case.exchange.folder / "envio" / f"{key}-nfe.xml"
            check(status == 0, case.name, f"exit status {status}")
            check(case.answered([key]) and not waiting.exists(), case.name,
                  "the request under way was not finished")
            check(not case.answered(later), case.name, "a tick started after the signal")
            check("finishing the current request" in stderr, case.name, f"no message: {stderr!r}")
            print(f"{case.name}: finished and answered, exit {status}")
            case.close()

    # Twice: gone at once with 130.
    case = Case(program, "two SIGTERM during a long tick")
    big_request(case, 60)
    runner = case.start("--interval", "0")
    time.sleep(0.3)
    runner.send_signal(signal.SIGTERM)
    time.sleep(0.1)
    sent = time.time()
    runner.send_signal(signal.SIGTERM)
    status = runner.wait(timeout=300)
    took = time.time() - sent
    check(status == 130, case.name, f"exit status {status}")
    check(took < 2, case.name, f"took {took:.1f} s to stop")
    print(f"{case.name}: exit {status} after {took * 1000:.0f} ms")
    case.close()


def runaway(program):
    case = Case(program, "failing request under --interval 0")
    shutil.rmtree(case.exchange.folder / "lotes")
    case.queue_nfe(1, 1)
    before = counters(case.exchange)
    runner = case.start("--interval", "0")
    time.sleep(5)
    runner.send_signal(signal.SIGTERM)
    runner.wait(timeout=20)
    stderr = runner.stderr.read().decode()
    burnt = counters(case.exchange)[0] - before[0]
    # Checked before any number moves: a request that cannot be completed takes none.
    check(burnt == 0, case.name, f"{burnt} batch numbers burnt in 5 s")
    check(stderr.count(f"Faltam em {case.exchange.folder}: lotes") == 1, case.name,
          f"the missing folder was not told once at start: {stderr[:300]!r}")
    print(f"{case.name}: {burnt} batch numbers in 5 s")
    case.close()


def second_runner(program):
    case = Case(program, "second runner on one folder")
    first = case.start()
    time.sleep(0.5)
    other = case.root / "other.ini"
    other.write_text(case.exchange.config.read_text())
    keys = case.queue_nfe(1, 3)
    second = subprocess.run([program, "--headless", "--config", str(other), "--interval", "0"],
                            cwd=case.root, capture_output=True, timeout=30)
    stderr = second.stderr.decode()
    check(second.returncode == 1, case.name, f"exit status {second.returncode}")
    expected = (f"A pasta {case.exchange.folder} já está sendo atendida por outro kelmar-sim "
                f"(processo {first.pid})")
    check(expected in stderr, case.name, f"message {stderr!r}")
    answered = wait_until(lambda: case.answered(keys), 20)
    first.send_signal(signal.SIGTERM)
    first.wait(timeout=20)
    check(answered, case.name, "the first runner stopped serving")
    lote = configparser.ConfigParser()
    lote.read_string(other.read_text())
    check(lote["NFE"]["LOTE"] == "204", case.name, "the second runner advanced its counter")
    print(f"{case.name}: exit {second.returncode}, '{stderr.strip()}'")
    case.close()


def held_settings(program):
    case = Case(program, "config.ini held open for writing")
    case.exchange.config.write_text(case.exchange.config.read_text().replace("LOTE=204", "LOTE=700"))
    keys = case.queue_nfe(1, 1)
    with open(case.exchange.config, "a"):
        held = case.run("--ticks", "3")
        time.sleep(0.1)
    stderr = held.stderr.decode()
    check(held.returncode == 1, case.name, f"exit status {held.returncode} while held")
    check(f"Não é possível abrir o arquivo {case.exchange.config}" in stderr, case.name,
          f"message {stderr!r}")
    check(not case.answered(keys), case.name, "answered with the defaults while held")
    released = case.run("--ticks", "1")
    check(released.returncode == 0 and case.answered(keys), case.name, "not answered once released")
    check(counters(case.exchange)[0] == 701, case.name, f"counters {counters(case.exchange)}")
    print(f"{case.name}: exit {held.returncode} while held, then LOTE {counters(case.exchange)[0]}")
    case.close()


def byte_order_mark(program):
    case = Case(program, "config.ini with a byte-order mark")
    text = case.exchange.config.read_text().replace("LOTE=204", "LOTE=800")
    case.exchange.config.write_bytes(b"\xef\xbb\xbf" + text.encode())
    keys = case.queue_nfe(1, 1)
    result = case.run("--ticks", "1")
    content = case.exchange.config.read_bytes()
    check(result.returncode == 0 and case.answered(keys), case.name, "not answered")
    check(content.startswith(b"\xef\xbb\xbf[NFE]"), case.name, f"mark lost: {content[:12]!r}")
    check(content.count(b"[NFE]") == 1 and b"LOTE=801" in content, case.name, f"{content!r}")
    print(f"{case.name}: answered with LOTE 801, mark kept, one section")
    case.close()


def escape_in_key(program):
    case = Case(program, "ESC in an access key")
    case.exchange.put("envio", "esc-nfe.xml",
                      '<?xml version="1.0"?><NFe><infNFe Id="NFe42\x1b[2J\x07"><a/></infNFe></NFe>')
    result = case.run("--ticks", "1")
    stderr = result.stderr.decode()
    check(b"\x1b" not in result.stderr and b"\x07" not in result.stderr, case.name,
          f"raw control characters reached the terminal: {stderr!r}")
    check("\\x1b[2J\\x07" in stderr, case.name, f"escaped key missing: {stderr!r}")
    print(f"{case.name}: '{stderr.strip()}'")
    case.close()


def named_lines(program):
    case = Case(program, "warnings and errors name their request")
    key = case.queue_nfe(1, 1, sub="envio_lote")[0]
    case.exchange.put("envio_lote", "z-montar-lote.xml",
                      f"<l><ArquivoNFe>../fora-nfe.xml</ArquivoNFe><ArquivoNFe>{key}-nfe.xml</ArquivoNFe></l>")
    result = case.run("--ticks", "2")
    case.exchange.put("envio", "b-nfe.xml", "<NFe><infNFe>")
    stderr = result.stderr.decode() + case.run("--ticks", "1").stderr.decode()
    check(case.answered([key]), case.name, "the good NF-e of the list was not batched")
    check("envio_lote/z-montar-lote.xml: A lista z-montar-lote.xml traz '../fora'" in stderr,
          case.name, f"no warning naming the list: {stderr!r}")
    check("envio/b-nfe.xml: Missing close tag in element infNFe." in stderr, case.name,
          f"no error naming the request: {stderr!r}")
    print(f"{case.name}: exit {result.returncode}, {len(stderr.splitlines())} lines on stderr")
    case.close()


def killed_batch_list(program):
    # kill -9 in the middle of a 3,000-entry batch assembly, then a restart: the entries
    # published before the kill keep their batch number, the rest get the same one, one
    # receipt is given, and nothing is left in tmp or of the record of the request.
    case = Case(program, "kill -9 during a 3,000-entry batch list")
    month = time.strftime("%Y%m")
    archive = case.exchange.folder / "backup" / "Autorizados" / month
    archive.mkdir(parents=True)
    keys = [access_key(n) for n in range(1, 3001)]
    for key in keys:
        (archive / f"{key}-nfe.xml").write_text(nfe_document(key))
    entries = "".join(f"<ArquivoNFe>{key}-nfe.xml</ArquivoNFe>" for key in keys)
    case.exchange.put("envio_lote", "lista-montar-lote.xml",
                      f'<?xml version="1.0"?><MontarLote>{entries}</MontarLote>')
    retorno = case.exchange.folder / "retorno"
    runner = case.start("--interval", "0")
    partial = wait_until(lambda: len(list(retorno.glob("*-num-lot.xml"))) >= 300, 60)
    runner.send_signal(signal.SIGKILL)
    runner.wait(timeout=20)
    before = {p.name: p.read_bytes() for p in retorno.glob("*-num-lot.xml")}
    done = case.run("--ticks", "3")
    numbers = {p.read_bytes() for p in retorno.glob("*-num-lot.xml")}
    receipts = list(retorno.glob("*-rec.xml"))
    left = list((case.exchange.folder / "tmp").iterdir()) + list(
        case.exchange.folder.glob(".kelmar-pendente-*"))
    changed = [n for n, b in before.items() if (retorno / n).read_bytes() != b]
    check(partial and len(before) < len(keys), case.name,
          f"the kill came too late or too early ({len(before)} entries published)")
    check(done.returncode == 0, case.name, f"restart exit {done.returncode}: {done.stderr[:200]!r}")
    check(len(list(retorno.glob("*-num-lot.xml"))) == len(keys), case.name, "entries unanswered")
    check(len(numbers) == 1 and not changed, case.name,
          f"{len(numbers)} batch numbers, {len(changed)} published answers changed")
    check([r.name for r in receipts] == ["000000000000205-rec.xml"], case.name,
          f"receipts: {[r.name for r in receipts]}")
    check(not left, case.name, f"left behind: {[p.name for p in left]}")
    check(counters(case.exchange)[:2] == (205, 159093), case.name,
          f"counters {counters(case.exchange)}")
    print(f"{case.name}: {len(before)} published before the kill, all {len(keys)} with one "
          f"batch number after the restart, one receipt, tmp empty")
    case.close()


def main():
    arguments = argparse.ArgumentParser(description=__doc__)
    arguments.add_argument("program")
    options = arguments.parse_args()
    program = os.path.abspath(options.program)
    for case in (closed_output, writer_peer, stopping, runaway, second_runner, held_settings,
                 byte_order_mark, escape_in_key, named_lines, killed_batch_list):
        case(program)
    for failure in failures:
        print("FAILED " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
