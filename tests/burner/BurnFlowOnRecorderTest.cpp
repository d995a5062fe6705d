// Whole burns through the burner family against the virtual recorder: the failure paths,
// cancelling, a stalled source, and blanking.
#include <gtest/gtest.h>
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "CTarnwick_CdvdBurnerGrabber.h"
#include "CTarnwick_FileChain.h"
#include "RecorderUnderTest.h"
#include "TraceCapture.h"
#include "tarnwick.h"
#include "wnaspi32.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Flow {
    PVOID m__Burner = nullptr;
    std::vector<ULONG> m__Reasons;
    std::function<void(ULONG, PVOID, PVOID)> m__OnReason;
};

void Callback(ULONG p__Reason, PVOID p__Context, PVOID p__One, PVOID p__Two) {
    auto* l__Flow = static_cast<Flow*>(p__Context);
    l__Flow->m__Reasons.push_back(p__Reason);
    if (l__Flow->m__OnReason) l__Flow->m__OnReason(p__Reason, p__One, p__Two);
}

Bytes Pattern(size_t p__Size) {
    Bytes l__Data(p__Size);
    for (size_t i = 0; i < p__Size; ++i) l__Data[i] = static_cast<uint8_t>((i * 31 + i / 2048) & 0xFF);
    return l__Data;
}

// The threads of the process. The first thread a process starts can bring a helper thread of
// the runtime with it (ThreadSanitizer starts its own then), so one thread is started and
// joined first: that helper is then already in every count, before a burn as after it.
size_t Threads() {
    static const bool l__bool__Settled = [] {
        std::thread([] {}).join();
        return true;
    }();
    (void)l__bool__Settled;
    size_t l__Count = 0;
    DIR* l__Dir = opendir("/proc/self/task");
    if (l__Dir == nullptr) return 0;
    while (dirent* l__Entry = readdir(l__Dir))
        if (l__Entry->d_name[0] != '.') ++l__Count;
    closedir(l__Dir);
    return l__Count;
}

size_t IndexOf(const std::vector<ScriptedCommand>& p__Commands, uint8_t p__Op, size_t p__From = 0) {
    return IndexOfOpcode(p__Commands, p__Op, p__From);
}

size_t LastIndexOf(const std::vector<ScriptedCommand>& p__Commands, uint8_t p__Op) {
    return LastIndexOfOpcode(p__Commands, p__Op);
}

class BurnFlow : public ::testing::Test {
protected:
    void TearDown() override {
        Tarnwick_Destroy(&m__Flow.m__Burner);
        if (m__Started) Tarnwick_DownShut();
        m__Recorder.reset();
    }
    // A fresh disc in the recorder, and a burner over it with the cache of the given size.
    void Open(const std::string& p__Media, const std::string& p__Options = "", ULONG p__CacheMB = 0) {
        m__Recorder = std::make_unique<RecorderUnderTest>(p__Media, p__Options);
        ASSERT_EQ(Tarnwick_UpStart(), 0u);
        m__Started = true;
        ASSERT_EQ(Tarnwick_CdvdBurnerGrabber_Create(&m__Flow.m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info,
                                                    Callback, &m__Flow, 0, 0, 0, 0, p__CacheMB),
                  0u)
            << m__Text;
        m__Recorder->Log().ClearCommands();
    }
    std::string WriteImage(const Bytes& p__Data) {
        const std::string l__Name = m__Recorder->Dir() + "/image.iso";
        std::ofstream(l__Name, std::ios::binary).write(reinterpret_cast<const char*>(p__Data.data()),
                                                         static_cast<std::streamsize>(p__Data.size()));
        return l__Name;
    }
    ULONG Burn(const std::string& p__File) {
        std::string l__Name = p__File;
        return Tarnwick_CdvdBurnerGrabber_Pellmark(m__Flow.m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info,
                                                   l__Name.data(), 1, 0, 1, 1, 5);
    }
    ULONG Close() {
        return Tarnwick_CdvdBurnerGrabber_CloseSession(m__Flow.m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info);
    }
    ULONG Blank(ULONG p__Type) {
        return Tarnwick_CdvdBurnerGrabber_Blank(m__Flow.m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info, p__Type);
    }
    std::string Info() {
        std::string l__Info;
        EXPECT_EQ(m__Recorder->Vdisc("info {}", &l__Info), 0);
        return l__Info;
    }
    Bytes ExportTrack(int p__Track) {
        const std::string l__Out = m__Recorder->Dir() + "/export.iso";
        std::string l__Output;
        EXPECT_EQ(m__Recorder->Vdisc("export {} --track " + std::to_string(p__Track) + " '" + l__Out + "'", &l__Output), 0) << l__Output;
        std::ifstream l__Stream(l__Out, std::ios::binary);
        return Bytes((std::istreambuf_iterator<char>(l__Stream)), std::istreambuf_iterator<char>());
    }

    std::unique_ptr<RecorderUnderTest> m__Recorder;
    bool m__Started = false;
    Flow m__Flow;
    char m__Text[1024] = {};
    ULONG m__SystemError = 31;
    CDB_FAILURE_INFORMATION m__Info{};
};

// A source many times the cache: every block is written, filled again and written again,
// the cache thread refilling it on its polls and wake-ups, and the disc gets it all in order.
TEST_F(BurnFlow, SourceManyTimesTheCacheBurnsWholeThroughTheRefilledBlocks) {
    Open("dvdplusr", "", 1);  // 1 MB: 17 blocks of 61,440 bytes
    Bytes l__Data(12 * 1024 * 1024 + 5 * 2048);  // no repeating pattern: a block out of place shows
    std::mt19937 l__Random(7);
    for (uint8_t& l__UCHAR__Byte : l__Data) l__UCHAR__Byte = static_cast<uint8_t>(l__Random());
    const std::string l__Image = WriteImage(l__Data);
    ASSERT_EQ(Burn(l__Image), 0u) << m__Text;
    EXPECT_EQ(ExportTrack(1), l__Data);
}

TEST_F(BurnFlow, WriteFaultMidTrackFillsTheCallersFailureRecord) {
    Open("cdr");
    ASSERT_EQ(m__Recorder->Vdisc("fault {} --write-fail 100"), 0);
    const std::string l__Image = WriteImage(Pattern(400 * 2048));
    EXPECT_EQ(Burn(l__Image), 8u);
    EXPECT_EQ(m__SystemError, 31u);  // not a system error: untouched
    EXPECT_NE(std::string(m__Text), "");
    // The WRITE of the block that holds LBA 100 (blocks 90-119), with the drive's answer.
    EXPECT_EQ(m__Info.m__UCHAR__IsValid, 1);
    EXPECT_EQ(m__Info.m__UCHAR__CDBLength, 10);
    EXPECT_EQ(Bytes(m__Info.m__UCHAR__CDB, m__Info.m__UCHAR__CDB + 10), (Bytes{0x2A, 0, 0, 0, 0, 90, 0, 0, 30, 0}));
    EXPECT_EQ(m__Info.m__UCHAR__SenseLength, 14);
    EXPECT_EQ(m__Info.m__UCHAR__Sense[2] & 0x0F, 0x03);  // MEDIUM ERROR
    EXPECT_EQ(m__Info.m__UCHAR__Sense[12], 0x0C);        // write error
    EXPECT_EQ(m__Info.m__UCHAR__Sense[13], 0x00);
    EXPECT_EQ(m__Info.m__UCHAR__SRB_Status, SS_ERR);
    EXPECT_EQ(m__Info.m__UCHAR__SRB_TargStat, STATUS_CHKCOND);
    EXPECT_EQ(m__Info.m__UCHAR__SRB_HaStat, HASTAT_OK);
    // Then the drive cache was synchronised and the disc ejected, with no write after.
    auto l__Commands = m__Recorder->Log().Commands();
    const size_t l__Failed = LastIndexOf(l__Commands, 0x2A);
    ASSERT_LT(l__Failed, l__Commands.size());
    EXPECT_EQ(l__Commands[l__Failed].m__Cdb[5], 90);
    const size_t l__Sync = IndexOf(l__Commands, 0x35, l__Failed);
    EXPECT_LT(l__Sync, IndexOf(l__Commands, 0x1B, l__Failed));
    EXPECT_LT(IndexOf(l__Commands, 0x1B, l__Failed), l__Commands.size());
}

TEST_F(BurnFlow, SourceThatShrinksDuringTheBurnEndsWithTheSourcesException) {
    // 16 MB at 4,000 KB/s with the smallest cache (twice the drive's 2 MB buffer): the cache
    // thread reads the file while it is written.
    Open("cdr", "--write-speed 4000", 1);
    const std::string l__Image = WriteImage(Pattern(8000 * 2048));
    bool l__Cut = false;
    m__Flow.m__OnReason = [&](ULONG p__Reason, PVOID, PVOID p__Written) {
        if (p__Reason != WRITE_PROGRESS || l__Cut) return;
        l__Cut = true;
        // Cut the file 5 MB past what is written: past what the 4 MB cache can hold already.
        const LONGLONG l__Written = *static_cast<LONGLONG*>(p__Written);
        ASSERT_EQ(::truncate(l__Image.c_str(), l__Written * 2048 + 5 * 1024 * 1024), 0);
    };
    TraceCapture l__Trace;
    EXPECT_EQ(Burn(l__Image), static_cast<ULONG>(EXCEPTION_NUMBER_MEDIA_OR_DATA)) << m__Text;
    ASSERT_TRUE(l__Cut);
    EXPECT_NE(std::string(m__Text).find("CTarnwick_DiskFile::RealRead(): ReadFile() read "), std::string::npos) << m__Text;
    EXPECT_NE(std::string(m__Text).find(", the file has shrunk!!!"), std::string::npos) << m__Text;
    EXPECT_EQ(m__Recorder->Log().Opcodes().back(), 0x1B);
    REQUIRE_TRACING();
    // Read on the cache thread, raised on the writer's from the block that carried it.
    EXPECT_TRUE(l__Trace.Contains("CTarnwick_CdvdBurnerGrabber::WriteCacheThread(): Read 61440 UCHARs from offset "));
    EXPECT_TRUE(l__Trace.Contains("CTarnwick_CdvdBurnerGrabber::TrackAtOnce(): Cache object "));
}

TEST_F(BurnFlow, CancelFromTheProgressCallbackEndsWithFourteenAndNoThreadLeft) {
    Open("cdr", "--write-speed 4000", 1);
    const std::string l__Image = WriteImage(Pattern(6000 * 2048));
    const size_t l__ThreadsBefore = Threads();
    m__Flow.m__OnReason = [&](ULONG p__Reason, PVOID, PVOID) {
        if (p__Reason == WRITE_PROGRESS) Tarnwick_CdvdBurnerGrabber_Cancel(m__Flow.m__Burner);
    };
    EXPECT_EQ(Burn(l__Image), 14u);
    EXPECT_EQ(std::string(m__Text).rfind("CTarnwick_CdvdBurnerGrabber::WriteCacheThread(): Cancel set at offset ", 0), 0u)
        << m__Text;
    EXPECT_EQ(Threads(), l__ThreadsBefore);
    auto l__Commands = m__Recorder->Log().Commands();
    const size_t l__LastWrite = LastIndexOf(l__Commands, 0x2A);
    ASSERT_LT(l__LastWrite, l__Commands.size());
    EXPECT_LT(std::count_if(l__Commands.begin(), l__Commands.end(), [](auto& c) { return c.m__Cdb[0] == 0x2A; }), 200);
    const size_t l__Sync = IndexOf(l__Commands, 0x35, l__LastWrite);
    ASSERT_LT(l__Sync, l__Commands.size());
    EXPECT_LT(l__Sync, IndexOf(l__Commands, 0x1B, l__Sync));
    EXPECT_EQ(l__Commands.back().m__Cdb[0], 0x1B);
    // The burner writes again after a cancel.
    m__Flow.m__OnReason = nullptr;
    ASSERT_EQ(m__Recorder->Vdisc("blank {} --media cdr --write-speed 0"), 0);
    ASSERT_EQ(Tarnwick_CdvdBurnerGrabber_Load(m__Flow.m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info), 0u)
        << m__Text;
    const Bytes l__Small = Pattern(100 * 2048);
    EXPECT_EQ(Burn(WriteImage(l__Small)), 0u) << m__Text;
    EXPECT_EQ(ExportTrack(1), l__Small);
    EXPECT_EQ(Threads(), l__ThreadsBefore);
}

// A source that stalls once, long enough for the writer to drain the cache.
class StallingFile : public CTarnwick_File {
public:
    StallingFile(const Bytes& p__Data, int p__AtRead, int p__Milliseconds)
        : CTarnwick_File(p__Data.size()), m__Data(p__Data), m__AtRead(p__AtRead), m__Milliseconds(p__Milliseconds) {}
    void RealRead(uint64_t p__Length, PVOID p__Buffer) override {
        if (m__Reads++ == m__AtRead) {
            m__Stalled = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(m__Milliseconds));
            m__StallOver = true;
        }
        std::memcpy(p__Buffer, m__Data.data() + m__ULONGLONG__Position, p__Length);
    }
    std::atomic<bool> m__Stalled{false}, m__StallOver{false};

private:
    const Bytes& m__Data;
    int m__AtRead;
    int m__Milliseconds;
    int m__Reads = 0;
};

TEST_F(BurnFlow, StalledSourceReportsUnderrunsAndTheBurnCompletes) {
    m__Recorder = std::make_unique<RecorderUnderTest>("cdr");
    std::vector<ULONG> l__Reasons;
    Flow l__Flow;
    CTarnwick_CdvdBurnerGrabber l__Burner(Callback, &l__Flow, 0, 0, 0, 0, 1);
    // 150 blocks, more than the smallest cache holds (68), so the writer drains it during the stall.
    const Bytes l__Data = Pattern(150 * 61440);
    StallingFile l__Source(l__Data, 100, 1000);
    CTarnwick_FileChain l__Chain;
    l__Chain.AddChainTail(&l__Source);
    l__Chain.SeekToBegin();
    try {
        l__Burner.TrackAtOnce(&l__Chain, 1, 0, 1, 0, 0, 1, 0, 0, 0, 0);
    } catch (CTarnwick_Exception* l__Exception) {
        ADD_FAILURE() << (l__Exception ? l__Exception->GetExceptionText() : "NULL");
        delete l__Exception;
    }
    const auto& r = l__Flow.m__Reasons;
    EXPECT_GE(std::count(r.begin(), r.end(), (ULONG)BUFFER_UNDERRUN), 1);
    ASSERT_FALSE(r.empty());
    EXPECT_EQ(r.back(), (ULONG)SYNCHRONIZE_CACHE_END);
    EXPECT_EQ(ExportTrack(1), l__Data);
}

TEST_F(BurnFlow, FailedWriteWaitsForACacheThreadStuckInALongRead) {
    // The write fails while the cache thread is inside a read that outlasts the 2 s shutdown
    // wait: the burn returns only when the thread is done with the source, which the caller
    // frees at once (a read into a freed source would be caught by the sanitizer).
    // The cache holds 68 blocks; the thread stalls on the first read after it is full, and
    // the WRITE of block 60 fails, about 180 ms of writing at 20,000 KB/s later.
    m__Recorder = std::make_unique<RecorderUnderTest>("cdr", "--write-speed 20000");
    ASSERT_EQ(m__Recorder->Vdisc("fault {} --write-fail 1800"), 0);
    Flow l__Flow;
    CTarnwick_CdvdBurnerGrabber l__Burner(Callback, &l__Flow, 0, 0, 0, 0, 1);
    ASSERT_EQ(l__Burner.GetCacheManager()->GetCount(), 68);
    const size_t l__ThreadsBefore = Threads();
    auto l__Data = std::make_unique<Bytes>(Pattern(150 * 61440));
    auto l__Source = std::make_unique<StallingFile>(*l__Data, 68, 2500);
    auto l__Chain = std::make_unique<CTarnwick_FileChain>();
    l__Chain->AddChainTail(l__Source.get());
    l__Chain->SeekToBegin();
    ULONG l__Number = 0;
    try {
        l__Burner.TrackAtOnce(l__Chain.get(), 1, 0, 1, 0, 0, 1, 0, 0, 0, 0);
    } catch (CTarnwick_Exception* l__Exception) {
        l__Number = l__Exception ? l__Exception->GetExceptionNumber() : 12;
        delete l__Exception;
    }
    EXPECT_EQ(l__Number, 8u);
    EXPECT_TRUE(l__Source->m__Stalled);
    EXPECT_TRUE(l__Source->m__StallOver);  // the read had ended when the burn returned
    EXPECT_EQ(Threads(), l__ThreadsBefore);
    l__Chain.reset();
    l__Source.reset();
    l__Data.reset();
}

TEST_F(BurnFlow, BlankCdRwWholeAndMinimal) {
    Open("cdrw");
    const Bytes l__Data = Pattern(50 * 2048);
    for (ULONG l__Type : {0u, 1u}) {
        SCOPED_TRACE(l__Type);
        ASSERT_EQ(Burn(WriteImage(l__Data)), 0u) << m__Text;
        ASSERT_EQ(Close(), 0u) << m__Text;
        ASSERT_NE(Info().find("Tracks:       1"), std::string::npos);
        m__Recorder->Log().ClearCommands();
        ASSERT_EQ(Blank(l__Type), 0u) << m__Text;
        auto l__Commands = m__Recorder->Log().Commands();
        const size_t l__Blank = IndexOf(l__Commands, 0xA1);
        ASSERT_LT(l__Blank, l__Commands.size());
        EXPECT_EQ(l__Commands[l__Blank].m__Cdb[1], 0x10 | l__Type);  // Immed and the blanking type
        EXPECT_NE(Info().find("Disc status:  empty"), std::string::npos) << Info();
    }
    // Written again after the minimal blank.
    ASSERT_EQ(Burn(WriteImage(l__Data)), 0u) << m__Text;
    EXPECT_EQ(ExportTrack(1), l__Data);
}

TEST_F(BurnFlow, BlankDvdPlusRwFormatsAndClosesSynchronously) {
    Open("dvdplusrw");
    ASSERT_EQ(Blank(0), 0u) << m__Text;
    auto l__Commands = m__Recorder->Log().Commands();
    const size_t l__Format = IndexOf(l__Commands, 0x04);
    ASSERT_LT(l__Format, l__Commands.size());
    EXPECT_EQ(l__Commands[l__Format].m__DataOut, (Bytes{0, 0x82, 0, 8, 0xFF, 0xFF, 0xFF, 0xFF, 0x98, 0, 0, 0}));
    const size_t l__Close = IndexOf(l__Commands, 0x5B, l__Format);
    ASSERT_LT(l__Close, l__Commands.size());
    EXPECT_EQ(l__Commands[l__Close].m__Cdb[1], 0x00);  // synchronous
    EXPECT_EQ(l__Commands[l__Close].m__Cdb[2], 0x02);
    EXPECT_NE(Info().find("Disc status:  formatted"), std::string::npos);
    // Formatted already: the burn does not format again.
    m__Recorder->Log().ClearCommands();
    const Bytes l__Data = Pattern(40 * 2048);
    ASSERT_EQ(Burn(WriteImage(l__Data)), 0u) << m__Text;
    EXPECT_EQ(m__Recorder->Log().CountOpcode(0x04), 0u);
    EXPECT_EQ(ExportTrack(1), l__Data);
}

TEST_F(BurnFlow, BlankDvdRamFormatsWithTheCapacityTheDriveReports) {
    Open("dvdram");
    ASSERT_EQ(Blank(0), 0u) << m__Text;
    auto l__Commands = m__Recorder->Log().Commands();
    const size_t l__Capacities = IndexOf(l__Commands, 0x23);
    const size_t l__Format = IndexOf(l__Commands, 0x04, l__Capacities);
    ASSERT_LT(l__Format, l__Commands.size());
    const Bytes& l__List = l__Commands[l__Format].m__DataOut;
    ASSERT_EQ(l__List.size(), 12u);
    EXPECT_EQ(Bytes(l__List.begin(), l__List.begin() + 4), (Bytes{0, 0x82, 0, 8}));
    EXPECT_EQ(Bytes(l__List.begin() + 8, l__List.end()), (Bytes{0x00, 0x00, 0x08, 0x00}));
    const uint32_t l__Blocks = (uint32_t{l__List[4]} << 24) | (l__List[5] << 16) | (l__List[6] << 8) | l__List[7];
    EXPECT_NE(Info().find("Capacity:     " + std::to_string(l__Blocks) + " blocks"), std::string::npos) << Info();
    EXPECT_EQ(IndexOf(l__Commands, 0x51, l__Format), l__Commands.size());  // TEST UNIT READY polling only
}

}  // namespace
