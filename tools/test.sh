#!/bin/sh
# Builds every preset and runs every test: native (with sanitizers), Windows
# (under Wine), and a release build that keeps the benchmarks compiling.
set -e
cd "$(dirname "$0")/.."
tools/setup.sh
jobs=$(nproc)
for preset in native windows release; do
    cmake --preset "$preset"
    cmake --build --preset "$preset" -j "$jobs"
done
ctest --preset native -j "$jobs"
ctest --preset windows
echo "All tests passed."
