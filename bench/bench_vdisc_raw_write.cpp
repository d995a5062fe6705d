// A 700 MB Mode 1 disc written to the virtual recorder's writer twice, in 16-block WRITEs: as one
// Track-At-Once track of 2048-byte blocks, and raw Disc-At-Once (lead-in, pre-gap, the same
// track and a whole lead-out, 2448-byte blocks) where every block is checked before it is recorded.
// Only the writer's time is counted (building the raw blocks is not). The target: raw at most
// twice the Track-At-Once time.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "VdiscModePages.h"
#include "VdiscRawStream.h"
#include "VdiscStore.h"
#include "VdiscWriter.h"

namespace {

constexpr int32_t BLOCKS = 358400;  // 700 MiB of 2048-byte blocks
constexpr int32_t PACKET = 16;

std::string DiscPath() {
    const char* l__PCHAR__Base = std::getenv("TARNWICK_BENCH_DIR");
    return std::string(l__PCHAR__Base != nullptr ? l__PCHAR__Base : "/tmp") + "/vdisc-raw-bench-" + std::to_string(::getpid());
}

// A writer on a blank CD-R with the write type and data block type set through MODE SELECT.
struct Recorder {
    VdiscStore m__Store;
    VdiscModePages m__Pages;
    VdiscWriter m__Writer{m__Store, m__Pages};
    bool Open(const std::string& p__string__Path, uint8_t p__UCHAR__WriteType, uint8_t p__UCHAR__BlockType, uint8_t p__UCHAR__TrackMode) {
        std::string l__string__Error;
        ::unlink(p__string__Path.c_str());
        if (!VdiscStore::Create(p__string__Path, VdiscState::Blank(VdiscMediumKind::CdR), l__string__Error)) return false;
        if (!m__Store.Open(p__string__Path, true, l__string__Error)) return false;
        m__Pages.Reset(VdiscMediumKind::CdR);
        std::vector<uint8_t> l__Page = m__Pages.Sense(0x05, 0, m__Store.State());
        std::fill(l__Page.begin(), l__Page.begin() + 8, 0);
        l__Page[10] = static_cast<uint8_t>((l__Page[10] & 0x40) | p__UCHAR__WriteType);
        l__Page[11] = p__UCHAR__TrackMode;
        l__Page[12] = p__UCHAR__BlockType;
        l__Page.resize(l__Page[9] + 10u);
        m__Pages.Select(l__Page.data(), static_cast<uint32_t>(l__Page.size()), m__Store.State());
        return true;
    }
};

using Clock = std::chrono::steady_clock;

void TrackAtOnce700MB(benchmark::State& p__State) {
    const std::string l__string__Path = DiscPath();
    std::vector<uint8_t> l__Packet(PACKET * 2048);
    for (size_t l__size_t__I = 0; l__size_t__I < l__Packet.size(); ++l__size_t__I) l__Packet[l__size_t__I] = static_cast<uint8_t>(l__size_t__I * 31);
    for (auto _ : p__State) {
        Recorder l__Recorder;
        if (!l__Recorder.Open(l__string__Path, 1, 8, 4)) return p__State.SkipWithError("cannot make the disc");
        const Clock::time_point l__Start = Clock::now();
        try {
            for (int32_t l__LONG__Lba = 0; l__LONG__Lba < BLOCKS; l__LONG__Lba += PACKET)
                l__Recorder.m__Writer.Write(l__LONG__Lba, PACKET, l__Packet.data(), static_cast<uint32_t>(l__Packet.size()));
            l__Recorder.m__Writer.SynchronizeCache();
        } catch (const VdiscCheckCondition&) {
            return p__State.SkipWithError("WRITE refused");
        }
        p__State.SetIterationTime(std::chrono::duration<double>(Clock::now() - l__Start).count());
    }
    ::unlink(l__string__Path.c_str());
}

void RawDiscAtOnce700MB(benchmark::State& p__State) {
    const std::string l__string__Path = DiscPath();
    const VdiscRawStream l__Stream(-11634, {{true, 1, 0, 0}}, BLOCKS, 2448);
    for (auto _ : p__State) {
        Recorder l__Recorder;
        if (!l__Recorder.Open(l__string__Path, 3, 3, 0)) return p__State.SkipWithError("cannot make the disc");
        Clock::duration l__Spent{};
        try {
            for (int32_t l__LONG__Lba = l__Stream.LeadInStart(); l__LONG__Lba < BLOCKS + 6750; l__LONG__Lba += PACKET) {
                const int32_t l__LONG__Count = std::min(PACKET, BLOCKS + 6750 - l__LONG__Lba);
                const std::vector<uint8_t> l__Packet = l__Stream.Packet(l__LONG__Lba, l__LONG__Count);
                const Clock::time_point l__Start = Clock::now();
                l__Recorder.m__Writer.Write(l__LONG__Lba, static_cast<uint32_t>(l__LONG__Count), l__Packet.data(), static_cast<uint32_t>(l__Packet.size()));
                l__Spent += Clock::now() - l__Start;
            }
            const Clock::time_point l__Start = Clock::now();
            l__Recorder.m__Writer.SynchronizeCache();
            l__Spent += Clock::now() - l__Start;
        } catch (const VdiscCheckCondition&) {
            return p__State.SkipWithError("WRITE refused");
        }
        p__State.SetIterationTime(std::chrono::duration<double>(l__Spent).count());
    }
    ::unlink(l__string__Path.c_str());
}

}  // namespace

BENCHMARK(TrackAtOnce700MB)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(2);
BENCHMARK(RawDiscAtOnce700MB)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(2);

BENCHMARK_MAIN();
