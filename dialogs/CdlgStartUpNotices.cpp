#include "dialogs/CdlgStartUpNotices.h"

#include "res/resource.h"

CdlgFirstRunNotice::CdlgFirstRunNotice() : CqrDialog(IDD_FIRST_RUN, nullptr) {}

bool CdlgFirstRunNotice::OnInitDialog() {
    showing = true;
    return true;
}

bool CdlgFirstRunNotice::OnCommand(int id, int code) {
    if (id == IDOK && code == BN_CLICKED) showing = false;
    return true;  // modeless: the window stays until WaitForOk is done
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

bool CdlgEarlierVersion::OnInitDialog() {
    SetDlgItemTextW(hwnd, IDC_DATABASE_PATH, path);
    return true;
}
