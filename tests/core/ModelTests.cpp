#include "model/Category.h"
#include "model/Database.h"
#include "model/Protection.h"
#include "model/Record.h"
#include "security/Cipher.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"
#include "tests/core/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// A new database as the program's first start makes it, with its lists loaded.
class DatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(database.Create(path.c_str()), 0);
    }

    CRecord* AddRecord(const char16_t* categoryName, std::vector<const char16_t*> values) {
        values.resize(CRecord::kValueCount, nullptr);
        CCategory* category = categories.FindByName(categoryName);
        EXPECT_NE(category, nullptr);
        auto* record = new CRecord;
        record->categoryId = category->id;
        record->isEnciphered = category->isProtected && HasPassword();
        record->SetFields(values.data());
        record->Save(file, false);
        records.Append(record);
        return record;
    }

    // Closes and opens the database again, as at the next start.
    void Reopen() {
        ASSERT_EQ(database.Open(path.c_str(), CDatabase::Access::Write), 0);
    }

    std::vector<std::u16string> Values(const CRecord& record) {
        std::vector<std::u16string> values;
        for (int i = 0; i < CRecord::kValueCount; ++i) values.push_back(record.GetField(i).c_str());
        return values;
    }

    std::vector<unsigned char> Entry(int32_t key) {
        std::vector<unsigned char> bytes;
        EXPECT_TRUE(file.Find(key));
        EXPECT_TRUE(file.ReadEntry(bytes));
        return bytes;
    }

    ScratchFolder folder;
    std::u16string path = folder.Path("QuorrelDPC.qrb");
    CDatabase database;
    CxFile& file = database.file;
    std::unique_ptr<CSettings>& settings = database.settings;
    CCategories& categories = database.categories;
    CRecords& records = database.records;
};

TEST_F(DatabaseTest, NewDatabaseHoldsTheTwelveDefaultCategories) {
    struct Expected {
        int32_t id;
        const char16_t *icon, *name, *labels[6];
    };
    const Expected expected[] = {
        {0, u"icon_dollar", u"Bank", {u"Bank", u"Account #", u"PIN", u"", u"", u""}},
        {1, u"icon_ccard1", u"Credit Card", {u"Card", u"Account #", u"Exp", u"PIN", u"", u""}},
        {2, u"icon_person", u"Personal ID", {u"Type", u"Name", u"ID #", u"Exp", u"", u""}},
        {3, u"icon_mail", u"Email", {u"Service", u"User Name", u"Password", u"POP3", u"SMTP", u""}},
        {4, u"icon_appliance", u"Serial No.", {u"Item", u"Make", u"Model", u"Serial #", u"", u""}},
        {5, u"icon_air1", u"Frequent Flyer", {u"Airline", u"Name", u"Number", u"Web", u"PIN", u""}},
        {6, u"icon_phone1", u"Voice Mail", {u"Service", u"Access #", u"PIN", u"", u"", u""}},
        {7, u"icon_world", u"Web Login", {u"Description", u"URL", u"User Name", u"Password", u"", u""}},
        {8, u"icon_combolock", u"Combination lock", {u"Description", u"Code", u"", u"", u"", u""}},
        {9, u"icon_computer1", u"Computer Login", {u"System", u"User Name", u"Password", u"", u"", u""}},
        {10, u"icon_phone2", u"Calling Card", {u"Company", u"Access #", u"PIN", u"", u"", u""}},
        {11, u"icon_disk", u"Software", {u"Application", u"Version", u"Serial #", u"Owner", u"Key", u""}},
    };
    ASSERT_EQ(categories.count, 12);
    for (const Expected& e : expected) {
        const CCategory* c = categories.FindById(e.id);
        ASSERT_EQ(c->id, e.id);
        EXPECT_EQ(std::u16string(c->name), e.name);
        EXPECT_EQ(std::u16string(c->iconName), e.icon);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(std::u16string(c->fieldLabel[i]), e.labels[i]) << e.id << " " << i;
        EXPECT_TRUE(c->isProtected);
        EXPECT_EQ(c->createMark, 1);
        EXPECT_EQ(c->changeMark, 0);
        EXPECT_EQ(c->columnWidth[0], -1);
        EXPECT_EQ(Entry(101 + e.id).size(), 564u);
    }
    // Sorted by name: Bank, Calling Card, Combination lock, ...
    EXPECT_EQ(std::u16string(categories.First()->name), u"Bank");
    EXPECT_EQ(std::u16string(static_cast<CCategory*>(categories.tail)->name), u"Web Login");
    EXPECT_EQ(records.count, 0);
}

TEST_F(DatabaseTest, CategoryIdsReuseTheLowestGapAboveTheSmallest) {
    struct Case {
        std::vector<int32_t> ids;
        int32_t next;
    };
    const Case cases[] = {{{}, 0}, {{0, 1, 3}, 2}, {{2, 3}, 4}, {{3, 3, 5}, 4}, {{0, 1, 2}, 3}};
    for (const Case& c : cases) {
        CCategories list;
        int n = 0;
        for (int32_t id : c.ids) {
            auto* category = new CCategory;
            category->id = id;
            category->name[0] = static_cast<char16_t>(u'a' + n++);
            list.InsertSorted(category, false);
        }
        std::unique_ptr<CCategory> fresh(list.CreateWithFreeId());
        EXPECT_EQ(fresh->id, c.next);
        EXPECT_FALSE(fresh->isProtected);
    }
    // Key 999 is the last a category may take: after id 898 there is no room.
    CCategories full;
    auto* last = new CCategory;
    last->id = 898;
    last->name[0] = u'z';
    full.Append(last);
    EXPECT_EQ(full.CreateWithFreeId(), nullptr);
    last->id = 897;
    std::unique_ptr<CCategory> fits(full.CreateWithFreeId());
    EXPECT_EQ(fits->id, 898);
}

TEST_F(DatabaseTest, FindByIdFallsBackToTheFirstAndFindByNameIgnoresCase) {
    EXPECT_EQ(std::u16string(categories.FindById(500)->name), u"Bank");
    EXPECT_EQ(categories.FindByName(u"web login"), categories.FindById(7));
    EXPECT_EQ(categories.FindByName(u"Web"), nullptr);
    CCategories empty;
    EXPECT_EQ(empty.FindById(0), nullptr);
}

TEST_F(DatabaseTest, BlockLengthIsWholeCipherBlocks) {
    struct Case {
        std::vector<const char16_t*> values;
        int32_t blockLength, entrySize;
    };
    const Case cases[] = {
        {{}, 0, 52},
        {{u"title"}, 0, 52 + 10},
        {{u"", u"abcde"}, 8, 52 + 16},
        {{u"", u"abcd", u"", u"", u"", u"", u"efgh"}, 8, 52 + 16},
        {{u"", u"abcd", u"efghi"}, 16, 52 + 32},
    };
    for (const Case& c : cases) {
        CRecord* r = AddRecord(u"Bank", c.values);
        EXPECT_EQ(r->blockLength, c.blockLength);
        EXPECT_EQ(Entry(r->fileKey).size(), static_cast<size_t>(c.entrySize));
    }
}

TEST_F(DatabaseTest, RecordKeysStartAt1001AndReuseGaps) {
    CRecord* a = AddRecord(u"Bank", {u"a"});
    CRecord* b = AddRecord(u"Bank", {u"b"});
    CRecord* c = AddRecord(u"Bank", {u"c"});
    EXPECT_EQ(a->fileKey, 1001);
    EXPECT_EQ(b->fileKey, 1002);
    EXPECT_EQ(c->fileKey, 1003);
    records.DeleteRecord(file, b);
    EXPECT_EQ(records.count, 2);
    EXPECT_EQ(AddRecord(u"Bank", {u"d"})->fileKey, 1002);
    EXPECT_EQ(AddRecord(u"Bank", {u"e"})->fileKey, 1004);
}

TEST_F(DatabaseTest, RecordsSurviveARestartInClear) {
    AddRecord(u"Email", {u"Mail", u"me", u"secret", u"", u"smtp.example", u"", u"line 1\r\nline 2"});
    Reopen();
    ASSERT_EQ(records.count, 1);
    const CRecord* r = static_cast<CRecord*>(records.head);
    EXPECT_FALSE(r->isEnciphered);  // no password: protected categories stay in clear
    EXPECT_EQ(Values(*r), (std::vector<std::u16string>{u"Mail", u"me", u"secret", u"", u"smtp.example", u"",
                                                          u"line 1\r\nline 2"}));
    EXPECT_EQ(r->createMark, 3);
    EXPECT_EQ(r->changeMark, 0);
}

TEST_F(DatabaseTest, ProtectedValuesAreMaskedWhileLockedAndDecipheredWhenUnlocked) {
    CRecord* plain = AddRecord(u"Bank", {u"My bank", u"12345", u"", u"", u"", u"", u"note"});
    OnPasswordAdded(records, file, u"pass1234", categories);
    EXPECT_TRUE(plain->isEnciphered);
    Reopen();
    const CRecord* r = static_cast<CRecord*>(records.head);
    ASSERT_TRUE(r->isEnciphered);
    ASSERT_TRUE(settings->locked);
    EXPECT_EQ(Values(*r), (std::vector<std::u16string>{u"My bank", u"******", u"", u"", u"", u"", u"******"}));
    ASSERT_TRUE(VerifyPassword(u"pass1234"));
    settings->locked = 0;
    EXPECT_EQ(Values(*r), (std::vector<std::u16string>{u"My bank", u"12345", u"", u"", u"", u"", u"note"}));
    // The stored block holds no clear text.
    auto entry = Entry(r->fileKey);
    std::u16string stored(reinterpret_cast<const char16_t*>(entry.data() + 52), (entry.size() - 52) / 2);
    EXPECT_EQ(stored.find(u"12345"), std::u16string::npos);
    EXPECT_EQ(stored.find(u"My bank"), 0u);  // the first field is always in clear
}

TEST_F(DatabaseTest, CiphertextWithAZeroUnitDeciphersWhole) {
    SetPassword(u"zero units");
    settings->locked = 0;
    for (int attempt = 0; attempt < 20000; ++attempt) {
        std::u16string value = u"v" + std::u16string(1, static_cast<char16_t>(u'A' + attempt % 26)) +
                               std::u16string(1, static_cast<char16_t>(0x100 + attempt));
        CRecord r;
        r.categoryId = 0;
        r.isEnciphered = true;
        const char16_t* values[7] = {u"t", value.c_str(), u"x", nullptr, nullptr, nullptr, nullptr};
        r.SetFields(values);
        bool hasZero = false;
        for (int i = 0; i < r.blockLength; ++i) hasZero = hasZero || r.fieldBlock[i] == 0;
        if (!hasZero) continue;
        EXPECT_EQ(std::u16string(r.GetField(1).c_str()), value);
        EXPECT_EQ(std::u16string(r.GetField(2).c_str()), u"x");
        return;
    }
    FAIL() << "no ciphertext with a zero unit found";
}

TEST_F(DatabaseTest, PasswordChangeAndRemovalRewriteOnlyProtectedRecords) {
    CCategory* open = categories.FindByName(u"Software");
    open->isProtected = false;
    open->Save(file, false);
    AddRecord(u"Bank", {u"B", u"acct", u"pin"});
    CRecord* software = AddRecord(u"Software", {u"S", u"1.0", u"serial"});
    auto softwareEntry = Entry(software->fileKey);

    OnPasswordAdded(records, file, u"old password", categories);
    EXPECT_EQ(Entry(software->fileKey), softwareEntry);  // unprotected: untouched
    Reopen();
    ASSERT_TRUE(VerifyPassword(u"old password"));
    OnPasswordChanged(records, file, u"new password", categories);
    Reopen();
    EXPECT_FALSE(VerifyPassword(u"old password"));
    ASSERT_TRUE(VerifyPassword(u"new password"));
    settings->locked = 0;
    auto* bank = static_cast<CRecord*>(records.head);
    EXPECT_TRUE(bank->isEnciphered);
    EXPECT_EQ(Values(*bank)[2], u"pin");

    OnPasswordRemoved(records, file, categories);
    ClearPassword();
    Reopen();
    bank = static_cast<CRecord*>(records.head);
    EXPECT_FALSE(bank->isEnciphered);
    EXPECT_EQ(Values(*bank)[1], u"acct");
    EXPECT_EQ(Values(*static_cast<CRecord*>(bank->next))[2], u"serial");
}

// Every stored entry, with a record's time of change left out (the two ways
// run at different moments).
std::map<int32_t, std::vector<unsigned char>> EntriesWithoutTimes(const std::u16string& path) {
    std::map<int32_t, std::vector<unsigned char>> entries;
    CxFile file(kDatabaseSignature);
    EXPECT_EQ(file.OpenReadOnly(path.c_str()), CxFile::kOpened);
    for (bool more = file.First(); more; more = file.Next()) {
        int32_t key = 0;
        std::vector<unsigned char>& bytes = entries[file.GetKey(key) ? key : -1];
        EXPECT_TRUE(file.ReadEntry(bytes));
        if (key > CRecord::kMarkerKey) std::fill(bytes.begin() + 4, bytes.begin() + 8, 0);
    }
    return entries;
}

// quorrel-cli passwd works on the stored records a batch at a time instead of
// the loaded list: the file ends as the program's own password change leaves
// it, across several batches and with unprotected records among them.
TEST_F(DatabaseTest, PasswordActionsOverTheStoredRecordsMatchThoseOverTheLoadedList) {
    CCategory* open = categories.FindByName(u"Software");
    open->isProtected = false;
    open->Save(file, false);
    {
        CxTransaction transaction(file);
        for (int i = 0; i < 700; ++i) {
            std::u16string title = u"record " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26));
            std::u16string value(static_cast<size_t>(1 + i % 23), static_cast<char16_t>(u'a' + i % 26));
            AddRecord(i % 3 ? u"Bank" : u"Software", {title.c_str(), value.c_str(), u"pin", nullptr, u"note"});
        }
        ASSERT_TRUE(transaction.Commit());
    }
    database.Close();
    const std::u16string loadedPath = folder.Path("loaded.qrb"), streamedPath = folder.Path("streamed.qrb");
    struct Step {
        PasswordAction action;
        const char16_t *old, *next;
    };
    for (Step step : {Step{PasswordAction::Add, nullptr, u"first key"}, Step{PasswordAction::Change, u"first key", u"second key"},
                      Step{PasswordAction::Remove, u"second key", u""}}) {
        WriteBytes(loadedPath, ReadBytes(path));
        WriteBytes(streamedPath, ReadBytes(path));
        {
            CDatabase loaded;
            ASSERT_EQ(loaded.Open(loadedPath.c_str(), CDatabase::Access::Write), CxFile::kOpened);
            ASSERT_TRUE(!step.old || VerifyPassword(step.old));
            ASSERT_TRUE(ApplyPasswordAction(step.action, step.next, loaded.records, loaded.file, loaded.categories));
        }
        {
            CDatabase streamed;
            ASSERT_EQ(streamed.Open(streamedPath.c_str(), CDatabase::Access::Write, false), CxFile::kOpened);
            EXPECT_EQ(streamed.records.count, 0);
            ASSERT_TRUE(!step.old || VerifyPassword(step.old));
            ASSERT_TRUE(ApplyPasswordActionToFile(step.action, step.next, streamed.file, streamed.categories));
        }
        EXPECT_EQ(EntriesWithoutTimes(streamedPath), EntriesWithoutTimes(loadedPath));
        EXPECT_NE(EntriesWithoutTimes(streamedPath), EntriesWithoutTimes(path));
        WriteBytes(path, ReadBytes(streamedPath));
    }
    Reopen();
    EXPECT_FALSE(HasPassword());
    EXPECT_EQ(records.count, 700);
    EXPECT_EQ(Values(*static_cast<CRecord*>(records.tail))[2], u"pin");
}

TEST_F(DatabaseTest, SwitchingProtectionRewritesTheCategorysRecords) {
    SetPassword(u"secret!!");
    settings->locked = 0;
    CCategory* bank = categories.FindByName(u"Bank");
    CRecord* r = AddRecord(u"Bank", {u"B", u"acct"});
    ASSERT_TRUE(r->isEnciphered);
    UnprotectCategory(records, file, categories, *bank);
    bank->isProtected = false;
    bank->Save(file, false);
    Reopen();
    r = static_cast<CRecord*>(records.head);
    EXPECT_FALSE(r->isEnciphered);
    EXPECT_EQ(Values(*r)[1], u"acct");
    bank = categories.FindByName(u"Bank");
    ProtectCategory(records, file, categories, *bank);
    ProtectCategory(records, file, categories, *bank);  // a second switch enciphers nothing twice
    bank->isProtected = true;
    bank->Save(file, false);
    Reopen();
    ASSERT_TRUE(VerifyPassword(u"secret!!"));
    settings->locked = 0;
    r = static_cast<CRecord*>(records.head);
    EXPECT_TRUE(r->isEnciphered);
    EXPECT_EQ(Values(*r)[1], u"acct");
}

// With the key wiped (the data locked), every operation that would encipher
// or decipher refuses and leaves the records and the file as they were.
TEST_F(DatabaseTest, NothingIsCipheredWithoutAVerifiedKey) {
    SetPassword(u"the key!");
    settings->locked = 0;
    CRecord* bank = AddRecord(u"Bank", {u"B", u"acct", u"pin"});
    ASSERT_TRUE(bank->isEnciphered);
    CCategory* software = categories.FindByName(u"Software");
    software->isProtected = false;
    software->Save(file, false);
    AddRecord(u"Software", {u"S", u"1.0"});
    settings->locked = 1;
    WipeKey();
    file.Close();
    const auto before = ReadBytes(path);
    ASSERT_EQ(file.Open(path.c_str()), 0);
    const std::vector<char16_t> block(bank->fieldBlock, bank->fieldBlock + bank->blockLength);

    const char16_t* values[CRecord::kValueCount] = {u"B", u"clear!", nullptr, nullptr, nullptr, nullptr, nullptr};
    EXPECT_FALSE(bank->SetFields(values));
    EXPECT_FALSE(ProtectCategory(records, file, categories, *software));
    EXPECT_FALSE(UnprotectCategory(records, file, categories, *categories.FindByName(u"Bank")));
    EXPECT_FALSE(OnPasswordChanged(records, file, u"other key", categories));
    EXPECT_FALSE(OnPasswordRemoved(records, file, categories));
    EXPECT_EQ(std::vector<char16_t>(bank->fieldBlock, bank->fieldBlock + bank->blockLength), block);
    EXPECT_EQ(Values(*bank)[1], u"******");
    file.Close();
    EXPECT_EQ(ReadBytes(path), before);

    ASSERT_EQ(file.Open(path.c_str()), 0);
    ASSERT_TRUE(VerifyPassword(u"the key!"));
    settings->locked = 0;
    EXPECT_EQ(Values(*bank)[2], u"pin");
    EXPECT_TRUE(bank->SetFields(values));
    EXPECT_EQ(Values(*bank)[1], u"clear!");
}

TEST_F(DatabaseTest, CategoryInUseCannotBeDeleted) {
    CCategory* bank = categories.FindByName(u"Bank");
    CRecord* r = AddRecord(u"Bank", {u"B"});
    EXPECT_FALSE(categories.DeleteCategory(records, file, bank));
    records.DeleteRecord(file, r);
    EXPECT_TRUE(categories.DeleteCategory(records, file, bank));
    EXPECT_EQ(categories.FindByName(u"Bank"), nullptr);
    Reopen();
    EXPECT_EQ(categories.count, 11);
    EXPECT_EQ(CheckDatabase(path.c_str()), "");
}

TEST_F(DatabaseTest, DuplicateCategoryNamesAtLoadKeepTheFirst) {
    CCategory twin;
    twin.id = 40;
    CopyBounded(twin.name, u"BANK", 31);
    twin.Save(file, true);
    Reopen();
    EXPECT_EQ(categories.count, 12);
    EXPECT_EQ(categories.FindByName(u"bank")->id, 0);
    EXPECT_TRUE(file.Find(141));  // it stays in the file
}

TEST_F(DatabaseTest, DirtyCategoriesAreSavedWithTheirWidths) {
    CCategory* email = categories.FindByName(u"Email");
    email->columnWidth[2] = 123;
    email->isDirty = true;
    categories.SaveDirtyCategories(file);
    EXPECT_FALSE(email->isDirty);
    Reopen();
    email = categories.FindByName(u"Email");
    EXPECT_EQ(email->columnWidth[2], 123);
    EXPECT_EQ(email->changeMark, 2);
}

TEST(RecordDecode, RefusesLengthsThatDisagreeWithTheEntry) {
    struct Case {
        int32_t first, block, parts0, size;
        bool good;
    };
    const Case cases[] = {
        {0, 0, 0, 52, true},    {2, 8, 3, 52 + 20, true}, {2, 8, 3, 52 + 22, false}, {-1, 0, 0, 50, false},
        {0, 8, 9, 52 + 16, false}, {0, 6, 3, 52 + 12, false}, {0, 0, -1, 52, false},    {0, 0, 0, 40, false},
    };
    for (const Case& c : cases) {
        std::vector<unsigned char> entry(static_cast<size_t>(std::max(c.size, 52)), 0);
        SetWordAt(entry, 20, c.parts0);
        SetWordAt(entry, 44, c.first);
        SetWordAt(entry, 48, c.block);
        CRecord r;
        EXPECT_EQ(r.Decode(entry.data(), c.size), c.good) << c.first << " " << c.block << " " << c.size;
    }
}

}  // namespace
