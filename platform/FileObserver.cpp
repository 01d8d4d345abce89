#include "platform/Platform.h"

namespace platform {

namespace {
FileObserver* observer = nullptr;
}  // namespace

void SetFileObserver(FileObserver* next) { observer = next; }

bool FileOpAllowed(FileOp op, const std::u16string& path, int64_t offset, const void* data, size_t count) {
    return !observer || observer->Allow(op, path, offset, data, count);
}

// Waiting is the same everywhere: try, and try again a little later. Readers
// that follow one another closely would always hold the lock when a waiting
// writer looks again, so a writer first closes a gate that readers pass on
// their way to the lock: readers already in finish, new ones wait behind it.
bool File::WaitForLock(bool exclusive, int waitMilliseconds) {
    constexpr int kStepMilliseconds = 5;
    int waited = 0;
    auto waitFor = [&](auto attempt) {
        for (;; waited += kStepMilliseconds) {
            if (attempt()) return true;
            if (waited >= waitMilliseconds) return false;
            SleepMilliseconds(kStepMilliseconds);
        }
    };
    if (!waitFor([&] { return TryGate(exclusive); })) return false;
    locked = waitFor([&] { return TryLock(exclusive); });
    OpenGate();
    return locked;
}

bool File::LockForReading(int waitMilliseconds) { return IsOpen() && WaitForLock(false, waitMilliseconds); }

bool File::LockForWriting(int waitMilliseconds) { return IsOpen() && WaitForLock(true, waitMilliseconds); }

}  // namespace platform
