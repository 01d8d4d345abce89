// Every menu item and toolbar button ends here, one small handler each.
#include "app/ActivityLock.h"
#include "app/Application.h"
#include "app/Help.h"
#include "app/MainWindow.h"
#include "app/Wide.h"
#include "dialogs/CdlgAbout.h"
#include "dialogs/CqrDialog.h"
#include "dialogs/Messages.h"
#include "model/DataFolder.h"
#include "model/Protection.h"
#include "security/Cipher.h"
#include "security/PasswordDialogs.h"
#include "res/resource.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"
#include "views/CRecList.h"

#include <commctrl.h>

namespace {

CRecList& List() { return *mainWindow.recordList; }

// Rebuilding the list with redrawing off shows the user one repaint.
class RedrawOff {
public:
    RedrawOff() : list(mainWindow.recordList ? mainWindow.recordList->hwndList : nullptr) {
        if (list) SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    }
    RedrawOff(const RedrawOff&) = delete;
    RedrawOff& operator=(const RedrawOff&) = delete;
    ~RedrawOff() {
        if (!list) return;
        SendMessageW(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, nullptr, TRUE);
    }

private:
    HWND list;
};

void LockOrUnlock(HWND hwnd) {
    if (theSettings->locked) {
        AskForPassword(hwnd, 0, false);
        if (!theSettings->locked) RestartLockTimer(hwnd);
    } else {
        LockData();
    }
    List().Refresh();
}

void AddOrChangePassword(HWND hwnd) {
    CdlgChgPassword dialog;
    if (!dialog.Run(hwnd)) return;
    auto* newPassword = U(dialog.newPassword.c_str());
    bool saved = true;
    switch (dialog.action) {
        case PasswordAction::Add:
            saved = OnPasswordAdded(List().records, *theApp.recordFile, newPassword, List().categories);
            break;
        case PasswordAction::Remove:
            saved = OnPasswordRemoved(List().records, *theApp.recordFile, List().categories);
            break;
        case PasswordAction::Change:
            saved = OnPasswordChanged(List().records, *theApp.recordFile, newPassword, List().categories);
            break;
        case PasswordAction::None:
            return;
    }
    if (!saved) ShowWriteFailure(hwnd, theApp.dataFolder->databasePath, theApp.recordFile->IoError());
    List().SetFilter(-1);
}

// Keeps the filter box on the list's category after a new record moved it there.
void SelectFilterOfList() {
    HWND filter = mainWindow.hwndToolbar ? GetDlgItem(mainWindow.hwndToolbar, IDC_FILTER) : nullptr;
    if (!filter) return;
    auto count = SendMessageW(filter, CB_GETCOUNT, 0, 0);
    for (WPARAM i = 0; i < static_cast<WPARAM>(count > 0 ? count : 0); ++i) {
        if (SendMessageW(filter, CB_GETITEMDATA, i, 0) == List().filterCategoryId) {
            SendMessageW(filter, CB_SETCURSEL, i, 0);
            return;
        }
    }
}

void NewRecord() {
    RedrawOff redraw;
    if (List().NewRecord()) {
        SelectFilterOfList();
        List().Refresh();
    }
}

void EditRecord() {
    RedrawOff redraw;
    if (List().EditRecord(-1)) List().Refresh();
}

void DeleteRecord() {
    RedrawOff redraw;
    if (List().DeleteSelected()) List().Refresh();
}

void ShowAbout(HWND hwnd) {
    CdlgAbout about;
    about.Run(hwnd);
}

}  // namespace

void LockData() {
    if (theSettings) theSettings->locked = 1;
}

void RunCommand(HWND hwnd, int command) {
    switch (command) {
        case IDM_LOCK:
            LockOrUnlock(hwnd);
            break;
        case IDM_PASSWORD:
            AddOrChangePassword(hwnd);
            break;
        case IDM_EXIT:
            PostMessageW(hwnd, WM_CLOSE, 0, 0);
            break;
        case IDM_NEW_RECORD:
            NewRecord();
            break;
        case IDM_EDIT_RECORD:
            EditRecord();
            break;
        case IDM_DELETE_RECORD:
            DeleteRecord();
            break;
        case IDM_HELP_CONTENTS:
            ShowHelp(CurrentHelpTopic);
            break;
        case IDM_ABOUT:
            ShowAbout(hwnd);
            break;
        case IDM_SYNCHRONIZE:  // there is no handheld to synchronise with
        default:
            break;
    }
}
