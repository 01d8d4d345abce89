#include "model/Search.h"

#include "security/Cipher.h"

#include <algorithm>
#include <cstdint>
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

// Where text (not empty) first occurs in all at or after from, or npos.
// Blocks of positions where the text's first and last units are not both in
// place are skipped whole: the compiler turns that test into a few vector
// compares per block, which keeps a scan of every record within a keystroke.
size_t FindText(std::u16string_view all, std::u16string_view text, size_t from) {
    constexpr size_t kBlock = 32;
    const char16_t* units = all.data();
    const size_t count = all.size();
    const size_t last = text.size() - 1;
    const char16_t first = text[0];
    const char16_t final = text[last];
    for (size_t at = from; at + last < count;) {
        if (at + kBlock + last <= count) {
            uint16_t candidates = 0;
            for (size_t i = at; i < at + kBlock; ++i)
                candidates |=
                    static_cast<uint16_t>(units[i] == first) & static_cast<uint16_t>(units[i + last] == final);
            if (!candidates) {
                at += kBlock;
                continue;
            }
        }
        for (size_t end = std::min(at + kBlock, count - last); at < end; ++at) {
            if (units[at] == first && std::char_traits<char16_t>::compare(units + at, text.data(), last + 1) == 0)
                return at;
        }
    }
    return std::u16string_view::npos;
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
    return FindText({folded.data(), folded.size()}, filter.text.Folded(), 0) != std::u16string_view::npos;
}

bool CRecordSearch::Matches(const CRecord& record, const RecordFilter& filter) {
    if (!PassesCategoryFilter(record, filter.categoryId)) return false;
    if (filter.text.IsEmpty()) return true;
    Prepare(filter.unlocked);
    std::u16string_view text = filter.text.Folded();
    if (text != std::u16string_view(lastText.data(), lastText.size())) Scan(text);
    auto found = entryOf.find(&record);
    return found != entryOf.end() ? entries[found->second].matched : RecordMatches(record, filter);
}

void CRecordSearch::Prepare(bool unlocked) {
    if (!built || builtUnlocked != unlocked) Build(unlocked);
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
    size_t at = FindText(all, text, 0);
    for (Entry& entry : entries) {
        if (at < entry.begin) at = FindText(all, text, entry.begin);
        entry.matched = at < entry.end;  // never npos
    }
}
