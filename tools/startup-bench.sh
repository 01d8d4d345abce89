#!/bin/sh
# Start-up with 10,000 records against Wine's notepad, in the same run.
set -e
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset windows
cmake --build --preset windows -j "$(nproc)" --target Quorrel startup_bench
WINEPREFIX="$PWD/build/windows/bench-prefix"
. tools/wine-prefix.sh
tools/with-display.sh wine build/windows/startup_bench.exe
