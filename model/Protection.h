// Password and protection changes that re-encipher or decipher stored records.
// Every record touched is saved again.
#pragma once

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
