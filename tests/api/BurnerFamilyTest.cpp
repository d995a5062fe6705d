#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <new>
#include <stdexcept>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "FakeClock.h"
#include "ModePageDrive.h"
#include "ScratchDirectory.h"
#include "ScriptedBackend.h"
#include "tarnwick.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Ignore(ULONG, PVOID, PVOID, PVOID) {}

// A callback written in C++ whose allocation fails when the burner starts analysing its source.
void FailsOnAnalysis(ULONG p__Reason, PVOID, PVOID, PVOID) {
    if (p__Reason == TARGET_FILE_ANALYZE_BEGIN) throw std::bad_alloc();
}

// A scratch file of the given size with varied bytes, in a directory removed with the object.
struct ScratchFile {
    explicit ScratchFile(size_t p__Size) : m__Data(p__Size) {
        for (size_t i = 0; i < m__Data.size(); ++i) m__Data[i] = static_cast<uint8_t>(i * 13 + i / 2048);
        std::ofstream l__Out(m__Name, std::ios::binary);
        l__Out.write(reinterpret_cast<const char*>(m__Data.data()), static_cast<std::streamsize>(m__Data.size()));
        EXPECT_TRUE(l__Out.good()) << m__Name;
    }
    Bytes m__Data;
    ScratchDirectory m__Dir{"tarnwick-burner"};
    std::string m__Name = m__Dir / "source";
};

size_t OpenDescriptors() {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                             std::filesystem::directory_iterator()));
}

class BurnerFamily : public ModePageDriveTest {
protected:
    void SetUp() override {
        ModePageDriveTest::SetUp();
        ASSERT_EQ(Tarnwick_UpStart(), 0u);
    }
    void TearDown() override {
        Tarnwick_Destroy(&m__Burner);
        Tarnwick_DownShut();
        ModePageDriveTest::TearDown();
    }
    ULONG Create(PROGRESS_CALLBACK p__Callback = Ignore) {
        return Tarnwick_CdvdBurnerGrabber_Create(&m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info,
                                                 p__Callback, nullptr, 0, 0, 0, 0, 0);
    }
    // The invisible track of a blank CD-R: blank, NWA valid at 0, 0x500 free blocks.
    void AnswerBlankTrack() {
        Bytes l__Track(28, 0);
        l__Track[6] = 0x40;
        l__Track[7] = 0x01;
        l__Track[17] = 0x05;
        m__Drive->Always(0x52, ScriptedAnswer::Good(l__Track));
    }
    // The data of every WRITE(10) the drive received, in order.
    Bytes Written() {
        Bytes l__Written;
        for (const ScriptedCommand& c : m__Drive->Commands())
            if (c.m__Cdb[0] == 0x2A) l__Written.insert(l__Written.end(), c.m__DataOut.begin(), c.m__DataOut.end());
        return l__Written;
    }
    ULONG FromHandle(int p__INT__Handle) {
        return Tarnwick_CdvdBurnerGrabber_TrackAtOnceFromHandle(m__Burner, m__Text, sizeof(m__Text), &m__SystemError,
                                                                &m__Info, p__INT__Handle, 1, 0, 1, 1, 5);
    }
    bool InfoIsZero() {
        CDB_FAILURE_INFORMATION l__Zero{};
        return std::memcmp(&m__Info, &l__Zero, sizeof(m__Info)) == 0;
    }

    PVOID m__Burner = nullptr;
    char m__Text[1024] = {};
    ULONG m__SystemError = 31;
    CDB_FAILURE_INFORMATION m__Info{};
};

TEST_F(BurnerFamily, CreateNeedsAStartedToolkitAndAUnit) {
    Tarnwick_DownShut();
    PVOID l__Untouched = reinterpret_cast<PVOID>(0x1234);
    std::memset(&m__Info, 0xAB, sizeof(m__Info));
    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_Create(&l__Untouched, m__Text, sizeof(m__Text), &m__SystemError, &m__Info,
                                                Ignore, nullptr, 0, 0, 0, 0, 0),
              21u);
    EXPECT_EQ(l__Untouched, reinterpret_cast<PVOID>(0x1234));
    EXPECT_EQ(reinterpret_cast<uint8_t*>(&m__Info)[0], 0xAB);
    ASSERT_EQ(Tarnwick_UpStart(), 0u);

    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_Create(&m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info, Ignore,
                                                nullptr, 0, 0, 9, 0, 0),
              6u);
    EXPECT_EQ(m__Burner, nullptr);
    EXPECT_STREQ(m__Text,
                 "CTarnwick_ScsiTransportASPI::CTarnwick_ScsiTransportASPI(): SendASPI32Command( SC_GET_DEV_TYPE ) for "
                 "target ID 9 failed with ASPI status 0x82!!!");
    EXPECT_EQ(m__SystemError, 31u);

    ASSERT_EQ(Create(), 0u);
    EXPECT_NE(m__Burner, nullptr);
}

TEST_F(BurnerFamily, NullOrForeignBurnerIsAnInvalidParameter) {
    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_Eject(nullptr, m__Text, sizeof(m__Text), &m__SystemError, &m__Info), 2u);
    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_GetInsertedDiscType(nullptr), 0u);
    Tarnwick_CdvdBurnerGrabber_Cancel(nullptr);
    PVOID l__Null = nullptr;
    Tarnwick_Destroy(&l__Null);
    EXPECT_EQ(l__Null, nullptr);
    Tarnwick_Destroy(nullptr);
}

TEST_F(BurnerFamily, TrackInformationIsParsedAndAFailureSetsOnlyTheValidByte) {
    ASSERT_EQ(Create(), 0u);
    Bytes l__Block(28, 0);
    l__Block[1] = 26;
    l__Block[2] = 3;
    l__Block[3] = 2;
    l__Block[5] = 0x34;  // copy, damage clear, mode 4
    l__Block[6] = 0xE1;  // RT, blank, packet, data mode 1
    l__Block[7] = 0x01;
    l__Block[8] = 0x00, l__Block[9] = 0x00, l__Block[10] = 0x2C, l__Block[11] = 0x88;
    l__Block[12] = 0x00, l__Block[13] = 0x00, l__Block[14] = 0x2C, l__Block[15] = 0x88;
    l__Block[16] = 0x00, l__Block[17] = 0x05, l__Block[18] = 0x5D, l__Block[19] = 0xC1;
    l__Block[23] = 0x10;
    m__Drive->Queue(0x52, ScriptedAnswer::Good(l__Block));
    TRACK_INFORMATION l__Track;
    std::memset(&l__Track, 0x77, sizeof(l__Track));
    ASSERT_EQ(Tarnwick_CdvdBurnerGrabber_GetTrackInformation(m__Burner, m__Text, sizeof(m__Text), &m__SystemError,
                                                             &m__Info, 255, &l__Track),
              0u);
    EXPECT_EQ(l__Track.m__UCHAR__IsValid, 1);
    EXPECT_EQ(l__Track.m__UCHAR__TrackNumber, 3);
    EXPECT_EQ(l__Track.m__UCHAR__SessionNumber, 2);
    EXPECT_EQ(l__Track.m__UCHAR__TrackMode, 4);
    EXPECT_EQ(l__Track.m__UCHAR__Copy, 1);
    EXPECT_EQ(l__Track.m__UCHAR__Damage, 1);
    EXPECT_EQ(l__Track.m__UCHAR__DataMode, 1);
    EXPECT_EQ(l__Track.m__UCHAR__FixedPacket, 0);
    EXPECT_EQ(l__Track.m__UCHAR__Packet, 1);
    EXPECT_EQ(l__Track.m__UCHAR__Blank, 1);
    EXPECT_EQ(l__Track.m__UCHAR__ReservedTrack, 1);
    EXPECT_EQ(l__Track.m__UCHAR__NWAValid, 1);
    EXPECT_EQ(l__Track.m__ULONG__TrackStartAddress, 11400u);
    EXPECT_EQ(l__Track.m__ULONG__NextWritableAddress, 11400u);
    EXPECT_EQ(l__Track.m__ULONG__FreeBlocks, 351681u);
    EXPECT_EQ(l__Track.m__ULONG__FixedPacketSize, 16u);

    m__Drive->Queue(0x52, ScriptedAnswer::Check(0x05, 0x24, 0x00));
    std::memset(&l__Track, 0x77, sizeof(l__Track));
    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_GetTrackInformation(m__Burner, m__Text, sizeof(m__Text), &m__SystemError,
                                                             &m__Info, 255, &l__Track),
              8u);
    EXPECT_EQ(l__Track.m__UCHAR__IsValid, 0);
    EXPECT_EQ(l__Track.m__UCHAR__TrackNumber, 0x77);
    EXPECT_EQ(m__Info.m__UCHAR__IsValid, 1);
    EXPECT_EQ(m__Info.m__UCHAR__CDB[0], 0x52);
    EXPECT_EQ(m__Info.m__UCHAR__Sense[12], 0x24);
}

TEST_F(BurnerFamily, DiscInformationIsParsed) {
    ASSERT_EQ(Create(), 0u);
    Bytes l__Block(34, 0);
    l__Block[2] = 0x1E;  // erasable, last session complete (3), disc status appendable (2)
    l__Block[3] = 1;
    l__Block[4] = 2;
    l__Block[5] = 3;
    l__Block[6] = 4;
    l__Block[7] = 0xE0;
    l__Block[8] = 0x20;
    l__Block[12] = 0xDE, l__Block[15] = 0xAD;
    l__Block[17] = 0x61, l__Block[18] = 0x1A, l__Block[19] = 0x42;
    l__Block[21] = 0x4F, l__Block[22] = 0x3B, l__Block[23] = 0x4A;
    l__Block[24] = 0x11, l__Block[31] = 0x88;
    l__Block[33] = 2;
    m__Drive->Queue(0x51, ScriptedAnswer::Good(l__Block));
    DISC_INFORMATION l__Disc{};
    ASSERT_EQ(Tarnwick_CdvdBurnerGrabber_GetDiscInformation(m__Burner, m__Text, sizeof(m__Text), &m__SystemError,
                                                            &m__Info, &l__Disc),
              0u);
    EXPECT_EQ(l__Disc.m__UCHAR__IsValid, 1);
    EXPECT_EQ(l__Disc.m__UCHAR__DiscStatus, 2);
    EXPECT_EQ(l__Disc.m__UCHAR__LastSessionState, 3);
    EXPECT_EQ(l__Disc.m__UCHAR__Erasable, 1);
    EXPECT_EQ(l__Disc.m__UCHAR__FirstTrackNumber, 1);
    EXPECT_EQ(l__Disc.m__UCHAR__NumberOfSessions, 2);
    EXPECT_EQ(l__Disc.m__UCHAR__FirstTrackInLastSession, 3);
    EXPECT_EQ(l__Disc.m__UCHAR__LastTrackInLastSession, 4);
    EXPECT_EQ(l__Disc.m__UCHAR__UnrestrictedUse, 1);
    EXPECT_EQ(l__Disc.m__UCHAR__DiscBarCodeValid, 1);
    EXPECT_EQ(l__Disc.m__UCHAR__DiscIdValid, 1);
    EXPECT_EQ(l__Disc.m__UCHAR__DiscType, 0x20);
    EXPECT_EQ(l__Disc.m__UCHAR__DiscId[0], 0xDE);
    EXPECT_EQ(l__Disc.m__UCHAR__DiscId[3], 0xAD);
    EXPECT_EQ(Bytes(l__Disc.m__UCHAR__LastSessionLeadInStart, l__Disc.m__UCHAR__LastSessionLeadInStart + 4),
              (Bytes{0x00, 0x61, 0x1A, 0x42}));
    EXPECT_EQ(Bytes(l__Disc.m__UCHAR__LastPossibleLeadOutStart, l__Disc.m__UCHAR__LastPossibleLeadOutStart + 4),
              (Bytes{0x00, 0x4F, 0x3B, 0x4A}));
    EXPECT_EQ(l__Disc.m__UCHAR__DiscBarCode[0], 0x11);
    EXPECT_EQ(l__Disc.m__UCHAR__DiscBarCode[7], 0x88);
    EXPECT_EQ(l__Disc.m__UCHAR__NumberOfOPCTables, 2);
}

TEST_F(BurnerFamily, PellmarkBurnsAFileAndReportsAMissingOne) {
    ASSERT_EQ(Create(), 0u);
    auto l__File = std::make_unique<ScratchFile>(50 * 2048);
    char* l__Name = l__File->m__Name.data();
    AnswerBlankTrack();

    ASSERT_EQ(Tarnwick_CdvdBurnerGrabber_Pellmark(m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info,
                                                  l__Name, 1, 0, 1, 1, 5),
              0u)
        << m__Text;
    EXPECT_EQ(Written(), l__File->m__Data);
    const std::string l__Missing = l__Name;
    l__File.reset();
    l__Name = const_cast<char*>(l__Missing.c_str());

    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_Pellmark(m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info,
                                                  l__Name, 1, 0, 1, 1, 5),
              5u);
    EXPECT_EQ(m__SystemError, 2u);  // ENOENT
    EXPECT_NE(std::string(m__Text).find(l__Name), std::string::npos);
}

TEST_F(BurnerFamily, BlankingTypeAboveSixIsRefusedBeforeAnyCommand) {
    ASSERT_EQ(Create(), 0u);
    for (ULONG l__Type : {7u, 8u, 0x10u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(l__Type);
        m__Drive->ClearCommands();
        std::memset(&m__Info, 0xAB, sizeof(m__Info));
        EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_Blank(m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info,
                                                   l__Type),
                  2u);
        EXPECT_EQ(std::string(m__Text), "CTarnwick_CdvdBurnerGrabber::Blank(): Blanking type " +
                                            std::to_string(l__Type) + " is above 6!!!");
        EXPECT_EQ(m__SystemError, 31u);
        EXPECT_TRUE(InfoIsZero());
        EXPECT_TRUE(m__Drive->Commands().empty());
    }
    // The highest type there is reaches the drive as it is, with Immed.
    m__Drive->ClearCommands();
    ASSERT_EQ(Tarnwick_CdvdBurnerGrabber_Blank(m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info, 6), 0u);
    ASSERT_EQ(m__Drive->CountOpcode(0xA1), 1u);
    for (const ScriptedCommand& c : m__Drive->Commands()) {
        if (c.m__Cdb[0] == 0xA1) {
            EXPECT_EQ(c.m__Cdb[1], 0x16);
        }
    }
}

// Exceptions that are not the toolkit's, raised wherever a flat function's work goes (the
// caller's callback, the construction of the burner, a command, the session code, the wait
// for the unit, the disc-type query), come back as number 4 with the function's name.
TEST_F(BurnerFamily, ForeignExceptionsComeBackAsOutOfMemory) {
    // The capabilities page read while the burner is built.
    m__Drive->Respond(0x5A, [](const ScriptedCommand&) -> ScriptedAnswer { throw std::bad_alloc(); });
    EXPECT_EQ(Create(), 4u);
    EXPECT_EQ(m__Burner, nullptr);
    EXPECT_STREQ(m__Text, "Tarnwick:Tarnwick_CdvdBurnerGrabber_Create(): Out of memory (std::bad_alloc)!!!");
    m__Pages = std::make_unique<ModePageDrive>(*m__Drive);

    ASSERT_EQ(Create(FailsOnAnalysis), 0u);
    ScratchFile l__File(10 * 2048);
    AnswerBlankTrack();
    std::memset(&m__Info, 0xAB, sizeof(m__Info));
    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_Pellmark(m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info,
                                                  l__File.m__Name.data(), 1, 0, 1, 1, 5),
              4u);
    EXPECT_STREQ(m__Text, "Tarnwick:Tarnwick_CdvdBurnerGrabber_Pellmark(): Out of memory (std::bad_alloc)!!!");
    EXPECT_EQ(m__SystemError, 31u);
    EXPECT_TRUE(InfoIsZero());
    EXPECT_EQ(m__Drive->CountOpcode(0x2A), 0u);
    // The burner's lock was let go: the next operation runs.
    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_TestUnitReady(m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info),
              0u);

    m__Drive->Respond(0x1B, [](const ScriptedCommand&) -> ScriptedAnswer { throw std::length_error("vector"); });
    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_Eject(m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info), 4u);
    EXPECT_STREQ(m__Text, "Tarnwick:Tarnwick_CdvdBurnerGrabber_Eject(): Unexpected exception (vector)!!!");

    // BLANK itself, then the wait for the unit after it.
    m__Drive->Respond(0xA1, [](const ScriptedCommand&) -> ScriptedAnswer { throw 7; });
    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_Blank(m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info, 1), 4u);
    EXPECT_STREQ(m__Text, "Tarnwick:Tarnwick_CdvdBurnerGrabber_Blank(): Unknown exception!!!");
    m__Drive->Respond(0xA1, [](const ScriptedCommand&) { return ScriptedAnswer::Good(); });
    m__Drive->Respond(0x51, [](const ScriptedCommand&) -> ScriptedAnswer { throw std::bad_alloc(); });
    m__Drive->ClearCommands();
    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_Blank(m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info, 1), 4u);
    EXPECT_EQ(m__Drive->CountOpcode(0xA1), 1u);
    EXPECT_EQ(m__SystemError, 31u);

    // A function without a text gives its plain failure value.
    m__Drive->Respond(0x46, [](const ScriptedCommand&) -> ScriptedAnswer { throw std::bad_alloc(); });
    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_GetInsertedDiscType(m__Burner), 0u);
}

// An allocation that fails in the write loop, while the cache thread still reads ahead (the
// file is larger than the 4 MB cache): the thread is collected before the source is freed,
// and the burner writes the next track.
TEST_F(BurnerFamily, ForeignExceptionInTheWriteLoopStopsTheCacheThread) {
    ASSERT_EQ(Tarnwick_CdvdBurnerGrabber_Create(&m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info,
                                                Ignore, nullptr, 0, 0, 0, 0, 1),
              0u);
    ScratchFile l__File(3000 * 2048);
    AnswerBlankTrack();
    int l__Writes = 0;
    m__Drive->Respond(0x2A, [&](const ScriptedCommand&) -> ScriptedAnswer {
        if (++l__Writes == 2) throw std::bad_alloc();
        return ScriptedAnswer::Good();
    });
    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_Pellmark(m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info,
                                                  l__File.m__Name.data(), 1, 0, 1, 1, 5),
              4u);
    EXPECT_EQ(l__Writes, 2);
    m__Drive->ClearCommands();
    ASSERT_EQ(Tarnwick_CdvdBurnerGrabber_Pellmark(m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info,
                                                  l__File.m__Name.data(), 1, 0, 1, 1, 5),
              0u)
        << m__Text;
    EXPECT_TRUE(Written() == l__File.m__Data);
}

TEST_F(BurnerFamily, TrackAtOnceFromHandleBurnsTheWholeFileAndLeavesTheDescriptorToTheCaller) {
    ASSERT_EQ(Create(), 0u);
    AnswerBlankTrack();
    ScratchFile l__File(37 * 2048);
    int l__Fd = open(l__File.m__Name.data(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(l__Fd, 0);
    // The caller's position does not matter: the track is the file from its first byte.
    ASSERT_EQ(lseek(l__Fd, 5000, SEEK_SET), 5000);
    const size_t l__Descriptors = OpenDescriptors();

    ASSERT_EQ(FromHandle(l__Fd), 0u) << m__Text;
    EXPECT_EQ(Written(), l__File.m__Data);
    EXPECT_TRUE(InfoIsZero());

    // The duplicate is closed; the caller's descriptor stays open and reads the file.
    EXPECT_EQ(OpenDescriptors(), l__Descriptors);
    uint8_t l__Byte = 0;
    ASSERT_EQ(pread(l__Fd, &l__Byte, 1, 2049), 1);
    EXPECT_EQ(l__Byte, l__File.m__Data[2049]);
    close(l__Fd);
}

TEST_F(BurnerFamily, TrackAtOnceFromHandleRefusesABadDescriptorWithoutWriting) {
    ASSERT_EQ(Create(), 0u);
    AnswerBlankTrack();
    m__Drive->ClearCommands();
    EXPECT_EQ(FromHandle(-1), 5u);
    EXPECT_EQ(m__SystemError, static_cast<ULONG>(EBADF));
    EXPECT_STREQ(m__Text,
                 "Tarnwick:Tarnwick_CdvdBurnerGrabber_TrackAtOnceFromHandle(): GetFileSize() failed, status 9!!!");
    EXPECT_TRUE(m__Drive->Commands().empty());

    // A descriptor that cannot be read: the first read fails before any WRITE.
    ScratchFile l__File(4 * 2048);
    const size_t l__Descriptors = OpenDescriptors();
    int l__Fd = open(l__File.m__Name.data(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(l__Fd, 0);
    m__SystemError = 31;
    EXPECT_EQ(FromHandle(l__Fd), 5u);
    EXPECT_EQ(m__SystemError, static_cast<ULONG>(EBADF));
    EXPECT_STREQ(m__Text, "CTarnwick_DiskFile::RealRead(): ReadFile() failed, status 9!!!");
    EXPECT_EQ(m__Drive->CountOpcode(0x2A), 0u);
    EXPECT_EQ(fcntl(l__Fd, F_GETFD), FD_CLOEXEC);  // still the caller's
    close(l__Fd);
    EXPECT_EQ(OpenDescriptors(), l__Descriptors);
}

}  // namespace
