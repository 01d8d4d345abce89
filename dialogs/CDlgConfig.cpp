#include "dialogs/CDlgConfig.h"

#include "app/Application.h"
#include "dialogs/framework/Messages.h"
#include "model/win32/DataFolder.h"
#include "res/resource.h"
#include "storage/CxFile.h"
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

CDlgConfig::CDlgConfig(CCategories* categoryList)
    : CqrDialog(IDD_PREFERENCES, L"Preferences.html"),
      categories(categoryList),
      values(LoadPreferences(*theSettings)) {}

void CDlgConfig::EnableMinutes(bool enable) {
    for (int id : {IDC_LOCKOUT_MINUTES, IDC_LOCKOUT_MINUTES_SPIN, IDC_LOCKOUT_MINUTES_LABEL})
        EnableWindow(GetDlgItem(hwnd, id), enable);
}

INT_PTR CDlgConfig::OnInitDialog(HWND window, UINT, WPARAM, LPARAM) {
    oddColourButton.Attach(window, IDC_ODD_COLOUR, values.oddRowColour);
    evenColourButton.Attach(window, IDC_EVEN_COLOUR, values.evenRowColour);
    SetSpin(window, IDC_VISIBLE_COLUMNS_SPIN, 1, 6, values.visibleDataColumns);
    bool lockout = values.lockoutMinutes > 0;
    SetSpin(window, IDC_LOCKOUT_MINUTES_SPIN, 1, 99, lockout ? values.lockoutMinutes : kDefaultLockoutMinutes);
    CheckDlgButton(window, IDC_LOCKOUT_ENABLE, lockout ? BST_CHECKED : BST_UNCHECKED);
    EnableMinutes(lockout);
    for (const FlagBox& box : kFlagBoxes)
        CheckDlgButton(window, box.id, values.*box.flag ? BST_CHECKED : BST_UNCHECKED);
    return 1;
}

void CDlgConfig::ReadControls() {
    values.visibleDataColumns = LOWORD(SpinPosition(hwnd, IDC_VISIBLE_COLUMNS_SPIN));
    values.lockoutMinutes = Checked(hwnd, IDC_LOCKOUT_ENABLE) ? SpinPosition(hwnd, IDC_LOCKOUT_MINUTES_SPIN) : -1;
    for (const FlagBox& box : kFlagBoxes) values.*box.flag = Checked(hwnd, box.id);
}

int CDlgConfig::OnCommand(HWND window, int id) {
    switch (id) {
        case IDC_LOCKOUT_ENABLE: EnableMinutes(Checked(window, IDC_LOCKOUT_ENABLE)); return 1;
        case IDC_ODD_COLOUR:
            if (oddColourButton.Pick()) values.oddRowColour = oddColourButton.colour;
            return 1;
        case IDC_EVEN_COLOUR:
            if (evenColourButton.Pick()) values.evenRowColour = evenColourButton.colour;
            return 1;
        case IDOK: ReadControls(); return 0;  // the framework ends the dialog with OK
        default: return 0;
    }
}

int CDlgConfig::OnDrawItem(int id, DRAWITEMSTRUCT* item) {
    if (id == IDC_ODD_COLOUR) oddColourButton.Draw(*item);
    if (id == IDC_EVEN_COLOUR) evenColourButton.Draw(*item);
    return 1;
}

bool RunPreferences(CDlgConfig& dialog, HWND parent) {
    if (dialog.Run(parent) != IDOK) return false;
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    bool stored = ApplyPreferences(dialog.values, *theSettings, *dialog.categories, theApp.database.file);
    SetCursor(previous);
    if (!stored) ShowWriteFailure(parent, theApp.dataFolder->databasePath, theApp.database.file.IoError());
    return true;
}
