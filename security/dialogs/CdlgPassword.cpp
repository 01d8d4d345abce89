#include "security/dialogs/CdlgPassword.h"

#include "dialogs/framework/Messages.h"
#include "model/base/StringTable.h"
#include "platform/Wide.h"
#include "res/resource.h"
#include "security/Cipher.h"
#include "security/PasswordRules.h"
#include "security/dialogs/SecretText.h"
#include "storage/Settings.h"

CdlgPassword::CdlgPassword(int prompt) : CqrDialog(IDD_PASSWORD, L"Passwords.html"), promptId(prompt) {}

CdlgPassword::~CdlgPassword() { WipeText(password); }

bool CdlgPassword::OnInitDialog() {
    SendDlgItemMessageW(hwnd, IDC_PASSWORD, EM_LIMITTEXT, kPasswordEditLimit, 0);
    if (theSettings->Active().cleartextPasswordEntry) ShowPasswordText(hwnd, IDC_PASSWORD);
    if (promptId == 0) {
        ShowWindow(GetDlgItem(hwnd, IDC_PASSWORD_PROMPT), SW_HIDE);
    } else {
        SetDlgItemTextW(hwnd, IDC_PASSWORD_PROMPT, CResString(static_cast<UINT>(promptId)).Text());
    }
    return true;
}

bool CdlgPassword::OnCommand(int id, int code) {
    if (id == IDCANCEL && code == BN_CLICKED) WipeEdit(hwnd, IDC_PASSWORD);
    return false;  // the base ends the dialog
}

bool CdlgPassword::Apply() {
    WipeText(password);
    password = ReadSecret(hwnd, IDC_PASSWORD, kMaxPasswordLength);
    WipeEdit(hwnd, IDC_PASSWORD);
    return true;
}

bool AskForPassword(HWND owner, int promptId, bool exitOnFailure) {
    if (!theSettings->locked || !HasPassword()) return true;
    CdlgPassword dialog(promptId);
    int failures = 0;
    for (;;) {
        if (dialog.Run(owner) != IDOK) {
            if (exitOnFailure) ShowMessage(owner, IDS_PASSWORD_INCORRECT, IDS_INVALID_PASSWORD_EXIT, kErrorBox);
            return false;
        }
        if (VerifyPassword(U(dialog.password.c_str()))) {
            theSettings->locked = 0;
            return true;
        }
        ++failures;
        if (theSettings->Active().maxPasswordAttempts > failures) {
            if (ShowMessage(owner, IDS_PASSWORD_INCORRECT, IDS_TRY_AGAIN, kQuestionBox) != IDYES) return false;
        } else {
            ShowMessage(owner, IDS_PASSWORD_INCORRECT, exitOnFailure ? IDS_TOO_MANY_RETRIES_EXIT : IDS_TOO_MANY_RETRIES,
                        kErrorBox);
            return false;
        }
    }
}
