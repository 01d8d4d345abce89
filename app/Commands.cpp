// The command table, and the handlers of the commands that are a few lines
// each; the record, category and exchange commands have files of their own.
#include "app/Commands.h"

#include "app/CategoryCommands.h"
#include "app/ExchangeCommands.h"
#include "app/Help.h"
#include "app/MainWindow.h"
#include "app/RecordCommands.h"
#include "dialogs/CDlgConfig.h"
#include "dialogs/CdlgAbout.h"
#include "dialogs/framework/CqrDialog.h"
#include "model/Database.h"
#include "model/base/StringTable.h"
#include "res/resource.h"
#include "security/Cipher.h"
#include "security/dialogs/CdlgChgPassword.h"
#include "views/CRecList.h"

namespace {

void LockOrUnlock(MainWindowState& window) {
    if (window.IsLocked()) {
        window.Unlock(window.hwnd, 0);
    } else {
        window.LockData();
    }
    window.List().Refresh();
}

void AddOrChangePassword(MainWindowState& window) {
    CdlgChgPassword dialog(window.Database());
    if (dialog.Run(window.hwnd) == IDOK && dialog.action != PasswordAction::None) window.List().SetFilter(-1);
    // The dialog's check of the old password installs its key, and a new
    // password installs its own; while the data reads locked, neither stays.
    if (window.IsLocked()) WipeKey();
}

void EditPreferences(MainWindowState& window) {
    CDlgConfig dialog(window.Database());
    if (dialog.Run(window.hwnd) != IDOK) return;
    window.RebuildList();
    // The new lockout minutes count from now.
    window.RestartLockTimer();
}

void ShowAbout(MainWindowState& window) { CdlgAbout().Run(window.hwnd); }

void HelpContents(MainWindowState& window) { window.ShowHelp(CurrentHelpTopic); }

void Exit(MainWindowState& window) { PostMessageW(window.hwnd, WM_CLOSE, 0, 0); }

void Find(MainWindowState& window) { window.searchBox.Focus(); }

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
    {IDM_FIND, Find, IDS_HELP_FIND, 0, 0, 0, -1, CommandNeeds::Nothing},
    {IDM_CATEGORIES, EditCategories, IDS_HELP_CATEGORIES, 0, 0, 0, -1, CommandNeeds::Nothing},
    {IDM_PREFERENCES, EditPreferences, IDS_HELP_PREFERENCES, 0, 0, 0, -1, CommandNeeds::Nothing},
    {IDM_HELP_CONTENTS, HelpContents, IDS_HELP_CONTENTS, 0, 0, 0, -1, CommandNeeds::Nothing},
    {IDM_ABOUT, ShowAbout, IDS_HELP_ABOUT, 0, 0, 0, -1, CommandNeeds::Nothing},
};

}  // namespace

std::span<const CommandRow> CommandTable() { return kCommands; }

const CommandRow* FindCommand(int id) {
    for (const CommandRow& row : kCommands) {
        if (row.id == id) return &row;
    }
    return nullptr;
}

int MenuHelpText(int id, bool locked) {
    const CommandRow* row = FindCommand(id);
    if (!row) return 0;
    return locked && row->menuHelpLocked ? row->menuHelpLocked : row->menuHelp;
}

int ToolTipText(int id, bool locked) {
    const CommandRow* row = FindCommand(id);
    if (!row) return 0;
    return locked && row->toolTipLocked ? row->toolTipLocked : row->toolTip;
}
