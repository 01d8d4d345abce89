// Drawing routines shared by the dialogs and the views.
#pragma once

#include <windows.h>

// One line, vertically centred, shortened with "..." to fit the rectangle.
int DrawTextEllipsis(HDC dc, const wchar_t* text, RECT rect);
// Centred in the rectangle, leaving out the colour of its top-left pixel. A
// picture drawn for 96 DPI is scaled to the DPI given, pixel for pixel (no
// blending, which would mix the transparent colour into its edges).
void DrawBitmapTransparent(HDC dc, RECT rect, HBITMAP bitmap, int dpi = 96);
bool RectScreenToClient(HWND window, RECT& rect);
// Draws an icon where a placeholder control lies, measured from the dialog
// window's top-left corner.
void DrawIconAtControl(HWND dialog, HDC dc, int placeholderId, HICON icon);
