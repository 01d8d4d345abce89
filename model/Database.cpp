#include "model/Database.h"

#include "storage/FileCheck.h"

bool WriteNewDatabaseEntries(CxFile& file) {
    if (file.Find(CSettings::kHeaderKey)) return true;
    const unsigned char marker = 0;
    return file.Insert(CCategory::kMarkerKey, &marker, 1) && file.Insert(CRecord::kMarkerKey, &marker, 1) &&
           WriteDefaultCategories(file);
}

std::string CheckDatabaseEntry(int32_t key, const unsigned char* payload, int32_t length) {
    if (key >= CCategory::kFirstKey && key < CRecord::kMarkerKey) {
        if (length != CCategory::kEntrySize) return "a category entry of " + std::to_string(length) + " bytes, not 564";
    } else if (key > CRecord::kMarkerKey) {
        CRecord record;
        if (!record.Decode(payload, length))
            return "a record whose lengths do not agree with its " + std::to_string(length) + " bytes";
    }
    return {};
}

std::string CheckDatabase(const char16_t* path) {
    return CheckRecordFile(path, kDatabaseSignature, CheckDatabaseEntry);
}

CDatabase::~CDatabase() { Close(); }

int CDatabase::Open(const char16_t* path, Access access, bool withRecords) {
    Close();
    this->path = path;
    int opened = access == Access::Write ? file.Open(path) : file.OpenReadOnly(path);
    journalNotice = file.JournalNotice();
    if (opened != CxFile::kOpened) return opened;
    fault = CheckDatabase(path);
    // A damaged database is never written to: the user may still restore it.
    if (access == Access::Write && !fault.empty()) {
        file.Close();
        return kDamaged;
    }
    return Load(access == Access::Write, withRecords);
}

int CDatabase::Create(const char16_t* path) {
    Close();
    // Made whole under another name and then moved into place, so that a
    // failure (a full disk) leaves nothing that looks like a database.
    const std::u16string made = std::u16string(path) + u"-new";
    platform::RemoveFile(made.c_str());
    int created = file.Create(made.c_str(), kDatabasePageSize, 1, 0);
    if (created == CxFile::kOpened) created = Load(true);
    std::string reason = ioError;
    Close();
    // Never over a file that appeared meanwhile, nor over a link.
    bool placed = created == CxFile::kOpened && !platform::FileExists(path) && !platform::IsSymbolicLink(path) &&
                  platform::RenameFile(made.c_str(), path) && platform::FlushFolderOf(path);
    if (!placed) {
        platform::RemoveFile(made.c_str());
        if (created != CxFile::kOpened) {
            ioError = reason;
            return created;
        }
        ioError = platform::LastErrorText();
        return kFailed;
    }
    return Open(path, Access::Write);
}

int CDatabase::Load(bool writeMissing, bool withRecords) {
    // What a new database lacks (entries, settings blocks) is one transaction.
    CxTransaction transaction(file);
    bool written = !writeMissing || WriteNewDatabaseEntries(file);
    settings = std::make_unique<CSettings>(file, CSettings::kDesktopProfile);
    written = written && (!transaction.Begun() || transaction.Commit());
    theSettings = settings.get();
    // Records consult the categories while they load.
    loadedWhole = categories.Load(file);
    if (withRecords) loadedWhole = records.Load(file, categories) && loadedWhole;
    if (!written || !file.IoError().empty()) {
        std::string reason = file.IoError().empty() ? "the file cannot be written" : file.IoError();
        Close();
        ioError = reason;
        return kFailed;
    }
    return CxFile::kOpened;
}

void CDatabase::Close() {
    ioError.clear();
    journalNotice.clear();
    if (theSettings == settings.get()) theSettings = nullptr;
    records.Clear();
    categories.Clear();
    settings.reset();
    loadedWhole = false;
    if (file.IsOpen()) file.Close();
}
