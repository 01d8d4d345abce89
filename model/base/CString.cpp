#include "model/base/CString.h"

#include "platform/Platform.h"

#include <algorithm>
#include <cstring>

namespace {

char16_t* NewBuffer(int32_t length) {
    auto* buffer = new char16_t[static_cast<size_t>(length) + 1];
    buffer[length] = 0;
    return buffer;
}

}  // namespace

int32_t TextLength(const char16_t* text) {
    if (!text) return 0;
    int32_t n = 0;
    while (text[n]) ++n;
    return n;
}

void CopyBounded(char16_t* dest, const char16_t* source, int32_t max) {
    int32_t n = 0;
    if (source) {
        while (n < max && source[n]) {
            dest[n] = source[n];
            ++n;
        }
    }
    dest[n] = 0;
}

CString::CString(const CString& other) {
    if (other.text) AssignUnits(other.text, other.length);
}

CString& CString::operator=(const CString& other) {
    if (this != &other) {
        if (other.text) AssignUnits(other.text, other.length);
        else Clear();
    }
    return *this;
}

CString::CString(CString&& other) noexcept : text(other.text), length(other.length) {
    other.text = nullptr;
    other.length = 0;
}

CString& CString::operator=(CString&& other) noexcept {
    if (this != &other) {
        Clear();
        text = other.text;
        length = other.length;
        other.text = nullptr;
        other.length = 0;
    }
    return *this;
}

CString::~CString() { Clear(); }

void CString::Replace(char16_t* newText, int32_t newLength) {
    if (text) {
        platform::Wipe(text, (static_cast<size_t>(length) + 1) * sizeof(char16_t));
        delete[] text;
    }
    text = newText;
    length = newLength;
}

void CString::Clear() { Replace(nullptr, 0); }

void CString::Assign(const char16_t* source) { AssignUnits(source, TextLength(source)); }

void CString::AssignUnits(const char16_t* source, int32_t count) {
    if (!source || count < 0) count = 0;
    char16_t* buffer = NewBuffer(count);
    if (count) std::memcpy(buffer, source, static_cast<size_t>(count) * sizeof(char16_t));
    Replace(buffer, count);
}

void CString::AssignRepeated(char16_t ch, int32_t count) {
    count = std::max(count, 0);
    char16_t* buffer = NewBuffer(count);
    std::fill(buffer, buffer + count, ch);
    Replace(buffer, count);
}

void CString::Append(const char16_t* source) { AppendUnits(source, TextLength(source)); }

void CString::AppendUnits(const char16_t* source, int32_t count) {
    if (!source || count <= 0) return;
    char16_t* buffer = NewBuffer(length + count);
    if (length) std::memcpy(buffer, text, static_cast<size_t>(length) * sizeof(char16_t));
    std::memcpy(buffer + length, source, static_cast<size_t>(count) * sizeof(char16_t));
    Replace(buffer, length + count);
}

void CString::AppendRepeated(char16_t ch, int32_t count) {
    if (count <= 0) return;
    char16_t* buffer = NewBuffer(length + count);
    if (length) std::memcpy(buffer, text, static_cast<size_t>(length) * sizeof(char16_t));
    std::fill(buffer + length, buffer + length + count, ch);
    Replace(buffer, length + count);
}

void CString::CollapseWhitespace() {
    if (!text) return;
    char16_t* buffer = NewBuffer(length);
    int32_t n = 0;
    bool inRun = false;
    for (int32_t i = 0; i < length; ++i) {
        bool space = platform::IsSpace(text[i]);
        if (!(space && inRun)) buffer[n++] = text[i];
        inRun = space;
    }
    buffer[n] = 0;
    Replace(buffer, n);
}

void CString::Truncate(int32_t max) {
    if (max < 1) {
        AssignUnits(u"", 0);
    } else if (max < length) {
        AssignUnits(text, max);
    }
}
