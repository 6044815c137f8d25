#!/usr/bin/env python3
"""Runs the Linux program and the Windows program (under Wine) through the same steps
with the sample requests and checks that they write the same files, byte for byte, and
print the same lines. The only thing allowed to differ is the time of day stamped into
the documents, since each run reads its own clock: date-times are compared as a token.

Usage: same_answers.py LINUX_PROGRAM WINE_RUNNER WINDOWS_PROGRAM SAMPLES_FOLDER
"""
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

DATE_TIME = re.compile(rb"\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}(\.\d+)?([+-]\d{2}:\d{2})?")
SUBFOLDERS = ("envio", "envio_lote", "retorno", "lotes", "tmp", "backup")

NFE_1 = "42090112345678000190550010000000011000000010-nfe.xml"
NFE_2 = "42090112345678000190550010000000021000000025-nfe.xml"
# (files to drop: (subfolder, sample name), outcome, ticks)
STEPS = [
    ([("envio", NFE_1)], "autorizado", 1),
    ([("envio", "consulta-ped-rec.xml")], "autorizado", 1),
    ([("envio", "42090112345678000190550010000000011000000010-ped-can.xml"),
      ("envio", "inutilizacao-ped-inu.xml")], "autorizado", 2),
    ([("envio_lote", NFE_2)], "autorizado", 1),
    ([("envio_lote", "lote1-montar-lote.xml")], "autorizado", 1),
    ([("envio", NFE_2)], "falha-esquema", 1),
    ([("envio", NFE_2)], "falha-envio", 1),
    ([("envio", "consulta-ped-rec.xml")], "rejeitado", 1),
    ([("envio", "consulta-ped-rec.xml")], "denegado", 1),
    ([("envio", "consulta-ped-rec.xml")], "nao-processado", 1),
]


class Side:
    def __init__(self, root: Path, command, folder_text):
        self.root = root
        self.command = command
        self.exchange = root / "nf_e"
        for sub in SUBFOLDERS:
            (self.exchange / sub).mkdir(parents=True)
        self.config = root / "config.ini"
        self.config.write_bytes(b"[NFE]\r\nPASTA=" + folder_text(self.exchange).encode("cp1252") + b"\r\n")
        self.config_text = folder_text(self.config)
        self.output = []

    def run(self, outcome, ticks):
        done = subprocess.run(
            self.command + ["--headless", "--ticks", str(ticks), "--outcome", outcome,
                            "--config", self.config_text],
            cwd=self.root, capture_output=True, timeout=120, check=False)
        self.output.append((done.returncode, done.stdout, done.stderr))

    def files(self):
        found = {}
        for path in sorted(self.exchange.rglob("*")):
            # The instance lock holds the process id of whichever program ran last.
            if path.is_file() and path.name != ".kelmar.lock":
                found[str(path.relative_to(self.exchange))] = path.read_bytes()
        settings = self.config.read_bytes().split(b"\r\n")
        found["config.ini"] = b"\r\n".join(line for line in settings if not line.startswith(b"PASTA="))
        return found


def main():
    linux_program, wine_runner, windows_program, samples = sys.argv[1:5]
    samples = Path(samples)
    with tempfile.TemporaryDirectory() as temporary:
        temporary = Path(temporary)
        linux = Side(temporary / "linux", [linux_program], str)
        windows = Side(temporary / "windows", [wine_runner, windows_program],
                       lambda path: "Z:" + str(path).replace("/", "\\"))
        for side in (linux, windows):
            for sample in ("erro_layout.err", "erro_envio.err"):
                shutil.copy(samples / sample, side.root / sample)
        for drops, outcome, ticks in STEPS:
            for side in (linux, windows):
                for sub, name in drops:
                    shutil.copy(samples / "requests" / name, side.exchange / sub / name)
                side.run(outcome, ticks)

        failures = []
        for step, (a, b) in enumerate(zip(linux.output, windows.output)):
            if a != b:
                failures.append(f"step {step}: Linux printed {a!r}, Windows printed {b!r}")
        linux_files, windows_files = linux.files(), windows.files()
        if sorted(linux_files) != sorted(windows_files):
            failures.append(f"different files: Linux {sorted(linux_files)}, Windows {sorted(windows_files)}")
        compared = 0
        for name in sorted(set(linux_files) & set(windows_files)):
            compared += 1
            if DATE_TIME.sub(b"<date-time>", linux_files[name]) != DATE_TIME.sub(b"<date-time>", windows_files[name]):
                failures.append(f"{name} differs:\n  Linux   {linux_files[name][:300]!r}\n  Windows {windows_files[name][:300]!r}")
        answered = sum(1 for name in linux_files if name.startswith("retorno"))
        print(f"{len(STEPS)} steps, {compared} files compared, {answered} answers in retorno")
        for failure in failures:
            print("FAIL:", failure)
        if answered == 0:
            print("FAIL: no answer written at all")
            failures.append("nothing answered")
        print(f"{1 if not failures else 0} passed, {1 if failures else 0} failed")
        return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
