// The key in use for protected records and the password verifier: the fixed
// text "_ORVAN_QRP_DUMMY" enciphered under the master password, kept in the
// settings so that a typed password can be recognised without storing it.
#pragma once

#include "security/Blowfish.h"

#include <cstdint>

// The schedule of the password last accepted or set; zeros before that and
// after WipeKey.
extern BlowfishContext masterCipher;

// Passwords have at most this many characters; longer input is cut.
inline constexpr int32_t kMaxPasswordLength = 31;

// In place with masterCipher; byteCount is a multiple of 8. Both refuse,
// leaving the buffer as it is, while no verified key is installed: a block
// enciphered under zeros, or "deciphered" with them, would be lost.
bool EncipherBuffer(void* buffer, int32_t byteCount);
bool DecipherBuffer(void* buffer, int32_t byteCount);

// masterCipher holds the key of a password VerifyPassword accepted or
// SetPassword set, and no WipeKey came after.
bool KeyInstalled();
// Zeroes masterCipher: when the data locks, when the password is removed and
// at exit. The next successful VerifyPassword installs the key again.
void WipeKey();
// Puts back a key and its state as they were before a change that failed.
void ReinstallKey(const BlowfishContext& key, bool installed);
// For tests: every word of masterCipher is zero.
bool MasterCipherIsZero();

// A master password is set: the active verifier is not all zero.
bool HasPassword();
// True when the password matches the verifier; its schedule then becomes masterCipher.
bool VerifyPassword(const char16_t* password);
// Keys masterCipher, stores the new verifier and saves the settings; false
// when the settings could not be saved.
bool SetPassword(const char16_t* password);
// Clears the verifier, wipes the key and saves the settings (after every
// record was deciphered); false when the settings could not be saved.
bool ClearPassword();
