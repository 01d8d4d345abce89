// The record file's keys: a doubly linked chain of sorted index pages, one of
// them held as the current page with a cursor on one of its entries. Every
// lookup and walk starts from the current page; every walk is bounded, so a
// damaged chain cannot make one endless.
#pragma once

#include "storage/Pager.h"

#include <cstdint>
#include <functional>
#include <vector>

class CxKeyIndex {
public:
    static constexpr int32_t kPageHeadSize = 24;
    static constexpr int32_t kEntrySize = 12;

    explicit CxKeyIndex(CxPager& pager) : pager(pager) {}
    CxKeyIndex(const CxKeyIndex&) = delete;
    CxKeyIndex& operator=(const CxKeyIndex&) = delete;

    // The page buffer, for the file's page size.
    void Start(int32_t pageSize);
    void Stop();
    // The first page of the chain becomes the current page.
    void LoadFirst();
    // After the changes of a transaction were dropped: the first page again.
    void AfterDiscard();
    bool Started() const { return !current.words.empty(); }

    bool Find(int32_t key);
    bool First();
    bool Next();
    bool Last();
    void Unposition() { cursor = cx::kNone; }
    bool CursorValid() { return cursor >= 0 && cursor < current.Count(); }
    // The current entry's fields; the cursor must be valid.
    int32_t Key() { return current.Key(cursor); }
    int32_t DataPage() { return current.DataPage(cursor); }
    int32_t Length() { return current.Length(cursor); }

    // Adds the key to the page it belongs to (splitting a full one), with a
    // new data page for its payload, and writes the index page; the cursor
    // goes to the new entry.
    bool InsertEntry(int32_t key, int32_t length, int32_t& dataStart);
    // Points the current entry at another chain (WriteCurrent stores it).
    void SetCurrentData(int32_t dataStart, int32_t length);
    bool WriteCurrent() { return WriteIndexPage(current); }
    // Removes the current entry, unlinking and freeing a page it leaves
    // empty; release drops the entry's data chain once the neighbours are read.
    bool RemoveCurrent(const std::function<bool()>& release);

private:
    // An index page held as 32-bit words: six head words, then three per entry.
    struct IndexPage {
        std::vector<int32_t> words;
        int32_t& Low() { return words[0]; }
        int32_t& High() { return words[1]; }
        int32_t& Self() { return words[2]; }
        int32_t& NextPage() { return words[3]; }
        int32_t& PrevPage() { return words[4]; }
        int32_t& Count() { return words[5]; }
        int32_t& Key(int32_t i) { return words[6 + 3 * i]; }
        int32_t& DataPage(int32_t i) { return words[7 + 3 * i]; }
        int32_t& Length(int32_t i) { return words[8 + 3 * i]; }
        void MoveEntries(int32_t to, int32_t from, int32_t n);
    };

    int32_t Capacity() const { return (pager.PageSize() - kPageHeadSize) / kEntrySize; }
    bool LoadIndexPage(int32_t offset, IndexPage& page);
    bool WriteIndexPage(IndexPage& page);
    bool SplitPage(int32_t key);

    CxPager& pager;
    IndexPage current;
    int32_t cursor = cx::kNone;
};
