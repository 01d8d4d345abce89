// A text file for import and export: read whole into memory as UTF-16 and
// handed out line by line, or written as UTF-8 from UTF-16 text.
#pragma once

#include "platform/Platform.h"

#include <cstdint>
#include <string>
#include <string_view>

class TextFile {
public:
    // Larger import files are refused rather than read into memory.
    static constexpr int64_t kMaxReadBytes = int64_t{256} << 20;

    // Why OpenForRead gave nothing.
    enum ReadProblem {
        kReadable,
        kCannotOpen,  // missing, unreadable, or in use
        kNotAFile,    // a folder, a pipe or a device
        kTooLarge,    // above kMaxReadBytes, or no memory for it
        kHoldsNul,    // NUL characters: no text file, and a line would end there unseen
    };

    TextFile() = default;
    ~TextFile();
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    // Reads an existing regular file (others may read it too). A UTF-8
    // byte-order mark is skipped; a file that starts with a UTF-16 mark
    // (either byte order) is read as UTF-16, any other as UTF-8. False, with
    // Problem() saying why, when it cannot be read or holds a NUL character.
    bool OpenForRead(const char16_t* path);
    ReadProblem Problem() const { return problem; }
    // The next line, zero-terminated in place, or null at the end. Lines end
    // at CR, LF or CR LF (LF CR is two breaks).
    char16_t* ReadLine();
    // The lines ReadLine will still hand out that are not empty.
    int32_t CountNonEmptyLines() const;
    // The first line that ReadLine would hand out, left in place.
    std::u16string_view PeekLine() const;
    // The text ReadLine has not handed out yet, for a reader of another form;
    // it may change the text in place.
    char16_t* Rest(int32_t& count) {
        count = Length() - position;
        return text.data() + position;
    }

    // Starts writing path. The text goes to a new temporary file in the same
    // folder, which Commit moves over path: until then path keeps what it
    // held, and a file that is not committed is removed. A symbolic link at
    // path is refused, not followed.
    bool OpenForWrite(const char16_t* path);
    // Appends the zero-terminated text as UTF-8; true when every byte was written.
    bool WriteText(const char16_t* text);
    // Flushes and closes the written file and moves it over the path; false
    // when any step fails (the temporary file is removed then).
    bool Commit();
    // The system's reason for the last failure of OpenForWrite, WriteText or Commit.
    const std::u16string& FailureReason() const { return failureReason; }

    // Ends reading, or writing without Commit (removing the temporary file).
    void Close();

    int32_t Length() const { return static_cast<int32_t>(text.size()); }

private:
    void ReleaseText();

    platform::File handle;
    void Failed(const std::u16string& reason);

    ReadProblem problem = kReadable;
    std::u16string failureReason;
    std::u16string targetPath;     // what Commit replaces
    std::u16string temporaryPath;  // what is being written; empty when nothing is
    std::u16string text;
    int32_t position = 0;
};

// The text of a file's bytes: UTF-16 after a UTF-16 byte-order mark, else
// UTF-8 with its mark skipped. Invalid sequences become U+FFFD.
std::u16string DecodeTextFile(const char* bytes, size_t count);
