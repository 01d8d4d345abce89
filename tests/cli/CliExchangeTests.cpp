// import, export, passwd and gen, driven in-process; passwords come through
// CliIo::readSecret as a person would type them at the terminal.
#include "model/Category.h"
#include "model/Database.h"
#include "model/Record.h"
#include "platform/Platform.h"
#include "security/PasswordGenerator.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"
#include "tests/core/TestFiles.h"
#include "tests/cli/CliRunner.h"
#include "tools/cli/Cli.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include <aclapi.h>
#endif

#include <algorithm>
#include <climits>
#include <deque>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Result = CliResult;

Result Cli(std::vector<std::string> args, std::deque<std::string> typed = {}) { return RunCliWith(args, std::move(typed)); }

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }


class CliExchangeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Cli({"init", Db()}).status, 0);
        WriteText("records.csv",
                  "\"Bank\",\"First Bank\",\"12-34\",\"9876\",\"\",\"\",\"\",\"two\"\r\n"
                  "Web Login,Example,https://example.org,me,\"p\"\"w\"\n"
                  "Garden,Shed lock,4321\n");
        Result imported = Cli({"import", Db(), Path("records.csv")});
        ASSERT_EQ(imported.status, 0) << imported.err;
        ASSERT_EQ(imported.out, "3 records imported successfully.\n");
    }

    std::string Db() const { return folder.Utf8Path("QuorrelDPC.qrb"); }
    std::string Path(const char* name) const { return folder.Utf8Path(name); }
    void WriteText(const char* name, const std::string& text) { WriteBytes(folder.Path(name), {text.begin(), text.end()}); }
    // A password file, readable by its owner only.
    void WriteSecret(const char* name, const std::string& text) { ASSERT_TRUE(WritePrivateFile(folder.Path(name), text)); }
    std::string ReadText(const char* name) {
        auto bytes = ReadBytes(folder.Path(name));
        return {bytes.begin(), bytes.end()};
    }
    std::vector<unsigned char> DbBytes() { return ReadBytes(folder.Path("QuorrelDPC.qrb")); }

    // The export of the test's records, in clear or with protected values masked.
    static constexpr const char* kClear =
        "\"Bank\",\"First Bank\",\"12-34\",\"9876\",\"\",\"\",\"\",\"two\"\r\n"
        "\"Web Login\",\"Example\",\"https://example.org\",\"me\",\"p\"\"w\",\"\",\"\",\"\"\r\n"
        "\"Garden\",\"Shed lock\",\"4321\",\"\",\"\",\"\",\"\",\"\"\r\n";
    static constexpr const char* kMasked =
        "\"Bank\",\"First Bank\",\"******\",\"******\",\"\",\"\",\"\",\"******\"\r\n"
        "\"Web Login\",\"Example\",\"******\",\"******\",\"******\",\"\",\"\",\"\"\r\n"
        "\"Garden\",\"Shed lock\",\"******\",\"\",\"\",\"\",\"\",\"\"\r\n";

    ScratchFolder folder;
};

TEST_F(CliExchangeTest, PasswdThenExportWithAndWithoutThePassword) {
    Result added = Cli({"passwd", Db()}, {"open sesame", "open sesame"});
    ASSERT_EQ(added.status, 0) << added.err;
    EXPECT_EQ(added.out, "master password added\n");
    EXPECT_EQ(Cli({"check", Db()}).status, 0);

    Result clear = Cli({"export", Db(), Path("clear.csv")}, {"open sesame"});
    ASSERT_EQ(clear.status, 0) << clear.err;
    EXPECT_EQ(clear.out, "3 records exported to:\n" + Path("clear.csv") + "\n");
    EXPECT_EQ(clear.err, "quorrel-cli: warning: " + Path("clear.csv") +
                             " holds the protected values in clear: keep it safe and delete it when done\n");
    EXPECT_EQ(ReadText("clear.csv"), kClear);

    Result masked = Cli({"export", Db(), Path("masked.csv"), "--locked"});
    ASSERT_EQ(masked.status, 0) << masked.err;
    EXPECT_TRUE(Contains(masked.err, "******"));
    EXPECT_FALSE(Contains(masked.err, "in clear"));
    EXPECT_EQ(ReadText("masked.csv"), kMasked);

    // The same from a password file; a wrong one writes nothing.
    WriteSecret("pw.txt", "open sesame\r\nsecond line\r\n");
    EXPECT_EQ(Cli({"export", Db(), Path("file.csv"), "--password-file", Path("pw.txt")}).status, 0);
    EXPECT_EQ(ReadText("file.csv"), kClear);
    Result wrong = Cli({"export", Db(), Path("wrong.csv")}, {"open sesame!"});
    EXPECT_EQ(wrong.status, 1);
    EXPECT_TRUE(Contains(wrong.err, "incorrect"));
    Result untold = Cli({"export", Db(), Path("untold.csv")});
    EXPECT_EQ(untold.status, 1);
    EXPECT_TRUE(Contains(untold.err, "--locked"));
    EXPECT_TRUE(ReadBytes(folder.Path("wrong.csv")).empty() && ReadBytes(folder.Path("untold.csv")).empty());
    EXPECT_FALSE(std::filesystem::exists(folder.Path("wrong.csv")));
}

TEST_F(CliExchangeTest, WrongOldPasswordChangesNothing) {
    ASSERT_EQ(Cli({"passwd", Db()}, {"open sesame", "open sesame"}).status, 0);
    const auto before = DbBytes();
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::deque<std::string> typed;
        const char* message;
    };
    const Case cases[] = {
        {"wrong old", {"passwd", Db()}, {"open sesamE"}, "The old password you entered is incorrect."},
        {"empty old", {"passwd", Db()}, {""}, "The old password you entered is incorrect."},
        {"no terminal", {"passwd", Db()}, {}, "--password-file"},
        {"new ones differ", {"passwd", Db()}, {"open sesame", "new secret", "new secreT"},
         "The new passwords you entered do not match."},
        {"too short", {"passwd", Db()}, {"open sesame", "abc", "abc"}, "A password must be at least 4 characters long."},
        {"import without password", {"import", Db(), Path("records.csv")}, {}, "Unable to import while the data is locked."},
        {"import with a wrong one", {"import", Db(), Path("records.csv")}, {"sesame"}, "incorrect"},
        {"import of a missing file", {"import", Db(), Path("missing.csv")}, {"open sesame"},
         "Error opening the specified data file."},
    };
    for (const Case& c : cases) {
        Result r = Cli(c.args, c.typed);
        EXPECT_EQ(r.status, 1) << c.name;
        EXPECT_TRUE(Contains(r.err, c.message)) << c.name << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.name << ": " << r.err;
        EXPECT_EQ(DbBytes(), before) << c.name;
    }
}

TEST_F(CliExchangeTest, ChangeAndRemoveThePassword) {
    ASSERT_EQ(Cli({"passwd", Db()}, {"first secret", "first secret"}).status, 0);
    // A short password is taken with a warning.
    Result changed = Cli({"passwd", Db()}, {"first secret", "short1", "short1"});
    ASSERT_EQ(changed.status, 0) << changed.err;
    EXPECT_EQ(changed.out, "master password changed\n");
    EXPECT_TRUE(Contains(changed.err, "warning: The password that you have entered is 6 characers long."));
    EXPECT_TRUE(Contains(changed.err, "at least 8 characters"));
    EXPECT_EQ(Cli({"export", Db(), Path("a.csv")}, {"first secret"}).status, 1);
    EXPECT_EQ(Cli({"export", Db(), Path("a.csv")}, {"short1"}).status, 0);
    EXPECT_EQ(ReadText("a.csv"), kClear);

    const std::string long31 = "abcdefghijklmnopqrstuvwxyz01234";
    ASSERT_EQ(long31.size(), 31u);
    WriteSecret("old.txt", "short1");
    WriteSecret("new.txt", "\xEF\xBB\xBF" + long31 + "\n");
    Result fromFiles =
        Cli({"passwd", Db(), "--password-file", Path("old.txt"), "--new-password-file", Path("new.txt")});
    ASSERT_EQ(fromFiles.status, 0) << fromFiles.err;
    EXPECT_TRUE(fromFiles.err.empty());
    EXPECT_EQ(Cli({"export", Db(), Path("b.csv")}, {long31}).status, 0);
    EXPECT_EQ(ReadText("b.csv"), kClear);
    EXPECT_EQ(Cli({"export", Db(), Path("b.csv")}, {long31.substr(0, 30)}).status, 1);

    Result removed = Cli({"passwd", Db()}, {long31, "", ""});
    ASSERT_EQ(removed.status, 0) << removed.err;
    EXPECT_EQ(removed.out, "master password removed\n");
    EXPECT_TRUE(Contains(Cli({"dump", Db()}).out, "verifier none, verifierLength 0"));
    Result plain = Cli({"export", Db(), Path("c")});
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.out, "3 records exported to:\n" + Path("c.txt") + "\n");
    EXPECT_EQ(plain.err, "");  // without a master password nothing was enciphered
    EXPECT_EQ(ReadText("c.txt"), kClear);
    EXPECT_EQ(Cli({"passwd", Db()}, {"", ""}).out, "no master password is set and none was given: nothing changed\n");
    EXPECT_EQ(Cli({"check", Db()}).status, 0);
}

// Every place that reads a password refuses one longer than the 31
// characters that count, instead of cutting it to a password the user never typed.
TEST_F(CliExchangeTest, PasswordsLongerThan31CharactersAreRefused) {
    ASSERT_EQ(Cli({"passwd", Db()}, {"open sesame", "open sesame"}).status, 0);
    const std::string long32(32, 'x'), long31(31, 'x');
    WriteSecret("long.txt", long32 + "\r\n");
    // Characters count, not bytes: 31 accented letters are 62 bytes of UTF-8.
    std::string accented31;
    for (int i = 0; i < 31; ++i) accented31 += "\xC3\xA9";
    const auto before = DbBytes();
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::deque<std::string> typed;
    };
    const Case cases[] = {
        {"old password typed", {"passwd", Db()}, {"open sesame" + std::string(21, '!')}},
        {"new password typed", {"passwd", Db()}, {"open sesame", long32}},
        {"confirmation typed", {"passwd", Db()}, {"open sesame", long31, long32}},
        {"new password file", {"passwd", Db(), "--new-password-file", Path("long.txt")}, {"open sesame"}},
        {"password file", {"export", Db(), Path("e.csv"), "--password-file", Path("long.txt")}, {}},
        {"import password", {"import", Db(), Path("records.csv")}, {long32}},
    };
    for (const Case& c : cases) {
        Result r = Cli(c.args, c.typed);
        EXPECT_EQ(r.status, 1) << c.name;
        EXPECT_TRUE(Contains(r.err, "the password has 32 characters; a password has at most 31"))
            << c.name << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.name << ": " << r.err;
        EXPECT_EQ(DbBytes(), before) << c.name;
    }
    EXPECT_FALSE(std::filesystem::exists(folder.Path("e.csv")));
    Result accepted = Cli({"passwd", Db()}, {"open sesame", accented31, accented31});
    EXPECT_EQ(accepted.status, 0) << accepted.err;
}

TEST_F(CliExchangeTest, ImportWithThePasswordAddsProtectedRecords) {
    ASSERT_EQ(Cli({"passwd", Db()}, {"open sesame", "open sesame"}).status, 0);
    WriteText("one.csv", "garden,Gate,1111\n");
    Result one = Cli({"import", Db(), Path("one.csv")}, {"open sesame"});
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(one.out, "1 record imported successfully.\n");
    EXPECT_EQ(Cli({"list", Db(), "--category", "Garden"}).out,
              "Garden\tShed lock\t******\t\t\t\t\t\nGarden\tGate\t******\t\t\t\t\t\n");
    WriteText("none.csv", "");
    EXPECT_EQ(Cli({"import", Db(), Path("none.csv")}, {"open sesame"}).out,
              "The file holds no records: nothing was imported.\n");
}

// A foreign file is told by its header; what is left out makes exit 1 after
// the report. The browser export of the result imports again as a browser's.
TEST_F(CliExchangeTest, ForeignImportAndBrowserExport) {
    WriteText("bitwarden.csv",
              "folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,login_totp\n"
              "Work,,login,\"Shop, online\",,,0,https://shop.example:8443/,ann,s3cret,\n"
              "Work,,card,Visa,,,0,,,,\n");
    Result imported = Cli({"import", Db(), Path("bitwarden.csv")});
    EXPECT_EQ(imported.status, 1);
    EXPECT_EQ(imported.out,
              "File format: Bitwarden\nRecords imported: 1\nRows left out: 1\n\n"
              "Neither a login nor a secure note: line 3\n");
    EXPECT_TRUE(Contains(imported.err, "1 line was left out")) << imported.err;

    Result exported = Cli({"export", Db(), Path("browser"), "--format", "browser"});
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(exported.out, "2 records exported to:\n" + Path("browser.csv") + "\n");
    EXPECT_EQ(ReadText("browser.csv"),
              "name,url,username,password,note\r\n"
              "Example,https://example.org,me,\"p\"\"w\",\r\n"
              "\"Shop, online\",https://shop.example:8443/,ann,s3cret,Folder: Work\r\n");
    EXPECT_EQ(Cli({"export", Db(), Path("x.csv"), "--format", "chrome"}).status, 2);

    ASSERT_EQ(Cli({"init", Path("second.qrb")}).status, 0);
    Result again = Cli({"import", Path("second.qrb"), Path("browser.csv")});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.out, "File format: Chrome, Edge or another Chromium browser\nRecords imported: 2\nRows left out: 0\n");
    EXPECT_EQ(Cli({"list", Path("second.qrb"), "--category", "Web Login"}).out,
              "Web Login\tExample\thttps://example.org\tme\tp\"w\t\t\t\n"
              "Web Login\tShop, online\thttps://shop.example:8443/\tann\ts3cret\t\t\tFolder: Work\n");
}

// Files that are no text, and exports that cannot finish: exit 1 with the
// reason, the database and any earlier export as they were.
TEST_F(CliExchangeTest, RefusalsChangeNothing) {
    const auto before = DbBytes();
    WriteText("zeros.csv", std::string("Bank,a\nBank,b\0c\n", 16));
    std::filesystem::create_directory(std::filesystem::path(folder.Path("folder.csv")));
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{"import", Db(), Path("zeros.csv")}, "NUL characters"},
        {{"import", Db(), Path("folder.csv")}, "not a regular file"},
        {{"import", Db(), Path("missing.csv")}, "Error opening"},
        {{"export", Db(), Path("folder.csv")}, "could not be written"},
        {{"export", Db(), Path("no/such/folder/out.csv")}, "Error opening"},
    };
    for (const Case& c : cases) {
        Result result = Cli(c.args);
        EXPECT_EQ(result.status, 1) << c.args[0] << " " << c.args[2];
        EXPECT_TRUE(Contains(result.err, c.message)) << result.err;
        EXPECT_EQ(result.out, "") << c.args[2];
    }
    EXPECT_EQ(DbBytes(), before);
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(folder.Path("folder.csv"))));
}

#ifndef _WIN32
// New databases and exports hold secrets: mode 0600, and a symbolic link at
// the target is refused rather than followed.
TEST_F(CliExchangeTest, NewFilesArePrivateAndLinksAreNotFollowed) {
    ASSERT_EQ(Cli({"export", Db(), Path("out.csv")}).status, 0);
    for (const char* name : {"QuorrelDPC.qrb", "out.csv"}) {
        EXPECT_EQ(std::filesystem::status(std::filesystem::path(folder.Path(name))).permissions(),
                  std::filesystem::perms::owner_read | std::filesystem::perms::owner_write)
            << name;
    }
    WriteText("victim", "keep me");
    std::filesystem::create_symlink(std::filesystem::path(folder.Path("victim")), std::filesystem::path(folder.Path("link.csv")));
    std::filesystem::create_symlink(std::filesystem::path(folder.Path("nowhere")), std::filesystem::path(folder.Path("link.qrb")));
    Result exported = Cli({"export", Db(), Path("link.csv")});
    EXPECT_EQ(exported.status, 1);
    EXPECT_TRUE(Contains(exported.err, "symbolic link")) << exported.err;
    Result created = Cli({"init", Path("link.qrb")});
    EXPECT_EQ(created.status, 1);
    EXPECT_EQ(ReadText("victim"), "keep me");
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(folder.Path("nowhere"))));
}
#endif

#ifndef _WIN32
// A password file that others than its owner may read or change is refused
// with its mode named, before anything is read from it or the database changes.
TEST_F(CliExchangeTest, PasswordFilesOthersMayReadAreRefused) {
    ASSERT_EQ(Cli({"passwd", Db()}, {"open sesame", "open sesame"}).status, 0);
    WriteText("pw.txt", "open sesame\n");
    WriteText("new.txt", "new secret 77\n");
    const auto before = DbBytes();
    namespace fs = std::filesystem;
    struct Case {
        fs::perms mode;
        const char* named;
    };
    const Case cases[] = {
        {fs::perms(0644), "permissions 0644"}, {fs::perms(0640), "permissions 0640"},
        {fs::perms(0604), "permissions 0604"}, {fs::perms(0620), "permissions 0620"},
        {fs::perms(0602), "permissions 0602"},
    };
    for (const Case& c : cases) {
        for (const char* file : {"pw.txt", "new.txt"}) {
            fs::permissions(fs::path(folder.Path("pw.txt")), fs::perms(0600));
            fs::permissions(fs::path(folder.Path("new.txt")), fs::perms(0600));
            fs::permissions(fs::path(folder.Path(file)), c.mode);
            Result r = Cli({"passwd", Db(), "--password-file", Path("pw.txt"), "--new-password-file", Path("new.txt")});
            EXPECT_EQ(r.status, 1) << c.named << " " << file;
            EXPECT_EQ(r.err, "quorrel-cli: " + Path(file) + ": " + c.named +
                                 " let others than its owner read or change it (chmod 600 makes it private); a "
                                 "password file must be for its owner only, so it was not used\n");
            EXPECT_EQ(DbBytes(), before) << c.named << " " << file;
        }
    }
    fs::permissions(fs::path(folder.Path("pw.txt")), fs::perms(0400));
    fs::permissions(fs::path(folder.Path("new.txt")), fs::perms(0600));
    Result changed = Cli({"passwd", Db(), "--password-file", Path("pw.txt"), "--new-password-file", Path("new.txt")});
    EXPECT_EQ(changed.status, 0) << changed.err;
    EXPECT_EQ(changed.out, "master password changed\n");
}
#else
// Windows keeps no mode bits: a password file whose access list lets anyone
// but the user, the system and the administrators read or change it is
// refused with those accounts named.
TEST_F(CliExchangeTest, PasswordFilesOthersMayReadAreRefused) {
    ASSERT_EQ(Cli({"passwd", Db()}, {"open sesame", "open sesame"}).status, 0);
    const auto before = DbBytes();
    struct Case {
        DWORD access;
        const char* what;
    };
    const Case cases[] = {{GENERIC_READ, "read"}, {GENERIC_ALL, "all"}};
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteWithAccessList(folder.Path("pw.txt"), "open sesame\n", WinWorldSid, c.access));
        Result r = Cli({"export", Db(), Path("out.csv"), "--password-file", Path("pw.txt")});
        EXPECT_EQ(r.status, 1) << c.what;
        EXPECT_EQ(r.err, "quorrel-cli: " + Path("pw.txt") +
                             ": its access list lets Everyone read or change it (remove them under Properties, "
                             "Security); a password file must be for its owner only, so it was not used\n")
            << c.what;
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(folder.Path("out.csv")))) << c.what;
    }
    EXPECT_EQ(DbBytes(), before);
    ASSERT_TRUE(WriteWithAccessList(folder.Path("pw.txt"), "open sesame\n"));
    Result exported = Cli({"export", Db(), Path("out.csv"), "--password-file", Path("pw.txt")});
    EXPECT_EQ(exported.status, 0) << exported.err;
}
#endif

TEST(CliGen, UsageAndRefusals) {
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {{"gen", "--length", "3"}, 2, "Select a length of between 4 and 32 characters for the generated password."},
        {{"gen", "--length", "33", "--punct"}, 2, "Select a length of between 4 and 32"},
        {{"gen", "--length", "six"}, 2, "--length needs a number"},
        {{"gen", "--length"}, 2, "--length needs a value"},
        {{"gen", "--symbols"}, 2, "unknown option"},
        {{"gen", "extra"}, 2, "gen takes options only"},
        {{"passwd"}, 2, "passwd takes one database PATH"},
        {{"import", "a.qrb"}, 2, "import takes"},
        {{"export", "a.qrb", "b.csv", "--locked", "--password-file", "p"}, 2, "exclude each other"},
    };
    for (const Case& c : cases) {
        Result r = Cli(c.args);
        EXPECT_EQ(r.status, c.status) << c.args[1];
        EXPECT_TRUE(Contains(r.err, c.message)) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
}

std::string Generate(const std::vector<std::string>& options) {
    std::vector<std::string> args{"gen"};
    args.insert(args.end(), options.begin(), options.end());
    Result r = Cli(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.back(), '\n');
    return r.out.substr(0, r.out.size() - 1);
}

TEST(CliGen, PasswordsUseOnlyTheChosenGroups) {
    struct Case {
        std::vector<std::string> options;
        size_t length;
        std::string pool;
    };
    const std::string upper = "ABCDEFGHJKLMNPQRSTUVWXYZ", lower = "abcdefghjkmnpqrstuvwxyz", digits = "23456789",
                      punct = "~!@#$%&*-+=";
    const Case cases[] = {
        {{}, 16, upper + lower + digits},
        {{"--digits", "--length", "32"}, 32, digits},
        {{"--punct", "--length", "4"}, 4, punct},
        {{"--upper", "--punct"}, 16, upper + punct},
        {{"--lower", "--length", "12", "--digits"}, 12, lower + digits},
        {{"--upper", "--lower", "--digits", "--punct", "--length", "20"}, 20, upper + lower + digits + punct},
    };
    for (const Case& c : cases) {
        std::string seen;
        for (int i = 0; i < 200; ++i) {
            std::string password = Generate(c.options);
            ASSERT_EQ(password.size(), c.length);
            for (char ch : password) ASSERT_NE(c.pool.find(ch), std::string::npos) << password;
            seen += password;
        }
        // Enough draws that every character of a small pool shows up.
        if (c.pool.size() <= 11) {
            for (char ch : c.pool) EXPECT_NE(seen.find(ch), std::string::npos) << ch;
        }
    }
}

// Every one of the 66 characters equally likely. Pearson's chi-square over
// 165,000 draws has 65 degrees of freedom (mean 65, standard deviation 11.4);
// 140 lies more than six deviations out, so a sound generator fails it about
// once in a hundred million runs, while a bias of a few percent on one
// character, or a missing character, fails it every time.
TEST(CliGen, EveryPoolCharacterIsEquallyLikely) {
    const std::string pool = "ABCDEFGHJKLMNPQRSTUVWXYZabcdefghjkmnpqrstuvwxyz23456789~!@#$%&*-+=";
    std::map<char, int> counts;
    const int runs = 5156;  // 32 characters each
    for (int i = 0; i < runs; ++i) {
        for (char ch : Generate({"--upper", "--lower", "--digits", "--punct", "--length", "32"})) ++counts[ch];
    }
    ASSERT_EQ(counts.size(), pool.size());
    const double expected = runs * 32.0 / static_cast<double>(pool.size());
    double chiSquare = 0;
    for (char ch : pool) {
        double difference = counts[ch] - expected;
        chiSquare += difference * difference / expected;
    }
    EXPECT_LT(chiSquare, 140.0);
}

}  // namespace

namespace {

// Fails the N-th read, write or flush of any file (counting from 1); 0 only counts.
class FaultInjector : public platform::FileObserver {
public:
    explicit FaultInjector(int failAt) : failAt(failAt) {}
    bool Allow(platform::FileOp kind, const std::u16string&, int64_t, const void*, size_t) override {
        if (kind == platform::FileOp::Truncate || kind == platform::FileOp::Remove) return true;
        return ++seen != failAt;
    }
    int failAt;
    int seen = 0;
};

// Every read, write and flush of a changing command, failed in turn: the
// command exits 1 with one line on standard error and the database is as it
// was, or (a failure after the commit) it succeeds with the change made.
TEST_F(CliExchangeTest, EveryFailedReadWriteOrFlushIsReportedAndChangesNothing) {
    WriteSecret("new.txt", "new secret 77\n");
    WriteText("more.csv", "Bank,Second Bank,55-66,1111\nTravel,Air,ABC123\n");
    struct Case {
        const char* what;
        std::vector<std::string> args;
        const char* success;
    };
    const Case cases[] = {
        {"import", {"import", Db(), Path("more.csv")}, "2 records imported successfully.\n"},
        {"passwd add", {"passwd", Db(), "--new-password-file", Path("new.txt")}, "master password added\n"},
    };
    const std::vector<unsigned char> before = DbBytes();
    int reported = 0;
    for (const Case& c : cases) {
        int total = 0;
        {
            FaultInjector counter(0);
            platform::SetFileObserver(&counter);
            Result done = Cli(c.args);
            platform::SetFileObserver(nullptr);
            ASSERT_EQ(done.status, 0) << c.what << ": " << done.err;
            total = counter.seen;
        }
        for (int n = 1; n <= total; ++n) {
            WriteBytes(folder.Path("QuorrelDPC.qrb"), before);
            FaultInjector injector(n);
            platform::SetFileObserver(&injector);
            Result r = Cli(c.args);
            platform::SetFileObserver(nullptr);
            ASSERT_EQ(Cli({"check", Db()}).out, "sound\n") << c.what << ", fault " << n;
            if (r.status == 0) {
                EXPECT_EQ(r.out, c.success) << c.what << ", fault " << n;
                EXPECT_NE(DbBytes(), before) << c.what << ", fault " << n << " reported success but changed nothing";
                continue;
            }
            ++reported;
            EXPECT_EQ(r.status, 1) << c.what << ", fault " << n;
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.what << ", fault " << n << ": " << r.err;
            EXPECT_EQ(r.out, "") << c.what << ", fault " << n;
            EXPECT_EQ(DbBytes(), before) << c.what << ", fault " << n << " changed the database";
        }
        std::printf("[ faults     ] quorrel-cli %s: %d reads, writes and flushes failed in turn\n", c.what, total);
    }
    EXPECT_GT(reported, 0);
}

}  // namespace

namespace {

// A chain broken after its first index page: check calls the file damaged,
// and salvage brings every record back into a new, sound database.
TEST_F(CliExchangeTest, SalvageRecoversWhatTheBrokenIndexNoLongerReaches) {
    std::vector<unsigned char> bytes = DbBytes();
    int32_t first = WordAt(bytes, 28);
    SetWordAt(bytes, static_cast<size_t>(first) + 12, 0x7FFFFF00);
    WriteBytes(folder.Path("QuorrelDPC.qrb"), bytes);
    ASSERT_NE(Cli({"check", Db()}).out, "sound\n");

    Result salvaged = Cli({"salvage", Db(), Path("rescued.qrb")});
    ASSERT_EQ(salvaged.status, 0) << salvaged.err;
    EXPECT_TRUE(Contains(salvaged.out, "recovered 3 settings blocks of 3, 13 categories, 3 records")) << salvaged.out;
    EXPECT_EQ(Cli({"check", Path("rescued.qrb")}).out, "sound\n");
    ASSERT_EQ(Cli({"export", Path("rescued.qrb"), Path("out.csv")}).status, 0);
    EXPECT_EQ(ReadText("out.csv"), kClear);

    EXPECT_EQ(Cli({"salvage", Db(), Path("rescued.qrb")}).status, 1);  // never over an existing file
    EXPECT_EQ(Cli({"salvage", Path("missing.qrb"), Path("other.qrb")}).status, 1);
}

// A damaged header (zeroed, or one flipped signature byte) does not hide the
// pages after it: salvage scans them.
TEST_F(CliExchangeTest, SalvageScansThePagesWhenTheHeaderIsDamaged) {
    const std::vector<unsigned char> sound = DbBytes();
    struct Case {
        const char* name;
        size_t from, to;
        unsigned char flip;
    };
    for (Case c : {Case{"zeroed header", 0, 36, 0}, Case{"flipped signature byte", 3, 4, 0x20}}) {
        std::vector<unsigned char> bytes = sound;
        for (size_t i = c.from; i < c.to; ++i) bytes[i] = c.flip ? bytes[i] ^ c.flip : 0;
        WriteBytes(folder.Path("QuorrelDPC.qrb"), bytes);
        std::filesystem::remove(std::filesystem::path(folder.Path("rescued.qrb")));
        Result salvaged = Cli({"salvage", Db(), Path("rescued.qrb")});
        ASSERT_EQ(salvaged.status, 0) << c.name << ": " << salvaged.err;
        EXPECT_TRUE(Contains(salvaged.out, "13 categories, 3 records")) << c.name << ": " << salvaged.out;
        ASSERT_EQ(Cli({"export", Path("rescued.qrb"), Path("out.csv")}).status, 0) << c.name;
        EXPECT_EQ(ReadText("out.csv"), kClear) << c.name;
    }
}

// The file with the first data page of each settings block zeroed: salvage
// can no longer read any of them, the verifier included.
void LoseTheSettings(const std::u16string& path) {
    std::vector<unsigned char> bytes = ReadBytes(path);
    const int32_t pageSize = WordAt(bytes, 24);
    for (int32_t page = WordAt(bytes, 28); page > 0; page = WordAt(bytes, static_cast<size_t>(page) + 12)) {
        for (int32_t i = 0; i < WordAt(bytes, static_cast<size_t>(page) + 20); ++i) {
            const auto entry = static_cast<size_t>(page + 24 + 12 * i);
            if (WordAt(bytes, entry) > CSettings::kDesktopKey) continue;
            const auto data = static_cast<size_t>(WordAt(bytes, entry + 4));
            std::fill(bytes.begin() + data, bytes.begin() + data + pageSize, 0);
        }
    }
    WriteBytes(path, bytes);
}

// When the settings are lost from a database whose protected records are
// enciphered, salvage checks the master password against the records
// themselves and gives the new database its verifier again; a wrong
// password, or none, and nothing is written. Records that were never
// enciphered need no password.
TEST_F(CliExchangeTest, SalvageWithTheSettingsLostChecksTheMasterPassword) {
    const std::u16string db = folder.Path("QuorrelDPC.qrb");
    const std::vector<unsigned char> withoutPassword = DbBytes();
    LoseTheSettings(db);
    Result clear = Cli({"salvage", Db(), Path("clear.qrb")});
    ASSERT_EQ(clear.status, 0) << clear.err;
    EXPECT_TRUE(Contains(clear.out, "recovered 0 settings blocks of 3, 13 categories, 3 records")) << clear.out;
    ASSERT_EQ(Cli({"export", Path("clear.qrb"), Path("clear.csv")}).status, 0);
    EXPECT_EQ(ReadText("clear.csv"), kClear);

    WriteBytes(db, withoutPassword);
    ASSERT_EQ(Cli({"passwd", Db()}, {"open sesame", "open sesame"}).status, 0);
    LoseTheSettings(db);
    ASSERT_NE(Cli({"check", Db()}).out, "sound\n");
    WriteSecret("pw.txt", "open sesame\n");
    WriteSecret("wrong.txt", "open sesamE\n");
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::deque<std::string> typed;
        const char* refusal;
    };
    const Case refusals[] = {
        {"no password", {"salvage", Db(), Path("new.qrb")}, {}, "give the master password at the terminal or with --password-file"},
        {"a wrong one", {"salvage", Db(), Path("new.qrb")}, {"open sesamE"}, "the password does not open the protected records"},
        {"a wrong one from a file", {"salvage", Db(), Path("new.qrb"), "--password-file", Path("wrong.txt")}, {},
         "the password does not open the protected records"},
    };
    for (const Case& c : refusals) {
        Result r = Cli(c.args, c.typed);
        EXPECT_EQ(r.status, 1) << c.name;
        EXPECT_TRUE(Contains(r.err, c.refusal)) << c.name << ": " << r.err;
        EXPECT_TRUE(Contains(r.err, "nothing was written")) << c.name << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.name << ": " << r.err;
        EXPECT_EQ(r.out, "") << c.name;
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(folder.Path("new.qrb")))) << c.name;
    }
    for (bool typed : {false, true}) {
        const std::string rescued = Path(typed ? "typed.qrb" : "file.qrb");
        Result salvaged = typed ? Cli({"salvage", Db(), rescued}, {"open sesame"})
                                : Cli({"salvage", Db(), rescued, "--password-file", Path("pw.txt")});
        ASSERT_EQ(salvaged.status, 0) << salvaged.err;
        EXPECT_TRUE(Contains(salvaged.out, "13 categories, 3 records")) << salvaged.out;
        EXPECT_TRUE(Contains(salvaged.out, "the master password was checked against the protected records and set again"))
            << salvaged.out;
        EXPECT_EQ(Cli({"check", rescued}).out, "sound\n");
        ASSERT_EQ(Cli({"export", rescued, Path("out.csv"), "--password-file", Path("pw.txt")}).status, 0);
        EXPECT_EQ(ReadText("out.csv"), kClear);
        EXPECT_EQ(Cli({"export", rescued, Path("out.csv"), "--password-file", Path("wrong.txt")}).status, 1);
        ASSERT_EQ(Cli({"export", rescued, Path("masked.csv"), "--locked"}).status, 0);
        EXPECT_EQ(ReadText("masked.csv"), kMasked);
    }
}

// Crossing the format's 2 GiB says so, and changes nothing.
TEST_F(CliExchangeTest, TheSizeLimitIsToldAndChangesNothing) {
    std::vector<unsigned char> bytes = DbBytes();
    const int32_t pageSize = WordAt(bytes, 24);
    // The file padded with free-standing zero pages up to the last page that fits.
    const int64_t pages = (int64_t{INT32_MAX} - 36) / pageSize;
    std::filesystem::resize_file(std::filesystem::path(folder.Path("QuorrelDPC.qrb")), 36 + pages * pageSize);
    CxFile file(kDatabaseSignature);
    ASSERT_EQ(file.Open(folder.Path("QuorrelDPC.qrb").c_str()), CxFile::kOpened);
    const std::vector<unsigned char> payload(300, 7);
    EXPECT_FALSE(file.Insert(5, payload.data(), 300));
    EXPECT_NE(file.IoError().find("2 GiB"), std::string::npos) << file.IoError();
    EXPECT_FALSE(file.Find(5));
}

}  // namespace
