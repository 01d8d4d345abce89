#include "exchange/TextFile.h"

#include "model/CString.h"

#include <cstring>
#include <new>
#include <string>
#include <vector>

TextFile::~TextFile() {
    Close();
    ReleaseText();
}

void TextFile::ReleaseText() {
    if (text) {
        // An import file holds passwords in clear.
        platform::Wipe(text, (static_cast<size_t>(length) + 1) * sizeof(char16_t));
        delete[] text;
    }
    text = nullptr;
    length = 0;
    position = 0;
}

void TextFile::Close() { handle.Close(); }

bool TextFile::OpenForRead(const char16_t* path) {
    Close();
    ReleaseText();
    if (!handle.OpenForRead(path)) return false;
    int64_t size = handle.Size();
    if (size < 0 || size > kMaxReadBytes) {
        Close();
        return false;
    }
    std::vector<char> bytes(static_cast<size_t>(size) + 1, 0);
    bool read = handle.Read(bytes.data(), static_cast<size_t>(size)) == static_cast<size_t>(size);
    Close();
    if (read) {
        std::u16string converted = platform::Utf8ToUtf16(bytes.data(), static_cast<size_t>(size));
        text = new (std::nothrow) char16_t[converted.size() + 1];
        if (text) {
            std::memcpy(text, converted.data(), converted.size() * sizeof(char16_t));
            length = static_cast<int32_t>(converted.size());
            text[length] = 0;
        }
        platform::Wipe(converted.data(), converted.size() * sizeof(char16_t));
    }
    platform::Wipe(bytes.data(), bytes.size());
    return text != nullptr;
}

char16_t* TextFile::ReadLine() {
    if (!text || position >= length || text[position] == 0) return nullptr;
    int32_t start = position;
    int32_t end = start;
    while (end < length && text[end] != u'\r' && text[end] != u'\n' && text[end] != 0) ++end;
    position = end;
    if (end < length && text[end] == u'\r') {
        text[end] = 0;
        position = end + 1;
        if (position < length && text[position] == u'\n') ++position;
    } else if (end < length && text[end] == u'\n') {
        text[end] = 0;
        position = end + 1;
    }
    return text + start;
}

bool TextFile::OpenForWrite(const char16_t* path) {
    Close();
    ReleaseText();
    return handle.CreateForWrite(path);
}

bool TextFile::WriteText(const char16_t* line) {
    if (!handle.IsOpen()) return false;
    std::string bytes = platform::Utf16ToUtf8(line ? line : u"", static_cast<size_t>(TextLength(line)));
    bool written = handle.Write(bytes.data(), bytes.size()) == bytes.size();
    platform::Wipe(bytes.data(), bytes.size());
    return written;
}
