// Records: seven values (the first field, fields 2 to 6 and the note) in the
// shape their category gives them. Values 1 to 6 live together in one field
// block, held enciphered while the record's category is protected and a
// master password is set.
#pragma once

#include "model/base/CString.h"
#include "model/base/DList.h"

#include <cstdint>

class CxFile;
class CCategories;
class CCategory;

class CRecord : public CDListNode {
public:
    static constexpr int32_t kValueCount = 7;
    static constexpr int32_t kNoteIndex = 6;
    static constexpr int32_t kHeadSize = 52;
    static constexpr int32_t kMarkerKey = 1000;

    CRecord() = default;
    ~CRecord() override;

    // Replaces all seven values (null meaning empty); enciphers the new block
    // when isEnciphered is set. False, with the record unchanged, when it is
    // set and no verified key is installed (KeyInstalled).
    bool SetFields(const char16_t* first, const char16_t* f2, const char16_t* f3, const char16_t* f4,
                   const char16_t* f5, const char16_t* f6, const char16_t* note);
    // Sets the values from an array of seven texts.
    bool SetFields(const char16_t* const values[kValueCount]);
    // Value index (0 to 6) as text; "******" for a protected value while locked.
    void GetField(int32_t index, CString& out) const;
    CString GetField(int32_t index) const;

    bool Save(CxFile& file, bool isEdit);
    // Applies the field cipher to the whole block when the record's category
    // is protected; neither looks at or changes isEnciphered.
    bool EncipherBlock(const CCategories* categories);
    bool DecipherBlock(const CCategories* categories);

    int32_t EntrySize() const { return kHeadSize + 2 * (firstFieldLength + blockLength); }
    void Encode(unsigned char* entry) const;
    // Fills the record from a stored entry; false when its lengths do not
    // agree with its size.
    bool Decode(const unsigned char* entry, int32_t length);

    int32_t categoryId = -1;
    int32_t partLength[6] = {};
    int32_t blockLength = 0;
    int32_t firstFieldLength = 0;
    int32_t created = 0;
    int32_t modified = 0;
    int32_t createMark = 3;
    int32_t changeMark = 0;
    char16_t* fieldBlock = nullptr;
    char16_t* firstField = nullptr;
    int32_t fileKey = 0;
    bool isEnciphered = false;

private:
    void FreeBuffers();
};

class CRecords : public CDList {
public:
    // Records keep the order of loading and creation.
    int Compare(const CDListNode*, const CDListNode*) const override { return 0; }

    // Reads every stored record; false when an entry was damaged and left out.
    bool Load(CxFile& file, const CCategories& categories);
    // Removes the record's entry and destroys the record.
    bool DeleteRecord(CxFile& file, CRecord* record);
};

// The masked text shown for protected values while the data is locked.
inline constexpr char16_t kMaskedText[] = u"******";

// Rounds the sum of the value lengths up to whole cipher blocks (8 characters).
inline int32_t BlockLengthFor(int32_t total) { return (total + 7) / 8 * 8; }
