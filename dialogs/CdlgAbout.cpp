#include "dialogs/CdlgAbout.h"

#include "dialogs/framework/Display.h"
#include "dialogs/framework/Resources.h"
#include "res/Product.h"
#include "res/resource.h"

CdlgAbout::CdlgAbout() : CqrDialog(IDD_ABOUT, nullptr) {}

bool CdlgAbout::OnInitDialog() {
    MakeControlBold(IDC_ABOUT_TITLE);
    SetDlgItemTextW(hwnd, IDC_ABOUT_TITLE, L"" PRODUCT_NAME " V" PRODUCT_VERSION_TEXT);
    SetDlgItemTextW(hwnd, IDC_ABOUT_EDITION, L"" PRODUCT_EDITION);
    backgroundBrush.Reset(CreateSolidBrush(RGB(255, 255, 255)));
    // The picture drawn for the dialog's DPI, where there is a larger one.
    int dpi = DpiOf(hwnd);
    int larger = dpi >= 192 ? IDB_ABOUT_200 : dpi >= 144 ? IDB_ABOUT_150 : 0;
    HWND picture = GetDlgItem(hwnd, IDC_ABOUT_PICTURE);
    if (larger && picture) {
        picture150or200.Reset(LoadBitmapW(ResourceModule(), MAKEINTRESOURCEW(larger)));
        if (picture150or200) {
            auto previous = reinterpret_cast<HBITMAP>(
                SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture150or200.Get())));
            if (previous && previous != picture150or200.Get()) DeleteObject(previous);
        }
    }
    return true;
}

INT_PTR CdlgAbout::OnMessage(UINT message, WPARAM, LPARAM) {
    if (message == WM_CTLCOLORDLG || message == WM_CTLCOLORSTATIC)
        return reinterpret_cast<INT_PTR>(backgroundBrush.Get());
    return 0;
}
