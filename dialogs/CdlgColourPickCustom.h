// The custom colour: three sliders for red, green and blue with their values
// and a live preview, opened over the palette's Custom button.
#pragma once

#include "dialogs/framework/CqrDialog.h"

#include <windows.h>

class CdlgColourPickCustom : public CqrDialog {
public:
    explicit CdlgColourPickCustom(COLORREF start);

    INT_PTR OnInitDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnPaint(HWND window, HDC dc) override;
    INT_PTR OnOtherMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    COLORREF colour;  // the colour being edited; the result after OK

private:
    RECT PreviewRect() const;
    void OnSliderMoved(HWND slider);
};
