#include "app/MainWindow.h"

#include "app/ActivityLock.h"
#include "app/Application.h"
#include "app/Commands.h"
#include "app/Help.h"
#include "app/SecretClipboard.h"
#include "app/SessionLock.h"
#include "app/WindowPlacement.h"
#include "dialogs/CdlgGetStarted.h"
#include "dialogs/framework/CqrDialog.h"
#include "dialogs/framework/Display.h"
#include "dialogs/framework/Layout.h"
#include "dialogs/framework/Messages.h"
#include "model/Database.h"
#include "model/base/StringTable.h"
#include "model/win32/DataFolder.h"
#include "res/resource.h"
#include "security/Cipher.h"
#include "security/dialogs/CdlgPassword.h"
#include "security/dialogs/CdlgPwdWarn.h"
#include "storage/Settings.h"
#include "views/CRecList.h"
#include "views/CRecView.h"
#include "views/CSplitter.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Rebuilding the list with redrawing off shows the user one repaint.
class RedrawOff {
public:
    explicit RedrawOff(HWND listWindow) : list(listWindow) {
        if (list) SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    }
    RedrawOff(const RedrawOff&) = delete;
    RedrawOff& operator=(const RedrawOff&) = delete;
    ~RedrawOff() {
        if (!list) return;
        SendMessageW(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, nullptr, TRUE);
    }

private:
    HWND list;
};

// A new text for a menu item; the key it shows after a tab stays.
void SetMenuText(HMENU menu, int command, int textId) {
    wchar_t current[128] = {};
    GetMenuStringW(menu, static_cast<UINT>(command), current, 128, MF_BYCOMMAND);
    const wchar_t* key = wcschr(current, L'\t');
    std::wstring text = std::wstring(CResString(static_cast<UINT>(textId)).Text()) + (key ? key : L"");
    MENUITEMINFOW item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STRING;
    item.dwTypeData = text.data();
    SetMenuItemInfoW(menu, static_cast<UINT>(command), FALSE, &item);
}

}  // namespace

MainWindowState::MainWindowState(Application& application) : app(application) {}

MainWindowState::~MainWindowState() = default;

HWND MainWindowState::Create(const wchar_t* title, int x, int y, int width, int height) {
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES;
    InitCommonControlsEx(&controls);
    WNDCLASSEXW windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.hInstance = app.instance;
    windowClass.hIcon = LoadIconW(app.resources, MAKEINTRESOURCEW(IDI_QUORREL));
    windowClass.hIconSm =
        static_cast<HICON>(LoadImageW(app.resources, MAKEINTRESOURCEW(IDI_QUORREL), IMAGE_ICON, 16, 16, 0));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    // What shows behind the toolbar and the status bar: the system's face colour, high contrast or not.
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszMenuName = MAKEINTRESOURCEW(IDM_MAIN);
    windowClass.lpszClassName = kMainWindowClass;
    if (!RegisterWindowClass(windowClass)) return nullptr;
    return CreateWindowAs(0, kMainWindowClass, title, WS_OVERLAPPEDWINDOW, x, y, width, height, nullptr, nullptr,
                          app.instance);
}

CDatabase& MainWindowState::Database() { return app.database; }

const CIconList* MainWindowState::Icons() const { return app.dataFolder ? &app.dataFolder->icons : nullptr; }

bool MainWindowState::IsLocked() const { return theSettings && theSettings->locked != 0; }

// ---- the lock -------------------------------------------------------------

void MainWindowState::LockData() {
    if (theSettings) theSettings->locked = 1;
    WipeKey();
    if (clipboard) clipboard->Clear();
}

void MainWindowState::LockNow() {
    if (clipboard) clipboard->Clear();
    if (!theSettings || IsLocked()) return;
    CqrDialog::CancelDialogsThatCloseOnLock();
    LockData();
    if (recordList) recordList->Refresh();
}

bool MainWindowState::UnlockData(HWND owner, int promptId, bool exitOnFailure) {
    bool wasLocked = IsLocked();
    if (!AskForPassword(owner, promptId, exitOnFailure)) return false;
    if (wasLocked && !IsLocked()) ShowUnlocked();
    return true;
}

bool MainWindowState::Unlock(HWND owner, int promptId) { return UnlockData(owner, promptId, false); }

// Every view shows the values in clear again, the selection where it was,
// and the inactivity timer counts from now.
void MainWindowState::ShowUnlocked() {
    RestartLockTimer();
    // A search shown looks into the protected values now.
    if (recordList) recordList->SearchAgain();
    UpdateLockState();
    if (recordList && recordList->hwndList) InvalidateRect(recordList->hwndList, nullptr, FALSE);
    if (recordView) recordView->Show(selectedRecord);
}

void MainWindowState::RestartLockTimer() {
    if (activityLock) activityLock->Restart();
}

void MainWindowState::UpdateLockState() {
    bool locked = IsLocked();
    toolbar.ShowLocked(locked);
    UpdateCommandStates();
    if (HMENU menu = hwnd ? GetMenu(hwnd) : nullptr) {
        SetMenuText(menu, IDM_LOCK, locked ? IDS_MENU_UNLOCK : IDS_MENU_LOCK);
        SetMenuText(menu, IDM_PASSWORD, HasPassword() ? IDS_MENU_CHANGE_PASSWORD : IDS_MENU_ADD_PASSWORD);
        DrawMenuBar(hwnd);
    }
    UpdateRecordCount();
}

void MainWindowState::UpdateCommandStates() {
    HMENU menu = hwnd ? GetMenu(hwnd) : nullptr;
    for (const CommandRow& row : CommandTable()) {
        bool enable = row.needs == CommandNeeds::Selection  ? selectedRecord != nullptr
                      : row.needs == CommandNeeds::Password ? HasPassword()
                                                            : true;
        if (row.image >= 0) toolbar.Enable(row.id, enable);
        if (menu) EnableMenuItem(menu, static_cast<UINT>(row.id), MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
    }
}

bool MainWindowState::CopySecret(HWND owner, const wchar_t* text) { return clipboard && clipboard->Copy(owner, text); }

// ---- the views ------------------------------------------------------------

void MainWindowState::OnSelectionChanged(CRecord* record) {
    // The same record selected again (a search that kept it) shows as it does.
    if (record == selectedRecord && record) return;
    // Only whether a record is selected changes what the commands may do.
    bool hadOne = selectedRecord != nullptr;
    selectedRecord = record;
    if (hadOne != (record != nullptr)) UpdateCommandStates();
    if (!recordView) return;
    // A record the pane could still hold may be going: null is shown at once.
    if (paneFollowsLater && record) {
        PostMessageW(hwnd, UM_SHOWSELECTED, 0, 0);
    } else {
        recordView->Show(record);
    }
}

void MainWindowState::Search(const char16_t* text, bool focusList) {
    paneFollowsLater = true;
    recordList->SetSearchText(text);
    if (focusList) recordList->FocusFirstRow();
    paneFollowsLater = false;
}

void MainWindowState::OnListRebuilt() { UpdateLockState(); }

void MainWindowState::OnRowsChanged() { UpdateRecordCount(); }

void MainWindowState::RunCommand(int id) {
    const CommandRow* row = FindCommand(id);
    if (row && row->run) row->run(*this);
}

void MainWindowState::OnSplitterMoved() { OnSize(); }

void MainWindowState::RebuildList() {
    RedrawOff redraw(recordList->hwndList);
    recordList->Refresh();
}

void MainWindowState::ShowCategory(int categoryId) {
    toolbar.SelectFilter(categoryId);
    RedrawOff redraw(recordList->hwndList);
    recordList->SetFilter(categoryId);
}

void MainWindowState::FillCategoryFilter() {
    if (recordList) toolbar.FillFilter(recordList->categories);
}

void MainWindowState::ShowHelp(const wchar_t* topic) {
    ::ShowHelp(app.dataFolder ? app.dataFolder->programFolder : nullptr, topic);
}

void MainWindowState::ShowStatusText(const wchar_t* text) {
    if (!text[0]) {
        UpdateRecordCount();
    } else if (hwndStatus) {
        SendMessageW(hwndStatus, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    }
}

void MainWindowState::UpdateRecordCount() {
    if (!hwndStatus || !recordList || !recordList->hwndList) return;
    auto rows = static_cast<int>(SendMessageW(recordList->hwndList, LVM_GETITEMCOUNT, 0, 0));
    wchar_t text[256];
    if (recordList->Searching()) {
        // While locked, the search could not look into protected values.
        bool skipped = IsLocked() && HasPassword();
        CResString format(skipped ? IDS_SEARCH_COUNT_LOCKED : IDS_SEARCH_COUNT);
        wsprintfW(text, format.Text(), rows, recordList->CategoryRowCount());
    } else {
        CResString format(rows == 1 ? IDS_RECORD_COUNT_ONE : IDS_RECORD_COUNT_MANY);
        wsprintfW(text, format.Text(), rows);
    }
    SendMessageW(hwndStatus, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text));
}

// ---- keys and focus -------------------------------------------------------

bool MainWindowState::TranslateKeys(MSG& message) {
    if (!hwnd || (message.hwnd != hwnd && !IsChild(hwnd, message.hwnd))) return false;
    bool plain = GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0;
    if (message.message == WM_KEYDOWN && plain && (message.wParam == VK_TAB || message.wParam == VK_F6)) {
        MoveFocusBetweenPanes(GetKeyState(VK_SHIFT) < 0, message.wParam == VK_F6);
        return true;
    }
    return accelerators && TranslateAcceleratorW(hwnd, accelerators, &message);
}

// Tab goes round the filter box, the search box, the list and each value
// the pane shows; F6 goes round the same areas, the pane as one (its first
// value). Shift goes the other way.
std::vector<HWND> MainWindowState::FocusStops(bool panesOnly) const {
    std::vector<HWND> stops = {toolbar.FilterBox(), searchBox.hwnd, recordList ? recordList->hwndList : nullptr};
    if (recordView) {
        for (HWND box : recordView->values) {
            if (!box || !IsWindowVisible(box)) continue;
            stops.push_back(box);
            if (panesOnly) break;
        }
    }
    std::erase_if(stops, [](HWND stop) { return !stop || !IsWindowVisible(stop) || !IsWindowEnabled(stop); });
    return stops;
}

void MainWindowState::MoveFocusBetweenPanes(bool backwards, bool panesOnly) {
    std::vector<HWND> stops = FocusStops(panesOnly);
    if (stops.empty()) return;
    HWND focus = GetFocus();
    HWND list = recordList ? recordList->hwndList : nullptr;
    HWND pane = recordView ? recordView->hwnd : nullptr;
    // From anywhere else, as if from the list; from inside the pane, as if from its first value.
    auto current = std::find(stops.begin(), stops.end(), focus);
    if (current == stops.end() && panesOnly && pane && IsChild(pane, focus))
        current = std::find_if(stops.begin(), stops.end(), [pane](HWND stop) { return IsChild(pane, stop); });
    if (current == stops.end()) current = std::find(stops.begin(), stops.end(), list);
    auto count = static_cast<std::ptrdiff_t>(stops.size());
    std::ptrdiff_t at = current == stops.end() ? 0 : current - stops.begin();
    HWND target = stops[static_cast<size_t>((at + (backwards ? count - 1 : 1)) % count)];
    SetFocus(target);
    if (target != list && target != toolbar.FilterBox()) SendMessageW(target, EM_SETSEL, 0, -1);
}

// The focus comes back to where it was (the list at first) when the window is
// active again, after a dialog or another program: by default the frame
// itself would take it, and the list's keys would reach nothing.
bool MainWindowState::OnActivate(WPARAM wParam) {
    HWND focus = GetFocus();
    if (LOWORD(wParam) == WA_INACTIVE) {
        if (focus && IsChild(hwnd, focus)) focusBeforeDeactivate = focus;
        return false;
    }
    if (HIWORD(wParam)) return false;  // minimised
    HWND target = focusBeforeDeactivate;
    if (!target || !IsWindow(target) || !IsChild(hwnd, target) || !IsWindowVisible(target))
        target = recordList ? recordList->hwndList : nullptr;
    if (!target) return false;
    SetFocus(target);
    return true;
}

// ---- creation and layout ---------------------------------------------------

int MainWindowState::StatusHeight() const {
    if (!hwndStatus) return 0;
    SendMessageW(hwndStatus, WM_SIZE, 0, 0);
    RECT r;
    return GetWindowRect(hwndStatus, &r) ? r.bottom - r.top : 0;
}

LRESULT MainWindowState::OnCreate() {
    CurrentHelpTopic = nullptr;
    accelerators = LoadAcceleratorsW(app.resources, MAKEINTRESOURCEW(IDA_MAIN));
    dpi = DpiOf(hwnd);
    toolbar.Create(hwnd, app.resources, dpi);
    searchBox.Create(toolbar.hwnd, app.resources, toolbar.SearchPlace());
    hwndStatus = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, hwnd,
                                 reinterpret_cast<HMENU>(IDC_STATUS), app.resources, nullptr);
    statusFont = MakeGuiFont(dpi);
    if (hwndStatus) SendMessageW(hwndStatus, WM_SETFONT, reinterpret_cast<WPARAM>(statusFont.Get()), FALSE);
    int toolbarHeight = toolbar.Height();
    RECT client;
    GetClientRect(hwnd, &client);
    int paneHeight = client.bottom - toolbarHeight - StatusHeight();

    recordList = std::make_unique<CRecList>(app.database, app.resources, *this);
    recordList->Create(hwnd);
    recordView = std::make_unique<CRecView>(app.database, app.resources, *this);
    recordView->Create(hwnd);
    splitter = std::make_unique<CSplitter>(app.resources, *this);
    splitter->Create(hwnd);

    splitter->SetDpi(dpi);
    // The stored place is in pixels at 96 DPI.
    splitterX = ScaleForDpi(theSettings->desktop.splitterPosition, dpi);
    GetWindowRect(hwnd, &lastWindowRect);
    if (splitter->hwnd) {
        SetWindowPos(splitter->hwnd, nullptr, splitterX, toolbarHeight - 1, splitter->width, paneHeight + 1,
                     SWP_NOZORDER | SWP_SHOWWINDOW);
    }
    isMoving = false;
    FillCategoryFilter();
    activityLock = std::make_unique<ActivityLock>(hwnd, kLockTimerId);
    clipboard = std::make_unique<SecretClipboard>(hwnd, kClipboardTimerId,
                                                  [this](const wchar_t* text) { ShowStatusText(text); });
    RegisterSessionLock(hwnd);
    PostMessageW(hwnd, UM_POSTCREATE, 0, 0);
    return 0;
}

// The start-up checks, once the window shows: the greeting of a new
// database, the password prompt the preferences ask for, or the warning
// that no password is set.
void MainWindowState::OnPostCreate() {
    UpdateLockState();
    recordList->Refresh();
    if (app.isFirstRun && CdlgGetStarted().Run(hwnd) == IDOK) ShowHelp(nullptr);
    if (HasPassword()) {
        if (theSettings->Active().promptPasswordOnOpen) {
            if (!UnlockData(hwnd, 0, true) || IsLocked()) {
                PostMessageW(hwnd, WM_CLOSE, 0, 0);
                return;
            }
            recordList->Refresh();
        }
    } else if (!app.isFirstRun) {
        ShowNoPasswordWarning(hwnd, *theSettings);
    }
}

void MainWindowState::OnSize() {
    isMoving = false;
    SaveWindowPlacement(*theSettings, hwnd, false);
    if (IsIconic(hwnd)) return;

    int toolbarHeight = toolbar.Height();
    int statusHeight = StatusHeight();
    RECT client;
    GetClientRect(hwnd, &client);
    int paneHeight = client.bottom - toolbarHeight - statusHeight;
    int clientWidth = client.right - client.left;

    RECT window;
    GetWindowRect(hwnd, &window);
    int x = ScaleForDpi(kDefaultSplitterX, dpi);
    int splitterWidth = splitter ? splitter->width : ScaleForDpi(kSplitterWidth, dpi);
    if (splitter && splitter->hwnd) {
        x = SplitterX(lastWindowRect.left, window.left, splitterX, splitter->dragOffset, clientWidth, splitter->width,
                      splitter->margin);
        SetWindowPos(splitter->hwnd, nullptr, x, toolbarHeight - 1, splitter->width, paneHeight + 1, SWP_NOZORDER);
        splitterX = x;
        theSettings->desktop.splitterPosition = MulDiv(x, kDefaultDpi, dpi);
    }
    lastWindowRect = window;

    if (recordList && recordList->hwndList) {
        MoveWindow(recordList->hwndList, 0, toolbarHeight - 1, x, paneHeight + 1, FALSE);
        InvalidateRect(recordList->hwndList, nullptr, FALSE);
    }
    if (recordView && recordView->hwnd) {
        MoveWindow(recordView->hwnd, x + splitterWidth, toolbarHeight - 1, clientWidth - x - splitterWidth,
                   paneHeight + 1, FALSE);
        InvalidateRect(recordView->hwnd, nullptr, FALSE);
    }
    toolbar.FollowSplitter(x);
}

// Another DPI (the window moved to another monitor, or the user changed the
// scale): every part takes its sizes and fonts for it, then the window takes
// the place Windows suggests and lays out again, the splitter where it was in
// proportion.
void MainWindowState::OnDpiChanged(int newDpi, const RECT& suggested) {
    if (newDpi <= 0) return;
    splitterX = MulDiv(splitterX, newDpi, dpi);
    dpi = newDpi;
    toolbar.SetDpi(dpi);
    searchBox.SetDpi(dpi, toolbar.SearchPlace());
    statusFont = MakeGuiFont(dpi);
    if (hwndStatus) SendMessageW(hwndStatus, WM_SETFONT, reinterpret_cast<WPARAM>(statusFont.Get()), TRUE);
    if (splitter) splitter->SetDpi(dpi);
    if (recordList) recordList->SetDpi(dpi);
    if (recordView) recordView->SetDpi(dpi);
    // The move is not the user's: the splitter keeps its place in the client area.
    lastWindowRect = suggested;
    SetWindowPos(hwnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    OnSize();
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

// High contrast on or off, or other system colours: the views draw in the
// colours that now apply, the common controls and the toolbar's pictures
// (whose background is the button face) follow.
void MainWindowState::OnColoursChanged(bool coloursChanged) {
    bool wasHighContrast = HighContrastOn();
    UpdateHighContrast();
    if (!coloursChanged && wasHighContrast == HighContrastOn()) return;
    for (HWND child : {toolbar.hwnd, hwndStatus, recordList ? recordList->hwndList : nullptr}) {
        if (child) SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
    }
    toolbar.SetDpi(dpi);
    UpdateLockState();  // the padlock's picture again
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void MainWindowState::OnMove() {
    if (!isMoving) return;
    GetWindowRect(hwnd, &lastWindowRect);
    isMoving = false;
    SaveWindowPlacement(*theSettings, hwnd, false);
}

// The filter applies when a category is chosen: in the open drop-down only
// once it closes with a choice (Enter or a click), so that the arrow keys
// can look through the categories first; Esc puts back the category shown.
// In the closed box the arrow keys choose at once, as in any such box.
void MainWindowState::OnFilterNotification(int code) {
    HWND box = toolbar.FilterBox();
    bool dropped = box && SendMessageW(box, CB_GETDROPPEDSTATE, 0, 0);
    if (code == CBN_SELENDCANCEL) {
        toolbar.SelectFilter(recordList->filterCategoryId);
        return;
    }
    if (code == CBN_SELENDOK || (code == CBN_SELCHANGE && !dropped)) {
        int chosen = toolbar.ChosenFilter();
        if (chosen != MainToolbar::kNoChoice && chosen != recordList->filterCategoryId) recordList->SetFilter(chosen);
    }
}

void MainWindowState::OnMenuSelect(WPARAM wParam, LPARAM lParam) {
    UINT flags = HIWORD(wParam);
    if (flags == 0xFFFF && lParam == 0) {
        SendMessageW(hwndStatus, SB_SIMPLE, FALSE, 0);
        return;
    }
    int text = 0;
    if (!(flags & (MF_SYSMENU | MF_POPUP | MF_SEPARATOR))) text = MenuHelpText(LOWORD(wParam), IsLocked());
    CResString help;
    if (text) help.Load(static_cast<UINT>(text));
    SendMessageW(hwndStatus, SB_SIMPLE, TRUE, 0);
    SendMessageW(hwndStatus, SB_SETTEXTW, 255 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(help.Text()));
}

LRESULT MainWindowState::OnNotify(WPARAM wParam, LPARAM lParam) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header->idFrom == IDC_RECORD_LIST && recordList) {
        recordList->OnNotify(*header);
    } else if (header->code == TTN_GETDISPINFOW) {
        // The text must outlive this handler: the tool tip reads it afterwards.
        static wchar_t text[201];
        auto* request = reinterpret_cast<NMTTDISPINFOW*>(lParam);
        int id = ToolTipText(static_cast<int>(request->hdr.idFrom), IsLocked());
        text[0] = 0;
        if (id) LoadStringW(app.resources, static_cast<UINT>(id), text, 201);
        request->lpszText = text;
        return 0;
    }
    return DefWindowProcW(hwnd, WM_NOTIFY, wParam, lParam);
}

void MainWindowState::OnDestroy() {
    activityLock.reset();
    UnregisterSessionLock(hwnd);
    // Neither a copied value nor the key outlives the window.
    if (clipboard) clipboard->ClearAtExit();
    clipboard.reset();
    WipeKey();
    PostQuitMessage(0);
}

LRESULT MainWindowState::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: return OnCreate();
        case UM_POSTCREATE: OnPostCreate(); return 0;
        case UM_SHOWSELECTED:
            if (recordView) recordView->Show(selectedRecord);
            return 0;
        case WM_SIZE: OnSize(); return 0;
        case WM_MOVING: isMoving = true; return 0;
        case WM_MOVE: OnMove(); return 0;
        case WM_GETMINMAXINFO:
            reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {ScaleForDpi(167, dpi), ScaleForDpi(180, dpi)};
            return 0;
        case WM_DPICHANGED: OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam)); return 0;
        case WM_SYSCOLORCHANGE: OnColoursChanged(true); return 0;
        case WM_SETTINGCHANGE: OnColoursChanged(false); break;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_FILTER) {
                OnFilterNotification(HIWORD(wParam));
                return 0;
            }
            if (LOWORD(wParam) == IDC_SEARCH) {
                if (HIWORD(wParam) == EN_CHANGE) searchBox.OnChange();
                // The values to search are ready before the first key.
                if (HIWORD(wParam) == EN_SETFOCUS) recordList->PrepareSearch();
                return 0;
            }
            if (FindCommand(LOWORD(wParam))) {
                RunCommand(LOWORD(wParam));
                return 0;
            }
            break;
        case WM_NOTIFY: return OnNotify(wParam, lParam);
        case WM_MEASUREITEM:
            if (wParam == IDC_RECORD_LIST && recordList &&
                recordList->OnMeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)))
                return TRUE;
            break;
        case WM_DRAWITEM:
            if (wParam == IDC_RECORD_LIST && recordList &&
                recordList->OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)))
                return TRUE;
            break;
        case WM_MENUSELECT: OnMenuSelect(wParam, lParam); return 0;
        case WM_ACTIVATE:
            if (OnActivate(wParam)) return 0;
            break;
        case WM_HELP:
            ShowHelp(CurrentHelpTopic);
            DrawMenuBar(hwnd);
            return 0;
        case WM_TIMER:
            if (wParam == kLockTimerId) {
                LockNow();
                return 0;
            }
            if (wParam == kClipboardTimerId && clipboard) {
                clipboard->OnTimer();
                return 0;
            }
            break;
        case WM_RENDERFORMAT:
            if (clipboard) clipboard->OnRenderFormat(static_cast<UINT>(wParam));
            return 0;
        case WM_RENDERALLFORMATS:
            // Leaving: the value is not rendered, so it leaves with the program.
            return 0;
        case WM_DESTROYCLIPBOARD:
            if (clipboard) clipboard->OnDestroyClipboard();
            return 0;
        case WM_WTSSESSION_CHANGE:
            if (SessionChangeLocks(wParam)) LockNow();
            return 0;
        case WM_POWERBROADCAST:
            if (PowerEventLocks(wParam)) LockNow();
            return TRUE;
        case WM_CLOSE: DestroyWindow(hwnd); return 0;
        case WM_DESTROY: OnDestroy(); return 0;
        default: break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}
