// The base of every window class of the program. The object travels to the
// window in the creation parameter and is kept in the window's user data; one
// static procedure forwards every message to the object's HandleMessage. The
// pointer is cleared when the window is gone (WM_NCDESTROY), so a late message
// never reaches a destroyed object.
#pragma once

#include <windows.h>

#include <commctrl.h>

class CWindow {
public:
    CWindow(const CWindow&) = delete;
    CWindow& operator=(const CWindow&) = delete;
    virtual ~CWindow();

    HWND hwnd = nullptr;

protected:
    CWindow() = default;

    // Registers a window class whose procedure forwards to the objects; a
    // class that is already registered (a second window) counts as done.
    static bool RegisterWindowClass(WNDCLASSEXW description);
    // Creates the window with this object as its creation parameter.
    HWND CreateWindowAs(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x, int y,
                        int width, int height, HWND parentWindow, HMENU menuOrId, HINSTANCE instance);

    // Every message after WM_NCCREATE; the default procedure unless handled.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

// Subclasses a control with comctl32's subclassing, which chains correctly
// with any other subclass; the callback gets the owner object as reference data.
bool SubclassControl(HWND control, SUBCLASSPROC procedure, UINT_PTR id, void* owner);
