#include "dialogs/CdlgStartUpNotices.h"

#include "res/resource.h"

CdlgFirstRunNotice::CdlgFirstRunNotice() : CqrDialog(IDD_FIRST_RUN, nullptr) {}

INT_PTR CdlgFirstRunNotice::OnInitDialog(HWND, UINT, WPARAM, LPARAM) {
    showing = true;
    return 1;
}

int CdlgFirstRunNotice::OnCommand(HWND, int id) {
    if (id == IDOK) showing = false;
    return 1;  // modeless: the window stays until WaitForOk is done
}

void CdlgFirstRunNotice::WaitForOk() {
    MSG message;
    while (showing && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(hwnd, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

CdlgEarlierVersion::CdlgEarlierVersion(const wchar_t* databasePath)
    : CqrDialog(IDD_EARLIER_VERSION, nullptr), path(databasePath) {}

INT_PTR CdlgEarlierVersion::OnInitDialog(HWND window, UINT, WPARAM, LPARAM) {
    SetDlgItemTextW(window, IDC_DATABASE_PATH, path);
    return 1;
}
