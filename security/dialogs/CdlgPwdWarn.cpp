#include "app/Application.h"
#include "dialogs/framework/Drawing.h"
#include "res/resource.h"
#include "security/dialogs/PasswordDialogs.h"
#include "storage/Settings.h"

CdlgPwdWarn::CdlgPwdWarn() : CqrDialog(IDD_NO_PASSWORD, L"Passwords.html") {}

INT_PTR CdlgPwdWarn::OnInitDialog(HWND window, UINT, WPARAM, LPARAM) {
    warningIcon = LoadIconW(nullptr, IDI_WARNING);
    CheckDlgButton(window, IDC_SHOW_WARNING, BST_CHECKED);
    return 1;
}

int CdlgPwdWarn::OnCommand(HWND window, int id) {
    if (id == IDOK && IsDlgButtonChecked(window, IDC_SHOW_WARNING) != BST_CHECKED) {
        theSettings->Active().showNoPasswordWarning = 0;
        theSettings->SaveSettings();
    }
    return 0;
}

void CdlgPwdWarn::OnPaint(HWND window, HDC dc) { DrawIconAtControl(window, dc, IDC_WARNING_ICON, warningIcon); }

bool ShowNoPasswordWarning(HWND parent) {
    if (theSettings->Active().showNoPasswordWarning == 1) {
        CdlgPwdWarn warning;
        warning.Run(parent);
    }
    return true;
}
