// Scratch folders and raw file access for tests that build their own files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

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

inline int32_t WordAt(const std::vector<unsigned char>& bytes, size_t offset) {
    return static_cast<int32_t>(bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
                                static_cast<uint32_t>(bytes[offset + 3]) << 24);
}

inline void SetWordAt(std::vector<unsigned char>& bytes, size_t offset, int32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<unsigned char>(static_cast<uint32_t>(value) >> (8 * i));
}
