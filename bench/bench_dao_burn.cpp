// A 700 MB image burned raw Disc-At-Once with tarnwick-sao --raw (lead-in, pre-gap, track and
// lead-out generated as 2448-byte blocks with raw P-W sub-channel, every sector checked by the
// recorder) side by side with the same image burned Track-At-Once by Pellmark, both onto a
// blank CD-R of the virtual recorder (no simulated speed). Target: the raw burn takes at most
// 2 times as long as the Track-At-Once burn.
// Usage: bench_dao_burn [MiB] (default 667, 700 MB); TARNWICK_BENCH_DIR sets the scratch directory.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "BenchProgram.h"

using Run = BenchProgram::Run;

int main(int argc, char** argv) {
    const unsigned long l__MiB = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 667;
    const std::string l__Dir = BenchProgram::ScratchDirectory("dao-bench");
    if (l__Dir.empty()) return 1;
    const std::string l__Image = l__Dir + "/image.iso", l__Disc = l__Dir + "/disc";
    BenchProgram::WriteImage(l__Image, l__MiB);
    const std::string l__Bin = TARNWICK_BINARY_DIR;
    const std::string l__Vdisc = l__Bin + "/tools/vdisc/tarnwick-vdisc";
    const std::string l__Pellmark = l__Bin + "/samples/pellmark/Pellmark";
    const std::string l__Sao = l__Bin + "/tools/sao/tarnwick-sao";
    const std::vector<std::string> l__Drive = {"TARNWICK_DRIVES=virtual:" + l__Disc};

    // Alternating rounds, each onto a fresh blank disc with the previous one's pages written back.
    const int l__Rounds = 3;
    std::vector<double> l__TaoSeconds, l__DaoSeconds;
    int l__Exit = 0;
    auto l__Burn = [&](const std::vector<std::string>& p__Command, std::vector<double>& p__Seconds) {
        std::filesystem::remove(l__Disc);
        if (BenchProgram::Spawn({l__Vdisc, "blank", l__Disc, "--media", "cdr"}, "/dev/null", {}).m__Exit != 0) std::exit(1);
        sync();
        const Run l__Run = BenchProgram::Spawn(p__Command, l__Dir + "/burn.out", l__Drive);
        if (l__Run.m__Exit != 0) l__Exit = l__Run.m__Exit;
        p__Seconds.push_back(l__Run.m__Seconds);
    };
    for (int l__Round = 0; l__Round < l__Rounds; ++l__Round) {
        l__Burn({l__Pellmark, "0", "0", "0", "0", l__Image, "0", "1"}, l__TaoSeconds);
        l__Burn({l__Sao, "--raw", "pw", l__Image}, l__DaoSeconds);
    }
    std::sort(l__TaoSeconds.begin(), l__TaoSeconds.end());
    std::sort(l__DaoSeconds.begin(), l__DaoSeconds.end());
    const double l__Tao = l__TaoSeconds[l__Rounds / 2], l__Dao = l__DaoSeconds[l__Rounds / 2];
    const double l__MB = l__MiB * 1.048576;
    std::printf("image                               %lu MiB (%.0f MB), %d rounds, medians (min-max)\n", l__MiB, l__MB, l__Rounds);
    std::printf("Track-At-Once (Pellmark)            %6.2f s (%.2f-%.2f)  %7.1f MB/s\n", l__Tao, l__TaoSeconds.front(),
                l__TaoSeconds.back(), l__MB / l__Tao);
    std::printf("raw Disc-At-Once, raw P-W (sao)     %6.2f s (%.2f-%.2f)  %7.1f MB/s of user data\n", l__Dao, l__DaoSeconds.front(),
                l__DaoSeconds.back(), l__MB / l__Dao);
    std::printf("raw DAO / TAO                       %6.2f (target <= 2.00) %s%s\n", l__Dao / l__Tao, l__Dao / l__Tao <= 2.0 ? "met" : "MISSED",
                l__Exit == 0 ? "" : " (a burn failed)");
    BenchProgram::Result("raw DAO burn " + std::to_string(l__MiB) + " MiB, time", l__Dao, "s", "Pellmark TAO", l__Tao, "<=2*peer");
    std::error_code l__Ignored;
    std::filesystem::remove_all(l__Dir, l__Ignored);
    return l__Exit == 0 ? 0 : 1;
}
