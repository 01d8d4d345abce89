#include "dialogs/framework/CWindow.h"

#include <commctrl.h>

CWindow::~CWindow() {
    // A window that outlives its object must not reach it any more.
    if (hwnd) SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
}

bool CWindow::RegisterWindowClass(WNDCLASSEXW description) {
    description.cbSize = sizeof description;
    description.lpfnWndProc = &CWindow::StaticWindowProc;
    return RegisterClassExW(&description) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CWindow::CreateWindowAs(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x, int y,
                             int width, int height, HWND parentWindow, HMENU menuOrId, HINSTANCE instance) {
    return CreateWindowExW(exStyle, className, title, style, x, y, width, height, parentWindow, menuOrId, instance,
                           this);
}

LRESULT CWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK CWindow::StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<CWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        if (self) self->hwnd = window;
    }
    auto* self = reinterpret_cast<CWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = self->HandleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->hwnd = nullptr;
    }
    return result;
}

bool SubclassControl(HWND control, SUBCLASSPROC procedure, UINT_PTR id, void* owner) {
    return control && SetWindowSubclass(control, procedure, id, reinterpret_cast<DWORD_PTR>(owner));
}
