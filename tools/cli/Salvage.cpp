// salvage: what can still be read from a damaged database, into a new one.
#include "storage/Salvage.h"
#include "model/Category.h"
#include "model/Database.h"
#include "model/KeyCheck.h"
#include "model/Record.h"
#include "platform/Platform.h"
#include "security/Cipher.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"
#include "tools/cli/Cli.h"
#include "tools/cli/Database.h"
#include "tools/cli/Secrets.h"

#include <memory>
#include <string>

namespace cli {

namespace {

std::string Count(int32_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The salvaged records of protected categories, decoded, with the
// categories they belong to as a load would find them.
class ProtectedRecords {
public:
    explicit ProtectedRecords(const std::vector<SalvagedEntry>& entries) {
        for (const SalvagedEntry& entry : entries) {
            const auto length = static_cast<int32_t>(entry.payload.size());
            if (entry.key >= CCategory::kFirstKey && entry.key < CRecord::kMarkerKey) {
                auto category = std::make_unique<CCategory>();
                if (category->Decode(entry.payload.data(), length) && categories.InsertSorted(category.get(), false))
                    category.release();
            } else if (entry.key > CRecord::kMarkerKey) {
                auto record = std::make_unique<CRecord>();
                if (record->Decode(entry.payload.data(), length)) records.push_back(std::move(record));
            }
        }
        for (const auto& record : records) {
            const CCategory* category = categories.FindById(record->categoryId);
            if (category && category->isProtected && record->blockLength > 0) guarded.push_back(record.get());
        }
    }

    CCategories categories;
    std::vector<std::unique_ptr<CRecord>> records;
    std::vector<const CRecord*> guarded;
};

// The settings block that holds the master password's verifier may be lost
// while protected records were enciphered under that password: then the
// password is asked for and checked against the records themselves, so that
// the new database gets a verifier again, or nothing is written at all.
// Answers kSuccess, with password set when a verifier is to be written.
int PasswordForLostVerifier(const SalvageResult& found, const std::string& passwordFile, CliIo& io, CString& password,
                            bool& setVerifier) {
    setVerifier = false;
    for (const SalvagedEntry& entry : found.entries) {
        if (entry.key == CSettings::kDesktopKey) return kSuccess;
    }
    ProtectedRecords salvaged(found.entries);
    // Blocks stored in clear were never enciphered: no password was set.
    if (salvaged.guarded.empty() || CheckKeyAgainstRecords(salvaged.guarded, nullptr) == KeyFit::kFits) return kSuccess;
    const std::string lost = "the settings that held the master password's check were lost";
    const std::string unchecked = lost +
                                  ", and the protected records hold too little to check a password against "
                                  "(or to tell whether they are enciphered); nothing was written";
    switch (ReadPassword(io, passwordFile, "Master password of the damaged database: ", password)) {
        case SecretRead::kFailed: return kFailure;
        case SecretRead::kUnavailable:
            return Fail(io, lost +
                                " and the protected records are enciphered: give the master password at the "
                                "terminal or with --password-file; nothing was written");
        case SecretRead::kGot: break;
    }
    switch (CheckPasswordAgainstRecords(salvaged.guarded, password.c_str())) {
        case KeyFit::kFits: setVerifier = true; return kSuccess;
        case KeyFit::kDoesNotFit:
            return Fail(io, "the password does not open the protected records; nothing was written");
        case KeyFit::kCannotTell: break;
    }
    return Fail(io, unchecked);
}

// Writes the verifier of password into the settings of the new file.
bool WriteVerifier(CSettings& settings, const char16_t* password) {
    CSettings* previous = theSettings;
    theSettings = &settings;
    bool written = SetPassword(password);
    theSettings = previous;
    WipeKey();
    return written;
}

}  // namespace

int Salvage(const std::vector<std::string>& args, CliIo& io) {
    Arguments parsed;
    std::string problem;
    if (!ParseArguments(args, {"--password-file"}, {}, parsed, problem)) return Usage(io, problem);
    if (parsed.positional.size() != 2) return Usage(io, "salvage takes the DAMAGED database and a NEW path");
    const std::string &damagedText = parsed.positional[0], &freshText = parsed.positional[1];
    std::u16string damaged = Widen(damagedText), fresh = Widen(freshText);
    if (platform::FileExists(fresh.c_str()))
        return Fail(io, freshText + ": already exists; salvage makes only new databases");
    SalvageResult found = SalvageRecordFile(damaged.c_str(), kDatabaseSignature);
    if (!found.error.empty()) return Fail(io, damagedText + ": " + found.error);
    CString password;
    bool setVerifier = false;
    int status = PasswordForLostVerifier(found, parsed.Value("--password-file"), io, password, setVerifier);
    if (status != kSuccess) return status;

    // Entries are copied as they are, enciphered fields included: the same
    // master password opens them, since the settings block with its verifier
    // comes along where it could be read.
    int32_t settings = 0, categories = 0, records = 0, refused = 0, outside = 0;
    bool haveHeader = false, haveCategoryMarker = false, haveRecordMarker = false;
    CxFile file(kDatabaseSignature);
    if (file.Create(fresh.c_str(), kDatabasePageSize, 1, 0) != CxFile::kOpened)
        return Fail(io, freshText + ": cannot be created");
    bool written = file.Begin();
    for (const SalvagedEntry& entry : found.entries) {
        const auto length = static_cast<int32_t>(entry.payload.size());
        if (!CheckDatabaseEntry(entry.key, entry.payload.data(), length).empty()) {
            ++refused;
            continue;
        }
        if (entry.key == CSettings::kHeaderKey) haveHeader = true;
        if (entry.key == CCategory::kMarkerKey) haveCategoryMarker = true;
        if (entry.key == CRecord::kMarkerKey) haveRecordMarker = true;
        if (entry.key <= CSettings::kDesktopKey) ++settings;
        else if (entry.key >= CCategory::kFirstKey && entry.key < CRecord::kMarkerKey) ++categories;
        else if (entry.key > CRecord::kMarkerKey) ++records;
        if (entry.outsideIndex) ++outside;
        written = written && file.Insert(entry.key, entry.payload.data(), length);
    }
    // What every database holds; without the settings header the next open
    // would lay the default categories over the salvaged ones.
    const unsigned char marker = 0;
    if (!haveCategoryMarker) written = written && file.Insert(CCategory::kMarkerKey, &marker, 1);
    if (!haveRecordMarker) written = written && file.Insert(CRecord::kMarkerKey, &marker, 1);
    if (!haveHeader) {
        SettingsHeaderBlock header{};
        header.formatLevel = 50;
        written = written && file.Insert(CSettings::kHeaderKey, &header, sizeof header);
    }
    written = file.Commit() && written;
    if (written) {
        CSettings completed(file, CSettings::kDesktopProfile);  // the profile blocks that were lost
        written = file.IoError().empty() && (!setVerifier || WriteVerifier(completed, password.c_str()));
    }
    std::string failure = file.IoError();
    file.Close();
    if (!written) {
        platform::RemoveFile(fresh.c_str());
        return Fail(io, freshText + ": cannot be written" + (failure.empty() ? std::string() : " (" + failure + ")"));
    }
    io.out << "recovered " << Count(settings, "settings block", "settings blocks") << " of 3, "
           << Count(categories, "category", "categories") << ", " << Count(records, "record", "records") << " into "
           << freshText << "\n";
    if (outside > 0) {
        io.out << Count(outside, "entry was", "entries were")
               << " found outside the index: check for older versions or deleted records\n";
    }
    if (found.unreadable + refused > 0) {
        io.out << "could not recover " << Count(found.unreadable + refused, "entry", "entries")
               << ": their data is damaged\n";
    }
    if (settings < 3) io.out << "settings that could not be read start from their defaults\n";
    if (setVerifier) io.out << "the master password was checked against the protected records and set again\n";
    return kSuccess;
}

}  // namespace cli
