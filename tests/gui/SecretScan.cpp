// Searches the running program's memory for a protected value and the master
// password at each step of using them: after the unlock, while the record
// and its edit dialog show the value, after the dialog closed and another
// record is selected, and after the lock. Every copy counts, in UTF-16 (as
// the program holds text) and in UTF-8. Run by tools/secret-scan.sh.
#include "res/resource.h"
#include "tests/gui/Driver.h"
#include "tests/gui/TestDatabase.h"

#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr char16_t kPassword[] = u"Mp9-master-pass";
constexpr char16_t kSecret[] = u"Qv8-ZEBRA-4471-note";  // in a note: the list never draws it

// How often the bytes occur in the committed, readable memory of the process.
int CountInMemory(HANDLE process, const std::string& bytes) {
    int found = 0;
    MEMORY_BASIC_INFORMATION region;
    std::vector<char> buffer;
    for (char* at = nullptr; VirtualQueryEx(process, at, &region, sizeof region) == sizeof region;
         at = static_cast<char*>(region.BaseAddress) + region.RegionSize) {
        bool readable = region.State == MEM_COMMIT && !(region.Protect & (PAGE_GUARD | PAGE_NOACCESS));
        if (!readable) continue;
        buffer.resize(region.RegionSize);
        SIZE_T read = 0;
        if (!ReadProcessMemory(process, region.BaseAddress, buffer.data(), region.RegionSize, &read)) continue;
        std::string_view memory(buffer.data(), read);
        for (size_t pos = memory.find(bytes); pos != std::string_view::npos; pos = memory.find(bytes, pos + 1))
            ++found;
    }
    return found;
}

std::string Utf16Bytes(const char16_t* text) {
    std::u16string units(text);
    return std::string(reinterpret_cast<const char*>(units.data()), units.size() * 2);
}

std::string Utf8Bytes(const char16_t* text) {
    std::string bytes;
    for (const char16_t* c = text; *c; ++c) bytes.push_back(static_cast<char>(*c));  // ASCII only
    return bytes;
}

void Report(HANDLE process, const char* step) {
    std::printf("%-44s secret %d (UTF-8 %d), master password %d (UTF-8 %d)\n", step,
                CountInMemory(process, Utf16Bytes(kSecret)), CountInMemory(process, Utf8Bytes(kSecret)),
                CountInMemory(process, Utf16Bytes(kPassword)), CountInMemory(process, Utf8Bytes(kPassword)));
}

int Rows(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

void SelectRow(HWND list, int row) {
    SetFocus(list);
    PressKey(list, row == 0 ? VK_HOME : VK_END);
}

}  // namespace

int wmain() {
    FreshDataFolder data;
    {
        TestDatabase db(data.DatabasePath());
        db.Preferences().showNoPasswordWarning = 0;
        db.Preferences().promptPasswordOnOpen = 1;
        db.Add(u"Bank", {u"Alpha Bank", u"111", u"2222", nullptr, nullptr, nullptr, kSecret});
        db.Add(u"Bank", {u"Zulu Bank", u"333", u"4444", nullptr, nullptr, nullptr, u"another note"});
        db.AddPassword(kPassword);
    }
    Program program;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, program.Id());
    if (!process) return 1;
    HWND prompt = WaitForDialog(program.Id(), L"Enter Password");
    if (!prompt) return 1;
    SetControlText(prompt, IDC_PASSWORD, reinterpret_cast<const wchar_t*>(kPassword));
    Click(prompt, IDOK);
    HWND main = WaitForTopWindow(program.Id(), L"DPC_QUORREL_WND_CLASS", nullptr);
    if (!main) return 1;
    HWND list = GetDlgItem(main, IDC_RECORD_LIST);
    HWND pane = FindWindowExW(main, nullptr, L"RecViewWndClass", nullptr);
    if (!WaitFor([&] { return Rows(list) == 2 && !FindTopWindow(program.Id(), L"#32770", nullptr); })) return 1;
    WaitUntilHandled(main);
    Report(process, "unlocked, Alpha Bank shown in the pane");

    PostMessageW(main, WM_COMMAND, IDM_EDIT_RECORD, 0);
    HWND dialog = WaitForDialog(program.Id(), L"Edit Record");
    if (!dialog) return 1;
    Report(process, "Edit Record open on it");
    Click(dialog, IDCANCEL);
    WaitFor([&] { return !IsWindow(dialog); });
    WaitUntilHandled(main);
    Report(process, "Edit Record closed, Alpha Bank still shown");

    SelectRow(list, 1);
    WaitFor([&] { return WindowText(FindWindowExW(pane, nullptr, L"Edit", nullptr)) == L"Zulu Bank"; });
    WaitUntilHandled(main);
    Report(process, "Zulu Bank selected instead");

    SelectRow(list, 0);
    PostMessageW(main, WM_COMMAND, IDM_LOCK, 0);
    WaitUntilHandled(main);
    Report(process, "locked");

    PostMessageW(main, WM_CLOSE, 0, 0);
    CloseHandle(process);
    return program.WaitForExit(std::chrono::seconds(30)) == 0 ? 0 : 1;
}
