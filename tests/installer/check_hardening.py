#!/usr/bin/env python3
"""Checks the shipped executables as built: ASLR with a high-entropy base and
DEP on, relocations kept (without them the loader cannot move the image), no
symbols left in the file, a debug link to FILE.debug beside it, and the stack
protector linked in.

Usage: check_hardening.py OBJDUMP NM EXE...
"""
import os
import subprocess
import sys


def run(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


def problems_of(objdump, nm, exe):
    found = []
    headers = run(objdump, "-p", exe)
    for flag in ("DYNAMIC_BASE", "HIGH_ENTROPY_VA", "NX_COMPAT"):
        if flag not in headers:
            found.append(f"{flag} is off")
    sections = run(objdump, "-h", exe)
    for section in (".reloc", ".gnu_debuglink"):
        if section not in sections:
            found.append(f"no {section} section")
    if "no symbols" not in run(objdump, "-t", exe):
        found.append("symbols left in the file")
    debug_file = exe + ".debug"
    with open(exe, "rb") as f:
        if os.path.basename(debug_file).encode() + b"\0" not in f.read():
            found.append(f"the debug link does not name {os.path.basename(debug_file)}")
    if not os.path.exists(debug_file):
        found.append(f"{debug_file} is missing")
    else:
        symbols = run(nm, debug_file)
        for symbol in ("__stack_chk_fail", "__stack_chk_guard"):
            if symbol not in symbols:
                found.append(f"no {symbol}: the stack protector is not in")
    return found


def main():
    objdump, nm, *exes = sys.argv[1:]
    failed = False
    for exe in exes:
        problems = problems_of(objdump, nm, exe)
        print(f"{os.path.basename(exe)}: {os.path.getsize(exe)} bytes, "
              f"debug file {os.path.getsize(exe + '.debug') if os.path.exists(exe + '.debug') else 0} bytes: "
              + ("; ".join(problems) if problems else "hardened"))
        failed = failed or bool(problems)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
