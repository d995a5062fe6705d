// Burning a 1 GiB image with Pellmark onto tgtd's DVD+R unit over loopback iSCSI, beside the
// same burn onto the virtual recorder in the same run; both rates in MB/s.
// tgtd syncs its backing file after every WRITE unless the unit's write cache is on, so the
// iSCSI burn is measured twice: onto a unit as tgtd sets it up (on a disk, the disk's rate for
// small synchronous writes) and onto one with its write cache on, as a drive with a buffer
// (the transport's own rate). TARNWICK_BENCH_DIR=/dev/shm takes the disk out of both.
// Usage: bench_iscsi_burn [MiB] (default 1024) [rounds] (default 3); TARNWICK_BENCH_DIR sets
// the scratch directory.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchProgram.h"
#include "TgtdTarget.h"

int main(int argc, char** argv) {
    const unsigned long l__MiB = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1024;
    const int l__Rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const std::string l__Dir = BenchProgram::ScratchDirectory("iscsi-bench");
    if (l__Dir.empty()) return 1;
    const std::string l__Image = l__Dir + "/image.iso", l__Disc = l__Dir + "/disc", l__Backing = l__Dir + "/tgtd.img";
    BenchProgram::WriteImage(l__Image, l__MiB);
    const std::string l__Bin = TARNWICK_BINARY_DIR;
    const std::string l__Vdisc = l__Bin + "/tools/vdisc/tarnwick-vdisc";
    const std::string l__Pellmark = l__Bin + "/samples/pellmark/Pellmark";
    const std::vector<std::string> l__Burn = {l__Pellmark, "0", "0", "0", "0", l__Image, "0", "1"};

    // Each round: the virtual recorder's burn, then the iSCSI burn onto a fresh blank unit;
    // each starts with the dirty pages of the one before written back.
    std::vector<double> l__VirtualSeconds, l__IscsiSeconds, l__CachedSeconds;
    int l__Exit = 0;
    for (int l__Round = 0; l__Round < l__Rounds; ++l__Round) {
        if (BenchProgram::Spawn({l__Vdisc, "blank", l__Disc, "--media", "dvdplusr"}, "/dev/null", {}).m__Exit != 0) return 1;
        sync();
        BenchProgram::Run l__Virtual = BenchProgram::Spawn(l__Burn, l__Dir + "/virtual.out", {"TARNWICK_DRIVES=virtual:" + l__Disc});
        l__VirtualSeconds.push_back(l__Virtual.m__Seconds);
        if (l__Virtual.m__Exit != 0) l__Exit = l__Virtual.m__Exit;
        std::filesystem::remove(l__Disc);

        for (bool l__WriteCache : {false, true}) {
            std::filesystem::remove(l__Backing);
            sync();
            TgtdTarget l__Target(l__Backing);
            if (!l__Target.Started()) {
                std::fprintf(stderr, "tgtd: %s\n", l__Target.Failure().c_str());
                return 1;
            }
            if (l__WriteCache && !l__Target.EnableWriteCache()) {
                std::fprintf(stderr, "tgtd refused to turn the unit's write cache on\n");
                return 1;
            }
            BenchProgram::Run l__Iscsi = BenchProgram::Spawn(l__Burn, l__Dir + "/iscsi.out", {"TARNWICK_DRIVES=" + l__Target.Url()});
            (l__WriteCache ? l__CachedSeconds : l__IscsiSeconds).push_back(l__Iscsi.m__Seconds);
            if (l__Iscsi.m__Exit != 0) l__Exit = l__Iscsi.m__Exit;
            if (std::filesystem::file_size(l__Backing) < std::filesystem::file_size(l__Image)) {
                std::fprintf(stderr, "the iSCSI unit holds %ju bytes of %ju\n", static_cast<uintmax_t>(std::filesystem::file_size(l__Backing)),
                             static_cast<uintmax_t>(std::filesystem::file_size(l__Image)));
                l__Exit = 1;
            }
        }
    }
    std::sort(l__VirtualSeconds.begin(), l__VirtualSeconds.end());
    std::sort(l__IscsiSeconds.begin(), l__IscsiSeconds.end());
    std::sort(l__CachedSeconds.begin(), l__CachedSeconds.end());
    const double l__Virtual = l__VirtualSeconds[l__Rounds / 2], l__Iscsi = l__IscsiSeconds[l__Rounds / 2],
                 l__Cached = l__CachedSeconds[l__Rounds / 2];
    std::printf("image                                   %lu MiB, %d rounds, medians (min-max)\n", l__MiB, l__Rounds);
    std::printf("Pellmark burn onto the virtual recorder %6.2f s (%.2f-%.2f)  %7.1f MB/s\n", l__Virtual,
                l__VirtualSeconds.front(), l__VirtualSeconds.back(), l__MiB * 1.048576 / l__Virtual);
    std::printf("Pellmark burn onto tgtd over iSCSI      %6.2f s (%.2f-%.2f)  %7.1f MB/s\n", l__Iscsi,
                l__IscsiSeconds.front(), l__IscsiSeconds.back(), l__MiB * 1.048576 / l__Iscsi);
    std::printf("  the same, the unit's write cache on  %6.2f s (%.2f-%.2f)  %7.1f MB/s\n", l__Cached,
                l__CachedSeconds.front(), l__CachedSeconds.back(), l__MiB * 1.048576 / l__Cached);
    std::printf("exit codes                              %s\n", l__Exit == 0 ? "all 0" : "a burn FAILED");
    // Far above a 16x DVD's 22 MB/s is what the transport must reach; the recorder's rate beside it.
    const double l__MB = l__MiB * 1.048576;
    const std::string l__Burned = "iSCSI burn " + std::to_string(l__MiB) + " MiB";
    BenchProgram::Result(l__Burned + ", rate", l__MB / l__Iscsi, "MB/s", "virtual recorder", l__MB / l__Virtual, ">=22");
    BenchProgram::Result(l__Burned + ", write cache on", l__MB / l__Cached, "MB/s", "virtual recorder", l__MB / l__Virtual, ">=22");
    std::error_code l__Ignored;
    std::filesystem::remove_all(l__Dir, l__Ignored);
    return l__Exit == 0 ? 0 : 1;
}
