// The arithmetic and text rules of the views that need no window: column
// widths of the record list, the row order, the limits of a splitter drag and
// what counts as a web address. Kept free of Win32 so they are tested natively.
#pragma once

#include "dialogs/framework/Layout.h"
#include "model/Category.h"
#include "model/Record.h"
#include "model/Search.h"
#include "model/base/CString.h"
#include "platform/Platform.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

// The record list's icon column at 96 DPI; also what the data columns share
// less. Stored column widths are pixels at 96 DPI too (as a program that knew
// no other DPI stored them), scaled to the window's DPI when shown.
inline constexpr int kIconColumnWidth = 20;
// A category icon's side at 96 DPI, which a row's height is at least.
inline constexpr int kIconSize = 16;

struct ColumnShares {
    int share;  // each data column after the first
    int first;  // the first data column, which also takes the remainder
};

// How columnCount data columns (at least 1) split a list of this client width.
inline ColumnShares ShareColumnWidth(int clientWidth, int columnCount) {
    int available = clientWidth - kIconColumnWidth;
    int share = available / columnCount;
    return {share, share + available % columnCount};
}

// widths[0] is the icon column, widths[1..columnCount] the data columns. When
// any of those is unset (below 2) they are all filled in afresh from the
// client width; widths the user set are kept as they are. True when filled.
inline bool FillUnsetColumnWidths(int32_t* widths, int columnCount, int clientWidth) {
    bool unset = false;
    for (int i = 0; i <= columnCount; ++i) unset = unset || widths[i] < 2;
    if (!unset) return false;
    ColumnShares shares = ShareColumnWidth(clientWidth, columnCount);
    widths[0] = kIconColumnWidth;
    widths[1] = std::max(shares.first, 1);
    for (int i = 2; i <= columnCount; ++i) widths[i] = std::max(shares.share, 1);
    return true;
}

// Whether the list shows a record: the core's one match rule (the category
// filter box, the search text, the lock state; model/Search.h), answered from
// the folded values the search keeps between keystrokes.
inline bool RowMatches(const CRecord& record, const RecordFilter& filter, CRecordSearch& search) {
    return search.Matches(record, filter);
}

// The first category with the record's id; unlike FindById, none when no
// category has it, so a record of a vanished category shows plain labels.
inline const CCategory* CategoryOf(const CRecord& record, const CCategories& categories) {
    for (const CCategory* category : Nodes<CCategory>(categories))
        if (category->id == record.categoryId) return category;
    return nullptr;
}

// The drag offset corrected so that the bar, whose screen x the uncorrected
// offset puts at barX, stays inside the parent's client area less the margins
// (width and margin in pixels at the window's DPI).
inline int LimitDragOffset(int offset, int barX, int parentLeft, int parentRight, int width = kSplitterWidth,
                           int margin = kSplitterMargin) {
    if (barX < parentLeft + margin) offset += parentLeft + margin - barX;
    if (barX > parentRight - margin - width) offset += parentRight - margin - width - barX;
    return offset;
}

// "http://" or "https://" at the start, in any case; no other scheme counts.
inline bool StartsWithWebAddress(const char16_t* text) {
    if (!text) return false;
    auto startsWith = [text](const char16_t* prefix) {
        for (int i = 0; prefix[i]; ++i) {
            char16_t c = text[i];
            if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
            if (c != prefix[i]) return false;  // also stops at the end of text
        }
        return true;
    };
    return startsWith(u"http://") || startsWith(u"https://");
}

// What the list's rows are ordered by in a column: column 0 (the icons)
// groups the rows by category id, each group ordered by the first field;
// data column c orders by value c - 1 as the list shows it (so "******" for
// protected values while locked).
struct RowSortKey {
    int32_t group;
    std::string text;
    bool operator<(const RowSortKey& other) const {
        return group != other.group ? group < other.group : text < other.text;
    }
};

inline RowSortKey SortKeyOf(const CRecord& record, int column) {
    CString text;
    record.GetField(column == 0 ? 0 : column - 1, text);
    return {column == 0 ? record.categoryId : 0, platform::SortKey(text.c_str())};
}

// Sorts the list's rows by a column (0 to 6), always ascending; records with
// equal keys keep their order. Other columns leave the order as it is.
inline void SortRecords(std::vector<CRecord*>& rows, int column) {
    if (column < 0 || column > 6) return;
    struct Keyed {
        RowSortKey key;
        CRecord* record;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(rows.size());
    for (CRecord* record : rows) keyed.push_back({SortKeyOf(*record, column), record});
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) { return a.key < b.key; });
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = keyed[i].record;
}

// Where a record goes among rows sorted by the column, as SortRecords would
// have put it had it been the last of them: after every row with an equal
// key. Looks at the keys of a few rows only, so a new record takes its
// place among many without a sort.
inline size_t SortedPlace(const std::vector<CRecord*>& rows, const CRecord& record, int column) {
    if (column < 0 || column > 6) return rows.size();
    RowSortKey key = SortKeyOf(record, column);
    auto place = std::upper_bound(rows.begin(), rows.end(), key, [column](const RowSortKey& k, const CRecord* row) {
        return k < SortKeyOf(*row, column);
    });
    return static_cast<size_t>(place - rows.begin());
}
