#!/bin/sh
# Gives the Wine prefix named by WINEPREFIX the system colours of Windows'
# "High Contrast Black" scheme (white and yellow on black), as its registry
# keeps them: HKCU\Control Panel\Colors, one "red green blue" value each.
set -e
key='HKCU\Control Panel\Colors'
while read -r name value; do
    wine reg add "$key" /v "$name" /t REG_SZ /d "$value" /f >/dev/null 2>&1
done <<'COLOURS'
ActiveBorder 255 255 255
ActiveTitle 0 0 255
AppWorkSpace 0 0 0
Background 0 0 0
ButtonAlternateFace 0 0 0
ButtonDkShadow 255 255 255
ButtonFace 0 0 0
ButtonHilight 255 255 255
ButtonLight 255 255 255
ButtonShadow 128 128 128
ButtonText 255 255 255
GradientActiveTitle 0 0 255
GradientInactiveTitle 0 255 255
GrayText 63 242 63
Hilight 26 235 255
HilightText 0 0 0
HotTrackingColor 255 255 0
InactiveBorder 255 255 255
InactiveTitle 0 255 255
InactiveTitleText 0 0 0
InfoText 255 255 255
InfoWindow 0 0 0
Menu 0 0 0
MenuBar 0 0 0
MenuHilight 26 235 255
MenuText 255 255 255
Scrollbar 0 0 0
TitleText 255 255 255
Window 0 0 0
WindowFrame 255 255 255
WindowText 255 255 255
COLOURS
wineserver -w
