// "New Record" / "Edit Record": the record's category (chosen only for a new
// record), six field values labelled by the category, a note, and a button
// that inserts a generated password into the edit that had the focus. OK
// stores the record (enciphered when its category is protected).
#pragma once

#include "dialogs/framework/CqrDialog.h"

#include <cstdint>

class CDatabase;
class CCategory;
class CRecord;
class Session;

class CDlgRecEdit : public CqrDialog {
public:
    // record null: a new record, preselected in defaultCategoryId (which
    // may match no category).
    CDlgRecEdit(CDatabase& database, Session& session, int defaultCategoryId, CRecord* record);

    // After IDOK the record stored: the new one for a new record, or null
    // when there was no category to make one in.
    CRecord* record;

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    bool Apply() override;

private:
    void FillCategoryCombo(bool enable);
    void UpdateFieldLabels();
    void OnValueFocus(HWND edit, bool gained);
    void InsertGeneratedPassword();
    // Copy and Cut in a value edit go through the program's safe clipboard.
    static LRESULT CALLBACK ValueEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                          DWORD_PTR owner);
    void CopySelection(HWND edit, bool cut);
    bool SaveEdited();
    bool SaveNew();
    CCategory* SelectedCategory() const;

    CDatabase& database;
    Session& session;
    int defaultCategoryId;
    HWND generateTarget = nullptr;
    uint32_t generateSelStart = 0;
    uint32_t generateSelEnd = 0;
};
