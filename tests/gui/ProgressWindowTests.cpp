// The progress window made in this process: it waits half a second before it
// shows, disables its owner meanwhile, and Cancel stops only an operation
// that offers it.
#include "dialogs/framework/Resources.h"
#include "dialogs/CdlgProgress.h"
#include "model/base/StringTable.h"
#include "res/resource.h"
#include "tests/gui/InProcessWindow.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

HWND MakeOwner() {
    return CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300, nullptr,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
}

std::wstring ProgressText(HWND progress) {
    wchar_t text[128] = {};
    GetDlgItemTextW(progress, IDC_PROGRESS_TEXT, text, 128);
    return text;
}

TEST(ProgressWindow, ShowsAfterHalfASecondOverTheDisabledOwner) {
    SetResourceModule(GetModuleHandleW(nullptr));
    for (bool canCancel : {false, true}) {
        HWND owner = MakeOwner();
        ASSERT_NE(owner, nullptr);
        HWND closed = nullptr;
        {
            CdlgProgress progress(owner, IDS_EXPORT, IDS_EXPORTING, canCancel);
            EXPECT_TRUE(progress.Step(1, 300));
            EXPECT_EQ(progress.hwnd, nullptr);  // a short operation shows nothing
            EXPECT_TRUE(IsWindowEnabled(owner));
            // The operation goes on until the window shows.
            auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (!progress.hwnd && std::chrono::steady_clock::now() < until) {
                progress.Step(120, 300);
                Sleep(10);
            }
            EXPECT_TRUE(progress.Step(120, 300));
            ASSERT_NE(progress.hwnd, nullptr);
            EXPECT_FALSE(IsWindowEnabled(owner));
            EXPECT_EQ(ProgressText(progress.hwnd), L"Exporting records: 120 of 300");
            HWND window = progress.hwnd;
            EXPECT_EQ(IsWindowEnabled(GetDlgItem(progress.hwnd, IDCANCEL)) != 0, canCancel);
            // Cancel, as a click or the Esc key would send it.
            PostMessageW(progress.hwnd, WM_COMMAND, IDCANCEL, 0);
            PumpMessages();
            EXPECT_EQ(progress.Step(121, 300), !canCancel) << canCancel;
            EXPECT_NE(progress.hwnd, nullptr);  // the operation's owner closes it
            closed = window;
        }
        EXPECT_FALSE(IsWindow(closed));
        EXPECT_TRUE(IsWindowEnabled(owner));
        DestroyWindow(owner);
    }
}

}  // namespace
