// Random passwords from up to four groups of characters that leave out
// look-alikes (I, O, i, l, o, 0, 1). Every character is drawn on its own from
// the whole pool of the chosen groups, by the system's cryptographic random
// source; nothing is seeded, so no output follows from the time of day.
#pragma once

#include "model/base/CString.h"

#include <cstdint>

inline constexpr char16_t UppercaseGroup[] = u"ABCDEFGHJKLMNPQRSTUVWXYZ";
inline constexpr char16_t LowercaseGroup[] = u"abcdefghjkmnpqrstuvwxyz";
inline constexpr char16_t DigitGroup[] = u"23456789";
inline constexpr char16_t PunctuationGroup[] = u"~!@#$%&*-+=";

inline constexpr int32_t kMinGeneratedLength = 4;
inline constexpr int32_t kMaxGeneratedLength = 32;
// What the generator offers when it opens.
inline constexpr int32_t kDefaultGeneratedLength = 6;

// An index from 0 to n - 1, every one equally likely (0 when n is 0), or -1
// when the system's random source fails.
int32_t NextPasswordRandom(uint16_t n);

// The groups' characters in their fixed order: upper, lower, digits, punctuation.
CString PasswordPool(bool upper, bool lower, bool digits, bool punctuation);

// Replaces out with a password of length characters from the chosen groups.
// False (out empty) when no group is chosen, the length is outside 4 to 32 or
// the random source fails.
bool GeneratePassword(CString& out, int32_t length, bool upper, bool lower, bool digits, bool punctuation);

// The Generate command's checks, in its order: the string id of the message
// that refuses the choice (no group: 30401; length outside 4 to 32: 30402),
// or 0 when it can be generated.
int32_t GeneratorChoiceError(int32_t length, bool upper, bool lower, bool digits, bool punctuation);
