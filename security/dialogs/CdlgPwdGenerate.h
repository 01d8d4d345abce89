// "Generate Password": the user picks a length and the groups of characters,
// looks at a password and generates another until satisfied; OK hands back
// the password shown.
#pragma once

#include "dialogs/framework/CqrDialog.h"
#include "model/base/CString.h"

class CdlgPwdGenerate : public CqrDialog {
public:
    CdlgPwdGenerate();

    CString generatedPassword;  // the password shown (CString wipes its buffers)

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code) override;

private:
    void Generate();
    void Show();
};
