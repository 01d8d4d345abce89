// The pages a transaction has changed, kept until its commit. A transaction
// may change every page of a large file (a password change rewrites every
// protected record), so a page costs little beyond its own bytes: the bytes
// lie in blocks that never move once filled, and a page is found through a
// two-level table indexed by its number, which also gives the pages in the
// order of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class CxChangedPages {
public:
    // Forgets every page and takes the page size of the file.
    void Start(int32_t pageSize);
    // Forgets every page and gives the memory back.
    void Clear();
    bool Empty() const { return count == 0; }

    // The page's bytes as the transaction left them, or null when it has not
    // written the page.
    const unsigned char* Find(int32_t offset) const;
    // Keeps a copy of the page's bytes (pageSize of them).
    void Put(int32_t offset, const unsigned char* bytes);

    // Calls visit(offset, bytes) for every page kept at an offset from `from`
    // up to (not including) `to`, in the order of the file; stops at the
    // first visit that answers false, and answers what the last visit did.
    template <typename Visit>
    bool ForEach(int64_t from, int64_t to, Visit visit) const;

private:
    static constexpr size_t kLeafBits = 10;  // 1,024 pages per table leaf
    static constexpr size_t kLeafSize = size_t{1} << kLeafBits;
    static constexpr size_t kBlockBytes = 64 * 1024;
    static constexpr int64_t kFirstPage = 36;  // the pages follow the file's header

    size_t PageNumber(int64_t offset) const;
    int64_t PageOffset(size_t number) const;
    unsigned char* Bytes(uint32_t slot) const;

    int32_t pageSize = 0;
    size_t pagesPerBlock = 0;
    size_t count = 0;
    // slot + 1 of each page's bytes, 0 where the page was not written.
    std::vector<std::unique_ptr<uint32_t[]>> table;
    std::vector<std::unique_ptr<unsigned char[]>> blocks;
};

template <typename Visit>
bool CxChangedPages::ForEach(int64_t from, int64_t to, Visit visit) const {
    bool going = true;
    const size_t first = from <= PageOffset(0) ? 0 : PageNumber(from + pageSize - 1);
    for (size_t leaf = first >> kLeafBits; going && leaf < table.size(); ++leaf) {
        if (!table[leaf]) continue;
        for (size_t i = leaf == (first >> kLeafBits) ? first & (kLeafSize - 1) : 0; going && i < kLeafSize; ++i) {
            const uint32_t slot = table[leaf][i];
            const int64_t offset = PageOffset((leaf << kLeafBits) | i);
            if (offset >= to) return going;
            if (slot != 0)
                going = visit(static_cast<int32_t>(offset), static_cast<const unsigned char*>(Bytes(slot - 1)));
        }
    }
    return going;
}
