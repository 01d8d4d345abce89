#include "model/Protection.h"

#include "model/Category.h"
#include "model/Record.h"
#include "platform/Platform.h"
#include "security/Cipher.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"

#include <cstring>
#include <memory>
#include <vector>

namespace {

bool IsProtected(const CRecord& record, const CCategories& categories) {
    const CCategory* category = categories.FindById(record.categoryId);
    return category && category->isProtected;
}

// What the records touched held before, put back when the change fails; the
// copies are wiped either way.
class RecordsBefore {
public:
    RecordsBefore() = default;
    RecordsBefore(const RecordsBefore&) = delete;
    RecordsBefore& operator=(const RecordsBefore&) = delete;
    ~RecordsBefore() {
        for (Kept& k : kept) platform::Wipe(k.block.data(), k.block.size() * sizeof(char16_t));
    }

    void Keep(CRecord& r) {
        kept.push_back({&r, std::vector<char16_t>(r.fieldBlock, r.fieldBlock + r.blockLength), r.isEnciphered,
                        r.modified, r.changeMark});
    }
    void Restore() {
        for (Kept& k : kept) {
            if (!k.block.empty()) std::memcpy(k.record->fieldBlock, k.block.data(), k.block.size() * sizeof(char16_t));
            k.record->isEnciphered = k.enciphered;
            k.record->modified = k.modified;
            k.record->changeMark = k.changeMark;
        }
    }
    std::vector<CRecord*> Records() const {
        std::vector<CRecord*> records;
        for (const Kept& k : kept) records.push_back(k.record);
        return records;
    }

private:
    struct Kept {
        CRecord* record;
        std::vector<char16_t> block;
        bool enciphered;
        int32_t modified, changeMark;
    };
    std::vector<Kept> kept;
};

// The key and the verifier before a password change.
class KeyBefore {
public:
    KeyBefore() : cipher(masterCipher), installed(KeyInstalled()) {
        if (theSettings) profile = theSettings->Active();
    }
    KeyBefore(const KeyBefore&) = delete;
    KeyBefore& operator=(const KeyBefore&) = delete;
    ~KeyBefore() {
        platform::Wipe(&cipher, sizeof cipher);
        platform::Wipe(&profile, sizeof profile);
    }
    void Restore() {
        ReinstallKey(cipher, installed);
        if (theSettings) theSettings->Active() = profile;
    }
    const BlowfishContext& Key() const { return cipher; }

private:
    BlowfishContext cipher;
    bool installed;
    ProfileSettings profile{};
};

// Saves every record touched once; commits when all of it was written.
bool SaveAll(CxTransaction& transaction, CxFile& file, const std::vector<CRecord*>& touched, bool ready) {
    for (CRecord* r : touched) {
        if (!ready) break;
        ready = r->Save(file, true);
    }
    return ready && transaction.Commit();
}

}  // namespace

bool OnPasswordAdded(CRecords& records, CxFile& file, const char16_t* newPassword, const CCategories& categories) {
    CxTransaction transaction(file);
    if (!transaction.Begun()) return false;
    KeyBefore key;
    RecordsBefore before;
    bool ready = SetPassword(newPassword);
    for (CRecord* r : Nodes<CRecord>(records)) {
        if (r->isEnciphered || !IsProtected(*r, categories)) continue;
        before.Keep(*r);
        EncipherBuffer(r->fieldBlock, 2 * r->blockLength);
        r->isEnciphered = true;
    }
    if (SaveAll(transaction, file, before.Records(), ready)) return true;
    before.Restore();
    key.Restore();
    return false;
}

// Each record is deciphered under the old key and enciphered under the new
// one in memory; only the final form is written.
bool OnPasswordChanged(CRecords& records, CxFile& file, const char16_t* newPassword, const CCategories& categories) {
    if (!KeyInstalled()) return false;  // nothing is read or written without a verified key
    CxTransaction transaction(file);
    if (!transaction.Begun()) return false;
    KeyBefore key;
    RecordsBefore before;
    for (CRecord* r : Nodes<CRecord>(records)) {
        if (!r->isEnciphered || !IsProtected(*r, categories)) continue;
        before.Keep(*r);
        DecipherBuffer(r->fieldBlock, 2 * r->blockLength);
    }
    bool ready = SetPassword(newPassword);
    std::vector<CRecord*> touched = before.Records();
    for (CRecord* r : touched) EncipherBuffer(r->fieldBlock, 2 * r->blockLength);
    if (SaveAll(transaction, file, touched, ready)) return true;
    before.Restore();
    key.Restore();
    return false;
}

bool OnPasswordRemoved(CRecords& records, CxFile& file, const CCategories& categories) {
    if (!KeyInstalled()) return false;  // nothing is read or written without a verified key
    CxTransaction transaction(file);
    if (!transaction.Begun()) return false;
    KeyBefore key;
    RecordsBefore before;
    for (CRecord* r : Nodes<CRecord>(records)) {
        if (!r->isEnciphered || !IsProtected(*r, categories)) continue;
        before.Keep(*r);
        DecipherBuffer(r->fieldBlock, 2 * r->blockLength);
        r->isEnciphered = false;
    }
    // The records first, then the verifier, as the command always wrote them.
    bool saved = true;
    for (CRecord* r : before.Records()) saved = saved && r->Save(file, true);
    if (saved && ClearPassword() && transaction.Commit()) return true;
    before.Restore();
    key.Restore();
    return false;
}

namespace {

// A record belongs to the category FindById gives for it, so records whose
// category is missing follow the first category, as they do at load; and a
// block is never enciphered or deciphered twice. With rewrite set, every
// record of the category is brought to its final form (enciphered for
// protect, in clear otherwise); then, when flagged is given, its flag is set
// and its entry written; all of it in one commit, or nothing.
bool RewriteCategory(CRecords& records, CxFile& file, const CCategories& categories, const CCategory& category,
                     bool protect, bool rewrite, CCategory* flagged) {
    if (rewrite && !KeyInstalled()) return false;  // nothing is read or written without a verified key
    CxTransaction transaction(file);
    if (!transaction.Begun()) return false;
    RecordsBefore before;
    for (CRecord* r : Nodes<CRecord>(records)) {
        if (!rewrite || r->isEnciphered == protect || categories.FindById(r->categoryId) != &category) continue;
        before.Keep(*r);
        if (protect) EncipherBuffer(r->fieldBlock, 2 * r->blockLength);
        else DecipherBuffer(r->fieldBlock, 2 * r->blockLength);
        r->isEnciphered = protect;
    }
    const bool wasProtected = flagged && flagged->isProtected;
    if (flagged) flagged->isProtected = protect;
    bool saved = true;
    for (CRecord* r : before.Records()) saved = saved && r->Save(file, true);
    if (saved && (!flagged || flagged->Save(file, false)) && transaction.Commit()) return true;
    before.Restore();
    if (flagged) flagged->isProtected = wasProtected;
    return false;
}

}  // namespace

bool ProtectCategory(CRecords& records, CxFile& file, const CCategories& categories, const CCategory& category) {
    return RewriteCategory(records, file, categories, category, true, true, nullptr);
}

bool UnprotectCategory(CRecords& records, CxFile& file, const CCategories& categories, const CCategory& category) {
    return RewriteCategory(records, file, categories, category, false, true, nullptr);
}

bool SwitchCategoryProtection(CRecords& records, CxFile& file, const CCategories& categories, CCategory& category,
                              bool protect) {
    const bool rewrite = protect != category.isProtected && HasPassword();
    return RewriteCategory(records, file, categories, category, protect, rewrite, &category);
}

namespace {

// How many records a password change over the stored records holds at once.
constexpr size_t kRecordsPerBatch = 256;

// Reads the stored records of protected categories a batch at a time, in
// key order, applies change to each and saves it again; the records of other
// categories are passed over. False when an entry could not be read or saved.
template <typename Change>
bool RewriteStoredRecords(CxFile& file, const CCategories& categories, Change change) {
    std::vector<std::unique_ptr<CRecord>> batch;
    std::vector<unsigned char> entry;
    int32_t last = CRecord::kMarkerKey;
    bool more = file.Find(last);
    while (more) {
        batch.clear();
        while (batch.size() < kRecordsPerBatch && (more = file.Next())) {
            auto record = std::make_unique<CRecord>();
            bool read = file.GetKey(record->fileKey) && file.ReadEntry(entry) &&
                        record->Decode(entry.data(), static_cast<int32_t>(entry.size()));
            platform::Wipe(entry.data(), entry.size());
            if (!read) return false;
            last = record->fileKey;
            if (IsProtected(*record, categories)) batch.push_back(std::move(record));
        }
        for (const auto& record : batch) {
            change(*record);
            if (!record->Save(file, true)) return false;
        }
        // Saving moved the cursor: back to where the batch ended.
        if (more && !file.Find(last)) return false;
    }
    return file.IoError().empty() && file.Damage().empty();
}

}  // namespace

bool ApplyPasswordActionToFile(PasswordAction action, const char16_t* newPassword, CxFile& file,
                               const CCategories& categories) {
    if (action == PasswordAction::None) return true;
    if (action != PasswordAction::Add && !KeyInstalled()) return false;  // nothing is read or written without it
    CxTransaction transaction(file);
    if (!transaction.Begun()) return false;
    KeyBefore key;
    bool done = false;
    auto bytes = [](CRecord& r) { return 2 * r.blockLength; };
    switch (action) {
        case PasswordAction::Add:
            done = SetPassword(newPassword) &&
                   RewriteStoredRecords(file, categories, [&](CRecord& r) { EncipherBuffer(r.fieldBlock, bytes(r)); });
            break;
        case PasswordAction::Change:
            // Deciphered under the old key (kept in key), enciphered under the new one.
            done = SetPassword(newPassword) && RewriteStoredRecords(file, categories, [&](CRecord& r) {
                       BlowfishDecipherBlocks(key.Key(), r.fieldBlock, static_cast<size_t>(bytes(r)));
                       EncipherBuffer(r.fieldBlock, bytes(r));
                   });
            break;
        case PasswordAction::Remove:
            // The records first, then the verifier, as the command always wrote them.
            done =
                RewriteStoredRecords(file, categories, [&](CRecord& r) { DecipherBuffer(r.fieldBlock, bytes(r)); }) &&
                ClearPassword();
            break;
        case PasswordAction::None: break;
    }
    if (done && transaction.Commit()) return true;
    key.Restore();
    return false;
}

bool ApplyPasswordAction(PasswordAction action, const char16_t* newPassword, CRecords& records, CxFile& file,
                         const CCategories& categories) {
    switch (action) {
        case PasswordAction::Add: return OnPasswordAdded(records, file, newPassword, categories);
        case PasswordAction::Remove: return OnPasswordRemoved(records, file, categories);
        case PasswordAction::Change: return OnPasswordChanged(records, file, newPassword, categories);
        case PasswordAction::None: break;
    }
    return true;
}
