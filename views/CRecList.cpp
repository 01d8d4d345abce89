#include "views/CRecList.h"

#include "dialogs/framework/CWindow.h"
#include "dialogs/framework/Display.h"
#include "dialogs/framework/Drawing.h"
#include "dialogs/framework/Gdi.h"
#include "dialogs/framework/Messages.h"
#include "model/Database.h"
#include "model/base/StringTable.h"
#include "model/win32/DataFolder.h"
#include "platform/Wide.h"
#include "res/resource.h"
#include "storage/Settings.h"
#include "views/CopyMenu.h"
#include "views/ViewHost.h"
#include "views/ViewLogic.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <string>

namespace {

COLORREF ColourOf(const int32_t rgb[3]) { return RGB(rgb[0] & 0xFF, rgb[1] & 0xFF, rgb[2] & 0xFF); }

// The stored row colours; with high contrast on, the system's window colour.
COLORREF OddRowColour() {
    return HighContrastOn() ? GetSysColor(COLOR_WINDOW) : ColourOf(theSettings->Active().oddRowColour);
}
COLORREF EvenRowColour() {
    return HighContrastOn() ? GetSysColor(COLOR_WINDOW) : ColourOf(theSettings->Active().evenRowColour);
}

int SpaceWidth(HDC dc) {
    SIZE size{};
    GetTextExtentPoint32W(dc, L" ", 1, &size);
    return size.cx;
}

void SetRedraw(HWND list, bool on) { SendMessageW(list, WM_SETREDRAW, on ? TRUE : FALSE, 0); }

}  // namespace

CRecList::CRecList(CDatabase& database, HINSTANCE resourceModule, ViewHost& viewHost)
    : file(database.file),
      categories(database.categories),
      records(database.records),
      resources(resourceModule),
      host(viewHost) {}

CRecList::~CRecList() = default;

void CRecList::Create(HWND parentWindow) {
    parent = parentWindow;
    // The list view keeps no rows of its own (owner data): rows holds the
    // records in their order, and every cell is drawn from its record.
    DWORD style = WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL | LVS_OWNERDATA | LVS_OWNERDRAWFIXED;
    hwndList = CreateWindowExW(0, WC_LISTVIEWW, L"", style, 0, 0, 0, 0, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_RECORD_LIST)), resources, nullptr);
    if (!hwndList) return;
    headerGlyph.Reset(LoadBitmapW(resources, MAKEINTRESOURCEW(IDB_HEADER_GLYPH)));
    missingIcon.Reset(LoadBitmapW(resources, MAKEINTRESOURCEW(IDB_MISSING_ICON)));
    hwndHeader = ListView_GetHeader(hwndList);
    SubclassControl(hwndList, &CRecList::ListProc, 0, this);
    SetDpi(DpiOf(hwndList));
}

void CRecList::SetDpi(int newDpi) {
    dpi = newDpi;
    if (!hwndList) return;
    rowIcons.SetDpi(dpi);
    // A new font makes the list measure its rows again, and the header with it.
    font = MakeGuiFont(dpi);
    if (font) SendMessageW(hwndList, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
    ApplyColumnWidths();
    InvalidateRect(hwndList, nullptr, TRUE);
}

LRESULT CALLBACK CRecList::ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR owner) {
    auto* self = reinterpret_cast<CRecList*>(owner);
    switch (message) {
        case WM_NCDESTROY: RemoveWindowSubclass(hwnd, &CRecList::ListProc, id); break;
        case WM_SIZE:
            // While the header holds the mouse, the user is dragging a divider;
            // a size change then (a scroll bar coming or going) must not put
            // the stored widths back over the one being dragged.
            if (GetCapture() != self->hwndHeader) {
                self->ApplyColumnWidths();
                // Every resize brings the first rows back into view; a
                // rebuild keeps the rows where they were.
                for (int i = 0; i <= self->columnCount; ++i) ListView_EnsureVisible(hwnd, i, FALSE);
            }
            // The stripes are painted with the background: space the list
            // gains must be erased, even when the move asked for no redraw.
            InvalidateRect(hwnd, nullptr, TRUE);
            break;
        case UM_SAVECOLUMNWIDTHS: self->StoreColumnWidths(); break;
        case WM_ERASEBKGND: self->PaintStripes(reinterpret_cast<HDC>(wParam)); return 1;
        case WM_CONTEXTMENU:
            if (self->ShowRowMenu(lParam)) return 0;
            break;
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<const NMHEADERW*>(lParam);
            if (header->hdr.hwndFrom != self->hwndHeader) break;
            UINT code = header->hdr.code;
            if (code == HDN_ITEMCLICKW || code == HDN_ITEMCLICKA) {
                self->SortBy(header->iItem);
            } else if (code == HDN_ITEMCHANGEDW || code == HDN_ITEMCHANGEDA) {
                // A width dragged (or set): the rows are drawn with it once the list has it.
                LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
                self->ReadColumnWidths();
                return result;
            } else if (code == HDN_ENDTRACKW || code == HDN_ENDTRACKA) {
                // The new width is only in place once the list has handled the drag.
                PostMessageW(hwnd, UM_SAVECOLUMNWIDTHS, 0, 0);
            }
            break;
        }
        case WM_DRAWITEM: {
            auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item->CtlType != ODT_HEADER) break;
            self->DrawHeaderItem(*item);
            return TRUE;
        }
        default: break;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

bool CRecList::OnMeasureItem(MEASUREITEMSTRUCT& measure) {
    if (measure.CtlType != ODT_LISTVIEW) return false;
    // A row holds its text and a category icon (16 pixels at 96 DPI); while
    // the list view is being created, before hwndList is known, that stands.
    int height = ScaleForDpi(kIconSize, dpi);
    if (hwndList && font) {
        WindowDC dc(hwndList);
        Selection select(dc.Get(), font.Get());
        TEXTMETRICW metrics;
        if (dc.Get() && GetTextMetricsW(dc.Get(), &metrics))
            height = std::max<int>(height, metrics.tmHeight + ScaleForDpi(2, dpi));
    }
    rowHeight = height;
    measure.itemHeight = static_cast<UINT>(height);
    return true;
}

bool CRecList::OnDrawItem(const DRAWITEMSTRUCT& item) {
    if (item.CtlType != ODT_LISTVIEW) return false;
    DrawRow(item);
    return true;
}

void CRecList::OnNotify(const NMHDR& header) {
    if (header.code == NM_DBLCLK) {
        // A double click edits the row under it, which becomes the selected one.
        int row = reinterpret_cast<const NMITEMACTIVATE&>(header).iItem;
        if (row >= 0 && row != SelectedRow())
            ListView_SetItemState(hwndList, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        host.RunCommand(IDM_EDIT_RECORD);
    } else if (header.code == NM_RETURN) {
        host.RunCommand(IDM_EDIT_RECORD);
    } else if (header.code == LVN_KEYDOWN) {
        OnKeyDown(reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey);
    } else if (header.code == LVN_GETDISPINFOW) {
        AnswerText(reinterpret_cast<NMLVDISPINFOW&>(const_cast<NMHDR&>(header)).item);
    } else if (header.code == LVN_ITEMCHANGED) {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if (change.uChanged & LVIF_STATE) {
            if (change.uNewState == 0) {
                host.OnSelectionChanged(nullptr);
            } else if (change.uNewState & LVIS_SELECTED) {
                host.OnSelectionChanged(RecordAt(change.iItem));
            }
        }
    }
}

// The record commands at the keyboard, as in other Windows lists: Enter
// (NM_RETURN) edits, Delete deletes, Insert makes a new record; Ctrl+N is
// one of the main window's accelerators.
void CRecList::OnKeyDown(WORD key) {
    bool plain = GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0 && GetKeyState(VK_SHIFT) >= 0;
    if (!plain) return;
    if (key == VK_DELETE) host.RunCommand(IDM_DELETE_RECORD);
    if (key == VK_INSERT) host.RunCommand(IDM_NEW_RECORD);
}

// The list keeps no texts, but screen readers and other accessibility
// clients ask it for each cell's: the category's name for the icon column,
// the value the cell shows for the others ("******" while locked).
void CRecList::AnswerText(LVITEMW& item) const {
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    item.pszText[0] = 0;
    const CRecord* record = RecordAt(item.iItem);
    if (!record || item.iSubItem < 0 || item.iSubItem > columnCount) return;
    CString text;
    if (item.iSubItem == 0) {
        if (const CCategory* category = CategoryOf(*record, categories)) text.Assign(category->name);
    } else {
        record->GetField(item.iSubItem - 1, text);
    }
    lstrcpynW(item.pszText, W(text.c_str()), item.cchTextMax);
}

void CRecList::Refresh() {
    // The selection and the keyboard stay where they were: the selected
    // record, or the row where it was when it is gone (deleted), and the
    // control that had the keys.
    int keptRow = SelectedRow();
    CRecord* kept = RecordAt(keptRow);
    HWND focus = GetFocus();
    host.OnSelectionChanged(nullptr);
    // Whatever changed, the folded values of the last search may be stale or
    // hold values that must not outlive a lock.
    search.Forget();
    if (!hwndList) {
        host.OnListRebuilt();
        return;
    }

    SetRedraw(hwndList, false);
    ListView_SetItemState(hwndList, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    SyncColumns();
    categoryRows.clear();
    RecordFilter filter{filterCategoryId};
    for (CRecord* record : Nodes<CRecord>(records)) {
        if (RowMatches(*record, filter, search)) categoryRows.push_back(record);
    }
    SortRecords(categoryRows, sortColumn);
    rows.clear();
    ApplySearch(false);
    SetColumnTitles();
    SetRedraw(hwndList, true);
    InvalidateRect(hwndList, nullptr, TRUE);

    if (!rows.empty()) {
        auto found = std::find(rows.begin(), rows.end(), kept);
        int row = kept && found != rows.end() ? static_cast<int>(found - rows.begin())
                  : keptRow >= 0              ? std::min(keptRow, static_cast<int>(rows.size()) - 1)
                                              : 0;
        // Selecting notifies LVN_ITEMCHANGED, so the pane shows its record.
        Select(row);
    }
    // Keys that reached nothing (the frame) or the list go to the list; a
    // pane box that was hidden during the rebuild gets them back.
    if (!focus || focus == parent || focus == hwndList || !IsWindowVisible(focus)) {
        if (!rows.empty()) SetFocus(hwndList);
    } else if (GetFocus() != focus) {
        SetFocus(focus);
    }
    host.OnListRebuilt();
}

void CRecList::ShowNewRecord(CRecord* record) {
    if (!record || !hwndList) return;
    if (filterCategoryId != -1 && record->categoryId != filterCategoryId) return;
    // In its place among the rows, without sorting them again.
    categoryRows.insert(
        categoryRows.begin() + static_cast<std::ptrdiff_t>(SortedPlace(categoryRows, *record, sortColumn)), record);
    if (Searching() && !RowMatches(*record, searchFilter, search)) {
        host.OnRowsChanged();
        return;
    }
    auto place = static_cast<int>(SortedPlace(rows, *record, sortColumn));
    rows.insert(rows.begin() + place, record);
    // Every row after the new one moves and changes its colour: counted,
    // scrolled to and selected with drawing off, the list is drawn once (the
    // list view sets up its scroll bars when drawing comes back on anyway).
    SetRedraw(hwndList, false);
    ListView_SetItemCountEx(hwndList, static_cast<int>(rows.size()), LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
    MarkSelected(place);
    SetRedraw(hwndList, true);
    InvalidateRect(hwndList, nullptr, TRUE);
    host.OnRowsChanged();
}

bool CRecList::SelectRecord(const CRecord* record) {
    auto found = std::find(rows.begin(), rows.end(), record);
    if (!record || found == rows.end()) return false;
    Select(static_cast<int>(found - rows.begin()));
    return true;
}

void CRecList::SetSearchText(const char16_t* text) {
    searchFilter.text.Assign(text);
    ApplySearch(true);
    host.OnRowsChanged();
}

void CRecList::SearchAgain() {
    if (!Searching()) return;
    ApplySearch(true);
    host.OnRowsChanged();
}

void CRecList::PrepareSearch() { search.Prepare(!(theSettings && theSettings->locked)); }

void CRecList::ApplySearch(bool selectFirst) {
    searchFilter.categoryId = -1;  // the category's rows are chosen already
    searchFilter.unlocked = !(theSettings && theSettings->locked);
    if (Searching()) {
        rows.clear();
        for (CRecord* record : categoryRows) {
            if (RowMatches(*record, searchFilter, search)) rows.push_back(record);
        }
    } else {
        rows = categoryRows;
    }
    if (!hwndList) return;
    // Setting the count costs the list view a pass of its own: only when it changed.
    if (ListView_GetItemCount(hwndList) != static_cast<int>(rows.size()))
        ListView_SetItemCountEx(hwndList, static_cast<int>(rows.size()), LVSICF_NOSCROLL);
    InvalidateRect(hwndList, nullptr, FALSE);
    if (!selectFirst) return;
    if (!rows.empty()) {
        Select(0);
    } else {
        host.OnSelectionChanged(nullptr);
    }
}

bool CRecList::RowInView(int row) const {
    int top = ListView_GetTopIndex(hwndList);
    return row >= top && row < top + std::max(ListView_GetCountPerPage(hwndList), 1);
}

void CRecList::Select(int row) {
    // A row out of view is brought into it with drawing off: the list then
    // paints once where it ends instead of scrolling there (which costs far
    // more under some systems).
    bool outOfView = !RowInView(row);
    if (outOfView) SetRedraw(hwndList, false);
    MarkSelected(row);
    if (outOfView) {
        SetRedraw(hwndList, true);
        InvalidateRect(hwndList, nullptr, TRUE);
    }
}

void CRecList::MarkSelected(int row) {
    // A row selected already notifies nothing: the pane must follow its new record all the same.
    bool already = SelectedRow() == row;
    if (!RowInView(row)) ListView_EnsureVisible(hwndList, row, FALSE);
    ListView_SetItemState(hwndList, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    if (already) host.OnSelectionChanged(RecordAt(row));
}

void CRecList::FocusFirstRow() {
    SetFocus(hwndList);
    if (!rows.empty()) Select(0);
}

void CRecList::SetFilter(int categoryId) {
    filterCategoryId = categoryId;
    // Another category's records, from the top and in the first column's order.
    sortColumn = 1;
    if (hwndList) {
        ListView_SetItemState(hwndList, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_SetItemCountEx(hwndList, 0, 0);
    }
    rows.clear();
    categoryRows.clear();
    Refresh();
}

void CRecList::SetColumnTitles() {
    CCategory* category = filterCategoryId == -1 ? nullptr : categories.FindById(filterCategoryId);
    CResString field(IDS_FIELD);
    for (int i = 0; i <= columnCount; ++i) {
        std::wstring title;
        if (i == 0) {
            title = L" ";
        } else if (category) {
            title = W(category->fieldLabel[i - 1]);
        } else {
            title = std::wstring(field.Text()) + L" " + std::to_wstring(i);
        }
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_TEXT;
        column.fmt = LVCFMT_LEFT;
        column.pszText = title.data();
        ListView_SetColumn(hwndList, i, &column);
        // Setting the column rewrites the header item's format, so the
        // owner-draw flag goes on afterwards.
        HDITEMW headerItem{};
        headerItem.mask = HDI_FORMAT;
        if (hwndHeader && Header_GetItem(hwndHeader, i, &headerItem)) {
            headerItem.fmt |= HDF_OWNERDRAW;
            Header_SetItem(hwndHeader, i, &headerItem);
        }
    }
}

void CRecList::SyncColumns() {
    int want = std::clamp<int>(theSettings->desktop.visibleDataColumns, 1, 6);
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.fmt = LVCFMT_LEFT;
    column.cx = ScaleForDpi(kIconColumnWidth, dpi);
    wchar_t empty[] = L"";
    column.pszText = empty;
    if (columnCount < 0) {
        ListView_InsertColumn(hwndList, 0, &column);
        columnCount = 0;
    }
    for (int i = columnCount; i > want; --i) ListView_DeleteColumn(hwndList, i);
    for (int i = columnCount + 1; i <= want; ++i) ListView_InsertColumn(hwndList, i, &column);
    columnCount = want;
    ApplyColumnWidths();
}

int* CRecList::ColumnWidthArray(CCategory** owner) {
    *owner = nullptr;
    if (theSettings->desktop.perCategoryColumnWidths && filterCategoryId != -1) {
        if (CCategory* category = categories.FindById(filterCategoryId)) {
            *owner = category;
            return category->columnWidth;
        }
    }
    return theSettings->desktop.columnWidths;
}

void CRecList::ApplyColumnWidths() {
    if (!hwndList || columnCount < 1) return;
    RECT client;
    GetClientRect(hwndList, &client);
    CCategory* owner = nullptr;
    int* widths = ColumnWidthArray(&owner);
    // The widths are kept at 96 DPI.
    if (FillUnsetColumnWidths(widths, columnCount, MulDiv(client.right - client.left, kDefaultDpi, dpi)) && owner)
        owner->isDirty = true;
    int shown[7] = {};
    int total = 0;
    for (int i = 0; i <= columnCount; ++i) total += shown[i] = ScaleForDpi(widths[i], dpi);
    // Widths that fill the list exactly may come out a pixel or two wider
    // once scaled, which would bring up a horizontal scroll bar.
    int excess = total - (client.right - client.left);
    if (excess > 0 && excess <= columnCount + 1 && shown[1] > excess) shown[1] -= excess;
    for (int i = 0; i <= columnCount; ++i) ListView_SetColumnWidth(hwndList, i, shown[i]);
    ReadColumnWidths();
}

// Rows are drawn from the widths kept here, read again whenever they change:
// asking the list for each cell's width costs more than drawing the cell.
void CRecList::ReadColumnWidths() {
    for (int i = 0; i < static_cast<int>(std::size(columnWidths)); ++i)
        columnWidths[i] = i <= columnCount ? ListView_GetColumnWidth(hwndList, i) : 0;
}

int CRecList::ColumnWidth(int column) const {
    return column >= 0 && column < static_cast<int>(std::size(columnWidths)) ? columnWidths[column] : 0;
}

void CRecList::StoreColumnWidths() {
    if (!hwndList || columnCount < 1) return;
    CCategory* owner = nullptr;
    int* widths = ColumnWidthArray(&owner);
    bool changed = false;
    for (int i = 0; i <= columnCount; ++i) {
        int shown = ListView_GetColumnWidth(hwndList, i);
        // A width shown as it is stored was not dragged.
        if (shown == ScaleForDpi(widths[i], dpi)) continue;
        int width = MulDiv(shown, kDefaultDpi, dpi);
        if (width != widths[i]) {
            widths[i] = width;
            changed = true;
        }
    }
    // The settings are written at exit; a changed category is marked to be.
    if (changed && owner) owner->isDirty = true;
}

void CRecList::PaintStripes(HDC dc) {
    RECT client;
    GetClientRect(hwndList, &client);
    int top = 0;
    RECT header;
    if (hwndHeader && GetWindowRect(hwndHeader, &header)) {
        MapWindowPoints(nullptr, hwndList, reinterpret_cast<POINT*>(&header), 2);
        top = header.bottom + 1;
    }
    Brush odd(CreateSolidBrush(OddRowColour()));
    Brush even(CreateSolidBrush(EvenRowColour()));
    int height = std::max(rowHeight, 1);
    bool isOdd = true;
    for (int y = top; y < client.bottom; y += height, isOdd = !isOdd) {
        RECT stripe = {client.left, y, client.right, std::min<LONG>(y + height, client.bottom)};
        FillRect(dc, &stripe, isOdd ? odd.Get() : even.Get());
    }
}

void CRecList::DrawRow(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    int row = static_cast<int>(item.itemID);
    COLORREF rowColour = row % 2 == 0 ? OddRowColour() : EvenRowColour();
    bool selected = (item.itemState & ODS_SELECTED) != 0;

    Brush fill(CreateSolidBrush(selected ? GetSysColor(COLOR_HIGHLIGHT) : rowColour));
    FillRect(dc, &item.rcItem, fill.Get());
    COLORREF previousText = SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    int previousMode = SetBkMode(dc, TRANSPARENT);

    if (const CRecord* record = RecordAt(row)) {
        RECT cell = item.rcItem;
        cell.right = cell.left + ColumnWidth(0);
        // The icon never shows the selection.
        if (selected) {
            Brush iconFill(CreateSolidBrush(rowColour));
            FillRect(dc, &cell, iconFill.Get());
        }
        DrawIconCell(dc, *record, cell, rowColour);

        int inset = SpaceWidth(dc);
        CString text;
        for (int column = 1; column <= columnCount; ++column) {
            cell.left = cell.right;
            cell.right = cell.left + ColumnWidth(column);
            RECT textRect = {cell.left + inset, cell.top, cell.right - inset, cell.bottom};
            // The text is made for this one drawing: rows hold only the record.
            record->GetField(column - 1, text);
            DrawTextEllipsis(dc, W(text.c_str()), textRect);
        }
    }
    SetBkMode(dc, previousMode);
    SetTextColor(dc, previousText);
}

void CRecList::DrawIconCell(HDC dc, const CRecord& record, RECT cell, COLORREF background) {
    CCategory* category = record.categoryId >= 0 ? categories.FindById(record.categoryId) : nullptr;
    HBITMAP picture = nullptr;
    if (const CIconList* icons = category ? host.Icons() : nullptr) {
        if (CIcon* icon = FindIcon(*icons, W(category->iconName)))
            picture = GetIconBitmap(icon, true);  // shared; not ours to delete
    }
    rowIcons.Draw(dc, cell, picture ? picture : missingIcon.Get(), background);
}

void CRecList::DrawHeaderItem(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    int index = static_cast<int>(item.itemID);
    bool pressed = (item.itemState & ODS_SELECTED) != 0;
    RECT rect = item.rcItem;
    // High contrast: the header's own background (a theme's, under some
    // systems) is covered with the face colour its text is drawn on.
    if (HighContrastOn()) {
        RECT face = rect;
        InflateRect(&face, -ScaleForDpi(1, dpi), -ScaleForDpi(1, dpi));
        FillRect(dc, &face, GetSysColorBrush(COLOR_BTNFACE));
    }
    if (index == 0) {
        if (pressed) OffsetRect(&rect, ScaleForDpi(2, dpi), ScaleForDpi(1, dpi));
        if (headerGlyph) DrawBitmapTransparent(dc, rect, headerGlyph.Get(), dpi);
        return;
    }
    wchar_t text[33] = {};
    HDITEMW headerItem{};
    headerItem.mask = HDI_TEXT;
    headerItem.pszText = text;
    headerItem.cchTextMax = 33;
    Header_GetItem(hwndHeader, index, &headerItem);
    int inset = SpaceWidth(dc);
    rect.left += inset;
    rect.right -= inset;
    if (pressed) OffsetRect(&rect, ScaleForDpi(1, dpi), ScaleForDpi(1, dpi));
    int previousMode = SetBkMode(dc, TRANSPARENT);
    COLORREF previousText = SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawTextEllipsis(dc, text, rect);
    SetTextColor(dc, previousText);
    SetBkMode(dc, previousMode);
}

bool CRecList::ShowRowMenu(LPARAM screenPoint) {
    POINT at = {GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
    int row = -1;
    if (at.x == -1 && at.y == -1) {
        // From the keyboard (Shift+F10 or the menu key): under the selected row.
        row = SelectedRow();
        RECT bounds = {};
        if (row < 0 || !ListView_GetItemRect(hwndList, row, &bounds, LVIR_BOUNDS)) return false;
        at = {bounds.left + rowHeight, bounds.bottom};
        ClientToScreen(hwndList, &at);
    } else {
        LVHITTESTINFO hit = {};
        hit.pt = at;
        ScreenToClient(hwndList, &hit.pt);
        RECT header = {};
        if (hwndHeader && GetWindowRect(hwndHeader, &header) && at.y < header.bottom) return false;
        row = static_cast<int>(SendMessageW(hwndList, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    }
    CRecord* record = RecordAt(row);
    if (!record) return false;
    ShowCopyMenu(parent, *record, categories, at, -1, host);
    return true;
}

CRecord* CRecList::RecordAt(int row) const {
    return row >= 0 && static_cast<size_t>(row) < rows.size() ? rows[static_cast<size_t>(row)] : nullptr;
}

void CRecList::SortBy(int column) {
    CRecord* selected = RecordAt(SelectedRow());
    sortColumn = column;
    SortRecords(categoryRows, column);
    ApplySearch(false);
    // The selection stays with its record.
    auto found = std::find(rows.begin(), rows.end(), selected);
    if (selected && found != rows.end()) {
        int row = static_cast<int>(found - rows.begin());
        ListView_SetItemState(hwndList, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    InvalidateRect(hwndList, nullptr, FALSE);
}

int CRecList::RowOf(const CRecord* record) const {
    auto found = std::find(rows.begin(), rows.end(), record);
    return found == rows.end() ? -1 : static_cast<int>(found - rows.begin());
}

int CRecList::SelectedRow() const { return hwndList ? ListView_GetNextItem(hwndList, -1, LVNI_SELECTED) : -1; }

void CRecList::RemoveRow(int row) {
    CRecord* record = RecordAt(row);
    if (!record) return;
    search.Forget(*record);
    rows.erase(rows.begin() + row);
    std::erase(categoryRows, record);
    ListView_SetItemCountEx(hwndList, static_cast<int>(rows.size()), LVSICF_NOSCROLL);
    InvalidateRect(hwndList, nullptr, FALSE);
    // The row that takes its place is the one a rebuild keeps selected.
    if (!rows.empty()) {
        int next = std::min(row, static_cast<int>(rows.size()) - 1);
        ListView_SetItemState(hwndList, next, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    host.OnRowsChanged();
}
