// "Edit Category" / "New Category": a category's name, its six field labels,
// whether its records are protected, and its icon. OK stores the category;
// switching the protection rewrites its records.
#pragma once

#include "dialogs/framework/CqrDialog.h"

class CDatabase;
class CCategory;
class CIcon;
class CIconList;
class Session;

// The icon name stored when no icon can be chosen.
inline constexpr wchar_t DefaultIconName[] = L"icon_aaa";

class CDlgCatEdit : public CqrDialog {
public:
    // A null category makes a new one; icons may be null (none to choose).
    CDlgCatEdit(CDatabase& database, const CIconList* icons, Session& session, CCategory* edited);

    // After IDOK the category stored (the new one for a new category), or
    // null when no id was left for a new one.
    CCategory* category;

protected:
    bool OnInitDialog() override;
    bool Apply() override;
    bool OnDrawItem(int id, const DRAWITEMSTRUCT& item) override;
    bool OnMeasureItem(int id, MEASUREITEMSTRUCT& item) override;

private:
    void FillIcons();
    bool NameIsUsable(const wchar_t* name);
    bool SaveNew(bool protect);
    void ReadTexts(CCategory& target);

    CDatabase& database;
    const CIconList* icons;
    Session& session;
    CIcon* selectedIcon = nullptr;
};
