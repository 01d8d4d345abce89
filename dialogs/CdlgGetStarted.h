// Greets the user of a new database and offers the introduction in the help.
#pragma once

#include "dialogs/framework/CqrDialog.h"

class CdlgGetStarted : public CqrDialog {
public:
    CdlgGetStarted();
    INT_PTR OnInitDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnPaint(HWND window, HDC dc) override;

    HICON questionIcon = nullptr;  // the system's; never destroyed
};

// Runs the greeting and opens the introduction unless the user answers No
// (or Escape); true when it opened.
bool GreetNewUser(HWND owner);
