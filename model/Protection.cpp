#include "model/Protection.h"

#include "model/Category.h"
#include "model/Record.h"
#include "security/Cipher.h"
#include "storage/CxFile.h"

namespace {

void EncipherProtected(CRecords& records, CxFile& file, const CCategories& categories) {
    for (CRecord* r : Nodes<CRecord>(records)) {
        if (!r->isEnciphered && r->EncipherBlock(&categories)) {
            r->isEnciphered = true;
            r->Save(file, true);
        }
    }
}

void DecipherProtected(CRecords& records, CxFile& file, const CCategories& categories) {
    for (CRecord* r : Nodes<CRecord>(records)) {
        if (r->isEnciphered && r->DecipherBlock(&categories)) {
            r->isEnciphered = false;
            r->Save(file, true);
        }
    }
}

}  // namespace

void OnPasswordAdded(CRecords& records, CxFile& file, const char16_t* newPassword, const CCategories& categories) {
    SetPassword(newPassword);
    EncipherProtected(records, file, categories);
}

void OnPasswordChanged(CRecords& records, CxFile& file, const char16_t* newPassword, const CCategories& categories) {
    DecipherProtected(records, file, categories);
    SetPassword(newPassword);
    EncipherProtected(records, file, categories);
}

void OnPasswordRemoved(CRecords& records, CxFile& file, const CCategories& categories) {
    DecipherProtected(records, file, categories);
}

// A record belongs to the category FindById gives for it, so records whose
// category is missing follow the first category, as they do at load; and a
// block is never enciphered or deciphered twice.
void ProtectCategory(CRecords& records, CxFile& file, const CCategories& categories, const CCategory& category) {
    for (CRecord* r : Nodes<CRecord>(records)) {
        if (r->isEnciphered || categories.FindById(r->categoryId) != &category) continue;
        EncipherBuffer(r->fieldBlock, 2 * r->blockLength);
        r->isEnciphered = true;
        r->Save(file, true);
    }
}

void UnprotectCategory(CRecords& records, CxFile& file, const CCategories& categories, const CCategory& category) {
    for (CRecord* r : Nodes<CRecord>(records)) {
        if (!r->isEnciphered || categories.FindById(r->categoryId) != &category) continue;
        DecipherBuffer(r->fieldBlock, 2 * r->blockLength);
        r->isEnciphered = false;
        r->Save(file, true);
    }
}

void SwitchCategoryProtection(CRecords& records, CxFile& file, const CCategories& categories, CCategory& category,
                              bool protect) {
    if (protect != category.isProtected && HasPassword()) {
        if (protect) {
            ProtectCategory(records, file, categories, category);
        } else {
            UnprotectCategory(records, file, categories, category);
        }
    }
    category.isProtected = protect;
    category.Save(file, false);
}
