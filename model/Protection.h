// Password and protection changes that re-encipher or decipher stored records.
// Every record touched is saved again.
#pragma once

#include "security/PasswordRules.h"

class CxFile;
class CRecords;
class CCategories;
class CCategory;

void OnPasswordAdded(CRecords& records, CxFile& file, const char16_t* newPassword, const CCategories& categories);
// masterCipher must hold the old password's key (a successful VerifyPassword).
void OnPasswordChanged(CRecords& records, CxFile& file, const char16_t* newPassword, const CCategories& categories);
// The caller then clears the verifier (ClearPassword).
void OnPasswordRemoved(CRecords& records, CxFile& file, const CCategories& categories);
void ProtectCategory(CRecords& records, CxFile& file, const CCategories& categories, const CCategory& category);
void UnprotectCategory(CRecords& records, CxFile& file, const CCategories& categories, const CCategory& category);

// Carries out what the Change Password dialog or `passwd` decided: Add
// enciphers the protected records under the new password, Change
// re-enciphers them, Remove deciphers them and clears the verifier.
void ApplyPasswordAction(PasswordAction action, const char16_t* newPassword, CRecords& records, CxFile& file,
                         const CCategories& categories);
