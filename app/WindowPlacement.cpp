#include "app/WindowPlacement.h"

#include "dialogs/framework/CqrDialog.h"
#include "dialogs/framework/Display.h"
#include "storage/Settings.h"

namespace {

// The placement is stored in pixels at 96 DPI, as a program that knew no
// other DPI stored it, and scaled by the display's DPI.
int Shown(int32_t stored) { return ScaleForDpi(stored, SystemDpi()); }
int32_t Stored(LONG shown) { return MulDiv(shown, kDefaultDpi, SystemDpi()); }

}  // namespace

WindowRectangle ComputeInitialWindowRect(const CSettings& settings) {
    RECT work = WorkArea();
    const DesktopProfileBlock& d = settings.desktop;
    return InitialWindowRect(Shown(d.windowLeft), Shown(d.windowTop), Shown(d.windowWidth), Shown(d.windowHeight),
                             work.right, work.bottom);
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
        d.windowLeft = Stored(r.left);
        d.windowTop = Stored(r.top);
        d.windowWidth = Stored(r.right - r.left);
        d.windowHeight = Stored(r.bottom - r.top);
    }
    if (save) settings.SaveSettings();
}
