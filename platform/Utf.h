// Plain UTF-8 / UTF-16 codecs; invalid input becomes U+FFFD.
#pragma once

#include <cstddef>
#include <string>

namespace platform::detail {
std::u16string DecodeUtf8(const char* bytes, size_t count);
std::string EncodeUtf8(const char16_t* text, size_t count);
}  // namespace platform::detail
