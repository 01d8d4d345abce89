// The database: facts about the file that every writer shares, its full
// check, and the one way to open, create, load and close it, used by the
// program, quorrel-cli, the tests, the fuzz targets and the benchmarks.
#pragma once

#include "model/Category.h"
#include "model/Record.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"

#include <cstdint>
#include <memory>
#include <string>

inline constexpr char kDatabaseSignature[] = "Quorrel200";
inline constexpr char16_t kDatabaseFileName[] = u"QuorrelDPC.qrb";
inline constexpr int32_t kDatabasePageSize = 128;

// The record file's structure and every entry's stored form: the first fault,
// or an empty text when the database is sound.
std::string CheckDatabase(const char16_t* path);
std::string CheckDatabaseEntry(int32_t key, const unsigned char* payload, int32_t length);

// A database without its settings header is new (or its creation was cut
// short): it gets the markers and the default categories, in the order the
// first start has always written them; CSettings then adds the settings.
bool WriteNewDatabaseEntries(CxFile& file);

// One open database: the record file with its settings, categories and
// records. While it is loaded, theSettings names its settings.
class CDatabase {
public:
    enum class Access {
        Read,
        Write
    };
    // Results of Open and Create beyond those of CxFile.
    static constexpr int kDamaged = -5;  // opened for writing, but the check found a fault
    static constexpr int kFailed = -6;   // a read or write failed (ioError says why); nothing was loaded

    CDatabase() = default;
    CDatabase(const CDatabase&) = delete;
    CDatabase& operator=(const CDatabase&) = delete;
    ~CDatabase();

    // Opens an existing database (rolling back what a crash left in its
    // journal), checks the whole file (the fault, if any, is kept in `fault`)
    // and loads it. For reading, a damaged file is loaded as far as it goes
    // and nothing is ever written; for writing, a damaged file is closed
    // again untouched and kDamaged answered. A failed read or write is never
    // a shorter list: kFailed. Otherwise the result of CxFile::Open.
    // Without withRecords only the settings and categories are loaded, for
    // a command that walks the stored records itself.
    int Open(const char16_t* path, Access access, bool withRecords = true);
    // Makes a new database as the program's first start does: the file, the
    // markers, the twelve default categories and the default settings, all in
    // one transaction under a temporary name ("-new" added) that is then
    // renamed into place; then opens and loads it. A failure leaves nothing
    // at path. The result of CxFile::Create or Open, or kFailed.
    int Create(const char16_t* path);
    // Forgets the lists and settings and closes the file.
    void Close();
    bool IsLoaded() const { return settings != nullptr; }

    CxFile file{kDatabaseSignature};
    std::u16string path;  // as given to the latest Open or Create
    std::unique_ptr<CSettings> settings;
    CCategories categories;
    CRecords records;
    std::string fault;
    std::string ioError;        // the system's reason when kFailed was answered
    std::string journalNotice;  // a journal refused or set aside at the latest Open (CxFile::JournalNotice)
    bool loadedWhole = false;   // every category and record entry was read

private:
    int Load(bool writeMissing, bool withRecords = true);
};
