// Memory that runs out in the middle of import or passwd: whichever
// allocation fails, the command says so in one line and exits 1, and the
// database is as it was (or, when memory ran out only after the change was
// in the file, the command says that instead).
#include "storage/Journal.h"
#include "tests/cli/FailingAllocation.h"
#include "tests/core/TestFiles.h"
#include "tools/cli/Cli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Result {
    int status;
    std::string out, err;
};

// Runs a command without a terminal; with failAt, its failAt-th allocation fails.
Result Cli(const std::vector<std::string>& args, long failAt = -1, long* seen = nullptr) {
    std::ostringstream out, err;
    CliIo io{out, err, [](const std::string&, std::string&) { return false; }};
    int status = 0;
    if (failAt < 0) {
        status = RunCli(args, io);
    } else {
        AllocationFailure failure(failAt);
        status = RunCli(args, io);
        if (seen) *seen = failure.Seen();
    }
    return {status, out.str(), err.str()};
}

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

class CliMemory : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Cli({"init", Db()}).status, 0);
        Write("records.csv", "Bank,First Bank,12-34,9876\nWeb Login,Example,https://example.org,me,pw\n");
        Write("more.csv", "Bank,Second Bank,55-66,1111\nGarden,Shed,4321\nTravel,Air,ABC123,,,,,a note\n");
        ASSERT_TRUE(WritePrivateFile(folder.Path("old.txt"), "open sesame\n"));
        ASSERT_TRUE(WritePrivateFile(folder.Path("new.txt"), "new secret 77\n"));
        ASSERT_EQ(Cli({"import", Db(), Path("records.csv")}).status, 0);
    }

    std::string Db() const { return folder.Utf8Path("QuorrelDPC.qrb"); }
    std::string Path(const char* name) const { return folder.Utf8Path(name); }
    void Write(const char* name, const std::string& text) { WriteBytes(folder.Path(name), {text.begin(), text.end()}); }
    std::vector<unsigned char> DbBytes() const { return ReadBytes(folder.Path("QuorrelDPC.qrb")); }

    ScratchFolder folder;
};

TEST_F(CliMemory, WhereverMemoryRunsOutTheCommandSaysSoAndChangesNothing) {
    struct Case {
        const char* name;
        bool withPassword;
        std::vector<std::string> args;
    };
    const Case cases[] = {
        {"import", false, {"import", Db(), Path("more.csv")}},
        {"import with a password", true, {"import", Db(), Path("more.csv"), "--password-file", Path("old.txt")}},
        {"passwd add", false, {"passwd", Db(), "--new-password-file", Path("new.txt")}},
        {"passwd change", true,
         {"passwd", Db(), "--password-file", Path("old.txt"), "--new-password-file", Path("new.txt")}},
    };
    const std::vector<unsigned char> fresh = DbBytes();
    for (const Case& c : cases) {
        WriteBytes(folder.Path("QuorrelDPC.qrb"), fresh);
        if (c.withPassword) {
            ASSERT_EQ(Cli({"passwd", Db(), "--new-password-file", Path("old.txt")}).status, 0);
        }
        const std::vector<unsigned char> before = DbBytes();
        long total = 0;
        ASSERT_EQ(Cli(c.args, 0, &total).status, 0) << c.name;
        int toldUnchanged = 0, toldChanged = 0, absorbed = 0;
        for (long n = 1; n <= total; ++n) {
            WriteBytes(folder.Path("QuorrelDPC.qrb"), before);
            Result r = Cli(c.args, n);
            const std::string where = std::string(c.name) + ", allocation " + std::to_string(n) + " of " +
                                      std::to_string(total) + ": ";
            EXPECT_FALSE(JournalNeedsRecovery(folder.Path("QuorrelDPC.qrb"))) << where << "a hot journal was left";
            if (r.status == 0) {
                ++absorbed;  // the allocation's failure was met another way
                EXPECT_NE(DbBytes(), before) << where;
                continue;
            }
            EXPECT_EQ(r.status, 1) << where << r.err;
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << where << r.err;
            EXPECT_TRUE(Contains(r.err, "memory")) << where << r.err;
            if (Contains(r.err, "the change was made")) {
                ++toldChanged;
                EXPECT_NE(DbBytes(), before) << where << r.err;
            } else {
                ++toldUnchanged;
                EXPECT_TRUE(Contains(r.err, "nothing was")) << where << r.err;
                EXPECT_EQ(DbBytes(), before) << where << r.err;
            }
            EXPECT_EQ(Cli({"check", Db()}).out, "sound\n") << where;
        }
        EXPECT_GT(toldUnchanged, 0) << c.name;
        std::printf("[ memory     ] quorrel-cli %s: %ld allocations, each failed in turn: %d told nothing changed, "
                    "%d told the change was made, %d met another way\n",
                    c.name, total, toldUnchanged, toldChanged, absorbed);
    }
}

}  // namespace
