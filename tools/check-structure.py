#!/usr/bin/env python3
"""Checks the house rules of the product's sources: an include never goes to
a higher layer or to another folder of its own layer (so the folders never
form a cycle), only app/ knows the program-wide objects, and no file grows
past 700 lines. With --graph, prints which folder includes which."""
import collections
import os
import re
import subprocess
import sys

# From the bottom up; a folder may include its own files and those of lower
# layers only. Folders on one line are one layer and know nothing of each other.
LAYERS = [
    ["res"],
    ["platform"],
    ["platform/posix", "platform/win32", "storage"],
    ["model/base"],
    ["security"],
    ["model"],
    ["exchange"],
    ["model/win32", "tools/cli"],
    ["dialogs/framework"],
    ["security/dialogs"],
    ["views", "dialogs"],
    ["app"],
]
RANK = {folder: rank for rank, layer in enumerate(LAYERS) for folder in layer}
INCLUDE = re.compile(r'\s*#\s*include\s+"([^"]+)"')
PROGRAM_WIDE = re.compile(r"\b(theApp|mainWindow)\b")
MAX_LINES = 700


def folder_of(path):
    return os.path.dirname(path)


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    os.chdir(root)
    files = subprocess.check_output(["git", "ls-files"], text=True).split()
    graph = collections.defaultdict(set)
    faults = []
    for path in files:
        source = folder_of(path)
        if source not in RANK or not re.search(r"\.(cpp|h|inc)$", path):
            continue
        with open(path, encoding="utf-8", errors="replace") as text:
            lines = text.readlines()
        if len(lines) > MAX_LINES:
            faults.append(f"{path}: {len(lines)} lines, more than {MAX_LINES}")
        for number, line in enumerate(lines, 1):
            if source != "app" and PROGRAM_WIDE.search(line):
                faults.append(f"{path}:{number}: names a program-wide object; only app/ may")
            match = INCLUDE.match(line)
            if not match:
                continue
            target = folder_of(match.group(1))
            if target == source:
                continue
            graph[source].add(target)
            if target not in RANK:
                faults.append(f"{path}:{number}: includes {match.group(1)}, which is in no layer")
            elif RANK[target] >= RANK[source]:
                where = "a higher layer" if RANK[target] > RANK[source] else "a folder of its own layer"
                faults.append(f"{path}:{number}: includes {match.group(1)}, from {where}")
    if "--graph" in sys.argv:
        for source in sorted(graph, key=lambda f: (-RANK[f], f)):
            print(f"{source} -> {', '.join(sorted(graph[source]))}")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
