#!/usr/bin/env python3
"""Lines of tests against lines of program, blank and comment lines left out.

Program: every .cpp/.h outside tests/, bench/ and the build folders.
Tests: every .cpp/.h under tests/ (the fuzz targets included, their corpora not).
  tools/test-ratio.py        the two counts and their ratio
  tools/test-ratio.py 20     also the 20 largest files
"""
import os
import re
import sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")


def counted_lines(path):
    n, in_block = 0, False
    for line in open(path, encoding="latin-1"):
        s = line.strip()
        if in_block:
            if "*/" not in s:
                continue
            in_block, s = False, s.split("*/", 1)[1].strip()
        if not s or s.startswith("//"):
            continue
        if s.startswith("/*"):
            in_block = "*/" not in s
            continue
        n += 1
    return n


def main():
    code = tests = 0
    rows = []
    for root, dirs, files in os.walk(ROOT):
        rel = os.path.relpath(root, ROOT)
        top = rel.split(os.sep)[0]
        if top.startswith("build") or top.startswith(".") and top != "." or top == "bench":
            dirs[:] = []
            continue
        dirs[:] = [d for d in dirs if d != "corpus"]
        for f in files:
            if not re.search(r"\.(cpp|h)$", f):
                continue
            path = os.path.join(root, f)
            n = counted_lines(path)
            if top == "tests":
                tests += n
            else:
                code += n
            rows.append((n, os.path.relpath(path, ROOT)))
    for n, p in sorted(rows, reverse=True)[: int(sys.argv[1]) if len(sys.argv) > 1 else 0]:
        print(f"{n:6} {p}")
    print(f"program {code}, tests {tests}, ratio {tests / code:.3f}")


main()
