// find: the records with a value that contains a text, as the program's
// search box finds them, printed as list prints them. The exit status is
// grep's, so that scripts can test it: 0 when a record matched, 1 when none
// did, 2 on any error.
#include "model/Search.h"
#include "model/base/StringTable.h"
#include "security/Cipher.h"
#include "tools/cli/Cli.h"
#include "tools/cli/Database.h"
#include "tools/cli/Secrets.h"

#include <string>

namespace cli {

namespace {

constexpr int kFound = 0;
constexpr int kNoneFound = 1;
constexpr int kError = 2;

enum class Unlocked {
    kYes,
    kNo,
    kError  // reported
};

// Protected values are searched with the right master password; with
// --locked, or when none is given (an empty answer, no terminal), the data
// stays locked. A wrong or unreadable password is an error, not a quieter
// search.
Unlocked UnlockForSearch(const Arguments& parsed, CliIo& io) {
    if (!HasPassword()) return Unlocked::kYes;  // nothing is enciphered
    if (parsed.Has("--locked")) return Unlocked::kNo;
    CString password;
    switch (ReadPassword(io, parsed.Value("--password-file"), "Master password: ", password)) {
        case SecretRead::kFailed: return Unlocked::kError;
        case SecretRead::kUnavailable: return Unlocked::kNo;
        case SecretRead::kGot: break;
    }
    if (password.IsEmpty()) return Unlocked::kNo;
    if (VerifyPassword(password.c_str())) return Unlocked::kYes;
    Fail(io, "the master password is incorrect; nothing was searched");
    return Unlocked::kError;
}

}  // namespace

int Find(const std::vector<std::string>& args, CliIo& io) {
    Arguments parsed;
    std::string problem;
    if (!ParseArguments(args, {"--password-file"}, {"--locked"}, parsed, problem)) return Usage(io, problem);
    if (parsed.positional.size() != 2) return Usage(io, "find takes a database PATH and a TEXT");
    if (parsed.Has("--locked") && !parsed.Value("--password-file").empty()) {
        return Usage(io, "--locked and --password-file exclude each other");
    }
    CliDatabase db;
    if (!db.OpenForReading(parsed.positional[0], io)) return kError;
    // The lines show protected values masked, as list does, whatever is searched.
    db.settings->locked = 1;
    RecordFilter filter;
    std::u16string text = Widen(parsed.positional[1]);
    filter.text.Assign(text.c_str());
    platform::Wipe(text.data(), text.size() * sizeof(char16_t));
    switch (UnlockForSearch(parsed, io)) {
        case Unlocked::kError: return kError;
        case Unlocked::kYes: filter.unlocked = true; break;
        case Unlocked::kNo: io.err << "quorrel-cli: note: " << Narrow(LoadText(IDS_SEARCH_LOCKED)) << "\n"; break;
    }
    int found = 0;
    for (const CRecord* record : Nodes<CRecord>(db.records)) {
        if (!RecordMatches(*record, filter)) continue;
        io.out << RecordLine(db.categories, *record);
        ++found;
    }
    if (!db.fault.empty()) {
        Fail(io, parsed.positional[0] + ": damaged, only the readable records were searched: " + db.fault);
        return kError;
    }
    return found > 0 ? kFound : kNoneFound;
}

}  // namespace cli
