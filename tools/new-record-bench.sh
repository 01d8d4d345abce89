#!/bin/sh
# A new record among 10,000: from OK until the list shows it.
set -e
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset windows
cmake --build --preset windows -j2 --target Quorrel new_record_bench
WINEPREFIX="$PWD/build/windows/bench-prefix"
. tools/wine-prefix.sh
tools/with-display.sh wine build/windows/new_record_bench.exe
