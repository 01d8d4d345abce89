#include "dialogs/CdlgAbout.h"

#include "app/Application.h"
#include "dialogs/framework/Drawing.h"
#include "res/Product.h"
#include "res/resource.h"

CdlgAbout::CdlgAbout() : CqrDialog(IDD_ABOUT, nullptr) {}

INT_PTR CdlgAbout::OnInitDialog(HWND window, UINT, WPARAM, LPARAM) {
    MakeControlBold(*this, IDC_ABOUT_TITLE);
    SetDlgItemTextW(window, IDC_ABOUT_TITLE, L"" PRODUCT_NAME " V" PRODUCT_VERSION_TEXT);
    SetDlgItemTextW(window, IDC_ABOUT_EDITION, L"" PRODUCT_EDITION);
    backgroundBrush.Reset(CreateSolidBrush(RGB(255, 255, 255)));
    return 1;
}

INT_PTR CdlgAbout::OnOtherMessage(HWND, UINT message, WPARAM, LPARAM) {
    if (message == WM_CTLCOLORDLG || message == WM_CTLCOLORSTATIC)
        return reinterpret_cast<INT_PTR>(backgroundBrush.Get());
    return 0;
}
