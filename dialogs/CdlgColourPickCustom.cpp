#include "dialogs/CdlgColourPickCustom.h"

#include "dialogs/framework/Gdi.h"
#include "res/resource.h"

#include <commctrl.h>

namespace {

struct Channel {
    int slider;
    int value;
    int shift;  // the channel's byte in a COLORREF
};
constexpr Channel kChannels[] = {
    {IDC_RED_SLIDER, IDC_RED_VALUE, 0},
    {IDC_GREEN_SLIDER, IDC_GREEN_VALUE, 8},
    {IDC_BLUE_SLIDER, IDC_BLUE_VALUE, 16},
};

}  // namespace

CdlgColourPickCustom::CdlgColourPickCustom(COLORREF start)
    : CqrDialog(IDD_COLOUR_CUSTOM, L"Preferences.html"), colour(start) {}

bool CdlgColourPickCustom::OnInitDialog() {
    for (const Channel& c : kChannels) {
        int level = static_cast<int>(colour >> c.shift & 0xFF);
        SendDlgItemMessageW(hwnd, c.slider, TBM_SETRANGE, TRUE, MAKELPARAM(0, 255));
        SendDlgItemMessageW(hwnd, c.slider, TBM_SETPOS, TRUE, level);
        SetDlgItemInt(hwnd, c.value, static_cast<UINT>(level), FALSE);
    }
    // Opens where the Custom button was clicked, fully on the screen.
    HWND custom = owner ? GetDlgItem(owner, IDC_CUSTOM_COLOUR) : nullptr;
    RECT anchor, own;
    if (custom && GetWindowRect(custom, &anchor) && GetWindowRect(hwnd, &own)) {
        RECT placed = {anchor.left, anchor.top, anchor.left + own.right - own.left, anchor.top + own.bottom - own.top};
        KeepRectInWorkArea(placed);
        SetWindowPos(hwnd, nullptr, placed.left, placed.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    return true;
}

RECT CdlgColourPickCustom::PreviewRect() const {
    RECT frame, own;
    GetWindowRect(GetDlgItem(hwnd, IDC_COLOUR_PREVIEW), &frame);
    GetWindowRect(hwnd, &own);
    OffsetRect(&frame, -own.left, -own.top);
    return frame;
}

void CdlgColourPickCustom::OnPaint(HDC dc) {
    RECT preview = PreviewRect();
    Brush fill(CreateSolidBrush(colour));
    Selection brush(dc, fill.Get());
    Selection pen(dc, GetStockObject(BLACK_PEN));
    Rectangle(dc, preview.left, preview.top, preview.right, preview.bottom);
}

void CdlgColourPickCustom::OnSliderMoved(HWND slider) {
    int id = GetDlgCtrlID(slider);
    for (const Channel& c : kChannels) {
        if (c.slider != id) continue;
        auto level = static_cast<COLORREF>(SendMessageW(slider, TBM_GETPOS, 0, 0) & 0xFF);
        SetDlgItemInt(hwnd, c.value, level, FALSE);
        COLORREF changed = (colour & ~(0xFFu << c.shift)) | level << c.shift;
        if (changed == colour) return;
        colour = changed;
        RECT preview = PreviewRect();
        InvalidateRect(hwnd, &preview, FALSE);
        UpdateWindow(hwnd);
        return;
    }
}

INT_PTR CdlgColourPickCustom::OnMessage(UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_HSCROLL || !lParam) return 0;
    OnSliderMoved(reinterpret_cast<HWND>(lParam));
    return TRUE;
}
