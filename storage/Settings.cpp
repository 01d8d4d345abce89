#include "storage/Settings.h"

#include "storage/CxFile.h"

#include <algorithm>
#include <cstring>
#include <vector>

CSettings* theSettings = nullptr;

namespace {

void ProfileDefaults(ProfileSettings& p, bool desktop) {
    std::memset(&p, 0, sizeof p);
    p.oddRowColour[0] = p.oddRowColour[1] = p.oddRowColour[2] = 255;
    p.evenRowColour[0] = 221;
    p.evenRowColour[1] = 238;
    p.evenRowColour[2] = 255;
    p.lockoutMinutes = 5;
    p.maxPasswordAttempts = 3;
    p.reserved72 = -1;
    p.showNoPasswordWarning = 1;
    p.promptPasswordOnOpen = desktop ? 1 : 0;
    p.showUrlsAsHyperlinks = 1;
}

}  // namespace

CSettings::CSettings(CxFile& recordFile, int activeProfile) : profile(activeProfile), locked(1), file(recordFile) {
    std::memset(Active().verifier, 0, sizeof Active().verifier);
    Active().verifierLength = 0;
    LoadSettings();
}

ProfileSettings& CSettings::Active() { return profile == kDesktopProfile ? desktop.profile : handheld.profile; }

const ProfileSettings& CSettings::Active() const {
    return profile == kDesktopProfile ? desktop.profile : handheld.profile;
}

void CSettings::FillDefaults() {
    std::memset(&header, 0, sizeof header);
    header.formatLevel = 50;

    std::memset(&handheld, 0, sizeof handheld);
    ProfileDefaults(handheld.profile, false);
    handheld.reserved96 = 3;
    handheld.reserved100 = 4;
    std::fill(std::begin(handheld.reserved104), std::end(handheld.reserved104), -1);
    std::fill(std::begin(handheld.reserved132), std::end(handheld.reserved132), -1);

    std::memset(&desktop, 0, sizeof desktop);
    ProfileDefaults(desktop.profile, true);
    desktop.visibleDataColumns = 6;
    std::fill(std::begin(desktop.columnWidths), std::end(desktop.columnWidths), -1);
    SetDefaultWindowPlacement(desktop);
    desktop.splitterPosition = 400;
    desktop.reserved148 = 1;
}

bool CSettings::ReadBlock(int32_t key, void* block, int32_t size) {
    if (!file.Find(key)) return false;
    std::vector<unsigned char> stored;
    // A block that cannot be read keeps its defaults; a damaged file is never
    // written to, so nothing is replaced.
    if (file.ReadEntry(stored)) {
        std::memcpy(block, stored.data(), std::min(stored.size(), static_cast<size_t>(size)));
    }
    return true;
}

bool CSettings::WriteBlock(int32_t key, const void* block, int32_t size) {
    return file.Insert(key, block, size) || file.Update(block, size);
}

bool CSettings::LoadSettings() {
    FillDefaults();
    // Blocks a new database lacks are written in one transaction; on a file
    // that cannot be written the transaction is refused and so are the writes.
    CxTransaction transaction(file);
    if (!ReadBlock(kHeaderKey, &header, sizeof header)) WriteBlock(kHeaderKey, &header, sizeof header);
    if (!ReadBlock(kHandheldKey, &handheld, sizeof handheld)) WriteBlock(kHandheldKey, &handheld, sizeof handheld);
    if (!ReadBlock(kDesktopKey, &desktop, sizeof desktop)) WriteBlock(kDesktopKey, &desktop, sizeof desktop);
    return !transaction.Begun() || transaction.Commit();
}

bool CSettings::SaveSettings() {
    CxTransaction transaction(file);
    if (!WriteBlock(kHeaderKey, &header, sizeof header)) return false;
    bool saved = profile == kDesktopProfile ? WriteBlock(kDesktopKey, &desktop, sizeof desktop)
                                            : WriteBlock(kHandheldKey, &handheld, sizeof handheld);
    return saved && transaction.Commit();
}
