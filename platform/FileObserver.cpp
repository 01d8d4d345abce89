#include "platform/Platform.h"

namespace platform {

namespace {
FileObserver* observer = nullptr;
}  // namespace

void SetFileObserver(FileObserver* next) { observer = next; }

bool FileOpAllowed(FileOp op, const std::u16string& path, int64_t offset, const void* data, size_t count) {
    return !observer || observer->Allow(op, path, offset, data, count);
}

}  // namespace platform
