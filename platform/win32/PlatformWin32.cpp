// Win32 implementation of the platform layer, used by the product.
#include "platform/Platform.h"

#include <windows.h>

#include <aclapi.h>
#include <bcrypt.h>
#include <sddl.h>
#include <shellapi.h>

#include <ctime>
#include <cwctype>
#include <memory>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

namespace platform {

namespace {

const wchar_t* Wide(const char16_t* s) { return reinterpret_cast<const wchar_t*>(s); }

HANDLE AsHandle(void* h) { return static_cast<HANDLE>(h); }

void* OpenNative(const char16_t* path, DWORD access, DWORD share, DWORD disposition) {
    if (!path) return INVALID_HANDLE_VALUE;
    return CreateFileW(Wide(path), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// An observer's refusal looks like a failed system call.
bool Allowed(FileOp op, const std::u16string& path, int64_t offset, const void* data, size_t count) {
    if (FileOpAllowed(op, path, offset, data, count)) return true;
    SetLastError(ERROR_WRITE_FAULT);
    return false;
}

size_t WriteAll(HANDLE file, const void* buffer, size_t count) {
    size_t done = 0;
    while (done < count) {
        DWORD chunk = static_cast<DWORD>(count - done > 0x40000000 ? 0x40000000 : count - done);
        DWORD put = 0;
        if (!WriteFile(file, static_cast<const char*>(buffer) + done, chunk, &put, nullptr) || put == 0) break;
        done += put;
    }
    return done;
}

}  // namespace

File::~File() { Close(); }

bool File::OpenShared(const char16_t* name, bool create) {
    Close();
    handle = OpenNative(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, create ? OPEN_ALWAYS : OPEN_EXISTING);
    if (IsOpen()) path = name;
    return IsOpen();
}

bool File::OpenForRead(const char16_t* name, bool allowWriters) {
    Close();
    DWORD share = FILE_SHARE_READ | (allowWriters ? FILE_SHARE_WRITE : 0);
    handle = OpenNative(name, GENERIC_READ, share, OPEN_EXISTING);
    if (IsOpen()) path = name;
    return IsOpen();
}

bool File::CreateForWrite(const char16_t* name) {
    Close();
    handle = OpenNative(name, GENERIC_WRITE, 0, CREATE_ALWAYS);
    if (IsOpen()) path = name;
    return IsOpen();
}

bool File::CreateNew(const char16_t* name) {
    Close();
    handle = OpenNative(name, GENERIC_WRITE, 0, CREATE_NEW);
    if (IsOpen()) path = name;
    return IsOpen();
}

File::ReadOpen File::OpenRegularForRead(const char16_t* path) {
    Close();
    if (!path) return ReadOpen::kCannotOpen;
    // A folder cannot be opened as a file at all; say what it is.
    DWORD attributes = GetFileAttributesW(Wide(path));
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetLastError(ERROR_DIRECTORY);
        return ReadOpen::kNotRegular;
    }
    if (!OpenForRead(path)) return ReadOpen::kCannotOpen;
    // Pipes, consoles and devices ("NUL", "COM1", "\\.\pipe\...") are no disk files.
    if (GetFileType(AsHandle(handle)) != FILE_TYPE_DISK) {
        Close();
        return ReadOpen::kNotRegular;
    }
    return ReadOpen::kOpened;
}

bool File::CreateTemporaryBeside(const char16_t* target, std::u16string& temporaryPath) {
    Close();
    temporaryPath.clear();
    if (!target) return false;
    std::u16string folder = target;
    size_t end = folder.find_last_of(u"\\/:");
    folder.resize(end == std::u16string::npos ? 0 : end + 1);
    for (int attempt = 0; attempt < 16; ++attempt) {
        uint32_t serial = 0;
        if (!RandomBytes(&serial, sizeof serial)) return false;
        wchar_t name[24];
        wsprintfW(name, L"~qr%08x.tmp", serial);
        std::u16string candidate = folder + reinterpret_cast<const char16_t*>(name);
        handle =
            CreateFileW(Wide(candidate.c_str()), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (IsOpen()) {
            temporaryPath = candidate;
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

namespace {

// The user the program runs as; empty when the process token cannot tell.
std::vector<BYTE> CurrentUserSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    bool got = size && GetTokenInformation(token, TokenUser, user.data(), size, &size);
    CloseHandle(token);
    if (!got) return {};
    PSID sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
    const BYTE* bytes = static_cast<const BYTE*>(sid);
    return {bytes, bytes + GetLengthSid(sid)};
}

// The name of an account as Windows shows it ("BUILTIN\Users", "Everyone"),
// else the SID's text.
std::string AccountName(PSID sid) {
    wchar_t name[256], domain[256];
    DWORD nameUnits = 256, domainUnits = 256;
    SID_NAME_USE use;
    std::wstring text;
    if (LookupAccountSidW(nullptr, sid, name, &nameUnits, domain, &domainUnits, &use)) {
        text = domain[0] ? std::wstring(domain) + L"\\" + name : name;
    } else if (wchar_t* sidText = nullptr; ConvertSidToStringSidW(sid, &sidText)) {
        text = sidText;
        LocalFree(sidText);
    }
    return Utf16ToUtf8(reinterpret_cast<const char16_t*>(text.c_str()), text.size());
}

// The accounts the access list lets read or change the file besides the
// user, the system and the administrators (who can take any file anyway);
// empty when there are none.
std::string OthersAllowedBy(const ACL* dacl, PSID user) {
    if (!dacl) return "Everyone";  // no access list at all: anyone may
    constexpr ACCESS_MASK kReadOrChange = FILE_READ_DATA | FILE_WRITE_DATA | FILE_APPEND_DATA | GENERIC_READ |
                                          GENERIC_WRITE | GENERIC_ALL | WRITE_DAC | WRITE_OWNER;
    std::string others;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(const_cast<ACL*>(dacl), i, &entry)) continue;
        auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        if (ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE || (ace->Header.AceFlags & INHERIT_ONLY_ACE)) continue;
        if (!(ace->Mask & kReadOrChange)) continue;
        PSID sid = &ace->SidStart;
        if (EqualSid(sid, user) || IsWellKnownSid(sid, WinLocalSystemSid) ||
            IsWellKnownSid(sid, WinBuiltinAdministratorsSid)) {
            continue;
        }
        others += (others.empty() ? "" : ", ") + AccountName(sid);
    }
    return others;
}

}  // namespace

std::string File::WhyNotPrivate() const {
    std::vector<BYTE> user = CurrentUserSid();
    if (!IsOpen() || user.empty()) return {};
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(AsHandle(handle), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                        &descriptor) != ERROR_SUCCESS) {
        return {};
    }
    std::string others = OthersAllowedBy(dacl, user.data());
    LocalFree(descriptor);
    if (others.empty()) return {};
    return "its access list lets " + others + " read or change it (remove them under Properties, Security)";
}

void File::Close() {
    if (IsOpen()) CloseHandle(AsHandle(handle));
    handle = INVALID_HANDLE_VALUE;
    locked = false;
    path.clear();
}

namespace {

// The readers' lock is one byte far past any data: a byte-range lock on
// Windows also bars reads and writes of its range, so it must cover none.
constexpr DWORD kReaderLockOffsetHigh = 0x40000000;

bool TryByteLock(HANDLE file, DWORD offset, bool exclusive) {
    OVERLAPPED at{};
    at.Offset = offset;
    at.OffsetHigh = kReaderLockOffsetHigh;
    DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    return LockFileEx(file, flags, 0, 1, 0, &at) != 0;
}

// The gate in front of it is the byte after it.
constexpr DWORD kGateOffset = 1;

}  // namespace

bool File::TryLock(bool exclusive) { return TryByteLock(AsHandle(handle), 0, exclusive); }

bool File::TryGate(bool exclusive) { return TryByteLock(AsHandle(handle), kGateOffset, exclusive); }

void File::OpenGate() {
    OVERLAPPED at{};
    at.Offset = kGateOffset;
    at.OffsetHigh = kReaderLockOffsetHigh;
    UnlockFileEx(AsHandle(handle), 0, 1, 0, &at);
}

void File::Unlock() {
    if (IsOpen() && locked) {
        OVERLAPPED at{};
        at.OffsetHigh = kReaderLockOffsetHigh;
        UnlockFileEx(AsHandle(handle), 0, 1, 0, &at);
    }
    locked = false;
}

bool LastErrorWasAccessDenied() { return GetLastError() == ERROR_ACCESS_DENIED; }

bool File::IsOpen() const { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }

int64_t File::Seek(int64_t offset, int origin) {
    if (!IsOpen()) return -1;
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER position;
    DWORD method = origin == 0 ? FILE_BEGIN : origin == 1 ? FILE_CURRENT : FILE_END;
    if (!SetFilePointerEx(AsHandle(handle), distance, &position, method)) return -1;
    return position.QuadPart;
}

size_t File::Read(void* buffer, size_t count) {
    if (!IsOpen()) return 0;
    size_t done = 0;
    while (done < count) {
        DWORD chunk = static_cast<DWORD>(count - done > 0x40000000 ? 0x40000000 : count - done);
        DWORD got = 0;
        if (!ReadFile(AsHandle(handle), static_cast<char*>(buffer) + done, chunk, &got, nullptr) || got == 0) break;
        done += got;
    }
    return done;
}

size_t File::Write(const void* buffer, size_t count) {
    if (!IsOpen() || !Allowed(FileOp::Write, path, -1, buffer, count)) return 0;
    return WriteAll(AsHandle(handle), buffer, count);
}

// A seek and a plain read: a positioned ReadFile (with an OVERLAPPED offset)
// is many times slower under Wine.
size_t File::ReadAt(int64_t offset, void* buffer, size_t count) {
    if (!Allowed(FileOp::Read, path, offset, buffer, count)) return 0;
    return Seek(offset, 0) == offset ? Read(buffer, count) : 0;
}

size_t File::WriteAt(int64_t offset, const void* buffer, size_t count) {
    if (!IsOpen() || !Allowed(FileOp::Write, path, offset, buffer, count)) return 0;
    return Seek(offset, 0) == offset ? WriteAll(AsHandle(handle), buffer, count) : 0;
}

bool File::Flush() {
    return IsOpen() && Allowed(FileOp::Flush, path, 0, nullptr, 0) && FlushFileBuffers(AsHandle(handle));
}

bool File::Truncate(int64_t size) {
    if (!IsOpen() || !Allowed(FileOp::Truncate, path, size, nullptr, 0)) return false;
    return Seek(size, 0) == size && SetEndOfFile(AsHandle(handle));
}

bool RemoveFile(const char16_t* path) {
    if (!path || !Allowed(FileOp::Remove, path, 0, nullptr, 0)) return false;
    return DeleteFileW(Wide(path)) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

bool FileExists(const char16_t* path) { return path && GetFileAttributesW(Wide(path)) != INVALID_FILE_ATTRIBUTES; }

bool RenameFile(const char16_t* from, const char16_t* to) {
    return from && to && MoveFileExW(Wide(from), Wide(to), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

int64_t FileModifiedTime(const char16_t* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!path || !GetFileAttributesExW(Wide(path), GetFileExInfoStandard, &data)) return -1;
    ULARGE_INTEGER t;
    t.LowPart = data.ftLastWriteTime.dwLowDateTime;
    t.HighPart = data.ftLastWriteTime.dwHighDateTime;
    return static_cast<int64_t>(t.QuadPart / 10000000ull) - 11644473600ll;  // from 1601 to 1970
}

// NTFS makes a new folder entry durable with the file's own flush.
bool FlushFolderOf(const char16_t*) { return true; }

std::string LastErrorText() {
    DWORD code = GetLastError();
    wchar_t* text = nullptr;
    DWORD n =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string reason;
    if (n && text) {
        while (n > 0 && (text[n - 1] == L'\r' || text[n - 1] == L'\n' || text[n - 1] == L'.')) --n;
        reason = Utf16ToUtf8(reinterpret_cast<const char16_t*>(text), n);
    }
    if (text) LocalFree(text);
    return reason.empty() ? "system error " + std::to_string(code) : reason;
}

void SleepMilliseconds(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }

int64_t File::Size() {
    LARGE_INTEGER size;
    if (!IsOpen() || !GetFileSizeEx(AsHandle(handle), &size)) return -1;
    return size.QuadPart;
}

bool IsSymbolicLink(const char16_t*) { return false; }

bool FolderEntries(const char16_t* folder, std::vector<std::u16string>& names) {
    names.clear();
    if (!folder) return false;
    std::u16string pattern = std::u16string(folder) + u"\\*";
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(reinterpret_cast<const wchar_t*>(pattern.c_str()), &found);
    if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    std::unique_ptr<void, BOOL (*)(HANDLE)> closer(search, FindClose);
    do {
        std::u16string name(reinterpret_cast<const char16_t*>(found.cFileName));
        if (name != u"." && name != u"..") names.push_back(name);
    } while (FindNextFileW(search, &found));
    return true;
}

std::u16string Utf8ToUtf16(const char* bytes, size_t count) {
    std::u16string out;
    if (count == 0) return out;
    int n = MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(count), nullptr, 0);
    if (n <= 0) return out;
    out.resize(static_cast<size_t>(n));
    MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(count), reinterpret_cast<wchar_t*>(out.data()), n);
    return out;
}

std::string Utf16ToUtf8(const char16_t* text, size_t count) {
    std::string out;
    if (count == 0) return out;
    int n = WideCharToMultiByte(CP_UTF8, 0, Wide(text), static_cast<int>(count), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return out;
    out.resize(static_cast<size_t>(n));
    WideCharToMultiByte(CP_UTF8, 0, Wide(text), static_cast<int>(count), out.data(), n, nullptr, nullptr);
    return out;
}

int CompareNoCase(const char16_t* a, const char16_t* b) { return lstrcmpiW(Wide(a), Wide(b)); }

void FoldCase(const char16_t* text, size_t count, char16_t* out) {
    // In pieces that an int can count; lower case maps unit for unit.
    while (count > 0) {
        int piece = static_cast<int>(count > 0x10000000 ? 0x10000000 : count);
        if (LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_LOWERCASE, Wide(text), piece, reinterpret_cast<wchar_t*>(out),
                         piece) != piece) {
            for (int i = 0; i < piece; ++i) out[i] = text[i];  // unfolded rather than unset
        }
        text += piece;
        out += piece;
        count -= piece;
    }
}

int CompareText(const char16_t* a, const char16_t* b) { return lstrcmpW(Wide(a), Wide(b)); }

std::string SortKey(const char16_t* text) {
    int size = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY, Wide(text ? text : u""), -1, nullptr, 0);
    if (size <= 0) return {};
    std::string key(static_cast<size_t>(size), '\0');
    LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY, Wide(text ? text : u""), -1,
                 reinterpret_cast<wchar_t*>(key.data()), size);
    return key;
}

bool IsSpace(char16_t ch) { return iswctype(static_cast<wint_t>(ch), _SPACE) != 0; }

int32_t CurrentTime() { return static_cast<int32_t>(std::time(nullptr)); }

namespace {

using GenRandomFunction = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, PUCHAR, ULONG, ULONG);

// The system's random source, from bcrypt.dll in the system folder only: it
// is no KnownDLL, so a static import would take a copy planted beside the
// program. Null when it cannot be had; there is no weaker source to fall back on.
GenRandomFunction SystemRandom() {
    static const GenRandomFunction found = [] {
        HMODULE library = LoadLibraryExW(L"bcrypt.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        FARPROC entry = library ? GetProcAddress(library, "BCryptGenRandom") : nullptr;
        return reinterpret_cast<GenRandomFunction>(reinterpret_cast<void*>(entry));
    }();
    return found;
}

}  // namespace

bool RandomBytes(void* buffer, size_t count) {
    GenRandomFunction generate = SystemRandom();
    if (!generate) return false;
    auto* p = static_cast<unsigned char*>(buffer);
    while (count > 0) {
        ULONG chunk = static_cast<ULONG>(count > 0x10000000 ? 0x10000000 : count);
        if (!BCRYPT_SUCCESS(generate(nullptr, p, chunk, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) return false;
        p += chunk;
        count -= chunk;
    }
    return true;
}

void Wipe(void* buffer, size_t count) {
    if (buffer && count) SecureZeroMemory(buffer, count);
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    SetConsoleOutputCP(CP_UTF8);
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return {argv, argv + argc};
    std::vector<std::string> args;
    for (int i = 0; i < count; ++i) {
        auto* text = reinterpret_cast<const char16_t*>(wide[i]);
        args.push_back(Utf16ToUtf8(text, std::char_traits<char16_t>::length(text)));
    }
    LocalFree(wide);
    return args;
}

namespace {

// The console and its mode before the prompt switched echo off, for the
// control handler below.
HANDLE promptInput = INVALID_HANDLE_VALUE;
DWORD promptMode = 0;

// Ctrl+C, Ctrl+Break or the console closing at the prompt end the process as
// they would without it (the handler declines), with the echo back first.
BOOL WINAPI RestoreEchoOnControl(DWORD) {
    if (promptInput != INVALID_HANDLE_VALUE) SetConsoleMode(promptInput, promptMode);
    return FALSE;
}

}  // namespace

bool ReadSecretFromConsole(const std::string& prompt, std::string& secret) {
    secret.clear();
    // The console itself, not standard input: a password is never taken
    // from a pipe by accident.
    HANDLE in = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE) return false;
    HANDLE out = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    DWORD saved = 0;
    if (!GetConsoleMode(in, &saved)) {
        CloseHandle(in);
        if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
        return false;
    }
    std::u16string wide = Utf8ToUtf16(prompt.data(), prompt.size());
    DWORD written = 0;
    if (out != INVALID_HANDLE_VALUE)
        WriteConsoleW(out, Wide(wide.c_str()), static_cast<DWORD>(wide.size()), &written, nullptr);
    promptInput = in;
    promptMode = saved;
    SetConsoleCtrlHandler(RestoreEchoOnControl, TRUE);
    SetConsoleMode(in, (saved & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT);
    std::u16string line;
    bool read = false;
    wchar_t ch = 0;
    for (;;) {
        DWORD got = 0;
        if (!ReadConsoleW(in, &ch, 1, &got, nullptr) || got == 0) {
            read = !line.empty();
            break;
        }
        if (ch == L'\n') {
            read = true;
            break;
        }
        // Far beyond any password the program accepts; the rest is dropped.
        if (ch != L'\r' && line.size() < 1024) line.push_back(static_cast<char16_t>(ch));
    }
    ch = 0;
    SetConsoleMode(in, saved);
    SetConsoleCtrlHandler(RestoreEchoOnControl, FALSE);
    promptInput = INVALID_HANDLE_VALUE;
    if (out != INVALID_HANDLE_VALUE) {
        WriteConsoleW(out, L"\r\n", 2, &written, nullptr);
        CloseHandle(out);
    }
    CloseHandle(in);
    if (read) secret = Utf16ToUtf8(line.data(), line.size());
    Wipe(line.data(), line.size() * sizeof(char16_t));
    return read;
}

}  // namespace platform
