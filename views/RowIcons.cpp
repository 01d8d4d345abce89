#include "views/RowIcons.h"

#include "dialogs/framework/Display.h"
#include "dialogs/framework/Drawing.h"
#include "views/ViewLogic.h"

void RowIcons::SetDpi(int newDpi) {
    dpi = newDpi;
    size = ScaleForDpi(kIconSize, dpi);
    made.clear();
}

// A picture is made once for each row colour it is shown on.
HBITMAP RowIcons::Made(HDC dc, HBITMAP picture, COLORREF background) {
    auto key = std::make_pair(picture, background);
    if (auto found = made.find(key); found != made.end()) return found->second.Get();
    Bitmap bitmap(CreateCompatibleBitmap(dc, size, size));
    if (!bitmap || !copies.Get()) return nullptr;
    {
        Selection select(copies.Get(), bitmap.Get());
        RECT all = {0, 0, size, size};
        Brush fill(CreateSolidBrush(background));
        FillRect(copies.Get(), &all, fill.Get());
        DrawBitmapTransparent(copies.Get(), all, picture, dpi);
    }
    HBITMAP result = bitmap.Get();
    made.emplace(key, std::move(bitmap));
    return result;
}

void RowIcons::Draw(HDC dc, RECT cell, HBITMAP picture, COLORREF background) {
    if (!picture) return;
    HBITMAP bitmap = Made(dc, picture, background);
    if (!bitmap) {
        DrawBitmapTransparent(dc, cell, picture, dpi);
        return;
    }
    int x = cell.left + (cell.right - cell.left - size) / 2;
    int y = cell.top + (cell.bottom - cell.top - size) / 2;
    Selection select(copies.Get(), bitmap);
    BitBlt(dc, x, y, size, size, copies.Get(), 0, 0, SRCCOPY);
}
