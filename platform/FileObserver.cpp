#include "platform/Platform.h"

namespace platform {

namespace {
FileObserver* observer = nullptr;
}  // namespace

void SetFileObserver(FileObserver* next) { observer = next; }

bool FileOpAllowed(FileOp op, const std::u16string& path, int64_t offset, const void* data, size_t count) {
    return !observer || observer->Allow(op, path, offset, data, count);
}

// Waiting is the same everywhere: try, and try again a little later.
bool File::WaitForLock(bool exclusive, int waitMilliseconds) {
    constexpr int kStepMilliseconds = 5;
    for (int waited = 0;; waited += kStepMilliseconds) {
        if (TryLock(exclusive)) {
            locked = true;
            return true;
        }
        if (waited >= waitMilliseconds) return false;
        SleepMilliseconds(kStepMilliseconds);
    }
}

bool File::LockForReading(int waitMilliseconds) { return IsOpen() && WaitForLock(false, waitMilliseconds); }

bool File::LockForWriting(int waitMilliseconds) { return IsOpen() && WaitForLock(true, waitMilliseconds); }

}  // namespace platform
