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

void SetMenuText(HMENU menu, int command, int textId) {
    CResString text(static_cast<UINT>(textId));
    MENUITEMINFOW item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STRING;
    item.dwTypeData = const_cast<wchar_t*>(text.Text());
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
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
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
        MoveFocusBetweenPanes(GetKeyState(VK_SHIFT) < 0);
        return true;
    }
    return accelerators && TranslateAcceleratorW(hwnd, accelerators, &message);
}

// The pane takes the focus in its first box, when it shows a record.
HWND MainWindowState::PaneFocusTarget() const {
    if (!recordView) return nullptr;
    for (HWND box : recordView->values) {
        if (box && IsWindowVisible(box)) return box;
    }
    return nullptr;
}

void MainWindowState::MoveFocusBetweenPanes(bool backwards) {
    HWND list = recordList ? recordList->hwndList : nullptr;
    HWND pane = recordView ? recordView->hwnd : nullptr;
    HWND areas[] = {toolbar.FilterBox(), searchBox.hwnd, list, pane};
    constexpr int kAreas = 4;
    constexpr int kList = 2, kPane = 3;
    HWND focus = GetFocus();
    int current = kList;  // from anywhere else, as if from the list
    for (int i = 0; i < kAreas; ++i) {
        if (areas[i] && (focus == areas[i] || IsChild(areas[i], focus))) current = i;
    }
    for (int step = 1; step < kAreas; ++step) {
        int next = (current + (backwards ? kAreas - step : step)) % kAreas;
        HWND target = next == kPane ? PaneFocusTarget() : areas[next];
        if (!target || !IsWindowVisible(target) || !IsWindowEnabled(target)) continue;
        SetFocus(target);
        if (next == kPane || areas[next] == searchBox.hwnd) SendMessageW(target, EM_SETSEL, 0, -1);
        return;
    }
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
    toolbar.Create(hwnd, app.resources);
    searchBox.Create(toolbar.hwnd, app.resources, toolbar.SearchPlace());
    hwndStatus = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, hwnd,
                                 reinterpret_cast<HMENU>(IDC_STATUS), app.resources, nullptr);
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

    splitterX = theSettings->desktop.splitterPosition;
    GetWindowRect(hwnd, &lastWindowRect);
    if (splitter->hwnd) {
        SetWindowPos(splitter->hwnd, nullptr, splitterX, toolbarHeight - 1, kSplitterWidth, paneHeight + 1,
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
    int x = kDefaultSplitterX;
    if (splitter && splitter->hwnd) {
        x = SplitterX(lastWindowRect.left, window.left, splitterX, splitter->dragOffset, clientWidth);
        SetWindowPos(splitter->hwnd, nullptr, x, toolbarHeight - 1, kSplitterWidth, paneHeight + 1, SWP_NOZORDER);
        splitterX = x;
        theSettings->desktop.splitterPosition = x;
    }
    lastWindowRect = window;

    if (recordList && recordList->hwndList) {
        MoveWindow(recordList->hwndList, 0, toolbarHeight - 1, x, paneHeight + 1, FALSE);
        InvalidateRect(recordList->hwndList, nullptr, FALSE);
    }
    if (recordView && recordView->hwnd) {
        MoveWindow(recordView->hwnd, x + kSplitterWidth, toolbarHeight - 1, clientWidth - x - kSplitterWidth,
                   paneHeight + 1, FALSE);
        InvalidateRect(recordView->hwnd, nullptr, FALSE);
    }
    toolbar.FollowSplitter(x);
}

void MainWindowState::OnMove() {
    if (!isMoving) return;
    GetWindowRect(hwnd, &lastWindowRect);
    isMoving = false;
    SaveWindowPlacement(*theSettings, hwnd, false);
}

void MainWindowState::OnFilterChanged() {
    int chosen = toolbar.ChosenFilter();
    if (chosen != MainToolbar::kNoChoice) recordList->SetFilter(chosen);
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
        case WM_GETMINMAXINFO: reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {167, 180}; return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_FILTER) {
                if (HIWORD(wParam) == CBN_SELCHANGE) OnFilterChanged();
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
