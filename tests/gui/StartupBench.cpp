// Start-up time with 10,000 records, from starting the process to the main
// window shown with its list filled, against Wine's own notepad opening its
// window, measured alternately in the same run. Run by tools/startup-bench.sh.
#include "res/resource.h"
#include "tests/gui/Driver.h"
#include "tests/gui/TestDatabase.h"

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <cstdio>
#include <string>

namespace {

constexpr int kRecords = 10000;
constexpr int kRuns = 7;

void MakeDatabase(const std::wstring& path) {
    TestDatabase db(path);
    db.Preferences().showNoPasswordWarning = 0;
    const char16_t* names[] = {u"Bank", u"Credit Card", u"Email", u"Web Login", u"Software", u"Voice Mail"};
    for (int i = 0; i < kRecords; ++i) {
        std::u16string title = u"Record " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26));
        for (char ch : std::to_string((i * 7919) % kRecords)) title.push_back(static_cast<char16_t>(ch));
        db.Add(names[i % 6], {title.c_str(), u"user name", u"a password", u"https://example.com", nullptr, nullptr, u"note"});
    }
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

// Starts a program and times how long until ready() holds, polling every
// millisecond; both programs are measured the same way. Closes it afterwards.
double TimeStart(const std::wstring& path, const std::function<HWND(DWORD processId)>& ready) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::wstring commandLine = L"\"" + path + L"\"";
    CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
    HWND window = nullptr;
    for (int i = 0; i < 60000 && !(window = ready(info.dwProcessId)); ++i) Sleep(1);
    QueryPerformanceCounter(&end);
    PostMessageW(window, WM_CLOSE, 0, 0);
    WaitForSingleObject(info.hProcess, 20000);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    return Seconds(start, end);
}

// The main window shown with all its rows and the first one selected.
HWND QuorrelReady(DWORD processId) {
    HWND main = FindTopWindow(processId, L"DPC_QUORREL_WND_CLASS", nullptr);
    HWND list = main ? GetDlgItem(main, IDC_RECORD_LIST) : nullptr;
    if (!list || SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) != kRecords) return nullptr;
    return SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) == 0 ? main : nullptr;
}

HWND NotepadReady(DWORD processId) { return FindTopWindow(processId, L"Notepad", nullptr); }

double TimeQuorrel() { return TimeStart(ProgramFolder() + L"Quorrel.exe", QuorrelReady); }

double TimeNotepad() {
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    return TimeStart(std::wstring(system) + L"\\notepad.exe", NotepadReady);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int wmain() {
    FreshDataFolder data;
    MakeDatabase(data.DatabasePath());
    TimeQuorrel();  // the first start of each warms the caches
    TimeNotepad();
    std::vector<double> quorrel, notepad;
    for (int i = 0; i < kRuns; ++i) {
        quorrel.push_back(TimeQuorrel());
        notepad.push_back(TimeNotepad());
    }
    double q = Median(quorrel), n = Median(notepad);
    std::printf("Quorrel with %d records: median %.3f s over %d starts\n", kRecords, q, kRuns);
    std::printf("notepad:                 median %.3f s over %d starts\n", n, kRuns);
    std::printf("ratio %.2f (target below 1.5)\n", q / n);
    return q / n < 1.5 ? 0 : 1;
}
