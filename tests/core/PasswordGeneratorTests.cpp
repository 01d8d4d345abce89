#include "model/base/StringTable.h"
#include "security/PasswordGenerator.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PasswordGenerator, DrawsStayInRange) {
    for (int i = 0; i < 1000; ++i) {
        EXPECT_EQ(NextPasswordRandom(0), 0);
        EXPECT_EQ(NextPasswordRandom(1), 0);
        int32_t index = NextPasswordRandom(66);
        EXPECT_GE(index, 0);
        EXPECT_LT(index, 66);
        index = NextPasswordRandom(65535);
        EXPECT_GE(index, 0);
        EXPECT_LT(index, 65535);
    }
}

// Every combination of groups, at both ends of the length range: the pool is
// the chosen groups in their order and nothing else appears.
TEST(PasswordGenerator, PasswordsComeFromTheChosenGroupsOnly) {
    for (int choice = 1; choice < 16; ++choice) {
        bool upper = choice & 1, lower = choice & 2, digits = choice & 4, punctuation = choice & 8;
        std::u16string pool;
        if (upper) pool += UppercaseGroup;
        if (lower) pool += LowercaseGroup;
        if (digits) pool += DigitGroup;
        if (punctuation) pool += PunctuationGroup;
        EXPECT_EQ(std::u16string(PasswordPool(upper, lower, digits, punctuation).c_str()), pool);
        for (int32_t length : {4, 6, 32}) {
            CString password;
            ASSERT_TRUE(GeneratePassword(password, length, upper, lower, digits, punctuation));
            ASSERT_EQ(password.Length(), length);
            for (char16_t ch : std::u16string(password.c_str())) EXPECT_NE(pool.find(ch), std::u16string::npos) << choice;
        }
    }
    EXPECT_EQ(std::u16string(PasswordPool(true, true, true, true).c_str()).size(), 66u);
}

TEST(PasswordGenerator, RefusesWhatTheDialogRefuses) {
    struct Case {
        int32_t length;
        bool upper, lower, digits, punctuation;
        int32_t refusal;
    };
    const Case cases[] = {
        {6, true, true, true, false, 0},
        {4, false, false, false, true, 0},
        {32, true, false, false, false, 0},
        {6, false, false, false, false, IDS_INCLUDE_A_GROUP},
        {0, false, false, false, false, IDS_INCLUDE_A_GROUP},  // the group is checked first
        {3, true, true, true, false, IDS_GENERATED_LENGTH_RANGE},
        {33, false, false, true, false, IDS_GENERATED_LENGTH_RANGE},
        {-1, true, false, false, false, IDS_GENERATED_LENGTH_RANGE},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GeneratorChoiceError(c.length, c.upper, c.lower, c.digits, c.punctuation), c.refusal) << c.length;
        CString password(u"previous");
        EXPECT_EQ(GeneratePassword(password, c.length, c.upper, c.lower, c.digits, c.punctuation), c.refusal == 0);
        if (c.refusal != 0) {
            EXPECT_TRUE(password.IsEmpty());
        }
    }
}

}  // namespace
