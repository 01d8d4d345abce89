#include "storage/FileCheck.h"

#include "platform/Platform.h"
#include "storage/CxFile.h"

#include <bit>
#include <climits>
#include <cstring>

namespace {

std::string At(const std::string& what, int64_t offset) { return what + " at offset " + std::to_string(offset); }

class ImageWalk {
public:
    ImageWalk(const std::vector<unsigned char>& bytes, const EntryCheck& check) : image(bytes), entryCheck(check) {}

    std::string Run(const char* signature);

private:
    int32_t Word(int64_t offset) const {
        int32_t v;
        std::memcpy(&v, image.data() + offset, 4);
        return v;
    }
    bool IsPage(int32_t offset) const {
        return offset >= CxFile::kHeaderSize && (offset - CxFile::kHeaderSize) % pageSize == 0 &&
               static_cast<int64_t>(offset) + pageSize <= static_cast<int64_t>(image.size());
    }
    size_t PageIndex(int32_t offset) const { return static_cast<size_t>((offset - CxFile::kHeaderSize) / pageSize); }
    // Marks a page as reached; a fault when it is not a page or was reached before.
    std::string Reach(int32_t offset, const std::string& what);
    std::string WalkIndex(int32_t firstPage);
    std::string WalkData(int32_t key, int32_t first, int32_t length);
    std::string WalkFreeList(int32_t head);

    const std::vector<unsigned char>& image;
    const EntryCheck& entryCheck;
    int32_t pageSize = 0;
    std::vector<bool> reached;
    std::vector<unsigned char> payload;
};

std::string ImageWalk::Reach(int32_t offset, const std::string& what) {
    if (!IsPage(offset)) return At(what + " links to something that is not a page of the file", offset);
    size_t index = PageIndex(offset);
    if (reached[index]) return At("the page", offset) + " is reached twice (by " + what + ")";
    reached[index] = true;
    return {};
}

std::string ImageWalk::Run(const char* signature) {
    if (image.size() < static_cast<size_t>(CxFile::kHeaderSize)) return "the file is shorter than its 36-byte header";
    char stored[16];
    std::memcpy(stored, image.data(), 16);
    stored[15] = 0;
    if (std::strcmp(stored, signature) != 0) return std::string("the file does not carry the signature ") + signature;
    if (image.size() > static_cast<size_t>(INT32_MAX)) return "the file is larger than its offsets can address";
    pageSize = Word(24);
    if (pageSize < 64 || pageSize > 512 || !std::has_single_bit(static_cast<uint32_t>(pageSize))) {
        return "the header states the page size " + std::to_string(pageSize) + ", not a power of two from 64 to 512";
    }
    if ((image.size() - CxFile::kHeaderSize) % pageSize != 0) return "the file does not end on a page boundary";
    reached.assign((image.size() - CxFile::kHeaderSize) / pageSize, false);

    std::string fault = WalkIndex(Word(28));
    if (fault.empty()) fault = WalkFreeList(Word(32));
    for (size_t i = 0; fault.empty() && i < reached.size(); ++i) {
        if (!reached[i])
            fault =
                At("the page", CxFile::kHeaderSize + static_cast<int64_t>(i) * pageSize) + " is reached from nowhere";
    }
    return fault;
}

std::string ImageWalk::WalkIndex(int32_t firstPage) {
    const int32_t capacity = (pageSize - CxFile::kIndexPageHeadSize) / CxFile::kIndexEntrySize;
    int32_t previous = CxFile::kNone;
    int64_t previousHigh = INT64_MIN;
    for (int32_t page = firstPage; page > 0;) {
        std::string fault = Reach(page, "the index chain");
        if (!fault.empty()) return fault;
        int32_t low = Word(page), high = Word(page + 4), self = Word(page + 8);
        int32_t next = Word(page + 12), prev = Word(page + 16), count = Word(page + 20);
        if (self != page) return At("the index page", page) + " names " + std::to_string(self) + " as its own offset";
        if ((previous == CxFile::kNone) ? prev > 0 : prev != previous) {
            return At("the index page", page) + " does not link back to the page before it";
        }
        if (count < 1 || count > capacity) {
            return At("the index page", page) + " holds " + std::to_string(count) + " entries (1 to " +
                   std::to_string(capacity) + " fit)";
        }
        if (low > high || low <= previousHigh) return At("the index page", page) + " has bounds out of order";
        int32_t lastKey = 0;
        for (int32_t i = 0; i < count; ++i) {
            int64_t at = page + CxFile::kIndexPageHeadSize + static_cast<int64_t>(i) * CxFile::kIndexEntrySize;
            int32_t key = Word(at), data = Word(at + 4), length = Word(at + 8);
            if (key < low || key > high || (i > 0 && key <= lastKey)) {
                return At("the index page", page) + " holds key " + std::to_string(key) + " out of order";
            }
            lastKey = key;
            fault = WalkData(key, data, length);
            if (!fault.empty()) return fault;
        }
        previous = page;
        previousHigh = high;
        page = next;
    }
    return {};
}

std::string ImageWalk::WalkData(int32_t key, int32_t first, int32_t length) {
    const std::string entry = "entry " + std::to_string(key);
    if (length < 0) return entry + " states a negative length";
    const int32_t capacity = pageSize - CxFile::kDataPageHeadSize;
    payload.clear();
    int32_t previous = CxFile::kNone;
    int32_t remaining = length;
    for (int32_t page = first;;) {
        std::string fault = Reach(page, "the data chain of " + entry);
        if (!fault.empty()) return fault;
        int32_t prev = Word(page), next = Word(page + 4), count = Word(page + 8);
        if (prev != previous)
            return At("the data page", page) + " of " + entry + " does not link back to the page before it";
        int32_t expected = remaining < capacity ? remaining : capacity;
        if (count != expected) {
            return At("the data page", page) + " of " + entry + " holds " + std::to_string(count) + " bytes where " +
                   std::to_string(expected) + " belong";
        }
        payload.insert(payload.end(), image.begin() + page + CxFile::kDataPageHeadSize,
                       image.begin() + page + CxFile::kDataPageHeadSize + count);
        remaining -= count;
        if (remaining == 0) {
            if (next > 0)
                return entry + " has a data chain longer than its length of " + std::to_string(length) + " bytes";
            break;
        }
        if (next < 1)
            return entry + " has a data chain shorter than its length of " + std::to_string(length) + " bytes";
        previous = page;
        page = next;
    }
    if (entryCheck) {
        std::string fault = entryCheck(key, payload.data(), length);
        if (!fault.empty()) return entry + ": " + fault;
    }
    return {};
}

std::string ImageWalk::WalkFreeList(int32_t head) {
    for (int32_t page = head; page > 0; page = Word(page)) {
        std::string fault = Reach(page, "the free list");
        if (!fault.empty()) return fault;
    }
    return {};
}

}  // namespace

std::string CheckRecordFileImage(const std::vector<unsigned char>& image, const char* signature,
                                 const EntryCheck& entryCheck) {
    return ImageWalk(image, entryCheck).Run(signature);
}

std::string CheckRecordFile(const char16_t* path, const char* signature, const EntryCheck& entryCheck) {
    platform::File file;
    if (!file.OpenForRead(path, true)) return "the file cannot be opened";
    int64_t size = file.Size();
    if (size < 0) return "the file's size cannot be read";
    if (size > INT32_MAX) return "the file is larger than its offsets can address";
    std::vector<unsigned char> image(static_cast<size_t>(size));
    if (file.Read(image.data(), image.size()) != image.size()) return "the file cannot be read";
    return CheckRecordFileImage(image, signature, entryCheck);
}
