// Raw blocks for writing a whole session: the raw track sources expanding a cooked Mode 1
// image (counted in the raw blocks they deliver), and the time to build the lead-in, the
// pre-gap and the lead-out generators.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "CTarnwick_ISO9660FileTreeLeadInRawRawPW.h"
#include "CTarnwick_ISO9660FileTreeLeadOutRawRawPW.h"
#include "CTarnwick_ISO9660FileTreePreGapRawRawPW.h"
#include "CTarnwick_ISO9660FileTreeRawPQ.h"
#include "CTarnwick_ISO9660FileTreeRawRawPW.h"
#include "CTarnwick_MemoryFile.h"

namespace {

constexpr LONG g__LONG__TrackBlocks = 4096;  // 8 MB of cooked data
constexpr ULONG g__ULONG__ReadBlocks = 27;   // about what one write of the write cache takes

const std::vector<UCHAR>& CookedImage() {
    static const std::vector<UCHAR> s__Image = [] {
        std::mt19937 l__Generator(2448);
        std::vector<UCHAR> l__Image(size_t(g__LONG__TrackBlocks) * 2048);
        for (UCHAR& l__UCHAR__Byte : l__Image) l__UCHAR__Byte = static_cast<UCHAR>(l__Generator());
        return l__Image;
    }();
    return s__Image;
}

std::unique_ptr<DISC_AT_ONCE_TRACK_LIST> OneDataTrack() {
    auto l__List = std::make_unique<DISC_AT_ONCE_TRACK_LIST>();
    l__List->m__ULONG__NumberOfTracks = 1;
    l__List->m__DISC_AT_ONCE_TRACK_ENTRY__Tracks[0].m__LONG__SizeInLBs = g__LONG__TrackBlocks;
    l__List->m__DISC_AT_ONCE_TRACK_ENTRY__Tracks[0].m__BOOLEAN__IsDataTrack = TRUE;
    return l__List;
}

template <class Source, ULONG BlockBytes>
void ExpandMode1(benchmark::State& p__State) {
    const std::vector<UCHAR>& l__Image = CookedImage();
    auto l__List = OneDataTrack();
    std::vector<UCHAR> l__Buffer(static_cast<size_t>(BlockBytes) * g__ULONG__ReadBlocks);
    for (auto _ : p__State) {
        CTarnwick_MemoryFile l__File(l__Image.data(), l__Image.size());
        CTarnwick_FileChain l__Chain;
        l__Chain.AddChainTail(&l__File);
        l__Chain.SeekToBegin();
        Source l__Source(&l__Chain, l__List.get(), FALSE);
        uint64_t l__ULONGLONG__Left = l__Source.GetSize();
        while (l__ULONGLONG__Left > 0) {
            const uint64_t l__ULONGLONG__Take = std::min<uint64_t>(l__ULONGLONG__Left, l__Buffer.size());
            l__Source.Read(l__ULONGLONG__Take, l__Buffer.data());
            l__ULONGLONG__Left -= l__ULONGLONG__Take;
        }
        benchmark::DoNotOptimize(l__Buffer.data());
        benchmark::ClobberMemory();
    }
    p__State.SetBytesProcessed(int64_t(p__State.iterations()) * g__LONG__TrackBlocks * BlockBytes);
}
BENCHMARK(ExpandMode1<CTarnwick_ISO9660FileTreeRawRawPW, 2448>)->Name("ExpandMode1RawRawPW")->Unit(benchmark::kMillisecond);
BENCHMARK(ExpandMode1<CTarnwick_ISO9660FileTreeRawPQ, 2368>)->Name("ExpandMode1RawPQ")->Unit(benchmark::kMillisecond);

// A long lead-in: 2.5 minutes (11,250 blocks) for one data track.
void BuildLeadIn(benchmark::State& p__State) {
    auto l__List = OneDataTrack();
    for (auto _ : p__State) {
        CTarnwick_ISO9660FileTreeLeadInRawRawPW l__LeadIn(-11400, 11250, g__LONG__TrackBlocks, l__List.get(), FALSE);
        benchmark::DoNotOptimize(&l__LeadIn);
    }
}
BENCHMARK(BuildLeadIn)->Unit(benchmark::kMillisecond);

void BuildPreGap(benchmark::State& p__State) {
    for (auto _ : p__State) {
        CTarnwick_ISO9660FileTreePreGapRawRawPW l__PreGap(-150, 150, 1, TRUE, FALSE);
        benchmark::DoNotOptimize(&l__PreGap);
    }
}
BENCHMARK(BuildPreGap)->Unit(benchmark::kMillisecond);

void BuildLeadOut(benchmark::State& p__State) {
    for (auto _ : p__State) {
        CTarnwick_ISO9660FileTreeLeadOutRawRawPW l__LeadOut(g__LONG__TrackBlocks, TRUE, FALSE);
        benchmark::DoNotOptimize(&l__LeadOut);
    }
}
BENCHMARK(BuildLeadOut)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
