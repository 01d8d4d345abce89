// "New Record" / "Edit Record": the record's category (chosen only for a new
// record), six field values labelled by the category, a note, and a button
// that inserts a generated password into the edit that had the focus. OK
// stores the record (enciphered when its category is protected).
#pragma once

#include "dialogs/framework/CqrDialog.h"

#include <cstdint>

class CxFile;
class CCategories;
class CCategory;
class CRecords;
class CRecord;

class CDlgRecEdit : public CqrDialog {
public:
    // record null: a new record, preselected in defaultCategoryId (which
    // may match no category).
    CDlgRecEdit(CxFile& file, CCategories& categories, CRecords& records, int defaultCategoryId, CRecord* record);

    INT_PTR OnInitDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    int OnCommand(HWND window, int id) override;
    int OnSelChange(HWND window, HWND control, int id) override;
    int OnFocusChange(HWND window, int gained, HWND control, int id) override;

    CxFile& file;
    CCategories* categories;
    CCategory* currentCategory = nullptr;
    CRecords* records;
    CRecord* record;  // after a saved new record: that record
    int defaultCategoryId;
    bool saved = false;
    HWND generateTarget = nullptr;
    uint32_t generateSelStart = 0;
    uint32_t generateSelEnd = 0;

private:
    void FillCategoryCombo(bool enable);
    void UpdateFieldLabels();
    void InsertGeneratedPassword();
    // False keeps the dialog open.
    bool SaveRecord();
    CCategory* SelectedCategory() const;
    // The inactivity lock has ended the dialog while a question was open.
    bool EndedByLock() const { return RecordEditDialogHandle != hwnd; }
};
