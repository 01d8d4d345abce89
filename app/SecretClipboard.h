// Values copied to the clipboard stay there for a few seconds only. They are
// marked so that clipboard history, the cloud clipboard and clipboard monitors
// leave them alone, and cleared after the countdown, at lock and at exit, but
// only while the clipboard still holds what the program put there: whatever
// anyone copies later is never wiped.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

inline constexpr int kClipboardClearSeconds = 12;

// The registered formats set beside the text, each holding a DWORD 0.
inline constexpr const wchar_t* kClipboardPrivacyFormats[] = {
    L"ExcludeClipboardContentFromMonitorProcessing",
    L"CanIncludeInClipboardHistory",
    L"CanUploadToCloudClipboard",
};

class SecretClipboard {
public:
    // The window that owns the copies and runs the countdown's timer; the
    // countdown is shown through showStatus, and an empty text ends it.
    SecretClipboard(HWND window, UINT_PTR timerId, std::function<void(const wchar_t*)> showStatus);
    SecretClipboard(const SecretClipboard&) = delete;
    SecretClipboard& operator=(const SecretClipboard&) = delete;
    ~SecretClipboard();

    // Places text on the clipboard with the privacy formats and starts the
    // countdown; false (with a message) when the clipboard could not be taken.
    bool Copy(HWND owner, const wchar_t* text);
    // The countdown's timer: one tick a second.
    void OnTimer();
    // WM_RENDERFORMAT and WM_DESTROYCLIPBOARD of the window.
    void OnRenderFormat(UINT format);
    void OnDestroyClipboard();
    // Clears the clipboard now when it still holds the copied value; at exit
    // it waits longer for a clipboard another program holds open.
    void Clear();
    void ClearAtExit();

private:
    bool StillOurs() const;
    void ClearWithin(DWORD milliseconds);
    void ForgetValue();
    void StopCountdown();
    void ShowCountdown();

    HWND window;
    UINT_PTR timerId;
    std::function<void(const wchar_t*)> showStatus;
    // What identifies our copy: the clipboard's sequence number right after
    // it was placed. Any later change by anyone moves the number on.
    bool holdsCopy = false;
    DWORD copySequence = 0;
    ULONGLONG clearAt = 0;
    std::wstring value;     // the copied value until it is cleared; wiped then
    bool rendered = false;  // a program has asked for it, so the clipboard holds it too
};
