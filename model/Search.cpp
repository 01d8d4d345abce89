#include "model/Search.h"

#include "security/Cipher.h"

#include <algorithm>
#include <cstdint>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Whether a block of 32 positions from at may hold the text: its first unit
// there and its last unit where the text would end.
bool MayHoldText(const char16_t* units, size_t at, size_t last, char16_t first, char16_t final) {
#if defined(__SSE2__)
    const __m128i wantFirst = _mm_set1_epi16(static_cast<short>(first));
    const __m128i wantFinal = _mm_set1_epi16(static_cast<short>(final));
    __m128i any = _mm_setzero_si128();
    for (size_t i = at; i < at + 32; i += 8) {
        __m128i starts = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i));
        __m128i ends = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i + last));
        any = _mm_or_si128(any, _mm_and_si128(_mm_cmpeq_epi16(starts, wantFirst), _mm_cmpeq_epi16(ends, wantFinal)));
    }
    return _mm_movemask_epi8(any) != 0;
#else
    bool candidates = false;
    for (size_t i = at; i < at + 32; ++i) candidates |= units[i] == first && units[i + last] == final;
    return candidates;
#endif
}

// Where text (not empty) first occurs in all at or after from, or npos.
// Blocks of positions where the text's first and last units are not both in
// place are skipped whole, eight positions to a compare, which keeps a scan
// of every record within a keystroke.
size_t FindText(std::u16string_view all, std::u16string_view text, size_t from) {
    constexpr size_t kBlock = 32;
    const char16_t* units = all.data();
    const size_t count = all.size();
    const size_t last = text.size() - 1;
    const char16_t first = text[0];
    const char16_t final = text[last];
    for (size_t at = from; at + last < count;) {
        if (at + kBlock + last <= count && !MayHoldText(units, at, last, first, final)) {
            at += kBlock;
            continue;
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
    // A text that only grew (the next key typed) can match only where the
    // shorter one did: those records alone are looked at again.
    bool narrowing = !lastText.empty() && text.size() > lastText.size() &&
                     text.substr(0, lastText.size()) == std::u16string_view(lastText.data(), lastText.size());
    lastText.assign(text.begin(), text.end());
    std::u16string_view all(values.data(), values.size());
    if (narrowing) {
        for (Entry& entry : entries) {
            if (entry.matched) entry.matched = FindText(all.substr(0, entry.end), text, entry.begin) < entry.end;
        }
        return;
    }
    // The next place the text occurs at or after the current entry.
    size_t at = FindText(all, text, 0);
    for (Entry& entry : entries) {
        if (at < entry.begin) at = FindText(all, text, entry.begin);
        entry.matched = at < entry.end;  // never npos
    }
}
