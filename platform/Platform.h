// What the portable core needs from the operating system. Two implementations
// exist: platform/win32 for the product and platform/posix for native tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// A file opened by handle with an explicit file position.
class File {
public:
    File() = default;
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Read and write access; other processes may read but not write.
    // With create set the file is made when missing and opened when present;
    // on POSIX a new file has mode 0600 and a symbolic link at path is not
    // followed (a database holds secrets).
    bool OpenShared(const char16_t* path, bool create);
    // Read access only; the file must exist. Others may read it too, and with
    // allowWriters also keep or take write access (to inspect a file in use).
    bool OpenForRead(const char16_t* path, bool allowWriters = false);
    // Write access, no sharing; an existing file is replaced.
    bool CreateForWrite(const char16_t* path);
    // Write access to a file made here and now: refused when anything, a
    // symbolic link included, is at path already. On POSIX it has mode 0600.
    bool CreateNew(const char16_t* path);
    // For a file that is read whole (an import): read access like
    // OpenForRead, but what is not a regular file (a folder, a pipe, a device)
    // is refused at once instead of hanging or reading nothing.
    enum class ReadOpen {
        kOpened,
        kCannotOpen,
        kNotRegular
    };
    ReadOpen OpenRegularForRead(const char16_t* path);
    // Write access to a new file with an unused name in the folder of target,
    // no sharing; its path goes to temporaryPath. On POSIX the file has mode
    // 0600 (it may hold secrets in clear); on Windows it takes the folder's
    // permissions, as every document of the user does.
    bool CreateTemporaryBeside(const char16_t* target, std::u16string& temporaryPath);

    void Close();
    bool IsOpen() const;

    // origin 0: from the start, 1: from the current position, else from the end.
    // Returns the new position, or -1 on failure.
    int64_t Seek(int64_t offset, int origin);
    size_t Read(void* buffer, size_t count);
    size_t Write(const void* buffer, size_t count);
    // At a position, in one call (the file position afterwards is unspecified).
    size_t ReadAt(int64_t offset, void* buffer, size_t count);
    size_t WriteAt(int64_t offset, const void* buffer, size_t count);
    bool Flush();
    int64_t Size();
    // Cuts or extends the file to this many bytes.
    bool Truncate(int64_t size);
    // Why the open file is not private to the user running the program, for
    // refusing to take a secret from it; empty when it is private, or when
    // the system cannot tell. POSIX: its permission bits when group or others
    // have any. Windows: the accounts its access list allows to read or
    // change it besides the user, the system and the administrators.
    std::string WhyNotPrivate() const;
    const std::u16string& Path() const { return path; }

    // The readers' lock, kept apart from the file's bytes (flock on POSIX, a
    // byte range far past any data with LockFileEx on Windows): readers share
    // it for a whole read, a writer holds it alone while it writes pages.
    // Each waits at most waitMilliseconds for the other; false when it could
    // not be had in that time. Closing the file releases it.
    bool LockForReading(int waitMilliseconds);
    bool LockForWriting(int waitMilliseconds);
    void Unlock();

private:
    bool TryLock(bool exclusive);
    bool WaitForLock(bool exclusive, int waitMilliseconds);
    // The gate in front of the readers' lock (another byte out of the data's
    // way): a writer closes it while it waits, a reader passes it shared.
    bool TryGate(bool exclusive);
    void OpenGate();

    std::u16string path;
    bool locked = false;
#ifdef _WIN32
    void* handle = reinterpret_cast<void*>(static_cast<intptr_t>(-1));
#else
    int fd = -1;
#endif
};

// How long a reader waits for a writer to finish writing pages, and a writer
// for the readers to finish reading, before either gives up as busy.
inline constexpr int kReaderLockWaitMilliseconds = 10000;
inline constexpr int kWriterLockWaitMilliseconds = 10000;

// True when the last open failed for want of access (a read-only file or
// folder), not because another program holds the file.
bool LastErrorWasAccessDenied();

// Deletes a file; true when it is gone (also when it was never there).
bool RemoveFile(const char16_t* path);
bool FileExists(const char16_t* path);
// Moves the file at from over to, replacing an existing file in one step, so
// that to is either the old file or the whole new one.
bool RenameFile(const char16_t* from, const char16_t* to);
// True when path itself is a symbolic link (POSIX); a file written there is
// refused rather than written through the link. Always false on Windows.
bool IsSymbolicLink(const char16_t* path);
// The names of the entries of a folder ("." and ".." left out); false when
// it cannot be listed.
bool FolderEntries(const char16_t* folder, std::vector<std::u16string>& names);
// Seconds since 1970-01-01 UTC of the file's last change, or -1.
int64_t FileModifiedTime(const char16_t* path);
// Makes the folder entries of the file's folder durable, where the system
// needs that for a newly made file to survive a power loss (POSIX).
bool FlushFolderOf(const char16_t* path);
// The system's reason for the last failed file operation, as text.
std::string LastErrorText();
void SleepMilliseconds(int milliseconds);

// Sees every read, write, flush, truncation and removal of files before it
// happens, and may make it fail as the system would. Only tests install one.
enum class FileOp {
    Read,
    Write,
    Flush,
    Truncate,
    Remove
};
class FileObserver {
public:
    virtual ~FileObserver() = default;
    virtual bool Allow(FileOp op, const std::u16string& path, int64_t offset, const void* data, size_t count) = 0;
};
void SetFileObserver(FileObserver* observer);
// False when an installed observer refuses the operation.
bool FileOpAllowed(FileOp op, const std::u16string& path, int64_t offset, const void* data, size_t count);

// UTF-8 to UTF-16 and back. Invalid sequences become U+FFFD.
std::u16string Utf8ToUtf16(const char* bytes, size_t count);
std::string Utf16ToUtf8(const char16_t* text, size_t count);

// Locale-aware comparison ignoring case: negative, zero or positive.
int CompareNoCase(const char16_t* a, const char16_t* b);
// Folds the case of count units of text into out (room for count units, not
// overlapping text), unit for unit as CompareNoCase ignores case: letters that
// differ only in case fold alike, while accents and every other difference
// stay. A search compares folded texts instead of calling CompareNoCase on
// every pair.
void FoldCase(const char16_t* text, size_t count, char16_t* out);
// Locale-aware, case-sensitive comparison.
int CompareText(const char16_t* a, const char16_t* b);
// A key whose byte order is the order CompareText gives: sorting many texts
// by their keys costs one conversion per text instead of one per comparison.
std::string SortKey(const char16_t* text);

// The wide-character space class.
bool IsSpace(char16_t ch);

// Calendar time in whole seconds since 1970-01-01 UTC.
int32_t CurrentTime();

// Fills the buffer from the system's cryptographic random source.
bool RandomBytes(void* buffer, size_t count);

// Overwrites memory with zeros in a way the optimiser keeps.
void Wipe(void* buffer, size_t count);

// The program's arguments as UTF-8 (on Windows taken from the wide command
// line, so that any path survives), and a console that prints UTF-8.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Shows the prompt on the console and reads one line from it with echo
// switched off, as UTF-8 without the line break. False when the process has
// no console or terminal to ask (the caller then needs another source).
bool ReadSecretFromConsole(const std::string& prompt, std::string& secret);

}  // namespace platform
