#pragma once
#include <string>
#include <vector>

// What the benchmarks that run the real programs share: running a program and measuring it,
// a scratch directory, and an image that Pellmark takes for an ISO image.
class BenchProgram {
public:
    struct Run {
        double m__Seconds = 0;
        long m__PeakKiB = 0;
        int m__Exit = -1;
    };

    // Runs a program with its standard output sent to a file (standard error discarded) and
    // p__Environment ("NAME=value") added to this process's; wall time, peak resident size,
    // exit code. Exits the benchmark when the program cannot be started.
    static Run Spawn(const std::vector<std::string>& p__Arguments, const std::string& p__Output,
                     const std::vector<std::string>& p__Environment);
    // A new directory named PREFIX-XXXXXX under TARNWICK_BENCH_DIR (default /tmp); empty on failure.
    static std::string ScratchDirectory(const std::string& p__Prefix);
    // An image of p__MiB MiB: 2048-byte sectors of varying bytes behind the volume descriptors
    // of an ISO9660 image (sector 16, then the set terminator), so that it is taken for what a
    // burned image is and not probed as a sound file.
    static void WriteImage(const std::string& p__File, unsigned long p__MiB);
    // Prints one figure for bench/run-all, at full precision, on a line of its own:
    //   RESULT label="..." ours=N unit=U peer_name="..." peer=N target=T
    // T compares ours with a fixed figure ("<=1", ">=500") or with a multiple of the peer's
    // ("<=1.5*peer"); "-" for a figure shown for reference only. An empty p__PeerName leaves
    // the peer out.
    static void Result(const std::string& p__Label, double p__Ours, const std::string& p__Unit,
                       const std::string& p__PeerName, double p__Peer, const std::string& p__Target);
};
