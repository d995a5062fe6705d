// Session-At-Once against a scripted CD-R: the addresses and sizes of every WRITE, what the
// writer does while the cache is dry, and the refusals after the track information.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "CTarnwick_CarrierTree.h"
#include "CTarnwick_MemoryFile.h"
#include "ModePageDrive.h"
#include "ScriptedBackend.h"
#include "WriteTestSupport.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Seen {
    std::vector<ULONG> m__Reasons;
    std::function<void(ULONG)> m__OnReason;
};

void Record(ULONG p__Reason, PVOID p__Context, PVOID, PVOID) {
    auto* l__Seen = static_cast<Seen*>(p__Context);
    l__Seen->m__Reasons.push_back(p__Reason);
    if (l__Seen->m__OnReason) l__Seen->m__OnReason(p__Reason);
}

class SessionAtOnce : public ModePageDriveTest {
protected:
    void SetUp() override {
        ModePageDriveTest::SetUp();
        m__Pages->m__Profile = 0x0009;  // CD-R
        m__Burner = std::make_unique<HookedBurner>(Record, &m__Seen, 0, 0, 0, 0, 1);
        m__Session = std::make_unique<SESSION_DESCRIPTOR>();
        std::memset(m__Session.get(), 0, sizeof(SESSION_DESCRIPTOR));
        m__Drive->ClearCommands();
    }
    void TearDown() override {
        m__Burner.reset();
        ModePageDriveTest::TearDown();
    }
    void Add(CTarnwick_CarrierTree& p__Tree, UCHAR p__IsSound, LONG p__GapAfter) {
        SESSION_TRACK_ENTRY& l__Entry = m__Session->m__SESSION_TRACK_ENTRY__Tracks[m__Session->m__ULONG__NumberOfTracks++];
        l__Entry.m__PVOID__Tree = static_cast<CTarnwick_EmptyBase*>(&p__Tree);
        l__Entry.m__UCHAR__IsSound = p__IsSound;
        l__Entry.m__LONG__GapAfter = p__GapAfter;
    }
    ULONG Burn() {
        return RaisedNumber([&] {
            m__Burner->SessionAtOnce(m__Session.get(), 0, 0, 0, 0, 0, 0);
        }, &m__Text);
    }
    std::vector<ScriptedCommand> Writes() { return WriteCommands(m__Drive->Commands()); }

    std::unique_ptr<HookedBurner> m__Burner;
    std::unique_ptr<SESSION_DESCRIPTOR> m__Session;
    Seen m__Seen;
    std::string m__Text;
};

}  // namespace

TEST_F(SessionAtOnce, DryCacheWritesNothingAndTheGapFollowsTheLastDataBlock) {
    m__Drive->Always(0x52, ScriptedAnswer::Good(TrackInformation(true, true, 359849, 0)));
    // Track 1 (6,000 blocks) stalls at its 120th read of 30 blocks, once the cache has filled,
    // until the writer has reported the underrun.
    LatchedFile l__Stalling(200 * 61440, 120, LatchedFile::DELIVER);
    size_t l__WritesAtUnderrun = 0;
    m__Seen.m__OnReason = [&](ULONG p__Reason) {
        if (p__Reason != BUFFER_UNDERRUN || l__Stalling.m__Release.IsOpen()) return;
        l__WritesAtUnderrun = Writes().size();
        l__Stalling.m__Release.Open();
    };
    CTarnwick_CarrierTree l__First(&l__Stalling);
    const Bytes l__Sound(400 * 2352 + 17, 0x33);
    CTarnwick_MemoryFile l__SoundSource(l__Sound.data(), l__Sound.size());
    CTarnwick_CarrierTree l__Second(&l__SoundSource);
    Add(l__First, 0, 25);
    Add(l__Second, 1, 600);
    ASSERT_EQ(Burn(), 0u) << m__Text;
    ASSERT_GT(l__WritesAtUnderrun, 0u) << "the cache ran dry inside track 1";

    const auto l__Writes = Writes();
    // While dry, the writer had written only the pre-gap and data of track 1 (no gap yet).
    const ScriptedCommand& l__LastBeforeDry = l__Writes[l__WritesAtUnderrun - 1];
    EXPECT_LT(Lba(l__LastBeforeDry) + static_cast<int32_t>(Blocks(l__LastBeforeDry)), 6000);
    // Every block from -150 to the lead-out, in order, each WRITE of the block size of its part.
    int32_t l__Next = -150;
    for (const ScriptedCommand& w : l__Writes) {
        ASSERT_EQ(Lba(w), l__Next);
        const bool l__InSound = l__Next >= 6000 + 25;
        EXPECT_EQ(w.m__DataOut.size(), Blocks(w) * (l__InSound ? 2352u : 2048u)) << "at " << l__Next;
        const bool l__IsZero = std::all_of(w.m__DataOut.begin(), w.m__DataOut.end(), [](uint8_t b) { return b == 0; });
        const bool l__InData = (l__Next >= 0 && l__Next < 6000) || (l__Next >= 6175 && l__Next < 6575);
        EXPECT_EQ(l__IsZero, !l__InData) << "at " << l__Next;
        l__Next += static_cast<int32_t>(Blocks(w));
    }
    // 150 + 6000 + 25 gap, 150 + 400 (the partial sector left out) + 600.
    EXPECT_EQ(l__Next, 6000 + 25 + 150 + 400 + 600);
    EXPECT_EQ(LONG{m__Session->m__SESSION_TRACK_ENTRY__Tracks[1].m__LONG__TrackSize}, 400);
}

TEST_F(SessionAtOnce, TrackInformationThatForbidsTheSessionEjectsWithoutWriting) {
    struct Case {
        Bytes m__Information;
        const char* m__Text;
    };
    const std::vector<Case> l__Cases = {
        {TrackInformation(false, true, 1000, 0), "SessionAtOnce(): Track is not blank!!!"},
        {TrackInformation(true, false, 1000, 0), "SessionAtOnce(): NWA not valid!!!"},
        {TrackInformation(true, true, 1000, 11400), "SessionAtOnce(): NWA not valid, 11400 instead of ( -150 )!!!"},
    };
    const Bytes l__Data(100 * 2048, 1);
    CTarnwick_MemoryFile l__Source(l__Data.data(), l__Data.size());
    CTarnwick_CarrierTree l__Tree(&l__Source);
    Add(l__Tree, 0, 600);
    for (const Case& l__Case : l__Cases) {
        m__Drive->Always(0x52, ScriptedAnswer::Good(l__Case.m__Information));
        m__Drive->ClearCommands();
        EXPECT_EQ(Burn(), 10u);
        EXPECT_NE(m__Text.find(l__Case.m__Text), std::string::npos) << m__Text;
        EXPECT_EQ(m__Drive->CountOpcode(0x2A), 0u);
        EXPECT_EQ(m__Drive->CountOpcode(0x5D), 0u);
        EXPECT_EQ(m__Drive->CountOpcode(0x35), 0u);
        EXPECT_EQ(m__Drive->CountOpcode(0x1B), 1u);
    }
}
