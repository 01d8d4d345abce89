#include "security/dialogs/SecretText.h"

#include "platform/Platform.h"

void WipeText(std::wstring& text) {
    platform::Wipe(text.data(), text.size() * sizeof(wchar_t));
    text.clear();
}

std::wstring ReadSecret(HWND dialog, int id, int maxChars) {
    wchar_t buffer[64];
    if (maxChars > 63) maxChars = 63;
    int n = GetDlgItemTextW(dialog, id, buffer, maxChars + 1);
    std::wstring text(buffer, n > 0 ? static_cast<size_t>(n) : 0);
    platform::Wipe(buffer, sizeof buffer);
    return text;
}

void ShowPasswordText(HWND dialog, int id) {
    HWND edit = GetDlgItem(dialog, id);
    SendMessageW(edit, EM_SETPASSWORDCHAR, 0, 0);
    InvalidateRect(edit, nullptr, TRUE);
}
