#!/bin/sh
# Builds one of the hand-run tools that drive the program (benchmarks, the
# memory scan) and runs it under Wine with a prefix of its own.
# Usage: gui-tool.sh TARGET   (e.g. search_bench)
set -e
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset windows
cmake --build --preset windows -j "$(nproc)" --target Quorrel "$1"
WINEPREFIX="$PWD/build/windows/bench-prefix"
. tools/wine-prefix.sh
tools/with-display.sh wine "build/windows/$1.exe"
