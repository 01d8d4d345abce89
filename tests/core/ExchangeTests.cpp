#include "exchange/Exchange.h"
#include "exchange/TextFile.h"
#include "model/Category.h"
#include "model/Database.h"
#include "model/Protection.h"
#include "model/Record.h"
#include "model/TextFormat.h"
#include "security/Cipher.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"
#include "tests/core/TestFiles.h"

#include <gtest/gtest.h>

#include <memory>
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
        {"\xEF\xBB\xBF" "Bank,x", {u"\uFEFFBank,x"}},
        {"caf\xC3\xA9,\xFF!", {u"caf\u00e9,\uFFFD!"}},
        {std::string("a\nb\0c\nd", 7), {u"a", u"b"}},
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
    EXPECT_EQ(missing.ReadLine(), nullptr);
}

// A new database as the program's first start makes it, with its lists loaded.
class ExchangeTest : public ::testing::Test {
protected:
    void SetUp() override { Open(path); }
    void TearDown() override { theSettings = nullptr; }

    void Open(const std::u16string& at) {
        theSettings = nullptr;
        records.Clear();
        categories.Clear();
        settings.reset();
        file.Close();
        if (file.Open(at.c_str()) != CxFile::kOpened) {
            ASSERT_EQ(CreateDatabaseFile(file, at.c_str()), 0);
        }
        settings = std::make_unique<CSettings>(file, CSettings::kDesktopProfile);
        theSettings = settings.get();
        ASSERT_TRUE(categories.Load(file));
        ASSERT_TRUE(records.Load(file, categories));
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
    CxFile file{kDatabaseSignature};
    std::unique_ptr<CSettings> settings;
    CCategories categories;
    CRecords records;
};

TEST_F(ExchangeTest, ImportAddsARecordPerNonEmptyLine) {
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<Values> rows;  // category and seven values; missing values are empty
    };
    const std::string long40(40, 'c'), long100(100, 'v'), long300(300, 'n');
    // The mark stays in the name (see TextFile), so the name differs from
    // "Bank" wherever the platform's comparison gives the mark any weight; the
    // Windows comparison gives it none, and there the line joins "Bank".
    const std::u16string bomName =
        platform::CompareNoCase(u"\uFEFFBank", u"Bank") == 0 ? u"Bank" : u"\uFEFFBank";
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
        {"byte-order mark", "\xEF\xBB\xBF" "Bank,x\n", {{bomName, u"x"}}},
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

TEST_F(ExchangeTest, ImportOfAMissingFileChangesNothing) {
    file.Close();
    auto before = ReadBytes(path);
    Open(path);
    ImportTarget target{file, categories, records, nullptr};
    ExchangeResult result = ImportFile(folder.Path("no such file.txt").c_str(), true, target);
    EXPECT_EQ(result.error, ExchangeResult::kCannotOpen);
    EXPECT_EQ(result.count, 0);
    file.Close();
    EXPECT_EQ(ReadBytes(path), before);
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
