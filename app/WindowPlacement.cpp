#include "app/WindowPlacement.h"

#include "dialogs/framework/CqrDialog.h"
#include "storage/Settings.h"

WindowRectangle ComputeInitialWindowRect(const CSettings& settings) {
    RECT work = WorkArea();
    const DesktopProfileBlock& d = settings.desktop;
    return InitialWindowRect(d.windowLeft, d.windowTop, d.windowWidth, d.windowHeight, work.right, work.bottom);
}

void SaveWindowPlacement(CSettings& settings, HWND window, bool save) {
    DesktopProfileBlock& d = settings.desktop;
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(window, &placement)) {
        SetDefaultWindowPlacement(d);
    } else {
        RECT r = placement.rcNormalPosition;
        // A maximised window opens next time with its maximised size, not maximised.
        if (IsZoomed(window)) GetWindowRect(window, &r);
        d.windowLeft = r.left;
        d.windowTop = r.top;
        d.windowWidth = r.right - r.left;
        d.windowHeight = r.bottom - r.top;
    }
    if (save) settings.SaveSettings();
}
