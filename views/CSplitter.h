// The bar (7 pixels at 96 DPI) between the record list and the record view pane. A drag
// shows an inverted bar; the main window's layout applies where it ended.
#pragma once

#include "dialogs/framework/CWindow.h"
#include "dialogs/framework/Gdi.h"
#include "dialogs/framework/Layout.h"

#include <windows.h>

class ViewHost;

class CSplitter : public CWindow {
public:
    CSplitter(HINSTANCE resources, ViewHost& host);

    // Creates the splitter (control id 1005), hidden; the main window places it.
    void Create(HWND parentWindow);
    // Its width and its margins from the client's edges follow the DPI.
    void SetDpi(int dpi);

    int width = kSplitterWidth;    // pixels at the window's DPI
    int margin = kSplitterMargin;  // closest it comes to either client edge

    HWND parent = nullptr;
    int dragOffset = 0;  // read by the main window's layout
    int lastMouseX = 0;
    bool isDragging = false;
    bool hasMoved = false;
    Brush patternBrush;
    HINSTANCE resources;
    ViewHost& host;

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void DrawDragBar(int offset);
    void OnButtonDown(LPARAM position);
    void OnMouseMove(LPARAM position);
    void OnCaptureChanged();
    void Paint(HDC dc, const RECT& client);
};
