// The key in use for protected records and the password verifier: the fixed
// text "_ORVAN_QRP_DUMMY" enciphered under the master password, kept in the
// settings so that a typed password can be recognised without storing it.
#pragma once

#include "security/Blowfish.h"

#include <cstdint>

// The schedule of the password last accepted or set; zeros before that.
extern BlowfishContext masterCipher;

// Passwords have at most this many characters; longer input is cut.
inline constexpr int32_t kMaxPasswordLength = 31;

// In place with masterCipher; byteCount is a multiple of 8. Enciphering
// refuses (false, buffer unchanged) while no verified key is in use: what an
// empty key enciphered could never be read again.
bool EncipherBuffer(void* buffer, int32_t byteCount);
void DecipherBuffer(void* buffer, int32_t byteCount);

// A master password is set: the active verifier is not all zero.
bool HasPassword();
// masterCipher holds the key of the password the active verifier names: a
// VerifyPassword accepted it or SetPassword made it.
bool HasVerifiedKey();
// True when the password matches the verifier; its schedule then becomes masterCipher.
bool VerifyPassword(const char16_t* password);
// Keys masterCipher, stores the new verifier and saves the settings; false
// when the settings could not be saved.
bool SetPassword(const char16_t* password);
// Clears the verifier and saves the settings (after every record was deciphered).
bool ClearPassword();
// Wipes the key in use: enciphering refuses, and deciphered values are
// garbage, until the next VerifyPassword or SetPassword.
void ForgetKey();
