#include "app/SecretClipboard.h"

#include "app/MainWindow.h"
#include "dialogs/framework/Messages.h"
#include "model/base/StringTable.h"

#include <commctrl.h>

#include <cstring>

namespace {

// What identifies our copy: the clipboard's sequence number right after it
// was placed. Any later change by anyone moves the number on.
bool holdsCopy = false;
DWORD copySequence = 0;
ULONGLONG clearAt = 0;

bool ClipboardStillOurs() { return holdsCopy && GetClipboardSequenceNumber() == copySequence; }

// Another program may hold the clipboard open for a moment.
bool OpenClipboardSoon(HWND owner) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (OpenClipboard(owner)) return true;
        Sleep(20);
    }
    return false;
}

bool PlaceData(UINT format, const void* data, size_t bytes) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory) return false;
    void* target = GlobalLock(memory);
    if (!target) {
        GlobalFree(memory);
        return false;
    }
    std::memcpy(target, data, bytes);
    GlobalUnlock(memory);
    // On success the clipboard owns the memory.
    if (SetClipboardData(format, memory)) return true;
    SecureZeroMemory(GlobalLock(memory), bytes);
    GlobalUnlock(memory);
    GlobalFree(memory);
    return false;
}

// Wipes the text where this process can still reach it, then empties the clipboard.
void EmptyOpenClipboard() {
    if (HANDLE text = GetClipboardData(CF_UNICODETEXT)) {
        if (void* bytes = GlobalLock(text)) {
            SecureZeroMemory(bytes, GlobalSize(text));
            GlobalUnlock(text);
        }
    }
    EmptyClipboard();
}

void StopCountdown() {
    holdsCopy = false;
    if (mainWindow.hwnd) KillTimer(mainWindow.hwnd, kClipboardTimerId);
    UpdateRecordCount();
}

void ShowCountdown() {
    if (!mainWindow.hwndStatus) return;
    ULONGLONG now = GetTickCount64();
    int seconds = now >= clearAt ? 0 : static_cast<int>((clearAt - now + 999) / 1000);
    CResString format(seconds == 1 ? IDS_CLIPBOARD_COUNTDOWN_ONE : IDS_CLIPBOARD_COUNTDOWN_MANY);
    wchar_t text[128];
    wsprintfW(text, format.Text(), seconds);
    SendMessageW(mainWindow.hwndStatus, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text));
}

}  // namespace

bool CopySecret(HWND owner, const wchar_t* text) {
    if (!OpenClipboardSoon(mainWindow.hwnd)) {
        ShowMessage(owner, IDS_COPY_CAPTION, IDS_CLIPBOARD_BUSY, kErrorBox);
        return false;
    }
    EmptyClipboard();
    bool placed = PlaceData(CF_UNICODETEXT, text, (wcslen(text) + 1) * sizeof(wchar_t));
    const DWORD no = 0;
    for (const wchar_t* name : kClipboardPrivacyFormats) {
        UINT format = RegisterClipboardFormatW(name);
        placed = placed && format && PlaceData(format, &no, sizeof no);
    }
    // Without its privacy marks the value must not stay on the clipboard.
    if (!placed) EmptyOpenClipboard();
    CloseClipboard();
    if (!placed) {
        StopCountdown();
        ShowMessage(owner, IDS_COPY_CAPTION, IDS_CLIPBOARD_BUSY, kErrorBox);
        return false;
    }
    holdsCopy = true;
    copySequence = GetClipboardSequenceNumber();
    clearAt = GetTickCount64() + kClipboardClearSeconds * 1000ULL;
    SetTimer(mainWindow.hwnd, kClipboardTimerId, 1000, nullptr);
    ShowCountdown();
    return true;
}

void OnClipboardTimer() {
    if (!ClipboardStillOurs()) {
        StopCountdown();  // someone copied something else: theirs stays
        return;
    }
    if (GetTickCount64() < clearAt) {
        ShowCountdown();
        return;
    }
    ClearCopiedSecret();  // when the clipboard is busy, the next tick tries again
}

void ClearCopiedSecret() {
    if (!holdsCopy) return;
    if (ClipboardStillOurs()) {
        if (!OpenClipboardSoon(mainWindow.hwnd)) return;
        // Checked again while the clipboard is ours alone.
        if (GetClipboardSequenceNumber() == copySequence) EmptyOpenClipboard();
        CloseClipboard();
    }
    StopCountdown();
}
