// The lead-in, pre-gap and lead-out generators, judged block by block as the drive would
// read them: every block's Q record (CRC, times, table of contents), its P flag, and the
// raw sector after descrambling.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CTarnwick_Exception.h"
#include "CTarnwick_ISO9660FileTreeLeadInRawPQ.h"
#include "CTarnwick_ISO9660FileTreeLeadInRawRawPW.h"
#include "CTarnwick_ISO9660FileTreeLeadOutRawPQ.h"
#include "CTarnwick_ISO9660FileTreeLeadOutRawRawPW.h"
#include "CTarnwick_ISO9660FileTreePreGapRawPQ.h"
#include "CTarnwick_ISO9660FileTreePreGapRawRawPW.h"
#include "SubchannelReference.h"
#include "TraceCapture.h"
#include "VdiscSectorCoder.h"

#if defined(__SANITIZE_ADDRESS__)
// An allocation too large to serve comes back as NULL (as without the sanitizer) instead of
// ending the program, so that the generators' out-of-memory path can be tested.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
#endif

namespace {

using namespace SubchannelReference;

struct TrackSpec {
    LONG m__LONG__Size;
    bool m__bool__Data;
};

// A list of tracks one after the other from LBA 0.
std::unique_ptr<DISC_AT_ONCE_TRACK_LIST> MakeList(const std::vector<TrackSpec>& p__Tracks) {
    auto l__List = std::make_unique<DISC_AT_ONCE_TRACK_LIST>();
    LONG l__LONG__Start = 0;
    for (const TrackSpec& l__Track : p__Tracks) {
        DISC_AT_ONCE_TRACK_ENTRY& l__Entry = l__List->m__DISC_AT_ONCE_TRACK_ENTRY__Tracks[l__List->m__ULONG__NumberOfTracks];
        l__Entry.m__LONG__StartLBA = l__LONG__Start;
        l__Entry.m__LONG__SizeInLBs = l__Track.m__LONG__Size;
        l__Entry.m__ULONG__TrackNumber = l__List->m__ULONG__NumberOfTracks + 1;
        l__Entry.m__BOOLEAN__IsDataTrack = l__Track.m__bool__Data;
        ++l__List->m__ULONG__NumberOfTracks;
        l__LONG__Start += l__Track.m__LONG__Size;
    }
    return l__List;
}

// Everything the generator's chain serves, read in one go.
std::vector<UCHAR> ReadAll(CTarnwick_FileChain& p__Chain) {
    std::vector<UCHAR> l__Bytes(p__Chain.GetSize());
    p__Chain.Read(l__Bytes.size(), l__Bytes.data());
    return l__Bytes;
}

// The blocks of a generator of each form, served through its chain.
struct Served {
    size_t m__size_t__BlockBytes;
    std::vector<UCHAR> m__Bytes;
    size_t Blocks() const { return m__Bytes.size() / m__size_t__BlockBytes; }
    const UCHAR* Block(size_t p__size_t__Index) const { return m__Bytes.data() + p__size_t__Index * m__size_t__BlockBytes; }
};

template <class PQ, class PW, class... Arguments>
std::vector<Served> BothForms(Arguments... p__Arguments) {
    PQ l__PQ(p__Arguments...);
    PW l__PW(p__Arguments...);
    return {{2368, ReadAll(l__PQ)}, {2448, ReadAll(l__PW)}};
}

std::vector<Served> LeadIn(LONG p__LONG__Start, LONG p__LONG__Size, LONG p__LONG__LeadOut, const DISC_AT_ONCE_TRACK_LIST* p__List,
                           BOOLEAN p__BOOLEAN__Mode2) {
    return BothForms<CTarnwick_ISO9660FileTreeLeadInRawPQ, CTarnwick_ISO9660FileTreeLeadInRawRawPW>(
        p__LONG__Start, p__LONG__Size, p__LONG__LeadOut, p__List, p__BOOLEAN__Mode2);
}

Msf Q3(UCHAR a, UCHAR b, UCHAR c) { return {a, b, c}; }

// The lead-in's items in order for a list: POINT, CONTROL/ADR, PMIN/PSEC/PFRAME.
struct Item {
    UCHAR m__UCHAR__Point;
    UCHAR m__UCHAR__Control;
    Msf m__Pointer;
};

void ExpectLeadIn(const Served& p__Served, long p__long__Start, const std::vector<Item>& p__Items) {
    for (size_t l__size_t__Block = 0; l__size_t__Block < p__Served.Blocks(); ++l__size_t__Block) {
        SCOPED_TRACE("block " + std::to_string(l__size_t__Block) + " of form " + std::to_string(p__Served.m__size_t__BlockBytes));
        bool l__bool__P = true;
        const auto l__Q = CheckedQ(p__Served.Block(l__size_t__Block), p__Served.m__size_t__BlockBytes, &l__bool__P);
        const Item& l__Item = p__Items[l__size_t__Block / 3 % p__Items.size()];
        EXPECT_FALSE(l__bool__P);
        EXPECT_EQ(l__Q[0], l__Item.m__UCHAR__Control);
        EXPECT_EQ(l__Q[1], 0x00);
        EXPECT_EQ(l__Q[2], l__Item.m__UCHAR__Point);
        EXPECT_EQ(QTime(l__Q), AbsoluteMsf(p__long__Start + long(l__size_t__Block)));
        EXPECT_EQ(QPointOrAbsoluteTime(l__Q), l__Item.m__Pointer);
    }
}

TEST(RawLeadIn, OneTrackCyclesThroughFourItemsThreeBlocksEach) {
    auto l__List = MakeList({{1000, true}});
    // 30 blocks: two and a half cycles of twelve.
    for (const Served& l__Served : LeadIn(-4500, 30, 1000, l__List.get(), FALSE)) {
        ASSERT_EQ(l__Served.Blocks(), 30u);
        ExpectLeadIn(l__Served, -4500,
                     {{0xA0, 0x41, Q3(0x01, 0x00, 0x00)},
                      {0xA1, 0x41, Q3(0x01, 0x00, 0x00)},
                      {0xA2, 0x41, AbsoluteMsf(1000)},
                      {0x01, 0x41, Q3(0x00, 0x02, 0x00)}});
        // The lead-in's LBAs read from minute 90 on.
        EXPECT_EQ(QTime(CheckedQ(l__Served.Block(0), l__Served.m__size_t__BlockBytes)), Q3(0x99, 0x02, 0x00));
        for (size_t l__size_t__Block = 0; l__size_t__Block < 30; ++l__size_t__Block)
            ExpectDataSector(l__Served.Block(l__size_t__Block), -4500 + long(l__size_t__Block), Kind::Mode1);
    }
}

TEST(RawLeadIn, ThreeTracksNameEachStartAndTheLastTrack) {
    auto l__List = MakeList({{600, true}, {300, false}, {450, false}});
    // A mixed disc: each item carries the kind of the track it names (A1 and A2 the last's).
    const std::vector<Item> l__Items = {{0xA0, 0x41, Q3(0x01, 0x00, 0x00)}, {0xA1, 0x01, Q3(0x03, 0x00, 0x00)},
                                        {0xA2, 0x01, AbsoluteMsf(1350)},      {0x01, 0x41, AbsoluteMsf(0)},
                                        {0x02, 0x01, AbsoluteMsf(600)},       {0x03, 0x01, AbsoluteMsf(900)}};
    for (const Served& l__Served : LeadIn(-200, 40, 1350, l__List.get(), FALSE)) {
        ExpectLeadIn(l__Served, -200, l__Items);
        // The session is a data session: its sectors are data sectors all the same.
        ExpectDataSector(l__Served.Block(20), -180, Kind::Mode1);
    }
}

TEST(RawLeadIn, Mode2SessionIsCdRomXaWithMode2Sectors) {
    auto l__List = MakeList({{500, true}});
    for (const Served& l__Served : LeadIn(-100, 12, 500, l__List.get(), TRUE)) {
        const auto l__Q = CheckedQ(l__Served.Block(1), l__Served.m__size_t__BlockBytes);
        EXPECT_EQ(l__Q[2], 0xA0);
        EXPECT_EQ(QPointOrAbsoluteTime(l__Q), Q3(0x01, 0x20, 0x00));
        for (size_t l__size_t__Block = 0; l__size_t__Block < 12; ++l__size_t__Block)
            ExpectDataSector(l__Served.Block(l__size_t__Block), -100 + long(l__size_t__Block), Kind::Mode2);
    }
    for (const Served& l__Served : LeadIn(-100, 3, 500, l__List.get(), FALSE))
        EXPECT_EQ(QPointOrAbsoluteTime(CheckedQ(l__Served.Block(0), l__Served.m__size_t__BlockBytes)), Q3(0x01, 0x00, 0x00));
}

TEST(RawLeadIn, AudioSessionSendsZeroSectorsAndAudioControl) {
    auto l__List = MakeList({{300, false}, {300, false}});
    for (const Served& l__Served : LeadIn(-60, 15, 600, l__List.get(), FALSE)) {
        ExpectLeadIn(l__Served, -60,
                     {{0xA0, 0x01, Q3(0x01, 0x00, 0x00)},
                      {0xA1, 0x01, Q3(0x02, 0x00, 0x00)},
                      {0xA2, 0x01, AbsoluteMsf(600)},
                      {0x01, 0x01, AbsoluteMsf(0)},
                      {0x02, 0x01, AbsoluteMsf(300)}});
        for (size_t l__size_t__Block = 0; l__size_t__Block < l__Served.Blocks(); ++l__size_t__Block)
            EXPECT_TRUE(std::all_of(l__Served.Block(l__size_t__Block), l__Served.Block(l__size_t__Block) + 2352, [](UCHAR b) { return b == 0; }));
    }
}

TEST(RawLeadIn, ListThatCannotBeReadIsRefused) {
    auto l__Empty = MakeList({});
    auto l__Overlong = MakeList({{10, true}});
    l__Overlong->m__ULONG__NumberOfTracks = DISC_AT_ONCE_MAXIMUM_TRACKS + 1;
    for (const DISC_AT_ONCE_TRACK_LIST* l__List : {static_cast<const DISC_AT_ONCE_TRACK_LIST*>(nullptr),
                                                   static_cast<const DISC_AT_ONCE_TRACK_LIST*>(l__Empty.get()),
                                                   static_cast<const DISC_AT_ONCE_TRACK_LIST*>(l__Overlong.get())}) {
        try {
            CTarnwick_ISO9660FileTreeLeadInRawPQ l__LeadIn(-100, 10, 10, l__List, FALSE);
            ADD_FAILURE() << "a lead-in was built";
        } catch (CTarnwick_Exception* l__Exception) {
            EXPECT_EQ(l__Exception->GetExceptionNumber(), ULONG(EXCEPTION_NUMBER_INVALID_PARAMETER));
            delete l__Exception;
        }
    }
}

TEST(RawPreGap, RelativeTimeCountsDownWithPFlagSet) {
    for (const BOOLEAN l__BOOLEAN__Data : {TRUE, FALSE}) {
        auto l__Forms = BothForms<CTarnwick_ISO9660FileTreePreGapRawPQ, CTarnwick_ISO9660FileTreePreGapRawRawPW>(
            LONG(-150), LONG(150), ULONG(1), l__BOOLEAN__Data, BOOLEAN(FALSE));
        for (const Served& l__Served : l__Forms) {
            ASSERT_EQ(l__Served.Blocks(), 150u);
            for (size_t l__size_t__Block = 0; l__size_t__Block < 150; ++l__size_t__Block) {
                SCOPED_TRACE("block " + std::to_string(l__size_t__Block));
                bool l__bool__P = false;
                const auto l__Q = CheckedQ(l__Served.Block(l__size_t__Block), l__Served.m__size_t__BlockBytes, &l__bool__P);
                EXPECT_TRUE(l__bool__P);
                EXPECT_EQ(l__Q[0], l__BOOLEAN__Data ? 0x41 : 0x01);
                EXPECT_EQ(l__Q[1], 0x01);
                EXPECT_EQ(l__Q[2], 0x00);
                EXPECT_EQ(QTime(l__Q), FramesToMsf(149 - long(l__size_t__Block)));
                EXPECT_EQ(QPointOrAbsoluteTime(l__Q), AbsoluteMsf(-150 + long(l__size_t__Block)));
                if (l__BOOLEAN__Data) {
                    ExpectDataSector(l__Served.Block(l__size_t__Block), -150 + long(l__size_t__Block), Kind::Mode1);
                } else {
                    EXPECT_TRUE(std::all_of(l__Served.Block(l__size_t__Block), l__Served.Block(l__size_t__Block) + 2352,
                                            [](UCHAR b) { return b == 0; }));
                }
            }
            EXPECT_EQ(QTime(CheckedQ(l__Served.Block(0), l__Served.m__size_t__BlockBytes)), Q3(0x00, 0x01, 0x74));
            EXPECT_EQ(QTime(CheckedQ(l__Served.Block(149), l__Served.m__size_t__BlockBytes)), Q3(0x00, 0x00, 0x00));
            EXPECT_EQ(QPointOrAbsoluteTime(CheckedQ(l__Served.Block(0), l__Served.m__size_t__BlockBytes)), Q3(0x00, 0x00, 0x00));
        }
    }
    // The track number is written in BCD.
    CTarnwick_ISO9660FileTreePreGapRawPQ l__PreGap(1000, 3, 12, FALSE, FALSE);
    EXPECT_EQ(CheckedQ(ReadAll(l__PreGap).data(), 2368)[1], 0x12);
}

TEST(RawLeadOut, NinetySecondsWithPFlagBlinkingAfterTwo) {
    for (const Served& l__Served : BothForms<CTarnwick_ISO9660FileTreeLeadOutRawPQ, CTarnwick_ISO9660FileTreeLeadOutRawRawPW>(
             LONG(4500), BOOLEAN(TRUE), BOOLEAN(FALSE))) {
        ASSERT_EQ(l__Served.Blocks(), 6750u);
        if (l__Served.m__size_t__BlockBytes == 2368) {
            EXPECT_EQ(l__Served.m__Bytes.size(), 15984000u);
        }
        for (size_t l__size_t__Block = 0; l__size_t__Block < 6750; ++l__size_t__Block) {
            bool l__bool__P = false;
            const auto l__Q = CheckedQ(l__Served.Block(l__size_t__Block), l__Served.m__size_t__BlockBytes, &l__bool__P);
            const bool l__bool__ExpectP = l__size_t__Block >= 150 && l__size_t__Block % 150 < 75;
            ASSERT_EQ(l__bool__P, l__bool__ExpectP) << "block " << l__size_t__Block;
            ASSERT_EQ(l__Q[0], 0x41);
            ASSERT_EQ(l__Q[1], 0xAA);
            ASSERT_EQ(l__Q[2], 0x01);
            ASSERT_EQ(QTime(l__Q), FramesToMsf(long(l__size_t__Block))) << "block " << l__size_t__Block;
            ASSERT_EQ(QPointOrAbsoluteTime(l__Q), AbsoluteMsf(4500 + long(l__size_t__Block))) << "block " << l__size_t__Block;
        }
        // The boundaries named: quiet for two seconds, then one second on, one off.
        bool l__bool__P = true;
        for (const auto& [l__size_t__Block, l__bool__Expected] :
             std::vector<std::pair<size_t, bool>>{{0, false}, {149, false}, {150, true}, {224, true}, {225, false}, {299, false}, {300, true}}) {
            CheckedQ(l__Served.Block(l__size_t__Block), l__Served.m__size_t__BlockBytes, &l__bool__P);
            EXPECT_EQ(l__bool__P, l__bool__Expected) << "block " << l__size_t__Block;
        }
        for (size_t l__size_t__Block : {size_t(0), size_t(6749)})
            ExpectDataSector(l__Served.Block(l__size_t__Block), 4500 + long(l__size_t__Block), Kind::Mode1);
    }
}

TEST(RawGenerators, BothFormsCarryTheSameSectorsAndSubchannel) {
    auto l__List = MakeList({{700, true}, {100, false}});
    const auto l__Forms = LeadIn(-300, 25, 800, l__List.get(), FALSE);
    for (size_t l__size_t__Block = 0; l__size_t__Block < 25; ++l__size_t__Block) {
        const UCHAR* l__PUCHAR__PQ = l__Forms[0].Block(l__size_t__Block);
        const UCHAR* l__PUCHAR__PW = l__Forms[1].Block(l__size_t__Block);
        EXPECT_TRUE(std::equal(l__PUCHAR__PQ, l__PUCHAR__PQ + 2352, l__PUCHAR__PW)) << "block " << l__size_t__Block;
        const Subchannel l__PQ = ReadSubchannel(l__PUCHAR__PQ, 2368), l__PW = ReadSubchannel(l__PUCHAR__PW, 2448);
        EXPECT_EQ(l__PQ.m__Q, l__PW.m__Q) << "block " << l__size_t__Block;
        EXPECT_EQ(l__PQ.m__bool__P, l__PW.m__bool__P) << "block " << l__size_t__Block;
    }
    // The recorder's own coder, a second judge: a lead-in data sector is its Mode 1 sector
    // of zero user data, scrambled; and it spreads the same P-W bytes from the P-Q record.
    std::vector<UCHAR> l__Zero(2048, 0), l__Sector(2352);
    VdiscSectorCoder::Mode1(-290, l__Zero.data(), l__Sector.data());
    VdiscSectorCoder::Scramble(l__Sector.data());
    EXPECT_TRUE(std::equal(l__Sector.begin(), l__Sector.end(), l__Forms[0].Block(10)));
    UCHAR l__UCHAR__Raw96[96];
    VdiscSectorCoder::SpreadPQ(l__Forms[0].Block(10) + 2352, false, l__UCHAR__Raw96);
    EXPECT_TRUE(std::equal(l__UCHAR__Raw96, l__UCHAR__Raw96 + 96, l__Forms[1].Block(10) + 2352));
}

// Expects number 4 and, when traced, the framed line as given and the EXITing line.
void ExpectOutOfMemory(const std::function<void()>& p__Construct, const std::string& p__string__Trace, const std::string& p__string__Text,
                       const std::string& p__string__Name) {
    TraceCapture l__Capture;
    try {
        p__Construct();
        ADD_FAILURE() << "constructed";
    } catch (CTarnwick_Exception* l__Exception) {
        ASSERT_NE(l__Exception, nullptr);
        EXPECT_EQ(l__Exception->GetExceptionNumber(), ULONG(EXCEPTION_NUMBER_OUT_OF_MEMORY));
        EXPECT_STREQ(l__Exception->GetExceptionText(), p__string__Text.c_str());
        delete l__Exception;
    }
    REQUIRE_TRACING();
    EXPECT_EQ(l__Capture.Text(), "\n" + p__string__Trace + "\n" + p__string__Name +
                                     "(): EXITing with failure, exception number 0x00000004, exception text '" + p__string__Text + "'!!!\n");
}

// Lowers the address space limit while it lives, so that a large allocation fails here
// whatever the machine's overcommit policy (the sanitizer keeps its own limit instead).
class AddressSpaceLimit {
public:
    AddressSpaceLimit() {
#if !defined(__SANITIZE_ADDRESS__)
        getrlimit(RLIMIT_AS, &m__Saved);
        struct rlimit l__Limit = m__Saved;
        l__Limit.rlim_cur = rlim_t(64) << 30;
        if (m__Saved.rlim_cur == RLIM_INFINITY || m__Saved.rlim_cur > l__Limit.rlim_cur) setrlimit(RLIMIT_AS, &l__Limit);
#endif
    }
    ~AddressSpaceLimit() {
#if !defined(__SANITIZE_ADDRESS__)
        setrlimit(RLIMIT_AS, &m__Saved);
#endif
    }

private:
    struct rlimit m__Saved {};
};

TEST(RawGenerators, BlockMemoryThatCannotBeAllocatedRaisesNumber4) {
    AddressSpaceLimit l__Limit;
    auto l__List = MakeList({{10, true}});
    // 2^31 - 1 blocks: terabytes of block memory.
    const LONG l__LONG__Huge = 0x7FFFFFFF;
    ExpectOutOfMemory([&] { CTarnwick_ISO9660FileTreeLeadInRawPQ l__G(-100, l__LONG__Huge, 10, l__List.get(), FALSE); },
                      "CTarnwick_ISO9660FileTreeLeanInRawPQ::CTarnwick_ISO9660FileTreeLeadInRawPQ(): m__PUCHAR__Memory == NULL!!!",
                      "CTarnwick_ISO9660FileTreeLeadInRawPQ::CTarnwick_ISO9660FileTreeLeadInRawPQ(): m__PUCHAR__Memory == NULL!!!",
                      "CTarnwick_ISO9660FileTreeLeadInRawPQ::CTarnwick_ISO9660FileTreeLeadInRawPQ");
    ExpectOutOfMemory([&] { CTarnwick_ISO9660FileTreeLeadInRawRawPW l__G(-100, l__LONG__Huge, 10, l__List.get(), FALSE); },
                      "CTarnwick_ISO9660FileTreeLeanInRawRawPW::CTarnwick_ISO9660FileTreeLeadInRawRawPW(): m__PUCHAR__Memory == NULL!!!",
                      "CTarnwick_ISO9660FileTreeLeadInRawRawPW::CTarnwick_ISO9660FileTreeLeadInRawRawPW(): m__PUCHAR__Memory == NULL!!!",
                      "CTarnwick_ISO9660FileTreeLeadInRawRawPW::CTarnwick_ISO9660FileTreeLeadInRawRawPW");
    ExpectOutOfMemory([&] { CTarnwick_ISO9660FileTreePreGapRawRawPW l__G(-150, l__LONG__Huge, 1, TRUE, FALSE); },
                      "CTarnwick_ISO9660FileTreePreGapRawRawPW::CTarnwick_ISO9660FileTreePreGapRawRawPW(): m__PUCHAR__Memory == NULL!!!",
                      "CTarnwick_ISO9660FileTreePreGapRawRawPW::CTarnwick_ISO9660FileTreePreGapRawRawPW(): m__PUCHAR__Memory == NULL!!!",
                      "CTarnwick_ISO9660FileTreePreGapRawRawPW::CTarnwick_ISO9660FileTreePreGapRawRawPW");
}

TEST(RawGenerators, NegativeBlockCountIsRefused) {
    try {
        CTarnwick_ISO9660FileTreePreGapRawPQ l__PreGap(-150, -1, 1, TRUE, FALSE);
        ADD_FAILURE() << "constructed";
    } catch (CTarnwick_Exception* l__Exception) {
        EXPECT_EQ(l__Exception->GetExceptionNumber(), ULONG(EXCEPTION_NUMBER_INVALID_PARAMETER));
        delete l__Exception;
    }
}

}  // namespace
