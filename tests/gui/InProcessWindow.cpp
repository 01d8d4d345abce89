#include "tests/gui/InProcessWindow.h"

#include "app/Application.h"
#include "app/MainWindow.h"
#include "platform/Wide.h"
#include "views/CRecList.h"
#include "views/CRecView.h"
#include "views/CSplitter.h"

void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

HWND OpenMainWindowInProcess(const std::filesystem::path& folder, const std::wstring& databasePath) {
    theApp.instance = theApp.resources = GetModuleHandleW(nullptr);
    theApp.dataFolder = std::make_unique<CDataFolder>(theApp.resources, (folder.wstring() + L"\\").c_str());
    if (theApp.database.Open(U(databasePath.c_str()), CDatabase::Access::Write) != CxFile::kOpened) return nullptr;
    theApp.isFirstRun = false;
    HWND main = mainWindow.Create(theApp.instance, L"Quorrel - Desktop Edition", 20, 20, 800, 560);
    if (!main) return nullptr;
    ShowWindow(main, SW_SHOWNORMAL);
    UpdateWindow(main);
    PumpMessages();  // runs the start-up checks posted by the window
    return main;
}

void CloseMainWindowInProcess(HWND main) {
    if (main) {
        DestroyWindow(main);
        PumpMessages();
    }
    mainWindow.recordList.reset();
    mainWindow.recordView.reset();
    mainWindow.splitter.reset();
    mainWindow.hwndToolbar = mainWindow.hwndStatus = nullptr;
    mainWindow.selectedRecord = nullptr;
    theApp.database.Close();
    theApp.dataFolder.reset();
}
