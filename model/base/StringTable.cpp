#include "model/base/StringTable.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace {

struct Entry {
    int32_t id;
    const char16_t* text;
};

constexpr Entry kEntries[] = {
#define QSTR(name, id, text) {id, u"" text},
#include "res/StringTable.def"
#undef QSTR
};

constexpr auto SortedEntries() {
    std::array<Entry, std::size(kEntries)> sorted{};
    std::copy(std::begin(kEntries), std::end(kEntries), sorted.begin());
    std::sort(sorted.begin(), sorted.end(), [](const Entry& a, const Entry& b) { return a.id < b.id; });
    return sorted;
}

constexpr auto kSorted = SortedEntries();

}  // namespace

const char16_t* LoadText(int32_t id) {
    auto it = std::lower_bound(kSorted.begin(), kSorted.end(), id, [](const Entry& e, int32_t v) { return e.id < v; });
    return it != kSorted.end() && it->id == id ? it->text : u"";
}
