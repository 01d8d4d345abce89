// An open database for one command: the record file, its settings and lists.
#pragma once

#include "model/Category.h"
#include "model/Database.h"
#include "model/Record.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"
#include "tools/cli/Cli.h"

#include <memory>
#include <string>

class CliDatabase {
public:
    CliDatabase() = default;
    CliDatabase(const CliDatabase&) = delete;
    CliDatabase& operator=(const CliDatabase&) = delete;

    // Opens without writing anything, even a damaged file; the fault of the
    // full check is kept in fault. False (after reporting) when it cannot be read.
    bool OpenForReading(const std::string& path, CliIo& io);
    // Opens for changes: refused unless the full check finds the file sound.
    // Without withRecords the records are left in the file.
    bool OpenForWriting(const std::string& path, CliIo& io, bool withRecords = true);
    // Reports a change that could not be written, with the system's reason;
    // what says what was left as it was. Answers the failure status.
    int WriteFailed(CliIo& io, const std::string& what);

    std::u16string path;
    std::string displayPath;
    CDatabase database;
    CxFile& file = database.file;
    std::unique_ptr<CSettings>& settings = database.settings;
    CCategories& categories = database.categories;
    CRecords& records = database.records;
    std::string& fault = database.fault;

private:
    bool OpenWith(const std::string& pathText, CliIo& io, bool forWriting, bool withRecords);
};

namespace cli {
// Reports what opening a record file answered, with the journal's notice
// (a journal set aside is told on a line of its own, and the command goes on).
bool OpenSucceeded(int opened, const std::string& displayPath, const std::string& journalNotice, CliIo& io);
}  // namespace cli

// UTF-8 from and to the program's UTF-16 text.
std::u16string Widen(const std::string& text);
std::string Narrow(const char16_t* text);
std::string Narrow(const char16_t* text, int32_t count);
// A value fit for one line: control characters shown as \n, \t, \r, \\ and \xNN.
std::string Escaped(const char16_t* text);

namespace cli {
// One record as list prints it: the category name and the seven values,
// tab-separated and escaped, protected values as GetField gives them.
std::string RecordLine(const CCategories& categories, const CRecord& record);
}  // namespace cli
