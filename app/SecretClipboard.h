// Values copied to the clipboard stay there for a few seconds only. They are
// marked so that clipboard history, the cloud clipboard and clipboard monitors
// leave them alone, and cleared after the countdown, at lock and at exit, but
// only while the clipboard still holds what the program put there: whatever
// anyone copies later is never wiped.
#pragma once

#include <windows.h>

inline constexpr int kClipboardClearSeconds = 12;

// The registered formats set beside the text, each holding a DWORD 0.
inline constexpr const wchar_t* kClipboardPrivacyFormats[] = {
    L"ExcludeClipboardContentFromMonitorProcessing",
    L"CanIncludeInClipboardHistory",
    L"CanUploadToCloudClipboard",
};

// Places text on the clipboard with the privacy formats and starts the
// countdown in the status bar; false (with a message) when the clipboard
// could not be taken.
bool CopySecret(HWND owner, const wchar_t* text);
// The main window's clipboard timer: one tick a second.
void OnClipboardTimer();
// Clears the clipboard now when it still holds the copied value.
void ClearCopiedSecret();
