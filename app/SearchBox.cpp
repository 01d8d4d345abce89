#include "app/SearchBox.h"

#include "app/MainToolbar.h"
#include "app/MainWindow.h"
#include "dialogs/framework/CWindow.h"
#include "dialogs/framework/Display.h"
#include "dialogs/framework/Messages.h"
#include "model/base/StringTable.h"
#include "platform/Platform.h"
#include "platform/Wide.h"
#include "res/resource.h"
#include "views/CRecList.h"

#include <commctrl.h>

#include <string>

namespace {

constexpr UINT_PTR kSearchTimer = 1;
constexpr UINT kSearchDelayMs = 150;   // typing on: the list follows the pause
constexpr int kMaxSearchLength = 256;  // the longest value, a note

}  // namespace

SearchBox::SearchBox(MainWindowState& mainWindow) : window(mainWindow) {}

void SearchBox::Create(HWND toolbar, HINSTANCE resources, RECT place) {
    hwnd = CreateWindowExW(WS_EX_CLIENTEDGE, WC_EDITW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                           place.left, place.top, place.right - place.left, place.bottom - place.top, toolbar,
                           reinterpret_cast<HMENU>(IDC_SEARCH), resources, nullptr);
    if (!hwnd) return;
    SetDpi(DpiOf(hwnd), place);
    SendMessageW(hwnd, EM_LIMITTEXT, kMaxSearchLength, 0);
    CResString cue(IDS_SEARCH_CUE);
    SendMessageW(hwnd, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(cue.Text()));
    NameInToolTips(toolbar, hwnd, IDS_TIP_SEARCH);
    SubclassControl(hwnd, &SearchBox::Proc, 0, this);
}

void SearchBox::SetDpi(int dpi, RECT place) {
    if (!hwnd) return;
    font = MakeGuiFont(dpi);
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
    SetWindowPos(hwnd, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void SearchBox::Focus() {
    if (!hwnd) return;
    SetFocus(hwnd);
    SendMessageW(hwnd, EM_SETSEL, 0, -1);
}

std::u16string SearchBox::Text() const {
    if (!hwnd) return {};
    wchar_t buffer[kMaxSearchLength + 1];
    int length = GetWindowTextW(hwnd, buffer, kMaxSearchLength + 1);
    std::u16string text(U(buffer), length > 0 ? static_cast<size_t>(length) : 0);
    platform::Wipe(buffer, sizeof buffer);
    return text;
}

void SearchBox::Apply(bool focusList) {
    KillTimer(hwnd, kSearchTimer);
    std::u16string text = Text();
    window.Search(text.c_str(), focusList);
    platform::Wipe(text.data(), text.size() * sizeof(char16_t));
}

bool SearchBox::OnKey(WPARAM key) {
    switch (key) {
        case VK_ESCAPE:
            SetWindowTextW(hwnd, L"");
            Apply(false);
            SetFocus(window.List().hwndList);
            return true;
        case VK_RETURN:
        case VK_DOWN:
            // What was typed last counts, even within the pause.
            Apply(true);
            return true;
        default: return false;
    }
}

LRESULT CALLBACK SearchBox::Proc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR owner) {
    auto* self = reinterpret_cast<SearchBox*>(owner);
    switch (message) {
        case WM_NCDESTROY: RemoveWindowSubclass(edit, &SearchBox::Proc, id); break;
        case WM_KEYDOWN:
            if (self->OnKey(wParam)) return 0;
            break;
        case WM_CHAR:
            // Esc and Enter were handled as keys; the edit would only beep.
            if (wParam == VK_ESCAPE || wParam == L'\r') return 0;
            break;
        case WM_TIMER:
            if (wParam != kSearchTimer) break;
            self->Apply(false);
            return 0;
        default: break;
    }
    return DefSubclassProc(edit, message, wParam, lParam);
}

void SearchBox::OnChange() {
    if (hwnd) SetTimer(hwnd, kSearchTimer, kSearchDelayMs, nullptr);
}
