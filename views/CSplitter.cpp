#include "views/CSplitter.h"

#include "dialogs/framework/Display.h"
#include "dialogs/framework/Gdi.h"
#include "res/resource.h"
#include "views/ViewHost.h"
#include "views/ViewLogic.h"

#include <windowsx.h>

namespace {

constexpr wchar_t kClassName[] = L"SplitterWndClass";

void DrawLine(HDC dc, int x, int top, int bottom, int colourIndex) {
    Pen pen(CreatePen(PS_SOLID, 1, GetSysColor(colourIndex)));
    Selection select(dc, pen.Get());
    MoveToEx(dc, x, top, nullptr);
    LineTo(dc, x, bottom);
}

// The screen x of a mouse message's position, which is in client coordinates.
int ScreenX(HWND window, LPARAM position) {
    POINT point = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    ClientToScreen(window, &point);
    return point.x;
}

}  // namespace

CSplitter::CSplitter(HINSTANCE resourceModule, ViewHost& viewHost) : resources(resourceModule), host(viewHost) {}

void CSplitter::Create(HWND parentWindow) {
    WNDCLASSEXW windowClass{};
    windowClass.hInstance = resources;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_SIZEWE);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kClassName;
    if (!RegisterWindowClass(windowClass)) return;

    // A 50 % checkerboard; each row of a one-bit bitmap is a 16-bit word.
    static const WORD rows[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
    Bitmap pattern(CreateBitmap(8, 8, 1, 1, rows));
    if (pattern) patternBrush.Reset(CreatePatternBrush(pattern.Get()));
    parent = parentWindow;
    CreateWindowAs(0, kClassName, L"", WS_CHILD, 0, 0, 0, 0, parent,
                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_SPLITTER)), resources);
}

void CSplitter::SetDpi(int dpi) {
    width = ScaleForDpi(kSplitterWidth, dpi);
    margin = ScaleForDpi(kSplitterMargin, dpi);
}

LRESULT CSplitter::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_MOVE:
        case WM_SIZE:
            // The layout has placed the splitter where the drag ended.
            dragOffset = 0;
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(hwnd, &paint);
            RECT client;
            GetClientRect(hwnd, &client);
            if (dc) Paint(dc, client);
            EndPaint(hwnd, &paint);
            return 0;
        }
        case WM_LBUTTONDOWN: OnButtonDown(lParam); return 0;
        case WM_MOUSEMOVE: OnMouseMove(lParam); return 0;
        case WM_LBUTTONUP:
            // The rest happens when the capture ends.
            ReleaseCapture();
            return 0;
        case WM_CAPTURECHANGED: OnCaptureChanged(); return 0;
        default: break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void CSplitter::Paint(HDC dc, const RECT& client) {
    DrawLine(dc, client.left + 1, client.top, client.bottom, COLOR_3DHILIGHT);
    DrawLine(dc, client.right - 2, client.top, client.bottom, COLOR_BTNSHADOW);
    DrawLine(dc, client.right - 1, client.top, client.bottom, COLOR_BTNTEXT);
}

void CSplitter::DrawDragBar(int offset) {
    // The bar must show over the list and the pane, the splitter's siblings.
    // A splitter DC with DCX_PARENTCLIP still leaves them out where the parent
    // clips its siblings (as a top-level window does), so the bar is drawn
    // through the parent's DC without clipping its children. Inverting twice
    // at one place removes it.
    HDC dc = GetDCEx(parent, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
    if (!dc) return;
    WindowDC release(parent, dc);
    RECT bar;
    GetClientRect(hwnd, &bar);
    MapWindowPoints(hwnd, parent, reinterpret_cast<POINT*>(&bar), 2);
    Selection select(dc, patternBrush.Get());
    PatBlt(dc, bar.left + offset, bar.top, width, bar.bottom - bar.top, PATINVERT);
}

void CSplitter::OnButtonDown(LPARAM position) {
    SetCapture(hwnd);
    lastMouseX = ScreenX(hwnd, position);
    dragOffset = 0;
    DrawDragBar(0);
    isDragging = true;
}

void CSplitter::OnMouseMove(LPARAM position) {
    int x = ScreenX(hwnd, position);
    if (x == lastMouseX || !isDragging) return;
    int newOffset = dragOffset + (x - lastMouseX);

    POINT bar = {newOffset, 0};
    ClientToScreen(hwnd, &bar);
    RECT parentClient;
    GetClientRect(parent, &parentClient);
    POINT parentLeft = {parentClient.left, 0};
    POINT parentRight = {parentClient.right, 0};
    ClientToScreen(parent, &parentLeft);
    ClientToScreen(parent, &parentRight);
    newOffset = LimitDragOffset(newOffset, bar.x, parentLeft.x, parentRight.x, width, margin);

    lastMouseX = x;
    if (newOffset != dragOffset) {
        DrawDragBar(dragOffset);
        dragOffset = newOffset;
        DrawDragBar(newOffset);
        hasMoved = true;
    }
}

void CSplitter::OnCaptureChanged() {
    // Only a drag holds the capture; anything else has no bar to remove.
    if (!isDragging) return;
    DrawDragBar(dragOffset);
    isDragging = false;
    if (hasMoved) {
        host.OnSplitterMoved();
        // The layout has used the offset; when it left the splitter where it
        // was (no move message), the offset must not count a second time.
        dragOffset = 0;
    }
    hasMoved = false;
}
