// Secrets in use, end to end: the data locks with the session and at suspend,
// and values copied from the list or the pane reach the clipboard marked as
// private and leave it again after the countdown, at lock and at exit, while
// whatever someone else copies later stays.
#include "app/SecretClipboard.h"
#include "tests/gui/ProgramFixture.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <wtsapi32.h>

#include <fstream>
#include <optional>
#include <vector>

namespace {

constexpr wchar_t kPassword[] = L"right password";

// Another program may hold the clipboard for a moment.
bool OpenClipboardSoon() { return WaitFor([] { return OpenClipboard(nullptr) != 0; }, 1s); }

// The clipboard's text; none when it holds no text.
std::optional<std::wstring> ClipboardText() {
    if (!OpenClipboardSoon()) return std::nullopt;
    std::optional<std::wstring> text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

// Copies text as any other program would.
void CopyAsSomeoneElse(const wchar_t* text) {
    ASSERT_TRUE(OpenClipboardSoon());
    EmptyClipboard();
    size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    memcpy(GlobalLock(memory), text, bytes);
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
}

void EmptyTheClipboard() {
    ASSERT_TRUE(OpenClipboardSoon());
    EmptyClipboard();
    CloseClipboard();
}

// Each privacy format is present and holds a DWORD 0.
void ExpectPrivacyFormats() {
    ASSERT_TRUE(OpenClipboardSoon());
    for (const wchar_t* name : kClipboardPrivacyFormats) {
        UINT format = RegisterClipboardFormatW(name);
        HANDLE data = GetClipboardData(format);
        ASSERT_NE(data, nullptr) << name;
        ASSERT_GE(GlobalSize(data), sizeof(DWORD)) << name;
        EXPECT_EQ(*static_cast<const DWORD*>(GlobalLock(data)), 0u) << name;
        GlobalUnlock(data);
    }
    CloseClipboard();
}

// The program with three records, a master password and the data unlocked
// at start-up.
class SecretsInUse : public ProgramTest {
protected:
    void SetUp() override {
        EmptyTheClipboard();
        ASSERT_NO_FATAL_FAILURE(Start([](TestDatabase& db) {
            db.Add(u"Web Login", {u"Zeta site", u"https://zeta.example", u"zed", u"pw-z"});
            db.Add(u"Bank", {u"Alpha Bank", u"111-222", u"1234", nullptr, nullptr, nullptr, u"branch note"});
            db.Add(u"Email", {u"Mail box", u"me@example.org", u"secret"});
            db.AddPassword(u"right password");
            db.Preferences().promptPasswordOnOpen = 1;
        }));
        ASSERT_NO_FATAL_FAILURE(EnterPassword(kPassword));
        status = GetDlgItem(main, IDC_STATUS);
        ASSERT_TRUE(WaitFor([&] { return PaneValue(1) == L"111-222"; }));
    }

    void TearDown() override {
        if (main && IsWindow(main)) PostMessageW(main, WM_CLOSE, 0, 0);
        if (program) {
            EXPECT_EQ(program->WaitForExit(), 0u);
        }
    }

    std::wstring PaneValue(size_t row) const {
        auto boxes = PaneBoxes();
        return row < boxes.size() ? WindowText(boxes[row]) : L"";
    }

    void Unlock() {
        PostMessageW(main, WM_COMMAND, IDM_LOCK, 0);
        EnterPassword(kPassword);
        ASSERT_TRUE(WaitFor([&] { return PaneValue(1) == L"111-222"; }));
    }

    bool Masked() { return PaneValue(1) == L"******" && PaneValue(6) == L"******"; }

    // Chooses the n-th item (from 1) of the context menu now open.
    void ChooseMenuItem(int n) {
        HWND menu = WaitForTopWindow(program->Id(), L"#32768", nullptr);
        ASSERT_NE(menu, nullptr);
        for (int i = 0; i < n; ++i) PressKey(menu, VK_DOWN);
        PressKey(menu, VK_RETURN);
        ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(menu); }));
    }

    HWND status = nullptr;
};

TEST_F(SecretsInUse, SessionLockSwitchOfUserAndSuspendLockTheData) {
    struct Case {
        const char* name;
        UINT message;
        WPARAM event;
        bool locks;
    };
    const Case cases[] = {
        {"session lock", WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, true},
        {"session unlock", WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, false},
        {"user switch", WM_WTSSESSION_CHANGE, WTS_CONSOLE_DISCONNECT, true},
        {"remote disconnect", WM_WTSSESSION_CHANGE, WTS_REMOTE_DISCONNECT, true},
        {"suspend", WM_POWERBROADCAST, PBT_APMSUSPEND, true},
        {"resume", WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, false},
    };
    for (const Case& c : cases) {
        if (Masked()) Unlock();
        LRESULT answer = SendMessageW(main, c.message, c.event, WTSGetActiveConsoleSessionId());
        if (c.message == WM_POWERBROADCAST) {
            EXPECT_EQ(answer, TRUE) << c.name;
        }
        if (c.locks) {
            EXPECT_TRUE(WaitFor([&] { return Masked(); }, 5s)) << c.name;
        } else {
            ASSERT_TRUE(Handled()) << c.name;
            EXPECT_EQ(PaneValue(1), L"111-222") << c.name;
        }
    }
}

TEST_F(SecretsInUse, CopyFromTheRowMenuIsPrivateAndClearedAfterTheCountdown) {
    // Shift+F10 and the menu key send the list this message.
    PostMessageW(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(-1, -1));
    ChooseMenuItem(2);  // "Copy Bank", "Copy Account #", "Copy PIN", "Copy Note"
    ASSERT_TRUE(WaitFor([&] { return ClipboardText() == L"111-222"; }, 5s));
    auto copiedAt = std::chrono::steady_clock::now();
    ExpectPrivacyFormats();
    EXPECT_NE(WindowText(status).find(L"cleared in 12 seconds"), std::wstring::npos) << WindowText(status);
    EXPECT_TRUE(WaitFor([&] { return WindowText(status).find(L"cleared in 5 seconds") != std::wstring::npos; }, 12s));

    ASSERT_TRUE(WaitFor([&] { return !ClipboardText(); }, 15s));
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - copiedAt).count();
    EXPECT_GT(seconds, 10.5);
    EXPECT_LT(seconds, 14.0);
    EXPECT_TRUE(WaitFor([&] { return WindowText(status) == L"3 records"; }, 3s)) << WindowText(status);
}

TEST_F(SecretsInUse, ANewerCopyBySomeoneElseIsNeverWiped) {
    // Ctrl+C in a value box of the pane copies the whole value.
    PostMessageW(PaneBoxes()[2], WM_COPY, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return ClipboardText() == L"1234"; }, 5s));
    auto clearedBy = std::chrono::steady_clock::now() + std::chrono::seconds(kClipboardClearSeconds + 2);
    CopyAsSomeoneElse(L"someone else's text");
    DWORD theirs = GetClipboardSequenceNumber();
    // The countdown sees the change at its next tick and ends without clearing.
    EXPECT_TRUE(WaitFor([&] { return WindowText(status) == L"3 records"; }, 4s)) << WindowText(status);
    // Nothing the program does tells that it will not clear later: the
    // clipboard is watched until the countdown's end and a tick beyond it.
    WaitFor([&] { return GetClipboardSequenceNumber() != theirs; },
            std::chrono::duration_cast<std::chrono::milliseconds>(clearedBy - std::chrono::steady_clock::now()));
    EXPECT_EQ(ClipboardText(), L"someone else's text");

    // Locking clears only the program's own copy.
    PostMessageW(PaneBoxes()[1], WM_COPY, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return ClipboardText() == L"111-222"; }, 5s));
    CopyAsSomeoneElse(L"copied later");
    PostMessageW(main, WM_COMMAND, IDM_LOCK, 0);
    ASSERT_TRUE(WaitFor([&] { return Masked(); }, 5s));
    EXPECT_EQ(ClipboardText(), L"copied later");

    // A clipboard another program holds open is reported, and nothing changes.
    ASSERT_TRUE(OpenClipboardSoon());
    PostMessageW(PaneBoxes()[0], WM_COPY, 0, 0);
    HWND busy = WaitForDialog(program->Id(), L"The clipboard is in use by another program.", 5s);
    CloseClipboard();
    ASSERT_NE(busy, nullptr);
    Press(busy, IDOK);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(busy); }));
    EXPECT_EQ(ClipboardText(), L"copied later");
    EXPECT_EQ(WindowText(status), L"3 records");
}

TEST_F(SecretsInUse, LockAndExitClearTheCopyAndLockedValuesAskForThePassword) {
    PostMessageW(PaneBoxes()[2], WM_COPY, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return ClipboardText() == L"1234"; }, 5s));
    PostMessageW(main, WM_COMMAND, IDM_LOCK, 0);
    ASSERT_TRUE(WaitFor([&] { return !ClipboardText(); }, 5s));
    ASSERT_TRUE(WaitFor([&] { return Masked(); }, 5s));

    // The selection moves to "Mail box"; unlocking for a copy must not move it.
    SetFocus(list);
    PressKey(list, VK_DOWN);
    ASSERT_TRUE(WaitFor([&] { return PaneValue(0) == L"Mail box"; }));
    // The first field is never enciphered: it copies without a question.
    PostMessageW(PaneBoxes()[0], WM_COPY, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return ClipboardText() == L"Mail box"; }, 5s));

    // A protected value asks first; Cancel copies nothing and keeps the lock.
    PostMessageW(PaneBoxes()[1], WM_COPY, 0, 0);
    HWND prompt = WaitForDialog(program->Id(), L"In order to copy an encrypted value.");
    ASSERT_NE(prompt, nullptr);
    Click(prompt, IDCANCEL);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(prompt); }));
    EXPECT_EQ(ClipboardText(), L"Mail box");
    EXPECT_EQ(PaneValue(1), L"******");

    // From the pane's own menu ("Copy Service", "Copy User Name", ...), with the right password.
    HWND box = PaneBoxes()[1];
    PostMessageW(box, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(box), MAKELPARAM(-1, -1));
    ChooseMenuItem(2);
    EnterPassword(kPassword, L"In order to copy an encrypted value.");
    ASSERT_TRUE(WaitFor([&] { return ClipboardText() == L"me@example.org"; }, 5s));
    EXPECT_EQ(PaneValue(0), L"Mail box");
    EXPECT_EQ(PaneValue(1), L"me@example.org");

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(program->WaitForExit(), 0u);
    program.reset();
    EXPECT_EQ(ClipboardText(), std::nullopt);
}

// Ctrl+C and Ctrl+X in the record dialog's values copy the way the pane's
// copy does: marked private, counted down, cleared at the lock.
TEST_F(SecretsInUse, CopyAndCutInTheRecordDialogGoThroughThePrivateClipboard) {
    HWND dialog = Command(IDM_EDIT_RECORD, L"Edit Record");
    ASSERT_NE(dialog, nullptr);
    HWND account = GetDlgItem(dialog, IDC_FIELD2);
    SendMessageW(account, EM_SETSEL, 0, 3);
    PostMessageW(account, WM_COPY, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return ClipboardText() == L"111"; }, 5s));
    ExpectPrivacyFormats();
    EXPECT_TRUE(WaitFor([&] { return WindowText(status).find(L"cleared in") != std::wstring::npos; }));
    SendMessageW(account, EM_SETSEL, 3, 7);
    PostMessageW(account, WM_CUT, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return ClipboardText() == L"-222"; }, 5s));
    EXPECT_EQ(ControlText(dialog, IDC_FIELD2), L"111");
    // The lock ends the dialog and takes the value off the clipboard.
    PostMessageW(main, WM_TIMER, kLockTimer, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
    EXPECT_TRUE(WaitFor([&] { return !ClipboardText(); }, 5s));
}

// The lock may come while a file dialog or a question is open; the command
// then goes on as the lock now demands, never as if it had not come.
TEST_F(SecretsInUse, ExportAsksForThePasswordAndAgainWhenTheLockCameDuringSaveAs) {
    const std::wstring chosen = data.Folder() + L"export";
    PostMessageW(main, WM_COMMAND, IDM_EXPORT, 0);
    // Values in clear: the master password first.
    EnterPassword(kPassword, L"Export writes every protected value in clear.");
    HWND save = FileDialog(L"Save As");
    ASSERT_NE(save, nullptr);
    PostMessageW(main, WM_TIMER, kLockTimer, 0);
    ASSERT_TRUE(WaitFor([&] { return Masked(); }));
    ChooseInFileDialog(save, chosen);
    Answer(L"The data is locked. Encrypted records will not be exported correctly.", IDNO);
    ASSERT_TRUE(Handled());
    EXPECT_EQ(GetFileAttributesW((chosen + L".txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SecretsInUse, ImportIsRefusedWhenTheLockCameDuringOpen) {
    const std::wstring csv = data.Folder() + L"more.csv";
    std::ofstream(csv.c_str(), std::ios::binary) << "Bank,Second Bank,333\n";
    const std::vector<char> before = FileBytes(data.DatabasePath());
    PostMessageW(main, WM_COMMAND, IDM_IMPORT, 0);
    HWND open = FileDialog(L"Open");
    ASSERT_NE(open, nullptr);
    PostMessageW(main, WM_TIMER, kLockTimer, 0);
    ASSERT_TRUE(WaitFor([&] { return Masked(); }));
    ChooseInFileDialog(open, csv);
    Answer(L"Unable to import while the data is locked.", IDOK);
    ASSERT_TRUE(Handled());
    EXPECT_EQ(FileBytes(data.DatabasePath()), before);
}

TEST_F(SecretsInUse, AnEncipheredRecordIsNotDeletedWhenTheLockCameDuringTheQuestion) {
    const std::vector<char> before = FileBytes(data.DatabasePath());
    PostMessageW(main, WM_COMMAND, IDM_DELETE_RECORD, 0);
    HWND question = WaitForDialog(program->Id(), L"Are you sure that you want to delete the:");
    ASSERT_NE(question, nullptr);
    PostMessageW(main, WM_TIMER, kLockTimer, 0);
    ASSERT_TRUE(WaitFor([&] { return Masked(); }));
    Answer(L"Are you sure that you want to delete the:", IDYES);
    Answer(L"Unable to delete an encrypted record.", IDOK);
    ASSERT_TRUE(Handled());
    EXPECT_EQ(FileBytes(data.DatabasePath()), before);
    EXPECT_EQ(Rows(), 3);
}

}  // namespace
