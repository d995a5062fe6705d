// The cue sheet of a Session-At-Once session, compiled from the entries of its descriptor:
// data forms, CTL/ADR, binary track numbers and binary MIN/SEC/FRAME addresses.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "CTarnwick_CdvdBurnerGrabber.h"
#include "TraceCapture.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Compiled {
    Bytes m__Sheet;
    ULONG m__Size = 0;
};

Compiled Compile(const SESSION_DESCRIPTOR& p__Session, BOOLEAN p__Mode2Form1, BOOLEAN p__Raw = 0) {
    Compiled l__Result;
    l__Result.m__Sheet.assign(CTarnwick_CdvdBurnerGrabber::CUE_SHEET_BUFFER_SIZE, 0xEE);
    CTarnwick_CdvdBurnerGrabber::CompileCueSheet(&p__Session, l__Result.m__Sheet.data(), &l__Result.m__Size, p__Mode2Form1,
                                                 p__Raw);
    return l__Result;
}

std::unique_ptr<SESSION_DESCRIPTOR> Session(std::initializer_list<SESSION_TRACK_ENTRY> p__Tracks) {
    auto l__Session = std::make_unique<SESSION_DESCRIPTOR>();
    std::memset(l__Session.get(), 0, sizeof(SESSION_DESCRIPTOR));
    for (const SESSION_TRACK_ENTRY& l__Track : p__Tracks)
        l__Session->m__SESSION_TRACK_ENTRY__Tracks[l__Session->m__ULONG__NumberOfTracks++] = l__Track;
    return l__Session;
}

SESSION_TRACK_ENTRY Track(LONG p__Size, LONG p__GapAfter, UCHAR p__IsSound = 0, UCHAR p__IsMode2 = 0, LONG p__ExtraPregap = 0) {
    SESSION_TRACK_ENTRY l__Entry{};
    l__Entry.m__UCHAR__IsSound = p__IsSound;
    l__Entry.m__UCHAR__IsMode2 = p__IsMode2;
    l__Entry.m__LONG__TrackSize = p__Size;
    l__Entry.m__LONG__GapAfter = p__GapAfter;
    l__Entry.m__LONG__ExtraPregap = p__ExtraPregap;
    return l__Entry;
}

Bytes Entries(const Compiled& p__Compiled) {
    return Bytes(p__Compiled.m__Sheet.begin(), p__Compiled.m__Sheet.begin() + p__Compiled.m__Size);
}

}  // namespace

TEST(SessionCueSheet, OneModeOneTrackOfAThousandBlocks) {
    auto l__Session = Session({Track(1000, 600)});
    TraceCapture l__Trace;
    const Compiled l__Compiled = Compile(*l__Session, 0);
    EXPECT_EQ(l__Compiled.m__Size, 32u);
    EXPECT_EQ(Entries(l__Compiled), (Bytes{0x41, 0x00, 0x00, 0x14, 0x00, 0x00, 0x00, 0x00,    // lead-in
                                           0x41, 0x01, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00,    // index 0 at -150
                                           0x41, 0x01, 0x01, 0x10, 0x00, 0x00, 0x02, 0x00,    // index 1 at 0
                                           0x41, 0xAA, 0x01, 0x14, 0x00, 0x00, 0x17, 0x19}));  // lead-out at 1600
    // The rest of the buffer is zeroed.
    for (size_t i = l__Compiled.m__Size; i < l__Compiled.m__Sheet.size(); ++i) ASSERT_EQ(l__Compiled.m__Sheet[i], 0) << i;
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Trace.Contains("CTarnwick_CdvdBurnerGrabber::CompileCueSheet(): Track 0, Size 1000"));
}

TEST(SessionCueSheet, TwoDataTracksWithGapsZeroAndSixHundred) {
    auto l__Session = Session({Track(1000, 0), Track(1000, 600)});
    const Compiled l__Compiled = Compile(*l__Session, 0);
    EXPECT_EQ(l__Compiled.m__Size, 48u);
    EXPECT_EQ(Entries(l__Compiled), (Bytes{0x41, 0x00, 0x00, 0x14, 0, 0, 0, 0,
                                           0x41, 0x01, 0x00, 0x10, 0, 0, 0, 0,        // 00:00:00
                                           0x41, 0x01, 0x01, 0x10, 0, 0, 2, 0,        // 00:02:00
                                           0x41, 0x02, 0x00, 0x10, 0, 0, 15, 25,      // LBA 1000
                                           0x41, 0x02, 0x01, 0x10, 0, 0, 17, 25,      // LBA 1150
                                           0x41, 0xAA, 0x01, 0x14, 0, 0, 38, 50}));   // LBA 2750
}

TEST(SessionCueSheet, ModeTwoFormOneDataBesideASoundTrack) {
    // Data then sound: the data track takes form 20h (the lead-in 24h), the sound track 00h
    // and CTL/ADR 01h, and the lead-out follows the last (sound) track: 01h.
    auto l__Session = Session({Track(1000, 0), Track(500, 600, 1)});
    const Compiled l__Compiled = Compile(*l__Session, 1);
    EXPECT_EQ(Entries(l__Compiled), (Bytes{0x41, 0x00, 0x00, 0x24, 0, 0, 0, 0,
                                           0x41, 0x01, 0x00, 0x20, 0, 0, 0, 0,
                                           0x41, 0x01, 0x01, 0x20, 0, 0, 2, 0,
                                           0x01, 0x02, 0x00, 0x00, 0, 0, 15, 25,
                                           0x01, 0x02, 0x01, 0x00, 0, 0, 17, 25,
                                           0x01, 0xAA, 0x01, 0x01, 0, 0, 32, 0}));  // LBA 2250
    // Sound first: lead-in 01h with CTL/ADR 01h; a Mode 2 flag alone gives 20h without the
    // Mode 2 Form 1 session.
    auto l__Sound = Session({Track(400, 0, 1), Track(400, 600, 0, 1)});
    const Compiled l__Mixed = Compile(*l__Sound, 0);
    EXPECT_EQ(Bytes(l__Mixed.m__Sheet.begin(), l__Mixed.m__Sheet.begin() + 8), (Bytes{0x01, 0, 0, 0x01, 0, 0, 0, 0}));
    EXPECT_EQ(l__Mixed.m__Sheet[24 + 3], 0x20);
    EXPECT_EQ(l__Mixed.m__Sheet[40], 0x41);      // lead-out CTL/ADR of the data track before it
    EXPECT_EQ(l__Mixed.m__Sheet[40 + 3], 0x24);
}

TEST(SessionCueSheet, ExtraPregapMovesIndexOneAndTrackTenAndLaterAreBinary) {
    // 15 tracks of 300 blocks, the third with an extra pre-gap of 75 blocks.
    auto l__Session = Session({});
    for (int i = 0; i < 15; ++i)
        l__Session->m__SESSION_TRACK_ENTRY__Tracks[l__Session->m__ULONG__NumberOfTracks++] =
            Track(300, i == 14 ? 600 : 0, 1, 0, i == 2 ? 75 : 0);
    const Compiled l__Compiled = Compile(*l__Session, 0);
    EXPECT_EQ(l__Compiled.m__Size, 8u + 16u * 15u + 8u);
    LONG l__Address = -150;
    for (int i = 0; i < 15; ++i) {
        const uint8_t* l__Index0 = l__Compiled.m__Sheet.data() + 8 + 16 * i;
        const uint8_t* l__Index1 = l__Index0 + 8;
        EXPECT_EQ(l__Index0[1], i + 1) << "track numbers are binary, not BCD";
        EXPECT_EQ(l__Index1[2], 1);
        const LONG l__Start = l__Address + (i == 2 ? 75 : 0) + 150;
        const LONG l__Frames = l__Start + 150;
        EXPECT_EQ(l__Index1[5] * 4500 + l__Index1[6] * 75 + l__Index1[7], l__Frames) << "track " << i + 1;
        EXPECT_LT(l__Index1[6], 60);
        EXPECT_LT(l__Index1[7], 75);
        l__Address = l__Start + 300;
    }
    const uint8_t* l__LeadOut = l__Compiled.m__Sheet.data() + 8 + 16 * 15;
    EXPECT_EQ(l__LeadOut[1], 0xAA);
    EXPECT_EQ(l__LeadOut[5] * 4500 + l__LeadOut[6] * 75 + l__LeadOut[7], l__Address + 600 + 150);
}

TEST(SessionCueSheet, BlockSizesOfTheTrackKinds) {
    EXPECT_EQ(CTarnwick_CdvdBurnerGrabber::SessionTrackBlockSize(Track(1, 0), 0), 2048u);
    EXPECT_EQ(CTarnwick_CdvdBurnerGrabber::SessionTrackBlockSize(Track(1, 0), 1), 2336u);
    EXPECT_EQ(CTarnwick_CdvdBurnerGrabber::SessionTrackBlockSize(Track(1, 0, 1), 1), 2352u);
    EXPECT_EQ(CTarnwick_CdvdBurnerGrabber::SessionTrackBlockSize(Track(1, 0, 0, 1), 0), 2336u);
    SESSION_TRACK_ENTRY l__Raw = Track(1, 0, 1);
    l__Raw.m__UCHAR__IsRawPW = 1;
    EXPECT_EQ(CTarnwick_CdvdBurnerGrabber::SessionTrackBlockSize(l__Raw, 0), 2448u);
}
