#!/usr/bin/env python3
"""Deep queues and big folders: what a request, an idle tick and a start costs as the
folders grow. Builds the release preset, then prints, each figure the best of --runs:

- drain: N NF-e waiting in envio answered by `--headless --interval 0 --ticks N`, and the
  floor program (bench/floor.c: only the same reads, writes, renames and deletes, the
  archive copies as long as the program's signed ones) on the same queue; besides the
  best of each side, the median of each run's own ratio; and the floor once more making
  the looks the program makes before it trusts a file (`checks`), which tells what those
  looks cost on their own;
- idle tick: the cost of one more tick (two runs, 1 and T ticks) on an empty folder, with
  20,000 unrelated files in envio, and with 1,000 scenario rules;
- start-up: a run of one tick with an empty archive and with 100,000 archived files.

Every timed run works in a folder of its own, made and written back to disk (sync)
before the clock starts, and no folder is deleted until the end: on a file system that
skips recently freed inodes when it makes a file (ext4 without a journal does, for a
minute or more), deleting one run's files would slow whichever run comes next. Within
each run the program and the floor take turns at going first.

Run from the checkout: python3 bench/deep_queues.py [--work DIR] [--runs 3]
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
SAMPLE = os.path.join(ROOT, "samples", "requests",
                      "42090112345678000190550010000000011000000010-nfe.xml")


def build():
    subprocess.run(["bash", os.path.join(ROOT, "scripts", "install-deps.sh"), "bench"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--preset", "release"], cwd=ROOT, check=True,
                   stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", "--preset", "release", "--target", "kelmar-sim"],
                   cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
    floor = os.path.join(ROOT, "build", "release", "bench", "kelmar_floor")
    os.makedirs(os.path.dirname(floor), exist_ok=True)
    subprocess.run(["cc", "-O2", "-o", floor, os.path.join(HERE, "floor.c")], check=True)
    return os.path.join(ROOT, "build", "release", "kelmar-sim"), floor


class Folders:
    """Hands out a new work folder for every timed run under one base folder."""

    def __init__(self, base):
        self.base = base
        self.made = 0

    def next(self):
        self.made += 1
        return os.path.join(self.base, "run-%04d" % self.made)


def settle():
    # What the setup wrote goes to disk now, not while a run is timed.
    os.sync()


def fresh_exchange(work, rules=0):
    with open(os.path.join(ROOT, "scripts", "exchange-subfolders")) as names:
        for sub in names.read().split():
            os.makedirs(os.path.join(work, "nf_e", sub))
    for sub in ("Autorizados", "Denegados"):
        os.makedirs(os.path.join(work, "nf_e", "backup", sub), exist_ok=True)
    with open(os.path.join(work, "erro_layout.err"), "w") as out:
        out.write("Erro de esquema\n")
    with open(os.path.join(work, "config.ini"), "w") as out:
        out.write("[NFE]\nPASTA=%s\n" % os.path.join(work, "nf_e"))
        if rules:
            out.write("[CENARIOS]\n")
            for number in range(1, rules + 1):
                out.write("REGRA%d=nNF %d -> rejeitado\n" % (number, 900000 + number))


def queue_nfe(work, count):
    with open(SAMPLE) as sample:
        text = sample.read()
    names = []
    envio = os.path.join(work, "nf_e", "envio")
    for i in range(count):
        name = "nota-%06d-nfe.xml" % i
        key = "42090112345678000190550010%09d10000000%02d" % (i, i % 97)
        with open(os.path.join(envio, name), "w") as out:
            out.write(re.sub(r'Id="NFe[0-9]*"', 'Id="NFe%s"' % key[:44], text))
        names.append(name)
    return names


def timed(command, work, stdin=None):
    start = time.perf_counter()
    subprocess.run(command, cwd=work, check=True, stdout=subprocess.DEVNULL, input=stdin)
    return time.perf_counter() - start


def run_sim(program, work, ticks):
    return timed([program, "--headless", "--config", "config.ini", "--interval", "0",
                  "--ticks", str(ticks)], work)


def drain_sim(program, folders, count):
    work = folders.next()
    fresh_exchange(work)
    queue_nfe(work, count)
    settle()
    seconds = run_sim(program, work, count)
    left = len(os.listdir(os.path.join(work, "nf_e", "envio")))
    if left:
        sys.exit("drain of %d left %d requests unanswered" % (count, left))
    return seconds


def signature_bytes(program, folders):
    # The archive copies are the signed NF-e; the floor writes as many bytes as they hold.
    work = folders.next()
    fresh_exchange(work)
    name = queue_nfe(work, 1)[0]
    request = os.path.getsize(os.path.join(work, "nf_e", "envio", name))
    run_sim(program, work, 1)
    month = os.path.join(work, "nf_e", "backup", "Autorizados", time.strftime("%Y%m"))
    return os.path.getsize(os.path.join(month, name)) - request


def drain_floor(floor, folders, count, signature, *mode):
    work = folders.next()
    fresh_exchange(work)
    names = queue_nfe(work, count)
    settle()
    return timed([floor, os.path.join(work, "nf_e"), str(signature), *mode], work,
                 stdin=("\n".join(names) + "\n").encode())


def drain(program, floor, folders, count, runs, signature):
    sides = [lambda: drain_sim(program, folders, count),
             lambda: drain_floor(floor, folders, count, signature),
             lambda: drain_floor(floor, folders, count, signature, "checks")]
    times = [[], [], []]
    for run in range(runs):
        # Each side takes its turn at going first.
        for side in [(run + k) % len(sides) for k in range(len(sides))]:
            times[side].append(sides[side]())
    sims, floors, checked = times
    # Each run's drains follow each other, so a slow spell of the disk falls on all of
    # them; the best of each side may come from different spells.
    paired = sorted(f / s for s, f in zip(sims, floors))
    return (min(sims) / count, min(floors) / count, min(checked) / count,
            paired[len(paired) // 2])


# An idle tick costs some microseconds: the difference of the two runs must stand well
# above the millisecond or two a start-up wanders by.
IDLE_TICKS = 20001


def idle_tick(program, folders, runs, ticks, prepare):
    best = None
    for _ in range(runs):
        work = folders.next()
        prepare(work)
        settle()
        one = run_sim(program, work, 1)
        many = run_sim(program, work, ticks)
        cost = (many - one) / (ticks - 1)
        best = cost if best is None else min(best, cost)
    return best


def start_up(program, folders, runs, archived):
    best = None
    for _ in range(runs):
        work = folders.next()
        fresh_exchange(work)
        month = os.path.join(work, "nf_e", "backup", "Autorizados", time.strftime("%Y%m"))
        os.makedirs(month, exist_ok=True)
        for i in range(archived):
            open(os.path.join(month, "nota-%06d-nfe.xml" % i), "w").close()
        settle()
        seconds = run_sim(program, work, 1)
        best = seconds if best is None else min(best, seconds)
    return best


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--work", help="folder to work in (default: beside the build)")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--counts", default="100,2000,20000")
    args = parser.parse_args()
    program, floor = build()
    base = args.work or os.path.join(ROOT, "build", "release")
    work = tempfile.mkdtemp(prefix="deep-queues-", dir=base)
    folders = Folders(work)
    try:
        counts = [int(c) for c in args.counts.split(",")]
        signature = signature_bytes(program, folders)
        print("archive copies: the request and %d bytes of signature" % signature)
        print("drain (best of %d runs)" % args.runs)
        print("| waiting NF-e | kelmar-sim per request | floor per request | floor / kelmar-sim "
              "| median of each run's floor / kelmar-sim | floor with checks per request "
              "| floor / floor with checks |")
        print("|---|---|---|---|---|---|---|")
        per_request = {}
        for count in counts:
            sim, flo, checked, paired = drain(program, floor, folders, count, args.runs,
                                              signature)
            per_request[count] = sim
            print("| %d | %.3f ms | %.3f ms | %.0f %% | %.0f %% | %.3f ms | %.0f %% |" %
                  (count, sim * 1e3, flo * 1e3, 100 * flo / sim, 100 * paired,
                   checked * 1e3, 100 * flo / checked))
        print("deepest / shallowest per request: %.2f" %
              (per_request[counts[-1]] / per_request[counts[0]]))

        def unrelated(work):
            fresh_exchange(work)
            envio = os.path.join(work, "nf_e", "envio")
            for i in range(20000):
                open(os.path.join(envio, "leia-me-%05d.txt" % i), "w").close()

        empty = idle_tick(program, folders, args.runs, IDLE_TICKS, fresh_exchange)
        crowded = idle_tick(program, folders, args.runs, IDLE_TICKS, unrelated)
        ruled = idle_tick(program, folders, args.runs, IDLE_TICKS,
                          lambda work: fresh_exchange(work, 1000))
        print("idle tick: empty %.1f us, 20,000 unrelated files %.1f us (x%.2f), "
              "1,000 rules %.1f us (x%.2f)" % (empty * 1e6, crowded * 1e6, crowded / empty,
                                                ruled * 1e6, ruled / empty))
        none = start_up(program, folders, args.runs, 0)
        full = start_up(program, folders, args.runs, 100000)
        print("start-up: empty archive %.1f ms, 100,000 archived files %.1f ms (x%.2f)" %
              (none * 1e3, full * 1e3, full / none))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
