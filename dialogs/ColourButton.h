// Turns an owner-drawn push button into a colour swatch with a drop-down
// arrow; pressing it opens the palette under it.
#pragma once

#include "dialogs/ColourPickPalette.h"

#include <windows.h>

#include <memory>

class ColourButton {
public:
    // Resizes the button to hold the swatch and the arrow.
    void Attach(HWND dialogWindow, int id, COLORREF start);
    // The button's owner-draw request.
    void Draw(const DRAWITEMSTRUCT& item);
    // Runs the palette; true when the user chose a colour (then repainted).
    bool Pick();

    HWND dialog = nullptr;
    HWND button = nullptr;
    int controlId = 0;
    COLORREF colour = 0;
    std::unique_ptr<ColourPickPalette> palette;  // the palette while a pick runs
    RECT arrowRect = {};
    int edgeWidth = 0;
    int edgeHeight = 0;
};
