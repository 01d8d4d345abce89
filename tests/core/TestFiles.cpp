#include "tests/core/TestFiles.h"

#ifdef _WIN32
#include <aclapi.h>
#endif

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

#ifdef _WIN32
// Writes the file anew with an access list of its own: full access for the
// user, and the access given for the other account when there is one. (Wine
// keeps a file's access list in its Unix mode, set when it is created.)
bool WriteWithAccessList(const std::u16string& path, const std::string& text, WELL_KNOWN_SID_TYPE other,
                         DWORD otherAccess) {
    EXPLICIT_ACCESSW entries[2] = {};
    entries[0].grfAccessPermissions = GENERIC_ALL;
    entries[0].grfAccessMode = SET_ACCESS;
    entries[0].Trustee.TrusteeForm = TRUSTEE_IS_NAME;
    entries[0].Trustee.ptstrName = const_cast<wchar_t*>(L"CURRENT_USER");
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof sid;
    ULONG count = 1;
    if (otherAccess && CreateWellKnownSid(other, nullptr, sid, &sidSize)) {
        entries[1].grfAccessPermissions = otherAccess;
        entries[1].grfAccessMode = SET_ACCESS;
        entries[1].Trustee.TrusteeForm = TRUSTEE_IS_SID;
        entries[1].Trustee.ptstrName = reinterpret_cast<wchar_t*>(sid);
        count = 2;
    }
    PACL dacl = nullptr;
    if (SetEntriesInAclW(count, entries, nullptr, &dacl) != ERROR_SUCCESS) return false;
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, dacl, FALSE);
    SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, &descriptor, FALSE};
    std::wstring name(path.begin(), path.end());
    DeleteFileW(name.c_str());
    HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, &attributes, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    LocalFree(dacl);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool whole = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
    CloseHandle(file);
    return whole;
}
#endif

bool WritePrivateFile(const std::u16string& path, const std::string& text) {
#ifdef _WIN32
    return WriteWithAccessList(path, text);
#else
    WriteBytes(path, {text.begin(), text.end()});
    std::error_code failed;
    std::filesystem::permissions(std::filesystem::path(path),
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write, failed);
    return !failed;
#endif
}
