#!/usr/bin/env python3
"""Feeds a long stream of mixed requests to one headless runner and watches it: every
request must be answered, no error reported, the resident set size must stay flat and,
when the program was built with AddressSanitizer, LeakSanitizer must find no leak at
exit. Prints the figures and exits non-zero on any violation."""
import argparse
import os
import random
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "support"))
from exchange_folder import Exchange  # noqa: E402


def resident_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def main():
    arguments = argparse.ArgumentParser(description=__doc__)
    arguments.add_argument("program")
    arguments.add_argument("--requests", type=int, default=10000)
    arguments.add_argument("--max-growth-kib", type=int, default=8192)
    arguments.add_argument("--seed", type=int, default=1)
    arguments.add_argument("--wine", metavar="RUNNER",
                           help="run a Windows program through this Wine wrapper")
    options = arguments.parse_args()
    runner_prefix = [options.wine] if options.wine else []
    rng = random.Random(options.seed)
    violations = []
    with tempfile.TemporaryDirectory(prefix="kelmar-endurance-") as root:
        exchange = Exchange(Path(root), windows=bool(options.wine))
        environment = dict(os.environ, ASAN_OPTIONS="detect_leaks=1:exitcode=23")
        runner = subprocess.Popen(
            runner_prefix + [os.path.abspath(options.program), "--headless", "--config",
                             exchange.text(exchange.config), "--interval", "0"],
            cwd=root, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=environment)
        started = time.time()
        samples = []
        deadline = started + 900
        while time.time() < deadline:
            exchange.queue_queries()
            waiting = len(exchange.waiting())
            if len(exchange.expected) < options.requests and waiting < 100:
                exchange.queue_round(rng)
            elif waiting == 0 and len(exchange.expected) >= options.requests:
                exchange.queue_queries()
                if not exchange.waiting():
                    break
            samples.append(resident_kib(runner.pid))
            time.sleep(0.05)
        elapsed = time.time() - started
        # Wine turns no signal into a console event for a program without a terminal: there
        # SIGTERM ends the process outright, which the crash-safe writing is built for.
        runner.send_signal(signal.SIGTERM)
        _, errors = runner.communicate(timeout=60)
        # A stop that lands mid-tick is announced; that notice is no error.
        errors = "\n".join(line for line in errors.decode("utf-8", "replace").splitlines()
                           if "finishing the current request" not in line)

        answered = sum(1 for _, path in exchange.expected if path is None or path.exists())
        if answered != len(exchange.expected):
            violations.append(f"{len(exchange.expected) - answered} requests unanswered")
        if exchange.waiting():
            violations.append(f"{len(exchange.waiting())} requests still waiting after {elapsed:.0f} s")
        if runner.returncode != (-signal.SIGTERM if options.wine else 0):
            violations.append(f"runner exited with status {runner.returncode}")
        if "LeakSanitizer" in errors:
            violations.append("LeakSanitizer reported a leak")
        elif errors.strip():
            violations.append("errors reported: " + errors.strip().splitlines()[0])
        # The first fifth is warm-up (allocator pools, page cache of the program itself).
        steady = samples[len(samples) // 5:] or samples
        growth = max(steady) - steady[0] if steady else 0
        if growth > options.max_growth_kib:
            violations.append(f"resident set grew by {growth} KiB after warm-up")

        print(f"endurance: {len(exchange.expected)} requests in {elapsed:.1f} s "
              f"({len(exchange.expected) / elapsed:.0f}/s including the feeder's pauses), "
              f"RSS after warm-up {steady[0] if steady else 0} KiB, peak {max(samples, default=0)} KiB, "
              f"growth {growth} KiB, {len(violations)} violations")
        for violation in violations:
            print("  " + violation)
        if errors.strip():
            print(errors[:4000])
        return 1 if violations else 0


if __name__ == "__main__":
    sys.exit(main())
