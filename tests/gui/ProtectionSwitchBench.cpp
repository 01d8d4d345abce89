// The protection switch in the running program: a database of 10,000
// records, 5,000 of them in "Bank", unlocked at start; the Bank category is
// switched to protected and back in its edit dialog, each switch timed from
// OK to the dialog's end (OK is sent and returns once the category is saved).
// Run by tools/protection-bench.sh.
#include "res/resource.h"
#include "tests/gui/Driver.h"
#include "tests/gui/TestDatabase.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRecords = 10000;
constexpr int kRuns = 3;
constexpr wchar_t kPassword[] = L"bench password";

void MakeDatabase(const std::wstring& path) {
    TestDatabase db(path);
    db.AddPassword(u"bench password");
    CCategory* bank = db.categories.FindByName(u"Bank");
    bank->isProtected = false;
    bank->Save(db.file, false);
    db.Preferences().showNoPasswordWarning = 0;
    db.Preferences().promptPasswordOnOpen = 1;
    for (int i = 0; i < kRecords; ++i) {
        std::u16string title = u"Record " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26));
        db.Add(i % 2 == 0 ? u"Bank" : u"Email", {title.c_str(), u"user name", u"a password", nullptr, nullptr, nullptr, u"note"});
    }
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

// Opens Bank's edit dialog from the chooser, sets the protection box and
// times OK; answers the seconds, or -1 when a window did not come.
double TimeSwitch(Program& program, HWND main, bool protect) {
    PostMessageW(main, WM_COMMAND, IDM_CATEGORIES, 0);
    HWND chooser = WaitForDialog(program.Id(), L"&Delete");
    if (!chooser) return -1;
    HWND combo = GetDlgItem(chooser, IDC_CATEGORY);
    auto items = ComboItems(combo);
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(std::find(items.begin(), items.end(), L"Bank") - items.begin()), 0);
    Click(chooser, IDC_EDIT_CATEGORY);
    HWND edit = WaitForDialog(program.Id(), L"Edit Category");
    if (!edit) return -1;
    SendMessageW(GetDlgItem(edit, IDC_PROTECT_CATEGORY), BM_SETCHECK, protect ? BST_CHECKED : BST_UNCHECKED, 0);
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    SendMessageW(edit, WM_COMMAND, IDOK, 0);
    QueryPerformanceCounter(&end);
    chooser = WaitForDialog(program.Id(), L"&Delete");
    if (!chooser) return -1;
    SendMessageW(chooser, WM_COMMAND, IDCANCEL, 0);
    WaitFor([&] { return !IsWindow(chooser); });
    return Seconds(start, end);
}

}  // namespace

int wmain() {
    FreshDataFolder data;
    std::fwprintf(stderr, L"making a database of %d records ...\n", kRecords);
    MakeDatabase(data.DatabasePath());
    // Timed from a dialog's closing: Wine must not wait for a window manager.
    UnmanagedWindows noWindowManagerWait;
    Program program;
    HWND prompt = WaitForDialog(program.Id(), L"Enter Password", std::chrono::seconds(60));
    if (!prompt) return 1;
    SetControlText(prompt, IDC_PASSWORD, kPassword);
    Click(prompt, IDOK);
    WaitFor([&] { return !IsWindow(prompt); });
    HWND main = WaitForTopWindow(program.Id(), L"DPC_QUORREL_WND_CLASS", nullptr);
    std::vector<double> on, off;
    for (int run = 0; run < kRuns; ++run) {
        on.push_back(TimeSwitch(program, main, true));
        off.push_back(TimeSwitch(program, main, false));
        std::printf("run %d: 5,000 of 10,000 records to protected %.2f s, back %.2f s\n", run + 1, on.back(), off.back());
    }
    std::sort(on.begin(), on.end());
    std::sort(off.begin(), off.end());
    std::printf("median: to protected %.2f s, to unprotected %.2f s\n", on[kRuns / 2], off[kRuns / 2]);
    PostMessageW(main, WM_CLOSE, 0, 0);
    program.WaitForExit();
    return 0;
}
