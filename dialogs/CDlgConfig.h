// "Preferences": row colours, visible columns, links, per-category column
// widths, the password options and the inactivity lock. The dialog edits
// working copies and stores them, with the category column widths they
// reset, on OK.
#pragma once

#include "dialogs/ColourButton.h"
#include "dialogs/framework/CqrDialog.h"
#include "model/Preferences.h"

class CDatabase;

class CDlgConfig : public CqrDialog {
public:
    explicit CDlgConfig(CDatabase& database);

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    bool Apply() override;
    bool OnDrawItem(int id, const DRAWITEMSTRUCT& item) override;

private:
    void EnableMinutes(bool enable);
    void ReadControls();

    CDatabase& database;
    Preferences values;  // the working copies
    ColourButton oddColourButton;
    ColourButton evenColourButton;
};
