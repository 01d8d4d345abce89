#include "storage/Journal.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char kMagic[kJournalMagicSize] = "Quorrel journal";
constexpr int32_t kVersion = 2;
constexpr size_t kChunk = 1 << 20;

// Appends by resizing and copying: GCC 12 warns falsely about vector inserts.
void PutBytes(std::vector<unsigned char>& out, const void* bytes, size_t count) {
    size_t at = out.size();
    out.resize(at + count);
    if (count) std::memcpy(out.data() + at, bytes, count);
}

template <typename T>
void Put(std::vector<unsigned char>& out, T value) {
    PutBytes(out, &value, sizeof(T));
}

template <typename T>
T Take(const unsigned char*& at) {
    T value;
    std::memcpy(&value, at, sizeof(T));
    at += sizeof(T);
    return value;
}

std::string Named(const std::u16string& path) {
    return "the journal " + platform::Utf16ToUtf8(path.data(), path.size());
}

bool DecodeHead(const unsigned char* bytes, JournalHead& head, std::string& why) {
    if (std::memcmp(bytes, kMagic, kJournalMagicSize) != 0) {
        why = "is damaged (it does not start as a journal)";
        return false;
    }
    const unsigned char* at = bytes + kJournalMagicSize;
    if (Take<int32_t>(at) != kVersion) {
        why = "was written by another version of the program";
        return false;
    }
    head.pageSize = Take<int32_t>(at);
    head.count = Take<int32_t>(at);
    head.witnessCount = Take<int32_t>(at);
    head.originalSize = Take<int64_t>(at);
    head.newSize = Take<int64_t>(at);
    head.bodyOffset = Take<int64_t>(at);
    head.afterHash = Take<uint64_t>(at);
    head.offsetsHash = Take<uint64_t>(at);
    head.pagesHash = Take<uint64_t>(at);
    head.witnessHash = Take<uint64_t>(at);
    std::memcpy(head.header, at, JournalHead::kHeaderSize);
    at += JournalHead::kHeaderSize;
    std::memcpy(head.newHeader, at, JournalHead::kHeaderSize);
    at += JournalHead::kHeaderSize;
    for (int32_t& w : head.witnesses) w = Take<int32_t>(at);
    JournalHash sum;
    sum.Add(bytes, static_cast<size_t>(at - bytes));
    bool sound = Take<uint64_t>(at) == sum.Value() && head.pageSize >= 64 && head.pageSize <= 512 && head.count >= 0 &&
                 head.originalSize >= JournalHead::kHeaderSize && head.newSize >= head.originalSize &&
                 head.bodyOffset >= kJournalHeadSize && head.witnessCount >= 0 &&
                 head.witnessCount <= kJournalWitnesses;
    if (!sound) why = "is damaged (its head does not match its checksum)";
    return sound;
}

// Reads the journal's offsets; false when they cannot be read or fail their checksum.
bool ReadOffsets(platform::File& journal, const JournalHead& head, std::vector<int32_t>& offsets) {
    offsets.assign(static_cast<size_t>(head.count), 0);
    size_t bytes = offsets.size() * 4;
    if (journal.ReadAt(head.bodyOffset, offsets.data(), bytes) != bytes) return false;
    JournalHash sum;
    sum.Add(offsets.data(), bytes);
    if (sum.Value() != head.offsetsHash) return false;
    for (int32_t offset : offsets) {
        if (offset < JournalHead::kHeaderSize || offset + static_cast<int64_t>(head.pageSize) > head.originalSize)
            return false;
    }
    return true;
}

// Visits the journal's original pages a chunk at a time.
template <typename Visit>
bool ForEachPageChunk(platform::File& journal, const JournalHead& head, Visit visit) {
    const auto pageSize = static_cast<size_t>(head.pageSize);
    const size_t perChunk = kChunk / pageSize;
    std::vector<unsigned char> chunk(perChunk * pageSize);
    int64_t at = head.bodyOffset + int64_t{4} * head.count;
    for (size_t first = 0; first < static_cast<size_t>(head.count); first += perChunk) {
        size_t n = std::min(perChunk, static_cast<size_t>(head.count) - first);
        if (journal.ReadAt(at, chunk.data(), n * pageSize) != n * pageSize) return false;
        if (!visit(first, n, chunk.data())) return false;
        at += static_cast<int64_t>(n * pageSize);
    }
    return true;
}

bool PagesHashOfJournal(platform::File& journal, const JournalHead& head, uint64_t& hash) {
    JournalHash sum;
    bool read = ForEachPageChunk(journal, head, [&](size_t, size_t n, const unsigned char* pages) {
        sum.Add(pages, n * static_cast<size_t>(head.pageSize));
        return true;
    });
    hash = sum.Value();
    return read;
}

// The hash of what the database holds at the journaled pages.
bool PagesHashOfFile(platform::File& database, const JournalHead& head, const std::vector<int32_t>& offsets,
                     uint64_t& hash) {
    JournalHash h;
    std::vector<unsigned char> buffer(static_cast<size_t>(head.pageSize));
    for (int32_t offset : offsets) {
        if (database.ReadAt(offset, buffer.data(), buffer.size()) != buffer.size()) return false;
        h.Add(buffer.data(), buffer.size());
    }
    hash = h.Value();
    return true;
}

// The hash of what the database holds where the transaction wrote.
bool HashOfFile(platform::File& database, const JournalHead& head, const std::vector<int32_t>& offsets,
                uint64_t& hash) {
    JournalHash h;
    int64_t size = database.Size();
    h.Add(&size, sizeof size);
    unsigned char header[JournalHead::kHeaderSize];
    if (database.ReadAt(0, header, sizeof header) != sizeof header) return false;
    h.Add(header, sizeof header);
    std::vector<unsigned char> buffer(static_cast<size_t>(head.pageSize));
    for (int32_t offset : offsets) {
        if (database.ReadAt(offset, buffer.data(), buffer.size()) != buffer.size()) return false;
        h.Add(buffer.data(), buffer.size());
    }
    buffer.resize(kChunk);
    for (int64_t at = head.originalSize; at < size;) {
        size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(buffer.size()), size - at));
        if (database.ReadAt(at, buffer.data(), n) != n) return false;
        h.Add(buffer.data(), n);
        at += static_cast<int64_t>(n);
    }
    hash = h.Value();
    return true;
}

// During a real transaction the file only grows between the original and the
// new size, its header is the old or the new one, and the pages it did not
// change are as they were.
bool BelongsTo(platform::File& database, const JournalHead& head) {
    int64_t size = database.Size();
    unsigned char header[JournalHead::kHeaderSize];
    if (size < head.originalSize || size > head.newSize || database.ReadAt(0, header, sizeof header) != sizeof header) {
        return false;
    }
    if (std::memcmp(header, head.header, sizeof header) != 0 && std::memcmp(header, head.newHeader, sizeof header) != 0)
        return false;
    uint64_t witnessed = 0;
    return HashWitnesses(database, head, witnessed) && witnessed == head.witnessHash;
}

// Renames a journal that is not the file's to a free name beside it.
bool SetAside(const std::u16string& journalPath, std::u16string& newPath) {
    for (int n = 1; n < 100; ++n) {
        newPath =
            journalPath + u"-set-aside-" + platform::Utf8ToUtf16(std::to_string(n).c_str(), std::to_string(n).size());
        if (!platform::FileExists(newPath.c_str())) return platform::RenameFile(journalPath.c_str(), newPath.c_str());
    }
    return false;
}

bool IsInvalidated(const unsigned char* bytes) {
    return std::all_of(bytes, bytes + kJournalMagicSize, [](unsigned char b) { return b == 0; });
}

}  // namespace

void JournalHash::Add(const void* bytes, size_t count) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    uint64_t v = value;
    for (size_t i = 0; i < count; ++i) v = (v ^ p[i]) * 1099511628211ull;
    value = v;
}

std::u16string JournalPathFor(const std::u16string& databasePath) { return databasePath + u"-journal"; }

std::vector<unsigned char> EncodeJournalHead(const JournalHead& head) {
    std::vector<unsigned char> out;
    out.reserve(kJournalHeadSize);
    PutBytes(out, kMagic, kJournalMagicSize);
    Put(out, kVersion);
    Put(out, head.pageSize);
    Put(out, head.count);
    Put(out, head.witnessCount);
    Put(out, head.originalSize);
    Put(out, head.newSize);
    Put(out, head.bodyOffset);
    Put(out, head.afterHash);
    Put(out, head.offsetsHash);
    Put(out, head.pagesHash);
    Put(out, head.witnessHash);
    PutBytes(out, head.header, JournalHead::kHeaderSize);
    PutBytes(out, head.newHeader, JournalHead::kHeaderSize);
    for (int32_t w : head.witnesses) Put(out, w);
    JournalHash sum;
    sum.Add(out.data(), out.size());
    Put(out, sum.Value());
    out.resize(kJournalHeadSize, 0);
    return out;
}

std::vector<unsigned char> EncodeJournal(const JournalImage& image) {
    JournalHead head;
    head.pageSize = image.pageSize;
    head.count = static_cast<int32_t>(image.offsets.size());
    head.originalSize = image.originalSize;
    head.newSize = image.newSize;
    head.afterHash = image.afterHash;
    std::memcpy(head.header, image.header, sizeof head.header);
    std::memcpy(head.newHeader, image.newHeader, sizeof head.newHeader);
    JournalHash offsets, pages;
    offsets.Add(image.offsets.data(), image.offsets.size() * 4);
    pages.Add(image.pages.data(), image.pages.size());
    head.offsetsHash = offsets.Value();
    head.pagesHash = pages.Value();
    JournalHash witnesses;
    head.witnessHash = witnesses.Value();  // no witnesses
    std::vector<unsigned char> out = EncodeJournalHead(head);
    PutBytes(out, image.offsets.data(), image.offsets.size() * 4);
    PutBytes(out, image.pages.data(), image.pages.size());
    return out;
}

void ChooseWitnesses(JournalHead& head, const std::vector<int32_t>& changed) {
    head.witnessCount = 0;
    const int64_t pages = (head.originalSize - JournalHead::kHeaderSize) / head.pageSize;
    for (int k = 0; k < kJournalWitnesses && pages > 0; ++k) {
        int64_t page = pages * (2 * k + 1) / (2 * kJournalWitnesses);
        auto offset = static_cast<int32_t>(JournalHead::kHeaderSize + page * head.pageSize);
        bool taken =
            std::binary_search(changed.begin(), changed.end(), offset) ||
            std::find(head.witnesses, head.witnesses + head.witnessCount, offset) != head.witnesses + head.witnessCount;
        if (!taken) head.witnesses[head.witnessCount++] = offset;
    }
}

bool HashWitnesses(platform::File& database, const JournalHead& head, uint64_t& hash) {
    JournalHash h;
    std::vector<unsigned char> page(static_cast<size_t>(head.pageSize));
    for (int k = 0; k < head.witnessCount; ++k) {
        if (database.ReadAt(head.witnesses[k], page.data(), page.size()) != page.size()) return false;
        h.Add(page.data(), page.size());
    }
    hash = h.Value();
    return true;
}

bool RollBackJournal(platform::File& database, platform::File& journal, const JournalHead& head,
                     const std::vector<int32_t>& offsets) {
    const auto pageSize = static_cast<size_t>(head.pageSize);
    bool written = ForEachPageChunk(journal, head, [&](size_t first, size_t n, const unsigned char* pages) {
        for (size_t i = 0; i < n; ++i) {
            if (database.WriteAt(offsets[first + i], pages + i * pageSize, pageSize) != pageSize) return false;
        }
        return true;
    });
    if (!written || database.WriteAt(0, head.header, JournalHead::kHeaderSize) != JournalHead::kHeaderSize)
        return false;
    if (database.Size() != head.originalSize && !database.Truncate(head.originalSize)) return false;
    return database.Flush();
}

bool JournalNeedsRecovery(const std::u16string& databasePath) {
    const std::u16string journalPath = JournalPathFor(databasePath);
    if (!platform::FileExists(journalPath.c_str())) return false;
    platform::File journal;
    unsigned char magic[kJournalMagicSize];
    if (!journal.OpenForRead(journalPath.c_str(), true)) return true;
    size_t got = journal.ReadAt(0, magic, sizeof magic);
    return got == sizeof magic ? !IsInvalidated(magic) : got != 0 || journal.Size() != 0;
}

Recovery RecoverDatabase(platform::File& database, std::string& problem) {
    problem.clear();
    const std::u16string journalPath = JournalPathFor(database.Path());
    if (!platform::FileExists(journalPath.c_str())) return Recovery::kNothingToDo;
    platform::File journal;
    if (!journal.OpenForRead(journalPath.c_str(), true)) {
        problem = Named(journalPath) + " cannot be read (" + platform::LastErrorText() + ")";
        return Recovery::kUnreadable;
    }
    const int64_t size = journal.Size();
    unsigned char bytes[kJournalHeadSize] = {};
    const auto want = static_cast<size_t>(std::min<int64_t>(size, kJournalHeadSize));
    if (size < 0 || journal.ReadAt(0, bytes, want) != want) {
        problem = Named(journalPath) + " cannot be read (" + platform::LastErrorText() + ")";
        return Recovery::kUnreadable;
    }
    // Empty, or with its magic zeroed: its transaction finished, or its head
    // never reached the disk, so the database was not touched under it.
    if (size == 0 || (want >= kJournalMagicSize && IsInvalidated(bytes))) {
        journal.Close();
        platform::RemoveFile(journalPath.c_str());
        return Recovery::kNothingToDo;
    }
    JournalHead head;
    std::string why;
    if (size < kJournalHeadSize) why = "is damaged (it is cut short)";
    if (!why.empty() || !DecodeHead(bytes, head, why)) {
        problem = Named(journalPath) + " " + why + "; both files are kept as they are";
        return Recovery::kUnreadable;
    }
    if (!BelongsTo(database, head)) {
        journal.Close();
        std::u16string setAside;
        if (!SetAside(journalPath, setAside)) {
            problem = Named(journalPath) + " does not belong to this database and cannot be set aside (" +
                      platform::LastErrorText() + ")";
            return Recovery::kUnreadable;
        }
        problem = Named(journalPath) + " does not belong to this database: it was set aside as " +
                  platform::Utf16ToUtf8(setAside.data(), setAside.size()) + " and not used";
        return Recovery::kSetAside;
    }
    std::vector<int32_t> offsets;
    if (!ReadOffsets(journal, head, offsets)) {
        problem =
            Named(journalPath) + " is damaged (its list of pages cannot be read); both files are kept as they are";
        return Recovery::kUnreadable;
    }
    uint64_t now = 0;
    if (database.Size() == head.newSize && HashOfFile(database, head, offsets, now) && now == head.afterHash) {
        // The transaction reached the file whole; only its invalidation was lost.
        journal.Close();
        platform::RemoveFile(journalPath.c_str());
        return Recovery::kNothingToDo;
    }
    uint64_t pages = 0;
    if (!PagesHashOfJournal(journal, head, pages) || pages != head.pagesHash) {
        // Damaged after it was written: harmless only where the database
        // shows that it was never touched under it.
        unsigned char header[JournalHead::kHeaderSize];
        uint64_t held = 0;
        bool untouched = database.Size() == head.originalSize &&
                         database.ReadAt(0, header, sizeof header) == sizeof header &&
                         std::memcmp(header, head.header, sizeof header) == 0 &&
                         PagesHashOfFile(database, head, offsets, held) && held == head.pagesHash;
        if (untouched) {
            journal.Close();
            platform::RemoveFile(journalPath.c_str());
            return Recovery::kNothingToDo;
        }
        problem =
            Named(journalPath) + " is damaged and the database was changed under it; both files are kept as they are";
        return Recovery::kUnreadable;
    }
    if (!database.LockForWriting(platform::kWriterLockWaitMilliseconds) ||
        !RollBackJournal(database, journal, head, offsets)) {
        database.Unlock();
        problem = "the database cannot be restored from " + Named(journalPath) + " (" + platform::LastErrorText() + ")";
        return Recovery::kFailed;
    }
    database.Unlock();
    // A journal that stays after a rollback is harmless: rolling back again
    // writes the same bytes.
    journal.Close();
    platform::RemoveFile(journalPath.c_str());
    return Recovery::kRolledBack;
}
