#include "storage/ChangedPages.h"

#include "platform/Platform.h"

#include <cstring>

void CxChangedPages::Start(int32_t size) {
    Clear();
    pageSize = size;
    pagesPerBlock = kBlockBytes / static_cast<size_t>(size);
}

void CxChangedPages::Clear() {
    // A page may hold values deciphered for the file (a password removed).
    for (size_t i = 0; i < blocks.size(); ++i) {
        const size_t used =
            i + 1 < blocks.size() ? kBlockBytes : (count - i * pagesPerBlock) * static_cast<size_t>(pageSize);
        platform::Wipe(blocks[i].get(), used);
    }
    table.clear();
    table.shrink_to_fit();
    blocks.clear();
    blocks.shrink_to_fit();
    count = 0;
}

size_t CxChangedPages::PageNumber(int64_t offset) const {
    return static_cast<size_t>((offset - kFirstPage) / pageSize);
}

int64_t CxChangedPages::PageOffset(size_t number) const { return kFirstPage + static_cast<int64_t>(number) * pageSize; }

unsigned char* CxChangedPages::Bytes(uint32_t slot) const {
    return blocks[slot / pagesPerBlock].get() + slot % pagesPerBlock * static_cast<size_t>(pageSize);
}

const unsigned char* CxChangedPages::Find(int32_t offset) const {
    const size_t number = PageNumber(offset);
    const size_t leaf = number >> kLeafBits;
    if (leaf >= table.size() || !table[leaf]) return nullptr;
    const uint32_t slot = table[leaf][number & (kLeafSize - 1)];
    return slot == 0 ? nullptr : Bytes(slot - 1);
}

void CxChangedPages::Put(int32_t offset, const unsigned char* bytes) {
    const size_t number = PageNumber(offset);
    const size_t leaf = number >> kLeafBits;
    if (leaf >= table.size()) table.resize(leaf + 1);
    if (!table[leaf]) table[leaf] = std::make_unique<uint32_t[]>(kLeafSize);  // zeroed: no page yet
    uint32_t& slot = table[leaf][number & (kLeafSize - 1)];
    if (slot == 0) {
        if (count == blocks.size() * pagesPerBlock) blocks.push_back(std::make_unique<unsigned char[]>(kBlockBytes));
        slot = static_cast<uint32_t>(++count);
    }
    std::memcpy(Bytes(slot - 1), bytes, static_cast<size_t>(pageSize));
}
