# Sourced by the scripts that run the program: a Wine prefix of their own
# (named by WINEPREFIX before), made once, with no add-on downloads and quiet logging.
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/.made" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    # Wine's own fonts (Tahoma, Marlett for the caption buttons) are not found
    # in a new prefix on Debian unless they are in its Fonts folder.
    cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    touch "$WINEPREFIX/.made"
fi
