// Grabbing tracks and block ranges of discs burned onto the virtual recorder into files,
// through the flat functions: the reads the recorder receives, the files, read faults
// injected on the recorder, cancel, and output files that cannot be written.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "../burner/BurnFiles.h"
#include "CTarnwick_Bytes.h"
#include "CTarnwick_CdvdBurnerGrabber.h"
#include "CTarnwick_FileChain.h"
#include "CTarnwick_MemoryFile.h"
#include "ExternalTool.h"
#include "FakeClock.h"
#include "RecorderUnderTest.h"
#include "tarnwick.h"

namespace {

using namespace BurnFiles;

void WriteText(const std::string& p__Name, const std::string& p__Text) {
    std::ofstream l__Stream(p__Name, std::ios::binary);
    l__Stream << p__Text;
}

std::vector<std::string> Entries(const std::string& p__Dir) {
    std::vector<std::string> l__Names;
    DIR* l__Dir = opendir(p__Dir.c_str());
    while (dirent* l__Entry = l__Dir != nullptr ? readdir(l__Dir) : nullptr) {
        std::string l__Name = l__Entry->d_name;
        if (l__Name != "." && l__Name != "..") l__Names.push_back(l__Name);
    }
    if (l__Dir != nullptr) closedir(l__Dir);
    return l__Names;
}

// A callback seen by a test: what the grab reported.
struct Reports {
    std::vector<ULONG> m__Retries;                         // READ_ERROR_RETRY first LBAs
    std::vector<std::pair<ULONG, ULONG>> m__BadSectors;    // BAD_SECTOR_DETECTED LBA, count
    std::vector<std::pair<LONGLONG, LONGLONG>> m__Progress;  // GRAB_PROGRESS total, done
    CTarnwick_CdvdBurnerGrabber* m__Burner = nullptr;
    LONGLONG m__LONGLONG__CancelAtDone = -1;                  // Cancel once this many blocks are done
};

void Callback(ULONG p__Reason, PVOID p__Context, PVOID p__One, PVOID p__Two) {
    Reports* r = static_cast<Reports*>(p__Context);
    if (r == nullptr) return;
    if (p__Reason == READ_ERROR_RETRY) {
        r->m__Retries.push_back(*static_cast<ULONG*>(p__One));
        EXPECT_EQ(p__Two, nullptr);
    } else if (p__Reason == BAD_SECTOR_DETECTED) {
        r->m__BadSectors.emplace_back(*static_cast<ULONG*>(p__One), *static_cast<ULONG*>(p__Two));
    } else if (p__Reason == GRAB_PROGRESS) {
        const LONGLONG l__Done = *static_cast<LONGLONG*>(p__Two);
        r->m__Progress.emplace_back(*static_cast<LONGLONG*>(p__One), l__Done);
        if (r->m__LONGLONG__CancelAtDone >= 0 && l__Done >= r->m__LONGLONG__CancelAtDone) r->m__Burner->Cancel();
    }
}

// A clock that moves on by just over a second every time it is asked, so that every piece
// of a grab with a progress interval of 1 s is reported.
class SteppingClock : public PlatformClock {
public:
    SteppingClock() : m__Previous(PlatformClock::Replace(this)) {}
    ~SteppingClock() override { PlatformClock::Replace(m__Previous); }
    void Sleep(uint32_t) override {}
    uint32_t GetTickCount() override { return m__ULONG__Now += 1001; }

private:
    uint32_t m__ULONG__Now = 0;
    PlatformClock* m__Previous;
};

// One READ CD or READ(10) the recorder received: its LBA and block count.
struct ReadCommand {
    uint32_t m__LBA;
    uint32_t m__Blocks;
    bool operator==(const ReadCommand&) const = default;
};

class GrabOnRecorder : public ::testing::Test {
protected:
    void TearDown() override {
        m__Burner.reset();
        if (m__Started) Tarnwick_DownShut();
    }
    void Open(const char* p__Media) {
        m__Recorder = std::make_unique<RecorderUnderTest>(p__Media);
        ASSERT_EQ(Tarnwick_UpStart(), 0u);
        m__Started = true;
        m__Burner = std::make_unique<CTarnwick_CdvdBurnerGrabber>(Callback, &m__Reports, 0, 0, 0, 0, 1);
        m__Reports.m__Burner = m__Burner.get();
    }
    // A CD of one Session-At-Once track, which holds exactly the file's blocks: data, or
    // the PCM of a WAV file.
    void BurnCd(const Bytes& p__Data, bool p__IsAudio) {
        const std::string l__Path = Out(p__IsAudio ? "source.wav" : "source.iso");
        if (p__IsAudio) WriteWav(l__Path, p__Data); else WriteFile(l__Path, p__Data);
        auto l__Session = std::make_unique<SESSION_DESCRIPTOR>();
        std::memset(l__Session.get(), 0, sizeof(SESSION_DESCRIPTOR));
        l__Session->m__ULONG__NumberOfTracks = 1;
        std::snprintf(l__Session->m__SESSION_TRACK_ENTRY__Tracks[0].m__CHAR__FileName, SESSION_FILE_NAME_SIZE, "%s",
                      l__Path.c_str());
        ASSERT_EQ(Tarnwick_CdvdBurnerGrabber_SessionAtOnce(Flat(), m__Text, sizeof(m__Text), &m__SystemError, &m__Info,
                                                           l__Session.get(), 0, 0, 0, 0, 0),
                  0u)
            << m__Text;
        std::remove(l__Path.c_str());
        m__Recorder->Log().ClearCommands();
    }
    // A DVD-R track of the data, whose volume descriptor makes the track end after
    // p__VolumeBlocks blocks.
    void BurnDvd(Bytes p__Data, uint32_t p__VolumeBlocks) {
        uint8_t* l__Pvd = p__Data.data() + 16 * 2048;
        l__Pvd[0] = 1;
        std::memcpy(l__Pvd + 1, "CD001", 5);
        CTarnwick_Bytes::PutLittleEndian32(l__Pvd + 80, p__VolumeBlocks);
        try {
            CTarnwick_MemoryFile l__Source(p__Data.data(), p__Data.size());
            CTarnwick_FileChain l__Chain;
            l__Chain.AddChainTail(&l__Source);
            l__Chain.SeekToBegin();
            m__Burner->TrackAtOnce(&l__Chain, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0);
            m__Burner->CloseSession();
        } catch (CTarnwick_Exception* l__Exception) {
            ADD_FAILURE() << (l__Exception ? l__Exception->GetExceptionText() : "NULL");
            delete l__Exception;
        }
        m__Recorder->Log().ClearCommands();
    }
    PVOID Flat() { return static_cast<CTarnwick_EmptyBase*>(m__Burner.get()); }
    ULONG GrabTrack(UCHAR p__Track, const std::string& p__File, ULONG p__Retries = 0, BOOLEAN p__Ignore = 0,
                    BOOLEAN p__Force = 0, ULONG p__Interval = 0) {
        std::string l__File = p__File;
        return Tarnwick_CdvdBurnerGrabber_GrabTrack(Flat(), m__Text, sizeof(m__Text), &m__SystemError, &m__Info,
                                                    p__Track, l__File.data(), p__Retries, p__Ignore, p__Force,
                                                    p__Interval);
    }
    ULONG GrabRange(LONG p__First, LONG p__Last, const std::string& p__File, ULONG p__Retries = 0,
                    BOOLEAN p__Ignore = 0) {
        std::string l__File = p__File;
        return Tarnwick_CdvdBurnerGrabber_GrabRange(Flat(), m__Text, sizeof(m__Text), &m__SystemError, &m__Info,
                                                    p__First, p__Last, l__File.data(), p__Retries, p__Ignore, 0, 0);
    }
    // The start, the end and the audio flag of a track, copied out of the packed record.
    struct TrackExtent {
        LONG m__LONG__StartLBA;
        LONG m__LONG__EndLBA;
        UCHAR m__UCHAR__IsAudio;
    };
    TrackExtent Track(UCHAR p__Track) {
        auto l__Toc = std::make_unique<TOC_INFORMATION>();
        EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_ReadTOC(Flat(), m__Text, sizeof(m__Text), &m__SystemError, &m__Info,
                                                     l__Toc.get()),
                  0u)
            << m__Text;
        m__TocOpcodes = m__Recorder->Log().Opcodes();
        m__Recorder->Log().ClearCommands();
        const TOC_TRACK_ENTRY& l__Entry = l__Toc->m__TOC_TRACK_ENTRY__Tracks[p__Track - 1];
        return {l__Entry.m__LONG__StartLBA, l__Entry.m__LONG__EndLBA, l__Entry.m__UCHAR__IsAudio};
    }
    // The commands with the opcode the recorder received after the table of contents of the
    // last grab, in order. The table is read as Track() read it.
    std::vector<ScriptedCommand> GrabCommands(uint8_t p__Opcode) {
        const std::vector<ScriptedCommand> l__Commands = m__Recorder->Log().Commands();
        EXPECT_FALSE(m__TocOpcodes.empty()) << "Track() tells what reading the table of contents sends";
        size_t l__From = 0;
        for (size_t i = 0; i + m__TocOpcodes.size() <= l__Commands.size(); ++i) {
            bool l__IsToc = true;
            for (size_t k = 0; k < m__TocOpcodes.size() && l__IsToc; ++k)
                l__IsToc = l__Commands[i + k].m__Cdb[0] == m__TocOpcodes[k];
            if (l__IsToc) l__From = i + m__TocOpcodes.size();
        }
        std::vector<ScriptedCommand> l__Found;
        for (size_t i = l__From; i < l__Commands.size(); ++i)
            if (l__Commands[i].m__Cdb[0] == p__Opcode) l__Found.push_back(l__Commands[i]);
        return l__Found;
    }
    // The reads (READ CD or READ(10)) of the last grab: LBA and blocks.
    std::vector<ReadCommand> Reads(uint8_t p__Opcode) {
        std::vector<ReadCommand> l__Reads;
        for (const ScriptedCommand& c : GrabCommands(p__Opcode)) {
            const uint32_t l__Blocks = p__Opcode == 0xBE ? (c.m__Cdb[6] << 16 | c.m__Cdb[7] << 8 | c.m__Cdb[8])
                                                         : (c.m__Cdb[7] << 8 | c.m__Cdb[8]);
            l__Reads.push_back({CTarnwick_Bytes::GetBigEndian32(c.m__Cdb.data() + 2), l__Blocks});
        }
        return l__Reads;
    }
    std::string Out(const std::string& p__Name) { return m__Recorder->Dir() + "/" + p__Name; }
    Bytes Export(UCHAR p__Track) {
        const std::string l__Out = Out("export.bin");
        std::string l__Output;
        EXPECT_EQ(m__Recorder->Vdisc("export {} --track " + std::to_string(p__Track) + " '" + l__Out + "'", &l__Output), 0)
            << l__Output;
        Bytes l__Bytes = ReadFile(l__Out);
        std::remove(l__Out.c_str());
        return l__Bytes;
    }

    FakeClock m__Clock;
    Reports m__Reports;
    std::unique_ptr<RecorderUnderTest> m__Recorder;
    std::unique_ptr<CTarnwick_CdvdBurnerGrabber> m__Burner;
    bool m__Started = false;
    std::vector<uint8_t> m__TocOpcodes;
    char m__Text[1024] = {};
    ULONG m__SystemError = 31;
    CDB_FAILURE_INFORMATION m__Info{};
};

constexpr size_t DATA_BLOCKS = 400;

TEST_F(GrabOnRecorder, DataTrackIsTheTrackReadInPiecesOf30ThenBlockByBlock) {
    Open("cdr");
    const Bytes l__Data = Pattern(DATA_BLOCKS * 2048, 1);
    BurnCd(l__Data, false);
    const TrackExtent l__Entry = Track(1);
    ASSERT_GE(l__Entry.m__LONG__EndLBA, static_cast<LONG>(DATA_BLOCKS) - 1);

    ASSERT_EQ(GrabTrack(1, Out("track.iso")), 0u) << m__Text;
    const Bytes l__Grabbed = ReadFile(Out("track.iso"));
    EXPECT_TRUE(l__Grabbed == Export(1));
    ASSERT_GE(l__Grabbed.size(), l__Data.size());
    EXPECT_TRUE(std::equal(l__Data.begin(), l__Data.end(), l__Grabbed.begin()));

    // Pieces of 30 blocks while 150 or more blocks are left after the piece's start, then
    // one block at a time up to the end; every block read once, in order.
    const std::vector<ReadCommand> l__Reads = Reads(0xBE);
    ASSERT_FALSE(l__Reads.empty());
    uint32_t l__LBA = static_cast<uint32_t>(l__Entry.m__LONG__StartLBA);
    for (const ReadCommand& r : l__Reads) {
        ASSERT_EQ(r.m__LBA, l__LBA);
        const bool l__InEndZone = l__Entry.m__LONG__EndLBA - static_cast<LONG>(r.m__LBA) < 150;
        EXPECT_EQ(r.m__Blocks, l__InEndZone ? 1u : 30u) << "at LBA " << r.m__LBA;
        l__LBA += r.m__Blocks;
    }
    EXPECT_EQ(l__LBA, static_cast<uint32_t>(l__Entry.m__LONG__EndLBA) + 1);
    EXPECT_EQ(l__Reads.back(), (ReadCommand{static_cast<uint32_t>(l__Entry.m__LONG__EndLBA), 1}));
    // Cooked user data: expected sector type any, user data only, no sub-channel.
    for (const ScriptedCommand& c : GrabCommands(0xBE)) {
        EXPECT_EQ(c.m__Cdb[1] & 0x1C, 0);
        EXPECT_EQ(c.m__Cdb[9], 0x10);
        EXPECT_EQ(c.m__Cdb[10], 0);
        EXPECT_EQ(c.m__BufferLength, 61440u);
    }
    EXPECT_EQ(Reads(0x28).size(), 0u);
    EXPECT_TRUE(m__Reports.m__Retries.empty());
    EXPECT_TRUE(m__Reports.m__BadSectors.empty());
    // Only the grabbed file (no temporary left) beside the disc.
    EXPECT_EQ(Entries(m__Recorder->Dir()).size(), 2u);
}

TEST_F(GrabOnRecorder, AudioTrackBecomesAWaveFileWithTheTracksSamples) {
    REQUIRE_TOOL("sox");
    Open("cdr");
    const Bytes l__Samples = Pcm(1000, 0, 1);
    BurnCd(l__Samples, true);
    const TrackExtent l__Entry = Track(1);
    ASSERT_EQ(l__Entry.m__UCHAR__IsAudio, 1);
    const ULONG l__Blocks = static_cast<ULONG>(l__Entry.m__LONG__EndLBA - l__Entry.m__LONG__StartLBA + 1);

    ASSERT_EQ(GrabTrack(1, Out("track.wav")), 0u) << m__Text;
    const Bytes l__Wave = ReadFile(Out("track.wav"));
    ASSERT_EQ(l__Wave.size(), 44 + l__Blocks * 2352u);
    const Bytes l__Header(l__Wave.begin(), l__Wave.begin() + 44);
    EXPECT_EQ(std::string(l__Header.begin(), l__Header.begin() + 4), "RIFF");
    EXPECT_EQ(CTarnwick_Bytes::GetLittleEndian32(l__Header.data() + 4), l__Blocks * 2352u + 36);
    EXPECT_EQ(std::string(l__Header.begin() + 8, l__Header.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(CTarnwick_Bytes::GetLittleEndian32(l__Header.data() + 16), 16u);
    EXPECT_EQ(CTarnwick_Bytes::GetLittleEndian16(l__Header.data() + 20), 1u);
    EXPECT_EQ(CTarnwick_Bytes::GetLittleEndian16(l__Header.data() + 22), 2u);
    EXPECT_EQ(CTarnwick_Bytes::GetLittleEndian32(l__Header.data() + 24), 44100u);
    EXPECT_EQ(CTarnwick_Bytes::GetLittleEndian32(l__Header.data() + 28), 176400u);
    EXPECT_EQ(CTarnwick_Bytes::GetLittleEndian16(l__Header.data() + 32), 4u);
    EXPECT_EQ(CTarnwick_Bytes::GetLittleEndian16(l__Header.data() + 34), 16u);
    EXPECT_EQ(std::string(l__Header.begin() + 36, l__Header.begin() + 40), "data");
    EXPECT_EQ(CTarnwick_Bytes::GetLittleEndian32(l__Header.data() + 40), l__Blocks * 2352u);

    // sox reads it as 16-bit stereo at 44.1 kHz with the track's samples.
    for (const auto& [l__Option, l__Value] : std::vector<std::pair<std::string, std::string>>{
             {"-c", "2"}, {"-r", "44100"}, {"-b", "16"}, {"-s", std::to_string(l__Blocks * 588)}}) {
        std::string l__Info;
        ASSERT_EQ(RecorderUnderTest::Run("sox --i " + l__Option + " '" + Out("track.wav") + "'", &l__Info), 0) << l__Info;
        EXPECT_EQ(l__Info, l__Value + "\n") << l__Option;
    }
    ASSERT_EQ(RecorderUnderTest::Run("sox '" + Out("track.wav") + "' -t raw '" + Out("samples.raw") + "'"), 0);
    const Bytes l__Raw = ReadFile(Out("samples.raw"));
    ASSERT_GE(l__Raw.size(), l__Samples.size());
    EXPECT_TRUE(std::equal(l__Samples.begin(), l__Samples.end(), l__Raw.begin()));

    // 26 blocks of 2352 bytes a READ CD.
    const std::vector<ReadCommand> l__Reads = Reads(0xBE);
    ASSERT_FALSE(l__Reads.empty());
    EXPECT_EQ(l__Reads.front().m__Blocks, 26u);
    EXPECT_EQ(l__Reads.back().m__Blocks, 1u);
}

TEST_F(GrabOnRecorder, DvdTrackIsReadWithRead10) {
    Open("dvdr");
    Bytes l__Data = Pattern(300 * 2048, 1);
    BurnDvd(l__Data, 300);
    EXPECT_EQ(Track(1).m__LONG__EndLBA, 299);
    ASSERT_EQ(GrabTrack(1, Out("dvd.iso")), 0u) << m__Text;
    const Bytes l__Grabbed = ReadFile(Out("dvd.iso"));
    EXPECT_TRUE(l__Grabbed == Export(1));
    EXPECT_EQ(Reads(0xBE).size(), 0u);
    const std::vector<ReadCommand> l__Reads = Reads(0x28);
    ASSERT_FALSE(l__Reads.empty());
    EXPECT_EQ(l__Reads.front(), (ReadCommand{0, 30}));
}

// A track shorter than one piece: the only read asks for the track's blocks and the file
// holds the track, not a piece's worth of blocks past its end.
TEST_F(GrabOnRecorder, ShortTrackIsReadOnlyUpToItsEnd) {
    Open("dvdr");
    BurnDvd(Pattern(20 * 2048, 1), 20);
    const TrackExtent l__Entry = Track(1);
    const uint32_t l__Blocks = static_cast<uint32_t>(l__Entry.m__LONG__EndLBA - l__Entry.m__LONG__StartLBA + 1);
    ASSERT_LT(l__Blocks, 30u);
    ASSERT_EQ(GrabTrack(1, Out("short.iso")), 0u) << m__Text;
    EXPECT_EQ(ReadFile(Out("short.iso")).size(), l__Blocks * 2048u);
    const std::vector<ReadCommand> l__Reads = Reads(0x28);
    ASSERT_FALSE(l__Reads.empty());
    EXPECT_EQ(l__Reads.front(), (ReadCommand{0, l__Blocks}));
}

TEST_F(GrabOnRecorder, RangeIsItsBlocksAndItsLimitsAreChecked) {
    Open("cdr");
    const Bytes l__Data = Pattern(DATA_BLOCKS * 2048, 1);
    BurnCd(l__Data, false);
    const TrackExtent l__Entry = Track(1);

    ASSERT_EQ(GrabRange(100, 139, Out("range.bin")), 0u) << m__Text;
    EXPECT_TRUE(ReadFile(Out("range.bin")) == Bytes(l__Data.begin() + 100 * 2048, l__Data.begin() + 140 * 2048));

    // The track's last block alone.
    ASSERT_EQ(GrabRange(l__Entry.m__LONG__EndLBA, l__Entry.m__LONG__EndLBA, Out("last.bin")), 0u) << m__Text;
    const Bytes l__Track = Export(1);
    ASSERT_GE(l__Track.size(), 2048u);
    EXPECT_TRUE(ReadFile(Out("last.bin")) == Bytes(l__Track.end() - 2048, l__Track.end()));
    std::remove(Out("last.bin").c_str());

    EXPECT_EQ(GrabRange(l__Entry.m__LONG__EndLBA + 1000, l__Entry.m__LONG__EndLBA + 1010, Out("none.bin")), 17u);
    EXPECT_EQ(std::string(m__Text),
              "CTarnwick_CdvdBurnerGrabber::GrabRange(): Range " + std::to_string(l__Entry.m__LONG__EndLBA + 1000) +
                  " - " + std::to_string(l__Entry.m__LONG__EndLBA + 1010) + " was not found!!!");
    EXPECT_EQ(GrabRange(10, l__Entry.m__LONG__EndLBA + 1, Out("long.bin")), 20u);
    EXPECT_EQ(std::string(m__Text), "CTarnwick_CdvdBurnerGrabber::GrabRange(): Range ending LBA " +
                                        std::to_string(l__Entry.m__LONG__EndLBA + 1) +
                                        " is larger then track's ending LBA " +
                                        std::to_string(l__Entry.m__LONG__EndLBA) + "!!!");
    // A range that ends before it starts reads nothing.
    EXPECT_EQ(GrabRange(50, 40, Out("reversed.bin")), 17u);

    EXPECT_EQ(GrabTrack(2, Out("t2.iso")), 2u);
    EXPECT_STREQ(m__Text, "CTarnwick_CdvdBurnerGrabber::GrabTrack(): Track number 2 exceeds TOC tracks 1!!!");
    EXPECT_EQ(GrabTrack(0, Out("t0.iso")), 2u);
    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_GrabTrack(Flat(), m__Text, sizeof(m__Text), &m__SystemError, &m__Info, 1,
                                                   nullptr, 0, 0, 0, 0),
              2u);
    EXPECT_EQ(Entries(m__Recorder->Dir()).size(), 2u);  // the disc and range.bin
}

TEST_F(GrabOnRecorder, FailedPieceIsRetriedBlockByBlock) {
    Open("cdr");
    const Bytes l__Data = Pattern(DATA_BLOCKS * 2048, 1);
    BurnCd(l__Data, false);
    Track(1);
    const Bytes l__Track = Export(1);

    // Block 45 fails twice: the piece 30-59 once, then block 45 alone; with one retry more
    // it is read the third time, and the file is whole.
    ASSERT_EQ(m__Recorder->Vdisc("fault {} --read-fail 45:2"), 0);
    ASSERT_EQ(GrabTrack(1, Out("retried.iso"), 1), 0u) << m__Text;
    EXPECT_TRUE(ReadFile(Out("retried.iso")) == l__Track);
    EXPECT_EQ(m__Reports.m__Retries, (std::vector<ULONG>{30, 45}));
    EXPECT_TRUE(m__Reports.m__BadSectors.empty());
    const std::vector<ReadCommand> l__Reads = Reads(0xBE);
    const std::vector<ReadCommand> l__Expected = {{0, 30}, {30, 30}, {30, 1}};
    ASSERT_GE(l__Reads.size(), 20u);
    EXPECT_TRUE(std::equal(l__Expected.begin(), l__Expected.end(), l__Reads.begin()));
    EXPECT_EQ(l__Reads[17], (ReadCommand{45, 1}));  // 30..44, then 45 twice
    EXPECT_EQ(l__Reads[18], (ReadCommand{45, 1}));
    EXPECT_EQ(l__Reads[33], (ReadCommand{60, 30}));
}

TEST_F(GrabOnRecorder, UnreadableBlockFailsTheGrabAndKeepsAnOlderFile) {
    Open("cdr");
    BurnCd(Pattern(DATA_BLOCKS * 2048, 1), false);
    ASSERT_EQ(m__Recorder->Vdisc("fault {} --read-fail 45"), 0);
    WriteText(Out("track.iso"), "an older file");

    EXPECT_EQ(GrabTrack(1, Out("track.iso")), 10u);
    EXPECT_STREQ(m__Text, "CTarnwick_CdvdBurnerGrabber::GrabTrackCooked(): LBA 45 cannot be recovered!!!");
    EXPECT_EQ(m__Reports.m__Retries, (std::vector<ULONG>{30}));
    const Bytes l__Old = ReadFile(Out("track.iso"));
    EXPECT_EQ(std::string(l__Old.begin(), l__Old.end()), "an older file");
    EXPECT_EQ(Entries(m__Recorder->Dir()).size(), 2u);

    // Without an older file nothing is left.
    std::remove(Out("track.iso").c_str());
    EXPECT_EQ(GrabRange(40, 50, Out("range.bin")), 10u);
    EXPECT_EQ(Entries(m__Recorder->Dir()).size(), 1u);
}

// With ignore, exactly the blocks that stay unreadable become zeros: the blocks after a bad
// one inside the re-read piece are still read.
TEST_F(GrabOnRecorder, IgnoredBlocksAreZerosAndReported) {
    Open("cdr");
    BurnCd(Pattern(DATA_BLOCKS * 2048, 1), false);
    const Bytes l__Track = Export(1);
    ASSERT_EQ(m__Recorder->Vdisc("fault {} --read-fail 45 --read-fail 50:2"), 0);

    ASSERT_EQ(GrabTrack(1, Out("ignored.iso"), 0, 1), 0u) << m__Text;
    Bytes l__Expected = l__Track;
    std::fill(l__Expected.begin() + 45 * 2048, l__Expected.begin() + 46 * 2048, 0);
    std::fill(l__Expected.begin() + 50 * 2048, l__Expected.begin() + 51 * 2048, 0);
    const Bytes l__Grabbed = ReadFile(Out("ignored.iso"));
    EXPECT_TRUE(l__Grabbed == l__Expected);
    EXPECT_EQ(m__Reports.m__BadSectors, (std::vector<std::pair<ULONG, ULONG>>{{45, 1}, {50, 1}}));
}

TEST_F(GrabOnRecorder, FailureInTheLast150BlocksStopsTheReads) {
    Open("cdr");
    BurnCd(Pattern(DATA_BLOCKS * 2048, 1), false);
    const TrackExtent l__Entry = Track(1);
    const Bytes l__Track = Export(1);
    const LONG l__Bad = l__Entry.m__LONG__EndLBA - 100;
    ASSERT_EQ(m__Recorder->Vdisc("fault {} --read-fail " + std::to_string(l__Bad)), 0);

    ASSERT_EQ(GrabTrack(1, Out("tail.iso"), 3, 1), 0u) << m__Text;
    // No retry and no read after the failed one; the rest of the track is zeros.
    EXPECT_TRUE(m__Reports.m__Retries.empty());
    EXPECT_EQ(Reads(0xBE).back(), (ReadCommand{static_cast<uint32_t>(l__Bad), 1}));
    EXPECT_EQ(m__Reports.m__BadSectors.size(), static_cast<size_t>(l__Entry.m__LONG__EndLBA - l__Bad + 1));
    EXPECT_EQ(m__Reports.m__BadSectors.front(), (std::pair<ULONG, ULONG>{static_cast<ULONG>(l__Bad), 1}));
    Bytes l__Expected = l__Track;
    std::fill(l__Expected.begin() + l__Bad * 2048, l__Expected.end(), 0);
    EXPECT_TRUE(ReadFile(Out("tail.iso")) == l__Expected);

    m__Recorder->Log().ClearCommands();
    EXPECT_EQ(GrabTrack(1, Out("tail2.iso"), 3, 0), 10u);
    EXPECT_EQ(std::string(m__Text), "CTarnwick_CdvdBurnerGrabber::GrabTrackCooked(): LBA " + std::to_string(l__Bad) +
                                        " cannot be recovered!!!");
    EXPECT_EQ(Reads(0xBE).back(), (ReadCommand{static_cast<uint32_t>(l__Bad), 1}));
}

TEST_F(GrabOnRecorder, ProgressAndCancel) {
    Open("cdr");
    BurnCd(Pattern(DATA_BLOCKS * 2048, 1), false);
    const TrackExtent l__Entry = Track(1);
    const LONGLONG l__Total = l__Entry.m__LONG__EndLBA - l__Entry.m__LONG__StartLBA + 1;
    SteppingClock l__Clock;

    ASSERT_EQ(GrabTrack(1, Out("progress.iso"), 0, 0, 0, 1), 0u) << m__Text;
    ASSERT_GE(m__Reports.m__Progress.size(), 2u);
    EXPECT_EQ(m__Reports.m__Progress.front(), (std::pair<LONGLONG, LONGLONG>{l__Total, 30}));
    for (size_t i = 1; i < m__Reports.m__Progress.size(); ++i) {
        EXPECT_EQ(m__Reports.m__Progress[i].first, l__Total);
        EXPECT_GT(m__Reports.m__Progress[i].second, m__Reports.m__Progress[i - 1].second);
    }

    // Cancel from the progress callback: the grab stops after the next piece with number 14.
    WriteText(Out("cancel.iso"), "kept");
    m__Reports.m__LONGLONG__CancelAtDone = 60;
    EXPECT_EQ(GrabTrack(1, Out("cancel.iso"), 0, 0, 0, 1), 14u);
    EXPECT_STREQ(m__Text, "CTarnwick_CdvdBurnerGrabber::GrabTrackCooked(): Cancel set at LBA offset 60!!!");
    const Bytes l__Kept = ReadFile(Out("cancel.iso"));
    EXPECT_EQ(std::string(l__Kept.begin(), l__Kept.end()), "kept");
    EXPECT_EQ(Entries(m__Recorder->Dir()).size(), 3u);
    // The next grab starts with the flag cleared.
    m__Reports.m__LONGLONG__CancelAtDone = -1;
    EXPECT_EQ(GrabTrack(1, Out("cancel.iso")), 0u) << m__Text;
}

TEST_F(GrabOnRecorder, OutputThatCannotBeCreatedIsNumber5) {
    Open("cdr");
    BurnCd(Pattern(DATA_BLOCKS * 2048, 1), false);
    const std::string l__Name = Out("missing-directory/track.iso");
    EXPECT_EQ(GrabTrack(1, l__Name), 5u);
    EXPECT_EQ(m__SystemError, static_cast<ULONG>(ENOENT));
    EXPECT_EQ(std::string(m__Text), "CTarnwick_CdvdBurnerGrabber::GrabTrack(): CreateFile( '" + l__Name +
                                        "' ) failed, status " + std::to_string(ENOENT) + "!!!");
    EXPECT_EQ(GrabRange(0, 10, l__Name), 5u);
}

// A file-size limit stands for a full disk: the write that meets it is short, the grab
// fails, and neither a partial file nor a temporary one is left.
TEST_F(GrabOnRecorder, FullDiskFailsAndLeavesNoFile) {
    Open("cdr");
    BurnCd(Pattern(DATA_BLOCKS * 2048, 1), false);
    WriteText(Out("full.iso"), "older");
    fflush(nullptr);
    const pid_t l__Child = fork();
    ASSERT_GE(l__Child, 0);
    if (l__Child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit l__Limit {100000, 100000};
        setrlimit(RLIMIT_FSIZE, &l__Limit);
        ULONG l__Result = GrabTrack(1, Out("full.iso"));
        const bool l__IsShortWrite =
            std::strcmp(m__Text, "CTarnwick_CdvdBurnerGrabber::GrabTrackCooked(): WriteFile() wrote 38560 UCHARs "
                                 "instead of 61440 UCHARs!!!") == 0;
        _exit(l__IsShortWrite ? static_cast<int>(l__Result) : 100 + static_cast<int>(l__Result));
    }
    int l__Status = 0;
    ASSERT_EQ(waitpid(l__Child, &l__Status, 0), l__Child);
    ASSERT_TRUE(WIFEXITED(l__Status));
    EXPECT_EQ(WEXITSTATUS(l__Status), 10);
    const Bytes l__Old = ReadFile(Out("full.iso"));
    EXPECT_EQ(std::string(l__Old.begin(), l__Old.end()), "older");
    EXPECT_EQ(Entries(m__Recorder->Dir()).size(), 2u);
}

}  // namespace
