#include "exchange/Exchange.h"

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

CCategory* NewCategory(ImportTarget& target, const char16_t* name, bool protectNew) {
    std::unique_ptr<CCategory> category(target.categories.CreateWithFreeId());
    if (!category) return nullptr;  // no room for another category
    CopyBounded(category->name, name, CCategory::kTextUnits - 1);
    for (int i = 0; i < 6; ++i) CopyBounded(category->fieldLabel[i], kFieldLabels[i], CCategory::kTextUnits - 1);
    for (int32_t& width : category->columnWidth) width = -1;
    category->isProtected = protectNew;
    category->isDirty = true;
    CopyBounded(category->iconName, target.iconName, CCategory::kTextUnits - 1);
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
    CCategory* category = target.categories.FindByName(categoryName);
    if (!category) category = NewCategory(target, categoryName, protectNew);
    if (!category) return false;
    auto record = std::make_unique<CRecord>();
    record->categoryId = category->id;
    record->isEnciphered = category->isProtected && HasPassword();
    // Refused when protected without a verified key (it would be saved empty), or when the write failed.
    if (!record->SetFields(values) || !record->Save(target.file, false)) return false;
    target.records.Append(record.release());
    return true;
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
    const int32_t total = progress ? input.CountNonEmptyLines() : 0;
    int32_t done = 0;
    CString columns[kExchangeColumns];
    while (char16_t* line = input.ReadLine()) {
        if (line[0] == 0) continue;
        int32_t position = 0;
        for (CString& column : columns) position = ParseCsvField(line, position, column);
        columns[0].Truncate(kImportCategoryLimit);
        for (int i = 1; i < kExchangeColumns - 1; ++i) columns[i].Truncate(kImportValueLimit);
        columns[kExchangeColumns - 1].Truncate(kImportNoteLimit);
        const char16_t* values[7];
        for (int i = 0; i < 7; ++i) values[i] = columns[i + 1].c_str();
        if (ImportRecord(target, columns[0].c_str(), protectNew, values)) ++result.count;
        else if (target.file.Failed()) break;
        else ++result.skipped;
        if (progress && !progress(++done, total)) {
            result.error = ExchangeResult::kStopped;
            break;
        }
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
