#include "dialogs/framework/Drawing.h"

#include "dialogs/framework/Gdi.h"

#include <algorithm>
#include <string>

int DrawTextEllipsis(HDC dc, const wchar_t* text, RECT rect) {
    text = text ? text : L"";
    int n = lstrlenW(text);
    int width = rect.right - rect.left;
    SIZE size{};
    GetTextExtentPoint32W(dc, text, n, &size);
    if (size.cx <= width || n <= 1) return DrawTextW(dc, text, n, &rect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    // The longest start of the text that fits together with "...", but at
    // least one character: measured once rather than one character at a time.
    SIZE ellipsis{};
    GetTextExtentPoint32W(dc, L"...", 3, &ellipsis);
    int fit = 0;
    GetTextExtentExPointW(dc, text, n - 1, std::max<int>(width - ellipsis.cx, 0), &fit, nullptr, &size);
    // Drawn from a copy that is wiped afterwards: the text may be a secret.
    std::wstring shown(text, static_cast<size_t>(std::max(fit, 1)));
    shown += L"...";
    int height = DrawTextW(dc, shown.c_str(), -1, &rect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SecureZeroMemory(shown.data(), shown.size() * sizeof(wchar_t));
    return height;
}

void DrawBitmapTransparent(HDC dc, RECT rect, HBITMAP bitmap, int dpi) {
    BITMAP info;
    if (!bitmap || !GetObjectW(bitmap, sizeof info, &info)) return;
    int width = info.bmWidth, height = info.bmHeight;
    int shownWidth = MulDiv(width, dpi, 96), shownHeight = MulDiv(height, dpi, 96);
    int dx = shownWidth < rect.right - rect.left ? (rect.right - rect.left - shownWidth) / 2 : 0;
    int dy = shownHeight < rect.bottom - rect.top ? (rect.bottom - rect.top - shownHeight) / 2 : 0;

    MemoryDC source(dc), image(dc), mask(dc);
    Bitmap imageBitmap(CreateCompatibleBitmap(dc, width, height));
    Bitmap maskBitmap(CreateBitmap(width, height, 1, 1, nullptr));
    Selection selectSource(source.Get(), bitmap);
    Selection selectImage(image.Get(), imageBitmap.Get());
    Selection selectMask(mask.Get(), maskBitmap.Get());
    BitBlt(image.Get(), 0, 0, width, height, source.Get(), 0, 0, SRCCOPY);

    // The mask is white where the image has the transparent colour.
    SetBkColor(image.Get(), GetPixel(image.Get(), 0, 0));
    BitBlt(mask.Get(), 0, 0, width, height, image.Get(), 0, 0, SRCCOPY);
    // Blacken the transparent pixels of the image.
    SetBkColor(image.Get(), RGB(0, 0, 0));
    SetTextColor(image.Get(), RGB(255, 255, 255));
    BitBlt(image.Get(), 0, 0, width, height, mask.Get(), 0, 0, SRCAND);

    COLORREF previousBack = SetBkColor(dc, RGB(255, 255, 255));
    COLORREF previousText = SetTextColor(dc, RGB(0, 0, 0));
    int x = rect.left + dx, y = rect.top + dy;
    if (shownWidth == width && shownHeight == height) {
        // Unscaled, a plain copy: stretching costs far more under some systems.
        BitBlt(dc, x, y, width, height, mask.Get(), 0, 0, SRCAND);
        BitBlt(dc, x, y, width, height, image.Get(), 0, 0, SRCPAINT);
    } else {
        int previousMode = SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, x, y, shownWidth, shownHeight, mask.Get(), 0, 0, width, height, SRCAND);
        StretchBlt(dc, x, y, shownWidth, shownHeight, image.Get(), 0, 0, width, height, SRCPAINT);
        SetStretchBltMode(dc, previousMode);
    }
    SetTextColor(dc, previousText);
    SetBkColor(dc, previousBack);
}

bool RectScreenToClient(HWND window, RECT& rect) {
    POINT topLeft = {rect.left, rect.top};
    POINT bottomRight = {rect.right, rect.bottom};
    if (!ScreenToClient(window, &topLeft)) return false;
    bool second = ScreenToClient(window, &bottomRight) != 0;
    rect = {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    return second;
}

void DrawIconAtControl(HWND dialog, HDC dc, int placeholderId, HICON icon) {
    if (!icon) return;
    RECT window, placeholder;
    GetWindowRect(dialog, &window);
    GetWindowRect(GetDlgItem(dialog, placeholderId), &placeholder);
    DrawIcon(dc, placeholder.left - window.left, placeholder.top - window.top, icon);
}
