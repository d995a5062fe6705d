// Decoding speed of the compressed-audio reader against the ffmpeg command line.
//
//   bench_sonquill_decode [FILE.mp3] [ROUNDS]
//
// Without a file, a 6-minute stereo MP3 (a chord with noise, 192 kbps) is made with sox
// and ffmpeg in the temporary directory. Each round times, side by side,
//   ffmpeg -i F -f s16le -ar 44100 -ac 2 -y /dev/null
// and the reader: create, size query (which decodes the whole file), rewind and reading
// every byte in 61,440-byte blocks as the write cache does. Prints the best time of each
// and their ratio; exits 1 when the reader takes more than 1.3 times as long.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchProgram.h"
#include "sonquill.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point p__Start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - p__Start).count();
}

bool Run(const std::string& p__Command) { return std::system((p__Command + " >/dev/null 2>&1").c_str()) == 0; }

// Decodes the whole file through the reader; returns the bytes read (0 on failure).
unsigned long long DecodeThroughReader(const std::string& p__Path) {
    PVOID l__Handle = nullptr;
    if (Sonquill_CompressedFileReaderObjectCreate(&l__Handle, const_cast<PCHAR>(p__Path.c_str())) != 0) return 0;
    ULONG l__Size = 0;
    unsigned long long l__Read = 0;
    if (Sonquill_CompressedFileReaderObjectUncompressedSizeGet(l__Handle, &l__Size) == 0 &&
        Sonquill_CompressedFileReaderObjectBeginSeek(l__Handle) == 0) {
        std::vector<unsigned char> l__Block(61440);
        while (l__Read < l__Size) {
            ULONG l__Take = static_cast<ULONG>(std::min<unsigned long long>(l__Block.size(), l__Size - l__Read));
            if (Sonquill_CompressedFileReaderObjectRead(l__Handle, l__Block.data(), l__Take) != 0) break;
            l__Read += l__Take;
        }
    }
    Sonquill_CompressedFileReaderObjectDestroy(&l__Handle);
    return l__Read;
}

}  // namespace

int main(int argc, char** argv) {
    std::string l__Path;
    if (argc > 1) {
        l__Path = argv[1];
    } else {
        const char* l__Tmp = std::getenv("TMPDIR");
        std::string l__Dir = l__Tmp != nullptr && *l__Tmp != '\0' ? l__Tmp : "/tmp";
        l__Path = l__Dir + "/sonquill-bench-6min.mp3";
        std::string l__Wav = l__Dir + "/sonquill-bench-6min.wav";
        if (!Run("test -s '" + l__Path + "'")) {
            std::printf("making a 6-minute MP3 in %s ...\n", l__Path.c_str());
            if (!Run("sox -n -r 44100 -c 2 -b 16 '" + l__Wav +
                     "' synth 360 sine 220 sine 277 sine 330 pinknoise remix 1,3v0.3 2,4v0.3 gain -6") ||
                !Run("ffmpeg -nostdin -y -i '" + l__Wav + "' -c:a libmp3lame -b:a 192k '" + l__Path + "'")) {
                std::fprintf(stderr, "could not make the test file (sox and ffmpeg are needed)\n");
                return 2;
            }
            std::remove(l__Wav.c_str());
        }
    }
    int l__Rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    Sonquill_UpStart();

    double l__BestTool = 1e9, l__BestReader = 1e9;
    unsigned long long l__Bytes = 0;
    for (int l__Round = 0; l__Round < l__Rounds; ++l__Round) {
        auto l__Start = std::chrono::steady_clock::now();
        if (!Run("ffmpeg -nostdin -v error -i '" + l__Path + "' -f s16le -ar 44100 -ac 2 -y /dev/null")) {
            std::fprintf(stderr, "ffmpeg failed on %s\n", l__Path.c_str());
            return 2;
        }
        double l__Tool = Seconds(l__Start);
        l__Start = std::chrono::steady_clock::now();
        l__Bytes = DecodeThroughReader(l__Path);
        double l__Reader = Seconds(l__Start);
        if (l__Bytes == 0) {
            std::fprintf(stderr, "the reader failed on %s\n", l__Path.c_str());
            return 2;
        }
        std::printf("round %d: ffmpeg %.3f s, reader %.3f s\n", l__Round + 1, l__Tool, l__Reader);
        l__BestTool = std::min(l__BestTool, l__Tool);
        l__BestReader = std::min(l__BestReader, l__Reader);
    }
    Sonquill_DownShut();
    double l__Ratio = l__BestReader / l__BestTool;
    std::printf("%s: %.1f s of audio (%llu PCM bytes)\n", l__Path.c_str(), l__Bytes / 176400.0, l__Bytes);
    std::printf("best: ffmpeg %.3f s, reader %.3f s, ratio %.2f (limit 1.30)\n", l__BestTool, l__BestReader, l__Ratio);
    char l__Label[64];
    std::snprintf(l__Label, sizeof(l__Label), "decode %.0f s of MP3, time", l__Bytes / 176400.0);
    BenchProgram::Result(l__Label, l__BestReader, "s", "ffmpeg", l__BestTool, "<=1.3*peer");
    return l__Ratio <= 1.3 ? 0 : 1;
}
