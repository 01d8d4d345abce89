// find, driven in-process: its lines, its grep-like exit status and the note
// when protected values were not searched.
#include "tests/core/TestFiles.h"
#include "tests/cli/CliRunner.h"
#include "tools/cli/Cli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Result = CliResult;

Result Cli(std::vector<std::string> args, std::deque<std::string> typed = {}) { return RunCliWith(args, std::move(typed)); }

constexpr char kLockedNote[] = "quorrel-cli: note: Protected values were not searched: the data is locked.\n";
constexpr char kBankLine[] = "Bank\tFirst Bank\t******\t******\t\t\t\t******\n";
constexpr char kExampleLine[] = "Web Login\tExample\t******\t******\t******\t\t\t\n";
constexpr char kShedLine[] = "Garden\tShed lock\t******\t\t\t\t\t\n";

class CliFindTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Cli({"init", Db()}).status, 0);
        Write("records.csv",
              "Bank,First Bank,12-34,9876,,,,Two lines\n"
              "Web Login,Example,https://example.org,me,pw\n"
              "Garden,Shed lock,4321\n");
        ASSERT_EQ(Cli({"import", Db(), Path("records.csv")}).status, 0);
        ASSERT_TRUE(WritePrivateFile(folder.Path("pw.txt"), "open sesame\n"));
        ASSERT_TRUE(WritePrivateFile(folder.Path("wrong.txt"), "not the one\n"));
    }

    void AddPassword() {
        ASSERT_EQ(Cli({"passwd", Db(), "--new-password-file", Path("pw.txt")}).status, 0);
    }

    std::string Db() const { return folder.Utf8Path("QuorrelDPC.qrb"); }
    std::string Path(const char* name) const { return folder.Utf8Path(name); }
    void Write(const char* name, const std::string& text) { WriteBytes(folder.Path(name), {text.begin(), text.end()}); }

    ScratchFolder folder;
};

TEST_F(CliFindTest, PrintsMatchesAsListAndExitsAsGrep) {
    AddPassword();
    const std::string pw = Path("pw.txt");
    struct Case {
        std::vector<std::string> args;
        std::deque<std::string> typed;
        int status;
        std::string out, err;
    };
    const Case cases[] = {
        // Unlocked: every value is searched; protected ones are still printed masked.
        {{"find", Db(), "first", "--password-file", pw}, {}, 0, kBankLine, ""},
        {{"find", Db(), "9876", "--password-file", pw}, {}, 0, kBankLine, ""},
        {{"find", Db(), "EXAMPLE.ORG"}, {"open sesame"}, 0, kExampleLine, ""},
        {{"find", Db(), "", "--password-file", pw}, {}, 0, std::string(kBankLine) + kExampleLine + kShedLine, ""},
        {{"find", Db(), "nowhere", "--password-file", pw}, {}, 1, "", ""},
        // Values on their own: no match across two of them.
        {{"find", Db(), "exampleme", "--password-file", pw}, {}, 1, "", ""},
        // Locked (asked for, no password given, or no terminal): titles only, and a note.
        {{"find", Db(), "9876", "--locked"}, {}, 1, "", kLockedNote},
        {{"find", Db(), "shed", "--locked"}, {}, 0, kShedLine, kLockedNote},
        {{"find", Db(), "shed"}, {""}, 0, kShedLine, kLockedNote},
        {{"find", Db(), "shed"}, {}, 0, kShedLine, kLockedNote},
    };
    for (const Case& c : cases) {
        Result r = Cli(c.args, c.typed);
        EXPECT_EQ(r.status, c.status) << c.args[2] << ": " << r.err;
        EXPECT_EQ(r.out, c.out) << c.args[2];
        EXPECT_EQ(r.err, c.err) << c.args[2];
    }
}

// Every error exits with 2 and says what went wrong on one line (usage
// errors add the usage text).
TEST_F(CliFindTest, ErrorsExitWithTwo) {
    AddPassword();
    Write("damaged.qrb", "not a database");
    struct Case {
        std::vector<std::string> args;
        const char* says;
    };
    const Case cases[] = {
        {{"find", Db(), "first", "--password-file", Path("wrong.txt")}, "incorrect"},
        {{"find", Db(), "first", "--password-file", Path("missing.txt")}, "cannot be read"},
        {{"find", Path("missing.qrb"), "first", "--locked"}, "cannot be opened"},
        {{"find", Path("damaged.qrb"), "first", "--locked"}, "not a Quorrel database"},
        {{"find", Db()}, "usage:"},
        {{"find", Db(), "a", "b"}, "usage:"},
        {{"find", Db(), "a", "--colour"}, "unknown option"},
        {{"find", Db(), "a", "--locked", "--password-file", Path("pw.txt")}, "exclude each other"},
    };
    for (const Case& c : cases) {
        Result r = Cli(c.args);
        EXPECT_EQ(r.status, 2) << c.says;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
}

// A damaged database that still opens: the readable records are searched and
// printed, and the damage makes it an error.
TEST_F(CliFindTest, DamageAfterTheMatchesIsAnError) {
    auto bytes = ReadBytes(folder.Path("QuorrelDPC.qrb"));
    bytes.resize(bytes.size() - 100);
    WriteBytes(folder.Path("QuorrelDPC.qrb"), bytes);
    Result r = Cli({"find", Db(), "", "--locked"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("damaged"), std::string::npos) << r.err;
}

// Without a master password nothing is enciphered: every value is searched,
// shown in clear, and there is no note.
TEST_F(CliFindTest, WithoutAMasterPasswordEveryValueIsSearched) {
    Result r = Cli({"find", Db(), "4321"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Garden\tShed lock\t4321\t\t\t\t\t\n");
    EXPECT_EQ(r.err, "");
}

}  // namespace
