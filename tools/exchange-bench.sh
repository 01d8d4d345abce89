#!/bin/sh
# Import and export of 100,000 records through the program's own commands.
set -e
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset windows
cmake --build --preset windows -j2 --target Quorrel exchange_bench
WINEPREFIX="$PWD/build/windows/bench-prefix"
. tools/wine-prefix.sh
tools/with-display.sh wine build/windows/exchange_bench.exe
