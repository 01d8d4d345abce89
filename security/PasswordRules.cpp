#include "security/PasswordRules.h"

#include "model/base/CString.h"

#include <string_view>

NewPasswordCheck CheckNewPassword(const char16_t* password, const char16_t* confirmation) {
    std::u16string_view typed(password ? password : u"");
    // Unit for unit: a locale's comparison could call two different texts equal.
    if (typed != std::u16string_view(confirmation ? confirmation : u"")) return NewPasswordCheck::Mismatch;
    auto n = static_cast<int32_t>(typed.size());
    if (n >= 1 && n < kMinPasswordLength) return NewPasswordCheck::TooShort;
    if (n >= kMinPasswordLength && n < kRecommendedPasswordLength) return NewPasswordCheck::ShorterThanRecommended;
    return NewPasswordCheck::Accepted;
}

PasswordAction ActionFor(bool passwordSet, bool newPasswordEmpty) {
    if (passwordSet) return newPasswordEmpty ? PasswordAction::Remove : PasswordAction::Change;
    return newPasswordEmpty ? PasswordAction::None : PasswordAction::Add;
}
