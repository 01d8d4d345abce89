#include "model/Search.h"

#include "security/Cipher.h"

#include <string>

namespace {

// Appends the values a search looks at, folded, each followed by a NUL: a
// search text holds no NUL, so no match runs from one value into the next.
// block and clear are scratch space for the deciphered copy.
void AppendSearchValues(const CRecord& record, bool unlocked, SecretUnits& block, SecretUnits& clear,
                        SecretUnits& out) {
    clear.clear();
    clear.insert(clear.end(), record.firstField, record.firstField + record.firstFieldLength);
    clear.push_back(0);
    const char16_t* parts = record.fieldBlock;
    if (record.isEnciphered) {
        block.assign(record.fieldBlock, record.fieldBlock + record.blockLength);
        // Locked, or no key to decipher with: the title is all there is to search.
        parts = unlocked && DecipherBuffer(block.data(), 2 * record.blockLength) ? block.data() : nullptr;
    }
    for (int i = 0; parts && i < 6; ++i) {
        clear.insert(clear.end(), parts, parts + record.partLength[i]);
        clear.push_back(0);
        parts += record.partLength[i];
    }
    size_t at = out.size();
    out.resize(at + clear.size());
    platform::FoldCase(clear.data(), clear.size(), out.data() + at);
}

bool PassesCategoryFilter(const CRecord& record, int32_t categoryId) {
    return categoryId == -1 || record.categoryId == categoryId;
}

}  // namespace

void SearchText::Assign(const char16_t* text) {
    size_t length = text ? std::char_traits<char16_t>::length(text) : 0;
    folded.assign(length, 0);
    platform::FoldCase(text, length, folded.data());
}

bool RecordMatches(const CRecord& record, const RecordFilter& filter) {
    if (!PassesCategoryFilter(record, filter.categoryId)) return false;
    if (filter.text.IsEmpty()) return true;
    SecretUnits block, clear, folded;
    AppendSearchValues(record, filter.unlocked, block, clear, folded);
    return std::u16string_view(folded.data(), folded.size()).find(filter.text.Folded()) != std::u16string_view::npos;
}

bool CRecordSearch::Matches(const CRecord& record, const RecordFilter& filter) {
    if (!PassesCategoryFilter(record, filter.categoryId)) return false;
    if (filter.text.IsEmpty()) return true;
    if (!built || builtUnlocked != filter.unlocked) Build(filter.unlocked);
    std::u16string_view text = filter.text.Folded();
    if (text != std::u16string_view(lastText.data(), lastText.size())) Scan(text);
    auto found = entryOf.find(&record);
    return found != entryOf.end() ? entries[found->second].matched : RecordMatches(record, filter);
}

void CRecordSearch::Forget() {
    SecretUnits().swap(values);
    SecretUnits().swap(lastText);
    entries = {};
    entryOf = {};
    built = false;
}

void CRecordSearch::Forget(const CRecord& record) {
    auto found = entryOf.find(&record);
    if (found == entryOf.end()) return;
    Entry& entry = entries[found->second];
    platform::Wipe(values.data() + entry.begin, (entry.end - entry.begin) * sizeof(char16_t));
    entry.matched = false;
    entryOf.erase(found);
}

void CRecordSearch::Build(bool unlocked) {
    Forget();
    size_t total = 0;
    for (const CRecord* record : Nodes<CRecord>(records)) {
        total += static_cast<size_t>(record->firstFieldLength) + CRecord::kValueCount;
        for (int32_t length : record->partLength) total += static_cast<size_t>(length);
    }
    values.reserve(total);
    entries.reserve(records.count);
    entryOf.reserve(records.count);
    SecretUnits block, clear;
    for (const CRecord* record : Nodes<CRecord>(records)) {
        size_t begin = values.size();
        AppendSearchValues(*record, unlocked, block, clear, values);
        entryOf.emplace(record, entries.size());
        entries.push_back({begin, values.size(), false});
    }
    built = true;
    builtUnlocked = unlocked;
}

// Marks the records whose values contain text, in one pass over all values.
void CRecordSearch::Scan(std::u16string_view text) {
    lastText.assign(text.begin(), text.end());
    std::u16string_view all(values.data(), values.size());
    // The next place the text occurs at or after the current entry.
    size_t at = all.find(text);
    for (Entry& entry : entries) {
        if (at < entry.begin) at = all.find(text, entry.begin);
        entry.matched = at < entry.end;  // never npos
    }
}
