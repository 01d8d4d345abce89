// Run by install_test.py inside the prefix where the MSI was installed:
// the Start-menu shortcut leads to the installed program, and its first start
// creates the database and brings the default icons into the data folder.
//
// Usage: installed_first_run.exe INSTALLED_EXE SHORTCUT
#include "tests/gui/Driver.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <fstream>
#include <iterator>

namespace {

std::wstring installedProgram;
std::wstring shortcut;

std::vector<char> FileBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::wstring DataFolder() {
    wchar_t appData[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData);
    return std::wstring(appData) + L"\\Quorrel\\";
}

TEST(Installed, ShortcutStartsTheInstalledProgram) {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    IShellLinkW* link = nullptr;
    ASSERT_TRUE(SUCCEEDED(
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, reinterpret_cast<void**>(&link))));
    IPersistFile* file = nullptr;
    ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
    EXPECT_TRUE(SUCCEEDED(file->Load(shortcut.c_str(), STGM_READ)));
    wchar_t target[MAX_PATH] = {};
    EXPECT_TRUE(SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, 0)));
    EXPECT_EQ(lstrcmpiW(target, installedProgram.c_str()), 0) << target;
    file->Release();
    link->Release();
    CoUninitialize();
}

TEST(Installed, FirstStartBringsTheIconsIntoTheDataFolder) {
    ASSERT_EQ(GetFileAttributesW(DataFolder().c_str()), INVALID_FILE_ATTRIBUTES) << "not a fresh prefix";
    Program program(installedProgram.c_str());
    ASSERT_TRUE(program.Started());
    HWND notice = WaitForDialog(program.Id(), L"Initializing Quorrel for the first time!");
    ASSERT_NE(notice, nullptr);
    Click(notice, IDOK);
    HWND greeting = WaitForDialog(program.Id(), L"Welcome to Quorrel");
    ASSERT_NE(greeting, nullptr);
    Click(greeting, IDCANCEL);
    HWND main = WaitForTopWindow(program.Id(), L"DPC_QUORREL_WND_CLASS", nullptr);
    ASSERT_NE(main, nullptr);
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(), 0u);

    std::wstring installedFolder = installedProgram.substr(0, installedProgram.find_last_of(L'\\') + 1);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((installedFolder + L"icon_*.bmp").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    int icons = 0;
    do {
        auto installed = FileBytes(installedFolder + found.cFileName);
        EXPECT_FALSE(installed.empty()) << found.cFileName;
        EXPECT_EQ(FileBytes(DataFolder() + found.cFileName), installed) << found.cFileName;
        ++icons;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    EXPECT_EQ(icons, 12);
    EXPECT_NE(GetFileAttributesW((DataFolder() + L"QuorrelDPC.qrb").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc != 3) {
        fprintf(stderr, "usage: installed_first_run INSTALLED_EXE SHORTCUT\n");
        return 2;
    }
    installedProgram = argv[1];
    shortcut = argv[2];
    return RUN_ALL_TESTS();
}
