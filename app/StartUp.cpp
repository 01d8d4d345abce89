#include "app/StartUp.h"

#include "app/Application.h"
#include "app/Wide.h"
#include "dialogs/CqrDialog.h"
#include "dialogs/Messages.h"
#include "dialogs/Placement.h"
#include "model/DataFolder.h"
#include "model/Database.h"
#include "model/StringTable.h"
#include "platform/Platform.h"
#include "res/resource.h"
#include "storage/Backup.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"

#include <string>

namespace {

HWND firstRunNotice = nullptr;
bool firstRunNoticeShowing = false;

void CentreOnScreen(HWND dialog) {
    RECT own;
    GetWindowRect(dialog, &own);
    RECT area = WorkArea();
    PlacementPoint at = CentredPosition({area.left, area.top, area.right, area.bottom}, nullptr, own.right - own.left,
                                        own.bottom - own.top);
    SetWindowPos(dialog, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

INT_PTR CALLBACK FirstRunNoticeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        CentreOnScreen(dialog);
        firstRunNoticeShowing = true;
        return TRUE;
    }
    if (message == WM_COMMAND && wParam == MAKEWPARAM(IDOK, 0)) {
        firstRunNoticeShowing = false;
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK EarlierVersionNoticeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        CentreOnScreen(dialog);
        SetDlgItemTextW(dialog, IDC_DATABASE_PATH, reinterpret_cast<const wchar_t*>(lParam));
        return TRUE;
    }
    if (message == WM_COMMAND && (wParam == MAKEWPARAM(IDOK, 0) || wParam == MAKEWPARAM(IDCANCEL, 0))) {
        EndDialog(dialog, wParam == MAKEWPARAM(IDOK, 0) ? 1 : 0);
        return TRUE;
    }
    return FALSE;
}

// The system's text for an error, without the final full stop and line break.
std::wstring SystemErrorText(DWORD error) {
    wchar_t* text = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring reason = n && text ? std::wstring(text, n) : L"error " + std::to_wstring(error);
    if (text) LocalFree(text);
    while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r' || reason.back() == L'.' ||
                               reason.back() == L' ')) {
        reason.pop_back();
    }
    return reason;
}

// Why an existing file cannot be opened for writing.
std::wstring WhyCannotOpen(const wchar_t* path, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_READONLY) return CResString(IDS_FILE_IS_READ_ONLY).Text();
    HANDLE probe = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD error = GetLastError();
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        error = ERROR_ACCESS_DENIED;
    }
    return SystemErrorText(error);
}

void ReleaseStartUpObjects() {
    delete theApp.recordFile;
    theApp.recordFile = nullptr;
    delete theApp.dataFolder;
    theApp.dataFolder = nullptr;
}

}  // namespace

bool OpenDatabase() {
    theApp.dataFolder = new CDataFolder();
    const wchar_t* path = theApp.dataFolder->databasePath;
    theApp.recordFile = new CxFile(kDatabaseSignature);
    theApp.isFirstRun = false;
    int opened = path[0] ? theApp.recordFile->Open(U(path)) : CxFile::kCannotOpen;

    if (opened == CxFile::kOtherFormat) {
        DialogBoxParamW(theApp.resources, MAKEINTRESOURCEW(IDD_EARLIER_VERSION), nullptr, EarlierVersionNoticeProc,
                        reinterpret_cast<LPARAM>(path));
        ReleaseStartUpObjects();
        return false;
    }
    if (opened == CxFile::kOpened) {
        // A damaged database is never written to: the user may still restore it.
        std::string fault = CheckDatabase(U(path));
        if (!fault.empty()) {
            theApp.recordFile->Close();
            std::u16string reason = platform::Utf8ToUtf16(fault.data(), fault.size());
            std::u16string backup = NewestBackup(U(path));
            if (backup.empty()) {
                ShowLongMessage(nullptr, IDS_STARTUP_CAPTION, IDS_DATABASE_DAMAGED, kErrorBox, path, W(reason.c_str()));
            } else {
                ShowLongMessage(nullptr, IDS_STARTUP_CAPTION, IDS_DATABASE_DAMAGED_BACKUP, kErrorBox, path,
                                W(reason.c_str()), W(backup.c_str()));
            }
            ReleaseStartUpObjects();
            return false;
        }
        // Before the first write of the day; a copy that fails is told once.
        std::string failure;
        if (!BackUpDatabase(U(path), platform::CurrentTime(), failure)) {
            std::u16string reason = platform::Utf8ToUtf16(failure.data(), failure.size());
            std::u16string backup = BackupPath(U(path), 1);
            ShowLongMessage(nullptr, IDS_STARTUP_CAPTION, IDS_BACKUP_FAILED, kErrorBox, W(backup.c_str()),
                            W(reason.c_str()));
        }
    } else {
        // Only where no file exists is a new database made; creating over a
        // file that merely cannot be opened would lose every record in it.
        DWORD attributes = GetFileAttributesW(path);
        DWORD error = GetLastError();
        bool missing = attributes == INVALID_FILE_ATTRIBUTES && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND);
        if (path[0] && !missing) {
            std::wstring reason = attributes == INVALID_FILE_ATTRIBUTES ? SystemErrorText(error) : WhyCannotOpen(path, attributes);
            ShowLongMessage(nullptr, IDS_STARTUP_CAPTION, IDS_DATABASE_CANNOT_OPEN, kErrorBox, path, reason.c_str());
            ReleaseStartUpObjects();
            return false;
        }
        theApp.isFirstRun = true;
        firstRunNotice = CreateDialogParamW(theApp.resources, MAKEINTRESOURCEW(IDD_FIRST_RUN), nullptr, FirstRunNoticeProc, 0);
        if (firstRunNotice) {
            ShowWindow(firstRunNotice, SW_SHOWNORMAL);
            UpdateWindow(firstRunNotice);
        }
        // A database that cannot be made would silently drop every change.
        if (!path[0] || CreateDatabaseFile(*theApp.recordFile, U(path)) != CxFile::kOpened) {
            std::wstring reason = SystemErrorText(path[0] ? GetLastError() : ERROR_FILENAME_EXCED_RANGE);
            if (firstRunNotice) DestroyWindow(firstRunNotice);
            firstRunNotice = nullptr;
            ShowLongMessage(nullptr, IDS_STARTUP_CAPTION, IDS_DATABASE_CANNOT_CREATE, kErrorBox, path, reason.c_str());
            ReleaseStartUpObjects();
            return false;
        }
    }
    theSettings = new CSettings(*theApp.recordFile, CSettings::kDesktopProfile);
    return true;
}

void WaitForFirstRunNotice() {
    if (!theApp.isFirstRun || !firstRunNotice) return;
    MSG message;
    while (firstRunNoticeShowing && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(firstRunNotice, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    DestroyWindow(firstRunNotice);
    firstRunNotice = nullptr;
}
