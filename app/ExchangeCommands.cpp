#include "app/ExchangeCommands.h"

#include "app/MainWindow.h"
#include "dialogs/CdlgProgress.h"
#include "dialogs/framework/Messages.h"
#include "exchange/Exchange.h"
#include "exchange/TextFile.h"
#include "model/Database.h"
#include "model/base/StringTable.h"
#include "model/win32/DataFolder.h"
#include "platform/Wide.h"
#include "security/Cipher.h"
#include "security/dialogs/CdlgPassword.h"
#include "storage/Settings.h"
#include "views/CRecList.h"

#include <cderr.h>
#include <commdlg.h>

namespace {

constexpr wchar_t kOpenFilter[] =
    L"Text Files (*.txt)\0*.txt\0Comma-separated files (*.csv)\0*.csv\0All Files (*.*)\0*.*\0";
// The second type writes the form browsers import.
constexpr wchar_t kSaveFilter[] =
    L"Text Files (*.txt)\0*.txt\0Browser passwords (*.csv)\0*.csv\0All Files (*.*)\0*.*\0";
constexpr DWORD kBrowserType = 2;

bool LockedWithPassword() { return theSettings && theSettings->locked && HasPassword(); }

// Asks for a path with the Open or Save As dialog; false when the user
// cancelled or the path does not fit. A longer path is refused with a
// message: cut to the buffer it would name another file. fileType: the
// chosen type, from 1.
bool ChooseFile(HWND owner, bool forSaving, UINT captionId, wchar_t (&path)[MAX_PATH], DWORD* fileType = nullptr) {
    path[0] = 0;
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = forSaving ? kSaveFilter : kOpenFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | (forSaving ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    if (forSaving ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog)) {
        if (fileType) *fileType = dialog.nFilterIndex;
        return true;
    }
    if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL) ShowMessage(owner, captionId, IDS_PATH_TOO_LONG, kErrorBox);
    return false;
}

const char16_t* FirstIconName(const CIconList* icons) {
    const CIcon* icon = icons ? icons->First() : nullptr;
    return icon ? U(icon->name) : nullptr;
}

void ShowImportProblem(HWND owner, const ExchangeResult& result, const wchar_t* path) {
    switch (result.error) {
        case ExchangeResult::kNotAFile:
            ShowLongMessage(owner, IDS_IMPORT, IDS_IMPORT_NOT_A_FILE, kErrorBox, path);
            break;
        case ExchangeResult::kTooLarge:
            ShowLongMessage(owner, IDS_IMPORT, IDS_IMPORT_TOO_LARGE, kErrorBox, path,
                            static_cast<int>(TextFile::kMaxReadBytes >> 20));
            break;
        case ExchangeResult::kHoldsNul:
            ShowLongMessage(owner, IDS_IMPORT, IDS_IMPORT_HOLDS_NUL, kErrorBox, path);
            break;
        default: ShowMessage(owner, IDS_IMPORT, IDS_IMPORT_OPEN_FAILED, kErrorBox); break;
    }
}

// What was imported, in which format, and which lines were left out why.
void ShowImportReport(HWND owner, const ExchangeResult& result) {
    CString report = ImportReportText(result);
    ShowLongMessage(owner, IDS_IMPORT, IDS_IMPORT_REPORT, result.skipped > 0 ? MB_ICONWARNING : MB_OK,
                    W(report.c_str()));
}

// True when records were added. The lock may come while the Open dialog or
// the progress window is up: the import then does nothing and says why.
bool Import(MainWindowState& window) {
    HWND mainWindow = window.hwnd;
    if (LockedWithPassword()) {
        ShowMessage(mainWindow, IDS_IMPORT, IDS_IMPORT_LOCKED, kErrorBox);
        return false;
    }
    wchar_t path[MAX_PATH];
    if (!ChooseFile(mainWindow, false, IDS_IMPORT, path)) return false;
    if (LockedWithPassword()) {
        ShowMessage(mainWindow, IDS_IMPORT, IDS_IMPORT_LOCKED, kErrorBox);
        return false;
    }
    CDatabase& database = window.Database();
    ImportTarget target{database.file, database.categories, database.records, FirstIconName(window.Icons())};
    ExchangeResult result;
    bool lockedMeanwhile = false;
    {
        // The import is one transaction: Cancel, and the lock, roll the whole of it back.
        CdlgProgress progress(mainWindow, IDS_IMPORT, IDS_IMPORTING, true);
        result = ImportFile(U(path), true, target, [&](int32_t done, int32_t total) {
            lockedMeanwhile = LockedWithPassword();
            return !lockedMeanwhile && progress.Step(done, total);
        });
    }
    if (lockedMeanwhile) {
        ShowMessage(mainWindow, IDS_IMPORT, IDS_LOCKED_DURING_IMPORT, kErrorBox);
        return false;
    }
    if (result.error == ExchangeResult::kStopped) return false;  // the user's Cancel: nothing was added
    if (result.error == ExchangeResult::kWriteFailed) {
        ShowWriteFailure(mainWindow, database);
        return false;
    }
    if (result.error != ExchangeResult::kNone) {
        ShowImportProblem(mainWindow, result, path);
        return false;
    }
    ShowImportReport(mainWindow, result);
    return result.count >= 1;
}

// Whether the export may go on in the lock state it finds: while locked it
// writes the protected values masked, when the user agrees; while unlocked it
// writes them in clear, once the master password has been given again.
bool MayExport(MainWindowState& window) {
    if (LockedWithPassword()) return ShowMessage(window.hwnd, IDS_EXPORT, IDS_EXPORT_LOCKED, kQuestionBox) == IDYES;
    return !HasPassword() || ConfirmPassword(window.hwnd, IDS_EXPORT_CONFIRM_PASSWORD);
}

}  // namespace

void ImportRecords(MainWindowState& window) {
    if (!Import(window)) return;
    window.FillCategoryFilter();
    window.List().SetFilter(-1);
}

void ExportRecords(MainWindowState& window) {
    HWND mainWindow = window.hwnd;
    const CCategories& categories = window.Database().categories;
    const CRecords& records = window.Database().records;
    if (!MayExport(window)) return;
    const bool lockedBefore = LockedWithPassword();
    wchar_t chosen[MAX_PATH];
    DWORD fileType = 1;
    if (!ChooseFile(mainWindow, true, IDS_EXPORT, chosen, &fileType)) return;
    // The lock came while the Save As dialog was up: asked again as it is now.
    if (LockedWithPassword() != lockedBefore && !MayExport(window)) return;
    const bool locked = LockedWithPassword();
    const bool forBrowser = fileType == kBrowserType;
    CString path = ExportPathFor(U(chosen), forBrowser ? u".csv" : u".txt");
    const wchar_t* written = W(path.c_str());
    if (path.Length() >= MAX_PATH) {
        ShowMessage(mainWindow, IDS_EXPORT, IDS_PATH_TOO_LONG, kErrorBox);
        return;
    }
    // The dialog asked about the name as typed, not about the one with ".txt".
    if (lstrcmpW(written, chosen) != 0 && GetFileAttributesW(written) != INVALID_FILE_ATTRIBUTES &&
        ShowLongMessage(mainWindow, IDS_EXPORT, IDS_EXPORT_REPLACE, kQuestionBox, written) != IDYES) {
        return;
    }
    ExchangeResult result;
    bool lockedMeanwhile = false;
    {
        // Cancel undoes the whole export: the file it would replace stays.
        // So does the lock, which would leave a file half in clear.
        CdlgProgress progress(mainWindow, IDS_EXPORT, IDS_EXPORTING, true);
        auto step = [&](int32_t done, int32_t total) {
            lockedMeanwhile = LockedWithPassword() != locked;
            return !lockedMeanwhile && progress.Step(done, total);
        };
        result = forBrowser ? ExportBrowserFile(path.c_str(), categories, records, step)
                            : ExportFile(path.c_str(), categories, records, step);
    }
    if (lockedMeanwhile) {
        ShowMessage(mainWindow, IDS_EXPORT, IDS_LOCKED_DURING_EXPORT, kErrorBox);
        return;
    }
    switch (result.error) {
        case ExchangeResult::kNone:
            ShowLongMessage(mainWindow, IDS_EXPORT, result.count == 1 ? IDS_EXPORTED_ONE : IDS_EXPORTED_MANY, MB_OK,
                            result.count, written);
            break;
        case ExchangeResult::kCannotOpen: ShowMessage(mainWindow, IDS_EXPORT, IDS_EXPORT_OPEN_FAILED, kErrorBox); break;
        case ExchangeResult::kStopped: break;
        default:
            ShowLongMessage(mainWindow, IDS_EXPORT, IDS_EXPORT_WRITE_FAILED, kErrorBox, written,
                            W(result.reason.c_str()));
            break;
    }
}
