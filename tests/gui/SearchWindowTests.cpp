// The search box in the program's own process: the list follows what is
// typed (within the filter box's category), Esc, Enter and Down, the counts in
// the status bar, and protected values searched only while unlocked.
#include "app/MainWindow.h"
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

class SearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("quorrel-search-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(serial++));
        std::filesystem::create_directories(folder);
        path = (folder / "QuorrelDPC.qrb").wstring();
    }

    void TearDown() override {
        CloseMainWindowInProcess(main);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    void Open(bool withPassword) {
        {
            TestDatabase db(path);
            db.Preferences().showNoPasswordWarning = 0;
            db.Preferences().promptPasswordOnOpen = 0;
            db.Add(u"Bank", {u"Alpha Bank", u"111", u"1111", nullptr, nullptr, nullptr, u"alpha note"});
            db.Add(u"Email", {u"Mail", u"me@example.org", u"secret"});
            db.Add(u"Web Login", {u"Zeta site", u"https://zeta.example", u"zed", u"pw"});
            if (withPassword) db.AddPassword(kPassword);
        }
        WipeKey();  // a program starts with no key
        main = OpenMainWindowInProcess(folder, path);
        ASSERT_NE(main, nullptr);
        box = Window().searchBox.hwnd;
        list = Window().List().hwndList;
        ASSERT_NE(box, nullptr);
    }

    // Types the text into the box as keys do, after emptying it.
    void Type(const wchar_t* text) {
        SetFocus(box);
        SendMessageW(box, EM_SETSEL, 0, -1);
        SendMessageW(box, WM_CLEAR, 0, 0);
        for (const wchar_t* c = text; *c; ++c) SendMessageW(box, WM_CHAR, *c, 0);
    }

    // The list's titles once it has followed the box (the pause after the last key).
    std::vector<std::wstring> TitlesAfterPause(size_t expected) {
        PumpUntil([&] { return Titles().size() == expected; }, 3000);
        return Titles();
    }

    std::vector<std::wstring> Titles() {
        std::vector<std::wstring> titles;
        int count = ListView_GetItemCount(list);
        for (int i = 0; i < count; ++i) titles.push_back(W(Window().List().RecordAt(i)->GetField(0).c_str()));
        return titles;
    }

    std::wstring Status() {
        wchar_t text[256] = {};
        SendMessageW(Window().hwndStatus, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
        return text;
    }

    std::wstring Box() {
        wchar_t text[300] = {};
        GetWindowTextW(box, text, 300);
        return text;
    }

    std::wstring PaneTitle() {
        wchar_t text[300] = {};
        GetWindowTextW(Window().recordView->values[0], text, 300);
        return text;
    }

    void ChooseFilter(const wchar_t* name) {
        HWND filter = Window().toolbar.FilterBox();
        auto index = SendMessageW(filter, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name));
        ASSERT_GE(index, 0) << name;
        SendMessageW(filter, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_FILTER, CBN_SELCHANGE), reinterpret_cast<LPARAM>(filter));
        PumpMessages();
    }

    void PressInBox(WPARAM key) {
        SendMessageW(box, WM_KEYDOWN, key, 0);
        PumpMessages();
    }

    void LockCommand() {
        SendMessageW(main, WM_COMMAND, IDM_LOCK, 0);
        PumpMessages();
    }

    inline static int serial = 0;
    std::filesystem::path folder;
    std::wstring path;
    HWND main = nullptr;
    HWND box = nullptr;
    HWND list = nullptr;
};

using TitleList = std::vector<std::wstring>;

TEST_F(SearchTest, TheListFollowsWhatIsTypedWithinTheChosenCategory) {
    Open(false);
    EXPECT_EQ(Status(), L"3 records");
    // Case is ignored; the title and any other value count.
    Type(L"ZE");
    EXPECT_EQ(TitlesAfterPause(1), (TitleList{L"Zeta site"}));
    EXPECT_EQ(Status(), L"1 of 3 records");
    Type(L"example");
    EXPECT_EQ(TitlesAfterPause(2), (TitleList{L"Mail", L"Zeta site"}));
    EXPECT_EQ(Status(), L"2 of 3 records");
    // The first match is selected, and the pane shows it.
    PumpMessages();
    EXPECT_EQ(PaneTitle(), L"Mail");
    Type(L"note");
    EXPECT_EQ(TitlesAfterPause(1), (TitleList{L"Alpha Bank"}));
    PumpMessages();
    EXPECT_EQ(PaneTitle(), L"Alpha Bank");
    // Text that runs across two values matches neither.
    Type(L"sitehttps");
    EXPECT_EQ(TitlesAfterPause(0), TitleList{});
    EXPECT_EQ(Status(), L"0 of 3 records");

    // The filter box and the search narrow together.
    Type(L"example");
    TitlesAfterPause(2);
    ChooseFilter(L"Email");
    EXPECT_EQ(Titles(), (TitleList{L"Mail"}));
    EXPECT_EQ(Status(), L"1 of 1 records");
    EXPECT_EQ(Box(), L"example");
}

TEST_F(SearchTest, EscClearsTheBoxAndEnterOrDownGoToTheFirstMatch) {
    Open(false);
    SendMessageW(main, WM_COMMAND, IDM_FIND, 0);  // Ctrl+F
    EXPECT_EQ(GetFocus(), box);

    struct Case {
        WPARAM key;
        const wchar_t* typed;
        TitleList shown;
    };
    const Case cases[] = {
        {VK_RETURN, L"ma", {L"Mail"}},
        {VK_DOWN, L"zed", {L"Zeta site"}},
    };
    for (const Case& c : cases) {
        Type(c.typed);
        // Pressed at once, within the pause: what was typed counts.
        PressInBox(c.key);
        EXPECT_EQ(Titles(), c.shown) << c.key;
        EXPECT_EQ(GetFocus(), list) << c.key;
        EXPECT_EQ(Window().List().SelectedRow(), 0) << c.key;
        PumpMessages();  // the pane follows the list
        EXPECT_EQ(PaneTitle(), c.shown.front()) << c.key;
        SendMessageW(main, WM_COMMAND, IDM_FIND, 0);
        EXPECT_EQ(GetFocus(), box) << c.key;
    }

    PressInBox(VK_ESCAPE);
    EXPECT_EQ(Box(), L"");
    EXPECT_EQ(Titles().size(), 3u);
    EXPECT_EQ(Status(), L"3 records");
    EXPECT_EQ(GetFocus(), list);
}

TEST_F(SearchTest, ProtectedValuesAreSearchedOnlyWhileUnlocked) {
    Open(true);
    ASSERT_EQ(theSettings->locked, 1);
    const std::wstring lockedNote = L"Protected values were not searched: the data is locked.";

    // Locked: "1111" is a protected value of Alpha Bank, never deciphered;
    // the mask the list shows is no value either.
    for (const wchar_t* text : {L"1111", L"******", L"*"}) {
        Type(text);
        PressInBox(VK_RETURN);
        EXPECT_EQ(Titles(), TitleList{}) << text;
        EXPECT_EQ(Status(), L"0 of 3 records. " + lockedNote) << text;
    }
    // Titles are always in clear.
    Type(L"alpha");
    EXPECT_EQ(TitlesAfterPause(1), (TitleList{L"Alpha Bank"}));

    // Unlocking searches again, into the protected values, with the text kept.
    Type(L"1111");
    PressInBox(VK_RETURN);
    ASSERT_TRUE(Titles().empty());
    {
        WhenWindowOpens prompt(L"#32770", {[](HWND dialog) { AnswerPasswordPrompt(dialog, kPassword); }});
        LockCommand();
    }
    ASSERT_EQ(theSettings->locked, 0);
    EXPECT_EQ(Box(), L"1111");
    EXPECT_EQ(Titles(), (TitleList{L"Alpha Bank"}));
    EXPECT_EQ(Status(), L"1 of 3 records");

    // Locking keeps the text and searches again without the protected values.
    LockCommand();
    ASSERT_EQ(theSettings->locked, 1);
    EXPECT_EQ(Box(), L"1111");
    EXPECT_EQ(Titles(), TitleList{});
    EXPECT_EQ(Status(), L"0 of 3 records. " + lockedNote);
}

}  // namespace
