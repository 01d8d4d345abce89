#include "storage/CxFile.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>

static_assert(std::endian::native == std::endian::little, "the file format is little-endian");

namespace {

std::string At(const char* what, int64_t offset) { return std::string(what) + " at offset " + std::to_string(offset); }

}  // namespace

void CxFile::IndexPage::MoveEntries(int32_t to, int32_t from, int32_t n) {
    if (n > 0) std::memmove(&words[6 + 3 * to], &words[6 + 3 * from], sizeof(int32_t) * 3 * static_cast<size_t>(n));
}

CxFile::CxFile(const char* sig) : signature(std::string(sig ? sig : "").substr(0, 15)) {}

CxFile::~CxFile() { Close(); }

// ---- building blocks -------------------------------------------------------

bool CxFile::OpenHandle(const char16_t* path, bool create) { return file.OpenShared(path, create); }

bool CxFile::IsOpen() { return file.IsOpen(); }

bool CxFile::Flush() {
    if (!IsOpen() || !unflushed) return IsOpen();
    if (!file.Flush()) {
        NoteIoFailure();
        return false;
    }
    unflushed = false;
    return true;
}

void CxFile::NoteIoFailure() {
    if (ioError.empty()) ioError = platform::LastErrorText();
    if (ioError.empty()) ioError = "input/output error";
    // Whatever the transaction read after this cannot be trusted.
    if (depth > 0) failed = true;
}

int32_t CxFile::RawRead(int64_t offset, void* buffer, int32_t count) {
    if (count <= 0 || offset < 0) return 0;
    // Walks read neighbouring pages one after another (pages are appended in
    // the order they are written), so pages are read ahead a block at a time.
    if (offset < readAheadStart || offset + count > readAheadStart + static_cast<int64_t>(readAhead.size())) {
        readAheadStart = offset;
        readAhead.resize(kReadAheadSize);
        size_t got = file.ReadAt(offset, readAhead.data(), kReadAheadSize);
        // A block cut short inside the file is a failed read, not its end
        // (pages a transaction appends are not on disk yet).
        int64_t onDisk = depth > 0 ? originalSize : fileSize;
        if (got < kReadAheadSize && offset + static_cast<int64_t>(got) < onDisk) NoteIoFailure();
        readAhead.resize(got);
        if (offset + count > readAheadStart + static_cast<int64_t>(readAhead.size())) {
            int64_t available = readAheadStart + static_cast<int64_t>(readAhead.size()) - offset;
            count = static_cast<int32_t>(available > 0 ? available : 0);
        }
    }
    std::memcpy(buffer, readAhead.data() + (offset - readAheadStart), static_cast<size_t>(count));
    return count;
}

int32_t CxFile::RawWrite(int64_t offset, const void* buffer, int32_t count) {
    if (count <= 0 || offset < 0) return 0;
    unflushed = true;
    auto written = static_cast<int32_t>(file.WriteAt(offset, buffer, static_cast<size_t>(count)));
    if (written != count) NoteIoFailure();
    // What was read ahead must show what is now in the file.
    int64_t end = readAheadStart + static_cast<int64_t>(readAhead.size());
    if (offset < end && offset + count > readAheadStart) {
        if (written == count && offset >= readAheadStart && offset + count <= end) {
            std::memcpy(readAhead.data() + (offset - readAheadStart), buffer, static_cast<size_t>(count));
        } else {
            readAhead.clear();
        }
    }
    return written;
}

int64_t CxFile::Seek(int64_t offset, int origin) { return file.Seek(offset, origin); }

bool CxFile::WriteHeader() {
    // An unchanged header is already on disk.
    if (std::memcmp(&header, &writtenHeader, sizeof header) == 0) return true;
    if (RawWrite(0, &header, kHeaderSize) != kHeaderSize) return false;
    writtenHeader = header;
    return true;
}

int32_t CxFile::AllocPage() {
    int32_t page = header.freeListHead;
    if (page > 0) {
        int32_t nextFree = kNone;
        if (IsPageOffset(page) && ReadStored(page, &nextFree, 4) && (nextFree < 1 || IsPageOffset(nextFree))) {
            header.freeListHead = nextFree;
            return page;
        }
        // Leave the broken list as it is and grow the file instead.
        ReportDamage(At("free list link of the page", page) + " leads outside the file's pages");
    }
    page = static_cast<int32_t>(fileSize);
    if (fileSize + header.pageSize > INT32_MAX) return kNone;
    fileSize += header.pageSize;
    std::vector<unsigned char> zeros(static_cast<size_t>(header.pageSize), 0);
    if (!WritePage(page, zeros.data())) return kNone;
    return page;
}

bool CxFile::FreePage(int32_t offset) {
    if (offset < 1) return true;
    // Only the link is read; the rest is zeroed so released values do not linger.
    std::vector<int32_t> words(static_cast<size_t>(header.pageSize) / 4, 0);
    words[0] = header.freeListHead;
    if (!WritePage(offset, words.data())) return false;
    header.freeListHead = offset;
    return true;
}

bool CxFile::ReadStored(int32_t offset, void* buffer, int32_t count) {
    if (depth > 0) {
        if (offset >= originalSize) {
            auto at = static_cast<size_t>(offset - originalSize);
            if (at + static_cast<size_t>(count) > appended.size()) return false;
            std::memcpy(buffer, appended.data() + at, static_cast<size_t>(count));
            return true;
        }
        auto changed = changedPages.find(offset);
        if (changed != changedPages.end()) {
            std::memcpy(buffer, changed->second.data(), static_cast<size_t>(count));
            return true;
        }
    }
    return RawRead(offset, buffer, count) == count;
}

bool CxFile::WritePage(int32_t offset, const void* bytes) {
    if (depth == 0 || failed || !IsPageOffset(offset)) return false;
    const auto* from = static_cast<const unsigned char*>(bytes);
    auto size = static_cast<size_t>(header.pageSize);
    if (offset >= originalSize) {
        auto at = static_cast<size_t>(offset - originalSize);
        if (appended.size() < at + size) appended.resize(at + size, 0);
        std::memcpy(appended.data() + at, from, size);
    } else {
        changedPages[offset].assign(from, from + size);
    }
    return true;
}

bool CxFile::WriteIndexPage(IndexPage& page) {
    // Slots past the count hold nothing the file needs; zeroed, entries
    // moved or deleted do not linger there.
    size_t used = 6 + 3 * static_cast<size_t>(std::clamp(page.Count(), 0, Capacity()));
    std::fill(page.words.begin() + static_cast<std::ptrdiff_t>(std::min(used, page.words.size())), page.words.end(), 0);
    return WritePage(page.Self(), page.words.data());
}

// ---- transactions ------------------------------------------------------------

bool CxFile::Begin() {
    if (!Writable() || failed) return false;
    if (depth++ > 0) return true;
    ioError.clear();
    originalHeader = header;
    originalSize = fileSize;
    changedPages.clear();
    appended.clear();
    return true;
}

bool CxFile::Finish(bool done) {
    if (!done) failed = true;
    return Commit() && done;
}

void CxFile::Rollback() {
    if (depth == 0) return;
    failed = true;
    Commit();
}

bool CxFile::Commit() {
    if (depth == 0) return false;
    if (--depth > 0) return !failed;
    if (failed) {
        DiscardChanges();
        return false;
    }
    // What was read ahead stays right: the commit's writes update it.
    bool committed = CommitChanges();
    if (!committed) DiscardChanges();
    changedPages.clear();
    appended.clear();
    return committed;
}

bool CxFile::CommitChanges() {
    if (changedPages.empty() && appended.empty() && std::memcmp(&header, &originalHeader, sizeof header) == 0)
        return true;
    // The journal: the originals of the changed pages, as the file holds them.
    JournalImage image;
    image.pageSize = header.pageSize;
    image.originalSize = originalSize;
    image.newSize = fileSize;
    std::memcpy(image.header, &writtenHeader, kHeaderSize);
    image.pages.resize(changedPages.size() * static_cast<size_t>(header.pageSize));
    JournalHash after;
    after.Add(&fileSize, sizeof fileSize);
    after.Add(&header, kHeaderSize);
    size_t i = 0;
    for (const auto& [offset, bytes] : changedPages) {
        image.offsets.push_back(offset);
        if (RawRead(offset, image.pages.data() + i * bytes.size(), header.pageSize) != header.pageSize) {
            NoteIoFailure();
            return false;
        }
        after.Add(bytes.data(), bytes.size());
        ++i;
    }
    after.Add(appended.data(), appended.size());
    image.afterHash = after.Value();

    const std::u16string journalPath = JournalPathFor(file.Path());
    bool madeJournal = false;
    if (!journal.IsOpen()) {
        madeJournal = !platform::FileExists(journalPath.c_str());
        if (!journal.OpenShared(journalPath.c_str(), true)) {
            NoteIoFailure();
            return false;
        }
    }
    auto invalidateJournal = [this] {
        const unsigned char zeros[kJournalMagicSize] = {};
        journal.WriteAt(0, zeros, sizeof zeros);
    };
    std::vector<unsigned char> bytes = EncodeJournal(image);
    // The folder too, where a new file's name is not durable with its data.
    if (journal.WriteAt(0, bytes.data(), bytes.size()) != bytes.size() || !journal.Flush() ||
        (madeJournal && !platform::FlushFolderOf(journalPath.c_str()))) {
        NoteIoFailure();
        // The database is untouched; even a journal that did reach the disk
        // only holds the file as it still is.
        invalidateJournal();
        return false;
    }
    if (!WriteChanges()) {
        NoteIoFailure();
        if (RollBackJournal(file, image)) invalidateJournal();
        else broken = true;  // the journal stays hot; the next open rolls it back
        return false;
    }
    // Invalidating the journal commits. Should this write be lost, the
    // journal's hash of the end state still shows the transaction finished.
    invalidateJournal();
    return true;
}

bool CxFile::WriteChanges() {
    const auto size = static_cast<size_t>(header.pageSize);
    // Neighbouring pages go out in one write.
    std::vector<unsigned char> run;
    int32_t runStart = kNone;
    auto writeRun = [&] {
        bool written = run.empty() || RawWrite(runStart, run.data(), static_cast<int32_t>(run.size())) ==
                                          static_cast<int32_t>(run.size());
        run.clear();
        return written;
    };
    for (const auto& [offset, bytes] : changedPages) {
        if (!run.empty() && runStart + static_cast<int64_t>(run.size()) != offset && !writeRun()) return false;
        if (run.empty()) runStart = offset;
        run.insert(run.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
    }
    if (!writeRun()) return false;
    if (!appended.empty() && RawWrite(originalSize, appended.data(), static_cast<int32_t>(appended.size())) !=
                                 static_cast<int32_t>(appended.size())) {
        return false;
    }
    return WriteHeader() && Flush();
}

void CxFile::DiscardChanges() {
    depth = 0;
    failed = false;
    header = originalHeader;
    writtenHeader = originalHeader;  // put back on disk, or never written
    fileSize = originalSize;
    changedPages.clear();
    appended.clear();
    readAhead.clear();
    cursor = kNone;
    haveFreeKeyHint = false;
    std::fill(current.words.begin(), current.words.end(), 0);
    if (!broken && header.firstIndexPage > 0) LoadIndexPage(header.firstIndexPage, current);
}

// ---- checks ------------------------------------------------------------------

int32_t CxFile::PageCount() const {
    return header.pageSize > 0 ? static_cast<int32_t>((fileSize - kHeaderSize) / header.pageSize) : 0;
}

int32_t CxFile::MaxChainPages(int32_t length) const {
    return std::max<int32_t>(1, (length + DataCapacity() - 1) / DataCapacity());
}

bool CxFile::IsPageOffset(int32_t offset) const {
    return offset >= kHeaderSize && (offset - kHeaderSize) % header.pageSize == 0 &&
           static_cast<int64_t>(offset) + header.pageSize <= fileSize;
}

bool CxFile::Usable() { return IsOpen() && headerSound && !broken; }

bool CxFile::Writable() { return Usable() && damage.empty() && !readOnly && !failed; }

bool CxFile::CursorValid() { return cursor >= 0 && cursor < current.Count(); }

void CxFile::ReportDamage(const std::string& what) {
    if (damage.empty()) damage = what;
    if (depth > 0) failed = true;
}

bool CxFile::ReadPage(int32_t offset, std::vector<int32_t>& words) {
    if (!IsPageOffset(offset)) {
        ReportDamage(At("a link to a page", offset) + " that is not a page of the file");
        return false;
    }
    if (!ReadStored(offset, words.data(), header.pageSize)) {
        // A failed read says nothing about the file's format: it is told
        // through IoError, and the file stays writable once reads work again.
        NoteIoFailure();
        return false;
    }
    return true;
}

bool CxFile::LoadIndexPage(int32_t offset, IndexPage& page) {
    IndexPage loaded;
    loaded.words.assign(page.words.size(), 0);
    if (!ReadPage(offset, loaded.words)) return false;
    if (loaded.Self() != offset) {
        ReportDamage(At("the index page", offset) + " names another offset as its own");
        return false;
    }
    if (loaded.Count() < 0 || loaded.Count() > Capacity()) {
        ReportDamage(At("the index page", offset) + " claims more entries than fit");
        return false;
    }
    for (int32_t i = 1; i < loaded.Count(); ++i) {
        if (loaded.Key(i - 1) >= loaded.Key(i)) {
            ReportDamage(At("the index page", offset) + " holds keys out of order");
            return false;
        }
    }
    page.words.swap(loaded.words);
    return true;
}

bool CxFile::LoadDataPage(int32_t offset) {
    if (!ReadPage(offset, dataPage.words)) return false;
    if (dataPage.Count() < 0 || dataPage.Count() > DataCapacity()) {
        ReportDamage(At("the data page", offset) + " claims more bytes than fit");
        return false;
    }
    return true;
}

bool CxFile::WalkDataChain(int32_t first, int32_t length, std::vector<int32_t>* offsets, unsigned char* out) {
    if (length < 0) {
        ReportDamage("an entry has a negative length");
        return false;
    }
    int32_t remaining = length;
    int32_t page = first;
    int32_t previous = kNone;
    for (int32_t visited = 0;; ++visited) {
        if (visited == MaxChainPages(length)) {
            ReportDamage(At("the data chain starting", first) + " has more pages than its length needs");
            return false;
        }
        if (!LoadDataPage(page)) return false;
        if (dataPage.PrevPage() != previous) {
            ReportDamage(At("the data page", page) + " does not link back to the page before it");
            return false;
        }
        int32_t n = dataPage.Count();
        if (n > remaining) {
            ReportDamage(At("the data chain starting", first) + " holds more bytes than its entry states");
            return false;
        }
        if (out) std::memcpy(out + (length - remaining), dataPage.Bytes(), static_cast<size_t>(n));
        if (offsets) offsets->push_back(page);
        remaining -= n;
        previous = page;
        page = dataPage.NextPage();
        if (page < 1) break;
    }
    if (remaining != 0) {
        ReportDamage(At("the data chain starting", first) + " holds fewer bytes than its entry states");
        return false;
    }
    return true;
}

bool CxFile::WriteDataChain(int32_t first, const unsigned char* data, int32_t length) {
    int32_t page = first;
    int32_t previous = kNone;
    int32_t done = 0;
    do {
        int32_t n = std::min(DataCapacity(), length - done);
        dataPage.PrevPage() = previous;
        dataPage.Count() = n;
        if (n > 0) std::memcpy(dataPage.Bytes(), data + done, static_cast<size_t>(n));
        // The unused tail is zeroed: what the buffer held before stays out of the file.
        std::memset(dataPage.Bytes() + n, 0, static_cast<size_t>(DataCapacity() - n));
        done += n;
        int32_t next = kNone;
        if (done < length) {
            next = AllocPage();
            if (next == kNone) return false;
        }
        dataPage.NextPage() = next;
        if (!WritePage(page, dataPage.words.data())) return false;
        previous = page;
        page = next;
    } while (page != kNone);
    return true;
}

bool CxFile::ReleaseChain(const std::vector<int32_t>& offsets) {
    for (int32_t page : offsets) {
        if (!FreePage(page)) return false;
    }
    return true;
}

void CxFile::CheckFreeList() {
    std::vector<bool> seen(static_cast<size_t>(PageCount()), false);
    for (int32_t page = header.freeListHead; page > 0;) {
        if (!IsPageOffset(page)) {
            ReportDamage(At("a free list link", page) + " that is not a page of the file");
            return;
        }
        size_t index = static_cast<size_t>((page - kHeaderSize) / header.pageSize);
        if (seen[index]) {
            ReportDamage(At("the free list reaches the page", page) + " twice");
            return;
        }
        seen[index] = true;
        if (RawRead(page, &page, 4) != 4) {
            ReportDamage("the free list cannot be read");
            return;
        }
    }
}

// ---- opening and closing -----------------------------------------------------

namespace {

// A reader cannot roll back through its own handle: it takes the writer's
// access for that, which only works when no live writer holds it. A writer
// that holds it and has a valid journal is in the middle of a transaction;
// the reader waits for it a little, then gives up.
int SettleJournalForReading(platform::File& database) {
    constexpr int kWaitSteps = 40, kStepMilliseconds = 50;
    const std::u16string journalPath = JournalPathFor(database.Path());
    for (int step = 0;; ++step) {
        JournalImage image;
        if (!platform::FileExists(journalPath.c_str()) || !ReadJournal(journalPath, image)) return CxFile::kOpened;
        platform::File writer;
        if (writer.OpenShared(database.Path().c_str(), false)) {
            return RecoverDatabase(writer) == Recovery::kFailed ? CxFile::kCannotOpen : CxFile::kOpened;
        }
        if (step == kWaitSteps) return CxFile::kBusy;
        platform::SleepMilliseconds(kStepMilliseconds);
    }
}

}  // namespace

int CxFile::Open(const char16_t* path) { return OpenExisting(path, false); }

int CxFile::OpenReadOnly(const char16_t* path) { return OpenExisting(path, true); }

int CxFile::OpenExisting(const char16_t* path, bool forReading) {
    Close();
    bool opened = forReading ? file.OpenForRead(path, true) : OpenHandle(path, false);
    if (!opened) return kCannotOpen;
    readOnly = forReading;
    // A transaction cut short leaves its journal; the file is read only
    // after it has been rolled back.
    int settled = kOpened;
    if (forReading) settled = SettleJournalForReading(file);
    else if (RecoverDatabase(file) == Recovery::kFailed) settled = kCannotOpen;
    if (settled != kOpened) {
        Close();
        return settled;
    }
    int64_t size = Seek(0, 2);
    if (size <= 35) {
        Close();
        return kOtherFormat;
    }
    Header stored{};
    if (RawRead(0, &stored, kHeaderSize) != kHeaderSize) {
        Close();
        return kCannotOpen;
    }
    stored.signature[15] = 0;  // the comparison stops at the terminator, or at 15 characters
    if (signature != stored.signature) {
        Close();
        return kOtherFormat;
    }
    header = stored;
    writtenHeader = stored;
    fileSize = size;
    int32_t ps = header.pageSize;
    headerSound = ps >= 64 && ps <= 512 && std::has_single_bit(static_cast<uint32_t>(ps)) && size <= INT32_MAX;
    if (!headerSound) {
        ReportDamage("the header states an impossible page size or the file is too large");
        ps = 512;
    } else if ((size - kHeaderSize) % ps != 0) {
        ReportDamage("the file does not end on a page boundary");
    }
    current.words.assign(static_cast<size_t>(ps) / 4, 0);
    dataPage.words.assign(static_cast<size_t>(ps) / 4, 0);
    buffersAllocated = true;
    if (headerSound) {
        if (header.firstIndexPage > 0) LoadIndexPage(header.firstIndexPage, current);
        CheckFreeList();
    }
    cursor = kNone;
    return kOpened;
}

int CxFile::Create(const char16_t* path, int32_t requestedPageSize, int32_t firstUserValue, int32_t secondUserValue) {
    Close();
    if (!OpenHandle(path, true)) return kCannotOpen;
    int32_t ps = std::clamp(requestedPageSize, 64, 512);
    ps = static_cast<int32_t>(std::bit_ceil(static_cast<uint32_t>(ps)));
    header = Header{};
    std::strncpy(header.signature, signature.c_str(), sizeof header.signature - 1);
    header.firstUserValue = firstUserValue;
    header.secondUserValue = secondUserValue;
    header.pageSize = ps;
    header.firstIndexPage = kNone;
    header.freeListHead = kNone;
    headerSound = true;
    // A journal beside a file that was missing belongs to no file of ours.
    platform::RemoveFile(JournalPathFor(file.Path()).c_str());
    if (RawWrite(0, &header, kHeaderSize) != kHeaderSize || !Flush()) {
        Close();
        return kCannotOpen;
    }
    writtenHeader = header;
    fileSize = std::max<int64_t>(file.Size(), kHeaderSize);
    current.words.assign(static_cast<size_t>(ps) / 4, 0);
    dataPage.words.assign(static_cast<size_t>(ps) / 4, 0);
    buffersAllocated = true;
    cursor = kNone;
    return kOpened;
}

void CxFile::GetUserValues(int32_t& first, int32_t& second) {
    first = header.firstUserValue;
    second = header.secondUserValue;
}

void CxFile::Close() {
    if (depth > 0) {
        failed = true;
        depth = 1;
        Commit();
    }
    if (journal.IsOpen()) {
        std::u16string journalPath = journal.Path();
        journal.Close();
        // Every transaction was committed or undone; a broken one keeps its
        // journal for the next open.
        if (!broken) platform::RemoveFile(journalPath.c_str());
    }
    if (IsOpen()) {
        Flush();
        file.Close();
    }
    broken = false;
    failed = false;
    depth = 0;
    ioError.clear();
    if (buffersAllocated) {
        current.words.clear();
        dataPage.words.clear();
        buffersAllocated = false;
    }
    cursor = kNone;
    headerSound = false;
    readOnly = false;
    unflushed = false;
    damage.clear();
    haveFreeKeyHint = false;
    readAhead.clear();
}

// ---- navigation --------------------------------------------------------------

bool CxFile::Find(int32_t key) {
    cursor = kNone;
    if (!Usable() || header.firstIndexPage < 1) return false;
    if (current.Self() < 1 && !LoadIndexPage(header.firstIndexPage, current)) return false;
    bool movedForward = false;
    bool movedBackward = false;
    for (int32_t steps = 0;; ++steps) {
        if (steps > PageCount()) {
            ReportDamage("the index chain loops");
            return false;
        }
        if (key < current.Low() && !movedForward) {
            if (current.PrevPage() < 1 || !LoadIndexPage(current.PrevPage(), current)) return false;
            movedBackward = true;
        } else if (key > current.High() && !movedBackward) {
            if (current.NextPage() < 1 || !LoadIndexPage(current.NextPage(), current)) return false;
            movedForward = true;
        } else {
            break;
        }
    }
    for (int32_t i = 0; i < current.Count(); ++i) {
        if (current.Key(i) == key) {
            cursor = i;
            return true;
        }
    }
    return false;
}

bool CxFile::First() {
    cursor = kNone;
    if (!Usable() || header.firstIndexPage < 1) return false;
    if (!LoadIndexPage(header.firstIndexPage, current)) return false;
    if (current.Count() < 1) return false;
    cursor = 0;
    return true;
}

bool CxFile::Next() {
    // Only a positioned cursor moves on; past the end it stays there.
    if (!Usable() || current.words.empty() || cursor < 0 || header.firstIndexPage < 1) return false;
    if (cursor + 1 < current.Count()) {
        ++cursor;
        return true;
    }
    cursor = current.Count();  // past the end until a new position is taken
    if (current.NextPage() < 1) return false;
    int32_t lastKey = current.Count() > 0 ? current.Key(current.Count() - 1) : INT32_MIN;
    int32_t self = current.Self();
    IndexPage following;
    following.words.assign(current.words.size(), 0);
    if (!LoadIndexPage(current.NextPage(), following)) return false;
    // Keys rise along the chain; a page that breaks this (a loop among them)
    // would make a walk endless.
    if (following.PrevPage() != self || (following.Count() > 0 && following.Key(0) <= lastKey)) {
        ReportDamage(At("the index page", current.NextPage()) + " breaks the chain's order");
        return false;
    }
    current.words.swap(following.words);
    if (current.Count() < 1) {
        cursor = kNone;
        return false;
    }
    cursor = 0;
    return true;
}

bool CxFile::Last() {
    cursor = kNone;
    if (!Usable() || header.firstIndexPage < 1) return false;
    if (!LoadIndexPage(header.firstIndexPage, current)) return false;
    for (int32_t steps = 0; current.NextPage() > 0; ++steps) {
        if (steps > PageCount()) {
            ReportDamage("the index chain loops");
            return false;
        }
        if (!LoadIndexPage(current.NextPage(), current)) return false;
    }
    for (int32_t steps = 0; current.Count() < 1 && current.Self() != header.firstIndexPage; ++steps) {
        if (steps > PageCount() || current.PrevPage() < 1) return false;
        if (!LoadIndexPage(current.PrevPage(), current)) return false;
    }
    if (current.Count() < 1) return false;
    cursor = current.Count() - 1;
    return true;
}

bool CxFile::GetKey(int32_t& key) {
    if (!Usable() || !CursorValid()) return false;
    key = current.Key(cursor);
    return true;
}

bool CxFile::GetLength(int32_t& length) {
    if (!Usable() || !CursorValid()) return false;
    length = current.Length(cursor);
    return true;
}

bool CxFile::ReadData(void* buffer, int32_t& length) {
    length = 0;
    if (!Usable() || !CursorValid()) return false;
    int32_t stated = current.Length(cursor);
    if (!WalkDataChain(current.DataPage(cursor), stated, nullptr, static_cast<unsigned char*>(buffer))) return false;
    length = stated;
    return true;
}

bool CxFile::ReadEntry(std::vector<unsigned char>& bytes) {
    bytes.clear();
    int32_t length = 0;
    if (!GetLength(length)) return false;
    if (length < 0 || length / DataCapacity() > PageCount()) {
        ReportDamage("an entry states a length larger than the file");
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

bool CxFile::SplitPage(int32_t key) {
    IndexPage& p = current;
    int32_t half = p.Count() / 2;
    bool before = key < p.Low() || key <= p.High();  // N goes before P unless the key lies above P
    int32_t neighbour = before ? p.PrevPage() : p.NextPage();
    // Read and check the neighbour first, so a broken link stops the split
    // before anything is written.
    IndexPage linked;
    linked.words.assign(p.words.size(), 0);
    if (neighbour > 0 && !LoadIndexPage(neighbour, linked)) return false;
    int32_t n = AllocPage();
    if (n == kNone) return false;

    IndexPage fresh;
    fresh.words.assign(p.words.size(), 0);
    fresh.Count() = 0;
    fresh.Self() = n;
    if (before) {
        if (neighbour > 0) {
            linked.NextPage() = n;
            if (!WriteIndexPage(linked)) return false;
        } else {
            header.firstIndexPage = n;
        }
        fresh.Low() = fresh.High() = p.Low();
        fresh.NextPage() = p.Self();
        fresh.PrevPage() = p.PrevPage();
        p.PrevPage() = n;
        // Below P: move the first half; within P's bounds: every entry below the key.
        int32_t moving = 0;
        if (key < p.Low()) {
            moving = half;
        } else {
            while (moving < p.Count() && p.Key(moving) < key) ++moving;
        }
        for (int32_t i = 0; i < moving; ++i) {
            fresh.Key(i) = p.Key(i);
            fresh.DataPage(i) = p.DataPage(i);
            fresh.Length(i) = p.Length(i);
            fresh.Count() = i + 1;
            fresh.High() = p.Key(i);
            if (i + 1 < p.Count()) p.Low() = p.Key(i + 1);
        }
        p.MoveEntries(0, moving, p.Count() - moving);
        p.Count() -= moving;
        if (key >= p.Low()) {
            // Nothing below the key could move (P's lower bound lies below its
            // first entry), or everything did: narrow P's bound so the key
            // goes to the page that has room.
            if (moving == 0) p.Low() = p.Key(0);
            else p.Low() = key;
        }
    } else {
        if (neighbour > 0) {
            linked.PrevPage() = n;
            if (!WriteIndexPage(linked)) return false;
        }
        fresh.Low() = fresh.High() = p.High();
        fresh.NextPage() = p.NextPage();
        fresh.PrevPage() = p.Self();
        p.NextPage() = n;
        int32_t keep = p.Count() - half;
        fresh.MoveEntries(0, 0, 0);
        for (int32_t i = 0; i < half; ++i) {
            fresh.Key(i) = p.Key(keep + i);
            fresh.DataPage(i) = p.DataPage(keep + i);
            fresh.Length(i) = p.Length(keep + i);
        }
        fresh.Count() = half;
        if (half > 0) fresh.Low() = fresh.Key(0);
        p.Count() = keep;
        if (keep > 0) p.High() = p.Key(keep - 1);
    }
    if (!WriteIndexPage(p) || !WriteIndexPage(fresh)) return false;
    if (key < p.Low() || key > p.High()) current.words.swap(fresh.words);
    return true;
}

bool CxFile::Insert(int32_t key, const void* data, int32_t length) {
    cursor = kNone;
    if (length < 0 || (length > 0 && !data)) return false;
    if (!Writable()) {
        Find(key);  // the cursor still goes to an existing entry
        return false;
    }
    // The search belongs to the transaction: a read that fails in it fails the insert.
    if (!Begin()) return false;
    if (Find(key)) {
        Commit();
        return false;
    }
    return Finish(!failed && InsertEntry(key, static_cast<const unsigned char*>(data), length));
}

bool CxFile::InsertEntry(int32_t key, const unsigned char* bytes, int32_t length) {
    if (header.firstIndexPage < 1) {
        int32_t page = AllocPage();
        if (page == kNone) return false;
        header.firstIndexPage = page;
        current.Low() = current.High() = key;
        current.Self() = page;
        current.NextPage() = current.PrevPage() = kNone;
        current.Count() = 1;
        current.Key(0) = key;
        current.Length(0) = length;
        int32_t dataStart = AllocPage();
        if (dataStart == kNone) return false;
        current.DataPage(0) = dataStart;
        cursor = 0;
    } else {
        for (int32_t steps = 0;; ++steps) {
            if (steps > PageCount()) {
                ReportDamage("the index chain loops");
                return false;
            }
            if (key < current.Low() && current.PrevPage() > 0) {
                IndexPage previous;
                previous.words.assign(current.words.size(), 0);
                if (!LoadIndexPage(current.PrevPage(), previous)) return false;
                if (previous.High() < key) break;
                current.words.swap(previous.words);
            } else if (key > current.High() && current.NextPage() > 0) {
                IndexPage following;
                following.words.assign(current.words.size(), 0);
                if (!LoadIndexPage(current.NextPage(), following)) return false;
                if (following.Low() > key) break;
                current.words.swap(following.words);
            } else {
                break;
            }
        }
        if (current.Count() >= Capacity() && !SplitPage(key)) return false;
        if (key < current.Low()) current.Low() = key;
        else if (key > current.High()) current.High() = key;
        int32_t i = 0;
        while (i < current.Count() && current.Key(i) < key) ++i;
        cursor = i;
        int32_t dataStart = AllocPage();
        if (dataStart == kNone) return false;
        current.MoveEntries(i + 1, i, current.Count() - i);
        current.Key(i) = key;
        current.DataPage(i) = dataStart;
        current.Length(i) = length;
        current.Count() += 1;
    }
    return WriteIndexPage(current) && WriteDataChain(current.DataPage(cursor), bytes, length);
}

bool CxFile::Update(const void* data, int32_t length) {
    if (length < 0 || (length > 0 && !data)) return false;
    if (!Writable() || !CursorValid()) return false;
    if (!Begin()) return false;
    return Finish(UpdateEntry(data, length));
}

bool CxFile::UpdateEntry(const void* data, int32_t length) {
    std::vector<int32_t> old;
    if (!WalkDataChain(current.DataPage(cursor), current.Length(cursor), &old, nullptr)) return false;
    if (!ReleaseChain(old)) return false;
    int32_t dataStart = AllocPage();
    if (dataStart == kNone) return false;
    current.DataPage(cursor) = dataStart;
    current.Length(cursor) = length;
    return WriteDataChain(dataStart, static_cast<const unsigned char*>(data), length) && WriteIndexPage(current);
}

bool CxFile::Delete() {
    if (!Writable() || !CursorValid()) return false;
    int32_t key = current.Key(cursor);
    if (!Begin()) return false;
    if (!Finish(DeleteEntry())) return false;
    if (haveFreeKeyHint && key >= freeKeyFrom && key < freeKeyHint) freeKeyHint = key;
    First();
    return true;
}

bool CxFile::DeleteEntry() {
    std::vector<int32_t> old;
    if (!WalkDataChain(current.DataPage(cursor), current.Length(cursor), &old, nullptr)) return false;
    IndexPage previous, following;
    previous.words.assign(current.words.size(), 0);
    following.words.assign(current.words.size(), 0);
    bool hasPrevious = current.PrevPage() > 0;
    bool hasFollowing = current.NextPage() > 0;
    if (hasPrevious && !LoadIndexPage(current.PrevPage(), previous)) return false;
    if (hasFollowing && !LoadIndexPage(current.NextPage(), following)) return false;

    if (!ReleaseChain(old)) return false;
    bool written = true;
    if (current.Count() == 1) {
        if (hasPrevious) {
            previous.NextPage() = current.NextPage();
            written = WriteIndexPage(previous);
        } else {
            header.firstIndexPage = hasFollowing ? current.NextPage() : kNone;
        }
        if (hasFollowing) {
            following.PrevPage() = current.PrevPage();
            written = written && WriteIndexPage(following);
        }
        written = written && FreePage(current.Self());
    } else {
        current.MoveEntries(cursor, cursor + 1, current.Count() - cursor - 1);
        current.Count() -= 1;
        written = WriteIndexPage(current);
    }
    cursor = kNone;
    return written;
}
