// Import and Export of Quorrel.exe end to end: the commands through the
// common file dialogs, their messages, and what the files and the database
// hold afterwards, compared with what quorrel-cli makes of the same input.
#include "platform/Wide.h"
#include "model/Category.h"
#include "model/Database.h"
#include "model/Record.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"
#include "tests/gui/ProgramFixture.h"

#include <commctrl.h>
#include <dlgs.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kFileTypeBox = cmb1;    // their "Save as type" / "Files of type" combo box

std::string FileText(const std::wstring& path, HANDLE held = nullptr) {
    std::vector<char> bytes = FileBytes(path, held);
    return {bytes.begin(), bytes.end()};
}

void WriteFileText(const std::wstring& path, const std::string& text) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out << text;
}

// Every category (name, protection, icon, labels) and every record (category
// name and the seven values), as a new start would load them.
std::vector<std::wstring> Contents(const std::wstring& path) {
    CxFile file(kDatabaseSignature);
    file.OpenReadOnly(U(path.c_str()));
    CSettings settings(file, CSettings::kDesktopProfile);
    theSettings = &settings;
    CCategories categories;
    CRecords records;
    categories.Load(file);
    records.Load(file, categories);
    std::vector<std::wstring> lines;
    for (const CCategory* c : Nodes<CCategory>(categories)) {
        std::wstring line = std::wstring(W(c->name)) + L"|" + (c->isProtected ? L"protected" : L"open") + L"|" +
                            W(c->iconName);
        for (const auto& label : c->fieldLabel) line += std::wstring(L"|") + W(label);
        lines.push_back(line);
    }
    for (const CRecord* r : Nodes<CRecord>(records)) {
        std::wstring line = W(categories.FindById(r->categoryId)->name);
        for (int i = 0; i < CRecord::kValueCount; ++i) line += std::wstring(L"|") + W(r->GetField(i).c_str());
        lines.push_back(line);
    }
    theSettings = nullptr;
    return lines;
}

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

std::wstring SelectedFilter(HWND box) {
    auto selected = SendMessageW(box, CB_GETCURSEL, 0, 0);
    wchar_t text[256] = {};
    if (selected >= 0) SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(text));
    return text;
}

// Types a path into an Open or Save As dialog and presses its OK button.

// Picks a "Save as type" in a file dialog, which takes the choice when the
// selection ends, as a click in the list ends it.
void ChooseFileType(HWND dialog, const wchar_t* type) {
    SelectComboItem(dialog, kFileTypeBox, type);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kFileTypeBox, CBN_SELENDOK),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, kFileTypeBox)));
}

// The temporary files an export leaves in a folder (there should be none).
int TemporaryFilesIn(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"~qr*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do ++count;
    while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
}

// Two records, one with quotes in its note, one with commas in its address.
void AddRecords(TestDatabase& db, const char16_t* password) {
    db.Add(u"Bank", {u"Alpha Bank", u"111-222", u"1234", nullptr, nullptr, nullptr, u"branch \"main\""});
    db.Add(u"Web Login", {u"Zeta site", u"https://zeta.example/?a=1,b=2", u"zed", u"pw-z"});
    if (password) db.AddPassword(password);
    db.Preferences().promptPasswordOnOpen = 0;
    db.Preferences().showNoPasswordWarning = 0;
}

RunningProgram::Fill Records(const char16_t* password) {
    return [password](TestDatabase& db) { AddRecords(db, password); };
}

using ImportExport = ProgramTest;

TEST_F(ImportExport, ImportThroughTheOpenDialogAddsWhatTheCliAdds) {
    MakeDatabase(Records(nullptr));
    const std::wstring cliDatabase = data.Folder() + L"cli.qrb";
    {
        TestDatabase cli(cliDatabase);
        AddRecords(cli, nullptr);
    }
    const std::wstring csv = data.Folder() + L"records.csv";
    // A mark at the start, a name in other case, a new category, quotes.
    WriteFileText(csv,
                  "\xEF\xBB\xBF" "Bank,Second Bank,333,\"4,5\"\r\n"
                  "bank,\"\"\"Quoted\"\"\",x\n"
                  "Garden Shed,Lock,4321,,,,,caf\xC3\xA9\n");
    ASSERT_NO_FATAL_FAILURE(Launch());
    FindMainWindow();
    SendMessageW(FilterBox(), CB_SETCURSEL, 1, 0);  // any filter but "All"
    PostMessageW(main, WM_COMMAND, IDM_IMPORT, 0);
    HWND open = FileDialog(L"Open");
    ASSERT_NE(open, nullptr);
    ChooseInFileDialog(open, csv);
    Answer(L"3 records imported successfully.", IDOK);
    std::vector<std::wstring> items = ComboItems(FilterBox());
    EXPECT_NE(std::find(items.begin(), items.end(), L"Garden Shed"), items.end());
    EXPECT_EQ(items.size(), 14u);  // "All", twelve defaults and the new one
    EXPECT_EQ(SelectedFilter(FilterBox()), L"All");
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 5);
    Close();

    ASSERT_EQ(RunToEnd(L"quorrel-cli.exe", L"import " + Quoted(cliDatabase) + L" " + Quoted(csv)), 0u);
    std::vector<std::wstring> imported = Contents(data.DatabasePath());
    EXPECT_EQ(imported, Contents(cliDatabase));
    EXPECT_EQ(imported.back(), L"Garden Shed|Lock|4321|||||caf\u00e9");
    EXPECT_EQ(imported[imported.size() - 3], L"Bank|Second Bank|333|4,5||||");
    EXPECT_EQ(CheckDatabase(U(data.DatabasePath().c_str())), "");
}

TEST_F(ImportExport, ImportIsRefusedWhileLockedAndFilesThatAreNoTextChangeNothing) {
    Start(Records(u"right password"));
    PostMessageW(main, WM_COMMAND, IDM_IMPORT, 0);
    Answer(L"Unable to import while the data is locked.", IDOK);
    ASSERT_TRUE(Handled());
    EXPECT_EQ(FindTopWindow(program->Id(), L"#32770", nullptr), nullptr);  // no Open dialog
    Close();

    // Without a password: a folder and a file with a NUL character.
    RunningProgram run;
    const FreshDataFolder& other = run.data;
    run.MakeDatabase(Records(nullptr));
    const std::vector<std::wstring> before = Contents(other.DatabasePath());
    // Not "nul.txt": to Windows that names the NUL device.
    const std::wstring nul = other.Folder() + L"zeros.txt";
    WriteFileText(nul, std::string("Bank,a\nBank,b\0c\n", 16));
    // Beyond what import reads into memory (a sparse file, nothing written).
    const std::wstring huge = other.Folder() + L"huge.txt";
    {
        HANDLE file = CreateFileW(huge.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        LARGE_INTEGER size;
        size.QuadPart = (int64_t{256} << 20) + 1;
        SetFilePointerEx(file, size, nullptr, FILE_BEGIN);
        SetEndOfFile(file);
        CloseHandle(file);
    }
    struct Case {
        std::wstring path;
        const wchar_t* message;
    };
    const Case cases[] = {
        {huge, L"is too large to import: Quorrel reads files of up to 256 MB."},
        {nul, L"holds NUL characters"},
        {L"NUL", L"is not a regular file"},
        {other.Folder() + L"nul.txt", L"is not a regular file"},
    };
    ASSERT_NO_FATAL_FAILURE(run.Launch());
    run.FindMainWindow();
    for (const Case& c : cases) {
        PostMessageW(run.main, WM_COMMAND, IDM_IMPORT, 0);
        HWND open = WaitForTopWindow(run.program->Id(), L"#32770", L"Open", 10s);
        ASSERT_NE(open, nullptr);
        ChooseInFileDialog(open, c.path);
        HWND box = WaitForDialog(run.program->Id(), c.message);
        ASSERT_NE(box, nullptr) << std::string(c.message, c.message + wcslen(c.message));
        EXPECT_NE(DialogTexts(box).find(c.path), std::wstring::npos);
        Press(box, IDOK);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }));
    }
    run.Close();
    EXPECT_TRUE(Contents(other.DatabasePath()) == before);
}

TEST_F(ImportExport, ExportToAPathWithoutADotWritesWhatTheCliWrites) {
    Start(Records(nullptr));
    const std::wstring chosen = data.Folder() + L"exported";
    PostMessageW(main, WM_COMMAND, IDM_EXPORT, 0);
    HWND save = FileDialog(L"Save As");
    ASSERT_NE(save, nullptr);
    ChooseInFileDialog(save, chosen);
    Answer((L"2 records exported to:\n" + chosen + L".txt").c_str(), IDOK);
    Close();
    EXPECT_EQ(GetFileAttributesW(chosen.c_str()), INVALID_FILE_ATTRIBUTES);
    const std::wstring cliExport = data.Folder() + L"cli.txt";
    ASSERT_EQ(RunToEnd(L"quorrel-cli.exe", L"export " + Quoted(data.DatabasePath()) + L" " + Quoted(cliExport)), 0u);
    EXPECT_EQ(FileText(chosen + L".txt"), FileText(cliExport));
    EXPECT_EQ(FileText(cliExport),
              "\"Bank\",\"Alpha Bank\",\"111-222\",\"1234\",\"\",\"\",\"\",\"branch \"\"main\"\"\"\r\n"
              "\"Web Login\",\"Zeta site\",\"https://zeta.example/?a=1,b=2\",\"zed\",\"pw-z\",\"\",\"\",\"\"\r\n");
    EXPECT_EQ(TemporaryFilesIn(data.Folder()), 0);
}

TEST_F(ImportExport, LockedExportAsksFirstAndNoOpensNoDialog) {
    Start(Records(u"right password"));
    PostMessageW(main, WM_COMMAND, IDM_EXPORT, 0);
    Answer(L"Encrypted records will not be exported correctly.", IDNO);
    ASSERT_TRUE(Handled());
    EXPECT_EQ(FindTopWindow(program->Id(), L"#32770", nullptr), nullptr);

    // Yes goes on; the protected values are written masked.
    PostMessageW(main, WM_COMMAND, IDM_EXPORT, 0);
    Answer(L"Encrypted records will not be exported correctly.", IDYES);
    HWND save = FileDialog(L"Save As");
    ASSERT_NE(save, nullptr);
    const std::wstring path = data.Folder() + L"masked.csv";
    ChooseInFileDialog(save, path);
    Answer(L"2 records exported to:", IDOK);
    EXPECT_EQ(FileText(path),
              "\"Bank\",\"Alpha Bank\",\"******\",\"******\",\"\",\"\",\"\",\"******\"\r\n"
              "\"Web Login\",\"Zeta site\",\"******\",\"******\",\"******\",\"\",\"\",\"\"\r\n");
    Close();
}

// A Bitwarden export goes into "Web Login"; the report names the format, the
// counts and the line left out. "Browser passwords (*.csv)" in Save As then
// writes the logins as quorrel-cli export --format browser does.
TEST_F(ImportExport, ForeignImportIsReportedAndTheBrowserTypeWritesLogins) {
    MakeDatabase(Records(nullptr));
    const std::wstring csv = data.Folder() + L"bitwarden.csv";
    WriteFileText(csv,
                  "folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,login_totp\n"
                  "Work/Email,1,login,\"Shop, online\",\"two\nlines\",,0,https://shop.example:8443/,ann,\"p\"\"w\",\n"
                  "Work,,card,Visa,,,0,,,,\n");
    ASSERT_NO_FATAL_FAILURE(Launch());
    FindMainWindow();
    PostMessageW(main, WM_COMMAND, IDM_IMPORT, 0);
    HWND open = FileDialog(L"Open");
    ASSERT_NE(open, nullptr);
    ChooseInFileDialog(open, csv);
    HWND report = WaitForDialog(program->Id(), L"File format: Bitwarden");
    ASSERT_NE(report, nullptr);
    const std::wstring texts = DialogTexts(report);
    EXPECT_NE(texts.find(L"Records imported: 1\nRows left out: 1"), std::wstring::npos) << texts;
    EXPECT_NE(texts.find(L"Neither a login nor a secure note: line 4"), std::wstring::npos) << texts;
    Press(report, IDOK);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(report); }));
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 3);

    PostMessageW(main, WM_COMMAND, IDM_EXPORT, 0);
    HWND save = FileDialog(L"Save As");
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(ComboItems(GetDlgItem(save, kFileTypeBox)),
              (std::vector<std::wstring>{L"Text Files (*.txt)", L"Browser passwords (*.csv)", L"All Files (*.*)"}));
    ChooseFileType(save, L"Browser passwords (*.csv)");
    const std::wstring chosen = data.Folder() + L"browser";
    ChooseInFileDialog(save, chosen);
    Answer((L"2 records exported to:\n" + chosen + L".csv").c_str(), IDOK);
    Close();

    EXPECT_EQ(Contents(data.DatabasePath()).back(),
              L"Web Login|Shop, online|https://shop.example:8443/|ann|p\"w|||two\r\nlines\r\nFolder: Work/Email\r\n"
              L"Favorite: yes");
    const std::wstring cliExport = data.Folder() + L"cli.csv";
    ASSERT_EQ(RunToEnd(L"quorrel-cli.exe",
                       L"export " + Quoted(data.DatabasePath()) + L" " + Quoted(cliExport) + L" --format browser"),
              0u);
    EXPECT_EQ(FileText(chosen + L".csv"), FileText(cliExport));
    EXPECT_EQ(FileText(cliExport),
              "name,url,username,password,note\r\n"
              "Zeta site,\"https://zeta.example/?a=1,b=2\",zed,pw-z,\r\n"
              "\"Shop, online\",https://shop.example:8443/,ann,\"p\"\"w\",\"two\r\nlines\r\nFolder: Work/Email\r\n"
              "Favorite: yes\"\r\n");
}

// The import is one transaction: Cancel in its progress window leaves the
// database as it was.
TEST_F(ImportExport, CancelWhileImportingLeavesTheDatabaseAsItWas) {
    MakeDatabase(Records(nullptr));
    const std::vector<std::wstring> before = Contents(data.DatabasePath());
    // Long enough for the progress window, which shows after half a second.
    const std::wstring csv = data.Folder() + L"chrome.csv";
    std::string rows = "name,url,username,password,note\r\n";
    for (int i = 0; i < 300000; ++i) {
        const std::string n = std::to_string(i);
        rows += "Site " + n + ",https://site" + n + ".example/,user" + n + ",pw-" + n + ",\r\n";
    }
    WriteFileText(csv, rows);
    ASSERT_NO_FATAL_FAILURE(Launch());
    FindMainWindow();
    PostMessageW(main, WM_COMMAND, IDM_IMPORT, 0);
    HWND open = FileDialog(L"Open");
    ASSERT_NE(open, nullptr);
    ChooseInFileDialog(open, csv);
    HWND progress = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        progress = FindTopWindow(program->Id(), L"#32770", L"Import");
        return progress && GetDlgItem(progress, IDC_PROGRESS_TEXT);
    }));
    EXPECT_NE(ControlText(progress, IDC_PROGRESS_TEXT).find(L"Importing records:"), std::wstring::npos);
    PostMessageW(progress, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(progress) && IsWindowEnabled(main); }));
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 2);
    Close();
    EXPECT_TRUE(Contents(data.DatabasePath()) == before);
    EXPECT_EQ(CheckDatabase(U(data.DatabasePath().c_str())), "");
}

// Another program holds the earlier export open: the export is reported as
// failed, with the path and the reason, and the earlier file is whole.
TEST_F(ImportExport, FailedExportIsReportedAndKeepsTheEarlierFile) {
    MakeDatabase(Records(nullptr));
    const std::wstring path = data.Folder() + L"earlier.txt";
    WriteFileText(path, "the earlier export\r\n");
    HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ASSERT_NO_FATAL_FAILURE(Launch());
    FindMainWindow();
    PostMessageW(main, WM_COMMAND, IDM_EXPORT, 0);
    HWND save = FileDialog(L"Save As");
    ASSERT_NE(save, nullptr);
    ChooseInFileDialog(save, path);
    Answer(L"already exists", IDYES);  // the dialog's own overwrite question
    HWND failed = WaitForDialog(program->Id(), L"The records could not be written to:");
    ASSERT_NE(failed, nullptr);
    std::wstring texts = DialogTexts(failed);
    EXPECT_NE(texts.find(path), std::wstring::npos);
    EXPECT_EQ(texts.find(L"records exported"), std::wstring::npos);
    Press(failed, IDOK);
    EXPECT_EQ(FileText(path, held), "the earlier export\r\n");
    CloseHandle(held);
    EXPECT_EQ(FileText(path), "the earlier export\r\n");
    EXPECT_EQ(TemporaryFilesIn(data.Folder()), 0);
    Close();
}

// A chosen path that fits, but would not once ".txt" is appended, is refused
// rather than cut into the name of another file.
TEST_F(ImportExport, ExportRefusesAPathTooLongWithItsExtension) {
    MakeDatabase(Records(nullptr));
    const std::wstring folder = data.Folder() + std::wstring(150, L'a');
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring chosen = folder + L"\\" + std::wstring(258 - folder.size() - 1, L'b');
    ASSERT_EQ(chosen.size(), 258u);
    ASSERT_EQ(chosen.find(L'.'), std::wstring::npos);
    ASSERT_NO_FATAL_FAILURE(Launch());
    FindMainWindow();
    PostMessageW(main, WM_COMMAND, IDM_EXPORT, 0);
    HWND save = FileDialog(L"Save As");
    ASSERT_NE(save, nullptr);
    ChooseInFileDialog(save, chosen);
    Answer(L"The path of the chosen file is too long", IDOK);
    Close();
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    int files = 0;
    if (search != INVALID_HANDLE_VALUE) {
        do files += (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : 1;
        while (FindNextFileW(search, &found));
        FindClose(search);
    }
    EXPECT_EQ(files, 0);
}

}  // namespace
