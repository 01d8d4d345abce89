#include "views/CRecView.h"

#include "dialogs/framework/Display.h"
#include "dialogs/framework/Gdi.h"
#include "dialogs/framework/Messages.h"
#include "model/Category.h"
#include "model/Database.h"
#include "model/Record.h"
#include "model/base/CString.h"
#include "model/base/StringTable.h"
#include "platform/Wide.h"
#include "res/resource.h"
#include "storage/Settings.h"
#include "views/CopyMenu.h"
#include "views/ViewHost.h"
#include "views/ViewLogic.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <string>

namespace {

constexpr wchar_t kClassName[] = L"RecViewWndClass";
constexpr wchar_t kLinkProperty[] = L"_HyperLink_";
constexpr wchar_t kHighlightProperty[] = L"_HyperHighLt_";
constexpr UINT_PTR kHighlightTimer = 2;
constexpr UINT kHighlightMilliseconds = 200;
constexpr int kRows = 7;
constexpr int kNoteRow = 6;
constexpr int kMaxLinkText = 255;

bool HasProperty(HWND box, const wchar_t* name) { return GetPropW(box, name) != nullptr; }

void SetProperty(HWND box, const wchar_t* name, bool on) {
    SetPropW(box, name, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(on ? 1 : 0)));
}

// Overwrites a box's text in place before it changes, so that a deciphered
// value does not linger in the edit control's buffer.
void SetBoxText(HWND box, const wchar_t* text) {
    int old = GetWindowTextLengthW(box);
    if (old > 0) SetWindowTextW(box, std::wstring(static_cast<size_t>(old), L' ').c_str());
    SetWindowTextW(box, text);
}

void RepaintNow(HWND box) {
    InvalidateRect(box, nullptr, TRUE);
    UpdateWindow(box);
}

// A box's text, in a string that wipes itself: the value may be protected.
CString BoxText(HWND box) {
    wchar_t text[kMaxLinkText + 1] = {};
    GetWindowTextW(box, text, kMaxLinkText + 1);
    CString copy(U(text));
    SecureZeroMemory(text, sizeof text);
    return copy;
}

// Whether the pointer is over the text of a box: from the first character
// in view to the end of the text, measured in the font the box draws it with
// (the underlined link font), so the hot area is exactly the drawn link.
bool PointerOverText(HWND box) {
    CString text = BoxText(box);
    if (text.Length() == 0) return false;
    int first = -1;
    int firstX = 0;
    for (int i = 0; i < text.Length(); ++i) {
        LRESULT position = SendMessageW(box, EM_POSFROMCHAR, static_cast<WPARAM>(i), 0);
        int x = static_cast<short>(LOWORD(position));
        // Characters scrolled out of view to the left have no place in the box.
        if (position != -1 && x >= 0) {
            first = i;
            firstX = x;
            break;
        }
    }
    if (first < 0) return false;

    RECT hot;
    if (!GetWindowRect(box, &hot)) return false;
    WindowDC dc(box);
    if (!dc.Get()) return false;
    Selection font(dc.Get(), reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc.Get(), W(text.c_str()) + first, text.Length() - first, &size);
    // Text scrolled past the right edge is not drawn, so it is not hot either.
    LONG boxRight = hot.right;
    hot.left += firstX;
    hot.right = std::min<LONG>(hot.left + size.cx, boxRight);

    POINT pointer;
    return GetCursorPos(&pointer) && PtInRect(&hot, pointer);
}

// The pane's colours: white, blue links turning red under the pointer, grey
// frames; with high contrast on, the system's colours.
COLORREF Background() { return HighContrastOn() ? GetSysColor(COLOR_WINDOW) : RGB(255, 255, 255); }
HBRUSH BackgroundBrush() {
    return HighContrastOn() ? GetSysColorBrush(COLOR_WINDOW) : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
}
COLORREF LinkColour(bool highlighted) {
    if (HighContrastOn()) return GetSysColor(highlighted ? COLOR_HIGHLIGHT : COLOR_HOTLIGHT);
    return highlighted ? RGB(255, 0, 0) : RGB(0, 0, 255);
}
COLORREF FrameColour() { return HighContrastOn() ? GetSysColor(COLOR_WINDOWTEXT) : RGB(192, 192, 192); }

}  // namespace

bool IsWebAddress(const wchar_t* text) { return StartsWithWebAddress(U(text)); }

CRecView::CRecView(const CDatabase& open, HINSTANCE resourceModule, ViewHost& viewHost)
    : database(open), resources(resourceModule), host(viewHost) {}

void CRecView::Show(const CRecord* record) {
    shown = record;
    Layout();
}

void CRecView::Create(HWND parentWindow) {
    WNDCLASSEXW windowClass{};
    windowClass.hInstance = resources;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = kClassName;
    if (!RegisterWindowClass(windowClass)) return;
    parent = parentWindow;
    // Clipping the boxes out of the pane's own painting keeps them from flickering.
    CreateWindowAs(WS_EX_CONTROLPARENT, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0, parent,
                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_RECORD_VIEW)), resources);
}

LRESULT CRecView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: OnCreate(); return 0;
        case WM_SIZE: Layout(); return 0;
        case WM_MOVE:
            // A move of the main window's left edge moves the pane within it
            // without a size change; its boxes' frames (the note's scroll
            // bar) were not painted again, and the pane's frames with them.
            RepaintBoxes();
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(hwnd, &paint);
            if (dc) Paint(dc);
            EndPaint(hwnd, &paint);
            return 0;
        }
        case WM_ERASEBKGND: {
            RECT client;
            GetClientRect(hwnd, &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, BackgroundBrush());
            return 1;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT: {
            auto dc = reinterpret_cast<HDC>(wParam);
            auto child = reinterpret_cast<HWND>(lParam);
            bool link = HasProperty(child, kLinkProperty);
            SetTextColor(dc, link ? LinkColour(HasProperty(child, kHighlightProperty)) : GetSysColor(COLOR_WINDOWTEXT));
            SetBkColor(dc, Background());
            return reinterpret_cast<LRESULT>(BackgroundBrush());
        }
        default: break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void CRecView::OnCreate() {
    for (int i = 0; i < kRows; ++i) {
        labels[i] = CreateWindowExW(0, L"Static", L"", WS_CHILD, 0, 0, 0, 0, hwnd, nullptr, resources, nullptr);
        // Each value is a stop of the keyboard: read, scrolled and copied there.
        DWORD style = WS_CHILD | WS_TABSTOP | ES_READONLY |
                      (i == kNoteRow ? ES_MULTILINE | WS_VSCROLL | ES_AUTOVSCROLL : ES_AUTOHSCROLL);
        values[i] = CreateWindowExW(0, L"Edit", L"", style, 0, 0, 0, 0, hwnd, nullptr, resources, nullptr);
        if (!values[i]) continue;
        SubclassControl(values[i], &CRecView::LinkProc, 0, this);
    }
    SetDpi(DpiOf(hwnd));
}

void CRecView::SetDpi(int newDpi) {
    dpi = newDpi;
    normalFont = MakeGuiFont(dpi);
    boldFont = MakeGuiFont(dpi, FW_BOLD);
    linkFont = MakeGuiFont(dpi, FW_NORMAL, true);

    int height = ScaleForDpi(14, dpi);
    rowGap = ScaleForDpi(10, dpi);
    marginUnit = ScaleForDpi(10, dpi);
    HFONT labelFont = boldFont ? boldFont.Get() : normalFont.Get();
    {
        WindowDC dc(hwnd);
        TEXTMETRICW metrics;
        if (dc.Get()) {
            Selection select(dc.Get(), labelFont);
            if (GetTextMetricsW(dc.Get(), &metrics)) {
                height = metrics.tmHeight;
                rowGap = 5 * metrics.tmInternalLeading;
                marginUnit = 3 * metrics.tmAveCharWidth / 2;
            }
        }
    }
    lineHeight = height + ScaleForDpi(4, dpi);
    for (HWND label : labels) {
        if (label) SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(labelFont), FALSE);
    }
    for (int i = 0; i < kRows; ++i) {
        if (values[i]) SendMessageW(values[i], WM_SETFONT, reinterpret_cast<WPARAM>(normalFont.Get()), FALSE);
        if (values[i]) SetProperty(values[i], kLinkProperty, false);
        isLink[i] = false;
    }
    Layout();
}

void CRecView::Layout() {
    const CRecord* record = shown;
    if (!record) {
        for (int i = 0; i < kRows; ++i) {
            if (labels[i]) ShowWindow(labels[i], SW_HIDE);
            if (values[i]) {
                ShowWindow(values[i], SW_HIDE);
                SetBoxText(values[i], L"");
            }
        }
        return;
    }

    RECT client;
    GetClientRect(hwnd, &client);
    int right = client.right - 2 * marginUnit;
    int y = lineHeight + rowGap;
    const CCategory* category = CategoryOf(*record, database.categories);
    bool links = theSettings && theSettings->Active().showUrlsAsHyperlinks;
    CResString fieldWord(IDS_FIELD);
    CResString noteWord(IDS_NOTE);
    CString value;
    // All fourteen boxes move and show at once: one repaint, no flicker.
    HDWP moves = BeginDeferWindowPos(2 * kRows);
    for (int i = 0; i < kRows; ++i) {
        std::wstring label;
        if (i == kNoteRow) {
            label = noteWord.Text();
        } else if (category) {
            label = W(category->fieldLabel[i]);
        } else {
            label = std::wstring(fieldWord.Text()) + L" " + std::to_wstring(i + 1);
        }
        // What is as it was stays untouched: every change of a window costs a
        // round trip to the system, and the next record mostly has the same labels.
        if (W(BoxText(labels[i]).c_str()) != label) SetWindowTextW(labels[i], label.c_str());
        moves = PlaceIfMoved(moves, labels[i], {marginUnit, y, 10 * marginUnit, y + lineHeight});

        record->GetField(i, value);
        const wchar_t* text = W(value.c_str());
        bool link = i != kNoteRow && links && IsWebAddress(text);
        SetBoxText(values[i], text);
        if (link != isLink[i]) {
            SendMessageW(values[i], WM_SETFONT,
                         reinterpret_cast<WPARAM>(link && linkFont ? linkFont.Get() : normalFont.Get()), FALSE);
            SetProperty(values[i], kLinkProperty, link);
            isLink[i] = link;
        }
        int left = 11 * marginUnit + ScaleForDpi(2, dpi);
        int height = i == kNoteRow ? 5 * lineHeight : lineHeight;
        moves = PlaceIfMoved(moves, values[i], {left, y, right, y + height});

        y += lineHeight + rowGap;
    }
    if (moves) EndDeferWindowPos(moves);
    RepaintBoxes();  // a font change alone does not repaint a box
}

// Moves and shows a child within a deferred placement, unless it is shown
// already where it should be.
HDWP CRecView::PlaceIfMoved(HDWP moves, HWND child, RECT place) const {
    if (!moves || !child) return moves;
    RECT now;
    GetWindowRect(child, &now);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&now), 2);
    if (IsWindowVisible(child) && EqualRect(&now, &place)) return moves;
    return DeferWindowPos(moves, child, nullptr, place.left, place.top, place.right - place.left,
                          place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void CRecView::RepaintBoxes() {
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void CRecView::Paint(HDC dc) {
    COLORREF colour = shown ? FrameColour() : Background();
    Pen pen(CreatePen(PS_SOLID, 1, colour));
    Selection selectPen(dc, pen.Get());
    Selection selectBrush(dc, GetStockObject(NULL_BRUSH));
    // The frame stands a little off the box's text on every side.
    int left = ScaleForDpi(3, dpi), top = ScaleForDpi(4, dpi), rest = ScaleForDpi(1, dpi);
    for (HWND box : values) {
        RECT frame;
        if (!box || !GetWindowRect(box, &frame)) continue;
        MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&frame), 2);
        Rectangle(dc, frame.left - left, frame.top - top, frame.right + rest, frame.bottom + rest);
    }
}

int CRecView::RowOf(HWND box) const {
    for (int i = 0; i < kRows; ++i) {
        if (values[i] == box) return i;
    }
    return -1;
}

void CRecView::ShowValueMenu(HWND box, LPARAM screenPoint) {
    const CRecord* record = shown;
    int row = RowOf(box);
    if (!record || row < 0) return;
    POINT at = {GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
    if (at.x == -1 && at.y == -1) {
        // From the keyboard: below the box's left end.
        RECT place;
        GetWindowRect(box, &place);
        at = {place.left, place.bottom};
    }
    ShowCopyMenu(parent, *record, database.categories, at, row, host);
}

void CRecView::CopyValue(HWND box) {
    int row = RowOf(box);
    if (shown && row >= 0) CopyRecordValue(parent, *shown, row, host);
}

LRESULT CALLBACK CRecView::LinkProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR owner) {
    auto* view = reinterpret_cast<CRecView*>(owner);
    bool link = HasProperty(box, kLinkProperty);
    switch (message) {
        case WM_NCDESTROY:
            RemovePropW(box, kLinkProperty);
            RemovePropW(box, kHighlightProperty);
            RemoveWindowSubclass(box, &CRecView::LinkProc, id);
            break;
        case WM_SETCURSOR:
            if (link && PointerOverText(box)) {
                HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
                SetCursor(hand ? hand : LoadCursorW(nullptr, IDC_ARROW));
                return 1;
            }
            break;
        case WM_MOUSEMOVE:
            if (link) {
                bool highlighted = HasProperty(box, kHighlightProperty);
                if (PointerOverText(box)) {
                    if (!highlighted) {
                        SetProperty(box, kHighlightProperty, true);
                        RepaintNow(box);
                    }
                    // Ends the highlight when no further move arrives.
                    SetTimer(box, kHighlightTimer, kHighlightMilliseconds, nullptr);
                } else if (highlighted) {
                    SetProperty(box, kHighlightProperty, false);
                    RepaintNow(box);
                }
            }
            break;
        case WM_TIMER:
            if (wParam != kHighlightTimer) break;
            KillTimer(box, kHighlightTimer);
            if (!PointerOverText(box) && HasProperty(box, kHighlightProperty)) {
                SetProperty(box, kHighlightProperty, false);
                RepaintNow(box);
            }
            return 1;
        case WM_LBUTTONDOWN:
            if (view) view->linkPressed = PointerOverText(box);
            break;
        case WM_CONTEXTMENU:
            // The copy menu instead of the edit control's own.
            if (view) view->ShowValueMenu(box, lParam);
            return 0;
        case WM_COPY:
            // Ctrl+C (and Ctrl+Insert) copy the whole value, the clipboard's way.
            if (view) view->CopyValue(box);
            return 0;
        case WM_LBUTTONUP: {
            bool pressed = view && view->linkPressed;
            if (view) view->linkPressed = false;
            if (link && pressed && PointerOverText(box)) {
                CString address = BoxText(box);
                // The box took the capture at the press and never sees this
                // release, so it would keep the mouse; give it back.
                if (GetCapture() == box) ReleaseCapture();
                ShellExecuteW(GetAncestor(box, GA_ROOT), L"open", W(address.c_str()), nullptr, nullptr, SW_SHOWNORMAL);
                return 1;
            }
            break;
        }
        default: break;
    }
    return DefSubclassProc(box, message, wParam, lParam);
}
