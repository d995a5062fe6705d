// Burning a 1 GiB image with Pellmark onto the virtual recorder, side by side with `cat`
// copying the same image on the same file system, and the burner's peak memory.
// Targets: the burn takes at most 1.5 times as long as cat; the peak resident size of the
// Pellmark process stays within its cache (64 MB) plus 32 MiB.
// Usage: bench_pellmark_burn [MiB] (default 1024); TARNWICK_BENCH_DIR sets the scratch directory.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Run {
    double m__Seconds = 0;
    long m__PeakKiB = 0;
    int m__Exit = -1;
};

// Runs a program with its output sent to a file; wall time, peak resident size, exit code.
Run Spawn(const std::vector<std::string>& p__Arguments, const std::string& p__Output, const std::vector<std::string>& p__Environment) {
    std::vector<char*> l__Arguments;
    for (const std::string& l__Argument : p__Arguments) l__Arguments.push_back(const_cast<char*>(l__Argument.c_str()));
    l__Arguments.push_back(nullptr);
    std::vector<std::string> l__Strings(p__Environment);
    for (char** l__Entry = environ; *l__Entry != nullptr; ++l__Entry) l__Strings.emplace_back(*l__Entry);
    std::vector<char*> l__Environment;
    for (std::string& l__Entry : l__Strings) l__Environment.push_back(l__Entry.data());
    l__Environment.push_back(nullptr);
    posix_spawn_file_actions_t l__Actions;
    posix_spawn_file_actions_init(&l__Actions);
    posix_spawn_file_actions_addopen(&l__Actions, 1, p__Output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&l__Actions, 2, "/dev/null", O_WRONLY, 0);
    Run l__Run;
    const auto l__Start = std::chrono::steady_clock::now();
    pid_t l__Pid = 0;
    if (posix_spawnp(&l__Pid, l__Arguments[0], &l__Actions, nullptr, l__Arguments.data(), l__Environment.data()) != 0) {
        std::perror(l__Arguments[0]);
        std::exit(1);
    }
    int l__Status = 0;
    struct rusage l__Usage {};
    wait4(l__Pid, &l__Status, 0, &l__Usage);
    l__Run.m__Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - l__Start).count();
    l__Run.m__PeakKiB = l__Usage.ru_maxrss;
    l__Run.m__Exit = WIFEXITED(l__Status) ? WEXITSTATUS(l__Status) : -1;
    posix_spawn_file_actions_destroy(&l__Actions);
    return l__Run;
}

}  // namespace

int main(int argc, char** argv) {
    const unsigned long l__MiB = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1024;
    const char* l__Base = std::getenv("TARNWICK_BENCH_DIR");
    std::string l__Template = std::string(l__Base != nullptr ? l__Base : "/tmp") + "/pellmark-bench-XXXXXX";
    if (mkdtemp(l__Template.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string l__Dir = l__Template;
    const std::string l__Image = l__Dir + "/image.iso", l__Disc = l__Dir + "/disc";

    // The image: 2048-byte sectors of varying bytes (a burner does not look inside).
    {
        std::vector<char> l__Chunk(1 << 20);
        std::ofstream l__Out(l__Image, std::ios::binary);
        for (unsigned long l__Index = 0; l__Index < l__MiB; ++l__Index) {
            for (size_t i = 0; i < l__Chunk.size(); ++i) l__Chunk[i] = static_cast<char>((i * 131 + l__Index * 7) >> 3);
            l__Out.write(l__Chunk.data(), static_cast<std::streamsize>(l__Chunk.size()));
        }
    }
    const std::string l__Bin = TARNWICK_BINARY_DIR;
    const std::string l__Vdisc = l__Bin + "/tools/vdisc/tarnwick-vdisc";
    const std::string l__Pellmark = l__Bin + "/samples/pellmark/Pellmark";

    // cat first: both then read the image from the page cache.
    Run l__Cat = Spawn({"cat", l__Image}, l__Dir + "/copy.iso", {});
    std::filesystem::remove(l__Dir + "/copy.iso");
    Run l__Cat2 = Spawn({"cat", l__Image}, l__Dir + "/copy.iso", {});
    if (l__Cat2.m__Seconds < l__Cat.m__Seconds) l__Cat = l__Cat2;
    std::filesystem::remove(l__Dir + "/copy.iso");

    if (Spawn({l__Vdisc, "blank", l__Disc, "--media", "dvdplusr"}, "/dev/null", {}).m__Exit != 0) return 1;
    Run l__Burn = Spawn({l__Pellmark, "0", "0", "0", "0", l__Image, "0", "1"}, l__Dir + "/pellmark.out",
                        {"TARNWICK_DRIVES=virtual:" + l__Disc});

    const double l__Ratio = l__Burn.m__Seconds / l__Cat.m__Seconds;
    const double l__PeakMiB = l__Burn.m__PeakKiB / 1024.0, l__LimitMiB = 64.0 + 32.0;  // the default cache is 64 MiB
    std::printf("image                         %lu MiB\n", l__MiB);
    std::printf("cat copy                      %8.2f s  %8.1f MB/s\n", l__Cat.m__Seconds, l__MiB * 1.048576 / l__Cat.m__Seconds);
    std::printf("Pellmark burn (exit %d)        %8.2f s  %8.1f MB/s\n", l__Burn.m__Exit, l__Burn.m__Seconds,
                l__MiB * 1.048576 / l__Burn.m__Seconds);
    std::printf("burn / cat                    %8.2f    (target <= 1.50)  %s\n", l__Ratio, l__Ratio <= 1.5 ? "met" : "MISSED");
    std::printf("Pellmark peak resident size   %8.1f MiB (target <= %.1f MiB: cache + 32 MiB)  %s\n", l__PeakMiB, l__LimitMiB,
                l__PeakMiB <= l__LimitMiB ? "met" : "MISSED");
    std::error_code l__Ignored;
    std::filesystem::remove_all(l__Dir, l__Ignored);
    return l__Burn.m__Exit == 0 ? 0 : 1;
}
