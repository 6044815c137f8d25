"""Drives the headless runner with --events json and scenario rules, the way a test
harness would, and parses every line it prints back as JSON."""
import argparse
import json
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "support"))
from exchange_folder import wine_path  # noqa: E402

ARGUMENTS = argparse.ArgumentParser()
ARGUMENTS.add_argument("program")
ARGUMENTS.add_argument("--wine", metavar="RUNNER", help="run the Windows program through this")
OPTIONS = ARGUMENTS.parse_args()
PROGRAM = [OPTIONS.wine, str(Path(OPTIONS.program).resolve())] if OPTIONS.wine else \
    [str(Path(OPTIONS.program).resolve())]
NS = "http://www.portalfiscal.inf.br/nfe"
FIELDS = ["event", "time", "folder", "file", "kind", "keys", "outcomes", "batch", "receipt",
          "protocols", "written", "answers", "answered", "warnings", "error"]
OTHER_FIELDS = {"error": ["event", "time", "folder", "file", "message"],
                "warning": ["event", "time", "message"],
                "ready": ["event", "time", "version", "pid", "settings", "folder", "layout"]}
# nNF 11 and nNF 13 of one issuer.
KEY_11 = "42090112345678000190550010000000111000000010"
KEY_13 = "42090112345678000190550010000000131000000010"


def nfe(key):
    return (f'<?xml version="1.0" encoding="UTF-8"?>\n<NFe xmlns="{NS}">'
            f'<infNFe Id="NFe{key}" versao="1.10"><ide><cUF>42</cUF></ide></infNFe></NFe>\n')


def query(receipt):
    return f'<consReciNFe xmlns="{NS}" versao="1.10"><tpAmb>2</tpAmb><nRec>{receipt}</nRec></consReciNFe>'


def as_program_names(path):
    """A path as the program under test writes it."""
    return wine_path(path) if OPTIONS.wine else str(path)


def from_program_name(text):
    """A path the program printed, as this script reaches it."""
    return Path(text[2:].replace("\\", "/")) if OPTIONS.wine else Path(text)


def run(root, ticks, *extra):
    """Runs the given number of ticks (or drains, with None); the events after `ready`."""
    count = ["--drain"] if ticks is None else ["--ticks", str(ticks)]
    done = subprocess.run(
        [*PROGRAM, "--headless", "--config", "config.ini", "--events", "json", *count, *extra],
        cwd=root, capture_output=True, timeout=120)
    assert done.stderr == b"", done.stderr
    events = [json.loads(line) for line in done.stdout.decode("utf-8").splitlines()]
    for event in events:
        assert list(event) == OTHER_FIELDS.get(event["event"], FIELDS), event
    ready = events.pop(0)
    assert ready["event"] == "ready" and ready["pid"] > 0, ready
    assert from_program_name(ready["folder"]) == root / "nf_e", ready
    assert ready["settings"].endswith("config.ini"), ready
    return done.returncode, events


def check(condition, what):
    if not condition:
        raise AssertionError(what)


def main():
    with tempfile.TemporaryDirectory() as folder:
        root = Path(folder)
        exchange = root / "nf_e"
        for sub in ["envio", "envio_lote", "retorno", "lotes", "tmp", "backup"]:
            (exchange / sub).mkdir(parents=True)
        (root / "erro_layout.err").write_text("Erro de esquema\n")
        (root / "erro_envio.err").write_text("Falha de envio\n")
        config = root / "config.ini"
        base = f"[NFE]\nPASTA={as_program_names(exchange)}\n"
        config.write_text(base + "[CENARIOS]\nREGRA1=nNF 13 -> rejeitado 539 Rejeicao: "
                          "Duplicidade de NF-e\nPADRAO=denegado\n")

        # Two NF-e, one per tick.
        (exchange / "envio" / f"{KEY_11}-nfe.xml").write_text(nfe(KEY_11))
        status, events = run(root, 1, "--outcome", "rejeitado")
        check(status == 0, events)
        [first] = events
        check(first["event"] == "request" and first["folder"] == "envio", first)
        check(first["file"] == f"{KEY_11}-nfe.xml" and first["kind"] == "NF-e", first)
        check(first["keys"] == [KEY_11], first)
        check(first["outcomes"] == [{"key": KEY_11, "outcome": "denegado", "reason": "PADRAO"}],
              first)
        check(first["batch"] == 205 and first["receipt"] == "420000000159093", first)
        check(first["protocols"] == [] and first["error"] is None, first)
        written = [from_program_name(path) for path in first["written"]]
        check(written[:4] == [exchange / "retorno" / f"{KEY_11}-num-lot.xml",
                              exchange / "retorno" / "000000000000205-rec.xml",
                              exchange / "lotes" / "420000000159093-lote-rec.xml",
                              exchange / "backup" / "Autorizados" / written[3].parent.name /
                              f"{KEY_11}-nfe.xml"], written)
        check(all(path.exists() for path in written), written)
        check([(from_program_name(a["file"]), a["cStat"]) for a in first["answers"]] ==
              [(written[0], None), (written[1], "103")], first)
        check(len(first["time"]) == 23 and first["time"][10] == "T", first)

        (exchange / "envio" / f"{KEY_13}-nfe.xml").write_text(nfe(KEY_13))
        status, [second] = run(root, 1)
        check(second["outcomes"] == [{"key": KEY_13, "outcome": "rejeitado",
                                      "reason": "regra REGRA1"}], second)
        check(second["receipt"] == "420000000159094", second)

        # Each query answers its batch by the same rules.
        (exchange / "envio" / "a-ped-rec.xml").write_text(query("420000000159093"))
        status, [answer] = run(root, 1)
        check(answer["kind"] == "Consulta NF-e" and answer["keys"] == [KEY_11], answer)
        check(answer["outcomes"][0]["outcome"] == "denegado", answer)
        check(answer["protocols"] == ["160000000589901"], answer)
        (exchange / "envio" / "b-ped-rec.xml").write_text(query("420000000159094"))
        status, [answer] = run(root, 1)
        check(answer["outcomes"] == [{"key": KEY_13, "outcome": "rejeitado",
                                      "reason": "regra REGRA1"}], answer)
        result = (exchange / "retorno" / "420000000159094-pro-rec.xml").read_text()
        check("<cStat>539</cStat><xMotivo>Rejeicao: Duplicidade de NF-e</xMotivo>" in result,
              result)

        # A batch younger than the wait is not processed yet.
        config.write_text(config.read_text().replace("PADRAO=denegado", "ESPERA=600"))
        (exchange / "envio" / f"{KEY_11}-nfe.xml").write_text(nfe(KEY_11))
        run(root, 1)
        (exchange / "envio" / "c-ped-rec.xml").write_text(query("420000000159095"))
        status, [waiting] = run(root, 1)
        check(waiting["outcomes"] == [{"key": None, "outcome": "nao-processado",
                                       "reason": "ESPERA"}], waiting)
        check(waiting["keys"] == [] and waiting["protocols"] == [], waiting)

        # A rule that cannot be read: one error event per tick, nothing answered.
        config.write_text(base + "[CENARIOS]\nREGRA2=nNF 13 -> recusado\n")
        (exchange / "envio" / f"{KEY_13}-nfe.xml").write_text(nfe(KEY_13))
        status, events = run(root, 2)
        check(status == 1, events)
        check([e["event"] for e in events] == ["error", "error"], events)
        check(events[0]["folder"] is None and events[0]["file"] is None, events)
        check(events[0]["message"].startswith("[CENARIOS] REGRA2: o resultado 'recusado' é "
                                              "desconhecido"), events)
        check((exchange / "envio" / f"{KEY_13}-nfe.xml").exists(), "request kept")

        # Draining answers everything waiting, passes a request that keeps failing, and
        # names it in its error.
        config.write_text(base)
        (exchange / "envio" / "0-ped-rec.xml").write_text("<consReciNFe><nRec>")
        (exchange / "envio" / "d-ped-rec.xml").write_text(query("420000000159093"))
        status, events = run(root, None)
        check(status == 1, events)
        requests = [e["file"] for e in events if e["event"] == "request"]
        check(requests == [f"{KEY_13}-nfe.xml", "d-ped-rec.xml"], events)
        errors = [(e["folder"], e["file"]) for e in events if e["event"] == "error"]
        check(errors and set(errors) == {("envio", "0-ped-rec.xml")}, events)
        (exchange / "envio" / "0-ped-rec.xml").unlink()
        status, events = run(root, None)
        check(status == 0 and events == [], events)
    print("events_json: ok")


if __name__ == "__main__":
    main()
