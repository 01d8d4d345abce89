// The category protection switch and the Preferences rules, on a database
// made as the program's first start makes it.
#include "model/Category.h"
#include "model/Database.h"
#include "model/Preferences.h"
#include "model/Protection.h"
#include "model/Record.h"
#include "platform/Platform.h"
#include "security/Cipher.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"
#include "tests/core/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

// Watches the database file through the file observer and tells which
// entries the pages written since the last look belong to, with their payload
// as stored. A transaction reaches the file as a whole, so the entries come
// in key order.
class WriteWatch : public platform::FileObserver {
public:
    explicit WriteWatch(std::u16string watched) : path(std::move(watched)) { platform::SetFileObserver(this); }
    ~WriteWatch() override { platform::SetFileObserver(nullptr); }
    WriteWatch(const WriteWatch&) = delete;
    WriteWatch& operator=(const WriteWatch&) = delete;

    bool Allow(platform::FileOp op, const std::u16string& at, int64_t offset, const void* data, size_t count) override {
        if (op != platform::FileOp::Write || at != path) return true;
        auto* bytes = static_cast<const unsigned char*>(data);
        written.insert(written.end(), bytes, bytes + count);
        ranges.push_back({offset, static_cast<int64_t>(count)});
        return true;
    }

    // The entries whose data pages were written, each with its stored payload.
    std::map<int32_t, std::vector<unsigned char>> Entries() {
        std::vector<unsigned char> image = ReadBytes(path);
        std::map<int32_t, std::vector<unsigned char>> entries;
        const int32_t pageSize = WordAt(image, 24);
        for (int32_t page = WordAt(image, 28); page > 0; page = WordAt(image, static_cast<size_t>(page) + 12)) {
            for (int32_t i = 0; i < WordAt(image, static_cast<size_t>(page) + 20); ++i) {
                size_t entry = static_cast<size_t>(page) + 24 + 12 * static_cast<size_t>(i);
                std::vector<unsigned char> payload;
                bool touched = false;
                for (int32_t data = WordAt(image, entry + 4); data > 0; data = WordAt(image, static_cast<size_t>(data) + 4)) {
                    touched = touched || Written(data, pageSize);
                    auto from = image.begin() + data + 12;
                    payload.insert(payload.end(), from, from + WordAt(image, static_cast<size_t>(data) + 8));
                }
                if (touched) entries[WordAt(image, entry)] = payload;
            }
        }
        ranges.clear();
        return entries;
    }
    // Every byte written to the database since the watch began.
    std::vector<unsigned char> written;

private:
    bool Written(int64_t page, int32_t pageSize) const {
        for (auto [offset, count] : ranges) {
            if (offset < page + pageSize && page < offset + count) return true;
        }
        return false;
    }

    std::u16string path;
    std::vector<std::pair<int64_t, int64_t>> ranges;
};

bool Contains(const std::vector<unsigned char>& bytes, const std::u16string& text) {
    auto* first = reinterpret_cast<const unsigned char*>(text.data());
    return std::search(bytes.begin(), bytes.end(), first, first + 2 * text.size()) != bytes.end();
}

class SwitchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(file.Create(path.c_str(), kDatabasePageSize, 1, 0), 0);
        ASSERT_TRUE(WriteNewDatabaseEntries(file));
        settings = std::make_unique<CSettings>(file, CSettings::kDesktopProfile);
        theSettings = settings.get();
        ASSERT_TRUE(categories.Load(file));
        bank = categories.FindByName(u"Bank");
        email = categories.FindByName(u"Email");
    }
    void TearDown() override { theSettings = nullptr; }

    CRecord* Add(CCategory* category, const char16_t* first, const char16_t* secret) {
        auto* record = new CRecord;
        record->categoryId = category->id;
        record->isEnciphered = category->isProtected && HasPassword();
        record->SetFields(first, secret, nullptr, nullptr, nullptr, nullptr, u"a note");
        record->Save(file, false);
        records.Append(record);
        return record;
    }

    // The keys written since the last call, in key order.
    std::vector<int32_t> WrittenKeys() {
        writes = watch.Entries();
        std::vector<int32_t> keys;
        for (auto& w : writes) keys.push_back(w.first);
        return keys;
    }

    // The stored category and the records as the next start reads them.
    void Reopen() {
        records.Clear();
        categories.Clear();
        settings.reset();
        file.Close();
        ASSERT_EQ(file.Open(path.c_str()), 0);
        settings = std::make_unique<CSettings>(file, CSettings::kDesktopProfile);
        theSettings = settings.get();
        ASSERT_TRUE(categories.Load(file));
        ASSERT_TRUE(records.Load(file, categories));
        bank = categories.FindByName(u"Bank");
        email = categories.FindByName(u"Email");
    }

    ScratchFolder folder;
    std::u16string path = folder.Path("switch.qrb");
    CxFile file{kDatabaseSignature};
    WriteWatch watch{path};
    std::map<int32_t, std::vector<unsigned char>> writes;
    std::unique_ptr<CSettings> settings;
    CCategories categories;
    CRecords records;
    CCategory* bank = nullptr;
    CCategory* email = nullptr;
};

TEST_F(SwitchTest, SwitchOnWritesEachRecordOnceEncipheredAndTheFlagLast) {
    SetPassword(u"secret!!");
    settings->locked = 0;
    bank->isProtected = false;
    bank->Save(file, false);
    CRecord* a = Add(bank, u"A", u"first secret");
    CRecord* b = Add(bank, u"B", u"second secret");
    Add(email, u"M", u"mail secret");
    WrittenKeys();

    watch.written.clear();
    SwitchCategoryProtection(records, file, categories, *bank, true);

    EXPECT_EQ(WrittenKeys(), (std::vector<int32_t>{CCategory::kFirstKey + bank->id, a->fileKey, b->fileKey}));
    for (auto& [key, bytes] : writes) {
        EXPECT_FALSE(Contains(bytes, u"first secret")) << key;
        EXPECT_FALSE(Contains(bytes, u"second secret")) << key;
        EXPECT_FALSE(Contains(bytes, u"a note")) << key;
    }
    // Nor anywhere in what reached the database file.
    EXPECT_FALSE(Contains(watch.written, u"first secret"));
    EXPECT_FALSE(Contains(watch.written, u"second secret"));
    EXPECT_EQ(WordAt(writes[CCategory::kFirstKey + bank->id], 4), 1);  // the stored flag

    Reopen();
    ASSERT_TRUE(VerifyPassword(u"secret!!"));
    settings->locked = 0;
    EXPECT_TRUE(bank->isProtected);
    for (CRecord* r : Nodes<CRecord>(records)) EXPECT_TRUE(r->isEnciphered);
    EXPECT_EQ(std::u16string(static_cast<CRecord*>(records.head)->GetField(1).c_str()), u"first secret");
}

TEST_F(SwitchTest, SwitchOffStoresTheRecordsInClearBeforeTheFlag) {
    SetPassword(u"secret!!");
    settings->locked = 0;
    CRecord* a = Add(bank, u"A", u"first secret");
    Add(email, u"M", u"mail secret");
    WrittenKeys();

    SwitchCategoryProtection(records, file, categories, *bank, false);

    EXPECT_EQ(WrittenKeys(), (std::vector<int32_t>{CCategory::kFirstKey + bank->id, a->fileKey}));
    EXPECT_TRUE(Contains(writes[a->fileKey], u"first secret"));
    EXPECT_EQ(WordAt(writes[CCategory::kFirstKey + bank->id], 4), 0);

    Reopen();
    settings->locked = 1;  // in clear: readable even while locked
    EXPECT_FALSE(bank->isProtected);
    auto* first = static_cast<CRecord*>(records.head);
    EXPECT_FALSE(first->isEnciphered);
    EXPECT_EQ(std::u16string(first->GetField(1).c_str()), u"first secret");
    EXPECT_EQ(std::u16string(static_cast<CRecord*>(first->next)->GetField(1).c_str()), u"******");
}

// Without a password there is nothing to encipher: only the flag changes;
// and switching to the state it already has rewrites no record.
TEST_F(SwitchTest, WithoutAPasswordOrAChangeOnlyTheCategoryIsWritten) {
    CRecord* a = Add(bank, u"A", u"first secret");
    WrittenKeys();
    SwitchCategoryProtection(records, file, categories, *bank, false);
    EXPECT_EQ(WrittenKeys(), (std::vector<int32_t>{CCategory::kFirstKey + bank->id}));
    EXPECT_FALSE(bank->isProtected);
    EXPECT_FALSE(a->isEnciphered);

    SetPassword(u"secret!!");
    WrittenKeys();
    SwitchCategoryProtection(records, file, categories, *bank, false);
    EXPECT_EQ(WrittenKeys(), (std::vector<int32_t>{CCategory::kFirstKey + bank->id}));
}

TEST(Preferences, ColourBytesRoundTrip) {
    Colour c = MakeColour(221, 238, 255);
    EXPECT_EQ(c, 0xFFEEDDu);
    EXPECT_EQ(RedOf(c), 221);
    EXPECT_EQ(GreenOf(c), 238);
    EXPECT_EQ(BlueOf(c), 255);
}

class PreferencesTest : public SwitchTest {
protected:
    void SetUp() override {
        SwitchTest::SetUp();
        for (int i = 0; i < 7; ++i) settings->desktop.columnWidths[i] = 20 + i;
        bank->columnWidth[1] = 300;
        bank->Save(file, false);
    }
    // A new database again, for the next case of a table.
    void Fresh() {
        records.Clear();
        categories.Clear();
        settings.reset();
        file.Close();
        std::remove(folder.Utf8Path("switch.qrb").c_str());
        SetUp();
    }
};

// What OK does to the column widths: a new column count starts every width
// again from the default; a new policy hands every category the global widths;
// colours alone keep them.
TEST_F(PreferencesTest, ColumnWidthsFollowTheColumnCountAndThePolicy) {
    struct Case {
        const char* name;
        int columns;
        bool perCategory;
        int expectedGlobal1;
        int expectedBank1;
    };
    const Case cases[] = {
        {"colours only", 6, false, 21, 300},
        {"column count", 4, false, -1, -1},
        {"policy", 6, true, 21, 21},
    };
    for (const Case& c : cases) {
        Fresh();
        Preferences values = LoadPreferences(*settings);
        values.oddRowColour = MakeColour(1, 2, 3);
        values.visibleDataColumns = c.columns;
        values.perCategoryColumnWidths = c.perCategory;
        ApplyPreferences(values, *settings, categories, file);
        EXPECT_EQ(settings->desktop.columnWidths[1], c.expectedGlobal1) << c.name;
        Reopen();
        EXPECT_EQ(bank->columnWidth[1], c.expectedBank1) << c.name;
        EXPECT_EQ(settings->desktop.visibleDataColumns, c.columns) << c.name;
        EXPECT_EQ(settings->Active().oddRowColour[2], 3) << c.name;
    }
}

TEST_F(PreferencesTest, EveryValueIsStored) {
    Preferences values = LoadPreferences(*settings);
    EXPECT_EQ(values.evenRowColour, MakeColour(221, 238, 255));
    EXPECT_EQ(values.lockoutMinutes, 5);
    values.lockoutMinutes = -1;
    values.showNoPasswordWarning = false;
    values.promptPasswordOnOpen = false;
    values.cleartextPasswordEntry = true;
    values.showUrlsAsHyperlinks = false;
    values.evenRowColour = MakeColour(10, 20, 30);
    ApplyPreferences(values, *settings, categories, file);
    Reopen();
    const ProfileSettings& stored = settings->Active();
    EXPECT_EQ(stored.lockoutMinutes, -1);
    EXPECT_EQ(stored.showNoPasswordWarning, 0);
    EXPECT_EQ(stored.promptPasswordOnOpen, 0);
    EXPECT_EQ(stored.cleartextPasswordEntry, 1);
    EXPECT_EQ(stored.showUrlsAsHyperlinks, 0);
    EXPECT_EQ(stored.evenRowColour[0], 10);
    EXPECT_EQ(stored.evenRowColour[1], 20);
    EXPECT_EQ(stored.evenRowColour[2], 30);
    EXPECT_EQ(bank->columnWidth[1], 300);  // untouched without a column change
}

}  // namespace
