// Session-At-Once burns onto the virtual recorder: through the flat function with file names
// and the caller's trees, and through the engine with sources that fail or cancel; a raw image
// with its MDS through its own flat function. What the recorder holds afterwards is read back
// with its own sector coder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "BurnFiles.h"
#include "CTarnwick_CarrierTree.h"
#include "CTarnwick_CdvdBurnerGrabber.h"
#include "CTarnwick_MemoryFile.h"
#include "MdsTestFile.h"
#include "RecorderUnderTest.h"
#include "TraceCapture.h"
#include "VdiscRawStream.h"
#include "VdiscSectorCoder.h"
#include "tarnwick.h"

namespace {

using namespace BurnFiles;

constexpr uint8_t OP_WRITE10 = 0x2A;
constexpr uint8_t OP_SEND_CUE_SHEET = 0x5D;
constexpr uint8_t OP_SYNCHRONIZE_CACHE = 0x35;
constexpr uint8_t OP_START_STOP = 0x1B;
constexpr uint8_t OP_CLOSE = 0x5B;

// A data track as the disc holds it: the data, then the zero blocks of the gap after it,
// which the host writes and the track includes.
Bytes WithGapAfter(Bytes p__Data, size_t p__Blocks) {
    p__Data.resize(p__Data.size() + 2048 * p__Blocks, 0);
    return p__Data;
}

struct Events {
    std::function<void(ULONG, PVOID, PVOID)> m__OnReason;
};

void Callback(ULONG p__Reason, PVOID p__Context, PVOID p__One, PVOID p__Two) {
    auto* l__Events = static_cast<Events*>(p__Context);
    if (l__Events != nullptr && l__Events->m__OnReason) l__Events->m__OnReason(p__Reason, p__One, p__Two);
}

size_t IndexOf(const std::vector<ScriptedCommand>& p__Commands, uint8_t p__Op, size_t p__From = 0) {
    return IndexOfOpcode(p__Commands, p__Op, p__From);
}

size_t LastIndexOf(const std::vector<ScriptedCommand>& p__Commands, uint8_t p__Op) {
    return LastIndexOfOpcode(p__Commands, p__Op);
}

int32_t CdbLba(const ScriptedCommand& p__Command) {
    return static_cast<int32_t>(static_cast<uint32_t>(p__Command.m__Cdb[2]) << 24 | static_cast<uint32_t>(p__Command.m__Cdb[3]) << 16 |
                                static_cast<uint32_t>(p__Command.m__Cdb[4]) << 8 | p__Command.m__Cdb[5]);
}

class SessionAtOnceBurn : public ::testing::Test {
protected:
    void TearDown() override {
        Tarnwick_Destroy(&m__Burner);
        if (m__Started) Tarnwick_DownShut();
        m__Recorder.reset();
    }
    void Open(const std::string& p__Media, const std::string& p__Options = "") {
        m__Recorder = std::make_unique<RecorderUnderTest>(p__Media, p__Options);
        ASSERT_EQ(Tarnwick_UpStart(), 0u);
        m__Started = true;
        ASSERT_EQ(Tarnwick_CdvdBurnerGrabber_Create(&m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info, Callback,
                                                    &m__Events, 0, 0, 0, 0, 0),
                  0u)
            << m__Text;
        m__Session = std::make_unique<SESSION_DESCRIPTOR>();
        std::memset(m__Session.get(), 0, sizeof(SESSION_DESCRIPTOR));
        m__Recorder->Log().ClearCommands();
    }
    std::string AddFile(const std::string& p__Name, const Bytes& p__Data, bool p__IsWav = false) {
        const std::string l__Path = m__Recorder->Dir() + "/" + p__Name;
        if (p__IsWav) WriteWav(l__Path, p__Data); else WriteFile(l__Path, p__Data);
        SESSION_TRACK_ENTRY& l__Entry = m__Session->m__SESSION_TRACK_ENTRY__Tracks[m__Session->m__ULONG__NumberOfTracks++];
        std::snprintf(l__Entry.m__CHAR__FileName, sizeof(l__Entry.m__CHAR__FileName), "%s", l__Path.c_str());
        return l__Path;
    }
    ULONG Burn(BOOLEAN p__Mode2Form1, BOOLEAN p__NextSession = 0) {
        return Tarnwick_CdvdBurnerGrabber_SessionAtOnce(m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info,
                                                        m__Session.get(), p__Mode2Form1, 0, p__NextSession, 1, 5);
    }
    Bytes ExportTrack(int p__Track) {
        const std::string l__Out = m__Recorder->Dir() + "/export.iso";
        std::string l__Output;
        EXPECT_EQ(m__Recorder->Vdisc("export {} --track " + std::to_string(p__Track) + " '" + l__Out + "'", &l__Output), 0)
            << l__Output;
        std::ifstream l__Stream(l__Out, std::ios::binary);
        return Bytes((std::istreambuf_iterator<char>(l__Stream)), std::istreambuf_iterator<char>());
    }
    // Raw 2352-byte sectors through READ CD (sync, headers, user data, EDC/ECC).
    Bytes ReadRaw(LONG p__LBA, ULONG p__Blocks) {
        Bytes l__Raw(2352u * p__Blocks);
        auto* l__Burner = static_cast<CTarnwick_CdvdBurnerGrabber*>(static_cast<CTarnwick_EmptyBase*>(m__Burner));
        l__Burner->ReadCd(0, static_cast<ULONG>(p__LBA), p__Blocks, 0, 1, 1, 3, 1, 0, l__Raw.data(),
                          static_cast<ULONG>(l__Raw.size()));
        return l__Raw;
    }
    TOC_INFORMATION Toc() {
        auto l__Toc = std::make_unique<TOC_INFORMATION>();
        EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_ReadTOC(m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info, l__Toc.get()), 0u)
            << m__Text;
        return *l__Toc;
    }
    UCHAR DiscStatus() {
        DISC_INFORMATION l__Disc{};
        EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_GetDiscInformation(m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info, &l__Disc), 0u);
        return l__Disc.m__UCHAR__DiscStatus;
    }
    SESSION_TRACK_ENTRY& Entry(ULONG p__Index) { return m__Session->m__SESSION_TRACK_ENTRY__Tracks[p__Index]; }

    std::unique_ptr<RecorderUnderTest> m__Recorder;
    std::unique_ptr<SESSION_DESCRIPTOR> m__Session;
    Events m__Events;
    bool m__Started = false;
    PVOID m__Burner = nullptr;
    char m__Text[1024] = {};
    ULONG m__SystemError = 0;
    CDB_FAILURE_INFORMATION m__Info{};
};

}  // namespace

TEST_F(SessionAtOnceBurn, DataFileIsOneTrackTheDriveClosesFromMinusOneFifty) {
    Open("cdr");
    const Bytes l__Data = Pattern(1000 * 2048 + 100, 1);
    AddFile("data.bin", l__Data);
    TraceCapture l__Trace;
    ASSERT_EQ(Burn(0), 0u) << m__Text;
    EXPECT_EQ(ExportTrack(1), WithGapAfter(PaddedTo(l__Data, 2048), 600));
    EXPECT_EQ(DiscStatus(), 2) << "the session is closed and the disc finalised";
    // The entry tells the track's size; nothing made for the call is left in it.
    EXPECT_EQ(LONG{Entry(0).m__LONG__TrackSize}, 1001);
    EXPECT_EQ(LONG{Entry(0).m__LONG__GapAfter}, 600);
    EXPECT_EQ(UCHAR{Entry(0).m__UCHAR__IsSound}, 0);
    EXPECT_EQ(PVOID{Entry(0).m__PVOID__Tree}, nullptr);
    EXPECT_EQ(PVOID{Entry(0).m__PVOID__File}, nullptr);
    EXPECT_EQ(PVOID{Entry(0).m__PVOID__BackSideTree}, nullptr);

    // The cue sheet goes first, then the writes, consecutive from -150 to the lead-out.
    const auto l__Commands = m__Recorder->Log().Commands();
    const size_t l__Cue = IndexOf(l__Commands, OP_SEND_CUE_SHEET);
    ASSERT_LT(l__Cue, l__Commands.size());
    EXPECT_EQ(l__Commands[l__Cue].m__DataOut, (Bytes{0x41, 0x00, 0x00, 0x14, 0, 0, 0, 0, 0x41, 0x01, 0x00, 0x10, 0, 0, 0, 0,
                                                     0x41, 0x01, 0x01, 0x10, 0, 0, 2, 0, 0x41, 0xAA, 0x01, 0x14, 0, 0, 23, 26}));
    LONG l__Next = -150;
    size_t l__Writes = 0;
    for (size_t i = l__Cue; i < l__Commands.size(); ++i) {
        if (l__Commands[i].m__Cdb[0] != OP_WRITE10) continue;
        ASSERT_EQ(CdbLba(l__Commands[i]), l__Next) << "write " << l__Writes;
        l__Next += l__Commands[i].m__Cdb[7] << 8 | l__Commands[i].m__Cdb[8];
        ++l__Writes;
    }
    EXPECT_EQ(l__Next, 1001 + 600);
    EXPECT_EQ(IndexOf(l__Commands, OP_CLOSE), l__Commands.size()) << "the drive closes a Session-At-Once session";
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Trace.Contains("CTarnwick_CdvdBurnerGrabber::SessionAtOnce(): Replaced 0 with ( -150 ) as NWA"));
    EXPECT_TRUE(l__Trace.Contains("CUE SHEET dump: 32 UCHAR(s)"));
}

TEST_F(SessionAtOnceBurn, ModeTwoFormOneTracksReadBackAsTheRecordersOwnFormOneSectors) {
    Open("cdr");
    const Bytes l__Data = Pattern(300 * 2048 + 1000, 2);
    // The caller's tree (here a carrier of the data) stays the caller's: it is wrapped for
    // the call and put back.
    CTarnwick_MemoryFile l__Source(l__Data.data(), l__Data.size());
    CTarnwick_CarrierTree l__Tree(&l__Source);
    PVOID l__Reference = static_cast<CTarnwick_EmptyBase*>(&l__Tree);
    m__Session->m__ULONG__NumberOfTracks = 1;
    Entry(0).m__PVOID__Tree = l__Reference;
    ASSERT_EQ(Burn(1), 0u) << m__Text;
    EXPECT_EQ(PVOID{Entry(0).m__PVOID__Tree}, l__Reference);
    EXPECT_EQ(PVOID{Entry(0).m__PVOID__BackSideTree}, nullptr);
    EXPECT_EQ(LONG{Entry(0).m__LONG__TrackSize}, 301);
    const Bytes l__Padded = PaddedTo(l__Data, 2048);
    EXPECT_EQ(ExportTrack(1), WithGapAfter(l__Padded, 600));
    const auto l__Commands = m__Recorder->Log().Commands();
    const size_t l__Cue = IndexOf(l__Commands, OP_SEND_CUE_SHEET);
    ASSERT_LT(l__Cue, l__Commands.size());
    EXPECT_EQ(l__Commands[l__Cue].m__DataOut[3], 0x24);
    EXPECT_EQ(l__Commands[l__Cue].m__DataOut[8 + 3], 0x20);
    // Every sector, as READ CD gives it, is the sector the recorder's own coder makes of the
    // same user data: sub-header copies, EDC and P/Q parity all right.
    const Bytes l__Raw = ReadRaw(0, 301);
    for (LONG l__Lba = 0; l__Lba < 301; ++l__Lba) {
        uint8_t l__SubheaderAndData[8 + 2048] = {0, 0, static_cast<uint8_t>(l__Lba == 300 ? 0x89 : 0x08), 0,
                                                 0, 0, static_cast<uint8_t>(l__Lba == 300 ? 0x89 : 0x08), 0};
        std::memcpy(l__SubheaderAndData + 8, l__Padded.data() + 2048 * l__Lba, 2048);
        uint8_t l__Expected[2352];
        VdiscSectorCoder::Mode2Xa(l__Lba, l__SubheaderAndData, l__Expected);
        ASSERT_EQ(std::memcmp(l__Raw.data() + 2352 * l__Lba, l__Expected, 2352), 0) << "sector " << l__Lba;
    }
}

TEST_F(SessionAtOnceBurn, FifteenSoundFilesArePlacedWhereTheCueSheetSays) {
    Open("cdr");
    std::vector<Bytes> l__Pcms;
    for (unsigned i = 0; i < 15; ++i) {
        // 300 whole sectors and a partial one that is not written.
        l__Pcms.push_back(Pcm(300, 1000, i));
        AddFile("track" + std::to_string(i + 1) + ".wav", l__Pcms.back(), true);
    }
    ASSERT_EQ(Burn(0), 0u) << m__Text;
    const TOC_INFORMATION l__Toc = Toc();
    ASSERT_EQ(l__Toc.m__UCHAR__NumberOfTracks, 15);
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(UCHAR{Entry(i).m__UCHAR__IsSound}, 1);
        EXPECT_EQ(LONG{Entry(i).m__LONG__TrackSize}, 300);
        // Each track follows the one before after a 2-second pre-gap.
        EXPECT_EQ(LONG{l__Toc.m__TOC_TRACK_ENTRY__Tracks[i].m__LONG__StartLBA}, 450 * i) << "track " << i + 1;
        EXPECT_EQ(l__Toc.m__TOC_TRACK_ENTRY__Tracks[i].m__UCHAR__IsData, 0);
    }
    // The samples of tracks 10 and 15 are where their starts say, and their pre-gaps silent.
    for (int l__Track : {10, 15}) {
        const LONG l__Start = 450 * (l__Track - 1);
        const Bytes l__Raw = ReadRaw(l__Start, 300);
        EXPECT_TRUE(std::equal(l__Raw.begin(), l__Raw.end(), l__Pcms[l__Track - 1].begin())) << "track " << l__Track;
        const Bytes l__Gap = ReadRaw(l__Start - 150, 150);
        EXPECT_EQ(l__Gap, Bytes(l__Gap.size(), 0)) << "pre-gap of track " << l__Track;
    }
}

TEST_F(SessionAtOnceBurn, DataTrackThenSoundTracksMakeAMixedModeSession) {
    Open("cdr");
    const Bytes l__Data = Pattern(400 * 2048, 3);
    AddFile("data.bin", l__Data);
    const Bytes l__Pcm = Pcm(320, 0, 4);
    AddFile("song.wav", l__Pcm, true);
    ASSERT_EQ(Burn(0), 0u) << m__Text;
    const TOC_INFORMATION l__Toc = Toc();
    ASSERT_EQ(l__Toc.m__UCHAR__NumberOfTracks, 2);
    EXPECT_EQ(l__Toc.m__TOC_TRACK_ENTRY__Tracks[0].m__UCHAR__IsData, 1);
    EXPECT_EQ(l__Toc.m__TOC_TRACK_ENTRY__Tracks[1].m__UCHAR__IsData, 0);
    EXPECT_EQ(LONG{l__Toc.m__TOC_TRACK_ENTRY__Tracks[1].m__LONG__StartLBA}, 400 + 150);
    EXPECT_EQ(ExportTrack(1), l__Data);
    EXPECT_EQ(ReadRaw(550, 320), l__Pcm);
}

TEST_F(SessionAtOnceBurn, RefusalsComeBeforeAnyWrite) {
    // A DVD: number 10, nothing sent, the disc stays in.
    Open("dvdr");
    AddFile("data.bin", Pattern(500 * 2048, 5));
    EXPECT_EQ(Burn(0), 10u);
    EXPECT_NE(std::string(m__Text).find("CTarnwick_CdvdBurnerGrabber::SessionAtOnce(): Disc type (5) not valid for SAO!!!"),
              std::string::npos)
        << m__Text;
    EXPECT_EQ(m__Recorder->Log().CountOpcode(OP_WRITE10), 0u);
    EXPECT_EQ(m__Recorder->Log().CountOpcode(OP_SEND_CUE_SHEET), 0u);
    EXPECT_EQ(m__Recorder->Log().CountOpcode(OP_START_STOP), 0u);
    TearDown();

    // A second session: the first left the disc open for more; the next one is refused.
    Open("cdr");
    AddFile("data.bin", Pattern(500 * 2048, 5));
    ASSERT_EQ(Burn(0, 1), 0u) << m__Text;
    EXPECT_EQ(DiscStatus(), 1) << "appendable";
    m__Recorder->Log().ClearCommands();
    EXPECT_EQ(Burn(0, 1), 10u);
    EXPECT_NE(std::string(m__Text).find("instead of ( -150 )!!!"), std::string::npos) << m__Text;
    EXPECT_EQ(m__Recorder->Log().CountOpcode(OP_WRITE10), 0u);
    EXPECT_EQ(m__Recorder->Log().CountOpcode(OP_SEND_CUE_SHEET), 0u);
    // Descriptors that could not be a session.
    m__Session->m__ULONG__NumberOfTracks = 100;
    EXPECT_EQ(Burn(0), 2u);
    m__Session->m__ULONG__NumberOfTracks = 0;
    EXPECT_EQ(Burn(0), 2u);
    std::memset(m__Session.get(), 0, sizeof(SESSION_DESCRIPTOR));
    m__Session->m__ULONG__NumberOfTracks = 1;  // no file name and no tree
    EXPECT_EQ(Burn(0), 2u);
    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_SessionAtOnce(m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info, nullptr,
                                                       0, 0, 0, 0, 0),
              2u);
    EXPECT_EQ(m__Recorder->Log().CountOpcode(OP_WRITE10), 0u);
}

TEST_F(SessionAtOnceBurn, WriteFaultInTheSecondTrackSynchronisesThenEjects) {
    Open("cdr");
    AddFile("one.bin", Pattern(400 * 2048, 6));
    AddFile("two.bin", Pattern(400 * 2048, 7));
    // Track 2's data starts at 550.
    ASSERT_EQ(m__Recorder->Vdisc("fault {} --write-fail 600"), 0);
    EXPECT_EQ(Burn(0), 8u);
    auto l__Commands = m__Recorder->Log().Commands();
    const size_t l__Failed = LastIndexOf(l__Commands, OP_WRITE10);
    const size_t l__Sync = IndexOf(l__Commands, OP_SYNCHRONIZE_CACHE, l__Failed);
    const size_t l__Eject = IndexOf(l__Commands, OP_START_STOP, l__Failed);
    EXPECT_LT(l__Sync, l__Eject) << "track 1 was completed: the drive's cache is synchronised first";
    EXPECT_LT(l__Eject, l__Commands.size());
    EXPECT_EQ(PVOID{Entry(0).m__PVOID__Tree}, nullptr);
    EXPECT_EQ(PVOID{Entry(1).m__PVOID__File}, nullptr);
    TearDown();

    // In track 1: nothing was completed, the disc is ejected without a synchronisation.
    Open("cdr");
    AddFile("one.bin", Pattern(400 * 2048, 6));
    ASSERT_EQ(m__Recorder->Vdisc("fault {} --write-fail 100"), 0);
    EXPECT_EQ(Burn(0), 8u);
    l__Commands = m__Recorder->Log().Commands();
    const size_t l__FirstFailed = LastIndexOf(l__Commands, OP_WRITE10);
    EXPECT_EQ(IndexOf(l__Commands, OP_SYNCHRONIZE_CACHE, l__FirstFailed), l__Commands.size());
    EXPECT_LT(IndexOf(l__Commands, OP_START_STOP, l__FirstFailed), l__Commands.size());
}

namespace {

// A source that runs a step when its read reaches a given offset (then fails if asked).
class SteppingSource : public CTarnwick_MemoryFile {
public:
    SteppingSource(const Bytes& p__Data, uint64_t p__At, std::function<void()> p__Step, bool p__Fail)
        : CTarnwick_MemoryFile(p__Data.data(), p__Data.size()), m__At(p__At), m__Step(std::move(p__Step)), m__Fail(p__Fail) {}
    void RealRead(uint64_t p__Length, PVOID p__Buffer) override {
        if (GetPosition() + p__Length > m__At) {
            m__Step();
            if (m__Fail) {
                CTarnwick_Exception::Raise("SteppingSource", EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_SYSTEM_ERROR, 5,
                                           "SteppingSource(): the disc holding the source went away!!!");
            }
        }
        CTarnwick_MemoryFile::RealRead(p__Length, p__Buffer);
    }

private:
    uint64_t m__At;
    std::function<void()> m__Step;
    bool m__Fail;
};

// Burns two tracks through the engine: track 1 plain, track 2 from the stepping source.
ULONG BurnTwoTracks(RecorderUnderTest& p__Recorder, bool p__Cancel, std::string* p__Text) {
    (void)p__Recorder;
    // The smallest cache is twice the recorder's buffer (4 MB); the source steps at 10 MB into
    // track 2, which the cache thread reaches only once track 1 is written.
    const Bytes l__One = Pattern(400 * 2048, 8), l__Two = Pattern(6000 * 2048, 9);
    try {
        CTarnwick_CdvdBurnerGrabber l__Burner(Callback, nullptr, 0, 0, 0, 0, 1);
        CTarnwick_MemoryFile l__FirstSource(l__One.data(), l__One.size());
        SteppingSource l__SecondSource(l__Two, 5000 * 2048, [&] { if (p__Cancel) l__Burner.Cancel(); }, !p__Cancel);
        CTarnwick_CarrierTree l__First(&l__FirstSource), l__Second(&l__SecondSource);
        auto l__Session = std::make_unique<SESSION_DESCRIPTOR>();
        std::memset(l__Session.get(), 0, sizeof(SESSION_DESCRIPTOR));
        l__Session->m__ULONG__NumberOfTracks = 2;
        l__Session->m__SESSION_TRACK_ENTRY__Tracks[0].m__PVOID__Tree = static_cast<CTarnwick_EmptyBase*>(&l__First);
        l__Session->m__SESSION_TRACK_ENTRY__Tracks[1].m__PVOID__Tree = static_cast<CTarnwick_EmptyBase*>(&l__Second);
        l__Session->m__SESSION_TRACK_ENTRY__Tracks[1].m__LONG__GapAfter = 600;
        l__Burner.SessionAtOnce(l__Session.get(), 0, 0, 0, 0, 0, 0);
    } catch (CTarnwick_Exception* l__Exception) {
        const ULONG l__Number = l__Exception != nullptr ? l__Exception->GetExceptionNumber() : 12;
        if (l__Exception != nullptr) *p__Text = l__Exception->GetExceptionText();
        delete l__Exception;
        return l__Number;
    }
    return 0;
}

}  // namespace

TEST(SessionAtOnceFaults, CancelAndAFailingSourceEndTheSessionAsInTrackAtOnce) {
    for (bool l__Cancel : {true, false}) {
        SCOPED_TRACE(l__Cancel ? "cancel" : "failing source");
        RecorderUnderTest l__Recorder("cdr");
        std::string l__Text;
        EXPECT_EQ(BurnTwoTracks(l__Recorder, l__Cancel, &l__Text),
                  l__Cancel ? ULONG{EXCEPTION_NUMBER_CANCELLED} : ULONG{EXCEPTION_NUMBER_SYSTEM_ERROR})
            << l__Text;
        if (!l__Cancel) {
            EXPECT_NE(l__Text.find("the disc holding the source went away"), std::string::npos) << l__Text;
        }
        // Track 1 was completed: synchronised, then ejected; nothing past the failing read.
        const auto l__Commands = l__Recorder.Log().Commands();
        const size_t l__LastWrite = LastIndexOf(l__Commands, OP_WRITE10);
        ASSERT_LT(l__LastWrite, l__Commands.size());
        EXPECT_LT(CdbLba(l__Commands[l__LastWrite]), 550 + 5000);
        const size_t l__Sync = IndexOf(l__Commands, OP_SYNCHRONIZE_CACHE, l__LastWrite);
        EXPECT_LT(l__Sync, IndexOf(l__Commands, OP_START_STOP, l__LastWrite));
        EXPECT_LT(IndexOf(l__Commands, OP_START_STOP, l__LastWrite), l__Commands.size());
    }
}

namespace {

constexpr uint32_t BLOCK = 2448;
constexpr int32_t TRACK2 = 550, TRACK3 = 1050, LEAD_OUT = 1370;

// The Q record in bit 6 of the 96 raw P-W bytes, first byte the most significant bit.
std::vector<uint8_t> QOf(const uint8_t* p__Raw96) {
    std::vector<uint8_t> l__Q(12, 0);
    for (int i = 0; i < 96; ++i)
        if (p__Raw96[i] & 0x40) l__Q[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
    return l__Q;
}

// A raw image with its MDS, burnt by name.
class SessionAtOnceRawBurn : public SessionAtOnceBurn {
protected:
    CTarnwick_CdvdBurnerGrabber& Burner() {
        return *static_cast<CTarnwick_CdvdBurnerGrabber*>(static_cast<CTarnwick_EmptyBase*>(m__Burner));
    }
    // The image as a grabber stores it: blocks 0 to the lead-out, data sectors unscrambled,
    // each with its raw P-W sub-channel; and its MDS beside it.
    void MakeImage() {
        const VdiscRawStream l__Stream(-11634,
                                       {{true, 1, 0, 0}, {false, 1, TRACK2, 150}, {false, 1, TRACK3, 150}},
                                       LEAD_OUT, BLOCK);
        m__Image.clear();
        for (int32_t l__Lba = 0; l__Lba < LEAD_OUT; ++l__Lba) {
            std::vector<uint8_t> l__Block = l__Stream.Block(l__Lba);
            if (l__Lba < TRACK2 - 150) VdiscRawStream::Scramble(l__Block);
            m__Image.insert(m__Image.end(), l__Block.begin(), l__Block.end());
        }
        WriteFile(m__Recorder->Dir() + "/disc.mdf", m__Image);
        MdsTestFile::Write(m__Recorder->Dir() + "/disc.mds",
                           MdsTestFile::Build({{MdsTestFile::NOT_A_TRACK, 0, 0, ""},
                                               {MdsTestFile::MODE1, MdsTestFile::SUB_PW, TRACK2, "disc.mdf"},
                                               {MdsTestFile::SOUND, MdsTestFile::SUB_PW, TRACK3 - TRACK2, "disc.mdf"},
                                               {MdsTestFile::SOUND, MdsTestFile::SUB_PW, LEAD_OUT - TRACK3, "disc.mdf"}}));
    }
    ULONG BurnMds(const std::string& p__Mds, BOOLEAN p__RawMode) {
        std::string l__Name = p__Mds;
        return Tarnwick_CdvdBurnerGrabber_SessionAtOnceRawRawPW(m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info,
                                                                l__Name.data(), 0, 1, 5, p__RawMode);
    }
    // READ CD of raw sectors with raw P-W sub-channel.
    Bytes ReadRawPW(LONG p__Lba, ULONG p__Blocks) {
        Bytes l__Raw(size_t(BLOCK) * p__Blocks);
        Burner().ReadCd(0, static_cast<ULONG>(p__Lba), p__Blocks, 0, 1, 1, 3, 1, 1, l__Raw.data(), static_cast<ULONG>(l__Raw.size()));
        return l__Raw;
    }

    Bytes m__Image;
};

}  // namespace

TEST_F(SessionAtOnceRawBurn, ImageReadsBackTrackByTrackWithItsSubchannel) {
    for (const BOOLEAN l__RawMode : {BOOLEAN{0}, BOOLEAN{1}}) {
        SCOPED_TRACE(l__RawMode ? "raw mode" : "drive's lead-in");
        TearDown();
        Open("cdr");
        MakeImage();
        // Given by a relative name: the image is found beside the MDS.
        const std::filesystem::path l__Before = std::filesystem::current_path();
        std::filesystem::current_path(m__Recorder->Dir());
        const ULONG l__Result = BurnMds("disc.mds", l__RawMode);
        std::filesystem::current_path(l__Before);
        ASSERT_EQ(l__Result, 0u) << m__Text;

        const TOC_INFORMATION l__Toc = Toc();
        ASSERT_EQ(UCHAR{l__Toc.m__UCHAR__NumberOfTracks}, 3);
        const LONG l__Starts[] = {0, TRACK2, TRACK3};
        const LONG l__Ends[] = {TRACK2 - 1, TRACK3 - 1, LEAD_OUT - 1};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(LONG{l__Toc.m__TOC_TRACK_ENTRY__Tracks[i].m__LONG__StartLBA}, l__Starts[i]) << "track " << i + 1;
            EXPECT_EQ(LONG{l__Toc.m__TOC_TRACK_ENTRY__Tracks[i].m__LONG__EndLBA}, l__Ends[i]) << "track " << i + 1;
            EXPECT_EQ(UCHAR{l__Toc.m__TOC_TRACK_ENTRY__Tracks[i].m__UCHAR__IsData}, i == 0 ? 1 : 0) << "track " << i + 1;
        }

        // The data track's user data through READ(10).
        Bytes l__User(2048 * 20);
        for (LONG l__Lba = 0; l__Lba < TRACK2 - 150; l__Lba += 20) {
            Burner().Read10(l__User.data(), static_cast<ULONG>(l__User.size()), static_cast<ULONG>(l__Lba), 20);
            for (LONG k = 0; k < 20; ++k)
                ASSERT_TRUE(std::equal(l__User.begin() + k * 2048, l__User.begin() + (k + 1) * 2048,
                                       VdiscRawStream::UserData(l__Lba + k).begin()))
                    << "LBA " << l__Lba + k;
        }
        // Every block of the tracks raw, with its sub-channel Q: as in the image (the data
        // sectors descrambled by the drive's read as they were before the host scrambled them).
        for (LONG l__Lba = 0; l__Lba < LEAD_OUT; l__Lba += 10) {
            const ULONG l__Blocks = static_cast<ULONG>(std::min<LONG>(10, LEAD_OUT - l__Lba));
            const Bytes l__Read = ReadRawPW(l__Lba, l__Blocks);
            for (ULONG k = 0; k < l__Blocks; ++k) {
                const uint8_t* l__Got = l__Read.data() + size_t(k) * BLOCK;
                const uint8_t* l__Want = m__Image.data() + size_t(l__Lba + k) * BLOCK;
                ASSERT_TRUE(std::equal(l__Got, l__Got + 2352, l__Want)) << "LBA " << l__Lba + k;
                ASSERT_EQ(QOf(l__Got + 2352), QOf(l__Want + 2352)) << "LBA " << l__Lba + k;
            }
        }
    }
}

TEST_F(SessionAtOnceRawBurn, MissingImageFailsBeforeAnythingIsWritten) {
    Open("cdr");
    MdsTestFile::Write(m__Recorder->Dir() + "/lost.mds",
                       MdsTestFile::Build({{MdsTestFile::MODE1, MdsTestFile::SUB_PW, 1000, "lost.mdf"}}));
    EXPECT_EQ(BurnMds(m__Recorder->Dir() + "/lost.mds", 1), ULONG{EXCEPTION_NUMBER_SYSTEM_ERROR});
    EXPECT_NE(std::string(m__Text).find("lost.mdf"), std::string::npos) << m__Text;
    EXPECT_EQ(m__Recorder->Log().CountOpcode(0x2A), 0u);
    EXPECT_EQ(m__Recorder->Log().CountOpcode(0x5D), 0u);
    // A missing MDS, and one that is not an MDS: number 5 with the parser's status.
    EXPECT_EQ(BurnMds(m__Recorder->Dir() + "/none.mds", 1), ULONG{EXCEPTION_NUMBER_SYSTEM_ERROR});
    EXPECT_EQ(m__SystemError, ULONG{ENOENT});
    WriteFile(m__Recorder->Dir() + "/bad.mds", Pattern(500, 1));
    EXPECT_EQ(BurnMds(m__Recorder->Dir() + "/bad.mds", 1), ULONG{EXCEPTION_NUMBER_SYSTEM_ERROR});
    EXPECT_EQ(m__SystemError, 11u);
    EXPECT_NE(std::string(m__Text).find("TarnwickI_ParseMDS( ... ) failed, status 11 ( 0xB )!!!"), std::string::npos) << m__Text;
    EXPECT_EQ(m__Recorder->Log().CountOpcode(0x2A), 0u);
}
