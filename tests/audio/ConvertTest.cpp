#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "MediaFixture.h"
#include "sonquill.h"

namespace {

ULONG Continue(PVOID p__Context) {
    ++*static_cast<int*>(p__Context);
    return 0;
}
ULONG Cancel(PVOID p__Context) {
    ++*static_cast<int*>(p__Context);
    return 1;
}

PCHAR C(const std::string& p__Text) { return const_cast<PCHAR>(p__Text.c_str()); }

// The playing time ffprobe reads from a file, in seconds (negative on failure): the
// container's duration less the start time of the stream (the encoder delay that
// decoders skip, as with MP3).
double ProbeDuration(const std::string& p__Path) {
    std::string l__Command = "ffprobe -v error -select_streams a:0 -show_entries format=duration:stream=start_time "
                             "-of default=nw=1 '" + p__Path + "'";
    FILE* l__Pipe = ::popen(l__Command.c_str(), "r");
    if (l__Pipe == nullptr) return -1;
    double l__Duration = -1, l__Start = 0;
    char l__Line[256];
    while (std::fgets(l__Line, sizeof(l__Line), l__Pipe) != nullptr) {
        std::sscanf(l__Line, "duration=%lf", &l__Duration);
        std::sscanf(l__Line, "start_time=%lf", &l__Start);
    }
    ::pclose(l__Pipe);
    return l__Duration < 0 ? -1 : l__Duration - l__Start;
}

class ConvertTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TOOL("sox");
        REQUIRE_TOOL("ffprobe");
        // 2.5 s of two tones in our own 44-byte CD-DA header.
        ASSERT_TRUE(media::Run("sox -n -t raw -r 44100 -c 2 -b 16 -e signed -L '" + (m__Dir / "tones.raw") +
                               "' synth 2.5 sine 300 sine 700 gain -2"));
        m__Samples = media::ReadFile(m__Dir / "tones.raw");
        ASSERT_EQ(m__Samples.size(), 2.5 * 44100 * 4);
        media::WriteFile(m__Dir / "tones.wav", media::WaveFile(44100, 2, m__Samples));
    }

    ScratchDirectory m__Dir;
    std::vector<unsigned char> m__Samples;
};

}  // namespace

TEST_F(ConvertTest, FlacRoundTripIsLossless) {
    int l__Calls = 0;
    ASSERT_EQ(Sonquill_UncompressedFileCompress(C(m__Dir / "tones.wav"), C(m__Dir / "tones.flac"), 30000, Continue, &l__Calls, 0),
              0u);
    EXPECT_EQ(l__Calls, static_cast<int>((m__Samples.size() + 29999) / 30000));
    ULONG l__Size = 0;
    l__Calls = 0;
    ASSERT_EQ(Sonquill_CompressedFileUncompress(C(m__Dir / "tones.flac"), C(m__Dir / "back.wav"), 50000, TRUE, &l__Size,
                                                Continue, &l__Calls),
              0u);
    EXPECT_EQ(l__Size, m__Samples.size());
    auto l__Back = media::ReadFile(m__Dir / "back.wav");
    ASSERT_EQ(l__Back.size(), 44 + m__Samples.size());
    auto l__Expected = media::WaveFile(44100, 2, m__Samples);
    EXPECT_TRUE(std::equal(l__Back.begin(), l__Back.begin() + 44, l__Expected.begin())) << "header differs";
    EXPECT_TRUE(std::equal(m__Samples.begin(), m__Samples.end(), l__Back.begin() + 44)) << "samples changed";

    // Without the header the output is the bare samples.
    ASSERT_EQ(Sonquill_CompressedFileUncompress(C(m__Dir / "tones.flac"), C(m__Dir / "back.pcm"), 4096, FALSE, &l__Size,
                                                Continue, &l__Calls),
              0u);
    EXPECT_TRUE(media::ReadFile(m__Dir / "back.pcm") == m__Samples);
}

TEST_F(ConvertTest, LossyFormatsKeepTheDuration) {
    const double l__Seconds = 2.5;
    struct Case {
        const char* m__Name;
        ULONG m__Compression;
        double m__FrameSeconds;
    } l__Cases[] = {
        {"vbr.ogg", 50, 2048 / 44100.0}, {"cbr.ogg", 160, 2048 / 44100.0}, {"vbr.mp3", 60, 1152 / 44100.0},
        {"cbr.mp3", 192, 1152 / 44100.0}, {"best.mp3", 0, 1152 / 44100.0}, {"cbr.wma", 128, 2048 / 44100.0},
        {"vbr.wma", 40, 2048 / 44100.0},  {"vbr.opus", 70, 960 / 48000.0}, {"vbr.m4a", 50, 1024 / 44100.0},
        {"UPPER.MP3", 128, 1152 / 44100.0},
    };
    for (const Case& l__Case : l__Cases) {
        SCOPED_TRACE(l__Case.m__Name);
        int l__Calls = 0;
        std::string l__Path = m__Dir / l__Case.m__Name;
        ASSERT_EQ(Sonquill_UncompressedFileCompress(C(m__Dir / "tones.wav"), C(l__Path), 65536, Continue, &l__Calls,
                                                    l__Case.m__Compression),
                  0u);
        double l__Probed = ProbeDuration(l__Path);
        EXPECT_NEAR(l__Probed, l__Seconds, l__Case.m__FrameSeconds);
        // And the reader reads it back to about the same length.
        EXPECT_EQ(Sonquill_CompressedFileSupportedIs(C(l__Path)), 0u);
    }
    // Higher compression values give larger files for the same audio.
    EXPECT_LT(std::filesystem::file_size(m__Dir / "vbr.mp3"), std::filesystem::file_size(m__Dir / "cbr.mp3"));
}

TEST_F(ConvertTest, CancelledOnTheFirstCallLeavesOnlyTheHeader) {
    int l__Calls = 0;
    ASSERT_EQ(Sonquill_UncompressedFileCompress(C(m__Dir / "tones.wav"), C(m__Dir / "tones.flac"), 65536, Continue, &l__Calls, 0),
              0u);
    ULONG l__Size = 0;
    l__Calls = 0;
    EXPECT_EQ(Sonquill_CompressedFileUncompress(C(m__Dir / "tones.flac"), C(m__Dir / "cut.wav"), 65536, TRUE, &l__Size,
                                                Cancel, &l__Calls),
              1223u);
    EXPECT_EQ(l__Calls, 1);
    auto l__Cut = media::ReadFile(m__Dir / "cut.wav");
    ASSERT_EQ(l__Cut.size(), 44u);
    EXPECT_EQ(Sonquill_WaveFileHeaderVerify(reinterpret_cast<PSONQUILL_WAVE_FILE_HEADER>(l__Cut.data())), 0u);
    EXPECT_EQ(reinterpret_cast<PSONQUILL_WAVE_FILE_HEADER>(l__Cut.data())->m__ULONG__DataSize, m__Samples.size());

    l__Calls = 0;
    EXPECT_EQ(Sonquill_UncompressedFileCompress(C(m__Dir / "tones.wav"), C(m__Dir / "cut.ogg"), 65536, Cancel, &l__Calls, 50),
              1223u);
    EXPECT_EQ(l__Calls, 1);
}

TEST_F(ConvertTest, ExistingDestinationsAndUnknownTypesAreRefused) {
    media::WriteFile(m__Dir / "taken.wav", {1, 2, 3});
    media::WriteFile(m__Dir / "taken.mp3", {4, 5, 6});
    int l__Calls = 0;
    ASSERT_EQ(Sonquill_UncompressedFileCompress(C(m__Dir / "tones.wav"), C(m__Dir / "tones.flac"), 65536, Continue, &l__Calls, 0),
              0u);
    ULONG l__Size = 12345;
    EXPECT_EQ(Sonquill_CompressedFileUncompress(C(m__Dir / "tones.flac"), C(m__Dir / "taken.wav"), 65536, TRUE, &l__Size,
                                                Continue, &l__Calls),
              17u);  // EEXIST
    EXPECT_EQ(media::ReadFile(m__Dir / "taken.wav"), std::vector<unsigned char>({1, 2, 3}));
    EXPECT_EQ(Sonquill_UncompressedFileCompress(C(m__Dir / "tones.wav"), C(m__Dir / "taken.mp3"), 65536, Continue, &l__Calls, 128),
              17u);
    EXPECT_EQ(media::ReadFile(m__Dir / "taken.mp3"), std::vector<unsigned char>({4, 5, 6}));

    EXPECT_EQ(Sonquill_UncompressedFileCompress(C(m__Dir / "tones.wav"), C(m__Dir / "tones.xyz"), 65536, Continue, &l__Calls, 0),
              95u);
    EXPECT_FALSE(std::filesystem::exists(m__Dir / "tones.xyz"));
    PVOID l__Writer = nullptr;
    EXPECT_EQ(Sonquill_CompressedFileWriterObjectCreate(&l__Writer, C(m__Dir / "noext"), 0), 95u);
    EXPECT_EQ(l__Writer, nullptr);
    // An encoder that refuses its settings leaves no file behind.
    EXPECT_NE(Sonquill_CompressedFileWriterObjectCreate(&l__Writer, C(m__Dir / "fast.opus"), 50000), 0u);
    EXPECT_EQ(l__Writer, nullptr);
    EXPECT_FALSE(std::filesystem::exists(m__Dir / "fast.opus"));

    // Sources that are not CD-DA WAV files.
    media::WriteFile(m__Dir / "22k.wav", media::WaveFile(22050, 2, std::vector<unsigned char>(400)));
    media::WriteFile(m__Dir / "short.wav", std::vector<unsigned char>(43, 'R'));
    EXPECT_EQ(Sonquill_UncompressedFileCompress(C(m__Dir / "22k.wav"), C(m__Dir / "x.flac"), 65536, Continue, &l__Calls, 0), 87u);
    EXPECT_EQ(Sonquill_UncompressedFileCompress(C(m__Dir / "short.wav"), C(m__Dir / "x.flac"), 65536, Continue, &l__Calls, 0),
              996u);
    EXPECT_FALSE(std::filesystem::exists(m__Dir / "x.flac"));
}

TEST_F(ConvertTest, WriterTakesPcmInPiecesThatSplitSampleFrames) {
    PVOID l__Writer = nullptr;
    ASSERT_EQ(Sonquill_CompressedFileWriterObjectCreate(&l__Writer, C(m__Dir / "pieces.flac"), 0), 0u);
    for (size_t l__Done = 0; l__Done < m__Samples.size();) {
        ULONG l__Take = static_cast<ULONG>(std::min<size_t>(1001, m__Samples.size() - l__Done));
        ASSERT_EQ(Sonquill_CompressedFileWriterObjectWrite(l__Writer, m__Samples.data() + l__Done, l__Take), 0u);
        l__Done += l__Take;
    }
    EXPECT_EQ(Sonquill_CompressedFileWriterObjectDestroy(&l__Writer), 0u);
    EXPECT_EQ(l__Writer, nullptr);
    auto l__Decoded = media::FfmpegPcm(m__Dir / "pieces.flac", m__Dir / "pieces");
    EXPECT_TRUE(l__Decoded == m__Samples);
}
