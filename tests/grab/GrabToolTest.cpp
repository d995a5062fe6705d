// tarnwick-grab: its command line, its progress and bad-block lines, and the real binary
// grabbing from a CD that Pellmark burned onto the virtual recorder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CTarnwick_GrabCommandLine.h"
#include "CTarnwick_GrabProgress.h"
#include "PellmarkRun.h"

namespace {

bool Has(const std::string& p__Text, const std::string& p__Part) { return p__Text.find(p__Part) != std::string::npos; }

TEST(GrabCommandLine, TrackOrRangeWithTheirOptions) {
    CTarnwick_GrabCommandLine l__Track;
    ASSERT_TRUE(l__Track.Parse({"--drive", "1", "--track", "3", "--retries", "4", "--ignore-errors", "out.wav"}))
        << l__Track.Error();
    EXPECT_EQ(l__Track.Drive(), 1u);
    EXPECT_TRUE(l__Track.IsTrack());
    EXPECT_EQ(l__Track.Track(), 3);
    EXPECT_EQ(l__Track.Retries(), 4u);
    EXPECT_EQ(l__Track.IsIgnoreErrors(), 1);
    EXPECT_EQ(l__Track.IsSingleBlocks(), 0);
    EXPECT_EQ(l__Track.Output(), "out.wav");

    CTarnwick_GrabCommandLine l__Range;
    ASSERT_TRUE(l__Range.Parse({"--range", "-150", "299", "--single-blocks", "--", "-odd.bin"})) << l__Range.Error();
    EXPECT_FALSE(l__Range.IsTrack());
    EXPECT_EQ(l__Range.FirstLBA(), -150);
    EXPECT_EQ(l__Range.LastLBA(), 299);
    EXPECT_EQ(l__Range.IsSingleBlocks(), 1);
    EXPECT_EQ(l__Range.Retries(), 0u);
    EXPECT_EQ(l__Range.Output(), "-odd.bin");

    CTarnwick_GrabCommandLine l__Help;
    ASSERT_TRUE(l__Help.Parse({"--help"}));
    EXPECT_TRUE(l__Help.IsHelp());
}

TEST(GrabCommandLine, WholeDiscWholeOrInParts) {
    CTarnwick_GrabCommandLine l__Disc;
    ASSERT_TRUE(l__Disc.Parse({"--disc", "--retries", "2", "disc.mdf"})) << l__Disc.Error();
    EXPECT_TRUE(l__Disc.IsDisc());
    EXPECT_FALSE(l__Disc.IsTrack());
    EXPECT_EQ(l__Disc.PartSize(), 0u);
    EXPECT_EQ(l__Disc.Retries(), 2u);
    EXPECT_EQ(l__Disc.Output(), "disc.mdf");

    const std::vector<std::pair<std::string, ULONGLONG>> l__Sizes = {
        {"4096", 4096}, {"2k", 2048}, {"700M", 700ULL << 20}, {"4G", 4ULL << 30}, {"6K", 6144}};
    for (const auto& [l__Text, l__Size] : l__Sizes) {
        CTarnwick_GrabCommandLine l__Split;
        ASSERT_TRUE(l__Split.Parse({"--disc-split", l__Text, "dvd.iso"})) << l__Text << ": " << l__Split.Error();
        EXPECT_TRUE(l__Split.IsDisc());
        EXPECT_EQ(l__Split.PartSize(), l__Size) << l__Text;
    }
}

TEST(GrabCommandLine, UsageErrors) {
    const std::vector<std::vector<std::string>> l__Bad = {
        {"out.iso"},                                          // neither track nor range
        {"--track", "1", "--range", "0", "9", "out.iso"},     // both
        {"--track", "1"},                                     // no output
        {"--track", "1", "a", "b"},                           // two outputs
        {"--track", "0", "out.iso"},  {"--track", "100", "out.iso"}, {"--track", "x", "out.iso"},
        {"--range", "9", "0", "out.iso"},                     // ends before it starts
        {"--range", "0", "out.iso"},                          // one LBA (the output is taken as the second)
        {"--range", "0", "99999999999", "out.iso"},
        {"--track", "1", "--retries", "-1", "out.iso"}, {"--track", "1", "--retries", "101", "out.iso"},
        {"--track", "1", "--drive", "256", "out.iso"},  {"--track", "1", "--drive"},
        {"--track", "1", "--fast", "out.iso"},          {"--track", "1", ""},
        {"--disc", "--track", "1", "out.iso"},          {"--disc", "--disc-split", "2K", "out.iso"},
        {"--disc"},                                     {"--disc-split", "1000", "out.iso"},
        {"--disc-split", "0", "out.iso"},               {"--disc-split", "K", "out.iso"},
        {"--disc-split", "2T", "out.iso"},              {"--disc-split", "-2048", "out.iso"},
        {"--disc-split", "9999999999999999", "out.iso"}, {"--disc-split"}};
    for (const std::vector<std::string>& l__Arguments : l__Bad) {
        CTarnwick_GrabCommandLine l__Line;
        std::string l__Joined;
        for (const std::string& a : l__Arguments) l__Joined += "'" + a + "' ";
        EXPECT_FALSE(l__Line.Parse(l__Arguments)) << l__Joined;
        EXPECT_FALSE(l__Line.Error().empty()) << l__Joined;
    }
    EXPECT_EQ(CTarnwick_GrabCommandLine::USAGE_ERROR, 87);
}

TEST(GrabProgress, PercentageRateAndJoinedBadBlocks) {
    EXPECT_EQ(CTarnwick_GrabProgress::Line(3000, 1350, 2.0), " 45% (1350 of 3000 blocks, 675 blocks/s)");
    EXPECT_EQ(CTarnwick_GrabProgress::Line(3000, 3000, 0.0), "100% (3000 of 3000 blocks, 0 blocks/s)");

    CTarnwick_GrabProgress l__Progress;
    EXPECT_EQ(l__Progress.BadBlocks(), "");
    EXPECT_EQ(l__Progress.BadBlockCount(), 0u);
    // Reports out of order, touching (50, 51-52) and overlapping (60-89 with 70).
    for (auto [l__First, l__Count] : std::vector<std::pair<ULONG, ULONG>>{{51, 2}, {45, 1}, {50, 1}, {60, 30}, {70, 1}})
        l__Progress.AddBadBlocks(l__First, l__Count);
    EXPECT_EQ(l__Progress.BadBlocks(), "45, 50-52, 60-89");
    EXPECT_EQ(l__Progress.BadBlockCount(), 34u);
}

// Pellmark writes the image Track-At-Once: the drive reports the track two blocks longer
// than the image (its run-out), and those two blocks cannot be read.
class GrabTool : public ::testing::Test {
protected:
    void SetUp() override {
        m__Run.Insert("cdr");
        m__Iso = m__Run.MakeIso("image.iso", 600 * 1024);
        const PellmarkRun::Result l__Burn = m__Run.Burn(m__Iso);
        ASSERT_EQ(l__Burn.m__Exit, 0) << l__Burn.m__Out << l__Burn.m__Err;
    }
    PellmarkRun::Result Grab(const std::vector<std::string>& p__Arguments) {
        return m__Run.Program("tools/grab/tarnwick-grab", p__Arguments);
    }
    std::string Out(const std::string& p__Name) const { return m__Run.Dir() + "/" + p__Name; }

    PellmarkRun m__Run;
    std::string m__Iso;
};

TEST_F(GrabTool, GrabsARangeAndATrackWithItsUnreadableRunOut) {
    const std::vector<uint8_t> l__Image = PellmarkRun::ReadFile(m__Iso);
    ASSERT_EQ(l__Image.size() % 2048, 0u);
    const size_t l__Blocks = l__Image.size() / 2048;

    PellmarkRun::Result l__Range = Grab({"--range", "0", std::to_string(l__Blocks - 1), Out("range.iso")});
    ASSERT_EQ(l__Range.m__Exit, 0) << l__Range.m__Err;
    EXPECT_TRUE(PellmarkRun::ReadFile(Out("range.iso")) == l__Image);
    EXPECT_TRUE(Has(l__Range.m__Err, "tarnwick-grab: '" + Out("range.iso") + "' written in ")) << l__Range.m__Err;

    // The whole track fails at the first run-out block, and leaves no file.
    PellmarkRun::Result l__Failed = Grab({"--track", "1", Out("track.iso")});
    EXPECT_EQ(l__Failed.m__Exit, 10) << l__Failed.m__Err;
    EXPECT_TRUE(Has(l__Failed.m__Err, "Tarnwick_CdvdBurnerGrabber_GrabTrack() failed, number 10, status 0: "
                                      "CTarnwick_CdvdBurnerGrabber::GrabTrackCooked(): LBA " +
                                          std::to_string(l__Blocks) + " cannot be recovered!!!"))
        << l__Failed.m__Err;
    EXPECT_TRUE(PellmarkRun::ReadFile(Out("track.iso")).empty());

    // Ignoring errors, the run-out is two blocks of zeros, listed at the end.
    PellmarkRun::Result l__Ignored = Grab({"--track", "1", "--ignore-errors", Out("track.iso")});
    ASSERT_EQ(l__Ignored.m__Exit, 0) << l__Ignored.m__Err;
    std::vector<uint8_t> l__Expected = l__Image;
    l__Expected.resize(l__Image.size() + 2 * 2048, 0);
    EXPECT_TRUE(PellmarkRun::ReadFile(Out("track.iso")) == l__Expected);
    EXPECT_TRUE(Has(l__Ignored.m__Err, "tarnwick-grab: 2 unreadable block(s) written as zeros: " + std::to_string(l__Blocks) + "-" +
                                           std::to_string(l__Blocks + 1)))
        << l__Ignored.m__Err;
}

// The run-out after the Track-At-Once image cannot be read: a disc grab fails without files,
// and ignoring errors gives the raw image with those blocks as zeros and its descriptor.
TEST_F(GrabTool, GrabsTheWholeDiscIntoARawImageAndItsDescriptor) {
    const std::vector<uint8_t> l__Image = PellmarkRun::ReadFile(m__Iso);
    const size_t l__Blocks = l__Image.size() / 2048;
    PellmarkRun::Result l__Failed = Grab({"--disc", Out("disc.mdf")});
    EXPECT_EQ(l__Failed.m__Exit, 10) << l__Failed.m__Err;
    EXPECT_TRUE(Has(l__Failed.m__Err, "Tarnwick_CdvdBurnerGrabber_GrabDisc() failed, number 10")) << l__Failed.m__Err;
    EXPECT_TRUE(PellmarkRun::ReadFile(Out("disc.mdf")).empty());
    EXPECT_TRUE(PellmarkRun::ReadFile(Out("disc.mds")).empty());

    PellmarkRun::Result l__Disc = Grab({"--disc", "--ignore-errors", Out("disc.mdf")});
    ASSERT_EQ(l__Disc.m__Exit, 0) << l__Disc.m__Err;
    const std::vector<uint8_t> l__Raw = PellmarkRun::ReadFile(Out("disc.mdf"));
    ASSERT_EQ(l__Raw.size(), (l__Blocks + 2) * 2448);
    // The user data of each sector: after the header, and the subheader of a Mode 2 sector.
    for (size_t b = 0; b < l__Blocks; ++b) {
        const size_t l__User = b * 2448 + (l__Raw[b * 2448 + 15] == 2 ? 24 : 16);
        ASSERT_TRUE(std::equal(l__Image.begin() + b * 2048, l__Image.begin() + (b + 1) * 2048, l__Raw.begin() + l__User))
            << "block " << b;
    }
    const std::vector<uint8_t> l__Mds = PellmarkRun::ReadFile(Out("disc.mds"));
    ASSERT_GE(l__Mds.size(), 16u);
    EXPECT_EQ(std::string(l__Mds.begin(), l__Mds.begin() + 16), "MEDIA DESCRIPTOR");
    EXPECT_TRUE(Has(l__Disc.m__Err, "2 unreadable block(s) written as zeros")) << l__Disc.m__Err;

    // A CD is not split.
    PellmarkRun::Result l__Split = Grab({"--disc-split", "1M", Out("cd.iso")});
    EXPECT_EQ(l__Split.m__Exit, 10) << l__Split.m__Err;
    EXPECT_TRUE(Has(l__Split.m__Err, "Only a DVD is split into parts!!!")) << l__Split.m__Err;
}

TEST_F(GrabTool, UsageErrorsAndAMissingDriveAreTheirNumbers) {
    PellmarkRun::Result l__Usage = Grab({"--track", "1"});
    EXPECT_EQ(l__Usage.m__Exit, 87);
    EXPECT_TRUE(Has(l__Usage.m__Err, "Usage: tarnwick-grab")) << l__Usage.m__Err;
    PellmarkRun::Result l__NoDrive = Grab({"--drive", "7", "--track", "1", Out("x.iso")});
    EXPECT_EQ(l__NoDrive.m__Exit, 17);
    EXPECT_TRUE(Has(l__NoDrive.m__Err, "there is no drive 7 (1 CD/DVD drive(s) found)")) << l__NoDrive.m__Err;
    PellmarkRun::Result l__NoTrack = Grab({"--track", "5", Out("x.iso")});
    EXPECT_EQ(l__NoTrack.m__Exit, 2);
    EXPECT_TRUE(Has(l__NoTrack.m__Err, "Track number 5 exceeds TOC tracks 1!!!")) << l__NoTrack.m__Err;
}

}  // namespace
