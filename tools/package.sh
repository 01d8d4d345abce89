#!/bin/sh
# Builds the installer Quorrel-<version>-x64.msi and the portable
# Quorrel-<version>-x64.zip in build/windows.
set -e
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset windows
cmake --build --preset windows -j "$(nproc)" --target packages
ls -l build/windows/Quorrel-*-x64.msi build/windows/Quorrel-*-x64.zip
