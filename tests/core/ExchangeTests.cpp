#include "exchange/Exchange.h"
#include "exchange/TextFile.h"
#include "model/Category.h"
#include "model/Database.h"
#include "model/Protection.h"
#include "model/Record.h"
#include "model/base/StringTable.h"
#include "model/base/TextFormat.h"
#include "security/Cipher.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"
#include "tests/core/TestFiles.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <csignal>
#include <unistd.h>
#endif

#include <filesystem>
#include <memory>
#include <utility>
#include <string>
#include <vector>

namespace {

using Values = std::vector<std::u16string>;

std::vector<unsigned char> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::string Utf8(const std::u16string& text) { return platform::Utf16ToUtf8(text.data(), text.size()); }

// The eight columns of one line, read the way ImportFile reads them.
Values Columns(const std::u16string& line) {
    Values columns;
    CString column;
    int32_t position = 0;
    for (int i = 0; i < kExchangeColumns; ++i) {
        position = ParseCsvField(line.c_str(), position, column);
        columns.emplace_back(column.c_str());
    }
    return columns;
}

TEST(CsvField, ColumnsOfALine) {
    struct Case {
        std::u16string line;
        Values columns;  // missing ones are empty
    };
    const Case cases[] = {
        {u"\"Bank\",\"First\",\"12\"", {u"Bank", u"First", u"12"}},
        {u"Bank,\"\"\"word\"\"\",x", {u"Bank", u"\"word\"", u"x"}},
        {u"c,  a   b  ,z", {u"c", u"a b ", u"z"}},
        {u"c,a\t\tb  \t,z", {u"c", u"a\tb ", u"z"}},
        {u"c,\" a  b \",z", {u"c", u" a  b ", u"z"}},
        {u"c, \t\"q\" , z", {u"c", u"q", u"z"}},
        {u"only", {u"only"}},
        {u"", {}},
        {u",,,", {}},
        {u"c,1,2,3,4,5,6,note,extra,more", {u"c", u"1", u"2", u"3", u"4", u"5", u"6", u"note"}},
        {u"c,\"open,to the end", {u"c", u"open,to the end"}},
        {u"c,a\"b,\"x,y\"", {u"c", u"a\"b", u"x,y"}},
        {u"c,\"a\"junk,b", {u"c", u"a", u"junk", u"b"}},
        {u"c,\"\",x", {u"c", u"", u"x"}},
        {u"c,\"end\"", {u"c", u"end"}},
        {u"c,\"\"\"\"", {u"c", u"\""}},
        {u"c,\"", {u"c"}},
        {u"c,\u00e9t\u00e9 \u2003 x", {u"c", u"\u00e9t\u00e9 x"}},
    };
    for (const Case& c : cases) {
        Values expected = c.columns;
        expected.resize(kExchangeColumns);
        EXPECT_EQ(Columns(c.line), expected) << Utf8(c.line);
    }
}

TEST(TextFile, LinesEndAtCrLfAndCrLf) {
    struct Case {
        std::string bytes;
        Values lines;
    };
    const Case cases[] = {
        {"", {}},
        {"a", {u"a"}},
        {"a\r\nb\nc\rd", {u"a", u"b", u"c", u"d"}},
        {"a\n\rb", {u"a", u"", u"b"}},
        {"a\r\n\r\nb\r\n", {u"a", u"", u"b"}},
        {"\n", {u""}},
        {"\xEF\xBB\xBF" "Bank,x", {u"Bank,x"}},
        {"\xEF\xBB\xBF", {}},
        {"x\xEF\xBB\xBF", {u"x\uFEFF"}},  // only a leading mark is one
        {"caf\xC3\xA9,\xFF!", {u"caf\u00e9,\uFFFD!"}},
        {std::string("\xFF\xFE" "B\0a\0\r\0\n\0\xE9\0\x3D\xD8\x11\xDD", 16), {u"Ba", u"\u00e9\U0001F511"}},
        {std::string("\xFE\xFF" "\0B\0a\0\n\0\xE9", 10), {u"Ba", u"\u00e9"}},
        {std::string("\xFF\xFE" "a\0\x00\xDC" "b", 7), {u"a\uFFFD\uFFFD"}},  // lone surrogate, odd last byte
    };
    ScratchFolder folder;
    for (const Case& c : cases) {
        WriteBytes(folder.Path("in.txt"), Bytes(c.bytes));
        TextFile file;
        ASSERT_TRUE(file.OpenForRead(folder.Path("in.txt").c_str()));
        Values lines;
        while (const char16_t* line = file.ReadLine()) lines.emplace_back(line);
        EXPECT_EQ(lines, c.lines) << c.bytes;
    }
    TextFile missing;
    EXPECT_FALSE(missing.OpenForRead(folder.Path("missing.txt").c_str()));
    EXPECT_EQ(missing.Problem(), TextFile::kCannotOpen);
    EXPECT_EQ(missing.ReadLine(), nullptr);
}

TEST(TextFile, CountsTheLinesStillToCome) {
    ScratchFolder folder;
    WriteBytes(folder.Path("in.txt"), Bytes("a\r\n\r\nb\n\rc\r\n"));
    TextFile file;
    ASSERT_TRUE(file.OpenForRead(folder.Path("in.txt").c_str()));
    EXPECT_EQ(file.CountNonEmptyLines(), 3);
    file.ReadLine();
    EXPECT_EQ(file.CountNonEmptyLines(), 2);
}

// A new database as the program's first start makes it, with its lists loaded.
class ExchangeTest : public ::testing::Test {
protected:
    void SetUp() override { Open(path); }

    void Open(const std::u16string& at) {
        if (database.Open(at.c_str(), CDatabase::Access::Write) != CxFile::kOpened) {
            ASSERT_EQ(database.Create(at.c_str()), 0);
        }
    }

    void AddRecord(const char16_t* categoryName, Values values) {
        values.resize(CRecord::kValueCount);
        const CCategory* category = categories.FindByName(categoryName);
        ASSERT_NE(category, nullptr);
        auto* record = new CRecord;
        record->categoryId = category->id;
        record->isEnciphered = category->isProtected && HasPassword();
        const char16_t* texts[7];
        for (int i = 0; i < 7; ++i) texts[i] = values[i].c_str();
        record->SetFields(texts);
        record->Save(file, false);
        records.Append(record);
    }

    ExchangeResult Import(const std::string& bytes, bool protectNew = true, const char16_t* icon = u"icon_air1") {
        WriteBytes(folder.Path("import.txt"), Bytes(bytes));
        ImportTarget target{file, categories, records, icon};
        return ImportFile(folder.Path("import.txt").c_str(), protectNew, target);
    }

    // Category name and the seven values of every record, in list order.
    std::vector<Values> Contents() {
        std::vector<Values> rows;
        for (const CRecord* r : Nodes<CRecord>(records)) {
            Values row{categories.FindById(r->categoryId)->name};
            for (int i = 0; i < CRecord::kValueCount; ++i) row.emplace_back(r->GetField(i).c_str());
            rows.push_back(row);
        }
        return rows;
    }

    std::string Export() {
        ExchangeResult result = ExportFile(folder.Path("export.txt").c_str(), categories, records);
        EXPECT_EQ(result.error, ExchangeResult::kNone);
        EXPECT_EQ(result.count, records.count);
        auto bytes = ReadBytes(folder.Path("export.txt"));
        return {bytes.begin(), bytes.end()};
    }

    ScratchFolder folder;
    std::u16string path = folder.Path("QuorrelDPC.qrb");
    CDatabase database;
    CxFile& file = database.file;
    std::unique_ptr<CSettings>& settings = database.settings;
    CCategories& categories = database.categories;
    CRecords& records = database.records;
};

TEST_F(ExchangeTest, ImportAddsARecordPerNonEmptyLine) {
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<Values> rows;  // category and seven values; missing values are empty
    };
    const std::string long40(40, 'c'), long100(100, 'v'), long300(300, 'n');
    const Case cases[] = {
        {"empty file", "", {}},
        {"blank lines only", "\r\n\n\r\n", {}},
        {"quoted", "\"Bank\",\"First\",\"12-34\",\"9876\",\"\",\"\",\"\",\"a note\"\r\n",
         {{u"Bank", u"First", u"12-34", u"9876", u"", u"", u"", u"a note"}}},
        {"doubled quotes and one letter", "Bank,\"\"\"word\"\"\",x\n", {{u"Bank", u"\"word\"", u"x"}}},
        {"unquoted whitespace", "Bank,  a   b  \n", {{u"Bank", u"a b "}}},
        {"category name ignores case", "bANK,x\n", {{u"Bank", u"x"}}},
        {"every kind of line break", "Bank,1\rBank,2\nBank,3\r\nBank,4\n\rBank,5",
         {{u"Bank", u"1"}, {u"Bank", u"2"}, {u"Bank", u"3"}, {u"Bank", u"4"}, {u"Bank", u"5"}}},
        {"over-long columns are cut", long40 + "," + long100 + ",2,3,4,5,6," + long300 + "\n",
         {{std::u16string(31, u'c'), std::u16string(64, u'v'), u"2", u"3", u"4", u"5", u"6",
           std::u16string(256, u'n')}}},
        // Without the mark skipped the name would differ from "Bank" by an
        // invisible character (and only on some platforms).
        {"UTF-8 byte-order mark", "\xEF\xBB\xBF" "Bank,x\n", {{u"Bank", u"x"}}},
        {"UTF-16 file", std::string("\xFF\xFE" "B\0a\0n\0k\0,\0\xE9\0", 14), {{u"Bank", u"\u00e9"}}},
    };
    int serial = 0;
    for (const Case& c : cases) {
        const std::u16string fresh = folder.Path(("case" + std::to_string(serial++) + ".qrb").c_str());
        Open(fresh);
        ExchangeResult result = Import(c.bytes);
        EXPECT_EQ(result.error, ExchangeResult::kNone) << c.name;
        EXPECT_EQ(result.count, static_cast<int32_t>(c.rows.size())) << c.name;
        std::vector<Values> expected = c.rows;
        for (Values& row : expected) row.resize(1 + CRecord::kValueCount);
        EXPECT_EQ(Contents(), expected) << c.name;
        // What was added is on disk.
        Open(fresh);
        EXPECT_EQ(Contents(), expected) << c.name;
    }
}

TEST_F(ExchangeTest, ImportCreatesCategoriesByName) {
    ExchangeResult result = Import("Bank,a\nGarden \"Shed\",Lock,1234\ngarden \"shed\",Gate\n");
    EXPECT_EQ(result.count, 3);
    EXPECT_EQ(categories.count, 13);
    const CCategory* made = categories.FindByName(u"Garden \"Shed\"");
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->id, 12);
    EXPECT_TRUE(made->isProtected);
    EXPECT_EQ(std::u16string(made->iconName), u"icon_air1");
    for (int i = 0; i < 6; ++i) EXPECT_EQ(std::u16string(made->fieldLabel[i]), u"Field " + NumberText(i + 1));
    for (int32_t width : made->columnWidth) EXPECT_EQ(width, -1);
    EXPECT_EQ(made->createMark, 3);
    Open(path);
    made = categories.FindByName(u"garden \"shed\"");
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->id, 12);

    // Not protected when the caller says so; no icon when there is none.
    EXPECT_EQ(Import("Spare,x\n", false, nullptr).count, 1);
    const CCategory* spare = categories.FindByName(u"Spare");
    ASSERT_NE(spare, nullptr);
    EXPECT_FALSE(spare->isProtected);
    EXPECT_EQ(spare->iconName[0], 0);
    EXPECT_EQ(spare->id, 13);
}

// Imported records of protected categories are enciphered under the master
// password like any record created while it is set.
TEST_F(ExchangeTest, ImportWithAPasswordEnciphersProtectedRecords) {
    OnPasswordAdded(records, file, u"pass1234", categories);
    ASSERT_TRUE(VerifyPassword(u"pass1234"));
    settings->locked = 0;
    ASSERT_EQ(Import("Bank,My bank,secret\nNew place,door,code\n").count, 2);
    Open(path);
    std::vector<Values> masked = {{u"Bank", u"My bank", u"******", u"", u"", u"", u"", u""},
                                  {u"New place", u"door", u"******", u"", u"", u"", u"", u""}};
    EXPECT_EQ(Contents(), masked);
    for (const CRecord* r : Nodes<CRecord>(records)) EXPECT_TRUE(r->isEnciphered);
    ASSERT_TRUE(VerifyPassword(u"pass1234"));
    settings->locked = 0;
    EXPECT_EQ(Contents()[1][2], u"code");

    // Once the key is wiped (locked), a protected row is skipped, never saved empty.
    WipeKey();
    settings->locked = 1;
    CCategory* software = categories.FindByName(u"Software");
    software->isProtected = false;
    ExchangeResult result = Import("Bank,Another bank,secret\nSoftware,Editor,1.0\n");
    EXPECT_EQ(result.count, 1);
    EXPECT_EQ(result.skipped, 1);
    EXPECT_EQ(records.count, 3);
}

// What cannot be read as text is refused whole, at once, and changes nothing.
TEST_F(ExchangeTest, ImportOfWhatIsNoTextFileChangesNothing) {
    struct Case {
        const char* name;
        std::u16string path;
        ExchangeResult::Error error;
    };
    // Not "nul.txt": Windows reads that name as the NUL device.
    WriteBytes(folder.Path("zeros.txt"), Bytes(std::string("Bank,a\nBank,b\0hidden\nBank,c\n", 29)));
    WriteBytes(folder.Path("zeros16.txt"), Bytes(std::string("\xFF\xFE" "a\0\0\0b\0", 8)));
    WriteBytes(folder.Path("huge.txt"), Bytes("Bank,a\n"));
    std::filesystem::resize_file(std::filesystem::path(folder.Path("huge.txt")), TextFile::kMaxReadBytes + 1);
    std::filesystem::create_directory(std::filesystem::path(folder.Path("folder.txt")));
    std::vector<Case> cases = {
        {"missing", folder.Path("no such file.txt"), ExchangeResult::kCannotOpen},
        {"NUL byte", folder.Path("zeros.txt"), ExchangeResult::kHoldsNul},
        {"NUL in UTF-16", folder.Path("zeros16.txt"), ExchangeResult::kHoldsNul},
        {"too large", folder.Path("huge.txt"), ExchangeResult::kTooLarge},
        {"folder", folder.Path("folder.txt"), ExchangeResult::kNotAFile},
#ifdef _WIN32
        {"device", u"NUL", ExchangeResult::kNotAFile},
#else
        {"device", u"/dev/null", ExchangeResult::kNotAFile},
        // Opening a pipe without a writer would wait for ever.
        {"pipe", folder.Path("pipe"), ExchangeResult::kNotAFile},
#endif
    };
#ifndef _WIN32
    ASSERT_EQ(mkfifo(folder.Utf8Path("pipe").c_str(), 0600), 0);
#endif
    file.Close();
    auto before = ReadBytes(path);
    Open(path);
    for (const Case& c : cases) {
        ImportTarget target{file, categories, records, nullptr};
        ExchangeResult result = ImportFile(c.path.c_str(), true, target);
        EXPECT_EQ(result.error, c.error) << c.name;
        EXPECT_EQ(result.count, 0) << c.name;
        EXPECT_EQ(records.count, 0) << c.name;
    }
    file.Close();
    EXPECT_EQ(ReadBytes(path), before);
}

// The progress hears of every record; the import is one transaction, so a
// stop rolls back what was added before it, on disk and in memory.
TEST_F(ExchangeTest, ImportReportsProgressAndStopsWhenAsked) {
    std::vector<std::pair<int32_t, int32_t>> heard;
    auto stopAtTwo = [&](int32_t done, int32_t total) {
        heard.emplace_back(done, total);
        return done < 2;
    };
    WriteBytes(folder.Path("import.txt"), Bytes("Bank,1\n\nBank,2\r\nBank,3\n"));
    ImportTarget target{file, categories, records, nullptr};
    ExchangeResult result = ImportFile(folder.Path("import.txt").c_str(), true, target, stopAtTwo);
    EXPECT_EQ(result.error, ExchangeResult::kStopped);
    EXPECT_EQ(result.count, 0);
    EXPECT_EQ(records.count, 0);
    EXPECT_EQ(heard, (std::vector<std::pair<int32_t, int32_t>>{{1, 3}, {2, 3}}));
    Open(path);
    EXPECT_EQ(records.count, 0);
}

// Category keys end below the record marker: a file with more new names than
// there are free ids leaves the extra lines out instead of overwriting the
// marker and the records after it.
TEST_F(ExchangeTest, ImportStopsMakingCategoriesWhenNoIdIsFree) {
    // Only one category, with the id just below the last two free ones.
    while (categories.head) ASSERT_TRUE(categories.DeleteCategory(records, file, categories.First()));
    auto* top = new CCategory;
    top->id = 896;
    CopyBounded(top->name, u"Top", 31);
    top->Save(file, true);
    ASSERT_TRUE(categories.InsertSorted(top, false));
    AddRecord(u"Top", {u"kept"});
    ExchangeResult result = Import("a,1\nb,2\nc,3\nd,4\nTop,still imported\ne,5\n", false);
    EXPECT_EQ(result.count, 3);  // a and b take ids 897 and 898
    EXPECT_EQ(result.skipped, 3);
    file.Close();
    EXPECT_EQ(CheckDatabase(path.c_str()), "");
    Open(path);
    EXPECT_EQ(categories.count, 3);
    EXPECT_EQ(categories.FindByName(u"b")->id, 898);
    EXPECT_EQ(Contents(), (std::vector<Values>{{u"Top", u"kept", u"", u"", u"", u"", u"", u""},
                                               {u"a", u"1", u"", u"", u"", u"", u"", u""},
                                               {u"b", u"2", u"", u"", u"", u"", u"", u""},
                                               {u"Top", u"still imported", u"", u"", u"", u"", u"", u""}}));
}

TEST_F(ExchangeTest, ExportWritesEveryColumnQuoted) {
    AddRecord(u"Bank", {u"First \"Big\" Bank", u"12,34", u"", u"", u"", u"", u"two\r\nlines\rand\nmore"});
    AddRecord(u"Email", {u"Caf\u00e9", u"me"});
    AddRecord(u"Bank", {});
    EXPECT_EQ(Export(),
              "\"Bank\",\"First \"\"Big\"\" Bank\",\"12,34\",\"\",\"\",\"\",\"\",\"two  lines and more\"\r\n"
              "\"Email\",\"Caf\xC3\xA9\",\"me\",\"\",\"\",\"\",\"\",\"\"\r\n"
              "\"Bank\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n");

    // Without any category the name reads "Category"; a quote in a name is doubled.
    CString values[7];
    values[0].Assign(u"x");
    EXPECT_EQ(std::u16string(ExportLine(u"A \"B\"", values).c_str()), u"\"A \"\"B\"\"\",\"x\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n");
    CCategories none;
    ASSERT_EQ(ExportFile(folder.Path("none.txt").c_str(), none, records).count, 3);
    auto bytes = ReadBytes(folder.Path("none.txt"));
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 11), "\"Category\",");
}

TEST_F(ExchangeTest, LockedExportMasksProtectedValues) {
    AddRecord(u"Bank", {u"My bank", u"12345", u"", u"", u"", u"", u"note"});
    AddRecord(u"Email", {u"Mail"});
    OnPasswordAdded(records, file, u"pass1234", categories);
    settings->locked = 1;
    EXPECT_EQ(Export(),
              "\"Bank\",\"My bank\",\"******\",\"\",\"\",\"\",\"\",\"******\"\r\n"
              "\"Email\",\"Mail\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n");
    settings->locked = 0;
    EXPECT_EQ(Export(),
              "\"Bank\",\"My bank\",\"12345\",\"\",\"\",\"\",\"\",\"note\"\r\n"
              "\"Email\",\"Mail\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n");
}

TEST_F(ExchangeTest, ExportOfNothingAndToNowhere) {
    EXPECT_EQ(Export(), "");
    ExchangeResult result = ExportFile(folder.Path("no/such/folder/out.txt").c_str(), categories, records);
    EXPECT_EQ(result.error, ExchangeResult::kCannotOpen);
    EXPECT_EQ(result.count, 0);
}

// The temporary files an export writes before it moves one over its target.
int TemporaryFilesIn(const std::u16string& folder) {
    int found = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(folder))) {
        if (entry.path().filename().u16string().find(u"~qr") != std::u16string::npos) ++found;
    }
    return found;
}

// An export that does not finish leaves the file it would replace as it was
// and no temporary file behind.
TEST_F(ExchangeTest, ExportReplacesTheFileOnlyWhenComplete) {
    AddRecord(u"Bank", {u"First", u"12"});
    AddRecord(u"Email", {u"Mail"});
    const std::u16string target = folder.Path("out.txt");
    const std::vector<unsigned char> earlier = Bytes("earlier export\r\n");
    WriteBytes(target, earlier);

    ExchangeResult stopped = ExportFile(target.c_str(), categories, records, [](int32_t, int32_t) { return false; });
    EXPECT_EQ(stopped.error, ExchangeResult::kStopped);
    EXPECT_EQ(ReadBytes(target), earlier);
    EXPECT_EQ(TemporaryFilesIn(folder.Path("")), 0);

#ifdef _WIN32
    // Another program holds the file open (as an editor does).
    {
        platform::File held;
        ASSERT_TRUE(held.OpenShared(target.c_str(), false));
        ExchangeResult failed = ExportFile(target.c_str(), categories, records);
        EXPECT_EQ(failed.error, ExchangeResult::kWriteFailed);
        EXPECT_FALSE(failed.reason.empty());
    }
#else
    // A write fails half-way, as on a full disk.
    {
        struct rlimit saved;
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        struct rlimit small = saved;
        small.rlim_cur = 40;
        auto previous = std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        ExchangeResult failed = ExportFile(target.c_str(), categories, records);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
        EXPECT_EQ(failed.error, ExchangeResult::kWriteFailed);
        EXPECT_EQ(failed.reason, platform::Utf8ToUtf16("File too large", 14));
    }
#endif
    EXPECT_EQ(ReadBytes(target), earlier);
    EXPECT_EQ(TemporaryFilesIn(folder.Path("")), 0);

    std::vector<std::pair<int32_t, int32_t>> heard;
    ExchangeResult done = ExportFile(target.c_str(), categories, records, [&](int32_t n, int32_t total) {
        heard.emplace_back(n, total);
        return true;
    });
    EXPECT_EQ(done.error, ExchangeResult::kNone);
    EXPECT_EQ(done.count, 2);
    EXPECT_EQ(heard, (std::vector<std::pair<int32_t, int32_t>>{{1, 2}, {2, 2}}));
    EXPECT_EQ(ReadBytes(target), Bytes("\"Bank\",\"First\",\"12\",\"\",\"\",\"\",\"\",\"\"\r\n"
                                       "\"Email\",\"Mail\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n"));
    EXPECT_EQ(TemporaryFilesIn(folder.Path("")), 0);
}

#ifndef _WIN32
// Exported values are in clear: only the owner may read the file, and a link
// planted at the target is not written through.
TEST_F(ExchangeTest, ExportIsPrivateAndFollowsNoLink) {
    AddRecord(u"Bank", {u"First", u"secret"});
    const std::u16string target = folder.Path("out.txt");
    ASSERT_EQ(ExportFile(target.c_str(), categories, records).error, ExchangeResult::kNone);
    struct stat st;
    ASSERT_EQ(stat(folder.Utf8Path("out.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    WriteBytes(folder.Path("victim"), Bytes("keep me"));
    ASSERT_EQ(symlink(folder.Utf8Path("victim").c_str(), folder.Utf8Path("link.txt").c_str()), 0);
    ExchangeResult linked = ExportFile(folder.Path("link.txt").c_str(), categories, records);
    EXPECT_EQ(linked.error, ExchangeResult::kCannotOpen);
    EXPECT_EQ(linked.reason, std::u16string(LoadText(IDS_PATH_IS_LINK)));
    EXPECT_EQ(ReadBytes(folder.Path("victim")), Bytes("keep me"));
    EXPECT_EQ(TemporaryFilesIn(folder.Path("")), 0);
}
#endif

TEST_F(ExchangeTest, ExportThenImportGivesBackTheSameRecords) {
    const std::vector<Values> rows = {
        {u"Bank", u"First Bank", u"12-34", u"9876", u"", u"", u"", u"two\nlines"},
        {u"Web Login", u" padded ", u"https://example.org/?a=1,b=\"2\"", u"me", u"p\"w,", u"", u"", u""},
        {u"Email", u"Mail\u00e9 \U0001F511", u"", u"", u"", u"", u"", u"note\r\nwith\rbreaks"},
        {u"Bank", u"", u"", u"", u"", u"", u"", u""},
    };
    for (const Values& row : rows) AddRecord(row[0].c_str(), Values(row.begin() + 1, row.end()));
    std::vector<unsigned char> exported;
    {
        std::string text = Export();
        exported.assign(text.begin(), text.end());
    }
    Open(folder.Path("second.qrb"));
    WriteBytes(folder.Path("import.txt"), exported);
    ImportTarget target{file, categories, records, nullptr};
    ASSERT_EQ(ImportFile(folder.Path("import.txt").c_str(), true, target).count, 4);
    std::vector<Values> expected = rows;
    for (Values& row : expected) {
        for (std::u16string& value : row) {
            for (char16_t& ch : value) {
                if (ch == u'\r' || ch == u'\n') ch = u' ';
            }
        }
    }
    EXPECT_EQ(Contents(), expected);
}

TEST(ExchangeTexts, PathsAndMessages) {
    struct PathCase {
        std::u16string chosen, written;
    };
    const PathCase paths[] = {
        {u"out", u"out.txt"},
        {u"/home/me/out", u"/home/me/out.txt"},
        {u"C:\\My.Folder\\out", u"C:\\My.Folder\\out"},
        {u"out.csv", u"out.csv"},
        {u"out.", u"out."},
    };
    for (const PathCase& c : paths) EXPECT_EQ(std::u16string(ExportPathFor(c.chosen.c_str()).c_str()), c.written);
    EXPECT_EQ(std::u16string(ImportDoneText(1).c_str()), u"1 record imported successfully.");
    EXPECT_EQ(std::u16string(ImportDoneText(0).c_str()), u"0 records imported successfully.");
    EXPECT_EQ(std::u16string(ExportDoneText(1, u"C:\\a.txt").c_str()), u"1 record exported to:\nC:\\a.txt");
    EXPECT_EQ(std::u16string(ExportDoneText(12, u"x.txt").c_str()), u"12 records exported to:\nx.txt");
}

}  // namespace
