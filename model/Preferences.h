// The preferences the Preferences dialog edits, as one set of working values,
// and the rules that write them back into the settings after OK.
#pragma once

#include <cstdint>

class CCategories;
class CSettings;
class CxFile;

// A colour with red in the low byte, green in the middle and blue in the high byte.
using Colour = uint32_t;

inline constexpr Colour MakeColour(int red, int green, int blue) {
    return static_cast<Colour>((red & 0xFF) | (green & 0xFF) << 8 | (blue & 0xFF) << 16);
}
inline constexpr int RedOf(Colour c) { return static_cast<int>(c & 0xFF); }
inline constexpr int GreenOf(Colour c) { return static_cast<int>(c >> 8 & 0xFF); }
inline constexpr int BlueOf(Colour c) { return static_cast<int>(c >> 16 & 0xFF); }

struct Preferences {
    Colour evenRowColour = 0;
    Colour oddRowColour = 0;
    int32_t visibleDataColumns = 6;
    int32_t lockoutMinutes = -1;  // below 1: automatic lockout off
    bool showNoPasswordWarning = false;
    bool promptPasswordOnOpen = false;
    bool cleartextPasswordEntry = false;
    bool showUrlsAsHyperlinks = false;
    bool perCategoryColumnWidths = false;
};

// The working values from the active profile (and the desktop block).
Preferences LoadPreferences(const CSettings& settings);
// Writes the values back: when the visible column count changes, every
// column width starts again from the default; when it or the per-category
// policy changes, every category takes the global widths. Then the settings
// and every category marked dirty are saved.
// False when the settings or the categories could not be written (in one
// transaction); the values are then in use but not stored.
bool ApplyPreferences(const Preferences& values, CSettings& settings, CCategories& categories, CxFile& file);
