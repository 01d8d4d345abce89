#include "model/Protection.h"

#include "model/Category.h"
#include "model/Record.h"
#include "platform/Platform.h"
#include "security/Cipher.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"

#include <cstring>
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
