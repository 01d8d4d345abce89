// "Generate Password": the user picks a length and the groups of characters,
// looks at a password and generates another until satisfied; OK hands back
// the password shown.
#pragma once

#include "dialogs/framework/CqrDialog.h"
#include "model/base/CString.h"

class CdlgPwdGenerate : public CqrDialog {
public:
    CdlgPwdGenerate();
    INT_PTR OnInitDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    int OnCommand(HWND window, int id) override;

    CString generatedPassword;  // the password shown (CString wipes its buffers)

private:
    void Generate(HWND window);
    void Show(HWND window);
};
