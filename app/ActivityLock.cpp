#include "app/ActivityLock.h"

#include "app/Commands.h"
#include "app/MainWindow.h"
#include "app/SecretClipboard.h"
#include "dialogs/framework/CqrDialog.h"
#include "storage/Settings.h"
#include "views/CRecList.h"

namespace {

enum Hook {
    kMouseHook,
    kKeyboardHook
};

LRESULT CALLBACK MouseHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && (wParam == WM_LBUTTONDOWN || wParam == WM_RBUTTONDOWN || wParam == WM_NCLBUTTONDOWN ||
                              wParam == WM_NCRBUTTONDOWN)) {
        RestartLockTimer(mainWindow.hwnd);
    }
    return CallNextHookEx(mainWindow.hooks[kMouseHook], code, wParam, lParam);
}

LRESULT CALLBACK KeyboardHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) RestartLockTimer(mainWindow.hwnd);
    return CallNextHookEx(mainWindow.hooks[kKeyboardHook], code, wParam, lParam);
}

}  // namespace

void InstallActivityHooks() {
    mainWindow.hooks[kMouseHook] = SetWindowsHookExW(WH_MOUSE, MouseHook, nullptr, GetCurrentThreadId());
    mainWindow.hooks[kKeyboardHook] = SetWindowsHookExW(WH_KEYBOARD, KeyboardHook, nullptr, GetCurrentThreadId());
}

void RemoveActivityHooks() {
    for (HHOOK& hook : mainWindow.hooks) {
        if (hook) UnhookWindowsHookEx(hook);
        hook = nullptr;
    }
    if (mainWindow.hwnd) KillTimer(mainWindow.hwnd, kLockTimerId);
}

void RestartLockTimer(HWND mainWindowHandle) {
    if (!mainWindowHandle || !theSettings) return;
    KillTimer(mainWindowHandle, kLockTimerId);
    int minutes = theSettings->Active().lockoutMinutes;
    if (minutes > 0 && !theSettings->locked)
        SetTimer(mainWindowHandle, kLockTimerId, static_cast<UINT>(minutes) * 60000, nullptr);
}

void OnLockTimer() { LockNow(); }

void LockNow() {
    ClearCopiedSecret();
    if (!theSettings || theSettings->locked) return;
    CancelRecordEditDialog();
    LockData();
    if (mainWindow.recordList) mainWindow.recordList->Refresh();
}
