// Secrets in use inside the program's own process, where the cipher's test
// hook and the menus can be read: the key leaves memory at every lock, at
// password removal and at exit, and comes back only with a right password;
// the session lock and suspend cancel an open record dialog; the copy menus
// offer what the user expects.
#include "app/MainWindow.h"
#include "platform/Wide.h"
#include "dialogs/framework/CqrDialog.h"
#include "model/win32/DataFolder.h"
#include "model/Database.h"
#include "res/resource.h"
#include "security/Cipher.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"
#include "tests/gui/InProcessWindow.h"
#include "tests/gui/TestDatabase.h"
#include "views/CRecList.h"
#include "views/CRecView.h"
#include "views/CSplitter.h"
#include "views/CopyMenu.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <wtsapi32.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr char16_t kPassword[] = u"right password";

void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Ends a dialog still open after the lock had its chance, as a failure
// instead of a hang.
class EndDialogLater {
public:
    EndDialogLater() { timer = SetTimer(nullptr, 0, 5000, End); }
    ~EndDialogLater() { KillTimer(nullptr, timer); }

private:
    static void CALLBACK End(HWND, UINT, UINT_PTR, DWORD) {
        if (HWND open = GetActiveWindow(); open && open != Window().hwnd) EndDialog(open, IDABORT);
    }
    UINT_PTR timer = 0;
};


// A dialog that the lock must cancel, as the record edit dialog is.
class LockCancelledDialog : public CqrDialog {
public:
    LockCancelledDialog() : CqrDialog(IDD_RECORD_EDIT, L"Records.html") { closesOnLock = true; }
};

// What a popup menu shows: its items' texts, and the default item's.
struct MenuSeen {
    bool opened = false;
    std::vector<std::wstring> items;
    std::wstring defaultItem;
};

class SecretsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("quorrel-secrets-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(serial++));
        std::filesystem::create_directories(folder);
        path = (folder / "QuorrelDPC.qrb").wstring();
    }

    void MakeDatabase(bool withPassword) {
        TestDatabase db(path);
        db.Preferences().showNoPasswordWarning = 0;
        db.Preferences().promptPasswordOnOpen = 0;
        db.Add(u"Bank", {u"Alpha Bank", u"111", u"1111", u"no label", nullptr, nullptr, u"alpha note"});
        db.Add(u"Email", {u"Mail", u"me@example.org", u"secret"});
        if (withPassword) db.AddPassword(kPassword);
    }

    void OpenWindow() {
        // A program starts with no key: making the database here installed one.
        WipeKey();
        main = OpenMainWindowInProcess(folder, path);
        ASSERT_NE(main, nullptr);
    }

    void TearDown() override {
        CloseMainWindowInProcess(main);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    // Unlocks through the unlock command and its password prompt.
    void Unlock() {
        WhenWindowOpens prompt(L"#32770", {[](HWND dialog) { AnswerPasswordPrompt(dialog, kPassword); }});
        SendMessageW(main, WM_COMMAND, IDM_LOCK, 0);
        Pump();
        ASSERT_EQ(theSettings->locked, 0);
    }

    std::wstring PaneValue(int row) {
        wchar_t text[300] = {};
        GetWindowTextW(Window().recordView->values[row], text, 300);
        return text;
    }

    // Sends the context menu message and reads the menu that opens, then closes it.
    MenuSeen MenuOf(HWND window, POINT screen) {
        MenuSeen seen;
        WhenWindowOpens reader(L"#32768", {[&seen](HWND popup) {
            seen.opened = true;
            auto menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
            for (int i = 0; i < GetMenuItemCount(menu); ++i) {
                wchar_t text[80] = {};
                GetMenuStringW(menu, static_cast<UINT>(i), text, 80, MF_BYPOSITION);
                seen.items.push_back(text);
            }
            UINT defaultId = GetMenuDefaultItem(menu, FALSE, 0);
            if (defaultId != static_cast<UINT>(-1)) {
                wchar_t text[80] = {};
                GetMenuStringW(menu, defaultId, text, 80, MF_BYCOMMAND);
                seen.defaultItem = text;
            }
            EndMenu();
        }});
        SendMessageW(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), MAKELPARAM(screen.x, screen.y));
        Pump();
        return seen;
    }

    inline static int serial = 0;
    std::filesystem::path folder;
    std::wstring path;
    HWND main = nullptr;
};

TEST_F(SecretsWindowTest, EveryLockWipesTheKeyAndOnlyTheRightPasswordInstallsItAgain) {
    MakeDatabase(true);
    OpenWindow();
    EXPECT_TRUE(MasterCipherIsZero());  // locked from the start, no key yet
    EXPECT_EQ(PaneValue(1), L"******");

    struct Case {
        const char* name;
        UINT message;
        WPARAM wParam;
        bool cancelsRecordDialog;
    };
    const Case cases[] = {
        {"lock command", WM_COMMAND, IDM_LOCK, false},
        {"inactivity", WM_TIMER, kLockTimerId, true},
        {"session lock", WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, true},
        {"user switch", WM_WTSSESSION_CHANGE, WTS_CONSOLE_DISCONNECT, true},
        {"suspend", WM_POWERBROADCAST, PBT_APMSUSPEND, true},
    };
    for (const Case& c : cases) {
        Unlock();
        EXPECT_TRUE(KeyInstalled()) << c.name;
        EXPECT_FALSE(MasterCipherIsZero()) << c.name;
        EXPECT_EQ(PaneValue(1), L"111") << c.name;
        if (c.cancelsRecordDialog) {
            // The lock arrives while the record dialog runs its modal loop.
            LockCancelledDialog dialog;
            PostMessageW(main, c.message, c.wParam, 0);
            EndDialogLater safety;
            EXPECT_EQ(dialog.Run(main), IDCANCEL) << c.name;
            EXPECT_FALSE(CqrDialog::AnyOpenThatClosesOnLock()) << c.name;
        } else {
            SendMessageW(main, c.message, c.wParam, 0);
        }
        Pump();
        EXPECT_EQ(theSettings->locked, 1) << c.name;
        EXPECT_FALSE(KeyInstalled()) << c.name;
        EXPECT_TRUE(MasterCipherIsZero()) << c.name;
        EXPECT_EQ(PaneValue(1), L"******") << c.name;
    }

    // A wrong password installs nothing.
    WhenWindowOpens wrong(L"#32770", {[](HWND dialog) { AnswerPasswordPrompt(dialog, u"wrong password"); },
                                      [](HWND question) { SendMessageW(question, WM_COMMAND, IDNO, 0); }});
    SendMessageW(main, WM_COMMAND, IDM_LOCK, 0);
    Pump();
    EXPECT_EQ(theSettings->locked, 1);
    EXPECT_TRUE(MasterCipherIsZero());

    Unlock();
    DestroyWindow(main);  // exit
    main = nullptr;
    EXPECT_TRUE(MasterCipherIsZero());
}

TEST_F(SecretsWindowTest, RemovingThePasswordWipesTheKey) {
    MakeDatabase(true);
    OpenWindow();
    Unlock();
    ASSERT_FALSE(MasterCipherIsZero());
    WhenWindowOpens change(L"#32770", {[](HWND dialog) {
                               SetDlgItemTextW(dialog, IDC_OLD_PASSWORD, W(kPassword));
                               SendMessageW(dialog, WM_COMMAND, IDOK, 0);  // new ones left empty: remove
                           }});
    SendMessageW(main, WM_COMMAND, IDM_PASSWORD, 0);
    Pump();
    EXPECT_FALSE(HasPassword());
    EXPECT_TRUE(MasterCipherIsZero());
    EXPECT_EQ(PaneValue(1), L"111");  // deciphered for good
}

TEST_F(SecretsWindowTest, APasswordAddedWhileLockedLeavesNoKeyBehind) {
    MakeDatabase(false);
    OpenWindow();
    ASSERT_EQ(theSettings->locked, 1);  // a start without a password is locked too
    WhenWindowOpens add(L"#32770", {[](HWND dialog) {
                            SetDlgItemTextW(dialog, IDC_NEW_PASSWORD, W(kPassword));
                            SetDlgItemTextW(dialog, IDC_CONFIRM_PASSWORD, W(kPassword));
                            SendMessageW(dialog, WM_COMMAND, IDOK, 0);
                        }});
    SendMessageW(main, WM_COMMAND, IDM_PASSWORD, 0);
    Pump();
    EXPECT_TRUE(HasPassword());
    EXPECT_TRUE(MasterCipherIsZero());
    EXPECT_EQ(PaneValue(1), L"******");
    Unlock();
    EXPECT_EQ(PaneValue(1), L"111");
}

TEST_F(SecretsWindowTest, CopyMenusOfferEveryNonEmptyValueByItsLabel) {
    MakeDatabase(false);
    OpenWindow();
    // A label of its own with "&" shows as typed; a field without a label is named by its place.
    CCategory* bank = Window().recordList->categories.FindByName(u"Bank");
    CopyBounded(bank->fieldLabel[1], u"Account & Sort", 31);
    HWND list = Window().recordList->hwndList;
    MenuSeen fromKeyboard = MenuOf(list, {-1, -1});
    ASSERT_TRUE(fromKeyboard.opened);
    EXPECT_EQ(fromKeyboard.items, (std::vector<std::wstring>{L"Copy Bank", L"Copy Account && Sort", L"Copy PIN",
                                                             L"Copy Field 4", L"Copy Note"}));
    EXPECT_EQ(fromKeyboard.defaultItem, L"");

    // On a row under the pointer: that row's record.
    RECT row = {};
    row.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
    POINT onRow = {row.left + 40, (row.top + row.bottom) / 2};
    ClientToScreen(list, &onRow);
    EXPECT_EQ(MenuOf(list, onRow).items,
              (std::vector<std::wstring>{L"Copy Service", L"Copy User Name", L"Copy Password"}));

    // Below the last row there is no record and no menu.
    RECT client;
    GetClientRect(list, &client);
    POINT below = {client.right / 2, client.bottom - 5};
    ClientToScreen(list, &below);
    EXPECT_FALSE(MenuOf(list, below).opened);

    // On a value of the pane: that value is the default item.
    HWND pin = Window().recordView->values[2];
    ASSERT_EQ(PaneValue(0), L"Alpha Bank");
    MenuSeen fromPane = MenuOf(pin, {-1, -1});
    EXPECT_EQ(fromPane.items.size(), 5u);
    EXPECT_EQ(fromPane.defaultItem, L"Copy PIN");
}

}  // namespace

namespace {

// Whether the inactivity timer runs; stops it, so that it is seen anew.
bool LockTimerRan(HWND main) { return KillTimer(main, kLockTimerId) != FALSE; }

// However the data is unlocked, the inactivity timer starts: a user who
// unlocks for one edit or copy and walks away is locked out again.
TEST_F(SecretsWindowTest, EveryWayOfUnlockingStartsTheInactivityTimer) {
    MakeDatabase(true);
    OpenWindow();
    // New records go into the protected category shown.
    Window().ShowCategory(Window().Database().categories.FindByName(u"Bank")->id);
    Pump();
    auto answer = [](HWND prompt) { AnswerPasswordPrompt(prompt, kPassword); };
    auto pressOk = [](HWND dialog) { SendMessageW(dialog, WM_COMMAND, IDOK, 0); };
    struct Case {
        const char* name;
        std::function<void()> start;
        std::vector<std::function<void(HWND)>> then;  // on each dialog as it opens
    };
    const Case cases[] = {
        {"the lock command", [&] { SendMessageW(main, WM_COMMAND, IDM_LOCK, 0); }, {answer}},
        {"Edit Record", [&] { SendMessageW(main, WM_COMMAND, IDM_EDIT_RECORD, 0); }, {answer, pressOk}},
        {"OK in New Record",
         [&] { SendMessageW(main, WM_COMMAND, IDM_NEW_RECORD, 0); },
         {[](HWND record) {
              SetDlgItemTextW(record, IDC_FIELD1, L"Beta Bank");
              // The new record stays selected: the copy below takes this value.
              SetDlgItemTextW(record, IDC_FIELD2, L"beta");
              SendMessageW(record, WM_COMMAND, IDOK, 0);
          },
          answer}},
        {"a copy", [&] { SendMessageW(Window().recordView->values[1], WM_COPY, 0, 0); }, {answer}},
        {"a protection switch",
         [&] { SendMessageW(main, WM_COMMAND, IDM_CATEGORIES, 0); },
         {[](HWND chooser) { SendMessageW(chooser, WM_COMMAND, IDC_EDIT_CATEGORY, 0); },
          [](HWND edit) {
              CheckDlgButton(edit, IDC_PROTECT_CATEGORY, BST_UNCHECKED);
              SendMessageW(edit, WM_COMMAND, IDOK, 0);
          },
          answer, [](HWND chooser) { SendMessageW(chooser, WM_COMMAND, IDCANCEL, 0); }}},
    };
    for (const Case& c : cases) {
        if (!theSettings->locked) SendMessageW(main, WM_COMMAND, IDM_LOCK, 0);
        Pump();
        ASSERT_EQ(theSettings->locked, 1) << c.name;
        LockTimerRan(main);
        {
            WhenWindowOpens dialogs(L"#32770", c.then);
            c.start();
            Pump();
        }
        EXPECT_EQ(theSettings->locked, 0) << c.name;
        EXPECT_TRUE(LockTimerRan(main)) << c.name;
    }
}

}  // namespace
