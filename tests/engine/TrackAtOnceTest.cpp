#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <numeric>
#include <stdexcept>
#include <string>
#include <vector>

#include "CTarnwick_CdvdBurnerGrabber.h"
#include "CTarnwick_FileChain.h"
#include "CTarnwick_MemoryFile.h"
#include "FakeClock.h"
#include "ModePageDrive.h"
#include "ScriptedBackend.h"
#include "TraceCapture.h"
#include "WriteTestSupport.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Events {
    std::vector<ULONG> m__Reasons;
    LONGLONG m__Size = -1, m__Blocks = -1;
    CTarnwick_CdvdBurnerGrabber* m__Burner = nullptr;
    int m__CancelAtProgress = -1;
    int m__Progress = 0;
    std::function<void(ULONG)> m__OnReason;
};

void Record(ULONG p__Reason, PVOID p__Context, PVOID p__One, PVOID p__Two) {
    auto* l__Events = static_cast<Events*>(p__Context);
    l__Events->m__Reasons.push_back(p__Reason);
    if (l__Events->m__OnReason) l__Events->m__OnReason(p__Reason);
    if (p__Reason == TARGET_FILE_ANALYZE_END) {
        l__Events->m__Size = *static_cast<LONGLONG*>(p__One);
        l__Events->m__Blocks = *static_cast<LONGLONG*>(p__Two);
    }
    if (p__Reason == WRITE_PROGRESS && l__Events->m__Progress++ == l__Events->m__CancelAtProgress)
        l__Events->m__Burner->Cancel();
}

class TrackAtOnce : public ModePageDriveTest {
protected:
    void SetUp() override {
        ModePageDriveTest::SetUp();
        m__Drive->Always(0x52, ScriptedAnswer::Good(TrackInformation(true, true, 359849, 0)));
    }
    void TearDown() override {
        m__Burner.reset();
        ModePageDriveTest::TearDown();
    }
    void Make(int p__Profile, ULONG p__CacheMB = 1) {
        m__Pages->m__Profile = p__Profile;
        m__Burner.reset();
        m__Burner = std::make_unique<HookedBurner>(Record, &m__Events, 0, 0, 0, 0, p__CacheMB);
        m__Events.m__Burner = m__Burner.get();
        m__Drive->ClearCommands();
    }
    // Writes the bytes as one track; returns the exception number (0 on success).
    ULONG Burn(const Bytes& p__Image, ULONG p__Content = 1, BOOLEAN p__XA = 1, ULONG p__Progress = 1,
               ULONG p__BufferStatus = 5) {
        CTarnwick_MemoryFile l__Source(p__Image.data(), p__Image.size());
        return Burn(l__Source, p__Content, p__XA, p__Progress, p__BufferStatus);
    }
    ULONG Burn(CTarnwick_File& p__Source, ULONG p__Content = 1, BOOLEAN p__XA = 1, ULONG p__Progress = 1,
               ULONG p__BufferStatus = 5) {
        CTarnwick_FileChain l__Chain;
        l__Chain.AddChainTail(&p__Source);
        l__Chain.SeekToBegin();
        try {
            m__Burner->TrackAtOnce(&l__Chain, p__XA, 0, 1, p__Progress, p__BufferStatus, p__Content, 0, 0, 0, 0);
        } catch (CTarnwick_Exception* l__Exception) {
            ULONG l__Number = l__Exception ? l__Exception->GetExceptionNumber() : 12;
            if (l__Exception && l__Exception->GetFailureInformation())
                m__FailedCdb = l__Exception->GetFailureInformation()->m__UCHAR__CDB[0];
            delete l__Exception;
            return l__Number;
        }
        return 0;
    }
    std::vector<ScriptedCommand> Writes() { return WriteCommands(m__Drive->Commands()); }
    static uint32_t Lba(const ScriptedCommand& c) {
        return (uint32_t(c.m__Cdb[2]) << 24) | (c.m__Cdb[3] << 16) | (c.m__Cdb[4] << 8) | c.m__Cdb[5];
    }
    static uint32_t Blocks(const ScriptedCommand& c) { return (c.m__Cdb[7] << 8) | c.m__Cdb[8]; }

    // The data of every WRITE, in order.
    Bytes Written() {
        Bytes l__Written;
        for (const ScriptedCommand& w : Writes()) l__Written.insert(l__Written.end(), w.m__DataOut.begin(), w.m__DataOut.end());
        return l__Written;
    }
    ULONG BlocksWritten() {
        ULONG l__Total = 0;
        for (const ScriptedCommand& w : Writes()) l__Total += Blocks(w);
        return l__Total;
    }

    std::unique_ptr<HookedBurner> m__Burner;
    Events m__Events;
    uint8_t m__FailedCdb = 0;
};

Bytes Pattern(size_t p__Size) {
    Bytes l__Data(p__Size);
    for (size_t i = 0; i < p__Size; ++i) l__Data[i] = static_cast<uint8_t>((i * 7 + i / 2048) & 0xFF);
    return l__Data;
}

TEST_F(TrackAtOnce, DataImageOnBlankCdR) {
    Make(0x0009);
    m__Drive->Always(0x52, ScriptedAnswer::Good(TrackInformation(true, true, 359849, 11400)));
    Bytes l__Image = Pattern(100 * 2048);
    ASSERT_EQ(Burn(l__Image), 0u);
    auto l__Writes = Writes();
    ASSERT_EQ(l__Writes.size(), 4u);
    Bytes l__Written;
    uint32_t l__Expected = 11400;
    for (const ScriptedCommand& w : l__Writes) {
        EXPECT_EQ(Lba(w), l__Expected);
        EXPECT_EQ(w.m__BufferLength, Blocks(w) * 2048);
        l__Expected += Blocks(w);
        l__Written.insert(l__Written.end(), w.m__DataOut.begin(), w.m__DataOut.end());
    }
    EXPECT_EQ(Blocks(l__Writes[0]), 30u);
    EXPECT_EQ(Blocks(l__Writes[3]), 10u);
    EXPECT_EQ(l__Written, l__Image);
    EXPECT_EQ(m__Events.m__Size, 204800);
    EXPECT_EQ(m__Events.m__Blocks, 100);
    // Mode 2 Form 1 Track-At-Once parameters.
    const Bytes& l__Page = m__Pages->m__Selected.back();
    EXPECT_EQ(l__Page[8 + 2] & 0x0F, 1);
    EXPECT_EQ(l__Page[8 + 3], 0xC4);
    EXPECT_EQ(l__Page[8 + 4] & 0x0F, 10);
    EXPECT_EQ(l__Page[8 + 8], 0x20);
    // Callbacks in order, progress and buffer status in between.
    auto& r = m__Events.m__Reasons;
    ASSERT_GE(r.size(), 6u);
    EXPECT_EQ(r[0], (ULONG)TARGET_FILE_ANALYZE_BEGIN);
    EXPECT_EQ(r[1], (ULONG)TARGET_FILE_ANALYZE_END);
    EXPECT_EQ(r[2], (ULONG)WAIT_CACHE_FULL_BEGIN);
    EXPECT_EQ(r[3], (ULONG)WAIT_CACHE_FULL_END);
    EXPECT_EQ(r[r.size() - 2], (ULONG)SYNCHRONIZE_CACHE_BEGIN);
    EXPECT_EQ(r[r.size() - 1], (ULONG)SYNCHRONIZE_CACHE_END);
    EXPECT_EQ(m__Burner->GetLastWriteMode(), WRITE_MODE_TAO);
    EXPECT_EQ(m__Drive->CountOpcode(0x35), 1u);
}

TEST_F(TrackAtOnce, AudioDropsThePartialLastSector) {
    // The partial sector after a patched last transfer, and alone after a full transfer.
    for (size_t l__Sectors : {30u, 26u}) {
        SCOPED_TRACE(l__Sectors);
        Make(0x0009);
        Bytes l__Audio = Pattern(2352 * l__Sectors + 1000);
        ASSERT_EQ(Burn(l__Audio, 2), 0u);
        for (auto& w : Writes()) {
            EXPECT_GT(Blocks(w), 0u);  // no empty WRITE for the dropped bytes
            EXPECT_EQ(w.m__BufferLength, Blocks(w) * 2352);
        }
        EXPECT_EQ(BlocksWritten(), l__Sectors);
        EXPECT_EQ(Written(), Bytes(l__Audio.begin(), l__Audio.end() - 1000));
        EXPECT_EQ(m__Events.m__Blocks, static_cast<LONGLONG>(l__Sectors));
        EXPECT_EQ(Blocks(Writes()[0]), 26u);
        EXPECT_EQ(m__Pages->m__Selected.back()[8 + 4] & 0x0F, 0);
        EXPECT_EQ(m__Pages->m__Selected.back()[8 + 3] & 0x0F, 0);
    }
}

// A data source that ends inside a block: the block is written whole, padded with zeros,
// and counted in the track's size.
TEST_F(TrackAtOnce, DataTailIsWrittenPaddedWithZeros) {
    for (size_t l__Size : {size_t{5000}, size_t{2 * 61440 + 100}, size_t{3 * 2048}}) {
        SCOPED_TRACE(l__Size);
        Make(0x0009);
        const Bytes l__Image = Pattern(l__Size);
        ASSERT_EQ(Burn(l__Image), 0u);
        const size_t l__Blocks = (l__Size + 2047) / 2048;
        Bytes l__Expected = l__Image;
        l__Expected.resize(l__Blocks * 2048, 0);
        EXPECT_EQ(Written(), l__Expected);
        EXPECT_EQ(BlocksWritten(), l__Blocks);
        for (auto& w : Writes()) EXPECT_GT(Blocks(w), 0u);
        EXPECT_EQ(m__Events.m__Size, static_cast<LONGLONG>(l__Size));
        EXPECT_EQ(m__Events.m__Blocks, static_cast<LONGLONG>(l__Blocks));
    }
    // A sequential DVD reserves the padded block too (blocks + 1).
    Make(0x0011);
    m__Drive->Always(0x52, ScriptedAnswer::Good(TrackInformation(true, false, 2295104, 0)));
    ASSERT_EQ(Burn(Pattern(5000)), 0u);
    for (const ScriptedCommand& c : m__Drive->Commands()) {
        if (c.m__Cdb[0] == 0x53) {
            EXPECT_EQ(c.m__Cdb[8], 4);
        }
    }
    EXPECT_EQ(m__Drive->CountOpcode(0x53), 1u);
}

// Trace lines of the checks before the write: the refusals trace their EXITing line as
// every raise does, and the free-space warning counts a padded block.
TEST_F(TrackAtOnce, ChecksBeforeTheWriteTraceAsEveryRaise) {
    REQUIRE_TRACING();
    TraceCapture l__Trace;
    const struct {
        int m__Profile;
        Bytes m__Track;
        const char* m__Text;
    } l__Refusals[] = {{0x0009, TrackInformation(false, true, 1000, 500), "Track is not blank!!!"},
                       {0x0014, TrackInformation(true, false, 2295104, 0), "NWA not valid!!!"}};
    for (const auto& l__Refusal : l__Refusals) {
        l__Trace.Clear();
        Make(l__Refusal.m__Profile);
        m__Drive->Always(0x52, ScriptedAnswer::Good(l__Refusal.m__Track));
        EXPECT_EQ(Burn(Pattern(2048)), 10u);
        const std::string l__Text = std::string("CTarnwick_CdvdBurnerGrabber::TrackAtOnce(): ") + l__Refusal.m__Text;
        EXPECT_TRUE(l__Trace.Contains("\n" + l__Text + "\nCTarnwick_CdvdBurnerGrabber::TrackAtOnce(): EXITing with failure, "
                                      "exception number 0x0000000A, exception text '" + l__Text + "'!!!\n"))
            << l__Trace.Text();
    }

    l__Trace.Clear();
    Make(0x0009);
    m__Drive->Always(0x52, ScriptedAnswer::Good(TrackInformation(true, true, 2, 0)));
    EXPECT_EQ(Burn(Pattern(5000)), 0u);
    EXPECT_TRUE(l__Trace.Contains(
        "\nCTarnwick_CdvdBurnerGrabber::TrackAtOnce(): WARNING! File chain size in LBs 3 is larger the free LBs 2!!!\n"));
}

TEST_F(TrackAtOnce, EmptyImageEndsWithoutWrites) {
    Make(0x0009);
    ASSERT_EQ(Burn(Bytes{}), 0u);
    EXPECT_TRUE(Writes().empty());
    EXPECT_EQ(m__Drive->CountOpcode(0x35), 1u);
}

TEST_F(TrackAtOnce, SequentialDvdReservesAndIgnoresNwaValidOnDvdR) {
    Make(0x0011);
    m__Drive->Always(0x52, ScriptedAnswer::Good(TrackInformation(true, false, 2295104, 0)));
    ASSERT_EQ(Burn(Pattern(64 * 2048)), 0u);
    auto l__Sent = m__Drive->Commands();
    auto l__Reserve = std::find_if(l__Sent.begin(), l__Sent.end(), [](auto& c) { return c.m__Cdb[0] == 0x53; });
    ASSERT_NE(l__Reserve, l__Sent.end());
    EXPECT_EQ(l__Reserve->m__Cdb, (Bytes{0x53, 0, 0, 0, 0, 0, 0, 0, 65, 0}));
    auto l__Track = std::find_if(l__Sent.begin(), l__Sent.end(), [](auto& c) { return c.m__Cdb[0] == 0x52; });
    EXPECT_EQ(l__Track->m__Cdb[5], 1);  // track 1 on DVD
    const Bytes& l__Page = m__Pages->m__Selected.back();
    EXPECT_EQ(l__Page[8 + 2], 0x22);  // Session-At-Once, link size valid
    EXPECT_EQ(l__Page[8 + 3] & 0x0F, 5);
    EXPECT_EQ(l__Page[8 + 5], 16);

    // A DVD-RW with the same answer is refused: only DVD-R may report NWA_V 0.
    Make(0x0014);
    EXPECT_EQ(Burn(Pattern(2048)), 10u);
}

TEST_F(TrackAtOnce, BlankDvdPlusRwIsFormattedFirst) {
    Make(0x001A);
    std::atomic<int> l__Capacities{0};
    m__Drive->Respond(0x25, [&](const ScriptedCommand&) {
        // Unformatted first (last LBA 0), formatted afterwards.
        return ScriptedAnswer::Good(l__Capacities++ == 0 ? Bytes{0, 0, 0, 0, 0, 0, 8, 0}
                                                          : Bytes{0, 0x23, 0x05, 0x3F, 0, 0, 8, 0});
    });
    ASSERT_EQ(Burn(Pattern(4096)), 0u);
    auto& r = m__Events.m__Reasons;
    auto l__End = std::find(r.begin(), r.end(), (ULONG)TARGET_FILE_ANALYZE_END);
    ASSERT_NE(l__End, r.end());
    EXPECT_EQ(*(l__End + 1), (ULONG)DVDPLUSRW_FORMAT_BEGIN);
    EXPECT_EQ(*(l__End + 2), (ULONG)DVDPLUSRW_FORMAT_END);
    EXPECT_EQ(*(l__End + 3), (ULONG)WAIT_CACHE_FULL_BEGIN);
    EXPECT_EQ(m__Drive->CountOpcode(0x04), 1u);
    EXPECT_EQ(Lba(Writes()[0]), 0u);
}

// BD-R: written at the invisible track's NWA without a reservation (the track is closed by
// the session close); a drive that refuses the write parameters page, which does not apply to
// BD, still gets the write.
TEST_F(TrackAtOnce, BdRIsWrittenAtTheNwaWithoutReservationEvenWhenThePageIsRefused) {
    Make(0x0041);
    m__Pages->m__Refused = {1};
    m__Drive->Always(0x52, ScriptedAnswer::Good(TrackInformation(true, true, 12219392 - 4096, 4096)));
    const Bytes l__Image = Pattern(40 * 2048);
    ASSERT_EQ(Burn(l__Image), 0u);
    EXPECT_EQ(m__Drive->CountOpcode(0x53), 0u);
    ASSERT_FALSE(Writes().empty());
    EXPECT_EQ(Lba(Writes()[0]), 4096u);
    EXPECT_EQ(Written(), l__Image);
    auto l__Sent = m__Drive->Commands();
    auto l__Track = std::find_if(l__Sent.begin(), l__Sent.end(), [](auto& c) { return c.m__Cdb[0] == 0x52; });
    ASSERT_NE(l__Track, l__Sent.end());
    EXPECT_EQ(l__Track->m__Cdb[5], 0xFF);  // the invisible track
    EXPECT_EQ(m__Drive->CountOpcode(0x1B), 0u);  // not ejected: nothing failed
}

// A blank BD-RE (READ CAPACITY: last LBA 0) is formatted after the analysis, then written from
// LBA 0.
TEST_F(TrackAtOnce, BlankBdReIsFormattedFirst) {
    Make(0x0043);
    std::atomic<int> l__Capacities{0};
    m__Drive->Respond(0x25, [&](const ScriptedCommand&) {
        return ScriptedAnswer::Good(l__Capacities++ == 0 ? Bytes{0, 0, 0, 0, 0, 0, 8, 0}
                                                          : Bytes{0, 0xB4, 0x73, 0xFF, 0, 0, 8, 0});
    });
    m__Drive->Always(0x23, ScriptedAnswer::Good({0, 0, 0, 0x10, 0x00, 0xBA, 0x74, 0x00, 0x01, 0x00, 0x08, 0x00, 0x00,
                                                 0xB4, 0x74, 0x00, 0xC0, 0x00, 0x30, 0x00}));
    ASSERT_EQ(Burn(Pattern(4096)), 0u);
    auto& r = m__Events.m__Reasons;
    auto l__End = std::find(r.begin(), r.end(), (ULONG)TARGET_FILE_ANALYZE_END);
    ASSERT_NE(l__End, r.end());
    EXPECT_EQ(*(l__End + 1), (ULONG)BDRE_FORMAT_BEGIN);
    EXPECT_EQ(*(l__End + 2), (ULONG)BDRE_FORMAT_END);
    EXPECT_EQ(*(l__End + 3), (ULONG)WAIT_CACHE_FULL_BEGIN);
    EXPECT_EQ(m__Drive->CountOpcode(0x04), 1u);
    EXPECT_EQ(m__Drive->CountOpcode(0x52), 0u);  // the track is built from the capacity
    ASSERT_FALSE(Writes().empty());
    EXPECT_EQ(Lba(Writes()[0]), 0u);
}

// What a BD cannot take is refused before anything reaches the drive: a test write (a drive
// that ignored the Test Write bit would burn the disc for real) and any content but data.
TEST_F(TrackAtOnce, BdRefusesTestWritesAndSoundBeforeTouchingTheDisc) {
    for (int l__Profile : {0x0041, 0x0043}) {
        SCOPED_TRACE(l__Profile);
        Make(l__Profile);
        const Bytes l__Image = Pattern(2048);
        CTarnwick_MemoryFile l__Data(l__Image.data(), l__Image.size());
        CTarnwick_FileChain l__Chain;
        l__Chain.AddChainTail(&l__Data);
        l__Chain.SeekToBegin();
        std::string l__Text;
        EXPECT_EQ(RaisedNumber([&] { m__Burner->TrackAtOnce(&l__Chain, 1, 1, 1, 1, 5, 1, 0, 0, 0, 0); }, &l__Text), 10u);
        EXPECT_EQ(l__Text, "CTarnwick_CdvdBurnerGrabber::TrackAtOnce(): BD media cannot be written in test mode!!!");
        EXPECT_EQ(RaisedNumber([&] { m__Burner->TrackAtOnce(&l__Chain, 1, 0, 1, 1, 5, 2, 0, 0, 0, 0); }, &l__Text), 10u);
        EXPECT_EQ(l__Text, "CTarnwick_CdvdBurnerGrabber::TrackAtOnce(): BD media take data tracks only!!!");
        EXPECT_EQ(Burn(l__Image, 3), 10u);
        for (uint8_t l__Op : {0x55, 0x2A, 0x53, 0x04, 0x1B}) EXPECT_EQ(m__Drive->CountOpcode(l__Op), 0u) << int(l__Op);
    }
}

TEST_F(TrackAtOnce, NotBlankIsRefusedAndEjected) {
    Make(0x0009);
    m__Drive->Always(0x52, ScriptedAnswer::Good(TrackInformation(false, true, 1000, 500)));
    EXPECT_EQ(Burn(Pattern(2048)), 10u);
    EXPECT_TRUE(Writes().empty());
    EXPECT_EQ(m__Drive->CountOpcode(0x1B), 1u);
    EXPECT_EQ(m__Drive->CountOpcode(0x35), 0u);  // nothing written: no synchronisation
}

TEST_F(TrackAtOnce, DriveNotReadyAtEntryDoesNotEject) {
    Make(0x0009);
    m__Drive->Queue(0x00, ScriptedAnswer::Check(0x02, 0x3A, 0x00));
    EXPECT_EQ(Burn(Pattern(2048)), 8u);
    EXPECT_EQ(m__Drive->CountOpcode(0x1B), 0u);
}

TEST_F(TrackAtOnce, WriteFaultMidTrackSynchronisesAndEjects) {
    Make(0x0009);
    int l__Count = 0;
    m__Drive->Respond(0x2A, [&](const ScriptedCommand&) {
        return ++l__Count == 3 ? ScriptedAnswer::Check(0x03, 0x0C, 0x00) : ScriptedAnswer::Good();
    });
    EXPECT_EQ(Burn(Pattern(200 * 2048)), 8u);
    EXPECT_EQ(m__FailedCdb, 0x2A);
    auto l__Sent = m__Drive->Commands();
    auto l__Sync = std::find_if(l__Sent.begin(), l__Sent.end(), [](auto& c) { return c.m__Cdb[0] == 0x35; });
    auto l__Eject = std::find_if(l__Sent.begin(), l__Sent.end(), [](auto& c) { return c.m__Cdb[0] == 0x1B; });
    ASSERT_NE(l__Sync, l__Sent.end());
    ASSERT_NE(l__Eject, l__Sent.end());
    EXPECT_LT(l__Sync - l__Sent.begin(), l__Eject - l__Sent.begin());
    EXPECT_EQ(Writes().size(), 3u);
}

TEST_F(TrackAtOnce, CancelFromTheProgressCallbackEndsWithFourteen) {
    Make(0x0009, 1);  // 4 MB of cache (twice the drive buffer): the thread still reads when the cancel comes
    m__Events.m__CancelAtProgress = 0;
    FakeClock& l__Clock = m__Clock;
    m__Drive->Respond(0x2A, [&](const ScriptedCommand&) {
        l__Clock.Sleep(1500);  // each write takes "1.5 s": progress after every write
        return ScriptedAnswer::Good();
    });
    Bytes l__Image = Pattern(20000 * 2048);
    EXPECT_EQ(Burn(l__Image), 14u);
    EXPECT_LT(Writes().size(), 20000u / 30u);
    EXPECT_EQ(m__Drive->CountOpcode(0x1B), 1u);
    EXPECT_EQ(m__Drive->CountOpcode(0x35), 1u);
}

// A source that fails at a given read.
class FailingFile : public CTarnwick_File {
public:
    FailingFile(uint64_t p__Size, int p__AtRead) : CTarnwick_File(p__Size), m__AtRead(p__AtRead) {}
    void RealRead(uint64_t p__Length, PVOID p__Buffer) override {
        if (m__Reads++ == m__AtRead) {
            CTarnwick_Exception::Raise("FailingFile::RealRead", EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                       EXCEPTION_NUMBER_SYSTEM_ERROR, 5, "FailingFile::RealRead(): read failed!!!");
        }
        std::memset(p__Buffer, 0x5A, p__Length);
    }

private:
    int m__AtRead;
    int m__Reads = 0;
};

TEST_F(TrackAtOnce, SourceFailureTravelsInACacheBlock) {
    Make(0x0009);
    FailingFile l__Source(200 * 61440, 80);
    CTarnwick_FileChain l__Chain;
    l__Chain.AddChainTail(&l__Source);
    l__Chain.SeekToBegin();
    try {
        m__Burner->TrackAtOnce(&l__Chain, 1, 0, 1, 0, 0, 1, 0, 0, 0, 0);
        FAIL() << "a failing source was written";
    } catch (CTarnwick_Exception* l__Exception) {
        ASSERT_NE(l__Exception, nullptr);
        EXPECT_EQ(l__Exception->GetExceptionNumber(), 5u);
        EXPECT_STREQ(l__Exception->GetExceptionText(), "FailingFile::RealRead(): read failed!!!");
        delete l__Exception;
    }
    // The failed block goes to the head of the queue: the writer stops at it, before
    // any block read after the failure (and possibly before some read before it).
    EXPECT_GT(Writes().size(), 0u);
    EXPECT_LE(Writes().size(), 80u);
    EXPECT_EQ(m__Drive->CountOpcode(0x1B), 1u);
}

// A source that throws something other than the toolkit's exceptions from the cache thread:
// the failure reaches the writer as number 4 instead of ending the process.
class ForeignThrowingFile : public CTarnwick_File {
public:
    ForeignThrowingFile(uint64_t p__Size, int p__AtRead, bool p__IsBadAlloc)
        : CTarnwick_File(p__Size), m__AtRead(p__AtRead), m__IsBadAlloc(p__IsBadAlloc) {}
    void RealRead(uint64_t p__Length, PVOID p__Buffer) override {
        if (m__Reads++ == m__AtRead) {
            if (m__IsBadAlloc) throw std::bad_alloc();
            throw std::runtime_error("disk on fire");
        }
        std::memset(p__Buffer, 0x5A, p__Length);
    }

private:
    int m__AtRead;
    bool m__IsBadAlloc;
    int m__Reads = 0;
};

TEST_F(TrackAtOnce, ForeignExceptionOfTheSourceTravelsAsOutOfMemory) {
    for (bool l__IsBadAlloc : {true, false}) {
        Make(0x0009);
        ForeignThrowingFile l__Source(100 * 61440, 40, l__IsBadAlloc);
        CTarnwick_FileChain l__Chain;
        l__Chain.AddChainTail(&l__Source);
        l__Chain.SeekToBegin();
        try {
            m__Burner->TrackAtOnce(&l__Chain, 1, 0, 1, 0, 0, 1, 0, 0, 0, 0);
            ADD_FAILURE() << "a failing source was written";
        } catch (CTarnwick_Exception* l__Exception) {
            ASSERT_NE(l__Exception, nullptr);
            EXPECT_EQ(l__Exception->GetExceptionNumber(), (ULONG)EXCEPTION_NUMBER_OUT_OF_MEMORY);
            EXPECT_NE(std::string(l__Exception->GetExceptionText()).find(l__IsBadAlloc ? "out of memory" : "disk on fire"),
                      std::string::npos)
                << l__Exception->GetExceptionText();
            delete l__Exception;
        }
        EXPECT_LE(Writes().size(), 40u);
        EXPECT_EQ(m__Drive->CountOpcode(0x1B), 1u);  // ejected as after any failed write
    }
}

// A chain whose size shrinks after the write counted its blocks: the cache thread reads the
// smaller size, and the burn must fail instead of ending a short track in success.
class ShrinkingChain : public CTarnwick_FileChain {
public:
    uint64_t GetSize() override {
        uint64_t l__Size = CTarnwick_FileChain::GetSize();
        return m__Calls++ == 0 ? l__Size : l__Size - 10 * 2048;
    }

private:
    std::atomic<int> m__Calls{0};  // asked by the writer and by the cache thread
};

TEST_F(TrackAtOnce, SourceThatShrankBeforeTheCacheReadItFailsTheBurn) {
    Make(0x0009);
    const Bytes l__Image(100 * 2048, 0x11);
    CTarnwick_MemoryFile l__Source(l__Image.data(), l__Image.size());
    ShrinkingChain l__Chain;
    l__Chain.AddChainTail(&l__Source);
    l__Chain.SeekToBegin();
    try {
        m__Burner->TrackAtOnce(&l__Chain, 1, 0, 1, 0, 0, 1, 0, 0, 0, 0);
        ADD_FAILURE() << "a short track ended in success";
    } catch (CTarnwick_Exception* l__Exception) {
        ASSERT_NE(l__Exception, nullptr);
        EXPECT_EQ(l__Exception->GetExceptionNumber(), (ULONG)EXCEPTION_NUMBER_MEDIA_OR_DATA);
        EXPECT_NE(std::string(l__Exception->GetExceptionText()).find("Wrote 90 LBs of the 100 LBs counted"),
                  std::string::npos)
            << l__Exception->GetExceptionText();
        delete l__Exception;
    }
    EXPECT_EQ(m__Drive->CountOpcode(0x1B), 1u);  // ejected as after any failed write
}

TEST_F(TrackAtOnce, StalledSourceReportsUnderrunsAndCompletes) {
    Make(0x0009);
    // The source stalls at read 120 until the writer has drained the cache and reported it.
    LatchedFile l__Source(200 * 61440, 120, LatchedFile::DELIVER);
    m__Events.m__OnReason = [&](ULONG p__Reason) {
        if (p__Reason == BUFFER_UNDERRUN) l__Source.m__Release.Open();
    };
    EXPECT_EQ(Burn(l__Source, 1, 1, 0, 0), 0u);
    EXPECT_EQ(Writes().size(), 200u);
    auto& r = m__Events.m__Reasons;
    EXPECT_GE(std::count(r.begin(), r.end(), (ULONG)BUFFER_UNDERRUN), 1);
    EXPECT_EQ(r.back(), (ULONG)SYNCHRONIZE_CACHE_END);
}

// The writer finds the queue empty while the cache thread is still inside its last read;
// before the writer asks whether the thread has ended, the thread queues its last block
// (data with the end marker, a failure or a cancel) and ends. That block is not lost.
TEST_F(TrackAtOnce, LastBlockQueuedWhileTheWriterLooksIsNotLost) {
    const struct {
        LatchedFile::Ending m__Ending;
        ULONG m__Expected;
    } l__Cases[] = {{LatchedFile::DELIVER, 0}, {LatchedFile::FAIL, 5}, {LatchedFile::CANCEL, 14}};
    for (const auto& l__Case : l__Cases) {
        SCOPED_TRACE(l__Case.m__Ending);
        Make(0x0009, 1);
        const LONG l__Cache = m__Burner->GetCacheManager()->GetCount();
        // Two blocks more than the cache holds: the last read comes after the first writes.
        LatchedFile l__Source(static_cast<uint64_t>(l__Cache + 2) * 61440, l__Cache + 1, l__Case.m__Ending, m__Burner.get());
        bool l__Raced = false;
        m__Burner->m__OnPoint = [&](CACHE_TEST_POINT p__Point) {
            if (p__Point != CACHE_TEST_POINT_QUEUE_FOUND_EMPTY || l__Raced || !l__Source.m__Waiting.IsOpen()) return;
            l__Raced = true;
            l__Source.m__Release.Open();
            EXPECT_TRUE(m__Burner->WaitForCacheThreadDead());
        };
        EXPECT_EQ(Burn(l__Source, 1, 1, 0, 0), l__Case.m__Expected);
        EXPECT_TRUE(l__Raced);
        if (l__Case.m__Ending == LatchedFile::DELIVER) {
            EXPECT_EQ(BlocksWritten(), static_cast<ULONG>(l__Cache + 2) * 30);
            EXPECT_EQ(m__Drive->CountOpcode(0x1B), 0u);
        } else {
            EXPECT_EQ(BlocksWritten(), static_cast<ULONG>(l__Cache + 1) * 30);
            EXPECT_EQ(m__Drive->CountOpcode(0x1B), 1u);
        }
    }
    EXPECT_EQ(CountedException::s__Live.load(), 0);
}

// An empty source: the cache thread sets the cache full event and, before it sets its dead
// event, the writer looks at the empty queue. That is no underrun, and nothing is waited for.
TEST_F(TrackAtOnce, EmptySourceIsNoUnderrunEvenBeforeTheThreadHasEnded) {
    Make(0x0009);
    Latch l__WriterWentOn;
    m__Events.m__OnReason = [&](ULONG p__Reason) {
        if (p__Reason == BUFFER_UNDERRUN || p__Reason == SYNCHRONIZE_CACHE_BEGIN) l__WriterWentOn.Open();
    };
    bool l__Held = false;
    m__Burner->m__OnPoint = [&](CACHE_TEST_POINT p__Point) {
        if (p__Point != CACHE_TEST_POINT_BEFORE_THREAD_DEAD) return;
        l__Held = true;
        EXPECT_TRUE(l__WriterWentOn.Wait());
    };
    const auto l__Start = std::chrono::steady_clock::now();
    EXPECT_EQ(Burn(Bytes{}), 0u);
    const auto l__Elapsed = std::chrono::steady_clock::now() - l__Start;
    EXPECT_TRUE(l__Held);
    auto& r = m__Events.m__Reasons;
    EXPECT_EQ(std::count(r.begin(), r.end(), (ULONG)BUFFER_UNDERRUN), 0);
    EXPECT_LT(l__Elapsed, std::chrono::seconds(10));
    EXPECT_TRUE(Writes().empty());
    EXPECT_EQ(r.back(), (ULONG)SYNCHRONIZE_CACHE_END);
}

// The cache thread has queued a failed read when a WRITE fails: the writer never takes the
// failed block. Its exception is freed when the blocks are recycled for the next write, or
// when the burner is destroyed.
TEST_F(TrackAtOnce, ExceptionOfABlockNeverTakenIsFreed) {
    for (bool l__BurnAgain : {true, false}) {
        SCOPED_TRACE(l__BurnAgain);
        Make(0x0009, 1);
        const LONG l__Cache = m__Burner->GetCacheManager()->GetCount();
        LatchedFile l__Source(static_cast<uint64_t>(l__Cache + 1) * 61440, l__Cache, LatchedFile::FAIL);
        int l__WriteCount = 0;
        m__Drive->Respond(0x2A, [&](const ScriptedCommand&) {
            if (++l__WriteCount != 2) return ScriptedAnswer::Good();
            // The thread is inside the read that fails: let it fail and end, then fail this WRITE.
            EXPECT_TRUE(l__Source.m__Waiting.Wait());
            l__Source.m__Release.Open();
            EXPECT_TRUE(m__Burner->WaitForCacheThreadDead());
            return ScriptedAnswer::Check(0x03, 0x0C, 0x00);
        });
        EXPECT_EQ(Burn(l__Source, 1, 1, 0, 0), 8u);
        EXPECT_EQ(l__WriteCount, 2);
        if (l__BurnAgain) {
            EXPECT_EQ(Burn(Pattern(2048)), 0u);
        } else {
            m__Burner.reset();
        }
        EXPECT_EQ(CountedException::s__Live.load(), 0);
        m__Drive->Respond(0x2A, [](const ScriptedCommand&) { return ScriptedAnswer::Good(); });
    }
}

}  // namespace
