#include "security/Cipher.h"

#include "model/CString.h"
#include "platform/Platform.h"
#include "storage/Settings.h"

#include <cstring>

BlowfishContext masterCipher{};

namespace {

// The verifier masterCipher was keyed for; all zero (no password) until then.
uint8_t keyVerifier[32] = {};

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
    if (!HasVerifiedKey()) return false;
    if (buffer && byteCount > 0) BlowfishEncipherBlocks(masterCipher, buffer, static_cast<size_t>(byteCount));
    return true;
}

void DecipherBuffer(void* buffer, int32_t byteCount) {
    if (buffer && byteCount > 0) BlowfishDecipherBlocks(masterCipher, buffer, static_cast<size_t>(byteCount));
}

bool HasPassword() {
    if (!theSettings) return false;
    for (uint8_t b : theSettings->Active().verifier) {
        if (b) return true;
    }
    return false;
}

bool HasVerifiedKey() {
    return HasPassword() && std::memcmp(keyVerifier, theSettings->Active().verifier, sizeof keyVerifier) == 0;
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
        std::memcpy(keyVerifier, active.verifier, sizeof keyVerifier);
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
    active.verifierLength = keyLength;
    std::memcpy(keyVerifier, active.verifier, sizeof keyVerifier);
    return theSettings->SaveSettings();
}

bool ClearPassword() {
    if (!theSettings) return false;
    ProfileSettings& active = theSettings->Active();
    std::memset(active.verifier, 0, sizeof active.verifier);
    active.verifierLength = 0;
    std::memset(keyVerifier, 0, sizeof keyVerifier);
    return theSettings->SaveSettings();
}

void ForgetKey() {
    platform::Wipe(&masterCipher, sizeof masterCipher);
    std::memset(keyVerifier, 0, sizeof keyVerifier);
}
