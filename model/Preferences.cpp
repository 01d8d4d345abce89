#include "model/Preferences.h"

#include "model/Category.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"

namespace {

Colour ColourOf(const int32_t rgb[3]) { return MakeColour(rgb[0], rgb[1], rgb[2]); }

void StoreColour(Colour colour, int32_t rgb[3]) {
    rgb[0] = RedOf(colour);
    rgb[1] = GreenOf(colour);
    rgb[2] = BlueOf(colour);
}

}  // namespace

Preferences LoadPreferences(const CSettings& settings) {
    const ProfileSettings& active = settings.Active();
    Preferences values;
    values.evenRowColour = ColourOf(active.evenRowColour);
    values.oddRowColour = ColourOf(active.oddRowColour);
    values.visibleDataColumns = settings.desktop.visibleDataColumns;
    values.lockoutMinutes = active.lockoutMinutes;
    values.showNoPasswordWarning = active.showNoPasswordWarning != 0;
    values.promptPasswordOnOpen = active.promptPasswordOnOpen != 0;
    values.cleartextPasswordEntry = active.cleartextPasswordEntry != 0;
    values.showUrlsAsHyperlinks = active.showUrlsAsHyperlinks != 0;
    values.perCategoryColumnWidths = settings.desktop.perCategoryColumnWidths != 0;
    return values;
}

bool ApplyPreferences(const Preferences& values, CSettings& settings, CCategories& categories, CxFile& file) {
    ProfileSettings& active = settings.Active();
    DesktopProfileBlock& desktop = settings.desktop;
    StoreColour(values.oddRowColour, active.oddRowColour);
    StoreColour(values.evenRowColour, active.evenRowColour);

    bool columnsChanged = values.visibleDataColumns != desktop.visibleDataColumns;
    bool policyChanged = values.perCategoryColumnWidths != (desktop.perCategoryColumnWidths != 0);
    if (columnsChanged) {
        for (int32_t& width : desktop.columnWidths) width = -1;
    }
    if (columnsChanged || policyChanged) {
        for (CCategory* category : Nodes<CCategory>(categories)) {
            for (int i = 0; i < 7; ++i) category->columnWidth[i] = desktop.columnWidths[i];
            category->isDirty = true;
        }
    }

    desktop.visibleDataColumns = values.visibleDataColumns;
    desktop.perCategoryColumnWidths = values.perCategoryColumnWidths ? 1 : 0;
    active.lockoutMinutes = values.lockoutMinutes;
    active.showNoPasswordWarning = values.showNoPasswordWarning ? 1 : 0;
    active.promptPasswordOnOpen = values.promptPasswordOnOpen ? 1 : 0;
    active.showUrlsAsHyperlinks = values.showUrlsAsHyperlinks ? 1 : 0;
    active.cleartextPasswordEntry = values.cleartextPasswordEntry ? 1 : 0;
    CxTransaction transaction(file);
    return settings.SaveSettings() && categories.SaveDirtyCategories(file) && transaction.Commit();
}
