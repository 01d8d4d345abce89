// The main window: toolbar with the category filter, record list, splitter,
// record view pane and status bar, and the commands of its menu.
#pragma once

#include "dialogs/framework/CWindow.h"
#include "dialogs/framework/Gdi.h"

#include <windows.h>

#include <memory>

class CRecList;
class CRecView;
class CSplitter;
class CRecord;

inline constexpr wchar_t kMainWindowClass[] = L"DPC_QUORREL_WND_CLASS";

// The main window's timers, each handled by its own id.
enum MainWindowTimer : UINT_PTR {
    kLockTimerId = 1,       // the inactivity lock
    kClipboardTimerId = 2,  // the countdown that clears a copied value
};

// The one main window and the state its parts share.
class MainWindowState : public CWindow {
public:
    MainWindowState();
    ~MainWindowState() override;

    // Initialises the common controls and registers the window class once.
    static bool Register(HINSTANCE instance);
    // Creates the main window at the given place; null when it cannot be made.
    HWND Create(HINSTANCE instance, const wchar_t* title, int x, int y, int width, int height);

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
    ImageList toolbarImages;
    ImageList toolbarDisabledImages;
    HACCEL accelerators = nullptr;  // from the resources; the system frees it
    HWND focusBeforeDeactivate = nullptr;

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

extern MainWindowState mainWindow;

// Brings the lock button and the File menu in step with the lock state, and
// every other command's state with it.
void UpdateLockState();
// The main window's keys before they are dispatched: its shortcuts (Ctrl+N,
// Ctrl+L), and Tab or F6 (Shift reverses) moving the focus between the filter
// box, the record list and the record view pane. True when the key was used.
bool TranslateMainWindowKeys(MSG& message);
// Refills the toolbar's category filter box ("All" and every category).
void FillCategoryFilter();
// Shows the number of rows in the status bar.
void UpdateRecordCount();
