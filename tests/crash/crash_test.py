#!/usr/bin/env python3
"""Kills the headless runner at random moments while it answers a stream of requests
(SIGKILL, or two SIGTERM in a row as an impatient operator sends them), restarts it each
time, and checks that nothing was lost or left half written:

- config.ini always parses and no counter ever goes backwards, also when it is saved in
  place because its folder takes no temporary file (--settings-in-place);
- every XML file in retorno, lotes and backup parses completely;
- every request was answered or is still waiting in its folder;
- exactly once: a published answer never changes its numbers, and no batch number,
  receipt or protocol serves two requests (the NF-e of one list share their batch);
- no temporary file is left once the runner has stopped cleanly.

Prints the figures and exits non-zero on any violation.
"""
import argparse
import configparser
import os
import random
import re
import signal
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ElementTree
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "support"))
from exchange_folder import Exchange  # noqa: E402


# The numbers an answer carries, by the ending of its file name.
NUMBERS = {
    "-num-lot.xml": re.compile(rb"<NumeroLoteGerado>([^<]*)<"),
    "-rec.xml": re.compile(rb"<nRec>([^<]*)<"),
    "-can.xml": re.compile(rb"<nProt>([^<]*)<"),
    "-inu.xml": re.compile(rb"<nProt>([^<]*)<"),
    "-pro-rec.xml": re.compile(rb"<nProt>([^<]*)<"),
}


class Checker:
    def __init__(self, exchange: Exchange):
        self.exchange = exchange
        self.counters = None
        self.violations = []
        self.published = {}  # answer file name -> the numbers it carried when first seen

    def answers(self):
        for path in (self.exchange.folder / "retorno").glob("*.xml"):
            for ending, pattern in NUMBERS.items():
                if path.name.endswith(ending) and not (ending == "-rec.xml" and
                                                       path.name.endswith("-pro-rec.xml")):
                    try:
                        yield path.name, ending, tuple(pattern.findall(path.read_bytes()))
                    except OSError:
                        pass  # replaced while read: seen on the next look

    def check_published(self, moment):
        for name, _, numbers in self.answers():
            first = self.published.setdefault(name, numbers)
            if numbers != first:
                self.violations.append(f"{moment}: {name} changed its numbers {first} -> {numbers}")

    def check_exactly_once(self):
        batched = {d.split()[-1] for d, _ in self.exchange.expected if d.startswith("batched")}
        batches, receipts, protocols = {}, {}, {}
        for name, ending, numbers in self.answers():
            if ending == "-num-lot.xml":
                key = name[: -len(ending)]
                group = "list" if key in batched else key
                for number in numbers:
                    batches.setdefault(number, set()).add(group)
            elif ending == "-rec.xml":
                for number in numbers:
                    receipts.setdefault(number, set()).add(name)
            else:
                for number in numbers:
                    protocols.setdefault(number, set()).add(name)
        for kind, seen in (("batch", batches), ("receipt", receipts), ("protocol", protocols)):
            for number, users in seen.items():
                if len(users) > 1:
                    self.violations.append(f"{kind} {number!r} serves {sorted(users)[:4]}")

    def check_config(self, moment):
        parser = configparser.ConfigParser()
        try:
            parser.read_string(self.exchange.config.read_text(encoding="cp1252"))
            section = parser["NFE"]
            counters = tuple(int(section[key]) for key in ("LOTE", "RECIBO", "PROTOCOLO"))
            if section["PASTA"] != self.exchange.text(self.exchange.folder):
                raise ValueError("PASTA changed: " + section["PASTA"])
        except Exception as error:  # noqa: BLE001 - any failure is a violation to report
            self.violations.append(f"{moment}: config.ini does not parse: {error!r}")
            return
        if self.counters is not None and any(a < b for a, b in zip(counters, self.counters)):
            self.violations.append(f"{moment}: counters went backwards {self.counters} -> {counters}")
        self.counters = counters

    def check_xml_files(self):
        count = 0
        for sub in ("retorno", "lotes", "backup"):
            for path in (self.exchange.folder / sub).rglob("*.xml"):
                count += 1
                try:
                    ElementTree.parse(path)
                except ElementTree.ParseError as error:
                    self.violations.append(f"{path} does not parse: {error}")
        return count

    def check_memories(self):
        """Layout 4.00: each batch's memory parses, and a processed one holds the very
        protocols its published result carries. Returns how many were compared."""
        compared = 0
        for path in (self.exchange.folder / "lotes").glob("*.ini"):
            memory = configparser.ConfigParser(interpolation=None)
            try:
                memory.read_string(path.read_text(encoding="cp1252"))
            except configparser.Error as error:
                self.violations.append(f"{path.name} does not parse: {error}")
                continue
            if not path.name.endswith("-lote-res.ini") or memory["LOTE"]["PROCESSADO"] != "1":
                continue
            result = self.exchange.folder / "retorno" / path.name.replace("-lote-res.ini",
                                                                          "-pro-rec.xml")
            kept = [memory[f"NFE{i + 1}"].get("nProt", "") for i in range(int(memory["LOTE"]["NFE"]))]
            published = NUMBERS["-pro-rec.xml"].findall(result.read_bytes())
            compared += 1
            if [p.decode() for p in published] != [k for k in kept if k]:
                self.violations.append(f"{result.name} carries {published}, its memory {kept}")
        return compared

    def check_answers(self):
        month = self.exchange.month()
        for description, path in self.exchange.expected:
            if path is not None and not path.exists():
                self.violations.append(f"{description} was never answered ({path.name} missing)")
        for key_path in (self.exchange.folder / "backup" / "Autorizados" / month).glob("*-nfe.xml"):
            denied = self.exchange.folder / "backup" / "Denegados" / month / key_path.name
            if not denied.exists():
                self.violations.append(f"{key_path.name} archived without its second copy")

    def check_no_temporaries(self):
        for path in self.exchange.root.rglob(".kelmar-*"):
            self.violations.append(f"temporary file left behind: {path}")


def run(program, exchange, checker, kills_wanted, rng, runner_prefix, startup, layout):
    kills = 0
    rounds = 0
    command = runner_prefix + [program, "--headless", "--config", exchange.text(exchange.config),
                               "--leiaute", layout, "--interval", "0"]
    while kills < kills_wanted:
        rounds += 1
        exchange.queue_round(rng)
        exchange.queue_queries()
        while exchange.waiting() and kills < kills_wanted:
            runner = subprocess.Popen(command, cwd=exchange.root, stdout=subprocess.DEVNULL,
                                      stderr=subprocess.DEVNULL)
            time.sleep(startup + rng.uniform(0.002, 0.06))
            if kills % 4 == 3:
                # An impatient operator: two SIGTERM in a row end the runner at once
                # (status 130), politely when it was between ticks (status 0), or by the
                # signal itself while it was still starting up.
                runner.send_signal(signal.SIGTERM)
                runner.send_signal(signal.SIGTERM)
                status = runner.wait()
                if status not in (0, 130, -signal.SIGTERM):
                    checker.violations.append(f"two SIGTERM gave exit status {status}")
            else:
                runner.send_signal(signal.SIGKILL)
                runner.wait()
            kills += 1
            checker.check_config(f"after kill {kills}")
            checker.check_published(f"after kill {kills}")
            exchange.queue_queries()
    # Let the runner finish the queue undisturbed, then stop it the polite way.
    deadline = time.time() + 120
    while time.time() < deadline:
        exchange.queue_queries()
        if not exchange.waiting():
            break
        subprocess.run(command[:-2] + ["--ticks", "50"], cwd=exchange.root,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    # Wine turns no signal into a console event for a program without a terminal, so the
    # polite stop of the Windows program is left to its own unit test.
    if not runner_prefix:
        runner = subprocess.Popen(command, cwd=exchange.root, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        time.sleep(0.3)
        runner.send_signal(signal.SIGTERM)
        if runner.wait(timeout=10) != 0:
            checker.violations.append("the runner did not stop cleanly on SIGTERM")
    checker.check_config("at the end")
    return kills, rounds


def measure_startup(runner_prefix, program):
    started = time.time()
    subprocess.run(runner_prefix + [os.path.abspath(program), "--version"],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    return time.time() - started


def main():
    arguments = argparse.ArgumentParser(description=__doc__)
    arguments.add_argument("program")
    arguments.add_argument("--kills", type=int, default=60)
    arguments.add_argument("--seed", type=int, default=int(time.time()))
    arguments.add_argument("--wine", metavar="RUNNER",
                           help="run a Windows program through this Wine wrapper")
    arguments.add_argument("--leiaute", default="1.10",
                           help="the layout to answer in (4.00 also fixes each batch's result)")
    arguments.add_argument("--settings-in-place", action="store_true",
                           help="close the settings' folder, so config.ini is saved in place")
    options = arguments.parse_args()
    rng = random.Random(options.seed)
    runner_prefix = [options.wine] if options.wine else []
    # Wine takes a moment to start a process; kills before that would test Wine only.
    startup = measure_startup(runner_prefix, options.program) if options.wine else 0.0
    with tempfile.TemporaryDirectory(prefix="kelmar-crash-") as root:
        exchange = Exchange(Path(root), windows=bool(options.wine))
        checker = Checker(exchange)
        if options.settings_in_place:
            # No temporary file can be made beside config.ini: every save writes over it.
            os.chmod(root, 0o555)
        try:
            kills, rounds = run(os.path.abspath(options.program), exchange, checker, options.kills,
                                rng, runner_prefix, startup, options.leiaute)
        finally:
            os.chmod(root, 0o755)
        files = checker.check_xml_files()
        checker.check_published("at the end")
        checker.check_exactly_once()
        checker.check_answers()
        memories = checker.check_memories()
        checker.check_no_temporaries()
        left = len(exchange.waiting())
        print(f"crash test: seed {options.seed}, {len(exchange.expected)} requests in {rounds} rounds, "
              f"{kills} kills, {files} XML files and {memories} batch results checked, "
              f"{left} still waiting, "
              f"{len(checker.violations)} violations")
        for violation in checker.violations[:20]:
            print("  " + violation)
        return 1 if checker.violations or left else 0


if __name__ == "__main__":
    sys.exit(main())
