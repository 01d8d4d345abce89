#include "tests/core/TestFiles.h"

#include <atomic>
#include <fstream>
#include <random>

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder() {
    static std::atomic<int> serial{0};
    std::random_device random;
    folder = fs::temp_directory_path() /
             ("quorrel-test-" + std::to_string(random()) + "-" + std::to_string(serial++));
    fs::create_directories(folder);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

std::u16string ScratchFolder::Path(const char* name) const { return (folder / name).u16string(); }

std::string ScratchFolder::Utf8Path(const char* name) const {
    auto text = (folder / name).u8string();
    return std::string(text.begin(), text.end());
}

std::vector<unsigned char> ReadBytes(const std::u16string& path) {
    std::ifstream in(fs::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::u16string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(fs::path(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
