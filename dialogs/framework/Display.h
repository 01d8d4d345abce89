// What the program draws and sizes itself follows the display: the DPI of the
// window it is in (per monitor) and the user's high contrast setting.
//
// Sizes are written for 96 DPI (100 %) and scaled with ScaleForDpi; fonts are
// the default GUI font made for the window's DPI. A window learns a new DPI
// from WM_DPICHANGED (the main window passes it on to its parts).
#pragma once

#include "dialogs/framework/Gdi.h"

#include <windows.h>

inline constexpr int kDefaultDpi = 96;

// The window's DPI: GetDpiForWindow where the system has it (it is looked up
// at run time, as older systems lack it), else the DPI of the window's device
// context, else 96.
int DpiOf(HWND window);
// A size in pixels at 96 DPI, at this DPI.
inline int ScaleForDpi(int pixels, int dpi) { return MulDiv(pixels, dpi, kDefaultDpi); }
// The DPI of the primary display, which the system's own metrics and stock
// fonts are made for.
int SystemDpi();
// A system metric (SM_CXVSCROLL ...) at this DPI.
int SystemMetricForDpi(int index, int dpi);
// The default GUI font ("MS Shell Dlg", the dialogs' font) at this DPI, with
// the weight and underline given.
Font MakeGuiFont(int dpi, LONG weight = FW_NORMAL, bool underline = false);

// Whether the user has high contrast on: the views then draw in the system's
// colours, not in the colours the preferences store. Read once and again at
// every UpdateHighContrast (the main window calls it when the system's
// colours or settings change).
bool HighContrastOn();
void UpdateHighContrast();
// For systems that cannot report high contrast (Wine answers "off" always):
// 1 or 0 stands in for the system's answer from now on, -1 asks the system again.
void OverrideHighContrast(int state);
