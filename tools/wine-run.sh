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
        # Wine's own fonts (Tahoma, Marlett for the caption buttons) are not found
        # in a new prefix on Debian unless they are in its Fonts folder.
        cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
        touch "$prefix/.made"
    fi
) 9>"$prefix.lock"
exec wine "$@"
