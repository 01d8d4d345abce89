// Searching 100,000 records as the search box does on every keystroke: each
// iteration asks for every record with a text the search has not just seen
// (the texts alternate), so every iteration pays for one scan of all folded
// values and 100,000 answers. Half the records are protected.
#include "model/Category.h"
#include "model/Database.h"
#include "model/Record.h"
#include "model/Search.h"
#include "security/Cipher.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kRecords = 100000;

std::u16string Number(int i) {
    std::string digits = std::to_string(i);
    return {digits.begin(), digits.end()};
}

// The records live in memory only; the database gives them their categories,
// settings and key.
class SearchData {
public:
    SearchData() {
        auto folder = fs::temp_directory_path() / "quorrel-bench";
        fs::create_directories(folder);
        fs::remove(folder / "search.qrb");
        if (database.Create((folder / "search.qrb").u16string().c_str()) != CxFile::kOpened) std::abort();
        if (!SetPassword(u"bench password")) std::abort();
        database.settings->locked = 0;
        CCategory* bank = database.categories.FindByName(u"Bank");
        CCategory* web = database.categories.FindByName(u"Web Login");
        web->isProtected = false;
        for (int i = 0; i < kRecords; ++i) {
            auto* record = new CRecord;
            CCategory* category = i % 2 == 0 ? bank : web;
            record->categoryId = category->id;
            record->isEnciphered = category->isProtected;
            std::u16string n = Number(i);
            std::u16string title = u"Account " + n + u" at Example Services";
            std::u16string user = u"user" + n + u"@mail.example.org";
            std::u16string password = u"Pw-" + n + u"-xQ7!kL";
            std::u16string address = u"https://login.example.com/" + n;
            std::u16string note = u"Opened in " + Number(1990 + i % 30) + u"; ask the branch about limits.";
            if (!record->SetFields(title.c_str(), user.c_str(), password.c_str(), address.c_str(), nullptr, nullptr,
                                   note.c_str())) {
                std::abort();
            }
            database.records.Append(record);
        }
    }

    CDatabase database;
};

SearchData& Data() {
    static SearchData data;
    return data;
}

// Arguments: the text and whether the data is unlocked. Each text comes as
// a pair that folds differently and is found as often: 0: "e" and "a", in
// every record; 1: "example.org" and "example.com", in every record's user
// name or address; 2: "pw-4242-" and "pw-4243-", in one protected value each;
// 3: "nowhere" and "nothere", in none.
const char16_t* const kTexts[][2] = {
    {u"e", u"a"}, {u"example.org", u"EXAMPLE.COM"}, {u"pw-4242-", u"PW-4243-"}, {u"nowhere", u"nothere"}};

void SearchAllRecords(benchmark::State& state) {
    SearchData& data = Data();
    CRecordSearch search(data.database.records);
    RecordFilter filter;
    filter.unlocked = state.range(1) != 0;
    filter.text.Assign(kTexts[state.range(0)][1]);
    for (const CRecord* record : Nodes<CRecord>(data.database.records)) search.Matches(*record, filter);  // builds
    int turn = 0;
    size_t matched = 0;
    for (auto _ : state) {
        filter.text.Assign(kTexts[state.range(0)][turn]);
        turn ^= 1;
        matched = 0;
        for (const CRecord* record : Nodes<CRecord>(data.database.records)) matched += search.Matches(*record, filter);
        benchmark::DoNotOptimize(matched);
    }
    state.counters["matched"] = static_cast<double>(matched);
}

// What the first search after a Forget (a lock change, an import) costs on
// top of a keystroke: the folded values are built again, deciphering every
// protected record while unlocked.
void SearchAfterForget(benchmark::State& state) {
    SearchData& data = Data();
    CRecordSearch search(data.database.records);
    for (auto _ : state) {
        search.Forget();
        search.Prepare(state.range(0) != 0);
    }
}

// The match rule without the kept values, as `quorrel-cli find` runs it once.
void RecordMatchesEveryRecord(benchmark::State& state) {
    SearchData& data = Data();
    RecordFilter filter;
    filter.unlocked = state.range(0) != 0;
    filter.text.Assign(u"nowhere");
    for (auto _ : state) {
        size_t matched = 0;
        for (const CRecord* record : Nodes<CRecord>(data.database.records)) matched += RecordMatches(*record, filter);
        benchmark::DoNotOptimize(matched);
    }
}

}  // namespace

// On a machine others share the fastest of five runs says most about the code.
double Fastest(const std::vector<double>& times) { return *std::min_element(times.begin(), times.end()); }

BENCHMARK(SearchAllRecords)
    ->ArgNames({"text", "unlocked"})
    ->ArgsProduct({{0, 1, 2, 3}, {1, 0}})
    ->Repetitions(5)
    ->ComputeStatistics("min", Fastest)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(SearchAfterForget)->ArgNames({"unlocked"})->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(RecordMatchesEveryRecord)->ArgNames({"unlocked"})->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
