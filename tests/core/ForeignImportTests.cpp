// The exports of browsers and other password managers: RFC 4180 reading,
// recognising the format by its header row, and what lands in the records;
// and the export a browser imports.
#include "exchange/Csv.h"
#include "exchange/Exchange.h"
#include "exchange/ForeignFormat.h"
#include "model/Category.h"
#include "model/Database.h"
#include "model/Protection.h"
#include "model/Record.h"
#include "platform/Platform.h"
#include "security/Cipher.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"
#include "tests/core/TestFiles.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using Values = std::vector<std::u16string>;

std::string Utf8(const std::u16string& text) { return platform::Utf16ToUtf8(text.data(), text.size()); }
std::u16string Utf16(const std::string& text) { return platform::Utf8ToUtf16(text.data(), text.size()); }

// A file of the exports kept under tests/fixtures/foreign.
std::u16string Fixture(const char* name) { return Utf16(std::string(QUORREL_FOREIGN_FIXTURES "/") + name); }

struct Record {
    int32_t line;
    Values fields;
    bool operator==(const Record&) const = default;
};

// Every record of the text with the line it begins on, and how many
// CountRemaining promised before the first.
std::vector<Record> ReadAll(std::u16string text, int32_t& counted) {
    CsvReader reader(text.data(), static_cast<int32_t>(text.size()));
    counted = reader.CountRemaining();
    std::vector<Record> records;
    std::vector<std::u16string_view> fields;
    while (reader.Next(fields)) records.push_back({reader.Line(), Values(fields.begin(), fields.end())});
    return records;
}

TEST(CsvReader, Rfc4180Cases) {
    struct Case {
        const char* name;
        std::u16string text;
        std::vector<Record> records;
    };
    const Case cases[] = {
        {"plain, CR LF", u"a,b\r\nc,d\r\n", {{1, {u"a", u"b"}}, {2, {u"c", u"d"}}}},
        {"LF, CR and no final break", u"a\nb\rc", {{1, {u"a"}}, {2, {u"b"}}, {3, {u"c"}}}},
        {"comma in quotes", u"\"a,b\",c", {{1, {u"a,b", u"c"}}}},
        {"doubled quotes", u"\"say \"\"hi\"\"\",\"\"\"\"", {{1, {u"say \"hi\"", u"\""}}}},
        {"line breaks in quotes count as lines",
         u"\"one\r\ntwo\",x\n\"three\nfour\rfive\",y\nz",
         {{1, {u"one\r\ntwo", u"x"}}, {3, {u"three\nfour\rfive", u"y"}}, {6, {u"z"}}}},
        {"empty fields", u"a,,c,\n,\"\",x", {{1, {u"a", u"", u"c", u""}}, {2, {u"", u"", u"x"}}}},
        {"empty lines and empty rows are no records", u"\r\n\na\n,,\n\"\"\r\n\nb", {{3, {u"a"}}, {7, {u"b"}}}},
        {"spaces belong to the field", u" a , \"b\" ", {{1, {u" a ", u" \"b\" "}}}},
        {"quote inside an unquoted field", u"a\"b,c", {{1, {u"a\"b", u"c"}}}},
        {"text after a closing quote", u"\"a\"b,c", {{1, {u"ab", u"c"}}}},
        {"quote left open runs to the end", u"a,\"b\nc,d", {{1, {u"a", u"b\nc,d"}}}},
        {"non-ASCII and an emoji", u"caf\u00e9,\U0001F511", {{1, {u"caf\u00e9", u"\U0001F511"}}}},
        {"empty text", u"", {}},
    };
    for (const Case& c : cases) {
        int32_t counted = -1;
        EXPECT_EQ(ReadAll(c.text, counted), c.records) << c.name;
        EXPECT_EQ(counted, static_cast<int32_t>(c.records.size())) << c.name;
    }
}

TEST(CsvField, WrittenAsRfc4180Asks) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"plain", u"plain"},        {u"", u""},
        {u"a,b", u"\"a,b\""},        {u"say \"hi\"", u"\"say \"\"hi\"\"\""},
        {u"two\r\nlines", u"\"two\r\nlines\""}, {u" padded", u"\" padded\""},
        {u"caf\u00e9", u"caf\u00e9"},
    };
    for (const auto& [field, written] : cases) {
        std::u16string line;
        AppendCsvField(line, field);
        EXPECT_EQ(line, written) << Utf8(field);
    }
}

TEST(ForeignHeader, NamesTheFormat) {
    struct Case {
        std::u16string header;
        std::optional<ImportFormat> format;
    };
    const Case cases[] = {
        {u"name,url,username,password,note", ImportFormat::kChromium},
        {u"name,url,username,password", ImportFormat::kChromium},  // before notes came
        {u"\"url\",\"username\",\"password\",\"httpRealm\",\"formActionOrigin\",\"guid\",\"timeCreated\","
         u"\"timeLastUsed\",\"timePasswordChanged\"",
         ImportFormat::kFirefox},
        {u"Title,URL,Username,Password,Notes,OTPAuth", ImportFormat::kSafari},
        {u"folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,login_totp",
         ImportFormat::kBitwarden},
        {u"\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\",\"Last Modified\","
         u"\"Created\"",
         ImportFormat::kKeePassXC},
        {u"url,username,password,totp,extra,name,grouping,fav", ImportFormat::kLastPass},
        {u"Title,Url,Username,Password,OTPAuth,Favorite,Archived,Tags,Notes", ImportFormat::kOnePassword},
        {u"URL, Name ,USERNAME,Password,Note", ImportFormat::kChromium},  // any order, case, spaces
        {u"name,url,username", std::nullopt},                             // a column missing
        {u"name,url,username,password,note,extra", std::nullopt},         // one too many
        {u"name,url,username,password,password", std::nullopt},           // one twice
        {u"\"Bank\",\"First\",\"12\",\"\",\"\",\"\",\"\",\"\"", std::nullopt},  // Quorrel's own lines
        {u"", std::nullopt},
    };
    for (const Case& c : cases) {
        std::u16string text = c.header;
        CsvReader reader(text.data(), static_cast<int32_t>(text.size()));
        std::vector<std::u16string_view> header;
        reader.Next(header);
        ForeignLayout layout;
        bool recognised = layout.Recognise(header);
        EXPECT_EQ(recognised ? std::optional(layout.Format()) : std::nullopt, c.format) << Utf8(c.header);
    }
}

TEST(ForeignHeader, HostNamesOfAddresses) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"https://a.example.com:8443/login?x=1", u"a.example.com"},
        {u"http://me:pw@b.example/", u"b.example"},
        {u"https://caf\u00e9.example#top", u"caf\u00e9.example"},
        {u"https://[::1]:8080/", u"[::1]"},
        {u"example.org/path", u"example.org"},
        {u"android://key==@com.example.app/", u"com.example.app"},
        {u"", u""},
    };
    for (const auto& [url, host] : cases) EXPECT_EQ(std::u16string(HostOf(url)), host) << Utf8(url);
}

const std::u16string kLong100 = [] {
    std::u16string text;
    for (int i = 0; i < 25; ++i) text += u"Zx9!";
    return text;
}();

// A new database as the program's first start makes it, with its lists loaded.
class ForeignImportTest : public ::testing::Test {
protected:
    // A new database each time, at a new path.
    void SetUp() override {
        path = folder.Path(("QuorrelDPC" + std::to_string(serial++) + ".qrb").c_str());
        ASSERT_EQ(database.Create(path.c_str()), 0);
    }

    void Reopen() { ASSERT_EQ(database.Open(path.c_str(), CDatabase::Access::Write), CxFile::kOpened); }

    ExchangeResult ImportPath(const std::u16string& from, const ExchangeProgress& progress = {}) {
        ImportTarget target{file, categories, records, u"icon_air1"};
        return ImportFile(from.c_str(), true, target, progress);
    }

    ExchangeResult ImportText(const std::string& text, const ExchangeProgress& progress = {}) {
        WriteBytes(folder.Path("import.csv"), {text.begin(), text.end()});
        return ImportPath(folder.Path("import.csv"), progress);
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

    ScratchFolder folder;
    int serial = 0;
    std::u16string path;
    CDatabase database;
    CxFile& file = database.file;
    CCategories& categories = database.categories;
    CRecords& records = database.records;
};

// A login of "Web Login": Description, URL, User Name, Password and the note.
Values Login(std::u16string description, std::u16string url, std::u16string user, std::u16string password,
             std::u16string note) {
    return {u"Web Login", description, url, user, password, u"", u"", note};
}

TEST_F(ForeignImportTest, EachFormatsFixtureReadsBackValueByValue) {
    const std::u16string bank = u"Bank, Inc.", cafe = u"Caf\u00e9 \U0001F511 \u00dcn\u00efcode";
    const std::u16string bankUrl = u"https://bank.example.com:8443/login", cafeUrl = u"https://caf\u00e9.example/";
    const std::u16string pq = u"p\"q,r", joerg = u"j\u00f6rg", cafePassword = u"p\u00e4ssw\u00f6rd\U0001F600";
    const std::u16string twoLines = u"line one\r\nline two", longPassword = u"Password: " + kLong100;
    const std::u16string otpauth = u"otpauth://totp/Bank:anna?secret=JBSWY3DPEHPK3PXP";
    struct Case {
        const char* file;
        ImportFormat format;
        std::vector<Values> records;
        std::vector<int32_t> leftOut;
    };
    const Case cases[] = {
        {"chromium.csv",
         ImportFormat::kChromium,
         {Login(bank, bankUrl, u"anna", pq, twoLines), Login(cafe, cafeUrl, joerg, cafePassword, u""),
          Login(u"No user", u"https://nouser.example", u"", u"", longPassword),
          Login(u"untitled.example", u"https://untitled.example:8080/path?x=1", u"bob", u"secret", u"")},
         {}},
        {"firefox.csv",
         ImportFormat::kFirefox,
         {Login(u"bank.example.com", u"https://bank.example.com:8443", u"anna", pq, u""),
          Login(u"caf\u00e9.example", u"https://caf\u00e9.example", joerg, cafePassword,
                u"Form action: https://login.caf\u00e9.example"),
          Login(u"nouser.example", u"https://nouser.example", u"", u"", longPassword),
          Login(u"intranet.example", u"https://intranet.example:8080", u"admin", u"hunter2",
                u"HTTP realm: Staff only,\r\n\"VPN\" required")},
         {}},
        {"safari.csv",
         ImportFormat::kSafari,
         {Login(u"Bank, Inc. (anna)", u"https://bank.example.com:8443/", u"anna", pq,
                twoLines + u"\r\nTOTP: " + otpauth + u"&issuer=Bank"),
          Login(cafe, cafeUrl, joerg, cafePassword, u""),
          Login(u"No user", u"https://nouser.example/", u"", u"", longPassword)},
         {}},
        {"bitwarden.csv",
         ImportFormat::kBitwarden,
         {Login(bank, bankUrl, u"anna", pq,
                twoLines +
                    u"\r\nFolder: Work/Email\r\nFavorite: yes\r\nFields: PIN: 1234\r\nMemo: \"x\"\r\n"
                    u"TOTP: JBSWY3DPEHPK3PXP"),
          Login(cafe, cafeUrl, joerg, cafePassword, u""),
          Login(u"Wi-Fi at home", u"", u"", u"", u"SSID: Home, \"5G\"\r\nKey: abc\r\nFolder: Personal"),
          Login(u"No user", u"https://nouser.example", u"", u"", longPassword)},
         {8}},  // the card
        {"keepassxc.csv",
         ImportFormat::kKeePassXC,
         {Login(bank, bankUrl, u"anna", pq, twoLines + u"\r\nGroup: Root/Email/Work\r\nTOTP: " + otpauth),
          Login(cafe, cafeUrl, joerg, cafePassword, u"Group: Root"),
          Login(u"No user", u"https://nouser.example", u"", u"", longPassword + u"\r\nGroup: Root/Misc")},
         {}},
        {"lastpass.csv",
         ImportFormat::kLastPass,
         {Login(bank, bankUrl, u"anna", pq,
                twoLines + u"\r\nTOTP: JBSWY3DPEHPK3PXP\r\nFolder: Work\\Email\r\nFavorite: yes"),
          Login(cafe, cafeUrl, joerg, cafePassword, u""),
          Login(u"DB server", u"", u"", u"", u"NoteType:Server\r\nHostname:db.example\r\nFolder: Work\\Servers"),
          Login(u"No user", u"https://nouser.example", u"", u"", longPassword)},
         {}},
        {"1password.csv",
         ImportFormat::kOnePassword,
         {Login(bank, bankUrl, u"anna", pq,
                twoLines + u"\r\nTOTP: " + otpauth + u"\r\nFavorite: yes\r\nTags: Work/Email,Finance"),
          Login(cafe, cafeUrl, joerg, cafePassword, u"Archived: yes"),
          Login(u"No user", u"https://nouser.example", u"", u"", longPassword)},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        SetUp();  // a new database for each
        ExchangeResult result = ImportPath(Fixture(c.file));
        ASSERT_EQ(result.error, ExchangeResult::kNone);
        EXPECT_EQ(result.format, c.format);
        EXPECT_EQ(result.count, static_cast<int32_t>(c.records.size()));
        std::vector<int32_t> leftOut;
        for (const LeftOutLine& line : result.leftOut) leftOut.push_back(line.line);
        EXPECT_EQ(leftOut, c.leftOut);
        EXPECT_EQ(categories.count, 12);  // into the existing "Web Login"
        Reopen();
        EXPECT_EQ(Contents(), c.records);
    }
}

TEST_F(ForeignImportTest, ValuesThatDoNotFitGoWholeIntoTheNoteOrTheRowIsLeftOut) {
    const std::string url80 = "https://example.org/" + std::string(60, 'u');
    const std::string title70 = std::string(62, 't') + "\xF0\x9F\x94\x91" + "tail";  // a pair across the cut
    const std::string note250(250, 'n');
    ExchangeResult result = ImportText("name,url,username,password,note\n"
                                       "Long address," + url80 + ",me,pw,\n" +
                                       title70 + ",https://a.example,me,pw,short note\n"
                                       "\"Two\nlines\",,,,\n"
                                       "Full note,https://b.example,me,pw," + note250 + "\n" +
                                       "Too long,https://c.example,me," + std::string(65, 'p') + "," + note250 +
                                       "\n"
                                       "Extra,https://d.example,me,pw,note,unexpected\n"
                                       "Trailing comma,https://e.example,me,pw,note,\n");
    ASSERT_EQ(result.error, ExchangeResult::kNone);
    EXPECT_EQ(result.count, 5);
    std::u16string shortTitle = Utf16(std::string(62, 't')) + u"\u2026";
    EXPECT_EQ(Contents(),
              (std::vector<Values>{
                  Login(u"Long address", u"", u"me", u"pw", u"URL: " + Utf16(url80)),
                  Login(shortTitle, u"https://a.example", u"me", u"pw", u"short note\r\nDescription: " + Utf16(title70)),
                  Login(u"Two\u2026", u"", u"", u"", u"Description: Two\r\nlines"),
                  Login(u"Full note", u"https://b.example", u"me", u"pw", Utf16(note250)),
                  Login(u"Trailing comma", u"https://e.example", u"me", u"pw", u"note"),
              }));
    EXPECT_EQ(Utf8(ImportReportText(result).c_str()),
              "File format: Chrome, Edge or another Chromium browser\nRecords imported: 5\nRows left out: 2\n\n"
              "Too long for a record, even with the note: line 7\n"
              "More values than the header row has columns: line 8");
}

// "Web Login" is made as a new database has it when it is missing, and goes
// again with everything else when the import is stopped.
TEST_F(ForeignImportTest, WebLoginIsMadeWhenMissingAndAStopUndoesEverything) {
    ASSERT_TRUE(categories.DeleteCategory(records, file, categories.FindByName(u"Web Login")));
    file.Close();
    const auto before = ReadBytes(path);
    Reopen();
    std::vector<std::pair<int32_t, int32_t>> heard;
    ExchangeResult stopped = ImportPath(Fixture("bitwarden.csv"), [&](int32_t done, int32_t total) {
        heard.emplace_back(done, total);
        return done < 3;
    });
    EXPECT_EQ(stopped.error, ExchangeResult::kStopped);
    // Rows, not lines: the file has nine lines and five rows.
    EXPECT_EQ(heard, (std::vector<std::pair<int32_t, int32_t>>{{1, 5}, {2, 5}, {3, 5}}));
    EXPECT_EQ(records.count, 0);
    EXPECT_EQ(categories.FindByName(u"Web Login"), nullptr);
    file.Close();
    EXPECT_EQ(ReadBytes(path), before);

    Reopen();
    OnPasswordAdded(records, file, u"pass1234", categories);
    ASSERT_TRUE(VerifyPassword(u"pass1234"));
    database.settings->locked = 0;
    EXPECT_EQ(ImportPath(Fixture("chromium.csv")).count, 4);
    Reopen();
    const CCategory* made = categories.FindByName(u"Web Login");
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->isProtected);
    EXPECT_EQ(std::u16string(made->iconName), u"icon_world");
    const Values labels = {u"Description", u"URL", u"User Name", u"Password", u"", u""};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(std::u16string(made->fieldLabel[i]), labels[i]);
    for (const CRecord* r : Nodes<CRecord>(records)) EXPECT_TRUE(r->isEnciphered);
    EXPECT_EQ(Contents()[0][3], u"******");  // locked again after the reopen
    WipeKey();
}

// Quorrel's own format leaves out a line without a category name (such a
// category could never be saved again from its dialog), and an empty file
// says so instead of reporting 0 records.
TEST_F(ForeignImportTest, OwnFormatLeavesOutLinesWithoutACategoryName) {
    ExchangeResult result = ImportText("Bank,a\n,b\n\n\"\",c\nBank,d\n");
    EXPECT_EQ(result.format, ImportFormat::kQuorrel);
    EXPECT_EQ(result.count, 2);
    EXPECT_EQ(result.skipped, 2);
    EXPECT_EQ(categories.count, 12);
    EXPECT_EQ(Utf8(ImportReportText(result).c_str()),
              "2 records imported successfully.\n\nLines left out: 2\nNo category name: lines 2, 4");

    EXPECT_EQ(Utf8(ImportReportText(ImportText("")).c_str()), "The file holds no records: nothing was imported.");
    EXPECT_EQ(Utf8(ImportReportText(ImportText("name,url,username,password,note\r\n")).c_str()),
              "The file holds no records: nothing was imported.");

    // Long lists of lines are cut short in the report, saying how many more.
    std::string many;
    for (int i = 0; i < 14; ++i) many += ",x\n";
    EXPECT_EQ(Utf8(ImportReportText(ImportText(many)).c_str()),
              "No records were imported.\n\nLines left out: 14\n"
              "No category name: lines 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 and 4 more");
}

// The browser export, read back by a CSV reader, and imported again as the
// browser format it is.
TEST_F(ForeignImportTest, BrowserExportReadsBackAndImportsAgain) {
    auto add = [&](const char16_t* category, Values values) {
        values.resize(7);
        auto* record = new CRecord;
        record->categoryId = categories.FindByName(category)->id;
        const char16_t* texts[7];
        for (int i = 0; i < 7; ++i) texts[i] = values[i].c_str();
        record->SetFields(texts);
        record->Save(file, false);
        records.Append(record);
    };
    // Labels in another order and case count too; a category without all three does not.
    CCategory* custom = categories.FindByName(u"Software");
    const char16_t* relabelled[6] = {u"Name", u"password", u"url", u"Notes", u"user name", u""};
    for (int i = 0; i < 6; ++i) CopyBounded(custom->fieldLabel[i], relabelled[i], 31);
    add(u"Web Login", {u"Bank, Inc.", u"https://bank.example.com:8443/", u"anna", u"p\"q,r", u"", u"", u"two\r\nlines"});
    add(u"Email", {u"Mail", u"me", u"secret"});
    add(u"Software", {u"Editor \U0001F511", u"pw", u"https://editor.example", u"", u"j\u00f6rg"});
    add(u"Web Login", {u" padded ", u"", u"", u""});

    const std::u16string out = folder.Path("browser.csv");
    ExchangeResult exported = ExportBrowserFile(out.c_str(), categories, records);
    ASSERT_EQ(exported.error, ExchangeResult::kNone);
    EXPECT_EQ(exported.count, 3);
    auto bytes = ReadBytes(out);
    std::u16string text = Utf16(std::string(bytes.begin(), bytes.end()));
    int32_t counted = 0;
    EXPECT_EQ(ReadAll(text, counted),
              (std::vector<Record>{
                  {1, {u"name", u"url", u"username", u"password", u"note"}},
                  {2, {u"Bank, Inc.", u"https://bank.example.com:8443/", u"anna", u"p\"q,r", u"two\r\nlines"}},
                  {4, {u"Editor \U0001F511", u"https://editor.example", u"j\u00f6rg", u"pw", u""}},
                  {5, {u" padded ", u"", u"", u"", u""}},
              }));
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 33), "name,url,username,password,note\r\n");

    SetUp();
    ExchangeResult imported = ImportPath(out);
    EXPECT_EQ(imported.format, ImportFormat::kChromium);
    EXPECT_EQ(Contents(),
              (std::vector<Values>{
                  Login(u"Bank, Inc.", u"https://bank.example.com:8443/", u"anna", u"p\"q,r", u"two\r\nlines"),
                  Login(u"Editor \U0001F511", u"https://editor.example", u"j\u00f6rg", u"pw", u""),
                  Login(u" padded ", u"", u"", u"", u""),
              }));
}

}  // namespace
