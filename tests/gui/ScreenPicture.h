// Saves the part of the screen a window covers as a 24-bit BMP file, for the
// screenshot tools.
#pragma once

#include <windows.h>

#include <string>

// False when the window is gone or has no size.
bool SaveScreenPicture(HWND window, const std::wstring& path);
