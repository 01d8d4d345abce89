// The main window: toolbar with the category filter, record list, splitter,
// record view pane and status bar, the commands of its menu, and the lock.
#pragma once

#include "app/MainToolbar.h"
#include "app/SearchBox.h"
#include "dialogs/framework/CWindow.h"
#include "views/ViewHost.h"

#include <windows.h>

#include <memory>
#include <vector>

struct Application;
class ActivityLock;
class CDatabase;
class CRecList;
class CRecView;
class CSplitter;
class CRecord;
class SecretClipboard;

inline constexpr wchar_t kMainWindowClass[] = L"DPC_QUORREL_WND_CLASS";

// The main window's timers, each handled by its own id.
enum MainWindowTimer : UINT_PTR {
    kLockTimerId = 1,       // the inactivity lock
    kClipboardTimerId = 2,  // the countdown that clears a copied value
};

// The one main window and the state its parts share.
class MainWindowState : public CWindow, public ViewHost {
public:
    explicit MainWindowState(Application& application);
    ~MainWindowState() override;

    // Creates the main window at the given place; null when it cannot be made.
    HWND Create(const wchar_t* title, int x, int y, int width, int height);
    // The window's keys before they are dispatched: its shortcuts (Ctrl+N,
    // Ctrl+L, Ctrl+F), Tab (Shift reverses) moving the focus round the filter
    // box, the search box, the record list and every value of the pane, and
    // F6 round the same areas with the pane as one. True when used.
    bool TranslateKeys(MSG& message);

    CDatabase& Database();
    CRecList& List() { return *recordList; }

    // The lock. IsLocked: protected values read "******". LockData locks at
    // once; LockNow locks as the inactivity timer does, cancelling the
    // dialogs that show protected values first.
    bool IsLocked() const;
    void LockData();
    void LockNow();
    // The one unlock, with the start-up's choice to give up for good.
    bool UnlockData(HWND owner, int promptId, bool exitOnFailure);
    void RestartLockTimer();
    // The padlock, the menu texts, every command's state and the record count.
    void UpdateLockState();

    // Rebuilds the list (one repaint), which selects its first row.
    void RebuildList();
    // Shows one category's records (-1: all), in the filter box and the list.
    void ShowCategory(int categoryId);
    // Narrows the list to the records with a value that holds the text; with
    // focusList, the focus then goes to the first match. The pane follows
    // once the list is done, so a keystroke waits for the list alone.
    void Search(const char16_t* text, bool focusList);
    // Refills the filter box ("All" and every category).
    void FillCategoryFilter();
    void ShowHelp(const wchar_t* topic);

    // Session and ViewHost.
    bool Unlock(HWND owner, int promptId) override;
    bool CopySecret(HWND owner, const wchar_t* text) override;
    void OnSelectionChanged(CRecord* record) override;
    void OnListRebuilt() override;
    void OnRowsChanged() override;
    void RunCommand(int id) override;
    void OnSplitterMoved() override;
    const CIconList* Icons() const override;

    Application& app;
    MainToolbar toolbar;
    SearchBox searchBox{*this};
    HWND hwndStatus = nullptr;
    std::unique_ptr<CRecList> recordList;
    std::unique_ptr<CRecView> recordView;
    std::unique_ptr<CSplitter> splitter;
    CRecord* selectedRecord = nullptr;

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT OnCreate();
    void OnPostCreate();
    void OnSize();
    void OnMove();
    void OnFilterNotification(int code);
    void OnDpiChanged(int dpi, const RECT& suggested);
    void OnColoursChanged(bool coloursChanged);
    bool OnActivate(WPARAM wParam);
    void OnMenuSelect(WPARAM wParam, LPARAM lParam);
    LRESULT OnNotify(WPARAM wParam, LPARAM lParam);
    void OnDestroy();
    void UpdateCommandStates();
    void UpdateRecordCount();
    void ShowStatusText(const wchar_t* text);
    void ShowUnlocked();
    void MoveFocusBetweenPanes(bool backwards, bool panesOnly);
    std::vector<HWND> FocusStops(bool panesOnly) const;
    int StatusHeight() const;

    std::unique_ptr<ActivityLock> activityLock;
    std::unique_ptr<SecretClipboard> clipboard;
    HACCEL accelerators = nullptr;  // from the resources; the system frees it
    HWND focusBeforeDeactivate = nullptr;
    bool paneFollowsLater = false;  // during a search: the pane is told after it
    int splitterX = 0;              // pixels at the window's DPI
    int dpi = 96;                   // the window's, which every part's sizes follow
    Font statusFont;
    RECT lastWindowRect = {};
    bool isMoving = false;
};
