// The program's main window made inside a test's own process, over a database
// the test made, as start-up makes it; and its teardown.
#pragma once

#include <windows.h>

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

class MainWindowState;

// The data folder, the open database and the shown main window; null when
// the database cannot be opened or the window cannot be made.
HWND OpenMainWindowInProcess(const std::filesystem::path& folder, const std::wstring& databasePath);
// Destroys the window (when there is one) and releases what the opening made.
void CloseMainWindowInProcess(HWND main);
// The main window object of the open window.
MainWindowState& Window();
// Dispatches every message waiting for this thread, the main window's keys
// first, as the program's message loop does.
void PumpMessages();
// Presses and releases each key in turn at a window (the one with the focus,
// as the keyboard would), each handled before the next.
void PressKeys(HWND window, std::initializer_list<WPARAM> keys);

// Runs each action in turn on the next visible dialog or menu window of this
// thread as it opens: modal loops keep dispatching thread timers.
class WhenWindowOpens {
public:
    WhenWindowOpens(const wchar_t* windowClass, std::vector<std::function<void(HWND)>> then) {
        className = windowClass;
        actions = std::move(then);
        timer = SetTimer(nullptr, 0, 50, Tick);
    }
    ~WhenWindowOpens() {
        KillTimer(nullptr, timer);
        actions.clear();
    }

private:
    static BOOL CALLBACK Match(HWND window, LPARAM found) {
        wchar_t name[32] = {};
        GetClassNameW(window, name, 32);
        if (!IsWindowVisible(window) || className != name) return TRUE;
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        HWND found = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), Match, reinterpret_cast<LPARAM>(&found));
        if (!found || actions.empty()) return;
        auto run = std::move(actions.front());
        actions.erase(actions.begin());
        run(found);
    }
    inline static std::wstring className;
    inline static std::vector<std::function<void(HWND)>> actions;
    UINT_PTR timer = 0;
};

// Types a password into the open password prompt and presses OK.
void AnswerPasswordPrompt(HWND dialog, const char16_t* password);
// Pumps this thread's messages until the condition holds, for at most the
// milliseconds given; answers whether it held.
bool PumpUntil(const std::function<bool()>& condition, int milliseconds = 5000);
