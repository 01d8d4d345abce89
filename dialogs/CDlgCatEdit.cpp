#include "dialogs/CDlgCatEdit.h"

#include "dialogs/framework/Display.h"
#include "dialogs/framework/Drawing.h"
#include "dialogs/framework/Messages.h"
#include "model/Category.h"
#include "model/Database.h"
#include "model/Protection.h"
#include "model/base/StringTable.h"
#include "model/win32/DataFolder.h"
#include "platform/Wide.h"
#include "res/resource.h"
#include "security/Cipher.h"
#include "security/dialogs/Session.h"
#include "storage/Settings.h"

#include <algorithm>
#include <memory>

namespace {

// The name edit and the six label edits, in the order of fieldLabel.
constexpr int kLabelEdits[6] = {IDC_FIELD1, IDC_FIELD2, IDC_FIELD3, IDC_FIELD4, IDC_FIELD5, IDC_FIELD6};
constexpr int kMinItemHeight = 14;

// The text of an edit, at most 31 characters, into a category text field.
void ReadText(HWND window, int id, char16_t (&field)[CCategory::kTextUnits]) {
    wchar_t text[CCategory::kTextUnits] = {};
    GetDlgItemTextW(window, id, text, CCategory::kTextUnits);
    std::copy(std::begin(text), std::end(text), field);
}

}  // namespace

CDlgCatEdit::CDlgCatEdit(CDatabase& open, const CIconList* iconList, Session& running, CCategory* edited)
    : CqrDialog(IDD_CATEGORY_EDIT, L"Categories.html"),
      category(edited),
      database(open),
      icons(iconList),
      session(running) {}

bool CDlgCatEdit::OnInitDialog() {
    SetWindowTextW(hwnd, W(LoadText(category ? IDS_EDIT_CATEGORY : IDS_NEW_CATEGORY)));
    SendDlgItemMessageW(hwnd, IDC_CATEGORY_NAME, EM_LIMITTEXT, CCategory::kTextUnits - 1, 0);
    for (int id : kLabelEdits) SendDlgItemMessageW(hwnd, id, EM_LIMITTEXT, CCategory::kTextUnits - 1, 0);
    if (category) {
        SetDlgItemTextW(hwnd, IDC_CATEGORY_NAME, W(category->name));
        for (int i = 0; i < 6; ++i) SetDlgItemTextW(hwnd, kLabelEdits[i], W(category->fieldLabel[i]));
        CheckDlgButton(hwnd, IDC_PROTECT_CATEGORY, category->isProtected ? BST_CHECKED : BST_UNCHECKED);
        selectedIcon = icons ? FindIcon(*icons, W(category->iconName)) : nullptr;
    } else {
        // New categories are protected unless the user says otherwise.
        CheckDlgButton(hwnd, IDC_PROTECT_CATEGORY, BST_CHECKED);
        selectedIcon = nullptr;
    }
    FillIcons();
    return true;
}

void CDlgCatEdit::FillIcons() {
    HWND combo = GetDlgItem(hwnd, IDC_CATEGORY_ICON);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    if (!icons) return;
    // The items were measured before this object could answer; the icons,
    // drawn at the dialog's DPI, set the height.
    int dpi = DpiOf(hwnd);
    int height = ScaleForDpi(kMinItemHeight, dpi);
    WPARAM selection = 0;
    for (CIcon* icon : Nodes<CIcon>(*icons)) {
        LRESULT item = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(icon));
        if (item < 0) continue;
        if (selectedIcon && lstrcmpiW(icon->name, selectedIcon->name) == 0) selection = static_cast<WPARAM>(item);
        BITMAP picture;
        if (icon->bitmap && GetObjectW(icon->bitmap, sizeof picture, &picture))
            height = std::max<int>(height, ScaleForDpi(picture.bmHeight + 2, dpi));
    }
    SendMessageW(combo, CB_SETITEMHEIGHT, 0, height);
    SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), height);
    SendMessageW(combo, CB_SETCURSEL, selection, 0);
}

bool CDlgCatEdit::OnMeasureItem(int id, MEASUREITEMSTRUCT& item) {
    if (id != IDC_CATEGORY_ICON) return false;
    item.itemHeight = static_cast<UINT>(ScaleForDpi(kMinItemHeight, DpiOf(hwnd)));
    return true;
}

bool CDlgCatEdit::OnDrawItem(int id, const DRAWITEMSTRUCT& item) {
    if (id != IDC_CATEGORY_ICON) return false;
    bool selected = (item.itemState & ODS_SELECTED) != 0;
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    auto* icon = item.itemID == static_cast<UINT>(-1) ? nullptr : reinterpret_cast<CIcon*>(item.itemData);
    if (HBITMAP picture = icon ? GetIconBitmap(icon, false) : nullptr)
        DrawBitmapTransparent(item.hDC, item.rcItem, picture, DpiOf(hwnd));
    if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &item.rcItem);
    return true;
}

bool CDlgCatEdit::NameIsUsable(const wchar_t* name) {
    if (!name[0]) {
        ShowMessage(hwnd, IDS_CATEGORY_ERROR_CAPTION, IDS_CATEGORY_NAME_MISSING, kErrorBox);
        SetFocus(GetDlgItem(hwnd, IDC_CATEGORY_NAME));
        return false;
    }
    CCategory* same = database.categories.FindByName(U(name));
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

bool CDlgCatEdit::Apply() {
    bool protect = IsDlgButtonChecked(hwnd, IDC_PROTECT_CATEGORY) == BST_CHECKED;
    bool switching = category && protect != category->isProtected;
    if (switching && HasPassword() && theSettings->locked) {
        int prompt = protect ? IDS_UNLOCK_TO_PROTECT : IDS_UNLOCK_TO_UNPROTECT;
        if (!session.Unlock(hwnd, prompt)) return false;
    }
    wchar_t name[CCategory::kTextUnits] = {};
    GetDlgItemTextW(hwnd, IDC_CATEGORY_NAME, name, CCategory::kTextUnits);
    if (!NameIsUsable(name)) return false;
    if (!category) return SaveNew(protect);

    // What the file holds, for when the write fails.
    CategoryTexts before;
    before.Keep(*category);
    ReadTexts(*category);
    if (!SwitchCategoryProtection(database.records, database.file, database.categories, *category, protect)) {
        // The records, the flag and the file are as they were; so are the texts.
        before.Restore(*category);
        ShowWriteFailure(hwnd, database);
        return false;
    }
    return true;
}

bool CDlgCatEdit::SaveNew(bool protect) {
    std::unique_ptr<CCategory> created(database.categories.CreateWithFreeId());
    if (!created) return true;  // no free id left: nothing is saved
    for (int32_t& width : created->columnWidth) width = -1;
    created->isDirty = true;
    ReadTexts(*created);
    created->isProtected = protect;
    if (!created->Save(database.file, true)) {
        ShowWriteFailure(hwnd, database);
        return false;  // the dialog stays, with the user's texts
    }
    if (database.categories.InsertSorted(created.get(), false)) category = created.release();
    return true;
}

// The name, the labels and the chosen icon into the category.
void CDlgCatEdit::ReadTexts(CCategory& target) {
    ReadText(hwnd, IDC_CATEGORY_NAME, target.name);
    for (int i = 0; i < 6; ++i) ReadText(hwnd, kLabelEdits[i], target.fieldLabel[i]);
    HWND combo = GetDlgItem(hwnd, IDC_CATEGORY_ICON);
    LRESULT selection = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (selection >= 0)
        selectedIcon = reinterpret_cast<CIcon*>(SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(selection), 0));
    const wchar_t* iconName = selectedIcon ? selectedIcon->name : DefaultIconName;
    std::fill(std::begin(target.iconName), std::end(target.iconName), u'\0');
    for (int i = 0; i < CCategory::kTextUnits - 1 && iconName[i]; ++i)
        target.iconName[i] = static_cast<char16_t>(iconName[i]);
}
