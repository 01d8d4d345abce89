// Password and protection changes that re-encipher or decipher stored records.
// Every record touched is saved again, once and in its final form, and each
// change is one transaction: on failure (false) the file and the records in
// memory are as they were, and so are the key and the verifier.
#pragma once

#include "security/PasswordRules.h"

class CxFile;
class CRecords;
class CCategories;
class CCategory;

bool OnPasswordAdded(CRecords& records, CxFile& file, const char16_t* newPassword, const CCategories& categories);
// The operations below need the key of the password in use (a successful
// VerifyPassword); without one (KeyInstalled false) they refuse, answer
// false and touch nothing.
bool OnPasswordChanged(CRecords& records, CxFile& file, const char16_t* newPassword, const CCategories& categories);
// Deciphers every protected record and clears the verifier (ClearPassword).
bool OnPasswordRemoved(CRecords& records, CxFile& file, const CCategories& categories);
// A protection switch is one transaction with the category's own save: the
// caller opens it (CxTransaction), saves the category, calls these, commits.
bool ProtectCategory(CRecords& records, CxFile& file, const CCategories& categories, const CCategory& category);
bool UnprotectCategory(CRecords& records, CxFile& file, const CCategories& categories, const CCategory& category);

// Carries out what the Change Password dialog or `passwd` decided: Add
// enciphers the protected records under the new password, Change
// re-enciphers them, Remove deciphers them and clears the verifier. False
// (with everything as it was) when the file could not be written.
bool ApplyPasswordAction(PasswordAction action, const char16_t* newPassword, CRecords& records, CxFile& file,
                         const CCategories& categories);
// The same on the records as the file holds them, for a database whose
// records are not loaded (quorrel-cli passwd): they are read, rewritten and
// saved a batch at a time, so the memory needed stays that of the
// transaction's pages and one batch, whatever the number of records. One
// transaction; on failure (false) the file, the key and the verifier are as
// they were.
bool ApplyPasswordActionToFile(PasswordAction action, const char16_t* newPassword, CxFile& file,
                               const CCategories& categories);
// The whole protection switch of a category, one transaction: while a
// password is set, every record of the category is rewritten once in its
// final form (enciphered for on, in clear for off), then the flag changes
// and the category entry is written. Without a password only the flag
// changes. False, with the records, the flag and the file as they were, when
// a write failed or the key is missing.
bool SwitchCategoryProtection(CRecords& records, CxFile& file, const CCategories& categories, CCategory& category,
                              bool protect);
