// The record list: the left half of the main window, an owner-drawn report
// list view with one row per record of the chosen category (or of all), an
// icon column and up to six data columns in alternating row colours. Every
// command reaches the program's categories and records through it.
#pragma once

#include "dialogs/framework/Gdi.h"
#include "model/Category.h"
#include "model/Record.h"
#include "model/Search.h"
#include "views/RowIcons.h"

#include <windows.h>

#include <vector>

class CDatabase;
class CxFile;
class ViewHost;

class CRecList {
public:
    // Shows the lists of the open, loaded database; pictures come from the
    // resource module.
    CRecList(CDatabase& database, HINSTANCE resources, ViewHost& host);
    CRecList(const CRecList&) = delete;
    CRecList& operator=(const CRecList&) = delete;
    ~CRecList();

    // Creates the list view (control id 1004) as a child of the main window.
    void Create(HWND parentWindow);
    // Its font, row height, column widths and icons follow the DPI.
    void SetDpi(int dpi);

    // The parent's WM_MEASUREITEM, WM_DRAWITEM and WM_NOTIFY for control 1004
    // (the list's own notifications): true when handled.
    bool OnMeasureItem(MEASUREITEMSTRUCT& measure);
    bool OnDrawItem(const DRAWITEMSTRUCT& item);
    void OnNotify(const NMHDR& header);

    // Rebuilds columns and rows. The selected record stays selected (when it
    // is gone, the row that took its place), the rows where they were on
    // screen; the first row is selected when none was.
    void Refresh();
    // Shows one category (-1: every category) from its first row.
    void SetFilter(int categoryId);
    // A record just added to the list's category (or to any, while all are
    // shown): put in its place among the rows without a rebuild, selected
    // and scrolled into view when it matches the search.
    void ShowNewRecord(CRecord* record);
    // Selects the record's row (in view); false when no row shows it.
    bool SelectRecord(const CRecord* record);
    // Narrows the rows of the category to those with a value that contains
    // the text (empty: every row) and selects the first match, the list at
    // its top. Never rebuilds the rows of the category, so a keystroke costs
    // one pass over them.
    void SetSearchText(const char16_t* text);
    // Searches again under the present lock state, after a lock or unlock.
    void SearchAgain();
    // Folds the values to search now, so that the first key does not wait for it.
    void PrepareSearch();
    bool Searching() const { return !searchFilter.text.IsEmpty(); }
    // The rows of the category, before the search narrows them.
    int CategoryRowCount() const { return static_cast<int>(categoryRows.size()); }
    // Selects the first row and moves the focus into the list.
    void FocusFirstRow();

    // The record a row shows, or null.
    CRecord* RecordAt(int row) const;
    // The selected row, or -1.
    int SelectedRow() const;
    // The row that shows a record, or -1.
    int RowOf(const CRecord* record) const;
    // Takes a record's row out of the list before the record itself goes,
    // so that nothing draws or selects it any more; the row that takes its
    // place is selected (the pane is told once the record is gone).
    void RemoveRow(int row);

    CxFile& file;
    CCategories& categories;
    CRecords& records;
    HWND parent = nullptr;
    HINSTANCE resources;
    ViewHost& host;
    HWND hwndList = nullptr;
    HWND hwndHeader = nullptr;
    int filterCategoryId = -1;
    int sortColumn = 1;  // the column the rows are ordered by (a header click)
    int columnCount = -1;
    int rowHeight = 16;
    int dpi = 96;
    Font font;  // the default GUI font at the list's DPI
    RowIcons rowIcons;
    int columnWidths[7] = {};  // as the list has them, for drawing the rows
    Bitmap headerGlyph;
    Bitmap missingIcon;
    std::vector<CRecord*> rows;  // the records shown, in row order
    // The folded values behind RowMatches; forgotten at every rebuild, which
    // follows every lock and every change of the records (they hold secrets
    // once a search ran while unlocked).
    CRecordSearch search{records};

private:
    static LRESULT CALLBACK ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR owner);
    void SyncColumns();
    void SetColumnTitles();
    void ApplyColumnWidths();
    void StoreColumnWidths();
    int* ColumnWidthArray(CCategory** owner);
    void PaintStripes(HDC dc);
    void DrawRow(const DRAWITEMSTRUCT& item);
    void DrawIconCell(HDC dc, const CRecord& record, RECT cell, COLORREF background);
    void DrawHeaderItem(const DRAWITEMSTRUCT& item);
    void AnswerText(LVITEMW& item) const;
    void ReadColumnWidths();
    int ColumnWidth(int column) const;
    // The copy menu of the row under a screen point, or of the selected row
    // for the keyboard's (-1, -1); false when there is no row to offer.
    bool ShowRowMenu(LPARAM screenPoint);
    void SortBy(int column);
    // rows = the category's rows that match the search; with selectFirst,
    // the first of them selected.
    void ApplySearch(bool selectFirst);
    void Select(int row);
    // Brings the row into view and selects it, the pane following; leaves drawing as it is.
    void MarkSelected(int row);
    bool RowInView(int row) const;

    std::vector<CRecord*> categoryRows;  // the category's records, in row order
    RecordFilter searchFilter;           // the search text and the lock state it was run under
    void OnKeyDown(WORD key);
};
