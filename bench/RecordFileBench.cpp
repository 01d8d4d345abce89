// The record file as it grows: Find near the previous key, a walk of every
// entry, and Insert, at 1,000, 10,000 and 100,000 entries. The cost per
// operation should stay flat as the file grows.
#include "storage/CxFile.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr char kSignature[] = "Quorrel200";
constexpr int32_t kFirstKey = 1001;

std::filesystem::path BenchFolder() {
    auto folder = std::filesystem::temp_directory_path() / "quorrel-bench";
    std::filesystem::create_directories(folder);
    return folder;
}

// A file of n record-sized entries under keys 1001 and up, made once per run.
const std::u16string& FileWith(int32_t n) {
    static std::map<int32_t, std::u16string> made;
    auto found = made.find(n);
    if (found != made.end()) return found->second;
    std::u16string path = (BenchFolder() / ("entries-" + std::to_string(n) + ".qrb")).u16string();
    std::filesystem::remove(std::filesystem::path(path));
    CxFile file(kSignature);
    file.Create(path.c_str(), 128, 1, 0);
    std::vector<unsigned char> payload(150, 0x5A);
    file.Begin();
    for (int32_t i = 0; i < n; ++i) file.Insert(kFirstKey + i, payload.data(), static_cast<int32_t>(payload.size()));
    file.Commit();
    file.Close();
    return made.emplace(n, path).first->second;
}

void FindNearPrevious(benchmark::State& state) {
    auto n = static_cast<int32_t>(state.range(0));
    CxFile file(kSignature);
    file.Open(FileWith(n).c_str());
    int32_t key = kFirstKey;
    for (auto _ : state) {
        benchmark::DoNotOptimize(file.Find(key));
        key = key + 1 < kFirstKey + n ? key + 1 : kFirstKey;
    }
    state.SetItemsProcessed(state.iterations());
}

void WalkAll(benchmark::State& state) {
    auto n = static_cast<int32_t>(state.range(0));
    CxFile file(kSignature);
    file.Open(FileWith(n).c_str());
    std::vector<unsigned char> payload;
    for (auto _ : state) {
        int64_t bytes = 0;
        for (bool more = file.First(); more; more = file.Next()) {
            file.ReadEntry(payload);
            bytes += static_cast<int64_t>(payload.size());
        }
        benchmark::DoNotOptimize(bytes);
    }
    state.SetItemsProcessed(state.iterations() * n);
}

// Each Insert is its own transaction and on disk before it returns: mostly
// the cost of the journal's flush and the file's.
void InsertAtTheEnd(benchmark::State& state) {
    auto n = static_cast<int32_t>(state.range(0));
    std::u16string copy = (BenchFolder() / "insert.qrb").u16string();
    std::filesystem::copy_file(std::filesystem::path(FileWith(n)), std::filesystem::path(copy),
                               std::filesystem::copy_options::overwrite_existing);
    CxFile file(kSignature);
    file.Open(copy.c_str());
    std::vector<unsigned char> payload(150, 0x33);
    int32_t key = kFirstKey + n;
    for (auto _ : state) file.Insert(key++, payload.data(), static_cast<int32_t>(payload.size()));
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(FindNearPrevious)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(WalkAll)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(InsertAtTheEnd)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond)->Iterations(2000);
