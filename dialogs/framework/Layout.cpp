#include "dialogs/framework/Layout.h"

#include <algorithm>
int SplitterX(int lastWindowLeft, int windowLeft, int splitterX, int dragOffset, int clientWidth, int width,
              int margin) {
    int wanted = lastWindowLeft - windowLeft + splitterX + dragOffset;
    int x = std::max(wanted, margin);
    if (wanted + width > clientWidth - margin) x = clientWidth - margin - width;
    return x;
}

int FilterSeparatorWidth(int comboLeft, int comboWidth, int splitterX, int scrollBarWidth) {
    if (comboLeft + comboWidth > splitterX + scrollBarWidth) return comboWidth;
    return splitterX + scrollBarWidth - comboLeft;
}

WindowRectangle InitialWindowRect(int storedLeft, int storedTop, int storedWidth, int storedHeight, int workRight,
                                  int workBottom) {
    return {std::min(storedLeft, workRight - 64), std::min(storedTop, workBottom - 64), std::max(storedWidth, 64),
            std::max(storedHeight, 64)};
}

PlacementPoint CentredPosition(const PlacementRect& workArea, const PlacementRect* parent, int width, int height) {
    int x, y;
    if (parent) {
        x = parent->left + (parent->Width() - width) / 2;
        y = parent->top + (parent->Height() - height) / 2;
        if (x + width > workArea.Width()) x = workArea.Width() - width;
        if (y + height > workArea.Height()) y = workArea.Height() - height;
    } else {
        x = (workArea.Width() - width) / 2;
        y = (workArea.Height() - height) / 2;
    }
    if (x < workArea.left) x = workArea.left;
    if (y < workArea.top) y = workArea.top;
    return {x, y};
}

PlacementRect KeptInWorkArea(const PlacementRect& workArea, PlacementRect rect) {
    int dx = 0, dy = 0;
    if (rect.left < workArea.left) dx = workArea.left - rect.left;
    else if (rect.right > workArea.right) dx = workArea.right - rect.right;
    if (rect.top < workArea.top) dy = workArea.top - rect.top;
    else if (rect.bottom > workArea.bottom) dy = workArea.bottom - rect.bottom;
    return {rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
}
