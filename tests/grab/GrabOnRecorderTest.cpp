// Grabbing tracks and block ranges of discs burned onto the virtual recorder into files,
// through the flat functions: the reads the recorder receives, the files, read faults
// injected on the recorder, cancel, and output files that cannot be written.
#include "GrabOnRecorder.h"

namespace {

using namespace BurnFiles;

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
        // The data-in length is what the command asks for: a unit may refuse a longer
        // transfer that would run past the end of the track.
        const uint32_t l__Blocks = (uint32_t{c.m__Cdb[6]} << 16) | (uint32_t{c.m__Cdb[7]} << 8) | c.m__Cdb[8];
        EXPECT_EQ(c.m__BufferLength, l__Blocks * 2048u);
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
