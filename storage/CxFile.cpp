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

void CxFile::Flush() {
    if (IsOpen() && unflushed) {
        file.Flush();
        unflushed = false;
    }
}

int32_t CxFile::RawRead(int64_t offset, void* buffer, int32_t count) {
    if (count <= 0 || offset < 0) return 0;
    // Walks read neighbouring pages one after another (pages are appended in
    // the order they are written), so pages are read ahead a block at a time.
    if (offset < readAheadStart || offset + count > readAheadStart + static_cast<int64_t>(readAhead.size())) {
        readAheadStart = offset;
        readAhead.resize(kReadAheadSize);
        readAhead.resize(file.ReadAt(offset, readAhead.data(), kReadAheadSize));
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

void CxFile::WriteHeader() {
    // An unchanged header is already on disk; rewriting and flushing it would
    // only cost a disk flush per page appended.
    if (std::memcmp(&header, &writtenHeader, sizeof header) == 0) return;
    RawWrite(0, &header, kHeaderSize);
    writtenHeader = header;
    Flush();
}

int32_t CxFile::AllocPage() {
    int32_t page = header.freeListHead;
    if (page > 0) {
        int32_t nextFree = kNone;
        if (RawRead(page, &nextFree, 4) == 4 && (nextFree < 1 || IsPageOffset(nextFree))) {
            header.freeListHead = nextFree;
            WriteHeader();
            return page;
        }
        // Leave the broken list as it is and grow the file instead.
        ReportDamage(At("free list link of the page", page) + " leads outside the file's pages");
    }
    page = static_cast<int32_t>(fileSize);
    if (RawWrite(page, dataPage.words.data(), header.pageSize) != header.pageSize) return kNone;
    fileSize += header.pageSize;
    WriteHeader();
    return page;
}

void CxFile::FreePage(int32_t offset) {
    if (offset < 1) return;
    RawWrite(offset, &header.freeListHead, 4);
    header.freeListHead = offset;
    WriteHeader();
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

bool CxFile::Usable() { return IsOpen() && headerSound; }

bool CxFile::Writable() { return Usable() && damage.empty() && !readOnly; }

bool CxFile::CursorValid() { return cursor >= 0 && cursor < current.Count(); }

void CxFile::ReportDamage(const std::string& what) {
    if (damage.empty()) damage = what;
}

bool CxFile::ReadPage(int32_t offset, std::vector<int32_t>& words) {
    if (!IsPageOffset(offset)) {
        ReportDamage(At("a link to a page", offset) + " that is not a page of the file");
        return false;
    }
    if (RawRead(offset, words.data(), header.pageSize) != header.pageSize) {
        ReportDamage(At("the page", offset) + " cannot be read");
        return false;
    }
    return true;
}

bool CxFile::WritePage(int32_t offset, std::vector<int32_t>& words) {
    return RawWrite(offset, words.data(), header.pageSize) == header.pageSize;
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
        done += n;
        int32_t next = kNone;
        if (done < length) {
            next = AllocPage();
            if (next == kNone) return false;
        }
        dataPage.NextPage() = next;
        if (!WritePage(page, dataPage.words)) return false;
        previous = page;
        page = next;
    } while (page != kNone);
    return true;
}

void CxFile::ReleaseChain(const std::vector<int32_t>& offsets) {
    for (int32_t page : offsets) FreePage(page);
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

int CxFile::Open(const char16_t* path) { return OpenExisting(path, false); }

int CxFile::OpenReadOnly(const char16_t* path) { return OpenExisting(path, true); }

int CxFile::OpenExisting(const char16_t* path, bool forReading) {
    Close();
    bool opened = forReading ? file.OpenForRead(path, true) : OpenHandle(path, false);
    if (!opened) return kCannotOpen;
    readOnly = forReading;
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
    RawWrite(0, &header, kHeaderSize);
    writtenHeader = header;
    Flush();
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
    if (IsOpen()) {
        Flush();
        file.Close();
    }
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
    if (neighbour > 0) {
        IndexPage check;
        check.words.assign(p.words.size(), 0);
        if (!LoadIndexPage(neighbour, check)) return false;
        dataPage.words = check.words;
    }
    int32_t n = AllocPage();
    if (n == kNone) return false;

    IndexPage fresh;
    fresh.words.assign(p.words.size(), 0);
    fresh.Count() = 0;
    fresh.Self() = n;
    if (before) {
        if (neighbour > 0) {
            dataPage.words[3] = n;  // the neighbour's next link
            WritePage(neighbour, dataPage.words);
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
            dataPage.words[4] = n;  // the neighbour's previous link
            WritePage(neighbour, dataPage.words);
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
    WritePage(p.Self(), p.words);
    WritePage(n, fresh.words);
    if (key < p.Low() || key > p.High()) current.words.swap(fresh.words);
    return true;
}

bool CxFile::Insert(int32_t key, const void* data, int32_t length) {
    cursor = kNone;
    if (length < 0 || (length > 0 && !data)) return false;
    if (Find(key)) return false;
    if (!Writable()) return false;
    const auto* bytes = static_cast<const unsigned char*>(data);
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
    WritePage(current.Self(), current.words);
    WriteHeader();
    bool written = WriteDataChain(current.DataPage(cursor), bytes, length);
    Flush();
    return written;
}

bool CxFile::Update(const void* data, int32_t length) {
    if (length < 0 || (length > 0 && !data)) return false;
    if (!Writable() || !CursorValid()) return false;
    std::vector<int32_t> old;
    if (!WalkDataChain(current.DataPage(cursor), current.Length(cursor), &old, nullptr)) return false;
    ReleaseChain(old);
    int32_t dataStart = AllocPage();
    if (dataStart == kNone) return false;
    current.DataPage(cursor) = dataStart;
    current.Length(cursor) = length;
    bool written = WriteDataChain(dataStart, static_cast<const unsigned char*>(data), length);
    WritePage(current.Self(), current.words);
    Flush();
    return written;
}

bool CxFile::Delete() {
    if (!Writable() || !CursorValid()) return false;
    int32_t key = current.Key(cursor);
    std::vector<int32_t> old;
    if (!WalkDataChain(current.DataPage(cursor), current.Length(cursor), &old, nullptr)) return false;
    IndexPage previous, following;
    previous.words.assign(current.words.size(), 0);
    following.words.assign(current.words.size(), 0);
    bool hasPrevious = current.PrevPage() > 0;
    bool hasFollowing = current.NextPage() > 0;
    if (hasPrevious && !LoadIndexPage(current.PrevPage(), previous)) return false;
    if (hasFollowing && !LoadIndexPage(current.NextPage(), following)) return false;

    ReleaseChain(old);
    if (current.Count() == 1) {
        if (hasPrevious) {
            previous.NextPage() = current.NextPage();
            WritePage(previous.Self(), previous.words);
        } else {
            header.firstIndexPage = hasFollowing ? current.NextPage() : kNone;
            WriteHeader();
        }
        if (hasFollowing) {
            following.PrevPage() = current.PrevPage();
            WritePage(following.Self(), following.words);
        }
        FreePage(current.Self());
    } else {
        current.MoveEntries(cursor, cursor + 1, current.Count() - cursor - 1);
        current.Count() -= 1;
        WritePage(current.Self(), current.words);
    }
    cursor = kNone;
    WriteHeader();
    Flush();
    if (haveFreeKeyHint && key >= freeKeyFrom && key < freeKeyHint) freeKeyHint = key;
    First();
    return true;
}
