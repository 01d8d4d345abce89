#include "app/SecretClipboard.h"

#include "dialogs/framework/Messages.h"
#include "model/base/StringTable.h"
#include "platform/Platform.h"

#include <commctrl.h>

#include <cstring>
#include <utility>

namespace {

constexpr DWORD kRetryMs = 20;
constexpr DWORD kBriefWaitMs = 200;  // a copy, a lock, a tick of the countdown
constexpr DWORD kExitWaitMs = 2000;  // the last chance to take the value back

// Another program may hold the clipboard open for a moment.
bool OpenClipboardWithin(HWND owner, DWORD milliseconds) {
    for (DWORD waited = 0;; waited += kRetryMs) {
        if (OpenClipboard(owner)) return true;
        if (waited >= milliseconds) return false;
        Sleep(kRetryMs);
    }
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

}  // namespace

SecretClipboard::SecretClipboard(HWND owner, UINT_PTR timer, std::function<void(const wchar_t*)> status)
    : window(owner), timerId(timer), showStatus(std::move(status)) {}

SecretClipboard::~SecretClipboard() { ForgetValue(); }

bool SecretClipboard::StillOurs() const { return holdsCopy && GetClipboardSequenceNumber() == copySequence; }

void SecretClipboard::ForgetValue() {
    platform::Wipe(value.data(), value.size() * sizeof(wchar_t));
    value.clear();
    rendered = false;
}

void SecretClipboard::StopCountdown() {
    holdsCopy = false;
    ForgetValue();
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

// The text itself is rendered only when a program asks for it (a paste), so
// it never leaves this process before then, and a process that dies leaves
// nothing on the clipboard. The privacy marks are placed at once.
bool SecretClipboard::Copy(HWND owner, const wchar_t* text) {
    if (!OpenClipboardWithin(window, kBriefWaitMs)) {
        ShowMessage(owner, IDS_COPY_CAPTION, IDS_CLIPBOARD_BUSY, kErrorBox);
        return false;
    }
    EmptyClipboard();  // our earlier copy, if any, is forgotten on the way
    ForgetValue();
    value = text;
    SetClipboardData(CF_UNICODETEXT, nullptr);  // rendered when asked for
    bool placed = IsClipboardFormatAvailable(CF_UNICODETEXT) != FALSE;
    const DWORD no = 0;
    for (const wchar_t* name : kClipboardPrivacyFormats) {
        UINT format = RegisterClipboardFormatW(name);
        placed = placed && format && PlaceData(format, &no, sizeof no);
    }
    // Without its privacy marks the value must not stay on the clipboard.
    if (!placed) EmptyClipboard();
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

void SecretClipboard::OnRenderFormat(UINT format) {
    // The program asking holds the clipboard open for us.
    if (format != CF_UNICODETEXT || !holdsCopy || value.empty()) return;
    if (!PlaceData(CF_UNICODETEXT, value.c_str(), (value.size() + 1) * sizeof(wchar_t))) return;
    rendered = true;
    // Rendering is no change of content: the copy is still ours to clear.
    copySequence = GetClipboardSequenceNumber();
}

void SecretClipboard::OnDestroyClipboard() {
    // Someone emptied the clipboard: the value is no longer wanted.
    if (holdsCopy) ForgetValue();
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

void SecretClipboard::Clear() { ClearWithin(kBriefWaitMs); }

void SecretClipboard::ClearAtExit() { ClearWithin(kExitWaitMs); }

void SecretClipboard::ClearWithin(DWORD milliseconds) {
    if (!holdsCopy) return;
    if (StillOurs()) {
        if (!OpenClipboardWithin(window, milliseconds)) return;
        // Checked again while the clipboard is ours alone.
        if (GetClipboardSequenceNumber() == copySequence) {
            // A rendered copy is wiped where this process can still reach it.
            if (HANDLE text = rendered ? GetClipboardData(CF_UNICODETEXT) : nullptr) {
                if (void* bytes = GlobalLock(text)) {
                    SecureZeroMemory(bytes, GlobalSize(text));
                    GlobalUnlock(text);
                }
            }
            EmptyClipboard();
        }
        CloseClipboard();
    }
    StopCountdown();
}
