// The MDS descriptor the grabber writes beside a raw image, read back by the test's own
// reading of the published layout.
#include <gtest/gtest.h>

#include "CTarnwick_Exception.h"
#include "CTarnwick_MdsWriter.h"
#include "MdsReference.h"

namespace {

using Track = CTarnwick_MdsWriter::TRACK;

// A Mode 1 track and two songs: 400 blocks of data, each song after a 150-block pre-gap.
const std::vector<Track> g__ThreeTracks = {{1, 4, CTarnwick_MdsWriter::MODE_1, 0, 150},
                                           {2, 0, CTarnwick_MdsWriter::MODE_AUDIO, 550, 150},
                                           {3, 0, CTarnwick_MdsWriter::MODE_AUDIO, 1000, 150}};

TEST(MdsWriter, ThreeTrackDiscStatesItsSessionLeadInAndTracks) {
    const std::vector<uint8_t> l__File = CTarnwick_MdsWriter::Build(g__ThreeTracks, 1500, "disc.mdf");
    const MdsReference::Descriptor l__D = MdsReference::Read(l__File);
    EXPECT_EQ(l__D.m__SessionStart, -150);
    EXPECT_EQ(l__D.m__SessionEnd, 1500);
    EXPECT_EQ(l__D.m__SessionNumber, 1u);
    EXPECT_EQ(l__D.m__AllBlocks, 6u);
    EXPECT_EQ(l__D.m__LeadInBlocks, 3u);
    EXPECT_EQ(l__D.m__FirstTrack, 1u);
    EXPECT_EQ(l__D.m__LastTrack, 3u);
    ASSERT_EQ(l__D.m__Entries.size(), 6u);

    // Lead-in points: no track (mode 0), first and last track, the lead-out at 00:22:00
    // (1500 + 150 blocks).
    const std::vector<std::array<uint8_t, 5>> l__LeadIn = {
        {0xA0, 1, 0x00, 0, 0x14}, {0xA1, 3, 0, 0, 0x10}, {0xA2, 0, 22, 0, 0x10}};
    for (size_t i = 0; i < 3; ++i) {
        const MdsReference::Entry& e = l__D.m__Entries[i];
        EXPECT_EQ(e.m__Mode, 0) << i;
        EXPECT_EQ(e.m__Point, l__LeadIn[i][0]) << i;
        EXPECT_EQ(e.m__Minute, l__LeadIn[i][1]) << i;
        EXPECT_EQ(e.m__Second, l__LeadIn[i][2]) << i;
        EXPECT_EQ(e.m__Frame, l__LeadIn[i][3]) << i;
        EXPECT_EQ(e.m__AdrControl, l__LeadIn[i][4]) << i;
    }
    struct Expected {
        uint8_t m__Mode, m__AdrControl, m__Minute, m__Second, m__Frame;
        int32_t m__Start;
        uint32_t m__Pregap, m__Length, m__Size;
    };
    const Expected l__Tracks[] = {{0xAA, 0x14, 0, 2, 0, 0, 150, 400, 550},
                                  {0xA9, 0x10, 0, 9, 25, 550, 150, 300, 450},
                                  {0xA9, 0x10, 0, 15, 25, 1000, 150, 500, 500}};
    for (size_t i = 0; i < 3; ++i) {
        const MdsReference::Entry& e = l__D.m__Entries[3 + i];
        const Expected& x = l__Tracks[i];
        EXPECT_EQ(e.m__Mode, x.m__Mode) << i;
        EXPECT_EQ(e.m__Subchannel, 0x08) << i;
        EXPECT_EQ((e.m__Subchannel >> 3) & 7, 1) << "interleaved P-W as a reader takes it";
        EXPECT_EQ(e.m__AdrControl, x.m__AdrControl) << i;
        EXPECT_EQ(e.m__Point, i + 1);
        EXPECT_EQ(e.m__Minute, x.m__Minute) << i;
        EXPECT_EQ(e.m__Second, x.m__Second) << i;
        EXPECT_EQ(e.m__Frame, x.m__Frame) << i;
        EXPECT_EQ(e.m__SectorSize, 2448u);
        EXPECT_EQ(e.m__StartSector, x.m__Start) << i;
        EXPECT_EQ(e.m__StartOffset, uint64_t(x.m__Start) * 2448) << i;
        EXPECT_EQ(e.m__Files, 1u);
        EXPECT_EQ(e.m__Pregap, x.m__Pregap) << i;
        EXPECT_EQ(e.m__Length, x.m__Length) << i;
        EXPECT_EQ(e.m__FileSize, x.m__Size) << i;
        EXPECT_EQ(e.m__Name, "disc.mdf");
    }
    // The file ends with the name and its zero.
    EXPECT_EQ(std::string(l__File.end() - 9, l__File.end() - 1), "disc.mdf");
    EXPECT_EQ(l__File.back(), 0);
}

// A reader takes each file block's size less 150 (the last keeps its 150), and a raw burn
// starts the next track's pre-gap where that length ends: the tracks land where they were.
TEST(MdsWriter, SizesLayTheRawBurnOutWhereTheTracksWere) {
    const MdsReference::Descriptor l__D = MdsReference::Read(CTarnwick_MdsWriter::Build(g__ThreeTracks, 1500, "d.mdf"));
    EXPECT_EQ(MdsReference::RawBurnLayout(l__D), (std::vector<long>{0, 550, 1000, 1500}));
    // One track alone keeps its whole size.
    const MdsReference::Descriptor l__One =
        MdsReference::Read(CTarnwick_MdsWriter::Build({g__ThreeTracks[0]}, 400, "d.mdf"));
    EXPECT_EQ(MdsReference::RawBurnLayout(l__One), (std::vector<long>{0, 400}));
}

TEST(MdsWriter, ModeTwoTracksAndLongerPregaps) {
    std::vector<Track> l__Tracks = {{1, 4, CTarnwick_MdsWriter::MODE_2_FORM_1, 0, 150},
                                    {2, 4, CTarnwick_MdsWriter::MODE_2, 700, 225}};
    const MdsReference::Descriptor l__D = MdsReference::Read(CTarnwick_MdsWriter::Build(l__Tracks, 900, "x.mdf"));
    ASSERT_EQ(l__D.m__Entries.size(), 5u);
    EXPECT_EQ(l__D.m__Entries[0].m__Second, 0x20) << "A0h names an XA disc";
    EXPECT_EQ(l__D.m__Entries[3].m__Mode, 0xAC);
    EXPECT_EQ(l__D.m__Entries[3].m__Mode & 7, 4) << "above 2: a Mode 2 kind";
    EXPECT_EQ(l__D.m__Entries[4].m__Mode, 0xAB);
    EXPECT_EQ(l__D.m__Entries[3].m__Length, 475u);  // up to the 225-block pre-gap of track 2
    EXPECT_EQ(l__D.m__Entries[3].m__FileSize, 700u);
    EXPECT_EQ(l__D.m__Entries[4].m__Pregap, 225u);
    EXPECT_EQ(l__D.m__Entries[4].m__Length, 200u);
}

TEST(MdsWriter, ListsADescriptorCannotStateAreRefused) {
    auto l__Refused = [](const std::vector<Track>& p__Tracks, LONG p__LeadOut, const std::string& p__Name) {
        try {
            CTarnwick_MdsWriter::Build(p__Tracks, p__LeadOut, p__Name);
        } catch (CTarnwick_Exception* l__Exception) {
            const ULONG l__Number = l__Exception->GetExceptionNumber();
            delete l__Exception;
            return l__Number == EXCEPTION_NUMBER_INVALID_PARAMETER;
        }
        return false;
    };
    EXPECT_TRUE(l__Refused({}, 100, "a.mdf"));
    EXPECT_TRUE(l__Refused(g__ThreeTracks, 1000, "a.mdf")) << "the last track starts at the lead-out";
    EXPECT_TRUE(l__Refused({g__ThreeTracks[0], g__ThreeTracks[2], g__ThreeTracks[1]}, 1500, "a.mdf"));
    EXPECT_TRUE(l__Refused(g__ThreeTracks, 1500, ""));
    EXPECT_TRUE(l__Refused(g__ThreeTracks, 1500, std::string(260, 'n')));
    EXPECT_FALSE(l__Refused(g__ThreeTracks, 1500, std::string(259, 'n')));
}

}  // namespace
