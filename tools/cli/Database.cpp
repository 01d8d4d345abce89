#include "tools/cli/Database.h"

#include "model/base/CString.h"
#include "platform/Platform.h"

#include <cstdio>

std::u16string Widen(const std::string& text) { return platform::Utf8ToUtf16(text.data(), text.size()); }

std::string Narrow(const char16_t* text, int32_t count) {
    return platform::Utf16ToUtf8(text ? text : u"", static_cast<size_t>(count > 0 ? count : 0));
}

std::string Narrow(const char16_t* text) { return Narrow(text, TextLength(text)); }

std::string Escaped(const char16_t* text) {
    std::u16string plain;
    std::string out;
    auto flush = [&] {
        out += Narrow(plain.c_str(), static_cast<int32_t>(plain.size()));
        plain.clear();
    };
    for (const char16_t* p = text ? text : u""; *p; ++p) {
        char16_t ch = *p;
        if (ch >= 0x20 && ch != u'\\' && ch != 0x7F) {
            plain.push_back(ch);
            continue;
        }
        flush();
        if (ch == u'\n') out += "\\n";
        else if (ch == u'\r') out += "\\r";
        else if (ch == u'\t') out += "\\t";
        else if (ch == u'\\') out += "\\\\";
        else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned>(ch));
            out += hex;
        }
    }
    flush();
    return out;
}

bool cli::OpenSucceeded(int opened, const std::string& displayPath, const std::string& journalNotice, CliIo& io) {
    if (opened == CxFile::kOpened) {
        if (!journalNotice.empty()) io.err << "quorrel-cli: " << displayPath << ": note: " << journalNotice << "\n";
        return true;
    }
    if (opened == CxFile::kBusy) {
        cli::Fail(io, displayPath + ": busy: another program is writing it; try again");
    } else if (opened == CxFile::kOtherFormat) {
        cli::Fail(io, displayPath + ": not a Quorrel database of this version");
    } else if (opened == CxFile::kNeedsWriteAccess) {
        cli::Fail(io, displayPath + ": " + kRecoveryNeedsWriteAccess + "; nothing was changed");
    } else if (opened == CxFile::kJournalRefused) {
        cli::Fail(io, displayPath + ": cannot be opened: " + journalNotice);
    } else if (!journalNotice.empty()) {
        cli::Fail(io, displayPath + ": cannot be opened: " + journalNotice);
    } else {
        cli::Fail(io, displayPath + ": cannot be opened (missing, unreadable, or in use by another program)");
    }
    return false;
}

bool CliDatabase::OpenForReading(const std::string& pathText, CliIo& io) { return OpenWith(pathText, io, false, true); }

bool CliDatabase::OpenForWriting(const std::string& pathText, CliIo& io, bool withRecords) {
    return OpenWith(pathText, io, true, withRecords);
}

bool CliDatabase::OpenWith(const std::string& pathText, CliIo& io, bool forWriting, bool withRecords) {
    path = Widen(pathText);
    displayPath = pathText;
    int opened =
        database.Open(path.c_str(), forWriting ? CDatabase::Access::Write : CDatabase::Access::Read, withRecords);
    if (opened == CDatabase::kDamaged) {
        cli::Fail(io, displayPath + ": the database is damaged (" + fault + "); nothing was changed");
        return false;
    }
    // A read that failed is not a shorter list.
    if (opened == CDatabase::kFailed) {
        cli::Fail(io, displayPath + ": cannot be read or written: " + database.ioError);
        return false;
    }
    return cli::OpenSucceeded(opened, displayPath, database.journalNotice, io);
}

int CliDatabase::WriteFailed(CliIo& io, const std::string& what) {
    std::string reason = file.IoError().empty() ? "the database cannot be written" : file.IoError();
    return cli::Fail(io, displayPath + ": cannot be written (" + reason + "); " + what);
}
