// The record file's payloads: each in its own chain of data pages (previous,
// next, byte count, then the bytes), read and written through one page buffer.
#pragma once

#include "storage/Pager.h"

#include <cstdint>
#include <vector>

class CxDataChains {
public:
    static constexpr int32_t kPageHeadSize = 12;

    explicit CxDataChains(CxPager& pager) : pager(pager) {}
    CxDataChains(const CxDataChains&) = delete;
    CxDataChains& operator=(const CxDataChains&) = delete;

    void Start(int32_t pageSize) { dataPage.words.assign(static_cast<size_t>(pageSize) / 4, 0); }
    void Stop() { dataPage.words.clear(); }

    int32_t Capacity() const { return pager.PageSize() - kPageHeadSize; }
    // Reads a payload's chain page by page into out (when given), collecting
    // its offsets (when asked); false (and damage) when it breaks the format.
    bool Walk(int32_t first, int32_t length, std::vector<int32_t>* offsets, unsigned char* out);
    // Writes the payload from its first page on, taking more pages as it needs.
    bool Write(int32_t first, const unsigned char* data, int32_t length);
    bool Release(const std::vector<int32_t>& offsets);

private:
    // A data page: previous, next, byte count, then the payload bytes.
    struct DataPage {
        std::vector<int32_t> words;
        int32_t& PrevPage() { return words[0]; }
        int32_t& NextPage() { return words[1]; }
        int32_t& Count() { return words[2]; }
        unsigned char* Bytes() { return reinterpret_cast<unsigned char*>(words.data() + 3); }
    };

    int32_t MaxChainPages(int32_t length) const;
    bool Load(int32_t offset);

    CxPager& pager;
    DataPage dataPage;
};
