// The main window made in this process, at the display's DPI (these tests
// also run in Wine prefixes set to 144 and 192 DPI) and at another one it is
// told of: row height, toolbar, splitter and column widths follow the DPI,
// the pane's labels fit, and high contrast turns the stored colours off.
#include "app/MainWindow.h"
#include "dialogs/framework/Display.h"
#include "model/Database.h"
#include "platform/Wide.h"
#include "res/resource.h"
#include "storage/Settings.h"
#include "tests/gui/InProcessWindow.h"
#include "tests/gui/TestDatabase.h"
#include "views/CRecList.h"
#include "views/CRecView.h"
#include "views/CSplitter.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

class DisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("quorrel-display-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(serial++));
        std::filesystem::create_directories(folder);
        path = (folder / "QuorrelDPC.qrb").wstring();
    }

    void TearDown() override {
        OverrideHighContrast(-1);
        CloseMainWindowInProcess(main);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    // One record in every category, and row colours no system colour has.
    void Open() {
        {
            TestDatabase db(path);
            db.Preferences().showNoPasswordWarning = 0;
            for (int i = 0; i < 3; ++i) {
                db.Preferences().oddRowColour[i] = kOdd[i];
                db.Preferences().evenRowColour[i] = kEven[i];
            }
            std::vector<std::u16string> names;
            for (CCategory* category : Nodes<CCategory>(db.categories)) names.push_back(category->name);
            for (const std::u16string& name : names) db.Add(name.c_str(), {(u"A record of " + name).c_str(), u"2"});
        }
        main = OpenMainWindowInProcess(folder, path);
        ASSERT_NE(main, nullptr);
        list = Window().List().hwndList;
    }

    int RowHeight() {
        RECT row = {};
        ListView_GetItemRect(list, 0, &row, LVIR_BOUNDS);
        return row.bottom - row.top;
    }

    SIZE ToolbarPicture() {
        auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(Window().toolbar.hwnd, TB_GETIMAGELIST, 0, 0));
        int width = 0, height = 0;
        ImageList_GetIconSize(images, &width, &height);
        return {width, height};
    }

    // What the list shows at a client point, once it has painted.
    COLORREF ListPixel(int x, int y) {
        RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        HDC dc = GetDC(list);
        COLORREF colour = GetPixel(dc, x, y);
        ReleaseDC(list, dc);
        return colour;
    }

    static constexpr int kOdd[3] = {255, 0, 0};
    static constexpr int kEven[3] = {0, 128, 0};
    inline static int serial = 0;
    std::filesystem::path folder;
    std::wstring path;
    HWND main = nullptr;
    HWND list = nullptr;
};

// Everything the program sizes itself grows with the DPI: the rows (16
// pixels at 96 DPI), the toolbar's pictures (drawn for 100, 150 and 200 %),
// the splitter (7) and the icon column (20); a new DPI from Windows moves
// the window to the rectangle it suggests and lays it out again.
TEST_F(DisplayTest, RowsToolbarSplitterAndColumnsFollowTheDpi) {
    Open();
    auto expectSizesFor = [&](int dpi) {
        SCOPED_TRACE(dpi);
        EXPECT_EQ(RowHeight(), ScaleForDpi(16, dpi));
        SIZE picture = ToolbarPicture();
        SIZE wanted = dpi >= 192 ? SIZE{56, 58} : dpi >= 144 ? SIZE{42, 44} : SIZE{28, 29};
        EXPECT_EQ(picture.cx, wanted.cx);
        EXPECT_EQ(picture.cy, wanted.cy);
        LRESULT button = SendMessageW(Window().toolbar.hwnd, TB_GETBUTTONSIZE, 0, 0);
        EXPECT_GE(HIWORD(button), wanted.cy + ScaleForDpi(4, dpi));
        // The boxes sit within the toolbar's height.
        RECT toolbar, filter;
        GetWindowRect(Window().toolbar.hwnd, &toolbar);
        GetWindowRect(Window().toolbar.FilterBox(), &filter);
        EXPECT_GT(filter.top, toolbar.top);
        EXPECT_LT(filter.bottom, toolbar.bottom);
        RECT splitter;
        GetWindowRect(Window().splitter->hwnd, &splitter);
        EXPECT_EQ(splitter.right - splitter.left, ScaleForDpi(7, dpi));
        EXPECT_EQ(ListView_GetColumnWidth(list, 0), ScaleForDpi(20, dpi));
    };
    int dpi = DpiOf(main);
    // Small enough to be twice as large on the screen.
    SetWindowPos(main, nullptr, 0, 0, MulDiv(480, dpi, 96), MulDiv(360, dpi, 96), SWP_NOMOVE | SWP_NOZORDER);
    PumpMessages();
    expectSizesFor(dpi);
    auto splitterLeft = [&] {
        RECT splitter;
        GetWindowRect(Window().splitter->hwnd, &splitter);
        MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&splitter), 2);
        return static_cast<int>(splitter.left);
    };
    int splitterBefore = splitterLeft();

    int other = dpi >= 192 ? 96 : 192;
    RECT before;
    GetWindowRect(main, &before);
    RECT suggested = {before.left + 10, before.top + 10, before.left + 10 + MulDiv(before.right - before.left, other, dpi),
                      before.top + 10 + MulDiv(before.bottom - before.top, other, dpi)};
    SendMessageW(main, WM_DPICHANGED, MAKEWPARAM(other, other), reinterpret_cast<LPARAM>(&suggested));
    PumpMessages();
    RECT now;
    GetWindowRect(main, &now);
    EXPECT_TRUE(EqualRect(&now, &suggested));
    expectSizesFor(other);
    // The splitter keeps its place in proportion; the stored place is in pixels at 96 DPI.
    EXPECT_NEAR(splitterLeft(), MulDiv(splitterBefore, other, dpi), 2);
    EXPECT_NEAR(theSettings->desktop.splitterPosition, MulDiv(splitterLeft(), 96, other), 1);

    SendMessageW(main, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&before));
    PumpMessages();
    GetWindowRect(main, &now);
    EXPECT_TRUE(EqualRect(&now, &before));
    expectSizesFor(dpi);
    EXPECT_NEAR(splitterLeft(), splitterBefore, 2);
}

// The pane's labels and the filter box's entries fit at this DPI, for the
// field names of every category.
TEST_F(DisplayTest, ThePanesLabelsAndTheFilterBoxFitTheirTexts) {
    Open();
    auto textWidth = [](HWND window, const std::wstring& text) {
        HDC dc = GetDC(window);
        HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
        SIZE size = {};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc, previous);
        ReleaseDC(window, dc);
        return static_cast<int>(size.cx);
    };
    int rows = ListView_GetItemCount(list);
    ASSERT_EQ(rows, 12);
    for (int row = 0; row < rows; ++row) {
        ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        PumpMessages();
        for (HWND label : Window().recordView->labels) {
            wchar_t text[64] = {};
            GetWindowTextW(label, text, 64);
            RECT client;
            GetClientRect(label, &client);
            EXPECT_LE(textWidth(label, text), client.right) << row << ": " << std::wstring(text).size();
        }
    }
    HWND filter = Window().toolbar.FilterBox();
    COMBOBOXINFO box = {};
    box.cbSize = sizeof box;
    ASSERT_TRUE(GetComboBoxInfo(filter, &box));
    for (int i = 0; i < SendMessageW(filter, CB_GETCOUNT, 0, 0); ++i) {
        wchar_t text[64] = {};
        SendMessageW(filter, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        EXPECT_LE(textWidth(filter, text), box.rcItem.right - box.rcItem.left) << i;
    }
}

// With high contrast on, the rows and the pane take the system's window
// colour instead of the stored row colours; off again, the stored ones.
TEST_F(DisplayTest, HighContrastDrawsTheListAndThePaneInTheSystemsColours) {
    Open();
    RECT second;
    ASSERT_TRUE(ListView_GetItemRect(list, 1, &second, LVIR_BOUNDS));
    int x = ListView_GetColumnWidth(list, 0) + ListView_GetColumnWidth(list, 1) - 4;  // the end of a data cell
    int y = (second.top + second.bottom) / 2;
    RECT client;
    GetClientRect(list, &client);
    int belowRows = client.bottom - 2;  // the stripes below the last row
    ASSERT_EQ(ListPixel(x, y), RGB(kEven[0], kEven[1], kEven[2]));

    OverrideHighContrast(1);
    SendMessageW(main, WM_SYSCOLORCHANGE, 0, 0);
    PumpMessages();
    COLORREF window = GetSysColor(COLOR_WINDOW);
    EXPECT_EQ(ListPixel(x, y), window);
    EXPECT_EQ(ListPixel(x, belowRows), window);
    HWND pane = Window().recordView->hwnd;
    HWND box = Window().recordView->values[1];
    HDC dc = GetDC(box);
    auto brush = reinterpret_cast<HBRUSH>(SendMessageW(pane, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                                       reinterpret_cast<LPARAM>(box)));
    EXPECT_EQ(GetBkColor(dc), window);
    EXPECT_EQ(GetTextColor(dc), GetSysColor(COLOR_WINDOWTEXT));
    ReleaseDC(box, dc);
    LOGBRUSH fill = {};
    GetObjectW(brush, sizeof fill, &fill);
    EXPECT_EQ(fill.lbColor, window);

    OverrideHighContrast(0);
    SendMessageW(main, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    PumpMessages();
    EXPECT_EQ(ListPixel(x, y), RGB(kEven[0], kEven[1], kEven[2]));
}

}  // namespace
