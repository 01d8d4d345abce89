#include "model/Category.h"
#include "model/Database.h"
#include "model/Protection.h"
#include "model/Record.h"
#include "security/Cipher.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"
#include "tests/core/TestFiles.h"
#include "tools/cli/Cli.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <sstream>

namespace {

struct Result {
    int status;
    std::string out, err;
};

Result RunCommand(std::vector<std::string> args) {
    std::ostringstream out, err;
    CliIo io{out, err, {}};
    int status = RunCli(args, io);
    return {status, out.str(), err.str()};
}

class CliTest : public ::testing::Test {
protected:
    std::string Db() const { return folder.Utf8Path("QuorrelDPC.qrb"); }

    // A database made by init, with records added through the core.
    void MakeDatabaseWithRecords(const char16_t* password) {
        ASSERT_EQ(RunCommand({"init", Db()}).status, 0);
        CDatabase database;
        ASSERT_EQ(database.Open(folder.Path("QuorrelDPC.qrb").c_str(), CDatabase::Access::Write), 0);
        CxFile& file = database.file;
        CCategories& categories = database.categories;
        CRecords& records = database.records;
        auto add = [&](const char16_t* category, std::vector<const char16_t*> values) {
            values.resize(7, nullptr);
            auto* r = new CRecord;
            r->categoryId = categories.FindByName(category)->id;
            r->SetFields(values.data());
            r->Save(file, false);
            records.Append(r);
        };
        add(u"Bank", {u"First Bank", u"12-34", u"9876", nullptr, nullptr, nullptr, u"two\nlines"});
        add(u"Web Login", {u"Example", u"https://example.org", u"me", u"pw"});
        add(u"Email", {u"Mail\u00e9", u"user"});
        if (password) OnPasswordAdded(records, file, password, categories);
    }

    ScratchFolder folder;
};

TEST_F(CliTest, UsageErrorsExitWithTwo) {
    for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
             {}, {"frobnicate"}, {"init"}, {"init", "a", "b"}, {"list"}, {"list", "x", "--category"}, {"check"}}) {
        Result r = RunCommand(args);
        EXPECT_EQ(r.status, 2) << (args.empty() ? "" : args[0]);
        EXPECT_NE(r.err.find("usage:"), std::string::npos);
    }
    EXPECT_EQ(RunCommand({"--help"}).status, 0);
}

TEST_F(CliTest, InitMakesASoundDatabaseAndRefusesAnExistingPath) {
    Result made = RunCommand({"init", Db()});
    ASSERT_EQ(made.status, 0) << made.err;
    Result check = RunCommand({"check", Db()});
    EXPECT_EQ(check.status, 0) << check.err;
    EXPECT_EQ(check.out, "sound\n");
    auto before = ReadBytes(folder.Path("QuorrelDPC.qrb"));
    Result again = RunCommand({"init", Db()});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("already exists"), std::string::npos);
    EXPECT_EQ(ReadBytes(folder.Path("QuorrelDPC.qrb")), before);
    Result elsewhere = RunCommand({"init", folder.Utf8Path("no/such/folder/db.qrb")});
    EXPECT_EQ(elsewhere.status, 1);
    EXPECT_EQ(std::count(elsewhere.err.begin(), elsewhere.err.end(), '\n'), 1);
}

// The page layout of a new database, entry by entry: 17 entries inserted in
// the order 100, 1000, 101 to 112, 0, 1, 2 into 128-byte pages.
TEST_F(CliTest, InitLaysOutPagesAsTheAlgorithmsDo) {
    ASSERT_EQ(RunCommand({"init", Db()}).status, 0);
    auto bytes = ReadBytes(folder.Path("QuorrelDPC.qrb"));
    // Index pages: collect (offset, keys) along the chain.
    std::vector<std::pair<int32_t, std::vector<int32_t>>> chain;
    size_t dataPages = 0;
    for (int32_t page = WordAt(bytes, 28); page > 0; page = WordAt(bytes, page + 12)) {
        std::vector<int32_t> keys;
        for (int32_t i = 0; i < WordAt(bytes, page + 20); ++i) {
            keys.push_back(WordAt(bytes, page + 24 + 12 * i));
            int32_t length = WordAt(bytes, page + 32 + 12 * i);
            dataPages += static_cast<size_t>(std::max(1, (length + 115) / 116));
        }
        chain.emplace_back(page, keys);
    }
    // 107 splits the first page around itself (100 to 106 move to a new page
    // before it); 0 then splits that page below its bounds (100 to 103 move).
    std::vector<std::pair<int32_t, std::vector<int32_t>>> expected = {
        {36 + 128 * 64, {0, 1, 2, 100, 101, 102, 103}},
        {36 + 128 * 33, {104, 105, 106, 107}},
        {36 + 128 * 0, {108, 109, 110, 111, 112, 1000}},
    };
    EXPECT_EQ(chain, expected);
    EXPECT_EQ(bytes.size(), 36 + 128 * (chain.size() + dataPages));
    EXPECT_EQ(bytes.size(), 36u + 128 * 70);
    EXPECT_EQ(WordAt(bytes, 32), -1);  // nothing on the free list
}

TEST_F(CliTest, ListShowsRecordsMaskedWhileLocked) {
    MakeDatabaseWithRecords(u"open sesame");
    Result all = RunCommand({"list", Db()});
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.out,
              "Bank\tFirst Bank\t******\t******\t\t\t\t******\n"
              "Web Login\tExample\t******\t******\t******\t\t\t\n"
              "Email\tMail\u00e9\t******\t\t\t\t\t\n");
    Result web = RunCommand({"list", Db(), "--category", "web login"});
    ASSERT_EQ(web.status, 0);
    EXPECT_EQ(web.out, "Web Login\tExample\t******\t******\t******\t\t\t\n");
    EXPECT_EQ(RunCommand({"list", Db(), "--category", "Nothing"}).status, 1);
}

TEST_F(CliTest, ListWithoutPasswordShowsValuesEscaped) {
    MakeDatabaseWithRecords(nullptr);
    Result all = RunCommand({"list", Db(), "--category", "Bank"});
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.out, "Bank\tFirst Bank\t12-34\t9876\t\t\t\ttwo\\nlines\n");
}

TEST_F(CliTest, DumpDecodesEveryEntry) {
    MakeDatabaseWithRecords(u"open sesame");
    Result dump = RunCommand({"dump", Db()});
    ASSERT_EQ(dump.status, 0) << dump.err;
    for (const char* expected :
         {"header: signature \"Quorrel200\", user values 1 and 0, page size 128", "entry 0, 44 bytes: settings header",
          "formatLevel 50", "entry 2, 152 bytes: desktop profile", "splitterPosition 400",
          "entry 101, 564 bytes: category 0 \"Bank\"", "labels \"Bank\" \"Account #\" \"PIN\" \"\"",
          "entry 1000, 1 byte: record marker", "entry 1001", "first field \"First Bank\"", "block (enciphered) "}) {
        EXPECT_NE(dump.out.find(expected), std::string::npos) << expected;
    }
    EXPECT_EQ(dump.out.find("12-34"), std::string::npos);
}

// Damaged files: a clear one-line message and exit 1, quickly.
TEST_F(CliTest, CheckAndDumpReportDamage) {
    ASSERT_EQ(RunCommand({"init", Db()}).status, 0);
    const auto sound = ReadBytes(folder.Path("QuorrelDPC.qrb"));
    const int32_t firstIndex = WordAt(sound, 28);
    const int32_t secondIndex = WordAt(sound, firstIndex + 12);
    const int32_t dataOfKey0 = WordAt(sound, firstIndex + 28);
    struct Case {
        const char* name;
        std::function<void(std::vector<unsigned char>&)> damage;
    };
    const Case cases[] = {
        {"truncated", [](auto& b) { b.resize(b.size() - 200); }},
        {"cyclic index chain", [&](auto& b) { SetWordAt(b, secondIndex + 12, firstIndex); }},
        {"cyclic data chain", [&](auto& b) { SetWordAt(b, dataOfKey0 + 4, dataOfKey0); }},
        {"offset out of range", [&](auto& b) { SetWordAt(b, firstIndex + 28, 0x40000000); }},
        {"entry longer than its chain", [&](auto& b) { SetWordAt(b, firstIndex + 32, 4000); }},
    };
    for (const Case& c : cases) {
        auto bytes = sound;
        c.damage(bytes);
        WriteBytes(folder.Path("QuorrelDPC.qrb"), bytes);
        for (const char* command : {"check", "dump", "list"}) {
            auto start = std::chrono::steady_clock::now();
            Result r = RunCommand({command, Db()});
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
            EXPECT_EQ(r.status, 1) << c.name << " " << command;
            EXPECT_NE(r.err.find("damaged"), std::string::npos) << c.name << " " << command << ": " << r.err;
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        }
        EXPECT_EQ(ReadBytes(folder.Path("QuorrelDPC.qrb")), bytes) << c.name;
    }
    WriteBytes(folder.Path("QuorrelDPC.qrb"), {'n', 'o', 't'});
    Result other = RunCommand({"check", Db()});
    EXPECT_EQ(other.status, 1);
    EXPECT_NE(other.err.find("not a Quorrel database"), std::string::npos);
}

}  // namespace
