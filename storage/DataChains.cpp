#include "storage/DataChains.h"

#include <algorithm>
#include <cstring>

using cx::At;
using cx::kNone;

int32_t CxDataChains::MaxChainPages(int32_t length) const {
    return std::max<int32_t>(1, (length + Capacity() - 1) / Capacity());
}

bool CxDataChains::Load(int32_t offset) {
    if (!pager.ReadPage(offset, dataPage.words)) return false;
    if (dataPage.Count() < 0 || dataPage.Count() > Capacity()) {
        pager.ReportDamage(At("the data page", offset) + " claims more bytes than fit");
        return false;
    }
    return true;
}

bool CxDataChains::Walk(int32_t first, int32_t length, std::vector<int32_t>* offsets, unsigned char* out) {
    if (length < 0) {
        pager.ReportDamage("an entry has a negative length");
        return false;
    }
    int32_t remaining = length;
    int32_t page = first;
    int32_t previous = kNone;
    for (int32_t visited = 0;; ++visited) {
        if (visited == MaxChainPages(length)) {
            pager.ReportDamage(At("the data chain starting", first) + " has more pages than its length needs");
            return false;
        }
        if (!Load(page)) return false;
        if (dataPage.PrevPage() != previous) {
            pager.ReportDamage(At("the data page", page) + " does not link back to the page before it");
            return false;
        }
        int32_t n = dataPage.Count();
        if (n > remaining) {
            pager.ReportDamage(At("the data chain starting", first) + " holds more bytes than its entry states");
            return false;
        }
        if (out) std::memcpy(out + (length - remaining), dataPage.Bytes(), static_cast<size_t>(n));
        if (offsets) offsets->push_back(page);
        remaining -= n;
        previous = page;
        page = dataPage.NextPage();
        if (page < 1) break;
    }
    if (remaining != 0) {
        pager.ReportDamage(At("the data chain starting", first) + " holds fewer bytes than its entry states");
        return false;
    }
    return true;
}

bool CxDataChains::Write(int32_t first, const unsigned char* data, int32_t length) {
    int32_t page = first;
    int32_t previous = kNone;
    int32_t done = 0;
    do {
        int32_t n = std::min(Capacity(), length - done);
        dataPage.PrevPage() = previous;
        dataPage.Count() = n;
        if (n > 0) std::memcpy(dataPage.Bytes(), data + done, static_cast<size_t>(n));
        // The unused tail is zeroed: what the buffer held before stays out of the file.
        std::memset(dataPage.Bytes() + n, 0, static_cast<size_t>(Capacity() - n));
        done += n;
        int32_t next = kNone;
        if (done < length) {
            next = pager.AllocPage();
            if (next == kNone) return false;
        }
        dataPage.NextPage() = next;
        if (!pager.WritePage(page, dataPage.words.data())) return false;
        previous = page;
        page = next;
    } while (page != kNone);
    return true;
}

bool CxDataChains::Release(const std::vector<int32_t>& offsets) {
    for (int32_t page : offsets) {
        if (!pager.FreePage(page)) return false;
    }
    return true;
}
