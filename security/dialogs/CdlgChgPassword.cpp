#include "security/dialogs/CdlgChgPassword.h"

#include "dialogs/framework/Messages.h"
#include "model/Database.h"
#include "model/Protection.h"
#include "model/base/StringTable.h"
#include "platform/Wide.h"
#include "res/resource.h"
#include "security/Cipher.h"
#include "security/dialogs/CdlgPassword.h"
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

// The focus into the edit that holds what is wrong, its text selected.
void FocusEdit(HWND dialog, int id) {
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, id)), TRUE);
}

void MoveUp(HWND dialog, int id, int distance) {
    POINT p = TopLeftInDialog(dialog, id);
    SetWindowPos(GetDlgItem(dialog, id), nullptr, p.x, p.y - distance, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW);
}

}  // namespace

CdlgChgPassword::CdlgChgPassword(CDatabase& open) : CqrDialog(IDD_CHANGE_PASSWORD, L"Passwords.html"), database(open) {
    hiddenFromCapture = true;
    secretControls.assign(std::begin(kPasswordEdits), std::end(kPasswordEdits));
}

CdlgChgPassword::~CdlgChgPassword() { WipeText(newPassword); }

bool CdlgChgPassword::OnInitDialog() {
    for (int id : kPasswordEdits) {
        SendDlgItemMessageW(hwnd, id, EM_LIMITTEXT, kPasswordEditLimit, 0);
        if (theSettings->Active().cleartextPasswordEntry) ShowPasswordText(hwnd, id);
    }
    isChange = HasPassword();
    SetWindowTextW(hwnd, CResString(isChange ? IDS_CHANGE_PASSWORD : IDS_NEW_PASSWORD).Text());
    if (!isChange) {
        // No old password to ask for: the other rows move up into its place.
        int distance =
            TopLeftInDialog(hwnd, IDC_NEW_PASSWORD_LABEL).y - TopLeftInDialog(hwnd, IDC_OLD_PASSWORD_LABEL).y;
        for (int id : {IDC_NEW_PASSWORD_LABEL, IDC_NEW_PASSWORD, IDC_CONFIRM_PASSWORD_LABEL, IDC_CONFIRM_PASSWORD}) {
            MoveUp(hwnd, id, distance);
        }
        ShowWindow(GetDlgItem(hwnd, IDC_OLD_PASSWORD_LABEL), SW_HIDE);
        ShowWindow(GetDlgItem(hwnd, IDC_OLD_PASSWORD), SW_HIDE);
        SetFocus(GetDlgItem(hwnd, IDC_NEW_PASSWORD));
        return false;  // the focus is set
    }
    return true;
}

bool CdlgChgPassword::Apply() {
    if (!Accept()) return false;  // stays open with the typed texts
    if (action != PasswordAction::None &&
        !ApplyPasswordAction(action, U(newPassword.c_str()), database.records, database.file, database.categories)) {
        // Nothing changed, in the file or in memory: the user may try again.
        ShowWriteFailure(hwnd, database);
        action = PasswordAction::None;
        return false;
    }
    return true;
}

bool CdlgChgPassword::Accept() {
    std::wstring oldPassword = isChange ? ReadSecret(hwnd, IDC_OLD_PASSWORD, kMaxPasswordLength) : std::wstring();
    bool oldRight = oldPassword.empty() ? !HasPassword() : HasPassword() && VerifyPassword(U(oldPassword.c_str()));
    WipeText(oldPassword);
    if (!oldRight) {
        ShowMessage(hwnd, IDS_PASSWORD_INCORRECT, IDS_OLD_PASSWORD_WRONG, kErrorBox);
        FocusEdit(hwnd, IDC_OLD_PASSWORD);
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
        FocusEdit(hwnd, check == NewPasswordCheck::Mismatch ? IDC_CONFIRM_PASSWORD : IDC_NEW_PASSWORD);
        return false;
    }
    action = ActionFor(isChange, typed.empty());
    WipeText(newPassword);
    newPassword = std::move(typed);
    return true;
}
