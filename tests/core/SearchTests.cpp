#include "model/Category.h"
#include "model/Database.h"
#include "model/Protection.h"
#include "model/Record.h"
#include "model/Search.h"
#include "platform/Platform.h"
#include "security/Cipher.h"
#include "tests/core/TestFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// For failure messages; the texts of these tests are ASCII where it matters.
std::string Ascii(const char16_t* text) {
    std::string out;
    for (; *text; ++text) out.push_back(*text < 0x80 ? static_cast<char>(*text) : '?');
    return out;
}

std::u16string Folded(const char16_t* text) {
    std::u16string out(std::char_traits<char16_t>::length(text), u'\0');
    platform::FoldCase(text, out.size(), out.data());
    return out;
}

// The fold a search uses agrees with the comparison that orders category
// names on this platform: letters equal but for case fold alike, others not.
TEST(FoldCase, FoldsAlikeExactlyWhatCompareNoCaseFindsEqual) {
    const char16_t* pairs[][2] = {
        {u"A", u"a"},           {u"Z", u"z"},           {u"\u00c9", u"\u00e9"}, {u"\u00dc", u"\u00fc"},
        {u"\u03a9", u"\u03c9"}, {u"\u0414", u"\u0434"}, {u"e", u"\u00e9"},      {u"\u00e9", u"\u00e8"},
        {u"a", u"b"},           {u"1", u"1"},           {u"-", u"_"},           {u"Mail", u"mAIL"},
    };
    for (const auto& pair : pairs) {
        EXPECT_EQ(platform::CompareNoCase(pair[0], pair[1]) == 0, Folded(pair[0]) == Folded(pair[1]))
            << static_cast<int>(pair[0][0]) << " " << static_cast<int>(pair[1][0]);
    }
}

// A database with a password: "Bank" and "Email" are protected, "Web Login"
// is not.
class SearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(database.Create(folder.Path("QuorrelDPC.qrb").c_str()), 0);
        categories.FindByName(u"Web Login")->isProtected = false;
        Add(u"Bank", {u"First Bank", u"12-34", u"9876", u"", u"", u"", u"Branch on MAIN street"});
        Add(u"Web Login", {u"Example", u"https://example.org", u"me", u"pw", u"", u"", u"two\nlines"});
        Add(u"Email", {u"Caf\u00e9 Mail", u"\u00c9LAN@mail.org", u"secret"});
        // Asterisks the user typed into a clear value are a value like any other.
        Add(u"Web Login", {u"Stars", u"******"});
        ASSERT_TRUE(OnPasswordAdded(records, database.file, u"pass1234", categories));
        database.settings->locked = 1;
    }

    void Add(const char16_t* category, std::vector<const char16_t*> values) {
        values.resize(CRecord::kValueCount, nullptr);
        auto* record = new CRecord;
        record->categoryId = categories.FindByName(category)->id;
        ASSERT_TRUE(record->SetFields(values.data()));
        records.Append(record);
    }

    int32_t CategoryId(const char16_t* name) { return categories.FindByName(name)->id; }

    // The titles of the records that match, asked of RecordMatches and of
    // the search; both must answer alike.
    std::vector<std::u16string> Titles(const RecordFilter& filter) {
        std::vector<std::u16string> direct, cached;
        for (const CRecord* record : Nodes<CRecord>(records)) {
            if (RecordMatches(*record, filter)) direct.push_back(record->firstField);
            if (search.Matches(*record, filter)) cached.push_back(record->firstField);
        }
        EXPECT_EQ(direct, cached);
        return direct;
    }

    ScratchFolder folder;
    CDatabase database;
    CCategories& categories = database.categories;
    CRecords& records = database.records;
    CRecordSearch search{records};
};

TEST_F(SearchTest, MatchRuleTable) {
    using Names = std::vector<std::u16string>;
    const Names all = {u"First Bank", u"Example", u"Caf\u00e9 Mail", u"Stars"};
    struct Case {
        const char16_t* text;
        const char16_t* category;  // null: every category
        bool unlocked;
        Names expected;
    };
    const Case cases[] = {
        // An empty text is no search: the category filter alone decides.
        {u"", nullptr, false, all},
        {u"", nullptr, true, all},
        {u"", u"Bank", false, {u"First Bank"}},
        // Case is ignored, in the title and in the other values.
        {u"first bank", nullptr, false, {u"First Bank"}},
        {u"EXAMPLE.ORG", nullptr, false, {u"Example"}},
        {u"main STREET", nullptr, true, {u"First Bank"}},
        // Accented letters fold with their case; the accent itself counts.
        {u"CAF\u00c9", nullptr, false, {u"Caf\u00e9 Mail"}},
        {u"cafe", nullptr, false, {}},
        {u"\u00e9lan", nullptr, true, {u"Caf\u00e9 Mail"}},
        {u"elan", nullptr, true, {}},
        // Each value on its own: nothing matches across a boundary.
        {u"Bank12", nullptr, true, {}},
        {u"pwtwo", nullptr, false, {}},
        {u"two\nlines", nullptr, false, {u"Example"}},
        // Protected values only while unlocked; clear ones always.
        {u"12-34", nullptr, true, {u"First Bank"}},
        {u"12-34", nullptr, false, {}},
        {u"secret", nullptr, false, {}},
        {u"me", nullptr, false, {u"Example"}},
        // The mask of a locked value is not a value.
        {u"*", nullptr, false, {u"Stars"}},
        {u"******", nullptr, true, {u"Stars"}},
        // The category filter and the text together.
        {u"e", u"Email", true, {u"Caf\u00e9 Mail"}},
        {u"first", u"Web Login", true, {}},
        {u"no such text", nullptr, true, {}},
    };
    ASSERT_TRUE(VerifyPassword(u"pass1234"));
    for (const Case& c : cases) {
        RecordFilter filter{c.category ? CategoryId(c.category) : -1};
        filter.text.Assign(c.text);
        filter.unlocked = c.unlocked;
        EXPECT_EQ(Titles(filter), c.expected) << Ascii(c.text) << (c.unlocked ? " unlocked" : " locked");
    }
}

// Long values are searched in blocks: a text is found wherever it starts,
// across every block boundary, and a near miss is found nowhere.
TEST_F(SearchTest, TextIsFoundAtEveryPositionOfALongValue) {
    const std::u16string filler(150, u'x');
    for (size_t at = 0; at <= filler.size(); ++at) {
        records.Clear();
        search.Forget();
        std::u16string note = filler.substr(0, at) + u"NEEDLE" + filler.substr(at);
        Add(u"Web Login", {u"Haystack", filler.c_str(), nullptr, nullptr, nullptr, nullptr, note.c_str()});
        const size_t end = filler.size();
        const struct {
            const char16_t* text;
            bool found;
        } cases[] = {
            {u"needle", true},  {u"n", true},         {u"xneedlex", at > 0 && at < end},
            {u"needlf", false}, {u"ex", at < end},    {u"nx", false},
        };
        for (const auto& c : cases) {
            RecordFilter filter;
            filter.text.Assign(c.text);
            EXPECT_EQ(Titles(filter).size(), c.found ? 1u : 0u) << at << " " << Ascii(c.text);
        }
    }
}

// A locked search needs no key: with the key wiped, as after locking, the
// titles and clear values are still found and the rest is left alone.
TEST_F(SearchTest, LockedSearchWorksWithoutTheKey) {
    WipeKey();
    RecordFilter filter;
    filter.text.Assign(u"A");
    EXPECT_EQ(Titles(filter), (std::vector<std::u16string>{u"First Bank", u"Example", u"Caf\u00e9 Mail", u"Stars"}));
    filter.text.Assign(u"9876");
    EXPECT_TRUE(Titles(filter).empty());
    // Unlocked but without a key nothing can be deciphered: only titles count.
    filter.unlocked = true;
    EXPECT_TRUE(Titles(filter).empty());
}

// The search keeps its folded values until it is told to forget them; a
// change of lock state alone never lets a locked search see deciphered ones.
TEST_F(SearchTest, SearchFollowsLockChangesAndForgetsOnRequest) {
    ASSERT_TRUE(VerifyPassword(u"pass1234"));
    database.settings->locked = 0;
    CRecord* bank = static_cast<CRecord*>(records.head);
    RecordFilter filter;
    filter.text.Assign(u"9876");
    filter.unlocked = true;
    EXPECT_TRUE(search.Matches(*bank, filter));
    filter.unlocked = false;
    EXPECT_FALSE(search.Matches(*bank, filter));
    filter.unlocked = true;
    EXPECT_TRUE(search.Matches(*bank, filter));

    // An edit is seen once the search forgets the record, or everything.
    ASSERT_TRUE(bank->SetFields(u"First Bank", u"12-34", u"5555", nullptr, nullptr, nullptr, nullptr));
    search.Forget(*bank);
    EXPECT_FALSE(search.Matches(*bank, filter));
    filter.text.Assign(u"5555");
    EXPECT_TRUE(search.Matches(*bank, filter));
    ASSERT_TRUE(bank->SetFields(u"First Bank", u"12-34", u"6666", nullptr, nullptr, nullptr, nullptr));
    search.Forget();
    EXPECT_FALSE(search.Matches(*bank, filter));

    // A record the search has not seen is matched directly.
    Add(u"Web Login", {u"Newcomer", u"5555"});
    EXPECT_TRUE(search.Matches(*static_cast<CRecord*>(records.tail), filter));
}

}  // namespace
