// Raw Disc-At-Once against a scripted CD-R: the write parameters, the areas in packets from
// the lead-in start the drive reports, and what is refused before and after the first write.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "CTarnwick_CarrierTree.h"
#include "CTarnwick_MemoryFile.h"
#include "ModePageDrive.h"
#include "ScriptedBackend.h"
#include "TraceCapture.h"
#include "WriteTestSupport.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Ignore(ULONG, PVOID, PVOID, PVOID) {}

class DiscAtOnce : public ModePageDriveTest {
protected:
    static constexpr ULONG TRACK_BLOCKS = 40;
    void SetUp() override {
        ModePageDriveTest::SetUp();
        m__Pages->m__Profile = 0x0009;  // CD-R
        m__Burner = std::make_unique<HookedBurner>(Ignore, nullptr, 0, 0, 0, 0, 1);
        std::memset(&m__List, 0, sizeof(m__List));
        m__List.m__ULONG__NumberOfTracks = 1;
        m__List.m__DISC_AT_ONCE_TRACK_ENTRY__Tracks[0].m__LONG__SizeInLBs = TRACK_BLOCKS;
        m__List.m__DISC_AT_ONCE_TRACK_ENTRY__Tracks[0].m__ULONG__TrackNumber = 1;
        m__List.m__DISC_AT_ONCE_TRACK_ENTRY__Tracks[0].m__BOOLEAN__IsDataTrack = 1;
        m__Drive->Always(0x52, ScriptedAnswer::Good(TrackInformation(true, true, 359849, 0)));
        m__Drive->Always(0x51, ScriptedAnswer::Good(DiscInformation(97, 26, 66)));
        m__Drive->ClearCommands();
    }
    void TearDown() override {
        m__Burner.reset();
        ModePageDriveTest::TearDown();
    }
    // Raw blocks of the form's size: the engine sends them as they come.
    ULONG Burn(bool p__IsRawPW, BOOLEAN p__Mode2, BOOLEAN p__NextSession, uint64_t p__Bytes = 0) {
        const ULONG l__BlockSize = p__IsRawPW ? 2448 : 2368;
        m__Raw.assign(p__Bytes != 0 ? p__Bytes : TRACK_BLOCKS * l__BlockSize, 0x6C);
        CTarnwick_MemoryFile l__Source(m__Raw.data(), m__Raw.size());
        CTarnwick_CarrierTree l__Track(&l__Source);
        try {
            if (p__IsRawPW) m__Burner->DiscAtOnceRawPW(&l__Track, p__Mode2, 0, p__NextSession, 0, 0, &m__List);
            else m__Burner->DiscAtOncePQ(&l__Track, p__Mode2, 0, p__NextSession, 0, 0, &m__List);
        } catch (CTarnwick_Exception* l__Exception) {
            const ULONG l__Number = l__Exception ? l__Exception->GetExceptionNumber() : 12;
            if (l__Exception) m__Text = l__Exception->GetExceptionText();
            delete l__Exception;
            return l__Number;
        }
        return 0;
    }
    size_t Count(uint8_t p__Opcode) { return m__Drive->CountOpcode(p__Opcode); }

    std::unique_ptr<HookedBurner> m__Burner;
    DISC_AT_ONCE_TRACK_LIST m__List;
    Bytes m__Raw;
    std::string m__Text;
};

}  // namespace

TEST_F(DiscAtOnce, RawWriteParametersAndTheFourAreasInOrder) {
    for (const bool l__IsRawPW : {false, true}) {
        SCOPED_TRACE(l__IsRawPW ? "raw P-W" : "P-Q");
        m__Drive->ClearCommands();
        m__Pages->m__Selected.clear();
        // A next writable address that is not valid is only a warning.
        m__Drive->Always(0x52, ScriptedAnswer::Good(TrackInformation(true, false, 359849, 0)));
        TraceCapture l__Trace;
        ASSERT_EQ(Burn(l__IsRawPW, 1, 1), 0u) << m__Text;
        EXPECT_EQ(m__Burner->GetLastWriteMode(), WRITE_MODE_DAO);
        // Write type 3, the form's data block type, track mode 0, multi-session 3, CD-ROM XA.
        ASSERT_FALSE(m__Pages->m__Selected.empty());
        const Bytes& l__Page = m__Pages->m__Selected.back();
        ASSERT_GE(l__Page.size(), 8u + 9u);
        EXPECT_EQ(l__Page[8 + 2] & 0x0F, 3);
        EXPECT_EQ(l__Page[8 + 3] >> 6, 3);
        EXPECT_EQ(l__Page[8 + 3] & 0x0F, 0);
        EXPECT_EQ(l__Page[8 + 4] & 0x0F, l__IsRawPW ? 3 : 1);
        EXPECT_EQ(l__Page[8 + 8], 0x20);
        const std::vector<ScriptedCommand> l__Writes = WriteCommands(m__Drive->Commands());
        // Lead-in 11,484 blocks from -11634, pre-gap 150 from -150, the track, lead-out 6,750.
        ASSERT_GT(l__Writes.size(), 728u + 422u);
        EXPECT_EQ(Lba(l__Writes[0]), -11634);
        EXPECT_EQ(Blocks(l__Writes[716]), 16u);
        EXPECT_EQ(Blocks(l__Writes[717]), 12u);
        EXPECT_EQ(Lba(l__Writes[718]), -150);
        EXPECT_EQ(Blocks(l__Writes[727]), 6u);
        // The track in the cache's transfers, consecutive from 0; then the lead-out's 422 packets.
        size_t l__At = 728;
        int32_t l__Next = 0;
        while (l__At < l__Writes.size() && l__Next < static_cast<int32_t>(TRACK_BLOCKS)) {
            EXPECT_EQ(Lba(l__Writes[l__At]), l__Next);
            l__Next += static_cast<int32_t>(Blocks(l__Writes[l__At++]));
        }
        EXPECT_EQ(l__Next, static_cast<int32_t>(TRACK_BLOCKS));
        ASSERT_EQ(l__Writes.size() - l__At, 422u);
        EXPECT_EQ(Lba(l__Writes[l__At]), static_cast<int32_t>(TRACK_BLOCKS));
        EXPECT_EQ(Blocks(l__Writes.back()), 14u);
        EXPECT_EQ(Lba(l__Writes.back()), static_cast<int32_t>(TRACK_BLOCKS + 421 * 16));
        for (const ScriptedCommand& l__Write : l__Writes) EXPECT_EQ(l__Write.m__BufferLength, Blocks(l__Write) * (l__IsRawPW ? 2448u : 2368u));
        EXPECT_EQ(Count(0x35), 1u) << "SYNCHRONIZE CACHE once, at the end";
        EXPECT_EQ(Count(0x1B), 0u) << "no eject";
        EXPECT_EQ(Count(0x5B), 0u) << "the drive closes the disc itself";
        REQUIRE_TRACING();
        const std::string l__Name = std::string("CTarnwick_CdvdBurnerGrabber::") + (l__IsRawPW ? "DiscAtOnceRawPW" : "DiscAtOncePQ");
        EXPECT_TRUE(l__Trace.Contains(l__Name + "(): WARNING! NWA is not valid!!!"));
        EXPECT_TRUE(l__Trace.Contains(l__Name + "(): After writing pregap, before writing track, NWA 0"));
        EXPECT_TRUE(l__Trace.Contains(l__Name + "(): After writing track, before writing lead-out, NWA 40"));
        EXPECT_TRUE(l__Trace.Contains(l__Name + "(): After writing lead-out, NWA 6790"));
        EXPECT_TRUE(l__Trace.Contains(l__Name + "(): EXITing with success"));
    }
}

// Refused before anything is written: a track that is not blank (then the disc is ejected, as
// after any failure once the write parameters are set), a lead-in start the drive reports
// outside the lead-in, and a track source that is not whole raw blocks.
TEST_F(DiscAtOnce, RefusalsBeforeTheFirstWrite) {
    struct Refusal {
        const char* m__What;
        std::function<void()> m__Set;
        uint64_t m__Bytes;
        const char* m__Text;
    };
    const Refusal l__Refusals[] = {
        {"not blank", [&] { m__Drive->Always(0x52, ScriptedAnswer::Good(TrackInformation(false, true, 359849, 0))); }, 0,
         "CTarnwick_CdvdBurnerGrabber::DiscAtOncePQ(): Track is not blank!!!"},
        {"no lead-in start", [&] { m__Drive->Always(0x51, ScriptedAnswer::Good(DiscInformation(0, 0, 0))); }, 0,
         "CTarnwick_CdvdBurnerGrabber::DiscAtOncePQ(): Lead-in start 00:00:00 ( -150 ) is not in the lead-in!!!"},
        {"a start in the program area", [&] { m__Drive->Always(0x51, ScriptedAnswer::Good(DiscInformation(79, 59, 74))); }, 0,
         "is not in the lead-in!!!"},
        {"partial block", [] {}, 2368 * 10 + 5, "is not a track of 2368-UCHAR LBs!!!"},
    };
    for (const Refusal& l__Refusal : l__Refusals) {
        SCOPED_TRACE(l__Refusal.m__What);
        m__Drive->Always(0x52, ScriptedAnswer::Good(TrackInformation(true, true, 359849, 0)));
        m__Drive->Always(0x51, ScriptedAnswer::Good(DiscInformation(97, 26, 66)));
        l__Refusal.m__Set();
        m__Drive->ClearCommands();
        EXPECT_EQ(Burn(false, 0, 0, l__Refusal.m__Bytes), 10u);
        EXPECT_NE(m__Text.find(l__Refusal.m__Text), std::string::npos) << m__Text;
        EXPECT_EQ(Count(0x2A), 0u);
        EXPECT_EQ(Count(0x35), 0u) << "nothing written, nothing to synchronise";
        EXPECT_EQ(Count(0x1B), 1u) << "the failure path ejects";
    }
}

// Raw writing is for CDs: refused before the write parameters, without eject.
TEST_F(DiscAtOnce, DvdIsRefusedBeforeAnythingIsSet) {
    m__Pages->m__Profile = 0x001B;  // DVD+R
    EXPECT_EQ(Burn(true, 0, 0), 10u);
    EXPECT_EQ(m__Text, "CTarnwick_CdvdBurnerGrabber::DiscAtOnceRawPW(): Disc type (13) not valid for DAO!!!");
    EXPECT_EQ(Count(0x55), 0u);
    EXPECT_EQ(Count(0x1B), 0u);
}
