#!/bin/sh
# The copies of a protected value and of the master password in the running program's memory, step by step.
set -e
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset windows
cmake --build --preset windows -j2 --target Quorrel secret_scan
WINEPREFIX="$PWD/build/windows/bench-prefix"
. tools/wine-prefix.sh
tools/with-display.sh wine build/windows/secret_scan.exe
