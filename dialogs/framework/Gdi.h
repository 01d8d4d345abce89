// Small owners for handles, GDI objects and device contexts: each frees what
// it holds exactly once and cannot be copied.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <utility>

// Owns one handle and frees it exactly once with Free.
template <class Handle, auto Free>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle h) : handle(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle(std::exchange(other.handle, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        Reset(std::exchange(other.handle, nullptr));
        return *this;
    }
    ~UniqueHandle() { Reset(); }

    void Reset(Handle h = nullptr) {
        if (handle) Free(handle);
        handle = h;
    }
    Handle Get() const { return handle; }
    explicit operator bool() const { return handle != nullptr; }

private:
    Handle handle = nullptr;
};

inline void DeleteGdiObject(HGDIOBJ object) { DeleteObject(object); }
inline void DestroyImageList(HIMAGELIST images) { ImageList_Destroy(images); }
// A mutex this process may hold: released (when held) and closed.
inline void ReleaseAndCloseMutex(HANDLE mutex) {
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}

template <class Handle>
using GdiObject = UniqueHandle<Handle, DeleteGdiObject>;
using ImageList = UniqueHandle<HIMAGELIST, DestroyImageList>;
using Mutex = UniqueHandle<HANDLE, ReleaseAndCloseMutex>;

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
