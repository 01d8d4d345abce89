#!/bin/sh
# Installs whatever Debian packages the build and the tests need and are missing.
set -e
packages="cmake make g++ python3 googletest libgtest-dev libbenchmark-dev libssl-dev libsqlite3-dev
g++-mingw-w64-x86-64 wine wine64 xvfb x11-utils imagemagick fonts-wine clang libclang-rt-14-dev fp-utils
wixl msitools clang-format"
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    # shellcheck disable=SC2086
    apt-get install -y -q --no-install-recommends $missing
fi
