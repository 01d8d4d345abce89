#include "model/Database.h"
#include "model/KeyCheck.h"
#include "model/Record.h"
#include "security/Blowfish.h"
#include "security/Cipher.h"
#include "security/PasswordRules.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"
#include "tests/core/TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

uint64_t Hex64(const char* text) { return std::stoull(text, nullptr, 16); }

std::vector<unsigned char> KeyBytes(uint64_t key) {
    std::vector<unsigned char> bytes(8);
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<unsigned char>(key >> (56 - 8 * i));
    return bytes;
}

// Published ECB test vectors, in the usual big-endian block form.
TEST(Blowfish, PublishedVectors) {
    struct Vector {
        const char *key, *plain, *cipher;
    };
    const Vector vectors[] = {
        {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
        {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
        {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
        {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
        {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
        {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
        {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
        {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
    };
    auto context = std::make_unique<BlowfishContext>();
    for (const Vector& v : vectors) {
        auto key = KeyBytes(Hex64(v.key));
        BlowfishSetKey(*context, key.data(), key.size());
        uint64_t plain = Hex64(v.plain);
        uint32_t left = static_cast<uint32_t>(plain >> 32), right = static_cast<uint32_t>(plain);
        BlowfishEncipher(*context, left, right);
        EXPECT_EQ((uint64_t(left) << 32) | right, Hex64(v.cipher)) << v.key;
        BlowfishDecipher(*context, left, right);
        EXPECT_EQ((uint64_t(left) << 32) | right, plain) << v.key;
    }
}

TEST(Blowfish, StoredBlocksAreLittleEndianHalves) {
    auto context = std::make_unique<BlowfishContext>();
    auto key = KeyBytes(0);
    BlowfishSetKey(*context, key.data(), key.size());
    unsigned char block[8] = {};
    BlowfishEncipherBlocks(*context, block, 8);
    // 4EF99745 6198DD78 with each half's byte order reversed.
    const unsigned char expected[8] = {0x45, 0x97, 0xF9, 0x4E, 0x78, 0xDD, 0x98, 0x61};
    EXPECT_EQ(std::memcmp(block, expected, 8), 0);
}

class CipherTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(database.Create(folder.Path("db.qrb").c_str()), 0);
    }

    ScratchFolder folder;
    CDatabase database;
    CxFile& file = database.file;
    std::unique_ptr<CSettings>& settings = database.settings;
};

TEST_F(CipherTest, VerifierRecognisesOnlyTheRightPassword) {
    EXPECT_FALSE(HasPassword());
    SetPassword(u"correct horse");
    EXPECT_TRUE(HasPassword());
    EXPECT_EQ(settings->Active().verifierLength, 26);
    EXPECT_TRUE(VerifyPassword(u"correct horse"));
    EXPECT_FALSE(VerifyPassword(u"correct horsf"));  // same length, one character off
    EXPECT_FALSE(VerifyPassword(u"Correct horse"));
    EXPECT_FALSE(VerifyPassword(u"correct hors"));
    EXPECT_FALSE(VerifyPassword(u""));

    // The verifier reaches the file.
    CSettings reloaded(file, CSettings::kDesktopProfile);
    EXPECT_EQ(std::memcmp(reloaded.Active().verifier, settings->Active().verifier, 32), 0);

    ClearPassword();
    EXPECT_FALSE(HasPassword());
    EXPECT_EQ(settings->Active().verifierLength, 0);
}

TEST_F(CipherTest, EveryOneOf31CharactersCounts) {
    const std::u16string password = u"abcdefghijklmnopqrstuvwxyz01234";
    ASSERT_EQ(password.size(), 31u);
    SetPassword(password.c_str());
    for (size_t i = 0; i < password.size(); ++i) {
        std::u16string wrong = password;
        wrong[i] = u'#';
        EXPECT_FALSE(VerifyPassword(wrong.c_str())) << i;
    }
    EXPECT_TRUE(VerifyPassword(password.c_str()));
}

TEST_F(CipherTest, WrongPasswordKeepsTheKeyInUse) {
    SetPassword(u"first");
    unsigned char block[16] = "sixteen bytes!!";
    unsigned char enciphered[16];
    std::memcpy(enciphered, block, 16);
    EncipherBuffer(enciphered, 16);
    EXPECT_NE(std::memcmp(enciphered, block, 16), 0);
    EXPECT_FALSE(VerifyPassword(u"other"));
    DecipherBuffer(enciphered, 16);
    EXPECT_EQ(std::memcmp(enciphered, block, 16), 0);
}

// The key leaves memory at lock, removal and exit (all through WipeKey), and
// only a right password brings it back.
TEST_F(CipherTest, WipedKeyIsZeroAndCiphersNothingUntilVerifiedAgain) {
    SetPassword(u"first key");
    EXPECT_TRUE(KeyInstalled());
    EXPECT_FALSE(MasterCipherIsZero());
    unsigned char block[16] = "sixteen bytes!!";
    unsigned char buffer[16];
    std::memcpy(buffer, block, 16);
    ASSERT_TRUE(EncipherBuffer(buffer, 16));
    unsigned char enciphered[16];
    std::memcpy(enciphered, buffer, 16);

    WipeKey();
    EXPECT_FALSE(KeyInstalled());
    EXPECT_TRUE(MasterCipherIsZero());
    EXPECT_FALSE(EncipherBuffer(buffer, 16));
    EXPECT_FALSE(DecipherBuffer(buffer, 16));
    EXPECT_EQ(std::memcmp(buffer, enciphered, 16), 0);  // refused: untouched
    EXPECT_FALSE(VerifyPassword(u"wrong key"));
    EXPECT_TRUE(MasterCipherIsZero());

    ASSERT_TRUE(VerifyPassword(u"first key"));
    ASSERT_TRUE(DecipherBuffer(buffer, 16));
    EXPECT_EQ(std::memcmp(buffer, block, 16), 0);

    ClearPassword();
    EXPECT_FALSE(KeyInstalled());
    EXPECT_TRUE(MasterCipherIsZero());
}

TEST(PasswordRules, NewPasswordsAreCheckedAsTheDialogDoes) {
    struct Case {
        const char16_t *password, *confirmation;
        NewPasswordCheck expected;
    };
    const Case cases[] = {
        {u"", u"", NewPasswordCheck::Accepted},  // empty: no password, or removal
        {u"abc", u"abc", NewPasswordCheck::TooShort},
        {u"abcd", u"abcd", NewPasswordCheck::ShorterThanRecommended},
        {u"abcdefg", u"abcdefg", NewPasswordCheck::ShorterThanRecommended},
        {u"abcdefgh", u"abcdefgh", NewPasswordCheck::Accepted},
        {u"abcdefgh", u"ABCDEFGH", NewPasswordCheck::Mismatch},  // case counts
        {u"abc", u"abd", NewPasswordCheck::Mismatch},
    };
    for (const Case& c : cases) EXPECT_EQ(CheckNewPassword(c.password, c.confirmation), c.expected);
    EXPECT_EQ(ActionFor(false, true), PasswordAction::None);
    EXPECT_EQ(ActionFor(false, false), PasswordAction::Add);
    EXPECT_EQ(ActionFor(true, true), PasswordAction::Remove);
    EXPECT_EQ(ActionFor(true, false), PasswordAction::Change);
}

}  // namespace

namespace {

// Records with values of the given lengths, their blocks enciphered under
// password (none: left in clear).
std::vector<std::unique_ptr<CRecord>> RecordsOfLengths(const std::vector<int>& lengths, const char16_t* password) {
    BlowfishContext key{};
    if (password) BlowfishSetKey(key, reinterpret_cast<const unsigned char*>(password), 2 * std::char_traits<char16_t>::length(password));
    std::vector<std::unique_ptr<CRecord>> records;
    for (size_t i = 0; i < lengths.size(); ++i) {
        std::u16string value(static_cast<size_t>(lengths[i]), static_cast<char16_t>(u'a' + i % 26));
        if (lengths[i] > 3) value[1] = 0xD83D, value[2] = 0xDE00;  // a pair of surrogates reads well
        auto record = std::make_unique<CRecord>();
        record->SetFields(u"title", value.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
        if (password) BlowfishEncipherBlocks(key, record->fieldBlock, 2 * static_cast<size_t>(record->blockLength));
        records.push_back(std::move(record));
    }
    return records;
}

std::vector<const CRecord*> Pointers(const std::vector<std::unique_ptr<CRecord>>& records) {
    std::vector<const CRecord*> pointers;
    for (const auto& r : records) pointers.push_back(r.get());
    return pointers;
}

}  // namespace

// Without a verifier the records themselves tell a right password from a
// wrong one, and blocks in clear from enciphered ones; too little to go on
// is said as such.
TEST(KeyCheck, TheProtectedRecordsTellTheRightPassword) {
    std::vector<int> mixed;
    for (int i = 0; i < 30; ++i) mixed.push_back(1 + i * 7 % 40);
    const std::vector<int> noFiller(200, 8), one = {8}, fewFiller = {7};
    struct Case {
        const char* name;
        std::vector<int> lengths;
        const char16_t* enciphered;  // under this password, or in clear
        int damaged;                  // blocks with a byte flipped
        const char16_t* tried;        // the password tried, or the blocks as they are
        KeyFit expected;
    };
    const Case cases[] = {
        {"right", mixed, u"right horse", 0, u"right horse", KeyFit::kFits},
        {"wrong", mixed, u"right horse", 0, u"right horsf", KeyFit::kDoesNotFit},
        {"empty", mixed, u"right horse", 0, u"", KeyFit::kDoesNotFit},
        {"enciphered, taken as clear", mixed, u"right horse", 0, nullptr, KeyFit::kDoesNotFit},
        {"clear", mixed, nullptr, 0, nullptr, KeyFit::kFits},
        {"clear, with a password", mixed, nullptr, 0, u"right horse", KeyFit::kDoesNotFit},
        {"right, two blocks damaged", mixed, u"right horse", 2, u"right horse", KeyFit::kFits},
        {"no filler anywhere, right", noFiller, u"pw 2", 0, u"pw 2", KeyFit::kFits},
        {"no filler anywhere, wrong", noFiller, u"pw 2", 0, u"pw 3", KeyFit::kDoesNotFit},
        {"one block without filler", one, u"pw 2", 0, u"pw 2", KeyFit::kCannotTell},
        {"one filler unit", fewFiller, u"pw 2", 0, u"pw 3", KeyFit::kCannotTell},
        {"no records", {}, u"pw 2", 0, u"pw 2", KeyFit::kCannotTell},
    };
    for (const Case& c : cases) {
        auto records = RecordsOfLengths(c.lengths, c.enciphered);
        for (int i = 0; i < c.damaged; ++i) reinterpret_cast<unsigned char*>(records[5 * i]->fieldBlock)[3] ^= 0x10;
        KeyFit fit = c.tried ? CheckPasswordAgainstRecords(Pointers(records), c.tried)
                             : CheckKeyAgainstRecords(Pointers(records), nullptr);
        EXPECT_EQ(fit, c.expected) << c.name;
    }
}
