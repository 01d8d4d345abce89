// The record view pane: the right half of the main window. It shows the
// selected record as seven labelled read-only boxes; web addresses in the
// fields can be clickable hyperlinks.
#pragma once

#include "dialogs/framework/CWindow.h"
#include "dialogs/framework/Gdi.h"

#include <windows.h>

class CDatabase;
class CRecord;
class ViewHost;

class CRecView : public CWindow {
public:
    CRecView(const CDatabase& database, HINSTANCE resources, ViewHost& host);

    // Creates the pane (control id 1006) as a child of the main window.
    void Create(HWND parentWindow);
    // Shows a record (or nothing for null), laid out for the pane's size;
    // called again with the same record after it changed or the lock did.
    void Show(const CRecord* record);

    HWND parent = nullptr;

    // Its fonts and layout follow the DPI.
    void SetDpi(int dpi);

    int dpi = 96;
    Font normalFont;  // the default GUI font at the pane's DPI
    Font boldFont;
    Font linkFont;
    int lineHeight = 18;
    int rowGap = 10;
    int marginUnit = 10;
    HWND labels[7] = {};
    HWND values[7] = {};
    bool linkPressed = false;
    bool isLink[7] = {};  // each box shows a hyperlink (its font and property set)

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    static LRESULT CALLBACK LinkProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR view);
    void OnCreate();
    void Layout();
    // The pane, its frames and every box with its own frame and scroll bar.
    void RepaintBoxes();
    HDWP PlaceIfMoved(HDWP moves, HWND child, RECT place) const;
    void Paint(HDC dc);
    int RowOf(HWND box) const;

    const CDatabase& database;
    HINSTANCE resources;
    ViewHost& host;
    const CRecord* shown = nullptr;
    // The copy menu of a value box, and its Ctrl+C.
    void ShowValueMenu(HWND box, LPARAM screenPoint);
    void CopyValue(HWND box);
};

// A text that starts with "http://" or "https://", ignoring case.
bool IsWebAddress(const wchar_t* text);
