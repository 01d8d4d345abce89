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

constexpr int kPasswordEdits[] = {IDC_OLD_PASSWORD, IDC_NEW_PASSWORD, IDC_CONFIRM_PASSWORD};

POINT TopLeftInDialog(HWND dialog, int id) {
    RECT r;
    GetWindowRect(GetDlgItem(dialog, id), &r);
    POINT p = {r.left, r.top};
    ScreenToClient(dialog, &p);
    return p;
}

void MoveUp(HWND dialog, int id, int distance) {
    POINT p = TopLeftInDialog(dialog, id);
    SetWindowPos(GetDlgItem(dialog, id), nullptr, p.x, p.y - distance, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW);
}

}  // namespace

CdlgChgPassword::CdlgChgPassword() : CqrDialog(IDD_CHANGE_PASSWORD, L"Passwords.html") {}

CdlgChgPassword::~CdlgChgPassword() { WipeText(newPassword); }

INT_PTR CdlgChgPassword::OnInitDialog(HWND window, UINT, WPARAM, LPARAM) {
    for (int id : kPasswordEdits) {
        SendDlgItemMessageW(window, id, EM_LIMITTEXT, kPasswordEditLimit, 0);
        if (theSettings->Active().cleartextPasswordEntry) ShowPasswordText(window, id);
    }
    isChange = HasPassword();
    SetWindowTextW(window, CResString(isChange ? IDS_CHANGE_PASSWORD : IDS_NEW_PASSWORD).Text());
    if (!isChange) {
        // No old password to ask for: the other rows move up into its place.
        int distance =
            TopLeftInDialog(window, IDC_NEW_PASSWORD_LABEL).y - TopLeftInDialog(window, IDC_OLD_PASSWORD_LABEL).y;
        for (int id : {IDC_NEW_PASSWORD_LABEL, IDC_NEW_PASSWORD, IDC_CONFIRM_PASSWORD_LABEL, IDC_CONFIRM_PASSWORD}) {
            MoveUp(window, id, distance);
        }
        ShowWindow(GetDlgItem(window, IDC_OLD_PASSWORD_LABEL), SW_HIDE);
        ShowWindow(GetDlgItem(window, IDC_OLD_PASSWORD), SW_HIDE);
        SetFocus(GetDlgItem(window, IDC_NEW_PASSWORD));
        return 0;  // the focus is set
    }
    return 1;
}

int CdlgChgPassword::OnCommand(HWND window, int id) {
    if (id == IDCANCEL) {
        for (int edit : kPasswordEdits) WipeEdit(window, edit);
        return 0;
    }
    if (id != IDOK) return 0;
    if (!Accept()) return 1;  // stays open with the typed texts
    for (int edit : kPasswordEdits) WipeEdit(window, edit);
    return 0;
}

bool CdlgChgPassword::Accept() {
    std::wstring oldPassword = isChange ? ReadSecret(hwnd, IDC_OLD_PASSWORD, kMaxPasswordLength) : std::wstring();
    bool oldRight = oldPassword.empty() ? !HasPassword() : HasPassword() && VerifyPassword(U(oldPassword.c_str()));
    WipeText(oldPassword);
    if (!oldRight) {
        ShowMessage(hwnd, IDS_PASSWORD_INCORRECT, IDS_OLD_PASSWORD_WRONG, kErrorBox);
        return false;
    }
    std::wstring typed = ReadSecret(hwnd, IDC_NEW_PASSWORD, kMaxPasswordLength);
    std::wstring confirmed = ReadSecret(hwnd, IDC_CONFIRM_PASSWORD, kMaxPasswordLength);
    NewPasswordCheck check = CheckNewPassword(U(typed.c_str()), U(confirmed.c_str()));
    WipeText(confirmed);
    bool accepted = true;
    if (check == NewPasswordCheck::Mismatch) {
        ShowMessage(hwnd, IDS_PASSWORD_INCORRECT, IDS_NEW_PASSWORDS_DIFFER, kErrorBox);
        accepted = false;
    } else if (check == NewPasswordCheck::TooShort) {
        ShowMessage(hwnd, IDS_PASSWORD_INCORRECT, IDS_PASSWORD_TOO_SHORT, kErrorBox, kMinPasswordLength);
        accepted = false;
    } else if (check == NewPasswordCheck::ShorterThanRecommended) {
        // Yes means the user wants to type another one.
        accepted = ShowMessage(hwnd, IDS_PASSWORD, IDS_SHORT_PASSWORD_WARNING, kQuestionBox,
                               static_cast<int>(typed.size()), kRecommendedPasswordLength) != IDYES;
    }
    if (!accepted) {
        WipeText(typed);
        return false;
    }
    action = ActionFor(isChange, typed.empty());
    WipeText(newPassword);
    newPassword = std::move(typed);
    return true;
}
