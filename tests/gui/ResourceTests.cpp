// Checks the compiled resources as the program uses them: every dialog
// template can be created with its controls in tab order, the menu, the whole
// string table, the bitmaps, the icon and the category icon files.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "res/Product.h"
#include "res/resource.h"

namespace {

HINSTANCE Module() { return GetModuleHandleW(nullptr); }

INT_PTR CALLBACK TrivialDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

class ResourceTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX init{sizeof(init), ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS | ICC_BAR_CLASSES};
        InitCommonControlsEx(&init);
    }
};

// A dialog made from a template for one test, destroyed at the end.
class Dialog {
public:
    explicit Dialog(int templateId)
        : hwnd_(CreateDialogParamW(Module(), MAKEINTRESOURCEW(templateId), nullptr, TrivialDialogProc, 0)) {}
    ~Dialog() {
        if (hwnd_) DestroyWindow(hwnd_);
    }
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    HWND get() const { return hwnd_; }

private:
    HWND hwnd_;
};

std::wstring WindowText(HWND hwnd) {
    wchar_t buffer[512];
    int n = GetWindowTextW(hwnd, buffer, 512);
    return std::wstring(buffer, n > 0 ? n : 0);
}

std::wstring ClassName(HWND hwnd) {
    wchar_t buffer[64];
    int n = GetClassNameW(hwnd, buffer, 64);
    return std::wstring(buffer, n > 0 ? n : 0);
}

// The key of a text's "&" mnemonic (upper case), or 0.
wchar_t MnemonicKey(const std::wstring& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != L'&') continue;
        if (text[i + 1] != L'&') return static_cast<wchar_t>(towupper(text[i + 1]));
        ++i;
    }
    return 0;
}

// The ids of the dialog's children in creation (tab) order, leaving out the
// statics that have no id of their own.
std::vector<int> ChildIds(HWND dialog) {
    std::vector<int> ids;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        int id = GetDlgCtrlID(child);
        if (id != -1 && id != 0xFFFF) ids.push_back(id);
    }
    return ids;
}

std::wstring LoadResourceString(UINT id);

const std::wstring kNoticeCaption = L"" PRODUCT_NAME " " PRODUCT_COPYRIGHT;

struct DialogCase {
    int templateId;
    int width, height;  // dialog units
    const wchar_t* caption;
    bool closeBox;
    std::vector<int> controls;  // creation order
};

const DialogCase kDialogs[] = {
    {IDD_FIRST_RUN, 234, 82, kNoticeCaption.c_str(), false, {IDOK}},
    {IDD_EARLIER_VERSION, 344, 88, kNoticeCaption.c_str(), false, {IDC_DATABASE_PATH, IDOK}},
    {IDD_GET_STARTED, 200, 100, L"Getting Started", true, {IDC_GET_STARTED_ICON, IDOK, IDCANCEL}},
    {IDD_ABOUT, 209, 156, L"About Quorrel", true, {IDC_ABOUT_TITLE, IDC_ABOUT_EDITION, IDOK, IDC_ABOUT_PICTURE}},
    // Every label right before its control, for its mnemonic and for screen readers.
    {IDD_RECORD_EDIT, 306, 194, L"Edit Record", true,
     {IDC_CATEGORY_LABEL, IDC_CATEGORY, IDC_FIELD1_LABEL, IDC_FIELD1, IDC_FIELD2_LABEL, IDC_FIELD2, IDC_FIELD3_LABEL,
      IDC_FIELD3, IDC_FIELD4_LABEL, IDC_FIELD4, IDC_FIELD5_LABEL, IDC_FIELD5, IDC_FIELD6_LABEL, IDC_FIELD6,
      IDC_NOTE_LABEL, IDC_NOTE, IDOK, IDCANCEL, IDC_GENERATE}},
    {IDD_PREFERENCES, 313, 136, L"Preferences", true,
     {IDC_ODD_COLOUR, IDC_EVEN_COLOUR, IDC_VISIBLE_COLUMNS, IDC_VISIBLE_COLUMNS_SPIN, IDC_URLS_AS_LINKS,
      IDC_PER_CATEGORY_WIDTHS, IDC_CLEARTEXT_PASSWORDS, IDC_PROMPT_ON_OPEN, IDC_NO_PASSWORD_WARNING,
      IDC_LOCKOUT_ENABLE, IDC_LOCKOUT_MINUTES_LABEL, IDC_LOCKOUT_MINUTES, IDC_LOCKOUT_MINUTES_SPIN, IDOK, IDCANCEL}},
    {IDD_COLOUR_PALETTE, 186, 104, L"", false, {IDC_CUSTOM_COLOUR, IDOK, IDCANCEL}},
    {IDD_COLOUR_CUSTOM, 116, 94, L"", false,
     {IDOK, IDCANCEL, IDC_RED_SLIDER, IDC_GREEN_SLIDER, IDC_BLUE_SLIDER, IDC_RED_VALUE, IDC_GREEN_VALUE,
      IDC_BLUE_VALUE, IDC_COLOUR_PREVIEW}},
    {IDD_PASSWORD, 186, 68, L"Enter Password", true,
     {IDC_PASSWORD_LABEL, IDC_PASSWORD, IDOK, IDCANCEL, IDC_PASSWORD_PROMPT}},
    {IDD_CHANGE_PASSWORD, 178, 103, L"Change Password", true,
     {IDC_OLD_PASSWORD_LABEL, IDC_OLD_PASSWORD, IDC_NEW_PASSWORD_LABEL, IDC_NEW_PASSWORD, IDC_CONFIRM_PASSWORD_LABEL,
      IDC_CONFIRM_PASSWORD, IDOK, IDCANCEL}},
    {IDD_NO_PASSWORD, 198, 80, L"No Password", true, {IDC_WARNING_ICON, IDC_SHOW_WARNING, IDOK}},
    {IDD_CATEGORY_SELECT, 120, 106, L"Category", true,
     {IDC_CATEGORY, IDC_EDIT_CATEGORY, IDC_DELETE_CATEGORY, IDC_NEW_CATEGORY, IDCANCEL}},
    {IDD_CATEGORY_EDIT, 225, 149, L"Edit Category", true,
     {IDC_CATEGORY_NAME_LABEL, IDC_CATEGORY_NAME, IDC_FIELD1_LABEL, IDC_FIELD1, IDC_PROTECT_CATEGORY, IDC_FIELD2_LABEL,
      IDC_FIELD2, IDC_FIELD3_LABEL, IDC_FIELD3, IDC_FIELD4_LABEL, IDC_FIELD4, IDC_FIELD5_LABEL, IDC_FIELD5,
      IDC_FIELD6_LABEL, IDC_FIELD6, IDC_CATEGORY_ICON, IDOK, IDCANCEL}},
    {IDD_GENERATE_PASSWORD, 290, 172, L"Generate Password", true,
     {IDC_GENERATED_LENGTH, IDC_GENERATED_LENGTH_SPIN, IDC_INCLUDE_UPPER, IDC_INCLUDE_LOWER, IDC_INCLUDE_DIGITS,
      IDC_INCLUDE_PUNCTUATION, IDC_GENERATE_NOW, IDC_GENERATED_PASSWORD, IDOK, IDCANCEL}},
};

TEST_F(ResourceTest, EveryDialogTemplateCreatesItsControlsInTabOrder) {
    for (const DialogCase& c : kDialogs) {
        SCOPED_TRACE(c.templateId);
        Dialog dialog(c.templateId);
        ASSERT_NE(dialog.get(), nullptr);
        EXPECT_EQ(ChildIds(dialog.get()), c.controls);
        EXPECT_EQ(WindowText(dialog.get()), c.caption);

        DWORD style = static_cast<DWORD>(GetWindowLongW(dialog.get(), GWL_STYLE));
        EXPECT_EQ((style & WS_SYSMENU) != 0, c.closeBox);

        // The client area is the template's size in this dialog's units.
        RECT expected{0, 0, c.width, c.height};
        MapDialogRect(dialog.get(), &expected);
        RECT client;
        GetClientRect(dialog.get(), &client);
        EXPECT_EQ(client.right, expected.right);
        EXPECT_EQ(client.bottom, expected.bottom);
    }
}

// Each edit has its label right before it (the control a label's mnemonic
// reaches, and the name screen readers give the edit), and within a dialog no
// two controls share a mnemonic. Labels left empty are written by the code.
TEST_F(ResourceTest, EveryEditHasAMnemonicLabelRightBeforeIt) {
    for (const DialogCase& c : kDialogs) {
        SCOPED_TRACE(c.templateId);
        Dialog dialog(c.templateId);
        ASSERT_NE(dialog.get(), nullptr);
        std::set<wchar_t> keys;
        HWND previous = nullptr;
        for (HWND child = GetWindow(dialog.get(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            std::wstring className = ClassName(child);
            DWORD style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
            bool mayHaveKey = _wcsicmp(className.c_str(), L"Static") == 0 ? !(style & SS_NOPREFIX)
                                                                         : _wcsicmp(className.c_str(), L"Button") == 0;
            if (wchar_t key = mayHaveKey ? MnemonicKey(WindowText(child)) : 0) {
                EXPECT_TRUE(keys.insert(key).second) << "twice: " << static_cast<char>(key);
            }
            if (_wcsicmp(className.c_str(), L"Edit") == 0) {
                SCOPED_TRACE(GetDlgCtrlID(child));
                ASSERT_NE(previous, nullptr);
                EXPECT_EQ(_wcsicmp(ClassName(previous).c_str(), L"Static"), 0);
                std::wstring label = WindowText(previous);
                if (!label.empty()) {
                    EXPECT_NE(MnemonicKey(label), 0) << "no mnemonic";
                }
            }
            previous = child;
        }
    }
}

// Every text fits its control at this display's DPI, templates and the texts
// the code writes into them: a word cut off or a label running under the
// next control would be lost to the user.
TEST_F(ResourceTest, NoControlTextIsWiderThanItsControl) {
    struct RunTimeText {
        int templateId, controlId;
        UINT stringId;           // 0: the text below
        const wchar_t* text;
    };
    const RunTimeText runTime[] = {
        {IDD_RECORD_EDIT, IDC_FIELD1_LABEL, 0, L"&Description:"},
        {IDD_RECORD_EDIT, IDC_FIELD2_LABEL, 0, L"&Application:"},
        {IDD_PASSWORD, IDC_PASSWORD_PROMPT, 41115, nullptr},
        {IDD_PASSWORD, IDC_PASSWORD_PROMPT, 40015, nullptr},
        {IDD_PASSWORD, IDC_PASSWORD_PROMPT, 40031, nullptr},
        {IDD_PASSWORD, IDC_PASSWORD_PROMPT, 40032, nullptr},
    };
    auto fits = [](HWND control, const std::wstring& text) -> std::wstring {
        if (text.empty()) return L"";
        DWORD style = static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE));
        std::wstring className = ClassName(control);
        bool isButton = _wcsicmp(className.c_str(), L"Button") == 0;
        bool isStatic = _wcsicmp(className.c_str(), L"Static") == 0;
        if (!isButton && !isStatic) return L"";
        if (isButton && (style & 0x0F) == BS_OWNERDRAW) return L"";  // draws no text
        if (isStatic && (style & SS_TYPEMASK) > SS_RIGHT && (style & SS_TYPEMASK) != SS_LEFTNOWORDWRAP) return L"";
        RECT client;
        GetClientRect(control, &client);
        HDC dc = GetDC(control);
        HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
        int dpi = GetDeviceCaps(dc, LOGPIXELSX);
        auto scaled = [dpi](int pixels) { return MulDiv(pixels, dpi, 96); };
        UINT flags = DT_CALCRECT | ((style & SS_NOPREFIX) && isStatic ? DT_NOPREFIX : 0);
        int room = client.right;
        DWORD kind = style & 0x0F;
        if (isButton && (kind == BS_AUTOCHECKBOX || kind == BS_CHECKBOX || kind == BS_AUTORADIOBUTTON))
            room -= scaled(13 + 4);  // the box and the gap before the text
        else if (isButton && kind == BS_GROUPBOX)
            room -= scaled(10);
        else if (isButton)
            room -= scaled(6);  // the button's edges
        bool wraps = (isStatic && (style & SS_TYPEMASK) != SS_LEFTNOWORDWRAP) || (isButton && (style & BS_MULTILINE));
        RECT need = {0, 0, room, 0};
        DrawTextW(dc, text.c_str(), -1, &need, flags | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
        SelectObject(dc, previous);
        ReleaseDC(control, dc);
        bool tooTall = wraps && kind != BS_GROUPBOX && need.bottom > client.bottom;
        if (need.right <= room && !tooTall) return L"";
        return text + L": needs " + std::to_wstring(need.right) + L"x" + std::to_wstring(need.bottom) + L", has " +
               std::to_wstring(room) + L"x" + std::to_wstring(client.bottom);
    };
    for (const DialogCase& c : kDialogs) {
        SCOPED_TRACE(c.templateId);
        Dialog dialog(c.templateId);
        ASSERT_NE(dialog.get(), nullptr);
        for (HWND child = GetWindow(dialog.get(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            std::wstring problem = fits(child, WindowText(child));
            EXPECT_EQ(problem, L"") << GetDlgCtrlID(child);
        }
        for (const RunTimeText& t : runTime) {
            if (t.templateId != c.templateId) continue;
            std::wstring text = t.text ? t.text : LoadResourceString(t.stringId);
            std::wstring problem = fits(GetDlgItem(dialog.get(), t.controlId), text);
            EXPECT_EQ(problem, L"") << t.controlId;
        }
    }
}

TEST_F(ResourceTest, DialogFramesFollowTheirRoles) {
    struct FrameCase {
        int templateId;
        DWORD present, absent;
    };
    const FrameCase cases[] = {
        // The palette is a bare popup; the slider dialog has a frame but no caption.
        {IDD_COLOUR_PALETTE, WS_POPUP, WS_CAPTION | DS_MODALFRAME | WS_BORDER},
        {IDD_COLOUR_CUSTOM, WS_POPUP | DS_MODALFRAME, WS_CAPTION},
        {IDD_FIRST_RUN, WS_CAPTION | DS_MODALFRAME, WS_SYSMENU},
        {IDD_EARLIER_VERSION, WS_CAPTION | DS_MODALFRAME, WS_SYSMENU},
        {IDD_RECORD_EDIT, WS_CAPTION | DS_MODALFRAME | WS_SYSMENU, 0},
    };
    for (const FrameCase& c : cases) {
        SCOPED_TRACE(c.templateId);
        Dialog dialog(c.templateId);
        ASSERT_NE(dialog.get(), nullptr);
        DWORD style = static_cast<DWORD>(GetWindowLongW(dialog.get(), GWL_STYLE));
        EXPECT_EQ(style & c.present, c.present);
        EXPECT_EQ(style & c.absent, 0);
    }
}

TEST_F(ResourceTest, ControlsHaveTheClassesStylesAndTextsTheCodeRelyOn) {
    struct ControlCase {
        int templateId, controlId;
        const wchar_t* className;
        DWORD styleBits;             // all must be set
        DWORD styleMask, styleValue;  // (style & mask) == value
        const wchar_t* text;       // null: not checked
    };
    const ControlCase cases[] = {
        {IDD_RECORD_EDIT, IDC_GENERATE, L"Button", BS_MULTILINE, 0, 0, L"&Generate\nPassword ..."},
        {IDD_RECORD_EDIT, IDC_CATEGORY, L"ComboBox", CBS_SORT, 3, CBS_DROPDOWNLIST, nullptr},
        {IDD_RECORD_EDIT, IDC_NOTE, L"Edit", ES_MULTILINE | ES_WANTRETURN | WS_VSCROLL, 0, 0, nullptr},
        {IDD_RECORD_EDIT, IDC_FIELD1, L"Edit", ES_AUTOHSCROLL, ES_PASSWORD, 0, nullptr},
        {IDD_CATEGORY_EDIT, IDC_CATEGORY_ICON, L"ComboBox", CBS_OWNERDRAWFIXED, CBS_HASSTRINGS | 3,
         CBS_DROPDOWNLIST, nullptr},
        {IDD_CATEGORY_EDIT, IDC_PROTECT_CATEGORY, L"Button", 0, 0x0F, BS_AUTOCHECKBOX,
         L"Password protect data in this category for the following fields:"},
        {IDD_CATEGORY_SELECT, IDC_CATEGORY, L"ComboBox", CBS_SORT, 3, CBS_DROPDOWNLIST, nullptr},
        // No default button in the chooser: Enter means "no action".
        {IDD_CATEGORY_SELECT, IDC_EDIT_CATEGORY, L"Button", 0, 0x0F, BS_PUSHBUTTON, L"&Edit"},
        {IDD_CATEGORY_SELECT, IDCANCEL, L"Button", 0, 0x0F, BS_PUSHBUTTON, L"&Close"},
        {IDD_PASSWORD, IDC_PASSWORD, L"Edit", ES_PASSWORD | ES_AUTOHSCROLL, 0, 0, nullptr},
        {IDD_CHANGE_PASSWORD, IDC_OLD_PASSWORD, L"Edit", ES_PASSWORD, 0, 0, nullptr},
        {IDD_CHANGE_PASSWORD, IDC_NEW_PASSWORD, L"Edit", ES_PASSWORD, 0, 0, nullptr},
        {IDD_CHANGE_PASSWORD, IDC_CONFIRM_PASSWORD, L"Edit", ES_PASSWORD, 0, 0, L""},
        {IDD_CHANGE_PASSWORD, IDC_CONFIRM_PASSWORD_LABEL, L"Static", 0, 0, 0, L"&Confirm New Password"},
        {IDD_PREFERENCES, IDC_ODD_COLOUR, L"Button", 0, 0x0F, BS_OWNERDRAW, nullptr},
        {IDD_PREFERENCES, IDC_EVEN_COLOUR, L"Button", 0, 0x0F, BS_OWNERDRAW, nullptr},
        {IDD_PREFERENCES, IDC_VISIBLE_COLUMNS, L"Edit", ES_READONLY | ES_NUMBER, 0, 0, nullptr},
        {IDD_PREFERENCES, IDC_LOCKOUT_MINUTES_SPIN, UPDOWN_CLASSW,
         UDS_AUTOBUDDY | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_ALIGNRIGHT, 0, 0, nullptr},
        {IDD_PREFERENCES, IDC_NO_PASSWORD_WARNING, L"Button", 0, 0x0F, BS_AUTOCHECKBOX,
         L"Show \"No Password\" warning"},
        {IDD_COLOUR_CUSTOM, IDC_GREEN_SLIDER, TRACKBAR_CLASSW, TBS_NOTICKS, 0, 0, nullptr},
        {IDD_COLOUR_CUSTOM, IDC_BLUE_VALUE, L"Static", 0, 0, 0, L"255"},
        {IDD_GENERATE_PASSWORD, IDC_GENERATED_PASSWORD, L"Static", SS_NOPREFIX, 0, 0, nullptr},
        {IDD_GENERATE_PASSWORD, IDC_GENERATED_LENGTH, L"Edit", ES_READONLY | ES_NUMBER, 0, 0, nullptr},
        {IDD_GENERATE_PASSWORD, IDC_INCLUDE_PUNCTUATION, L"Button", 0, 0x0F, BS_AUTOCHECKBOX,
         L"Include Punctuation Characters"},
        {IDD_NO_PASSWORD, IDC_WARNING_ICON, L"Static", 0, WS_VISIBLE, 0, nullptr},
        {IDD_NO_PASSWORD, IDC_SHOW_WARNING, L"Button", 0, 0x0F, BS_AUTOCHECKBOX, L"Show this warning in the future."},
        {IDD_GET_STARTED, IDC_GET_STARTED_ICON, L"Static", 0, WS_VISIBLE, 0, nullptr},
        {IDD_GET_STARTED, IDOK, L"Button", 0, 0x0F, BS_DEFPUSHBUTTON, L"&Yes"},
        {IDD_COLOUR_CUSTOM, IDC_COLOUR_PREVIEW, L"Static", 0, WS_VISIBLE, 0, nullptr},
        {IDD_EARLIER_VERSION, IDC_DATABASE_PATH, L"Static", SS_CENTER | SS_NOPREFIX, 0, 0, nullptr},
        {IDD_ABOUT, IDC_ABOUT_EDITION, L"Static", SS_CENTER, 0, 0, L"" PRODUCT_EDITION},
    };
    for (const ControlCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.templateId << " / " << c.controlId);
        Dialog dialog(c.templateId);
        HWND control = GetDlgItem(dialog.get(), c.controlId);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(_wcsicmp(ClassName(control).c_str(), c.className), 0) << "class";
        DWORD style = static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE));
        EXPECT_EQ(style & c.styleBits, c.styleBits);
        EXPECT_EQ(style & c.styleMask, c.styleValue);
        if (c.text) {
            EXPECT_EQ(WindowText(control), c.text);
        }
    }
}

TEST_F(ResourceTest, UpDownControlsTakeTheEditBeforeThemAsBuddy) {
    const struct {
        int templateId, spin, buddy;
    } cases[] = {
        {IDD_PREFERENCES, IDC_VISIBLE_COLUMNS_SPIN, IDC_VISIBLE_COLUMNS},
        {IDD_PREFERENCES, IDC_LOCKOUT_MINUTES_SPIN, IDC_LOCKOUT_MINUTES},
        {IDD_GENERATE_PASSWORD, IDC_GENERATED_LENGTH_SPIN, IDC_GENERATED_LENGTH},
    };
    for (const auto& c : cases) {
        Dialog dialog(c.templateId);
        HWND spin = GetDlgItem(dialog.get(), c.spin);
        ASSERT_NE(spin, nullptr);
        EXPECT_EQ(reinterpret_cast<HWND>(SendMessageW(spin, UDM_GETBUDDY, 0, 0)), GetDlgItem(dialog.get(), c.buddy));
    }
}

TEST_F(ResourceTest, StaticTextsKeepQuotesAndLineBreaks) {
    Dialog dialog(IDD_GET_STARTED);
    std::set<std::wstring> texts;
    for (HWND child = GetWindow(dialog.get(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        texts.insert(WindowText(child));
    EXPECT_EQ(texts.count(L"Welcome to Quorrel\nWould you like to view the \"Introduction\" help topic now?"), 1u);
    EXPECT_EQ(texts.count(L"If you choose not to view it at this time, you can always view it later by choosing "
                          L"the \"Contents\" item from the \"Help\" menu."),
              1u);
}

TEST_F(ResourceTest, MainMenuListsEveryCommand) {
    struct Item {
        UINT id;  // 0: separator
        const wchar_t* text;
    };
    struct Popup {
        const wchar_t* title;
        std::vector<Item> items;
    };
    const std::vector<Popup> expected = {
        {L"&File",
         {{IDM_LOCK, L"&Lock Data\tCtrl+L"}, {IDM_PASSWORD, L"Add &Password ..."}, {0, nullptr}, {IDM_IMPORT, L"&Import ..."},
          {IDM_EXPORT, L"&Export ..."}, {0, nullptr}, {IDM_SYNCHRONIZE, L"&Synchronize PDA"}, {0, nullptr},
          {IDM_EXIT, L"E&xit"}}},
        {L"&Edit",
         {{IDM_NEW_RECORD, L"&New Record ...\tCtrl+N"}, {IDM_EDIT_RECORD, L"&Edit Selected Record ...\tEnter"},
          {IDM_DELETE_RECORD, L"&Delete Selected Record\tDel"}, {0, nullptr}, {IDM_FIND, L"&Find\tCtrl+F"},
          {0, nullptr}, {IDM_CATEGORIES, L"&Categories ..."}, {0, nullptr}, {IDM_PREFERENCES, L"&Preferences ..."}}},
        {L"&Help", {{IDM_HELP_CONTENTS, L"&Contents"}, {0, nullptr}, {IDM_ABOUT, L"&About ..."}}},
    };

    HMENU menu = LoadMenuW(Module(), MAKEINTRESOURCEW(IDM_MAIN));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), static_cast<int>(expected.size()));
    wchar_t text[128];
    for (size_t p = 0; p < expected.size(); ++p) {
        GetMenuStringW(menu, static_cast<UINT>(p), text, 128, MF_BYPOSITION);
        EXPECT_STREQ(text, expected[p].title);
        HMENU popup = GetSubMenu(menu, static_cast<int>(p));
        ASSERT_NE(popup, nullptr);
        ASSERT_EQ(GetMenuItemCount(popup), static_cast<int>(expected[p].items.size())) << expected[p].title;
        for (size_t i = 0; i < expected[p].items.size(); ++i) {
            const Item& item = expected[p].items[i];
            SCOPED_TRACE(testing::Message() << "item " << i << " of " << p);
            MENUITEMINFOW info{};
            info.cbSize = sizeof(info);
            info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
            info.dwTypeData = text;
            info.cch = 128;
            ASSERT_TRUE(GetMenuItemInfoW(popup, static_cast<UINT>(i), TRUE, &info));
            if (item.id == 0) {
                EXPECT_TRUE(info.fType & MFT_SEPARATOR);
            } else {
                EXPECT_EQ(info.wID, item.id);
                EXPECT_STREQ(text, item.text);
            }
        }
    }
    DestroyMenu(menu);
}

struct StringEntry {
    UINT id;
    const wchar_t* text;
};

const StringEntry kStrings[] = {
#define QSTR(name, id, text) {id, L"" text},
#include "res/StringTable.def"
#undef QSTR
};

std::wstring LoadResourceString(UINT id) {
    const wchar_t* text = nullptr;
    // With a zero buffer size LoadStringW hands out the resource itself.
    int length = LoadStringW(Module(), id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? std::wstring(text, length) : std::wstring();
}

TEST_F(ResourceTest, StringTableHoldsEveryTextExactly) {
    for (const StringEntry& entry : kStrings) EXPECT_EQ(LoadResourceString(entry.id), entry.text) << entry.id;

    // Escapes and format fields survive the resource compiler.
    EXPECT_EQ(LoadResourceString(40020), L"You have entered an incorrect\npassword would you like to\ntry again?");
    wchar_t formatted[128];
    wchar_t format[128];
    ASSERT_GT(LoadStringW(Module(), 40049, format, 128), 0);
    wsprintfW(formatted, format, 4);
    EXPECT_STREQ(formatted, L"A password must be at least 4 characters long.");
}

TEST_F(ResourceTest, BitmapsHaveTheirSizes) {
    const struct {
        int id, width, height;
    } cases[] = {
        {IDB_HEADER_GLYPH, 12, 12},         {IDB_MISSING_ICON, 16, 16},        {IDB_ABOUT, 96, 44},
        {IDB_ABOUT_150, 144, 66},           {IDB_ABOUT_200, 192, 88},          {IDB_TOOLBAR, 168, 29},
        {IDB_TOOLBAR_DISABLED, 168, 29},    {IDB_TOOLBAR_150, 252, 44},        {IDB_TOOLBAR_DISABLED_150, 252, 44},
        {IDB_TOOLBAR_200, 336, 58},         {IDB_TOOLBAR_DISABLED_200, 336, 58},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        HBITMAP bitmap = LoadBitmapW(Module(), MAKEINTRESOURCEW(c.id));
        ASSERT_NE(bitmap, nullptr);
        BITMAP info{};
        GetObjectW(bitmap, sizeof(info), &info);
        EXPECT_EQ(info.bmWidth, c.width);
        EXPECT_EQ(info.bmHeight, c.height);
        DeleteObject(bitmap);
    }
}

// Reads pixels of a bitmap through a memory device context.
class PixelReader {
public:
    explicit PixelReader(HBITMAP bitmap) : dc_(CreateCompatibleDC(nullptr)), old_(SelectObject(dc_, bitmap)) {}
    ~PixelReader() {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
    }
    PixelReader(const PixelReader&) = delete;
    PixelReader& operator=(const PixelReader&) = delete;
    COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }

private:
    HDC dc_;
    HGDIOBJ old_;
};

TEST_F(ResourceTest, ToolbarStripsTurnTheirBackgroundIntoTheButtonFace) {
    // As the main window loads them: the colour-table entries are replaced,
    // which works only for palettised bitmaps. Each size has its own strip.
    const struct {
        int id, width, height;
    } strips[] = {
        {IDB_TOOLBAR, 28, 29},     {IDB_TOOLBAR_DISABLED, 28, 29},     {IDB_TOOLBAR_150, 42, 44},
        {IDB_TOOLBAR_DISABLED_150, 42, 44}, {IDB_TOOLBAR_200, 56, 58}, {IDB_TOOLBAR_DISABLED_200, 56, 58},
    };
    for (const auto& strip : strips) {
        SCOPED_TRACE(strip.id);
        auto bitmap = static_cast<HBITMAP>(LoadImageW(Module(), MAKEINTRESOURCEW(strip.id), IMAGE_BITMAP, 0, 0,
                                                      LR_CREATEDIBSECTION | LR_LOADTRANSPARENT | LR_LOADMAP3DCOLORS));
        ASSERT_NE(bitmap, nullptr);
        DIBSECTION dib{};
        ASSERT_EQ(GetObjectW(bitmap, sizeof(dib), &dib), static_cast<int>(sizeof(dib)));
        EXPECT_EQ(dib.dsBm.bmBitsPixel, 8);
        {
            PixelReader pixels(bitmap);
            const COLORREF face = GetSysColor(COLOR_BTNFACE);
            for (int cell = 0; cell < 6; ++cell) {
                const int left = cell * strip.width;
                EXPECT_EQ(pixels.At(left, 0), face) << "cell " << cell;
                EXPECT_EQ(pixels.At(left + strip.width - 1, strip.height - 1), face) << "cell " << cell;
                int art = 0;
                for (int y = 0; y < strip.height; ++y)
                    for (int x = left; x < left + strip.width; ++x) art += pixels.At(x, y) != face;
                EXPECT_GT(art, strip.width * strip.height / 8) << "cell " << cell << " is (nearly) empty";
            }
        }
        DeleteObject(bitmap);
    }
}

// The manifest asks for per-monitor DPI awareness (v2, with the older
// systems' "true/pm"), so that Windows does not stretch the program's picture.
TEST_F(ResourceTest, ManifestDeclaresPerMonitorDpiAwareness) {
    HRSRC found = FindResourceW(Module(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
    ASSERT_NE(found, nullptr);
    auto text = static_cast<const char*>(LockResource(LoadResource(Module(), found)));
    ASSERT_NE(text, nullptr);
    std::string manifest(text, SizeofResource(Module(), found));
    EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos);
    EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos);
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
}

TEST_F(ResourceTest, ProgramIconHoldsThreeSizes) {
    HRSRC found = FindResourceW(Module(), MAKEINTRESOURCEW(IDI_QUORREL), MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
    ASSERT_NE(found, nullptr);
    auto directory = static_cast<const BYTE*>(LockResource(LoadResource(Module(), found)));
    ASSERT_NE(directory, nullptr);
    // GRPICONDIR: reserved, type, count; then 14-byte entries starting with the width.
    const WORD count = *reinterpret_cast<const WORD*>(directory + 4);
    std::set<int> widths;
    for (WORD i = 0; i < count; ++i) widths.insert(directory[6 + 14 * i]);
    EXPECT_EQ(widths, (std::set<int>{16, 32, 48}));

    for (int size : {16, 32, 48}) {
        auto icon = static_cast<HICON>(LoadImageW(Module(), MAKEINTRESOURCEW(IDI_QUORREL), IMAGE_ICON, size, size, 0));
        EXPECT_NE(icon, nullptr) << size;
        if (icon) DestroyIcon(icon);
    }
}

std::wstring ExecutableFolder() {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, n);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

TEST_F(ResourceTest, DefaultCategoryIconsLoadAsTransparentSixteenPixelBitmaps) {
    // The build copies res/icons beside this program; the names come from the
    // string table, as the default categories take them.
    for (UINT id = 50100; id <= 50111; ++id) {
        const std::wstring name = LoadResourceString(id);
        SCOPED_TRACE(std::string(name.begin(), name.end()));
        const std::wstring path = ExecutableFolder() + L"icons\\" + name + L".bmp";
        auto bitmap = static_cast<HBITMAP>(LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
        ASSERT_NE(bitmap, nullptr);
        BITMAP info{};
        GetObjectW(bitmap, sizeof(info), &info);
        EXPECT_EQ(info.bmWidth, 16);
        EXPECT_EQ(info.bmHeight, 16);
        {
            // The top-left pixel is the transparent colour: it frames the art
            // and the art itself does not use it.
            PixelReader pixels(bitmap);
            const COLORREF key = pixels.At(0, 0);
            int art = 0;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x) art += pixels.At(x, y) != key;
            EXPECT_GT(art, 60);
            EXPECT_LT(art, 256 - 4);
            EXPECT_EQ(pixels.At(15, 15), key);
        }
        DeleteObject(bitmap);
    }
}

}  // namespace
