#include "security/dialogs/CdlgPwdWarn.h"

#include "dialogs/framework/Drawing.h"
#include "res/resource.h"
#include "storage/Settings.h"

CdlgPwdWarn::CdlgPwdWarn(CSettings& preferences)
    : CqrDialog(IDD_NO_PASSWORD, L"Passwords.html"), settings(preferences) {}

bool CdlgPwdWarn::OnInitDialog() {
    warningIcon = LoadIconW(nullptr, IDI_WARNING);
    CheckDlgButton(hwnd, IDC_SHOW_WARNING, BST_CHECKED);
    return true;
}

bool CdlgPwdWarn::Apply() {
    if (IsDlgButtonChecked(hwnd, IDC_SHOW_WARNING) != BST_CHECKED) {
        settings.Active().showNoPasswordWarning = 0;
        settings.SaveSettings();
    }
    return true;
}

void CdlgPwdWarn::OnPaint(HDC dc) { DrawIconAtControl(hwnd, dc, IDC_WARNING_ICON, warningIcon); }

void ShowNoPasswordWarning(HWND owner, CSettings& settings) {
    if (settings.Active().showNoPasswordWarning != 1) return;
    CdlgPwdWarn warning(settings);
    warning.Run(owner);
}
