#include "tests/gui/Driver.h"

#include "res/resource.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

constexpr wchar_t kWineX11[] = L"Software\\Wine\\X11 Driver";
constexpr wchar_t kShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

std::wstring ReadAppDataSetting(bool& found) {
    HKEY key;
    found = false;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kShellFolders, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
    wchar_t value[1024] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    DWORD type = 0;
    found = RegQueryValueExW(key, L"AppData", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    return value;
}

void WriteAppDataSetting(const std::wstring& value) {
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kShellFolders, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExW(key, L"AppData", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

void DeleteTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                DeleteTree(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

struct TopWindowSearch {
    DWORD processId;
    const wchar_t* className;
    const wchar_t* captionPart;
    bool inChildTexts;  // look for the part in the children's texts too
    HWND found;
};

BOOL CALLBACK MatchTopWindow(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<TopWindowSearch*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    if (search->className) {
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (lstrcmpW(name, search->className) != 0) return TRUE;
    }
    if (search->captionPart) {
        std::wstring texts = search->inChildTexts ? DialogTexts(window) : WindowText(window);
        if (texts.find(search->captionPart) == std::wstring::npos) return TRUE;
    }
    search->found = window;
    return FALSE;
}

// Whether the process has a dialog made but not shown yet.
BOOL CALLBACK FindHiddenDialog(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<TopWindowSearch*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t name[16] = {};
    if (owner != search->processId || IsWindowVisible(window) || !GetClassNameW(window, name, 16) ||
        lstrcmpW(name, L"#32770") != 0) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

bool HasHiddenDialog(DWORD processId) {
    TopWindowSearch search = {processId, nullptr, nullptr, false, nullptr};
    EnumWindows(FindHiddenDialog, reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr;
}

// A message answered by a window of another process, or 0 when it does not answer.
LRESULT Ask(HWND window, UINT message) {
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(window, message, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer);
    return static_cast<LRESULT>(answer);
}

// The screen's pixels in the rectangle, row by row.
std::vector<DWORD> ScreenPixels(const RECT& r) {
    int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return {};
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, previous);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<DWORD> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// The pixels on the screen along a line through the middle of the status
// bar's text, from its left end on; empty when another window covers them.
std::vector<DWORD> StatusTextLine(HWND status) {
    RECT r;
    if (!GetWindowRect(status, &r)) return {};
    int y = (r.top + r.bottom) / 2;
    int left = r.left + 6, width = std::min(160, static_cast<int>(r.right - left) / 2);
    bool uncovered = WindowFromPoint({left, y}) == status && WindowFromPoint({left + width - 1, y}) == status;
    if (width <= 0 || !uncovered) return {};
    return ScreenPixels({left, y, left + width, y + 1});
}

bool Plain(const std::vector<DWORD>& line) {
    return !line.empty() && std::all_of(line.begin(), line.end(), [&](DWORD c) { return c == line.front(); });
}

// Switches the status bar to the simple mode, which shows the menu help
// (empty) in place of the record count, and back, each time until the screen
// shows it; false when its text cannot be seen.
bool SwitchStatusBarAndBack(HWND status, std::chrono::milliseconds timeout) {
    // After a resize the bar may not have drawn its text yet: wait for it;
    // false when it stays covered or without a text to tell by.
    std::vector<DWORD> line;
    if (!WaitFor([&] { return !Plain(line = StatusTextLine(status)); }, timeout)) return false;
    PostMessageW(status, SB_SIMPLE, TRUE, 0);
    bool shown = WaitFor([&] { return Plain(StatusTextLine(status)); }, timeout);
    PostMessageW(status, SB_SIMPLE, FALSE, 0);
    return WaitFor([&] { return !Plain(StatusTextLine(status)); }, timeout) && shown;
}

BOOL CALLBACK CollectChildText(HWND child, LPARAM lParam) {
    auto* texts = reinterpret_cast<std::wstring*>(lParam);
    *texts += L"\n" + WindowText(child);
    return TRUE;
}

}  // namespace

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

DWORD RunToEnd(const wchar_t* exeName, const std::wstring& arguments, std::chrono::milliseconds timeout) {
    std::wstring path = ProgramFolder() + exeName;
    std::wstring commandLine = L"\"" + path + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return STILL_ACTIVE;
    }
    CloseHandle(info.hThread);
    WaitForSingleObject(info.hProcess, static_cast<DWORD>(timeout.count()));
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info.hProcess, &code);
    if (code == STILL_ACTIVE) TerminateProcess(info.hProcess, 99);
    CloseHandle(info.hProcess);
    return code;
}

FreshDataFolder::FreshDataFolder() {
    static std::atomic<int> serial{0};
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    root = std::wstring(temp) + L"quorrel-gui-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(serial++);
    DeleteTree(root);
    CreateDirectoryW(root.c_str(), nullptr);
    quorrelFolder = root + L"\\Quorrel\\";
    previousAppData = ReadAppDataSetting(hadPreviousAppData);
    WriteAppDataSetting(root);
}

FreshDataFolder::~FreshDataFolder() {
    WriteAppDataSetting(hadPreviousAppData ? previousAppData : L"%USERPROFILE%\\AppData\\Roaming");
    DeleteTree(root);
}

UnmanagedWindows::UnmanagedWindows() {
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kWineX11, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return;
    }
    wchar_t value[16] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    hadPrevious = RegQueryValueExW(key, L"Managed", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) ==
                  ERROR_SUCCESS;
    previous = value;
    RegSetValueExW(key, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"N"), 2 * sizeof(wchar_t));
    RegCloseKey(key);
}

UnmanagedWindows::~UnmanagedWindows() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kWineX11, 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
    if (hadPrevious) {
        RegSetValueExW(key, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(previous.c_str()),
                       static_cast<DWORD>((previous.size() + 1) * sizeof(wchar_t)));
    } else {
        RegDeleteValueW(key, L"Managed");
    }
    RegCloseKey(key);
}

Program::Program(const wchar_t* exeName, int showCommand) {
    bool fullPath = exeName[0] && exeName[1] == L':';
    std::wstring path = fullPath ? std::wstring(exeName) : ProgramFolder() + exeName;
    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION info = {};
    if (CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        process = info.hProcess;
        processId = info.dwProcessId;
        CloseHandle(info.hThread);
        WaitForInputIdle(process, 10000);
    }
}

Program::~Program() {
    if (!process) return;
    if (Running()) {
        TerminateProcess(process, 99);
        WaitForSingleObject(process, 10000);
    }
    CloseHandle(process);
}

bool Program::Running() const { return process && WaitForSingleObject(process, 0) == WAIT_TIMEOUT; }

DWORD Program::WaitForExit(std::chrono::milliseconds timeout) {
    if (!process) return STILL_ACTIVE;
    WaitForSingleObject(process, static_cast<DWORD>(timeout.count()));
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process, &code);
    return code;
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(10);
    }
}

bool WaitUntilHandled(HWND mainWindow, std::chrono::milliseconds timeout) {
    HWND list = GetDlgItem(mainWindow, IDC_RECORD_LIST);
    DWORD processId = 0;
    GetWindowThreadProcessId(mainWindow, &processId);
    if (!list) return false;
    auto marker = static_cast<DWORD>(Ask(list, LVM_GETHOVERTIME)) % 1000 + 1;  // never the value it has
    if (!PostMessageW(list, LVM_SETHOVERTIME, 0, marker)) return false;
    return WaitFor([&] { return static_cast<DWORD>(Ask(list, LVM_GETHOVERTIME)) == marker; }, timeout) &&
           WaitFor([&] { return !HasHiddenDialog(processId); }, timeout);
}

bool WaitForScreen(HWND mainWindow, std::chrono::milliseconds timeout) {
    HWND status = GetDlgItem(mainWindow, IDC_STATUS);
    auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        RECT above, bar;
        GetWindowRect(mainWindow, &above);
        GetWindowRect(status, &bar);
        above.bottom = bar.top;
        auto before = ScreenPixels(above);
        if (!WaitUntilHandled(mainWindow, timeout) || !SwitchStatusBarAndBack(status, timeout)) return false;
        if (ScreenPixels(above) == before) return true;
        if (std::chrono::steady_clock::now() > end) return false;
    }
}

HWND FindTopWindow(DWORD processId, const wchar_t* className, const wchar_t* captionPart) {
    TopWindowSearch search = {processId, className, captionPart, false, nullptr};
    EnumWindows(MatchTopWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForTopWindow(DWORD processId, const wchar_t* className, const wchar_t* captionPart,
                      std::chrono::milliseconds timeout) {
    HWND found = nullptr;
    WaitFor([&] { return (found = FindTopWindow(processId, className, captionPart)) != nullptr; }, timeout);
    return found;
}

HWND WaitForDialog(DWORD processId, const wchar_t* part, std::chrono::milliseconds timeout) {
    HWND found = nullptr;
    WaitFor(
        [&] {
            TopWindowSearch search = {processId, L"#32770", part, true, nullptr};
            EnumWindows(MatchTopWindow, reinterpret_cast<LPARAM>(&search));
            found = search.found;
            return found != nullptr;
        },
        timeout);
    return found;
}

std::wstring DialogTexts(HWND dialog) {
    std::wstring texts = WindowText(dialog);
    EnumChildWindows(dialog, CollectChildText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

std::wstring WindowText(HWND window) {
    wchar_t text[1024] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

std::wstring ControlText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

void SetControlText(HWND dialog, int id, const wchar_t* text) {
    SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void Click(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void Press(HWND messageBox, int buttonId) {
    PostMessageW(messageBox, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(messageBox, buttonId)));
}

std::vector<std::wstring> ComboItems(HWND combo) {
    std::vector<std::wstring> items;
    auto count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (WPARAM i = 0; i < static_cast<WPARAM>(count > 0 ? count : 0); ++i) {
        wchar_t text[256] = {};
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

void SelectComboItem(HWND dialog, int id, const wchar_t* text) {
    HWND combo = GetDlgItem(dialog, id);
    SendMessageW(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

HWND FocusedWindow(HWND anyWindowOfThread) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    DWORD thread = GetWindowThreadProcessId(anyWindowOfThread, nullptr);
    return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

bool FocusControl(HWND control) {
    SendMessageW(GetParent(control), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    return WaitFor([&] { return FocusedWindow(control) == control; }, 5s);
}

void PressKey(HWND window, WPARAM key) {
    PostMessageW(window, WM_KEYDOWN, key, 1);
    PostMessageW(window, WM_KEYUP, key, 1u | 0xC0000000u);
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

void TypeText(HWND window, const wchar_t* text) {
    for (const wchar_t* c = text; *c; ++c) PressKey(window, static_cast<WPARAM>(LOBYTE(VkKeyScanW(*c))));
}
