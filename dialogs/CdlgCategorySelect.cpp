#include "dialogs/CdlgCategorySelect.h"

#include "model/Category.h"
#include "platform/Wide.h"
#include "res/resource.h"

CdlgCategorySelect::CdlgCategorySelect(CCategories* categoryList, int initialId)
    : CqrDialog(IDD_CATEGORY_SELECT, L"Categories.html"), categories(categoryList), initialCategoryId(initialId) {}

void CdlgCategorySelect::Reinitialise(CCategories* categoryList, int initialId) {
    categories = categoryList;
    initialCategoryId = initialId;
    selectedCategory = nullptr;
    action = NoAction;
}

INT_PTR CdlgCategorySelect::OnInitDialog(HWND window, UINT, WPARAM, LPARAM) {
    HWND combo = GetDlgItem(window, IDC_CATEGORY);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (CCategory* category : Nodes<CCategory>(*categories)) {
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
    return 1;
}

int CdlgCategorySelect::OnCommand(HWND window, int id) {
    HWND combo = GetDlgItem(window, IDC_CATEGORY);
    LRESULT selection = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    LRESULT data = selection >= 0 ? SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(selection), 0) : 0;
    selectedCategory = data == CB_ERR ? nullptr : reinterpret_cast<CCategory*>(data);
    switch (id) {
        case IDC_EDIT_CATEGORY: action = EditAction; break;
        case IDC_NEW_CATEGORY: action = NewAction; break;
        case IDC_DELETE_CATEGORY: action = DeleteAction; break;
        default: return 0;
    }
    EndDialog(window, IDOK);
    return 1;
}
