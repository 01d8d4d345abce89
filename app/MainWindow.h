// The main window: toolbar with the category filter, record list, splitter,
// record view pane and status bar, and the commands of its menu.
#pragma once

#include <windows.h>

#include <memory>

class CRecList;
class CRecView;
class CSplitter;
class CRecord;

inline constexpr wchar_t kMainWindowClass[] = L"DPC_QUORREL_WND_CLASS";
inline constexpr UINT kLockTimerId = 1;

struct MainWindowState {
    MainWindowState();
    ~MainWindowState();

    HWND hwndMain = nullptr;
    HWND hwndToolbar = nullptr;
    HWND hwndStatus = nullptr;
    std::unique_ptr<CRecList> recordList;
    std::unique_ptr<CRecView> recordView;
    std::unique_ptr<CSplitter> splitter;
    int splitterX = 0;
    RECT lastWindowRect = {};
    bool isMoving = false;
    int comboLeft = 0;
    int comboWidth = 0;
    CRecord* selectedRecord = nullptr;
    HHOOK hooks[2] = {};
};

extern MainWindowState mainWindow;

// Initialises the common controls and registers the main window class.
bool RegisterMainWindowClass(HINSTANCE instance);
LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Brings the lock button and the File menu in step with the lock state.
void UpdateLockState();
// Refills the toolbar's category filter box ("All" and every category).
void FillCategoryFilter();
// Locks the data: protected values read "******" until the next unlock.
void LockData();
// Runs one menu or toolbar command.
void RunCommand(HWND hwnd, int command);
