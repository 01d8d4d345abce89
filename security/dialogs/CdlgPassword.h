// "Enter Password", and the prompt that asks with it for the master password
// until it is right, the user gives up or the attempts run out.
#pragma once

#include "dialogs/framework/CqrDialog.h"
#include "security/Cipher.h"

#include <string>

// Password edits stop taking characters where a password ends, so that
// nothing typed is dropped without the user seeing it.
inline constexpr int kPasswordEditLimit = kMaxPasswordLength;

class CdlgPassword : public CqrDialog {
public:
    explicit CdlgPassword(int promptId);
    ~CdlgPassword() override;

    std::wstring password;  // after OK; wiped when replaced and at the end

protected:
    bool OnInitDialog() override;
    bool Apply() override;

private:
    int promptId;
};

// Asks for the master password while the data is locked; a right one unlocks
// the data and installs its key. True when the data is (now) unlocked or there
// is nothing to unlock. promptId 0 shows no prompt text. Only the program's
// one unlock (Session::Unlock) calls it, which also restarts the lock timer.
bool AskForPassword(HWND owner, int promptId, bool exitOnFailure);
// Asks for the master password whatever the lock state, with the same
// retries, before something that gives the protected values away (an
// export in clear). True when it was given right, or none is set.
bool ConfirmPassword(HWND owner, int promptId);
