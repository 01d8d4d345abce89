#include "dialogs/ColourPickPalette.h"

#include "dialogs/CdlgColourPickCustom.h"
#include "dialogs/framework/CWindow.h"
#include "dialogs/framework/Display.h"
#include "dialogs/framework/Gdi.h"
#include "res/resource.h"

#include <commctrl.h>

const COLORREF PaletteColours[15] = {
    RGB(239, 239, 239), RGB(221, 221, 221), RGB(221, 238, 255), RGB(153, 204, 255), RGB(255, 253, 233),
    RGB(255, 249, 196), RGB(255, 234, 234), RGB(255, 180, 180), RGB(224, 249, 235), RGB(196, 242, 216),
    RGB(255, 243, 255), RGB(255, 229, 254), RGB(238, 221, 255), RGB(189, 154, 224), RGB(255, 255, 255),
};

ColourPickPalette::ColourPickPalette(COLORREF current, int anchorLeft, int anchorTop)
    : CqrDialog(IDD_COLOUR_PALETTE, L"Preferences.html"), anchorX(anchorLeft), anchorY(anchorTop) {
    selectedIndex = cellCount - 1;
    for (int i = 0; i < cellCount - 1; ++i) {
        if (PaletteColours[i] == current) {
            selectedIndex = i;
            break;
        }
    }
    if (selectedIndex == cellCount - 1) customColour = current;
}

COLORREF ColourPickPalette::SelectedColour() const {
    return selectedIndex < cellCount - 1 ? PaletteColours[selectedIndex] : customColour;
}

RECT ColourPickPalette::CellSquare(int index) const {
    int left = edgeWidth + cellSize * (index % columns);
    int top = edgeHeight + cellSize * (index / columns);
    return {left, top, left + cellSize, top + cellSize};
}

void ColourPickPalette::LayOutButtons(int& totalHeight) {
    HWND custom = GetDlgItem(hwnd, IDC_CUSTOM_COLOUR);
    HWND ok = GetDlgItem(hwnd, IDOK);
    HWND cancel = GetDlgItem(hwnd, IDCANCEL);
    if (!custom || !ok || !cancel) return;
    int gridWidth = 2 * edgeWidth + columns * cellSize;
    RECT customRect;
    GetWindowRect(custom, &customRect);
    int h = customRect.bottom - customRect.top;
    int inner = gridWidth - 4 * edgeWidth;
    int half = inner / 2;
    MoveWindow(custom, 2 * edgeWidth, customRowTop, inner, h, TRUE);
    MoveWindow(ok, 2 * edgeWidth, customRowTop + h + edgeHeight, half, h, TRUE);
    MoveWindow(cancel, 2 * edgeWidth + half, customRowTop + h + edgeHeight, half, h, TRUE);
    totalHeight = customRowTop + 2 * h + 3 * edgeHeight;
}

bool ColourPickPalette::OnInitDialog() {
    // The cells (24 pixels at 96 DPI) and edges at the popup's DPI.
    int dpi = DpiOf(hwnd);
    cellSize = ScaleForDpi(24, dpi);
    edgeWidth = SystemMetricForDpi(SM_CXEDGE, dpi);
    edgeHeight = SystemMetricForDpi(SM_CYEDGE, dpi);
    int gridWidth = 2 * edgeWidth + columns * cellSize;
    int gridHeight = 2 * edgeHeight + rows * cellSize;
    customRowTop = gridHeight + 2 * edgeHeight;
    int totalHeight = gridHeight;
    LayOutButtons(totalHeight);
    RECT placed = {anchorX, anchorY, anchorX + gridWidth, anchorY + totalHeight};
    KeepRectInWorkArea(placed);
    anchorX = placed.left;
    anchorY = placed.top;
    SetWindowPos(hwnd, nullptr, anchorX, anchorY, gridWidth, totalHeight, SWP_NOZORDER);
    // The grid takes no focus of its own: the buttons pass the arrow keys on to it.
    for (int id : {IDC_CUSTOM_COLOUR, IDOK, IDCANCEL}) {
        if (HWND button = GetDlgItem(hwnd, id)) SubclassControl(button, &ColourPickPalette::ButtonProc, 0, this);
    }
    return true;
}

LRESULT CALLBACK ColourPickPalette::ButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                               DWORD_PTR owner) {
    auto* self = reinterpret_cast<ColourPickPalette*>(owner);
    switch (message) {
        case WM_NCDESTROY: RemoveWindowSubclass(button, &ColourPickPalette::ButtonProc, id); break;
        case WM_GETDLGCODE: return DefSubclassProc(button, message, wParam, lParam) | DLGC_WANTARROWS;
        case WM_KEYDOWN:
            if (self->MoveSelection(static_cast<UINT>(wParam))) return 0;
            break;
        default: break;
    }
    return DefSubclassProc(button, message, wParam, lParam);
}

bool ColourPickPalette::MoveSelection(UINT key) {
    int step = 0;
    switch (key) {
        case VK_LEFT: step = -1; break;
        case VK_RIGHT: step = 1; break;
        case VK_UP: step = -columns; break;
        case VK_DOWN: step = columns; break;
        default: return false;
    }
    int next = selectedIndex + step;
    if (next >= 0 && next < cellCount) {
        selectedIndex = next;
        InvalidateRect(hwnd, nullptr, FALSE);
    }
    return true;
}

bool ColourPickPalette::OnCommand(int id, int code) {
    if (id != IDC_CUSTOM_COLOUR || code != BN_CLICKED) return false;
    CdlgColourPickCustom custom(customColour);
    if (custom.Run(hwnd) == IDOK) {
        customColour = custom.colour;
        selectedIndex = cellCount - 1;
        InvalidateRect(hwnd, nullptr, FALSE);
    }
    return true;
}

void ColourPickPalette::PaintCell(HDC dc, int index) {
    RECT square = CellSquare(index);
    InflateRect(&square, -1, -1);
    bool selected = index == selectedIndex;
    FillRect(dc, &square, GetSysColorBrush(selected ? COLOR_3DHILIGHT : COLOR_BTNFACE));
    if (selected) DrawEdge(dc, &square, BDR_SUNKENOUTER, BF_RECT);

    COLORREF swatch = index < cellCount - 1 ? PaletteColours[index] : customColour;
    if (index == cellCount - 1) {
        // The custom cell is framed on three sides and linked to the Custom button below it.
        Pen line(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNTEXT)));
        Selection pen(dc, line.Get());
        POINT frame[] = {{square.right - 1, square.top + 1},
                         {square.right - 1, square.bottom - 1},
                         {square.left, square.bottom - 1},
                         {square.left, square.top}};
        Polyline(dc, frame, 4);
        int middle = (square.left + square.right) / 2;
        MoveToEx(dc, middle, square.bottom - 1, nullptr);
        LineTo(dc, middle, customRowTop);
    }
    InflateRect(&square, -2, -2);
    Brush fill(CreateSolidBrush(swatch));
    Pen outline(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW)));
    Selection brush(dc, fill.Get());
    Selection pen(dc, outline.Get());
    Rectangle(dc, square.left, square.top, square.right, square.bottom);
}

void ColourPickPalette::OnPaint(HDC dc) {
    for (int i = 0; i < cellCount; ++i) PaintCell(dc, i);
    RECT client;
    GetClientRect(hwnd, &client);
    DrawEdge(dc, &client, EDGE_RAISED, BF_RECT);
}

int ColourPickPalette::HitTest(int x, int y) const {
    POINT point = {x, y};
    for (int i = 0; i < cellCount; ++i) {
        RECT square = CellSquare(i);
        if (PtInRect(&square, point)) return i;
    }
    return -1;
}

INT_PTR ColourPickPalette::OnMessage(UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_LBUTTONDOWN) return 0;
    int cell = HitTest(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
    if (cell >= 0) {
        selectedIndex = cell;
        InvalidateRect(hwnd, nullptr, FALSE);
    }
    return TRUE;
}
