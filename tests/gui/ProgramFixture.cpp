#include "tests/gui/ProgramFixture.h"

#include <dlgs.h>

#include <commctrl.h>

#include <fstream>

void RunningProgram::MakeDatabase(const Fill& fill) {
    TestDatabase db(data.DatabasePath());
    db.Preferences().showNoPasswordWarning = 0;
    if (fill) fill(db);
    madeRecords = db.records.count;
}

void RunningProgram::Launch(const wchar_t* exe) {
    program.reset();
    program = std::make_unique<Program>(exe);
    ASSERT_TRUE(program->Started());
}

void RunningProgram::FindMainWindow() {
    main = WaitForTopWindow(program->Id(), kMainClass, nullptr);
    ASSERT_NE(main, nullptr);
    list = GetDlgItem(main, IDC_RECORD_LIST);
    ASSERT_NE(list, nullptr);
    if (madeRecords >= 0) {
        ASSERT_TRUE(WaitFor([&] { return Rows() == madeRecords; })) << Rows() << " rows of " << madeRecords;
    }
}

void RunningProgram::Start(const Fill& fill, const wchar_t* exe) {
    MakeDatabase(fill);
    ASSERT_NO_FATAL_FAILURE(Launch(exe));
    FindMainWindow();
}

void RunningProgram::Close() {
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(program->WaitForExit(), 0u);
}

void RunningProgram::EnterPassword(const wchar_t* password, const wchar_t* promptPart) {
    HWND prompt = WaitForDialog(program->Id(), promptPart);
    ASSERT_NE(prompt, nullptr);
    SetControlText(prompt, IDC_PASSWORD, password);
    Click(prompt, IDOK);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(prompt); }));
}

HWND RunningProgram::Command(int id, const wchar_t* dialogPart) {
    PostMessageW(main, WM_COMMAND, static_cast<WPARAM>(id), 0);
    return WaitForDialog(program->Id(), dialogPart);
}

void RunningProgram::Answer(const wchar_t* text, int button) {
    HWND box = WaitForDialog(program->Id(), text);
    ASSERT_NE(box, nullptr) << "no message box with: " << std::string(text, text + wcslen(text));
    Press(box, button);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }));
}

int RunningProgram::Rows() const { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

HWND RunningProgram::FilterBox() const { return GetDlgItem(GetDlgItem(main, IDC_TOOLBAR), IDC_FILTER); }

std::vector<HWND> RunningProgram::PaneBoxes() const {
    std::vector<HWND> boxes;
    HWND pane = FindWindowExW(main, nullptr, L"RecViewWndClass", nullptr);
    for (HWND box = FindWindowExW(pane, nullptr, L"Edit", nullptr); box;
         box = FindWindowExW(pane, box, L"Edit", nullptr))
        boxes.push_back(box);
    return boxes;
}

std::vector<std::wstring> RunningProgram::PaneValues() const {
    std::vector<std::wstring> values;
    for (HWND box : PaneBoxes()) values.push_back(WindowText(box));
    return values;
}

HWND RunningProgram::FileDialog(const wchar_t* caption) const {
    return WaitForTopWindow(program->Id(), L"#32770", caption, std::chrono::seconds(10));
}

void ChooseInFileDialog(HWND dialog, const std::wstring& path) {
    SendMessageW(GetDlgItem(dialog, cmb13), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    Click(dialog, IDOK);
}

std::vector<char> FileBytes(const std::wstring& path, HANDLE held) {
    if (held && held != INVALID_HANDLE_VALUE) {
        std::vector<char> bytes(GetFileSize(held, nullptr));
        DWORD read = 0;
        SetFilePointer(held, 0, nullptr, FILE_BEGIN);
        ReadFile(held, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
        bytes.resize(read);
        return bytes;
    }
    std::ifstream in(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
