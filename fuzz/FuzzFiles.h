// Scratch files for the fuzz targets: the core reads and writes files by
// path, so every input is written to a file of its own process first, on a
// memory-backed folder when there is one (flushes there cost nothing).
#pragma once

#include "model/Database.h"
#include "platform/Platform.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace fuzz {

// Removes the process's scratch files when it exits.
class ScratchFiles {
public:
    ~ScratchFiles() {
        std::error_code ignored;
        for (const auto& path : paths) std::filesystem::remove(path, ignored);
    }
    std::vector<std::filesystem::path> paths;
};

inline std::u16string ScratchPath(const char* name) {
    namespace fs = std::filesystem;
    static ScratchFiles made;
    std::error_code failed;
    fs::path folder = fs::is_directory("/dev/shm", failed) ? fs::path("/dev/shm") : fs::temp_directory_path();
    fs::path path = folder / ("quorrel-fuzz-" + std::to_string(::getpid()) + "-" + name);
    made.paths.push_back(path);
    return path.u16string();
}

inline void WriteFile(const std::u16string& path, const void* data, size_t size) {
    platform::File file;
    if (!file.CreateForWrite(path.c_str()) || file.Write(data, size) != size) std::abort();
}

inline std::vector<unsigned char> ReadFile(const std::u16string& path) {
    platform::File file;
    std::vector<unsigned char> bytes;
    if (!file.OpenForRead(path.c_str())) return bytes;
    bytes.resize(static_cast<size_t>(file.Size()));
    bytes.resize(file.Read(bytes.data(), bytes.size()));
    return bytes;
}

// A new database as the program's first start makes it, made once.
inline const std::vector<unsigned char>& FreshDatabaseImage() {
    static const std::vector<unsigned char> image = [] {
        std::u16string path = ScratchPath("fresh.qrb");
        std::filesystem::remove(std::filesystem::path(path));
        {
            CDatabase database;
            if (database.Create(path.c_str()) != CxFile::kOpened) std::abort();
        }
        std::vector<unsigned char> bytes = ReadFile(path);
        std::filesystem::remove(std::filesystem::path(path));
        return bytes;
    }();
    return image;
}

// Stops the run with a finding when a property that must hold does not.
inline void Require(bool holds) {
    if (!holds) std::abort();
}

}  // namespace fuzz
