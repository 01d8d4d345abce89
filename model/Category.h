// Categories: the name, icon and field labels that give records their shape,
// and whether their records are protected by the master password.
#pragma once

#include "model/base/DList.h"

#include <cstdint>

class CxFile;
class CRecords;

class CCategory : public CDListNode {
public:
    static constexpr int32_t kTextUnits = 32;  // 31 characters and a NUL
    static constexpr int32_t kEntrySize = 564;
    static constexpr int32_t kMarkerKey = 100;  // the entry before the first category
    static constexpr int32_t kFirstKey = 101;
    static constexpr int32_t kLastId = 999 - kFirstKey;

    int32_t id = -1;
    bool isProtected = false;
    int32_t created = 0;
    int32_t modified = 0;
    int32_t createMark = 0;
    int32_t changeMark = 0;
    int32_t columnWidth[7] = {-1, -1, -1, -1, -1, -1, -1};
    char16_t iconName[kTextUnits] = {};
    char16_t name[kTextUnits] = {};
    char16_t fieldLabel[6][kTextUnits] = {};
    bool isDirty = false;

    // Writes the 564-byte entry under key id + 101.
    bool Save(CxFile& file, bool isNew);
    void Encode(unsigned char* entry) const;
    // Fills the category from a stored entry; false when it is not 564 bytes.
    bool Decode(const unsigned char* entry, int32_t length);
};

class CCategories : public CDList {
public:
    // Sorted by name ignoring case; an empty name in b sorts it first.
    int Compare(const CDListNode* a, const CDListNode* b) const override;

    // Reads every stored category; false when an entry was damaged and left out.
    bool Load(CxFile& file);
    CCategory* First() const { return static_cast<CCategory*>(head); }
    // A fresh category with the lowest free id above the smallest in use;
    // null when that id would not fit below the record marker.
    CCategory* CreateWithFreeId() const;
    // The category with this id, or the first one when none has it.
    CCategory* FindById(int32_t id) const;
    CCategory* FindByName(const char16_t* name) const;
    bool SaveDirtyCategories(CxFile& file);
    // Refused (false) while a record still belongs to the category.
    bool DeleteCategory(CRecords& records, CxFile& file, CCategory* category);
};

// Writes the twelve default categories of a new database.
bool WriteDefaultCategories(CxFile& file);
