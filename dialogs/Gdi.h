// Small owners for GDI objects and device contexts: each frees what it holds
// exactly once and cannot be copied.
#pragma once

#include <windows.h>

#include <utility>

template <class Handle>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(Handle h) : handle(h) {}
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    GdiObject(GdiObject&& other) noexcept : handle(std::exchange(other.handle, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        Reset(std::exchange(other.handle, nullptr));
        return *this;
    }
    ~GdiObject() { Reset(); }

    void Reset(Handle h = nullptr) {
        if (handle) DeleteObject(handle);
        handle = h;
    }
    Handle Get() const { return handle; }
    explicit operator bool() const { return handle != nullptr; }

private:
    Handle handle = nullptr;
};

using Font = GdiObject<HFONT>;
using Brush = GdiObject<HBRUSH>;
using Pen = GdiObject<HPEN>;
using Bitmap = GdiObject<HBITMAP>;

// A window's device context, released at the end of the scope.
class WindowDC {
public:
    explicit WindowDC(HWND window, HDC dc) : hwnd(window), hdc(dc) {}
    explicit WindowDC(HWND window) : hwnd(window), hdc(GetDC(window)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() {
        if (hdc) ReleaseDC(hwnd, hdc);
    }
    HDC Get() const { return hdc; }

private:
    HWND hwnd;
    HDC hdc;
};

// A memory device context compatible with another one.
class MemoryDC {
public:
    explicit MemoryDC(HDC compatibleWith) : hdc(CreateCompatibleDC(compatibleWith)) {}
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    ~MemoryDC() {
        if (hdc) DeleteDC(hdc);
    }
    HDC Get() const { return hdc; }

private:
    HDC hdc;
};

// Selects an object into a device context and puts the previous one back.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : hdc(dc), previous(SelectObject(dc, object)) {}
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    ~Selection() {
        if (previous && previous != HGDI_ERROR) SelectObject(hdc, previous);
    }

private:
    HDC hdc;
    HGDIOBJ previous;
};
