#include "storage/KeyIndex.h"

#include <algorithm>
#include <climits>
#include <cstring>

using cx::At;
using cx::kNone;

void CxKeyIndex::IndexPage::MoveEntries(int32_t to, int32_t from, int32_t n) {
    if (n > 0) std::memmove(&words[6 + 3 * to], &words[6 + 3 * from], sizeof(int32_t) * 3 * static_cast<size_t>(n));
}

void CxKeyIndex::Start(int32_t pageSize) {
    current.words.assign(static_cast<size_t>(pageSize) / 4, 0);
    cursor = kNone;
}

void CxKeyIndex::Stop() {
    current.words.clear();
    cursor = kNone;
}

void CxKeyIndex::LoadFirst() {
    if (pager.Head().firstIndexPage > 0) LoadIndexPage(pager.Head().firstIndexPage, current);
}

void CxKeyIndex::AfterDiscard() {
    cursor = kNone;
    std::fill(current.words.begin(), current.words.end(), 0);
    if (!pager.Broken()) LoadFirst();
}

bool CxKeyIndex::LoadIndexPage(int32_t offset, IndexPage& page) {
    IndexPage loaded;
    loaded.words.assign(page.words.size(), 0);
    if (!pager.ReadPage(offset, loaded.words)) return false;
    if (loaded.Self() != offset) {
        pager.ReportDamage(At("the index page", offset) + " names another offset as its own");
        return false;
    }
    if (loaded.Count() < 0 || loaded.Count() > Capacity()) {
        pager.ReportDamage(At("the index page", offset) + " claims more entries than fit");
        return false;
    }
    for (int32_t i = 1; i < loaded.Count(); ++i) {
        if (loaded.Key(i - 1) >= loaded.Key(i)) {
            pager.ReportDamage(At("the index page", offset) + " holds keys out of order");
            return false;
        }
    }
    page.words.swap(loaded.words);
    return true;
}

bool CxKeyIndex::WriteIndexPage(IndexPage& page) {
    // Slots past the count hold nothing the file needs; zeroed, entries
    // moved or deleted do not linger there.
    size_t used = 6 + 3 * static_cast<size_t>(std::clamp(page.Count(), 0, Capacity()));
    std::fill(page.words.begin() + static_cast<std::ptrdiff_t>(std::min(used, page.words.size())), page.words.end(), 0);
    return pager.WritePage(page.Self(), page.words.data());
}

// ---- navigation --------------------------------------------------------------

bool CxKeyIndex::Find(int32_t key) {
    cursor = kNone;
    cx::Header& header = pager.Head();
    if (!pager.Usable() || header.firstIndexPage < 1) return false;
    if (current.Self() < 1 && !LoadIndexPage(header.firstIndexPage, current)) return false;
    bool movedForward = false;
    bool movedBackward = false;
    for (int32_t steps = 0;; ++steps) {
        if (steps > pager.PageCount()) {
            pager.ReportDamage("the index chain loops");
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

bool CxKeyIndex::First() {
    cursor = kNone;
    if (!pager.Usable() || pager.Head().firstIndexPage < 1) return false;
    if (!LoadIndexPage(pager.Head().firstIndexPage, current)) return false;
    if (current.Count() < 1) return false;
    cursor = 0;
    return true;
}

bool CxKeyIndex::Next() {
    // Only a positioned cursor moves on; past the end it stays there.
    if (!pager.Usable() || current.words.empty() || cursor < 0 || pager.Head().firstIndexPage < 1) return false;
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
        pager.ReportDamage(At("the index page", current.NextPage()) + " breaks the chain's order");
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

bool CxKeyIndex::Last() {
    cursor = kNone;
    const int32_t first = pager.Head().firstIndexPage;
    if (!pager.Usable() || first < 1) return false;
    if (!LoadIndexPage(first, current)) return false;
    for (int32_t steps = 0; current.NextPage() > 0; ++steps) {
        if (steps > pager.PageCount()) {
            pager.ReportDamage("the index chain loops");
            return false;
        }
        if (!LoadIndexPage(current.NextPage(), current)) return false;
    }
    for (int32_t steps = 0; current.Count() < 1 && current.Self() != first; ++steps) {
        if (steps > pager.PageCount() || current.PrevPage() < 1) return false;
        if (!LoadIndexPage(current.PrevPage(), current)) return false;
    }
    if (current.Count() < 1) return false;
    cursor = current.Count() - 1;
    return true;
}

// ---- changes -----------------------------------------------------------------

bool CxKeyIndex::SplitPage(int32_t key) {
    IndexPage& p = current;
    int32_t half = p.Count() / 2;
    bool before = key < p.Low() || key <= p.High();  // N goes before P unless the key lies above P
    int32_t neighbour = before ? p.PrevPage() : p.NextPage();
    // Read and check the neighbour first, so a broken link stops the split
    // before anything is written.
    IndexPage linked;
    linked.words.assign(p.words.size(), 0);
    if (neighbour > 0 && !LoadIndexPage(neighbour, linked)) return false;
    int32_t n = pager.AllocPage();
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
            pager.Head().firstIndexPage = n;
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

bool CxKeyIndex::InsertEntry(int32_t key, int32_t length, int32_t& dataStart) {
    if (pager.Head().firstIndexPage < 1) {
        int32_t page = pager.AllocPage();
        if (page == kNone) return false;
        pager.Head().firstIndexPage = page;
        current.Low() = current.High() = key;
        current.Self() = page;
        current.NextPage() = current.PrevPage() = kNone;
        current.Count() = 1;
        current.Key(0) = key;
        current.Length(0) = length;
        dataStart = pager.AllocPage();
        if (dataStart == kNone) return false;
        current.DataPage(0) = dataStart;
        cursor = 0;
        return WriteIndexPage(current);
    }
    for (int32_t steps = 0;; ++steps) {
        if (steps > pager.PageCount()) {
            pager.ReportDamage("the index chain loops");
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
    dataStart = pager.AllocPage();
    if (dataStart == kNone) return false;
    current.MoveEntries(i + 1, i, current.Count() - i);
    current.Key(i) = key;
    current.DataPage(i) = dataStart;
    current.Length(i) = length;
    current.Count() += 1;
    return WriteIndexPage(current);
}

void CxKeyIndex::SetCurrentData(int32_t dataStart, int32_t length) {
    current.DataPage(cursor) = dataStart;
    current.Length(cursor) = length;
}

bool CxKeyIndex::RemoveCurrent(const std::function<bool()>& release) {
    IndexPage previous, following;
    previous.words.assign(current.words.size(), 0);
    following.words.assign(current.words.size(), 0);
    bool hasPrevious = current.PrevPage() > 0;
    bool hasFollowing = current.NextPage() > 0;
    if (hasPrevious && !LoadIndexPage(current.PrevPage(), previous)) return false;
    if (hasFollowing && !LoadIndexPage(current.NextPage(), following)) return false;

    if (!release()) return false;
    bool written = true;
    if (current.Count() == 1) {
        if (hasPrevious) {
            previous.NextPage() = current.NextPage();
            written = WriteIndexPage(previous);
        } else {
            pager.Head().firstIndexPage = hasFollowing ? current.NextPage() : kNone;
        }
        if (hasFollowing) {
            following.PrevPage() = current.PrevPage();
            written = written && WriteIndexPage(following);
        }
        written = written && pager.FreePage(current.Self());
    } else {
        current.MoveEntries(cursor, cursor + 1, current.Count() - cursor - 1);
        current.Count() -= 1;
        written = WriteIndexPage(current);
    }
    cursor = kNone;
    return written;
}
