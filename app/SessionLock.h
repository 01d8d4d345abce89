// The data locks with the workstation: when the Windows session locks or is
// switched away from, and when the machine suspends.
#pragma once

#include <windows.h>

// Asks for the session change messages of this session (at the main window's
// creation), and stops asking at its destruction.
void RegisterSessionLock(HWND mainWindow);
void UnregisterSessionLock(HWND mainWindow);

// WM_WTSSESSION_CHANGE and WM_POWERBROADCAST of the main window.
void OnSessionChange(WPARAM event);
void OnPowerBroadcast(WPARAM event);
