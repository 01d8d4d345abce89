#include "views/ViewLogic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

TEST(ColumnWidths, UnsetWidthsShareTheClientWidth) {
    struct Case {
        int clientWidth, columns;
        std::vector<int32_t> expected;  // icon column and data columns
    };
    const Case cases[] = {
        // One data column takes everything but the icon column.
        {420, 1, {20, 400}},
        // The first data column takes the remainder of the division.
        {423, 3, {20, 135, 134, 134}},
        {20 + 6 * 50 + 5, 6, {20, 55, 50, 50, 50, 50, 50}},
        // Too narrow to share: every data column keeps at least one pixel.
        {22, 3, {20, 2, 1, 1}},
        {0, 2, {20, 1, 1}},
    };
    for (const Case& c : cases) {
        std::vector<int32_t> widths(7, -1);
        EXPECT_TRUE(FillUnsetColumnWidths(widths.data(), c.columns, c.clientWidth));
        std::vector<int32_t> visible(widths.begin(), widths.begin() + c.columns + 1);
        EXPECT_EQ(visible, c.expected) << c.clientWidth << " / " << c.columns;
        // Columns not shown are left alone.
        EXPECT_TRUE(std::all_of(widths.begin() + c.columns + 1, widths.end(), [](int32_t w) { return w == -1; }));
    }
}

TEST(ColumnWidths, SetWidthsSurviveAndOneUnsetVisibleWidthResetsThemAll) {
    struct Case {
        std::vector<int32_t> stored;
        int columns;
        bool filled;
        std::vector<int32_t> expected;
    };
    const Case cases[] = {
        // The user's widths are kept at any client width (no scaling).
        {{25, 100, 200, -1, -1, -1, -1}, 2, false, {25, 100, 200, -1, -1, -1, -1}},
        // Hidden columns may be unset without consequence.
        {{25, 100, 200, 0, 1, -1, -1}, 2, false, {25, 100, 200, 0, 1, -1, -1}},
        // A width below 2 among the visible ones: all visible ones start over.
        {{25, 100, 1, -1, -1, -1, -1}, 2, true, {20, 190, 190, -1, -1, -1, -1}},
        {{1, 100, 200, -1, -1, -1, -1}, 2, true, {20, 190, 190, -1, -1, -1, -1}},
        {{25, 100, 200, 300, -1, -1, -1}, 3, false, {25, 100, 200, 300, -1, -1, -1}},
    };
    for (const Case& c : cases) {
        std::vector<int32_t> widths = c.stored;
        EXPECT_EQ(FillUnsetColumnWidths(widths.data(), c.columns, 400), c.filled);
        EXPECT_EQ(widths, c.expected);
    }
}

TEST(SplitterDrag, BarStaysFortyPixelsInsideTheParentClient) {
    // Parent client from screen x 100 to 600: the bar's left edge may lie
    // between 140 and 553 (600 - 40 - the bar's 7 pixels).
    struct Case {
        int offset, barX, expected;
    };
    const Case cases[] = {
        {30, 300, 30},     // well inside
        {-200, 100, -160}, // on the parent's left edge: pushed 40 right
        {-170, 139, -169}, // one pixel short of the left limit
        {-169, 140, -169}, // on the left limit
        {200, 553, 200},   // on the right limit
        {201, 554, 200},   // one pixel over it
        {400, 700, 253},   // far beyond the parent's right edge
    };
    for (const Case& c : cases)
        EXPECT_EQ(LimitDragOffset(c.offset, c.barX, 100, 600), c.expected) << c.offset << " at " << c.barX;
}

TEST(WebAddress, OnlyHttpAndHttpsPrefixesInAnyCase) {
    struct Case {
        const char16_t* text;
        bool expected;
    };
    const Case cases[] = {
        {u"http://example.com", true},
        {u"https://example.com/a?b", true},
        {u"HTTP://EXAMPLE.COM", true},
        {u"HtTpS://x", true},
        {u"http://", true},
        {u"ftp://example.com", false},
        {u"www.example.com", false},
        {u"mailto:someone@example.com", false},
        {u"http:/example.com", false},
        {u"https:example.com", false},
        {u" http://example.com", false},
        {u"http", false},
        {u"", false},
        {nullptr, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StartsWithWebAddress(c.text), c.expected) << (c.text ? std::u16string(c.text).size() : 0);
}

std::unique_ptr<CRecord> MakeRecord(int32_t categoryId, const char16_t* first, const char16_t* second) {
    auto record = std::make_unique<CRecord>();
    record->categoryId = categoryId;
    record->SetFields(first, second, nullptr, nullptr, nullptr, nullptr, nullptr);
    return record;
}

// The first fields of the records in the order the list sorts them by the column.
std::vector<std::u16string> Sorted(const std::vector<std::unique_ptr<CRecord>>& records, int column) {
    std::vector<CRecord*> order;
    for (const auto& r : records) order.push_back(r.get());
    SortRecords(order, column);
    std::vector<std::u16string> firsts;
    for (const CRecord* r : order) firsts.push_back(r->GetField(0).c_str());
    return firsts;
}

TEST(RecordOrder, ColumnsSortByTheirValueAndTheIconColumnGroupsByCategory) {
    std::vector<std::unique_ptr<CRecord>> records;
    records.push_back(MakeRecord(5, u"Delta", u"Bravo"));
    records.push_back(MakeRecord(2, u"Charlie", u"Alpha"));
    records.push_back(MakeRecord(5, u"Alpha", u"Delta"));
    records.push_back(MakeRecord(2, u"Echo", u"Charlie"));
    records.push_back(MakeRecord(9, u"Bravo", u"Echo"));

    struct Case {
        int column;
        std::vector<std::u16string> expected;
    };
    const Case cases[] = {
        {1, {u"Alpha", u"Bravo", u"Charlie", u"Delta", u"Echo"}},
        // By the second value: Alpha, Bravo, Charlie, Delta, Echo.
        {2, {u"Charlie", u"Delta", u"Echo", u"Alpha", u"Bravo"}},
        // Category 2, then 5, then 9; each group by its first field.
        {0, {u"Charlie", u"Echo", u"Alpha", u"Delta", u"Bravo"}},
        // Values 3 to 6 are all empty, and other columns compare equal:
        // the stable sort keeps the load order.
        {4, {u"Delta", u"Charlie", u"Alpha", u"Echo", u"Bravo"}},
        {7, {u"Delta", u"Charlie", u"Alpha", u"Echo", u"Bravo"}},
        {-1, {u"Delta", u"Charlie", u"Alpha", u"Echo", u"Bravo"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Sorted(records, c.column), c.expected) << "column " << c.column;
}

// A new record put in its place among sorted rows lands where sorting all
// the rows again (the new one last in load order) would put it.
TEST(RecordOrder, ANewRecordTakesThePlaceASortWouldGiveIt) {
    std::vector<std::unique_ptr<CRecord>> records;
    records.push_back(MakeRecord(5, u"Delta", u"Bravo"));
    records.push_back(MakeRecord(2, u"Charlie", u"Alpha"));
    records.push_back(MakeRecord(5, u"Alpha", u"Delta"));
    records.push_back(MakeRecord(2, u"Echo", u"Charlie"));
    records.push_back(MakeRecord(9, u"Bravo", u"Echo"));
    const std::pair<const char16_t*, const char16_t*> added[] = {
        {u"Aardvark", u"Zulu"}, {u"Charlie", u"Bravo"}, {u"Zulu", u""}, {u"", u"Alpha"}, {u"Delta", u"Delta"}};
    for (int column : {0, 1, 2, 4, 7}) {
        for (const auto& [first, second] : added) {
            std::vector<CRecord*> rows;
            for (const auto& r : records) rows.push_back(r.get());
            SortRecords(rows, column);
            auto record = MakeRecord(5, first, second);
            rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(SortedPlace(rows, *record, column)), record.get());
            std::vector<CRecord*> sorted;
            for (const auto& r : records) sorted.push_back(r.get());
            sorted.push_back(record.get());
            SortRecords(sorted, column);
            EXPECT_EQ(rows, sorted) << "column " << column << ", first field size " << std::u16string(first).size();
        }
    }
}

}  // namespace
