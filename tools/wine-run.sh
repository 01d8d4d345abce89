#!/bin/sh
# Runs a Windows executable under Wine with the build tree's own prefix,
# making the prefix once. Usage: wine-run.sh PREFIX PROGRAM [ARGS...]
set -e
prefix=$1
shift
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$prefix"
(
    flock 9
    if [ ! -f "$prefix/.made" ]; then
        wineboot -i >/dev/null 2>&1 || true
        wineserver -w
        touch "$prefix/.made"
    fi
) 9>"$prefix.lock"
exec wine "$@"
