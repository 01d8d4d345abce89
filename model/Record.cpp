#include "model/Record.h"

#include "model/Category.h"
#include "model/Stored.h"
#include "platform/Platform.h"
#include "security/Cipher.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"

#include <cstring>
#include <memory>
#include <vector>

namespace {

char16_t* NewUnits(int32_t count) {
    auto* buffer = new char16_t[static_cast<size_t>(count) + 1];
    std::memset(buffer, 0, (static_cast<size_t>(count) + 1) * sizeof(char16_t));
    return buffer;
}

void FreeUnits(char16_t*& buffer, int32_t count) {
    if (!buffer) return;
    platform::Wipe(buffer, (static_cast<size_t>(count) + 1) * sizeof(char16_t));
    delete[] buffer;
    buffer = nullptr;
}

// A new buffer, wiped and freed unless handed over: a record's buffers change
// only once both new ones are held.
class NewBuffer {
public:
    explicit NewBuffer(int32_t count) : units(NewUnits(count)), count(count) {}
    ~NewBuffer() { FreeUnits(units, count); }
    NewBuffer(const NewBuffer&) = delete;
    NewBuffer& operator=(const NewBuffer&) = delete;

    char16_t* Get() const { return units; }
    char16_t* Release() {
        char16_t* held = units;
        units = nullptr;
        return held;
    }

private:
    char16_t* units;
    int32_t count;
};

bool DataLocked() { return !theSettings || theSettings->locked != 0; }

}  // namespace

CRecord::~CRecord() { FreeBuffers(); }

void CRecord::FreeBuffers() {
    FreeUnits(fieldBlock, blockLength);
    FreeUnits(firstField, firstFieldLength);
}

bool CRecord::SetFields(const char16_t* first, const char16_t* f2, const char16_t* f3, const char16_t* f4,
                        const char16_t* f5, const char16_t* f6, const char16_t* note) {
    const char16_t* values[kValueCount] = {first, f2, f3, f4, f5, f6, note};
    return SetFields(values);
}

bool CRecord::SetFields(const char16_t* const values[kValueCount]) {
    int32_t lengths[6];
    int32_t total = 0;
    for (int i = 0; i < 6; ++i) {
        lengths[i] = TextLength(values[i + 1]);
        total += lengths[i];
    }
    int32_t newBlockLength = BlockLengthFor(total);
    NewBuffer block(newBlockLength);
    int32_t at = 0;
    for (int i = 0; i < 6; ++i) {
        if (lengths[i]) std::memcpy(block.Get() + at, values[i + 1], static_cast<size_t>(lengths[i]) * 2);
        at += lengths[i];
    }
    // The new block is enciphered before anything of the record changes, so
    // a refusal leaves the record as it was.
    if (isEnciphered && !EncipherBuffer(block.Get(), 2 * newBlockLength)) return false;
    const int32_t newFirstLength = TextLength(values[0]);
    NewBuffer first(newFirstLength);
    if (newFirstLength) std::memcpy(first.Get(), values[0], static_cast<size_t>(newFirstLength) * 2);
    FreeBuffers();
    firstFieldLength = newFirstLength;
    firstField = first.Release();
    std::memcpy(partLength, lengths, sizeof lengths);
    blockLength = newBlockLength;
    fieldBlock = block.Release();
    return true;
}

void CRecord::GetField(int32_t index, CString& out) const {
    out.Assign(u"");
    if (index == 0) {
        out.AssignUnits(firstField, firstFieldLength);
        return;
    }
    if (index < 1 || index > 6) return;
    int32_t n = partLength[index - 1];
    if (n < 1) return;
    int32_t start = 0;
    for (int i = 0; i < index - 1; ++i) start += partLength[i];
    if (!isEnciphered) {
        out.AssignUnits(fieldBlock + start, n);
    } else if (DataLocked()) {
        out.Assign(kMaskedText);
    } else {
        // The stored block stays enciphered; the deciphered copy is wiped.
        char16_t* copy = NewUnits(blockLength);
        std::memcpy(copy, fieldBlock, static_cast<size_t>(blockLength) * 2);
        if (DecipherBuffer(copy, 2 * blockLength)) {
            out.AssignUnits(copy + start, n);
        } else {
            out.Assign(kMaskedText);  // no key: nothing to show but the mask
        }
        FreeUnits(copy, blockLength);
    }
}

CString CRecord::GetField(int32_t index) const {
    CString out;
    GetField(index, out);
    return out;
}

void CRecord::Encode(unsigned char* entry) const {
    StoreInt32(entry, 0, created);
    StoreInt32(entry, 4, modified);
    StoreInt32(entry, 8, createMark);
    StoreInt32(entry, 12, changeMark);
    StoreInt32(entry, 16, categoryId);
    for (int i = 0; i < 6; ++i) StoreInt32(entry, 20 + 4 * i, partLength[i]);
    StoreInt32(entry, 44, firstFieldLength);
    StoreInt32(entry, 48, blockLength);
    StoreUnits(entry, kHeadSize, firstField, firstFieldLength);
    StoreUnits(entry, kHeadSize + 2 * firstFieldLength, fieldBlock, blockLength);
}

bool CRecord::Decode(const unsigned char* entry, int32_t length) {
    if (length < kHeadSize) return false;
    int32_t parts[6];
    int64_t total = 0;
    for (int i = 0; i < 6; ++i) {
        parts[i] = LoadInt32(entry, 20 + 4 * i);
        if (parts[i] < 0) return false;
        total += parts[i];
    }
    int32_t firstLength = LoadInt32(entry, 44);
    int32_t block = LoadInt32(entry, 48);
    // The lengths must describe exactly the bytes stored, and the values must
    // fit in a block of whole cipher blocks.
    if (firstLength < 0 || block < 0 || block % 8 != 0 || total > block ||
        kHeadSize + 2 * (static_cast<int64_t>(firstLength) + block) != length) {
        return false;
    }
    NewBuffer first(firstLength), stored(block);
    FreeBuffers();
    created = LoadInt32(entry, 0);
    modified = LoadInt32(entry, 4);
    createMark = LoadInt32(entry, 8);
    changeMark = LoadInt32(entry, 12);
    categoryId = LoadInt32(entry, 16);
    std::memcpy(partLength, parts, sizeof parts);
    firstFieldLength = firstLength;
    blockLength = block;
    firstField = first.Release();
    std::memcpy(firstField, entry + kHeadSize, static_cast<size_t>(firstFieldLength) * 2);
    fieldBlock = stored.Release();
    std::memcpy(fieldBlock, entry + kHeadSize + 2 * firstFieldLength, static_cast<size_t>(blockLength) * 2);
    return true;
}

bool CRecord::Save(CxFile& file, bool isEdit) {
    int32_t now = platform::CurrentTime();
    if (isEdit) {
        modified = now;
        changeMark = 2;
    } else {
        created = modified = now;
        changeMark = 0;
        createMark = 3;
    }
    std::vector<unsigned char> entry(static_cast<size_t>(EntrySize()));
    Encode(entry.data());
    bool saved = false;
    if (isEdit && file.Find(fileKey)) {
        saved = file.Update(entry.data(), static_cast<int32_t>(entry.size()));
    } else {
        fileKey = file.FirstFreeKey(kMarkerKey);
        saved = file.Insert(fileKey, entry.data(), static_cast<int32_t>(entry.size()));
    }
    platform::Wipe(entry.data(), entry.size());
    return saved;
}

bool CRecord::EncipherBlock(const CCategories* categories) {
    if (!categories) return false;
    const CCategory* category = categories->FindById(categoryId);
    if (!category || !category->isProtected) return false;
    return EncipherBuffer(fieldBlock, 2 * blockLength);
}

bool CRecord::DecipherBlock(const CCategories* categories) {
    if (!categories) return false;
    const CCategory* category = categories->FindById(categoryId);
    if (!category || !category->isProtected) return false;
    return DecipherBuffer(fieldBlock, 2 * blockLength);
}

bool CRecords::Load(CxFile& file, const CCategories& categories) {
    bool sound = true;
    if (!file.Find(CRecord::kMarkerKey)) return sound;
    std::vector<unsigned char> entry;
    while (file.Next()) {
        int32_t key = 0;
        if (!file.IoError().empty()) break;
        auto record = std::make_unique<CRecord>();
        if (!file.ReadEntry(entry) || !file.GetKey(key) ||
            !record->Decode(entry.data(), static_cast<int32_t>(entry.size()))) {
            sound = false;
            continue;
        }
        record->fileKey = key;
        const CCategory* category = categories.FindById(record->categoryId);
        record->isEnciphered = category && category->isProtected && HasPassword();
        Append(record.release());
    }
    platform::Wipe(entry.data(), entry.size());
    return sound && file.Damage().empty() && file.IoError().empty();
}

bool CRecords::DeleteRecord(CxFile& file, CRecord* record) {
    if (!record) return true;
    if (file.Find(record->fileKey) && !file.Delete()) return false;
    Remove(record);
    return true;
}
