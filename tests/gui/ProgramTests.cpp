// Quorrel.exe end to end: each test starts the program with a data folder of
// its own, works its windows from this process and checks the database file.
#include "platform/Wide.h"
#include "model/Database.h"
#include "model/base/StringTable.h"
#include "storage/CxFile.h"
#include "storage/Journal.h"
#include "storage/Settings.h"
#include "tests/gui/ProgramFixture.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>

namespace {

// The settings as a new start of the program would read them.
struct StoredSettings {
    explicit StoredSettings(const std::wstring& path) {
        file.OpenReadOnly(U(path.c_str()));
        settings = std::make_unique<CSettings>(file, CSettings::kDesktopProfile);
    }
    CxFile file{kDatabaseSignature};
    std::unique_ptr<CSettings> settings;
};

// Starts of the program: first, second copy, and databases it cannot use.
using ProgramStart = ProgramTest;

TEST_F(ProgramStart, FirstStartCreatesTheDatabaseAndGreetsTheUser) {
    Launch();
    HWND notice = WaitForDialog(program->Id(), L"Initializing Quorrel for the first time!");
    ASSERT_NE(notice, nullptr);
    EXPECT_NE(WindowText(notice).find(L"Quorrel"), std::wstring::npos);
    Click(notice, IDOK);

    HWND greeting = WaitForDialog(program->Id(), L"Welcome to Quorrel");
    ASSERT_NE(greeting, nullptr);
    EXPECT_EQ(WindowText(greeting), L"Getting Started");
    FindMainWindow();
    EXPECT_EQ(WindowText(main), L"Quorrel - Desktop Edition");
    std::vector<std::wstring> expected = {L"All",        L"Bank",           L"Calling Card", L"Combination lock",
                                          L"Computer Login", L"Credit Card", L"Email",        L"Frequent Flyer",
                                          L"Personal ID", L"Serial No.",    L"Software",     L"Voice Mail",
                                          L"Web Login"};
    EXPECT_EQ(ComboItems(FilterBox()), expected);
    // N answers No, as in any question; the focus is on Yes.
    PressKey(GetDlgItem(greeting, IDOK), 'N');
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(greeting); }));
    // Neither the password prompt nor the "No Password" warning on a first start.
    ASSERT_TRUE(Handled());
    EXPECT_EQ(FindTopWindow(program->Id(), L"#32770", nullptr), nullptr);

    Close();
    EXPECT_EQ(CheckDatabase(U(data.DatabasePath().c_str())), "");
}

TEST_F(ProgramStart, SecondCopyBringsTheFirstForwardAndExits) {
    Start();
    ShowWindow(main, SW_MINIMIZE);
    ASSERT_TRUE(WaitFor([&] { return IsIconic(main) != 0; }));

    Program second;
    ASSERT_TRUE(second.Started());
    EXPECT_EQ(second.WaitForExit(), 0u);
    EXPECT_TRUE(WaitFor([&] { return !IsIconic(main); }));  // restored
    EXPECT_TRUE(program->Running());
    Close();
}

TEST_F(ProgramStart, FileOfAnotherFormatIsLeftAlone) {
    CreateDirectoryW(data.Folder().c_str(), nullptr);
    {
        CxFile older("Quorrel100");
        ASSERT_EQ(older.Create(U(data.DatabasePath().c_str()), 128, 1, 0), 0);
        older.Insert(5, "old data", 8);
    }
    auto before = FileBytes(data.DatabasePath());
    Launch();
    HWND notice = WaitForDialog(program->Id(), L"Was created by an earlier version of Quorrel");
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(ControlText(notice, IDC_DATABASE_PATH), data.DatabasePath());
    Click(notice, IDOK);
    EXPECT_EQ(program->WaitForExit(), 0u);
    EXPECT_EQ(FileBytes(data.DatabasePath()), before);
}

// A database that exists but cannot be used is named, explained and left as it was.
TEST_F(ProgramStart, UnusableDatabaseIsReportedAndUntouched) {
    struct Case {
        const char* name;
        const wchar_t* expectedText;
        std::function<HANDLE(const std::wstring&)> spoil;  // may return a handle to hold during the run
    };
    const Case cases[] = {
        {"damaged", L"is damaged",
         [](const std::wstring& path) {
             std::fstream f(path.c_str(), std::ios::in | std::ios::out | std::ios::binary);
             f.seekp(36 + 20);  // the first index page's entry count
             f.write("\x7f\0\0\0", 4);
             return HANDLE(nullptr);
         }},
        {"in use", L"cannot be opened",
         [](const std::wstring& path) {
             return CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
         }},
        {"read-only", L"read-only",
         [](const std::wstring& path) {
             SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
             return HANDLE(nullptr);
         }},
    };
    for (const Case& c : cases) {
        RunningProgram run;
        { TestDatabase db(run.data.DatabasePath()); }
        HANDLE held = c.spoil(run.data.DatabasePath());
        auto before = FileBytes(run.data.DatabasePath(), held);
        HANDLE probe = CreateFileW(run.data.DatabasePath().c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
        if (probe != INVALID_HANDLE_VALUE) {
            // An administrator (or root under Wine) writes read-only files all the same.
            CloseHandle(probe);
            if (std::string(c.name) == "read-only") continue;
        }
        run.Launch();
        HWND message = WaitForDialog(run.program->Id(), c.expectedText);
        ASSERT_NE(message, nullptr) << c.name;
        EXPECT_NE(DialogTexts(message).find(run.data.DatabasePath()), std::wstring::npos) << c.name;
        Press(message, IDOK);
        EXPECT_EQ(run.program->WaitForExit(), 0u) << c.name;
        EXPECT_EQ(FileBytes(run.data.DatabasePath(), held), before) << c.name;
        if (held) CloseHandle(held);
        SetFileAttributesW(run.data.DatabasePath().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

// A journal beside the database that is not its own (a backup copied over
// the database after a crash) is set aside, never replayed: the program
// opens the database as it is, says so, and goes on.
TEST_F(ProgramStart, AJournalOfAnotherFileIsSetAsideAndTold) {
    MakeDatabase();
    const std::vector<char> database = FileBytes(data.DatabasePath());
    JournalImage image;  // a valid journal of a larger file
    image.pageSize = 128;
    image.originalSize = static_cast<int64_t>(database.size()) + 10 * 128;
    image.newSize = image.originalSize;
    std::memcpy(image.header, database.data(), sizeof image.header);
    std::memcpy(image.newHeader, database.data(), sizeof image.newHeader);
    image.offsets = {36};
    image.pages.assign(128, 0x5A);
    const std::vector<unsigned char> journal = EncodeJournal(image);
    const std::wstring journalPath = data.DatabasePath() + L"-journal";
    std::ofstream(journalPath.c_str(), std::ios::binary).write(reinterpret_cast<const char*>(journal.data()),
                                                                 static_cast<std::streamsize>(journal.size()));

    Launch();
    HWND notice = WaitForDialog(program->Id(), L"was opened as it is");
    ASSERT_NE(notice, nullptr);
    const std::wstring texts = DialogTexts(notice);
    EXPECT_NE(texts.find(data.DatabasePath()), std::wstring::npos) << texts;
    EXPECT_NE(texts.find(L"does not belong to this database"), std::wstring::npos) << texts;
    Press(notice, IDOK);
    FindMainWindow();
    Close();
    const std::vector<char> setAside = FileBytes(journalPath + L"-set-aside-1");
    EXPECT_EQ(std::vector<unsigned char>(setAside.begin(), setAside.end()), journal);
    EXPECT_EQ(CheckDatabase(U(data.DatabasePath().c_str())), "");  // a replay would have spoilt its first page
}

class ProgramWithRecords : public ProgramTest {
protected:
    void MakeDatabase(const char16_t* password, bool promptOnOpen) {
        RunningProgram::MakeDatabase([&](TestDatabase& db) {
            db.Add(u"Web Login", {u"Zeta site", u"https://zeta.example", u"zed", u"pw-z"});
            db.Add(u"Bank", {u"Alpha Bank", u"111-222", u"1234", nullptr, nullptr, nullptr, u"branch note"});
            db.Add(u"Email", {u"Mail box", u"me@example.org", u"secret"});
            if (password) db.AddPassword(password);
            db.Preferences().promptPasswordOnOpen = promptOnOpen;
        });
    }
    // The program on the database made, with its list filled.
    void StartOnTheDatabase() {
        ASSERT_NO_FATAL_FAILURE(Launch());
        FindMainWindow();
    }
};

TEST_F(ProgramWithRecords, RowsAreSortedAndThePaneFollowsTheSelection) {
    MakeDatabase(nullptr, false);
    StartOnTheDatabase();
    // Row 0 is selected after a rebuild: the first record by first field.
    ASSERT_TRUE(WaitFor([&] { return !PaneValues().empty() && PaneValues()[0] == L"Alpha Bank"; }));
    EXPECT_EQ(PaneValues(), (std::vector<std::wstring>{L"Alpha Bank", L"111-222", L"1234", L"", L"", L"",
                                                       L"branch note"}));
    SetFocus(list);
    PostMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(list, WM_KEYUP, VK_DOWN, 0);
    EXPECT_TRUE(WaitFor([&] { return PaneValues()[0] == L"Mail box"; }));
    PostMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(list, WM_KEYUP, VK_DOWN, 0);
    EXPECT_TRUE(WaitFor([&] { return PaneValues()[0] == L"Zeta site"; }));
    EXPECT_EQ(PaneValues()[1], L"https://zeta.example");
    Close();
}

TEST_F(ProgramWithRecords, LockedDataShowsMaskedValues) {
    MakeDatabase(u"right password", false);
    StartOnTheDatabase();
    ASSERT_TRUE(WaitFor([&] { return !PaneValues().empty() && PaneValues()[0] == L"Alpha Bank"; }));
    EXPECT_EQ(PaneValues(), (std::vector<std::wstring>{L"Alpha Bank", L"******", L"******", L"", L"", L"",
                                                       L"******"}));
    // No prompt without the preference: the program simply starts locked.
    ASSERT_TRUE(Handled());
    EXPECT_EQ(FindTopWindow(program->Id(), L"#32770", nullptr), nullptr);
    Close();
}

TEST_F(ProgramWithRecords, PasswordPromptAtStartUpUnlocksAfterARetry) {
    MakeDatabase(u"right password", true);
    Launch();
    HWND prompt = WaitForDialog(program->Id(), L"Enter Password");
    ASSERT_NE(prompt, nullptr);
    SetControlText(prompt, IDC_PASSWORD, L"wrong");
    Click(prompt, IDOK);
    HWND again = WaitForDialog(program->Id(), L"try again?");
    ASSERT_NE(again, nullptr);
    Press(again, IDYES);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(again); }));
    prompt = WaitForDialog(program->Id(), L"Enter Password");
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(ControlText(prompt, IDC_PASSWORD), L"");  // each attempt starts empty
    SetControlText(prompt, IDC_PASSWORD, L"right password");
    Click(prompt, IDOK);
    FindMainWindow();
    ASSERT_TRUE(WaitFor([&] { return !PaneValues().empty() && PaneValues()[1] == L"111-222"; }));
    EXPECT_EQ(PaneValues()[6], L"branch note");
    Close();
}

TEST_F(ProgramWithRecords, ThreeWrongPasswordsEndTheProgram) {
    MakeDatabase(u"right password", true);
    Launch();
    for (int attempt = 1; attempt <= 3; ++attempt) {
        HWND prompt = WaitForDialog(program->Id(), L"Enter Password");
        ASSERT_NE(prompt, nullptr) << attempt;
        SetControlText(prompt, IDC_PASSWORD, L"wrong");
        Click(prompt, IDOK);
        HWND answer = WaitForDialog(program->Id(), attempt < 3 ? L"try again?" : L"Quorrel will now exit.");
        ASSERT_NE(answer, nullptr) << attempt;
        Press(answer, attempt < 3 ? IDYES : IDOK);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(answer); }));
    }
    EXPECT_EQ(program->WaitForExit(), 0u);
}

TEST_F(ProgramWithRecords, CancelledPromptAtStartUpEndsTheProgram) {
    MakeDatabase(u"right password", true);
    Launch();
    HWND prompt = WaitForDialog(program->Id(), L"Enter Password");
    ASSERT_NE(prompt, nullptr);
    Click(prompt, IDCANCEL);
    HWND message = WaitForDialog(program->Id(), L"You have not entered a valid password.");
    ASSERT_NE(message, nullptr);
    Press(message, IDOK);
    EXPECT_EQ(program->WaitForExit(), 0u);
}

TEST_F(ProgramStart, NoPasswordWarningCanBeSwitchedOff) {
    MakeDatabase([](TestDatabase& db) { db.Preferences().showNoPasswordWarning = 1; });
    {
        Launch();
        HWND warning = WaitForDialog(program->Id(), L"You have not set a password.");
        ASSERT_NE(warning, nullptr);
        EXPECT_EQ(SendMessageW(GetDlgItem(warning, IDC_SHOW_WARNING), BM_GETCHECK, 0, 0), BST_CHECKED);
        SendMessageW(GetDlgItem(warning, IDC_SHOW_WARNING), BM_SETCHECK, BST_UNCHECKED, 0);
        Click(warning, IDOK);
        FindMainWindow();
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(warning); }));
        Close();
    }
    EXPECT_EQ(StoredSettings(data.DatabasePath()).settings->Active().showNoPasswordWarning, 0);
    Launch();
    FindMainWindow();
    // The start-up checks are posted when the window is made, before this marker.
    ASSERT_TRUE(Handled());
    EXPECT_EQ(FindTopWindow(program->Id(), L"#32770", nullptr), nullptr);
    Close();
}

TEST_F(ProgramWithRecords, PlacementSplitterAndColumnWidthsSurviveARestart) {
    MakeDatabase(nullptr, false);
    RECT placed = {60, 50, 60 + 700, 50 + 480};
    int splitterX = 0;
    int width = 0;
    {
        StartOnTheDatabase();
        SetWindowPos(main, nullptr, placed.left, placed.top, placed.right - placed.left, placed.bottom - placed.top,
                     SWP_NOZORDER);
        // What a divider drag ends with: a new width, then the list stores it.
        SendMessageW(list, LVM_SETCOLUMNWIDTH, 2, 137);
        PostMessageW(list, UM_SAVECOLUMNWIDTHS, 0, 0);
        HWND splitter = GetDlgItem(main, IDC_SPLITTER);
        RECT r;
        GetWindowRect(splitter, &r);
        POINT p = {r.left, r.top};
        ScreenToClient(main, &p);
        splitterX = p.x;
        width = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 2, 0));
        // Posted after the widths' message, so the list has stored them before it closes.
        Close();
    }
    StoredSettings stored(data.DatabasePath());
    const DesktopProfileBlock& d = stored.settings->desktop;
    EXPECT_EQ(d.windowLeft, placed.left);
    EXPECT_EQ(d.windowTop, placed.top);
    EXPECT_EQ(d.windowWidth, placed.right - placed.left);
    EXPECT_EQ(d.windowHeight, placed.bottom - placed.top);
    EXPECT_EQ(d.splitterPosition, splitterX);
    EXPECT_EQ(d.columnWidths[2], width);

    StartOnTheDatabase();
    RECT now;
    GetWindowRect(main, &now);
    EXPECT_EQ(now.left, placed.left);
    EXPECT_EQ(now.right - now.left, placed.right - placed.left);
    EXPECT_EQ(SendMessageW(list, LVM_GETCOLUMNWIDTH, 2, 0), width);
    Close();
}

// The default icons lie beside the program; a start copies those the data
// folder lacks and leaves the user's own version of one alone.
TEST_F(ProgramStart, StartCopiesMissingDefaultIconsAndKeepsTheUsersOwn) {
    MakeDatabase();
    ASSERT_TRUE(CopyFileW((ProgramFolder() + L"icon_world.bmp").c_str(), (data.Folder() + L"icon_dollar.bmp").c_str(),
                          FALSE));
    Launch();
    FindMainWindow();
    for (int32_t id = IDS_DEFAULT_ICON_0; id <= IDS_DEFAULT_ICON_11; ++id) {
        std::wstring file = std::wstring(W(LoadText(id))) + L".bmp";
        auto shipped = FileBytes(ProgramFolder() + (file == L"icon_dollar.bmp" ? L"icon_world.bmp" : file));
        ASSERT_FALSE(shipped.empty()) << "not beside the program: " << file;
        EXPECT_EQ(FileBytes(data.Folder() + file), shipped) << file;
    }
    Close();
}

}  // namespace
