#include "dialogs/CqrDialog.h"

#include "dialogs/Placement.h"

const wchar_t* CurrentHelpTopic = nullptr;

namespace {

PlacementRect Convert(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace

RECT WorkArea() {
    RECT area;
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) {
        area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    return area;
}

CqrDialog::CqrDialog(const wchar_t* topic)
    : hasTopic(topic != nullptr), helpTopic(topic ? topic : L""), previousHelpTopic(CurrentHelpTopic) {
    CurrentHelpTopic = hasTopic ? helpTopic.c_str() : nullptr;
}

CqrDialog::~CqrDialog() {
    CurrentHelpTopic = previousHelpTopic;
    for (HFONT font : fonts) DeleteObject(font);
}

INT_PTR CqrDialog::DoModal(HINSTANCE module, WORD templateId, HWND owner) {
    parent = owner;
    return DialogBoxParamW(module, MAKEINTRESOURCEW(templateId), owner, StaticDialogProc,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CqrDialog::StaticDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, GWLP_USERDATA, lParam);
        auto* dialog = reinterpret_cast<CqrDialog*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (!dialog) return 1;
        dialog->hwnd = window;
        dialog->CentreWindow();
        return dialog->OnInitDialog(window, message, wParam, lParam);
    }
    auto* dialog = reinterpret_cast<CqrDialog*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!dialog) return 0;
    return dialog->DialogProc(window, message, wParam, lParam);
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
    PlacementPoint at = CentredPosition(Convert(WorkArea()), hasParent ? &parentRect : nullptr,
                                        own.right - own.left, own.bottom - own.top);
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
                default:
                    break;
            }
            break;
        }
        default:
            break;
    }
    return OnOtherMessage(window, message, wParam, lParam);
}
