#include "app/Help.h"

#include <windows.h>

#include <string>

namespace {

using HtmlHelpFunction = HWND(WINAPI*)(HWND, const wchar_t*, UINT, DWORD_PTR);

constexpr UINT kDisplayTopic = 0;     // HH_DISPLAY_TOPIC
constexpr int kHtmlHelpOrdinal = 15;  // HtmlHelpW
constexpr wchar_t kViewerKey[] = L"CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";

HMODULE viewerLibrary = nullptr;
HtmlHelpFunction htmlHelp = nullptr;
bool HelpViewerUnavailable = false;

// A path the loader takes as it is, without searching folders for it.
bool IsFullPath(const std::wstring& path) {
    bool drive = path.size() > 2 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
    return drive || path.rfind(L"\\\\", 0) == 0;
}

// The registered viewer's path, with environment strings expanded when the
// value is of the expanding kind; empty when there is none or it is not a full path.
std::wstring RegisteredViewerPath() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, kViewerKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
    wchar_t value[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH * sizeof(wchar_t);
    DWORD type = 0;
    LONG read = RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    std::wstring path;
    if (read == ERROR_SUCCESS && type == REG_SZ) path = value;
    if (read == ERROR_SUCCESS && type == REG_EXPAND_SZ) {
        wchar_t expanded[MAX_PATH];
        DWORD units = ExpandEnvironmentStringsW(value, expanded, MAX_PATH);
        if (units > 0 && units <= MAX_PATH) path = expanded;
    }
    return IsFullPath(path) ? path : std::wstring();
}

std::wstring SystemViewerPath() {
    wchar_t folder[MAX_PATH];
    UINT units = GetSystemDirectoryW(folder, MAX_PATH);
    if (units == 0 || units >= MAX_PATH) return {};
    return std::wstring(folder) + L"\\hhctrl.ocx";
}

// Only ever by full path: a bare name would also be looked for beside the
// program, where anyone who can write there could plant a library of their own.
HMODULE LoadViewer() {
    for (const std::wstring& path : {RegisteredViewerPath(), SystemViewerPath()}) {
        if (path.empty()) continue;
        if (HMODULE library = LoadLibraryW(path.c_str())) return library;
    }
    return nullptr;
}

// The viewer is looked up once; a machine without it simply has no help.
HWND CallViewer(HWND caller, const wchar_t* address) {
    if (HelpViewerUnavailable) return nullptr;
    if (!viewerLibrary) viewerLibrary = LoadViewer();
    if (!viewerLibrary) {
        HelpViewerUnavailable = true;
        return nullptr;
    }
    if (!htmlHelp) {
        htmlHelp = reinterpret_cast<HtmlHelpFunction>(
            reinterpret_cast<void*>(GetProcAddress(viewerLibrary, MAKEINTRESOURCEA(kHtmlHelpOrdinal))));
        if (!htmlHelp) {
            HelpViewerUnavailable = true;
            return nullptr;
        }
    }
    return htmlHelp(caller, address, kDisplayTopic, 0);
}

}  // namespace

void ShowHelp(const wchar_t* programFolder, const wchar_t* topic) {
    std::wstring address = L"mk:@MSITStore:";
    if (programFolder) address += programFolder;
    address += L"Quorrel.chm::/";
    address += topic ? topic : L"Introduction.html";
    CallViewer(GetDesktopWindow(), address.c_str());
}
