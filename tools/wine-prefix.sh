# Sourced by every script that runs a Windows program: the Wine prefix named by
# WINEPREFIX, made once (under a lock, as tests may start together), with no
# add-on downloads and quiet logging.
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
(
    flock 9
    if [ ! -f "$WINEPREFIX/.made" ]; then
        wineboot -i >/dev/null 2>&1 || true
        wineserver -w
        # Wine's own fonts (Tahoma, Marlett for the caption buttons) are not found
        # in a new prefix on Debian unless they are in its Fonts folder.
        cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
        touch "$WINEPREFIX/.made"
    fi
    # QUORREL_DPI (96, 144, 192 ...) sets the prefix's display resolution,
    # Wine's LogPixels, as the Display settings of Windows do.
    if [ -n "$QUORREL_DPI" ] && [ ! -f "$WINEPREFIX/.dpi-$QUORREL_DPI" ]; then
        wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$QUORREL_DPI" /f >/dev/null 2>&1
        wineserver -w
        rm -f "$WINEPREFIX"/.dpi-*
        touch "$WINEPREFIX/.dpi-$QUORREL_DPI"
    fi
) 9>"$WINEPREFIX.lock"
