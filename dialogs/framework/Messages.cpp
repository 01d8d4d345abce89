#include "dialogs/framework/Messages.h"

#include "dialogs/framework/CqrDialog.h"
#include "dialogs/framework/Layout.h"
#include "dialogs/framework/Resources.h"
#include "model/Database.h"
#include "model/base/StringTable.h"
#include "platform/Platform.h"
#include "platform/Wide.h"

#include <cstdarg>

namespace {

HHOOK messageHook = nullptr;
bool centreOnOwner = false;

bool IsDialogClass(HWND window) {
    wchar_t className[17] = {};
    GetClassNameW(window, className, 17);
    return lstrcmpW(className, L"#32770") == 0;
}

PlacementPoint CentredOver(HWND owner, int width, int height) {
    RECT area = WorkArea();
    PlacementRect work = {area.left, area.top, area.right, area.bottom};
    RECT ownerWindow;
    PlacementRect ownerRect{};
    bool hasOwner = centreOnOwner && owner && GetWindowRect(owner, &ownerWindow);
    if (hasOwner) ownerRect = {ownerWindow.left, ownerWindow.top, ownerWindow.right, ownerWindow.bottom};
    return CentredPosition(work, hasOwner ? &ownerRect : nullptr, width, height);
}

// Places a message box as a dialog would be placed, before it is shown. Some
// systems create the box before they know its final size; it is placed again
// once, with that size, when it is first activated.
LRESULT CALLBACK CentreMessageBox(int code, WPARAM wParam, LPARAM lParam) {
    static HWND placedAgain = nullptr;
    auto window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_CREATEWND && IsDialogClass(window)) {
        auto* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam);
        PlacementPoint at = CentredOver(create->lpcs->hwndParent, create->lpcs->cx, create->lpcs->cy);
        create->lpcs->x = at.x;
        create->lpcs->y = at.y;
    } else if (code == HCBT_ACTIVATE && window != placedAgain && IsDialogClass(window)) {
        placedAgain = window;
        RECT r;
        GetWindowRect(window, &r);
        PlacementPoint at = CentredOver(GetWindow(window, GW_OWNER), r.right - r.left, r.bottom - r.top);
        SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return CallNextHookEx(messageHook, code, wParam, lParam);
}

int ShowFormatted(HWND owner, UINT captionId, const wchar_t* text, UINT flags) {
    CResString caption(captionId);
    centreOnOwner = owner != nullptr;
    messageHook = SetWindowsHookExW(WH_CBT, CentreMessageBox, nullptr, GetCurrentThreadId());
    int result = MessageBoxW(owner, text, caption.Text(), flags);
    if (messageHook) UnhookWindowsHookEx(messageHook);
    messageHook = nullptr;
    return result;
}

}  // namespace

void CResString::Load(UINT id) {
    wchar_t buffer[255];
    int n = LoadStringW(ResourceModule(), id, buffer, 255);
    text.assign(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

namespace {

// wvsprintfW writes up to 1024 characters whatever the buffer: the text is
// formatted into one that large, then cut to maxChars.
int ShowText(HWND owner, UINT captionId, UINT textId, UINT flags, int maxChars, va_list args) {
    CResString format(textId);
    wchar_t text[1025];
    wvsprintfW(text, format.Text(), args);
    if (maxChars < 1024) text[maxChars] = 0;
    return ShowFormatted(owner, captionId, text, flags);
}

}  // namespace

int ShowMessage(HWND owner, UINT captionId, UINT textId, UINT flags, ...) {
    va_list args;
    va_start(args, flags);
    int result = ShowText(owner, captionId, textId, flags, 263, args);
    va_end(args);
    return result;
}

int ShowLongMessage(HWND owner, UINT captionId, UINT textId, UINT flags, ...) {
    va_list args;
    va_start(args, flags);
    int result = ShowText(owner, captionId, textId, flags, 1024, args);
    va_end(args);
    return result;
}

void ShowWriteFailure(HWND owner, const CDatabase& database) {
    const std::string& reason = database.file.IoError();
    std::string why = reason.empty() ? std::string("the change could not be saved") : reason;
    std::u16string text = platform::Utf8ToUtf16(why.data(), why.size());
    ShowLongMessage(owner, IDS_STARTUP_CAPTION, IDS_DATABASE_CANNOT_WRITE, kErrorBox, W(database.path.c_str()),
                    W(text.c_str()));
}
