// The About box: product name and version on a white background.
#pragma once

#include "dialogs/framework/CqrDialog.h"
#include "dialogs/framework/Gdi.h"

class CdlgAbout : public CqrDialog {
public:
    CdlgAbout();
    INT_PTR OnInitDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    INT_PTR OnOtherMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    Brush backgroundBrush;
};
