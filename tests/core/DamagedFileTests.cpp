// Damaged and hostile files: the check names the fault, and the record file
// itself ends every walk, never writes past a stated length, and refuses to
// change a file it found damaged.
#include "model/Database.h"
#include "storage/CxFile.h"
#include "storage/FileCheck.h"
#include "tests/core/TestFiles.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

constexpr char kSignature[] = "Quorrel200";

// A sound file: keys 1 to 12 over two index pages, key 5 with a three-page
// payload, and one page on the free list.
std::vector<unsigned char> SoundImage(const ScratchFolder& folder) {
    std::u16string path = folder.Path("sound.qrb");
    CxFile file(kSignature);
    EXPECT_EQ(file.Create(path.c_str(), 128, 1, 0), 0);
    std::vector<unsigned char> big(300, 0xAB);
    for (int32_t key = 1; key <= 12; ++key) {
        EXPECT_TRUE(key == 5 ? file.Insert(key, big.data(), 300) : file.Insert(key, &key, 4));
    }
    EXPECT_TRUE(file.Insert(13, big.data(), 200));
    EXPECT_TRUE(file.Find(13));
    EXPECT_TRUE(file.Update("z", 1));  // releases one page
    file.Close();
    return ReadBytes(path);
}

struct Layout {
    int32_t firstIndex, secondIndex, bigEntry, bigFirstData;
};

Layout Find(const std::vector<unsigned char>& image) {
    Layout l{};
    l.firstIndex = WordAt(image, 28);
    l.secondIndex = WordAt(image, l.firstIndex + 12);
    for (int32_t page : {l.firstIndex, l.secondIndex}) {
        for (int32_t i = 0; i < WordAt(image, page + 20); ++i) {
            if (WordAt(image, page + 24 + 12 * i) == 5) {
                l.bigEntry = page + 24 + 12 * i;
                l.bigFirstData = WordAt(image, l.bigEntry + 4);
            }
        }
    }
    return l;
}

struct Damage {
    const char* name;
    std::function<void(std::vector<unsigned char>&, const Layout&)> apply;
    const char* fault;  // a part of the check's message
};

const Damage kDamages[] = {
    {"truncated mid-page", [](auto& b, auto&) { b.resize(b.size() - 50); }, "page boundary"},
    {"truncated by whole pages", [](auto& b, auto&) { b.resize(b.size() - 3 * 128); }, "not a page of the file"},
    {"cyclic index chain",
     [](auto& b, auto& l) {
         SetWordAt(b, l.secondIndex + 12, l.firstIndex);
         SetWordAt(b, l.firstIndex + 16, l.secondIndex);
     },
     "index"},
    {"cyclic data chain",
     [](auto& b, auto& l) {
         int32_t second = WordAt(b, l.bigFirstData + 4);
         SetWordAt(b, second + 4, l.bigFirstData);
     },
     "data"},
    {"offset outside the file", [](auto& b, auto& l) { SetWordAt(b, l.bigEntry + 4, 1 << 30); }, "not a page of the file"},
    {"offset off the page grid", [](auto& b, auto& l) { SetWordAt(b, l.bigEntry + 4, l.bigFirstData + 4); }, "not a page"},
    {"entry longer than its chain", [](auto& b, auto& l) { SetWordAt(b, l.bigEntry + 8, 5000); }, "bytes where"},
    {"entry shorter than its chain", [](auto& b, auto& l) { SetWordAt(b, l.bigEntry + 8, 100); }, "holds"},
    {"huge entry length", [](auto& b, auto& l) { SetWordAt(b, l.bigEntry + 8, 0x7FFFFFF0); }, "bytes where"},
    {"negative entry length", [](auto& b, auto& l) { SetWordAt(b, l.bigEntry + 8, -8); }, "negative"},
    {"count above capacity", [](auto& b, auto& l) { SetWordAt(b, l.firstIndex + 20, 9); }, "entries"},
    {"negative count", [](auto& b, auto& l) { SetWordAt(b, l.firstIndex + 20, -1); }, "entries"},
    {"data page count above capacity", [](auto& b, auto& l) { SetWordAt(b, l.bigFirstData + 8, 4000); }, "bytes where"},
    {"keys out of order", [](auto& b, auto& l) { SetWordAt(b, l.firstIndex + 24, 99); }, "out of order"},
    {"cyclic free list", [](auto& b, auto&) { SetWordAt(b, WordAt(b, 32), WordAt(b, 32)); }, "twice"},
    {"free list outside the file", [](auto& b, auto&) { SetWordAt(b, 32, 1 << 30); }, "not a page"},
    {"impossible page size", [](auto& b, auto&) { SetWordAt(b, 24, 100); }, "page size"},
    {"zero page size", [](auto& b, auto&) { SetWordAt(b, 24, 0); }, "page size"},
    {"orphaned page", [](auto& b, auto&) { b.resize(b.size() + 128, 0); }, "reached from nowhere"},
    {"wrong own offset", [](auto& b, auto& l) { SetWordAt(b, l.secondIndex + 8, 36); }, "own offset"},
};

TEST(DamagedFile, SoundImageIsSound) {
    ScratchFolder folder;
    auto image = SoundImage(folder);
    Layout l = Find(image);
    ASSERT_GT(l.secondIndex, 0);
    ASSERT_GT(l.bigFirstData, 0);
    ASSERT_GT(WordAt(image, 32), 0);
    EXPECT_EQ(CheckRecordFileImage(image, kSignature), "");
}

TEST(DamagedFile, CheckNamesTheFault) {
    ScratchFolder folder;
    const auto sound = SoundImage(folder);
    const Layout layout = Find(sound);
    for (const Damage& d : kDamages) {
        auto image = sound;
        d.apply(image, layout);
        std::string fault = CheckRecordFileImage(image, kSignature);
        EXPECT_NE(fault.find(d.fault), std::string::npos) << d.name << ": " << fault;
    }
}

// Walks, reads and tries to change every damaged file: nothing may loop,
// overrun or crash, and a damaged file is not written to.
TEST(DamagedFile, RecordFileSurvivesEveryDamage) {
    ScratchFolder folder;
    const auto sound = SoundImage(folder);
    const Layout layout = Find(sound);
    std::u16string path = folder.Path("damaged.qrb");
    for (const Damage& d : kDamages) {
        auto image = sound;
        d.apply(image, layout);
        WriteBytes(path, image);
        CxFile file(kSignature);
        ASSERT_EQ(file.Open(path.c_str()), 0) << d.name;
        int walked = 0;
        std::vector<unsigned char> payload;
        for (bool more = file.First(); more && walked < 100; more = file.Next(), ++walked) {
            int32_t length = 0;
            ASSERT_TRUE(file.GetLength(length));
            if (length >= 0 && length < 10000) {
                // Guard bytes after the stated length must stay untouched.
                std::vector<unsigned char> buffer(static_cast<size_t>(length) + 64, 0xEE);
                int32_t got = -1;
                if (file.ReadData(buffer.data(), got)) {
                    EXPECT_EQ(got, length);
                }
                for (size_t i = static_cast<size_t>(length); i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0xEE) << d.name;
            }
            file.ReadEntry(payload);
        }
        EXPECT_LT(walked, 100) << d.name;
        for (int32_t key = 0; key < 20; ++key) file.Find(key);
        file.Last();
        if (!file.Damage().empty()) {
            EXPECT_FALSE(file.Insert(77, "x", 1)) << d.name;
            file.Close();
            EXPECT_EQ(ReadBytes(path), image) << d.name << " was written to";
        }
    }
}

TEST(DamagedFile, DatabaseCheckLooksIntoEntries) {
    ScratchFolder folder;
    std::u16string path = folder.Path("db.qrb");
    CxFile file(kDatabaseSignature);
    ASSERT_EQ(file.Create(path.c_str(), kDatabasePageSize, 1, 0), 0);
    std::vector<unsigned char> shortCategory(100, 0);
    ASSERT_TRUE(file.Insert(105, shortCategory.data(), 100));
    std::vector<unsigned char> record(60, 0);
    SetWordAt(record, 44, 40);  // a first field longer than the entry
    ASSERT_TRUE(file.Insert(1001, record.data(), 60));
    file.Close();
    std::string fault = CheckDatabase(path.c_str());
    EXPECT_NE(fault.find("entry 105"), std::string::npos) << fault;
    ASSERT_TRUE(file.Open(path.c_str()) == 0 && file.Find(105) && file.Delete());
    file.Close();
    fault = CheckDatabase(path.c_str());
    EXPECT_NE(fault.find("entry 1001"), std::string::npos) << fault;
}

}  // namespace
