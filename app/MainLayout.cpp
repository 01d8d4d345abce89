#include "app/MainLayout.h"

#include <algorithm>

int SplitterX(int lastWindowLeft, int windowLeft, int splitterX, int dragOffset, int clientWidth) {
    int wanted = lastWindowLeft - windowLeft + splitterX + dragOffset;
    int x = std::max(wanted, kSplitterMargin);
    if (wanted + kSplitterWidth > clientWidth - kSplitterMargin) x = clientWidth - kSplitterMargin - kSplitterWidth;
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
