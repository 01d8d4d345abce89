// The two notices of start-up, before the main window exists: the first-run
// notice, shown modeless while the new database is made, and the notice for
// a database of an earlier version.
#pragma once

#include "dialogs/framework/CqrDialog.h"

class CdlgFirstRunNotice : public CqrDialog {
public:
    CdlgFirstRunNotice();
    // Pumps messages until the user has pressed OK.
    void WaitForOk();

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code) override;

private:
    bool showing = false;
};

class CdlgEarlierVersion : public CqrDialog {
public:
    explicit CdlgEarlierVersion(const wchar_t* databasePath);

protected:
    bool OnInitDialog() override;

private:
    const wchar_t* path;
};
