// The toolbar's search box, after the category filter box: what is typed
// narrows the record list about 150 ms after the last key. Esc clears it and
// goes to the list; Enter and Down go to the list with the first match
// selected. Its text is never stored anywhere.
#pragma once

#include "dialogs/framework/Gdi.h"

#include <windows.h>

#include <string>

class MainWindowState;

class SearchBox {
public:
    explicit SearchBox(MainWindowState& window);

    // Creates the edit (control id 1007) in the toolbar at a place in it.
    void Create(HWND toolbar, HINSTANCE resources, RECT place);
    // Its font for a DPI, and its place in the toolbar laid out for it.
    void SetDpi(int dpi, RECT place);
    // Ctrl+F: the focus into the box, its text selected.
    void Focus();
    // The text changed (typed, pasted, set): the list follows after a pause.
    void OnChange();
    // The text as typed (wiped buffers); empty when there is no box.
    std::u16string Text() const;

    HWND hwnd = nullptr;

private:
    static LRESULT CALLBACK Proc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR owner);
    bool OnKey(WPARAM key);
    void Apply(bool focusList);

    MainWindowState& window;
    Font font;
};
