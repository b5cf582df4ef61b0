#include "Application/store/CryptographyStream.h"
#include "Application/store/MemoryStream.h"
#include "Application/store/Rc6.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

// RC6 over 64 MB in memory, on one core: the block cipher on its own (whole buffer, blocks
// interleaved), and the stream filters between two memory streams as the rule store uses them.

namespace {

constexpr std::int64_t kBytes = 64 * 1024 * 1024;

std::vector<std::uint8_t> Data() {
    std::vector<std::uint8_t> data(kBytes);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i * 2654435761u >> 13);
    return data;
}

void BM_Rc6Encipher(benchmark::State& state) {
    TRC6 cipher("MOLDRA");
    std::vector<std::uint8_t> data = Data();
    for (auto _ : state) {
        benchmark::DoNotOptimize(cipher.EncipherData(data.data(), data.size() / 16));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kBytes);
}

void BM_Rc6Decipher(benchmark::State& state) {
    TRC6 cipher("MOLDRA");
    std::vector<std::uint8_t> data = Data();
    for (auto _ : state) {
        benchmark::DoNotOptimize(cipher.DecipherData(data.data(), data.size() / 16));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kBytes);
}

void BM_Rc6BlockByBlock(benchmark::State& state) {
    TRC6 cipher("MOLDRA");
    std::vector<std::uint8_t> data = Data();
    for (auto _ : state) {
        for (std::size_t i = 0; i < data.size(); i += 16)
            benchmark::DoNotOptimize(cipher.EncipherBlock(data.data() + i));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kBytes);
}

void BM_EncryptionStream(benchmark::State& state) {
    TRC6 cipher("MOLDRA");
    const std::vector<std::uint8_t> data = Data();
    TMemoryStream plain;
    plain.WriteBuffer(data.data(), kBytes);
    TMemoryStream encrypted;
    for (auto _ : state) {
        encrypted.Clear();
        TEncryptionStream stream(&encrypted, TCipherOwnership::Borrowed, TStreamOwnership::Borrowed,
                                 &cipher);
        stream.CopyFrom(plain, 0);
    }
    state.SetBytesProcessed(state.iterations() * kBytes);
}

void BM_DecryptionStream(benchmark::State& state) {
    TRC6 cipher("MOLDRA");
    const std::vector<std::uint8_t> data = Data();
    TMemoryStream encrypted;
    encrypted.WriteBuffer(data.data(), kBytes);
    TMemoryStream plain;
    for (auto _ : state) {
        plain.Clear();
        TDecryptionStream stream(&encrypted, TCipherOwnership::Borrowed, TStreamOwnership::Borrowed,
                                 &cipher);
        plain.CopyFrom(stream, 0);
    }
    state.SetBytesProcessed(state.iterations() * kBytes);
}

} // namespace

BENCHMARK(BM_Rc6Encipher)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rc6Decipher)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rc6BlockByBlock)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncryptionStream)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecryptionStream)->Unit(benchmark::kMillisecond);
