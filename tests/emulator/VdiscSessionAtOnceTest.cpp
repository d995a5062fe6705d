// Session-At-Once after SEND CUE SHEET: the cue sheet checks and the writes that follow.
#include <gtest/gtest.h>

#include "VdiscTestDrive.h"

namespace {

using Cue = std::vector<uint8_t>;

void Entry(Cue& p__Cue, uint8_t p__UCHAR__AdrControl, uint8_t p__UCHAR__Track, uint8_t p__UCHAR__Index, uint8_t p__UCHAR__Form, int32_t p__LONG__Lba) {
    const int32_t l__LONG__Frames = p__LONG__Lba + 150;
    const uint8_t l__UCHAR__Entry[8] = {p__UCHAR__AdrControl, p__UCHAR__Track, p__UCHAR__Index, p__UCHAR__Form, 0,
                                        static_cast<uint8_t>(l__LONG__Frames / 4500), static_cast<uint8_t>(l__LONG__Frames / 75 % 60),
                                        static_cast<uint8_t>(l__LONG__Frames % 75)};
    for (uint8_t l__UCHAR__Byte : l__UCHAR__Entry) p__Cue.push_back(l__UCHAR__Byte);
}

// One Mode 1 track of the given size, index 0 at -150 and index 1 at 0.
Cue OneDataTrack(int32_t p__LONG__Blocks) {
    Cue l__Cue;
    Entry(l__Cue, 0x41, 0x00, 0x00, 0x14, -150);
    Entry(l__Cue, 0x41, 0x01, 0x00, 0x10, -150);
    Entry(l__Cue, 0x41, 0x01, 0x01, 0x10, 0);
    Entry(l__Cue, 0x41, 0xAA, 0x01, 0x14, p__LONG__Blocks);
    return l__Cue;
}

VdiscTestDrive::Result SendCue(VdiscTestDrive& p__Drive, const Cue& p__Cue) {
    return p__Drive.Out({0x5D, 0, 0, 0, 0, 0, 0, 0, static_cast<uint8_t>(p__Cue.size()), 0}, p__Cue);
}

void WriteBlocks(VdiscTestDrive& p__Drive, int32_t p__LONG__Lba, uint32_t p__ULONG__Blocks, uint32_t p__ULONG__Size, uint8_t p__UCHAR__Fill) {
    for (uint32_t l__ULONG__Done = 0; l__ULONG__Done < p__ULONG__Blocks;) {
        const uint32_t l__ULONG__Count = std::min(10u, p__ULONG__Blocks - l__ULONG__Done);
        std::vector<uint8_t> l__Data(static_cast<size_t>(l__ULONG__Count) * p__ULONG__Size, p__UCHAR__Fill);
        ASSERT_TRUE(p__Drive.Write(p__LONG__Lba + static_cast<int32_t>(l__ULONG__Done), l__ULONG__Count, l__Data).Ok());
        l__ULONG__Done += l__ULONG__Count;
    }
}

TEST(VdiscSessionAtOnce, OneDataTrackFromMinus150ClosedByTheDrive) {
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
    // A cue sheet is refused until the write type is Session-At-Once.
    EXPECT_TRUE(SendCue(l__Drive, OneDataTrack(1000)).Is(0x05, 0x2C, 0x00));
    ASSERT_TRUE(l__Drive.SetWriteParameters(2, 8, 4, 0, 0x00).Ok());
    ASSERT_TRUE(SendCue(l__Drive, OneDataTrack(1000)).Ok());
    EXPECT_TRUE(l__Drive.Write(0, 1, std::vector<uint8_t>(2048, 1)).Is(0x05, 0x21, 0x02));  // the pre-gap comes first
    EXPECT_TRUE(l__Drive.Write(-150, 1, std::vector<uint8_t>(2352, 0)).Is(0x05, 0x24, 0x00));  // 2048-byte blocks for data form 10h
    WriteBlocks(l__Drive, -150, 150, 2048, 0);
    WriteBlocks(l__Drive, 0, 500, 2048, 0x33);
    // The run survives a new drive object (the cue sheet and the progress are in the disc file).
    l__Drive.Reopen();
    ASSERT_TRUE(l__Drive.SetWriteParameters(2, 8, 4, 0, 0x00).Ok());
    EXPECT_TRUE(l__Drive.Write(499, 1, std::vector<uint8_t>(2048, 0x33)).Is(0x05, 0x21, 0x02));
    WriteBlocks(l__Drive, 500, 500, 2048, 0x33);
    EXPECT_TRUE(l__Drive.Write(1000, 1, std::vector<uint8_t>(2048, 1)).Is(0x05, 0x21, 0x00));  // the lead-out is the drive's
    ASSERT_TRUE(l__Drive.Sync().Ok());
    VdiscTestDrive::Result l__Disc = l__Drive.DiscInfo();
    EXPECT_EQ(l__Disc.m__Data[2] & 3, 2);
    VdiscTestDrive::Result l__Track = l__Drive.TrackInfo(1);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Track.m__Data, 8), 0u);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Track.m__Data, 24), 1000u);
    VdiscTestDrive::Result l__Toc = l__Drive.Toc(0, false);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Toc.m__Data, 4 + 8 + 4), 1000u);
    EXPECT_EQ(l__Drive.Read(999, 1).m__Data, std::vector<uint8_t>(2048, 0x33));
}

TEST(VdiscSessionAtOnce, TwoTracksWithGapsTakeTheCueSheetAddresses) {
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
    ASSERT_TRUE(l__Drive.SetWriteParameters(2, 8, 4, 0, 0x00).Ok());
    Cue l__Cue;
    Entry(l__Cue, 0x41, 0x00, 0x00, 0x14, -150);
    Entry(l__Cue, 0x41, 0x01, 0x00, 0x10, -150);
    Entry(l__Cue, 0x41, 0x01, 0x01, 0x10, 0);
    Entry(l__Cue, 0x41, 0x02, 0x00, 0x10, 1000);
    Entry(l__Cue, 0x41, 0x02, 0x01, 0x10, 1150);
    Entry(l__Cue, 0x41, 0xAA, 0x01, 0x14, 2750);
    EXPECT_EQ(std::vector<uint8_t>(l__Cue.begin() + 24, l__Cue.begin() + 32), (std::vector<uint8_t>{0x41, 0x02, 0x00, 0x10, 0, 0, 15, 25}));
    ASSERT_TRUE(SendCue(l__Drive, l__Cue).Ok());
    WriteBlocks(l__Drive, -150, 150 + 1000 + 150 + 1600, 2048, 0x44);
    ASSERT_TRUE(l__Drive.Sync().Ok());
    VdiscTestDrive::Result l__Toc = l__Drive.Toc(0, true);
    ASSERT_TRUE(l__Toc.Ok());
    EXPECT_EQ(VdiscTestDrive::Be32(l__Toc.m__Data, 4 + 8 + 4), 0x00001119u);       // track 2 at 00:17:25
    EXPECT_EQ(VdiscTestDrive::Be32(l__Toc.m__Data, 4 + 16 + 4), 0x00002632u);      // lead-out at 00:38:50
}

TEST(VdiscSessionAtOnce, AudioAndMode2TracksUseTheirOwnBlockSizes) {
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
    ASSERT_TRUE(l__Drive.SetWriteParameters(2, 8, 4, 0, 0x20).Ok());
    Cue l__Cue;
    Entry(l__Cue, 0x01, 0x00, 0x00, 0x01, -150);
    Entry(l__Cue, 0x01, 0x01, 0x00, 0x00, -150);
    Entry(l__Cue, 0x01, 0x01, 0x01, 0x00, 0);
    Entry(l__Cue, 0x41, 0x02, 0x00, 0x20, 300);
    Entry(l__Cue, 0x41, 0x02, 0x01, 0x20, 450);
    Entry(l__Cue, 0x41, 0xAA, 0x01, 0x24, 750);
    ASSERT_TRUE(SendCue(l__Drive, l__Cue).Ok());
    WriteBlocks(l__Drive, -150, 450, 2352, 0x10);
    EXPECT_TRUE(l__Drive.Write(300, 1, std::vector<uint8_t>(2352, 0)).Is(0x05, 0x24, 0x00));
    WriteBlocks(l__Drive, 300, 450, 2336, 0x00);
    ASSERT_TRUE(l__Drive.Sync().Ok());
    EXPECT_EQ(l__Drive.TrackInfo(1).m__Data[5] & 0x0F, 0);
    EXPECT_EQ(l__Drive.TrackInfo(2).m__Data[5] & 0x0F, 4);
    EXPECT_EQ(l__Drive.TrackInfo(2).m__Data[6] & 0x0F, 2);  // Mode 2
}

TEST(VdiscSessionAtOnce, FaultyCueSheetsAreRefused) {
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
    ASSERT_TRUE(l__Drive.SetWriteParameters(2, 8, 4, 0, 0x00).Ok());
    auto l__Refused = [&](const Cue& p__Cue) { return SendCue(l__Drive, p__Cue).Is(0x05, 0x26, 0x00); };
    Cue l__Good = OneDataTrack(1000);
    Cue l__Short(l__Good.begin(), l__Good.end() - 4);
    EXPECT_TRUE(l__Refused(l__Short));
    Cue l__NoLeadOut(l__Good.begin(), l__Good.end() - 8);
    EXPECT_TRUE(l__Refused(l__NoLeadOut));
    Cue l__Backwards = l__Good;
    l__Backwards[8 * 2 + 6] = 0;  // index 1 at 00:00:00, before... the same time as index 0
    EXPECT_TRUE(l__Refused(l__Backwards));
    Cue l__AudioFormOnData = l__Good;
    l__AudioFormOnData[8 * 2 + 3] = 0x00;
    EXPECT_TRUE(l__Refused(l__AudioFormOnData));
    Cue l__NotBcd = l__Good;
    l__NotBcd[8 * 1 + 1] = l__NotBcd[8 * 2 + 1] = 0x0A;  // track ten written in binary
    EXPECT_TRUE(l__Refused(l__NotBcd));
    Cue l__Late;
    Entry(l__Late, 0x41, 0x00, 0x00, 0x14, -150);
    Entry(l__Late, 0x41, 0x01, 0x01, 0x10, 0);  // no pre-gap entry: the session does not start at 00:00:00
    Entry(l__Late, 0x41, 0xAA, 0x01, 0x14, 1000);
    EXPECT_TRUE(l__Refused(l__Late));
    Cue l__TooLong = OneDataTrack(400000);
    EXPECT_TRUE(l__Refused(l__TooLong));
    Cue l__Skip;
    Entry(l__Skip, 0x41, 0x00, 0x00, 0x14, -150);
    Entry(l__Skip, 0x41, 0x01, 0x00, 0x10, -150);
    Entry(l__Skip, 0x41, 0x01, 0x01, 0x10, 0);
    Entry(l__Skip, 0x41, 0x03, 0x01, 0x10, 1000);  // track 2 missing
    Entry(l__Skip, 0x41, 0xAA, 0x01, 0x14, 2000);
    EXPECT_TRUE(l__Refused(l__Skip));
    // After all that the good one is taken; a second session is not.
    ASSERT_TRUE(SendCue(l__Drive, l__Good).Ok());
    WriteBlocks(l__Drive, -150, 1150, 2048, 0);
    ASSERT_TRUE(l__Drive.Sync().Ok());
    EXPECT_TRUE(SendCue(l__Drive, l__Good).Is(0x05, 0x2C, 0x00));
}

}  // namespace
