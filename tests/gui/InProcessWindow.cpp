#include "tests/gui/InProcessWindow.h"

#include "app/Application.h"
#include "dialogs/framework/Resources.h"
#include "platform/Wide.h"
#include "res/resource.h"

#include <memory>

namespace {

std::unique_ptr<Application> application;

}  // namespace

void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        // As the program's own loop: the main window's keys first.
        if (application && application->mainWindow.hwnd && application->mainWindow.TranslateKeys(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void PressKeys(HWND window, std::initializer_list<WPARAM> keys) {
    for (WPARAM key : keys) {
        PostMessageW(window, WM_KEYDOWN, key, 1);
        PostMessageW(window, WM_KEYUP, key, 0xC0000001);
        PumpMessages();
    }
}

MainWindowState& Window() { return application->mainWindow; }

HWND OpenMainWindowInProcess(const std::filesystem::path& folder, const std::wstring& databasePath) {
    application = std::make_unique<Application>();
    Application& app = *application;
    app.instance = app.resources = GetModuleHandleW(nullptr);
    SetResourceModule(app.resources);
    app.dataFolder = std::make_unique<CDataFolder>(app.resources, (folder.wstring() + L"\\").c_str());
    if (app.database.Open(U(databasePath.c_str()), CDatabase::Access::Write) != CxFile::kOpened) return nullptr;
    app.isFirstRun = false;
    HWND main = app.mainWindow.Create(L"Quorrel - Desktop Edition", 20, 20, 800, 560);
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
    application.reset();
}

void AnswerPasswordPrompt(HWND dialog, const char16_t* password) {
    SetDlgItemTextW(dialog, IDC_PASSWORD, W(password));
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);
}

bool PumpUntil(const std::function<bool()>& condition, int milliseconds) {
    ULONGLONG until = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
    for (;;) {
        PumpMessages();
        if (condition()) return true;
        if (GetTickCount64() > until) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}
