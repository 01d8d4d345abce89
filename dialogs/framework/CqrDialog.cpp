#include "dialogs/framework/CqrDialog.h"

#include "app/Application.h"
#include "dialogs/framework/Layout.h"

const wchar_t* CurrentHelpTopic = nullptr;
HWND RecordEditDialogHandle = nullptr;

namespace {

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

void CancelRecordEditDialog() {
    if (!RecordEditDialogHandle) return;
    EndWithOwnedDialogs(RecordEditDialogHandle);
    RecordEditDialogHandle = nullptr;
}

RECT WorkArea() {
    RECT area;
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) {
        area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    return area;
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

INT_PTR CqrDialog::Run(HWND owner) { return DoModal(theApp.resources, templateId, owner); }

HWND CqrDialog::Open(HWND owner) {
    parent = owner;
    HWND window = CreateDialogParamW(theApp.resources, MAKEINTRESOURCEW(templateId), owner, StaticDialogProc,
                                     reinterpret_cast<LPARAM>(this));
    if (window) {
        ShowWindow(window, SW_SHOWNORMAL);
        UpdateWindow(window);
    }
    return window;
}

INT_PTR CqrDialog::DoModal(HINSTANCE module, WORD dialogTemplate, HWND owner) {
    parent = owner;
    return DialogBoxParamW(module, MAKEINTRESOURCEW(dialogTemplate), owner, StaticDialogProc,
                           reinterpret_cast<LPARAM>(this));
}

void CqrDialog::Attach(HWND window) {
    SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(this));
    hwnd = window;
    if (cancelledByLock) RecordEditDialogHandle = window;
}

// The window is going: nothing may reach this object through it any more.
void CqrDialog::Detach() {
    SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    if (RecordEditDialogHandle == hwnd) RecordEditDialogHandle = nullptr;
    hwnd = nullptr;
}

INT_PTR CALLBACK CqrDialog::StaticDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CqrDialog*>(lParam);
        if (!dialog) return 1;
        dialog->Attach(window);
        dialog->CentreWindow();
        return dialog->OnInitDialog(window, message, wParam, lParam);
    }
    auto* dialog = reinterpret_cast<CqrDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!dialog) return 0;  // messages before WM_INITDIALOG
    INT_PTR result = dialog->DialogProc(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) dialog->Detach();
    return result;
}

void CqrDialog::KeepRectInWorkArea(RECT& rect) {
    PlacementRect kept = KeptInWorkArea(Convert(WorkArea()), Convert(rect));
    rect = {kept.left, kept.top, kept.right, kept.bottom};
}

bool CqrDialog::CentreWindow() {
    RECT own;
    GetWindowRect(hwnd, &own);
    RECT owner;
    bool hasParent = parent && GetWindowRect(parent, &owner);
    PlacementRect parentRect = Convert(owner);
    PlacementPoint at = CentredPosition(Convert(WorkArea()), hasParent ? &parentRect : nullptr, own.right - own.left,
                                        own.bottom - own.top);
    return SetWindowPos(hwnd, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER) == 1;
}

INT_PTR CqrDialog::OnInitDialog(HWND, UINT, WPARAM, LPARAM) { return 1; }
int CqrDialog::OnCommand(HWND, int) { return 0; }
int CqrDialog::OnSelChange(HWND, HWND, int) { return 0; }
int CqrDialog::OnFocusChange(HWND, int, HWND, int) { return 0; }
void CqrDialog::OnPaint(HWND, HDC) {}
int CqrDialog::OnDrawItem(int, DRAWITEMSTRUCT*) { return 0; }
int CqrDialog::OnMeasureItem(int, MEASUREITEMSTRUCT*) { return 0; }
int CqrDialog::OnNotify(HWND, UINT, WPARAM, LPARAM) { return 0; }
INT_PTR CqrDialog::OnOtherMessage(HWND, UINT, WPARAM, LPARAM) { return 0; }

INT_PTR CqrDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            OnPaint(window, dc);
            EndPaint(window, &ps);
            return 1;
        }
        case WM_DRAWITEM:
            if (OnDrawItem(static_cast<int>(wParam), reinterpret_cast<DRAWITEMSTRUCT*>(lParam)) == 1) return 1;
            break;
        case WM_MEASUREITEM:
            if (OnMeasureItem(static_cast<int>(wParam), reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)) == 1) return 1;
            break;
        case WM_NOTIFY:
            if (OnNotify(window, message, wParam, lParam) == 1) return 1;
            break;
        case WM_COMMAND: {
            int id = LOWORD(wParam);
            auto control = reinterpret_cast<HWND>(lParam);
            switch (HIWORD(wParam)) {
                case 0:
                    if (OnCommand(window, id) != 0) return 1;
                    if (id == IDOK || id == IDCANCEL) {
                        EndDialog(window, id);
                        return 1;
                    }
                    break;
                case 1:
                    if (OnSelChange(window, control, id) == 1) return 1;
                    break;
                case EN_SETFOCUS:
                case EN_KILLFOCUS:
                    if (OnFocusChange(window, HIWORD(wParam) == EN_SETFOCUS ? 1 : 0, control, id) == 1) return 1;
                    break;
                default: break;
            }
            break;
        }
        default: break;
    }
    return OnOtherMessage(window, message, wParam, lParam);
}
