#include "app/SessionLock.h"

#include <wtsapi32.h>

void RegisterSessionLock(HWND mainWindow) { WTSRegisterSessionNotification(mainWindow, NOTIFY_FOR_THIS_SESSION); }

void UnregisterSessionLock(HWND mainWindow) { WTSUnRegisterSessionNotification(mainWindow); }

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
