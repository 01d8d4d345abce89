// A text file for import and export: read whole into memory as UTF-16 and
// handed out line by line, or written as UTF-8 from UTF-16 text.
#pragma once

#include "platform/Platform.h"

#include <cstdint>

class TextFile {
public:
    // Larger import files are refused rather than read into memory.
    static constexpr int64_t kMaxReadBytes = int64_t{256} << 20;

    TextFile() = default;
    ~TextFile();
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    // Reads an existing file (others may read it too) and converts it from
    // UTF-8. A byte-order mark is kept: it becomes U+FEFF at the start.
    bool OpenForRead(const char16_t* path);
    // The next line, zero-terminated in place, or null at the end. Lines end
    // at CR, LF or CR LF (LF CR is two breaks) and at a zero character.
    char16_t* ReadLine();

    // Creates the file, replacing an existing one, with no sharing.
    bool OpenForWrite(const char16_t* path);
    // Appends the zero-terminated text as UTF-8; true when every byte was written.
    bool WriteText(const char16_t* text);

    void Close();

    int32_t Length() const { return length; }

private:
    void ReleaseText();

    platform::File handle;
    char16_t* text = nullptr;
    int32_t length = 0;
    int32_t position = 0;
};
