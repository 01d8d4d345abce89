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

// The record list's icon column; also what the data columns share less.
inline constexpr int kIconColumnWidth = 20;

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
// offset puts at barX, stays inside the parent's client area less the margins.
inline int LimitDragOffset(int offset, int barX, int parentLeft, int parentRight) {
    if (barX < parentLeft + kSplitterMargin) offset += parentLeft + kSplitterMargin - barX;
    if (barX > parentRight - kSplitterMargin - kSplitterWidth)
        offset += parentRight - kSplitterMargin - kSplitterWidth - barX;
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

// Sorts the list's rows by a column, always ascending. Column 0 (the icons)
// groups the rows by category id, each group ordered by the first field; data
// column c orders by value c - 1 as the list shows it (so "******" for
// protected values while locked); other columns leave the order as it is.
inline void SortRecords(std::vector<CRecord*>& rows, int column) {
    if (column < 0 || column > 6) return;
    struct Keyed {
        int32_t group;
        std::string key;
        CRecord* record;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(rows.size());
    CString text;
    for (CRecord* record : rows) {
        record->GetField(column == 0 ? 0 : column - 1, text);
        keyed.push_back({column == 0 ? record->categoryId : 0, platform::SortKey(text.c_str()), record});
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        return a.group != b.group ? a.group < b.group : a.key < b.key;
    });
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = keyed[i].record;
}
