// Reads what can still be read from a damaged record file: every entry of
// the index chain as far as it holds together, then the entries of index
// pages the chain no longer reaches, for keys the chain did not give. Each
// payload is taken only when its whole data chain is sound.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SalvagedEntry {
    int32_t key;
    std::vector<unsigned char> payload;
    bool outsideIndex;  // found in a page the chain does not reach: possibly an older version
};

struct SalvageResult {
    std::string error;                   // the file cannot be read at all, or is not of this signature
    std::vector<SalvagedEntry> entries;  // ascending keys
    int32_t unreadable = 0;              // entries whose payload could not be read
    bool headerDamaged = false;          // the pages were scanned without the header's guidance
};

SalvageResult SalvageRecordFile(const char16_t* path, const char* signature);
