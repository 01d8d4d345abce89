// One keystroke in the search box among 100,000 records: the time from the
// key until the list shows the matches, for a text typed one letter at a
// time. Enter hands the text to the list at once (typing waits for a pause
// of 150 ms first), so what is timed is the program's own work. Run by
// tools/search-bench.sh.
#include "res/resource.h"
#include "tests/gui/Driver.h"
#include "tests/gui/TestDatabase.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRecords = 100000;

void MakeDatabase(const std::wstring& path) {
    TestDatabase db(path);
    db.Preferences().showNoPasswordWarning = 0;
    for (int i = 0; i < kRecords; ++i) {
        std::u16string title = u"Record ";
        for (char ch : std::to_string(i)) title.push_back(static_cast<char16_t>(ch));
        db.Add(u"Web Login", {title.c_str(), u"https://site.example/", u"user", u"password"});
    }
}

int Rows(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

// Sets the box to the text and presses Enter; the milliseconds until the list
// holds the expected number of rows, or -1.
double TimeSearch(Program& program, HWND box, HWND list, const std::wstring& text, int expected) {
    SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    PostMessageW(box, WM_KEYDOWN, VK_RETURN, 1);
    // Polled without a pause: each question waits for the program's answer.
    while (Rows(list) != expected) {
        if (!program.Running()) return -1;
    }
    QueryPerformanceCounter(&end);
    return Milliseconds(start, end);
}

}  // namespace

int wmain() {
    FreshDataFolder data;
    std::fwprintf(stderr, L"making a database of %d records ...\n", kRecords);
    MakeDatabase(data.DatabasePath());
    Program program;
    HWND main = WaitForTopWindow(program.Id(), L"DPC_QUORREL_WND_CLASS", nullptr);
    if (!main) return 1;
    HWND list = GetDlgItem(main, IDC_RECORD_LIST);
    HWND box = GetDlgItem(GetDlgItem(main, IDC_TOOLBAR), IDC_SEARCH);
    if (!box || !WaitFor([&] { return Rows(list) == kRecords; }, std::chrono::seconds(120))) return 1;
    // "Record 9", "Record 99", ... and back: each keystroke narrows or widens.
    struct Step {
        const wchar_t* text;
        int rows;
    };
    const Step steps[] = {{L"9", 40951}, {L"99", 3691}, {L"999", 280}, {L"9999", 19}, {L"99999", 1},
                          {L"9999", 19}, {L"999", 280}, {L"99", 3691}, {L"9", 40951}, {L"", kRecords}};
    std::vector<double> times;
    for (const Step& step : steps) {
        double ms = TimeSearch(program, box, list, step.text, step.rows);
        if (ms < 0) return 1;
        std::printf("\"%ls\": %d rows in %.1f ms\n", step.text, step.rows, ms);
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("one keystroke among %d records: median %.1f ms (min %.1f, max %.1f)\n", kRecords,
                times[times.size() / 2], times.front(), times.back());
    PostMessageW(main, WM_CLOSE, 0, 0);
    return program.WaitForExit(std::chrono::seconds(60)) == 0 ? 0 : 1;
}
