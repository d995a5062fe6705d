// The VideoCD and Super VideoCD tracks: the patched data track taken from a template, and
// the MPEG track with its two margins of empty sectors.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "CTarnwick_Exception.h"
#include "CTarnwick_MPEG12Track.h"
#include "CTarnwick_SVCDDATATrack.h"
#include "CTarnwick_VCDDATATrack.h"
#include "ExternalTool.h"
#include "ScratchDirectory.h"
#include "TraceCapture.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr size_t IMAGE = 1228800;
constexpr ULONG VCD_RECORD = 43104;
constexpr ULONG SVCD_RECORD = 41056;

Bytes Pattern(size_t p__Size, uint32_t p__Seed) {
    Bytes l__Data(p__Size);
    uint32_t l__State = p__Seed * 2654435761u + 1;
    for (auto& l__Byte : l__Data) {
        l__State = l__State * 1103515245u + 12345u;
        l__Byte = static_cast<uint8_t>(l__State >> 23);
    }
    return l__Data;
}

void Write(const std::string& p__Path, const Bytes& p__Data) {
    std::ofstream l__Out(p__Path, std::ios::binary);
    l__Out.write(reinterpret_cast<const char*>(p__Data.data()), static_cast<std::streamsize>(p__Data.size()));
}

// Runs the test in a scratch directory, the current one for ARCHIVE.dat, and goes back after.
class VideoCdTrackTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(getcwd(m__Before, sizeof(m__Before)), nullptr);
        ASSERT_EQ(chdir(m__Dir.Path().c_str()), 0);
        m__Template = Pattern(IMAGE, 1);
        Write(m__Dir / "template.iso", m__Template);
    }
    void TearDown() override { EXPECT_EQ(chdir(m__Before), 0); }

    // The exception number a construction raises (0 when it raises none).
    template <class Make>
    static ULONG Raised(Make&& p__Make, std::string* p__Text = nullptr) {
        try {
            p__Make();
        } catch (CTarnwick_Exception* l__Exception) {
            if (l__Exception == nullptr) return ~0u;
            const ULONG l__ULONG__Number = l__Exception->GetExceptionNumber();
            if (p__Text != nullptr) *p__Text = l__Exception->GetExceptionText();
            delete l__Exception;
            return l__ULONG__Number;
        }
        return 0;
    }

    ScratchDirectory m__Dir{"tarnwick-videocd"};
    char m__Before[4096] = {};
    Bytes m__Template;
};

// Every byte of the image outside the patched ranges [begin, end) is the template's.
void ExpectTemplateElsewhere(const uint8_t* p__Image, const Bytes& p__Template,
                             const std::vector<std::pair<size_t, size_t>>& p__Patched) {
    size_t l__Differences = 0, l__First = 0;
    for (size_t i = 0; i < IMAGE; ++i) {
        bool l__bool__Patched = false;
        for (const auto& [l__Begin, l__End] : p__Patched) l__bool__Patched |= i >= l__Begin && i < l__End;
        if (!l__bool__Patched && p__Image[i] != p__Template[i] && l__Differences++ == 0) l__First = i;
    }
    EXPECT_EQ(l__Differences, 0u) << "first unpatched byte changed at offset " << l__First;
}

Bytes Range(const uint8_t* p__Image, size_t p__Offset, size_t p__Size) { return Bytes(p__Image + p__Offset, p__Image + p__Offset + p__Size); }

Bytes TextField(const std::string& p__Text, size_t p__Size, uint8_t p__Fill) {
    Bytes l__Field(p__Size, p__Fill);
    std::memcpy(l__Field.data(), p__Text.data(), std::min(p__Text.size(), p__Size));
    return l__Field;
}

// A seven-second stream of a test pattern and a tone made by ffmpeg for a target
// ("ntsc-vcd", "pal-svcd"...).
void MakeStream(const std::string& p__Path, const std::string& p__Target) {
    const std::string l__Make = "ffmpeg -loglevel error -y -f lavfi -i testsrc=duration=7:size=352x240 "
                                "-f lavfi -i sine=duration=7 -target " + p__Target + " '" + p__Path + "'";
    ASSERT_EQ(std::system(l__Make.c_str()), 0) << l__Make;
}

}  // namespace

TEST_F(VideoCdTrackTest, VideoCdPatchTableWithoutArchiveFile) {
    Write(m__Dir / "movie.mpg", Pattern(23240, 2));  // 10 payload blocks
    const std::string l__Label = "ABCDEFGHIJKLMNOPQRST";  // 20 characters
    TraceCapture l__Trace;
    CTarnwick_VCDDATATrack l__Track("movie.mpg", l__Label.c_str(), 0x1234, 0x0102, "template.iso", VCD_RECORD);
    const uint8_t* l__Image = l__Track.GetImage();

    // (10 + 60) x 2048 = 143,360 = 0x00023000, little-endian then big-endian.
    EXPECT_EQ(Range(l__Image, VCD_RECORD + 10, 8), (Bytes{0x00, 0x30, 0x02, 0x00, 0x00, 0x02, 0x30, 0x00}));
    // The album text is the label's first 16 characters over the template's bytes.
    EXPECT_EQ(Range(l__Image, 307200 + 10, 16), Bytes(l__Label.begin(), l__Label.begin() + 16));
    EXPECT_EQ(Range(l__Image, 307200 + 26, 4), (Bytes{0x12, 0x34, 0x01, 0x02}));
    // The volume identifiers are zeroed, then hold as much of the label as fits.
    EXPECT_EQ(Range(l__Image, 32768 + 40, 32), TextField(l__Label, 32, 0));
    EXPECT_EQ(Range(l__Image, 32768 + 190, 128), TextField(l__Label, 128, 0));
    ExpectTemplateElsewhere(l__Image, m__Template,
                            {{VCD_RECORD + 10, VCD_RECORD + 18}, {307210, 307230}, {32808, 32840}, {32958, 33086}});

    // The chain serves the patched image, and only it.
    ASSERT_EQ(l__Track.GetSize(), IMAGE);
    Bytes l__Read(IMAGE);
    l__Track.Read(IMAGE, l__Read.data());
    EXPECT_EQ(0, std::memcmp(l__Read.data(), l__Image, IMAGE));

    REQUIRE_TRACING();
    EXPECT_TRUE(l__Trace.Contains("CTarnwick_VCDDATATrack::PatchAdditionalFile(): CreateFile( 'ARCHIVE.dat' ) failed, status 2!!!\n"))
        << l__Trace.Text();
}

TEST_F(VideoCdTrackTest, ArchiveFileFillsItsSectorWithZerosAfterItAndIsCutAtOneSector) {
    Write(m__Dir / "movie.mpg", Pattern(2324 * 3 + 5, 3));
    const Bytes l__Short = Pattern(100, 4);
    Write(m__Dir / "ARCHIVE.dat", l__Short);
    {
        CTarnwick_VCDDATATrack l__Track("movie.mpg", "X", 1, 1, "template.iso", VCD_RECORD);
        Bytes l__Expected(2048, 0);
        std::copy(l__Short.begin(), l__Short.end(), l__Expected.begin());
        EXPECT_EQ(Range(l__Track.GetImage(), 501760, 2048), l__Expected);
    }
    const Bytes l__Long = Pattern(5000, 5);
    Write(m__Dir / "ARCHIVE.dat", l__Long);
    CTarnwick_VCDDATATrack l__Track("movie.mpg", "", 1, 1, "template.iso", VCD_RECORD);
    EXPECT_EQ(Range(l__Track.GetImage(), 501760, 2048), Bytes(l__Long.begin(), l__Long.begin() + 2048));
    // An empty label leaves the album text as the template has it and the identifiers empty.
    EXPECT_EQ(Range(l__Track.GetImage(), 307210, 16), Range(m__Template.data(), 307210, 16));
    EXPECT_EQ(Range(l__Track.GetImage(), 32808, 32), Bytes(32, 0));
}

TEST_F(VideoCdTrackTest, SuperVideoCdAddsTheTrackTimeAndTheSecondArchiveSector) {
    // 2 x 10 MiB + 1,234,567 bytes: "minutes" 02, "seconds" BCD of 1,234,567 mod 100 = 67.
    const std::string l__Mpeg = m__Dir / "movie.mpg";
    { std::ofstream l__Out(l__Mpeg, std::ios::binary); }
    ASSERT_EQ(truncate(l__Mpeg.c_str(), 2 * 10485760 + 1234567), 0);
    const Bytes l__Archive = Pattern(2048, 6);
    Write(m__Dir / "ARCHIVE.dat", l__Archive);
    TraceCapture l__Trace;
    CTarnwick_SVCDDATATrack l__Track("movie.mpg", "SVCD LABEL", 2, 1, "template.iso", SVCD_RECORD);
    const uint8_t* l__Image = l__Track.GetImage();
    EXPECT_EQ(Range(l__Image, 432128 + 11, 3), (Bytes{0x02, 0x67, 0x00}));
    EXPECT_EQ(Range(l__Image, 430080, 2048), l__Archive);
    EXPECT_EQ(Range(l__Image, 501760, 2048), l__Archive);
    // 22,206,087 / 2324 = 9,555 blocks: (9,555 + 60) x 2048 = 19,691,520 = 0x012C7800.
    EXPECT_EQ(Range(l__Image, SVCD_RECORD + 10, 8), (Bytes{0x00, 0x78, 0x2C, 0x01, 0x01, 0x2C, 0x78, 0x00}));
    EXPECT_EQ(Range(l__Image, 307200 + 26, 4), (Bytes{0x00, 0x02, 0x00, 0x01}));
    ExpectTemplateElsewhere(l__Image, m__Template,
                            {{SVCD_RECORD + 10, SVCD_RECORD + 18}, {307210, 307230}, {32808, 32840}, {32958, 33086},
                             {432139, 432142}, {430080, 432128}, {501760, 503808}});
}

TEST_F(VideoCdTrackTest, WithoutArchiveFileTheSuperVideoCdKeepsBothTemplateSectorsAndTracesTwice) {
    Write(m__Dir / "movie.mpg", Pattern(2324, 7));
    TraceCapture l__Trace;
    CTarnwick_SVCDDATATrack l__Track("movie.mpg", "L", 1, 1, "template.iso", SVCD_RECORD);
    EXPECT_EQ(Range(l__Track.GetImage(), 430080, 2048), Range(m__Template.data(), 430080, 2048));
    EXPECT_EQ(Range(l__Track.GetImage(), 501760, 2048), Range(m__Template.data(), 501760, 2048));
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Trace.Contains("CTarnwick_VCDDATATrack::PatchAdditionalFile(): CreateFile( 'ARCHIVE.dat' ) failed"));
    EXPECT_TRUE(l__Trace.Contains("CTarnwick_SVCDDATATrack::PatchAdditionalFile(): CreateFile( 'ARCHIVE.dat' ) failed"));
}

TEST_F(VideoCdTrackTest, TemplateSizesAndMissingFilesAreRefused) {
    Write(m__Dir / "movie.mpg", Pattern(23240, 8));
    Write(m__Dir / "short.iso", Bytes(m__Template.begin(), m__Template.end() - 1));
    std::string l__Text;
    EXPECT_EQ(Raised([] { CTarnwick_VCDDATATrack("movie.mpg", "L", 1, 1, "short.iso", VCD_RECORD); }, &l__Text),
              ULONG{EXCEPTION_NUMBER_OUT_OF_MEMORY});
    EXPECT_EQ(l__Text,
              "CTarnwick_VCDDATATrack::CTarnwick_VCDDATATrack(): l__LARGE_INTEGER__DATATrackSizeInUCHARs is 1228799 "
              "instead of at least 1228800!!!");
    EXPECT_EQ(Raised([] { CTarnwick_VCDDATATrack("movie.mpg", "L", 1, 1, "none.iso", VCD_RECORD); }),
              ULONG{EXCEPTION_NUMBER_SYSTEM_ERROR});
    EXPECT_EQ(Raised([] { CTarnwick_SVCDDATATrack("none.mpg", "L", 1, 1, "template.iso", SVCD_RECORD); }),
              ULONG{EXCEPTION_NUMBER_SYSTEM_ERROR});
    EXPECT_EQ(Raised([] { CTarnwick_MPEG12Track("none.mpg"); }), ULONG{EXCEPTION_NUMBER_SYSTEM_ERROR});

    // A longer template is read up to 600 sectors only.
    Bytes l__Long = m__Template;
    const Bytes l__Tail = Pattern(4096, 9);
    l__Long.insert(l__Long.end(), l__Tail.begin(), l__Tail.end());
    Write(m__Dir / "long.iso", l__Long);
    CTarnwick_VCDDATATrack l__Track("movie.mpg", "L", 1, 1, "long.iso", VCD_RECORD);
    EXPECT_EQ(l__Track.GetSize(), IMAGE);
    EXPECT_EQ(Range(l__Track.GetImage(), IMAGE - 2048, 2048), Range(m__Template.data(), IMAGE - 2048, 2048));
}

TEST_F(VideoCdTrackTest, AnMpegFileWhoseExtentOverflowsItsRecordIsRefused) {
    // (n + 60) x 2048 must fit 32 bits: n = 2,097,092 blocks is one too many.
    const std::string l__Mpeg = m__Dir / "huge.mpg";
    { std::ofstream l__Out(l__Mpeg, std::ios::binary); }
    ASSERT_EQ(truncate(l__Mpeg.c_str(), 2097092LL * 2324), 0);
    EXPECT_EQ(Raised([] { CTarnwick_VCDDATATrack("huge.mpg", "L", 1, 1, "template.iso", VCD_RECORD); }),
              ULONG{EXCEPTION_NUMBER_SIZE_LIMIT});
    ASSERT_EQ(truncate(l__Mpeg.c_str(), 2097091LL * 2324), 0);
    CTarnwick_VCDDATATrack l__Track("huge.mpg", "L", 1, 1, "template.iso", VCD_RECORD);
    EXPECT_EQ(Range(l__Track.GetImage(), VCD_RECORD + 10, 4), (Bytes{0x00, 0xF8, 0xFF, 0xFF}));
}

TEST_F(VideoCdTrackTest, MpegTrackIsThirtyEmptySectorsThePayloadBlocksAndThirtyMore) {
    const Bytes l__Mpeg = Pattern(2324 * 10 + 1000, 10);  // 10 whole blocks; the rest is never read
    Write(m__Dir / "movie.mpg", l__Mpeg);
    CTarnwick_MPEG12Track l__Track("movie.mpg");
    ASSERT_EQ(l__Track.GetSize(), (30u + 10u + 30u) * 2332u);
    Bytes l__Out(l__Track.GetSize());
    l__Track.Read(l__Out.size(), l__Out.data());
    for (size_t l__Sector = 0; l__Sector < 70; ++l__Sector) {
        const uint8_t* l__At = l__Out.data() + 2332 * l__Sector;
        if (l__Sector < 30 || l__Sector >= 40) {
            const Bytes l__Empty = {0x01, 0x00, 0x60, 0x00, 0x01, 0x00, 0x60, 0x00};
            EXPECT_EQ(Bytes(l__At, l__At + 8), l__Empty) << "sector " << l__Sector;
            EXPECT_EQ(Bytes(l__At + 8, l__At + 2332), Bytes(2324, 0)) << "sector " << l__Sector;
        } else {
            const size_t l__Block = l__Sector - 30;
            EXPECT_EQ(Bytes(l__At + 8, l__At + 2332),
                      Bytes(l__Mpeg.begin() + 2324 * l__Block, l__Mpeg.begin() + 2324 * (l__Block + 1)))
                << "sector " << l__Sector;
        }
    }
    EXPECT_TRUE(l__Track.GetCurrentIsVideoStuff());
}

// The track list's playing time is the stream's own, read from its first and last packs, for
// an MPEG-1 and an MPEG-2 stream alike; ffprobe, which shares nothing with it, is the judge.
TEST_F(VideoCdTrackTest, SuperVideoCdPlayingTimeIsTheStreamsLength) {
    REQUIRE_TOOL("ffmpeg");
    REQUIRE_TOOL("ffprobe");
    for (const char* l__Target : {"ntsc-vcd", "ntsc-svcd"}) {
        SCOPED_TRACE(l__Target);
        const std::string l__Mpeg = m__Dir / (std::string(l__Target) + ".mpg");
        MakeStream(l__Mpeg, l__Target);
        std::string l__Probe;
        {
            const std::string l__Command = "ffprobe -v error -show_entries format=duration -of csv=p=0 '" + l__Mpeg + "'";
            FILE* l__Pipe = popen(l__Command.c_str(), "r");
            ASSERT_NE(l__Pipe, nullptr);
            char l__Line[128] = {};
            while (std::fgets(l__Line, sizeof(l__Line), l__Pipe) != nullptr) l__Probe.append(l__Line);
            pclose(l__Pipe);
        }
        const double l__Duration = std::atof(l__Probe.c_str());
        ASSERT_GT(l__Duration, 6.0);
        CTarnwick_SVCDDATATrack l__Track(l__Mpeg.c_str(), "T", 1, 1, "template.iso", SVCD_RECORD);
        const uint8_t* l__Time = l__Track.GetImage() + 432128 + 11;
        auto l__Digits = [](uint8_t p__Bcd) {
            EXPECT_LE(p__Bcd >> 4, 9);
            EXPECT_LE(p__Bcd & 15, 9);
            return (p__Bcd >> 4) * 10 + (p__Bcd & 15);
        };
        const int l__Seconds = l__Digits(l__Time[1]), l__Frames = l__Digits(l__Time[2]);
        EXPECT_LT(l__Seconds, 60);
        EXPECT_LT(l__Frames, 75);
        EXPECT_NEAR(l__Digits(l__Time[0]) * 60 + l__Seconds + l__Frames / 75.0, l__Duration, 1.0);
    }
}

// A template is laid out for NTSC; a PAL stream's disc says PAL in the disc information file
// and, on a Super VideoCD, in the track list. An NTSC stream leaves both as the template has them.
TEST_F(VideoCdTrackTest, PalStreamsAreMarkedPal) {
    REQUIRE_TOOL("ffmpeg");
    for (const char* l__Target : {"ntsc-vcd", "pal-vcd", "ntsc-svcd", "pal-svcd"}) {
        SCOPED_TRACE(l__Target);
        const std::string l__Mpeg = m__Dir / (std::string(l__Target) + ".mpg");
        MakeStream(l__Mpeg, l__Target);
        const bool l__bool__Pal = std::string(l__Target).starts_with("pal");
        const bool l__bool__Super = std::string(l__Target).ends_with("svcd");
        std::unique_ptr<CTarnwick_VCDDATATrack> l__Track(
            l__bool__Super ? new CTarnwick_SVCDDATATrack(l__Mpeg.c_str(), "T", 1, 1, "template.iso", SVCD_RECORD)
                           : new CTarnwick_VCDDATATrack(l__Mpeg.c_str(), "T", 1, 1, "template.iso", VCD_RECORD));
        EXPECT_EQ(l__Track->IsPalVideo(), l__bool__Pal);
        const uint8_t l__Flags = m__Template[307200 + 30];
        EXPECT_EQ(l__Track->GetImage()[307200 + 30], l__bool__Pal ? (l__Flags | 0x01) : l__Flags);
        const uint8_t l__Streams = m__Template[432128 + 14];
        EXPECT_EQ(l__Track->GetImage()[432128 + 14], l__bool__Super && l__bool__Pal ? (l__Streams | 0x10) : l__Streams);
    }
}
