// The 7-pixel bar between the record list and the record view pane. A drag
// shows an inverted bar; the main window's layout applies where it ended.
#pragma once

#include <windows.h>

class CSplitter {
public:
    CSplitter() = default;
    CSplitter(const CSplitter&) = delete;
    CSplitter& operator=(const CSplitter&) = delete;
    ~CSplitter();

    bool Register(HINSTANCE instance);
    // Creates the splitter (control id 1005), hidden; the main window places it.
    void Create(HWND parentWindow);

    bool registered = false;
    HWND hwnd = nullptr;
    HWND parent = nullptr;
    int dragOffset = 0;  // read by the main window's layout
    int lastMouseX = 0;
    bool isDragging = false;
    bool hasMoved = false;
    HBRUSH patternBrush = nullptr;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void DrawDragBar(int offset);
    void OnButtonDown(LPARAM position);
    void OnMouseMove(LPARAM position);
    void OnCaptureChanged();
    void Paint(HDC dc, const RECT& client);
};
