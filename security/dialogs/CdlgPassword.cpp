#include "security/dialogs/CdlgPassword.h"

#include "dialogs/framework/Messages.h"
#include "model/base/StringTable.h"
#include "platform/Wide.h"
#include "res/resource.h"
#include "security/Cipher.h"
#include "security/PasswordRules.h"
#include "security/dialogs/SecretText.h"
#include "storage/Settings.h"

CdlgPassword::CdlgPassword(int prompt) : CqrDialog(IDD_PASSWORD, L"Passwords.html"), promptId(prompt) {
    hiddenFromCapture = true;
    secretControls = {IDC_PASSWORD};
}

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

bool CdlgPassword::Apply() {
    WipeText(password);
    password = ReadSecret(hwnd, IDC_PASSWORD, kMaxPasswordLength);
    return true;
}

namespace {

// The prompt, again after a wrong password while attempts are left; true
// once the right one was typed (its key is then in use).
bool PromptUntilRight(HWND owner, int promptId, bool exitOnFailure) {
    CdlgPassword dialog(promptId);
    int failures = 0;
    for (;;) {
        if (dialog.Run(owner) != IDOK) {
            if (exitOnFailure) ShowMessage(owner, IDS_PASSWORD_INCORRECT, IDS_INVALID_PASSWORD_EXIT, kErrorBox);
            return false;
        }
        if (VerifyPassword(U(dialog.password.c_str()))) return true;
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

}  // namespace

bool AskForPassword(HWND owner, int promptId, bool exitOnFailure) {
    if (!theSettings->locked || !HasPassword()) return true;
    if (!PromptUntilRight(owner, promptId, exitOnFailure)) return false;
    theSettings->locked = 0;
    return true;
}

bool ConfirmPassword(HWND owner, int promptId) { return !HasPassword() || PromptUntilRight(owner, promptId, false); }
