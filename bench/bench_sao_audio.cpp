// Burning a 70-minute audio CD (14 MP3 files of 5 minutes, 192 kbit/s) Session-At-Once with
// tarnwick-sao onto the virtual recorder (no simulated speed), side by side with ffmpeg decoding
// the same files to PCM one after another on one thread. Target: the burn takes at most 1.3
// times as long as the decoding.
// Whether decoding overlaps writing is shown two ways: the burn of the same sound already
// decoded (WAV files, whose decoding costs next to nothing) gives the time of the writing
// alone, so decode-then-write would take the decoding plus that; and the time stamps of the
// tool's progress lines show tracks written while later files are still to be decoded.
// Usage: bench_sao_audio; the music is made once into build/.../bench/sao-audio-cache.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
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
    double m__FirstTrackDone = -1;  // the time stamp of "track 1 of N: 100%"
    double m__LastTrackStarts = -1; // of "track N-1 of N: 100%": the last file's decoding starts
    double m__Written = -1;         // of "session written in"
};

double Stamp(const std::string& p__Log, const std::string& p__Line) {
    const std::regex l__Pattern(p__Line + R"(.*\(([0-9.]+) s\))");
    std::smatch m;
    return std::regex_search(p__Log, m, l__Pattern) ? std::stod(m[1]) : -1;
}

Burn BurnOnce(const std::string& p__Dir, const std::string& p__Tool, const std::string& p__Vdisc,
              const std::vector<std::string>& p__Files) {
    const std::string l__Disc = p__Dir + "/disc", l__Log = p__Dir + "/sao.err";
    if (BenchProgram::Spawn({p__Vdisc, "blank", l__Disc, "--media", "cdr"}, "/dev/null", {}).m__Exit != 0) std::exit(1);
    // The tool's standard error (its progress lines) goes to a file for the time stamps.
    std::vector<std::string> l__Arguments = {"/bin/sh", "-c", "exec \"$0\" \"$@\" 2>\"$SAO_LOG\"", p__Tool};
    l__Arguments.insert(l__Arguments.end(), p__Files.begin(), p__Files.end());
    BenchProgram::Run l__Run =
        BenchProgram::Spawn(l__Arguments, p__Dir + "/sao.out", {"TARNWICK_DRIVES=virtual:" + l__Disc, "SAO_LOG=" + l__Log});
    std::ifstream l__Stream(l__Log);
    const std::string l__Text((std::istreambuf_iterator<char>(l__Stream)), std::istreambuf_iterator<char>());
    Burn l__Burn;
    l__Burn.m__Seconds = l__Run.m__Seconds;
    l__Burn.m__Exit = l__Run.m__Exit;
    l__Burn.m__FirstTrackDone = Stamp(l__Text, "track 1 of " + std::to_string(TRACKS) + ": 100%");
    l__Burn.m__LastTrackStarts = Stamp(l__Text, "track " + std::to_string(TRACKS - 1) + " of " + std::to_string(TRACKS) + ": 100%");
    l__Burn.m__Written = Stamp(l__Text, "session written in");
    if (l__Run.m__Exit != 0) std::fprintf(stderr, "bench_sao_audio: tarnwick-sao failed:\n%s", l__Text.c_str());
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
        const Burn l__Wav = BurnOnce(l__Dir, l__Tool, l__Vdisc, l__Wav);
        l__WavBurn.push_back(l__Wav.m__Seconds);
        if (l__Wav.m__Exit != 0) l__Exit = l__Wav.m__Exit;
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
    std::printf("burn of the same sound as WAV      %7.2f s (the writing alone)\n", l__W);
    std::printf("decode, then write                 %7.2f s; the burn takes %.2f s: %s\n", l__D + l__W, l__B,
                l__B < l__D + l__W ? "decoding overlaps writing" : "NO overlap seen");
    std::printf("last burn: track 1 written at %.2f s; the last file's decoding began at %.2f s; done at %.2f s\n",
                l__Last.m__FirstTrackDone, l__Last.m__LastTrackStarts, l__Last.m__Written);
    std::error_code l__Ignored;
    std::filesystem::remove_all(l__Dir, l__Ignored);
    return l__Exit == 0 ? 0 : 1;
}
