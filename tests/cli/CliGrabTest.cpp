// tarnwick grab and copy on discs the other tools burned: tracks, ranges and whole discs read
// back and compared with what was burned, outside readers of raw images as judges.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "CliTestRun.h"

namespace {

using Bytes = std::vector<uint8_t>;

bool AllZero(Bytes::const_iterator p__Begin, Bytes::const_iterator p__End) {
    return std::all_of(p__Begin, p__End, [](uint8_t b) { return b == 0; });
}

bool StartsWith(const Bytes& p__Whole, const Bytes& p__Part) {
    return p__Whole.size() >= p__Part.size() && std::equal(p__Part.begin(), p__Part.end(), p__Whole.begin());
}

// A CD of a data track and two audio tracks (whole blocks of sound) written Session-At-Once.
class CliGrabCd : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TOOL("jq");
        REQUIRE_TOOL("ffmpeg");
        REQUIRE_TOOL("genisoimage");
        m__Run.Insert("cdr");
        m__Iso = m__Run.MakeIso("data.iso", 300 * 1024);
        m__Sound = m__Run.MakeSound("one.wav", "pcm_s16le", 4.0);
        m__Run.BurnSession({m__Iso, m__Sound, m__Run.MakeSound("two.wav", "pcm_s16le", 5.0)});
        m__Image = PellmarkRun::ReadFile(m__Iso);
        ASSERT_EQ(m__Image.size() % 2048, 0u);
    }
    PellmarkRun::Result Grab(const std::vector<std::string>& p__Arguments) { return m__Run.Tarnwick(p__Arguments); }

    CliTestRun m__Run;
    std::string m__Iso, m__Sound;
    Bytes m__Image;
};

TEST_F(CliGrabCd, ARangeIsTheBurnedImageAndTheWholeTrackEndsInTheNextPregap) {
    const std::string l__Last = std::to_string(m__Image.size() / 2048 - 1);
    const PellmarkRun::Result l__Range = Grab({"grab", "--json", "--range", "0-" + l__Last, m__Run.Out("range.iso")});
    ASSERT_EQ(l__Range.m__Exit, 0) << l__Range.m__Out;
    EXPECT_TRUE(PellmarkRun::ReadFile(m__Run.Out("range.iso")) == m__Image);
    EXPECT_EQ(m__Run.Jq(l__Range.m__Out, R"jq(select(.event=="phase-begin" or .event=="phase-end") | "\(.event) \(.phase) \(.bytes) \(.ok)")jq"),
              "phase-begin grab " + std::to_string(m__Image.size()) + " null\nphase-end grab " + std::to_string(m__Image.size()) +
                  " true\n");
    EXPECT_EQ(m__Run.Jq(l__Range.m__Out, R"jq(select(.event=="written") | .bytes)jq"), std::to_string(m__Image.size()) + "\n");

    // The table of contents gives track 1 the pre-gap of the audio track after it, which is
    // no data: the grab fails and leaves no file, unless the errors are ignored.
    const PellmarkRun::Result l__Failed = Grab({"grab", "--track", "1", m__Run.Out("track.iso")});
    EXPECT_EQ(l__Failed.m__Exit, 10);
    EXPECT_TRUE(CliTestRun::Has(l__Failed.m__Err, "tarnwick grab on virtual:" + m__Run.Disc() + " failed (10): ")) << l__Failed.m__Err;
    EXPECT_FALSE(std::filesystem::exists(m__Run.Out("track.iso")));
    EXPECT_TRUE(CliTestRun::Has(l__Failed.m__Out, "--ignore-errors writes it as zeros")) << l__Failed.m__Out;
    const PellmarkRun::Result l__Ignored = Grab({"grab", "--json", "--track", "1", "--ignore-errors", m__Run.Out("track.iso")});
    ASSERT_EQ(l__Ignored.m__Exit, 0);
    const Bytes l__Track = PellmarkRun::ReadFile(m__Run.Out("track.iso"));
    ASSERT_EQ(l__Track.size(), m__Image.size() + 150 * 2048);
    EXPECT_TRUE(StartsWith(l__Track, m__Image));
    EXPECT_TRUE(AllZero(l__Track.begin() + static_cast<long>(m__Image.size()), l__Track.end()));
    EXPECT_EQ(m__Run.Jq(l__Ignored.m__Out, R"jq(select(.event=="bad-blocks") | .blocks)jq"), "150\n");
    EXPECT_EQ(m__Run.Jq(l__Ignored.m__Out, R"jq(map(select(.event=="bad-sector")) | (length > 0) and all(.[]; .lba >= )jq" +
                                               std::to_string(m__Image.size() / 2048) + ")", true),
              "true\n");
}

TEST_F(CliGrabCd, AnAudioTrackIsAWaveOfTheSourceSound) {
    const PellmarkRun::Result l__Wave = Grab({"grab", "--track", "2", m__Run.Out("two.wav")});
    ASSERT_EQ(l__Wave.m__Exit, 0) << l__Wave.m__Err;
    EXPECT_TRUE(CliTestRun::Has(l__Wave.m__Out, "written: " + m__Run.Out("two.wav"))) << l__Wave.m__Out;
    const Bytes l__File = PellmarkRun::ReadFile(m__Run.Out("two.wav"));
    ASSERT_GT(l__File.size(), 44u);
    EXPECT_EQ(std::string(l__File.begin(), l__File.begin() + 4), "RIFF");
    const Bytes l__Source = m__Run.DecodePcm(m__Sound), l__Grabbed = m__Run.DecodePcm(m__Run.Out("two.wav"));
    ASSERT_EQ(l__Source.size(), 300u * 2352);
    // The track runs on through the next track's pre-gap: silence.
    ASSERT_EQ(l__Grabbed.size(), l__Source.size() + 150 * 2352);
    EXPECT_TRUE(StartsWith(l__Grabbed, l__Source));
    EXPECT_TRUE(AllZero(l__Grabbed.begin() + static_cast<long>(l__Source.size()), l__Grabbed.end()));
}

// The whole CD into a raw image and its descriptor (grab --disc), and the same pair named by
// its descriptor (copy): an outside reader finds the burned image in both.
TEST_F(CliGrabCd, TheWholeDiscBecomesARawImageWithItsDescriptor) {
    REQUIRE_TOOL("mdf2iso");
    const PellmarkRun::Result l__Disc = Grab({"grab", "--json", m__Run.Out("disc.img")});
    ASSERT_EQ(l__Disc.m__Exit, 0) << l__Disc.m__Out;
    EXPECT_EQ(m__Run.Jq(l__Disc.m__Out, R"jq(select(.event=="written") | .file)jq"),
              m__Run.Out("disc.img") + "\n" + m__Run.Out("disc.mds") + "\n");
    const Bytes l__Raw = PellmarkRun::ReadFile(m__Run.Out("disc.img"));
    ASSERT_EQ(l__Raw.size() % 2448, 0u);
    EXPECT_EQ(m__Run.Jq(l__Disc.m__Out, R"jq(select(.event=="phase-begin") | .bytes)jq"), std::to_string(l__Raw.size()) + "\n");

    const PellmarkRun::Result l__Copy = Grab({"copy", m__Run.Out("copy.mds")});
    ASSERT_EQ(l__Copy.m__Exit, 0) << l__Copy.m__Out;
    EXPECT_TRUE(PellmarkRun::ReadFile(m__Run.Out("copy.mdf")) == l__Raw);
    const Bytes l__Mds = PellmarkRun::ReadFile(m__Run.Out("copy.mds"));
    ASSERT_GE(l__Mds.size(), 16u);
    EXPECT_EQ(std::string(l__Mds.begin(), l__Mds.begin() + 16), "MEDIA DESCRIPTOR");
    EXPECT_NE(std::string(l__Mds.begin(), l__Mds.end()).find("copy.mdf"), std::string::npos) << "the descriptor names its image";

    std::string l__Output;
    ASSERT_EQ(PellmarkRun::Shell("mdf2iso " + PellmarkRun::Quote(m__Run.Out("copy.mdf")) + " " +
                                     PellmarkRun::Quote(m__Run.Out("converted.iso")), &l__Output), 0) << l__Output;
    EXPECT_TRUE(StartsWith(PellmarkRun::ReadFile(m__Run.Out("converted.iso")), m__Image)) << "mdf2iso's image differs from the burned one";
}

TEST_F(CliGrabCd, WhatCannotBeGrabbedIsRefusedBeforeAnyFileIsMade) {
    struct Case {
        std::vector<std::string> m__Arguments;
        int m__Exit;
        std::string m__Told;
    };
    const std::string o = m__Run.Out("out.iso");
    for (const Case& l__Case : std::vector<Case>{
             {{"grab", "--track", "1", "--disc", o}, 87, "choose one of"},
             {{"grab", "--range", "9-2", o}, 87, "the last block comes before the first"},
             {{"grab", "--range", "9", o}, 87, "FIRST-LAST"},
             {{"grab", "--track", "1", "--split", "1M", o}, 87, "--split goes with the whole disc"},
             {{"grab", "--split", "1000", o}, 87, "multiple of 2048"},
             {{"grab", "--retries", "101", o}, 87, "--retries"},
             {{"grab", "--track", "1"}, 87, "the file is missing"},
             {{"copy", o}, 87, "NAME.mds"},
             {{"copy", m__Run.Out(".mds")}, 87, "NAME.mds"},
             {{"copy", "--test", m__Run.Out("x.mds")}, 87, "--test goes with --to-disc"},
             {{"copy", "--to-disc", "--retries", "2", m__Run.Out("x.mds")}, 87, "for reading a disc"},
             {{"grab", "--track", "9", o}, 2, "there is no track 9: the disc has 3 track(s)"},
             {{"grab", "--disc", m__Run.Out("out.mds")}, 2, "cannot be named .mds"},
             {{"grab", "--split", "1M", o}, 10, "a CD is not grabbed in parts"},
         }) {
        SCOPED_TRACE(l__Case.m__Arguments[1]);
        const PellmarkRun::Result l__Result = Grab(l__Case.m__Arguments);
        EXPECT_EQ(l__Result.m__Exit, l__Case.m__Exit);
        EXPECT_TRUE(CliTestRun::Has(l__Result.m__Err, l__Case.m__Told)) << l__Result.m__Err.substr(l__Result.m__Err.size() > 2000 ? l__Result.m__Err.size() - 2000 : 0);
    }
    EXPECT_FALSE(std::filesystem::exists(o));
    EXPECT_FALSE(std::filesystem::exists(m__Run.Out("out.mds")));
}

// Unreadable blocks: read again, written as zeros when asked, else the grab fails.
TEST_F(CliGrabCd, UnreadableBlocksAreRetriedOrWrittenAsZeros) {
    const std::string l__Last = std::to_string(m__Image.size() / 2048 - 1);
    std::string l__Output;
    ASSERT_EQ(m__Run.Vdisc("fault {} --read-fail 20:2", &l__Output), 0) << l__Output;
    const PellmarkRun::Result l__Retried = Grab({"grab", "--retries", "3", "--range", "0-" + l__Last, m__Run.Out("retried.iso")});
    ASSERT_EQ(l__Retried.m__Exit, 0) << l__Retried.m__Err.substr(l__Retried.m__Err.size() > 2000 ? l__Retried.m__Err.size() - 2000 : 0);
    EXPECT_TRUE(PellmarkRun::ReadFile(m__Run.Out("retried.iso")) == m__Image);

    ASSERT_EQ(m__Run.Vdisc("fault {} --read-fail 20", &l__Output), 0) << l__Output;
    const PellmarkRun::Result l__Failed = Grab({"grab", "--range", "0-" + l__Last, m__Run.Out("failed.iso")});
    EXPECT_EQ(l__Failed.m__Exit, 10);
    EXPECT_FALSE(std::filesystem::exists(m__Run.Out("failed.iso")));
    const PellmarkRun::Result l__Zeros =
        Grab({"grab", "--json", "--ignore-errors", "--single-blocks", "--range", "0-" + l__Last, m__Run.Out("zeros.iso")});
    ASSERT_EQ(l__Zeros.m__Exit, 0) << l__Zeros.m__Out;
    Bytes l__Expected = m__Image;
    std::fill(l__Expected.begin() + 20 * 2048, l__Expected.begin() + 21 * 2048, 0);
    EXPECT_TRUE(PellmarkRun::ReadFile(m__Run.Out("zeros.iso")) == l__Expected);
    EXPECT_EQ(m__Run.Jq(l__Zeros.m__Out, R"jq(select(.event=="bad-sector" or .event=="bad-blocks") | "\(.event) \(.lba // .blocks)")jq"),
              "bad-sector 20\nbad-blocks 1\n");
}

// A DVD is grabbed into an ISO image, whole or in parts; it is no CD to copy into a pair.
TEST(CliGrabDvd, ADvdBecomesAnIsoImageWholeOrInParts) {
    REQUIRE_TOOL("jq");
    REQUIRE_TOOL("genisoimage");
    CliTestRun l__Run;
    l__Run.Insert("dvdr");
    const std::string l__Iso = l__Run.MakeIso("dvd.iso", 700 * 1024);
    const PellmarkRun::Result l__Burn = l__Run.Burn(l__Iso);
    ASSERT_EQ(l__Burn.m__Exit, 0) << l__Burn.m__Out;
    const Bytes l__Image = PellmarkRun::ReadFile(l__Iso);

    const PellmarkRun::Result l__Whole = l__Run.Tarnwick({"grab", "--disc", l__Run.Out("whole.iso")});
    ASSERT_EQ(l__Whole.m__Exit, 0) << l__Whole.m__Err.substr(l__Whole.m__Err.size() > 2000 ? l__Whole.m__Err.size() - 2000 : 0);
    const Bytes l__Grabbed = PellmarkRun::ReadFile(l__Run.Out("whole.iso"));
    EXPECT_TRUE(StartsWith(l__Grabbed, l__Image));
    EXPECT_TRUE(AllZero(l__Grabbed.begin() + static_cast<long>(std::min(l__Grabbed.size(), l__Image.size())), l__Grabbed.end()));
    EXPECT_FALSE(std::filesystem::exists(l__Run.Out("whole.mds")));

    const PellmarkRun::Result l__Parts = l__Run.Tarnwick({"grab", "--json", "--split", "256K", l__Run.Out("part.iso")});
    ASSERT_EQ(l__Parts.m__Exit, 0) << l__Parts.m__Out;
    const std::string l__Files = l__Run.Jq(l__Parts.m__Out, R"jq(select(.event=="written") | .file)jq");
    Bytes l__Joined;
    size_t l__Count = 0;
    for (unsigned i = 1; std::filesystem::exists(l__Run.Out("part.iso.00" + std::to_string(i))); ++i, ++l__Count) {
        const std::string l__Part = l__Run.Out("part.iso.00" + std::to_string(i));
        EXPECT_TRUE(CliTestRun::Has(l__Files, l__Part + "\n")) << l__Files;
        const Bytes l__Bytes = PellmarkRun::ReadFile(l__Part);
        l__Joined.insert(l__Joined.end(), l__Bytes.begin(), l__Bytes.end());
    }
    EXPECT_EQ(l__Count, (l__Grabbed.size() + 256 * 1024 - 1) / (256 * 1024));
    EXPECT_TRUE(l__Joined == l__Grabbed);

    const PellmarkRun::Result l__Copy = l__Run.Tarnwick({"copy", l__Run.Out("dvd.mds")});
    EXPECT_EQ(l__Copy.m__Exit, 10);
    EXPECT_TRUE(CliTestRun::Has(l__Copy.m__Err, "the disc is a DVD-R: an MDS/MDF copy is made of a CD")) << l__Copy.m__Err;
    EXPECT_FALSE(std::filesystem::exists(l__Run.Out("dvd.mdf")));
}

}  // namespace

TEST_F(CliGrabCd, ACopiedPairBurnsOntoABlankDiscAsTheSameDisc) {
    const PellmarkRun::Result l__Copy = Grab({"copy", m__Run.Out("copy.mds")});
    ASSERT_EQ(l__Copy.m__Exit, 0) << l__Copy.m__Err;
    const Bytes l__Original = m__Run.ExportCueBin();
    std::string l__OriginalInfo;
    m__Run.Vdisc("info {}", &l__OriginalInfo);
    ASSERT_FALSE(l__Original.empty());

    // A test write first: nothing is recorded.
    ASSERT_EQ(m__Run.Vdisc("blank {} --media cdr --command-log " + PellmarkRun::Quote(m__Run.LogFile())), 0);
    const PellmarkRun::Result l__Test = Grab({"copy", "--test", "--to-disc", m__Run.Out("copy.mds")});
    ASSERT_EQ(l__Test.m__Exit, 0) << l__Test.m__Err;
    std::string l__Info;
    m__Run.Vdisc("info {}", &l__Info);
    EXPECT_TRUE(CliTestRun::Has(l__Info, "Disc status:  empty")) << l__Info;

    const PellmarkRun::Result l__Burn = Grab({"copy", "--json", "--to-disc", m__Run.Out("copy.mds")});
    ASSERT_EQ(l__Burn.m__Exit, 0) << l__Burn.m__Err;
    EXPECT_EQ(m__Run.Jq(l__Burn.m__Out, R"jq(select(.event=="done") | .event)jq"), "done\n");
    // The copy is the original disc: the same tracks, and every raw sector the same.
    m__Run.Vdisc("info {}", &l__Info);
    const auto l__Tracks = [](const std::string& p__Info) { return p__Info.substr(p__Info.find("Tracks:")); };
    EXPECT_EQ(l__Tracks(l__Info), l__Tracks(l__OriginalInfo));
    EXPECT_TRUE(m__Run.ExportCueBin() == l__Original) << "the burned copy differs from the original disc";
    // Written Session-At-Once: after a cue sheet.
    bool l__bool__Cue = false;
    for (const PellmarkRun::Command& l__Command : m__Run.Commands())
        if (!l__Command.m__Cdb.empty() && l__Command.m__Cdb[0] == 0x5D) l__bool__Cue = true;
    EXPECT_TRUE(l__bool__Cue);
}
