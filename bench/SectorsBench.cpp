// Sector codec throughput, counted in user data (2048 bytes per Mode 1 sector).
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "CTarnwick_EDCECC.h"
#include "SectorCodec.h"

namespace {

constexpr int g__int__Sectors = 64;  // 150 KB of raw sectors: stays in cache like a write block

std::vector<UCHAR> RandomSectors() {
    std::mt19937 l__Generator(42);
    std::vector<UCHAR> l__Sectors(2352 * g__int__Sectors);
    for (UCHAR& l__UCHAR__Byte : l__Sectors) l__UCHAR__Byte = static_cast<UCHAR>(l__Generator());
    return l__Sectors;
}

void EncodeMode1(benchmark::State& p__State) {
    std::vector<UCHAR> l__Sectors = RandomSectors();
    LONG l__LONG__LBA = 0;
    for (auto _ : p__State) {
        for (int l__int__Sector = 0; l__int__Sector < g__int__Sectors; ++l__int__Sector)
            EncodeSector(&l__Sectors[2352 * l__int__Sector], g__LONG__EncodeMode1, l__LONG__LBA++);
        benchmark::ClobberMemory();
    }
    p__State.SetBytesProcessed(int64_t(p__State.iterations()) * g__int__Sectors * 2048);
}
BENCHMARK(EncodeMode1);

void CheckIntactMode1(benchmark::State& p__State) {
    std::vector<UCHAR> l__Sectors = RandomSectors();
    for (int l__int__Sector = 0; l__int__Sector < g__int__Sectors; ++l__int__Sector)
        EncodeSector(&l__Sectors[2352 * l__int__Sector], g__LONG__EncodeMode1, l__int__Sector);
    CTarnwick_EDCECC l__EdcEcc;
    for (auto _ : p__State) {
        int l__int__Intact = 0;
        for (int l__int__Sector = 0; l__int__Sector < g__int__Sectors; ++l__int__Sector)
            l__int__Intact += l__EdcEcc.CheckLB(&l__Sectors[2352 * l__int__Sector], 1);
        if (l__int__Intact != g__int__Sectors) p__State.SkipWithError("an intact sector failed its check");
        benchmark::DoNotOptimize(l__int__Intact);
    }
    p__State.SetBytesProcessed(int64_t(p__State.iterations()) * g__int__Sectors * 2048);
}
BENCHMARK(CheckIntactMode1);

// For reference: the engine's builder (zero user data, Mode 1) and a single-byte repair.
void BuildRawMode1(benchmark::State& p__State) {
    std::vector<UCHAR> l__Sector(2352);
    CTarnwick_EDCECC l__EdcEcc;
    LONG l__LONG__LBA = 0;
    for (auto _ : p__State) {
        l__EdcEcc.BuildRawSector(l__Sector.data(), l__LONG__LBA++ % 300000, 1);
        benchmark::ClobberMemory();
    }
    p__State.SetBytesProcessed(int64_t(p__State.iterations()) * 2048);
}
BENCHMARK(BuildRawMode1);

void CorrectOneByte(benchmark::State& p__State) {
    std::vector<UCHAR> l__Good = RandomSectors();
    l__Good.resize(2352);
    EncodeSector(l__Good.data(), g__LONG__EncodeMode1, 0);
    std::vector<UCHAR> l__Sector(2352);
    ULONG l__ULONG__Offset = 12;
    for (auto _ : p__State) {
        std::memcpy(l__Sector.data(), l__Good.data(), 2352);
        l__Sector[l__ULONG__Offset] ^= 0x5A;
        l__ULONG__Offset = l__ULONG__Offset == 2351 ? 12 : l__ULONG__Offset + 1;
        benchmark::DoNotOptimize(CorrectSector(l__Sector.data(), g__LONG__CorrectMode1));
    }
    p__State.SetBytesProcessed(int64_t(p__State.iterations()) * 2048);
}
BENCHMARK(CorrectOneByte);

}  // namespace

BENCHMARK_MAIN();
