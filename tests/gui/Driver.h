// Drives Quorrel.exe from another process, as a user would: starts it with a
// fresh data folder, finds its windows by class, caption and control id, and
// works them with window messages and keys.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

using namespace std::chrono_literals;

// A data folder of its own for one test: the user's application-data folder
// is pointed at a fresh directory (through the user's shell folders in the
// registry) for as long as the object lives.
class FreshDataFolder {
public:
    FreshDataFolder();
    ~FreshDataFolder();
    FreshDataFolder(const FreshDataFolder&) = delete;
    FreshDataFolder& operator=(const FreshDataFolder&) = delete;

    // The folder the program uses: ...\Quorrel\ (with the backslash).
    const std::wstring& Folder() const { return quorrelFolder; }
    std::wstring DatabasePath() const { return quorrelFolder + L"QuorrelDPC.qrb"; }

private:
    std::wstring root;
    std::wstring quorrelFolder;
    std::wstring previousAppData;
    bool hadPreviousAppData = false;
};

// While it lives, programs started under Wine leave their windows to Wine
// instead of a window manager. Without a window manager (a bare Xvfb) Wine
// waits up to two seconds for one whenever a managed window is hidden, so
// timings of what follows a dialog's closing need this.
class UnmanagedWindows {
public:
    UnmanagedWindows();
    ~UnmanagedWindows();
    UnmanagedWindows(const UnmanagedWindows&) = delete;
    UnmanagedWindows& operator=(const UnmanagedWindows&) = delete;

private:
    std::wstring previous;
    bool hadPrevious = false;
};

class Program {
public:
    // Starts Quorrel.exe (or another program beside the test, or one given by
    // its full path) with the show command.
    explicit Program(const wchar_t* exeName = L"Quorrel.exe", int showCommand = SW_SHOWNORMAL);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Started() const { return process != nullptr; }
    DWORD Id() const { return processId; }
    // The exit code, or STILL_ACTIVE when it did not end in time.
    DWORD WaitForExit(std::chrono::milliseconds timeout = 20s);
    bool Running() const;

private:
    HANDLE process = nullptr;
    DWORD processId = 0;
};

// Waits until the condition holds (pumping this thread's messages meanwhile).
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 20s);

// A visible top-level window of the process with this class (null for any)
// whose caption contains the text (null for any).
HWND FindTopWindow(DWORD processId, const wchar_t* className, const wchar_t* captionPart);
HWND WaitForTopWindow(DWORD processId, const wchar_t* className, const wchar_t* captionPart,
                      std::chrono::milliseconds timeout = 20s);
// A message box or dialog ("#32770") of the process whose text or caption holds the part.
HWND WaitForDialog(DWORD processId, const wchar_t* part, std::chrono::milliseconds timeout = 20s);
// Every text of a dialog: its caption and the texts of its children.
std::wstring DialogTexts(HWND dialog);

std::wstring WindowText(HWND window);
std::wstring ControlText(HWND dialog, int id);
void SetControlText(HWND dialog, int id, const wchar_t* text);
void Click(HWND dialog, int id);
// Presses a message box's button (IDOK, IDYES, IDNO ...).
void Press(HWND messageBox, int buttonId);

// Combo box items (standard controls answer across processes).
std::vector<std::wstring> ComboItems(HWND combo);
// Selects the item with this text in a dialog's combo box and tells the
// dialog, as a user's choice does.
void SelectComboItem(HWND dialog, int id, const wchar_t* text);

// Gives a dialog's control the focus as the dialog's own keys do (SetFocus
// does not work across processes); answers whether it has it then.
bool FocusControl(HWND control);
// The window with the keyboard focus in the thread that owns this window.
HWND FocusedWindow(HWND anyWindowOfThread);
// Posts a key press and release to a window.
void PressKey(HWND window, WPARAM key);
// Presses the key of each character (lower-case letters, digits and spaces:
// no Shift) at a window; the program's message loop makes the characters,
// as it does for typed keys.
void TypeText(HWND window, const wchar_t* text);

// ---- waiting for the program's own thread --------------------------------------
// Messages posted to one thread are handled in the order they were posted. A
// message sent from another process is not in that order (a thread takes
// sent messages before posted ones), so a reply to one proves nothing about
// what was posted before it; a posted marker does.

// Returns once the thread of the program's main window has handled every
// message posted to its windows before the call, and has shown any dialog
// that handling opened (a dialog made meanwhile shows as soon as its thread
// runs out of messages). The marker is the record list's hover time, which
// the program never uses.
bool WaitUntilHandled(HWND mainWindow, std::chrono::milliseconds timeout = 20s);
// Returns once the screen shows everything the program painted before the
// call, settled. A round: WaitUntilHandled, then the status bar switched to
// the empty menu help, seen on the screen, and back to the record count, seen
// again; the program paints what is pending before it puts its pictures on the
// screen, all at once. Rounds go on until one leaves the main window's picture
// (but the status bar) as it was: after a move or a resize, Wine and the X
// server bring the screen in step with the program's own picture in more than
// one exchange.
bool WaitForScreen(HWND mainWindow, std::chrono::milliseconds timeout = 20s);

// The folder of the test program (where Quorrel.exe is built).
std::wstring ProgramFolder();

// Runs a console program beside the test (quorrel-cli.exe) with the
// arguments and waits for it: its exit code, or STILL_ACTIVE when it did not
// end in time.
DWORD RunToEnd(const wchar_t* exeName, const std::wstring& arguments, std::chrono::milliseconds timeout = 60s);

// The milliseconds between two readings of the performance counter.
double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to);
