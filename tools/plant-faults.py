#!/usr/bin/env python3
"""Plants small faults in the core, one at a time, and runs the ordinary tests on each.

Each line of tools/faults.txt changes one piece of text (a comparison flipped,
a bound moved by one, && for ||). For each fault the script writes it into
the source, builds, runs `ctest -LE slow` (stopping at the first failing
test) and puts the source back, whatever happens. A fault is caught when a
test fails; the first failing test is named.

  tools/plant-faults.py                 every fault, build folder build-faults
  tools/plant-faults.py --only 3,7-9    some of them
  tools/plant-faults.py --out F         also write the results to F
  tools/plant-faults.py --list          where each fault goes, nothing run

Needs a clean tree for the files it plants in. Takes a few minutes a fault.
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
CORE = ["stream", "pgn", "find", "chess", "export", "settings", "packer"]


def read_faults(path):
    faults = []
    for line in open(path, encoding="utf-8"):
        line = line.rstrip("\n")
        if not line.strip() or line.startswith("#"):
            continue
        where, change = line.split(": ", 1)
        old, new = change.split(" ==> ")
        faults.append((where, old, new))
    return faults


def locate(where, old):
    """The file that holds old exactly once: where, else the only core source that does."""
    def count(rel):
        with open(os.path.join(ROOT, rel), encoding="latin-1") as f:
            return f.read().count(old)
    if os.path.exists(os.path.join(ROOT, where)) and count(where) == 1:
        return where
    found = []
    for folder in CORE:
        for dirpath, _, files in os.walk(os.path.join(ROOT, folder)):
            for name in files:
                if name.endswith((".cpp", ".h")):
                    rel = os.path.relpath(os.path.join(dirpath, name), ROOT)
                    found += [rel] * count(rel)
    if len(found) != 1:
        raise SystemExit(f"fault text not found once in the core ({len(found)} times): {old}")
    return found[0]


def parse_only(text, total):
    chosen = set()
    for part in text.split(","):
        a, _, b = part.partition("-")
        chosen.update(range(int(a), int(b or a) + 1))
    return sorted(n for n in chosen if 1 <= n <= total)


def run(cmd, log):
    with open(log, "w") as out:
        return subprocess.run(cmd, cwd=ROOT, stdout=out, stderr=subprocess.STDOUT).returncode


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--faults", default=os.path.join(ROOT, "tools", "faults.txt"))
    ap.add_argument("--build", default=os.path.join(ROOT, "build-faults"))
    ap.add_argument("--only")
    ap.add_argument("--jobs", default=str(os.cpu_count() or 2))
    ap.add_argument("--timeout", default="300", help="seconds a test may take")
    ap.add_argument("--out")
    ap.add_argument("--list", action="store_true", help="only show where each fault goes")
    args = ap.parse_args()

    faults = read_faults(args.faults)
    numbers = parse_only(args.only, len(faults)) if args.only else range(1, len(faults) + 1)
    if args.list:
        for n in numbers:
            print(f"{n:2} {locate(*faults[n - 1][:2])}")
        return 0
    os.environ["QT_QPA_PLATFORM"] = "offscreen"
    build = os.path.abspath(args.build)
    logs = os.path.join(build, "fault-logs")
    os.makedirs(logs, exist_ok=True)
    if not os.path.exists(os.path.join(build, "CMakeCache.txt")):
        # Every fault relinks every program: lld, when there, links them in a fraction of the time.
        fast_link = ["-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld",
                     "-DCMAKE_SHARED_LINKER_FLAGS=-fuse-ld=lld"] if shutil.which("ld.lld") else []
        if run(["cmake", "-S", ROOT, "-B", build, "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                "-DKORVANE_BENCH=OFF"] + fast_link, os.path.join(logs, "cmake.log")):
            raise SystemExit("cmake failed: see " + logs)
    build_cmd = ["cmake", "--build", build, "-j", args.jobs]
    test_cmd = ["ctest", "--test-dir", build, "-LE", "slow", "-j", args.jobs,
                "--stop-on-failure", "--timeout", args.timeout]
    if run(build_cmd, os.path.join(logs, "clean-build.log")):
        raise SystemExit("the tree without faults does not build: see " + logs)
    if run(test_cmd, os.path.join(logs, "clean-tests.log")):
        raise SystemExit("the tests fail without a fault: see " + logs)

    results = []
    for n in numbers:
        where, old, new = faults[n - 1]
        rel = locate(where, old)
        path = os.path.join(ROOT, rel)
        with open(path, encoding="latin-1") as f:
            original = f.read()
        started = time.time()
        restore = lambda *_: open(path, "w", encoding="latin-1").write(original)
        for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            signal.signal(sig, lambda *a: (restore(), sys.exit(130)))
        try:
            with open(path, "w", encoding="latin-1") as f:
                f.write(original.replace(old, new, 1))
            if run(build_cmd, os.path.join(logs, f"{n}-build.log")):
                verdict = "does not build"
            elif run(test_cmd, os.path.join(logs, f"{n}-tests.log")) == 0:
                verdict = "NOT caught"
            else:
                failed = os.path.join(build, "Testing", "Temporary", "LastTestsFailed.log")
                first = open(failed).readline().strip().split(":", 1)[-1] if os.path.exists(failed) else "?"
                verdict = "caught by " + first
        finally:
            restore()
            for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
                signal.signal(sig, signal.SIG_DFL)
        line = f"{n:2} {rel}: {old.strip()} ==> {new.strip()}\n   {verdict} ({time.time() - started:.0f} s)"
        print(line, flush=True)
        results.append((n, verdict, line))
    run(build_cmd, os.path.join(logs, "restore-build.log"))
    caught = sum(1 for _, v, _ in results if v.startswith("caught"))
    summary = f"{caught} of {len(results)} faults caught"
    print(summary)
    if args.out:
        with open(args.out, "w") as out:
            out.writelines(line + "\n" for _, _, line in results)
            out.write(summary + "\n")
    return 0 if caught == len(results) else 1


sys.exit(main())
