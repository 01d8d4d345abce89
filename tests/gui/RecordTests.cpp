// Records in the program: the record edit dialog with its password generator,
// the New, Edit and Delete commands, the keys of the record list, and the
// inactivity lock ending an open record dialog. Each test checks what the
// windows show and what the database file holds afterwards.
#include "platform/Wide.h"
#include "model/Database.h"
#include "tests/gui/ProgramFixture.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

namespace {

constexpr char16_t kPassword[] = u"open sesame";

const int kFieldEdits[] = {IDC_FIELD1, IDC_FIELD2, IDC_FIELD3, IDC_FIELD4, IDC_FIELD5, IDC_FIELD6, IDC_NOTE};
const int kFieldLabels[] = {IDC_FIELD1_LABEL, IDC_FIELD2_LABEL, IDC_FIELD3_LABEL,
                            IDC_FIELD4_LABEL, IDC_FIELD5_LABEL, IDC_FIELD6_LABEL};

// The field labels as they read, without the "&" of their mnemonics.
std::vector<std::wstring> Labels(HWND dialog) {
    std::vector<std::wstring> labels;
    for (int id : kFieldLabels) {
        std::wstring label = ControlText(dialog, id);
        std::erase(label, L'&');
        labels.push_back(label);
    }
    return labels;
}

void Type(HWND dialog, const std::vector<const wchar_t*>& values) {
    for (size_t i = 0; i < values.size(); ++i) SetControlText(dialog, kFieldEdits[i], values[i]);
}

DWORD Selection(HWND edit) {
    return static_cast<DWORD>(SendMessageW(edit, EM_GETSEL, 0, 0));
}

class RecordCommands : public ProgramTest {
protected:
    // Three records; with a password the data starts locked, or unlocked
    // after the start-up prompt when unlock is set.
    void Start(const char16_t* password = nullptr, bool unlock = false) {
        ASSERT_NO_FATAL_FAILURE(ProgramTest::Start([&](TestDatabase& db) {
            db.Add(u"Web Login", {u"Zeta site", u"https://zeta.example", u"zed", u"pw-z"});
            db.Add(u"Bank", {u"Alpha Bank", u"111-222", u"1234", nullptr, nullptr, nullptr, u"branch note"});
            db.Add(u"Email", {u"Mail box", u"me@example.org", u"secret"});
            if (password) db.AddPassword(password);
            db.Preferences().promptPasswordOnOpen = unlock;
        }));
        if (password && unlock) {
            ASSERT_NO_FATAL_FAILURE(EnterPassword(W(password)));
        }
        ASSERT_TRUE(WaitFor([&] { return SelectedRow() == 0; }));  // "Alpha Bank"
    }

    int SelectedRow() const {
        return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    }
    // The middle of a row in the list's client coordinates (rows are all
    // as high as the list's page height divided by the rows it holds).
    POINT RowPoint(int row) const {
        RECT client, header;
        GetClientRect(list, &client);
        GetWindowRect(ListView_GetHeader(list), &header);
        int top = header.bottom - header.top;
        auto perPage = static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
        int height = perPage > 0 ? (client.bottom - top) / perPage : 16;
        return {60, top + row * height + height / 2};
    }

    static bool Gone(HWND window) {
        return WaitFor([&] { return !IsWindow(window) || !IsWindowVisible(window); });
    }

    UnmanagedWindows noWindowManagerWait;  // dialogs close at once
};

TEST_F(RecordCommands, NewRecordInAChosenCategoryIsStored) {
    Start();
    HWND dialog = Command(IDM_NEW_RECORD, L"New Record");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(dialog), L"New Record");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_CATEGORY)));
    // The first field has the focus, so Generate can insert there.
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_GENERATE)));
    // The list shows every category: the first one is offered.
    EXPECT_EQ(ControlText(dialog, IDC_CATEGORY), L"Bank");

    SelectComboItem(dialog, IDC_CATEGORY, L"Email");
    EXPECT_EQ(Labels(dialog), (std::vector<std::wstring>{L"Service:", L"User Name:", L"Password:", L"POP3:", L"SMTP:",
                                                          L""}));
    Type(dialog, {L"Home mail", L"alice", L"pa55", L"pop.example", L"smtp.example", L"", L"line one\r\nline two"});
    // Another category relabels the fields and keeps what was typed.
    SelectComboItem(dialog, IDC_CATEGORY, L"Bank");
    EXPECT_EQ(Labels(dialog), (std::vector<std::wstring>{L"Bank:", L"Account #:", L"PIN:", L"", L"", L""}));
    EXPECT_EQ(ControlText(dialog, IDC_FIELD2), L"alice");
    SelectComboItem(dialog, IDC_CATEGORY, L"Email");
    Click(dialog, IDOK);
    ASSERT_TRUE(Gone(dialog));
    EXPECT_TRUE(WaitFor([&] { return Rows() == 4; }));
    Close();

    StoredRecords stored(data.DatabasePath());
    EXPECT_EQ(stored.Count(), 4);
    CRecord* record = stored.Find(u"Home mail");
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(stored.CategoryName(*record), u"Email");
    EXPECT_FALSE(record->isEnciphered);  // no password set
    EXPECT_EQ(stored.Values(*record), (std::vector<std::u16string>{u"Home mail", u"alice", u"pa55", u"pop.example",
                                                                    u"smtp.example", u"", u"line one\r\nline two"}));
    EXPECT_EQ(CheckDatabase(U(data.DatabasePath().c_str())), "");
}

// The record dialog opens with the keyboard in the first field, for a new
// record and an edited one, so that what is typed straight away lands there:
// a space does not press OK (and a "y" then answer the empty-record question).
TEST_F(RecordCommands, TypingStraightAfterNewOrEditGoesIntoTheFirstField) {
    Start();
    HWND dialog = Command(IDM_NEW_RECORD, L"New Record");
    ASSERT_NE(dialog, nullptr);
    HWND first = GetDlgItem(dialog, IDC_FIELD1);
    EXPECT_TRUE(WaitFor([&] { return FocusedWindow(dialog) == first; }, 5s));
    // Each label reaches its field with a mnemonic.
    for (int id : kFieldLabels) {
        std::wstring label = ControlText(dialog, id);
        if (!label.empty()) {
            EXPECT_NE(label.find(L'&'), std::wstring::npos) << id;
        }
    }
    // The characters of typed keys are made as the keys are handled: they
    // are all in place before Enter.
    TypeText(FocusedWindow(dialog), L"my yacht");
    ASSERT_TRUE(Handled());
    PressKey(FocusedWindow(dialog), VK_RETURN);
    ASSERT_TRUE(Gone(dialog));
    ASSERT_TRUE(WaitFor([&] { return Rows() == 4; }));

    // Editing: the title is selected, so typing replaces it.
    ASSERT_TRUE(WaitFor([&] { return PaneValues().front() == L"my yacht"; }));
    dialog = Command(IDM_EDIT_RECORD, L"Edit Record");
    ASSERT_NE(dialog, nullptr);
    first = GetDlgItem(dialog, IDC_FIELD1);
    EXPECT_TRUE(WaitFor([&] { return FocusedWindow(dialog) == first; }, 5s));
    TypeText(FocusedWindow(dialog), L"my boat");
    ASSERT_TRUE(Handled());
    PressKey(FocusedWindow(dialog), VK_RETURN);
    ASSERT_TRUE(Gone(dialog));
    Close();

    StoredRecords stored(data.DatabasePath());
    EXPECT_EQ(stored.Count(), 4);
    EXPECT_NE(stored.Find(u"my boat"), nullptr);
    EXPECT_EQ(stored.Find(u""), nullptr);  // no empty record
}

TEST_F(RecordCommands, OverlongTextIsCutToTheLimitsAndCancelStoresNothing) {
    Start();
    HWND dialog = Command(IDM_NEW_RECORD, L"New Record");
    ASSERT_NE(dialog, nullptr);
    Type(dialog, {L"Cancelled"});
    Click(dialog, IDCANCEL);
    ASSERT_TRUE(Gone(dialog));

    dialog = Command(IDM_NEW_RECORD, L"New Record");
    ASSERT_NE(dialog, nullptr);
    std::wstring longField(100, L'f'), longNote(400, L'n');
    // Text set from outside is not held to the edit's limit; the record is.
    Type(dialog, {longField.c_str(), L"", L"", L"", L"", L"", longNote.c_str()});
    Click(dialog, IDOK);
    ASSERT_TRUE(Gone(dialog));
    ASSERT_TRUE(WaitFor([&] { return Rows() == 4; }));
    Close();

    StoredRecords stored(data.DatabasePath());
    EXPECT_EQ(stored.Count(), 4);
    EXPECT_EQ(stored.Find(u"Cancelled"), nullptr);
    CRecord* record = stored.Find(std::u16string(64, u'f'));
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(stored.Values(*record)[6], std::u16string(256, u'n'));
}

TEST_F(RecordCommands, GeneratedPasswordGoesToTheCaretOrReplacesTheSelection) {
    Start();
    HWND dialog = Command(IDM_NEW_RECORD, L"New Record");
    ASSERT_NE(dialog, nullptr);
    HWND note = GetDlgItem(dialog, IDC_NOTE);
    HWND generate = GetDlgItem(dialog, IDC_GENERATE);
    SetControlText(dialog, IDC_NOTE, L"abcdef");
    ASSERT_TRUE(FocusControl(note));
    EXPECT_TRUE(IsWindowEnabled(generate));

    struct Case {
        int selStart, selEnd;
        bool accept;
        const wchar_t* before;  // the note's text before the generator runs
        int keptLeft, keptRight;  // how much of it stays left and right of the password
    };
    const Case cases[] = {
        {3, 3, true, L"abcdef", 3, 3},   // at the caret
        {1, 4, true, L"abcdef", 1, 2},   // over the selection
        {2, 5, false, L"abcdef", 6, 0},  // Cancel: text and selection as they were
    };
    for (const Case& c : cases) {
        SetControlText(dialog, IDC_NOTE, c.before);
        ASSERT_TRUE(FocusControl(note));
        SendMessageW(note, EM_SETSEL, static_cast<WPARAM>(c.selStart), c.selEnd);
        Click(dialog, IDC_GENERATE);
        HWND generator = WaitForDialog(program->Id(), L"Generate Password");
        ASSERT_NE(generator, nullptr);
        std::wstring password = ControlText(generator, IDC_GENERATED_PASSWORD);
        EXPECT_EQ(password.size(), 6u);
        EXPECT_EQ(password.find_first_of(L"IOilo01"), std::wstring::npos) << password;
        Click(generator, c.accept ? IDOK : IDCANCEL);
        ASSERT_TRUE(Gone(generator));
        std::wstring before = c.before;
        std::wstring expected = c.accept ? before.substr(0, static_cast<size_t>(c.keptLeft)) + password +
                                               before.substr(before.size() - static_cast<size_t>(c.keptRight))
                                         : before;
        EXPECT_TRUE(WaitFor([&] { return ControlText(dialog, IDC_NOTE) == expected; }, 5s)) << c.selStart;
        EXPECT_TRUE(WaitFor([&] { return FocusedWindow(dialog) == note; }));
        if (!c.accept) {
            EXPECT_EQ(Selection(note), static_cast<DWORD>(MAKELONG(c.selStart, c.selEnd)));
        }
    }
    // Tab from the note goes on to OK, where the button has nothing to insert into.
    PressKey(note, VK_TAB);
    EXPECT_TRUE(WaitFor([&] { return FocusedWindow(dialog) == GetDlgItem(dialog, IDOK); }));
    EXPECT_FALSE(IsWindowEnabled(generate));
    Click(dialog, IDCANCEL);
    ASSERT_TRUE(Gone(dialog));
    Close();
}

TEST_F(RecordCommands, GeneratorRefusesImpossibleChoices) {
    Start();
    HWND dialog = Command(IDM_NEW_RECORD, L"New Record");
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(FocusControl(GetDlgItem(dialog, IDC_FIELD3)));
    Click(dialog, IDC_GENERATE);
    HWND generator = WaitForDialog(program->Id(), L"Generate Password");
    ASSERT_NE(generator, nullptr);
    EXPECT_EQ(ControlText(generator, IDC_GENERATED_LENGTH), L"6");
    std::wstring first = ControlText(generator, IDC_GENERATED_PASSWORD);

    for (int id : {IDC_INCLUDE_UPPER, IDC_INCLUDE_LOWER, IDC_INCLUDE_DIGITS, IDC_INCLUDE_PUNCTUATION})
        SendMessageW(GetDlgItem(generator, id), BM_SETCHECK, BST_UNCHECKED, 0);
    Click(generator, IDC_GENERATE_NOW);
    HWND refusal = WaitForDialog(program->Id(), L"Please include at least one group of characters.");
    ASSERT_NE(refusal, nullptr);
    Press(refusal, IDOK);
    ASSERT_TRUE(Gone(refusal));
    EXPECT_EQ(ControlText(generator, IDC_GENERATED_PASSWORD), first);

    // Only digits, the longest length the arrows reach.
    SendMessageW(GetDlgItem(generator, IDC_INCLUDE_DIGITS), BM_SETCHECK, BST_CHECKED, 0);
    HWND spin = GetDlgItem(generator, IDC_GENERATED_LENGTH_SPIN);
    for (int i = 0; i < 40; ++i) PressKey(GetDlgItem(generator, IDC_GENERATED_LENGTH), VK_UP);
    ASSERT_TRUE(WaitFor([&] { return ControlText(generator, IDC_GENERATED_LENGTH) == L"32"; }));
    EXPECT_EQ(LOWORD(SendMessageW(spin, UDM_GETPOS, 0, 0)), 32);
    Click(generator, IDC_GENERATE_NOW);
    ASSERT_TRUE(WaitFor([&] { return ControlText(generator, IDC_GENERATED_PASSWORD) != first; }));
    std::wstring digits = ControlText(generator, IDC_GENERATED_PASSWORD);
    EXPECT_EQ(digits.size(), 32u);
    EXPECT_EQ(digits.find_first_not_of(L"23456789"), std::wstring::npos);
    Click(generator, IDOK);
    ASSERT_TRUE(Gone(generator));
    EXPECT_TRUE(WaitFor([&] { return ControlText(dialog, IDC_FIELD3) == digits; }));
    Click(dialog, IDCANCEL);
    ASSERT_TRUE(Gone(dialog));
    Close();
}

TEST_F(RecordCommands, EditingARecordChangesItOnDisk) {
    Start();
    HWND dialog = Command(IDM_EDIT_RECORD, L"Edit Record");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(dialog), L"Edit Record");
    EXPECT_EQ(ControlText(dialog, IDC_CATEGORY), L"Bank");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_CATEGORY)));
    EXPECT_EQ(Labels(dialog), (std::vector<std::wstring>{L"Bank:", L"Account #:", L"PIN:", L"", L"", L""}));
    EXPECT_EQ(ControlText(dialog, IDC_FIELD1), L"Alpha Bank");
    EXPECT_EQ(ControlText(dialog, IDC_NOTE), L"branch note");
    SetControlText(dialog, IDC_FIELD3, L"9876");
    Click(dialog, IDOK);
    ASSERT_TRUE(Gone(dialog));
    ASSERT_TRUE(Handled());  // the list is rebuilt
    EXPECT_EQ(Rows(), 3);
    Close();

    StoredRecords stored(data.DatabasePath());
    EXPECT_EQ(stored.Count(), 3);
    CRecord* record = stored.Find(u"Alpha Bank");
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(stored.Values(*record), (std::vector<std::u16string>{u"Alpha Bank", u"111-222", u"9876", u"", u"", u"",
                                                                    u"branch note"}));
    EXPECT_EQ(record->changeMark, 2);
}

TEST_F(RecordCommands, EmptyRecordIsStoredOnlyAfterYes) {
    Start();
    HWND dialog = Command(IDM_NEW_RECORD, L"New Record");
    ASSERT_NE(dialog, nullptr);
    Click(dialog, IDOK);
    HWND question = WaitForDialog(program->Id(), L"You have not entered any data.");
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(WindowText(question), L"Edit Record");
    Press(question, IDNO);
    ASSERT_TRUE(Gone(question));
    ASSERT_TRUE(Handled());
    EXPECT_TRUE(IsWindowVisible(dialog));  // No keeps the dialog open

    Click(dialog, IDOK);
    question = WaitForDialog(program->Id(), L"You have not entered any data.");
    ASSERT_NE(question, nullptr);
    Press(question, IDYES);
    ASSERT_TRUE(Gone(dialog));
    EXPECT_TRUE(WaitFor([&] { return Rows() == 4; }));
    Close();

    StoredRecords stored(data.DatabasePath());
    EXPECT_EQ(stored.Count(), 4);
    CRecord* empty = stored.Find(u"");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(stored.Values(*empty), std::vector<std::u16string>(7));
}

TEST_F(RecordCommands, DeleteAsksAndOnlyYesDeletes) {
    Start();
    for (int answer : {IDNO, IDYES}) {
        PostMessageW(main, WM_COMMAND, IDM_DELETE_RECORD, 0);
        HWND question = WaitForDialog(program->Id(), L"Are you sure that you want to delete the:");
        ASSERT_NE(question, nullptr);
        EXPECT_NE(DialogTexts(question).find(L"\nAlpha Bank\n"), std::wstring::npos);
        EXPECT_EQ(WindowText(question), L"Delete Record");
        Press(question, answer);
        ASSERT_TRUE(Gone(question));
        EXPECT_TRUE(WaitFor([&] { return Rows() == (answer == IDYES ? 2 : 3); }));
    }
    Close();
    StoredRecords stored(data.DatabasePath());
    EXPECT_EQ(stored.Count(), 2);
    EXPECT_EQ(stored.Find(u"Alpha Bank"), nullptr);
    EXPECT_NE(stored.Find(u"Mail box"), nullptr);
}

TEST_F(RecordCommands, NewProtectedRecordWhileLockedAsksForThePasswordFirst) {
    Start(kPassword);
    HWND dialog = Command(IDM_NEW_RECORD, L"New Record");
    ASSERT_NE(dialog, nullptr);
    SelectComboItem(dialog, IDC_CATEGORY, L"Web Login");
    Type(dialog, {L"Shop", L"https://shop.example", L"alice", L"k7#Rt9"});

    // A wrong password and No to the retry keep the dialog with its texts.
    Click(dialog, IDOK);
    HWND prompt = WaitForDialog(program->Id(), L"Enter Password");
    ASSERT_NE(prompt, nullptr);
    EXPECT_NE(DialogTexts(prompt).find(L"In order to add an encrypted record."), std::wstring::npos);
    SetControlText(prompt, IDC_PASSWORD, L"wrong");
    Click(prompt, IDOK);
    HWND retry = WaitForDialog(program->Id(), L"try again?");
    ASSERT_NE(retry, nullptr);
    Press(retry, IDNO);
    ASSERT_TRUE(Gone(retry));
    ASSERT_TRUE(Handled());
    ASSERT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(ControlText(dialog, IDC_FIELD4), L"k7#Rt9");

    // Cancel in the prompt keeps it too; the right password stores the record.
    Click(dialog, IDOK);
    prompt = WaitForDialog(program->Id(), L"Enter Password");
    ASSERT_NE(prompt, nullptr);
    Click(prompt, IDCANCEL);
    ASSERT_TRUE(Gone(prompt));
    ASSERT_TRUE(Handled());
    ASSERT_TRUE(IsWindowVisible(dialog));
    Click(dialog, IDOK);
    prompt = WaitForDialog(program->Id(), L"Enter Password");
    ASSERT_NE(prompt, nullptr);
    SetControlText(prompt, IDC_PASSWORD, W(kPassword));
    Click(prompt, IDOK);
    ASSERT_TRUE(Gone(dialog));
    EXPECT_TRUE(WaitFor([&] { return Rows() == 4; }));
    Close();

    {
        StoredRecords locked(data.DatabasePath());
        CRecord* record = locked.Find(u"Shop");
        ASSERT_NE(record, nullptr);
        EXPECT_TRUE(record->isEnciphered);
        // The stored block holds no clear text of any value.
        std::u16string block(record->fieldBlock, static_cast<size_t>(record->blockLength));
        EXPECT_EQ(block.find(u"alice"), std::u16string::npos);
        EXPECT_EQ(block.find(u"k7#Rt9"), std::u16string::npos);
        EXPECT_EQ(locked.Values(*record)[1], u"******");
    }
    StoredRecords unlocked(data.DatabasePath(), kPassword);
    CRecord* record = unlocked.Find(u"Shop");
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(unlocked.CategoryName(*record), u"Web Login");
    EXPECT_EQ(unlocked.Values(*record), (std::vector<std::u16string>{u"Shop", u"https://shop.example", u"alice",
                                                                      u"k7#Rt9", u"", u"", u""}));
}

TEST_F(RecordCommands, EditingAProtectedRecordWhileLockedUnlocksFirst) {
    Start(kPassword);
    // Cancelling the prompt opens nothing.
    PostMessageW(main, WM_COMMAND, IDM_EDIT_RECORD, 0);
    HWND prompt = WaitForDialog(program->Id(), L"In order to edit an encrypted record.");
    ASSERT_NE(prompt, nullptr);
    Click(prompt, IDCANCEL);
    ASSERT_TRUE(Gone(prompt));
    ASSERT_TRUE(Handled());
    EXPECT_EQ(FindTopWindow(program->Id(), L"#32770", nullptr), nullptr);

    PostMessageW(main, WM_COMMAND, IDM_EDIT_RECORD, 0);
    prompt = WaitForDialog(program->Id(), L"In order to edit an encrypted record.");
    ASSERT_NE(prompt, nullptr);
    SetControlText(prompt, IDC_PASSWORD, W(kPassword));
    Click(prompt, IDOK);
    HWND dialog = WaitForDialog(program->Id(), L"Edit Record");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ControlText(dialog, IDC_FIELD2), L"111-222");  // deciphered, not "******"
    Click(dialog, IDCANCEL);
    ASSERT_TRUE(Gone(dialog));
    Close();
}

// The lock's timer message, as the system sends it when the minutes are up.
TEST_F(RecordCommands, InactivityLockCancelsAnOpenRecordDialog) {
    Start(kPassword, true);
    HWND dialog = Command(IDM_EDIT_RECORD, L"Edit Record");
    ASSERT_NE(dialog, nullptr);
    SetControlText(dialog, IDC_FIELD2, L"changed while away");
    PostMessageW(main, WM_TIMER, kLockTimer, 0);
    ASSERT_TRUE(Gone(dialog));

    // A new record with the generator open over it: both go.
    PostMessageW(main, WM_COMMAND, IDM_LOCK, 0);  // unlock again
    HWND prompt = WaitForDialog(program->Id(), L"Enter Password");
    ASSERT_NE(prompt, nullptr);
    SetControlText(prompt, IDC_PASSWORD, W(kPassword));
    Click(prompt, IDOK);
    ASSERT_TRUE(Gone(prompt));
    dialog = Command(IDM_NEW_RECORD, L"New Record");
    ASSERT_NE(dialog, nullptr);
    Type(dialog, {L"Never stored", L"x"});
    ASSERT_TRUE(FocusControl(GetDlgItem(dialog, IDC_FIELD2)));
    Click(dialog, IDC_GENERATE);
    HWND generator = WaitForDialog(program->Id(), L"Generate Password");
    ASSERT_NE(generator, nullptr);
    PostMessageW(main, WM_TIMER, kLockTimer, 0);
    EXPECT_TRUE(Gone(generator));
    EXPECT_TRUE(Gone(dialog));
    ASSERT_TRUE(Handled());
    EXPECT_EQ(FindTopWindow(program->Id(), L"#32770", nullptr), nullptr);
    EXPECT_EQ(Rows(), 3);

    // The empty-record question open over an edit: both go, nothing is stored.
    PostMessageW(main, WM_COMMAND, IDM_LOCK, 0);
    prompt = WaitForDialog(program->Id(), L"Enter Password");
    ASSERT_NE(prompt, nullptr);
    SetControlText(prompt, IDC_PASSWORD, W(kPassword));
    Click(prompt, IDOK);
    ASSERT_TRUE(Gone(prompt));
    dialog = Command(IDM_EDIT_RECORD, L"Edit Record");
    ASSERT_NE(dialog, nullptr);
    for (int id : kFieldEdits) SetControlText(dialog, id, L"");
    Click(dialog, IDOK);
    HWND question = WaitForDialog(program->Id(), L"You have not entered any data.");
    ASSERT_NE(question, nullptr);
    PostMessageW(main, WM_TIMER, kLockTimer, 0);
    EXPECT_TRUE(Gone(question));
    EXPECT_TRUE(Gone(dialog));
    Close();

    StoredRecords stored(data.DatabasePath(), kPassword);
    EXPECT_EQ(stored.Count(), 3);
    EXPECT_EQ(stored.Find(u"Never stored"), nullptr);
    EXPECT_EQ(stored.Values(*stored.Find(u"Alpha Bank"))[1], u"111-222");
}

TEST_F(RecordCommands, EnterDeleteAndInsertInTheList) {
    Start();
    struct Case {
        WPARAM key;
        const wchar_t* dialogPart;
        int close;
    };
    const Case cases[] = {
        {VK_RETURN, L"Edit Record", IDCANCEL},
        {VK_DELETE, L"Are you sure that you want to delete the:", IDNO},
        {VK_INSERT, L"New Record", IDCANCEL},
    };
    for (const Case& c : cases) {
        PressKey(list, c.key);
        HWND dialog = WaitForDialog(program->Id(), c.dialogPart);
        ASSERT_NE(dialog, nullptr) << c.key;
        if (c.key == VK_RETURN) {
            EXPECT_EQ(ControlText(dialog, IDC_FIELD1), L"Alpha Bank");
        }
        Press(dialog, c.close);
        ASSERT_TRUE(Gone(dialog)) << c.key;
        ASSERT_TRUE(WaitFor([&] { return FindTopWindow(program->Id(), L"#32770", nullptr) == nullptr; }));
        // The keyboard is back in the list, not on the frame.
        EXPECT_TRUE(WaitFor([&] { return FocusedWindow(main) == list; }, 5s)) << c.key;
    }
    // Tab goes round the filter box, the search box, the list and every
    // value of the pane; F6 round the same areas, the pane as one.
    HWND filter = GetDlgItem(GetDlgItem(main, IDC_TOOLBAR), IDC_FILTER);
    std::vector<HWND> boxes = PaneBoxes();
    ASSERT_EQ(boxes.size(), 7u);
    HWND search = GetDlgItem(GetDlgItem(main, IDC_TOOLBAR), IDC_SEARCH);
    std::vector<std::pair<WPARAM, HWND>> moves;
    for (HWND box : boxes) moves.push_back({VK_TAB, box});
    moves.insert(moves.end(), {{VK_TAB, filter}, {VK_TAB, search}, {VK_TAB, list}, {VK_F6, boxes.front()},
                               {VK_F6, filter}, {VK_F6, search}, {VK_F6, list}});
    for (const auto& [key, expected] : moves) {
        PressKey(FocusedWindow(main), key);
        EXPECT_TRUE(WaitFor([&, expected = expected] { return FocusedWindow(main) == expected; }, 5s)) << key;
    }
    // Double-clicking a row edits that row, selected or not.
    POINT third = RowPoint(2);
    PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(third.x, third.y));
    HWND dialog = WaitForDialog(program->Id(), L"Edit Record");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ControlText(dialog, IDC_FIELD1), L"Zeta site");
    Click(dialog, IDCANCEL);
    ASSERT_TRUE(Gone(dialog));
    EXPECT_EQ(Rows(), 3);
    Close();
}

TEST_F(RecordCommands, NewRecordFollowsItsCategoryInTheFilter) {
    Start();
    HWND filter = GetDlgItem(GetDlgItem(main, IDC_TOOLBAR), IDC_FILTER);
    SendMessageW(filter, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"Email"));
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_FILTER, CBN_SELCHANGE), reinterpret_cast<LPARAM>(filter));
    ASSERT_TRUE(WaitFor([&] { return Rows() == 1; }));
    HWND dialog = Command(IDM_NEW_RECORD, L"New Record");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ControlText(dialog, IDC_CATEGORY), L"Email");  // preselected from the filter
    SelectComboItem(dialog, IDC_CATEGORY, L"Bank");
    Type(dialog, {L"Second bank"});
    Click(dialog, IDOK);
    ASSERT_TRUE(Gone(dialog));
    EXPECT_TRUE(WaitFor([&] { return WindowText(filter) == L"Bank"; }));
    EXPECT_TRUE(WaitFor([&] { return Rows() == 2; }));  // the two banks
    Close();
}

// Whether the box shows its link highlighted after the pointer moved to x
// (box client coordinates) on its middle line. The highlight lasts while the
// pointer stays over the link. Under Wine the program may see the pointer's
// previous place for a moment, so the move is repeated until the highlight
// is as expected or a second has passed: a hot area that is wrong stays wrong.
bool HighlightedWithPointerAt(HWND main, HWND box, int x, bool expected) {
    RECT r;
    GetWindowRect(box, &r);
    SetCursorPos(r.left + x, (r.top + r.bottom) / 2);
    bool highlighted = !expected;
    WaitFor(
        [&] {
            PostMessageW(box, WM_MOUSEMOVE, 0, MAKELPARAM(x, (r.bottom - r.top) / 2));
            EXPECT_TRUE(WaitUntilHandled(main));
            highlighted = GetPropW(box, L"_HyperHighLt_") != nullptr;
            return highlighted == expected;
        },
        1s);
    return highlighted;
}

TEST_F(RecordCommands, LinkIsHotExactlyAlongItsDrawnText) {
    Start();
    PressKey(list, VK_END);  // "Zeta site" with its web address
    std::vector<HWND> boxes;
    ASSERT_TRUE(WaitFor([&] { return (boxes = PaneBoxes()).size() == 7 && WindowText(boxes[0]) == L"Zeta site"; }));
    HWND link = boxes[1];
    ASSERT_NE(GetPropW(link, L"_HyperLink_"), nullptr);
    // The drawn width in the pane's underlined link font.
    LOGFONTW description;
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof description, &description);
    description.lfUnderline = TRUE;
    HFONT font = CreateFontIndirectW(&description);
    HDC dc = GetDC(link);
    HGDIOBJ previous = SelectObject(dc, font);
    std::wstring text = WindowText(link);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, previous);
    ReleaseDC(link, dc);
    DeleteObject(font);
    int start = static_cast<short>(LOWORD(SendMessageW(link, EM_POSFROMCHAR, 0, 0)));
    int end = start + size.cx;

    EXPECT_TRUE(HighlightedWithPointerAt(main, link, start + 2, true));
    EXPECT_TRUE(HighlightedWithPointerAt(main, link, end - 2, true));  // the last characters are part of the link
    EXPECT_FALSE(HighlightedWithPointerAt(main, link, end + 3, false));
    Close();
}

// After the main window's left edge moves, every box of the pane is whole:
// the note keeps its scroll bar.
TEST_F(RecordCommands, PaneBoxesRepaintTheirFramesAfterALeftEdgeResize) {
    Start();
    HWND note = PaneBoxes().back();
    RECT window;
    GetWindowRect(main, &window);
    SetWindowPos(main, nullptr, window.left + 60, window.top, window.right - window.left - 60,
                 window.bottom - window.top, SWP_NOZORDER);
    ASSERT_TRUE(WaitForScreen(main));
    // Read back through the main window's own picture on the screen.
    RECT box;
    GetWindowRect(note, &box);
    POINT corner = {box.left, box.top};
    ScreenToClient(main, &corner);
    int width = box.right - box.left, height = box.bottom - box.top;
    int scrollWidth = GetSystemMetrics(SM_CXVSCROLL);
    // Not clipped to the main window's own area: the note is a grandchild.
    HDC dc = GetDCEx(main, nullptr, DCX_CACHE);
    // The middle of the scroll bar's track is not the white of the main
    // window's background painted over it.
    COLORREF track = GetPixel(dc, corner.x + width - scrollWidth / 2, corner.y + height / 2);
    COLORREF frame = GetPixel(dc, corner.x - 3, corner.y + height / 2);  // the pane's grey frame
    ReleaseDC(main, dc);
    EXPECT_EQ(frame, RGB(192, 192, 192));
    EXPECT_NE(track, RGB(255, 255, 255));
    EXPECT_NE(track, CLR_INVALID);
    Close();
}

class RecordsWithoutCategories : public ProgramTest {
protected:
    UnmanagedWindows noWindowManagerWait;
};

TEST_F(RecordsWithoutCategories, NewRecordCreatesNothing) {
    Start([](TestDatabase& db) {
        for (CCategory* category : Nodes<CCategory>(db.categories)) {
            if (db.file.Find(category->id + CCategory::kFirstKey)) db.file.Delete();
        }
    });
    HWND dialog = Command(IDM_NEW_RECORD, L"New Record");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(ComboItems(GetDlgItem(dialog, IDC_CATEGORY)).empty());
    SetControlText(dialog, IDC_FIELD1, L"Nowhere to go");
    Click(dialog, IDOK);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
    Close();
    EXPECT_EQ(StoredRecords(data.DatabasePath()).Count(), 0);
}

}  // namespace
