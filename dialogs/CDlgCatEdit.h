// "Edit Category" / "New Category": a category's name, its six field labels,
// whether its records are protected, and its icon.
#pragma once

#include "dialogs/framework/CqrDialog.h"

class CCategories;
class CCategory;
class CIcon;
class CRecords;

// The icon name stored when no icon can be chosen.
inline constexpr wchar_t DefaultIconName[] = L"icon_aaa";

class CDlgCatEdit : public CqrDialog {
public:
    // A null category makes a new one.
    CDlgCatEdit(CCategories* categoryList, CRecords* recordList, CCategory* edited);

    INT_PTR OnInitDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    int OnCommand(HWND window, int id) override;
    int OnDrawItem(int id, DRAWITEMSTRUCT* item) override;
    int OnMeasureItem(int id, MEASUREITEMSTRUCT* item) override;

    CCategories* categories;
    CCategory* category;  // set to the new category on OK
    CRecords* records;
    bool saved = false;
    CIcon* selectedIcon = nullptr;

private:
    void FillIcons();
    bool SaveCategory();
    bool NameIsUsable(const wchar_t* name);
};
