// The record view pane: the right half of the main window. It shows the
// selected record as seven labelled read-only boxes; web addresses in the
// fields can be clickable hyperlinks.
#pragma once

#include <windows.h>

class CRecView {
public:
    CRecView();
    CRecView(const CRecView&) = delete;
    CRecView& operator=(const CRecView&) = delete;
    ~CRecView();

    bool Register(HINSTANCE instance);
    // Creates the pane (control id 1006) as a child of the main window.
    void Create(HWND parentWindow);

    bool registered = false;
    HWND parent = nullptr;
    HWND hwnd = nullptr;

    HFONT normalFont = nullptr;  // stock; never deleted
    HFONT boldFont = nullptr;
    HFONT linkFont = nullptr;
    int lineHeight = 18;
    int rowGap = 10;
    int marginUnit = 10;
    HWND labels[7] = {};
    HWND values[7] = {};
    bool linkPressed = false;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK LinkProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam);
    void OnCreate(HWND window);
    void OnDestroy();
    void Layout();
    void Paint(HDC dc);
};

// A text that starts with "http://" or "https://", ignoring case.
bool IsWebAddress(const wchar_t* text);
