// The two notices of start-up, before the main window exists: the first-run
// notice, shown modeless while the new database is made, and the notice for
// a database of an earlier version.
#pragma once

#include "dialogs/framework/CqrDialog.h"

class CdlgFirstRunNotice : public CqrDialog {
public:
    CdlgFirstRunNotice();
    INT_PTR OnInitDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    int OnCommand(HWND window, int id) override;
    // Pumps messages until the user has pressed OK.
    void WaitForOk();

    bool showing = false;
};

class CdlgEarlierVersion : public CqrDialog {
public:
    explicit CdlgEarlierVersion(const wchar_t* databasePath);
    INT_PTR OnInitDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    const wchar_t* path;
};
