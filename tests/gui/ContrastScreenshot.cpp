// Pictures of the main window and the record dialog with high contrast on.
// Wine always answers that high contrast is off, so the main window is made
// in this program's own process, where it is told high contrast is on; the
// colours are the prefix's (tools/screenshots.sh gives it a high-contrast
// scheme). Writes BMP files into the folder given as argument.
#include "dialogs/framework/Display.h"
#include "res/resource.h"
#include "tests/gui/InProcessWindow.h"
#include "tests/gui/ScreenPicture.h"
#include "tests/gui/TestDatabase.h"

#include <commctrl.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

std::wstring outputFolder;

void Capture(HWND window, const wchar_t* name) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpMessages();
    GdiFlush();
    if (SaveScreenPicture(window, outputFolder + L"\\" + name + L".bmp")) {
        std::fwprintf(stderr, L"saved %ls\n", name);
    } else {
        std::fwprintf(stderr, L"no picture of %ls\n", name);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    outputFolder = argc > 1 ? argv[1] : L".";
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "quorrel-contrast";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::wstring path = (folder / "QuorrelDPC.qrb").wstring();
    {
        TestDatabase db(path);
        db.Preferences().showNoPasswordWarning = 0;
        db.Add(u"Bank", {u"First National Bank", u"0123-456789", u"4711", nullptr, nullptr, nullptr,
                         u"Branch: High Street"});
        db.Add(u"Web Login", {u"Example Shop", u"https://shop.example.com", u"alice", u"k7#Rt9!mQ2"});
        db.Add(u"Email", {u"Work mail", u"alice@example.com", u"s3cret-Mail", u"pop.example.com"});
        db.Add(u"Software", {u"Photo Editor", u"5.2", u"PE-5521-XK", u"Alice", u"AAAA-BBBB-CCCC"});
        db.Add(u"Computer Login", {u"Home laptop", u"alice", u"correct-horse"});
    }
    OverrideHighContrast(1);
    HWND main = OpenMainWindowInProcess(folder, path);
    if (!main) return 1;
    // The web login, whose address shows as a link.
    HWND list = GetDlgItem(main, IDC_RECORD_LIST);
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SetForegroundWindow(main);
    Capture(main, L"main-high-contrast");
    {
        WhenWindowOpens dialog(L"#32770", {[](HWND edit) {
                                   Capture(edit, L"record-edit-high-contrast");
                                   PostMessageW(edit, WM_COMMAND, IDCANCEL, 0);
                               }});
        SendMessageW(main, WM_COMMAND, IDM_EDIT_RECORD, 0);
    }
    CloseMainWindowInProcess(main);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return 0;
}
