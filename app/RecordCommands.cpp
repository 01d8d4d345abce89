#include "app/RecordCommands.h"

#include "app/MainWindow.h"
#include "dialogs/CDlgRecEdit.h"
#include "dialogs/framework/Messages.h"
#include "model/Database.h"
#include "model/base/StringTable.h"
#include "platform/Wide.h"
#include "security/Cipher.h"
#include "views/CRecList.h"

void NewRecord(MainWindowState& window) {
    CRecList& list = window.List();
    CDlgRecEdit dialog(window.Database(), window, list.filterCategoryId, nullptr);
    if (dialog.Run(window.hwnd) != IDOK || !dialog.record) return;
    // A list that shows another category moves to the new record's; else
    // the record takes its place among the rows shown, without a rebuild.
    if (list.filterCategoryId != -1 && list.filterCategoryId != dialog.record->categoryId) {
        window.ShowCategory(dialog.record->categoryId);
        list.SelectRecord(dialog.record);
    } else {
        list.ShowNewRecord(dialog.record);
    }
}

void EditRecord(MainWindowState& window) {
    CRecList& list = window.List();
    CRecord* record = list.RecordAt(list.SelectedRow());
    if (!record) return;
    bool unlocked = false;
    CCategory* category = window.Database().categories.FindById(record->categoryId);
    if (category && category->isProtected && HasPassword() && window.IsLocked()) {
        if (!window.Unlock(window.hwnd, IDS_UNLOCK_TO_EDIT)) return;
        unlocked = true;
    }
    CDlgRecEdit dialog(window.Database(), window, list.filterCategoryId, record);
    // After an unlock the whole list is drawn again without the masks.
    if (dialog.Run(window.hwnd) == IDOK || unlocked) window.RebuildList();
}

void DeleteRecord(MainWindowState& window) {
    CRecList& list = window.List();
    int row = list.SelectedRow();
    CRecord* record = list.RecordAt(row);
    if (!record) return;
    if (window.IsLocked() && record->isEnciphered) {
        ShowMessage(list.hwndList, IDS_DELETE_RECORD, IDS_CANNOT_DELETE_ENCRYPTED, kErrorBox);
        return;
    }
    CString first;
    record->GetField(0, first);
    if (ShowMessage(list.hwndList, IDS_DELETE_RECORD, IDS_CONFIRM_DELETE_RECORD, kQuestionBox, W(first.c_str())) !=
        IDYES)
        return;
    // The lock may have come while the question was open: it rebuilt the
    // list, and an enciphered record is not deleted while locked.
    if (window.IsLocked() && record->isEnciphered) {
        ShowMessage(list.hwndList, IDS_DELETE_RECORD, IDS_CANNOT_DELETE_ENCRYPTED, kErrorBox);
        return;
    }
    row = list.RowOf(record);
    if (row < 0) return;
    // The row and the pane let go of the record before it goes, so nothing
    // can draw or select a record that no longer exists.
    list.RemoveRow(row);
    window.OnSelectionChanged(nullptr);
    CDatabase& database = window.Database();
    if (!database.records.DeleteRecord(database.file, record)) ShowWriteFailure(list.hwndList, database);
    window.RebuildList();
}
