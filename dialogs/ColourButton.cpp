#include "dialogs/ColourButton.h"

#include "dialogs/framework/Display.h"
#include "dialogs/framework/Gdi.h"

#include <algorithm>

void ColourButton::Attach(HWND dialogWindow, int id, COLORREF start) {
    dialog = dialogWindow;
    controlId = id;
    colour = start;
    button = GetDlgItem(dialog, id);
    if (!button) return;
    int dpi = DpiOf(dialog);
    edgeWidth = SystemMetricForDpi(SM_CXEDGE, dpi);
    edgeHeight = SystemMetricForDpi(SM_CYEDGE, dpi);
    int arrow = std::max(
        {SystemMetricForDpi(SM_CXHTHUMB, dpi), SystemMetricForDpi(SM_CYVTHUMB, dpi), 5 * edgeWidth, 5 * edgeHeight});
    RECT r;
    GetWindowRect(button, &r);
    int width = std::max<int>(r.right - r.left, 2 * (arrow + edgeWidth));
    int height = arrow + 2 * edgeHeight;
    SetWindowPos(button, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    InvalidateRect(button, nullptr, TRUE);
    arrowRect = {width - edgeWidth - arrow, edgeHeight, width - edgeWidth, height - edgeHeight};
}

void ColourButton::Draw(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    bool disabled = (item.itemState & ODS_DISABLED) != 0;
    UINT arrowState = DFCS_SCROLLDOWN;
    if (item.itemState & ODS_SELECTED) arrowState |= DFCS_PUSHED;
    if (disabled) arrowState |= DFCS_INACTIVE;
    RECT arrow = arrowRect;
    DrawFrameControl(dc, &arrow, DFC_SCROLL, arrowState);

    RECT swatch = item.rcItem;
    DrawEdge(dc, &swatch, EDGE_SUNKEN, BF_RECT);
    InflateRect(&swatch, -2 * edgeWidth, -2 * edgeHeight);
    swatch.right -= arrowRect.right - arrowRect.left;
    if (disabled) {
        FillRect(dc, &swatch, GetSysColorBrush(COLOR_BTNFACE));
    } else {
        Brush fill(CreateSolidBrush(colour));
        FillRect(dc, &swatch, fill.Get());
    }
    if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &swatch);
}

bool ColourButton::Pick() {
    if (!button) return false;
    RECT r;
    GetWindowRect(button, &r);
    palette = std::make_unique<ColourPickPalette>(colour, r.left, r.bottom);
    bool chosen = palette->Run(dialog) == IDOK;
    if (chosen) colour = palette->SelectedColour();
    // Dialog objects must go in the reverse order of their making, so that the
    // help topic returns to the dialog's own: the palette goes with its run.
    palette.reset();
    if (chosen) InvalidateRect(button, nullptr, TRUE);
    return chosen;
}
