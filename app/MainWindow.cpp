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
#include "dialogs/framework/Gdi.h"
#include "dialogs/framework/Layout.h"
#include "dialogs/framework/Messages.h"
#include "model/base/StringTable.h"
#include "res/resource.h"
#include "security/Cipher.h"
#include "security/dialogs/PasswordDialogs.h"
#include "storage/Settings.h"
#include "views/CRecList.h"
#include "views/CRecView.h"
#include "views/CSplitter.h"

#include <commctrl.h>

#include <string>

MainWindowState mainWindow;

namespace {

constexpr int kFilterTop = 8;
constexpr int kFilterIndex = 5;  // the toolbar separator that holds the filter box
constexpr int kAllCategories = 1000;

// The toolbar from left to right: commands (their pictures come from the
// command table), separators (0) and the separator that holds the filter box.
constexpr int kToolbarLayout[] = {
    0, IDM_LOCK, 0, IDM_SYNCHRONIZE, 0, IDM_FILTER_PLACEHOLDER, 0, IDM_NEW_RECORD, IDM_EDIT_RECORD, IDM_DELETE_RECORD,
};

bool Locked() { return theSettings && theSettings->locked != 0; }

HWND FilterBox() { return mainWindow.hwndToolbar ? GetDlgItem(mainWindow.hwndToolbar, IDC_FILTER) : nullptr; }

int WindowHeight(HWND window) {
    RECT r;
    return window && GetWindowRect(window, &r) ? r.bottom - r.top : 0;
}

int ToolbarHeight() {
    if (!mainWindow.hwndToolbar) return 0;
    SendMessageW(mainWindow.hwndToolbar, TB_AUTOSIZE, 0, 0);
    return WindowHeight(mainWindow.hwndToolbar);
}

int StatusHeight() {
    if (!mainWindow.hwndStatus) return 0;
    SendMessageW(mainWindow.hwndStatus, WM_SIZE, 0, 0);
    return WindowHeight(mainWindow.hwndStatus);
}

HIMAGELIST LoadToolbarImages(int bitmapId) {
    Bitmap strip(static_cast<HBITMAP>(LoadImageW(theApp.resources, MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0,
                                                 LR_CREATEDIBSECTION | LR_LOADTRANSPARENT | LR_LOADMAP3DCOLORS)));
    HIMAGELIST images = ImageList_Create(28, 29, ILC_COLOR8, 5, 0);
    if (images && strip) ImageList_Add(images, strip.Get(), nullptr);
    return images;
}

void CreateToolbar(HWND hwnd) {
    HWND toolbar = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr, WS_CHILD | WS_BORDER | TBSTYLE_TOOLTIPS, 0, 0, 0, 0,
                                   hwnd, reinterpret_cast<HMENU>(IDC_TOOLBAR), theApp.instance, nullptr);
    mainWindow.hwndToolbar = toolbar;
    if (!toolbar) return;
    SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    // The toolbar does not free its image lists; the main window does.
    mainWindow.toolbarImages.Reset(LoadToolbarImages(IDB_TOOLBAR));
    mainWindow.toolbarDisabledImages.Reset(LoadToolbarImages(IDB_TOOLBAR_DISABLED));
    SendMessageW(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(mainWindow.toolbarImages.Get()));
    SendMessageW(toolbar, TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(mainWindow.toolbarDisabledImages.Get()));
    for (int id : kToolbarLayout) {
        const CommandRow* command = FindCommand(id);
        bool isButton = command && command->image >= 0;
        TBBUTTON button = {};
        button.iBitmap = isButton ? command->image : 0;
        button.idCommand = id;
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = isButton ? BTNS_BUTTON : BTNS_SEP;
        SendMessageW(toolbar, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button));
    }

    RECT placeholder = {};
    SendMessageW(toolbar, TB_GETITEMRECT, kFilterIndex, reinterpret_cast<LPARAM>(&placeholder));
    mainWindow.comboLeft = placeholder.right;

    int width = 176, dropHeight = 160;
    if (WindowDC dc(toolbar); dc.Get()) {
        Selection font(dc.Get(), GetStockObject(DEFAULT_GUI_FONT));
        TEXTMETRICW metrics;
        if (GetTextMetricsW(dc.Get(), &metrics)) {
            width = 22 * metrics.tmAveCharWidth;
            dropHeight = 10 * metrics.tmHeight;
        }
    }
    mainWindow.comboWidth = width + GetSystemMetrics(SM_CXVSCROLL);
    TBBUTTONINFOW info = {};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_SIZE;
    info.cx = static_cast<WORD>(mainWindow.comboWidth);
    SendMessageW(toolbar, TB_SETBUTTONINFOW, IDM_FILTER_PLACEHOLDER, reinterpret_cast<LPARAM>(&info));

    HWND filter = CreateWindowExW(0, WC_COMBOBOXW, nullptr,
                                  WS_CHILD | WS_VSCROLL | WS_BORDER | WS_TABSTOP | CBS_DROPDOWNLIST | CBS_HASSTRINGS,
                                  mainWindow.comboLeft, kFilterTop, width, dropHeight, toolbar,
                                  reinterpret_cast<HMENU>(IDC_FILTER), theApp.instance, nullptr);
    SendMessageW(filter, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    SendMessageW(toolbar, TB_AUTOSIZE, 0, 0);
    ShowWindow(toolbar, SW_SHOW);
    ShowWindow(filter, SW_SHOW);
}

LRESULT OnCreate(HWND hwnd) {
    CurrentHelpTopic = nullptr;
    mainWindow.accelerators = LoadAcceleratorsW(theApp.resources, MAKEINTRESOURCEW(IDA_MAIN));
    CreateToolbar(hwnd);
    mainWindow.hwndStatus = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0,
                                            0, 0, hwnd, reinterpret_cast<HMENU>(IDC_STATUS), theApp.instance, nullptr);
    int toolbarHeight = ToolbarHeight();
    RECT client;
    GetClientRect(hwnd, &client);
    int paneHeight = client.bottom - toolbarHeight - StatusHeight();

    mainWindow.recordList = std::make_unique<CRecList>(theApp.database);
    mainWindow.recordList->Create(hwnd);
    mainWindow.recordView = std::make_unique<CRecView>();
    mainWindow.recordView->Create(hwnd);
    mainWindow.splitter = std::make_unique<CSplitter>();
    mainWindow.splitter->Create(hwnd);

    mainWindow.splitterX = theSettings->desktop.splitterPosition;
    GetWindowRect(hwnd, &mainWindow.lastWindowRect);
    if (mainWindow.splitter->hwnd) {
        SetWindowPos(mainWindow.splitter->hwnd, nullptr, mainWindow.splitterX, toolbarHeight - 1, kSplitterWidth,
                     paneHeight + 1, SWP_NOZORDER | SWP_SHOWWINDOW);
    }
    mainWindow.isMoving = false;
    FillCategoryFilter();
    InstallActivityHooks();
    RegisterSessionLock(hwnd);
    PostMessageW(hwnd, UM_POSTCREATE, 0, 0);
    return 0;
}

void OnPostCreate(HWND hwnd) {
    UpdateLockState();
    mainWindow.recordList->Refresh();
    if (theApp.isFirstRun) {
        GreetNewUser(hwnd);
    }
    if (HasPassword()) {
        if (theSettings->Active().promptPasswordOnOpen) {
            AskForPassword(hwnd, 0, true);
            if (Locked()) {
                PostMessageW(hwnd, WM_CLOSE, 0, 0);
                return;
            }
            mainWindow.recordList->Refresh();
            RestartLockTimer(hwnd);
        }
    } else if (!theApp.isFirstRun) {
        ShowNoPasswordWarning(hwnd);
    }
}

void OnSize(HWND hwnd) {
    mainWindow.isMoving = false;
    SaveWindowPlacement(*theSettings, hwnd, false);
    if (IsIconic(hwnd)) return;

    int toolbarHeight = ToolbarHeight();
    int statusHeight = StatusHeight();
    RECT client;
    GetClientRect(hwnd, &client);
    int paneHeight = client.bottom - toolbarHeight - statusHeight;
    int clientWidth = client.right - client.left;

    RECT window;
    GetWindowRect(hwnd, &window);
    int x = kDefaultSplitterX;
    if (mainWindow.splitter && mainWindow.splitter->hwnd) {
        x = SplitterX(mainWindow.lastWindowRect.left, window.left, mainWindow.splitterX,
                      mainWindow.splitter->dragOffset, clientWidth);
        SetWindowPos(mainWindow.splitter->hwnd, nullptr, x, toolbarHeight - 1, kSplitterWidth, paneHeight + 1,
                     SWP_NOZORDER);
        mainWindow.splitterX = x;
        theSettings->desktop.splitterPosition = x;
    }
    mainWindow.lastWindowRect = window;

    if (mainWindow.recordList && mainWindow.recordList->hwndList) {
        MoveWindow(mainWindow.recordList->hwndList, 0, toolbarHeight - 1, x, paneHeight + 1, FALSE);
        InvalidateRect(mainWindow.recordList->hwndList, nullptr, FALSE);
    }
    if (mainWindow.recordView && mainWindow.recordView->hwnd) {
        MoveWindow(mainWindow.recordView->hwnd, x + kSplitterWidth, toolbarHeight - 1, clientWidth - x - kSplitterWidth,
                   paneHeight + 1, FALSE);
        InvalidateRect(mainWindow.recordView->hwnd, nullptr, FALSE);
    }
    if (mainWindow.hwndToolbar) {
        TBBUTTONINFOW info = {};
        info.cbSize = sizeof info;
        info.dwMask = TBIF_SIZE;
        info.cx = static_cast<WORD>(
            FilterSeparatorWidth(mainWindow.comboLeft, mainWindow.comboWidth, x, GetSystemMetrics(SM_CXVSCROLL)));
        SendMessageW(mainWindow.hwndToolbar, TB_SETBUTTONINFOW, IDM_FILTER_PLACEHOLDER,
                     reinterpret_cast<LPARAM>(&info));
    }
}

void OnMove(HWND hwnd) {
    if (!mainWindow.isMoving) return;
    GetWindowRect(hwnd, &mainWindow.lastWindowRect);
    mainWindow.isMoving = false;
    SaveWindowPlacement(*theSettings, hwnd, false);
}

void OnFilterChanged() {
    HWND filter = FilterBox();
    LRESULT selected = SendMessageW(filter, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR) return;
    LRESULT data = SendMessageW(filter, CB_GETITEMDATA, static_cast<WPARAM>(selected), 0);
    if (data == CB_ERR) return;
    mainWindow.recordList->SetFilter(data > 999 ? -1 : static_cast<int>(data));
}

// The focus comes back to where it was (the list at first) when the window is
// active again, after a dialog or another program: by default the frame
// itself would take it, and the list's keys would reach nothing.
bool OnActivate(HWND hwnd, WPARAM wParam) {
    HWND focus = GetFocus();
    if (LOWORD(wParam) == WA_INACTIVE) {
        if (focus && IsChild(hwnd, focus)) mainWindow.focusBeforeDeactivate = focus;
        return false;
    }
    if (HIWORD(wParam)) return false;  // minimised
    HWND target = mainWindow.focusBeforeDeactivate;
    if (!target || !IsWindow(target) || !IsChild(hwnd, target) || !IsWindowVisible(target))
        target = mainWindow.recordList ? mainWindow.recordList->hwndList : nullptr;
    if (!target) return false;
    SetFocus(target);
    return true;
}

void OnMenuSelect(WPARAM wParam, LPARAM lParam) {
    HWND status = mainWindow.hwndStatus;
    UINT flags = HIWORD(wParam);
    if (flags == 0xFFFF && lParam == 0) {
        SendMessageW(status, SB_SIMPLE, FALSE, 0);
        return;
    }
    int text = 0;
    if (!(flags & (MF_SYSMENU | MF_POPUP | MF_SEPARATOR))) {
        text = MenuHelpText(LOWORD(wParam));
    }
    CResString help;
    if (text) help.Load(text);
    SendMessageW(status, SB_SIMPLE, TRUE, 0);
    SendMessageW(status, SB_SETTEXTW, 255 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(help.Text()));
}

LRESULT OnToolTip(NMTTDISPINFOW* request) {
    // The text must outlive this handler: the tool tip reads it afterwards.
    static wchar_t text[201];
    int id = ToolTipText(static_cast<int>(request->hdr.idFrom));
    text[0] = 0;
    if (id) LoadStringW(theApp.resources, static_cast<UINT>(id), text, 201);
    request->lpszText = text;
    return 0;
}

LRESULT OnNotify(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header->idFrom == IDC_RECORD_LIST && mainWindow.recordList) {
        return mainWindow.recordList->OnNotify(hwnd, wParam, lParam);
    }
    if (header->code == TTN_GETDISPINFOW) return OnToolTip(reinterpret_cast<NMTTDISPINFOW*>(lParam));
    return DefWindowProcW(hwnd, WM_NOTIFY, wParam, lParam);
}

void SetMenuText(HMENU menu, int command, int textId) {
    CResString text(static_cast<UINT>(textId));
    MENUITEMINFOW item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STRING;
    item.dwTypeData = const_cast<wchar_t*>(text.Text());
    SetMenuItemInfoW(menu, static_cast<UINT>(command), FALSE, &item);
}

// The pane takes the focus in its first box, when it shows a record.
HWND PaneFocusTarget() {
    if (!mainWindow.recordView) return nullptr;
    for (HWND box : mainWindow.recordView->values) {
        if (box && IsWindowVisible(box)) return box;
    }
    return nullptr;
}

void MoveFocusBetweenPanes(bool backwards) {
    HWND list = mainWindow.recordList ? mainWindow.recordList->hwndList : nullptr;
    HWND pane = mainWindow.recordView ? mainWindow.recordView->hwnd : nullptr;
    HWND areas[] = {FilterBox(), list, pane};
    constexpr int kAreas = 3;
    HWND focus = GetFocus();
    int current = 1;  // from anywhere else, as if from the list
    for (int i = 0; i < kAreas; ++i) {
        if (areas[i] && (focus == areas[i] || IsChild(areas[i], focus))) current = i;
    }
    for (int step = 1; step < kAreas; ++step) {
        int next = (current + (backwards ? kAreas - step : step)) % kAreas;
        HWND target = next == 2 ? PaneFocusTarget() : areas[next];
        if (!target || !IsWindowVisible(target) || !IsWindowEnabled(target)) continue;
        SetFocus(target);
        if (next == 2) SendMessageW(target, EM_SETSEL, 0, -1);
        return;
    }
}

}  // namespace

void UpdateRecordCount() {
    if (!mainWindow.hwndStatus || !mainWindow.recordList || !mainWindow.recordList->hwndList) return;
    auto rows = static_cast<int>(SendMessageW(mainWindow.recordList->hwndList, LVM_GETITEMCOUNT, 0, 0));
    CResString format(rows == 1 ? IDS_RECORD_COUNT_ONE : IDS_RECORD_COUNT_MANY);
    wchar_t text[64];
    wsprintfW(text, format.Text(), rows);
    SendMessageW(mainWindow.hwndStatus, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text));
}

bool TranslateMainWindowKeys(MSG& message) {
    HWND main = mainWindow.hwnd;
    if (!main || (message.hwnd != main && !IsChild(main, message.hwnd))) return false;
    bool plain = GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0;
    if (message.message == WM_KEYDOWN && plain && (message.wParam == VK_TAB || message.wParam == VK_F6)) {
        MoveFocusBetweenPanes(GetKeyState(VK_SHIFT) < 0);
        return true;
    }
    return mainWindow.accelerators && TranslateAcceleratorW(main, mainWindow.accelerators, &message);
}

void UpdateLockState() {
    bool locked = Locked();
    bool hasPassword = HasPassword();
    if (HWND toolbar = mainWindow.hwndToolbar) {
        SendMessageW(toolbar, TB_CHANGEBITMAP, IDM_LOCK, locked ? TOOLBAR_IMAGE_LOCKED : TOOLBAR_IMAGE_UNLOCKED);
    }
    UpdateCommandStates();
    HWND main = mainWindow.hwnd;
    if (HMENU menu = main ? GetMenu(main) : nullptr) {
        SetMenuText(menu, IDM_LOCK, locked ? IDS_MENU_UNLOCK : IDS_MENU_LOCK);
        SetMenuText(menu, IDM_PASSWORD, hasPassword ? IDS_MENU_CHANGE_PASSWORD : IDS_MENU_ADD_PASSWORD);
        DrawMenuBar(main);
    }
    UpdateRecordCount();
}

void FillCategoryFilter() {
    HWND filter = FilterBox();
    if (!filter || !mainWindow.recordList) return;
    SendMessageW(filter, CB_RESETCONTENT, 0, 0);
    LRESULT all = SendMessageW(filter, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"All"));
    SendMessageW(filter, CB_SETITEMDATA, static_cast<WPARAM>(all), kAllCategories);
    for (CCategory* category : Nodes<CCategory>(mainWindow.recordList->categories)) {
        LRESULT item = SendMessageW(filter, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(category->name));
        if (item >= 0) SendMessageW(filter, CB_SETITEMDATA, static_cast<WPARAM>(item), category->id);
    }
    SendMessageW(filter, CB_SETCURSEL, 0, 0);
}

MainWindowState::MainWindowState() = default;
MainWindowState::~MainWindowState() = default;

bool MainWindowState::Register(HINSTANCE instance) {
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES;
    InitCommonControlsEx(&controls);
    WNDCLASSEXW windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(theApp.resources, MAKEINTRESOURCEW(IDI_QUORREL));
    windowClass.hIconSm =
        static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_QUORREL), IMAGE_ICON, 16, 16, 0));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszMenuName = MAKEINTRESOURCEW(IDM_MAIN);
    windowClass.lpszClassName = kMainWindowClass;
    return RegisterWindowClass(windowClass);
}

HWND MainWindowState::Create(HINSTANCE instance, const wchar_t* title, int x, int y, int width, int height) {
    if (!Register(instance)) return nullptr;
    return CreateWindowAs(0, kMainWindowClass, title, WS_OVERLAPPEDWINDOW, x, y, width, height, nullptr, nullptr,
                          instance);
}

LRESULT MainWindowState::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: return OnCreate(hwnd);
        case UM_POSTCREATE: OnPostCreate(hwnd); return 0;
        case WM_SIZE: OnSize(hwnd); return 0;
        case WM_MOVING: isMoving = true; return 0;
        case WM_MOVE: OnMove(hwnd); return 0;
        case WM_GETMINMAXINFO: {
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            info->ptMinTrackSize = {167, 180};
            return 0;
        }
        case WM_COMMAND: {
            int id = LOWORD(wParam);
            if (id == IDC_FILTER) {
                if (HIWORD(wParam) == CBN_SELCHANGE) OnFilterChanged();
                return 0;
            }
            if (RunCommand(hwnd, id)) return 0;
            break;
        }
        case WM_NOTIFY: return OnNotify(hwnd, wParam, lParam);
        case WM_MEASUREITEM:
            if (wParam == IDC_RECORD_LIST && recordList) return recordList->OnMeasureItem(hwnd, wParam, lParam);
            break;
        case WM_DRAWITEM:
            if (wParam == IDC_RECORD_LIST && recordList) return recordList->OnDrawItem(hwnd, wParam, lParam);
            break;
        case WM_MENUSELECT: OnMenuSelect(wParam, lParam); return 0;
        case WM_ACTIVATE:
            if (OnActivate(hwnd, wParam)) return 0;
            break;
        case WM_HELP:
            ShowHelp(CurrentHelpTopic);
            DrawMenuBar(hwnd);
            return 0;
        case WM_TIMER:
            if (wParam == kLockTimerId) {
                OnLockTimer();
                return 0;
            }
            if (wParam == kClipboardTimerId) {
                OnClipboardTimer();
                return 0;
            }
            break;
        case WM_WTSSESSION_CHANGE: OnSessionChange(wParam); return 0;
        case WM_POWERBROADCAST: OnPowerBroadcast(wParam); return TRUE;
        case WM_CLOSE: DestroyWindow(hwnd); return 0;
        case WM_DESTROY:
            RemoveActivityHooks();
            UnregisterSessionLock(hwnd);
            // Neither a copied value nor the key outlives the window.
            ClearCopiedSecret();
            WipeKey();
            PostQuitMessage(0);
            return 0;
        default: break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}
