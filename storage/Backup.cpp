#include "storage/Backup.h"

#include "platform/Platform.h"

#include <vector>

namespace {

constexpr int kBackups = 3;
constexpr int64_t kSecondsPerDay = 24 * 60 * 60;

bool CopyFile(const std::u16string& from, const std::u16string& to) {
    platform::File source, target;
    // Made here and now: a link or an old file left at the name is not written through.
    if (!source.OpenForRead(from.c_str(), true) || !target.CreateNew(to.c_str())) return false;
    std::vector<unsigned char> buffer(1 << 20);
    for (int64_t at = 0;;) {
        size_t got = source.ReadAt(at, buffer.data(), buffer.size());
        if (got == 0) break;
        if (target.WriteAt(at, buffer.data(), got) != got) return false;
        at += static_cast<int64_t>(got);
    }
    // A copy shorter than the file means a failed read, not its end.
    return source.Size() == target.Size() && target.Flush();
}

}  // namespace

std::u16string BackupPath(const std::u16string& databasePath, int number) {
    return databasePath + u".bak" + static_cast<char16_t>(u'0' + number);
}

bool BackUpDatabase(const std::u16string& databasePath, int32_t now, std::string& reason) {
    reason.clear();
    int64_t newest = platform::FileModifiedTime(BackupPath(databasePath, 1).c_str());
    if (newest >= 0 && newest / kSecondsPerDay == now / kSecondsPerDay) return true;
    // Copied under another name first, and the older copies move up only once
    // the copy is whole: a copy that fails costs no generation.
    std::u16string partial = databasePath + u".bak-new";
    platform::RemoveFile(partial.c_str());
    if (!CopyFile(databasePath, partial)) {
        reason = platform::LastErrorText();
        platform::RemoveFile(partial.c_str());
        return false;
    }
    for (int n = kBackups - 1; n >= 1; --n) {
        std::u16string older = BackupPath(databasePath, n);
        if (platform::FileExists(older.c_str()) &&
            !platform::RenameFile(older.c_str(), BackupPath(databasePath, n + 1).c_str())) {
            reason = platform::LastErrorText();
            platform::RemoveFile(partial.c_str());
            return false;
        }
    }
    if (!platform::RenameFile(partial.c_str(), BackupPath(databasePath, 1).c_str())) {
        reason = platform::LastErrorText();
        platform::RemoveFile(partial.c_str());
        return false;
    }
    return true;
}

std::u16string NewestBackup(const std::u16string& databasePath) {
    for (int n = 1; n <= kBackups; ++n) {
        std::u16string path = BackupPath(databasePath, n);
        if (platform::FileExists(path.c_str())) return path;
    }
    return {};
}
