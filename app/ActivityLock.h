// The inactivity lock: thread-local mouse and keyboard hooks restart timer 1
// of the main window; when it fires, the data locks.
#pragma once

#include <windows.h>

void InstallActivityHooks();
void RemoveActivityHooks();
void RestartLockTimer(HWND mainWindow);
void OnLockTimer();
// Locks as the inactivity timer does: a copied value leaves the clipboard,
// an open record edit dialog is cancelled, the data locks and the list shows
// it masked. Also for the session lock and suspend.
void LockNow();
