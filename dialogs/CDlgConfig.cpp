#include "dialogs/CDlgConfig.h"

#include "dialogs/framework/Messages.h"
#include "model/Database.h"
#include "res/resource.h"
#include "storage/Settings.h"

#include <commctrl.h>

namespace {

constexpr int kDefaultLockoutMinutes = 5;

struct FlagBox {
    int id;
    bool Preferences::*flag;
};
constexpr FlagBox kFlagBoxes[] = {
    {IDC_NO_PASSWORD_WARNING, &Preferences::showNoPasswordWarning},
    {IDC_PROMPT_ON_OPEN, &Preferences::promptPasswordOnOpen},
    {IDC_CLEARTEXT_PASSWORDS, &Preferences::cleartextPasswordEntry},
    {IDC_URLS_AS_LINKS, &Preferences::showUrlsAsHyperlinks},
    {IDC_PER_CATEGORY_WIDTHS, &Preferences::perCategoryColumnWidths},
};

bool Checked(HWND window, int id) { return IsDlgButtonChecked(window, id) == BST_CHECKED; }

void SetSpin(HWND window, int id, int low, int high, int position) {
    SendDlgItemMessageW(window, id, UDM_SETRANGE32, low, high);
    SendDlgItemMessageW(window, id, UDM_SETPOS32, 0, position);
}

int SpinPosition(HWND window, int id) { return static_cast<int>(SendDlgItemMessageW(window, id, UDM_GETPOS32, 0, 0)); }

}  // namespace

CDlgConfig::CDlgConfig(CDatabase& open)
    : CqrDialog(IDD_PREFERENCES, L"Preferences.html"), database(open), values(LoadPreferences(*open.settings)) {}

void CDlgConfig::EnableMinutes(bool enable) {
    for (int id : {IDC_LOCKOUT_MINUTES, IDC_LOCKOUT_MINUTES_SPIN, IDC_LOCKOUT_MINUTES_LABEL})
        EnableWindow(GetDlgItem(hwnd, id), enable);
}

bool CDlgConfig::OnInitDialog() {
    oddColourButton.Attach(hwnd, IDC_ODD_COLOUR, values.oddRowColour);
    evenColourButton.Attach(hwnd, IDC_EVEN_COLOUR, values.evenRowColour);
    SetSpin(hwnd, IDC_VISIBLE_COLUMNS_SPIN, 1, 6, values.visibleDataColumns);
    bool lockout = values.lockoutMinutes > 0;
    SetSpin(hwnd, IDC_LOCKOUT_MINUTES_SPIN, 1, 99, lockout ? values.lockoutMinutes : kDefaultLockoutMinutes);
    CheckDlgButton(hwnd, IDC_LOCKOUT_ENABLE, lockout ? BST_CHECKED : BST_UNCHECKED);
    EnableMinutes(lockout);
    for (const FlagBox& box : kFlagBoxes) CheckDlgButton(hwnd, box.id, values.*box.flag ? BST_CHECKED : BST_UNCHECKED);
    return true;
}

void CDlgConfig::ReadControls() {
    values.visibleDataColumns = LOWORD(SpinPosition(hwnd, IDC_VISIBLE_COLUMNS_SPIN));
    values.lockoutMinutes = Checked(hwnd, IDC_LOCKOUT_ENABLE) ? SpinPosition(hwnd, IDC_LOCKOUT_MINUTES_SPIN) : -1;
    for (const FlagBox& box : kFlagBoxes) values.*box.flag = Checked(hwnd, box.id);
}

bool CDlgConfig::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return false;
    switch (id) {
        case IDC_LOCKOUT_ENABLE: EnableMinutes(Checked(hwnd, IDC_LOCKOUT_ENABLE)); return true;
        case IDC_ODD_COLOUR:
            if (oddColourButton.Pick()) values.oddRowColour = oddColourButton.colour;
            return true;
        case IDC_EVEN_COLOUR:
            if (evenColourButton.Pick()) values.evenRowColour = evenColourButton.colour;
            return true;
        default: return false;
    }
}

bool CDlgConfig::OnDrawItem(int id, const DRAWITEMSTRUCT& item) {
    if (id == IDC_ODD_COLOUR) oddColourButton.Draw(item);
    if (id == IDC_EVEN_COLOUR) evenColourButton.Draw(item);
    return true;
}

bool CDlgConfig::Apply() {
    ReadControls();
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    bool stored = ApplyPreferences(values, *database.settings, database.categories, database.file);
    SetCursor(previous);
    // The preferences are in use now, whether or not the file took them.
    if (!stored) ShowWriteFailure(hwnd, database);
    return true;
}
