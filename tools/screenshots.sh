#!/bin/sh
# Saves PNG pictures of the main window and the dialogs, taken in a Wine
# virtual desktop (under Xvfb when there is no display), in build/screenshots.
set -e
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset windows
cmake --build --preset windows -j "$(nproc)" --target Quorrel screenshot_tour
WINEPREFIX="$PWD/build/windows/screenshot-prefix"
. tools/wine-prefix.sh
out="$PWD/build/screenshots"
rm -rf "$out"
mkdir -p "$out"
target=$(winepath -w "$out")
tools/with-display.sh sh -c "wine explorer /desktop=Screenshots,1100x800 build/windows/screenshot_tour.exe '$target'; wineserver -w"
for picture in "$out"/*.bmp; do
    convert "$picture" "${picture%.bmp}.png"
    rm "$picture"
done
ls "$out"
