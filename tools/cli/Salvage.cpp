// salvage: what can still be read from a damaged database, into a new one.
#include "storage/Salvage.h"
#include "model/Category.h"
#include "model/Database.h"
#include "model/Record.h"
#include "platform/Platform.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"
#include "tools/cli/Cli.h"
#include "tools/cli/Database.h"

#include <string>

namespace cli {

namespace {

std::string Count(int32_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

int Salvage(const std::vector<std::string>& args, CliIo& io) {
    if (args.size() != 2) return Usage(io, "salvage takes the DAMAGED database and a NEW path");
    std::u16string damaged = Widen(args[0]), fresh = Widen(args[1]);
    if (platform::FileExists(fresh.c_str()))
        return Fail(io, args[1] + ": already exists; salvage makes only new databases");
    SalvageResult found = SalvageRecordFile(damaged.c_str(), kDatabaseSignature);
    if (!found.error.empty()) return Fail(io, args[0] + ": " + found.error);

    // Entries are copied as they are, enciphered fields included: the same
    // master password opens them, since the settings block with its verifier
    // comes along where it could be read.
    int32_t settings = 0, categories = 0, records = 0, refused = 0, outside = 0;
    bool haveHeader = false, haveCategoryMarker = false, haveRecordMarker = false;
    CxFile file(kDatabaseSignature);
    if (file.Create(fresh.c_str(), kDatabasePageSize, 1, 0) != CxFile::kOpened)
        return Fail(io, args[1] + ": cannot be created");
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
        written = file.IoError().empty();
    }
    std::string failure = file.IoError();
    file.Close();
    if (!written) {
        platform::RemoveFile(fresh.c_str());
        return Fail(io, args[1] + ": cannot be written" + (failure.empty() ? std::string() : " (" + failure + ")"));
    }
    io.out << "recovered " << Count(settings, "settings block", "settings blocks") << " of 3, "
           << Count(categories, "category", "categories") << ", " << Count(records, "record", "records") << " into "
           << args[1] << "\n";
    if (outside > 0) {
        io.out << Count(outside, "entry was", "entries were")
               << " found outside the index: check for older versions or deleted records\n";
    }
    if (found.unreadable + refused > 0) {
        io.out << "could not recover " << Count(found.unreadable + refused, "entry", "entries")
               << ": their data is damaged\n";
    }
    if (settings < 3) io.out << "settings that could not be read start from their defaults\n";
    return kSuccess;
}

}  // namespace cli
