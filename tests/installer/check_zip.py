#!/usr/bin/env python3
"""The portable ZIP holds exactly the shipped files, byte for byte, in one
folder Quorrel, so that unpacking it gives a program folder like the installed one.

Usage: check_zip.py ZIP FILE...
"""
import os
import sys
import zipfile


def main():
    archive, *files = sys.argv[1:]
    expected = {"Quorrel/" + os.path.basename(f): f for f in files}
    problems = []
    with zipfile.ZipFile(archive) as z:
        names = set(z.namelist()) - {"Quorrel/"}
        for name in sorted(names - expected.keys()):
            problems.append(f"unexpected {name}")
        for name in sorted(expected.keys() - names):
            problems.append(f"missing {name}")
        for name in sorted(names & expected.keys()):
            with open(expected[name], "rb") as f:
                if z.read(name) != f.read():
                    problems.append(f"{name} differs from {expected[name]}")
    print(f"{os.path.basename(archive)}: {os.path.getsize(archive)} bytes, {len(names)} files")
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
