#!/usr/bin/env python3
"""Checks the shipped executables as built: ASLR with a high-entropy base and
DEP on, relocations kept (without them the loader cannot move the image), no
symbols left in the file, a debug link to FILE.debug beside it, the stack
protector linked in, no library imported that Windows might take from the
program's own folder, and a load configuration that makes Windows look for
imported libraries in the system folder only.

Usage: check_hardening.py OBJDUMP NM EXE...
"""
import os
import struct
import subprocess
import sys

# Windows maps the KnownDLLs (HKLM\SYSTEM\CurrentControlSet\Control\Session
# Manager\KnownDLLs) from the system folder whatever lies beside a program,
# and ntdll always. comctl32 comes from the side-by-side folder that the
# program's manifest names. Every other library is loaded at run time with
# LoadLibraryExW(..., LOAD_LIBRARY_SEARCH_SYSTEM32).
KNOWN_DLLS = {
    "advapi32.dll", "clbcatq.dll", "combase.dll", "comdlg32.dll", "coml2.dll", "difxapi.dll", "gdi32.dll",
    "gdiplus.dll", "imagehlp.dll", "imm32.dll", "kernel32.dll", "msctf.dll", "msvcrt.dll", "normaliz.dll",
    "nsi.dll", "ntdll.dll", "ole32.dll", "oleaut32.dll", "psapi.dll", "rpcrt4.dll", "sechost.dll", "setupapi.dll",
    "shcore.dll", "shell32.dll", "shlwapi.dll", "user32.dll", "wldap32.dll", "ws2_32.dll",
}
ALLOWED_IMPORTS = KNOWN_DLLS | {"comctl32.dll"}

LOAD_LIBRARY_SEARCH_SYSTEM32 = 0x800
LOAD_CONFIG_ENTRY = 10
DEPENDENT_LOAD_FLAGS_OFFSET = 78


def run(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


def imports_of(headers):
    return [line.split(":", 1)[1].strip() for line in headers.splitlines() if line.strip().startswith("DLL Name:")]


def dependent_load_flags(exe):
    """The DependentLoadFlags of the executable's load configuration, or None
    when its header has no load configuration entry that covers the field."""
    with open(exe, "rb") as f:
        image = f.read()
    header = struct.unpack_from("<I", image, 0x3C)[0]
    section_count, optional_size = struct.unpack_from("<H12xH", image, header + 6)
    optional = header + 24
    if struct.unpack_from("<H", image, optional)[0] != 0x20B:
        return None
    rva, size = struct.unpack_from("<II", image, optional + 112 + LOAD_CONFIG_ENTRY * 8)
    if rva == 0 or size < DEPENDENT_LOAD_FLAGS_OFFSET + 2:
        return None
    sections = optional + optional_size
    for i in range(section_count):
        virtual_size, address, raw_size, raw_offset = struct.unpack_from("<IIII", image, sections + i * 40 + 8)
        if address <= rva < address + max(virtual_size, raw_size):
            config = raw_offset + rva - address
            if struct.unpack_from("<I", image, config)[0] != size:
                return None
            return struct.unpack_from("<H", image, config + DEPENDENT_LOAD_FLAGS_OFFSET)[0]
    return None


def problems_of(objdump, nm, exe):
    found = []
    headers = run(objdump, "-p", exe)
    for flag in ("DYNAMIC_BASE", "HIGH_ENTROPY_VA", "NX_COMPAT"):
        if flag not in headers:
            found.append(f"{flag} is off")
    for library in imports_of(headers):
        if library.lower() not in ALLOWED_IMPORTS:
            found.append(f"imports {library}, which is no KnownDLL: a copy beside the program would be loaded")
    flags = dependent_load_flags(exe)
    if flags is None:
        found.append("no load configuration with DependentLoadFlags")
    elif flags != LOAD_LIBRARY_SEARCH_SYSTEM32:
        found.append(f"DependentLoadFlags is {flags:#x}, not LOAD_LIBRARY_SEARCH_SYSTEM32")
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
