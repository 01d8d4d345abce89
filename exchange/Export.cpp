#include "exchange/Exchange.h"

#include "exchange/TextFile.h"
#include "model/Category.h"
#include "model/Record.h"
#include "model/base/StringTable.h"
#include "model/base/TextFormat.h"

#include <string>

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

ExchangeResult ExportFile(const char16_t* path, const CCategories& categories, const CRecords& records,
                          const ExchangeProgress& progress) {
    ExchangeResult result;
    TextFile output;
    if (!output.OpenForWrite(path)) {
        result.error = ExchangeResult::kCannotOpen;
        result.reason = output.FailureReason();
        return result;
    }
    CString values[7];
    for (const CRecord* record : Nodes<CRecord>(records)) {
        const CCategory* category = categories.FindById(record->categoryId);
        for (int i = 0; i < 7; ++i) record->GetField(i, values[i]);
        CString line = ExportLine(category ? category->name : u"Category", values);
        // A line left out would make a file that looks complete and is not.
        if (!output.WriteText(line.c_str())) {
            result.error = ExchangeResult::kWriteFailed;
            result.reason = output.FailureReason();
            return result;
        }
        ++result.count;
        if (progress && !progress(result.count, records.count)) {
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

CString ExportPathFor(const char16_t* chosenPath) {
    CString path(chosenPath);
    bool hasDot = false;
    for (const char16_t* p = path.c_str(); *p && !hasDot; ++p) hasDot = *p == u'.';
    if (!hasDot) path.Append(u".txt");
    return path;
}

CString ExportDoneText(int32_t count, const char16_t* path) {
    std::u16string number = NumberText(count);
    return FormatText(LoadText(count == 1 ? IDS_EXPORTED_ONE : IDS_EXPORTED_MANY), {number.c_str(), path});
}
