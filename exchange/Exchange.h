// Import of records from, and export to, comma-separated UTF-8 text: one
// record per line, eight columns (category name, the first field, fields 2 to
// 6, the note), no header line. Import also reads the exports of browsers and
// other password managers, recognised by their header row, and export also
// writes the form browsers import.
//
// These operations show nothing: they answer counts and what went wrong, and
// the caller (the window program's Import and Export commands, quorrel-cli)
// tells the user.
#pragma once

#include "model/base/CString.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CxFile;
class CCategories;
class CRecords;

// What import keeps of each column.
inline constexpr int32_t kImportCategoryLimit = 31;
inline constexpr int32_t kImportValueLimit = 64;
inline constexpr int32_t kImportNoteLimit = 256;
inline constexpr int32_t kExchangeColumns = 8;

// The form of an import file: Quorrel's own lines, or the export of a
// browser or another password manager, told by its header row.
enum class ImportFormat {
    kQuorrel,
    kChromium,  // Chrome, Edge and the other browsers of the Chromium family
    kFirefox,
    kSafari,
    kBitwarden,
    kKeePassXC,
    kLastPass,
    kOnePassword,
};

// Why an import left a line out.
enum class LeftOutReason {
    kNoRoomForCategory,  // its category would be new, and no category id is free
    kLocked,             // its category is protected and no key is installed
    kNoCategoryName,     // Quorrel's format: the category name is empty
    kTooLong,            // a foreign row that does not fit a record, even with its note
    kNotALogin,          // a Bitwarden row that is neither a login nor a note
    kExtraValues,        // a foreign row with more values than its header row has columns
};

struct LeftOutLine {
    int32_t line;  // from 1; a foreign row counts from the line it begins on
    LeftOutReason reason;
};

struct ExchangeResult {
    enum Error {
        kNone,
        kCannotOpen,   // the import file cannot be opened or read, or the export file cannot be created
        kNotAFile,     // import: a folder, a pipe or a device; nothing was read
        kTooLarge,     // import: too large to read into memory
        kHoldsNul,     // import: NUL characters, so no text file; nothing was imported
        kWriteFailed,  // import: the database could not be written (see the file's IoError), nothing was
                       // imported; export: a write, the flush or the final move failed, the target is untouched
        kStopped,      // the progress callback asked to stop; an import is then undone whole
    };
    Error error = kNone;
    // Export: the system's reason for kCannotOpen or kWriteFailed.
    std::u16string reason;
    // Records added by an import, lines written by an export.
    int32_t count = 0;
    // Import only: lines left out (as many as leftOut holds), and which and why.
    int32_t skipped = 0;
    std::vector<LeftOutLine> leftOut;
    // Import only: the form the file was read in.
    ImportFormat format = ImportFormat::kQuorrel;
};

// The database an import adds to.
struct ImportTarget {
    CxFile& file;
    CCategories& categories;
    CRecords& records;
    // Icon name for the categories an import creates: the first icon the
    // program has, or null for none.
    const char16_t* iconName = nullptr;
};

// Reads one column of line from position into out; answers the position
// after it. Quoted columns keep their text (a doubled quote is one quote);
// unquoted ones have leading spaces and tabs dropped and every whitespace run
// reduced to its first character.
int32_t ParseCsvField(const char16_t* line, int32_t position, CString& out);

// Adds one record, finding its category by name ignoring case or creating it
// (protected when protectNew, labelled "Field 1" to "Field 6"). False only when
// the category would be new and no category id is free, or when the database
// could not be written (the file's transaction then has Failed()).
bool ImportRecord(ImportTarget& target, const char16_t* categoryName, bool protectNew, const char16_t* const values[7]);

// Told after each record how far an import or export has come (done of
// total); answers false to stop it there.
using ExchangeProgress = std::function<bool(int32_t done, int32_t total)>;

// Adds a record for every non-empty line of the file, all in one transaction.
// A file whose first line is the header row of a known foreign format adds
// its logins and notes to the category "Web Login" instead (see
// ForeignFormat.h). Lines that cannot be added are left out and listed.
// Nothing is changed when the file cannot be read as text, when the database
// cannot be written, or when the progress callback stops the import; the
// records and categories in memory are then as before too.
ExchangeResult ImportFile(const char16_t* path, bool protectNew, ImportTarget& target,
                          const ExchangeProgress& progress = {});

// One export line: every column quoted, quotes doubled, CR and LF inside a
// value turned into spaces, ended by CR LF. Protected values read as GetField
// gives them ("******" while the data is locked).
CString ExportLine(const char16_t* categoryName, const CString values[7]);

// Writes every record in list order to a new file that replaces path only
// once it is complete: after a failure or a stop, path holds what it held.
ExchangeResult ExportFile(const char16_t* path, const CCategories& categories, const CRecords& records,
                          const ExchangeProgress& progress = {});

// The same for a browser to import: the header row name,url,username,password,note
// and a row for each record whose category has fields labelled "URL",
// "User Name" and "Password" (its first field is the name), RFC 4180 quoting.
ExchangeResult ExportBrowserFile(const char16_t* path, const CCategories& categories, const CRecords& records,
                                 const ExchangeProgress& progress = {});

// The path the Export command writes: extension (".txt" for Quorrel's own
// form) appended when the chosen path has no '.' anywhere (a dot in a folder
// name counts).
CString ExportPathFor(const char16_t* chosenPath, const char16_t* extension = u".txt");

// The texts that report a finished import or export (strings 40058/40059 and
// 40070/40071, the singular for exactly one).
CString ImportDoneText(int32_t count);
CString ExportDoneText(int32_t count, const char16_t* path);

// The whole report of a finished import, as the program shows it and
// quorrel-cli prints it: that the file held no records; or how many were
// imported (with the foreign format's name) and which lines were left out why.
CString ImportReportText(const ExchangeResult& result);
// The name of a foreign format for messages ("Bitwarden").
const char16_t* ImportFormatName(ImportFormat format);
