#include "model/Database.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"
#include "tests/core/TestFiles.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(database.Create(path.c_str()), 0);
    }

    std::vector<unsigned char> Entry(int32_t key) {
        std::vector<unsigned char> bytes;
        EXPECT_TRUE(file.Find(key)) << key;
        EXPECT_TRUE(file.ReadEntry(bytes));
        return bytes;
    }

    void Replace(int32_t key, const std::vector<unsigned char>& bytes) {
        ASSERT_TRUE(file.Find(key));
        ASSERT_TRUE(file.Update(bytes.data(), static_cast<int32_t>(bytes.size())));
    }

    ScratchFolder folder;
    std::u16string path = folder.Path("db.qrb");
    CDatabase database;
    CxFile& file = database.file;
};

TEST_F(SettingsTest, NewDatabaseHoldsBlocksMarkersAndCategories) {
    std::vector<int32_t> keys;
    for (bool more = file.First(); more; more = file.Next()) {
        int32_t key = 0;
        file.GetKey(key);
        keys.push_back(key);
    }
    std::vector<int32_t> expected = {0, 1, 2, 100};
    for (int32_t k = 101; k <= 112; ++k) expected.push_back(k);
    expected.push_back(1000);
    EXPECT_EQ(keys, expected);

    auto header = Entry(0);
    ASSERT_EQ(header.size(), 44u);
    EXPECT_EQ(WordAt(header, 0), 50);
    EXPECT_EQ(Entry(100), std::vector<unsigned char>{0});
    EXPECT_EQ(Entry(1000), std::vector<unsigned char>{0});

    auto handheld = Entry(1);
    ASSERT_EQ(handheld.size(), 164u);
    auto desktop = Entry(2);
    ASSERT_EQ(desktop.size(), 152u);
    struct Field {
        size_t offset;
        int32_t handheld, desktop;
    };
    const Field words[] = {{32, 0, 0},     {36, 255, 255}, {48, 221, 221}, {52, 238, 238}, {56, 255, 255},
                           {60, 5, 5},     {64, 3, 3},     {72, -1, -1},   {96, 3, 6},     {100, 4, -1}};
    for (const Field& f : words) {
        EXPECT_EQ(WordAt(handheld, f.offset), f.handheld) << f.offset;
        EXPECT_EQ(WordAt(desktop, f.offset), f.desktop) << f.offset;
    }
    const Field bytes[] = {{77, 0, 0}, {78, 1, 1}, {79, 0, 1}, {89, 1, 1}, {93, 0, 0}};
    for (const Field& f : bytes) {
        EXPECT_EQ(handheld[f.offset], f.handheld) << f.offset;
        EXPECT_EQ(desktop[f.offset], f.desktop) << f.offset;
    }
    EXPECT_EQ(WordAt(handheld, 104), -1);
    EXPECT_EQ(WordAt(handheld, 160), 0);
    const Field placement[] = {{128, 0, 10}, {132, 0, 10}, {136, 0, 770}, {140, 0, 570}, {144, 0, 400}, {148, 0, 1}};
    for (const Field& f : placement) EXPECT_EQ(WordAt(desktop, f.offset), f.desktop) << f.offset;
}

TEST_F(SettingsTest, MissingHandheldBlockIsRestoredWithoutTouchingTheDesktop) {
    auto desktop = Entry(2);
    desktop[60] = 17;  // lockoutMinutes
    Replace(2, desktop);
    ASSERT_TRUE(file.Find(1));
    ASSERT_TRUE(file.Delete());
    CSettings settings(file, CSettings::kDesktopProfile);
    EXPECT_EQ(Entry(1).size(), 164u);
    EXPECT_EQ(Entry(2), desktop);
    EXPECT_EQ(settings.Active().lockoutMinutes, 17);
}

TEST_F(SettingsTest, SaveWritesHeaderAndDesktopButNeverHandheld) {
    ASSERT_TRUE(file.Find(1));
    ASSERT_TRUE(file.Delete());
    // Loading restores key 1; take it away again before saving.
    CSettings settings(file, CSettings::kDesktopProfile);
    ASSERT_TRUE(file.Find(1));
    ASSERT_TRUE(file.Delete());
    settings.Active().maxPasswordAttempts = 7;
    settings.desktop.splitterPosition = 222;
    settings.SaveSettings();
    EXPECT_FALSE(file.Find(1));
    auto desktop = Entry(2);
    EXPECT_EQ(WordAt(desktop, 64), 7);
    EXPECT_EQ(WordAt(desktop, 144), 222);
}

TEST_F(SettingsTest, StoredBlocksKeepReservedBytesAndTolerateOtherSizes) {
    auto desktop = Entry(2);
    desktop[68] = 0x5A;  // reserved byte
    SetWordAt(desktop, 80, 99);
    desktop.resize(200, 0x77);  // longer than the block
    Replace(2, desktop);
    std::vector<unsigned char> header(8, 0);  // shorter than the block
    SetWordAt(header, 0, 51);
    SetWordAt(header, 4, 9);
    Replace(0, header);

    CSettings settings(file, CSettings::kDesktopProfile);
    EXPECT_EQ(settings.header.formatLevel, 51);
    EXPECT_EQ(settings.header.reserved[0], 9);
    EXPECT_EQ(settings.header.reserved[1], 0);
    EXPECT_EQ(settings.Active().reserved68, 0x5A);
    settings.SaveSettings();
    auto saved = Entry(2);
    ASSERT_EQ(saved.size(), 152u);
    EXPECT_EQ(saved[68], 0x5A);
    EXPECT_EQ(WordAt(saved, 80), 99);
    EXPECT_EQ(Entry(0).size(), 44u);
}

TEST_F(SettingsTest, ConstructorLocksAndLeavesNoVerifierBehind) {
    CSettings settings(file, CSettings::kDesktopProfile);
    EXPECT_EQ(settings.locked, 1);
    EXPECT_EQ(settings.profile, 1);
    EXPECT_EQ(&settings.Active(), &settings.desktop.profile);
    CSettings handheld(file, 0);
    EXPECT_EQ(&handheld.Active(), &handheld.handheld.profile);
    EXPECT_EQ(handheld.Active().promptPasswordOnOpen, 0);
}

}  // namespace
