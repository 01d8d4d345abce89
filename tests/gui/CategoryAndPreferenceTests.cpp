// The Categories and Preferences commands end to end: the program runs with a
// data folder of its own, the test works its dialogs as a user would and
// then reads what the database file holds.
#include "platform/Wide.h"
#include "model/Category.h"
#include "model/Record.h"
#include "security/Cipher.h"
#include "storage/Settings.h"
#include "tests/gui/Driver.h"
#include "tests/gui/TestDatabase.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

namespace {

constexpr wchar_t kMainClass[] = L"DPC_QUORREL_WND_CLASS";
constexpr int kCategoriesCommand = 410;
constexpr int kPreferencesCommand = 411;

// Category chooser and edit dialog controls.
constexpr int kChooserCombo = 2516, kEditButton = 3201, kDeleteButton = 3202, kNewButton = 3203;
constexpr int kNameEdit = 3301, kFirstLabelEdit = 2509, kSecondLabelEdit = 2510, kProtectBox = 3302, kIconCombo = 3304;
// Preferences controls.
constexpr int kOddColour = 2601, kEvenColour = 2602, kColumns = 2603, kEnableLockout = 2605, kMinutes = 2606;
constexpr int kFlagBoxes[] = {2609, 2610, 2611, 2612, 2613};

HWND FilterBox(HWND main) { return GetDlgItem(GetDlgItem(main, 1001), 1002); }

bool Checked(HWND dialog, int id) { return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void WaitGone(HWND window) { ASSERT_TRUE(WaitFor([&] { return !IsWindow(window); })); }

// Selects the combo box entry with this text; false when there is none.
bool SelectEntry(HWND dialog, int comboId, const wchar_t* text) {
    HWND combo = GetDlgItem(dialog, comboId);
    auto items = ComboItems(combo);
    auto found = std::find(items.begin(), items.end(), text);
    if (found == items.end()) return false;
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(found - items.begin()), 0);
    return true;
}

// Presses a key in a control of another process, as the keyboard would.
void PressKeys(HWND control, UINT key, int times = 1) {
    for (int i = 0; i < times; ++i) {
        PostMessageW(control, WM_KEYDOWN, key, 0);
        PostMessageW(control, WM_KEYUP, key, 0xC0000000);
    }
}

const CCategory* StoredCategory(const StoredRecords& db, const char16_t* name) { return db.categories.FindByName(name); }

// The program on a database of its own, and the steps the tests share.
class ProgramSession {
public:
    // The program on a database made beforehand; no "No Password" warning.
    void Start(const std::function<void(TestDatabase&)>& fill = nullptr, bool withIcons = true) {
        {
            TestDatabase db(data.DatabasePath());
            if (fill) fill(db);
            db.Preferences().showNoPasswordWarning = 0;
        }
        // The program copies the default icons from its own folder into the
        // data folder; a copy of it in a folder without them has none at all.
        const wchar_t* exe = L"Quorrel.exe";
        if (!withIcons) {
            const std::wstring bare = ProgramFolder() + L"without-icons\\";
            CreateDirectoryW(bare.c_str(), nullptr);
            ASSERT_TRUE(CopyFileW((ProgramFolder() + L"Quorrel.exe").c_str(), (bare + L"Quorrel.exe").c_str(), FALSE));
            exe = L"without-icons\\Quorrel.exe";
        }
        program = std::make_unique<Program>(exe);
        main = WaitForTopWindow(program->Id(), kMainClass, nullptr);
        ASSERT_NE(main, nullptr);
    }

    HWND OpenChooser() {
        PostMessageW(main, WM_COMMAND, kCategoriesCommand, 0);
        return WaitForDialog(program->Id(), L"&Delete");
    }
    HWND NextChooser() { return WaitForDialog(program->Id(), L"&Delete"); }

    // Answers a message box holding the text with the button, and waits for it to go.
    void Answer(const wchar_t* text, int button) {
        HWND box = WaitForDialog(program->Id(), text);
        ASSERT_NE(box, nullptr) << "no message box with: " << std::string(text, text + wcslen(text));
        Press(box, button);
        WaitGone(box);
    }

    void CloseProgram() {
        PostMessageW(main, WM_CLOSE, 0, 0);
        EXPECT_EQ(program->WaitForExit(), 0u);
    }

    FreshDataFolder data;
    std::unique_ptr<Program> program;
    HWND main = nullptr;
};

class CategoryAndPreferenceTest : public ::testing::Test, public ProgramSession {};

TEST_F(CategoryAndPreferenceTest, NewCategoryIsCheckedNamedOnceAndStored) {
    Start();
    HWND chooser = OpenChooser();
    ASSERT_NE(chooser, nullptr);
    Click(chooser, kNewButton);
    HWND edit = WaitForDialog(program->Id(), L"New Category");
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(Checked(edit, kProtectBox));
    EXPECT_EQ(SendMessageW(GetDlgItem(edit, kIconCombo), CB_GETCURSEL, 0, 0), 0);

    // An empty name, then another category's name in another case, are refused;
    // the dialog keeps what was typed.
    SetControlText(edit, kFirstLabelEdit, L"Plant");
    Click(edit, IDOK);
    Answer(L"Please specify a category name.", IDOK);
    SetControlText(edit, kNameEdit, L"bANK");
    Click(edit, IDOK);
    Answer(L"A category with this name already exists.", IDOK);
    ASSERT_TRUE(IsWindow(edit));
    EXPECT_EQ(ControlText(edit, kFirstLabelEdit), L"Plant");

    // Longer than 31 characters (pasted past the edit's limit) is cut to 31.
    SetControlText(edit, kNameEdit, L"Garden");
    SetControlText(edit, kSecondLabelEdit, L"Where it grows in the garden, exactly");
    Click(edit, IDOK);
    WaitGone(edit);

    // The chooser comes back after every action, and now lists the new one.
    chooser = NextChooser();
    ASSERT_NE(chooser, nullptr);
    ASSERT_TRUE(SelectEntry(chooser, kChooserCombo, L"Garden"));
    Click(chooser, kEditButton);
    edit = WaitForDialog(program->Id(), L"Edit Category");
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(ControlText(edit, kNameEdit), L"Garden");
    SetControlText(edit, kNameEdit, L"Email");
    Click(edit, IDOK);
    Answer(L"A category with this name already exists.", IDOK);
    SetControlText(edit, kNameEdit, L"GARDEN");  // its own name in another case
    Click(edit, IDOK);
    WaitGone(edit);
    chooser = NextChooser();
    ASSERT_NE(chooser, nullptr);
    Click(chooser, IDCANCEL);
    WaitGone(chooser);

    // The filter box is refilled and shows "All".
    HWND filter = FilterBox(main);
    ASSERT_TRUE(WaitFor([&] {
        auto items = ComboItems(filter);
        return std::find(items.begin(), items.end(), L"GARDEN") != items.end();
    }));
    EXPECT_EQ(SendMessageW(filter, CB_GETCURSEL, 0, 0), 0);
    CloseProgram();

    StoredRecords stored(data.DatabasePath());
    const CCategory* garden = StoredCategory(stored, u"Garden");
    ASSERT_NE(garden, nullptr);
    EXPECT_EQ(std::u16string(garden->name), u"GARDEN");
    EXPECT_EQ(std::u16string(garden->fieldLabel[0]), u"Plant");
    EXPECT_EQ(std::u16string(garden->fieldLabel[1]), u"Where it grows in the garden, e");
    EXPECT_EQ(std::u16string(garden->iconName), u"icon_air1");  // the first icon by name
    EXPECT_TRUE(garden->isProtected);
    EXPECT_EQ(garden->id, 12);
    EXPECT_EQ(garden->createMark, 3);
    EXPECT_EQ(stored.categories.count, 13);
}

// A category whose icon file is missing takes the first icon on OK; without
// any icon file a category gets the default icon name.
TEST(CategoryIcons, MissingIconsFallBack) {
    struct Case {
        const char* name;
        bool withIcons;
        const wchar_t* edited;  // null: a new category
        const char16_t* expectedIcon;
    };
    const Case cases[] = {
        {"icon file missing", true, L"Bank", u"icon_air1"},
        {"no icon files", false, nullptr, u"icon_aaa"},
    };
    for (const Case& c : cases) {
        ProgramSession run;
        run.Start([](TestDatabase& db) {
            CCategory* bank = db.categories.FindByName(u"Bank");
            std::u16string gone = u"icon_gone";
            std::copy(gone.begin(), gone.end(), bank->iconName);
            bank->Save(db.file, false);
        }, c.withIcons);
        HWND chooser = run.OpenChooser();
        ASSERT_NE(chooser, nullptr) << c.name;
        if (c.edited) {
            ASSERT_TRUE(SelectEntry(chooser, kChooserCombo, c.edited));
        }
        Click(chooser, c.edited ? kEditButton : kNewButton);
        HWND edit = WaitForDialog(run.program->Id(), c.edited ? L"Edit Category" : L"New Category");
        ASSERT_NE(edit, nullptr) << c.name;
        EXPECT_EQ(SendMessageW(GetDlgItem(edit, kIconCombo), CB_GETCURSEL, 0, 0), c.withIcons ? 0 : -1) << c.name;
        if (!c.edited) SetControlText(edit, kNameEdit, L"Garden");
        Click(edit, IDOK);
        WaitGone(edit);
        chooser = run.NextChooser();
        Click(chooser, IDCANCEL);
        WaitGone(chooser);
        run.CloseProgram();
        StoredRecords stored(run.data.DatabasePath());
        const CCategory* category = StoredCategory(stored, c.edited ? u"Bank" : u"Garden");
        ASSERT_NE(category, nullptr) << c.name;
        EXPECT_EQ(std::u16string(category->iconName), c.expectedIcon) << c.name;
    }
}

TEST_F(CategoryAndPreferenceTest, DeleteIsRefusedWithRecordsAndConfirmedWithout) {
    Start([](TestDatabase& db) { db.Add(u"Bank", {u"Alpha Bank", u"111"}); });
    HWND chooser = OpenChooser();
    ASSERT_NE(chooser, nullptr);
    ASSERT_TRUE(SelectEntry(chooser, kChooserCombo, L"Bank"));
    Click(chooser, kDeleteButton);
    Answer(L"Unable to delete a category that contains records.", IDOK);

    chooser = NextChooser();
    ASSERT_TRUE(SelectEntry(chooser, kChooserCombo, L"Calling Card"));
    Click(chooser, kDeleteButton);
    Answer(L"Calling Card", IDNO);
    chooser = NextChooser();
    EXPECT_EQ(ComboItems(GetDlgItem(chooser, kChooserCombo)).size(), 12u);
    ASSERT_TRUE(SelectEntry(chooser, kChooserCombo, L"Calling Card"));
    Click(chooser, kDeleteButton);
    Answer(L"Are you sure that you want to delete the:\nCalling Card\ncategory?", IDYES);
    chooser = NextChooser();
    auto left = ComboItems(GetDlgItem(chooser, kChooserCombo));
    EXPECT_EQ(std::find(left.begin(), left.end(), L"Calling Card"), left.end());
    EXPECT_NE(std::find(left.begin(), left.end(), L"Bank"), left.end());
    Click(chooser, IDCANCEL);
    WaitGone(chooser);
    ASSERT_TRUE(WaitFor([&] { return ComboItems(FilterBox(main)).size() == 12u; }));  // "All" and eleven
    CloseProgram();

    StoredRecords stored(data.DatabasePath());
    EXPECT_EQ(StoredCategory(stored, u"Calling Card"), nullptr);
    EXPECT_NE(StoredCategory(stored, u"Bank"), nullptr);
    EXPECT_EQ(stored.records.count, 1);
}

// Enter in the chooser and Cancel in the edit dialog change nothing.
TEST_F(CategoryAndPreferenceTest, EnterAndCancelLeaveTheCategoriesAlone) {
    Start();
    auto before = StoredRecords(data.DatabasePath()).categories.count;
    HWND chooser = OpenChooser();
    ASSERT_NE(chooser, nullptr);
    PostMessageW(chooser, WM_COMMAND, IDOK, 0);  // what Enter sends
    WaitGone(chooser);
    chooser = NextChooser();
    ASSERT_NE(chooser, nullptr);
    Click(chooser, kEditButton);
    HWND edit = WaitForDialog(program->Id(), L"Edit Category");
    ASSERT_NE(edit, nullptr);
    SetControlText(edit, kNameEdit, L"Renamed");
    Click(edit, IDCANCEL);
    WaitGone(edit);
    chooser = NextChooser();
    Click(chooser, IDCANCEL);
    WaitGone(chooser);
    CloseProgram();
    StoredRecords stored(data.DatabasePath());
    EXPECT_EQ(stored.categories.count, before);
    EXPECT_EQ(StoredCategory(stored, u"Renamed"), nullptr);
}

TEST_F(CategoryAndPreferenceTest, ProtectionSwitchedOffWhileUnlockedStoresTheRecordsInClear) {
    Start([](TestDatabase& db) {
        db.Add(u"Bank", {u"Alpha Bank", u"acct-secret-1", nullptr, nullptr, nullptr, nullptr, u"note-secret"});
        db.Add(u"Email", {u"Mail", u"mail-secret"});
        db.AddPassword(u"right password");
        db.Preferences().promptPasswordOnOpen = 1;
    });
    ASSERT_FALSE(StoredRecords(data.DatabasePath()).RecordEntryHolds(u"Alpha Bank", u"acct-secret-1"));
    HWND prompt = WaitForDialog(program->Id(), L"Enter Password");
    ASSERT_NE(prompt, nullptr);
    SetControlText(prompt, 2901, L"right password");
    Click(prompt, IDOK);
    WaitGone(prompt);

    HWND chooser = OpenChooser();
    ASSERT_TRUE(SelectEntry(chooser, kChooserCombo, L"Bank"));
    Click(chooser, kEditButton);
    HWND edit = WaitForDialog(program->Id(), L"Edit Category");
    ASSERT_TRUE(Checked(edit, kProtectBox));
    Click(edit, kProtectBox);
    ASSERT_TRUE(WaitFor([&] { return !Checked(edit, kProtectBox); }));
    Click(edit, IDOK);  // unlocked: no password prompt
    WaitGone(edit);
    chooser = NextChooser();
    Click(chooser, IDCANCEL);
    WaitGone(chooser);
    CloseProgram();

    StoredRecords stored(data.DatabasePath());
    EXPECT_TRUE(stored.RecordEntryHolds(u"Alpha Bank", u"acct-secret-1"));
    EXPECT_TRUE(stored.RecordEntryHolds(u"Alpha Bank", u"note-secret"));
    EXPECT_FALSE(stored.RecordEntryHolds(u"Mail", u"mail-secret"));  // another category
    EXPECT_FALSE(StoredCategory(stored, u"Bank")->isProtected);
    EXPECT_TRUE(StoredCategory(stored, u"Email")->isProtected);
}

TEST_F(CategoryAndPreferenceTest, ProtectionSwitchedOnWhileLockedAsksForThePasswordFirst) {
    Start([](TestDatabase& db) {
        CCategory* bank = db.categories.FindByName(u"Bank");
        bank->isProtected = false;
        bank->Save(db.file, false);
        db.Add(u"Bank", {u"Alpha Bank", u"acct-secret-2"});
        db.AddPassword(u"right password");
    });
    ASSERT_TRUE(StoredRecords(data.DatabasePath()).RecordEntryHolds(u"Alpha Bank", u"acct-secret-2"));
    HWND chooser = OpenChooser();
    ASSERT_TRUE(SelectEntry(chooser, kChooserCombo, L"Bank"));
    Click(chooser, kEditButton);
    HWND edit = WaitForDialog(program->Id(), L"Edit Category");
    ASSERT_FALSE(Checked(edit, kProtectBox));
    Click(edit, kProtectBox);
    ASSERT_TRUE(WaitFor([&] { return Checked(edit, kProtectBox); }));

    // Cancelling the prompt, then a wrong password given up, keep the dialog open.
    Click(edit, IDOK);
    HWND prompt = WaitForDialog(program->Id(), L"Unable to add password protection.");
    ASSERT_NE(prompt, nullptr);
    Click(prompt, IDCANCEL);
    WaitGone(prompt);
    ASSERT_TRUE(IsWindow(edit));
    Click(edit, IDOK);
    prompt = WaitForDialog(program->Id(), L"Unable to add password protection.");
    SetControlText(prompt, 2901, L"wrong");
    Click(prompt, IDOK);
    Answer(L"try again?", IDNO);
    ASSERT_TRUE(IsWindow(edit));
    {
        StoredRecords meanwhile(data.DatabasePath());
        EXPECT_TRUE(meanwhile.RecordEntryHolds(u"Alpha Bank", u"acct-secret-2"));
        EXPECT_FALSE(StoredCategory(meanwhile, u"Bank")->isProtected);
    }

    Click(edit, IDOK);
    prompt = WaitForDialog(program->Id(), L"Unable to add password protection.");
    SetControlText(prompt, 2901, L"right password");
    Click(prompt, IDOK);
    WaitGone(edit);
    chooser = NextChooser();
    Click(chooser, IDCANCEL);
    WaitGone(chooser);
    CloseProgram();

    StoredRecords stored(data.DatabasePath());
    EXPECT_FALSE(stored.RecordEntryHolds(u"Alpha Bank", u"acct-secret-2"));
    EXPECT_TRUE(StoredCategory(stored, u"Bank")->isProtected);
    ASSERT_TRUE(VerifyPassword(u"right password"));
    stored.settings->locked = 0;
    auto* record = static_cast<CRecord*>(stored.records.head);
    ASSERT_NE(record, nullptr);
    EXPECT_TRUE(record->isEnciphered);
    EXPECT_EQ(std::u16string(record->GetField(1).c_str()), u"acct-secret-2");
}

TEST_F(CategoryAndPreferenceTest, PreferencesAreStoredAndTheListFollows) {
    Start([](TestDatabase& db) { db.Add(u"Bank", {u"Alpha Bank", u"111"}); });
    PostMessageW(main, WM_COMMAND, kPreferencesCommand, 0);
    HWND dialog = WaitForDialog(program->Id(), L"Auto Lockout");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ControlText(dialog, kColumns), L"6");
    EXPECT_EQ(ControlText(dialog, kMinutes), L"5");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, kMinutes)));
    // The arrow keys change the read-only numbers and stop at the ends.
    HWND columns = GetDlgItem(dialog, kColumns);
    PressKeys(columns, VK_UP, 2);
    PressKeys(columns, VK_DOWN, 9);
    ASSERT_TRUE(WaitFor([&] { return ControlText(dialog, kColumns) == L"1"; }));
    PressKeys(columns, VK_UP, 2);
    ASSERT_TRUE(WaitFor([&] { return ControlText(dialog, kColumns) == L"3"; }));
    SendMessageW(columns, WM_CHAR, L'5', 0);  // cannot be typed
    EXPECT_EQ(ControlText(dialog, kColumns), L"3");
    Click(dialog, kEnableLockout);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowEnabled(GetDlgItem(dialog, kMinutes)); }));
    bool flags[5];
    for (int i = 0; i < 5; ++i) {
        flags[i] = !Checked(dialog, kFlagBoxes[i]);
        Click(dialog, kFlagBoxes[i]);
    }
    ASSERT_TRUE(WaitFor([&] { return Checked(dialog, kFlagBoxes[4]) == flags[4]; }));
    Click(dialog, IDOK);
    WaitGone(dialog);
    HWND header = FindWindowExW(GetDlgItem(main, 1004), nullptr, WC_HEADERW, nullptr);
    EXPECT_TRUE(WaitFor([&] { return SendMessageW(header, HDM_GETITEMCOUNT, 0, 0) == 4; }));  // icon and three

    // Off, the minutes show 5 greyed; switching it on again stores 5.
    PostMessageW(main, WM_COMMAND, kPreferencesCommand, 0);
    dialog = WaitForDialog(program->Id(), L"Auto Lockout");
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(Checked(dialog, kEnableLockout));
    EXPECT_EQ(ControlText(dialog, kMinutes), L"5");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, kMinutes)));
    for (int i = 0; i < 5; ++i) EXPECT_EQ(Checked(dialog, kFlagBoxes[i]), flags[i]) << kFlagBoxes[i];
    Click(dialog, IDCANCEL);
    WaitGone(dialog);
    {
        StoredRecords stored(data.DatabasePath());
        const ProfileSettings& p = stored.settings->Active();
        EXPECT_EQ(stored.settings->desktop.visibleDataColumns, 3);
        EXPECT_EQ(p.lockoutMinutes, -1);
        EXPECT_EQ(p.cleartextPasswordEntry != 0, flags[0]);
        EXPECT_EQ(p.promptPasswordOnOpen != 0, flags[1]);
        EXPECT_EQ(p.showNoPasswordWarning != 0, flags[2]);
        EXPECT_EQ(p.showUrlsAsHyperlinks != 0, flags[3]);
        EXPECT_EQ(stored.settings->desktop.perCategoryColumnWidths != 0, flags[4]);
    }
    PostMessageW(main, WM_COMMAND, kPreferencesCommand, 0);
    dialog = WaitForDialog(program->Id(), L"Auto Lockout");
    Click(dialog, kEnableLockout);
    ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(GetDlgItem(dialog, kMinutes)) != 0; }));
    PressKeys(GetDlgItem(dialog, kMinutes), VK_DOWN, 9);  // stops at 1
    ASSERT_TRUE(WaitFor([&] { return ControlText(dialog, kMinutes) == L"1"; }));
    PressKeys(GetDlgItem(dialog, kMinutes), VK_UP, 4);
    ASSERT_TRUE(WaitFor([&] { return ControlText(dialog, kMinutes) == L"5"; }));
    Click(dialog, IDOK);
    WaitGone(dialog);
    CloseProgram();
    StoredRecords stored(data.DatabasePath());
    EXPECT_EQ(stored.settings->Active().lockoutMinutes, 5);
}

// ---- the colour picker -----------------------------------------------------------

// The centre of a palette cell in the popup's client area.
LPARAM CellPoint(int cell) {
    int edgeX = GetSystemMetrics(SM_CXEDGE), edgeY = GetSystemMetrics(SM_CYEDGE);
    return MAKELPARAM(edgeX + 24 * (cell % 4) + 12, edgeY + 24 * (cell / 4) + 12);
}

void ClickCell(HWND palette, int cell) {
    PostMessageW(palette, WM_LBUTTONDOWN, MK_LBUTTON, CellPoint(cell));
    PostMessageW(palette, WM_LBUTTONUP, 0, CellPoint(cell));
}

// The colours painted down the list's right edge: its rows and the stripes below them.
std::set<COLORREF> ListColours(HWND main) {
    HWND list = GetDlgItem(main, 1004);
    HWND header = FindWindowExW(list, nullptr, WC_HEADERW, nullptr);
    RECT listRect, headerRect;
    GetWindowRect(list, &listRect);
    GetWindowRect(header, &headerRect);
    std::set<COLORREF> colours;
    HDC screen = GetDC(nullptr);
    for (int y = headerRect.bottom + 2; y < listRect.bottom - 4; y += 2) colours.insert(GetPixel(screen, listRect.right - 24, y));
    ReleaseDC(nullptr, screen);
    return colours;
}

TEST_F(CategoryAndPreferenceTest, CancelChangesNothingEvenAfterAColourWasPicked) {
    Start([](TestDatabase& db) { db.Add(u"Bank", {u"Alpha Bank", u"111"}); });
    ASSERT_TRUE(WaitFor([&] { return ListColours(main).count(RGB(221, 238, 255)) == 1; }));
    PostMessageW(main, WM_COMMAND, kPreferencesCommand, 0);
    HWND dialog = WaitForDialog(program->Id(), L"Auto Lockout");
    ASSERT_NE(dialog, nullptr);
    // Near the screen's corner the palette and the custom dialog move to stay in sight.
    RECT area;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    SetWindowPos(dialog, nullptr, area.right - 130, area.bottom - 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    auto inWorkArea = [&](HWND window) {
        RECT r;
        GetWindowRect(window, &r);
        return r.left >= area.left && r.top >= area.top && r.right <= area.right && r.bottom <= area.bottom;
    };
    Click(dialog, kOddColour);
    HWND palette = WaitForDialog(program->Id(), L"Custom");
    ASSERT_NE(palette, nullptr);
    EXPECT_TRUE(inWorkArea(palette));
    Click(palette, 2701);
    HWND custom = WaitForDialog(program->Id(), L"255");
    ASSERT_NE(custom, nullptr);
    EXPECT_TRUE(inWorkArea(custom));
    Click(custom, IDCANCEL);
    WaitGone(custom);
    ClickCell(palette, 7);
    Click(palette, IDOK);
    WaitGone(palette);
    PressKeys(GetDlgItem(dialog, kColumns), VK_DOWN);
    Click(dialog, IDCANCEL);
    WaitGone(dialog);
    Sleep(300);
    auto colours = ListColours(main);
    EXPECT_EQ(colours.count(RGB(255, 180, 180)), 0u);
    EXPECT_EQ(colours.count(RGB(255, 255, 255)), 1u);
    CloseProgram();
    StoredRecords stored(data.DatabasePath());
    const ProfileSettings& p = stored.settings->Active();
    EXPECT_EQ(p.oddRowColour[0], 255);
    EXPECT_EQ(p.oddRowColour[1], 255);
    EXPECT_EQ(stored.settings->desktop.visibleDataColumns, 6);
}

TEST_F(CategoryAndPreferenceTest, PaletteAndCustomColoursPaintTheRows) {
    Start([](TestDatabase& db) { db.Add(u"Bank", {u"Alpha Bank", u"111"}); });
    PostMessageW(main, WM_COMMAND, kPreferencesCommand, 0);
    HWND dialog = WaitForDialog(program->Id(), L"Auto Lockout");
    ASSERT_NE(dialog, nullptr);

    // Odd rows: a fixed colour; clicking cells and the arrow keys only move
    // the selection until OK: cell 3, then one down is cell 7.
    Click(dialog, kOddColour);
    HWND palette = WaitForDialog(program->Id(), L"Custom");
    ASSERT_NE(palette, nullptr);
    ClickCell(palette, 3);
    PressKeys(GetDlgItem(palette, 2701), VK_DOWN);
    PressKeys(GetDlgItem(palette, 2701), VK_LEFT);
    PressKeys(GetDlgItem(palette, 2701), VK_RIGHT);
    Sleep(300);
    ASSERT_TRUE(IsWindow(palette));
    Click(palette, IDOK);
    WaitGone(palette);

    // Even rows: a custom colour made with the keyboard on the sliders; a
    // first try is cancelled and changes nothing.
    Click(dialog, kEvenColour);
    palette = WaitForDialog(program->Id(), L"Custom");
    ASSERT_NE(palette, nullptr);
    Click(palette, 2701);
    HWND custom = WaitForDialog(program->Id(), L"255");
    ASSERT_NE(custom, nullptr);
    PressKeys(GetDlgItem(custom, 2801), VK_HOME);
    ASSERT_TRUE(WaitFor([&] { return ControlText(custom, 2804) == L"0"; }));
    Click(custom, IDCANCEL);
    WaitGone(custom);
    Click(palette, 2701);
    custom = WaitForDialog(program->Id(), L"255");
    ASSERT_NE(custom, nullptr);
    EXPECT_EQ(ControlText(custom, 2804), L"255");  // white again: the cancel kept nothing
    PressKeys(GetDlgItem(custom, 2801), VK_HOME);           // red 0
    PressKeys(GetDlgItem(custom, 2802), VK_LEFT, 5);        // green 250
    PressKeys(GetDlgItem(custom, 2803), VK_PRIOR);          // blue a page down
    ASSERT_TRUE(WaitFor([&] { return ControlText(custom, 2805) == L"250"; }));
    ASSERT_TRUE(WaitFor([&] { return ControlText(custom, 2806) != L"255"; }));
    int blue = std::stoi(ControlText(custom, 2806));
    Click(custom, IDOK);
    WaitGone(custom);
    Click(palette, IDOK);
    WaitGone(palette);
    Click(dialog, IDOK);
    WaitGone(dialog);

    COLORREF even = RGB(0, 250, blue);
    EXPECT_TRUE(WaitFor([&] {
        auto colours = ListColours(main);
        return colours.count(RGB(255, 180, 180)) == 1 && colours.count(even) == 1;
    }));
    CloseProgram();
    StoredRecords stored(data.DatabasePath());
    const ProfileSettings& p = stored.settings->Active();
    EXPECT_EQ(p.oddRowColour[0], 255);
    EXPECT_EQ(p.oddRowColour[1], 180);
    EXPECT_EQ(p.oddRowColour[2], 180);
    EXPECT_EQ(p.evenRowColour[0], 0);
    EXPECT_EQ(p.evenRowColour[1], 250);
    EXPECT_EQ(p.evenRowColour[2], blue);
}

}  // namespace
