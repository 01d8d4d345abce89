#include "exchange/TextFile.h"

#include "model/base/CString.h"
#include "model/base/StringTable.h"

#include <cstring>
#include <memory>
#include <new>

namespace {

// UTF-16 units from bytes in either order; an odd last byte and unpaired
// surrogates become U+FFFD, as invalid UTF-8 does.
std::u16string DecodeUtf16(const unsigned char* bytes, size_t count, bool bigEndian) {
    std::u16string out;
    out.reserve(count / 2 + 1);
    for (size_t i = 0; i + 1 < count; i += 2) {
        out.push_back(static_cast<char16_t>(bigEndian ? bytes[i] << 8 | bytes[i + 1] : bytes[i + 1] << 8 | bytes[i]));
    }
    if (count % 2) out.push_back(u'\uFFFD');
    for (size_t i = 0; i < out.size(); ++i) {
        char16_t ch = out[i];
        bool high = ch >= 0xD800 && ch <= 0xDBFF;
        bool low = ch >= 0xDC00 && ch <= 0xDFFF;
        if (high && i + 1 < out.size() && out[i + 1] >= 0xDC00 && out[i + 1] <= 0xDFFF) {
            ++i;
        } else if (high || low) {
            out[i] = u'\uFFFD';
        }
    }
    return out;
}

std::u16string LastErrorReason() {
    std::string reason = platform::LastErrorText();
    return platform::Utf8ToUtf16(reason.data(), reason.size());
}

}  // namespace

std::u16string DecodeTextFile(const char* bytes, size_t count) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    if (count >= 2 && b[0] == 0xFF && b[1] == 0xFE) return DecodeUtf16(b + 2, count - 2, false);
    if (count >= 2 && b[0] == 0xFE && b[1] == 0xFF) return DecodeUtf16(b + 2, count - 2, true);
    // A mark left in the text would become part of the first category's name,
    // invisible and different from the name the user sees.
    if (count >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) return platform::Utf8ToUtf16(bytes + 3, count - 3);
    return platform::Utf8ToUtf16(bytes, count);
}

TextFile::~TextFile() {
    Close();
    ReleaseText();
}

void TextFile::ReleaseText() {
    // An import file holds passwords in clear.
    platform::Wipe(text.data(), text.size() * sizeof(char16_t));
    text.clear();
    text.shrink_to_fit();
    position = 0;
}

void TextFile::Close() {
    handle.Close();
    if (!temporaryPath.empty()) platform::RemoveFile(temporaryPath.c_str());
    temporaryPath.clear();
}

void TextFile::Failed(const std::u16string& reason) {
    failureReason = reason;
    Close();
}

bool TextFile::OpenForRead(const char16_t* path) {
    Close();
    ReleaseText();
    problem = kCannotOpen;
    switch (handle.OpenRegularForRead(path)) {
        case platform::File::ReadOpen::kOpened: break;
        case platform::File::ReadOpen::kNotRegular: problem = kNotAFile; return false;
        case platform::File::ReadOpen::kCannotOpen: return false;
    }
    int64_t size = handle.Size();
    if (size < 0) {
        Close();
        return false;
    }
    if (size > kMaxReadBytes) {
        Close();
        problem = kTooLarge;
        return false;
    }
    std::unique_ptr<char[]> bytes(new (std::nothrow) char[static_cast<size_t>(size) + 1]);
    if (!bytes) {
        Close();
        problem = kTooLarge;
        return false;
    }
    bool read = handle.Read(bytes.get(), static_cast<size_t>(size)) == static_cast<size_t>(size);
    Close();
    if (read) {
        text = DecodeTextFile(bytes.get(), static_cast<size_t>(size));
        if (text.find(u'\0') != std::u16string::npos) {
            ReleaseText();
            problem = kHoldsNul;
        } else {
            problem = kReadable;
        }
    }
    platform::Wipe(bytes.get(), static_cast<size_t>(size));
    return problem == kReadable;
}

char16_t* TextFile::ReadLine() {
    const int32_t length = Length();
    if (position >= length) return nullptr;
    int32_t start = position;
    int32_t end = start;
    while (end < length && text[end] != u'\r' && text[end] != u'\n') ++end;
    position = end;
    if (end < length && text[end] == u'\r') {
        text[end] = 0;
        position = end + 1;
        if (position < length && text[position] == u'\n') ++position;
    } else if (end < length && text[end] == u'\n') {
        text[end] = 0;
        position = end + 1;
    }
    return text.data() + start;
}

int32_t TextFile::CountNonEmptyLines() const {
    int32_t lines = 0;
    bool inLine = false;
    for (size_t i = static_cast<size_t>(position); i < text.size(); ++i) {
        bool lineBreak = text[i] == u'\r' || text[i] == u'\n';
        if (!lineBreak && !inLine) ++lines;
        inLine = !lineBreak;
    }
    return lines;
}

std::u16string_view TextFile::PeekLine() const {
    std::u16string_view rest(text.data() + position, static_cast<size_t>(Length() - position));
    return rest.substr(0, rest.find_first_of(u"\r\n"));
}

bool TextFile::OpenForWrite(const char16_t* path) {
    Close();
    ReleaseText();
    failureReason.clear();
    targetPath = path ? path : u"";
    if (platform::IsSymbolicLink(path)) {
        failureReason = LoadText(IDS_PATH_IS_LINK);
        return false;
    }
    if (!handle.CreateTemporaryBeside(path, temporaryPath)) {
        Failed(LastErrorReason());
        return false;
    }
    return true;
}

bool TextFile::WriteText(const char16_t* line) {
    if (!handle.IsOpen()) return false;
    std::string bytes = platform::Utf16ToUtf8(line ? line : u"", static_cast<size_t>(TextLength(line)));
    bool written = handle.Write(bytes.data(), bytes.size()) == bytes.size();
    platform::Wipe(bytes.data(), bytes.size());
    if (!written) Failed(LastErrorReason());
    return written;
}

bool TextFile::Commit() {
    if (!handle.IsOpen() || temporaryPath.empty()) return false;
    if (!handle.Flush()) {
        Failed(LastErrorReason());
        return false;
    }
    handle.Close();
    if (!platform::RenameFile(temporaryPath.c_str(), targetPath.c_str())) {
        Failed(LastErrorReason());
        return false;
    }
    temporaryPath.clear();
    return true;
}
