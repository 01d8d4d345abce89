#include "model/Category.h"

#include "model/Record.h"
#include "model/Stored.h"
#include "model/base/CString.h"
#include "model/base/StringTable.h"
#include "platform/Platform.h"
#include "storage/CxFile.h"

#include <memory>
#include <vector>

namespace {

constexpr int32_t kDefaultCategoryCount = 12;

}  // namespace

void CCategory::Encode(unsigned char* entry) const {
    StoreInt32(entry, 0, id);
    StoreInt32(entry, 4, isProtected ? 1 : 0);
    StoreInt32(entry, 8, created);
    StoreInt32(entry, 12, modified);
    StoreInt32(entry, 16, createMark);
    StoreInt32(entry, 20, changeMark);
    for (int i = 0; i < 7; ++i) StoreInt32(entry, 24 + 4 * i, columnWidth[i]);
    StoreUnits(entry, 52, iconName, kTextUnits);
    StoreUnits(entry, 116, name, kTextUnits);
    for (int i = 0; i < 6; ++i) StoreUnits(entry, 180 + 64 * i, fieldLabel[i], kTextUnits);
}

bool CCategory::Decode(const unsigned char* entry, int32_t length) {
    if (length != kEntrySize) return false;
    id = LoadInt32(entry, 0);
    isProtected = LoadInt32(entry, 4) != 0;
    created = LoadInt32(entry, 8);
    modified = LoadInt32(entry, 12);
    createMark = LoadInt32(entry, 16);
    changeMark = LoadInt32(entry, 20);
    for (int i = 0; i < 7; ++i) columnWidth[i] = LoadInt32(entry, 24 + 4 * i);
    LoadText31(entry, 52, iconName);
    LoadText31(entry, 116, name);
    for (int i = 0; i < 6; ++i) LoadText31(entry, 180 + 64 * i, fieldLabel[i]);
    isDirty = false;
    return true;
}

bool CCategory::Save(CxFile& file, bool isNew) {
    int32_t now = platform::CurrentTime();
    if (isNew) {
        created = modified = now;
        createMark = 3;
        changeMark = 0;
    } else {
        modified = now;
        changeMark = 2;
    }
    unsigned char entry[kEntrySize];
    Encode(entry);
    isDirty = false;
    int32_t key = id + kFirstKey;
    if (!isNew && file.Find(key)) return file.Update(entry, kEntrySize);
    return file.Insert(key, entry, kEntrySize) || file.Update(entry, kEntrySize);
}

int CCategories::Compare(const CDListNode* a, const CDListNode* b) const {
    if (!a || !b) return -1;
    const auto* x = static_cast<const CCategory*>(a);
    const auto* y = static_cast<const CCategory*>(b);
    if (y->name[0] == 0) return -1;
    return platform::CompareNoCase(x->name, y->name);
}

bool CCategories::Load(CxFile& file) {
    bool sound = true;
    if (!file.Find(CCategory::kFirstKey - 1)) return sound;
    std::vector<unsigned char> entry;
    while (file.Next()) {
        int32_t key = 0;
        if (!file.GetKey(key) || key > 999 || !file.IoError().empty()) break;
        auto category = std::make_unique<CCategory>();
        if (!file.ReadEntry(entry) || !category->Decode(entry.data(), static_cast<int32_t>(entry.size()))) {
            sound = false;
            continue;
        }
        // A second category of the same name is dropped; it stays in the file.
        if (InsertSorted(category.get(), false)) category.release();
    }
    return sound && file.Damage().empty() && file.IoError().empty();
}

CCategory* CCategories::CreateWithFreeId() const {
    int32_t id = 0;
    if (head) {
        CIndexList ids;
        for (CCategory* c : Nodes<CCategory>(*this)) {
            auto* index = new CIndex(c->id);
            if (!ids.InsertSorted(index, false)) delete index;
        }
        for (CIndex* index : Nodes<CIndex>(ids)) {
            auto* following = static_cast<CIndex*>(index->next);
            if (!following || following->key > index->key + 1) {
                id = index->key + 1;
                break;
            }
        }
    }
    // A category's entry lives under id + 101, below the record marker; a
    // larger id would overwrite the marker or a record.
    if (id > CCategory::kLastId) return nullptr;
    auto* category = new CCategory;
    category->id = id;
    return category;
}

CCategory* CCategories::FindById(int32_t id) const {
    for (CCategory* c : Nodes<CCategory>(*this)) {
        if (c->id == id) return c;
    }
    return First();
}

CCategory* CCategories::FindByName(const char16_t* name) const {
    for (CCategory* c : Nodes<CCategory>(*this)) {
        if (platform::CompareNoCase(c->name, name ? name : u"") == 0) return c;
    }
    return nullptr;
}

bool CCategories::SaveDirtyCategories(CxFile& file) {
    CxTransaction transaction(file);
    for (CCategory* c : Nodes<CCategory>(*this)) {
        if (c->isDirty && !c->Save(file, false)) return false;
    }
    return transaction.Commit();
}

bool CCategories::DeleteCategory(CRecords& records, CxFile& file, CCategory* category) {
    if (!category) return false;
    for (CRecord* r : Nodes<CRecord>(records)) {
        if (r->categoryId == category->id) return false;
    }
    if (file.Find(category->id + CCategory::kFirstKey) && !file.Delete()) return false;
    Remove(category);
    return true;
}

bool WriteDefaultCategories(CxFile& file) {
    int32_t now = platform::CurrentTime();
    for (int32_t i = 0; i < kDefaultCategoryCount; ++i) {
        CCategory c;
        c.id = i;
        c.isProtected = true;
        c.createMark = 1;
        c.changeMark = 0;
        c.created = c.modified = now;
        CopyBounded(c.iconName, LoadText(IDS_DEFAULT_ICON_0 + i), 31);
        CopyBounded(c.name, LoadText(IDS_DEFAULT_NAME_0 + i), 31);
        for (int32_t f = 0; f < 6; ++f) CopyBounded(c.fieldLabel[f], LoadText(IDS_DEFAULT_LABEL1_0 + 100 * f + i), 31);
        unsigned char entry[CCategory::kEntrySize];
        c.Encode(entry);
        if (!file.Insert(CCategory::kFirstKey + i, entry, CCategory::kEntrySize) &&
            !file.Update(entry, CCategory::kEntrySize)) {
            return false;
        }
    }
    return true;
}
