// Import of 100,000 records through the program's own Import command (Open
// dialog, progress window, message), then their export, each timed from the
// dialog's OK to the message that reports it, with the program's peak memory.
// Run by tools/exchange-bench.sh.
#include "res/resource.h"
#include "tests/gui/Driver.h"
#include "tests/gui/TestDatabase.h"

#include <dlgs.h>
#include <psapi.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

constexpr int kRecords = 100000;
constexpr int kFileNameBox = cmb13;  // the file dialogs' "File name" combo box

void MakeCsv(const std::wstring& path) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    const char* categories[] = {"Bank", "Email", "Web Login", "Garden", "Work Accounts", "Travel"};
    for (int i = 0; i < kRecords; ++i) {
        out << '"' << categories[i % 6] << "\",\"Title " << i << "\",\"user" << i << "@example.org\",\"pw-" << i * 7919
            << "\",\"https://example.org/" << i << "\",\"\",\"\",\"A note for record " << i << ", with a comma.\"\r\n";
    }
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

// Chooses the path in the file dialog the command opens and times until the
// message holding done appears; notes whether a progress window showed.
double TimeCommand(Program& program, HWND main, int command, const wchar_t* dialogCaption, const std::wstring& path,
                   const wchar_t* progressText, const wchar_t* done, bool& progressSeen) {
    PostMessageW(main, WM_COMMAND, command, 0);
    HWND dialog = WaitForTopWindow(program.Id(), L"#32770", dialogCaption);
    if (!dialog) return -1;
    SendMessageW(GetDlgItem(dialog, kFileNameBox), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    Click(dialog, IDOK);
    progressSeen = false;
    HWND message = nullptr;
    WaitFor(
        [&] {
            message = FindTopWindow(program.Id(), L"#32770", nullptr);
            std::wstring texts = message ? DialogTexts(message) : L"";
            if (texts.find(progressText) != std::wstring::npos) progressSeen = true;
            return texts.find(done) != std::wstring::npos;
        },
        std::chrono::minutes(20));
    QueryPerformanceCounter(&end);
    if (message) Press(message, IDOK);
    WaitFor([&] { return !IsWindow(message); });
    return Seconds(start, end);
}

}  // namespace

int wmain() {
    FreshDataFolder data;
    {
        TestDatabase db(data.DatabasePath());
        db.Preferences().showNoPasswordWarning = 0;
    }
    const std::wstring csv = data.Folder() + L"records.csv";
    MakeCsv(csv);
    // Timed from a dialog's closing: Wine must not wait for a window manager.
    UnmanagedWindows noWindowManagerWait;
    Program program;
    HWND main = WaitForTopWindow(program.Id(), L"DPC_QUORREL_WND_CLASS", nullptr);
    if (!main) return 1;
    bool importProgress = false, exportProgress = false;
    double imported = TimeCommand(program, main, IDM_IMPORT, L"Open", csv, L"Importing records",
                                  L"100000 records imported successfully.", importProgress);
    double exported = TimeCommand(program, main, IDM_EXPORT, L"Save As", data.Folder() + L"exported.txt",
                                  L"Exporting records",
                                  L"100000 records exported to:", exportProgress);
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, program.Id());
    if (process) {
        K32GetProcessMemoryInfo(process, &memory, sizeof memory);
        CloseHandle(process);
    }
    std::printf("import of %d records: %.1f s (progress window %s)\n", kRecords, imported,
                importProgress ? "shown" : "not seen");
    std::printf("export of %d records: %.1f s (progress window %s)\n", kRecords, exported,
                exportProgress ? "shown" : "not seen");
    std::printf("peak working set %.1f MB, peak private bytes %.1f MB\n", memory.PeakWorkingSetSize / 1048576.0,
                memory.PeakPagefileUsage / 1048576.0);
    PostMessageW(main, WM_CLOSE, 0, 0);
    program.WaitForExit(std::chrono::minutes(2));
    return imported > 0 && exported > 0 ? 0 : 1;
}
