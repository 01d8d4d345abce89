#include "storage/CxFile.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>

static_assert(std::endian::native == std::endian::little, "the file format is little-endian");

CxFile::CxFile(const char* sig) : signature(std::string(sig ? sig : "").substr(0, 15)) {}

CxFile::~CxFile() { Close(); }

bool CxFile::IsOpen() { return pager.IsOpen(); }

// ---- transactions ------------------------------------------------------------

bool CxFile::Begin() { return pager.Begin(); }

bool CxFile::Finish(bool done) {
    if (!done) pager.Fail();
    return Commit() && done;
}

void CxFile::Rollback() {
    if (pager.Depth() == 0) return;
    pager.Fail();
    Commit();
}

bool CxFile::Commit() {
    bool discarded = false;
    bool committed = pager.Commit(discarded);
    if (discarded) AfterDiscard();
    return committed;
}

void CxFile::AfterDiscard() {
    haveFreeKeyHint = false;
    index.AfterDiscard();
}

// ---- opening and closing -----------------------------------------------------

int CxFile::Open(const char16_t* path) { return OpenExisting(path, false); }

int CxFile::OpenReadOnly(const char16_t* path) { return OpenExisting(path, true); }

int CxFile::Settle(platform::File& writer) {
    switch (RecoverDatabase(writer, journalNotice)) {
        case Recovery::kUnreadable: return kJournalRefused;
        case Recovery::kFailed: return kCannotOpen;
        default: return kOpened;
    }
}

int CxFile::OpenForWriting(const char16_t* path) {
    platform::File& file = pager.File();
    if (!file.OpenShared(path, false)) {
        bool denied = platform::LastErrorWasAccessDenied();
        return denied && JournalNeedsRecovery(path) ? kNeedsWriteAccess : kCannotOpen;
    }
    return Settle(file);
}

// A reader holds the readers' lock for as long as the file is open, so no
// writer changes a page under it. A journal that needs rolling back is
// settled first through the writer's access, which only works when no live
// writer holds it; a writer that holds it with a hot journal is one whose
// commit could not be undone: the reader waits for it a little, then gives up.
int CxFile::OpenForReading(const char16_t* path) {
    constexpr int kWaitSteps = 40, kStepMilliseconds = 50;
    platform::File& file = pager.File();
    if (!file.OpenForRead(path, true)) return kCannotOpen;
    for (int step = 0;; ++step) {
        if (!file.LockForReading(platform::kReaderLockWaitMilliseconds)) return kBusy;
        if (!JournalNeedsRecovery(path)) return kOpened;
        file.Unlock();
        platform::File writer;
        if (writer.OpenShared(path, false)) {
            int settled = Settle(writer);
            if (settled != kOpened) return settled;
        } else if (platform::LastErrorWasAccessDenied()) {
            return kNeedsWriteAccess;
        } else {
            platform::SleepMilliseconds(kStepMilliseconds);
        }
        if (step == kWaitSteps) return kBusy;
    }
}

int CxFile::OpenExisting(const char16_t* path, bool forReading) {
    Close();
    journalNotice.clear();
    platform::File& file = pager.File();
    // A transaction cut short leaves its journal; the file is read only
    // after it has been rolled back.
    int settled = forReading ? OpenForReading(path) : OpenForWriting(path);
    if (settled != kOpened) {
        Close();
        return settled;
    }
    int64_t size = file.Seek(0, 2);
    if (size <= 35) {
        Close();
        return kOtherFormat;
    }
    cx::Header stored{};
    if (pager.RawRead(0, &stored, kHeaderSize) != kHeaderSize) {
        Close();
        return kCannotOpen;
    }
    stored.signature[15] = 0;  // the comparison stops at the terminator, or at 15 characters
    if (signature != stored.signature) {
        Close();
        return kOtherFormat;
    }
    int32_t ps = stored.pageSize;
    bool sound = ps >= 64 && ps <= 512 && std::has_single_bit(static_cast<uint32_t>(ps)) && size <= INT32_MAX;
    pager.Adopt(stored, size, sound, forReading);
    if (!sound) {
        pager.ReportDamage("the header states an impossible page size or the file is too large");
        ps = 512;
    } else if ((size - kHeaderSize) % ps != 0) {
        pager.ReportDamage("the file does not end on a page boundary");
    }
    index.Start(ps);
    chains.Start(ps);
    if (sound) {
        index.LoadFirst();
        pager.CheckFreeList();
    }
    index.Unposition();
    return kOpened;
}

int CxFile::Create(const char16_t* path, int32_t requestedPageSize, int32_t firstUserValue, int32_t secondUserValue) {
    Close();
    journalNotice.clear();
    if (!pager.File().OpenShared(path, true)) return kCannotOpen;
    int32_t ps = std::clamp(requestedPageSize, 64, 512);
    ps = static_cast<int32_t>(std::bit_ceil(static_cast<uint32_t>(ps)));
    cx::Header header{};
    std::strncpy(header.signature, signature.c_str(), sizeof header.signature - 1);
    header.firstUserValue = firstUserValue;
    header.secondUserValue = secondUserValue;
    header.pageSize = ps;
    header.firstIndexPage = kNone;
    header.freeListHead = kNone;
    pager.Adopt(header, 0, true, false);
    // A journal beside a file that was missing belongs to no file of ours.
    platform::RemoveFile(JournalPathFor(pager.File().Path()).c_str());
    if (!pager.WriteFreshHeader()) {
        Close();
        return kCannotOpen;
    }
    index.Start(ps);
    chains.Start(ps);
    return kOpened;
}

void CxFile::GetUserValues(int32_t& first, int32_t& second) {
    first = pager.Head().firstUserValue;
    second = pager.Head().secondUserValue;
}

void CxFile::Close() {
    bool discarded = false;
    pager.Abandon(discarded);
    if (discarded) AfterDiscard();
    pager.Close();
    index.Stop();
    chains.Stop();
    haveFreeKeyHint = false;
}

// ---- navigation --------------------------------------------------------------

bool CxFile::Find(int32_t key) { return index.Find(key); }

bool CxFile::First() { return index.First(); }

bool CxFile::Next() { return index.Next(); }

bool CxFile::Last() { return index.Last(); }

bool CxFile::GetKey(int32_t& key) {
    if (!pager.Usable() || !index.CursorValid()) return false;
    key = index.Key();
    return true;
}

bool CxFile::GetLength(int32_t& length) {
    if (!pager.Usable() || !index.CursorValid()) return false;
    length = index.Length();
    return true;
}

bool CxFile::ReadData(void* buffer, int32_t& length) {
    length = 0;
    if (!pager.Usable() || !index.CursorValid()) return false;
    int32_t stated = index.Length();
    if (!chains.Walk(index.DataPage(), stated, nullptr, static_cast<unsigned char*>(buffer))) return false;
    length = stated;
    return true;
}

bool CxFile::ReadEntry(std::vector<unsigned char>& bytes) {
    bytes.clear();
    int32_t length = 0;
    if (!GetLength(length)) return false;
    if (length < 0 || length / chains.Capacity() > pager.PageCount()) {
        pager.ReportDamage("an entry states a length larger than the file");
        return false;
    }
    bytes.resize(static_cast<size_t>(length));
    if (!ReadData(bytes.data(), length)) {
        bytes.clear();
        return false;
    }
    return true;
}

int32_t CxFile::FirstFreeKey(int32_t from) {
    if (!haveFreeKeyHint || freeKeyFrom != from) {
        freeKeyFrom = from;
        freeKeyHint = from;
        haveFreeKeyHint = true;
    }
    int32_t candidate = freeKeyHint;
    if (Find(candidate)) {
        int32_t key = 0;
        while (candidate < INT32_MAX && Next() && GetKey(key) && key == candidate + 1) ++candidate;
        if (candidate < INT32_MAX) ++candidate;
    }
    freeKeyHint = candidate;
    return candidate;
}

// ---- changes -----------------------------------------------------------------

bool CxFile::Insert(int32_t key, const void* data, int32_t length) {
    index.Unposition();
    if (length < 0 || (length > 0 && !data)) return false;
    if (!pager.Writable()) {
        Find(key);  // the cursor still goes to an existing entry
        return false;
    }
    // The search belongs to the transaction: a read that fails in it fails the insert.
    if (!Begin()) return false;
    if (Find(key)) {
        Commit();
        return false;
    }
    return Finish(!pager.Failed() && InsertEntry(key, static_cast<const unsigned char*>(data), length));
}

bool CxFile::InsertEntry(int32_t key, const unsigned char* bytes, int32_t length) {
    int32_t dataStart = kNone;
    return index.InsertEntry(key, length, dataStart) && chains.Write(dataStart, bytes, length);
}

bool CxFile::Update(const void* data, int32_t length) {
    if (length < 0 || (length > 0 && !data)) return false;
    if (!pager.Writable() || !index.CursorValid()) return false;
    if (!Begin()) return false;
    return Finish(UpdateEntry(data, length));
}

bool CxFile::UpdateEntry(const void* data, int32_t length) {
    std::vector<int32_t> old;
    if (!chains.Walk(index.DataPage(), index.Length(), &old, nullptr)) return false;
    if (!chains.Release(old)) return false;
    int32_t dataStart = pager.AllocPage();
    if (dataStart == kNone) return false;
    index.SetCurrentData(dataStart, length);
    return chains.Write(dataStart, static_cast<const unsigned char*>(data), length) && index.WriteCurrent();
}

bool CxFile::Delete() {
    if (!pager.Writable() || !index.CursorValid()) return false;
    int32_t key = index.Key();
    if (!Begin()) return false;
    if (!Finish(DeleteEntry())) return false;
    if (haveFreeKeyHint && key >= freeKeyFrom && key < freeKeyHint) freeKeyHint = key;
    First();
    return true;
}

bool CxFile::DeleteEntry() {
    std::vector<int32_t> old;
    if (!chains.Walk(index.DataPage(), index.Length(), &old, nullptr)) return false;
    return index.RemoveCurrent([&] { return chains.Release(old); });
}
