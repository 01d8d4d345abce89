#include "app/Help.h"

#include "app/Application.h"
#include "model/DataFolder.h"

#include <windows.h>

#include <string>

namespace {

using HtmlHelpFunction = HWND(WINAPI*)(HWND, const wchar_t*, UINT, DWORD_PTR);

constexpr UINT kDisplayTopic = 0;  // HH_DISPLAY_TOPIC
constexpr int kHtmlHelpOrdinal = 15;  // HtmlHelpW
constexpr char kViewerKey[] = "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";

HMODULE viewerLibrary = nullptr;
HtmlHelpFunction htmlHelp = nullptr;
bool HelpViewerUnavailable = false;

HMODULE LoadViewer() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kViewerKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        char path[261] = {};
        DWORD size = 260;
        DWORD type = 0;
        LONG read = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(path), &size);
        RegCloseKey(key);
        if (read == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
            if (HMODULE library = LoadLibraryA(path)) return library;
        }
    }
    return LoadLibraryA("hhctrl.ocx");
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

void ShowHelp(const wchar_t* topic) {
    std::wstring address = L"mk:@MSITStore:";
    if (theApp.dataFolder) address += theApp.dataFolder->programFolder;
    address += L"Quorrel.chm::/";
    address += topic ? topic : L"Introduction.html";
    CallViewer(GetDesktopWindow(), address.c_str());
}
