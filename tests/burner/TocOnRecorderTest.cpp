// The table of contents and the READ CD modes of discs burned onto the virtual recorder,
// read through the flat functions.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_CdvdBurnerGrabber.h"
#include "CTarnwick_FileChain.h"
#include "CTarnwick_MemoryFile.h"
#include "FakeClock.h"
#include "RecorderUnderTest.h"
#include "tarnwick.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Ignore(ULONG, PVOID, PVOID, PVOID) {}

Bytes Pattern(size_t p__Blocks) {
    Bytes l__Data(p__Blocks * 2048);
    for (size_t i = 0; i < l__Data.size(); ++i) l__Data[i] = static_cast<uint8_t>((i * 7 + i / 2048) & 0xFF);
    return l__Data;
}

class TocOnRecorder : public ::testing::Test {
protected:
    void Open(const char* p__Media) {
        m__Recorder = std::make_unique<RecorderUnderTest>(p__Media);
        m__Burner = std::make_unique<CTarnwick_CdvdBurnerGrabber>(Ignore, nullptr, 0, 0, 0, 0, 1);
    }
    // One Track-At-Once track (Mode 2 Form 1 when p__IsXA); the session is then closed
    // with the next session allowed.
    void BurnSession(const Bytes& p__Data, BOOLEAN p__IsXA) {
        try {
            CTarnwick_MemoryFile l__Source(p__Data.data(), p__Data.size());
            CTarnwick_FileChain l__Chain;
            l__Chain.AddChainTail(&l__Source);
            l__Chain.SeekToBegin();
            m__Burner->TrackAtOnce(&l__Chain, p__IsXA, 0, 1, 0, 0, 1, 0, 0, 0, 0);
            m__Burner->CloseSession();
        } catch (CTarnwick_Exception* l__Exception) {
            ADD_FAILURE() << (l__Exception ? l__Exception->GetExceptionText() : "NULL");
            delete l__Exception;
        }
    }
    PVOID Flat() { return static_cast<CTarnwick_EmptyBase*>(m__Burner.get()); }
    ULONG ReadToc(TOC_INFORMATION* p__Toc) {
        return Tarnwick_CdvdBurnerGrabber_ReadTOC(Flat(), m__Text, sizeof(m__Text), &m__SystemError, &m__Info, p__Toc);
    }
    ULONG Probe(BOOLEAN* r) {
        return Tarnwick_CdvdBurnerGrabber_ProbeSupportedReadModes(Flat(), m__Text, sizeof(m__Text), &m__SystemError,
                                                                  &m__Info, &r[0], &r[1], &r[2], &r[3], &r[4], &r[5]);
    }
    // Start and size of a track from READ TRACK INFORMATION.
    std::pair<LONG, LONG> TrackExtent(UCHAR p__Track) {
        Bytes l__Block(4096, 0);
        m__Burner->GetTrackInformation(p__Track, l__Block.data(), static_cast<ULONG>(l__Block.size()));
        return {static_cast<LONG>(CTarnwick_Bytes::GetBigEndian32(l__Block.data() + 8)),
                static_cast<LONG>(CTarnwick_Bytes::GetBigEndian32(l__Block.data() + 24))};
    }

    FakeClock m__Clock;
    std::unique_ptr<RecorderUnderTest> m__Recorder;
    std::unique_ptr<CTarnwick_CdvdBurnerGrabber> m__Burner;
    char m__Text[1024] = {};
    ULONG m__SystemError = 31;
    CDB_FAILURE_INFORMATION m__Info{};
};

TEST_F(TocOnRecorder, TwoSessionsOnCd) {
    Open("cdr");
    BurnSession(Pattern(40), 1);
    BurnSession(Pattern(25), 0);
    auto l__Toc = std::make_unique<TOC_INFORMATION>();
    std::memset(l__Toc.get(), 0xEE, sizeof(TOC_INFORMATION));
    ASSERT_EQ(ReadToc(l__Toc.get()), 0u) << m__Text;
    const TOC_INFORMATION& t = *l__Toc;
    EXPECT_EQ(t.m__UCHAR__IsValid, 1);
    EXPECT_EQ(t.m__UCHAR__IsDVD, 0);
    EXPECT_EQ(Bytes(t.m__UCHAR__Reserved, t.m__UCHAR__Reserved + 7), Bytes(7, 0));
    EXPECT_EQ(t.m__UCHAR__LastSessionNumber, 2);
    ASSERT_EQ(t.m__UCHAR__NumberOfTracks, 2);
    // Session 1: A0 A1 A2, the track, B0, C0; session 2: A0 A1 A2, the track, B0.
    EXPECT_EQ(t.m__UCHAR__NumberOfDescriptors, 11);
    EXPECT_EQ(t.m__TOC_TRACK_ENTRY__Tracks[2].m__UCHAR__IsValid, 0);

    const UCHAR l__Modes[2] = {2, 1}, l__Forms[2] = {1, 0};
    for (UCHAR i = 0; i < 2; ++i) {
        SCOPED_TRACE(static_cast<int>(i));
        const TOC_TRACK_ENTRY& e = t.m__TOC_TRACK_ENTRY__Tracks[i];
        EXPECT_EQ(e.m__UCHAR__IsValid, 1);
        EXPECT_EQ(e.m__UCHAR__TrackNumber, i + 1);
        EXPECT_EQ(e.m__UCHAR__SessionNumber, i + 1);
        EXPECT_EQ(e.m__UCHAR__IsData, 1);
        EXPECT_EQ(e.m__UCHAR__IsAudio, 0);
        EXPECT_EQ(e.m__UCHAR__DataMode, l__Modes[i]);
        EXPECT_EQ(e.m__UCHAR__Form, l__Forms[i]);
        EXPECT_EQ(+e.m__ULONG__BytesPerBlock, 2048u);
        // The track's extent as the drive reports it, and its session's lead-out.
        const auto [l__Start, l__Size] = TrackExtent(i + 1);
        EXPECT_EQ(+e.m__LONG__StartLBA, l__Start);
        EXPECT_EQ(+e.m__LONG__EndLBA, l__Start + l__Size - 1);
        LONG l__LeadOut = -1;
        for (int d = 0; d < t.m__UCHAR__NumberOfDescriptors; ++d) {
            const UCHAR* p = t.m__UCHAR__Descriptors[d];
            if (p[0] == i + 1 && p[3] == 0xA2) l__LeadOut = CTarnwick_CdvdBurnerGrabber::MSFToLBA(p[8], p[9], p[10]);
        }
        EXPECT_EQ(+e.m__LONG__EndLBA, l__LeadOut - 1);
        EXPECT_EQ(t.m__UCHAR__TrackDescriptors[i][3], i + 1);
    }
    EXPECT_GT(+t.m__TOC_TRACK_ENTRY__Tracks[1].m__LONG__StartLBA, +t.m__TOC_TRACK_ENTRY__Tracks[0].m__LONG__EndLBA);

    // Every READ CD mode reads the data track at LBA 0.
    BOOLEAN r[6] = {9, 9, 9, 9, 9, 9};
    ASSERT_EQ(Probe(r), 0u) << m__Text;
    EXPECT_EQ(Bytes(r, r + 6), Bytes(6, 1));
}

TEST_F(TocOnRecorder, DvdTrackEndsWithItsVolume) {
    Open("dvdr");
    Bytes l__Image = Pattern(300);
    uint8_t* l__Pvd = l__Image.data() + 16 * 2048;
    l__Pvd[0] = 1;
    std::memcpy(l__Pvd + 1, "CD001", 5);
    CTarnwick_Bytes::PutLittleEndian32(l__Pvd + 80, 300);
    BurnSession(l__Image, 0);
    auto l__Toc = std::make_unique<TOC_INFORMATION>();
    ASSERT_EQ(ReadToc(l__Toc.get()), 0u) << m__Text;
    EXPECT_EQ(l__Toc->m__UCHAR__IsValid, 1);
    EXPECT_EQ(l__Toc->m__UCHAR__IsDVD, 1);
    EXPECT_EQ(l__Toc->m__UCHAR__NumberOfTracks, 1);
    EXPECT_EQ(+l__Toc->m__TOC_TRACK_ENTRY__Tracks[0].m__LONG__EndLBA, 299);

    // A DVD answers no READ CD: only the cooked reading stays.
    BOOLEAN r[6] = {9, 9, 9, 9, 9, 9};
    ASSERT_EQ(Probe(r), 0u) << m__Text;
    EXPECT_EQ(Bytes(r, r + 6), Bytes({1, 0, 0, 0, 0, 0}));
}

// A DVD+R whose first session was closed without finalising the disc, then a second track:
// each track is in the TOC with its own start, so that the second can be read and imported.
TEST_F(TocOnRecorder, DvdPlusRTracksOfTwoSessionsKeepTheirOwnStarts) {
    Open("dvdplusr");
    try {
        Bytes l__First = Pattern(40);
        CTarnwick_MemoryFile l__FirstSource(l__First.data(), l__First.size());
        CTarnwick_FileChain l__Chain;
        l__Chain.AddChainTail(&l__FirstSource);
        l__Chain.SeekToBegin();
        m__Burner->TrackAtOnce(&l__Chain, 1, 0, 1, 0, 0, 1, 0, 0, 0, 0);
        m__Burner->CloseTrackSession(0, 1, 0, 0, 1);  // close the track
        m__Burner->CloseTrackSession(0, 0, 1, 0, 0);  // close the session, the disc stays appendable
    } catch (CTarnwick_Exception* l__Exception) {
        ADD_FAILURE() << (l__Exception ? l__Exception->GetExceptionText() : "NULL");
        delete l__Exception;
    }
    BurnSession(Pattern(25), 1);  // the second track, and the disc's close
    const auto [l__Start2, l__Size2] = TrackExtent(2);
    ASSERT_GT(l__Start2, 40);
    auto l__Toc = std::make_unique<TOC_INFORMATION>();
    ASSERT_EQ(ReadToc(l__Toc.get()), 0u) << m__Text;
    EXPECT_EQ(l__Toc->m__UCHAR__IsDVD, 1);
    ASSERT_EQ(l__Toc->m__UCHAR__NumberOfTracks, 2);
    EXPECT_EQ(l__Toc->m__UCHAR__LastSessionNumber, 2);
    const TOC_TRACK_ENTRY& t1 = l__Toc->m__TOC_TRACK_ENTRY__Tracks[0];
    const TOC_TRACK_ENTRY& t2 = l__Toc->m__TOC_TRACK_ENTRY__Tracks[1];
    EXPECT_EQ(+t1.m__LONG__StartLBA, 0);
    EXPECT_EQ(+t1.m__LONG__EndLBA, 39);
    EXPECT_EQ(t1.m__UCHAR__SessionNumber, 1);
    EXPECT_EQ(+t2.m__LONG__StartLBA, l__Start2);
    EXPECT_EQ(+t2.m__LONG__EndLBA, l__Start2 + 24);
    EXPECT_EQ(t2.m__UCHAR__TrackNumber, 2);
    EXPECT_EQ(t2.m__UCHAR__SessionNumber, 2);
    EXPECT_EQ(t2.m__UCHAR__IsData, 1);
}

TEST_F(TocOnRecorder, FlatFunctionsRefuseAMissingRecord) {
    Open("cdr");
    EXPECT_EQ(ReadToc(nullptr), 2u);
    BOOLEAN r[6] = {};
    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_ProbeSupportedReadModes(Flat(), m__Text, sizeof(m__Text), &m__SystemError,
                                                                 &m__Info, &r[0], &r[1], nullptr, &r[3], &r[4], &r[5]),
              2u);
    // A blank CD has no TOC: the failure of the drive comes back as its number.
    auto l__Toc = std::make_unique<TOC_INFORMATION>();
    EXPECT_EQ(ReadToc(l__Toc.get()), 8u);
    EXPECT_EQ(l__Toc->m__UCHAR__IsValid, 0);
}

}  // namespace
