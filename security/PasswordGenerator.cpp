#include "security/PasswordGenerator.h"

#include "model/base/StringTable.h"
#include "platform/Platform.h"

int32_t NextPasswordRandom(uint16_t n) {
    if (n == 0) return 0;
    // Rejection sampling: of the 2^32 draws, the top 2^32 mod n would make
    // the low indexes more likely under a plain modulo, so they are drawn again.
    const uint64_t range = uint64_t{1} << 32;
    const uint64_t accepted = range - range % n;
    for (;;) {
        uint32_t r = 0;
        if (!platform::RandomBytes(&r, sizeof r)) return -1;
        if (r < accepted) {
            int32_t index = static_cast<int32_t>(r % n);
            platform::Wipe(&r, sizeof r);
            return index;
        }
    }
}

CString PasswordPool(bool upper, bool lower, bool digits, bool punctuation) {
    CString pool(u"");
    if (upper) pool.Append(UppercaseGroup);
    if (lower) pool.Append(LowercaseGroup);
    if (digits) pool.Append(DigitGroup);
    if (punctuation) pool.Append(PunctuationGroup);
    return pool;
}

bool GeneratePassword(CString& out, int32_t length, bool upper, bool lower, bool digits, bool punctuation) {
    out.Assign(u"");
    if (GeneratorChoiceError(length, upper, lower, digits, punctuation) != 0) return false;
    CString pool = PasswordPool(upper, lower, digits, punctuation);
    char16_t password[kMaxGeneratedLength + 1] = {};
    bool drawn = true;
    for (int32_t i = 0; i < length && drawn; ++i) {
        int32_t index = NextPasswordRandom(static_cast<uint16_t>(pool.Length()));
        drawn = index >= 0;
        if (drawn) password[i] = pool.c_str()[index];
    }
    if (drawn) out.AssignUnits(password, length);
    platform::Wipe(password, sizeof password);
    return drawn;
}

int32_t GeneratorChoiceError(int32_t length, bool upper, bool lower, bool digits, bool punctuation) {
    if (!upper && !lower && !digits && !punctuation) return IDS_INCLUDE_A_GROUP;
    if (length < kMinGeneratedLength || length > kMaxGeneratedLength) return IDS_GENERATED_LENGTH_RANGE;
    return 0;
}
