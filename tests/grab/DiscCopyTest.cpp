// A whole CD copied through an MDS/MDF pair with the programs: tarnwick-sao burns a data track
// and three audio tracks Session-At-Once, tarnwick-grab --disc reads the disc raw with its
// sub-channel, mdf2iso (an outside reader of raw images) turns the copy's data track back into
// the image, and tarnwick-sao --raw mds burns the copy onto a blank CD-R. The recorder's CUE/BIN
// exports of both discs, with their sub-channel, must then agree track by track.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "PellmarkRun.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t RAW_SECTOR = 2352;
constexpr size_t SUBCHANNEL = 96;

// A CUE/BIN export with its sub-channel file: the cue sheet's text, its tracks' first blocks
// (INDEX 01, counted in BIN blocks) and the two files' bytes.
struct Export {
    std::string m__Cue;
    std::vector<size_t> m__TrackStarts;
    Bytes m__Bin, m__Sub;
};

Export ExportDisc(PellmarkRun& p__Run, const std::string& p__Dir) {
    Export l__Export;
    std::string l__Output;
    PellmarkRun::Shell("mkdir -p " + PellmarkRun::Quote(p__Dir));
    EXPECT_EQ(p__Run.Vdisc("export {} --cue " + PellmarkRun::Quote(p__Dir + "/disc.cue") + " --sub", &l__Output), 0) << l__Output;
    const Bytes l__Cue = PellmarkRun::ReadFile(p__Dir + "/disc.cue");
    l__Export.m__Cue.assign(l__Cue.begin(), l__Cue.end());
    l__Export.m__Bin = PellmarkRun::ReadFile(p__Dir + "/disc.bin");
    l__Export.m__Sub = PellmarkRun::ReadFile(p__Dir + "/disc.sub");
    const std::regex l__Index(R"(INDEX 01 (\d\d):(\d\d):(\d\d))");
    for (auto l__It = std::sregex_iterator(l__Export.m__Cue.begin(), l__Export.m__Cue.end(), l__Index); l__It != std::sregex_iterator(); ++l__It) {
        l__Export.m__TrackStarts.push_back((std::stoul((*l__It)[1]) * 60 + std::stoul((*l__It)[2])) * 75 + std::stoul((*l__It)[3]));
    }
    return l__Export;
}

// The Q channel of a 96-byte raw P-W block: bit 6 of each byte, most significant bit first.
Bytes GatherQ(const uint8_t* p__Sub) {
    Bytes l__Q(12, 0);
    for (int k = 0; k < 96; ++k)
        if (p__Sub[k] & 0x40) l__Q[k / 8] |= static_cast<uint8_t>(0x80 >> (k % 8));
    return l__Q;
}

class DiscCopy : public ::testing::TestWithParam<bool> {};

TEST_P(DiscCopy, ACdOfADataTrackAndThreeAudioTracksCopiesThroughAnMdsMdfPair) {
    REQUIRE_TOOL("mdf2iso");
    const bool l__bool__LeadIn = GetParam();
    PellmarkRun l__Run;
    l__Run.Insert("cdr");
    const std::string l__Iso = l__Run.MakeIso("data.iso", 900 * 1024);
    std::vector<std::string> l__Files = {l__Iso, l__Run.MakeSound("one.wav", "pcm_s16le", 4.0),
                                         l__Run.MakeSound("two.wav", "pcm_s16le", 5.5),
                                         l__Run.MakeSound("three.wav", "pcm_s16le", 4.25)};
    PellmarkRun::Result l__Burn = l__Run.Program("tools/sao/tarnwick-sao", l__Files);
    ASSERT_EQ(l__Burn.m__Exit, 0) << l__Burn.m__Err;
    const Export l__Original = ExportDisc(l__Run, l__Run.Dir() + "/original");
    ASSERT_EQ(l__Original.m__TrackStarts.size(), 4u) << l__Original.m__Cue;

    // The copy: the image of 2448-byte blocks and its descriptor beside it.
    const std::string l__Mdf = l__Run.Dir() + "/copy.mdf", l__Mds = l__Run.Dir() + "/copy.mds";
    PellmarkRun::Result l__Grab = l__Run.Program("tools/grab/tarnwick-grab", {"--disc", l__Mdf});
    ASSERT_EQ(l__Grab.m__Exit, 0) << l__Grab.m__Err;
    const Bytes l__Raw = PellmarkRun::ReadFile(l__Mdf);
    ASSERT_EQ(l__Raw.size(), l__Original.m__Bin.size() / RAW_SECTOR * (RAW_SECTOR + SUBCHANNEL));
    ASSERT_FALSE(PellmarkRun::ReadFile(l__Mds).empty());

    // An outside reader of raw images finds the data track's image in the copy: the ISO it
    // makes of the whole file starts with the image.
    const std::string l__Converted = l__Run.Dir() + "/converted.iso";
    std::string l__Output;
    ASSERT_EQ(PellmarkRun::Shell("mdf2iso " + PellmarkRun::Quote(l__Mdf) + " " + PellmarkRun::Quote(l__Converted), &l__Output), 0)
        << l__Output;
    const Bytes l__Image = PellmarkRun::ReadFile(l__Iso), l__Iso9660 = PellmarkRun::ReadFile(l__Converted);
    ASSERT_GE(l__Iso9660.size(), l__Image.size());
    EXPECT_TRUE(std::equal(l__Image.begin(), l__Image.end(), l__Iso9660.begin())) << "mdf2iso's image differs from the original";

    // The copy burned onto a blank disc.
    l__Run.Insert("cdr");
    std::vector<std::string> l__Arguments = {"--raw", "mds", l__Mds};
    if (l__bool__LeadIn) l__Arguments.insert(l__Arguments.begin(), "--lead-in");
    PellmarkRun::Result l__Copy = l__Run.Program("tools/sao/tarnwick-sao", l__Arguments);
    ASSERT_EQ(l__Copy.m__Exit, 0) << l__Copy.m__Err;
    EXPECT_EQ(l__Copy.m__Out, l__Burn.m__Out) << "the two discs' tables of contents";
    const Export l__Copied = ExportDisc(l__Run, l__Run.Dir() + "/copied");

    EXPECT_EQ(l__Copied.m__Cue, l__Original.m__Cue);
    ASSERT_EQ(l__Copied.m__TrackStarts, l__Original.m__TrackStarts);
    ASSERT_EQ(l__Copied.m__Bin.size(), l__Original.m__Bin.size());
    ASSERT_EQ(l__Original.m__Sub.size(), l__Original.m__Bin.size() / RAW_SECTOR * SUBCHANNEL);
    ASSERT_EQ(l__Copied.m__Sub.size(), l__Original.m__Sub.size());
    const size_t l__Blocks = l__Original.m__Bin.size() / RAW_SECTOR;
    for (size_t l__Track = 0; l__Track < l__Original.m__TrackStarts.size(); ++l__Track) {
        SCOPED_TRACE("track " + std::to_string(l__Track + 1));
        const size_t l__First = l__Original.m__TrackStarts[l__Track];
        const size_t l__End = l__Track + 1 < l__Original.m__TrackStarts.size() ? l__Original.m__TrackStarts[l__Track + 1] : l__Blocks;
        ASSERT_LE(l__End, l__Blocks);
        EXPECT_TRUE(std::equal(l__Original.m__Bin.begin() + l__First * RAW_SECTOR, l__Original.m__Bin.begin() + l__End * RAW_SECTOR,
                               l__Copied.m__Bin.begin() + l__First * RAW_SECTOR))
            << "the main data differ";
        size_t l__Differing = 0, l__FirstDiffering = 0;
        for (size_t l__Block = l__First; l__Block < l__End; ++l__Block) {
            if (GatherQ(&l__Original.m__Sub[l__Block * SUBCHANNEL]) != GatherQ(&l__Copied.m__Sub[l__Block * SUBCHANNEL])) {
                if (l__Differing++ == 0) l__FirstDiffering = l__Block;
            }
        }
        EXPECT_EQ(l__Differing, 0u) << "sub-channel Q differs from block " << l__FirstDiffering;
    }
}

INSTANTIATE_TEST_SUITE_P(LeadIn, DiscCopy, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& p__Info) { return p__Info.param ? "LeadInSent" : "LeadInByTheDrive"; });

}  // namespace
