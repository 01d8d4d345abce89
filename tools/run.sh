#!/bin/sh
# Builds the console companion and runs its main job on a scratch database:
# create it as the program's first start does, check it and list it.
set -e
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset release
cmake --build --preset release -j "$(nproc)" --target quorrel-cli
scratch=$(mktemp -d)
cli=build/release/quorrel-cli
$cli init "$scratch/QuorrelDPC.qrb"
$cli check "$scratch/QuorrelDPC.qrb"
$cli list "$scratch/QuorrelDPC.qrb"
echo "Database left at $scratch/QuorrelDPC.qrb"
