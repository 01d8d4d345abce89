#include "dialogs/CdlgProgress.h"

#include "dialogs/framework/Messages.h"
#include "res/resource.h"

#include <commctrl.h>

namespace {

constexpr ULONGLONG kShowAfterMs = 500;
// Often enough to look smooth, seldom enough to cost nothing.
constexpr ULONGLONG kUpdateEveryMs = 50;
constexpr int kBarRange = 1000;

HCURSOR WaitCursor() { return LoadCursorW(nullptr, IDC_WAIT); }

}  // namespace

CdlgProgress::CdlgProgress(HWND owner, UINT caption, UINT text, bool cancellable)
    : CqrDialog(IDD_PROGRESS, nullptr),
      ownerWindow(owner),
      captionId(caption),
      textId(text),
      canCancel(cancellable),
      started(GetTickCount64()),
      previousCursor(SetCursor(WaitCursor())) {}

CdlgProgress::~CdlgProgress() {
    Close();
    SetCursor(previousCursor ? previousCursor : LoadCursorW(nullptr, IDC_ARROW));
}

// The owner is enabled again before the window goes, so that the system
// activates the owner and not some other program's window.
void CdlgProgress::Close() {
    if (ownerDisabled) {
        // Clicks and keys aimed at the disabled window during the operation
        // would otherwise act on it afterwards.
        MSG message;
        while (PeekMessageW(&message, ownerWindow, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {}
        while (PeekMessageW(&message, ownerWindow, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {}
        EnableWindow(ownerWindow, TRUE);
        ownerDisabled = false;
    }
    if (hwnd) DestroyWindow(hwnd);
}

bool CdlgProgress::Step(int32_t done, int32_t total) {
    ULONGLONG now = GetTickCount64();
    if (now - lastUpdate < kUpdateEveryMs) return !cancelled;
    lastUpdate = now;
    if (!hwnd && now - started >= kShowAfterMs) Show();
    if (hwnd) ShowCount(done, total);
    LetWindowsRepaint();
    return !cancelled;
}

void CdlgProgress::Show() {
    if (!Open(ownerWindow)) return;
    if (ownerWindow && IsWindowEnabled(ownerWindow)) {
        EnableWindow(ownerWindow, FALSE);
        ownerDisabled = true;
    }
}

void CdlgProgress::ShowCount(int32_t done, int32_t total) {
    CResString format(textId);
    wchar_t text[128];
    wsprintfW(text, format.Text(), done, total);
    SetDlgItemTextW(hwnd, IDC_PROGRESS_TEXT, text);
    int position = total > 0 ? static_cast<int>(static_cast<int64_t>(done) * kBarRange / total) : 0;
    SendDlgItemMessageW(hwnd, IDC_PROGRESS_BAR, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    UpdateWindow(hwnd);
}

// Only what keeps the screen right and the progress window working is
// handled here; everything else waits in the queue until the operation ends.
void CdlgProgress::LetWindowsRepaint() {
    MSG message;
    while (hwnd && PeekMessageW(&message, hwnd, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageW(hwnd, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    while (PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageW(&message);
}

bool CdlgProgress::OnInitDialog() {
    SetWindowTextW(hwnd, CResString(captionId).Text());
    SendDlgItemMessageW(hwnd, IDC_PROGRESS_BAR, PBM_SETRANGE32, 0, kBarRange);
    EnableWindow(GetDlgItem(hwnd, IDCANCEL), canCancel);
    return true;
}

bool CdlgProgress::OnCommand(int id, int) {
    // Ends nothing by itself: the operation stops at its next record and
    // its owner closes the window.
    if (id == IDCANCEL && canCancel) cancelled = true;
    return id == IDOK || id == IDCANCEL;
}

INT_PTR CdlgProgress::OnMessage(UINT message, WPARAM wParam, LPARAM) {
    // The wait cursor everywhere but over the Cancel button that works.
    if (message == WM_SETCURSOR && !(canCancel && reinterpret_cast<HWND>(wParam) == GetDlgItem(hwnd, IDCANCEL))) {
        SetCursor(WaitCursor());
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, TRUE);
        return TRUE;
    }
    return 0;
}
