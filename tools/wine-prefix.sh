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
) 9>"$WINEPREFIX.lock"
