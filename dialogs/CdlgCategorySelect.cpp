#include "dialogs/CdlgCategorySelect.h"

#include "model/Category.h"
#include "platform/Wide.h"
#include "res/resource.h"

CdlgCategorySelect::CdlgCategorySelect(const CCategories& categoryList, int initialId)
    : CqrDialog(IDD_CATEGORY_SELECT, L"Categories.html"), categories(categoryList), initialCategoryId(initialId) {}

bool CdlgCategorySelect::OnInitDialog() {
    HWND combo = GetDlgItem(hwnd, IDC_CATEGORY);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (CCategory* category : Nodes<CCategory>(categories)) {
        LRESULT item = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(category->name)));
        if (item >= 0)
            SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(category));
    }
    // The box sorts its entries, so the initial one is found by its data.
    WPARAM initial = 0;
    auto count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        auto* category = reinterpret_cast<CCategory*>(SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(i), 0));
        if (category && category != reinterpret_cast<CCategory*>(CB_ERR) && category->id == initialCategoryId)
            initial = static_cast<WPARAM>(i);
    }
    SendMessageW(combo, CB_SETCURSEL, initial, 0);
    return true;
}

bool CdlgCategorySelect::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return false;
    switch (id) {
        case IDC_EDIT_CATEGORY: action = CategoryAction::Edit; break;
        case IDC_NEW_CATEGORY: action = CategoryAction::New; break;
        case IDC_DELETE_CATEGORY: action = CategoryAction::Delete; break;
        default: return false;
    }
    HWND combo = GetDlgItem(hwnd, IDC_CATEGORY);
    LRESULT selection = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    LRESULT data = selection >= 0 ? SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(selection), 0) : 0;
    selectedCategory = data == CB_ERR ? nullptr : reinterpret_cast<CCategory*>(data);
    End(IDOK);
    return true;
}
