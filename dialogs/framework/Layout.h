// The arithmetic of where windows go: the main window's layout and opening
// place, and where dialogs and popups sit on the screen. Plain rectangle
// arithmetic, apart from the window calls, so that it is tested anywhere.
#pragma once

inline constexpr int kSplitterWidth = 7;
inline constexpr int kSplitterMargin = 40;  // closest the splitter comes to either client edge
inline constexpr int kDefaultSplitterX = 80;

// The splitter's new x in the client area. It keeps its place on the screen
// when the window's left edge moves (lastWindowLeft is where that edge was),
// follows a finished drag (dragOffset), and stays a margin (40 pixels at 96
// DPI) from each edge. width and margin are in pixels at the window's DPI.
int SplitterX(int lastWindowLeft, int windowLeft, int splitterX, int dragOffset, int clientWidth,
              int width = kSplitterWidth, int margin = kSplitterMargin);

// Width of the toolbar separator that holds the filter box: the box's own
// width until the list is wider, then up to the splitter, so that the
// buttons after the box move right with it.
int FilterSeparatorWidth(int comboLeft, int comboWidth, int splitterX, int scrollBarWidth);

struct WindowRectangle {
    int x, y, width, height;
};

// Where the main window opens: the stored placement, kept at least 64 pixels
// inside the work area's right and bottom edges and at least 64 pixels big.
WindowRectangle InitialWindowRect(int storedLeft, int storedTop, int storedWidth, int storedHeight, int workRight,
                                  int workBottom);

struct PlacementRect {
    int left, top, right, bottom;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

struct PlacementPoint {
    int x, y;
};

// Centred over the parent (when there is one) and kept inside the work area
// on the right and bottom, then raised to its left and top edges.
PlacementPoint CentredPosition(const PlacementRect& workArea, const PlacementRect* parent, int width, int height);

// Moves the rectangle (keeping its size) so that it lies inside the work area;
// the left and top edges win over the right and bottom ones.
PlacementRect KeptInWorkArea(const PlacementRect& workArea, PlacementRect rect);
