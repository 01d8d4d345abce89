// "Preferences": row colours, visible columns, links, per-category column
// widths, the password options and the inactivity lock. The dialog edits
// working copies; only RunPreferences writes them back, after OK.
#pragma once

#include "dialogs/ColourButton.h"
#include "dialogs/framework/CqrDialog.h"
#include "model/Preferences.h"

class CCategories;

class CDlgConfig : public CqrDialog {
public:
    explicit CDlgConfig(CCategories* categoryList);

    INT_PTR OnInitDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    int OnCommand(HWND window, int id) override;
    int OnDrawItem(int id, DRAWITEMSTRUCT* item) override;

    CCategories* categories;
    Preferences values;  // the working copies
    ColourButton oddColourButton;
    ColourButton evenColourButton;

private:
    void EnableMinutes(bool enable);
    void ReadControls();
};

// Runs the dialog; on OK applies and saves the preferences and answers true.
bool RunPreferences(CDlgConfig& dialog, HWND parent);
