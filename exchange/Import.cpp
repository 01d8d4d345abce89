#include "exchange/Exchange.h"

#include "exchange/Csv.h"
#include "exchange/ForeignFormat.h"
#include "exchange/TextFile.h"
#include "model/Category.h"
#include "model/Record.h"
#include "model/base/StringTable.h"
#include "model/base/TextFormat.h"
#include "platform/Platform.h"
#include "security/Cipher.h"
#include "storage/CxFile.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr char16_t kFieldLabels[6][8] = {u"Field 1", u"Field 2", u"Field 3", u"Field 4", u"Field 5", u"Field 6"};

// Working copy of one column; wiped, since a column may be a password.
class ColumnBuffer {
public:
    explicit ColumnBuffer(int32_t capacity)
        : units(new char16_t[static_cast<size_t>(capacity) + 1]), size(capacity + 1) {}
    ~ColumnBuffer() { platform::Wipe(units.get(), static_cast<size_t>(size) * sizeof(char16_t)); }
    ColumnBuffer(const ColumnBuffer&) = delete;
    ColumnBuffer& operator=(const ColumnBuffer&) = delete;

    char16_t* Units() { return units.get(); }

private:
    std::unique_ptr<char16_t[]> units;
    int32_t size;
};

// Saves a new category and adds it to the list; null when no id is free or
// the write failed.
CCategory* AddCategory(ImportTarget& target, const char16_t* name, const char16_t* const labels[6],
                       const char16_t* iconName, bool isProtected) {
    std::unique_ptr<CCategory> category(target.categories.CreateWithFreeId());
    if (!category) return nullptr;  // no room for another category
    CopyBounded(category->name, name, CCategory::kTextUnits - 1);
    for (int i = 0; i < 6; ++i) CopyBounded(category->fieldLabel[i], labels[i], CCategory::kTextUnits - 1);
    for (int32_t& width : category->columnWidth) width = -1;
    category->isProtected = isProtected;
    category->isDirty = true;
    CopyBounded(category->iconName, iconName, CCategory::kTextUnits - 1);
    // FindByName found no equal name, so the list takes it; asked first all
    // the same, so that a refusal writes nothing.
    if (!target.categories.InsertSorted(category.get(), false)) return nullptr;
    CCategory* added = category.release();
    if (!added->Save(target.file, true)) {
        target.categories.Remove(added);
        return nullptr;
    }
    return added;
}

CCategory* FindOrAddCategory(ImportTarget& target, const char16_t* name, bool protectNew) {
    if (CCategory* found = target.categories.FindByName(name)) return found;
    const char16_t* labels[6];
    for (int i = 0; i < 6; ++i) labels[i] = kFieldLabels[i];
    return AddCategory(target, name, labels, target.iconName, protectNew);
}

// The label of the default category "Web Login" for field index (0 to 5).
const char16_t* WebLoginLabel(int index) { return LoadText(IDS_DEFAULT_LABEL1_7 + 100 * index); }

// The category foreign logins go to: "Web Login", made as a new database
// has it (labels, icon, protected) when the database has none.
CCategory* WebLoginCategory(ImportTarget& target) {
    const char16_t* name = LoadText(IDS_DEFAULT_NAME_7);
    if (CCategory* found = target.categories.FindByName(name)) return found;
    const char16_t* labels[6];
    for (int i = 0; i < 6; ++i) labels[i] = WebLoginLabel(i);
    return AddCategory(target, name, labels, LoadText(IDS_DEFAULT_ICON_7), true);
}

// False when the record is protected but no verified key is installed (it
// would be saved empty), or when the write failed (the file has Failed()).
bool AddRecord(ImportTarget& target, const CCategory& category, const char16_t* const values[7]) {
    auto record = std::make_unique<CRecord>();
    record->categoryId = category.id;
    record->isEnciphered = category.isProtected && HasPassword();
    // Refused when protected without a verified key (it would be saved empty), or when the write failed.
    if (!record->SetFields(values) || !record->Save(target.file, false)) return false;
    target.records.Append(record.release());
    return true;
}

void LeaveOut(ExchangeResult& result, int32_t line, LeftOutReason reason) {
    result.leftOut.push_back({line, reason});
    ++result.skipped;
}

// After each line or row: false once the caller asked to stop.
bool GoOn(const ExchangeProgress& progress, int32_t& done, int32_t total, ExchangeResult& result) {
    if (!progress || progress(++done, total)) return true;
    result.error = ExchangeResult::kStopped;
    return false;
}

void ImportOwnLines(TextFile& input, bool protectNew, ImportTarget& target, const ExchangeProgress& progress,
                    ExchangeResult& result) {
    const int32_t total = progress ? input.CountNonEmptyLines() : 0;
    int32_t done = 0;
    int32_t lineNumber = 0;
    CString columns[kExchangeColumns];
    while (char16_t* line = input.ReadLine()) {
        ++lineNumber;
        if (line[0] == 0) continue;
        int32_t position = 0;
        for (CString& column : columns) position = ParseCsvField(line, position, column);
        columns[0].Truncate(kImportCategoryLimit);
        for (int i = 1; i < kExchangeColumns - 1; ++i) columns[i].Truncate(kImportValueLimit);
        columns[kExchangeColumns - 1].Truncate(kImportNoteLimit);
        const char16_t* values[7];
        for (int i = 0; i < 7; ++i) values[i] = columns[i + 1].c_str();
        // A category without a name could never be saved again from its dialog.
        if (columns[0].IsEmpty()) {
            LeaveOut(result, lineNumber, LeftOutReason::kNoCategoryName);
        } else if (CCategory* category = FindOrAddCategory(target, columns[0].c_str(), protectNew)) {
            if (AddRecord(target, *category, values)) ++result.count;
            else if (target.file.Failed()) return;
            else LeaveOut(result, lineNumber, LeftOutReason::kLocked);
        } else if (target.file.Failed()) {
            return;
        } else {
            LeaveOut(result, lineNumber, LeftOutReason::kNoRoomForCategory);
        }
        if (!GoOn(progress, done, total, result)) return;
    }
}

bool RecogniseHeader(std::u16string_view firstLine, ForeignLayout& layout) {
    std::u16string header(firstLine);
    CsvReader reader(header.data(), static_cast<int32_t>(header.size()));
    std::vector<std::u16string_view> columns;
    return reader.Next(columns) && layout.Recognise(columns);
}

void ImportForeignRows(TextFile& input, const ForeignLayout& layout, ImportTarget& target,
                       const ExchangeProgress& progress, ExchangeResult& result) {
    result.format = layout.Format();
    int32_t length = 0;
    char16_t* text = input.Rest(length);
    CsvReader reader(text, length);
    std::vector<std::u16string_view> row;
    reader.Next(row);  // the header
    const int32_t total = progress ? reader.CountRemaining() : 0;
    int32_t done = 0;
    CCategory* category = target.categories.FindByName(LoadText(IDS_DEFAULT_NAME_7));
    const char16_t* labels[4];
    for (int i = 0; i < 4; ++i)
        labels[i] = category && category->fieldLabel[i][0] ? category->fieldLabel[i] : WebLoginLabel(i);
    CString values[7];
    while (reader.Next(row)) {
        switch (layout.Map(row, labels, values)) {
            case ForeignLayout::Outcome::kTooLong: LeaveOut(result, reader.Line(), LeftOutReason::kTooLong); break;
            case ForeignLayout::Outcome::kNotALogin: LeaveOut(result, reader.Line(), LeftOutReason::kNotALogin); break;
            case ForeignLayout::Outcome::kExtraValues:
                LeaveOut(result, reader.Line(), LeftOutReason::kExtraValues);
                break;
            case ForeignLayout::Outcome::kRecord: {
                if (!category) category = WebLoginCategory(target);
                if (target.file.Failed()) return;
                const char16_t* texts[7];
                for (int i = 0; i < 7; ++i) texts[i] = values[i].c_str();
                if (!category) LeaveOut(result, reader.Line(), LeftOutReason::kNoRoomForCategory);
                else if (AddRecord(target, *category, texts)) ++result.count;
                else if (target.file.Failed()) return;
                else LeaveOut(result, reader.Line(), LeftOutReason::kLocked);
                break;
            }
        }
        if (!GoOn(progress, done, total, result)) return;
    }
}

}  // namespace

int32_t ParseCsvField(const char16_t* line, int32_t position, CString& out) {
    out.Assign(u"");
    if (!line) return position;
    const int32_t len = TextLength(line);
    int32_t pos = position < 0 ? 0 : position;
    while (pos < len && (line[pos] == u' ' || line[pos] == u'\t')) ++pos;
    const bool quoted = pos < len && line[pos] == u'"';
    if (quoted) ++pos;
    ColumnBuffer column(len - pos > 0 ? len - pos : 0);
    int32_t n = 0;
    bool ended = false;
    while (pos < len && !ended) {
        char16_t ch = line[pos];
        if (quoted && ch == u'"') {
            if (pos + 1 == len) {
                ++pos;
                ended = true;
            } else if (line[pos + 1] == u'"') {
                column.Units()[n++] = u'"';
                pos += 2;
            } else {
                ++pos;
                while (pos < len && platform::IsSpace(line[pos])) ++pos;
                if (pos < len && line[pos] == u',') ++pos;
                ended = true;
            }
        } else if (!quoted && ch == u',') {
            ++pos;
            ended = true;
        } else {
            column.Units()[n++] = ch;
            ++pos;
        }
    }
    out.AssignUnits(column.Units(), n);
    if (!quoted) out.CollapseWhitespace();
    return pos;
}

bool ImportRecord(ImportTarget& target, const char16_t* categoryName, bool protectNew,
                  const char16_t* const values[7]) {
    CCategory* category = FindOrAddCategory(target, categoryName, protectNew);
    return category && AddRecord(target, *category, values);
}

ExchangeResult ImportFile(const char16_t* path, bool protectNew, ImportTarget& target,
                          const ExchangeProgress& progress) {
    ExchangeResult result;
    TextFile input;
    if (!input.OpenForRead(path)) {
        switch (input.Problem()) {
            case TextFile::kNotAFile: result.error = ExchangeResult::kNotAFile; break;
            case TextFile::kTooLarge: result.error = ExchangeResult::kTooLarge; break;
            case TextFile::kHoldsNul: result.error = ExchangeResult::kHoldsNul; break;
            case TextFile::kReadable:
            case TextFile::kCannotOpen: result.error = ExchangeResult::kCannotOpen; break;
        }
        return result;
    }
    CxTransaction transaction(target.file);
    if (!transaction.Begun()) {
        result.error = ExchangeResult::kWriteFailed;
        return result;
    }
    CDListNode* lastBefore = target.records.tail;
    std::vector<int32_t> categoriesBefore;
    for (CCategory* c : Nodes<CCategory>(target.categories)) categoriesBefore.push_back(c->id);
    ForeignLayout layout;
    if (RecogniseHeader(input.PeekLine(), layout)) {
        ImportForeignRows(input, layout, target, progress, result);
    } else {
        ImportOwnLines(input, protectNew, target, progress, result);
    }
    bool stopped = result.error == ExchangeResult::kStopped;
    if (!stopped && !target.file.Failed() && transaction.Commit()) return result;
    // Nothing was written (a stop rolls the whole import back): what was
    // added in memory goes too.
    while (target.records.tail != lastBefore) {
        target.records.Remove(target.records.tail);
    }
    std::vector<CCategory*> fresh;
    for (CCategory* c : Nodes<CCategory>(target.categories)) {
        if (std::find(categoriesBefore.begin(), categoriesBefore.end(), c->id) == categoriesBefore.end())
            fresh.push_back(c);
    }
    for (CCategory* c : fresh) target.categories.Remove(c);
    result = ExchangeResult{};
    result.error = stopped ? ExchangeResult::kStopped : ExchangeResult::kWriteFailed;
    return result;
}

CString ImportDoneText(int32_t count) {
    std::u16string number = NumberText(count);
    return FormatText(LoadText(count == 1 ? IDS_IMPORTED_ONE : IDS_IMPORTED_MANY), {number.c_str()});
}
