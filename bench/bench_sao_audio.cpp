// Burning a 70-minute audio CD (14 MP3 files of 5 minutes, 192 kbit/s) Session-At-Once with
// tarnwick-sao onto the virtual recorder (no simulated speed), side by side with ffmpeg decoding
// the same files to PCM one after another on one thread. Target: the burn takes at most 1.3
// times as long as the decoding.
// Whether decoding overlaps writing is seen in the growth of the disc file, watched during the
// burn: early when tracks are written while later files are decoded, only at the end when every
// file is decoded first. The burn of the same sound already decoded (WAV files, whose decoding
// costs next to nothing) gives the time of the writing alone for comparison.
// Usage: bench_sao_audio; the music is made once into build/.../bench/sao-audio-cache.
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "BenchProgram.h"

namespace {

const int TRACKS = 14;
const int SECONDS_PER_TRACK = 300;

bool Exists(const std::string& p__File) {
    std::error_code l__Ignored;
    return std::filesystem::file_size(p__File, l__Ignored) > 0 && !l__Ignored;
}

// The music: each file its own tone over a little noise, so that no two tracks are alike.
bool MakeMusic(const std::string& p__Cache, std::vector<std::string>& p__Mp3, std::vector<std::string>& p__Wav) {
    std::filesystem::create_directories(p__Cache);
    for (int l__Track = 1; l__Track <= TRACKS; ++l__Track) {
        const std::string l__Base = p__Cache + "/track" + (l__Track < 10 ? "0" : "") + std::to_string(l__Track);
        p__Mp3.push_back(l__Base + ".mp3");
        p__Wav.push_back(l__Base + ".wav");
        if (!Exists(p__Mp3.back())) {
            std::fprintf(stderr, "bench_sao_audio: making %s\n", p__Mp3.back().c_str());
            const std::string l__Duration = std::to_string(SECONDS_PER_TRACK);
            const std::string l__Temporary = p__Mp3.back() + ".part.mp3";
            const BenchProgram::Run l__Run = BenchProgram::Spawn(
                {"ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                 "sine=frequency=" + std::to_string(200 + 37 * l__Track) + ":duration=" + l__Duration, "-f", "lavfi", "-i",
                 "anoisesrc=amplitude=0.05:duration=" + l__Duration, "-filter_complex", "amix=inputs=2", "-ac", "2", "-ar",
                 "44100", "-c:a", "libmp3lame", "-b:a", "192k", l__Temporary},
                "/dev/null", {});
            if (l__Run.m__Exit != 0) return false;
            std::filesystem::rename(l__Temporary, p__Mp3.back());
        }
        if (!Exists(p__Wav.back())) {
            const std::string l__Temporary = p__Wav.back() + ".part.wav";
            if (BenchProgram::Spawn({"ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-i", p__Mp3.back(), "-ac", "2", "-ar",
                                     "44100", "-c:a", "pcm_s16le", l__Temporary},
                                    "/dev/null", {})
                    .m__Exit != 0)
                return false;
            std::filesystem::rename(l__Temporary, p__Wav.back());
        }
    }
    return true;
}

double DecodeAll(const std::vector<std::string>& p__Files) {
    double l__Seconds = 0;
    for (const std::string& l__File : p__Files) {
        BenchProgram::Run l__Run = BenchProgram::Spawn({"ffmpeg", "-nostdin", "-loglevel", "error", "-threads", "1", "-i",
                                                        l__File, "-f", "s16le", "-ar", "44100", "-ac", "2", "-y", "/dev/null"},
                                                       "/dev/null", {});
        if (l__Run.m__Exit != 0) {
            std::fprintf(stderr, "bench_sao_audio: ffmpeg failed on %s\n", l__File.c_str());
            std::exit(1);
        }
        l__Seconds += l__Run.m__Seconds;
    }
    return l__Seconds;
}

struct Burn {
    double m__Seconds = 0;
    int m__Exit = -1;
    double m__FirstWrite = -1;  // since the start: the disc file has grown by 8 MiB (writing under way)
    double m__HalfWritten = -1; // the disc file holds half of the sound
};

// The bytes the disc file holds on the file system.
long long Allocated(const std::string& p__File) {
    struct stat l__Stat {};
    return stat(p__File.c_str(), &l__Stat) == 0 ? static_cast<long long>(l__Stat.st_blocks) * 512 : 0;
}

Burn BurnOnce(const std::string& p__Dir, const std::string& p__Tool, const std::string& p__Vdisc,
              const std::vector<std::string>& p__Files) {
    const std::string l__Disc = p__Dir + "/disc";
    if (BenchProgram::Spawn({p__Vdisc, "blank", l__Disc, "--media", "cdr"}, "/dev/null", {}).m__Exit != 0) std::exit(1);
    // While the tool runs, the growth of the disc file tells when the writing is under way.
    const long long l__Blank = Allocated(l__Disc);
    const long long l__Sound = static_cast<long long>(TRACKS) * SECONDS_PER_TRACK * 176400;
    std::atomic<bool> l__bool__Done{false};
    Burn l__Burn;
    const auto l__Start = std::chrono::steady_clock::now();
    std::thread l__Watcher([&] {
        while (!l__bool__Done.load()) {
            const long long l__Grown = Allocated(l__Disc) - l__Blank;
            const double l__Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - l__Start).count();
            if (l__Burn.m__FirstWrite < 0 && l__Grown >= (8 << 20)) l__Burn.m__FirstWrite = l__Seconds;
            if (l__Burn.m__HalfWritten < 0 && l__Grown >= l__Sound / 2) l__Burn.m__HalfWritten = l__Seconds;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    std::vector<std::string> l__Arguments = {p__Tool};
    l__Arguments.insert(l__Arguments.end(), p__Files.begin(), p__Files.end());
    BenchProgram::Run l__Run = BenchProgram::Spawn(l__Arguments, p__Dir + "/sao.out", {"TARNWICK_DRIVES=virtual:" + l__Disc});
    l__bool__Done.store(true);
    l__Watcher.join();
    l__Burn.m__Seconds = l__Run.m__Seconds;
    l__Burn.m__Exit = l__Run.m__Exit;
    if (l__Run.m__Exit != 0) std::fprintf(stderr, "bench_sao_audio: tarnwick-sao failed (exit %d)\n", l__Run.m__Exit);
    std::filesystem::remove(l__Disc);
    return l__Burn;
}

double Median(std::vector<double> p__Values) {
    std::sort(p__Values.begin(), p__Values.end());
    return p__Values[p__Values.size() / 2];
}

}  // namespace

int main() {
    const std::string l__Bin = TARNWICK_BINARY_DIR;
    const std::string l__Tool = l__Bin + "/tools/sao/tarnwick-sao";
    const std::string l__Vdisc = l__Bin + "/tools/vdisc/tarnwick-vdisc";
    std::vector<std::string> l__Mp3, l__Wav;
    if (!MakeMusic(l__Bin + "/bench/sao-audio-cache", l__Mp3, l__Wav)) {
        std::fprintf(stderr, "bench_sao_audio: the music could not be made with ffmpeg\n");
        return 1;
    }
    const std::string l__Dir = BenchProgram::ScratchDirectory("sao-bench");
    if (l__Dir.empty()) return 1;

    // Interleaved turns: a change in the machine's load falls on every side.
    const int l__Rounds = 3;
    std::vector<double> l__Decode, l__Burn, l__WavBurn;
    Burn l__Last;
    int l__Exit = 0;
    for (int l__Round = 0; l__Round < l__Rounds; ++l__Round) {
        l__Decode.push_back(DecodeAll(l__Mp3));
        l__Last = BurnOnce(l__Dir, l__Tool, l__Vdisc, l__Mp3);
        l__Burn.push_back(l__Last.m__Seconds);
        if (l__Last.m__Exit != 0) l__Exit = l__Last.m__Exit;
        const Burn l__Decoded = BurnOnce(l__Dir, l__Tool, l__Vdisc, l__Wav);
        l__WavBurn.push_back(l__Decoded.m__Seconds);
        if (l__Decoded.m__Exit != 0) l__Exit = l__Decoded.m__Exit;
        std::fprintf(stderr, "bench_sao_audio: round %d: decode %.2f s, burn %.2f s, burn of the WAV files %.2f s\n", l__Round + 1,
                     l__Decode.back(), l__Burn.back(), l__WavBurn.back());
    }
    const double l__D = Median(l__Decode), l__B = Median(l__Burn), l__W = Median(l__WavBurn);
    const double l__Ratio = l__B / l__D;
    const double l__Fastest = *std::min_element(l__Burn.begin(), l__Burn.end()) / *std::min_element(l__Decode.begin(), l__Decode.end());
    std::printf("audio CD                           %d MP3 files x %d s, 192 kbit/s; %d rounds, medians\n", TRACKS,
                SECONDS_PER_TRACK, l__Rounds);
    std::printf("ffmpeg decoding (1 thread)         %7.2f s\n", l__D);
    std::printf("tarnwick-sao burn (exit %d)         %7.2f s\n", l__Exit, l__B);
    std::printf("burn / decode                      %7.2f (target <= 1.30) %s\n", l__Ratio, l__Ratio <= 1.3 ? "met" : "MISSED");
    std::printf("burn / decode, fastest of each     %7.2f (target <= 1.30) %s\n", l__Fastest, l__Fastest <= 1.3 ? "met" : "MISSED");
    std::printf("burn of the same sound as WAV      %7.2f s (nothing to decompress)\n", l__W);
    std::printf("decode with ffmpeg, then that      %7.2f s, beside the burn's %.2f s\n", l__D + l__W, l__B);
    // Overlap: the disc file grows early in the burn when the writing goes on while later files
    // are decoded; when the files are all decoded first, it grows only at the end.
    const bool l__bool__Overlap = l__Last.m__FirstWrite >= 0 && l__Last.m__FirstWrite < 0.5 * l__Last.m__Seconds;
    std::printf("last burn (%.2f s): writing under way at %.2f s (%.0f%% of the burn), half the sound on the disc at %.2f s\n",
                l__Last.m__Seconds, l__Last.m__FirstWrite, 100.0 * l__Last.m__FirstWrite / l__Last.m__Seconds,
                l__Last.m__HalfWritten);
    std::printf("decoding overlaps writing          %s\n",
                l__bool__Overlap ? "yes: writing began before the last file was decoded"
                                 : "NO: writing began only after the files were decoded");
    const std::string l__Cd = "audio CD " + std::to_string(TRACKS * SECONDS_PER_TRACK / 60) + " min of MP3";
    BenchProgram::Result(l__Cd + ", time", l__B, "s", "ffmpeg decode", l__D, "<=1.3*peer");
    BenchProgram::Result(l__Cd + ", time, fastest", *std::min_element(l__Burn.begin(), l__Burn.end()), "s", "ffmpeg decode",
                         *std::min_element(l__Decode.begin(), l__Decode.end()), "<=1.3*peer");
    // Writing under way before half the burn is over: the decoder runs ahead of the writer.
    // A burn in which the disc file never grew counts as writing only at the end.
    BenchProgram::Result(l__Cd + ", writing starts", l__Last.m__FirstWrite >= 0 ? 100.0 * l__Last.m__FirstWrite / l__Last.m__Seconds : 100.0,
                         "%", "", 0, "<50");
    std::error_code l__Ignored;
    std::filesystem::remove_all(l__Dir, l__Ignored);
    return l__Exit == 0 ? 0 : 1;
}
