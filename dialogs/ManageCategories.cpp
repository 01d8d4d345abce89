#include "dialogs/ManageCategories.h"

#include "app/Application.h"
#include "dialogs/CDlgCatEdit.h"
#include "dialogs/CdlgCategorySelect.h"
#include "dialogs/framework/Messages.h"
#include "model/Category.h"
#include "model/Record.h"
#include "model/base/StringTable.h"
#include "platform/Wide.h"

namespace {

bool HasRecords(const CRecords& records, const CCategory& category) {
    for (CRecord* record : Nodes<CRecord>(records)) {
        if (record->categoryId == category.id) return true;
    }
    return false;
}

bool Delete(HWND parent, CCategories& categories, CRecords& records, CCategory& category) {
    if (HasRecords(records, category)) {
        ShowMessage(parent, IDS_DELETE_CATEGORY, IDS_CATEGORY_HAS_RECORDS, kErrorBox);
        return false;
    }
    if (ShowMessage(parent, IDS_DELETE_CATEGORY, IDS_CONFIRM_DELETE_CATEGORY, kQuestionBox, W(category.name)) != IDYES)
        return false;
    if (categories.DeleteCategory(records, theApp.database.file, &category)) return true;
    ShowWriteFailure(parent, theApp.dataFolder->databasePath, theApp.database.file.IoError());
    return false;
}

}  // namespace

bool ManageCategories(HWND parent, CCategories& categories, CRecords& records, int filterCategoryId) {
    CdlgCategorySelect chooser(&categories, filterCategoryId);
    bool changed = false;
    while (chooser.Run(parent) == IDOK) {
        CCategory* selected = chooser.selectedCategory;
        switch (chooser.action) {
            case EditAction:
            case NewAction: {
                // Edit with nothing selected makes a new category as well.
                CDlgCatEdit edit(&categories, &records, chooser.action == EditAction ? selected : nullptr);
                if (edit.Run(parent) == IDOK && edit.saved) changed = true;
                break;
            }
            case DeleteAction:
                if (selected && Delete(parent, categories, records, *selected)) changed = true;
                break;
            case NoAction: break;
        }
        chooser.Reinitialise(&categories, filterCategoryId);
    }
    return changed;
}
