// Every menu item and toolbar button ends here, one small handler each.
#include "app/Commands.h"
#include "app/ActivityLock.h"
#include "app/Application.h"
#include "app/ExchangeCommands.h"
#include "app/Help.h"
#include "app/MainWindow.h"
#include "app/SecretClipboard.h"
#include "dialogs/CDlgConfig.h"
#include "dialogs/CdlgAbout.h"
#include "dialogs/ManageCategories.h"
#include "dialogs/framework/CqrDialog.h"
#include "dialogs/framework/Messages.h"
#include "model/Protection.h"
#include "model/base/StringTable.h"
#include "model/win32/DataFolder.h"
#include "platform/Wide.h"
#include "res/resource.h"
#include "security/Cipher.h"
#include "security/dialogs/PasswordDialogs.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"
#include "views/CRecList.h"

#include <commctrl.h>

namespace {

CRecList& List() { return *mainWindow.recordList; }

bool Locked() { return theSettings && theSettings->locked != 0; }

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

void RunPasswordDialog(HWND hwnd) {
    CdlgChgPassword dialog;
    if (dialog.Run(hwnd) != IDOK) return;
    if (dialog.action == PasswordAction::None) return;
    if (!ApplyPasswordAction(dialog.action, U(dialog.newPassword.c_str()), List().records, List().file,
                             List().categories)) {
        ShowWriteFailure(hwnd, theApp.dataFolder->databasePath, List().file.IoError());
    }
    List().SetFilter(-1);
}

void AddOrChangePassword(HWND hwnd) {
    RunPasswordDialog(hwnd);
    // The dialog's check of the old password installs its key, and a new
    // password installs its own; while the data reads locked, neither stays.
    if (Locked()) WipeKey();
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

void NewRecord(HWND) {
    RedrawOff redraw;
    if (List().NewRecord()) {
        SelectFilterOfList();
        List().Refresh();
    }
}

void EditRecord(HWND) {
    RedrawOff redraw;
    if (List().EditRecord(-1)) List().Refresh();
}

void DeleteRecord(HWND) {
    RedrawOff redraw;
    if (List().DeleteSelected()) List().Refresh();
}

void ImportRecords(HWND hwnd) {
    if (!ImportCommand(hwnd, List().file, List().categories, List().records)) return;
    RedrawOff redraw;
    FillCategoryFilter();
    List().SetFilter(-1);
}

void ExportRecords(HWND hwnd) { ExportCommand(hwnd, List().categories, List().records); }
void EditCategories(HWND hwnd) {
    bool wasLocked = theSettings->locked != 0;
    bool changed = ManageCategories(hwnd, List().categories, List().records, List().filterCategoryId);
    bool unlocked = wasLocked && !theSettings->locked;
    // A protection switch may have unlocked the data on the way, even when
    // nothing was saved in the end: the list must then lose its masks.
    if (unlocked) RestartLockTimer(hwnd);
    if (changed) {
        List().categories.SaveDirtyCategories(theApp.database.file);
        FillCategoryFilter();
        List().SetFilter(-1);
    } else if (unlocked) {
        List().Refresh();
    }
}

void EditPreferences(HWND hwnd) {
    CDlgConfig dialog(&List().categories);
    if (!RunPreferences(dialog, hwnd)) return;
    {
        RedrawOff redraw;
        List().Refresh();
    }
    // The new lockout minutes count from now.
    RestartLockTimer(hwnd);
}

void ShowAbout(HWND hwnd) {
    CdlgAbout about;
    about.Run(hwnd);
}

void HelpContents(HWND) { ShowHelp(CurrentHelpTopic); }

void Exit(HWND hwnd) { PostMessageW(hwnd, WM_CLOSE, 0, 0); }

constexpr CommandRow kCommands[] = {
    {IDM_LOCK, LockOrUnlock, IDS_HELP_LOCK, IDS_HELP_UNLOCK, IDS_TIP_LOCK, IDS_TIP_UNLOCK, TOOLBAR_IMAGE_LOCKED,
     CommandNeeds::Password},
    {IDM_PASSWORD, AddOrChangePassword, IDS_HELP_PASSWORD, 0, 0, 0, -1, CommandNeeds::Nothing},
    {IDM_IMPORT, ImportRecords, IDS_HELP_IMPORT, 0, 0, 0, -1, CommandNeeds::Nothing},
    {IDM_EXPORT, ExportRecords, IDS_HELP_EXPORT, 0, 0, 0, -1, CommandNeeds::Nothing},
    // There is no handheld to synchronise with: the command exists and does nothing.
    {IDM_SYNCHRONIZE, nullptr, IDS_HELP_SYNCHRONIZE, 0, IDS_TIP_SYNCHRONIZE, 0, TOOLBAR_IMAGE_SYNCHRONIZE,
     CommandNeeds::Nothing},
    {IDM_EXIT, Exit, IDS_HELP_EXIT, 0, 0, 0, -1, CommandNeeds::Nothing},
    {IDM_NEW_RECORD, NewRecord, IDS_HELP_NEW_RECORD, 0, IDS_TIP_NEW_RECORD, 0, TOOLBAR_IMAGE_NEW,
     CommandNeeds::Nothing},
    {IDM_EDIT_RECORD, EditRecord, IDS_HELP_EDIT_RECORD, 0, IDS_TIP_EDIT_RECORD, 0, TOOLBAR_IMAGE_EDIT,
     CommandNeeds::Selection},
    {IDM_DELETE_RECORD, DeleteRecord, IDS_HELP_DELETE_RECORD, 0, IDS_TIP_DELETE_RECORD, 0, TOOLBAR_IMAGE_DELETE,
     CommandNeeds::Selection},
    {IDM_CATEGORIES, EditCategories, IDS_HELP_CATEGORIES, 0, 0, 0, -1, CommandNeeds::Nothing},
    {IDM_PREFERENCES, EditPreferences, IDS_HELP_PREFERENCES, 0, 0, 0, -1, CommandNeeds::Nothing},
    {IDM_HELP_CONTENTS, HelpContents, IDS_HELP_CONTENTS, 0, 0, 0, -1, CommandNeeds::Nothing},
    {IDM_ABOUT, ShowAbout, IDS_HELP_ABOUT, 0, 0, 0, -1, CommandNeeds::Nothing},
};

bool Available(const CommandRow& row) {
    switch (row.needs) {
        case CommandNeeds::Selection: return mainWindow.selectedRecord != nullptr;
        case CommandNeeds::Password: return HasPassword();
        case CommandNeeds::Nothing: break;
    }
    return true;
}

}  // namespace

std::span<const CommandRow> CommandTable() { return kCommands; }

const CommandRow* FindCommand(int id) {
    for (const CommandRow& row : kCommands) {
        if (row.id == id) return &row;
    }
    return nullptr;
}

int MenuHelpText(int id) {
    const CommandRow* row = FindCommand(id);
    if (!row) return 0;
    return Locked() && row->menuHelpLocked ? row->menuHelpLocked : row->menuHelp;
}

int ToolTipText(int id) {
    const CommandRow* row = FindCommand(id);
    if (!row) return 0;
    return Locked() && row->toolTipLocked ? row->toolTipLocked : row->toolTip;
}

bool RunCommand(HWND hwnd, int id) {
    const CommandRow* row = FindCommand(id);
    if (!row) return false;
    if (row->run) row->run(hwnd);
    return true;
}

void UpdateCommandStates() {
    HMENU menu = mainWindow.hwnd ? GetMenu(mainWindow.hwnd) : nullptr;
    for (const CommandRow& row : kCommands) {
        bool enable = Available(row);
        if (row.image >= 0 && mainWindow.hwndToolbar)
            SendMessageW(mainWindow.hwndToolbar, TB_ENABLEBUTTON, row.id, MAKELPARAM(enable ? TRUE : FALSE, 0));
        if (menu) EnableMenuItem(menu, row.id, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
    }
}

void LockData() {
    if (theSettings) theSettings->locked = 1;
    WipeKey();
    ClearCopiedSecret();
}
