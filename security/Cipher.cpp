#include "security/Cipher.h"

#include "model/base/CString.h"
#include "platform/Platform.h"
#include "storage/Settings.h"

#include <cstring>

BlowfishContext masterCipher{};

namespace {

bool keyInstalled = false;

// No key outlives the process in its memory, whichever program ends.
struct WipeKeyAtExit {
    ~WipeKeyAtExit() { WipeKey(); }
} wipeKeyAtExit;

constexpr char16_t kVerifierText[] = u"_ORVAN_QRP_DUMMY";
static_assert(sizeof kVerifierText - sizeof(char16_t) == 32);

// Keys context with the password and enciphers the verifier text into out.
void MakeVerifier(const char16_t* password, BlowfishContext& context, uint8_t out[32], int32_t& keyLength) {
    keyLength = 2 * TextLength(password);
    BlowfishSetKey(context, reinterpret_cast<const unsigned char*>(password ? password : u""),
                   static_cast<size_t>(keyLength));
    std::memcpy(out, kVerifierText, 32);
    BlowfishEncipherBlocks(context, out, 32);
}

}  // namespace

bool EncipherBuffer(void* buffer, int32_t byteCount) {
    if (!keyInstalled) return false;
    if (buffer && byteCount > 0) BlowfishEncipherBlocks(masterCipher, buffer, static_cast<size_t>(byteCount));
    return true;
}

bool DecipherBuffer(void* buffer, int32_t byteCount) {
    if (!keyInstalled) return false;
    if (buffer && byteCount > 0) BlowfishDecipherBlocks(masterCipher, buffer, static_cast<size_t>(byteCount));
    return true;
}

bool KeyInstalled() { return keyInstalled; }

void WipeKey() {
    platform::Wipe(&masterCipher, sizeof masterCipher);
    keyInstalled = false;
}

void ReinstallKey(const BlowfishContext& key, bool installed) {
    masterCipher = key;
    keyInstalled = installed;
}

bool MasterCipherIsZero() {
    for (uint32_t word : masterCipher.p) {
        if (word) return false;
    }
    for (const auto& box : masterCipher.s) {
        for (uint32_t word : box) {
            if (word) return false;
        }
    }
    return true;
}

bool HasPassword() {
    if (!theSettings) return false;
    for (uint8_t b : theSettings->Active().verifier) {
        if (b) return true;
    }
    return false;
}

bool VerifyPassword(const char16_t* password) {
    if (!theSettings) return false;
    auto* scratch = new BlowfishContext;
    uint8_t candidate[32];
    int32_t keyLength = 0;
    MakeVerifier(password, *scratch, candidate, keyLength);
    const ProfileSettings& active = theSettings->Active();
    // Every byte is compared whatever the outcome.
    uint8_t difference = keyLength == active.verifierLength ? 0 : 1;
    for (int i = 0; i < 32; ++i) difference |= static_cast<uint8_t>(candidate[i] ^ active.verifier[i]);
    bool right = difference == 0;
    if (right) {
        masterCipher = *scratch;
        keyInstalled = true;
    }
    platform::Wipe(scratch, sizeof *scratch);
    platform::Wipe(candidate, sizeof candidate);
    delete scratch;
    return right;
}

bool SetPassword(const char16_t* password) {
    if (!theSettings) return false;
    ProfileSettings& active = theSettings->Active();
    int32_t keyLength = 0;
    MakeVerifier(password, masterCipher, active.verifier, keyLength);
    keyInstalled = true;
    active.verifierLength = keyLength;
    return theSettings->SaveSettings();
}

bool ClearPassword() {
    WipeKey();
    if (!theSettings) return false;
    ProfileSettings& active = theSettings->Active();
    std::memset(active.verifier, 0, sizeof active.verifier);
    active.verifierLength = 0;
    return theSettings->SaveSettings();
}
