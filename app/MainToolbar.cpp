#include "app/MainToolbar.h"

#include "app/Commands.h"
#include "dialogs/framework/Display.h"
#include "dialogs/framework/Layout.h"
#include "dialogs/framework/Messages.h"
#include "model/Category.h"
#include "model/base/StringTable.h"
#include "platform/Wide.h"
#include "res/resource.h"

#include <commctrl.h>

namespace {

constexpr int kFilterIndex = 5;  // the toolbar separator that holds the filter box
constexpr int kSearchIndex = 6;  // and the one that holds the search box
constexpr LPARAM kAllCategories = 1000;
constexpr int kBoxInset = 8;  // from a box's separator's left end to the box, at 96 DPI

// The toolbar from left to right: commands (their pictures come from the
// command table), separators (0) and the separator that holds the filter box.
constexpr int kToolbarLayout[] = {
    0,
    IDM_LOCK,
    0,
    IDM_SYNCHRONIZE,
    0,
    IDM_FILTER_PLACEHOLDER,
    IDM_SEARCH_PLACEHOLDER,
    0,
    IDM_NEW_RECORD,
    IDM_EDIT_RECORD,
    IDM_DELETE_RECORD,
};

// The pictures drawn for a DPI: 100 %, 150 % or 200 %, the largest that is
// not larger than the DPI asks for, so pictures are never blurred by scaling.
struct ToolbarPictures {
    int normal, disabled, width, height;
};

ToolbarPictures PicturesFor(int dpi) {
    if (dpi >= 192) return {IDB_TOOLBAR_200, IDB_TOOLBAR_DISABLED_200, 56, 58};
    if (dpi >= 144) return {IDB_TOOLBAR_150, IDB_TOOLBAR_DISABLED_150, 42, 44};
    return {IDB_TOOLBAR, IDB_TOOLBAR_DISABLED, 28, 29};
}

HIMAGELIST LoadToolbarImages(HINSTANCE resources, int bitmapId, int width, int height) {
    Bitmap strip(static_cast<HBITMAP>(LoadImageW(resources, MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0,
                                                 LR_CREATEDIBSECTION | LR_LOADTRANSPARENT | LR_LOADMAP3DCOLORS)));
    HIMAGELIST list = ImageList_Create(width, height, ILC_COLOR8, 5, 0);
    if (list && strip) ImageList_Add(list, strip.Get(), nullptr);
    return list;
}

void SetSeparatorWidth(HWND toolbar, int separator, int width) {
    TBBUTTONINFOW info = {};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_SIZE;
    info.cx = static_cast<WORD>(width);
    SendMessageW(toolbar, TB_SETBUTTONINFOW, static_cast<WPARAM>(separator), reinterpret_cast<LPARAM>(&info));
}

RECT ItemRect(HWND toolbar, int index) {
    RECT item = {};
    SendMessageW(toolbar, TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    return item;
}

}  // namespace

void NameInToolTips(HWND toolbar, HWND box, UINT tipId) {
    HWND tips = reinterpret_cast<HWND>(SendMessageW(toolbar, TB_GETTOOLTIPS, 0, 0));
    if (!tips) return;
    CResString tip(tipId);
    TOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = toolbar;
    tool.uId = reinterpret_cast<UINT_PTR>(box);
    tool.lpszText = const_cast<wchar_t*>(tip.Text());
    SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void MainToolbar::Create(HWND parent, HINSTANCE resourceModule, int windowDpi) {
    resources = resourceModule;
    hwnd = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr, WS_CHILD | WS_BORDER | TBSTYLE_TOOLTIPS, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(IDC_TOOLBAR), resources, nullptr);
    if (!hwnd) return;
    SendMessageW(hwnd, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    for (int id : kToolbarLayout) {
        const CommandRow* command = FindCommand(id);
        bool isButton = command && command->image >= 0;
        TBBUTTON button = {};
        button.iBitmap = isButton ? command->image : 0;
        button.idCommand = id;
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = isButton ? BTNS_BUTTON : BTNS_SEP;
        SendMessageW(hwnd, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button));
    }
    HWND filter = CreateWindowExW(0, WC_COMBOBOXW, nullptr,
                                  WS_CHILD | WS_VSCROLL | WS_BORDER | WS_TABSTOP | CBS_DROPDOWNLIST | CBS_HASSTRINGS, 0,
                                  0, 0, 0, hwnd, reinterpret_cast<HMENU>(IDC_FILTER), resources, nullptr);
    if (filter) NameInToolTips(hwnd, filter, IDS_TIP_FILTER);
    SetDpi(windowDpi);
    ShowWindow(hwnd, SW_SHOW);
    ShowWindow(filter, SW_SHOW);
}

void MainToolbar::SetDpi(int windowDpi) {
    dpi = windowDpi;
    if (!hwnd) return;
    // The pictures for this DPI; the toolbar sizes its buttons to them.
    ToolbarPictures pictures = PicturesFor(dpi);
    images.Reset(LoadToolbarImages(resources, pictures.normal, pictures.width, pictures.height));
    disabledImages.Reset(LoadToolbarImages(resources, pictures.disabled, pictures.width, pictures.height));
    SendMessageW(hwnd, TB_SETBITMAPSIZE, 0, MAKELPARAM(pictures.width, pictures.height));
    SendMessageW(hwnd, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images.Get()));
    SendMessageW(hwnd, TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(disabledImages.Get()));
    int padding = ScaleForDpi(7, dpi);
    SendMessageW(hwnd, TB_SETBUTTONSIZE, 0, MAKELPARAM(pictures.width + padding, pictures.height + padding));

    // The boxes: as wide as 22 average characters of their font, the filter's
    // drop-down 10 lines high, each box in its separator, centred on the buttons.
    font = MakeGuiFont(dpi);
    HWND filter = FilterBox();
    SendMessageW(filter, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
    int width = ScaleForDpi(176, dpi), dropHeight = ScaleForDpi(160, dpi);
    if (WindowDC dc(hwnd); dc.Get() && font) {
        Selection select(dc.Get(), font.Get());
        TEXTMETRICW metrics;
        if (GetTextMetricsW(dc.Get(), &metrics)) {
            width = 22 * metrics.tmAveCharWidth;
            dropHeight = 10 * metrics.tmHeight;
        }
    }
    int scrollBar = SystemMetricForDpi(SM_CXVSCROLL, dpi);
    int gap = ScaleForDpi(kBoxInset, dpi);
    SetSeparatorWidth(hwnd, IDM_FILTER_PLACEHOLDER, width + scrollBar);
    SetSeparatorWidth(hwnd, IDM_SEARCH_PLACEHOLDER, width * 4 / 5 + scrollBar);
    RECT filterItem = ItemRect(hwnd, kFilterIndex);
    RECT searchItem = ItemRect(hwnd, kSearchIndex);
    RECT button = ItemRect(hwnd, 1);
    int boxTop = button.top;
    SetWindowPos(filter, nullptr, filterItem.left + gap, boxTop, width, dropHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT field = {};
    GetWindowRect(filter, &field);
    int fieldHeight = field.bottom - field.top;
    boxTop = button.top + (button.bottom - button.top - fieldHeight) / 2;
    SetWindowPos(filter, nullptr, filterItem.left + gap, boxTop, width, dropHeight, SWP_NOZORDER | SWP_NOACTIVATE);

    searchLeft = searchItem.left + gap;
    searchWidth = width * 4 / 5 + scrollBar;
    searchPlace = {searchLeft, boxTop, searchLeft + width * 4 / 5, boxTop + fieldHeight};
    SendMessageW(hwnd, TB_AUTOSIZE, 0, 0);
}

int MainToolbar::Height() const {
    if (!hwnd) return 0;
    SendMessageW(hwnd, TB_AUTOSIZE, 0, 0);
    RECT r;
    return GetWindowRect(hwnd, &r) ? r.bottom - r.top : 0;
}

void MainToolbar::FollowSplitter(int splitterX) {
    // The search box's separator takes the slack, so both boxes stay together.
    if (hwnd)
        SetSeparatorWidth(
            hwnd, IDM_SEARCH_PLACEHOLDER,
            FilterSeparatorWidth(searchLeft, searchWidth, splitterX, SystemMetricForDpi(SM_CXVSCROLL, dpi)));
}

void MainToolbar::ShowLocked(bool locked) {
    if (hwnd) SendMessageW(hwnd, TB_CHANGEBITMAP, IDM_LOCK, locked ? TOOLBAR_IMAGE_LOCKED : TOOLBAR_IMAGE_UNLOCKED);
}

void MainToolbar::Enable(int command, bool enable) {
    if (hwnd) SendMessageW(hwnd, TB_ENABLEBUTTON, static_cast<WPARAM>(command), MAKELPARAM(enable ? TRUE : FALSE, 0));
}

HWND MainToolbar::FilterBox() const { return hwnd ? GetDlgItem(hwnd, IDC_FILTER) : nullptr; }

void MainToolbar::FillFilter(const CCategories& categories) {
    HWND filter = FilterBox();
    if (!filter) return;
    SendMessageW(filter, CB_RESETCONTENT, 0, 0);
    LRESULT all = SendMessageW(filter, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"All"));
    SendMessageW(filter, CB_SETITEMDATA, static_cast<WPARAM>(all), kAllCategories);
    for (CCategory* category : Nodes<CCategory>(categories)) {
        LRESULT item = SendMessageW(filter, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(category->name)));
        if (item >= 0) SendMessageW(filter, CB_SETITEMDATA, static_cast<WPARAM>(item), category->id);
    }
    SendMessageW(filter, CB_SETCURSEL, 0, 0);
}

void MainToolbar::SelectFilter(int categoryId) {
    HWND filter = FilterBox();
    if (!filter) return;
    LRESULT wanted = categoryId == -1 ? kAllCategories : categoryId;
    auto count = SendMessageW(filter, CB_GETCOUNT, 0, 0);
    for (WPARAM i = 0; i < static_cast<WPARAM>(count > 0 ? count : 0); ++i) {
        if (SendMessageW(filter, CB_GETITEMDATA, i, 0) == wanted) {
            SendMessageW(filter, CB_SETCURSEL, i, 0);
            return;
        }
    }
}

int MainToolbar::ChosenFilter() const {
    HWND filter = FilterBox();
    LRESULT selected = SendMessageW(filter, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR) return kNoChoice;
    LRESULT data = SendMessageW(filter, CB_GETITEMDATA, static_cast<WPARAM>(selected), 0);
    if (data == CB_ERR) return kNoChoice;
    return data > 999 ? -1 : static_cast<int>(data);
}
