#include "views/CSplitter.h"

#include "app/Application.h"
#include "dialogs/Gdi.h"
#include "res/resource.h"
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

CSplitter::~CSplitter() {
    if (patternBrush) DeleteObject(patternBrush);
}

bool CSplitter::Register(HINSTANCE instance) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &CSplitter::WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_SIZEWE);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kClassName;
    // A second main window in the same process finds the class in place.
    if (!RegisterClassW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    registered = true;

    // A 50 % checkerboard; each row of a one-bit bitmap is a 16-bit word.
    static const WORD rows[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
    Bitmap pattern(CreateBitmap(8, 8, 1, 1, rows));
    if (pattern && !patternBrush) patternBrush = CreatePatternBrush(pattern.Get());
    return true;
}

void CSplitter::Create(HWND parentWindow) {
    if (!registered) return;
    parent = parentWindow;
    hwnd = CreateWindowExW(0, kClassName, L"", WS_CHILD, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_SPLITTER)), theApp.instance, this);
}

LRESULT CALLBACK CSplitter::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<CSplitter*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        if (self) self->hwnd = window;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    auto* self = reinterpret_cast<CSplitter*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
        case WM_MOVE:
        case WM_SIZE:
            // The layout has placed the splitter where the drag ended.
            self->dragOffset = 0;
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            RECT client;
            GetClientRect(window, &client);
            if (dc) self->Paint(dc, client);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_LBUTTONDOWN:
            self->OnButtonDown(lParam);
            return 0;
        case WM_MOUSEMOVE:
            self->OnMouseMove(lParam);
            return 0;
        case WM_LBUTTONUP:
            // The rest happens when the capture ends.
            ReleaseCapture();
            return 0;
        case WM_CAPTURECHANGED:
            self->OnCaptureChanged();
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            self->hwnd = nullptr;
            break;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
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
    Selection select(dc, patternBrush);
    PatBlt(dc, bar.left + offset, bar.top, kSplitterWidth, bar.bottom - bar.top, PATINVERT);
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
    newOffset = LimitDragOffset(newOffset, bar.x, parentLeft.x, parentRight.x);

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
        SendMessageW(parent, WM_SIZE, 0, 0);
        // The layout has used the offset; when it left the splitter where it
        // was (no move message), the offset must not count a second time.
        dragOffset = 0;
    }
    hasMoved = false;
}
