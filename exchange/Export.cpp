#include "exchange/Exchange.h"

#include "exchange/Csv.h"
#include "exchange/TextFile.h"
#include "model/Category.h"
#include "model/Record.h"
#include "model/base/StringTable.h"
#include "model/base/TextFormat.h"
#include "platform/Platform.h"

#include <functional>
#include <string>
#include <vector>

namespace {

// Appends text inside quotes, each quote doubled; with lineBreaksToSpaces, CR
// and LF become spaces so that a value never splits its line.
void AppendQuoted(std::u16string& line, const char16_t* text, bool lineBreaksToSpaces) {
    line += u'"';
    for (const char16_t* p = text ? text : u""; *p; ++p) {
        if (*p == u'"') line += u"\"\"";
        else if (lineBreaksToSpaces && (*p == u'\r' || *p == u'\n')) line += u' ';
        else line += *p;
    }
    line += u'"';
}

}  // namespace

CString ExportLine(const char16_t* categoryName, const CString values[7]) {
    std::u16string line;
    AppendQuoted(line, categoryName, false);
    for (int i = 0; i < 7; ++i) {
        line += u',';
        AppendQuoted(line, values[i].c_str(), true);
    }
    line += u"\r\n";
    CString text;
    text.AssignUnits(line.data(), static_cast<int32_t>(line.size()));
    platform::Wipe(line.data(), line.size() * sizeof(char16_t));
    return text;
}

namespace {

// Makes the line of one record; false leaves the record out of the file.
using LineMaker = std::function<bool(const CRecord& record, CString& line)>;

// Writes header (when given) and the lines of the records to a new file that
// replaces path only once it is complete.
ExchangeResult WriteExport(const char16_t* path, const char16_t* header, const CRecords& records, int32_t total,
                           const LineMaker& lineFor, const ExchangeProgress& progress) {
    ExchangeResult result;
    TextFile output;
    if (!output.OpenForWrite(path)) {
        result.error = ExchangeResult::kCannotOpen;
        result.reason = output.FailureReason();
        return result;
    }
    if (header && !output.WriteText(header)) {
        result.error = ExchangeResult::kWriteFailed;
        result.reason = output.FailureReason();
        return result;
    }
    CString line;
    for (const CRecord* record : Nodes<CRecord>(records)) {
        if (!lineFor(*record, line)) continue;
        // A line left out would make a file that looks complete and is not.
        if (!output.WriteText(line.c_str())) {
            result.error = ExchangeResult::kWriteFailed;
            result.reason = output.FailureReason();
            return result;
        }
        ++result.count;
        if (progress && !progress(result.count, total)) {
            result.error = ExchangeResult::kStopped;
            return result;
        }
    }
    if (!output.Commit()) {
        result.error = ExchangeResult::kWriteFailed;
        result.reason = output.FailureReason();
    }
    return result;
}

// Where a category keeps what a browser needs: the value indexes of its
// fields labelled "URL", "User Name" and "Password".
struct BrowserFields {
    int32_t categoryId;
    int32_t url = -1, userName = -1, password = -1;
};

std::vector<BrowserFields> BrowserCategories(const CCategories& categories) {
    std::vector<BrowserFields> found;
    for (const CCategory* c : Nodes<CCategory>(categories)) {
        BrowserFields fields{c->id};
        for (int32_t i = 0; i < 6; ++i) {
            if (platform::CompareNoCase(c->fieldLabel[i], u"URL") == 0) fields.url = i;
            else if (platform::CompareNoCase(c->fieldLabel[i], u"User Name") == 0) fields.userName = i;
            else if (platform::CompareNoCase(c->fieldLabel[i], u"Password") == 0) fields.password = i;
        }
        if (fields.url >= 0 && fields.userName >= 0 && fields.password >= 0) found.push_back(fields);
    }
    return found;
}

const BrowserFields* BrowserFieldsOf(const std::vector<BrowserFields>& categories, int32_t categoryId) {
    for (const BrowserFields& c : categories) {
        if (c.categoryId == categoryId) return &c;
    }
    return nullptr;
}

}  // namespace

ExchangeResult ExportFile(const char16_t* path, const CCategories& categories, const CRecords& records,
                          const ExchangeProgress& progress) {
    CString values[7];
    auto lineFor = [&](const CRecord& record, CString& line) {
        const CCategory* category = categories.FindById(record.categoryId);
        for (int i = 0; i < 7; ++i) record.GetField(i, values[i]);
        line = ExportLine(category ? category->name : u"Category", values);
        return true;
    };
    return WriteExport(path, nullptr, records, records.count, lineFor, progress);
}

ExchangeResult ExportBrowserFile(const char16_t* path, const CCategories& categories, const CRecords& records,
                                 const ExchangeProgress& progress) {
    const std::vector<BrowserFields> browserCategories = BrowserCategories(categories);
    int32_t total = 0;
    for (const CRecord* record : Nodes<CRecord>(records)) {
        if (BrowserFieldsOf(browserCategories, record->categoryId)) ++total;
    }
    CString values[4];
    auto lineFor = [&](const CRecord& record, CString& line) {
        const BrowserFields* fields = BrowserFieldsOf(browserCategories, record.categoryId);
        if (!fields) return false;
        record.GetField(0, values[0]);
        record.GetField(fields->url, values[1]);
        record.GetField(fields->userName, values[2]);
        record.GetField(fields->password, values[3]);
        CString note = record.GetField(CRecord::kNoteIndex);
        // Room for every character quoted and doubled, so that the text
        // never moves and leaves a copy behind.
        std::u16string text;
        text.reserve(static_cast<size_t>(
            2 * (values[0].Length() + values[1].Length() + values[2].Length() + values[3].Length() + note.Length()) +
            16));
        for (const CString& value : values) {
            AppendCsvField(text, {value.c_str(), static_cast<size_t>(value.Length())});
            text += u',';
        }
        AppendCsvField(text, {note.c_str(), static_cast<size_t>(note.Length())});
        text += u"\r\n";
        line.AssignUnits(text.data(), static_cast<int32_t>(text.size()));
        platform::Wipe(text.data(), text.size() * sizeof(char16_t));
        return true;
    };
    return WriteExport(path, u"name,url,username,password,note\r\n", records, total, lineFor, progress);
}

CString ExportPathFor(const char16_t* chosenPath, const char16_t* extension) {
    CString path(chosenPath);
    bool hasDot = false;
    for (const char16_t* p = path.c_str(); *p && !hasDot; ++p) hasDot = *p == u'.';
    if (!hasDot) path.Append(extension);
    return path;
}

CString ExportDoneText(int32_t count, const char16_t* path) {
    std::u16string number = NumberText(count);
    return FormatText(LoadText(count == 1 ? IDS_EXPORTED_ONE : IDS_EXPORTED_MANY), {number.c_str(), path});
}
