// The program's main window made inside a test's own process, over a database
// the test made, as start-up makes it; and its teardown.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

class MainWindowState;

// The data folder, the open database and the shown main window; null when
// the database cannot be opened or the window cannot be made.
HWND OpenMainWindowInProcess(const std::filesystem::path& folder, const std::wstring& databasePath);
// Destroys the window (when there is one) and releases what the opening made.
void CloseMainWindowInProcess(HWND main);
// The main window object of the open window.
MainWindowState& Window();
// Dispatches every message waiting for this thread.
void PumpMessages();
