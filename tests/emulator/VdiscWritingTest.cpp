// Writing as the toolkit writes, and the refusals a drive gives, through ASPI request blocks.
#include <gtest/gtest.h>

#include <unistd.h>

#include "VdiscTestDrive.h"

namespace {

std::vector<uint8_t> Pattern(uint32_t p__ULONG__Blocks, uint32_t p__ULONG__Size, uint32_t p__ULONG__Seed) {
    std::vector<uint8_t> l__Data(static_cast<size_t>(p__ULONG__Blocks) * p__ULONG__Size);
    uint32_t l__ULONG__State = p__ULONG__Seed * 2654435761u + 1;
    for (uint8_t& l__Byte : l__Data) {
        l__ULONG__State = l__ULONG__State * 1103515245u + 12345u;
        l__Byte = static_cast<uint8_t>(l__ULONG__State >> 16);
    }
    return l__Data;
}

// Writes blocks in packets of 30 (61,440 bytes of 2048-byte blocks), as the toolkit does.
void WriteTrack(VdiscTestDrive& p__Drive, int32_t p__LONG__Start, const std::vector<uint8_t>& p__Data, uint32_t p__ULONG__Size) {
    const uint32_t l__ULONG__Blocks = static_cast<uint32_t>(p__Data.size() / p__ULONG__Size);
    for (uint32_t l__ULONG__Done = 0; l__ULONG__Done < l__ULONG__Blocks;) {
        uint32_t l__ULONG__Count = std::min(30u, l__ULONG__Blocks - l__ULONG__Done);
        std::vector<uint8_t> l__Packet(p__Data.begin() + static_cast<long>(l__ULONG__Done) * p__ULONG__Size,
                                       p__Data.begin() + static_cast<long>(l__ULONG__Done + l__ULONG__Count) * p__ULONG__Size);
        ASSERT_TRUE(p__Drive.Write(p__LONG__Start + static_cast<int32_t>(l__ULONG__Done), l__ULONG__Count, l__Packet).Ok());
        l__ULONG__Done += l__ULONG__Count;
    }
}

struct TocEntry {
    uint8_t m__UCHAR__Session, m__UCHAR__AdrControl, m__UCHAR__Point, m__UCHAR__Zero;
    uint8_t m__UCHAR__M, m__UCHAR__S, m__UCHAR__F, m__UCHAR__PM, m__UCHAR__PS, m__UCHAR__PF;
};

std::vector<TocEntry> FullToc(VdiscTestDrive& p__Drive) {
    VdiscTestDrive::Result l__Toc = p__Drive.Toc(2, true);
    std::vector<TocEntry> l__Entries;
    if (!l__Toc.Ok()) return l__Entries;
    const size_t l__size_t__End = 2 + VdiscTestDrive::Be16(l__Toc.m__Data, 0);
    for (size_t l__size_t__At = 4; l__size_t__At + 11 <= l__size_t__End; l__size_t__At += 11) {
        const uint8_t* l__E = l__Toc.m__Data.data() + l__size_t__At;
        l__Entries.push_back({l__E[0], l__E[1], l__E[3], l__E[7], l__E[4], l__E[5], l__E[6], l__E[8], l__E[9], l__E[10]});
    }
    return l__Entries;
}

const TocEntry* Point(const std::vector<TocEntry>& p__Entries, uint8_t p__UCHAR__Session, uint8_t p__UCHAR__Point) {
    for (const TocEntry& l__Entry : p__Entries)
        if (l__Entry.m__UCHAR__Session == p__UCHAR__Session && l__Entry.m__UCHAR__Point == p__UCHAR__Point) return &l__Entry;
    return nullptr;
}

TEST(VdiscWriting, TrackAtOnceOnCdRTwoSessionsWithAddressesAndFullToc) {
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
    ASSERT_TRUE(l__Drive.SetWriteParameters(1, 8, 4, 3, 0x00).Ok());
    const std::vector<uint8_t> l__One = Pattern(300, 2048, 1), l__Two = Pattern(300, 2048, 2), l__Three = Pattern(100, 2048, 3);

    WriteTrack(l__Drive, 0, l__One, 2048);
    VdiscTestDrive::Result l__Open = l__Drive.TrackInfo(0xFF);
    ASSERT_TRUE(l__Open.Ok());
    EXPECT_EQ(l__Open.m__Data[2], 1);
    EXPECT_EQ(l__Open.m__Data[6] & 0x40, 0);  // no longer blank
    EXPECT_EQ(VdiscTestDrive::Be32(l__Open.m__Data, 12), 300u);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Open.m__Data, 16), 359849u - 300u);

    // Refusals while the track is open: not at the NWA, a transfer that is not blocks x 2048.
    EXPECT_TRUE(l__Drive.Write(0, 1, Pattern(1, 2048, 9)).Is(0x05, 0x21, 0x02));
    EXPECT_TRUE(l__Drive.Write(300, 2, Pattern(1, 2048, 9)).Is(0x05, 0x24, 0x00));
    // Audio blocks cannot continue a data track.
    ASSERT_TRUE(l__Drive.SetWriteParameters(1, 0, 0, 3, 0x00).Ok());
    EXPECT_TRUE(l__Drive.Write(300, 1, Pattern(1, 2352, 9)).Is(0x05, 0x64, 0x00));
    ASSERT_TRUE(l__Drive.SetWriteParameters(1, 8, 4, 3, 0x00).Ok());

    ASSERT_TRUE(l__Drive.Sync().Ok());
    // The closed track carries two run-out blocks; the next one starts after a 150-block pre-gap.
    VdiscTestDrive::Result l__First = l__Drive.TrackInfo(1);
    EXPECT_EQ(VdiscTestDrive::Be32(l__First.m__Data, 24), 302u);
    EXPECT_EQ(l__First.m__Data[7] & 1, 0);
    VdiscTestDrive::Result l__Next = l__Drive.TrackInfo(0xFF);
    EXPECT_EQ(l__Next.m__Data[2], 2);
    EXPECT_NE(l__Next.m__Data[6] & 0x40, 0);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Next.m__Data, 12), 452u);
    WriteTrack(l__Drive, 452, l__Two, 2048);
    ASSERT_TRUE(l__Drive.Sync().Ok());
    ASSERT_TRUE(l__Drive.Close(2, 0).Ok());

    // Session 1 closed with the next session allowed: lead-out at 754, next track at 754 + 11400.
    VdiscTestDrive::Result l__Disc = l__Drive.DiscInfo();
    EXPECT_EQ(l__Disc.m__Data[2] & 3, 1);
    EXPECT_EQ((l__Disc.m__Data[2] >> 2) & 3, 0);
    EXPECT_EQ(l__Disc.m__Data[4], 2);
    EXPECT_EQ(l__Disc.m__Data[5], 3);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Drive.TrackInfo(0xFF).m__Data, 12), 754u + 11400u);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Drive.In({0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8).m__Data, 0), 753u);

    // A drive object made later (another process) sees the same disc.
    l__Drive.Reopen();
    ASSERT_TRUE(l__Drive.SetWriteParameters(1, 8, 4, 0, 0x00).Ok());
    WriteTrack(l__Drive, 12154, l__Three, 2048);
    ASSERT_TRUE(l__Drive.Sync().Ok());
    ASSERT_TRUE(l__Drive.Close(2, 0).Ok());
    l__Disc = l__Drive.DiscInfo();
    EXPECT_EQ(l__Disc.m__Data[2] & 3, 2);  // finalised
    EXPECT_EQ(VdiscTestDrive::Be32(l__Disc.m__Data, 16), 0xFFFFFFFFu);
    EXPECT_TRUE(l__Drive.Write(12256 + 150, 1, Pattern(1, 2048, 4)).Is(0x05, 0x30, 0x05));
    EXPECT_TRUE(l__Drive.TrackInfo(0xFF).Is(0x05, 0x24, 0x00));

    // Full TOC: A0/A1/A2 and the tracks per session, B0 and C0 in the first session only.
    std::vector<TocEntry> l__Toc = FullToc(l__Drive);
    ASSERT_EQ(l__Toc.size(), 5u + 2u + 4u);
    const TocEntry* l__A0 = Point(l__Toc, 1, 0xA0);
    const TocEntry* l__A1 = Point(l__Toc, 1, 0xA1);
    const TocEntry* l__A2 = Point(l__Toc, 1, 0xA2);
    const TocEntry* l__B0 = Point(l__Toc, 1, 0xB0);
    const TocEntry* l__C0 = Point(l__Toc, 1, 0xC0);
    ASSERT_TRUE(l__A0 && l__A1 && l__A2 && l__B0 && l__C0);
    EXPECT_EQ(l__A0->m__UCHAR__AdrControl, 0x14);
    EXPECT_EQ(l__A0->m__UCHAR__PM, 1);
    EXPECT_EQ(l__A1->m__UCHAR__PM, 2);
    EXPECT_EQ((std::vector<uint8_t>{l__A2->m__UCHAR__PM, l__A2->m__UCHAR__PS, l__A2->m__UCHAR__PF}), (std::vector<uint8_t>{0, 12, 4}));  // LBA 754
    const TocEntry* l__T2 = Point(l__Toc, 1, 2);
    ASSERT_NE(l__T2, nullptr);
    EXPECT_EQ((std::vector<uint8_t>{l__T2->m__UCHAR__PM, l__T2->m__UCHAR__PS, l__T2->m__UCHAR__PF}), (std::vector<uint8_t>{0, 8, 2}));  // LBA 452
    EXPECT_EQ(l__B0->m__UCHAR__AdrControl >> 4, 5);
    // B0: next program area at 754 + 11250 (02:42:04), last possible lead-out 79:59:74.
    EXPECT_EQ((std::vector<uint8_t>{l__B0->m__UCHAR__M, l__B0->m__UCHAR__S, l__B0->m__UCHAR__F}), (std::vector<uint8_t>{2, 42, 4}));
    EXPECT_EQ((std::vector<uint8_t>{l__B0->m__UCHAR__PM, l__B0->m__UCHAR__PS, l__B0->m__UCHAR__PF}), (std::vector<uint8_t>{79, 59, 74}));
    EXPECT_EQ((std::vector<uint8_t>{l__C0->m__UCHAR__PM, l__C0->m__UCHAR__PS, l__C0->m__UCHAR__PF}), (std::vector<uint8_t>{97, 26, 66}));
    EXPECT_EQ(Point(l__Toc, 2, 0xB0), nullptr);
    EXPECT_EQ(Point(l__Toc, 2, 0xA0)->m__UCHAR__PM, 3);

    // TOC format 0 in LBA and MSF form, format 1.
    VdiscTestDrive::Result l__Lba = l__Drive.Toc(0, false);
    ASSERT_TRUE(l__Lba.Ok());
    EXPECT_EQ(VdiscTestDrive::Be16(l__Lba.m__Data, 0), 2u + 4u * 8u);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Lba.m__Data, 4 + 8 * 2 + 4), 12154u);
    EXPECT_EQ(l__Lba.m__Data[4 + 8 * 3 + 2], 0xAA);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Lba.m__Data, 4 + 8 * 3 + 4), 12256u);
    VdiscTestDrive::Result l__Msf = l__Drive.Toc(0, true, 2);
    EXPECT_EQ(VdiscTestDrive::Be16(l__Msf.m__Data, 0), 2u + 3u * 8u);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Msf.m__Data, 4 + 4), 0x00000802u);  // track 2 at 00:08:02
    VdiscTestDrive::Result l__Sessions = l__Drive.Toc(1, false);
    EXPECT_EQ(l__Sessions.m__Data[3], 2);
    EXPECT_EQ(l__Sessions.m__Data[6], 3);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Sessions.m__Data, 8), 12154u);

    // Everything reads back; run-out and unwritten blocks do not.
    EXPECT_EQ(l__Drive.Read(0, 30).m__Data, std::vector<uint8_t>(l__One.begin(), l__One.begin() + 30 * 2048));
    EXPECT_EQ(l__Drive.Read(12154 + 70, 30).m__Data, std::vector<uint8_t>(l__Three.begin() + 70 * 2048, l__Three.end()));
    EXPECT_TRUE(l__Drive.Read(300, 1).Is(0x03, 0x11, 0x00));
    EXPECT_TRUE(l__Drive.Read(20000, 1).Is(0x05, 0x21, 0x00));
}

TEST(VdiscWriting, TestWriteRecordsNothing) {
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
    ASSERT_TRUE(l__Drive.SetWriteParameters(1, 8, 4, 3, 0x00, true).Ok());
    WriteTrack(l__Drive, 0, Pattern(60, 2048, 1), 2048);
    EXPECT_TRUE(l__Drive.Write(0, 1, Pattern(1, 2048, 1)).Is(0x05, 0x21, 0x02));  // the simulated NWA moved on
    ASSERT_TRUE(l__Drive.Sync().Ok());
    EXPECT_EQ(l__Drive.DiscInfo().m__Data[2] & 3, 0);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Drive.TrackInfo(0xFF).m__Data, 12), 0u);
    EXPECT_FALSE(l__Drive.Read(0, 1).Ok());
    // On DVD-R the reservation is simulated too.
    VdiscTestDrive l__Dvd(VdiscMediumKind::DvdR);
    ASSERT_TRUE(l__Dvd.SetWriteParameters(2, 8, 5, 0, 0, true).Ok());
    ASSERT_TRUE(l__Dvd.Reserve(64).Ok());
    WriteTrack(l__Dvd, 0, Pattern(60, 2048, 1), 2048);
    ASSERT_TRUE(l__Dvd.Sync().Ok());
    VdiscTestDrive::Result l__Track = l__Dvd.TrackInfo(1);
    EXPECT_EQ(l__Track.m__Data[6] & 0xC0, 0x40);  // blank, not reserved
    EXPECT_EQ(l__Dvd.DiscInfo().m__Data[2] & 3, 0);
}

TEST(VdiscWriting, DvdPlusRTrackClosedAndDiscFinalised) {
    VdiscTestDrive l__Drive(VdiscMediumKind::DvdPlusR);
    const std::vector<uint8_t> l__Data = Pattern(100, 2048, 5);
    WriteTrack(l__Drive, 0, l__Data, 2048);
    ASSERT_TRUE(l__Drive.Sync().Ok());
    EXPECT_EQ(VdiscTestDrive::Be32(l__Drive.TrackInfo(1).m__Data, 12), 100u);  // still open after synchronising
    ASSERT_TRUE(l__Drive.Close(1, 1, true).Ok());
    ASSERT_TRUE(l__Drive.Close(5, 0, true).Ok());
    VdiscTestDrive::Result l__Disc = l__Drive.DiscInfo();
    EXPECT_EQ(l__Disc.m__Data[2] & 3, 2);
    EXPECT_EQ(l__Drive.CurrentProfile(), 0x001B);
    EXPECT_TRUE(l__Drive.Write(112, 1, Pattern(1, 2048, 5)).Is(0x05, 0x30, 0x05));
    EXPECT_EQ(l__Drive.Read(0, 100).m__Data, l__Data);
    // Unknown close functions are refused.
    EXPECT_TRUE(l__Drive.Close(7, 0).Is(0x05, 0x24, 0x00));
}

TEST(VdiscWriting, DvdRReservedTrackWrittenDiscAtOnce) {
    VdiscTestDrive l__Drive(VdiscMediumKind::DvdR);
    ASSERT_TRUE(l__Drive.SetWriteParameters(2, 8, 5, 0, 0).Ok());
    // Track-At-Once is no write type of sequential DVD.
    EXPECT_TRUE(l__Drive.SetWriteParameters(1, 8, 4, 0, 0).Is(0x05, 0x26, 0x00));
    EXPECT_TRUE(l__Drive.Write(0, 1, Pattern(1, 2048, 1)).Is(0x05, 0x2C, 0x00));  // Disc-At-Once needs a reservation
    ASSERT_TRUE(l__Drive.Reserve(101).Ok());
    VdiscTestDrive::Result l__Reserved = l__Drive.TrackInfo(1);
    EXPECT_NE(l__Reserved.m__Data[6] & 0x80, 0);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Reserved.m__Data, 24), 112u);  // rounded to 16-block ECC blocks
    EXPECT_EQ(VdiscTestDrive::Be32(l__Reserved.m__Data, 16), 112u);
    EXPECT_TRUE(l__Drive.Reserve(10).Is(0x05, 0x2C, 0x00));
    const std::vector<uint8_t> l__Data = Pattern(100, 2048, 6);
    WriteTrack(l__Drive, 0, l__Data, 2048);
    EXPECT_TRUE(l__Drive.Write(100, 16, Pattern(16, 2048, 6)).Is(0x05, 0x21, 0x00));  // past the free blocks of the track
    ASSERT_TRUE(l__Drive.Sync().Ok());
    EXPECT_EQ(l__Drive.DiscInfo().m__Data[2] & 3, 2);
    EXPECT_EQ(l__Drive.Read(0, 100).m__Data, l__Data);
}

TEST(VdiscWriting, RestrictedOverwriteDvdRwAcceptsReserveWithoutEffect) {
    VdiscTestDrive l__Drive(VdiscMediumKind::DvdRwRo);
    ASSERT_TRUE(l__Drive.SetWriteParameters(2, 8, 5, 0, 0).Ok());
    ASSERT_TRUE(l__Drive.Reserve(1001).Ok());
    EXPECT_NE(l__Drive.TrackInfo(1).m__Data[6] & 0x40, 0);
    WriteTrack(l__Drive, 0, Pattern(40, 2048, 7), 2048);
    ASSERT_TRUE(l__Drive.Sync().Ok());
    VdiscTestDrive::Result l__Track = l__Drive.TrackInfo(1);
    EXPECT_EQ(l__Track.m__Data[6] & 0x40, 0);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Track.m__Data, 12), 48u);
    // Blanking makes it a sequential disc again.
    ASSERT_TRUE(l__Drive.In({0xA1, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0).Ok());
    EXPECT_EQ(l__Drive.CurrentProfile(), 0x0014);
}

TEST(VdiscWriting, CdRwBlankingTypes) {
    VdiscTestDrive l__Drive(VdiscMediumKind::CdRw);
    ASSERT_TRUE(l__Drive.SetWriteParameters(1, 8, 4, 3, 0x00).Ok());
    const std::vector<uint8_t> l__One = Pattern(50, 2048, 1);
    WriteTrack(l__Drive, 0, l__One, 2048);
    ASSERT_TRUE(l__Drive.Sync().Ok());
    ASSERT_TRUE(l__Drive.Close(2, 0).Ok());
    WriteTrack(l__Drive, 52 + 11400, Pattern(50, 2048, 2), 2048);
    ASSERT_TRUE(l__Drive.Sync().Ok());
    ASSERT_TRUE(l__Drive.Close(2, 0).Ok());
    EXPECT_EQ(l__Drive.DiscInfo().m__Data[4], 3);
    // Blank the last session: session 1 stays, with its data, and the disc takes a session again.
    ASSERT_TRUE(l__Drive.In({0xA1, 0x16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0).Ok());
    EXPECT_EQ(l__Drive.DiscInfo().m__Data[4], 2);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Drive.TrackInfo(0xFF).m__Data, 12), 52u + 11400u);
    EXPECT_EQ(l__Drive.Read(0, 50).m__Data, l__One);
    EXPECT_FALSE(l__Drive.Read(52 + 11400, 1).Ok());
    // Minimal blank: an empty disc.
    ASSERT_TRUE(l__Drive.In({0xA1, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0).Ok());
    EXPECT_EQ(l__Drive.DiscInfo().m__Data[2] & 3, 0);
    EXPECT_FALSE(l__Drive.Read(0, 1).Ok());
    EXPECT_TRUE(l__Drive.In({0xA1, 0x03, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0).Is(0x05, 0x24, 0x00));
    // A CD-R cannot be blanked.
    VdiscTestDrive l__Recordable(VdiscMediumKind::CdR);
    EXPECT_TRUE(l__Recordable.In({0xA1, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0).Is(0x05, 0x30, 0x00));
}

TEST(VdiscWriting, AudioTrackHasNoRunOutAndIsNotReadableAsData) {
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
    ASSERT_TRUE(l__Drive.SetWriteParameters(1, 0, 0x02, 0, 0x00).Ok());  // copy permitted
    const std::vector<uint8_t> l__Audio = Pattern(20, 2352, 8);
    WriteTrack(l__Drive, 0, l__Audio, 2352);
    ASSERT_TRUE(l__Drive.Sync().Ok());
    VdiscTestDrive::Result l__Track = l__Drive.TrackInfo(1);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Track.m__Data, 24), 20u);
    EXPECT_EQ(l__Track.m__Data[5] & 0x0F, 0x02);  // the track mode of the write parameters
    l__Drive.Reopen();
    EXPECT_EQ(l__Drive.TrackInfo(1).m__Data[5] & 0x0F, 0x02);
    EXPECT_TRUE(l__Drive.Read(0, 1).Is(0x05, 0x64, 0x00));
    // READ CD of CD-DA returns the 2352 bytes as written.
    VdiscTestDrive::Result l__Cd = l__Drive.In({0xBE, 0x04, 0, 0, 0, 0, 0, 0, 20, 0x10, 0, 0}, 20 * 2352);
    ASSERT_TRUE(l__Cd.Ok());
    EXPECT_EQ(l__Cd.m__Data, l__Audio);
    // Expecting Mode 1 sectors there is refused.
    EXPECT_TRUE(l__Drive.In({0xBE, 0x08, 0, 0, 0, 0, 0, 0, 1, 0x10, 0, 0}, 2352).Is(0x05, 0x64, 0x00));
}

TEST(VdiscWriting, SequentialDvdRwIncrementalTracksAndSessions) {
    VdiscTestDrive l__Drive(VdiscMediumKind::DvdRwSeq);
    ASSERT_TRUE(l__Drive.SetWriteParameters(0, 8, 5, 3, 0).Ok());
    WriteTrack(l__Drive, 0, Pattern(40, 2048, 1), 2048);
    ASSERT_TRUE(l__Drive.Sync().Ok());
    EXPECT_EQ(VdiscTestDrive::Be32(l__Drive.TrackInfo(0xFF).m__Data, 12), 40u);  // incremental: the track stays open
    ASSERT_TRUE(l__Drive.Close(1, 1).Ok());
    VdiscTestDrive::Result l__Next = l__Drive.TrackInfo(0xFF);
    EXPECT_EQ(l__Next.m__Data[2], 2);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Next.m__Data, 12), 48u);  // next ECC block
    EXPECT_EQ(VdiscTestDrive::Be32(l__Next.m__Data, 16), 2295104u - 48u);
    WriteTrack(l__Drive, 48, Pattern(20, 2048, 2), 2048);
    ASSERT_TRUE(l__Drive.Close(2, 0).Ok());
    VdiscTestDrive::Result l__Disc = l__Drive.DiscInfo();
    EXPECT_EQ(l__Disc.m__Data[2] & 3, 1);
    EXPECT_EQ(l__Disc.m__Data[4], 2);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Drive.TrackInfo(0xFF).m__Data, 12), 80u);
    VdiscTestDrive::Result l__Toc = l__Drive.Toc(0, false);
    ASSERT_TRUE(l__Toc.Ok());
    EXPECT_EQ(l__Toc.m__Data[3], 2);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Toc.m__Data, 4 + 16 + 4), 68u);  // lead-out after track 2
    EXPECT_TRUE(l__Drive.Toc(2, true).Is(0x05, 0x24, 0x00));  // no full TOC on DVD
}

TEST(VdiscWriting, DefaultDriveIsABlankCdRInTheCurrentDirectory) {
    VdiscTestDrive l__Drive(VdiscMediumKind::DvdR);
    char l__CHAR__Saved[4096];
    ASSERT_NE(getcwd(l__CHAR__Saved, sizeof(l__CHAR__Saved)), nullptr);
    ASSERT_EQ(chdir(l__Drive.Dir().c_str()), 0);
    unsetenv("TARNWICK_DRIVES");
    l__Drive.Reopen();
    EXPECT_EQ(GetASPI32SupportInfo(), (uint32_t{SS_COMP} << 8) | 1u);
    EXPECT_EQ(l__Drive.CurrentProfile(), 0x0009);
    EXPECT_EQ(VdiscTestDrive::Shell("test -s '" + l__Drive.Dir() + "/tarnwick-disc'"), 0);
    l__Drive.Reopen();
    ASSERT_EQ(chdir(l__CHAR__Saved), 0);
}

}  // namespace
