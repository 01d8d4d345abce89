#include "storage/Salvage.h"

#include "platform/Platform.h"

#include <cstring>
#include <map>
#include <set>

namespace {

constexpr int32_t kHeaderSize = 36;

class Image {
public:
    Image(const std::vector<unsigned char>& bytes, int32_t pageSize) : bytes(bytes), pageSize(pageSize) {}

    int32_t Word(int64_t offset) const {
        int32_t value;
        std::memcpy(&value, bytes.data() + offset, 4);
        return value;
    }
    bool IsPage(int64_t offset) const {
        return offset >= kHeaderSize && (offset - kHeaderSize) % pageSize == 0 &&
               offset + pageSize <= static_cast<int64_t>(bytes.size());
    }
    int32_t Capacity() const { return (pageSize - 24) / 12; }
    int32_t PageCount() const {
        return static_cast<int32_t>((static_cast<int64_t>(bytes.size()) - kHeaderSize) / pageSize);
    }

    // A page that can be an index page: its own offset, a possible count,
    // keys rising within its bounds.
    bool IsIndexPage(int32_t offset) const {
        if (!IsPage(offset) || Word(offset + 8) != offset) return false;
        int32_t count = Word(offset + 20);
        if (count < 1 || count > Capacity()) return false;
        int32_t low = Word(offset), high = Word(offset + 4);
        for (int32_t i = 0; i < count; ++i) {
            int32_t key = Word(offset + 24 + 12 * i);
            if (key < low || key > high || (i > 0 && key <= Word(offset + 24 + 12 * (i - 1)))) return false;
        }
        return true;
    }

    bool ReadChain(int32_t first, int32_t length, std::vector<unsigned char>& out) const {
        out.clear();
        if (length < 0) return false;
        const int32_t capacity = pageSize - 12;
        int32_t previous = -1;
        for (int32_t page = first, visited = 0; page > 0 || visited == 0; ++visited) {
            if (visited > length / capacity || !IsPage(page) || Word(page) != previous) return false;
            int32_t n = Word(page + 8);
            if (n < 0 || n > capacity || static_cast<int64_t>(out.size()) + n > length) return false;
            out.insert(out.end(), bytes.begin() + page + 12, bytes.begin() + page + 12 + n);
            previous = page;
            page = Word(page + 4);
        }
        return static_cast<int32_t>(out.size()) == length;
    }

    const std::vector<unsigned char>& bytes;
    int32_t pageSize;
};

void TakeEntries(const Image& image, int32_t page, bool outside, std::map<int32_t, SalvagedEntry>& found,
                 std::set<int32_t>& unreadable) {
    int32_t count = image.Word(page + 20);
    for (int32_t i = 0; i < count; ++i) {
        int32_t at = page + 24 + 12 * i;
        int32_t key = image.Word(at);
        if (found.count(key)) continue;
        std::vector<unsigned char> payload;
        if (!image.ReadChain(image.Word(at + 4), image.Word(at + 8), payload)) {
            unreadable.insert(key);
            continue;
        }
        unreadable.erase(key);
        found[key] = {key, std::move(payload), outside};
    }
}

}  // namespace

SalvageResult SalvageRecordFile(const char16_t* path, const char* signature) {
    SalvageResult result;
    platform::File file;
    if (!file.OpenForRead(path, true)) {
        result.error = "cannot be opened: " + platform::LastErrorText();
        return result;
    }
    int64_t size = file.Size();
    if (size < kHeaderSize || size > INT32_MAX) {
        result.error = "is too short or too large to be a database";
        return result;
    }
    std::vector<unsigned char> bytes(static_cast<size_t>(size));
    if (file.ReadAt(0, bytes.data(), bytes.size()) != bytes.size()) {
        result.error = "cannot be read: " + platform::LastErrorText();
        return result;
    }
    char stored[16];
    std::memcpy(stored, bytes.data(), 16);
    stored[15] = 0;
    // A damaged header (a flipped or zeroed signature) says nothing about the
    // pages after it: they are scanned, and the file is refused only when no
    // page reads as an index page.
    const bool headerSound = std::string(stored) == std::string(signature).substr(0, 15);
    int32_t pageSize = 0;
    std::memcpy(&pageSize, bytes.data() + 24, 4);
    if (!headerSound) pageSize = 0;
    // A broken page size is guessed: the size under which most pages read as index pages.
    if (pageSize != 64 && pageSize != 128 && pageSize != 256 && pageSize != 512) {
        int best = -1;
        for (int32_t candidate : {64, 128, 256, 512}) {
            Image trial(bytes, candidate);
            int pages = 0;
            for (int32_t k = 0; k < trial.PageCount(); ++k) pages += trial.IsIndexPage(kHeaderSize + k * candidate);
            if (pages > best) {
                best = pages;
                pageSize = candidate;
            }
        }
    }
    Image image(bytes, pageSize);
    std::map<int32_t, SalvagedEntry> found;
    std::set<int32_t> unreadable, visited;
    int32_t page = headerSound ? image.Word(28) : -1;
    while (page > 0 && !visited.count(page) && image.IsIndexPage(page)) {
        visited.insert(page);
        TakeEntries(image, page, false, found, unreadable);
        page = image.Word(page + 12);
    }
    for (int32_t k = 0; k < image.PageCount(); ++k) {
        int32_t offset = kHeaderSize + k * pageSize;
        if (!visited.count(offset) && image.IsIndexPage(offset))
            TakeEntries(image, offset, headerSound, found, unreadable);
    }
    if (!headerSound && found.empty() && unreadable.empty()) {
        result.error = "is not a Quorrel database of this version";
        return result;
    }
    result.headerDamaged = !headerSound;
    for (auto& [key, entry] : found) result.entries.push_back(std::move(entry));
    result.unreadable = static_cast<int32_t>(unreadable.size());
    return result;
}
