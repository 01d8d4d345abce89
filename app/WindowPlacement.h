// The main window's placement in the settings: read at start-up, recorded on
// every move and size, written to the file at exit. It is kept in pixels at
// 96 DPI and shown at the display's DPI.
#pragma once

#include "dialogs/framework/Layout.h"

#include <windows.h>

class CSettings;

WindowRectangle ComputeInitialWindowRect(const CSettings& settings);
// Takes the window's restored rectangle (its current one while maximised)
// into the settings; with save set also writes the settings.
void SaveWindowPlacement(CSettings& settings, HWND window, bool save);
