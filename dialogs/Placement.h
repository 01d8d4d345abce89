// Where dialogs and popups go on the screen: plain rectangle arithmetic,
// kept apart from the window calls so that it can be tested anywhere.
#pragma once

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
