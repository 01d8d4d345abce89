#include "security/Blowfish.h"

#include <cstring>

namespace {

const uint32_t kPiWords[18 + 4 * 256] = {
#include "security/BlowfishConstants.inc"
};

inline uint32_t F(const BlowfishContext& c, uint32_t x) {
    return ((c.s[0][x >> 24] + c.s[1][(x >> 16) & 0xFF]) ^ c.s[2][(x >> 8) & 0xFF]) + c.s[3][x & 0xFF];
}

}  // namespace

void BlowfishEncipher(const BlowfishContext& c, uint32_t& left, uint32_t& right) {
    uint32_t l = left;
    uint32_t r = right;
    for (int i = 0; i < 16; i += 2) {
        l ^= c.p[i];
        r ^= F(c, l);
        r ^= c.p[i + 1];
        l ^= F(c, r);
    }
    left = r ^ c.p[17];
    right = l ^ c.p[16];
}

void BlowfishDecipher(const BlowfishContext& c, uint32_t& left, uint32_t& right) {
    uint32_t l = left;
    uint32_t r = right;
    for (int i = 17; i > 1; i -= 2) {
        l ^= c.p[i];
        r ^= F(c, l);
        r ^= c.p[i - 1];
        l ^= F(c, r);
    }
    left = r ^ c.p[0];
    right = l ^ c.p[1];
}

void BlowfishSetKey(BlowfishContext& c, const unsigned char* key, size_t keyLength) {
    std::memcpy(c.p, kPiWords, sizeof c.p);
    std::memcpy(c.s, kPiWords + 18, sizeof c.s);
    const unsigned char zero = 0;
    if (keyLength == 0) {
        key = &zero;
        keyLength = 1;
    }
    size_t k = 0;
    for (uint32_t& word : c.p) {
        uint32_t data = 0;
        for (int b = 0; b < 4; ++b) {
            data = (data << 8) | key[k];
            k = (k + 1) % keyLength;
        }
        word ^= data;
    }
    uint32_t l = 0;
    uint32_t r = 0;
    for (int i = 0; i < 18; i += 2) {
        BlowfishEncipher(c, l, r);
        c.p[i] = l;
        c.p[i + 1] = r;
    }
    for (auto& box : c.s) {
        for (int i = 0; i < 256; i += 2) {
            BlowfishEncipher(c, l, r);
            box[i] = l;
            box[i + 1] = r;
        }
    }
}

void BlowfishEncipherBlocks(const BlowfishContext& c, void* buffer, size_t byteCount) {
    auto* bytes = static_cast<unsigned char*>(buffer);
    for (size_t at = 0; at + 8 <= byteCount; at += 8) {
        uint32_t half[2];
        std::memcpy(half, bytes + at, 8);  // little-endian hosts only (checked by the core)
        BlowfishEncipher(c, half[0], half[1]);
        std::memcpy(bytes + at, half, 8);
    }
}

void BlowfishDecipherBlocks(const BlowfishContext& c, void* buffer, size_t byteCount) {
    auto* bytes = static_cast<unsigned char*>(buffer);
    for (size_t at = 0; at + 8 <= byteCount; at += 8) {
        uint32_t half[2];
        std::memcpy(half, bytes + at, 8);
        BlowfishDecipher(c, half[0], half[1]);
        std::memcpy(bytes + at, half, 8);
    }
}
