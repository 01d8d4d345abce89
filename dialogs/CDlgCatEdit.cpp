#include "dialogs/CDlgCatEdit.h"

#include "app/Application.h"
#include "dialogs/framework/Drawing.h"
#include "dialogs/framework/Messages.h"
#include "model/Category.h"
#include "model/Protection.h"
#include "model/base/StringTable.h"
#include "model/win32/DataFolder.h"
#include "platform/Wide.h"
#include "res/resource.h"
#include "security/Cipher.h"
#include "security/dialogs/PasswordDialogs.h"
#include "storage/Settings.h"

#include <algorithm>

namespace {

// The name edit and the six label edits, in the order of fieldLabel.
constexpr int kLabelEdits[6] = {IDC_FIELD1, IDC_FIELD2, IDC_FIELD3, IDC_FIELD4, IDC_FIELD5, IDC_FIELD6};
constexpr int kMinItemHeight = 14;

const CIconList* Icons() { return theApp.dataFolder ? &theApp.dataFolder->icons : nullptr; }

// The text of an edit, at most 31 characters, into a category text field.
void ReadText(HWND window, int id, char16_t (&field)[CCategory::kTextUnits]) {
    wchar_t text[CCategory::kTextUnits] = {};
    GetDlgItemTextW(window, id, text, CCategory::kTextUnits);
    std::copy(std::begin(text), std::end(text), field);
}

}  // namespace

CDlgCatEdit::CDlgCatEdit(CCategories* categoryList, CRecords* recordList, CCategory* edited)
    : CqrDialog(IDD_CATEGORY_EDIT, L"Categories.html"),
      categories(categoryList),
      category(edited),
      records(recordList) {}

INT_PTR CDlgCatEdit::OnInitDialog(HWND window, UINT, WPARAM, LPARAM) {
    SetWindowTextW(window, W(LoadText(category ? IDS_EDIT_CATEGORY : IDS_NEW_CATEGORY)));
    SendDlgItemMessageW(window, IDC_CATEGORY_NAME, EM_LIMITTEXT, CCategory::kTextUnits - 1, 0);
    for (int id : kLabelEdits) SendDlgItemMessageW(window, id, EM_LIMITTEXT, CCategory::kTextUnits - 1, 0);
    if (category) {
        SetDlgItemTextW(window, IDC_CATEGORY_NAME, W(category->name));
        for (int i = 0; i < 6; ++i) SetDlgItemTextW(window, kLabelEdits[i], W(category->fieldLabel[i]));
        CheckDlgButton(window, IDC_PROTECT_CATEGORY, category->isProtected ? BST_CHECKED : BST_UNCHECKED);
        selectedIcon = Icons() ? FindIcon(*Icons(), W(category->iconName)) : nullptr;
    } else {
        // New categories are protected unless the user says otherwise.
        CheckDlgButton(window, IDC_PROTECT_CATEGORY, BST_CHECKED);
        selectedIcon = nullptr;
    }
    FillIcons();
    return 1;
}

void CDlgCatEdit::FillIcons() {
    HWND combo = GetDlgItem(hwnd, IDC_CATEGORY_ICON);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    if (!Icons()) return;
    // The items were measured before this object could answer; the icons set the height.
    int height = kMinItemHeight;
    WPARAM selection = 0;
    for (CIcon* icon : Nodes<CIcon>(*Icons())) {
        LRESULT item = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(icon));
        if (item < 0) continue;
        if (selectedIcon && lstrcmpiW(icon->name, selectedIcon->name) == 0) selection = static_cast<WPARAM>(item);
        BITMAP picture;
        if (icon->bitmap && GetObjectW(icon->bitmap, sizeof picture, &picture))
            height = std::max<int>(height, picture.bmHeight + 2);
    }
    SendMessageW(combo, CB_SETITEMHEIGHT, 0, height);
    SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), height);
    SendMessageW(combo, CB_SETCURSEL, selection, 0);
}

int CDlgCatEdit::OnMeasureItem(int id, MEASUREITEMSTRUCT* item) {
    if (id != IDC_CATEGORY_ICON) return 0;
    item->itemHeight = kMinItemHeight;
    return 1;
}

int CDlgCatEdit::OnDrawItem(int id, DRAWITEMSTRUCT* item) {
    if (id != IDC_CATEGORY_ICON) return 0;
    bool selected = (item->itemState & ODS_SELECTED) != 0;
    FillRect(item->hDC, &item->rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    auto* icon = item->itemID == static_cast<UINT>(-1) ? nullptr : reinterpret_cast<CIcon*>(item->itemData);
    if (HBITMAP picture = icon ? GetIconBitmap(icon, false) : nullptr)
        DrawBitmapTransparent(item->hDC, item->rcItem, picture);
    if (item->itemState & ODS_FOCUS) DrawFocusRect(item->hDC, &item->rcItem);
    return 1;
}

int CDlgCatEdit::OnCommand(HWND, int id) {
    if (id != IDOK) return 0;
    // When the category could not be saved the dialog stays open.
    return SaveCategory() ? 0 : 1;
}

bool CDlgCatEdit::NameIsUsable(const wchar_t* name) {
    if (!name[0]) {
        ShowMessage(hwnd, IDS_CATEGORY_ERROR_CAPTION, IDS_CATEGORY_NAME_MISSING, kErrorBox);
        SetFocus(GetDlgItem(hwnd, IDC_CATEGORY_NAME));
        return false;
    }
    CCategory* same = categories->FindByName(U(name));
    if (same && same != category) {
        ShowMessage(hwnd, IDS_CATEGORY_ERROR_CAPTION, IDS_CATEGORY_NAME_TAKEN, kErrorBox);
        SetFocus(GetDlgItem(hwnd, IDC_CATEGORY_NAME));
        return false;
    }
    return true;
}

namespace {

// A category's name, labels and icon as they were before an edit.
struct CategoryTexts {
    void Keep(const CCategory& c) {
        std::copy(std::begin(c.name), std::end(c.name), std::begin(name));
        std::copy(std::begin(c.iconName), std::end(c.iconName), std::begin(iconName));
        for (int i = 0; i < 6; ++i)
            std::copy(std::begin(c.fieldLabel[i]), std::end(c.fieldLabel[i]), std::begin(labels[i]));
    }
    void Restore(CCategory& c) const {
        std::copy(std::begin(name), std::end(name), std::begin(c.name));
        std::copy(std::begin(iconName), std::end(iconName), std::begin(c.iconName));
        for (int i = 0; i < 6; ++i) std::copy(std::begin(labels[i]), std::end(labels[i]), std::begin(c.fieldLabel[i]));
    }
    char16_t name[CCategory::kTextUnits] = {};
    char16_t iconName[CCategory::kTextUnits] = {};
    char16_t labels[6][CCategory::kTextUnits] = {};
};

}  // namespace

bool CDlgCatEdit::SaveCategory() {
    bool protect = IsDlgButtonChecked(hwnd, IDC_PROTECT_CATEGORY) == BST_CHECKED;
    bool switching = category && protect != category->isProtected;
    if (switching && HasPassword() && theSettings->locked) {
        int prompt = protect ? IDS_UNLOCK_TO_PROTECT : IDS_UNLOCK_TO_UNPROTECT;
        if (!AskForPassword(hwnd, prompt, false)) return false;
    }
    wchar_t name[CCategory::kTextUnits] = {};
    GetDlgItemTextW(hwnd, IDC_CATEGORY_NAME, name, CCategory::kTextUnits);
    if (!NameIsUsable(name)) return false;

    bool isNew = category == nullptr;
    if (isNew) {
        category = categories->CreateWithFreeId();
        if (!category) return true;  // no free id left: nothing is saved
        for (int32_t& width : category->columnWidth) width = -1;
        category->isDirty = true;
    }
    // What the file holds, for when the write fails.
    CategoryTexts before;
    before.Keep(*category);
    ReadText(hwnd, IDC_CATEGORY_NAME, category->name);
    for (int i = 0; i < 6; ++i) ReadText(hwnd, kLabelEdits[i], category->fieldLabel[i]);

    HWND combo = GetDlgItem(hwnd, IDC_CATEGORY_ICON);
    LRESULT selection = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (selection >= 0)
        selectedIcon = reinterpret_cast<CIcon*>(SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(selection), 0));
    const wchar_t* iconName = selectedIcon ? selectedIcon->name : DefaultIconName;
    std::fill(std::begin(category->iconName), std::end(category->iconName), u'\0');
    for (int i = 0; i < CCategory::kTextUnits - 1 && iconName[i]; ++i)
        category->iconName[i] = static_cast<char16_t>(iconName[i]);

    if (isNew) {
        category->isProtected = protect;
        if (!category->Save(theApp.database.file, true)) {
            delete category;
            category = nullptr;
            ShowWriteFailure(hwnd, theApp.dataFolder->databasePath, theApp.database.file.IoError());
            return false;  // the dialog stays, with the user's texts
        }
        if (!categories->InsertSorted(category, false)) {
            delete category;
            category = nullptr;
        }
    } else if (!SwitchCategoryProtection(*records, theApp.database.file, *categories, *category, protect)) {
        // The records, the flag and the file are as they were; so are the texts.
        before.Restore(*category);
        ShowWriteFailure(hwnd, theApp.dataFolder->databasePath, theApp.database.file.IoError());
        return false;
    }
    saved = true;
    return true;
}
