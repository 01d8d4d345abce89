// The program as the GUI tests drive it: a data folder of its own, a
// database the test fills, Quorrel.exe started on it, and its main window
// and record list found once the list shows what the database holds.
#pragma once

#include "res/resource.h"
#include "tests/gui/Driver.h"
#include "tests/gui/TestDatabase.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

inline constexpr wchar_t kMainClass[] = L"DPC_QUORREL_WND_CLASS";
// The main window's inactivity timer: a test posts its tick to lock the data.
inline constexpr WPARAM kLockTimer = 1;

class RunningProgram {
public:
    using Fill = std::function<void(TestDatabase&)>;

    // Makes the database in the data folder; fill adds records, a password
    // or preferences. The "No Password" warning is off unless fill turns it on.
    void MakeDatabase(const Fill& fill = nullptr);
    // Starts the program: Quorrel.exe beside the tests, or another copy.
    void Launch(const wchar_t* exe = L"Quorrel.exe");
    // Waits for the main window, finds the record list and, when the test
    // made the database with MakeDatabase, waits until it shows every record.
    void FindMainWindow();
    // All three.
    void Start(const Fill& fill = nullptr, const wchar_t* exe = L"Quorrel.exe");
    // Closes the main window; the program ends with exit code 0.
    void Close();

    // Answers the password prompt whose text holds the part.
    void EnterPassword(const wchar_t* password, const wchar_t* promptPart = L"Enter Password");
    // Runs a menu command; the dialog it opens, found by a part of its text.
    HWND Command(int id, const wchar_t* dialogPart);
    // Presses the button of the message box holding the text, and waits for it to go.
    void Answer(const wchar_t* text, int button);
    // The Open or Save As dialog with this caption, once it shows.
    HWND FileDialog(const wchar_t* caption) const;
    // See WaitUntilHandled in Driver.h.
    bool Handled() const { return WaitUntilHandled(main); }

    int Rows() const;
    HWND FilterBox() const;
    // The value boxes of the record view pane, in order, and their texts.
    std::vector<HWND> PaneBoxes() const;
    std::vector<std::wstring> PaneValues() const;

    FreshDataFolder data;
    std::unique_ptr<Program> program;
    HWND main = nullptr;
    HWND list = nullptr;

private:
    int madeRecords = -1;  // unknown
};

class ProgramTest : public ::testing::Test, public RunningProgram {};

// Types a path into an Open or Save As dialog and presses its OK button.
void ChooseInFileDialog(HWND dialog, const std::wstring& path);
// The file's bytes, read through the handle that holds it when there is one.
std::vector<char> FileBytes(const std::wstring& path, HANDLE held = nullptr);
