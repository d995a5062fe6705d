// Grabbing a 700 MiB data track from the virtual recorder with tarnwick-grab, side by side with
// `cat` copying the same image on the same file system. The disc is burned once with Pellmark
// (a DVD+R, whose track ends with its image); every round then grabs it into a new file.
// Target: the grab takes at most 1.2 times as long as cat. The grab writes its file through to
// the disk before it renames it into place; "cat + sync" shows what that costs cat.
// With --disc: a raw disc copy of a CD of one 560 MiB data track, written raw with its
// sub-channel (tarnwick-sao --raw pw): the whole-disc raw grab (tarnwick-grab --disc) into a
// raw image of about 700 MB and its descriptor, then the burn of that copy onto a blank CD-R
// (tarnwick-sao --raw mds), beside `cat` of the raw image. Target: grab and burn together take
// at most 3 times as long as cat.
// Usage: bench_grab [--disc] [MiB] (default 700, 560 with --disc); TARNWICK_BENCH_DIR sets the
// scratch directory.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "BenchProgram.h"

using Run = BenchProgram::Run;

namespace {

// The median and the range of a set of timings, sorted in place.
struct Timing {
    double m__Median, m__Min, m__Max;
};
Timing Summary(std::vector<double>& p__Seconds) {
    std::sort(p__Seconds.begin(), p__Seconds.end());
    return {p__Seconds[p__Seconds.size() / 2], p__Seconds.front(), p__Seconds.back()};
}

const std::string g__string__Bin = TARNWICK_BINARY_DIR;
const std::string g__string__Vdisc = g__string__Bin + "/tools/vdisc/tarnwick-vdisc";
const std::string g__string__Grab = g__string__Bin + "/tools/grab/tarnwick-grab";

// The raw copy of a whole CD (grab, then burn) against cat of the image the grab writes.
int DiscCopy(unsigned long p__MiB) {
    const std::string l__Dir = BenchProgram::ScratchDirectory("disc-copy-bench");
    if (l__Dir.empty()) return 1;
    const std::string l__Image = l__Dir + "/image.iso", l__Disc = l__Dir + "/disc";
    const std::string l__Mdf = l__Dir + "/disc.mdf", l__Copy = l__Dir + "/copy.mdf";
    const std::string l__Blank = l__Dir + "/blank", l__BlankDrives = "TARNWICK_DRIVES=virtual:" + l__Blank;
    BenchProgram::WriteImage(l__Image, p__MiB);
    const std::string l__Drives = "TARNWICK_DRIVES=virtual:" + l__Disc;
    if (BenchProgram::Spawn({g__string__Vdisc, "blank", l__Disc, "--media", "cdr"}, "/dev/null", {}).m__Exit != 0) return 1;
    const Run l__Burn = BenchProgram::Spawn({g__string__Bin + "/tools/sao/tarnwick-sao", "--raw", "pw", l__Image},
                                            l__Dir + "/sao.out", {l__Drives});
    if (l__Burn.m__Exit != 0) {
        std::fprintf(stderr, "bench_grab: the raw burn failed (exit %d)\n", l__Burn.m__Exit);
        return 1;
    }
    const int l__Rounds = 3;
    std::vector<double> l__CatSeconds, l__GrabSeconds, l__BurnSeconds, l__CopySeconds;
    int l__Exit = 0;
    bool l__bool__Identical = true;
    for (int l__Round = 0; l__Round < l__Rounds; ++l__Round) {
        sync();
        const Run l__Run = BenchProgram::Spawn({g__string__Grab, "--disc", l__Mdf}, "/dev/null", {l__Drives});
        l__GrabSeconds.push_back(l__Run.m__Seconds);
        if (l__Run.m__Exit != 0) l__Exit = l__Run.m__Exit;
        // The copy burned onto a blank CD-R; its disc file must hold what the original's does.
        std::filesystem::remove(l__Blank);
        if (BenchProgram::Spawn({g__string__Vdisc, "blank", l__Blank, "--media", "cdr"}, "/dev/null", {}).m__Exit != 0) return 1;
        sync();
        const Run l__Copied = BenchProgram::Spawn({g__string__Bin + "/tools/sao/tarnwick-sao", "--raw", "mds",
                                                   l__Dir + "/disc.mds"}, "/dev/null", {l__BlankDrives});
        l__BurnSeconds.push_back(l__Copied.m__Seconds);
        l__CopySeconds.push_back(l__Run.m__Seconds + l__Copied.m__Seconds);
        if (l__Copied.m__Exit != 0) l__Exit = l__Copied.m__Exit;
        if (l__Round == 0) {
            const std::string l__Export = "\"$0\" export \"$1\" --track 1 \"$2\"";
            BenchProgram::Spawn({"sh", "-c", l__Export, g__string__Vdisc, l__Disc, l__Dir + "/original.iso"}, "/dev/null", {});
            BenchProgram::Spawn({"sh", "-c", l__Export, g__string__Vdisc, l__Blank, l__Dir + "/copied.iso"}, "/dev/null", {});
            l__bool__Identical = BenchProgram::Spawn({"cmp", "-s", l__Dir + "/original.iso", l__Dir + "/copied.iso"}, "/dev/null", {}).m__Exit == 0;
            std::filesystem::remove(l__Dir + "/original.iso");
            std::filesystem::remove(l__Dir + "/copied.iso");
        }
        sync();
        l__CatSeconds.push_back(BenchProgram::Spawn({"cat", l__Mdf}, l__Copy, {}).m__Seconds);
        std::filesystem::remove(l__Copy);
    }
    std::error_code l__Error;
    const double l__MB = static_cast<double>(std::filesystem::file_size(l__Mdf, l__Error)) / 1e6;
    const Timing l__Cat = Summary(l__CatSeconds), l__GrabTime = Summary(l__GrabSeconds);
    const Timing l__BurnTime = Summary(l__BurnSeconds), l__CopyTime = Summary(l__CopySeconds);
    const double l__Ratio = l__CopyTime.m__Median / l__Cat.m__Median;
    std::printf("raw image                         %.1f MB (%lu MiB data track), %d rounds, medians (min-max)\n", l__MB,
                p__MiB, l__Rounds);
    std::printf("cat of the raw image              %6.2f s (%.2f-%.2f)  %7.1f MB/s\n", l__Cat.m__Median, l__Cat.m__Min,
                l__Cat.m__Max, l__MB / l__Cat.m__Median);
    std::printf("tarnwick-grab --disc              %6.2f s (%.2f-%.2f)  %7.1f MB/s\n", l__GrabTime.m__Median,
                l__GrabTime.m__Min, l__GrabTime.m__Max, l__MB / l__GrabTime.m__Median);
    std::printf("tarnwick-sao --raw mds            %6.2f s (%.2f-%.2f)  %7.1f MB/s\n", l__BurnTime.m__Median,
                l__BurnTime.m__Min, l__BurnTime.m__Max, l__MB / l__BurnTime.m__Median);
    std::printf("disc copy (exit %d, %s)   %6.2f s (%.2f-%.2f)\n", l__Exit, l__bool__Identical ? "identical" : "DIFFERS  ",
                l__CopyTime.m__Median, l__CopyTime.m__Min, l__CopyTime.m__Max);
    std::printf("grab / cat                        %6.2f\n", l__GrabTime.m__Median / l__Cat.m__Median);
    std::printf("copy (grab + burn) / cat          %6.2f (target <= 3.00) %s\n", l__Ratio, l__Ratio <= 3.0 ? "met" : "MISSED");
    BenchProgram::Result("raw disc copy " + std::to_string(p__MiB) + " MiB, time", l__CopyTime.m__Median, "s", "cat", l__Cat.m__Median,
                         "<=3*peer");
    std::filesystem::remove_all(l__Dir, l__Error);
    return l__Exit == 0 && l__bool__Identical ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--disc") return DiscCopy(argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 560);
    const unsigned long l__MiB = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 700;
    const std::string l__Dir = BenchProgram::ScratchDirectory("grab-bench");
    if (l__Dir.empty()) return 1;
    const std::string l__Image = l__Dir + "/image.iso", l__Disc = l__Dir + "/disc";
    const std::string l__Copy = l__Dir + "/copy.iso", l__Grabbed = l__Dir + "/grabbed.iso";

    BenchProgram::WriteImage(l__Image, l__MiB);
    {
        // The volume size of the descriptor (both byte orders), which ends the track in the
        // table of contents of a DVD: the image's blocks.
        const uint32_t l__Blocks = static_cast<uint32_t>(l__MiB * 512);
        unsigned char l__Size[8];
        for (int i = 0; i < 4; ++i) {
            l__Size[i] = static_cast<unsigned char>(l__Blocks >> (8 * i));
            l__Size[7 - i] = static_cast<unsigned char>(l__Blocks >> (8 * i));
        }
        std::fstream l__File(l__Image, std::ios::binary | std::ios::in | std::ios::out);
        l__File.seekp(16 * 2048 + 80);
        l__File.write(reinterpret_cast<const char*>(l__Size), sizeof(l__Size));
    }
    const std::string& l__Vdisc = g__string__Vdisc;
    const std::string l__Pellmark = g__string__Bin + "/samples/pellmark/Pellmark";
    const std::string& l__Grab = g__string__Grab;
    const std::string l__Drives = "TARNWICK_DRIVES=virtual:" + l__Disc;
    if (BenchProgram::Spawn({l__Vdisc, "blank", l__Disc, "--media", "dvdplusr"}, "/dev/null", {}).m__Exit != 0) return 1;
    const Run l__Burn = BenchProgram::Spawn({l__Pellmark, "0", "0", "0", "0", l__Image, "0", "1"}, l__Dir + "/pellmark.out", {l__Drives});
    if (l__Burn.m__Exit != 0) {
        std::fprintf(stderr, "bench_grab: the burn failed (exit %d)\n", l__Burn.m__Exit);
        return 1;
    }

    // Rounds of cat, cat + sync, and the grab; each starts with the dirty pages of the previous
    // one written back, and with the image and the disc file in the page cache.
    const int l__Rounds = 5;
    std::vector<double> l__CatSeconds, l__CatSyncSeconds, l__GrabSeconds;
    int l__Exit = 0;
    bool l__bool__Identical = true;
    for (int l__Round = 0; l__Round < l__Rounds; ++l__Round) {
        sync();
        l__CatSeconds.push_back(BenchProgram::Spawn({"cat", l__Image}, l__Copy, {}).m__Seconds);
        std::filesystem::remove(l__Copy);
        sync();
        l__CatSyncSeconds.push_back(
            BenchProgram::Spawn({"sh", "-c", "cat \"$0\" > \"$1\" && sync \"$1\"", l__Image, l__Copy}, "/dev/null", {}).m__Seconds);
        std::filesystem::remove(l__Copy);
        sync();
        const Run l__Run = BenchProgram::Spawn({l__Grab, "--track", "1", l__Grabbed}, "/dev/null", {l__Drives});
        l__GrabSeconds.push_back(l__Run.m__Seconds);
        if (l__Run.m__Exit != 0) l__Exit = l__Run.m__Exit;
        if (l__Round == 0) {
            l__bool__Identical = BenchProgram::Spawn({"cmp", "-s", l__Image, l__Grabbed}, "/dev/null", {}).m__Exit == 0;
        }
        std::filesystem::remove(l__Grabbed);
    }

    const Timing l__Cat = Summary(l__CatSeconds), l__CatSync = Summary(l__CatSyncSeconds), l__GrabTime = Summary(l__GrabSeconds);
    const double l__Ratio = l__GrabTime.m__Median / l__Cat.m__Median;
    const double l__FastestRatio = l__GrabTime.m__Min / l__Cat.m__Min;
    std::printf("image                             %lu MiB, %d rounds, medians (min-max)\n", l__MiB, l__Rounds);
    std::printf("cat copy                          %6.2f s (%.2f-%.2f)  %7.1f MB/s\n", l__Cat.m__Median, l__Cat.m__Min,
                l__Cat.m__Max, l__MiB * 1.048576 / l__Cat.m__Median);
    std::printf("cat copy + sync                   %6.2f s (%.2f-%.2f)  %7.1f MB/s\n", l__CatSync.m__Median,
                l__CatSync.m__Min, l__CatSync.m__Max, l__MiB * 1.048576 / l__CatSync.m__Median);
    std::printf("tarnwick-grab (exit %d, %s)   %6.2f s (%.2f-%.2f)  %7.1f MB/s\n", l__Exit,
                l__bool__Identical ? "identical" : "DIFFERS  ", l__GrabTime.m__Median, l__GrabTime.m__Min,
                l__GrabTime.m__Max, l__MiB * 1.048576 / l__GrabTime.m__Median);
    std::printf("grab / cat                        %6.2f (target <= 1.20) %s\n", l__Ratio, l__Ratio <= 1.2 ? "met" : "MISSED");
    std::printf("grab / cat, fastest of each       %6.2f (target <= 1.20) %s\n", l__FastestRatio,
                l__FastestRatio <= 1.2 ? "met" : "MISSED");
    std::printf("grab / (cat + sync)               %6.2f\n", l__GrabTime.m__Median / l__CatSync.m__Median);
    const std::string l__Track = "grab " + std::to_string(l__MiB) + " MiB track";
    BenchProgram::Result(l__Track + ", time", l__GrabTime.m__Median, "s", "cat", l__Cat.m__Median, "<=1.2*peer");
    BenchProgram::Result(l__Track + ", time, fastest", l__GrabTime.m__Min, "s", "cat", l__Cat.m__Min, "<=1.2*peer");
    std::error_code l__Ignored;
    std::filesystem::remove_all(l__Dir, l__Ignored);
    return l__Exit == 0 && l__bool__Identical ? 0 : 1;
}
