// Password and protection changes that re-encipher or decipher stored records.
// Every record touched is saved again.
#pragma once

class CxFile;
class CRecords;
class CCategories;
class CCategory;

void OnPasswordAdded(CRecords& records, CxFile& file, const char16_t* newPassword, const CCategories& categories);
// The operations below need the key of the password in use (a successful
// VerifyPassword); without one (KeyInstalled false) they refuse, answer
// false and touch nothing.
bool OnPasswordChanged(CRecords& records, CxFile& file, const char16_t* newPassword, const CCategories& categories);
// The caller then clears the verifier (ClearPassword).
bool OnPasswordRemoved(CRecords& records, CxFile& file, const CCategories& categories);
bool ProtectCategory(CRecords& records, CxFile& file, const CCategories& categories, const CCategory& category);
bool UnprotectCategory(CRecords& records, CxFile& file, const CCategories& categories, const CCategory& category);
