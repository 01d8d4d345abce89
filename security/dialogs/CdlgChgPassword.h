// "New Password" or "Change Password": checks the old password and the new
// one with its confirmation, then adds, changes or removes the master
// password in the database it was given.
#pragma once

#include "dialogs/framework/CqrDialog.h"
#include "security/PasswordRules.h"

#include <string>

class CDatabase;

class CdlgChgPassword : public CqrDialog {
public:
    explicit CdlgChgPassword(CDatabase& database);
    ~CdlgChgPassword() override;

    // What OK did; None when nothing changed.
    PasswordAction action = PasswordAction::None;

protected:
    bool OnInitDialog() override;
    bool Apply() override;

private:
    // The typed passwords are acceptable; sets action and newPassword.
    bool Accept();

    CDatabase& database;
    bool isChange = false;
    std::wstring newPassword;  // wiped at the end
};
