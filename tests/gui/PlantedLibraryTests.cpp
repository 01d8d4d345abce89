// Libraries planted beside a copy of the program (as beside an unpacked ZIP)
// are never loaded. The help viewer's library is loaded by full path only:
// from the registered value (expanded when it is of the expanding kind) or
// from the system folder, never by bare name. bcrypt.dll and WTSAPI32.dll,
// which are no KnownDLLs, are loaded at run time from the system folder.
#include "res/resource.h"
#include "tests/gui/ProgramFixture.h"

#include <gtest/gtest.h>
#include <psapi.h>

#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr wchar_t kViewerKey[] = L"CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";

// A registry value changed for as long as the object lives.
class ScopedRegistryValue {
public:
    ScopedRegistryValue(HKEY root, const wchar_t* keyName, const wchar_t* valueName) : name(valueName) {
        RegCreateKeyExW(root, keyName, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr);
        BYTE value[2048];
        DWORD size = sizeof value;
        if (RegQueryValueExW(key, name, nullptr, &savedType, value, &size) == ERROR_SUCCESS) {
            saved.emplace(value, value + size);
        }
    }
    ~ScopedRegistryValue() {
        if (saved) {
            RegSetValueExW(key, name, 0, savedType, saved->data(), static_cast<DWORD>(saved->size()));
        } else {
            RegDeleteValueW(key, name);
        }
        RegCloseKey(key);
    }
    ScopedRegistryValue(const ScopedRegistryValue&) = delete;
    ScopedRegistryValue& operator=(const ScopedRegistryValue&) = delete;

    void Set(DWORD type, const std::wstring& value) {
        RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    void Remove() { RegDeleteValueW(key, name); }

private:
    HKEY key = nullptr;
    const wchar_t* name;
    DWORD savedType = 0;
    std::optional<std::vector<BYTE>> saved;
};

// The full path of the process's module with that file name; empty when none is loaded.
std::wstring LoadedModulePath(DWORD processId, const wchar_t* fileName) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process) return {};
    HMODULE modules[512];
    DWORD bytes = 0;
    std::wstring found;
    if (EnumProcessModules(process, modules, sizeof modules, &bytes)) {
        for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < 512; ++i) {
            wchar_t path[MAX_PATH] = {};
            GetModuleFileNameExW(process, modules[i], path, MAX_PATH);
            std::wstring p = path;
            std::wstring name = p.substr(p.find_last_of(L'\\') + 1);
            if (lstrcmpiW(name.c_str(), fileName) == 0) found = p;
        }
    }
    CloseHandle(process);
    return found;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring Expanded(const wchar_t* text) {
    wchar_t out[MAX_PATH];
    DWORD units = ExpandEnvironmentStringsW(text, out, MAX_PATH);
    return units && units <= MAX_PATH ? out : L"";
}

std::wstring SystemLibrary(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    GetSystemDirectoryW(folder, MAX_PATH);
    return std::wstring(folder) + L"\\" + name;
}

std::wstring SystemViewer() { return SystemLibrary(L"hhctrl.ocx"); }

TEST(HelpViewer, LibraryPlantedBesideTheProgramIsNeverLoaded) {
    // The build puts the planted library into planted\; the program joins it there.
    const std::wstring planted = ProgramFolder() + L"planted\\";
    ASSERT_TRUE(Exists(planted + L"hhctrl.ocx"));
    ASSERT_TRUE(CopyFileW((ProgramFolder() + L"Quorrel.exe").c_str(), (planted + L"Quorrel.exe").c_str(), FALSE));
    // A stand-in viewer elsewhere, named by an expanding registry value.
    const wchar_t* standInValue = L"%TEMP%\\quorrel-viewer-stand-in\\hhctrl.ocx";
    const std::wstring standIn = Expanded(standInValue);
    CreateDirectoryW(Expanded(L"%TEMP%\\quorrel-viewer-stand-in").c_str(), nullptr);
    ASSERT_TRUE(CopyFileW((planted + L"hhctrl.ocx").c_str(), standIn.c_str(), FALSE));

    // Wine puts its own library in place of a native one named like a library
    // it has built in; Windows would load the planted file itself, and so
    // does Wine for Quorrel.exe with this setting.
    ScopedRegistryValue nativeFirst(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\Quorrel.exe\\DllOverrides",
                                    L"hhctrl.ocx");
    nativeFirst.Set(REG_SZ, L"native,builtin");

    struct Case {
        const char* name;
        bool registered;
        DWORD type;
        std::wstring value;
        std::wstring expectedViewer;
    };
    const Case cases[] = {
        {"no registered viewer", false, 0, L"", SystemViewer()},
        {"registered by bare name", true, REG_SZ, L"hhctrl.ocx", SystemViewer()},
        {"registered with environment strings", true, REG_EXPAND_SZ, standInValue, standIn},
    };
    for (const Case& c : cases) {
        ScopedRegistryValue registration(HKEY_CLASSES_ROOT, kViewerKey, nullptr);
        c.registered ? registration.Set(c.type, c.value) : registration.Remove();
        DeleteFileW((planted + L"hhctrl.ocx.loaded").c_str());
        RunningProgram run;
        run.Start(nullptr, L"planted\\Quorrel.exe");
        ASSERT_NE(run.main, nullptr) << c.name;
        PostMessageW(run.main, WM_COMMAND, IDM_HELP_CONTENTS, 0);
        std::wstring viewer;
        DWORD processId = run.program->Id();
        EXPECT_TRUE(WaitFor([&] { return !(viewer = LoadedModulePath(processId, L"hhctrl.ocx")).empty(); }, 10s))
            << c.name;
        EXPECT_EQ(lstrcmpiW(viewer.c_str(), c.expectedViewer.c_str()), 0) << c.name << ": " << viewer;
        PostMessageW(run.main, WM_CLOSE, 0, 0);
        EXPECT_EQ(run.program->WaitForExit(), 0u) << c.name;
        EXPECT_FALSE(Exists(planted + L"hhctrl.ocx.loaded")) << c.name;
    }
    DeleteFileW(standIn.c_str());
    DeleteFileW((standIn + L".loaded").c_str());
    RemoveDirectoryW(Expanded(L"%TEMP%\\quorrel-viewer-stand-in").c_str());
}

// Wine puts its own library in place of a native one named like a library
// it has built in; Windows would load a planted file itself, and so does
// Wine for these programs with this setting.
class NativeLibrariesFirst {
public:
    NativeLibrariesFirst(std::initializer_list<const wchar_t*> programs,
                         std::initializer_list<const wchar_t*> libraries) {
        for (const wchar_t* program : programs) {
            std::wstring key = std::wstring(L"Software\\Wine\\AppDefaults\\") + program + L"\\DllOverrides";
            for (const wchar_t* library : libraries) {
                overrides.push_back(std::make_unique<ScopedRegistryValue>(HKEY_CURRENT_USER, key.c_str(), library));
                overrides.back()->Set(REG_SZ, L"native,builtin");
            }
        }
    }

private:
    std::vector<std::unique_ptr<ScopedRegistryValue>> overrides;
};

TEST(PlantedLibraries, BcryptAndWtsapiBesideTheProgramAreNeverLoaded) {
    const std::wstring planted = ProgramFolder() + L"planted\\";
    const wchar_t* const libraries[] = {L"bcrypt.dll", L"WTSAPI32.dll"};
    for (const wchar_t* library : libraries) {
        ASSERT_TRUE(Exists(planted + library)) << library;
        DeleteFileW((planted + library + L".loaded").c_str());
    }
    for (const wchar_t* program : {L"Quorrel.exe", L"quorrel-cli.exe"}) {
        ASSERT_TRUE(CopyFileW((ProgramFolder() + program).c_str(), (planted + program).c_str(), FALSE));
    }
    NativeLibrariesFirst nativeFirst({L"Quorrel.exe", L"quorrel-cli.exe"}, {L"bcrypt", L"wtsapi32"});

    // The console companion draws a password from the random source.
    EXPECT_EQ(RunToEnd(L"planted\\quorrel-cli.exe", L"gen"), 0u);

    // The program registers for the session's lock at start, and draws from
    // the random source in the password generator.
    UnmanagedWindows noWindowManagerWait;
    RunningProgram run;
    run.Start(nullptr, L"planted\\Quorrel.exe");
    ASSERT_NE(run.main, nullptr);
    HWND record = run.Command(IDM_NEW_RECORD, L"New Record");
    ASSERT_NE(record, nullptr);
    ASSERT_TRUE(FocusControl(GetDlgItem(record, IDC_FIELD3)));
    Click(record, IDC_GENERATE);
    HWND generator = WaitForDialog(run.program->Id(), L"Generate Password");
    ASSERT_NE(generator, nullptr);
    EXPECT_FALSE(ControlText(generator, IDC_GENERATED_PASSWORD).empty());
    for (const wchar_t* library : libraries) {
        std::wstring loaded = LoadedModulePath(run.program->Id(), library);
        EXPECT_EQ(lstrcmpiW(loaded.c_str(), SystemLibrary(library).c_str()), 0) << library << ": " << loaded;
    }
    Click(generator, IDCANCEL);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(generator) || !IsWindowVisible(generator); }));
    Click(record, IDCANCEL);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(record) || !IsWindowVisible(record); }));
    run.Close();

    for (const wchar_t* library : libraries) EXPECT_FALSE(Exists(planted + library + L".loaded")) << library;
}

}  // namespace
