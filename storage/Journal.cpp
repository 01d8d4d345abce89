#include "storage/Journal.h"

#include <cstring>

namespace {

constexpr char kMagic[kJournalMagicSize] = "Quorrel journal";
constexpr int32_t kVersion = 1;
// magic, version, page size, original size, new size, after hash, page count, header
constexpr size_t kFixedSize = 16 + 4 + 4 + 8 + 8 + 8 + 4 + JournalImage::kHeaderSize;

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

bool ReadWhole(const std::u16string& path, std::vector<unsigned char>& bytes) {
    platform::File file;
    if (!file.OpenForRead(path.c_str(), true)) return false;
    int64_t size = file.Size();
    if (size < 0 || size > (int64_t{1} << 31)) return false;
    bytes.resize(static_cast<size_t>(size));
    return file.ReadAt(0, bytes.data(), bytes.size()) == bytes.size();
}

// The hash of what the database holds where the transaction wrote.
bool HashOfFile(platform::File& database, const JournalImage& image, uint64_t& hash) {
    JournalHash h;
    int64_t size = database.Size();
    h.Add(&size, sizeof size);
    unsigned char header[JournalImage::kHeaderSize];
    if (database.ReadAt(0, header, sizeof header) != sizeof header) return false;
    h.Add(header, sizeof header);
    std::vector<unsigned char> buffer(static_cast<size_t>(image.pageSize));
    for (int32_t offset : image.offsets) {
        if (database.ReadAt(offset, buffer.data(), buffer.size()) != buffer.size()) return false;
        h.Add(buffer.data(), buffer.size());
    }
    buffer.resize(1 << 20);
    for (int64_t at = image.originalSize; at < size;) {
        size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(buffer.size()), size - at));
        if (database.ReadAt(at, buffer.data(), n) != n) return false;
        h.Add(buffer.data(), n);
        at += static_cast<int64_t>(n);
    }
    hash = h.Value();
    return true;
}

}  // namespace

void JournalHash::Add(const void* bytes, size_t count) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    uint64_t v = value;
    for (size_t i = 0; i < count; ++i) v = (v ^ p[i]) * 1099511628211ull;
    value = v;
}

std::u16string JournalPathFor(const std::u16string& databasePath) { return databasePath + u"-journal"; }

std::vector<unsigned char> EncodeJournal(const JournalImage& image) {
    std::vector<unsigned char> out;
    out.reserve(kFixedSize + image.offsets.size() * (4 + static_cast<size_t>(image.pageSize)) + 8);
    PutBytes(out, kMagic, kJournalMagicSize);
    Put(out, kVersion);
    Put(out, image.pageSize);
    Put(out, image.originalSize);
    Put(out, image.newSize);
    Put(out, image.afterHash);
    Put(out, static_cast<int32_t>(image.offsets.size()));
    PutBytes(out, image.header, JournalImage::kHeaderSize);
    for (size_t i = 0; i < image.offsets.size(); ++i) {
        Put(out, image.offsets[i]);
        PutBytes(out, image.pages.data() + i * static_cast<size_t>(image.pageSize),
                 static_cast<size_t>(image.pageSize));
    }
    JournalHash sum;
    sum.Add(out.data(), out.size());
    Put(out, sum.Value());
    return out;
}

bool DecodeJournal(const std::vector<unsigned char>& bytes, JournalImage& image) {
    if (bytes.size() < kFixedSize + 8 || std::memcmp(bytes.data(), kMagic, kJournalMagicSize) != 0) return false;
    const unsigned char* at = bytes.data() + kJournalMagicSize;
    if (Take<int32_t>(at) != kVersion) return false;
    image.pageSize = Take<int32_t>(at);
    image.originalSize = Take<int64_t>(at);
    image.newSize = Take<int64_t>(at);
    image.afterHash = Take<uint64_t>(at);
    int32_t count = Take<int32_t>(at);
    if (image.pageSize < 64 || image.pageSize > 512 || count < 0 || image.originalSize < JournalImage::kHeaderSize ||
        image.newSize < image.originalSize) {
        return false;
    }
    size_t body = kFixedSize + static_cast<size_t>(count) * (4 + static_cast<size_t>(image.pageSize));
    if (bytes.size() < body + 8) return false;
    JournalHash sum;
    sum.Add(bytes.data(), body);
    const unsigned char* stored = bytes.data() + body;
    if (Take<uint64_t>(stored) != sum.Value()) return false;
    std::memcpy(image.header, at, JournalImage::kHeaderSize);
    at += JournalImage::kHeaderSize;
    image.offsets.clear();
    image.pages.clear();
    image.pages.reserve(static_cast<size_t>(count) * static_cast<size_t>(image.pageSize));
    for (int32_t i = 0; i < count; ++i) {
        int32_t offset = Take<int32_t>(at);
        if (offset < JournalImage::kHeaderSize || offset + static_cast<int64_t>(image.pageSize) > image.originalSize) {
            return false;
        }
        image.offsets.push_back(offset);
        PutBytes(image.pages, at, static_cast<size_t>(image.pageSize));
        at += image.pageSize;
    }
    return true;
}

bool ReadJournal(const std::u16string& journalPath, JournalImage& image) {
    std::vector<unsigned char> bytes;
    return platform::FileExists(journalPath.c_str()) && ReadWhole(journalPath, bytes) && DecodeJournal(bytes, image);
}

bool RollBackJournal(platform::File& database, const JournalImage& image) {
    const auto pageSize = static_cast<size_t>(image.pageSize);
    for (size_t i = 0; i < image.offsets.size(); ++i) {
        if (database.WriteAt(image.offsets[i], image.pages.data() + i * pageSize, pageSize) != pageSize) return false;
    }
    if (database.WriteAt(0, image.header, JournalImage::kHeaderSize) != JournalImage::kHeaderSize) return false;
    if (database.Size() != image.originalSize && !database.Truncate(image.originalSize)) return false;
    return database.Flush();
}

Recovery RecoverDatabase(platform::File& database) {
    const std::u16string journalPath = JournalPathFor(database.Path());
    if (!platform::FileExists(journalPath.c_str())) return Recovery::kNothingToDo;
    JournalImage image;
    if (!ReadJournal(journalPath, image)) {
        // Torn or invalidated: the database was not touched under it.
        platform::RemoveFile(journalPath.c_str());
        return Recovery::kNothingToDo;
    }
    uint64_t now = 0;
    if (database.Size() == image.newSize && HashOfFile(database, image, now) && now == image.afterHash) {
        // The transaction reached the file whole; only its invalidation was lost.
        platform::RemoveFile(journalPath.c_str());
        return Recovery::kNothingToDo;
    }
    if (!RollBackJournal(database, image)) return Recovery::kFailed;
    // A journal that stays after a rollback is harmless: rolling back again
    // writes the same bytes.
    platform::RemoveFile(journalPath.c_str());
    return Recovery::kRolledBack;
}
