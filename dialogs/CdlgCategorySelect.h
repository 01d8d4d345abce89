// "Category": the chooser of the Categories command, a combo box of every
// category and the buttons Edit, Delete, New and Close.
#pragma once

#include "dialogs/framework/CqrDialog.h"

class CCategories;
class CCategory;

enum CategorySelectAction {
    NoAction = 0,
    EditAction = 1,
    NewAction = 2,
    DeleteAction = 3
};

class CdlgCategorySelect : public CqrDialog {
public:
    CdlgCategorySelect(CCategories* categoryList, int initialId);
    // Ready for the next run: no selection read and no action yet.
    void Reinitialise(CCategories* categoryList, int initialId);

    INT_PTR OnInitDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    int OnCommand(HWND window, int id) override;

    CCategory* selectedCategory = nullptr;
    CCategories* categories;
    CategorySelectAction action = NoAction;
    int initialCategoryId;
};
