// Scratch folders and raw file access for tests that build their own files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::u16string Path(const char* name) const;
    std::string Utf8Path(const char* name) const;

private:
    std::filesystem::path folder;
};

std::vector<unsigned char> ReadBytes(const std::u16string& path);
void WriteBytes(const std::u16string& path, const std::vector<unsigned char>& bytes);
// A file its owner alone may read or change, as password files must be.
bool WritePrivateFile(const std::u16string& path, const std::string& text);
#ifdef _WIN32
// Writes the file anew with an access list of its own: full access for the
// user, and the access given for another account when there is one. (Wine
// keeps a file's access list in its Unix mode, set when it is created.)
bool WriteWithAccessList(const std::u16string& path, const std::string& text, WELL_KNOWN_SID_TYPE other = WinNullSid,
                         DWORD otherAccess = 0);
#endif

inline int32_t WordAt(const std::vector<unsigned char>& bytes, size_t offset) {
    return static_cast<int32_t>(bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
                                static_cast<uint32_t>(bytes[offset + 3]) << 24);
}

inline void SetWordAt(std::vector<unsigned char>& bytes, size_t offset, int32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<unsigned char>(static_cast<uint32_t>(value) >> (8 * i));
}
