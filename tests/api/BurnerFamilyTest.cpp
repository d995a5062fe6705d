#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "FakeClock.h"
#include "ModePageDrive.h"
#include "ScriptedBackend.h"
#include "tarnwick.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Ignore(ULONG, PVOID, PVOID, PVOID) {}

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
    ULONG Create() {
        return Tarnwick_CdvdBurnerGrabber_Create(&m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info,
                                                 Ignore, nullptr, 0, 0, 0, 0, 0);
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
    char l__Name[] = "/tmp/tarnwick-pellmark-XXXXXX";
    int l__Fd = mkstemp(l__Name);
    ASSERT_GE(l__Fd, 0);
    Bytes l__Data(50 * 2048);
    for (size_t i = 0; i < l__Data.size(); ++i) l__Data[i] = static_cast<uint8_t>(i * 13);
    ASSERT_EQ(write(l__Fd, l__Data.data(), l__Data.size()), static_cast<ssize_t>(l__Data.size()));
    close(l__Fd);
    Bytes l__Track(28, 0);
    l__Track[6] = 0x40;
    l__Track[7] = 0x01;
    l__Track[17] = 0x05;
    m__Drive->Always(0x52, ScriptedAnswer::Good(l__Track));

    ASSERT_EQ(Tarnwick_CdvdBurnerGrabber_Pellmark(m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info,
                                                  l__Name, 1, 0, 1, 1, 5),
              0u)
        << m__Text;
    Bytes l__Written;
    for (const ScriptedCommand& c : m__Drive->Commands())
        if (c.m__Cdb[0] == 0x2A) l__Written.insert(l__Written.end(), c.m__DataOut.begin(), c.m__DataOut.end());
    EXPECT_EQ(l__Written, l__Data);
    unlink(l__Name);

    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_Pellmark(m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info,
                                                  l__Name, 1, 0, 1, 1, 5),
              5u);
    EXPECT_EQ(m__SystemError, 2u);  // ENOENT
    EXPECT_NE(std::string(m__Text).find(l__Name), std::string::npos);
}

}  // namespace
