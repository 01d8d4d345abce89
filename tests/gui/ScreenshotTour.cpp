// Walks through the program's windows and saves a picture of each, so that
// anyone can look at what a user sees. Run by tools/screenshots.sh inside a
// Wine virtual desktop; writes BMP files into the folder given as argument.
#include "platform/Wide.h"
#include "model/Database.h"
#include "res/resource.h"
#include "storage/CxFile.h"
#include "tests/gui/Driver.h"
#include "tests/gui/ScreenPicture.h"
#include "tests/gui/TestDatabase.h"

#include <commctrl.h>
#include <dlgs.h>

#include <cstdio>
#include <fstream>

namespace {

constexpr wchar_t kMainClass[] = L"DPC_QUORREL_WND_CLASS";
std::wstring outputFolder;

// What the program is doing when a picture is taken.
enum class Moment {
    kWaiting,   // for the user, in a message loop
    kMenuOpen,  // in a popup menu, which would close if another window came to the front
    kBusy,      // in a long operation, handling only its progress window's messages
};

BOOL CALLBACK PaintNow(HWND window, LPARAM processId) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == static_cast<DWORD>(processId) && IsWindowVisible(window))
        RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    return TRUE;
}

// Waits until the screen shows the window as the program painted it. With a
// main window waiting for the user, its status bar tells; otherwise (before
// the main window, over a menu, in an operation) the program is made to paint
// what it has pending in every window, which returns once it has painted.
void WaitForPicture(HWND window, Moment moment) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HWND main = FindTopWindow(processId, kMainClass, nullptr);
    if (main && moment == Moment::kWaiting && WaitForScreen(main)) return;
    EnumWindows(PaintNow, static_cast<LPARAM>(processId));
}

// Saves the part of the screen the window covers.
void Capture(HWND window, const wchar_t* name, Moment moment = Moment::kWaiting) {
    if (!window) {
        std::fwprintf(stderr, L"no window for %ls\n", name);
        return;
    }
    if (moment != Moment::kMenuOpen) SetForegroundWindow(window);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    WaitForPicture(window, moment);
    // A window that closed meanwhile has no picture to give.
    if (!SaveScreenPicture(window, outputFolder + L"\\" + name + L".bmp")) {
        std::fwprintf(stderr, L"window for %ls is gone\n", name);
        return;
    }
    std::fwprintf(stderr, L"saved %ls\n", name);
}

void MakeDatabase(const std::wstring& path, const char16_t* password, bool promptOnOpen) {
    TestDatabase db(path);
    db.Add(u"Bank", {u"First National Bank", u"0123-456789", u"4711", nullptr, nullptr, nullptr, u"Branch: High Street"});
    db.Add(u"Credit Card", {u"Visa Platinum", u"4929 1234 5678 9012", u"09/29", u"8642"});
    db.Add(u"Web Login", {u"Example Shop", u"https://shop.example.com", u"alice", u"k7#Rt9!mQ2"});
    db.Add(u"Email", {u"Work mail", u"alice@example.com", u"s3cret-Mail", u"pop.example.com", u"smtp.example.com"});
    db.Add(u"Software", {u"Photo Editor", u"5.2", u"PE-5521-XK", u"Alice", u"AAAA-BBBB-CCCC"});
    db.Add(u"Frequent Flyer", {u"Blue Skies Air", u"Alice Smith", u"BS 449 120", u"http://blueskies.example", u"2468"});
    db.Add(u"Computer Login", {u"Home laptop", u"alice", u"correct-horse"});
    if (password) db.AddPassword(password);
    db.Preferences().promptPasswordOnOpen = promptOnOpen;
}

HWND MainWindowOf(Program& program) { return WaitForTopWindow(program.Id(), kMainClass, nullptr); }

void Close(HWND main, Program& program) {
    PostMessageW(main, WM_CLOSE, 0, 0);
    program.WaitForExit();
}

HWND OpenDialogByCommand(HWND main, Program& program, int command, const wchar_t* part) {
    PostMessageW(main, WM_COMMAND, command, 0);
    return WaitForDialog(program.Id(), part);
}

void NewDatabaseTour() {
    FreshDataFolder data;
    Program program;
    HWND notice = WaitForDialog(program.Id(), L"Initializing Quorrel for the first time!");
    Capture(notice, L"first-run-notice");
    Click(notice, IDOK);
    HWND greeting = WaitForDialog(program.Id(), L"Welcome to Quorrel");
    Capture(greeting, L"getting-started");
    Click(greeting, IDCANCEL);  // "No"
    WaitFor([&] { return !IsWindow(greeting); });
    HWND main = MainWindowOf(program);
    Capture(main, L"main-new-database");
    HWND about = OpenDialogByCommand(main, program, IDM_ABOUT, L"About Quorrel");
    Capture(about, L"about");
    Click(about, IDOK);
    WaitFor([&] { return !IsWindow(about); });
    HWND newPassword = OpenDialogByCommand(main, program, IDM_PASSWORD, L"New Password");
    Capture(newPassword, L"new-password");
    Click(newPassword, IDCANCEL);
    WaitFor([&] { return !IsWindow(newPassword); });
    Close(main, program);
}

void RecordsWithoutPasswordTour() {
    FreshDataFolder data;
    MakeDatabase(data.DatabasePath(), nullptr, false);
    Program program;
    HWND warning = WaitForDialog(program.Id(), L"You have not set a password.");
    Capture(warning, L"no-password-warning");
    Click(warning, IDOK);
    WaitFor([&] { return !IsWindow(warning); });
    HWND main = MainWindowOf(program);
    Capture(main, L"main-records-no-password");
    Close(main, program);
}

void RecordsWithPasswordTour() {
    FreshDataFolder data;
    MakeDatabase(data.DatabasePath(), u"open sesame", true);
    Program program;
    HWND prompt = WaitForDialog(program.Id(), L"Enter Password");
    Capture(prompt, L"enter-password");
    SetControlText(prompt, IDC_PASSWORD, L"wrong");
    Click(prompt, IDOK);
    HWND again = WaitForDialog(program.Id(), L"try again?");
    Capture(again, L"password-try-again");
    Press(again, IDYES);
    WaitFor([&] { return !IsWindow(again); });
    prompt = WaitForDialog(program.Id(), L"Enter Password");
    SetControlText(prompt, IDC_PASSWORD, L"open sesame");
    Click(prompt, IDOK);
    WaitFor([&] { return !IsWindow(prompt); });
    HWND main = MainWindowOf(program);
    Capture(main, L"main-records-unlocked");
    // A search as the user types it: the list narrowed, the count in the status bar.
    HWND search = GetDlgItem(GetDlgItem(main, IDC_TOOLBAR), IDC_SEARCH);
    HWND list = GetDlgItem(main, IDC_RECORD_LIST);
    int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    PostMessageW(main, WM_COMMAND, IDM_FIND, 0);
    for (wchar_t c : std::wstring(L"ali")) PostMessageW(search, WM_CHAR, c, 1);
    WaitFor([&] { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) != rows; });
    Capture(main, L"main-search");
    PostMessageW(search, WM_KEYDOWN, VK_ESCAPE, 1);
    WaitFor([&] { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) == rows; });
    HWND change = OpenDialogByCommand(main, program, IDM_PASSWORD, L"Change Password");
    Capture(change, L"change-password");
    Click(change, IDCANCEL);
    WaitFor([&] { return !IsWindow(change); });
    PostMessageW(main, WM_COMMAND, IDM_LOCK, 0);  // handled before the picture's marker
    Capture(main, L"main-records-locked");
    Close(main, program);
}

// The record edit dialog, new and editing, in a protected category and in
// one without protection, and the password generator over it.
void RecordEditTour() {
    FreshDataFolder data;
    {
        TestDatabase db(data.DatabasePath());
        CCategory* software = db.categories.FindByName(u"Software");
        software->isProtected = false;
        software->Save(db.file, false);
        db.Add(u"Bank", {u"First National Bank", u"0123-456789", u"4711", nullptr, nullptr, nullptr,
                         u"Branch: High Street"});
        db.Add(u"Software", {u"Photo Editor", u"5.2", u"PE-5521-XK", u"Alice", u"AAAA-BBBB-CCCC"});
        db.AddPassword(u"open sesame");
        db.Preferences().promptPasswordOnOpen = true;
    }
    Program program;
    HWND prompt = WaitForDialog(program.Id(), L"Enter Password");
    SetControlText(prompt, IDC_PASSWORD, L"open sesame");
    Click(prompt, IDOK);
    WaitFor([&] { return !IsWindow(prompt); });
    HWND main = MainWindowOf(program);
    HWND list = GetDlgItem(main, IDC_RECORD_LIST);
    WaitFor([&] { return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 2; });

    HWND dialog = OpenDialogByCommand(main, program, IDM_NEW_RECORD, L"New Record");
    Capture(dialog, L"record-new-protected");
    SelectComboItem(dialog, IDC_CATEGORY, L"Software");
    SetControlText(dialog, IDC_FIELD1, L"Office Suite");
    SetControlText(dialog, IDC_FIELD2, L"2024");
    FocusControl(GetDlgItem(dialog, IDC_FIELD3));
    Capture(dialog, L"record-new-unprotected");
    Click(dialog, IDC_GENERATE);
    HWND generator = WaitForDialog(program.Id(), L"Generate Password");
    Capture(generator, L"generate-password");
    Click(generator, IDCANCEL);
    WaitFor([&] { return !IsWindow(generator); });
    Click(dialog, IDCANCEL);
    WaitFor([&] { return !IsWindow(dialog); });

    dialog = OpenDialogByCommand(main, program, IDM_EDIT_RECORD, L"Edit Record");  // row 0: the bank
    Capture(dialog, L"record-edit-protected");
    Click(dialog, IDCANCEL);
    WaitFor([&] { return !IsWindow(dialog); });
    // The keys are posted before the command, so the command finds the software record selected.
    PostMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(list, WM_KEYUP, VK_DOWN, 0);
    dialog = OpenDialogByCommand(main, program, IDM_EDIT_RECORD, L"Edit Record");
    Capture(dialog, L"record-edit-unprotected");
    Click(dialog, IDCANCEL);
    WaitFor([&] { return !IsWindow(dialog); });
    Close(main, program);
}

// The copy menu of a row and of a pane value, and the status bar counting
// down after a copy.
void CopyMenuTour() {
    FreshDataFolder data;
    MakeDatabase(data.DatabasePath(), u"open sesame", true);
    Program program;
    HWND prompt = WaitForDialog(program.Id(), L"Enter Password");
    SetControlText(prompt, IDC_PASSWORD, L"open sesame");
    Click(prompt, IDOK);
    WaitFor([&] { return !IsWindow(prompt); });
    HWND main = MainWindowOf(program);
    Capture(main, L"main-before-copy-menu");
    HWND list = GetDlgItem(main, IDC_RECORD_LIST);
    PostMessageW(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(-1, -1));
    HWND menu = WaitForTopWindow(program.Id(), L"#32768", nullptr);
    Capture(main, L"copy-menu-row", Moment::kMenuOpen);
    PressKey(menu, VK_ESCAPE);
    WaitFor([&] { return !IsWindowVisible(menu); });

    HWND pane = FindWindowExW(main, nullptr, L"RecViewWndClass", nullptr);
    HWND box = FindWindowExW(pane, FindWindowExW(pane, nullptr, L"Edit", nullptr), L"Edit", nullptr);
    PostMessageW(box, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(box), MAKELPARAM(-1, -1));
    menu = WaitForTopWindow(program.Id(), L"#32768", nullptr);
    Capture(main, L"copy-menu-pane", Moment::kMenuOpen);
    PressKey(menu, VK_DOWN);  // "Copy Account #", the value the menu was opened on
    PressKey(menu, VK_DOWN);
    PressKey(menu, VK_RETURN);
    WaitFor([&] { return !IsWindowVisible(menu); });
    // Three seconds into the countdown.
    HWND status = GetDlgItem(main, IDC_STATUS);
    WaitFor([&] { return WindowText(status).find(L"cleared in 9 seconds") != std::wstring::npos; });
    Capture(main, L"clipboard-countdown");
    Close(main, program);
}

void RefusalTour() {
    {
        FreshDataFolder data;
        CreateDirectoryW(data.Folder().c_str(), nullptr);
        CxFile older("Quorrel100");
        older.Create(U(data.DatabasePath().c_str()), 128, 1, 0);
        older.Close();
        Program program;
        HWND notice = WaitForDialog(program.Id(), L"Was created by an earlier version of Quorrel");
        Capture(notice, L"earlier-version-notice");
        Click(notice, IDOK);
        program.WaitForExit();
    }
    {
        FreshDataFolder data;
        MakeDatabase(data.DatabasePath(), nullptr, false);
        std::fstream f(data.DatabasePath().c_str(), std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(36 + 20);
        f.write("\x7f\0\0\0", 4);
        f.close();
        Program program;
        HWND message = WaitForDialog(program.Id(), L"is damaged");
        Capture(message, L"damaged-database");
        Press(message, IDOK);
        program.WaitForExit();
    }
}

// Import through the Open dialog with enough records for the progress window
// to show, and the question before a locked export.
void ImportExportTour() {
    FreshDataFolder data;
    MakeDatabase(data.DatabasePath(), u"open sesame", false);
    const std::wstring csv = data.Folder() + L"records.csv";
    {
        std::ofstream out(csv.c_str(), std::ios::binary);
        for (int i = 0; i < 400000; ++i) out << "Garden,Shed " << i << ",code " << i << "\r\n";
    }
    Program program;
    HWND main = MainWindowOf(program);
    HWND question = OpenDialogByCommand(main, program, IDM_EXPORT, L"Do you still want to export?");
    Capture(question, L"export-while-locked");
    Press(question, IDNO);
    WaitFor([&] { return !IsWindow(question); });
    PostMessageW(main, WM_COMMAND, IDM_LOCK, 0);  // unlock
    HWND prompt = WaitForDialog(program.Id(), L"Enter Password");
    SetControlText(prompt, IDC_PASSWORD, L"open sesame");
    Click(prompt, IDOK);
    WaitFor([&] { return !IsWindow(prompt); });
    PostMessageW(main, WM_COMMAND, IDM_IMPORT, 0);
    HWND open = WaitForTopWindow(program.Id(), L"#32770", L"Open");
    Capture(open, L"import-open-dialog");
    SendMessageW(GetDlgItem(open, cmb13), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(csv.c_str()));
    Click(open, IDOK);
    HWND progress = WaitForDialog(program.Id(), L"Importing records");
    Capture(progress, L"import-progress", Moment::kBusy);
    HWND done = WaitForDialog(program.Id(), L"records imported successfully.", std::chrono::minutes(5));
    Capture(done, L"import-done");
    Press(done, IDOK);
    WaitFor([&] { return !IsWindow(done); });
    Capture(main, L"main-after-import");
    Close(main, program);
}

// A database with records and no "No Password" warning, for the dialog tours.
void MakeQuietDatabase(FreshDataFolder& data) {
    {
        TestDatabase db(data.DatabasePath());
        db.Add(u"Bank", {u"First National Bank", u"0123-456789", u"4711"});
        db.Add(u"Web Login", {u"Example Shop", u"https://shop.example.com", u"alice", u"k7#Rt9!mQ2"});
        db.Preferences().showNoPasswordWarning = 0;
    }
}

void DismissAndWait(HWND dialog, int button) {
    Click(dialog, button);
    WaitFor([&] { return !IsWindow(dialog); });
}

void CategoryDialogsTour() {
    FreshDataFolder data;
    MakeQuietDatabase(data);
    Program started;
    Program* program = &started;
    HWND main = MainWindowOf(started);
    HWND chooser = OpenDialogByCommand(main, *program, IDM_CATEGORIES, L"&Delete");
    Capture(chooser, L"category-chooser");
    DismissAndWait(chooser, IDC_NEW_CATEGORY);  // New
    HWND created = WaitForDialog(program->Id(), L"New Category");
    Capture(created, L"category-new");
    DismissAndWait(created, IDCANCEL);
    chooser = WaitForDialog(program->Id(), L"&Delete");
    DismissAndWait(chooser, IDC_EDIT_CATEGORY);  // Edit the first category, "Bank"
    HWND edited = WaitForDialog(program->Id(), L"Edit Category");
    Capture(edited, L"category-edit");
    SendMessageW(GetDlgItem(edited, IDC_CATEGORY_ICON), CB_SHOWDROPDOWN, TRUE, 0);
    Capture(edited, L"category-edit-icons");
    SendMessageW(GetDlgItem(edited, IDC_CATEGORY_ICON), CB_SHOWDROPDOWN, FALSE, 0);
    DismissAndWait(edited, IDCANCEL);
    chooser = WaitForDialog(program->Id(), L"&Delete");
    DismissAndWait(chooser, IDCANCEL);
    Close(main, started);
}

void PreferencesTour() {
    FreshDataFolder data;
    MakeQuietDatabase(data);
    Program started;
    Program* program = &started;
    HWND main = MainWindowOf(started);
    HWND preferences = OpenDialogByCommand(main, *program, IDM_PREFERENCES, L"Auto Lockout");
    Capture(preferences, L"preferences");
    Click(preferences, IDC_EVEN_COLOUR);  // the even-row colour
    HWND palette = WaitForDialog(program->Id(), L"Custom");
    Capture(palette, L"colour-palette");
    Click(palette, IDC_CUSTOM_COLOUR);
    HWND custom = WaitForDialog(program->Id(), L"255");
    Capture(custom, L"colour-custom");
    DismissAndWait(custom, IDCANCEL);
    DismissAndWait(palette, IDCANCEL);
    DismissAndWait(preferences, IDCANCEL);
    Close(main, started);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    outputFolder = argc > 1 ? argv[1] : L".";
    CreateDirectoryW(outputFolder.c_str(), nullptr);
    NewDatabaseTour();
    RecordsWithoutPasswordTour();
    RecordsWithPasswordTour();
    CopyMenuTour();
    RecordEditTour();
    RefusalTour();
    ImportExportTour();
    CategoryDialogsTour();
    PreferencesTour();
    return 0;
}
