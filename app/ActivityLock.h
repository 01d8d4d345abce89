// The inactivity lock: thread-local mouse and keyboard hooks restart a timer
// of the main window; when it fires, the data locks.
#pragma once

#include <windows.h>

class ActivityLock {
public:
    ActivityLock(HWND window, UINT_PTR timerId);
    ActivityLock(const ActivityLock&) = delete;
    ActivityLock& operator=(const ActivityLock&) = delete;
    // Removes the hooks and the timer.
    ~ActivityLock();

    // Starts the timer afresh with the preferences' minutes, while the data
    // is unlocked and the preference asks for a lock; stops it otherwise.
    void Restart();

private:
    static LRESULT CALLBACK MouseHook(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK KeyboardHook(int code, WPARAM wParam, LPARAM lParam);

    // The hooks get no context of their own: they reach the one lock through this.
    inline static ActivityLock* installed = nullptr;

    HWND window;
    UINT_PTR timerId;
    HHOOK mouseHook = nullptr;
    HHOOK keyboardHook = nullptr;
};
