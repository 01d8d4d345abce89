#include "app/Application.h"
#include "dialogs/framework/Messages.h"
#include "model/base/StringTable.h"
#include "platform/Wide.h"
#include "res/resource.h"
#include "security/Cipher.h"
#include "security/dialogs/PasswordDialogs.h"
#include "security/dialogs/SecretText.h"
#include "storage/Settings.h"

namespace {

constexpr wchar_t kPasswordsTopic[] = L"Passwords.html";

}  // namespace

CdlgPassword::CdlgPassword(int prompt) : CqrDialog(IDD_PASSWORD, kPasswordsTopic), promptId(prompt) {}

CdlgPassword::~CdlgPassword() { WipeText(password); }

INT_PTR CdlgPassword::OnInitDialog(HWND window, UINT, WPARAM, LPARAM) {
    SendDlgItemMessageW(window, IDC_PASSWORD, EM_LIMITTEXT, kPasswordEditLimit, 0);
    if (theSettings->Active().cleartextPasswordEntry) ShowPasswordText(window, IDC_PASSWORD);
    if (promptId == 0) {
        ShowWindow(GetDlgItem(window, IDC_PASSWORD_PROMPT), SW_HIDE);
    } else {
        SetDlgItemTextW(window, IDC_PASSWORD_PROMPT, CResString(static_cast<UINT>(promptId)).Text());
    }
    return 1;
}

int CdlgPassword::OnCommand(HWND window, int id) {
    if (id == IDOK) {
        WipeText(password);
        password = ReadSecret(window, IDC_PASSWORD, kMaxPasswordLength);
    }
    if (id == IDOK || id == IDCANCEL) WipeEdit(window, IDC_PASSWORD);
    return 0;  // the framework ends the dialog
}

bool AskForPassword(HWND parent, int promptId, bool exitOnFailure) {
    if (!theSettings->locked || !HasPassword()) return true;
    CdlgPassword dialog(promptId);
    int failures = 0;
    for (;;) {
        if (dialog.Run(parent) != IDOK) {
            if (exitOnFailure) ShowMessage(parent, IDS_PASSWORD_INCORRECT, IDS_INVALID_PASSWORD_EXIT, kErrorBox);
            return false;
        }
        if (VerifyPassword(U(dialog.password.c_str()))) {
            theSettings->locked = 0;
            return true;
        }
        ++failures;
        if (theSettings->Active().maxPasswordAttempts > failures) {
            if (ShowMessage(parent, IDS_PASSWORD_INCORRECT, IDS_TRY_AGAIN, kQuestionBox) != IDYES) return false;
        } else {
            ShowMessage(parent, IDS_PASSWORD_INCORRECT,
                        exitOnFailure ? IDS_TOO_MANY_RETRIES_EXIT : IDS_TOO_MANY_RETRIES, kErrorBox);
            return false;
        }
    }
}
