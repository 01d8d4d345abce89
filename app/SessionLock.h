// The data locks with the workstation: when the Windows session locks or is
// switched away from, and when the machine suspends.
#pragma once

#include <windows.h>

// Asks for the session change messages of this session (at the main window's
// creation), and stops asking at its destruction.
void RegisterSessionLock(HWND mainWindow);
void UnregisterSessionLock(HWND mainWindow);

// Whether a WM_WTSSESSION_CHANGE or WM_POWERBROADCAST event locks the data.
bool SessionChangeLocks(WPARAM event);
bool PowerEventLocks(WPARAM event);
