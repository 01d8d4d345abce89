#!/bin/sh
# Builds every preset and runs every test: native (with sanitizers), Windows
# (under Wine), a release build that keeps the benchmarks compiling, and the
# fuzz targets, each run for QUORREL_FUZZ_SECONDS (default 30).
set -e
cd "$(dirname "$0")/.."
tools/setup.sh
jobs=$(nproc)
for preset in native windows release fuzz; do
    cmake --preset "$preset"
    cmake --build --preset "$preset" -j "$jobs"
done
ctest --preset native -j "$jobs"
ctest --preset windows
ctest --preset fuzz
echo "All tests passed."
