// Session-At-Once after SEND CUE SHEET: the cue sheet checks and the writes that follow.
#include <gtest/gtest.h>

#include "VdiscTestDrive.h"

namespace {

using Cue = std::vector<uint8_t>;

void Entry(Cue& p__Cue, uint8_t p__UCHAR__AdrControl, uint8_t p__UCHAR__Track, uint8_t p__UCHAR__Index, uint8_t p__UCHAR__Form, int32_t p__LONG__Lba) {
    VdiscTestDrive::CueEntry(p__Cue, p__UCHAR__AdrControl, p__UCHAR__Track, p__UCHAR__Index, p__UCHAR__Form, p__LONG__Lba);
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

// Tracks 1 and 2 of 1000 blocks each, both with a 150-block pre-gap; the lead-out at LEADOUT.
Cue TwoDataTracks(int32_t p__LONG__LeadOut = 2150) {
    Cue l__Cue;
    Entry(l__Cue, 0x41, 0x00, 0x00, 0x14, -150);
    Entry(l__Cue, 0x41, 0x01, 0x00, 0x10, -150);
    Entry(l__Cue, 0x41, 0x01, 0x01, 0x10, 0);
    Entry(l__Cue, 0x41, 0x02, 0x00, 0x10, 1000);
    Entry(l__Cue, 0x41, 0x02, 0x01, 0x10, 1150);
    Entry(l__Cue, 0x41, 0xAA, 0x01, 0x14, p__LONG__LeadOut);
    return l__Cue;
}

VdiscTestDrive::Result SendCue(VdiscTestDrive& p__Drive, const Cue& p__Cue) { return p__Drive.SendCue(p__Cue); }

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
    const Cue l__Cue = TwoDataTracks(2750);
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

// Sets byte FIELD of cue sheet entry N.
Cue With(Cue p__Cue, size_t p__size_t__Entry, size_t p__size_t__Field, uint8_t p__UCHAR__Value) {
    p__Cue[8 * p__size_t__Entry + p__size_t__Field] = p__UCHAR__Value;
    return p__Cue;
}

// Entries FIRST to LAST (exclusive) of a cue sheet.
Cue Entries(const Cue& p__Cue, size_t p__size_t__First, size_t p__size_t__Last) { return Cue(p__Cue.begin() + 8 * p__size_t__First, p__Cue.begin() + 8 * p__size_t__Last); }

Cue Join(std::initializer_list<Cue> p__Parts) {
    Cue l__Cue;
    for (const Cue& l__Part : p__Parts) l__Cue.insert(l__Cue.end(), l__Part.begin(), l__Part.end());
    return l__Cue;
}

TEST(VdiscSessionAtOnce, FaultyCueSheetsAreRefusedAndRecordNothing) {
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
    ASSERT_TRUE(l__Drive.SetWriteParameters(2, 8, 4, 0, 0x00).Ok());
    const Cue l__Good = TwoDataTracks();
    Cue l__TrackAfterLeadOut;
    Entry(l__TrackAfterLeadOut, 0x41, 0x03, 0x01, 0x10, 2200);
    Cue l__Late;
    Entry(l__Late, 0x41, 0x00, 0x00, 0x14, -150);
    Entry(l__Late, 0x41, 0x01, 0x01, 0x10, 0);  // no pre-gap entry: the session does not start at 00:00:00
    Entry(l__Late, 0x41, 0xAA, 0x01, 0x14, 1000);
    Cue l__Index2Then1 = Entries(l__Good, 0, 3);
    Entry(l__Index2Then1, 0x41, 0x01, 0x02, 0x10, 500);
    Entry(l__Index2Then1, 0x41, 0x01, 0x01, 0x10, 600);
    Entry(l__Index2Then1, 0x41, 0xAA, 0x01, 0x14, 1000);
    Cue l__BackToTrack1 = Entries(l__Good, 0, 5);
    Entry(l__BackToTrack1, 0x41, 0x01, 0x02, 0x10, 1500);
    Entry(l__BackToTrack1, 0x41, 0xAA, 0x01, 0x14, 2150);
    const std::vector<std::pair<const char*, Cue>> l__Faulty = {
        {"length not a whole number of entries", Cue(l__Good.begin(), l__Good.end() - 4)},
        {"no lead-out", Entries(l__Good, 0, 5)},
        {"an entry after the lead-out", Join({l__Good, l__TrackAfterLeadOut})},
        {"index 1 at the time of index 0", With(l__Good, 2, 6, 0)},
        {"track 2 before the start of track 1", With(With(l__Good, 3, 6, 1), 4, 6, 1)},
        {"lead-out before the last index", With(l__Good, 5, 6, 10)},
        {"unknown data form on a track", With(l__Good, 2, 3, 0x15)},
        {"unknown data form on the lead-in", With(l__Good, 0, 3, 0x30)},
        {"unknown data form on the lead-out", With(l__Good, 5, 3, 0x3F)},
        {"sub-channel kind 2", With(l__Good, 2, 3, 0x90)},
        {"audio form on a data track", With(l__Good, 2, 3, 0x00)},
        {"track number 64h", With(With(l__Good, 3, 1, 0x64), 4, 1, 0x64)},
        {"track number A0h", With(With(l__Good, 3, 1, 0xA0), 4, 1, 0xA0)},
        {"track number FFh", With(With(l__Good, 3, 1, 0xFF), 4, 1, 0xFF)},
        {"track number 0 after the lead-in", With(With(l__Good, 1, 1, 0x00), 2, 1, 0x00)},
        {"track 2 skipped", With(With(l__Good, 3, 1, 0x03), 4, 1, 0x03)},
        {"first track is not track 1", With(With(With(With(l__Good, 1, 1, 2), 2, 1, 2), 3, 1, 3), 4, 1, 3)},
        {"back to track 1 after track 2", l__BackToTrack1},
        {"index 64h", With(l__Good, 4, 2, 0x64)},
        {"index 1 before index 0 of a track", With(With(l__Good, 3, 2, 1), 4, 2, 0)},
        {"index 2 without index 1", With(l__Good, 2, 2, 0x02)},
        {"index going back", l__Index2Then1},
        {"lead-out index 0", With(l__Good, 5, 2, 0)},
        {"first pre-gap not at 00:00:00", l__Late},
        {"seconds not below 60", With(l__Good, 2, 6, 60)},
        {"lead-out beyond the capacity", With(l__Good, 5, 5, 80)},
    };
    const std::vector<uint8_t> l__Blank = VdiscTestDrive::ReadFile(l__Drive.File());
    for (const auto& [l__PCHAR__Name, l__Cue] : l__Faulty) {
        SCOPED_TRACE(l__PCHAR__Name);
        EXPECT_TRUE(SendCue(l__Drive, l__Cue).Is(0x05, 0x26, 0x00));
        EXPECT_TRUE(VdiscTestDrive::ReadFile(l__Drive.File()) == l__Blank);
        // Writing is refused as before any cue sheet.
        EXPECT_TRUE(l__Drive.Write(-150, 1, std::vector<uint8_t>(2048, 0)).Is(0x05, 0x2C, 0x00));
        EXPECT_EQ(l__Drive.DiscInfo().m__Data[2] & 3, 0);  // still blank
    }
    // After all that the good one is taken; a second session is not.
    ASSERT_TRUE(SendCue(l__Drive, l__Good).Ok());
    WriteBlocks(l__Drive, -150, 2300, 2048, 0);
    ASSERT_TRUE(l__Drive.Sync().Ok());
    EXPECT_TRUE(SendCue(l__Drive, l__Good).Is(0x05, 0x2C, 0x00));
}

TEST(VdiscSessionAtOnce, RefusedReplacementKeepsTheCueSheetInForce) {
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
    ASSERT_TRUE(l__Drive.SetWriteParameters(2, 8, 4, 0, 0x00).Ok());
    ASSERT_TRUE(SendCue(l__Drive, TwoDataTracks()).Ok());
    const std::vector<uint8_t> l__Before = VdiscTestDrive::ReadFile(l__Drive.File());
    // A second cue sheet before any write replaces the first; a faulty one changes nothing.
    EXPECT_TRUE(SendCue(l__Drive, With(TwoDataTracks(), 3, 1, 0x64)).Is(0x05, 0x26, 0x00));
    EXPECT_TRUE(VdiscTestDrive::ReadFile(l__Drive.File()) == l__Before);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Drive.TrackInfo(2).m__Data, 24), 1000u);  // the first cue sheet's track 2
    WriteBlocks(l__Drive, -150, 1300, 2048, 0x21);
    // And a good replacement after a write is refused: the run has begun.
    EXPECT_TRUE(SendCue(l__Drive, OneDataTrack(1000)).Is(0x05, 0x2C, 0x00));
    WriteBlocks(l__Drive, 1150, 1000, 2048, 0x22);
    ASSERT_TRUE(l__Drive.Sync().Ok());
    EXPECT_EQ(VdiscTestDrive::Be32(l__Drive.TrackInfo(2).m__Data, 8), 1150u);
    EXPECT_EQ(l__Drive.Read(1150, 1).m__Data, std::vector<uint8_t>(2048, 0x22));
}

// Track numbers 10 and later are binary (0Ah...), as are the indexes.
TEST(VdiscSessionAtOnce, TenTracksTakeBinaryTrackNumbers) {
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
    ASSERT_TRUE(l__Drive.SetWriteParameters(2, 8, 4, 0, 0x00).Ok());
    Cue l__Cue;
    Entry(l__Cue, 0x41, 0x00, 0x00, 0x14, -150);
    for (uint8_t l__UCHAR__Track = 1; l__UCHAR__Track <= 10; ++l__UCHAR__Track) {
        const int32_t l__LONG__Start = (l__UCHAR__Track - 1) * 450;
        Entry(l__Cue, 0x41, l__UCHAR__Track, 0x00, 0x10, l__LONG__Start - 150);
        Entry(l__Cue, 0x41, l__UCHAR__Track, 0x01, 0x10, l__LONG__Start);
    }
    Entry(l__Cue, 0x41, 0xAA, 0x01, 0x14, 9 * 450 + 300);
    ASSERT_TRUE(SendCue(l__Drive, l__Cue).Ok());
    WriteBlocks(l__Drive, -150, 10 * 450, 2048, 0x5A);
    ASSERT_TRUE(l__Drive.Sync().Ok());
    VdiscTestDrive::Result l__Toc = l__Drive.Toc(0, false);
    ASSERT_TRUE(l__Toc.Ok());
    EXPECT_EQ(l__Toc.m__Data[3], 10);  // last track
    EXPECT_EQ(l__Toc.m__Data[4 + 8 * 9 + 2], 10);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Toc.m__Data, 4 + 8 * 9 + 4), 4050u);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Drive.TrackInfo(10).m__Data, 24), 300u);
}

}  // namespace
