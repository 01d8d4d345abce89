#include "dialogs/framework/CqrDialog.h"

#include "dialogs/framework/Layout.h"
#include "dialogs/framework/Resources.h"

#include <algorithm>

const wchar_t* CurrentHelpTopic = nullptr;

namespace {

HINSTANCE resourceModule = nullptr;

// The open dialogs that a lock cancels, outermost first.
std::vector<CqrDialog*> closingOnLock;

PlacementRect Convert(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

void EndWithOwnedDialogs(HWND dialog);

BOOL CALLBACK EndIfOwnedBy(HWND window, LPARAM owner) {
    wchar_t className[8] = {};
    GetClassNameW(window, className, 8);
    if (GetWindow(window, GW_OWNER) == reinterpret_cast<HWND>(owner) && lstrcmpW(className, L"#32770") == 0)
        EndWithOwnedDialogs(window);
    return TRUE;
}

// The innermost dialog ends first; each modal loop then returns in turn.
void EndWithOwnedDialogs(HWND dialog) {
    EnumThreadWindows(GetCurrentThreadId(), EndIfOwnedBy, reinterpret_cast<LPARAM>(dialog));
    EndDialog(dialog, IDCANCEL);
}

}  // namespace

void SetResourceModule(HINSTANCE module) { resourceModule = module; }
HINSTANCE ResourceModule() { return resourceModule; }

void WipeControlText(HWND control) {
    int length = GetWindowTextLengthW(control);
    if (length > 0) SetWindowTextW(control, std::wstring(static_cast<size_t>(length), L' ').c_str());
    SetWindowTextW(control, L"");
    // An edit keeps what the user deleted for undo; that copy goes as well.
    SendMessageW(control, EM_EMPTYUNDOBUFFER, 0, 0);
}

RECT WorkArea() {
    RECT area;
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) {
        area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    return area;
}

void CqrDialog::CancelDialogsThatCloseOnLock() {
    // Ending a dialog takes it off the list (at WM_NCDESTROY, when its modal
    // loop returns); a copy is walked so that nothing is ended twice.
    std::vector<CqrDialog*> open = closingOnLock;
    for (CqrDialog* dialog : open) {
        if (!dialog->hwnd || dialog->endedByLock) continue;
        dialog->endedByLock = true;
        EndWithOwnedDialogs(dialog->hwnd);
    }
}

bool CqrDialog::AnyOpenThatClosesOnLock() {
    return std::any_of(closingOnLock.begin(), closingOnLock.end(),
                       [](const CqrDialog* dialog) { return !dialog->endedByLock; });
}

CqrDialog::CqrDialog(WORD dialogTemplate, const wchar_t* topic)
    : templateId(dialogTemplate),
      hasTopic(topic != nullptr),
      helpTopic(topic ? topic : L""),
      previousHelpTopic(CurrentHelpTopic) {
    CurrentHelpTopic = hasTopic ? helpTopic.c_str() : nullptr;
}

CqrDialog::~CqrDialog() {
    if (hwnd) DestroyWindow(hwnd);  // a modeless dialog still open
    CurrentHelpTopic = previousHelpTopic;
}

INT_PTR CqrDialog::Run(HWND ownerWindow) {
    owner = ownerWindow;
    return DialogBoxParamW(ResourceModule(), MAKEINTRESOURCEW(templateId), owner, StaticDialogProc,
                           reinterpret_cast<LPARAM>(this));
}

HWND CqrDialog::Open(HWND ownerWindow) {
    owner = ownerWindow;
    HWND window = CreateDialogParamW(ResourceModule(), MAKEINTRESOURCEW(templateId), owner, StaticDialogProc,
                                     reinterpret_cast<LPARAM>(this));
    if (window) {
        ShowWindow(window, SW_SHOWNORMAL);
        UpdateWindow(window);
    }
    return window;
}

void CqrDialog::Attach(HWND window) {
    SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(this));
    hwnd = window;
    endedByLock = false;
    if (closesOnLock) closingOnLock.push_back(this);
}

// The window is going: nothing may reach this object through it any more.
void CqrDialog::Detach() {
    SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    std::erase(closingOnLock, this);
    hwnd = nullptr;
}

INT_PTR CALLBACK CqrDialog::StaticDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CqrDialog*>(lParam);
        if (!dialog) return TRUE;
        dialog->Attach(window);
        dialog->CentreOverOwner();
        // Where the system cannot leave a window out of captures, it can
        // still keep it from being shown on another monitor or recording.
        if (dialog->hiddenFromCapture && !SetWindowDisplayAffinity(window, WDA_EXCLUDEFROMCAPTURE))
            SetWindowDisplayAffinity(window, WDA_MONITOR);
        return dialog->OnInitDialog() ? TRUE : FALSE;
    }
    auto* dialog = reinterpret_cast<CqrDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!dialog) return FALSE;  // messages before WM_INITDIALOG
    // The controls still exist while the dialog itself is being destroyed.
    if (message == WM_DESTROY) {
        for (int id : dialog->secretControls) WipeControlText(GetDlgItem(window, id));
    }
    INT_PTR result = dialog->DialogProc(message, wParam, lParam);
    if (message == WM_NCDESTROY) dialog->Detach();
    return result;
}

void CqrDialog::KeepRectInWorkArea(RECT& rect) {
    PlacementRect kept = KeptInWorkArea(Convert(WorkArea()), Convert(rect));
    rect = {kept.left, kept.top, kept.right, kept.bottom};
}

void CqrDialog::CentreOverOwner() {
    RECT own;
    GetWindowRect(hwnd, &own);
    RECT ownerRect;
    bool hasOwner = owner && GetWindowRect(owner, &ownerRect);
    PlacementRect parentRect = Convert(ownerRect);
    PlacementPoint at = CentredPosition(Convert(WorkArea()), hasOwner ? &parentRect : nullptr, own.right - own.left,
                                        own.bottom - own.top);
    SetWindowPos(hwnd, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void CqrDialog::MakeControlBold(int id) {
    auto font = reinterpret_cast<HFONT>(SendDlgItemMessageW(hwnd, id, WM_GETFONT, 0, 0));
    LOGFONTW description;
    if (!font || !GetObjectW(font, sizeof description, &description)) return;
    description.lfWeight = FW_BOLD;
    Font bold(CreateFontIndirectW(&description));
    if (!bold) return;
    SendDlgItemMessageW(hwnd, id, WM_SETFONT, reinterpret_cast<WPARAM>(bold.Get()), FALSE);
    fonts.push_back(std::move(bold));
}

bool CqrDialog::HandleCommand(int id, int code) {
    if (OnCommand(id, code)) return true;
    if (code != BN_CLICKED) return false;
    if (id == IDOK) {
        if (Apply()) End(IDOK);
        return true;
    }
    if (id == IDCANCEL) {
        End(IDCANCEL);
        return true;
    }
    return false;
}

INT_PTR CqrDialog::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(hwnd, &paint);
            OnPaint(dc);
            EndPaint(hwnd, &paint);
            return TRUE;
        }
        case WM_DRAWITEM:
            if (OnDrawItem(static_cast<int>(wParam), *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return TRUE;
            break;
        case WM_MEASUREITEM:
            if (OnMeasureItem(static_cast<int>(wParam), *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) return TRUE;
            break;
        case WM_COMMAND:
            if (HandleCommand(LOWORD(wParam), HIWORD(wParam))) return TRUE;
            break;
        default: break;
    }
    return OnMessage(message, wParam, lParam);
}
