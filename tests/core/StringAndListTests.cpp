#include "model/base/CString.h"
#include "model/Category.h"
#include "model/base/DList.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::u16string Str(const CString& s) { return s.c_str(); }

// A node that counts its own destruction, in a list sorted by key.
struct Counted : CDListNode {
    Counted(int k, int* deaths) : key(k), deaths(deaths) {}
    ~Counted() override { ++*deaths; }
    int key;
    int* deaths;
};

struct CountedList : CDList {
    int Compare(const CDListNode* a, const CDListNode* b) const override {
        if (!b) return -1;
        int x = static_cast<const Counted*>(a)->key, y = static_cast<const Counted*>(b)->key;
        return x < y ? -1 : x > y;
    }
    std::vector<int> Keys() const {
        std::vector<int> keys;
        for (Counted* c : Nodes<Counted>(*this)) keys.push_back(c->key);
        // The links must agree both ways.
        std::vector<int> backwards;
        for (CDListNode* n = tail; n; n = n->prev) backwards.insert(backwards.begin(), static_cast<Counted*>(n)->key);
        EXPECT_EQ(keys, backwards);
        EXPECT_EQ(static_cast<int>(keys.size()), count);
        return keys;
    }
};

TEST(DList, InsertSortedPlacesEachNodeInOrder) {
    int deaths = 0;
    CountedList list;
    EXPECT_TRUE(list.InsertSorted(new Counted(5, &deaths), false));
    EXPECT_EQ(list.head, list.tail);
    EXPECT_TRUE(list.InsertSorted(new Counted(1, &deaths), false));  // new head
    EXPECT_TRUE(list.InsertSorted(new Counted(9, &deaths), false));  // new tail
    EXPECT_TRUE(list.InsertSorted(new Counted(7, &deaths), false));
    EXPECT_EQ(list.Keys(), (std::vector<int>{1, 5, 7, 9}));

    auto* duplicate = new Counted(7, &deaths);
    EXPECT_FALSE(list.InsertSorted(duplicate, false));
    EXPECT_EQ(list.Keys(), (std::vector<int>{1, 5, 7, 9}));
    EXPECT_TRUE(list.InsertSorted(duplicate, true));
    EXPECT_EQ(duplicate->prev->next, duplicate);
    EXPECT_EQ(static_cast<Counted*>(duplicate->next)->key, 9);
    EXPECT_FALSE(list.InsertSorted(nullptr, true));
    list.Clear();
    EXPECT_EQ(deaths, 5);
    EXPECT_EQ(list.count, 0);
    list.Clear();  // harmless when empty
    EXPECT_EQ(deaths, 5);
}

TEST(DList, UnlinkHandsTheNodeBackAndCountNeverGoesNegative) {
    int deaths = 0;
    CountedList list;
    auto* only = new Counted(1, &deaths);
    list.Append(only);
    list.Unlink(only);
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(list.tail, nullptr);
    EXPECT_EQ(list.count, 0);
    list.Unlink(only);
    EXPECT_EQ(list.count, 0);
    delete only;
    list.Append(new Counted(1, &deaths));
    list.Append(new Counted(2, &deaths));
    list.Append(new Counted(3, &deaths));
    list.Remove(list.head->next);
    EXPECT_EQ(list.Keys(), (std::vector<int>{1, 3}));
    EXPECT_EQ(deaths, 2);
}

TEST(DList, CategoriesSortByNameIgnoringCase) {
    CCategories categories;
    auto add = [&](const char16_t* name) {
        auto* c = new CCategory;
        CopyBounded(c->name, name, 31);
        bool inserted = categories.InsertSorted(c, false);
        if (!inserted) delete c;  // a refused node stays the caller's
        return inserted;
    };
    EXPECT_TRUE(add(u"bank"));
    EXPECT_TRUE(add(u"Web Login"));
    EXPECT_TRUE(add(u"Email"));
    EXPECT_FALSE(add(u"EMAIL"));   // equal ignoring case
    EXPECT_TRUE(add(u""));         // an empty name goes right after the first
    std::vector<std::u16string> names;
    for (CCategory* c : Nodes<CCategory>(categories)) names.push_back(c->name);
    EXPECT_EQ(names, (std::vector<std::u16string>{u"bank", u"", u"Email", u"Web Login"}));
}

TEST(CString, AssignAppendAndTruncate) {
    CString s;
    EXPECT_EQ(s.Text(), nullptr);
    s.Append(u"ab");  // a never-assigned string simply becomes the text
    EXPECT_EQ(Str(s), u"ab");
    s.Assign(nullptr);
    ASSERT_NE(s.Text(), nullptr);
    EXPECT_EQ(s.Length(), 0);
    s.AssignRepeated(u'x', -3);
    EXPECT_EQ(Str(s), u"");
    s.AssignRepeated(u'x', 3);
    s.AppendRepeated(u'y', 0);
    s.AppendRepeated(u'y', 2);
    s.Append(u"");
    EXPECT_EQ(Str(s), u"xxxyy");
    s.Truncate(10);
    EXPECT_EQ(Str(s), u"xxxyy");
    s.Truncate(2);
    EXPECT_EQ(Str(s), u"xx");
    s.Truncate(0);
    EXPECT_EQ(Str(s), u"");
    EXPECT_EQ(s.Length(), 0);
}

TEST(CString, CollapseWhitespaceKeepsTheFirstOfEachRun) {
    struct Case {
        const char16_t* in;
        const char16_t* out;
    };
    const Case cases[] = {
        {u"a \t\tb", u"a b"},
        {u"a\t b", u"a\tb"},
        {u"  x   y  ", u" x y "},
        {u"a\r\n\nb", u"a\rb"},
        {u"a\u3000 b", u"a\u3000b"},
        {u"plain", u"plain"},
        {u"", u""},
    };
    for (const Case& c : cases) {
        CString s(c.in);
        s.CollapseWhitespace();
        EXPECT_EQ(Str(s), c.out);
    }
}

TEST(CString, CopyBoundedWritesAtMostMaxAndANul) {
    char16_t buffer[6];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    CopyBounded(buffer, u"abcdefgh", 4);
    EXPECT_EQ(std::u16string(buffer), u"abcd");
    EXPECT_EQ(buffer[5], u'#');
    CopyBounded(buffer, nullptr, 4);
    EXPECT_EQ(buffer[0], 0);
    CopyBounded(buffer, u"ab", 4);
    EXPECT_EQ(std::u16string(buffer), u"ab");
}

TEST(Platform, SortKeysOrderTextsAsTheComparisonDoes) {
    const char16_t* texts[] = {u"", u"a", u"A", u"ab", u"Ab", u"b", u"B", u"apple", u"Apple", u"banana",
                               u"a b", u"a-b", u"\u00e9t\u00e9", u"ete", u"z", u"Zeta", u"10", u"9", u"\u00c4rger"};
    for (size_t i = 0; i < std::size(texts); ++i) {
        for (size_t j = 0; j < std::size(texts); ++j) {
            int compared = platform::CompareText(texts[i], texts[j]);
            std::string a = platform::SortKey(texts[i]), b = platform::SortKey(texts[j]);
            int byKey = a < b ? -1 : a > b ? 1 : 0;
            EXPECT_EQ(byKey, compared < 0 ? -1 : compared > 0 ? 1 : 0) << "texts " << i << " and " << j;
        }
    }
}

}  // namespace
