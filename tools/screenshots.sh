#!/bin/sh
# Saves PNG pictures of the main window and the dialogs, taken in a Wine
# virtual desktop (under Xvfb when there is no display), in build/screenshots.
#
#     tools/screenshots.sh                  at 96 DPI (100 %)
#     tools/screenshots.sh 96 144 192       one set per DPI, in build/screenshots/<dpi>
#     tools/screenshots.sh contrast         the main window and a dialog with high contrast on
#
# Each DPI has a Wine prefix of its own whose display resolution (Wine's
# LogPixels) is set to it. Wine cannot report high contrast (it always says
# it is off), so for "contrast" the prefix gets the colours of Windows' "High
# Contrast Black" scheme in its registry (HKCU\Control Panel\Colors) and a
# small program opens the main window in its own process with high contrast
# taken as on.
set -e
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset windows
cmake --build --preset windows -j2 --target Quorrel screenshot_tour contrast_screenshot
[ $# -gt 0 ] || set -- 96
out="$PWD/build/screenshots"
mkdir -p "$out"
for what in "$@"; do
    if [ "$what" = contrast ]; then
        dpi=96
        WINEPREFIX="$PWD/build/windows/screenshot-prefix-contrast"
    else
        dpi=$what
        WINEPREFIX="$PWD/build/windows/screenshot-prefix-$dpi"
    fi
    folder="$out"
    [ $# -eq 1 ] || folder="$out/$what"
    mkdir -p "$folder"
    rm -f "$folder"/*.png "$folder"/*.bmp
    QUORREL_DPI=$dpi
    export QUORREL_DPI
    . tools/wine-prefix.sh
    target=$(winepath -w "$folder")
    # The desktop and the screen grow with the DPI, so that every window fits.
    width=$((1100 * dpi / 96))
    height=$((800 * dpi / 96))
    QUORREL_SCREEN="$((width + 100))x$((height + 100))x24"
    export QUORREL_SCREEN
    if [ "$what" = contrast ]; then
        tools/high-contrast-colours.sh
        tools/with-display.sh sh -c "wine explorer /desktop=Contrast,${width}x${height} build/windows/contrast_screenshot.exe '$target'; wineserver -w"
    else
        tools/with-display.sh sh -c "wine explorer /desktop=Screenshots,${width}x${height} build/windows/screenshot_tour.exe '$target'; wineserver -w"
    fi
    for picture in "$folder"/*.bmp; do
        convert "$picture" "${picture%.bmp}.png"
        rm "$picture"
    done
    ls "$folder"
done
