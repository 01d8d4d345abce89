// Greets the user of a new database and offers the introduction in the help:
// OK (IDOK) opens it, No or Escape (IDCANCEL) does not.
#pragma once

#include "dialogs/framework/CqrDialog.h"

class CdlgGetStarted : public CqrDialog {
public:
    CdlgGetStarted();

protected:
    bool OnInitDialog() override;
    void OnPaint(HDC dc) override;

private:
    HICON questionIcon = nullptr;  // the system's; never destroyed
};
