#include "dialogs/CdlgAbout.h"

#include "res/Product.h"
#include "res/resource.h"

CdlgAbout::CdlgAbout() : CqrDialog(IDD_ABOUT, nullptr) {}

bool CdlgAbout::OnInitDialog() {
    MakeControlBold(IDC_ABOUT_TITLE);
    SetDlgItemTextW(hwnd, IDC_ABOUT_TITLE, L"" PRODUCT_NAME " V" PRODUCT_VERSION_TEXT);
    SetDlgItemTextW(hwnd, IDC_ABOUT_EDITION, L"" PRODUCT_EDITION);
    backgroundBrush.Reset(CreateSolidBrush(RGB(255, 255, 255)));
    return true;
}

INT_PTR CdlgAbout::OnMessage(UINT message, WPARAM, LPARAM) {
    if (message == WM_CTLCOLORDLG || message == WM_CTLCOLORSTATIC)
        return reinterpret_cast<INT_PTR>(backgroundBrush.Get());
    return 0;
}
