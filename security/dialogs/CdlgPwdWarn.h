// "No Password": the warning shown at start-up while no master password is
// set, with a box that turns it off for good.
#pragma once

#include "dialogs/framework/CqrDialog.h"

class CSettings;

class CdlgPwdWarn : public CqrDialog {
public:
    explicit CdlgPwdWarn(CSettings& settings);

protected:
    bool OnInitDialog() override;
    bool Apply() override;
    void OnPaint(HDC dc) override;

private:
    CSettings& settings;
    HICON warningIcon = nullptr;  // the system's; not owned
};

// Shows the warning while the preference asks for it.
void ShowNoPasswordWarning(HWND owner, CSettings& settings);
