#!/bin/sh
# Runs a Windows executable under Wine with the build tree's own prefix,
# making the prefix once. Usage: wine-run.sh PREFIX PROGRAM [ARGS...]
set -e
WINEPREFIX=$1
shift
. "$(dirname "$0")/wine-prefix.sh"
exec wine "$@"
