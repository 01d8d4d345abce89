// Blowfish throughput in ECB against OpenSSL's BF-ECB on the same data.
#define OPENSSL_SUPPRESS_DEPRECATED
#include "security/Blowfish.h"

#include <benchmark/benchmark.h>
#include <openssl/blowfish.h>

#include <memory>
#include <vector>

namespace {

constexpr size_t kBufferSize = 64 * 1024;
const unsigned char kKey[] = "a master password";

void QuorrelBlowfish(benchmark::State& state) {
    auto context = std::make_unique<BlowfishContext>();
    BlowfishSetKey(*context, kKey, sizeof kKey - 1);
    std::vector<unsigned char> data(kBufferSize, 0x42);
    for (auto _ : state) {
        BlowfishEncipherBlocks(*context, data.data(), data.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kBufferSize));
}

void OpenSslBlowfish(benchmark::State& state) {
    BF_KEY key;
    BF_set_key(&key, sizeof kKey - 1, kKey);
    std::vector<unsigned char> data(kBufferSize, 0x42);
    for (auto _ : state) {
        for (size_t at = 0; at < data.size(); at += 8) BF_ecb_encrypt(&data[at], &data[at], &key, BF_ENCRYPT);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kBufferSize));
}

}  // namespace

BENCHMARK(QuorrelBlowfish);
BENCHMARK(OpenSslBlowfish);
