// "Category": the chooser of the Categories command, a combo box of every
// category and the buttons Edit, Delete, New and Close. It only asks: after
// IDOK, action and selectedCategory say what the user chose.
#pragma once

#include "dialogs/framework/CqrDialog.h"

class CCategories;
class CCategory;

enum class CategoryAction {
    None,
    Edit,
    New,
    Delete
};

class CdlgCategorySelect : public CqrDialog {
public:
    CdlgCategorySelect(const CCategories& categories, int initialId);

    CCategory* selectedCategory = nullptr;
    CategoryAction action = CategoryAction::None;

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code) override;

private:
    const CCategories& categories;
    int initialCategoryId;
};
