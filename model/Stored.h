// Little-endian integers and UTF-16 texts inside stored entries.
#pragma once

#include <cstdint>
#include <cstring>

inline void StoreInt32(unsigned char* entry, int32_t offset, int32_t value) { std::memcpy(entry + offset, &value, 4); }

inline int32_t LoadInt32(const unsigned char* entry, int32_t offset) {
    int32_t value;
    std::memcpy(&value, entry + offset, 4);
    return value;
}

inline void StoreUnits(unsigned char* entry, int32_t offset, const char16_t* text, int32_t units) {
    std::memcpy(entry + offset, text, static_cast<size_t>(units) * 2);
}

// A 32-unit text field: copied up to its NUL, at most 31 characters.
inline void LoadText31(const unsigned char* entry, int32_t offset, char16_t* out) {
    int32_t n = 0;
    for (; n < 31; ++n) {
        char16_t ch;
        std::memcpy(&ch, entry + offset + 2 * n, 2);
        if (ch == 0) break;
        out[n] = ch;
    }
    out[n] = 0;
}
