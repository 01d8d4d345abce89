// The main window made in this process, so that its menu, list and pane can
// be read directly: columns and labels per filter, sorting, the pane
// following the selection, the lock display and the layout limits.
#include "app/Commands.h"
#include "app/MainWindow.h"
#include "platform/Wide.h"
#include "model/win32/DataFolder.h"
#include "model/Database.h"
#include "model/Protection.h"
#include "res/resource.h"
#include "security/Cipher.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"
#include "views/CRecList.h"
#include "views/CRecView.h"
#include "views/CSplitter.h"
#include "tests/gui/InProcessWindow.h"
#include "tests/gui/TestDatabase.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("quorrel-window-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(serial++));
        std::filesystem::create_directories(folder);
        path = (folder / "QuorrelDPC.qrb").wstring();
    }

    // Makes the database with these records before the window opens.
    void MakeDatabase(const std::vector<std::pair<const char16_t*, std::vector<const char16_t*>>>& rows) {
        TestDatabase db(path);
        db.Preferences().showNoPasswordWarning = 0;
        for (const auto& [category, values] : rows) db.Add(category, values);
    }

    void OpenWindow() {
        main = OpenMainWindowInProcess(folder, path);
        ASSERT_NE(main, nullptr);
    }

    void TearDown() override {
        CloseMainWindowInProcess(main);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    CRecList& List() { return *Window().recordList; }

    std::vector<std::wstring> ColumnTitles() {
        std::vector<std::wstring> titles;
        HWND header = ListView_GetHeader(List().hwndList);
        int count = Header_GetItemCount(header);
        for (int i = 0; i < count; ++i) {
            wchar_t text[64] = {};
            HDITEMW item = {};
            item.mask = HDI_TEXT;
            item.pszText = text;
            item.cchTextMax = 64;
            Header_GetItem(header, i, &item);
            titles.push_back(text);
        }
        return titles;
    }

    std::vector<std::wstring> RowTitles() {
        std::vector<std::wstring> titles;
        int count = ListView_GetItemCount(List().hwndList);
        for (int i = 0; i < count; ++i) titles.push_back(W(List().RecordAt(i)->GetField(0).c_str()));
        return titles;
    }

    std::vector<std::wstring> Pane() {
        std::vector<std::wstring> values;
        for (HWND box : Window().recordView->values) {
            wchar_t text[300] = {};
            if (IsWindowVisible(box)) GetWindowTextW(box, text, 300);
            values.push_back(text);
        }
        return values;
    }

    std::vector<std::wstring> PaneLabels() {
        std::vector<std::wstring> labels;
        for (HWND label : Window().recordView->labels) {
            wchar_t text[64] = {};
            GetWindowTextW(label, text, 64);
            labels.push_back(text);
        }
        return labels;
    }

    void ChooseFilter(const wchar_t* name) {
        HWND filter = GetDlgItem(Window().toolbar.hwnd, IDC_FILTER);
        auto index = SendMessageW(filter, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name));
        ASSERT_GE(index, 0) << name;
        SendMessageW(filter, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_FILTER, CBN_SELCHANGE), reinterpret_cast<LPARAM>(filter));
        Pump();
    }

    void Select(int row) {
        ListView_SetItemState(List().hwndList, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        Pump();
    }

    std::wstring MenuText(int command) {
        wchar_t text[64] = {};
        GetMenuStringW(GetMenu(main), static_cast<UINT>(command), text, 64, MF_BYCOMMAND);
        return text;
    }

    bool MenuEnabled(int command) {
        return !(GetMenuState(GetMenu(main), static_cast<UINT>(command), MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED));
    }

    bool ButtonEnabled(int command) {
        return SendMessageW(Window().toolbar.hwnd, TB_ISBUTTONENABLED, static_cast<WPARAM>(command), 0) != 0;
    }

    inline static int serial = 0;
    std::filesystem::path folder;
    std::wstring path;
    HWND main = nullptr;
};

const std::vector<std::pair<const char16_t*, std::vector<const char16_t*>>> kRecords = {
    {u"Web Login", {u"zeta.example", u"https://zeta.example", u"zed", u"pw-z"}},
    {u"Bank", {u"Beta Bank", u"222", u"2222"}},
    {u"Bank", {u"Alpha Bank", u"111", u"1111", nullptr, nullptr, nullptr, u"alpha note"}},
    {u"Email", {u"Mail", u"me@example.org", u"secret"}},
};

TEST_F(MainWindowTest, ColumnsAndLabelsFollowTheFilter) {
    MakeDatabase(kRecords);
    OpenWindow();
    EXPECT_EQ(ColumnTitles(), (std::vector<std::wstring>{L" ", L"Field 1", L"Field 2", L"Field 3", L"Field 4",
                                                         L"Field 5", L"Field 6"}));
    EXPECT_EQ(RowTitles(), (std::vector<std::wstring>{L"Alpha Bank", L"Beta Bank", L"Mail", L"zeta.example"}));

    ChooseFilter(L"Bank");
    EXPECT_EQ(ColumnTitles(),
              (std::vector<std::wstring>{L" ", L"Bank", L"Account #", L"PIN", L"", L"", L""}));
    EXPECT_EQ(RowTitles(), (std::vector<std::wstring>{L"Alpha Bank", L"Beta Bank"}));
    EXPECT_EQ(PaneLabels(), (std::vector<std::wstring>{L"Bank", L"Account #", L"PIN", L"", L"", L"", L"Note"}));

    ChooseFilter(L"Voice Mail");
    EXPECT_TRUE(RowTitles().empty());
    EXPECT_FALSE(MenuEnabled(IDM_EDIT_RECORD));  // nothing selected: no edit or delete
    EXPECT_FALSE(ButtonEnabled(IDM_DELETE_RECORD));
    EXPECT_EQ(Pane(), std::vector<std::wstring>(7));  // an empty pane

    ChooseFilter(L"All");
    EXPECT_EQ(RowTitles().size(), 4u);
    EXPECT_TRUE(MenuEnabled(IDM_EDIT_RECORD));
    EXPECT_TRUE(ButtonEnabled(IDM_DELETE_RECORD));
}

TEST_F(MainWindowTest, ThePaneFollowsTheSelection) {
    MakeDatabase(kRecords);
    OpenWindow();
    EXPECT_EQ(Pane(), (std::vector<std::wstring>{L"Alpha Bank", L"111", L"1111", L"", L"", L"", L"alpha note"}));
    Select(3);
    EXPECT_EQ(Pane(), (std::vector<std::wstring>{L"zeta.example", L"https://zeta.example", L"zed", L"pw-z", L"", L"",
                                                 L""}));
    EXPECT_EQ(PaneLabels(),
              (std::vector<std::wstring>{L"Description", L"URL", L"User Name", L"Password", L"", L"", L"Note"}));
    // The web address is a hyperlink; the first field is not one here.
    EXPECT_NE(GetPropW(Window().recordView->values[1], L"_HyperLink_"), nullptr);
    EXPECT_EQ(GetPropW(Window().recordView->values[0], L"_HyperLink_"), nullptr);
}

TEST_F(MainWindowTest, LockDisplayFollowsThePassword) {
    MakeDatabase(kRecords);
    OpenWindow();
    EXPECT_EQ(MenuText(IDM_PASSWORD), L"Add &Password ...");
    EXPECT_FALSE(MenuEnabled(IDM_LOCK));
    EXPECT_FALSE(ButtonEnabled(IDM_LOCK));

    OnPasswordAdded(List().records, Window().Database().file, u"a password", List().categories);
    List().Refresh();
    // Adding a password leaves the data locked: protected values are masked.
    EXPECT_EQ(MenuText(IDM_PASSWORD), L"Change &Password ...");
    EXPECT_EQ(MenuText(IDM_LOCK), L"Un&lock The Data ...\tCtrl+L");
    EXPECT_TRUE(MenuEnabled(IDM_LOCK));
    EXPECT_TRUE(ButtonEnabled(IDM_LOCK));
    EXPECT_EQ(SendMessageW(Window().toolbar.hwnd, TB_GETBITMAP, IDM_LOCK, 0), 2);  // closed padlock
    EXPECT_EQ(Pane(), (std::vector<std::wstring>{L"Alpha Bank", L"******", L"******", L"", L"", L"", L"******"}));

    ASSERT_TRUE(VerifyPassword(u"a password"));
    theSettings->locked = 0;
    List().Refresh();
    EXPECT_EQ(MenuText(IDM_LOCK), L"&Lock The Data\tCtrl+L");
    EXPECT_EQ(SendMessageW(Window().toolbar.hwnd, TB_GETBITMAP, IDM_LOCK, 0), 1);  // open padlock
    EXPECT_EQ(Pane()[1], L"111");

    SendMessageW(main, WM_COMMAND, IDM_LOCK, 0);  // lock
    Pump();
    EXPECT_EQ(MenuText(IDM_LOCK), L"Un&lock The Data ...\tCtrl+L");
    EXPECT_EQ(Pane()[1], L"******");
}

TEST_F(MainWindowTest, LayoutKeepsTheSplitterInside) {
    MakeDatabase({});
    OpenWindow();
    auto childRect = [&](HWND child) {
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    SetWindowPos(main, nullptr, 0, 0, 300, 400, SWP_NOMOVE | SWP_NOZORDER);
    Pump();
    RECT client;
    GetClientRect(main, &client);
    RECT splitter = childRect(Window().splitter->hwnd);
    EXPECT_EQ(splitter.left, client.right - 47);
    EXPECT_EQ(splitter.right - splitter.left, 7);
    EXPECT_EQ(childRect(List().hwndList).right, splitter.left);
    EXPECT_EQ(childRect(Window().recordView->hwnd).left, splitter.right);
    EXPECT_EQ(childRect(Window().recordView->hwnd).right, client.right);
    EXPECT_EQ(theSettings->desktop.splitterPosition, splitter.left);
}

// Every menu item and toolbar button must reach a command: an id without a
// row in the command table would do nothing at all when chosen.
TEST_F(MainWindowTest, EveryMenuItemAndButtonHasACommand) {
    MakeDatabase({});
    OpenWindow();
    std::vector<int> ids;
    std::function<void(HMENU)> collect = [&](HMENU menu) {
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            if (HMENU popup = GetSubMenu(menu, i)) {
                collect(popup);
            } else if (UINT id = GetMenuItemID(menu, i); id != 0 && id != static_cast<UINT>(-1)) {
                ids.push_back(static_cast<int>(id));
            }
        }
    };
    collect(GetMenu(main));
    EXPECT_EQ(ids.size(), 14u);
    auto buttons = static_cast<int>(SendMessageW(Window().toolbar.hwnd, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < buttons; ++i) {
        TBBUTTON button = {};
        SendMessageW(Window().toolbar.hwnd, TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&button));
        if (!(button.fsStyle & BTNS_SEP)) ids.push_back(button.idCommand);
    }
    EXPECT_EQ(ids.size(), 14u + 5u);
    for (int id : ids) EXPECT_NE(FindCommand(id), nullptr) << "no command row for id " << id;
}

}  // namespace
