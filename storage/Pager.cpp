#include "storage/Pager.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

std::string cx::At(const char* what, int64_t offset) {
    return std::string(what) + " at offset " + std::to_string(offset);
}

using cx::At;
using cx::kHeaderSize;
using cx::kNone;

// ---- state -------------------------------------------------------------------

void CxPager::Adopt(const cx::Header& stored, int64_t size, bool sound, bool forReading) {
    header = stored;
    writtenHeader = stored;
    fileSize = size;
    headerSound = sound;
    readOnly = forReading;
}

bool CxPager::WriteFreshHeader() {
    if (RawWrite(0, &header, kHeaderSize) != kHeaderSize || !Flush()) return false;
    writtenHeader = header;
    fileSize = std::max<int64_t>(file.Size(), kHeaderSize);
    return true;
}

void CxPager::Close() {
    if (journal.IsOpen()) {
        journal.Close();
        // Every transaction was committed or undone; a broken one keeps its
        // journal for the next open. Closing runs in destructors, where
        // memory that runs out must not end the program: the journal, whose
        // transaction is over, then stays for the next open to remove.
        try {
            if (!broken) platform::RemoveFile(journalPath.c_str());
        } catch (const std::bad_alloc&) {}
    }
    if (IsOpen()) {
        Flush();
        file.Close();
    }
    broken = false;
    failed = false;
    depth = 0;
    ioError.clear();
    headerSound = false;
    readOnly = false;
    unflushed = false;
    damage.clear();
    readAhead.clear();
}

int32_t CxPager::PageCount() const {
    return header.pageSize > 0 ? static_cast<int32_t>((fileSize - kHeaderSize) / header.pageSize) : 0;
}

bool CxPager::IsPageOffset(int32_t offset) const {
    return offset >= kHeaderSize && (offset - kHeaderSize) % header.pageSize == 0 &&
           static_cast<int64_t>(offset) + header.pageSize <= fileSize;
}

void CxPager::ReportDamage(const std::string& what) {
    if (damage.empty()) damage = what;
    if (depth > 0) failed = true;
}

void CxPager::NoteIoFailure() {
    if (ioError.empty()) ioError = platform::LastErrorText();
    if (ioError.empty()) ioError = "input/output error";
    // Whatever the transaction read after this cannot be trusted.
    if (depth > 0) failed = true;
}

// ---- building blocks -------------------------------------------------------

bool CxPager::Flush() {
    if (!IsOpen() || !unflushed) return IsOpen();
    if (!file.Flush()) {
        NoteIoFailure();
        return false;
    }
    unflushed = false;
    return true;
}

int32_t CxPager::RawRead(int64_t offset, void* buffer, int32_t count) {
    if (count <= 0 || offset < 0) return 0;
    // Walks read neighbouring pages one after another (pages are appended in
    // the order they are written), so pages are read ahead a block at a time.
    if (offset < readAheadStart || offset + count > readAheadStart + static_cast<int64_t>(readAhead.size())) {
        readAheadStart = offset;
        readAhead.resize(kReadAheadSize);
        size_t got = file.ReadAt(offset, readAhead.data(), kReadAheadSize);
        // A block cut short inside the file is a failed read, not its end
        // (pages a transaction appends are not on disk yet).
        int64_t onDisk = depth > 0 || committing ? originalSize : fileSize;
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

int32_t CxPager::RawWrite(int64_t offset, const void* buffer, int32_t count) {
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

bool CxPager::WriteHeader() {
    // An unchanged header is already on disk.
    if (std::memcmp(&header, &writtenHeader, sizeof header) == 0) return true;
    if (RawWrite(0, &header, kHeaderSize) != kHeaderSize) return false;
    writtenHeader = header;
    return true;
}

int32_t CxPager::AllocPage() {
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
    if (fileSize + header.pageSize > INT32_MAX) {
        // Offsets are 32-bit: the format ends here, and the change is refused whole.
        if (ioError.empty()) ioError = kSizeLimitText;
        Fail();
        return kNone;
    }
    fileSize += header.pageSize;
    std::vector<unsigned char> zeros(static_cast<size_t>(header.pageSize), 0);
    if (!WritePage(page, zeros.data())) return kNone;
    return page;
}

bool CxPager::FreePage(int32_t offset) {
    if (offset < 1) return true;
    // Only the link is read; the rest is zeroed so released values do not linger.
    std::vector<int32_t> words(static_cast<size_t>(header.pageSize) / 4, 0);
    words[0] = header.freeListHead;
    if (!WritePage(offset, words.data())) return false;
    header.freeListHead = offset;
    return true;
}

bool CxPager::ReadStored(int32_t offset, void* buffer, int32_t count) {
    if (depth > 0) {
        if (const unsigned char* page = changedPages.Find(offset)) {
            std::memcpy(buffer, page, static_cast<size_t>(count));
            return true;
        }
        if (offset >= originalSize) return false;  // a new page is written when it is allocated
    }
    return RawRead(offset, buffer, count) == count;
}

bool CxPager::ReadPage(int32_t offset, std::vector<int32_t>& words) {
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

bool CxPager::WritePage(int32_t offset, const void* bytes) {
    if (depth == 0 || failed || !IsPageOffset(offset)) return false;
    changedPages.Put(offset, static_cast<const unsigned char*>(bytes));
    return true;
}

void CxPager::CheckFreeList() {
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

// ---- transactions ------------------------------------------------------------

bool CxPager::Begin() {
    if (!Writable() || failed) return false;
    if (depth++ > 0) return true;
    ioError.clear();
    originalHeader = header;
    originalSize = fileSize;
    changedPages.Start(header.pageSize);
    return true;
}

void CxPager::Abandon(bool& discarded) {
    discarded = false;
    if (depth == 0) return;
    failed = true;
    depth = 1;
    Commit(discarded);
}

bool CxPager::Commit(bool& discarded) {
    discarded = false;
    if (depth == 0) return false;
    if (--depth > 0) return !failed;
    if (failed) {
        DiscardChanges();
        discarded = true;
        return false;
    }
    // What was read ahead stays right: the commit's writes update it.
    bool committed = CommitChanges();
    if (!committed) {
        DiscardChanges();
        discarded = true;
    }
    changedPages.Clear();
    return committed;
}

bool CxPager::CommitChanges() {
    if (changedPages.Empty() && std::memcmp(&header, &originalHeader, sizeof header) == 0) return true;
    // Readers finish their reads before a page changes under them.
    if (!file.LockForWriting(platform::kWriterLockWaitMilliseconds)) {
        if (ioError.empty()) ioError = "busy: another program is reading the file";
        return false;
    }
    committing = true;
    fileTouched = false;
    bool committed = false;
    try {
        committed = JournalAndWrite();
    } catch (const std::bad_alloc&) {
        // Every buffer of the writes is held before the file is touched, so
        // memory runs out there only while a failed write is being undone:
        // the journal then stays for the next open.
        if (fileTouched) broken = true;
        else if (journal.IsOpen()) InvalidateJournal();
        if (ioError.empty()) ioError = kOutOfMemoryText;
    }
    committing = false;
    // A broken commit keeps readers out until the file is closed.
    if (!broken) file.Unlock();
    return committed;
}

bool CxPager::OpenJournal(bool& made) {
    made = false;
    if (journal.IsOpen()) return true;
    journalPath = JournalPathFor(file.Path());
    made = !platform::FileExists(journalPath.c_str());
    lastBodyStart = lastBodyEnd = 0;
    return journal.OpenShared(journalPath.c_str(), true);
}

bool CxPager::WriteJournalBody(JournalHead& head, const std::vector<int32_t>& offsets) {
    const auto pageSize = static_cast<size_t>(header.pageSize);
    const int64_t length = static_cast<int64_t>(offsets.size()) * static_cast<int64_t>(4 + pageSize);
    // Never over the body of the transaction before, whose head may still be valid.
    head.bodyOffset = lastBodyEnd == 0 || kJournalHeadSize + length <= lastBodyStart
                          ? kJournalHeadSize
                          : (lastBodyEnd + kJournalHeadSize - 1) / kJournalHeadSize * kJournalHeadSize;
    JournalHash offsetsHash, pagesHash;
    offsetsHash.Add(offsets.data(), offsets.size() * 4);
    head.offsetsHash = offsetsHash.Value();
    if (journal.WriteAt(head.bodyOffset, offsets.data(), offsets.size() * 4) != offsets.size() * 4) return false;
    // The originals, as the file holds them, a chunk at a time.
    std::vector<unsigned char> chunk;
    chunk.reserve(1 << 20);
    int64_t at = head.bodyOffset + static_cast<int64_t>(offsets.size()) * 4;
    auto writeChunk = [&] {
        pagesHash.Add(chunk.data(), chunk.size());
        bool written = journal.WriteAt(at, chunk.data(), chunk.size()) == chunk.size();
        at += static_cast<int64_t>(chunk.size());
        chunk.clear();
        return written;
    };
    for (int32_t offset : offsets) {
        size_t end = chunk.size();
        chunk.resize(end + pageSize);
        if (RawRead(offset, chunk.data() + end, header.pageSize) != header.pageSize) return false;
        if (chunk.size() + pageSize > chunk.capacity() && !writeChunk()) return false;
    }
    if (!chunk.empty() && !writeChunk()) return false;
    head.pagesHash = pagesHash.Value();
    return true;
}

void CxPager::InvalidateJournal() {
    const unsigned char zeros[kJournalMagicSize] = {};
    journal.WriteAt(0, zeros, sizeof zeros);
}

bool CxPager::JournalAndWrite() {
    const auto pageSize = static_cast<size_t>(header.pageSize);
    JournalHead head;
    head.pageSize = header.pageSize;
    head.originalSize = originalSize;
    head.newSize = fileSize;
    std::memcpy(head.header, &writtenHeader, kHeaderSize);
    std::memcpy(head.newHeader, &header, kHeaderSize);
    // The pages inside the original size are journaled; the hash of the end
    // state takes them in the order of the file, then every page past it.
    std::vector<int32_t> offsets;
    JournalHash after;
    after.Add(&fileSize, sizeof fileSize);
    after.Add(&header, kHeaderSize);
    changedPages.ForEach(kHeaderSize, originalSize, [&](int32_t offset, const unsigned char* bytes) {
        offsets.push_back(offset);
        after.Add(bytes, pageSize);
        return true;
    });
    const std::vector<unsigned char> zeros(pageSize, 0);
    for (int64_t at = originalSize; at < fileSize; at += header.pageSize) {
        const unsigned char* page = changedPages.Find(static_cast<int32_t>(at));
        after.Add(page ? page : zeros.data(), pageSize);
    }
    head.count = static_cast<int32_t>(offsets.size());
    head.afterHash = after.Value();
    std::vector<unsigned char> run;
    run.reserve(std::max(kWriteRunSize, pageSize));
    ChooseWitnesses(head, offsets);

    bool madeJournal = false;
    if (!HashWitnesses(file, head, head.witnessHash) || !OpenJournal(madeJournal)) {
        NoteIoFailure();
        return false;
    }
    // The body reaches the disk before the head that makes it valid; the
    // folder too, where a new file's name is not durable with its data.
    bool journaled = WriteJournalBody(head, offsets) && journal.Flush();
    if (journaled) {
        std::vector<unsigned char> bytes = EncodeJournalHead(head);
        journaled = journal.WriteAt(0, bytes.data(), bytes.size()) == bytes.size() && journal.Flush() &&
                    (!madeJournal || platform::FlushFolderOf(journal.Path().c_str()));
        lastBodyStart = head.bodyOffset;
        lastBodyEnd = head.bodyOffset + static_cast<int64_t>(offsets.size()) * (4 + header.pageSize);
    }
    if (!journaled) {
        NoteIoFailure();
        // The database is untouched; even a journal that did reach the disk
        // only holds the file as it still is.
        InvalidateJournal();
        return false;
    }
    fileTouched = true;
    if (!WriteChanges(run)) {
        NoteIoFailure();
        if (RollBackJournal(file, journal, head, offsets)) InvalidateJournal();
        else broken = true;  // the journal stays hot; the next open rolls it back
        return false;
    }
    // Invalidating the journal commits. Should this write be lost, the
    // journal's hash of the end state still shows the transaction finished.
    InvalidateJournal();
    return true;
}

bool CxPager::WriteChanges(std::vector<unsigned char>& run) {
    const auto size = static_cast<size_t>(header.pageSize);
    // Neighbouring pages go out together, up to the run's capacity (held
    // before the file was touched) at a time.
    int32_t runStart = kNone;
    auto writeRun = [&] {
        bool written = run.empty() || RawWrite(runStart, run.data(), static_cast<int32_t>(run.size())) ==
                                          static_cast<int32_t>(run.size());
        run.clear();
        return written;
    };
    bool written = changedPages.ForEach(kHeaderSize, INT32_MAX, [&](int32_t offset, const unsigned char* bytes) {
        bool apart = runStart + static_cast<int64_t>(run.size()) != offset || run.size() + size > run.capacity();
        if (!run.empty() && apart && !writeRun()) return false;
        if (run.empty()) runStart = offset;
        run.insert(run.end(), bytes, bytes + size);
        return true;
    });
    return written && writeRun() && WriteHeader() && Flush();
}

void CxPager::DiscardChanges() {
    depth = 0;
    failed = false;
    header = originalHeader;
    writtenHeader = originalHeader;  // put back on disk, or never written
    fileSize = originalSize;
    changedPages.Clear();
    readAhead.clear();
}
