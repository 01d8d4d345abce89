#include "model/KeyCheck.h"

#include "model/Record.h"
#include "model/base/CString.h"
#include "platform/Platform.h"
#include "security/Blowfish.h"

#include <cstring>
#include <memory>

namespace {

// How much evidence a fitting key needs, and what a block that does not read
// well costs it: a right key may meet a block or two damaged in the file,
// while a wrong one reads almost none of them well.
constexpr double kBitsNeeded = 32;
constexpr double kBitsPerBadBlock = 8;
constexpr double kBitsPerFillerUnit = 16;
constexpr double kBitsPerValueUnit = 1.0 / 32;

bool IsHighSurrogate(char16_t ch) { return ch >= 0xD800 && ch <= 0xDBFF; }
bool IsLowSurrogate(char16_t ch) { return ch >= 0xDC00 && ch <= 0xDFFF; }

// The block's units as its values and filler: 0 when they do not read well,
// else the bits of evidence they carry.
double Evidence(const char16_t* units, const CRecord& record) {
    int32_t total = 0;
    for (int32_t length : record.partLength) total += length;
    for (int32_t i = 0; i < total; ++i) {
        char16_t ch = units[i];
        if (ch == 0 || IsLowSurrogate(ch)) return 0;
        if (IsHighSurrogate(ch)) {
            if (i + 1 >= total || !IsLowSurrogate(units[i + 1])) return 0;
            ++i;
        }
    }
    for (int32_t i = total; i < record.blockLength; ++i) {
        if (units[i] != 0) return 0;
    }
    return kBitsPerFillerUnit * (record.blockLength - total) + kBitsPerValueUnit * total;
}

}  // namespace

KeyFit CheckKeyAgainstRecords(const std::vector<const CRecord*>& records, const BlowfishContext* key) {
    double balance = 0, possible = 0;
    std::vector<char16_t> block;
    for (const CRecord* record : records) {
        if (record->blockLength <= 0) continue;
        block.assign(record->fieldBlock, record->fieldBlock + record->blockLength);
        if (key) BlowfishDecipherBlocks(*key, block.data(), block.size() * sizeof(char16_t));
        double bits = Evidence(block.data(), *record);
        balance += bits > 0 ? bits : -kBitsPerBadBlock;
        int32_t total = 0;
        for (int32_t length : record->partLength) total += length;
        possible += kBitsPerFillerUnit * (record->blockLength - total) + kBitsPerValueUnit * total;
    }
    platform::Wipe(block.data(), block.size() * sizeof(char16_t));
    if (balance >= kBitsNeeded) return KeyFit::kFits;
    return possible < kBitsNeeded ? KeyFit::kCannotTell : KeyFit::kDoesNotFit;
}

KeyFit CheckPasswordAgainstRecords(const std::vector<const CRecord*>& records, const char16_t* password) {
    auto key = std::make_unique<BlowfishContext>();
    BlowfishSetKey(*key, reinterpret_cast<const unsigned char*>(password),
                   2 * static_cast<size_t>(TextLength(password)));
    KeyFit fit = CheckKeyAgainstRecords(records, key.get());
    platform::Wipe(key.get(), sizeof *key);
    return fit;
}
