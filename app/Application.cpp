#include "app/Application.h"

#include "app/MainWindow.h"
#include "app/StartUp.h"
#include "app/WindowPlacement.h"
#include "dialogs/framework/Gdi.h"
#include "dialogs/framework/Resources.h"
#include "model/win32/DataFolder.h"
#include "res/Product.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"

namespace {

constexpr wchar_t kBlockMutexName[] = L"QuorrelBlockInstMutex";
constexpr wchar_t kPreviousMutexName[] = L"QuorrelPrevInstMutex";
constexpr wchar_t kWindowTitle[] = L"" PRODUCT_NAME " - " PRODUCT_EDITION;

// Brings a running copy's window (or its open dialog) to the front.
void ActivateRunningCopy(HWND other) {
    HWND popup = GetLastActivePopup(other);
    BringWindowToTop(other);
    if (IsIconic(popup)) {
        ShowWindow(popup, SW_RESTORE);
    } else {
        SetForegroundWindow(popup);
        SetFocus(popup);
    }
}

void ReleaseEverything(Application& app) {
    if (theSettings) theSettings->SaveSettings();
    app.database.Close();
    app.dataFolder.reset();
}

bool CreateMainWindow(Application& app, int showCommand) {
    WindowRectangle r = ComputeInitialWindowRect(*theSettings);
    HWND hwnd = app.mainWindow.Create(kWindowTitle, r.x, r.y, r.width, r.height);
    if (!hwnd) return false;
    ShowWindow(hwnd, showCommand);
    UpdateWindow(hwnd);
    return true;
}

int RunMessageLoop(MainWindowState& mainWindow) {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (mainWindow.TranslateKeys(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

void ShutDown(Application& app) {
    app.database.categories.SaveDirtyCategories(app.database.file);
    ReleaseEverything(app);
}

}  // namespace

int RunQuorrel(HINSTANCE instance, int showCommand) {
    // A copy that is still starting up holds this mutex: quit silently.
    Mutex blockMutex(CreateMutexW(nullptr, TRUE, kBlockMutexName));
    if (blockMutex && GetLastError() == ERROR_ALREADY_EXISTS) return 0;
    Mutex previousMutex(CreateMutexW(nullptr, FALSE, kPreviousMutexName));
    if (previousMutex) WaitForSingleObject(previousMutex.Get(), 2000);

    Application app;
    bool running = false;
    if (HWND other = FindWindowW(kMainWindowClass, nullptr)) {
        ActivateRunningCopy(other);
    } else {
        HCURSOR previousCursor = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        app.instance = app.resources = instance;
        SetResourceModule(app.resources);
        running = OpenDatabase(app);
        SetCursor(previousCursor);
        if (running) {
            WaitForFirstRunNotice(app);
            running = CreateMainWindow(app, showCommand);
            if (!running) ReleaseEverything(app);
        }
    }

    previousMutex.Reset();
    blockMutex.Reset();
    if (!running) return 0;

    int exitCode = RunMessageLoop(app.mainWindow);
    ShutDown(app);
    return exitCode;
}
