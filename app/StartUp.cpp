#include "app/StartUp.h"

#include "app/Application.h"
#include "dialogs/CdlgStartUpNotices.h"
#include "dialogs/framework/Messages.h"
#include "model/Database.h"
#include "model/base/StringTable.h"
#include "model/win32/DataFolder.h"
#include "platform/Platform.h"
#include "platform/Wide.h"
#include "res/resource.h"
#include "storage/Backup.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"

#include <memory>
#include <string>

namespace {

// The system's text for an error, without the final full stop and line break.
std::wstring SystemErrorText(DWORD error) {
    wchar_t* text = nullptr;
    DWORD n =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring reason = n && text ? std::wstring(text, n) : L"error " + std::to_wstring(error);
    if (text) LocalFree(text);
    while (!reason.empty() &&
           (reason.back() == L'\n' || reason.back() == L'\r' || reason.back() == L'.' || reason.back() == L' ')) {
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

void ReleaseStartUpObjects(Application& app) {
    app.database.Close();
    app.dataFolder.reset();
}

}  // namespace

bool OpenDatabase(Application& app) {
    app.dataFolder = std::make_unique<CDataFolder>(app.resources);
    const wchar_t* path = app.dataFolder->databasePath;
    app.isFirstRun = false;
    int opened = path[0] ? app.database.Open(U(path), CDatabase::Access::Write) : CxFile::kCannotOpen;

    if (opened == CxFile::kOtherFormat) {
        CdlgEarlierVersion(path).Run(nullptr);
        ReleaseStartUpObjects(app);
        return false;
    }
    if (opened == CDatabase::kDamaged) {
        // The file is left as it is: the user may still restore it.
        const std::string& fault = app.database.fault;
        std::u16string reason = platform::Utf8ToUtf16(fault.data(), fault.size());
        std::u16string backup = NewestBackup(U(path));
        if (backup.empty()) {
            ShowLongMessage(nullptr, IDS_STARTUP_CAPTION, IDS_DATABASE_DAMAGED, kErrorBox, path, W(reason.c_str()));
        } else {
            ShowLongMessage(nullptr, IDS_STARTUP_CAPTION, IDS_DATABASE_DAMAGED_BACKUP, kErrorBox, path,
                            W(reason.c_str()), W(backup.c_str()));
        }
        ReleaseStartUpObjects(app);
        return false;
    }
    if (opened == CDatabase::kFailed || opened == CxFile::kBusy || opened == CxFile::kJournalRefused ||
        opened == CxFile::kNeedsWriteAccess) {
        // A read that failed is never a shorter list, and a file another
        // program is writing is not read half-written.
        std::string failure = opened == CxFile::kBusy ? "another program is writing it" : app.database.ioError;
        if (opened == CxFile::kJournalRefused) failure = app.database.journalNotice;
        if (opened == CxFile::kNeedsWriteAccess) failure = kRecoveryNeedsWriteAccess;
        std::u16string reason = platform::Utf8ToUtf16(failure.data(), failure.size());
        ShowLongMessage(nullptr, IDS_STARTUP_CAPTION, IDS_DATABASE_CANNOT_OPEN, kErrorBox, path, W(reason.c_str()));
        ReleaseStartUpObjects(app);
        return false;
    }
    if (opened == CxFile::kOpened && !app.database.journalNotice.empty()) {
        const std::string& notice = app.database.journalNotice;
        std::u16string text = platform::Utf8ToUtf16(notice.data(), notice.size());
        ShowLongMessage(nullptr, IDS_STARTUP_CAPTION, IDS_JOURNAL_SET_ASIDE, kErrorBox, path, W(text.c_str()));
    }
    if (opened == CxFile::kOpened) {
        // Before the first change of the day; a copy that fails is told once.
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
        bool missing =
            attributes == INVALID_FILE_ATTRIBUTES && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND);
        if (path[0] && !missing) {
            std::wstring reason =
                attributes == INVALID_FILE_ATTRIBUTES ? SystemErrorText(error) : WhyCannotOpen(path, attributes);
            ShowLongMessage(nullptr, IDS_STARTUP_CAPTION, IDS_DATABASE_CANNOT_OPEN, kErrorBox, path, reason.c_str());
            ReleaseStartUpObjects(app);
            return false;
        }
        app.isFirstRun = true;
        app.firstRunNotice = std::make_unique<CdlgFirstRunNotice>();
        app.firstRunNotice->Open(nullptr);
        // A database that cannot be made would silently drop every change.
        int created = path[0] ? app.database.Create(U(path)) : CxFile::kCannotOpen;
        if (created != CxFile::kOpened) {
            std::wstring reason = SystemErrorText(path[0] ? GetLastError() : ERROR_FILENAME_EXCED_RANGE);
            if (created == CDatabase::kFailed) {
                const std::string& failure = app.database.ioError;
                reason = W(platform::Utf8ToUtf16(failure.data(), failure.size()).c_str());
            }
            app.firstRunNotice.reset();
            ShowLongMessage(nullptr, IDS_STARTUP_CAPTION, IDS_DATABASE_CANNOT_CREATE, kErrorBox, path, reason.c_str());
            ReleaseStartUpObjects(app);
            return false;
        }
    }
    return true;
}

void WaitForFirstRunNotice(Application& app) {
    if (!app.firstRunNotice) return;
    app.firstRunNotice->WaitForOk();
    app.firstRunNotice.reset();
}
