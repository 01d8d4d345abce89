// The Categories and Preferences commands end to end: the program runs with a
// data folder of its own, the test works its dialogs as a user would and
// then reads what the database file holds.
#include "platform/Wide.h"
#include "model/Category.h"
#include "model/Record.h"
#include "security/Cipher.h"
#include "storage/Settings.h"
#include "tests/gui/ProgramFixture.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

namespace {

// Preferences: the five boxes of choices.
constexpr int kFlagBoxes[] = {IDC_CLEARTEXT_PASSWORDS, IDC_PROMPT_ON_OPEN, IDC_NO_PASSWORD_WARNING, IDC_URLS_AS_LINKS,
                              IDC_PER_CATEGORY_WIDTHS};

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

// The program copies the default icons from its own folder into the data
// folder; a copy of it in a folder without them has none at all.
const wchar_t* ProgramWithoutIcons() {
    const std::wstring bare = ProgramFolder() + L"without-icons\\";
    CreateDirectoryW(bare.c_str(), nullptr);
    EXPECT_TRUE(CopyFileW((ProgramFolder() + L"Quorrel.exe").c_str(), (bare + L"Quorrel.exe").c_str(), FALSE));
    return L"without-icons\\Quorrel.exe";
}

// The category chooser, opened by the command or back after one of its actions.
HWND OpenChooser(RunningProgram& run) { return run.Command(IDM_CATEGORIES, L"&Delete"); }
HWND NextChooser(RunningProgram& run) { return WaitForDialog(run.program->Id(), L"&Delete"); }

class CategoryAndPreferenceTest : public ProgramTest {
protected:
    HWND OpenChooser() { return ::OpenChooser(*this); }
    HWND NextChooser() { return ::NextChooser(*this); }
};

TEST_F(CategoryAndPreferenceTest, NewCategoryIsCheckedNamedOnceAndStored) {
    Start();
    HWND chooser = OpenChooser();
    ASSERT_NE(chooser, nullptr);
    Click(chooser, IDC_NEW_CATEGORY);
    HWND edit = WaitForDialog(program->Id(), L"New Category");
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(Checked(edit, IDC_PROTECT_CATEGORY));
    EXPECT_EQ(SendMessageW(GetDlgItem(edit, IDC_CATEGORY_ICON), CB_GETCURSEL, 0, 0), 0);

    // An empty name, then another category's name in another case, are refused;
    // the dialog keeps what was typed.
    SetControlText(edit, IDC_FIELD1, L"Plant");
    Click(edit, IDOK);
    Answer(L"Please specify a category name.", IDOK);
    SetControlText(edit, IDC_CATEGORY_NAME, L"bANK");
    Click(edit, IDOK);
    Answer(L"A category with this name already exists.", IDOK);
    ASSERT_TRUE(IsWindow(edit));
    EXPECT_EQ(ControlText(edit, IDC_FIELD1), L"Plant");

    // Longer than 31 characters (pasted past the edit's limit) is cut to 31.
    SetControlText(edit, IDC_CATEGORY_NAME, L"Garden");
    SetControlText(edit, IDC_FIELD2, L"Where it grows in the garden, exactly");
    Click(edit, IDOK);
    WaitGone(edit);

    // The chooser comes back after every action, and now lists the new one.
    chooser = NextChooser();
    ASSERT_NE(chooser, nullptr);
    ASSERT_TRUE(SelectEntry(chooser, IDC_CATEGORY, L"Garden"));
    Click(chooser, IDC_EDIT_CATEGORY);
    edit = WaitForDialog(program->Id(), L"Edit Category");
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(ControlText(edit, IDC_CATEGORY_NAME), L"Garden");
    SetControlText(edit, IDC_CATEGORY_NAME, L"Email");
    Click(edit, IDOK);
    Answer(L"A category with this name already exists.", IDOK);
    SetControlText(edit, IDC_CATEGORY_NAME, L"GARDEN");  // its own name in another case
    Click(edit, IDOK);
    WaitGone(edit);
    chooser = NextChooser();
    ASSERT_NE(chooser, nullptr);
    Click(chooser, IDCANCEL);
    WaitGone(chooser);

    // The filter box is refilled and shows "All".
    HWND filter = FilterBox();
    ASSERT_TRUE(WaitFor([&] {
        auto items = ComboItems(filter);
        return std::find(items.begin(), items.end(), L"GARDEN") != items.end();
    }));
    EXPECT_EQ(SendMessageW(filter, CB_GETCURSEL, 0, 0), 0);
    Close();

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
        RunningProgram run;
        run.Start([](TestDatabase& db) {
            CCategory* bank = db.categories.FindByName(u"Bank");
            std::u16string gone = u"icon_gone";
            std::copy(gone.begin(), gone.end(), bank->iconName);
            bank->Save(db.file, false);
        }, c.withIcons ? L"Quorrel.exe" : ProgramWithoutIcons());
        HWND chooser = OpenChooser(run);
        ASSERT_NE(chooser, nullptr) << c.name;
        if (c.edited) {
            ASSERT_TRUE(SelectEntry(chooser, IDC_CATEGORY, c.edited));
        }
        Click(chooser, c.edited ? IDC_EDIT_CATEGORY : IDC_NEW_CATEGORY);
        HWND edit = WaitForDialog(run.program->Id(), c.edited ? L"Edit Category" : L"New Category");
        ASSERT_NE(edit, nullptr) << c.name;
        EXPECT_EQ(SendMessageW(GetDlgItem(edit, IDC_CATEGORY_ICON), CB_GETCURSEL, 0, 0), c.withIcons ? 0 : -1)
            << c.name;
        if (!c.edited) SetControlText(edit, IDC_CATEGORY_NAME, L"Garden");
        Click(edit, IDOK);
        WaitGone(edit);
        chooser = NextChooser(run);
        Click(chooser, IDCANCEL);
        WaitGone(chooser);
        run.Close();
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
    ASSERT_TRUE(SelectEntry(chooser, IDC_CATEGORY, L"Bank"));
    Click(chooser, IDC_DELETE_CATEGORY);
    Answer(L"Unable to delete a category that contains records.", IDOK);

    chooser = NextChooser();
    ASSERT_TRUE(SelectEntry(chooser, IDC_CATEGORY, L"Calling Card"));
    Click(chooser, IDC_DELETE_CATEGORY);
    Answer(L"Calling Card", IDNO);
    chooser = NextChooser();
    EXPECT_EQ(ComboItems(GetDlgItem(chooser, IDC_CATEGORY)).size(), 12u);
    ASSERT_TRUE(SelectEntry(chooser, IDC_CATEGORY, L"Calling Card"));
    Click(chooser, IDC_DELETE_CATEGORY);
    Answer(L"Are you sure that you want to delete the:\nCalling Card\ncategory?", IDYES);
    chooser = NextChooser();
    auto left = ComboItems(GetDlgItem(chooser, IDC_CATEGORY));
    EXPECT_EQ(std::find(left.begin(), left.end(), L"Calling Card"), left.end());
    EXPECT_NE(std::find(left.begin(), left.end(), L"Bank"), left.end());
    Click(chooser, IDCANCEL);
    WaitGone(chooser);
    ASSERT_TRUE(WaitFor([&] { return ComboItems(FilterBox()).size() == 12u; }));  // "All" and eleven
    Close();

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
    Click(chooser, IDC_EDIT_CATEGORY);
    HWND edit = WaitForDialog(program->Id(), L"Edit Category");
    ASSERT_NE(edit, nullptr);
    SetControlText(edit, IDC_CATEGORY_NAME, L"Renamed");
    Click(edit, IDCANCEL);
    WaitGone(edit);
    chooser = NextChooser();
    Click(chooser, IDCANCEL);
    WaitGone(chooser);
    Close();
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
    SetControlText(prompt, IDC_PASSWORD, L"right password");
    Click(prompt, IDOK);
    WaitGone(prompt);

    HWND chooser = OpenChooser();
    ASSERT_TRUE(SelectEntry(chooser, IDC_CATEGORY, L"Bank"));
    Click(chooser, IDC_EDIT_CATEGORY);
    HWND edit = WaitForDialog(program->Id(), L"Edit Category");
    ASSERT_TRUE(Checked(edit, IDC_PROTECT_CATEGORY));
    Click(edit, IDC_PROTECT_CATEGORY);
    ASSERT_TRUE(WaitFor([&] { return !Checked(edit, IDC_PROTECT_CATEGORY); }));
    Click(edit, IDOK);  // unlocked: no password prompt
    WaitGone(edit);
    chooser = NextChooser();
    Click(chooser, IDCANCEL);
    WaitGone(chooser);
    Close();

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
    ASSERT_TRUE(SelectEntry(chooser, IDC_CATEGORY, L"Bank"));
    Click(chooser, IDC_EDIT_CATEGORY);
    HWND edit = WaitForDialog(program->Id(), L"Edit Category");
    ASSERT_FALSE(Checked(edit, IDC_PROTECT_CATEGORY));
    Click(edit, IDC_PROTECT_CATEGORY);
    ASSERT_TRUE(WaitFor([&] { return Checked(edit, IDC_PROTECT_CATEGORY); }));

    // Cancelling the prompt, then a wrong password given up, keep the dialog open.
    Click(edit, IDOK);
    HWND prompt = WaitForDialog(program->Id(), L"Unable to add password protection.");
    ASSERT_NE(prompt, nullptr);
    Click(prompt, IDCANCEL);
    WaitGone(prompt);
    ASSERT_TRUE(IsWindow(edit));
    Click(edit, IDOK);
    prompt = WaitForDialog(program->Id(), L"Unable to add password protection.");
    SetControlText(prompt, IDC_PASSWORD, L"wrong");
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
    SetControlText(prompt, IDC_PASSWORD, L"right password");
    Click(prompt, IDOK);
    WaitGone(edit);
    chooser = NextChooser();
    Click(chooser, IDCANCEL);
    WaitGone(chooser);
    Close();

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
    PostMessageW(main, WM_COMMAND, IDM_PREFERENCES, 0);
    HWND dialog = WaitForDialog(program->Id(), L"Auto Lockout");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ControlText(dialog, IDC_VISIBLE_COLUMNS), L"6");
    EXPECT_EQ(ControlText(dialog, IDC_LOCKOUT_MINUTES), L"5");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_LOCKOUT_MINUTES)));
    // The arrow keys change the read-only numbers and stop at the ends.
    HWND columns = GetDlgItem(dialog, IDC_VISIBLE_COLUMNS);
    PressKeys(columns, VK_UP, 2);
    PressKeys(columns, VK_DOWN, 9);
    ASSERT_TRUE(WaitFor([&] { return ControlText(dialog, IDC_VISIBLE_COLUMNS) == L"1"; }));
    PressKeys(columns, VK_UP, 2);
    ASSERT_TRUE(WaitFor([&] { return ControlText(dialog, IDC_VISIBLE_COLUMNS) == L"3"; }));
    SendMessageW(columns, WM_CHAR, L'5', 0);  // cannot be typed
    EXPECT_EQ(ControlText(dialog, IDC_VISIBLE_COLUMNS), L"3");
    Click(dialog, IDC_LOCKOUT_ENABLE);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowEnabled(GetDlgItem(dialog, IDC_LOCKOUT_MINUTES)); }));
    bool flags[5];
    for (int i = 0; i < 5; ++i) {
        flags[i] = !Checked(dialog, kFlagBoxes[i]);
        Click(dialog, kFlagBoxes[i]);
    }
    ASSERT_TRUE(WaitFor([&] { return Checked(dialog, kFlagBoxes[4]) == flags[4]; }));
    Click(dialog, IDOK);
    WaitGone(dialog);
    HWND header = FindWindowExW(GetDlgItem(main, IDC_RECORD_LIST), nullptr, WC_HEADERW, nullptr);
    EXPECT_TRUE(WaitFor([&] { return SendMessageW(header, HDM_GETITEMCOUNT, 0, 0) == 4; }));  // icon and three

    // Off, the minutes show 5 greyed; switching it on again stores 5.
    PostMessageW(main, WM_COMMAND, IDM_PREFERENCES, 0);
    dialog = WaitForDialog(program->Id(), L"Auto Lockout");
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(Checked(dialog, IDC_LOCKOUT_ENABLE));
    EXPECT_EQ(ControlText(dialog, IDC_LOCKOUT_MINUTES), L"5");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_LOCKOUT_MINUTES)));
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
    PostMessageW(main, WM_COMMAND, IDM_PREFERENCES, 0);
    dialog = WaitForDialog(program->Id(), L"Auto Lockout");
    Click(dialog, IDC_LOCKOUT_ENABLE);
    ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(GetDlgItem(dialog, IDC_LOCKOUT_MINUTES)) != 0; }));
    PressKeys(GetDlgItem(dialog, IDC_LOCKOUT_MINUTES), VK_DOWN, 9);  // stops at 1
    ASSERT_TRUE(WaitFor([&] { return ControlText(dialog, IDC_LOCKOUT_MINUTES) == L"1"; }));
    PressKeys(GetDlgItem(dialog, IDC_LOCKOUT_MINUTES), VK_UP, 4);
    ASSERT_TRUE(WaitFor([&] { return ControlText(dialog, IDC_LOCKOUT_MINUTES) == L"5"; }));
    Click(dialog, IDOK);
    WaitGone(dialog);
    Close();
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
    HWND list = GetDlgItem(main, IDC_RECORD_LIST);
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
    PostMessageW(main, WM_COMMAND, IDM_PREFERENCES, 0);
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
    Click(dialog, IDC_ODD_COLOUR);
    HWND palette = WaitForDialog(program->Id(), L"Custom");
    ASSERT_NE(palette, nullptr);
    EXPECT_TRUE(inWorkArea(palette));
    Click(palette, IDC_CUSTOM_COLOUR);
    HWND custom = WaitForDialog(program->Id(), L"255");
    ASSERT_NE(custom, nullptr);
    EXPECT_TRUE(inWorkArea(custom));
    Click(custom, IDCANCEL);
    WaitGone(custom);
    ClickCell(palette, 7);
    Click(palette, IDOK);
    WaitGone(palette);
    PressKeys(GetDlgItem(dialog, IDC_VISIBLE_COLUMNS), VK_DOWN);
    Click(dialog, IDCANCEL);
    WaitGone(dialog);
    ASSERT_TRUE(WaitForScreen(main));  // with whatever Cancel painted
    auto colours = ListColours(main);
    EXPECT_EQ(colours.count(RGB(255, 180, 180)), 0u);
    EXPECT_EQ(colours.count(RGB(255, 255, 255)), 1u);
    Close();
    StoredRecords stored(data.DatabasePath());
    const ProfileSettings& p = stored.settings->Active();
    EXPECT_EQ(p.oddRowColour[0], 255);
    EXPECT_EQ(p.oddRowColour[1], 255);
    EXPECT_EQ(stored.settings->desktop.visibleDataColumns, 6);
}

TEST_F(CategoryAndPreferenceTest, PaletteAndCustomColoursPaintTheRows) {
    Start([](TestDatabase& db) { db.Add(u"Bank", {u"Alpha Bank", u"111"}); });
    PostMessageW(main, WM_COMMAND, IDM_PREFERENCES, 0);
    HWND dialog = WaitForDialog(program->Id(), L"Auto Lockout");
    ASSERT_NE(dialog, nullptr);

    // Odd rows: a fixed colour; clicking cells and the arrow keys only move
    // the selection until OK: cell 3, then one down is cell 7.
    Click(dialog, IDC_ODD_COLOUR);
    HWND palette = WaitForDialog(program->Id(), L"Custom");
    ASSERT_NE(palette, nullptr);
    ClickCell(palette, 3);
    PressKeys(GetDlgItem(palette, IDC_CUSTOM_COLOUR), VK_DOWN);
    PressKeys(GetDlgItem(palette, IDC_CUSTOM_COLOUR), VK_LEFT);
    PressKeys(GetDlgItem(palette, IDC_CUSTOM_COLOUR), VK_RIGHT);
    ASSERT_TRUE(Handled());
    ASSERT_TRUE(IsWindow(palette));
    Click(palette, IDOK);
    WaitGone(palette);

    // Even rows: a custom colour made with the keyboard on the sliders; a
    // first try is cancelled and changes nothing.
    Click(dialog, IDC_EVEN_COLOUR);
    palette = WaitForDialog(program->Id(), L"Custom");
    ASSERT_NE(palette, nullptr);
    Click(palette, IDC_CUSTOM_COLOUR);
    HWND custom = WaitForDialog(program->Id(), L"255");
    ASSERT_NE(custom, nullptr);
    PressKeys(GetDlgItem(custom, IDC_RED_SLIDER), VK_HOME);
    ASSERT_TRUE(WaitFor([&] { return ControlText(custom, IDC_RED_VALUE) == L"0"; }));
    Click(custom, IDCANCEL);
    WaitGone(custom);
    Click(palette, IDC_CUSTOM_COLOUR);
    custom = WaitForDialog(program->Id(), L"255");
    ASSERT_NE(custom, nullptr);
    EXPECT_EQ(ControlText(custom, IDC_RED_VALUE), L"255");  // white again: the cancel kept nothing
    PressKeys(GetDlgItem(custom, IDC_RED_SLIDER), VK_HOME);           // red 0
    PressKeys(GetDlgItem(custom, IDC_GREEN_SLIDER), VK_LEFT, 5);        // green 250
    PressKeys(GetDlgItem(custom, IDC_BLUE_SLIDER), VK_PRIOR);          // blue a page down
    ASSERT_TRUE(WaitFor([&] { return ControlText(custom, IDC_GREEN_VALUE) == L"250"; }));
    ASSERT_TRUE(WaitFor([&] { return ControlText(custom, IDC_BLUE_VALUE) != L"255"; }));
    int blue = std::stoi(ControlText(custom, IDC_BLUE_VALUE));
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
    Close();
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
