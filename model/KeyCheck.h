// What the protected records themselves say about a key, for a database
// whose password verifier was lost (salvage). A field block deciphered under
// the key it was enciphered with holds its values (no zero unit, surrogates
// in pairs) followed by zero units up to its whole cipher blocks; under any
// other key it is noise, in which a zero filler unit turns up once in 65,536
// and a unit that could end a value cleanly 31 times in 32.
#pragma once

#include <vector>

class CRecord;
struct BlowfishContext;

enum class KeyFit {
    kFits,
    kDoesNotFit,
    kCannotTell  // the blocks hold too little to tell a right key from a wrong one
};

// With key null, the blocks as they are stored: were they ever enciphered?
// Each block that reads well speaks for the key by what it could not have
// shown by chance; each that does not (damage, or a wrong key) speaks
// against it. The key fits when the balance is worth 32 bits or more.
KeyFit CheckKeyAgainstRecords(const std::vector<const CRecord*>& records, const BlowfishContext* key);
// The same for the key of a password.
KeyFit CheckPasswordAgainstRecords(const std::vector<const CRecord*>& records, const char16_t* password);
