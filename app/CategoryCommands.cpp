#include "app/CategoryCommands.h"

#include "app/MainWindow.h"
#include "dialogs/CDlgCatEdit.h"
#include "dialogs/CdlgCategorySelect.h"
#include "dialogs/framework/Messages.h"
#include "model/Category.h"
#include "model/Database.h"
#include "model/Record.h"
#include "model/base/StringTable.h"
#include "platform/Wide.h"
#include "views/CRecList.h"

namespace {

bool HasRecords(const CRecords& records, const CCategory& category) {
    for (CRecord* record : Nodes<CRecord>(records)) {
        if (record->categoryId == category.id) return true;
    }
    return false;
}

bool DeleteCategory(HWND owner, CDatabase& database, CCategory& category) {
    if (HasRecords(database.records, category)) {
        ShowMessage(owner, IDS_DELETE_CATEGORY, IDS_CATEGORY_HAS_RECORDS, kErrorBox);
        return false;
    }
    if (ShowMessage(owner, IDS_DELETE_CATEGORY, IDS_CONFIRM_DELETE_CATEGORY, kQuestionBox, W(category.name)) != IDYES)
        return false;
    if (database.categories.DeleteCategory(database.records, database.file, &category)) return true;
    ShowWriteFailure(owner, database);
    return false;
}

// Runs what the chooser asked for; true when a category was saved or deleted.
bool RunCategoryAction(MainWindowState& window, CategoryAction action, CCategory* selected) {
    switch (action) {
        case CategoryAction::Edit:
        case CategoryAction::New: {
            // Edit with nothing selected makes a new category as well.
            CDlgCatEdit edit(window.Database(), window.Icons(), window,
                             action == CategoryAction::Edit ? selected : nullptr);
            return edit.Run(window.hwnd) == IDOK;
        }
        case CategoryAction::Delete: return selected && DeleteCategory(window.hwnd, window.Database(), *selected);
        case CategoryAction::None: break;
    }
    return false;
}

}  // namespace

void EditCategories(MainWindowState& window) {
    CDatabase& database = window.Database();
    bool wasLocked = window.IsLocked();
    bool changed = false;
    for (;;) {
        CdlgCategorySelect chooser(database.categories, window.List().filterCategoryId);
        if (chooser.Run(window.hwnd) != IDOK) break;
        if (RunCategoryAction(window, chooser.action, chooser.selectedCategory)) changed = true;
    }
    if (changed) {
        database.categories.SaveDirtyCategories(database.file);
        window.FillCategoryFilter();
        window.List().SetFilter(-1);
    } else if (wasLocked && !window.IsLocked()) {
        // A protection switch unlocked the data on the way, though nothing was saved.
        window.List().Refresh();
    }
}
