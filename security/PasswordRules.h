// The rules a new master password must meet, shared by the Change Password
// dialog and quorrel-cli so that both accept exactly the same passwords.
#pragma once

#include <cstdint>

inline constexpr int32_t kMinPasswordLength = 4;
inline constexpr int32_t kRecommendedPasswordLength = 8;

enum class PasswordAction {
    None = 0,
    Add = 1,
    Remove = 2,
    Change = 3
};

enum class NewPasswordCheck {
    Accepted,
    Mismatch,               // the confirmation differs (compared unit for unit)
    TooShort,               // 1 to 3 characters
    ShorterThanRecommended  // 4 to 7: accepted once the user has been warned
};

NewPasswordCheck CheckNewPassword(const char16_t* password, const char16_t* confirmation);

// What applying a new password does, given whether one is set now.
PasswordAction ActionFor(bool passwordSet, bool newPasswordEmpty);
