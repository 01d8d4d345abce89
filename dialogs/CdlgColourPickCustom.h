// The custom colour: three sliders for red, green and blue with their values
// and a live preview, opened over the palette's Custom button.
#pragma once

#include "dialogs/framework/CqrDialog.h"

#include <windows.h>

class CdlgColourPickCustom : public CqrDialog {
public:
    explicit CdlgColourPickCustom(COLORREF start);

    COLORREF colour;  // the colour being edited; the result after OK

protected:
    bool OnInitDialog() override;
    void OnPaint(HDC dc) override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    RECT PreviewRect() const;
    void OnSliderMoved(HWND slider);
};
