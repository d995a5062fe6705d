// Session-At-Once of a raw image (2448-byte blocks with raw P-W sub-channel) against a scripted
// CD-R: write parameters, the cue sheet of the raw tracks, the lead-in in raw mode, the
// synthesised pre-gap, the stream as sent, and the refusal of a stream of the wrong size.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "../sectors/SubchannelReference.h"
#include "CTarnwick_CarrierTree.h"
#include "CTarnwick_MemoryFile.h"
#include "ModePageDrive.h"
#include "ScriptedBackend.h"
#include "TraceCapture.h"
#include "WriteTestSupport.h"

namespace {

using Bytes = std::vector<uint8_t>;
namespace Ref = SubchannelReference;

void Ignore(ULONG, PVOID, PVOID, PVOID) {}

constexpr uint32_t BLOCK = 2448;
// A Mode 1 track and two sound tracks; the stream holds the pre-gaps of tracks 2 and 3.
constexpr ULONG LENGTHS[3] = {400, 350, 320};
constexpr int32_t DATA_END = 400;
constexpr int32_t STREAM_BLOCKS = 400 + 150 + 350 + 150 + 320;

// The stream as an image file holds it: data sectors unscrambled with sync and header, sound
// sectors without, every block with its R-W bits set to a pattern (P and Q clear).
Bytes MakeStream(int32_t p__Blocks) {
    Bytes l__Stream(size_t(p__Blocks) * BLOCK);
    for (int32_t l__Lba = 0; l__Lba < p__Blocks; ++l__Lba) {
        uint8_t* b = l__Stream.data() + size_t(l__Lba) * BLOCK;
        if (l__Lba < DATA_END) {
            const uint8_t l__Sync[12] = {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0};
            std::memcpy(b, l__Sync, 12);
            const Ref::Msf l__Msf = Ref::AbsoluteMsf(l__Lba);
            std::copy(l__Msf.begin(), l__Msf.end(), b + 12);
            b[15] = 1;
            for (int i = 16; i < 2352; ++i) b[i] = static_cast<uint8_t>(l__Lba * 7 + i);
        } else {
            for (int i = 0; i < 2352; ++i) b[i] = static_cast<uint8_t>(l__Lba + i * 3 + 1);
        }
        for (int j = 0; j < 96; ++j) b[2352 + j] = static_cast<uint8_t>((l__Lba + j) & 0x3F);
    }
    return l__Stream;
}

class SessionAtOnceRaw : public ModePageDriveTest {
protected:
    void SetUp() override {
        ModePageDriveTest::SetUp();
        m__Pages->m__Profile = 0x0009;  // CD-R
        m__Burner = std::make_unique<HookedBurner>(Ignore, nullptr, 0, 0, 0, 0, 1);
        m__Drive->Always(0x52, ScriptedAnswer::Good(TrackInformation(true, true, 359849, 0)));
        m__Drive->Always(0x51, ScriptedAnswer::Good(DiscInformation(97, 26, 66)));  // lead-in at -11634
        m__Drive->ClearCommands();
    }
    void TearDown() override {
        m__Burner.reset();
        ModePageDriveTest::TearDown();
    }
    // Burns the stream as one raw entry whose raw tracks have the lengths and sound flags given
    // (by default the data track and two sound tracks of MakeStream), a next session allowed.
    ULONG Burn(const Bytes& p__Stream, BOOLEAN p__RawMode,
               const std::vector<std::pair<ULONG, bool>>& p__Tracks = {{LENGTHS[0], false}, {LENGTHS[1], true}, {LENGTHS[2], true}}) {
        CTarnwick_MemoryFile l__Source(p__Stream.data(), p__Stream.size());
        CTarnwick_CarrierTree l__Tree(&l__Source);
        m__Session = std::make_unique<SESSION_DESCRIPTOR>();
        std::memset(m__Session.get(), 0, sizeof(SESSION_DESCRIPTOR));
        m__Session->m__ULONG__NumberOfTracks = 1;
        m__Session->m__SESSION_TRACK_ENTRY__Tracks[0].m__UCHAR__IsRawPW = 1;
        m__Session->m__SESSION_TRACK_ENTRY__Tracks[0].m__PVOID__Tree = static_cast<CTarnwick_EmptyBase*>(&l__Tree);
        m__Session->m__ULONG__NumberOfRawTracks = static_cast<ULONG>(p__Tracks.size());
        for (size_t k = 0; k < p__Tracks.size(); ++k) {
            m__Session->m__SESSION_TRACK_ENTRY__Tracks[k].m__UCHAR__IsSound = p__Tracks[k].second ? 1 : 0;
            m__Session->m__ULONG__RawTrackBlocks[k] = p__Tracks[k].first;
        }
        return RaisedNumber([&] {
            m__Burner->SessionAtOnce(m__Session.get(), 0, 0, 1, 0, 0, p__RawMode);
        }, &m__Text);
    }
    Bytes CueSheet() {
        for (const ScriptedCommand& c : m__Drive->Commands())
            if (c.m__Cdb[0] == 0x5D) return c.m__DataOut;
        return {};
    }

    std::unique_ptr<HookedBurner> m__Burner;
    std::unique_ptr<SESSION_DESCRIPTOR> m__Session;
    std::string m__Text;
};

}  // namespace

TEST_F(SessionAtOnceRaw, WritesTheRawTracksAsOneStreamAfterASynthesisedPregap) {
    const Bytes l__Stream = MakeStream(STREAM_BLOCKS);
    for (const BOOLEAN l__RawMode : {BOOLEAN{0}, BOOLEAN{1}}) {
        SCOPED_TRACE(l__RawMode ? "raw mode" : "drive's lead-in");
        m__Drive->ClearCommands();
        m__Pages->m__Selected.clear();
        TraceCapture l__Trace;
        ASSERT_EQ(Burn(l__Stream, l__RawMode), 0u) << m__Text;

        // Session-At-Once, data block type 0, no next session although one was allowed.
        ASSERT_FALSE(m__Pages->m__Selected.empty());
        const Bytes& l__Page = m__Pages->m__Selected.back();
        EXPECT_EQ(l__Page[8 + 2] & 0x0F, 2);
        EXPECT_EQ(l__Page[8 + 3] >> 6, 0);
        EXPECT_EQ(l__Page[8 + 4] & 0x0F, 0);

        // Every raw track with raw P-W data; index 1 of each where the lengths put it.
        const Bytes l__Expected = {
            0x41, 0x00, 0x00, uint8_t(l__RawMode ? 0x41 : 0x14), 0, 0, 0, 0,
            0x41, 0x01, 0x00, 0x40, 0, 0, 0, 0,    0x41, 0x01, 0x01, 0x40, 0, 0, 2, 0,
            0x01, 0x02, 0x00, 0x40, 0, 0, 7, 25,   0x01, 0x02, 0x01, 0x40, 0, 0, 9, 25,     // LBA 400, 550
            0x01, 0x03, 0x00, 0x40, 0, 0, 14, 0,   0x01, 0x03, 0x01, 0x40, 0, 0, 16, 0,     // LBA 900, 1050
            0x01, 0xAA, 0x01, 0x14, 0, 0, 20, 20,                                           // LBA 1370
        };
        EXPECT_EQ(CueSheet(), l__Expected);

        const std::vector<ScriptedCommand> l__Writes = WriteCommands(m__Drive->Commands());
        size_t l__At = 0;
        int32_t l__Next = l__RawMode ? -11634 : -150;
        // The lead-in: sub-channel only, 96 zero bytes a block, up to the pre-gap.
        for (; l__At < l__Writes.size() && Lba(l__Writes[l__At]) < -150; ++l__At) {
            const ScriptedCommand& w = l__Writes[l__At];
            ASSERT_EQ(Lba(w), l__Next);
            EXPECT_EQ(w.m__DataOut.size(), Blocks(w) * 96u);
            EXPECT_TRUE(std::all_of(w.m__DataOut.begin(), w.m__DataOut.end(), [](uint8_t b) { return b == 0; }));
            l__Next += static_cast<int32_t>(Blocks(w));
        }
        ASSERT_EQ(l__Next, -150);
        // The pre-gap: index 0 of track 1, relative time counting down, P set, Mode 1 sectors.
        for (; l__Next < 0; ++l__At) {
            ASSERT_LT(l__At, l__Writes.size());
            const ScriptedCommand& w = l__Writes[l__At];
            ASSERT_EQ(Lba(w), l__Next);
            ASSERT_EQ(Blocks(w), 10u);
            ASSERT_EQ(w.m__DataOut.size(), 10u * BLOCK);
            for (uint32_t k = 0; k < 10; ++k, ++l__Next) {
                const uint8_t* b = w.m__DataOut.data() + k * BLOCK;
                bool l__P = false;
                const auto l__Q = Ref::CheckedQ(b, BLOCK, &l__P);
                EXPECT_TRUE(l__P);
                EXPECT_EQ(l__Q[0], 0x41);
                EXPECT_EQ(l__Q[1], 0x01);
                EXPECT_EQ(l__Q[2], 0x00);
                EXPECT_EQ(Ref::QTime(l__Q), Ref::FramesToMsf(-1 - l__Next)) << "LBA " << l__Next;
                EXPECT_EQ(Ref::QPointOrAbsoluteTime(l__Q), Ref::AbsoluteMsf(l__Next)) << "LBA " << l__Next;
                Ref::ExpectDataSector(b, l__Next, Ref::Kind::Mode1);
            }
        }
        // The stream from LBA 0: data sectors scrambled, sound sectors and sub-channel as they
        // are, but for the P channel of the first sector.
        Bytes l__Sent;
        for (; l__At < l__Writes.size(); ++l__At) {
            ASSERT_EQ(Lba(l__Writes[l__At]), l__Next);
            l__Sent.insert(l__Sent.end(), l__Writes[l__At].m__DataOut.begin(), l__Writes[l__At].m__DataOut.end());
            l__Next += static_cast<int32_t>(Blocks(l__Writes[l__At]));
        }
        ASSERT_EQ(l__Next, STREAM_BLOCKS) << "the stream ends where the cue sheet puts the lead-out";
        ASSERT_EQ(l__Sent.size(), l__Stream.size());
        for (int32_t l__Lba = 0; l__Lba < STREAM_BLOCKS; ++l__Lba) {
            Bytes l__Block(l__Sent.begin() + l__Lba * BLOCK, l__Sent.begin() + (l__Lba + 1) * BLOCK);
            const Bytes l__Original(l__Stream.begin() + l__Lba * BLOCK, l__Stream.begin() + (l__Lba + 1) * BLOCK);
            if (l__Lba < DATA_END) {
                ASSERT_FALSE(std::equal(l__Block.begin() + 12, l__Block.begin() + 2352, l__Original.begin() + 12)) << "LBA " << l__Lba;
                Ref::Descramble(l__Block.data());
            }
            ASSERT_TRUE(std::equal(l__Block.begin(), l__Block.begin() + 2352, l__Original.begin())) << "LBA " << l__Lba;
            for (int j = 0; j < 96; ++j)
                ASSERT_EQ(l__Block[2352 + j], l__Lba == 0 ? (l__Original[2352 + j] | 0x80) : l__Original[2352 + j]) << "LBA " << l__Lba;
        }
        EXPECT_EQ(CTarnwick_CdvdBurnerGrabber::ScrambledSectors(), uint64_t(DATA_END));
        EXPECT_EQ(m__Drive->CountOpcode(0x35), 1u);
        EXPECT_EQ(m__Drive->CountOpcode(0x1B), 0u);
        REQUIRE_TRACING();
        EXPECT_TRUE(l__Trace.Contains("\nCTarnwick_CdvdBurnerGrabber::SessionAtOnce(): Patching number of tracks to number of raw + raw P-W subchannel tracks\n"));
        EXPECT_TRUE(l__Trace.Contains("\nCTarnwick_CdvdBurnerGrabber::SessionAtOnce(): Patching number of tracks to one in raw + raw P-W subchannel mode\n"));
        EXPECT_TRUE(l__Trace.Contains("\nCTarnwick_CdvdBurnerGrabber::SessionAtOnceTrack(): Scrambled sectors 400\n"));
        EXPECT_EQ(l__Trace.Contains("\nCTarnwick_CdvdBurnerGrabber::SessionAtOnceTrack(): First track and raw + raw P-W subchannel, writing lead-in\n"),
                  l__RawMode == 1);
    }
}

// A sound track first and a data track after it: the data track's sectors are scrambled all
// the same, and the sound track's are sent as they are, even where they happen to begin with
// the sync pattern.
TEST_F(SessionAtOnceRaw, DataSectorsAfterASoundTrackAreScrambledAndSoundIsNot) {
    constexpr int32_t SOUND = 300, DATA_FROM = 300, BLOCKS = 300 + 150 + 320;
    Bytes l__Stream(size_t(BLOCKS) * BLOCK);
    const uint8_t l__Sync[12] = {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0};
    for (int32_t l__Lba = 0; l__Lba < BLOCKS; ++l__Lba) {
        uint8_t* b = l__Stream.data() + size_t(l__Lba) * BLOCK;
        for (int i = 0; i < 2352; ++i) b[i] = static_cast<uint8_t>(l__Lba * 5 + i);
        // Every tenth sound sector starts like a Mode 1 sector; every data sector is one.
        if (l__Lba >= DATA_FROM || l__Lba % 10 == 0) {
            std::memcpy(b, l__Sync, 12);
            b[15] = 1;
        }
    }
    ASSERT_EQ(Burn(l__Stream, 0, {{SOUND, true}, {320, false}}), 0u) << m__Text;

    Bytes l__Sent;
    for (const ScriptedCommand& w : WriteCommands(m__Drive->Commands()))
        if (Lba(w) >= 0) l__Sent.insert(l__Sent.end(), w.m__DataOut.begin(), w.m__DataOut.end());
    ASSERT_EQ(l__Sent.size(), l__Stream.size());
    for (int32_t l__Lba = 0; l__Lba < BLOCKS; ++l__Lba) {
        uint8_t* l__Block = l__Sent.data() + size_t(l__Lba) * BLOCK;
        const uint8_t* l__Original = l__Stream.data() + size_t(l__Lba) * BLOCK;
        if (l__Lba >= DATA_FROM) {
            ASSERT_FALSE(std::equal(l__Block + 12, l__Block + 2352, l__Original + 12)) << "LBA " << l__Lba << " is not scrambled";
            Ref::Descramble(l__Block);
        }
        ASSERT_TRUE(std::equal(l__Block, l__Block + 2352, l__Original)) << "LBA " << l__Lba;
    }
    EXPECT_EQ(CTarnwick_CdvdBurnerGrabber::ScrambledSectors(), uint64_t(BLOCKS - DATA_FROM));
}

// An image shorter or longer than the tracks its descriptor gives, or not whole blocks, would
// put the lead-out elsewhere than the cue sheet says: refused before anything is sent.
TEST_F(SessionAtOnceRaw, StreamOfTheWrongSizeIsRefusedBeforeAnythingIsSent) {
    for (const int64_t l__Bytes : {int64_t(STREAM_BLOCKS - 1) * BLOCK, int64_t(STREAM_BLOCKS + 1) * BLOCK,
                                   int64_t(STREAM_BLOCKS) * BLOCK + 100, int64_t(STREAM_BLOCKS) * BLOCK - 100}) {
        SCOPED_TRACE(l__Bytes);
        m__Drive->ClearCommands();
        Bytes l__Stream = MakeStream(STREAM_BLOCKS + 1);
        l__Stream.resize(static_cast<size_t>(l__Bytes));
        EXPECT_EQ(Burn(l__Stream, 1), 10u);
        EXPECT_NE(m__Text.find("SessionAtOnce(): Raw stream of " + std::to_string(l__Bytes) + " UCHARs is not the 1370 LBs"),
                  std::string::npos)
            << m__Text;
        EXPECT_EQ(m__Drive->CountOpcode(0x55), 0u);
        EXPECT_EQ(m__Drive->CountOpcode(0x5D), 0u);
        EXPECT_EQ(m__Drive->CountOpcode(0x2A), 0u);
    }
}
