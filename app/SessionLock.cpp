#include "app/SessionLock.h"

#include <wtsapi32.h>

namespace {

// An entry of wtsapi32.dll from the system folder only: it is no KnownDLL, so
// a static import would take a copy planted beside the program. Null when it
// cannot be had; the inactivity lock then still locks the data.
HMODULE SessionLibrary() {
    static const HMODULE library = LoadLibraryExW(L"wtsapi32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return library;
}

template <class Function>
Function SessionEntry(const char* name) {
    FARPROC entry = SessionLibrary() ? GetProcAddress(SessionLibrary(), name) : nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(entry));
}

}  // namespace

void RegisterSessionLock(HWND mainWindow) {
    using Register = BOOL(WINAPI*)(HWND, DWORD);
    if (auto registerWindow = SessionEntry<Register>("WTSRegisterSessionNotification")) {
        registerWindow(mainWindow, NOTIFY_FOR_THIS_SESSION);
    }
}

void UnregisterSessionLock(HWND mainWindow) {
    using Unregister = BOOL(WINAPI*)(HWND);
    if (auto unregisterWindow = SessionEntry<Unregister>("WTSUnRegisterSessionNotification")) {
        unregisterWindow(mainWindow);
    }
}

bool SessionChangeLocks(WPARAM event) {
    switch (event) {
        case WTS_SESSION_LOCK:        // Windows+L, or the screen saver's lock
        case WTS_CONSOLE_DISCONNECT:  // another user takes the console
        case WTS_REMOTE_DISCONNECT:   // a remote session is left running
        case WTS_SESSION_LOGOFF: return true;
        default: return false;
    }
}

bool PowerEventLocks(WPARAM event) { return event == PBT_APMSUSPEND; }
