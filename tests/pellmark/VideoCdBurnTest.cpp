// VideoCD and Super VideoCD discs burned by tarnwick-videocd onto blank virtual CD-Rs, in
// both write modes, and judged by outside readers: vcd-info reads the exported BIN/CUE
// without a warning, vcdxrip extracts the MPEG stream, ffprobe measures its length.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "PellmarkRun.h"
#include "ScratchDirectory.h"
#include "tarnwick.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The build's templates.
std::string DataDir() { return std::string(TARNWICK_BINARY_DIR) + "/share/tarnwick"; }

struct VideoDisc {
    const char* m__Name;
    bool m__Super;
    bool m__Sao;
};

// One short stream of each kind, made once for every case.
class VideoCdBurnTest : public ::testing::TestWithParam<VideoDisc> {
public:
    static void SetUpTestSuite() {
        if (!ExternalTool::IsInstalled("ffmpeg")) return;
        s__Scratch = std::make_unique<ScratchDirectory>("tarnwick-videocd-streams");
        MakeStream("vcd.mpg", "352x240", "ntsc-vcd");
        MakeStream("svcd.mpg", "480x480", "ntsc-svcd");
    }
    static void TearDownTestSuite() { s__Scratch.reset(); }

protected:
    static std::string Stream(bool p__Super) { return *s__Scratch / (p__Super ? "svcd.mpg" : "vcd.mpg"); }

    static double Duration(const std::string& p__File) {
        std::string l__Output;
        PellmarkRun::Shell("ffprobe -v error -show_entries format=duration -of csv=p=0 " + PellmarkRun::Quote(p__File),
                           &l__Output);
        return std::atof(l__Output.c_str());
    }

private:
    static void MakeStream(const std::string& p__Name, const std::string& p__Size, const std::string& p__Target) {
        const std::string l__Command = "ffmpeg -loglevel error -y -f lavfi -i testsrc=duration=3:size=" + p__Size +
                                       ":rate=30000/1001 -f lavfi -i sine=frequency=440:duration=3 -target " + p__Target +
                                       " " + PellmarkRun::Quote(*s__Scratch / p__Name);
        ASSERT_EQ(PellmarkRun::Shell(l__Command), 0) << l__Command;
    }

    static std::unique_ptr<ScratchDirectory> s__Scratch;
};
std::unique_ptr<ScratchDirectory> VideoCdBurnTest::s__Scratch;

std::string Words(const std::vector<std::string>& p__Words) {
    std::string l__Text;
    for (const std::string& l__Word : p__Words) l__Text.append(" ").append(l__Word);
    return l__Text;
}

}  // namespace

TEST_P(VideoCdBurnTest, OutsideReadersAcceptTheDiscAndGetTheStreamBack) {
    REQUIRE_TOOL("ffmpeg");
    REQUIRE_TOOL("vcd-info");
    REQUIRE_TOOL("vcdxrip");
    const VideoDisc& l__Disc = GetParam();
    PellmarkRun l__Run;
    l__Run.Insert("cdr");
    const std::string l__Archive = "the archive sector of this disc";
    { std::ofstream(l__Run.Dir() + "/ARCHIVE.dat") << l__Archive; }

    std::vector<std::string> l__Arguments = {"--label", "TARNWICK_VCD", "--volume-count", "3", "--volume-number", "2"};
    if (l__Disc.m__Super) l__Arguments.push_back("--svcd");
    if (l__Disc.m__Sao) l__Arguments.push_back("--sao");
    l__Arguments.push_back(Stream(l__Disc.m__Super));
    const PellmarkRun::Result l__Burn =
        l__Run.Program("tools/videocd/tarnwick-videocd", l__Arguments, "", "TARNWICK_DATA_DIR=" + PellmarkRun::Quote(DataDir()));
    ASSERT_EQ(l__Burn.m__Exit, 0) << Words(l__Arguments) << "\n" << l__Burn.m__Err.substr(0, 4000);

    // The payload blocks of the stream, and where the MPEG track and the disc end.
    const Bytes l__Input = PellmarkRun::ReadFile(Stream(l__Disc.m__Super));
    const size_t l__Blocks = l__Input.size() / 2324;
    ASSERT_GT(l__Blocks, 100u);
    // Track 2 starts at LBA 752 in both modes; its 30 + n + 30 sectors end the disc, but for
    // the two run-out blocks that follow a Track-At-Once data track.
    const size_t l__LeadOut = 752 + 30 + l__Blocks + 30 + (l__Disc.m__Sao ? 0 : 2);

    // The data track as recorded: the archive sector holds ARCHIVE.dat, zeros after it.
    const Bytes l__Track1 = l__Run.ExportTrack(1);
    ASSERT_GE(l__Track1.size(), 600u * 2048u);
    const size_t l__ArchiveSector = l__Disc.m__Super ? 210 : 245;
    Bytes l__ExpectedArchive(2048, 0);
    std::copy(l__Archive.begin(), l__Archive.end(), l__ExpectedArchive.begin());
    EXPECT_EQ(Bytes(l__Track1.begin() + 2048 * l__ArchiveSector, l__Track1.begin() + 2048 * (l__ArchiveSector + 1)),
              l__ExpectedArchive);

    ASSERT_FALSE(l__Run.ExportCueBin().empty());
    std::string l__Info;
    const int l__InfoExit =
        PellmarkRun::Shell("cd " + PellmarkRun::Quote(l__Run.Dir()) + " && vcd-info --cue-file export.cue 2>&1", &l__Info);
    ASSERT_EQ(l__InfoExit, 0) << l__Info;
    EXPECT_EQ(l__Info.find("WARN"), std::string::npos) << l__Info;
    EXPECT_EQ(l__Info.find("ERROR"), std::string::npos) << l__Info;
    EXPECT_NE(l__Info.find(l__Disc.m__Super ? "SVCD detected" : "VCD 2.0 detected"), std::string::npos) << l__Info;
    EXPECT_NE(l__Info.find("volume id: `TARNWICK_VCD'"), std::string::npos) << l__Info;
    EXPECT_NE(l__Info.find("album id: `TARNWICK_VCD'"), std::string::npos) << l__Info;
    EXPECT_NE(l__Info.find("volume count: 3"), std::string::npos) << l__Info;
    EXPECT_NE(l__Info.find("volume number: 2"), std::string::npos) << l__Info;
    EXPECT_NE(l__Info.find("entries: 1"), std::string::npos) << l__Info;
    EXPECT_TRUE(std::regex_search(l__Info, std::regex(R"(ENTRY\[00\]: track#  1 \(SEQUENCE\[0\]\), LSN +752 )"))) << l__Info;
    EXPECT_TRUE(std::regex_search(l__Info, std::regex(R"(\n +2: 00:12:02 +000752 +XA)"))) << l__Info;
    const std::string l__LeadOutLsn = std::to_string(l__LeadOut);
    EXPECT_NE(l__Info.find(std::string(6 - std::min<size_t>(6, l__LeadOutLsn.size()), '0') + l__LeadOutLsn + "  leadout"),
              std::string::npos)
        << "lead-out expected at LSN " << l__LeadOut << "\n" << l__Info;
    // The MPEG file's extent: 30 + n + 30 sectors, counted as 2,048 bytes each.
    EXPECT_NE(l__Info.find("(" + std::string(9 - std::to_string((l__Blocks + 60) * 2048).size(), ' ') +
                           std::to_string((l__Blocks + 60) * 2048) + ")  AVSEQ01." + (l__Disc.m__Super ? "MPG" : "DAT")),
              std::string::npos)
        << l__Info;

    // The Super VideoCD's track list gives the stream's playing time.
    std::smatch l__Time;
    if (l__Disc.m__Super) {
        ASSERT_TRUE(std::regex_search(l__Info, l__Time, std::regex(R"(track\[00\]: (\d\d):(\d\d):(\d\d),)"))) << l__Info;
        const double l__Seconds = std::stoi(l__Time[1]) * 60 + std::stoi(l__Time[2]) + std::stoi(l__Time[3]) / 75.0;
        EXPECT_NEAR(l__Seconds, Duration(Stream(true)), 1.0) << l__Time[0];
    }

    // The stream comes back as the input's whole payload blocks.
    const std::string l__Rip = l__Run.Dir() + "/rip";
    std::filesystem::create_directories(l__Rip);
    std::string l__RipOutput;
    ASSERT_EQ(PellmarkRun::Shell("cd " + PellmarkRun::Quote(l__Rip) + " && vcdxrip -c ../export.cue 2>&1", &l__RipOutput), 0)
        << l__RipOutput;
    // The reader warns only of what ends the track: nothing after a session; after a
    // Track-At-Once track, its two run-out blocks.
    std::istringstream l__RipLines(l__RipOutput);
    for (std::string l__Line; std::getline(l__RipLines, l__Line);) {
        if (l__Line.find("WARN") == std::string::npos) continue;
        EXPECT_FALSE(l__Disc.m__Sao) << l__Line;
        EXPECT_NE(l__Line.find("encountered non-form2 sector -- leaving loop"), std::string::npos) << l__Line;
    }
    const Bytes l__Ripped = PellmarkRun::ReadFile(l__Rip + "/avseq01.mpg");
    ASSERT_EQ(l__Ripped.size(), l__Blocks * 2324);
    EXPECT_TRUE(std::equal(l__Ripped.begin(), l__Ripped.end(), l__Input.begin()));
    EXPECT_NEAR(Duration(l__Rip + "/avseq01.mpg"), Duration(Stream(l__Disc.m__Super)), 1.0);
}

INSTANTIATE_TEST_SUITE_P(Discs, VideoCdBurnTest,
                         ::testing::Values(VideoDisc{"VideoCdTrackAtOnce", false, false},
                                           VideoDisc{"VideoCdSessionAtOnce", false, true},
                                           VideoDisc{"SuperVideoCdTrackAtOnce", true, false},
                                           VideoDisc{"SuperVideoCdSessionAtOnce", true, true}),
                         [](const ::testing::TestParamInfo<VideoDisc>& p__Info) { return std::string(p__Info.param.m__Name); });

// The current directory's template comes first: a short one there is refused although the
// data directory holds a good one. Found nowhere, the template's absence is the failure.
TEST(VideoCdTemplateLookup, CurrentDirectoryFirstThenTheDataDirectory) {
    REQUIRE_TOOL("ffmpeg");
    PellmarkRun l__Run;
    l__Run.Insert("cdr");
    const std::string l__Mpeg = l__Run.Dir() + "/x.mpg";
    { std::ofstream(l__Mpeg, std::ios::binary) << std::string(2324 * 20, '\0'); }
    { std::ofstream(l__Run.Dir() + "/" TARNWICK_VIDEOCD_TEMPLATE, std::ios::binary) << std::string(1228799, '\0'); }
    PellmarkRun::Result l__Result = l__Run.Program("tools/videocd/tarnwick-videocd", {l__Mpeg}, "",
                                                   "TARNWICK_DATA_DIR=" + PellmarkRun::Quote(DataDir()));
    EXPECT_EQ(l__Result.m__Exit, EXCEPTION_NUMBER_OUT_OF_MEMORY) << l__Result.m__Err.substr(0, 2000);
    EXPECT_NE(l__Result.m__Err.find("DATATrackSizeInUCHARs is 1228799"), std::string::npos) << l__Result.m__Err.substr(0, 2000);

    l__Result = l__Run.Program("tools/videocd/tarnwick-videocd", {"--svcd", l__Mpeg}, "", "TARNWICK_DATA_DIR=/nonexistent");
    EXPECT_EQ(l__Result.m__Exit, EXCEPTION_NUMBER_SYSTEM_ERROR);
    EXPECT_NE(l__Result.m__Err.find("CreateFile( '/nonexistent/" TARNWICK_SUPERVIDEOCD_TEMPLATE "' ) failed"), std::string::npos)
        << l__Result.m__Err.substr(0, 2000);
    // Nothing was written: the disc is still blank.
    std::string l__Disc;
    l__Run.Vdisc("info {}", &l__Disc);
    EXPECT_NE(l__Disc.find("Disc status:  empty"), std::string::npos) << l__Disc;
}

// A write mode other than 0 and 1 is refused before anything else is looked at.
TEST(VideoCdWriteMode, AboveOneReturnsUnsupportedModeWithoutWork) {
    char l__Text[256] = "untouched";
    ULONG l__Status = 77;
    CDB_FAILURE_INFORMATION l__Info;
    std::memset(&l__Info, 0xAB, sizeof(l__Info));
    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_VideoCD(nullptr, l__Text, sizeof(l__Text), &l__Status, &l__Info, 2, nullptr, nullptr,
                                                 1, 1, 0, 0, 0),
              ULONG{EXCEPTION_NUMBER_UNSUPPORTED_MODE});
    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_SuperVideoCD(nullptr, l__Text, sizeof(l__Text), &l__Status, &l__Info, 7, nullptr,
                                                      nullptr, 1, 1, 0, 0, 0),
              ULONG{EXCEPTION_NUMBER_UNSUPPORTED_MODE});
    EXPECT_STREQ(l__Text, "untouched");
    EXPECT_EQ(l__Status, 77u);
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(&l__Info)[0], 0xAB);
}
