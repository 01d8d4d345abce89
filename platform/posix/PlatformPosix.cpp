// POSIX implementation of the platform layer, used to test the core natively.
#include "platform/Platform.h"
#include "platform/Utf.h"

#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wctype.h>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <cwctype>
#include <memory>

namespace platform {

namespace {

std::string NativePath(const char16_t* path) {
    size_t n = 0;
    while (path[n]) ++n;
    return detail::EncodeUtf8(path, n);
}

// Files this program creates hold secrets, in clear when exported: only
// their owner may read them.
int OpenNative(const char16_t* path, int flags) {
    if (!path) return -1;
    int fd;
    do {
        fd = ::open(NativePath(path).c_str(), flags | O_CLOEXEC, 0600);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// An observer's refusal looks like a failed system call.
bool Allowed(FileOp op, const std::u16string& path, int64_t offset, const void* data, size_t count) {
    if (FileOpAllowed(op, path, offset, data, count)) return true;
    errno = EIO;
    return false;
}

constexpr off_t kWriterLockOffset = off_t{1} << 62;
constexpr off_t kGateOffset = kWriterLockOffset + 2;

// An open-file-description lock on one byte: it meets the locks of other
// descriptions of the file, also those of the same process.
bool ByteLock(int fd, off_t offset, short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = offset;
    lock.l_len = 1;
    int r;
    do {
        r = ::fcntl(fd, F_OFD_SETLK, &lock);
    } while (r != 0 && errno == EINTR);
    return r == 0;
}

locale_t TextLocale() {
    static locale_t loc = [] {
        locale_t l = newlocale(LC_ALL_MASK, "C.UTF-8", nullptr);
        return l ? l : newlocale(LC_ALL_MASK, "C", nullptr);
    }();
    return loc;
}

}  // namespace

File::~File() { Close(); }

bool File::OpenShared(const char16_t* name, bool create) {
    Close();
    fd = OpenNative(name, O_RDWR | (create ? O_CREAT | O_NOFOLLOW : 0));
    if (fd < 0) return false;
    path = name;
    // Stands in for the Windows share mode: a second writer is refused. A
    // lock of its own on one byte far past any data, so that it never meets
    // the readers' lock (flock).
    if (!ByteLock(fd, kWriterLockOffset, F_WRLCK)) {
        Close();
        errno = EWOULDBLOCK;
        return false;
    }
    return true;
}

bool File::OpenForRead(const char16_t* name, bool) {
    Close();
    fd = OpenNative(name, O_RDONLY);
    if (fd >= 0) path = name;
    return fd >= 0;
}

bool File::CreateForWrite(const char16_t* name) {
    Close();
    fd = OpenNative(name, O_WRONLY | O_CREAT | O_TRUNC);
    if (fd >= 0) path = name;
    return fd >= 0;
}

bool File::CreateNew(const char16_t* name) {
    Close();
    fd = OpenNative(name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW);
    if (fd >= 0) path = name;
    return fd >= 0;
}

File::ReadOpen File::OpenRegularForRead(const char16_t* path) {
    Close();
    // Without O_NONBLOCK opening a pipe waits for a writer.
    fd = OpenNative(path, O_RDONLY | O_NONBLOCK);
    if (fd < 0) return ReadOpen::kCannotOpen;
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        Close();
        return ReadOpen::kCannotOpen;
    }
    if (!S_ISREG(st.st_mode)) {
        Close();
        return ReadOpen::kNotRegular;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return ReadOpen::kOpened;
}

bool File::CreateTemporaryBeside(const char16_t* target, std::u16string& temporaryPath) {
    Close();
    temporaryPath.clear();
    if (!target) return false;
    std::u16string folder = target;
    size_t slash = folder.rfind(u'/');
    folder.resize(slash == std::u16string::npos ? 0 : slash + 1);
    for (int attempt = 0; attempt < 16; ++attempt) {
        uint32_t serial = 0;
        if (!RandomBytes(&serial, sizeof serial)) return false;
        char name[24];
        std::snprintf(name, sizeof name, ".~qr%08x.tmp", serial);
        std::u16string candidate = folder + detail::DecodeUtf8(name, std::strlen(name));
        fd = OpenNative(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW);
        if (fd >= 0) {
            temporaryPath = candidate;
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

std::string File::WhyNotPrivate() const {
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0 || (st.st_mode & 077) == 0) return {};
    char mode[16];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    return std::string("permissions ") + mode +
           " let others than its owner read or change it (chmod 600 makes it private)";
}

void File::Close() {
    if (fd >= 0) ::close(fd);
    fd = -1;
    locked = false;
    path.clear();
}

bool File::TryLock(bool exclusive) {
    int r;
    do {
        r = ::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB);
    } while (r != 0 && errno == EINTR);
    return r == 0;
}

void File::Unlock() {
    if (fd >= 0 && locked) ::flock(fd, LOCK_UN);
    locked = false;
}

bool File::TryGate(bool exclusive) { return ByteLock(fd, kGateOffset, exclusive ? F_WRLCK : F_RDLCK); }

void File::OpenGate() { ByteLock(fd, kGateOffset, F_UNLCK); }

bool LastErrorWasAccessDenied() { return errno == EACCES || errno == EROFS || errno == EPERM; }

bool File::IsOpen() const { return fd >= 0; }

int64_t File::Seek(int64_t offset, int origin) {
    if (fd < 0) return -1;
    int whence = origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : SEEK_END;
    off_t r = ::lseek(fd, static_cast<off_t>(offset), whence);
    return r < 0 ? -1 : static_cast<int64_t>(r);
}

size_t File::Read(void* buffer, size_t count) {
    if (fd < 0) return 0;
    size_t done = 0;
    while (done < count) {
        ssize_t r = ::read(fd, static_cast<char*>(buffer) + done, count - done);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        done += static_cast<size_t>(r);
    }
    return done;
}

size_t File::Write(const void* buffer, size_t count) {
    if (fd < 0) return 0;
    if (!Allowed(FileOp::Write, path, -1, buffer, count)) return 0;
    size_t done = 0;
    while (done < count) {
        ssize_t r = ::write(fd, static_cast<const char*>(buffer) + done, count - done);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        done += static_cast<size_t>(r);
    }
    return done;
}

size_t File::ReadAt(int64_t offset, void* buffer, size_t count) {
    if (fd < 0) return 0;
    if (!Allowed(FileOp::Read, path, offset, buffer, count)) return 0;
    size_t done = 0;
    while (done < count) {
        ssize_t r = ::pread(fd, static_cast<char*>(buffer) + done, count - done, static_cast<off_t>(offset + done));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        done += static_cast<size_t>(r);
    }
    return done;
}

size_t File::WriteAt(int64_t offset, const void* buffer, size_t count) {
    if (fd < 0) return 0;
    if (!Allowed(FileOp::Write, path, offset, buffer, count)) return 0;
    size_t done = 0;
    while (done < count) {
        ssize_t r =
            ::pwrite(fd, static_cast<const char*>(buffer) + done, count - done, static_cast<off_t>(offset + done));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        done += static_cast<size_t>(r);
    }
    return done;
}

bool File::Flush() { return fd >= 0 && Allowed(FileOp::Flush, path, 0, nullptr, 0) && ::fsync(fd) == 0; }

bool File::Truncate(int64_t size) {
    if (fd < 0 || !Allowed(FileOp::Truncate, path, size, nullptr, 0)) return false;
    int r;
    do {
        r = ::ftruncate(fd, static_cast<off_t>(size));
    } while (r != 0 && errno == EINTR);
    return r == 0;
}

bool RemoveFile(const char16_t* path) {
    if (!path) return false;
    if (!Allowed(FileOp::Remove, path, 0, nullptr, 0)) return false;
    return ::unlink(NativePath(path).c_str()) == 0 || errno == ENOENT;
}

bool FileExists(const char16_t* path) {
    struct stat st;
    return path && ::stat(NativePath(path).c_str(), &st) == 0;
}

bool RenameFile(const char16_t* from, const char16_t* to) {
    return from && to && ::rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0;
}

int64_t FileModifiedTime(const char16_t* path) {
    struct stat st;
    if (!path || ::stat(NativePath(path).c_str(), &st) != 0) return -1;
    return static_cast<int64_t>(st.st_mtime);
}

bool FlushFolderOf(const char16_t* path) {
    if (!path) return false;
    std::string native = NativePath(path);
    size_t slash = native.rfind('/');
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : native.substr(0, slash);
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return false;
    bool flushed =
        Allowed(FileOp::Flush, Utf8ToUtf16(folder.data(), folder.size()), 0, nullptr, 0) && ::fsync(dir) == 0;
    ::close(dir);
    return flushed;
}

std::string LastErrorText() { return std::strerror(errno); }

void SleepMilliseconds(int milliseconds) { ::usleep(static_cast<useconds_t>(milliseconds) * 1000); }

int64_t File::Size() {
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

bool FolderEntries(const char16_t* folder, std::vector<std::u16string>& names) {
    names.clear();
    std::unique_ptr<DIR, int (*)(DIR*)> dir(folder ? ::opendir(NativePath(folder).c_str()) : nullptr, ::closedir);
    if (!dir) return false;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        names.push_back(detail::DecodeUtf8(entry->d_name, std::strlen(entry->d_name)));
    }
    return true;
}

bool IsSymbolicLink(const char16_t* path) {
    struct stat st;
    return path && ::lstat(NativePath(path).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::u16string Utf8ToUtf16(const char* bytes, size_t count) { return detail::DecodeUtf8(bytes, count); }

std::string Utf16ToUtf8(const char16_t* text, size_t count) { return detail::EncodeUtf8(text, count); }

int CompareNoCase(const char16_t* a, const char16_t* b) {
    locale_t loc = TextLocale();
    for (;; ++a, ++b) {
        wint_t x = towlower_l(*a, loc);
        wint_t y = towlower_l(*b, loc);
        if (x != y) return x < y ? -1 : 1;
        if (*a == 0) return 0;
    }
}

void FoldCase(const char16_t* text, size_t count, char16_t* out) {
    locale_t loc = TextLocale();
    for (size_t i = 0; i < count; ++i) {
        char16_t ch = text[i];
        // What towlower_l answers for ASCII, without the call.
        out[i] = ch < 0x80 ? static_cast<char16_t>(ch >= u'A' && ch <= u'Z' ? ch + 32 : ch)
                           : static_cast<char16_t>(towlower_l(ch, loc));
    }
}

int CompareText(const char16_t* a, const char16_t* b) {
    for (;; ++a, ++b) {
        if (*a != *b) return *a < *b ? -1 : 1;
        if (*a == 0) return 0;
    }
}

std::string SortKey(const char16_t* text) {
    std::string key;
    for (; text && *text; ++text) {
        key.push_back(static_cast<char>(*text >> 8));
        key.push_back(static_cast<char>(*text & 0xFF));
    }
    return key;
}

bool IsSpace(char16_t ch) {
    switch (ch) {
        case 0x09:
        case 0x0A:
        case 0x0B:
        case 0x0C:
        case 0x0D:
        case 0x20:
        case 0x85:
        case 0xA0:
        case 0x1680:
        case 0x2028:
        case 0x2029:
        case 0x202F:
        case 0x205F:
        case 0x3000: return true;
        default: return ch >= 0x2000 && ch <= 0x200A;
    }
}

int32_t CurrentTime() { return static_cast<int32_t>(std::time(nullptr)); }

bool RandomBytes(void* buffer, size_t count) {
    auto* p = static_cast<unsigned char*>(buffer);
    while (count > 0) {
        ssize_t r = ::getrandom(p, count, 0);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        p += r;
        count -= static_cast<size_t>(r);
    }
    return true;
}

void Wipe(void* buffer, size_t count) {
    if (buffer && count) ::explicit_bzero(buffer, count);
}

std::vector<std::string> ProgramArguments(int argc, char** argv) { return {argv, argv + argc}; }

}  // namespace platform
