#include "dialogs/framework/Display.h"

namespace {

// The user32 functions of newer systems, looked up once at run time.
template <class Function>
Function User32Function(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetDpiForSystemFunction = UINT(WINAPI*)();
using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);

int ScreenDpi() {
    WindowDC screen(nullptr);
    return screen.Get() ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : kDefaultDpi;
}

int highContrastOverride = -1;
int highContrast = -1;  // not read yet

bool SystemHighContrast() {
    HIGHCONTRASTW settings = {};
    settings.cbSize = sizeof settings;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof settings, &settings, 0) &&
           (settings.dwFlags & HCF_HIGHCONTRASTON);
}

}  // namespace

int SystemDpi() {
    static const auto getDpiForSystem = User32Function<GetDpiForSystemFunction>("GetDpiForSystem");
    int dpi = getDpiForSystem ? static_cast<int>(getDpiForSystem()) : ScreenDpi();
    return dpi > 0 ? dpi : kDefaultDpi;
}

int DpiOf(HWND window) {
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    int dpi = 0;
    if (getDpiForWindow && window) dpi = static_cast<int>(getDpiForWindow(window));
    if (dpi <= 0) {
        WindowDC dc(window);
        dpi = dc.Get() ? GetDeviceCaps(dc.Get(), LOGPIXELSX) : 0;
    }
    return dpi > 0 ? dpi : kDefaultDpi;
}

int SystemMetricForDpi(int index, int dpi) {
    static const auto forDpi = User32Function<GetSystemMetricsForDpiFunction>("GetSystemMetricsForDpi");
    if (forDpi) return forDpi(index, static_cast<UINT>(dpi));
    return MulDiv(GetSystemMetrics(index), dpi, SystemDpi());
}

Font MakeGuiFont(int dpi, LONG weight, bool underline) {
    LOGFONTW description = {};
    if (!GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof description, &description)) return Font();
    description.lfHeight = MulDiv(description.lfHeight, dpi, SystemDpi());
    description.lfWidth = 0;
    description.lfWeight = weight;
    description.lfUnderline = underline ? TRUE : FALSE;
    return Font(CreateFontIndirectW(&description));
}

bool HighContrastOn() {
    if (highContrast < 0) UpdateHighContrast();
    return highContrast == 1;
}

void UpdateHighContrast() {
    highContrast = highContrastOverride >= 0 ? highContrastOverride : (SystemHighContrast() ? 1 : 0);
}

void OverrideHighContrast(int state) {
    highContrastOverride = state;
    UpdateHighContrast();
}
