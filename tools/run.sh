#!/bin/sh
# Builds the Windows program and starts it under Wine. Without a display it
# runs in a Wine virtual desktop under Xvfb and saves a screenshot.
set -e
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset windows
cmake --build --preset windows -j "$(nproc)" --target Quorrel help_chm
WINEPREFIX="$PWD/build/windows/run-prefix"
. tools/wine-prefix.sh

program=build/windows/Quorrel.exe
if [ -n "$DISPLAY" ]; then
    exec wine "$program"
fi
shot="$PWD/build/windows/run-screenshot.png"
tools/with-display.sh sh -c "
    wine explorer /desktop=Quorrel,1024x768 '$program' &
    sleep 10
    import -window root '$shot'
    wineserver -k
"
echo "No display: Quorrel ran in a virtual desktop; its screen is in $shot"
