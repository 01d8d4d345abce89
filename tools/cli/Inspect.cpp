// init, dump, check and list: making and looking into a database.
#include "model/Stored.h"
#include "model/base/CString.h"
#include "platform/Platform.h"
#include "security/Cipher.h"
#include "tools/cli/Cli.h"
#include "tools/cli/Database.h"

#include <cstdio>
#include <ctime>
#include <sstream>
#include <vector>

namespace cli {

namespace {

std::string Time(int32_t seconds) {
    std::time_t t = seconds;
    std::tm parts{};
#ifdef _WIN32
    gmtime_s(&parts, &t);
#else
    gmtime_r(&t, &parts);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

std::string Hex(const unsigned char* bytes, size_t count) {
    std::string out;
    char pair[3];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
        out += pair;
    }
    return out;
}

template <class T>
std::string Ints(const T* values, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += (i ? "," : "") + std::to_string(values[i]);
    return out;
}

std::string Quoted(const char16_t* text) { return "\"" + Escaped(text) + "\""; }

void DumpProfile(std::ostream& out, const ProfileSettings& p) {
    bool noVerifier = true;
    for (uint8_t b : p.verifier) noVerifier = noVerifier && b == 0;
    out << "  verifier " << (noVerifier ? "none" : Hex(p.verifier, sizeof p.verifier)) << ", verifierLength "
        << p.verifierLength << "\n"
        << "  oddRowColour " << Ints(p.oddRowColour, 3) << ", evenRowColour " << Ints(p.evenRowColour, 3) << "\n"
        << "  lockoutMinutes " << p.lockoutMinutes << ", maxPasswordAttempts " << p.maxPasswordAttempts << "\n"
        << "  cleartextPasswordEntry " << int(p.cleartextPasswordEntry) << ", showNoPasswordWarning "
        << int(p.showNoPasswordWarning) << ", promptPasswordOnOpen " << int(p.promptPasswordOnOpen)
        << ", showUrlsAsHyperlinks " << int(p.showUrlsAsHyperlinks) << "\n";
}

template <class Block>
bool Fill(Block& block, const std::vector<unsigned char>& payload) {
    if (payload.size() < sizeof block) return false;
    std::memcpy(&block, payload.data(), sizeof block);
    return true;
}

void DumpEntry(std::ostream& out, int32_t key, const std::vector<unsigned char>& payload, bool passwordSet,
               const CCategories& categories) {
    out << "entry " << key << ", " << payload.size() << (payload.size() == 1 ? " byte" : " bytes");
    if (key == CSettings::kHeaderKey) {
        SettingsHeaderBlock h{};
        if (Fill(h, payload)) {
            out << ": settings header\n  formatLevel " << h.formatLevel << "\n";
            return;
        }
    } else if (key == CSettings::kHandheldKey) {
        HandheldProfileBlock h{};
        if (Fill(h, payload)) {
            out << ": handheld profile\n";
            DumpProfile(out, h.profile);
            return;
        }
    } else if (key == CSettings::kDesktopKey) {
        DesktopProfileBlock d{};
        if (Fill(d, payload)) {
            out << ": desktop profile\n";
            DumpProfile(out, d.profile);
            out << "  perCategoryColumnWidths " << int(d.perCategoryColumnWidths) << ", visibleDataColumns "
                << d.visibleDataColumns << ", columnWidths " << Ints(d.columnWidths, 7) << "\n"
                << "  window " << d.windowLeft << "," << d.windowTop << " " << d.windowWidth << "x" << d.windowHeight
                << ", splitterPosition " << d.splitterPosition << "\n";
            return;
        }
    } else if (key == CCategory::kMarkerKey || key == CRecord::kMarkerKey) {
        out << ": " << (key == CCategory::kMarkerKey ? "category" : "record") << " marker\n";
        return;
    } else if (key >= CCategory::kFirstKey && key < CRecord::kMarkerKey) {
        CCategory c;
        if (c.Decode(payload.data(), static_cast<int32_t>(payload.size()))) {
            out << ": category " << c.id << " " << Quoted(c.name) << "\n"
                << "  isProtected " << c.isProtected << ", iconName " << Quoted(c.iconName) << "\n  labels";
            for (const auto& label : c.fieldLabel) out << " " << Quoted(label);
            out << "\n  created " << Time(c.created) << ", modified " << Time(c.modified) << ", createMark "
                << c.createMark << ", changeMark " << c.changeMark << "\n  columnWidth " << Ints(c.columnWidth, 7)
                << "\n";
            return;
        }
    } else if (key > CRecord::kMarkerKey) {
        CRecord r;
        if (r.Decode(payload.data(), static_cast<int32_t>(payload.size()))) {
            const CCategory* category = categories.FindById(r.categoryId);
            bool enciphered = category && category->isProtected && passwordSet;
            out << ": record in category " << r.categoryId << "\n  first field " << Quoted(r.GetField(0).c_str())
                << "\n  partLength " << Ints(r.partLength, 6) << ", blockLength " << r.blockLength << "\n  created "
                << Time(r.created) << ", modified " << Time(r.modified) << ", createMark " << r.createMark
                << ", changeMark " << r.changeMark << "\n";
            if (enciphered) {
                out << "  block (enciphered) "
                    << Hex(reinterpret_cast<const unsigned char*>(r.fieldBlock), 2 * static_cast<size_t>(r.blockLength))
                    << "\n";
            } else {
                for (int i = 1; i < CRecord::kValueCount; ++i)
                    out << "  value " << i << " " << Quoted(r.GetField(i).c_str()) << "\n";
            }
            return;
        }
    }
    out << ": " << Hex(payload.data(), payload.size()) << "\n";
}

bool PathExists(const std::u16string& path) {
    platform::File probe;
    return probe.OpenForRead(path.c_str(), true);
}

}  // namespace

int Init(const std::vector<std::string>& args, CliIo& io) {
    if (args.size() != 1) return Usage(io, "init takes one PATH");
    std::u16string path = Widen(args[0]);
    if (PathExists(path)) return Fail(io, args[0] + ": already exists; init makes only new databases");
    CDatabase database;
    int created = database.Create(path.c_str());
    // Made under a temporary name: a failure leaves nothing at PATH.
    if (created == CDatabase::kFailed) return Fail(io, args[0] + ": cannot be written (" + database.ioError + ")");
    if (created != CxFile::kOpened) return Fail(io, args[0] + ": cannot be created");
    database.Close();
    io.out << "created " << args[0] << "\n";
    return kSuccess;
}

int Dump(const std::vector<std::string>& args, CliIo& io) {
    if (args.size() != 1) return Usage(io, "dump takes one PATH");
    CliDatabase db;
    if (!db.OpenForReading(args[0], io)) return kFailure;
    int32_t first = 0, second = 0;
    db.file.GetUserValues(first, second);
    io.out << "header: signature \"" << kDatabaseSignature << "\", user values " << first << " and " << second
           << ", page size " << db.file.PageSize() << "\n";
    bool passwordSet = HasPassword();
    std::vector<unsigned char> payload;
    for (bool more = db.file.First(); more; more = db.file.Next()) {
        int32_t key = 0;
        if (!db.file.GetKey(key)) break;
        if (!db.file.ReadEntry(payload)) {
            io.out << "entry " << key << ": cannot be read\n";
            continue;
        }
        DumpEntry(io.out, key, payload, passwordSet, db.categories);
    }
    if (!db.fault.empty()) return Fail(io, args[0] + ": damaged: " + db.fault);
    return kSuccess;
}

int Check(const std::vector<std::string>& args, CliIo& io) {
    if (args.size() != 1) return Usage(io, "check takes one PATH");
    std::u16string path = Widen(args[0]);
    // Open while the file is checked: its readers' lock keeps writers from
    // changing pages meanwhile.
    CxFile file(kDatabaseSignature);
    int opened = file.OpenReadOnly(path.c_str());
    if (!OpenSucceeded(opened, args[0], file.JournalNotice(), io)) return kFailure;
    std::string fault = CheckDatabase(path.c_str());
    file.Close();
    if (!fault.empty()) return Fail(io, args[0] + ": damaged: " + fault);
    io.out << "sound\n";
    return kSuccess;
}

std::string RecordLine(const CCategories& categories, const CRecord& record) {
    const CCategory* category = categories.FindById(record.categoryId);
    std::string line = Escaped(category ? category->name : u"");
    for (int i = 0; i < CRecord::kValueCount; ++i) line += "\t" + Escaped(record.GetField(i).c_str());
    return line + "\n";
}

int List(const std::vector<std::string>& args, CliIo& io) {
    std::string path;
    std::string categoryName;
    bool filtered = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--category") {
            if (i + 1 >= args.size()) return Usage(io, "--category needs a NAME");
            categoryName = args[++i];
            filtered = true;
        } else if (path.empty()) {
            path = args[i];
        } else {
            return Usage(io, "list takes one PATH");
        }
    }
    if (path.empty()) return Usage(io, "list needs a PATH");
    CliDatabase db;
    if (!db.OpenForReading(path, io)) return kFailure;
    const CCategory* only = nullptr;
    if (filtered) {
        only = db.categories.FindByName(Widen(categoryName).c_str());
        if (!only) return Fail(io, path + ": no category named '" + categoryName + "'");
    }
    db.settings->locked = 1;
    for (CRecord* r : Nodes<CRecord>(db.records)) {
        if (only && db.categories.FindById(r->categoryId) != only) continue;
        io.out << RecordLine(db.categories, *r);
    }
    if (!db.fault.empty()) return Fail(io, path + ": damaged: " + db.fault);
    return kSuccess;
}

}  // namespace cli
