// Reading the table of contents and probing the READ CD modes against a scripted drive.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "CTarnwick_CdAddress.h"
#include "CTarnwick_CdvdBurnerGrabber.h"
#include "ModePageDrive.h"
#include "ScriptedBackend.h"
#include "TraceCapture.h"

namespace {

using Bytes = std::vector<uint8_t>;

void IgnoreCallback(ULONG, PVOID, PVOID, PVOID) {}

constexpr uint8_t READ_TOC = 0x43, READ_DVD_STRUCTURE = 0xAD, READ_CAPACITY = 0x25, READ10 = 0x28, READ_CD = 0xBE;

// One full-TOC descriptor whose PMIN/PSEC/PFRAME give the LBA.
Bytes Descriptor(uint8_t p__Session, uint8_t p__AdrControl, uint8_t p__Point, LONG p__Lba) {
    uint8_t l__Msf[3];
    CTarnwick_CdAddress::LbaToMsf(p__Lba, l__Msf);
    return {p__Session, p__AdrControl, 0, p__Point, 0, 0, 0, 0, l__Msf[0], l__Msf[1], l__Msf[2]};
}

// A full TOC reply of the descriptors, its data length counting them.
Bytes FullToc(const std::vector<Bytes>& p__Descriptors) {
    Bytes l__Reply(4, 0);
    for (const Bytes& d : p__Descriptors) l__Reply.insert(l__Reply.end(), d.begin(), d.end());
    const size_t l__Length = l__Reply.size() - 2;
    l__Reply[0] = static_cast<uint8_t>(l__Length >> 8);
    l__Reply[1] = static_cast<uint8_t>(l__Length);
    l__Reply[2] = 1;
    l__Reply[3] = p__Descriptors.empty() ? 1 : p__Descriptors.back()[0];
    return l__Reply;
}

class TocReading : public ModePageDriveTest {
protected:
    void SetUp() override {
        ModePageDriveTest::SetUp();
        m__Burner = std::make_unique<CTarnwick_CdvdBurnerGrabber>(IgnoreCallback, nullptr, 0, 0, 0, 0, 1);
        m__Drive->ClearCommands();
        m__Toc = std::make_unique<TOC_INFORMATION>();
        std::memset(m__Toc.get(), 0, sizeof(TOC_INFORMATION));
    }
    void TearDown() override {
        m__Burner.reset();
        ModePageDriveTest::TearDown();
    }
    // The drive holds a CD: READ DVD STRUCTURE is refused, READ TOC answers the reply.
    void HoldCd(const Bytes& p__FullToc) {
        m__Drive->Always(READ_DVD_STRUCTURE, ScriptedAnswer::Check(0x05, 0x30, 0x02));
        m__Drive->Always(READ_TOC, ScriptedAnswer::Good(p__FullToc));
    }
    // Runs ReadTOC; returns the exception number (0 when none).
    ULONG ReadToc() {
        try {
            m__Burner->ReadTOC(m__Toc.get());
        } catch (CTarnwick_Exception* l__Exception) {
            ULONG l__Number = l__Exception ? l__Exception->GetExceptionNumber() : 12;
            m__Text = l__Exception ? l__Exception->GetExceptionText() : "";
            delete l__Exception;
            return l__Number;
        }
        return 0;
    }
    std::vector<ScriptedCommand> CommandsOf(uint8_t p__Op) {
        std::vector<ScriptedCommand> l__Out;
        for (const ScriptedCommand& c : m__Drive->Commands())
            if (c.m__Cdb[0] == p__Op) l__Out.push_back(c);
        return l__Out;
    }

    std::unique_ptr<CTarnwick_CdvdBurnerGrabber> m__Burner;
    std::unique_ptr<TOC_INFORMATION> m__Toc;
    std::string m__Text;
};

TEST_F(TocReading, ShortFullTocRaisesNumber10) {
    TraceCapture l__Capture;
    HoldCd({0x00, 0x05, 0x01, 0x01, 0, 0, 0});
    EXPECT_EQ(ReadToc(), 10u);
    EXPECT_EQ(m__Text, "CTarnwick_CdvdBurnerGrabber::ReadTOCForCD(): TOC size 5 UCHARs, expected at least 6 UCHARs!!!");
    EXPECT_EQ(m__Toc->m__UCHAR__IsValid, 0);
    // The command: MSF addresses, format 2, session 0, 16,384 bytes.
    auto l__Toc = CommandsOf(READ_TOC);
    ASSERT_EQ(l__Toc.size(), 1u);
    EXPECT_EQ(l__Toc[0].m__Cdb[1] & 0x02, 0x02);
    EXPECT_EQ(l__Toc[0].m__Cdb[2], 0x02);
    EXPECT_EQ(l__Toc[0].m__Cdb[6], 0x00);
    EXPECT_EQ(l__Toc[0].m__Cdb[7], 0x40);
    EXPECT_EQ(l__Toc[0].m__Cdb[8], 0x00);
    EXPECT_EQ(l__Toc[0].m__BufferLength, 16384u);
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Capture.Contains(
        "\nCTarnwick_CdvdBurnerGrabber::ReadTOCForCD(): TOC size 5 UCHARs, expected at least 6 UCHARs!!!\n"));
}

// Two sessions: a data track and an audio track, then a Mode 2 Form 2 track. The session
// descriptors A0, A1, B0 and C0 add no track; each last track ends before its lead-out.
TEST_F(TocReading, TwoSessionsGiveTracksEndsAndModes) {
    const std::vector<Bytes> l__Descriptors = {
        Descriptor(1, 0x14, 0xA0, 0),      Descriptor(1, 0x10, 0xA1, 0),   Descriptor(1, 0x10, 0xA2, 1000),
        Descriptor(1, 0x14, 0x01, 0),      Descriptor(1, 0x2B, 0x02, 500), Descriptor(1, 0x50, 0xB0, 12000),
        Descriptor(1, 0x50, 0xC0, 0),      Descriptor(2, 0x14, 0xA0, 0),   Descriptor(2, 0x14, 0xA1, 0),
        Descriptor(2, 0x14, 0xA2, 13000), Descriptor(2, 0x36, 0x03, 12000)};
    HoldCd(FullToc(l__Descriptors));
    // First sectors: track 1 is Mode 1, track 3 Mode 2 with the Form 2 submode bit.
    m__Drive->Respond(READ_CD, [](const ScriptedCommand& c) {
        Bytes l__Sector(24, 0);
        const uint32_t l__Lba = (c.m__Cdb[2] << 24) | (c.m__Cdb[3] << 16) | (c.m__Cdb[4] << 8) | c.m__Cdb[5];
        l__Sector[15] = l__Lba == 0 ? 0x01 : 0x02;
        l__Sector[18] = l__Lba == 0 ? 0x00 : 0x20;
        return ScriptedAnswer::Good(l__Sector);
    });
    TraceCapture l__Capture;
    ASSERT_EQ(ReadToc(), 0u) << m__Text;
    const TOC_INFORMATION& t = *m__Toc;
    EXPECT_EQ(t.m__UCHAR__IsValid, 1);
    EXPECT_EQ(t.m__UCHAR__IsDVD, 0);
    EXPECT_EQ(t.m__UCHAR__LastSessionNumber, 2);
    EXPECT_EQ(t.m__UCHAR__NumberOfDescriptors, 11);
    ASSERT_EQ(t.m__UCHAR__NumberOfTracks, 3);
    for (size_t i = 0; i < l__Descriptors.size(); ++i)
        EXPECT_EQ(0, std::memcmp(t.m__UCHAR__Descriptors[i], l__Descriptors[i].data(), 11)) << i;

    const TOC_TRACK_ENTRY& a = t.m__TOC_TRACK_ENTRY__Tracks[0];
    EXPECT_EQ(a.m__UCHAR__IsValid, 1);
    EXPECT_EQ(a.m__UCHAR__TrackNumber, 1);
    EXPECT_EQ(a.m__UCHAR__SessionNumber, 1);
    EXPECT_EQ(+a.m__LONG__StartLBA, 0);
    EXPECT_EQ(a.m__UCHAR__StartMSF[0], 0);
    EXPECT_EQ(a.m__UCHAR__StartMSF[1], 2);
    EXPECT_EQ(a.m__UCHAR__StartMSF[2], 0);
    EXPECT_EQ(+a.m__LONG__EndLBA, 499);  // one before track 2
    EXPECT_EQ(a.m__UCHAR__EndMSF[0], 0);  // 499 + 150 = 649 frames = 00:08:49
    EXPECT_EQ(a.m__UCHAR__EndMSF[1], 8);
    EXPECT_EQ(a.m__UCHAR__EndMSF[2], 49);
    EXPECT_EQ(a.m__UCHAR__IsData, 1);
    EXPECT_EQ(a.m__UCHAR__IsAudio, 0);
    EXPECT_EQ(a.m__UCHAR__IsADR2 | a.m__UCHAR__IsADR3, 0);
    EXPECT_EQ(a.m__UCHAR__DataMode, 1);
    EXPECT_EQ(a.m__UCHAR__Form, 0);
    EXPECT_EQ(+a.m__ULONG__BytesPerBlock, 2048u);
    EXPECT_EQ(0, std::memcmp(t.m__UCHAR__TrackDescriptors[0], l__Descriptors[3].data(), 11));

    // Audio, ADR 2, CONTROL 1011b: four channels, copy permitted, pre-emphasis.
    const TOC_TRACK_ENTRY& b = t.m__TOC_TRACK_ENTRY__Tracks[1];
    EXPECT_EQ(b.m__UCHAR__TrackNumber, 2);
    EXPECT_EQ(+b.m__LONG__StartLBA, 500);
    EXPECT_EQ(+b.m__LONG__EndLBA, 999);  // one before the session's lead-out
    EXPECT_EQ(b.m__UCHAR__IsADR2, 1);
    EXPECT_EQ(b.m__UCHAR__IsADR3, 0);
    EXPECT_EQ(b.m__UCHAR__IsAudio, 1);
    EXPECT_EQ(b.m__UCHAR__IsData, 0);
    EXPECT_EQ(b.m__UCHAR__IsFourChannel, 1);
    EXPECT_EQ(b.m__UCHAR__IsPreEmphasis, 1);
    EXPECT_EQ(b.m__UCHAR__IsCopyPermitted, 1);
    EXPECT_EQ(b.m__UCHAR__DataMode, 0);
    EXPECT_EQ(+b.m__ULONG__BytesPerBlock, 2352u);

    // Data, ADR 3, CONTROL 0110b: the audio-only bits stay clear on a data track.
    const TOC_TRACK_ENTRY& c = t.m__TOC_TRACK_ENTRY__Tracks[2];
    EXPECT_EQ(c.m__UCHAR__TrackNumber, 3);
    EXPECT_EQ(c.m__UCHAR__SessionNumber, 2);
    EXPECT_EQ(+c.m__LONG__StartLBA, 12000);
    EXPECT_EQ(+c.m__LONG__EndLBA, 12999);
    EXPECT_EQ(c.m__UCHAR__IsADR3, 1);
    EXPECT_EQ(c.m__UCHAR__IsFourChannel, 0);
    EXPECT_EQ(c.m__UCHAR__IsPreEmphasis, 0);
    EXPECT_EQ(c.m__UCHAR__IsCopyPermitted, 1);
    EXPECT_EQ(c.m__UCHAR__DataMode, 2);
    EXPECT_EQ(c.m__UCHAR__Form, 2);
    EXPECT_EQ(+c.m__ULONG__BytesPerBlock, 2324u);

    // Only the data tracks are read: sync and all headers of their first block.
    auto l__Reads = CommandsOf(READ_CD);
    ASSERT_EQ(l__Reads.size(), 2u);
    EXPECT_EQ(l__Reads[1].m__Cdb[5], 12000 & 0xFF);
    EXPECT_EQ(l__Reads[1].m__Cdb[4], 12000 >> 8);
    EXPECT_EQ(l__Reads[1].m__Cdb[8], 1);
    EXPECT_EQ(l__Reads[1].m__Cdb[9], 0xE0);
    EXPECT_EQ(l__Reads[1].m__Cdb[10], 0);
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Capture.Contains("\nCTarnwick_CdvdBurnerGrabber::ReadTOCForCD(): Entry 4, Session 0x01, CONTROL 0x0B\n"))
        << l__Capture.Text();
    EXPECT_TRUE(l__Capture.Contains("\nCTarnwick_CdvdBurnerGrabber::ReadTOCForCD(): ADR 0x02, TNO 0x00, POINT 0x02\n"));
    EXPECT_TRUE(l__Capture.Contains(
        "\nCTarnwick_CdvdBurnerGrabber::ReadTOCForCD(): Min 0x00, Sec 0x00, Frame 0x00, Zero 0x00\n"));
    EXPECT_TRUE(l__Capture.Contains("\nCTarnwick_CdvdBurnerGrabber::ReadTOCForCD(): PMIN 0x00, PSEC 0x08, PFRAME 0x32\n"));
}

// A data length beyond the 16,384-byte reply, a buffer full of track descriptors: the parser
// stays inside the reply and the record, and keeps the first 100 tracks and 255 descriptors.
TEST_F(TocReading, OverLongReplyStaysInsideReplyAndRecord) {
    Bytes l__Reply(16384, 0);
    l__Reply[0] = 0xFF;
    l__Reply[1] = 0xFF;
    for (size_t i = 4; i + 11 <= l__Reply.size(); i += 11) {
        const size_t l__Index = (i - 4) / 11;
        Bytes d = Descriptor(1, 0x10, static_cast<uint8_t>(1 + l__Index % 100), static_cast<LONG>(l__Index));
        std::copy(d.begin(), d.end(), l__Reply.begin() + static_cast<long>(i));
    }
    HoldCd(l__Reply);
    ASSERT_EQ(ReadToc(), 0u) << m__Text;
    EXPECT_EQ(m__Toc->m__UCHAR__NumberOfDescriptors, 255);
    EXPECT_EQ(m__Toc->m__UCHAR__NumberOfTracks, 100);
    EXPECT_EQ(m__Toc->m__TOC_TRACK_ENTRY__Tracks[99].m__UCHAR__TrackNumber, 100);
    EXPECT_EQ(+m__Toc->m__TOC_TRACK_ENTRY__Tracks[98].m__LONG__EndLBA, 98);  // the next descriptor is track 100
    EXPECT_EQ(0, std::memcmp(m__Toc->m__UCHAR__Descriptors[254], l__Reply.data() + 4 + 254 * 11, 11));
}

// A reply that ends before the descriptors its data length announces: the rest of the
// buffer is zero and adds no track.
TEST_F(TocReading, TruncatedReplyReadsOnlyWhatArrived) {
    Bytes l__Reply = FullToc({Descriptor(1, 0x10, 0xA2, 3000), Descriptor(1, 0x10, 0x01, 0),
                              Descriptor(1, 0x10, 0x02, 1000), Descriptor(1, 0x10, 0x03, 2000)});
    l__Reply.resize(4 + 2 * 11 + 3);  // track 2 arrives cut before its POINT, track 3 not at all
    HoldCd(l__Reply);
    ASSERT_EQ(ReadToc(), 0u) << m__Text;
    EXPECT_EQ(m__Toc->m__UCHAR__NumberOfDescriptors, 4);
    ASSERT_EQ(m__Toc->m__UCHAR__NumberOfTracks, 1);
    EXPECT_EQ(+m__Toc->m__TOC_TRACK_ENTRY__Tracks[0].m__LONG__EndLBA, 2999);  // no track 2 start arrived
    EXPECT_EQ(m__Toc->m__TOC_TRACK_ENTRY__Tracks[1].m__UCHAR__IsValid, 0);
}

class DvdToc : public TocReading {
protected:
    // A DVD of the given last LBA whose block 16 is the given one (empty: READ(10) fails).
    void HoldDvd(uint32_t p__LastLba, const Bytes& p__Block16) {
        m__Drive->Always(READ_DVD_STRUCTURE, ScriptedAnswer::Good(Bytes(2052, 0)));
        m__Drive->Always(READ_CAPACITY, ScriptedAnswer::Good({static_cast<uint8_t>(p__LastLba >> 24),
                                                              static_cast<uint8_t>(p__LastLba >> 16),
                                                              static_cast<uint8_t>(p__LastLba >> 8),
                                                              static_cast<uint8_t>(p__LastLba), 0, 0, 8, 0}));
        m__Drive->Always(READ10, p__Block16.empty() ? ScriptedAnswer::Check(0x03, 0x11, 0x00)
                                                    : ScriptedAnswer::Good(p__Block16));
    }
    static Bytes Pvd(const char* p__Signature, uint32_t p__VolumeBlocks) {
        Bytes l__Block(2048, 0);
        l__Block[0] = 1;
        std::memcpy(l__Block.data() + 1, p__Signature, 5);
        for (int i = 0; i < 4; ++i) l__Block[80 + i] = static_cast<uint8_t>(p__VolumeBlocks >> (8 * i));
        return l__Block;
    }
};

TEST_F(DvdToc, OneTrackEndsAtTheVolumesLastBlock) {
    HoldDvd(99999, Pvd("CD001", 4000));
    TraceCapture l__Capture;
    ASSERT_EQ(ReadToc(), 0u) << m__Text;
    const TOC_INFORMATION& t = *m__Toc;
    EXPECT_EQ(t.m__UCHAR__IsValid, 1);
    EXPECT_EQ(t.m__UCHAR__IsDVD, 1);
    EXPECT_EQ(t.m__UCHAR__LastSessionNumber, 1);
    EXPECT_EQ(t.m__UCHAR__NumberOfTracks, 1);
    EXPECT_EQ(t.m__UCHAR__NumberOfDescriptors, 1);
    const TOC_TRACK_ENTRY& e = t.m__TOC_TRACK_ENTRY__Tracks[0];
    EXPECT_EQ(+e.m__LONG__StartLBA, 0);
    EXPECT_EQ(+e.m__LONG__EndLBA, 3999);  // 4000 blocks: the last is 3999
    EXPECT_EQ(e.m__UCHAR__EndMSF[0], 0);  // 3999 + 150 = 4149 frames = 00:55:24
    EXPECT_EQ(e.m__UCHAR__EndMSF[1], 55);
    EXPECT_EQ(e.m__UCHAR__EndMSF[2], 24);
    EXPECT_EQ(e.m__UCHAR__IsData, 1);
    EXPECT_EQ(e.m__UCHAR__IsCopyPermitted, 1);
    EXPECT_EQ(e.m__UCHAR__DataMode, 1);
    EXPECT_EQ(+e.m__ULONG__BytesPerBlock, 2048u);
    const uint8_t l__Expected[11] = {1, 0x41, 0, 1, 0, 2, 0, 0, 0, 55, 24};
    EXPECT_EQ(0, std::memcmp(t.m__UCHAR__TrackDescriptors[0], l__Expected, 11));
    EXPECT_EQ(0, std::memcmp(t.m__UCHAR__Descriptors[0], l__Expected, 11));
    auto l__Reads = CommandsOf(READ10);
    ASSERT_EQ(l__Reads.size(), 1u);
    EXPECT_EQ(l__Reads[0].m__Cdb[5], 16);
    EXPECT_EQ(l__Reads[0].m__Cdb[8], 1);
    EXPECT_EQ(CommandsOf(READ_TOC).size(), 0u);
    REQUIRE_TRACING();
    EXPECT_TRUE(
        l__Capture.Contains("\nCTarnwick_CdvdBurnerGrabber::ReadTOCForDVD(): Replacing ending LBA with new value from PVD\n"));
}

// A BD refuses the DVD structure as a CD does; its disc type sends it down the DVD path all the
// same (a full TOC, which only a CD has, is never asked for).
TEST_F(DvdToc, BdIsReadAsADvdAlthoughItRefusesTheDvdStructure) {
    for (int l__Profile : {0x0040, 0x0041, 0x0043}) {
        SCOPED_TRACE(l__Profile);
        HoldDvd(99999, Pvd("CD001", 4000));
        m__Drive->Always(READ_DVD_STRUCTURE, ScriptedAnswer::Check(0x05, 0x30, 0x02));
        m__Pages->m__Profile = l__Profile;
        m__Drive->ClearCommands();
        ASSERT_EQ(ReadToc(), 0u) << m__Text;
        EXPECT_EQ(m__Toc->m__UCHAR__IsDVD, 1);
        EXPECT_EQ(+m__Toc->m__TOC_TRACK_ENTRY__Tracks[0].m__LONG__EndLBA, 3999);
        EXPECT_EQ(CommandsOf(READ_DVD_STRUCTURE).size(), 0u);
        for (const ScriptedCommand& c : CommandsOf(READ_TOC)) EXPECT_NE(c.m__Cdb[2] & 0x0F, 2);
    }
}

TEST_F(DvdToc, WithoutAVolumeTheCapacityStays) {
    {
        HoldDvd(5000, Pvd("XY123", 4000));
        TraceCapture l__Capture;
        ASSERT_EQ(ReadToc(), 0u) << m__Text;
        EXPECT_EQ(+m__Toc->m__TOC_TRACK_ENTRY__Tracks[0].m__LONG__EndLBA, 5000);
        if (g__BOOLEAN__TraceEnabled) {
            EXPECT_TRUE(l__Capture.Contains("\nCTarnwick_CdvdBurnerGrabber::ReadTOCForDVD(): PVD signature is bad - 0x58 "
                                            "0x59 0x31 0x32 0x33!!!\n"))
                << l__Capture.Text();
        }
    }
    HoldDvd(6000, {});
    ASSERT_EQ(ReadToc(), 0u) << m__Text;
    EXPECT_EQ(+m__Toc->m__TOC_TRACK_ENTRY__Tracks[0].m__LONG__EndLBA, 6000);
    HoldDvd(7000, Pvd("CD001", 0));
    ASSERT_EQ(ReadToc(), 0u) << m__Text;
    EXPECT_EQ(+m__Toc->m__TOC_TRACK_ENTRY__Tracks[0].m__LONG__EndLBA, 7000);
}

// A multisession DVD: READ DISC INFORMATION names the last track, READ TRACK INFORMATION
// answers each track by number (start, size, session, blank flag, next writable address).
class MultisessionDvdToc : public DvdToc {
protected:
    struct Track {
        uint8_t m__Session;
        uint32_t m__Start, m__Size;
        bool m__Blank;
        uint32_t m__Next;  // 0: no valid next writable address
        uint8_t m__DataMode;
    };
    void HoldTracks(const std::vector<Track>& p__Tracks) {
        HoldDvd(99999, Pvd("CD001", 300));
        Bytes l__Disc(34, 0);
        l__Disc[1] = 32;
        l__Disc[6] = static_cast<uint8_t>(p__Tracks.size());
        m__Drive->Always(READ_DISC_INFORMATION, ScriptedAnswer::Good(l__Disc));
        m__Drive->Respond(READ_TRACK_INFORMATION, [p__Tracks](const ScriptedCommand& c) {
            const uint32_t l__Number = (uint32_t{c.m__Cdb[2]} << 24) | (c.m__Cdb[3] << 16) | (c.m__Cdb[4] << 8) | c.m__Cdb[5];
            if ((c.m__Cdb[1] & 0x03) != 1 || l__Number == 0 || l__Number > p__Tracks.size())
                return ScriptedAnswer::Check(0x05, 0x24, 0x00);
            const Track& t = p__Tracks[l__Number - 1];
            Bytes l__Reply(36, 0);
            l__Reply[1] = 34;
            l__Reply[2] = static_cast<uint8_t>(l__Number);
            l__Reply[3] = t.m__Session;
            l__Reply[5] = 0x05;
            l__Reply[6] = static_cast<uint8_t>((t.m__Blank ? 0x40 : 0) | t.m__DataMode);
            l__Reply[7] = t.m__Next != 0 ? 0x01 : 0x00;
            auto Put = [&](size_t at, uint32_t v) {
                for (int i = 0; i < 4; ++i) l__Reply[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
            };
            Put(8, t.m__Start);
            Put(12, t.m__Next);
            Put(24, t.m__Size);
            return ScriptedAnswer::Good(l__Reply);
        });
    }
    static constexpr uint8_t READ_DISC_INFORMATION = 0x51, READ_TRACK_INFORMATION = 0x52;
};

// Read as one track from LBA 0, a third session importing "track 1" would find the first
// session's volume descriptors and lose the second session's files: each track is told.
TEST_F(MultisessionDvdToc, EveryRecordedTrackIsToldWithItsOwnStartEndAndSession) {
    HoldTracks({{1, 0, 300, false, 0, 1},
                {2, 2000, 500, false, 0, 1},
                {3, 4000, 99999 - 4000, false, 4100, 0x0F},  // still open: ends before its next writable address
                {4, 4112, 99999 - 4112, true, 4112, 0x0F}});  // the blank track to come
    ASSERT_EQ(ReadToc(), 0u) << m__Text;
    const TOC_INFORMATION& t = *m__Toc;
    EXPECT_EQ(t.m__UCHAR__IsValid, 1);
    EXPECT_EQ(t.m__UCHAR__IsDVD, 1);
    ASSERT_EQ(t.m__UCHAR__NumberOfTracks, 3);
    EXPECT_EQ(t.m__UCHAR__NumberOfDescriptors, 3);
    EXPECT_EQ(t.m__UCHAR__LastSessionNumber, 3);
    const LONG l__Starts[] = {0, 2000, 4000}, l__Ends[] = {299, 2499, 4099};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const TOC_TRACK_ENTRY& e = t.m__TOC_TRACK_ENTRY__Tracks[i];
        EXPECT_EQ(e.m__UCHAR__IsValid, 1);
        EXPECT_EQ(e.m__UCHAR__TrackNumber, i + 1);
        EXPECT_EQ(e.m__UCHAR__SessionNumber, i + 1);
        EXPECT_EQ(+e.m__LONG__StartLBA, l__Starts[i]);
        EXPECT_EQ(+e.m__LONG__EndLBA, l__Ends[i]);
        EXPECT_EQ(e.m__UCHAR__IsData, 1);
        EXPECT_EQ(e.m__UCHAR__DataMode, 1);
        EXPECT_EQ(+e.m__ULONG__BytesPerBlock, 2048u);
        uint8_t l__Start[3], l__End[3];
        CTarnwick_CdAddress::LbaToMsf(l__Starts[i], l__Start);
        CTarnwick_CdAddress::LbaToMsf(l__Ends[i], l__End);
        const uint8_t l__Expected[11] = {static_cast<uint8_t>(i + 1), 0x41, 0, static_cast<uint8_t>(i + 1), l__Start[0],
                                         l__Start[1], l__Start[2], 0, l__End[0], l__End[1], l__End[2]};
        EXPECT_EQ(0, std::memcmp(t.m__UCHAR__TrackDescriptors[i], l__Expected, 11));
        EXPECT_EQ(0, std::memcmp(t.m__UCHAR__Descriptors[i], l__Expected, 11));
    }
    EXPECT_EQ(t.m__TOC_TRACK_ENTRY__Tracks[3].m__UCHAR__IsValid, 0);
    // Nothing of the one-track reading: no capacity, no volume descriptor.
    EXPECT_EQ(CommandsOf(READ_CAPACITY).size(), 0u);
    EXPECT_EQ(CommandsOf(READ10).size(), 0u);
}

// One recorded track (with or without the blank one after it), or a drive that does not
// tell its tracks: the disc reads as one track from LBA 0 to the volume's last block.
TEST_F(MultisessionDvdToc, OneRecordedTrackOrNoTrackAnswerKeepsTheOneTrackReading) {
    for (const bool l__bool__Refused : {false, true}) {
        SCOPED_TRACE(l__bool__Refused);
        if (l__bool__Refused) {
            HoldTracks({{1, 0, 300, false, 0, 1}, {2, 2000, 500, false, 0, 1}});
            m__Drive->Queue(READ_TRACK_INFORMATION, ScriptedAnswer::Check(0x05, 0x24, 0x00));
        } else {
            HoldTracks({{1, 0, 300, false, 0, 1}, {2, 2000, 5000, true, 2000, 0x0F}});
        }
        std::memset(m__Toc.get(), 0, sizeof(TOC_INFORMATION));
        ASSERT_EQ(ReadToc(), 0u) << m__Text;
        ASSERT_EQ(m__Toc->m__UCHAR__NumberOfTracks, 1);
        const TOC_TRACK_ENTRY& e = m__Toc->m__TOC_TRACK_ENTRY__Tracks[0];
        EXPECT_EQ(+e.m__LONG__StartLBA, 0);
        EXPECT_EQ(+e.m__LONG__EndLBA, 299);  // the volume space size of the descriptor
        EXPECT_EQ(e.m__UCHAR__SessionNumber, 1);
    }
}

TEST_F(TocReading, RefusedReadModeClearsItsFlag) {
    HoldCd(FullToc({Descriptor(1, 0x14, 0xA2, 1000), Descriptor(1, 0x14, 0x01, 0)}));
    // The drive refuses raw P-W on its own and raw main data with formatted Q.
    m__Drive->Respond(READ_CD, [](const ScriptedCommand& c) {
        const bool l__Main = c.m__Cdb[9] != 0;
        if ((!l__Main && c.m__Cdb[10] == 1) || (l__Main && c.m__Cdb[10] == 2))
            return ScriptedAnswer::Check(0x05, 0x24, 0x00);
        return ScriptedAnswer::Good(Bytes(2448, 0));
    });
    BOOLEAN l__Cooked = 7, l__Raw = 7, l__RawPQ = 7, l__RawRawPW = 7, l__PQ = 7, l__RawPW = 7;
    TraceCapture l__Capture;
    m__Burner->ProbeSupportedReadModes(&l__Cooked, &l__Raw, &l__RawPQ, &l__RawRawPW, &l__PQ, &l__RawPW);
    EXPECT_EQ(l__Cooked, 1);
    EXPECT_EQ(l__Raw, 1);
    EXPECT_EQ(l__RawPQ, 0);
    EXPECT_EQ(l__RawRawPW, 1);
    EXPECT_EQ(l__PQ, 1);
    EXPECT_EQ(l__RawPW, 0);

    // TEST UNIT READY, the TOC, then the five probes of block 0 in their order.
    auto l__Commands = m__Drive->Commands();
    ASSERT_FALSE(l__Commands.empty());
    EXPECT_EQ(l__Commands[0].m__Cdb[0], 0x00);
    auto l__Reads = CommandsOf(READ_CD);
    ASSERT_EQ(l__Reads.size(), 6u);  // the TOC's data track, then the probes
    const uint8_t l__Flags[5] = {0xF8, 0xF8, 0xF8, 0x00, 0x00};
    const uint8_t l__Sub[5] = {0, 2, 1, 2, 1};
    for (int i = 0; i < 5; ++i) {
        const ScriptedCommand& c = l__Reads[1 + i];
        EXPECT_EQ(c.m__Cdb[1], 0) << i;
        EXPECT_EQ(c.m__Cdb[5], 0) << i;
        EXPECT_EQ(c.m__Cdb[8], 1) << i;
        EXPECT_EQ(c.m__Cdb[9], l__Flags[i]) << i;
        EXPECT_EQ(c.m__Cdb[10], l__Sub[i]) << i;
        EXPECT_EQ(c.m__BufferLength, 4096u) << i;
    }
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Capture.Contains(
        "\nCTarnwick_CdvdBurnerGrabber::ProbeSupportedReadModes(): ReadCD( raw P-W subchannel ) failed!!!\n"
        "CTarnwick_CdvdBurnerGrabber::ProbeSupportedReadModes(): WARNING! Status 8, message "))
        << l__Capture.Text();
    EXPECT_TRUE(l__Capture.Contains(
        "\nCTarnwick_CdvdBurnerGrabber::ProbeSupportedReadModes(): ReadCD( raw + PQ subchannel ) failed!!!\n"));
    EXPECT_FALSE(l__Capture.Contains("ReadCD( raw ) failed"));
}

TEST_F(TocReading, ProbeStopsWhenTheUnitOrTheTocFails) {
    m__Drive->Queue(0x00, ScriptedAnswer::Check(0x02, 0x3A, 0x00));
    BOOLEAN r[6] = {};
    ULONG l__Number = 0;
    try {
        m__Burner->ProbeSupportedReadModes(&r[0], &r[1], &r[2], &r[3], &r[4], &r[5]);
    } catch (CTarnwick_Exception* l__Exception) {
        l__Number = l__Exception ? l__Exception->GetExceptionNumber() : 12;
        delete l__Exception;
    }
    EXPECT_NE(l__Number, 0u);
    EXPECT_EQ(CommandsOf(READ_CD).size(), 0u);

    HoldCd({0x00, 0x02, 0x01, 0x01});
    l__Number = 0;
    try {
        m__Burner->ProbeSupportedReadModes(&r[0], &r[1], &r[2], &r[3], &r[4], &r[5]);
    } catch (CTarnwick_Exception* l__Exception) {
        l__Number = l__Exception ? l__Exception->GetExceptionNumber() : 12;
        delete l__Exception;
    }
    EXPECT_EQ(l__Number, 10u);
    EXPECT_EQ(CommandsOf(READ_CD).size(), 0u);
}

}  // namespace
