// The colour palette: a borderless popup under a colour button with a 4 x 4
// grid of cells (15 fixed colours and the custom colour), a "Custom" button
// linked to the last cell, OK and Cancel. Clicking a cell, or an arrow key
// while a button has the focus, only selects it.
#pragma once

#include "dialogs/framework/CqrDialog.h"

#include <windows.h>

// The fixed colours in cell order; the settings' default row colours are cells 14 and 2.
extern const COLORREF PaletteColours[15];

class ColourPickPalette : public CqrDialog {
public:
    ColourPickPalette(COLORREF current, int anchorLeft, int anchorTop);

    COLORREF SelectedColour() const;
    // The cell whose square (borders included) holds the client point; -1 for none.
    int HitTest(int x, int y) const;

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    void OnPaint(HDC dc) override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    int anchorX;
    int anchorY;
    int customRowTop = 0;
    int edgeWidth = 2;
    int edgeHeight = 2;
    int cellSize = 24;  // at the popup's DPI
    int columns = 4;
    int rows = 4;
    COLORREF customColour = RGB(255, 255, 255);
    int selectedIndex = 0;
    int cellCount = 16;

    static LRESULT CALLBACK ButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR owner);
    // The arrow keys move the selection through the grid.
    bool MoveSelection(UINT key);
    RECT CellSquare(int index) const;
    void PaintCell(HDC dc, int index);
    void LayOutButtons(int& totalHeight);
};
