#include "app/ActivityLock.h"

#include "storage/Settings.h"

ActivityLock::ActivityLock(HWND owner, UINT_PTR timer) : window(owner), timerId(timer) {
    installed = this;
    mouseHook = SetWindowsHookExW(WH_MOUSE, MouseHook, nullptr, GetCurrentThreadId());
    keyboardHook = SetWindowsHookExW(WH_KEYBOARD, KeyboardHook, nullptr, GetCurrentThreadId());
}

ActivityLock::~ActivityLock() {
    if (mouseHook) UnhookWindowsHookEx(mouseHook);
    if (keyboardHook) UnhookWindowsHookEx(keyboardHook);
    KillTimer(window, timerId);
    if (installed == this) installed = nullptr;
}

LRESULT CALLBACK ActivityLock::MouseHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && installed &&
        (wParam == WM_LBUTTONDOWN || wParam == WM_RBUTTONDOWN || wParam == WM_NCLBUTTONDOWN ||
         wParam == WM_NCRBUTTONDOWN)) {
        installed->Restart();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK ActivityLock::KeyboardHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && installed) installed->Restart();
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void ActivityLock::Restart() {
    if (!theSettings) return;
    KillTimer(window, timerId);
    int minutes = theSettings->Active().lockoutMinutes;
    if (minutes > 0 && !theSettings->locked) SetTimer(window, timerId, static_cast<UINT>(minutes) * 60000, nullptr);
}
