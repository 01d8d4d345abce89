// Blowfish as published by its designer: 16 rounds, key schedule from the
// digits of pi. Blocks are two 32-bit halves passed by reference.
#pragma once

#include <cstddef>
#include <cstdint>

struct BlowfishContext {
    uint32_t p[18];
    uint32_t s[4][256];
};

void BlowfishSetKey(BlowfishContext& context, const unsigned char* key, size_t keyLength);
void BlowfishEncipher(const BlowfishContext& context, uint32_t& left, uint32_t& right);
void BlowfishDecipher(const BlowfishContext& context, uint32_t& left, uint32_t& right);

// Each 8-byte block is read as two little-endian words, left half first, and
// written back the same way; blocks are independent (no chaining).
void BlowfishEncipherBlocks(const BlowfishContext& context, void* buffer, size_t byteCount);
void BlowfishDecipherBlocks(const BlowfishContext& context, void* buffer, size_t byteCount);
