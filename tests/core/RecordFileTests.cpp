#include "storage/CxFile.h"
#include "storage/FileCheck.h"
#include "tests/core/TestFiles.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

namespace {

constexpr char kSignature[] = "Quorrel200";

class RecordFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(file.Create(path.c_str(), 128, 1, 0), 0); }

    std::vector<unsigned char> Bytes() { return ReadBytes(path); }

    void InsertKeys(std::initializer_list<int32_t> keys) {
        for (int32_t key : keys) ASSERT_TRUE(file.Insert(key, &key, sizeof key)) << key;
    }

    // Every key in file order, walked with First and Next.
    std::vector<int32_t> Keys() {
        std::vector<int32_t> keys;
        for (bool more = file.First(); more; more = file.Next()) {
            int32_t key = 0;
            EXPECT_TRUE(file.GetKey(key));
            keys.push_back(key);
        }
        return keys;
    }

    std::vector<unsigned char> Payload(int32_t key) {
        std::vector<unsigned char> bytes;
        EXPECT_TRUE(file.Find(key)) << key;
        EXPECT_TRUE(file.ReadEntry(bytes)) << key;
        return bytes;
    }

    std::string Check() {
        file.Close();
        std::string fault = CheckRecordFile(path.c_str(), kSignature);
        EXPECT_EQ(file.Open(path.c_str()), 0);
        return fault;
    }

    ScratchFolder folder;
    std::u16string path = folder.Path("test.qrb");
    CxFile file{kSignature};
};

TEST_F(RecordFileTest, NewFileIsExactlyTheHeader) {
    file.Close();
    std::vector<unsigned char> expected(36, 0);
    const char signature[] = "Quorrel200";
    std::copy(signature, signature + sizeof signature, expected.begin());
    SetWordAt(expected, 16, 1);
    SetWordAt(expected, 20, 0);
    SetWordAt(expected, 24, 128);
    SetWordAt(expected, 28, -1);
    SetWordAt(expected, 32, -1);
    EXPECT_EQ(Bytes(), expected);
}

TEST_F(RecordFileTest, PageSizeIsClampedAndRaisedToAPowerOfTwo) {
    struct Case {
        int32_t requested, pageSize;
    };
    for (Case c : {Case{100, 128}, Case{300, 512}, Case{128, 128}, Case{1, 64}, Case{5000, 512}}) {
        ASSERT_EQ(file.Create(path.c_str(), c.requested, 1, 0), 0);
        EXPECT_EQ(file.PageSize(), c.pageSize) << c.requested;
        file.Close();
        std::filesystem::remove(std::filesystem::path(path));
    }
}

TEST_F(RecordFileTest, FirstInsertPlacesIndexPageThenDataPage) {
    const unsigned char payload[] = {7, 8, 9};
    ASSERT_TRUE(file.Insert(42, payload, 3));
    auto bytes = Bytes();
    ASSERT_EQ(bytes.size(), 36u + 2 * 128);
    EXPECT_EQ(WordAt(bytes, 28), 36);  // first index page
    // Index page: bounds, own offset, no neighbours, one entry.
    EXPECT_EQ(WordAt(bytes, 36 + 0), 42);
    EXPECT_EQ(WordAt(bytes, 36 + 4), 42);
    EXPECT_EQ(WordAt(bytes, 36 + 8), 36);
    EXPECT_EQ(WordAt(bytes, 36 + 12), -1);
    EXPECT_EQ(WordAt(bytes, 36 + 16), -1);
    EXPECT_EQ(WordAt(bytes, 36 + 20), 1);
    EXPECT_EQ(WordAt(bytes, 36 + 24), 42);
    EXPECT_EQ(WordAt(bytes, 36 + 28), 164);
    EXPECT_EQ(WordAt(bytes, 36 + 32), 3);
    // Data page: no neighbours, three bytes.
    EXPECT_EQ(WordAt(bytes, 164 + 0), -1);
    EXPECT_EQ(WordAt(bytes, 164 + 4), -1);
    EXPECT_EQ(WordAt(bytes, 164 + 8), 3);
    EXPECT_EQ(bytes[176], 7);
    EXPECT_EQ(bytes[178], 9);
}

TEST(RecordFileOpen, RefusesWhatIsNotItsFormat) {
    ScratchFolder folder;
    CxFile file(kSignature);
    EXPECT_EQ(file.Open(folder.Path("missing.qrb").c_str()), -2);

    WriteBytes(folder.Path("empty.qrb"), {});
    EXPECT_EQ(file.Open(folder.Path("empty.qrb").c_str()), -3);

    WriteBytes(folder.Path("short.qrb"), std::vector<unsigned char>(35, 0));
    EXPECT_EQ(file.Open(folder.Path("short.qrb").c_str()), -3);

    CxFile other("Quorrel100");
    ASSERT_EQ(other.Create(folder.Path("old.qrb").c_str(), 128, 1, 0), 0);
    other.Close();
    EXPECT_EQ(file.Open(folder.Path("old.qrb").c_str()), -3);
    EXPECT_FALSE(file.IsOpen());

    CxFile made(kSignature);
    ASSERT_EQ(made.Create(folder.Path("good.qrb").c_str(), 128, 1, 0), 0);
    made.Close();
    ASSERT_EQ(file.Open(folder.Path("good.qrb").c_str()), 0);
    int32_t key = 0;
    EXPECT_FALSE(file.GetKey(key));  // the cursor starts nowhere
}

TEST(RecordFileOpen, SecondWriterIsRefusedButReadersAreNot) {
    ScratchFolder folder;
    CxFile first(kSignature);
    ASSERT_EQ(first.Create(folder.Path("db.qrb").c_str(), 128, 1, 0), 0);
    ASSERT_TRUE(first.Insert(5, "x", 1));
    CxFile second(kSignature);
    EXPECT_EQ(second.Open(folder.Path("db.qrb").c_str()), -2);
    CxFile reader(kSignature);
    ASSERT_EQ(reader.OpenReadOnly(folder.Path("db.qrb").c_str()), 0);
    EXPECT_TRUE(reader.Find(5));
    EXPECT_FALSE(reader.Insert(6, "y", 1));
    EXPECT_FALSE(reader.Update("z", 1));
    EXPECT_FALSE(reader.Delete());
}

TEST_F(RecordFileTest, InsertOfExistingKeyLeavesCursorForUpdate) {
    InsertKeys({1, 2, 3});
    EXPECT_FALSE(file.Insert(2, "abc", 3));
    int32_t key = 0;
    ASSERT_TRUE(file.GetKey(key));
    EXPECT_EQ(key, 2);
    ASSERT_TRUE(file.Update("abc", 3));
    EXPECT_EQ(Payload(2), (std::vector<unsigned char>{'a', 'b', 'c'}));
}

TEST_F(RecordFileTest, NinthInsertSplitsAfterTheFullPage) {
    InsertKeys({1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_EQ(WordAt(Bytes(), 36 + 20), 8);
    InsertKeys({9});
    auto bytes = Bytes();
    int32_t first = WordAt(bytes, 28);
    int32_t second = WordAt(bytes, first + 12);
    ASSERT_GT(second, 0);
    EXPECT_EQ(WordAt(bytes, first + 20), 4);
    EXPECT_EQ(WordAt(bytes, first + 0), 1);
    EXPECT_EQ(WordAt(bytes, first + 4), 4);
    EXPECT_EQ(WordAt(bytes, second + 20), 5);
    EXPECT_EQ(WordAt(bytes, second + 0), 5);
    EXPECT_EQ(WordAt(bytes, second + 4), 9);
    EXPECT_EQ(WordAt(bytes, second + 16), first);
    EXPECT_EQ(Keys(), (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(Check(), "");
}

TEST_F(RecordFileTest, PayloadFillsDataPagesOf116Bytes) {
    struct Case {
        int32_t length, pages;
    };
    int32_t key = 1;
    for (Case c : {Case{1, 1}, Case{116, 1}, Case{117, 2}, Case{300, 3}}) {
        std::vector<unsigned char> payload(static_cast<size_t>(c.length));
        for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<unsigned char>(i * 7 + key);
        size_t before = Bytes().size();
        ASSERT_TRUE(file.Insert(key, payload.data(), c.length));
        size_t indexPages = key == 1 ? 1 : 0;
        EXPECT_EQ(Bytes().size() - before, (c.pages + indexPages) * 128u) << c.length;
        EXPECT_EQ(Payload(key), payload) << c.length;
        ++key;
    }
    EXPECT_EQ(Check(), "");
}

TEST_F(RecordFileTest, DeletingPagesRelinksTheChain) {
    InsertKeys({1, 2, 3, 4, 5, 6, 7, 8, 9});  // pages [1..4] and [5..9]
    for (int32_t key : {1, 2, 3, 4}) {
        ASSERT_TRUE(file.Find(key));
        ASSERT_TRUE(file.Delete());
    }
    int32_t key = 0;
    ASSERT_TRUE(file.GetKey(key));  // after Delete the cursor is on the first entry
    EXPECT_EQ(key, 5);
    auto bytes = Bytes();
    int32_t first = WordAt(bytes, 28);
    EXPECT_EQ(WordAt(bytes, first + 0), 5);
    EXPECT_EQ(WordAt(bytes, first + 16), -1);
    EXPECT_EQ(Check(), "");

    for (int32_t k : {5, 6, 7, 8, 9}) {
        ASSERT_TRUE(file.Find(k));
        ASSERT_TRUE(file.Delete());
    }
    EXPECT_EQ(WordAt(Bytes(), 28), -1);
    EXPECT_FALSE(file.First());
    EXPECT_FALSE(file.Next());
    EXPECT_EQ(Check(), "");
}

TEST_F(RecordFileTest, ReleasedPagesAreReusedBeforeTheFileGrows) {
    std::vector<unsigned char> big(300, 1);
    ASSERT_TRUE(file.Insert(1, big.data(), 300));
    ASSERT_TRUE(file.Insert(2, big.data(), 300));
    size_t size = Bytes().size();
    ASSERT_TRUE(file.Find(1));
    ASSERT_TRUE(file.Update("a", 1));  // frees three pages, takes one back
    EXPECT_EQ(Bytes().size(), size);
    ASSERT_TRUE(file.Find(2));
    ASSERT_TRUE(file.Delete());
    EXPECT_EQ(Bytes().size(), size);  // the file never shrinks
    ASSERT_TRUE(file.Insert(3, big.data(), 300));  // five pages were free
    ASSERT_TRUE(file.Insert(4, big.data(), 200));
    EXPECT_EQ(Bytes().size(), size);
    ASSERT_TRUE(file.Insert(5, big.data(), 1));
    EXPECT_EQ(Bytes().size(), size + 128);
    EXPECT_EQ(Check(), "");
}

TEST_F(RecordFileTest, NextAfterTheLastEntryStaysFalse) {
    InsertKeys({3, 1, 2});
    ASSERT_TRUE(file.Last());
    int32_t key = 0;
    ASSERT_TRUE(file.GetKey(key));
    EXPECT_EQ(key, 3);
    EXPECT_FALSE(file.Next());
    EXPECT_FALSE(file.Next());
    EXPECT_FALSE(file.GetKey(key));
}

TEST_F(RecordFileTest, FullPageWithAStaleLowerBoundNeverOverflows) {
    // Page [10..17] loses 10 (its lower bound stays 10) and fills up again
    // with 18; then 10 arrives between the bound and the first entry.
    InsertKeys({10, 11, 12, 13, 14, 15, 16, 17});
    ASSERT_TRUE(file.Find(10));
    ASSERT_TRUE(file.Delete());
    InsertKeys({18, 10});
    EXPECT_EQ(Keys(), (std::vector<int32_t>{10, 11, 12, 13, 14, 15, 16, 17, 18}));
    EXPECT_EQ(Check(), "");
    // And the mirror case: every entry lies below the key within the bounds.
    InsertKeys({30, 31, 32, 33, 34, 35, 36, 37});
    for (int32_t k : {31, 32, 33, 34, 35, 36, 37}) {
        ASSERT_TRUE(file.Find(k));
        ASSERT_TRUE(file.Delete());
    }
    InsertKeys({25, 26, 27, 28, 29, 20, 21});
    EXPECT_EQ(Check(), "");
}

TEST_F(RecordFileTest, FirstFreeKeyFillsGapsFromTheStart) {
    EXPECT_EQ(file.FirstFreeKey(1000), 1000);
    InsertKeys({1000});
    EXPECT_EQ(file.FirstFreeKey(1000), 1001);
    InsertKeys({1001, 1002, 1003});
    EXPECT_EQ(file.FirstFreeKey(1000), 1004);
    ASSERT_TRUE(file.Find(1002));
    ASSERT_TRUE(file.Delete());
    EXPECT_EQ(file.FirstFreeKey(1000), 1002);
    InsertKeys({1002});
    EXPECT_EQ(file.FirstFreeKey(1000), 1004);
}

// Random changes against a map of what the file should hold; the file must
// agree with the map and pass the full check all along.
TEST_F(RecordFileTest, RandomChangesKeepTheFileSoundAndFaithful) {
    std::mt19937 random(12345);
    std::map<int32_t, std::vector<unsigned char>> model;
    for (int round = 0; round < 60; ++round) {
        for (int step = 0; step < 40; ++step) {
            int32_t key = static_cast<int32_t>(random() % 200) - 50;
            std::vector<unsigned char> payload(random() % 400);
            for (auto& b : payload) b = static_cast<unsigned char>(random());
            bool present = model.count(key) > 0;
            switch (random() % 3) {
                case 0:
                    EXPECT_EQ(file.Insert(key, payload.data(), static_cast<int32_t>(payload.size())), !present);
                    if (!present) model[key] = payload;
                    break;
                case 1:
                    ASSERT_EQ(file.Find(key), present);
                    if (present) {
                        ASSERT_TRUE(file.Update(payload.data(), static_cast<int32_t>(payload.size())));
                        model[key] = payload;
                    }
                    break;
                default:
                    ASSERT_EQ(file.Find(key), present);
                    if (present) {
                        ASSERT_TRUE(file.Delete());
                        model.erase(key);
                    }
                    break;
            }
        }
        std::vector<int32_t> expectedKeys;
        for (const auto& [key, payload] : model) expectedKeys.push_back(key);
        ASSERT_EQ(Keys(), expectedKeys) << "round " << round;
        for (const auto& [key, payload] : model) ASSERT_EQ(Payload(key), payload) << key;
        ASSERT_EQ(Check(), "") << "round " << round;
    }
}

}  // namespace
