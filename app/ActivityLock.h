// The inactivity lock: thread-local mouse and keyboard hooks restart timer 1
// of the main window; when it fires, the data locks.
#pragma once

#include <windows.h>

void InstallActivityHooks();
void RemoveActivityHooks();
void RestartLockTimer(HWND mainWindow);
void OnLockTimer();
