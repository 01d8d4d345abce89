#!/bin/sh
# One keystroke in the search box among 100,000 records.
set -e
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset windows
cmake --build --preset windows -j2 --target Quorrel search_bench
WINEPREFIX="$PWD/build/windows/bench-prefix"
. tools/wine-prefix.sh
tools/with-display.sh wine build/windows/search_bench.exe
