#!/usr/bin/env python3
"""Points the load configuration entry of a 64-bit PE executable's header at
its `_load_config_used` structure, as Microsoft's linker does and GNU ld does
not. The symbol's address is read from the separate debug file (the
executable itself is stripped); the entry's size is the structure's own Size
field.

Usage: set-load-config.py NM EXE DEBUG_FILE
"""
import struct
import subprocess
import sys

LOAD_CONFIG_ENTRY = 10


def symbol_address(nm, path, name):
    for line in subprocess.run([nm, path], check=True, capture_output=True, text=True).stdout.splitlines():
        parts = line.split()
        if len(parts) == 3 and parts[2] == name:
            return int(parts[0], 16)
    sys.exit(f"{path}: no symbol {name}")


def file_offset(image, sections_at, section_count, rva):
    for i in range(section_count):
        size, address, raw_size, raw_offset = struct.unpack_from("<IIII", image, sections_at + i * 40 + 8)
        if address <= rva < address + max(size, raw_size):
            return raw_offset + rva - address
    sys.exit(f"no section holds RVA {rva:#x}")


def main():
    nm, exe, debug_file = sys.argv[1:]
    with open(exe, "rb") as f:
        image = bytearray(f.read())
    header = struct.unpack_from("<I", image, 0x3C)[0]
    if image[header:header + 4] != b"PE\0\0":
        sys.exit(f"{exe}: not a PE file")
    section_count, optional_size = struct.unpack_from("<H12xH", image, header + 6)
    optional = header + 24
    if struct.unpack_from("<H", image, optional)[0] != 0x20B:
        sys.exit(f"{exe}: not a 64-bit image")
    image_base = struct.unpack_from("<Q", image, optional + 24)[0]
    rva = symbol_address(nm, debug_file, "_load_config_used") - image_base
    size = struct.unpack_from("<I", image, file_offset(image, optional + optional_size, section_count, rva))[0]
    struct.pack_into("<II", image, optional + 112 + LOAD_CONFIG_ENTRY * 8, rva, size)
    with open(exe, "wb") as f:
        f.write(image)


if __name__ == "__main__":
    main()
