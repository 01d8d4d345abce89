// import and export: records from and to comma-separated UTF-8 text, as the
// program's Import and Export commands exchange them.
#include "exchange/Exchange.h"
#include "exchange/TextFile.h"
#include "model/base/StringTable.h"
#include "platform/Platform.h"
#include "security/Cipher.h"
#include "tools/cli/Cli.h"
#include "tools/cli/Database.h"
#include "tools/cli/Secrets.h"

#include <string>
#include <vector>

namespace cli {

namespace {

constexpr char kPasswordPrompt[] = "Master password: ";

// The icon the program gives a category that import creates: the first, by
// name ignoring case, of the "icon_*.bmp" files beside the database (the
// program's data folder), without its extension; none when there is none.
std::u16string FirstIconName(const std::u16string& databasePath) {
    size_t slash = databasePath.find_last_of(u"/\\");
    std::u16string folder = slash == std::u16string::npos ? u"." : databasePath.substr(0, slash + (slash == 0));
    std::vector<std::u16string> files;
    if (!platform::FolderEntries(folder.c_str(), files)) return {};
    std::u16string first;
    for (const std::u16string& file : files) {
        if (file.size() < 9 || platform::CompareNoCase(file.substr(0, 5).c_str(), u"icon_") != 0 ||
            platform::CompareNoCase(file.substr(file.size() - 4).c_str(), u".bmp") != 0) {
            continue;
        }
        std::u16string name = file.substr(0, 35);
        size_t dot = name.rfind(u'.');
        if (dot != std::u16string::npos && dot > 0) name.resize(dot);
        if (first.empty() || platform::CompareNoCase(name.c_str(), first.c_str()) < 0) first = name;
    }
    return first;
}

// Unlocks the data with the master password when the database has one.
// Answers kSuccess when the data can be read in clear, or the status to exit with.
int Unlock(CliDatabase& db, CliIo& io, const std::string& passwordFile, const std::string& whenUnavailable,
           const std::string& whenWrong) {
    CString password;
    switch (ReadPassword(io, passwordFile, kPasswordPrompt, password)) {
        case SecretRead::kFailed: return kFailure;
        case SecretRead::kUnavailable: return Fail(io, whenUnavailable);
        case SecretRead::kGot: break;
    }
    if (!VerifyPassword(password.c_str())) return Fail(io, whenWrong);
    db.settings->locked = 0;
    return kSuccess;
}

bool AnyEnciphered(const CRecords& records) {
    for (CRecord* record : Nodes<CRecord>(records)) {
        if (record->isEnciphered) return true;
    }
    return false;
}

}  // namespace

int Import(const std::vector<std::string>& args, CliIo& io) {
    Arguments parsed;
    std::string problem;
    if (!ParseArguments(args, {"--password-file"}, {}, parsed, problem)) return Usage(io, problem);
    if (parsed.positional.size() != 2) return Usage(io, "import takes a database PATH and a CSV file");
    const std::string& csv = parsed.positional[1];
    CliDatabase db;
    if (!db.OpenForWriting(parsed.positional[0], io)) return kFailure;
    // The program refuses import while the data is locked.
    if (HasPassword()) {
        int status = Unlock(
            db, io, parsed.Value("--password-file"),
            Narrow(LoadText(IDS_IMPORT_LOCKED)) + " Give the master password at the terminal or with --password-file.",
            "the master password is incorrect; nothing was imported");
        if (status != kSuccess) return status;
    }
    std::u16string icon = FirstIconName(db.path);
    ImportTarget target{db.file, db.categories, db.records, icon.empty() ? nullptr : icon.c_str()};
    ExchangeResult result = ImportFile(Widen(csv).c_str(), true, target);
    switch (result.error) {
        case ExchangeResult::kCannotOpen:
            return Fail(io, csv + ": " + Narrow(LoadText(IDS_IMPORT_OPEN_FAILED)) + " Nothing was imported.");
        case ExchangeResult::kNotAFile:
            return Fail(io, csv + ": not a regular file (a folder, a device or a pipe); nothing was imported");
        case ExchangeResult::kTooLarge:
            // Over the limit, or more than the memory free for reading it.
            return Fail(io, csv + ": too large to read into memory (files of up to " +
                                std::to_string(TextFile::kMaxReadBytes >> 20) +
                                " MB are imported); nothing was imported");
        case ExchangeResult::kHoldsNul:
            return Fail(io, csv + ": holds NUL characters, so it is not a text file; nothing was imported");
        case ExchangeResult::kNone:
        case ExchangeResult::kWriteFailed:
        case ExchangeResult::kStopped: break;
    }
    if (result.error == ExchangeResult::kWriteFailed) return db.WriteFailed(io, "nothing was imported");
    io.changed = result.count > 0;
    io.out << Narrow(ImportReportText(result).c_str()) << "\n";
    if (result.skipped > 0) {
        return Fail(io, std::to_string(result.skipped) + (result.skipped == 1 ? " line was" : " lines were") +
                            " left out, as listed above");
    }
    return kSuccess;
}

int Export(const std::vector<std::string>& args, CliIo& io) {
    Arguments parsed;
    std::string problem;
    if (!ParseArguments(args, {"--password-file", "--format"}, {"--locked"}, parsed, problem)) {
        return Usage(io, problem);
    }
    if (parsed.positional.size() != 2) return Usage(io, "export takes a database PATH and a CSV file");
    if (parsed.Has("--locked") && !parsed.Value("--password-file").empty()) {
        return Usage(io, "--locked and --password-file exclude each other");
    }
    const std::string format = parsed.values.count("--format") ? parsed.Value("--format") : "quorrel";
    if (format != "quorrel" && format != "browser") return Usage(io, "--format is quorrel or browser");
    const bool forBrowser = format == "browser";
    CliDatabase db;
    if (!db.OpenForReading(parsed.positional[0], io)) return kFailure;
    db.settings->locked = 1;
    if (HasPassword() && parsed.Has("--locked")) {
        io.err << "quorrel-cli: warning: the data stays locked; protected values are exported as ******\n";
    } else if (HasPassword()) {
        int status = Unlock(db, io, parsed.Value("--password-file"),
                            "the database has a master password: give it at the terminal or with --password-file, "
                            "or export with --locked (protected values as ******)",
                            "the master password is incorrect; nothing was exported");
        if (status != kSuccess) return status;
    }
    const bool writesDeciphered = !db.settings->locked && AnyEnciphered(db.records);
    CString path = ExportPathFor(Widen(parsed.positional[1]).c_str(), forBrowser ? u".csv" : u".txt");
    ExchangeResult result = forBrowser ? ExportBrowserFile(path.c_str(), db.categories, db.records)
                                       : ExportFile(path.c_str(), db.categories, db.records);
    if (result.error == ExchangeResult::kCannotOpen) {
        return Fail(io, Narrow(path.c_str()) + ": " + Narrow(LoadText(IDS_EXPORT_OPEN_FAILED)) + " " +
                            Narrow(result.reason.c_str()));
    }
    if (result.error != ExchangeResult::kNone) {
        return Fail(io, Narrow(path.c_str()) + ": the records could not be written (" + Narrow(result.reason.c_str()) +
                            "); any earlier file of that name was left as it was");
    }
    io.out << Narrow(ExportDoneText(result.count, path.c_str()).c_str()) << "\n";
    // The values the master password protects in the database are open to
    // anyone who can read this file.
    if (writesDeciphered) {
        io.err << "quorrel-cli: warning: " << Narrow(path.c_str())
               << " holds the protected values in clear: keep it safe and delete it when done\n";
    }
    if (!db.fault.empty()) {
        return Fail(io, parsed.positional[0] + ": damaged, only the readable records were exported: " + db.fault);
    }
    return kSuccess;
}

}  // namespace cli
