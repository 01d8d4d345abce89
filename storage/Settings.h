// Preferences, the password verifier, the main window's placement and the
// lock state. Stored as three blocks of the record file, byte for byte as the
// structures below lay them out; reserved places keep what the file held.
#pragma once

#include <cstdint>

class CxFile;

#pragma pack(push, 1)

// The blocks are 4-byte aligned so that every integer in them is too.
struct alignas(4) SettingsHeaderBlock {
    int32_t formatLevel;
    int32_t reserved[10];
};

// The first 93 bytes, shared by the handheld and the desktop profile block.
struct ProfileSettings {
    uint8_t verifier[32];
    int32_t verifierLength;
    int32_t oddRowColour[3];  // red, green, blue
    int32_t evenRowColour[3];
    int32_t lockoutMinutes;  // below 1: automatic lockout off
    int32_t maxPasswordAttempts;
    uint8_t reserved68;
    uint8_t gap69[3];
    int32_t reserved72;
    uint8_t reserved76;
    uint8_t cleartextPasswordEntry;
    uint8_t showNoPasswordWarning;
    uint8_t promptPasswordOnOpen;
    int32_t reserved80;
    int32_t reserved84;
    uint8_t reserved88;
    uint8_t showUrlsAsHyperlinks;
    uint8_t reserved90[3];
};

struct alignas(4) HandheldProfileBlock {
    ProfileSettings profile;
    uint8_t gap93[3];
    int32_t reserved96;
    int32_t reserved100;
    int32_t reserved104[7];
    int32_t reserved132[7];
    int32_t reserved160;
};

struct alignas(4) DesktopProfileBlock {
    ProfileSettings profile;
    uint8_t perCategoryColumnWidths;
    uint8_t gap94[2];
    int32_t visibleDataColumns;
    int32_t columnWidths[7];  // -1 = not yet set
    int32_t windowLeft;
    int32_t windowTop;
    int32_t windowWidth;
    int32_t windowHeight;
    int32_t splitterPosition;
    int32_t reserved148;
};

#pragma pack(pop)

static_assert(sizeof(SettingsHeaderBlock) == 44);
static_assert(sizeof(ProfileSettings) == 93);
static_assert(sizeof(HandheldProfileBlock) == 164);
static_assert(sizeof(DesktopProfileBlock) == 152);

class CSettings {
public:
    static constexpr int32_t kHeaderKey = 0;
    static constexpr int32_t kHandheldKey = 1;
    static constexpr int32_t kDesktopKey = 2;
    static constexpr int kDesktopProfile = 1;

    // Loads the settings at once; blocks the file lacks are written with their defaults.
    CSettings(CxFile& file, int profile);

    // A new database gets its markers, default categories and settings in one transaction.
    bool LoadSettings();
    bool SaveSettings();

    // The block the preferences are read from and written to.
    ProfileSettings& Active();
    const ProfileSettings& Active() const;

    int profile;
    uint8_t locked;
    SettingsHeaderBlock header;
    HandheldProfileBlock handheld;
    DesktopProfileBlock desktop;

private:
    void FillDefaults();
    // Reads the entry under key into block; writes the defaults when missing.
    bool ReadBlock(int32_t key, void* block, int32_t size);
    bool WriteBlock(int32_t key, const void* block, int32_t size);

    CxFile& file;
};

// Where the main window opens on a new database, or when its place is unknown.
inline void SetDefaultWindowPlacement(DesktopProfileBlock& desktop) {
    desktop.windowLeft = 10;
    desktop.windowTop = 10;
    desktop.windowWidth = 770;
    desktop.windowHeight = 570;
}

// The program's one settings object, read by every part that needs a preference.
extern CSettings* theSettings;
