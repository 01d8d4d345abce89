// The About box: product name and version on a white background.
#pragma once

#include "dialogs/framework/CqrDialog.h"
#include "dialogs/framework/Gdi.h"

class CdlgAbout : public CqrDialog {
public:
    CdlgAbout();

protected:
    bool OnInitDialog() override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    Brush backgroundBrush;
    Bitmap picture150or200;  // the larger picture, while the dialog shows it
};
