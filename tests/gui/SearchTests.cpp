// The search box from outside the program, as a user types into it: the list
// and the status bar follow, and the text typed is never written anywhere.
#include "tests/gui/ProgramFixture.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

using namespace std::chrono_literals;

namespace {

std::wstring StatusText(HWND main) { return WindowText(GetDlgItem(main, IDC_STATUS)); }

// Whether a file holds the text in UTF-16, as the database stores text.
bool HoldsText(const std::wstring& path, const std::wstring& text) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string wanted(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    return bytes.find(wanted) != std::string::npos;
}

}  // namespace

TEST_F(ProgramTest, TypingInTheSearchBoxNarrowsTheListAndIsStoredNowhere) {
    Start([](TestDatabase& db) {
        db.Add(u"Email", {u"Mail", u"me@example.org", u"secret"});
        db.Add(u"Web Login", {u"Zeta site", u"https://zeta.example", u"zed", u"pw"});
    });
    HWND box = GetDlgItem(GetDlgItem(main, IDC_TOOLBAR), IDC_SEARCH);
    ASSERT_NE(box, nullptr);
    const std::wstring typed = L"qzxvj";  // in nothing the program keeps
    PostMessageW(main, WM_COMMAND, IDM_FIND, 0);
    ASSERT_TRUE(WaitFor([&] { return FocusedWindow(main) == box; }));
    for (wchar_t c : typed) PostMessageW(box, WM_CHAR, c, 1);
    ASSERT_TRUE(WaitFor([&] { return Rows() == 0; }));
    EXPECT_EQ(WindowText(box), typed);
    EXPECT_TRUE(WaitFor([&] { return StatusText(main) == L"0 of 2 records"; })) << StatusText(main);
    // A text in one value: the list follows as the keys come.
    SetWindowTextW(box, L"");
    for (wchar_t c : std::wstring(L"zeta")) PostMessageW(box, WM_CHAR, c, 1);
    ASSERT_TRUE(WaitFor([&] { return Rows() == 1; }));
    EXPECT_EQ(PaneValues().front(), L"Zeta site");
    SetWindowTextW(box, typed.c_str());
    ASSERT_TRUE(WaitFor([&] { return Rows() == 0; }));
    Close();
    EXPECT_FALSE(HoldsText(data.DatabasePath(), typed));
}
