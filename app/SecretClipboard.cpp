#include "app/SecretClipboard.h"

#include "dialogs/framework/Messages.h"
#include "model/base/StringTable.h"

#include <commctrl.h>

#include <cstring>
#include <utility>

namespace {

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

}  // namespace

SecretClipboard::SecretClipboard(HWND owner, UINT_PTR timer, std::function<void(const wchar_t*)> status)
    : window(owner), timerId(timer), showStatus(std::move(status)) {}

bool SecretClipboard::StillOurs() const { return holdsCopy && GetClipboardSequenceNumber() == copySequence; }

void SecretClipboard::StopCountdown() {
    holdsCopy = false;
    KillTimer(window, timerId);
    showStatus(L"");
}

void SecretClipboard::ShowCountdown() {
    ULONGLONG now = GetTickCount64();
    int seconds = now >= clearAt ? 0 : static_cast<int>((clearAt - now + 999) / 1000);
    CResString format(seconds == 1 ? IDS_CLIPBOARD_COUNTDOWN_ONE : IDS_CLIPBOARD_COUNTDOWN_MANY);
    wchar_t text[128];
    wsprintfW(text, format.Text(), seconds);
    showStatus(text);
}

bool SecretClipboard::Copy(HWND owner, const wchar_t* text) {
    if (!OpenClipboardSoon(window)) {
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
    SetTimer(window, timerId, 1000, nullptr);
    ShowCountdown();
    return true;
}

void SecretClipboard::OnTimer() {
    if (!StillOurs()) {
        StopCountdown();  // someone copied something else: theirs stays
        return;
    }
    if (GetTickCount64() < clearAt) {
        ShowCountdown();
        return;
    }
    Clear();  // when the clipboard is busy, the next tick tries again
}

void SecretClipboard::Clear() {
    if (!holdsCopy) return;
    if (StillOurs()) {
        if (!OpenClipboardSoon(window)) return;
        // Checked again while the clipboard is ours alone.
        if (GetClipboardSequenceNumber() == copySequence) EmptyOpenClipboard();
        CloseClipboard();
    }
    StopCountdown();
}
