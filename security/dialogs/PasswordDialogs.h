// The master password at the user's side: the prompt that unlocks the data,
// the dialog that adds, changes or removes the password, and the warning
// shown while no password is set.
#pragma once

#include "dialogs/framework/CqrDialog.h"
#include "security/PasswordRules.h"

#include <string>

// Asks for the master password while the data is locked, until it is right,
// the user gives up or the attempts run out. True when the data is (now)
// unlocked or there is nothing to unlock. promptId 0 shows no prompt text.
bool AskForPassword(HWND parent, int promptId, bool exitOnFailure);

// Shows the "No Password" warning while the preference asks for it.
bool ShowNoPasswordWarning(HWND parent);

// "Enter Password".
class CdlgPassword : public CqrDialog {
public:
    explicit CdlgPassword(int promptId);
    ~CdlgPassword() override;
    INT_PTR OnInitDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    int OnCommand(HWND window, int id) override;

    std::wstring password;  // wiped when replaced and at the end
    int promptId;
};

// "New Password" or "Change Password": validates and returns the decision;
// the caller applies it.
class CdlgChgPassword : public CqrDialog {
public:
    CdlgChgPassword();
    ~CdlgChgPassword() override;
    INT_PTR OnInitDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    int OnCommand(HWND window, int id) override;

    bool isChange = false;
    PasswordAction action = PasswordAction::None;
    std::wstring newPassword;  // wiped at the end

private:
    bool Accept();
};

// "No Password".
class CdlgPwdWarn : public CqrDialog {
public:
    CdlgPwdWarn();
    INT_PTR OnInitDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    int OnCommand(HWND window, int id) override;
    void OnPaint(HWND window, HDC dc) override;

    HICON warningIcon = nullptr;  // the system's; not owned
};

// Password edits take 32 characters; only the first 31 count (kMaxPasswordLength).
inline constexpr int kPasswordEditLimit = 32;
