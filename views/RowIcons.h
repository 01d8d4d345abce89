// The category icons as the record list draws them: each picture made once,
// at the list's DPI and over the row colour it is shown on, so that a row
// draws its icon with a single copy.
#pragma once

#include "dialogs/framework/Gdi.h"

#include <windows.h>

#include <map>
#include <utility>

class RowIcons {
public:
    // Pictures drawn for 96 DPI are shown at this DPI from now on.
    void SetDpi(int dpi);
    // Draws the picture centred in the rectangle over the background colour,
    // leaving out the colour of its top-left pixel; the picture stays as it is.
    void Draw(HDC dc, RECT cell, HBITMAP picture, COLORREF background);

private:
    HBITMAP Made(HDC dc, HBITMAP picture, COLORREF background);

    int dpi = 96;
    int size = 16;  // a picture's side in the list (16 at 96 DPI)
    MemoryDC copies{nullptr};
    std::map<std::pair<HBITMAP, COLORREF>, Bitmap> made;
};
