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
// The whole protection switch of a category, the one place a transaction is
// to wrap: while a password is set, every record of the category is rewritten
// once in its final form (enciphered for on, in clear for off), and only then
// does the flag change and the category entry get written. Without a
// password only the flag changes. The category is saved in every case.
void SwitchCategoryProtection(CRecords& records, CxFile& file, const CCategories& categories, CCategory& category,
                              bool protect);
