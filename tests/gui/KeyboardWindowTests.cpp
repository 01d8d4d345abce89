// The main window made in this process, worked from the keyboard: the filter
// box's drop-down, the selection and scroll position across rebuilds, the
// pane's values as keyboard stops, the keys the menus show, the lock display
// after an unlock inside the category dialogs, the password dialogs' limits
// and focus, and the texts the list gives accessibility clients.
#include "app/MainWindow.h"
#include "model/Database.h"
#include "platform/Wide.h"
#include "res/resource.h"
#include "security/Cipher.h"
#include "storage/Settings.h"
#include "tests/gui/InProcessWindow.h"
#include "tests/gui/TestDatabase.h"
#include "views/CRecList.h"
#include "views/CRecView.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr char16_t kPassword[] = u"right password";

class KeyboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("quorrel-keys-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(serial++));
        std::filesystem::create_directories(folder);
        path = (folder / "QuorrelDPC.qrb").wstring();
    }

    void TearDown() override {
        CloseMainWindowInProcess(main);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    // A few records in three categories, and as many more Bank records as
    // asked ("Bank 000" ...), so that the list scrolls.
    void Open(int moreBanks = 0, bool withPassword = false) {
        {
            TestDatabase db(path);
            db.Preferences().showNoPasswordWarning = 0;
            db.Preferences().promptPasswordOnOpen = 0;
            db.Add(u"Email", {u"Mail", u"me@example.org", u"secret"});
            db.Add(u"Web Login", {u"Zeta site", u"https://zeta.example", u"zed", u"pw-z", nullptr, nullptr,
                                  u"line 1\r\nline 2\r\nline 3\r\nline 4\r\nline 5\r\nline 6\r\nline 7\r\nline 8"});
            for (int i = 0; i < moreBanks; ++i) {
                std::u16string title = u"Bank " + std::u16string(U(std::to_wstring(1000 + i).substr(1).c_str()));
                db.Add(u"Bank", {title.c_str(), u"111", u"1111"});
            }
            if (withPassword) db.AddPassword(kPassword);
        }
        WipeKey();  // a program starts with no key
        main = OpenMainWindowInProcess(folder, path);
        ASSERT_NE(main, nullptr);
        list = Window().List().hwndList;
    }

    CRecList& List() { return Window().List(); }
    int Rows() { return ListView_GetItemCount(list); }
    int Selected() { return List().SelectedRow(); }
    std::wstring Title(int row) {
        CRecord* record = List().RecordAt(row);
        return record ? W(record->GetField(0).c_str()) : L"";
    }
    std::wstring PaneValue(int box) {
        wchar_t text[300] = {};
        GetWindowTextW(Window().recordView->values[box], text, 300);
        return text;
    }
    bool InView(int row) {
        int top = ListView_GetTopIndex(list);
        return row >= top && row < top + ListView_GetCountPerPage(list);
    }
    void Select(int row) {
        ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(list, row, FALSE);
        PumpMessages();
    }
    void Command(int id) {
        SendMessageW(main, WM_COMMAND, id, 0);
        PumpMessages();
    }

    inline static int serial = 0;
    std::filesystem::path folder;
    std::wstring path;
    HWND main = nullptr;
    HWND list = nullptr;
};

// Alt+Down opens the filter box's list; the arrow keys look through it
// without applying anything; Esc closes it unchanged; Enter applies the
// category shown. The keyboard stays in the box throughout.
TEST_F(KeyboardTest, TheFilterDropDownAppliesOnlyTheChoiceItClosesWith) {
    Open(2);
    HWND filter = Window().toolbar.FilterBox();
    SetFocus(filter);
    auto inFilter = [&] { return GetFocus() == filter || IsChild(filter, GetFocus()); };
    auto shown = [&] {
        wchar_t text[64] = {};
        GetWindowTextW(filter, text, 64);
        return std::wstring(text);
    };
    ASSERT_EQ(Rows(), 4);

    SendMessageW(filter, CB_SHOWDROPDOWN, TRUE, 0);  // Alt+Down
    PressKeys(filter, {VK_DOWN, VK_DOWN});
    EXPECT_TRUE(SendMessageW(filter, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(Rows(), 4);  // nothing applied while looking
    EXPECT_TRUE(inFilter());
    PressKeys(filter, {VK_ESCAPE});
    EXPECT_FALSE(SendMessageW(filter, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(Rows(), 4);
    EXPECT_EQ(shown(), L"All");
    EXPECT_TRUE(inFilter());

    SendMessageW(filter, CB_SHOWDROPDOWN, TRUE, 0);
    PressKeys(filter, {VK_DOWN});  // "Bank", the first category
    EXPECT_EQ(Rows(), 4);
    PressKeys(filter, {VK_RETURN});
    EXPECT_FALSE(SendMessageW(filter, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(shown(), L"Bank");
    EXPECT_EQ(Rows(), 2);
    EXPECT_TRUE(inFilter());
    // In the closed box an arrow key chooses at once, as in any such box.
    PressKeys(filter, {VK_UP});
    EXPECT_EQ(shown(), L"All");
    EXPECT_EQ(Rows(), 4);
    EXPECT_TRUE(inFilter());
}

// Lock, unlock, an edit, a new record and a delete rebuild the list: the
// record the user works on stays selected and in view, the rest where it was.
TEST_F(KeyboardTest, TheSelectionAndTheScrollPositionOutliveEveryRebuild) {
    Open(80, true);
    ASSERT_EQ(Rows(), 82);
    Select(60);
    int top = ListView_GetTopIndex(list);
    ASSERT_GT(top, 0);
    const std::wstring chosen = Title(60);

    {
        WhenWindowOpens prompt(L"#32770", {[](HWND dialog) { AnswerPasswordPrompt(dialog, kPassword); }});
        Command(IDM_LOCK);  // unlock
    }
    ASSERT_EQ(theSettings->locked, 0);
    EXPECT_EQ(Title(Selected()), chosen);
    EXPECT_EQ(ListView_GetTopIndex(list), top);
    EXPECT_EQ(PaneValue(1), L"111");
    Command(IDM_LOCK);  // lock
    EXPECT_EQ(Title(Selected()), chosen);
    EXPECT_EQ(ListView_GetTopIndex(list), top);
    EXPECT_EQ(PaneValue(1), L"******");
    {
        WhenWindowOpens prompt(L"#32770", {[](HWND dialog) { AnswerPasswordPrompt(dialog, kPassword); }});
        Command(IDM_LOCK);
    }

    // An edited record that moves far away in the order is followed there.
    {
        WhenWindowOpens edit(L"#32770", {[](HWND dialog) {
                                 SetDlgItemTextW(dialog, IDC_FIELD1, L"Aardvark bank");
                                 SendMessageW(dialog, WM_COMMAND, IDOK, 0);
                             }});
        Command(IDM_EDIT_RECORD);
    }
    EXPECT_EQ(Title(Selected()), L"Aardvark bank");
    EXPECT_TRUE(InView(Selected()));

    // A new record far from the rows in view is selected and brought into view.
    Select(75);
    {
        WhenWindowOpens added(L"#32770", {[](HWND dialog) {
                                  SetDlgItemTextW(dialog, IDC_FIELD1, L"Bank 020a");
                                  SendMessageW(dialog, WM_COMMAND, IDOK, 0);
                              }});
        Command(IDM_NEW_RECORD);
    }
    ASSERT_EQ(Rows(), 83);
    EXPECT_EQ(Title(Selected()), L"Bank 020a");
    EXPECT_TRUE(InView(Selected()));
    EXPECT_EQ(PaneValue(0), L"Bank 020a");

    // After a delete the row that took its place is selected; after the last
    // row's, the new last one.
    struct Deleted {
        int row, takesItsPlace;
    };
    for (Deleted d : {Deleted{40, 41}, Deleted{81, 80}}) {
        Select(d.row);
        std::wstring next = Title(d.takesItsPlace);
        WhenWindowOpens confirm(L"#32770", {[](HWND box) { SendMessageW(box, WM_COMMAND, IDYES, 0); }});
        Command(IDM_DELETE_RECORD);
        EXPECT_EQ(Title(Selected()), next) << d.row;
        EXPECT_EQ(PaneValue(0), next) << d.row;
    }
    EXPECT_EQ(Rows(), 81);
}

// Tab goes through every value the pane shows, each a read-only box whose
// text is selected, then on round the toolbar's boxes and the list; F6 goes
// round the areas only. The note scrolls from the keyboard.
TEST_F(KeyboardTest, EveryValueOfThePaneIsAKeyboardStop) {
    Open();
    Select(1);  // "Zeta site", with a long note
    ASSERT_EQ(Title(1), L"Zeta site");
    SetFocus(list);
    HWND* boxes = Window().recordView->values;
    for (int i = 0; i < 7; ++i) {
        PressKeys(GetFocus(), {VK_TAB});
        ASSERT_EQ(GetFocus(), boxes[i]) << i;
        EXPECT_TRUE(GetWindowLongW(boxes[i], GWL_STYLE) & ES_READONLY);
        DWORD start = 0, end = 0;
        SendMessageW(boxes[i], EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(end, static_cast<DWORD>(GetWindowTextLengthW(boxes[i]))) << i;
    }
    PressKeys(GetFocus(), {VK_TAB});
    EXPECT_EQ(GetFocus(), Window().toolbar.FilterBox());
    PressKeys(GetFocus(), {VK_TAB, VK_TAB});
    EXPECT_EQ(GetFocus(), list);
    PressKeys(GetFocus(), {VK_F6});
    EXPECT_EQ(GetFocus(), boxes[0]);
    PressKeys(GetFocus(), {VK_F6});
    EXPECT_EQ(GetFocus(), Window().toolbar.FilterBox());

    // The note's lines come into view from the keyboard, up and down.
    SetFocus(boxes[6]);
    PressKeys(boxes[6], {VK_PRIOR, VK_PRIOR});
    EXPECT_EQ(SendMessageW(boxes[6], EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    PressKeys(boxes[6], {VK_NEXT, VK_NEXT});
    EXPECT_GT(SendMessageW(boxes[6], EM_GETFIRSTVISIBLELINE, 0, 0), 0);
}

// Each shortcut shows in the menu after its item's text, and the lock
// item keeps its key when its text follows the lock state.
TEST_F(KeyboardTest, MenuItemsShowTheirKeys) {
    Open(0, true);
    auto menuText = [&](int id) {
        wchar_t text[128] = {};
        GetMenuStringW(GetMenu(main), static_cast<UINT>(id), text, 128, MF_BYCOMMAND);
        std::wstring all = text;
        size_t tab = all.find(L'\t');
        return tab == std::wstring::npos ? std::wstring() : all.substr(tab + 1);
    };
    // Every accelerator's key, as its command's menu item names it.
    HACCEL table = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDA_MAIN));
    ASSERT_NE(table, nullptr);
    ACCEL keys[16];
    int count = CopyAcceleratorTableW(table, keys, 16);
    ASSERT_GT(count, 0);
    for (int i = 0; i < count; ++i) {
        ASSERT_TRUE(keys[i].fVirt & FCONTROL);
        std::wstring expected = L"Ctrl+" + std::wstring(1, static_cast<wchar_t>(keys[i].key));
        EXPECT_EQ(menuText(keys[i].cmd), expected) << keys[i].cmd;
    }
    // The record list's own keys.
    EXPECT_EQ(menuText(IDM_EDIT_RECORD), L"Enter");
    EXPECT_EQ(menuText(IDM_DELETE_RECORD), L"Del");
    // The lock item's text changes with the lock state; its key stays.
    EXPECT_EQ(menuText(IDM_LOCK), L"Ctrl+L");
    {
        WhenWindowOpens prompt(L"#32770", {[](HWND dialog) { AnswerPasswordPrompt(dialog, kPassword); }});
        Command(IDM_LOCK);
    }
    ASSERT_EQ(theSettings->locked, 0);
    EXPECT_EQ(menuText(IDM_LOCK), L"Ctrl+L");
}

// An unlock asked for inside the category dialogs (switching a category's
// protection while locked) shows at once, while the chooser is still open.
TEST_F(KeyboardTest, AnUnlockInsideTheCategoryDialogsShowsAtOnce) {
    Open(1, true);
    Select(1);  // "Mail", a protected record of another category
    ASSERT_EQ(Title(1), L"Mail");
    ASSERT_EQ(PaneValue(2), L"******");
    LRESULT padlock = -1;
    std::wstring shownValue;
    {
        WhenWindowOpens dialogs(
            L"#32770",
            {[](HWND chooser) { SendMessageW(chooser, WM_COMMAND, MAKEWPARAM(IDC_EDIT_CATEGORY, BN_CLICKED), 0); },
             [](HWND edit) {  // "Bank": protection off, which needs the password
                 CheckDlgButton(edit, IDC_PROTECT_CATEGORY, BST_UNCHECKED);
                 SendMessageW(edit, WM_COMMAND, IDOK, 0);
             },
             [](HWND prompt) { AnswerPasswordPrompt(prompt, kPassword); },
             [&](HWND chooser) {
                 padlock = SendMessageW(Window().toolbar.hwnd, TB_GETBITMAP, IDM_LOCK, 0);
                 shownValue = PaneValue(2);
                 SendMessageW(chooser, WM_COMMAND, IDCANCEL, 0);
             }});
        Command(IDM_CATEGORIES);
    }
    EXPECT_EQ(padlock, TOOLBAR_IMAGE_UNLOCKED);
    EXPECT_EQ(shownValue, L"secret");
}

// Password edits stop taking characters at 31, the length of a password;
// a mistake in Change Password puts the focus in the edit that holds it.
TEST_F(KeyboardTest, PasswordEditsStopAtTheLongestPasswordAndTheFocusGoesToTheMistake) {
    Open(0, true);
    struct Typed {
        const wchar_t* old;
        const wchar_t* fresh;
        const wchar_t* confirmed;
        int mistakeIn;
    };
    const Typed cases[] = {
        {L"wrong password", L"new password", L"new password", IDC_OLD_PASSWORD},
        {W(kPassword), L"new password", L"new passwort", IDC_CONFIRM_PASSWORD},
        {W(kPassword), L"abc", L"abc", IDC_NEW_PASSWORD},
    };
    for (const Typed& c : cases) {
        int focusedId = 0;
        DWORD selectedEnd = 0;
        int lengths[3] = {};
        WhenWindowOpens dialogs(
            L"#32770",
            {[&](HWND dialog) {
                 // 32 characters typed into each edit: 31 stay.
                 const int edits[] = {IDC_OLD_PASSWORD, IDC_NEW_PASSWORD, IDC_CONFIRM_PASSWORD};
                 for (int i = 0; i < 3; ++i) {
                     HWND edit = GetDlgItem(dialog, edits[i]);
                     for (int n = 0; n < 32; ++n) SendMessageW(edit, WM_CHAR, L'a' + n % 26, 1);
                     lengths[i] = GetWindowTextLengthW(edit);
                 }
                 SetDlgItemTextW(dialog, IDC_OLD_PASSWORD, c.old);
                 SetDlgItemTextW(dialog, IDC_NEW_PASSWORD, c.fresh);
                 SetDlgItemTextW(dialog, IDC_CONFIRM_PASSWORD, c.confirmed);
                 // Enter in the confirmation field, as a user ends typing.
                 SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_CONFIRM_PASSWORD)),
                              TRUE);
                 PostMessageW(dialog, WM_COMMAND, IDOK, 0);
             },
             [](HWND message) { PostMessageW(message, WM_COMMAND, IDOK, 0); },
             [&](HWND dialog) {
                 // The dialog is active again once the message box has gone.
                 PumpUntil([&] { return GetFocus() && IsChild(dialog, GetFocus()); }, 3000);
                 HWND focus = GetFocus();
                 focusedId = GetDlgCtrlID(focus);
                 SendMessageW(focus, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&selectedEnd));
                 SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
             }});
        Command(IDM_PASSWORD);
        for (int length : lengths) EXPECT_EQ(length, 31) << c.mistakeIn;
        EXPECT_EQ(focusedId, c.mistakeIn);
        EXPECT_GT(selectedEnd, 0u) << c.mistakeIn;  // its text selected, ready to be typed again
    }
}

// The owner-drawn list keeps no texts of its own, yet answers accessibility
// clients with every cell's: the category for the icon column, the values as
// shown ("******" for protected values while locked).
TEST_F(KeyboardTest, TheListGivesEveryCellsTextToAccessibilityClients) {
    Open(1, true);
    auto cell = [&](int row, int column) {
        wchar_t text[128] = L"unchanged";
        LVITEMW item = {};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = 128;
        SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        return std::wstring(text);
    };
    ASSERT_EQ(Title(0), L"Bank 000");
    EXPECT_EQ(cell(0, 0), L"Bank");
    EXPECT_EQ(cell(0, 1), L"Bank 000");
    EXPECT_EQ(cell(0, 2), L"******");
    EXPECT_EQ(cell(2, 0), L"Web Login");
    EXPECT_EQ(cell(2, 1), L"Zeta site");  // the title is always in clear
    EXPECT_EQ(cell(2, 2), L"******");
    {
        WhenWindowOpens prompt(L"#32770", {[](HWND dialog) { AnswerPasswordPrompt(dialog, kPassword); }});
        Command(IDM_LOCK);
    }
    EXPECT_EQ(cell(0, 2), L"111");
    EXPECT_EQ(cell(0, 3), L"1111");
    EXPECT_EQ(cell(2, 2), L"https://zeta.example");
    EXPECT_EQ(cell(2, 6), L"");
}

// Every toolbar button and both boxes have a name, which their tool tips give.
TEST_F(KeyboardTest, ToolbarButtonsAndBoxesHaveNames) {
    Open();
    HWND toolbar = Window().toolbar.hwnd;
    auto buttons = static_cast<int>(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0));
    int named = 0;
    for (int i = 0; i < buttons; ++i) {
        TBBUTTON button = {};
        SendMessageW(toolbar, TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&button));
        if (button.fsStyle & BTNS_SEP) continue;
        NMTTDISPINFOW request = {};
        request.hdr.hwndFrom = reinterpret_cast<HWND>(SendMessageW(toolbar, TB_GETTOOLTIPS, 0, 0));
        request.hdr.idFrom = static_cast<UINT_PTR>(button.idCommand);
        request.hdr.code = TTN_GETDISPINFOW;
        SendMessageW(main, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&request));
        EXPECT_TRUE(request.lpszText && request.lpszText[0]) << button.idCommand;
        ++named;
    }
    EXPECT_EQ(named, 5);
    HWND tips = reinterpret_cast<HWND>(SendMessageW(toolbar, TB_GETTOOLTIPS, 0, 0));
    for (HWND box : {Window().toolbar.FilterBox(), Window().searchBox.hwnd}) {
        wchar_t text[256] = {};
        TOOLINFOW tool = {};
        tool.cbSize = sizeof tool;
        tool.hwnd = toolbar;
        tool.uId = reinterpret_cast<UINT_PTR>(box);
        tool.lpszText = text;
        SendMessageW(tips, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
        EXPECT_NE(std::wstring(text), L"") << GetDlgCtrlID(box);
    }
}

}  // namespace
