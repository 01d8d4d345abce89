// Finding records by typing part of a value. RecordMatches is the one match
// rule, used by the program's search box (through the record list's
// RowMatches) and by `quorrel-cli find`; CRecordSearch answers the same rule
// from folded values it keeps, fast enough for every keystroke.
//
// The rule: the record's category passes the category filter (-1: every
// category), and the search text is empty or one of the record's values
// contains it: the title, fields 2 to 6 or the note, each value on its own
// (a text that runs from one value into the next does not match), with case
// ignored as platform::CompareNoCase ignores it (platform::FoldCase). The
// values of an enciphered record other than its title are looked at only
// while the data is unlocked; while it is locked nothing is deciphered, and
// the mask "******" that stands for those values is never a value.
//
// How the program uses CRecordSearch:
//   - on every keystroke: filter.text.Assign(box text), filter.unlocked =
//     the data is unlocked (theSettings->locked is 0); then RowMatches(record, filter, search) for each
//     record the list could show. The first call for a new text scans the
//     folded values of every record once; the calls after it are a table
//     lookup each.
//   - when the data locks or unlocks, after an import, a password change or
//     a category's protection switch: search.Forget(); then search again
//     with the text still in the box.
//   - after a record is edited, and before one is deleted:
//     search.Forget(record). A new record needs nothing.
// The folded values are built at the first search with a text after a
// Forget (or by Prepare), deciphering only while unlocked. A record the
// search holds no values for (new, or forgotten on its own) is matched
// directly.
//
// The search text is kept in memory only, and wiped when it is replaced or
// destroyed.
#pragma once

#include "model/Record.h"
#include "platform/Platform.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <string_view>
#include <unordered_map>
#include <vector>

// Wipes every buffer it gives back, so a vector of secrets leaves no copy
// behind when it grows, shrinks or is destroyed.
template <class T>
struct WipingAllocator {
    using value_type = T;
    WipingAllocator() = default;
    template <class U>
    WipingAllocator(const WipingAllocator<U>&) {}
    T* allocate(size_t count) { return static_cast<T*>(::operator new(count * sizeof(T))); }
    void deallocate(T* buffer, size_t count) {
        platform::Wipe(buffer, count * sizeof(T));
        ::operator delete(buffer);
    }
    template <class U>
    bool operator==(const WipingAllocator<U>&) const {
        return true;
    }
};
using SecretUnits = std::vector<char16_t, WipingAllocator<char16_t>>;

// A search text, folded once.
class SearchText {
public:
    SearchText() = default;
    explicit SearchText(const char16_t* text) { Assign(text); }
    SearchText(const SearchText&) = delete;
    SearchText& operator=(const SearchText&) = delete;

    // Null or empty: no search (every record of the category matches).
    void Assign(const char16_t* text);
    bool IsEmpty() const { return folded.empty(); }
    std::u16string_view Folded() const { return {folded.data(), folded.size()}; }

private:
    SecretUnits folded;
};

struct RecordFilter {
    explicit RecordFilter(int32_t categoryId = -1) : categoryId(categoryId) {}

    int32_t categoryId;     // the category filter box; -1: every category
    SearchText text;        // empty: no search
    bool unlocked = false;  // the data is unlocked: enciphered values are searched
};

// The match rule (above) for one record, without a cache: an enciphered
// record is deciphered into a copy that is wiped before this returns.
bool RecordMatches(const CRecord& record, const RecordFilter& filter);

// RecordMatches for the records of one list, answered from their folded
// values, which are kept between searches (they hold secrets while the data
// is unlocked, so they are wiped by Forget and by the destructor).
class CRecordSearch {
public:
    explicit CRecordSearch(const CRecords& records) : records(records) {}
    ~CRecordSearch() { Forget(); }
    CRecordSearch(const CRecordSearch&) = delete;
    CRecordSearch& operator=(const CRecordSearch&) = delete;

    // What RecordMatches answers for the record, as of the last Forget.
    bool Matches(const CRecord& record, const RecordFilter& filter);
    // Builds the folded values for this lock state now, if they are not
    // built already, so that the next keystroke does not wait for them (for
    // when the search box takes the focus, or right after an unlock).
    void Prepare(bool unlocked);
    // Wipes and drops the folded values and the last answers.
    void Forget();
    // Wipes the folded values of one record, which is then matched directly.
    void Forget(const CRecord& record);

private:
    void Build(bool unlocked);
    void Scan(std::u16string_view text);

    struct Entry {
        size_t begin;  // the record's folded values in `values`
        size_t end;
        bool matched;  // by `lastText`
    };
    const CRecords& records;
    SecretUnits values;
    std::vector<Entry> entries;
    std::unordered_map<const CRecord*, size_t> entryOf;
    bool built = false;
    bool builtUnlocked = false;
    SecretUnits lastText;
};
