// An iSCSI logical unit (tgtd's MMC unit) as a host adapter of the ASPI library: what the
// request blocks carry back, time-outs, and a target that stops answering or goes away.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

#include "AspiBackendFactory.h"
#include "AspiHostAdapterTable.h"
#include "AspiIscsiBackend.h"
#include "ScratchDirectory.h"
#include "StderrCapture.h"
#include "TgtdTarget.h"
#include "tarnwick.h"
#include "wnaspi32.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point p__Start) {
    return std::chrono::duration<double>(Clock::now() - p__Start).count();
}

// tgtd's unit, installed as the ASPI library's only host adapter (0).
class IscsiAdapter : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TGTD();
        m__Target = std::make_unique<TgtdTarget>(m__Scratch / "disc.img");
        ASSERT_TRUE(m__Target->Started()) << m__Target->Failure();
        std::vector<std::unique_ptr<AspiBackend>> l__Backends;
        l__Backends.push_back(AspiIscsiBackend::Create(m__Target->Url().substr(std::strlen("iscsi://"))));
        AspiHostAdapterTable::Instance().Install(std::move(l__Backends));
    }
    void TearDown() override {
        if (m__Target && m__Target->Pid() > 0) ::kill(m__Target->Pid(), SIGCONT);
        AspiHostAdapterTable::Instance().Install({});
    }

    // One command to target 0, LUN 0 of adapter 0, with SRB_SenseLen 14 unless told.
    static SRB_ExecSCSICmd Send(std::vector<uint8_t> p__Cdb, BYTE p__BYTE__Flags = 0, uint8_t* p__PUCHAR__Buffer = nullptr,
                                DWORD p__DWORD__Length = 0, BYTE p__BYTE__SenseLength = SENSE_LEN) {
        SRB_ExecSCSICmd l__Srb{};
        l__Srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
        l__Srb.SRB_Flags = p__BYTE__Flags;
        l__Srb.SRB_BufPointer = p__PUCHAR__Buffer;
        l__Srb.SRB_BufLen = p__DWORD__Length;
        l__Srb.SRB_SenseLen = p__BYTE__SenseLength;
        l__Srb.SRB_CDBLen = static_cast<BYTE>(p__Cdb.size());
        std::memcpy(l__Srb.CDBByte, p__Cdb.data(), p__Cdb.size());
        SendASPI32Command(&l__Srb);
        return l__Srb;
    }
    static SRB_ExecSCSICmd Inquiry(uint8_t* p__PUCHAR__Buffer, BYTE p__BYTE__Allocation, DWORD p__DWORD__Length) {
        return Send({0x12, 0, 0, 0, p__BYTE__Allocation, 0}, SRB_DIR_IN | SRB_ENABLE_RESIDUAL_COUNT, p__PUCHAR__Buffer,
                    p__DWORD__Length);
    }
    static void SetTimeout(DWORD p__DWORD__HalfSeconds) {
        SRB_GetSetTimeouts l__Srb{};
        l__Srb.SRB_Cmd = SC_GETSET_TIMEOUTS;
        l__Srb.SRB_Flags = SRB_DIR_OUT;
        l__Srb.SRB_Timeout = p__DWORD__HalfSeconds;
        ASSERT_EQ(SendASPI32Command(&l__Srb), SS_COMP);
    }

    ScratchDirectory m__Scratch{"tarnwick-iscsi"};
    std::unique_ptr<TgtdTarget> m__Target;
};

TEST_F(IscsiAdapter, IsAnMmcUnitNamedByItsAddress) {
    EXPECT_EQ(GetASPI32SupportInfo(), (static_cast<DWORD>(SS_COMP) << 8) | 1);
    SRB_GDEVBlock l__Type{};
    l__Type.SRB_Cmd = SC_GET_DEV_TYPE;
    EXPECT_EQ(SendASPI32Command(&l__Type), SS_COMP);
    EXPECT_EQ(l__Type.SRB_DeviceType, 0x05);
    l__Type.SRB_Target = 1;
    EXPECT_EQ(SendASPI32Command(&l__Type), SS_NO_DEVICE);

    SRB_GetSymbolicName l__Name{};
    l__Name.SRB_Cmd = SC_GET_SYMBOLIC_NAME;
    EXPECT_EQ(SendASPI32Command(&l__Name), SS_COMP);
    EXPECT_EQ(std::string(l__Name.SRB_SymbolicName), m__Target->Url());
}

TEST_F(IscsiAdapter, ReadsIntoTheBufferAndReportsTheResidual) {
    uint8_t l__UCHAR__Data[96];
    std::memset(l__UCHAR__Data, 0xCC, sizeof(l__UCHAR__Data));
    // 36 bytes asked for in the CDB, 96 offered: 60 left over.
    SRB_ExecSCSICmd l__Srb = Inquiry(l__UCHAR__Data, 36, sizeof(l__UCHAR__Data));
    ASSERT_EQ(l__Srb.SRB_Status, SS_COMP);
    EXPECT_EQ(l__Srb.SRB_BufLen, 60u);
    EXPECT_EQ(l__UCHAR__Data[0] & 0x1F, 0x05);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(l__UCHAR__Data + 8), 3), "IET");
    EXPECT_EQ(l__UCHAR__Data[36], 0xCC) << "nothing is written past what the unit sent";

    // Without residual counting SRB_BufLen stays as it was.
    l__Srb = Send({0x12, 0, 0, 0, 36, 0}, SRB_DIR_IN, l__UCHAR__Data, sizeof(l__UCHAR__Data));
    EXPECT_EQ(l__Srb.SRB_Status, SS_COMP);
    EXPECT_EQ(l__Srb.SRB_BufLen, 96u);
}

TEST_F(IscsiAdapter, CheckConditionCarriesTheSenseBack) {
    // An operation code the unit does not know: ILLEGAL REQUEST, invalid command operation code.
    SRB_ExecSCSICmd l__Srb = Send({0xF7, 0, 0, 0, 0, 0});
    ASSERT_EQ(l__Srb.SRB_Status, SS_ERR);
    EXPECT_EQ(l__Srb.SRB_HaStat, HASTAT_OK);
    EXPECT_EQ(l__Srb.SRB_TargStat, STATUS_CHKCOND);
    EXPECT_EQ(l__Srb.SenseArea[0] & 0x7F, 0x70);
    EXPECT_EQ(l__Srb.SenseArea[2] & 0x0F, 0x05);
    EXPECT_EQ(l__Srb.SenseArea[12], 0x20);

    l__Srb = Send({0xF7, 0, 0, 0, 0, 0}, 0, nullptr, 0, 3);
    EXPECT_EQ(l__Srb.SenseArea[2] & 0x0F, 0x05);
    EXPECT_EQ(l__Srb.SenseArea[12], 0x00) << "only SRB_SenseLen bytes of sense";

    // The unit is still there after it.
    uint8_t l__UCHAR__Data[36];
    EXPECT_EQ(Inquiry(l__UCHAR__Data, 36, sizeof(l__UCHAR__Data)).SRB_Status, SS_COMP);
}

TEST_F(IscsiAdapter, StoppedTargetTimesOutAndTheAdapterWorksAfterItResumes) {
    SetTimeout(2);  // one second
    ASSERT_EQ(::kill(m__Target->Pid(), SIGSTOP), 0);
    Clock::time_point l__Start = Clock::now();
    SRB_ExecSCSICmd l__Srb = Send({0x00, 0, 0, 0, 0, 0});
    double l__double__Seconds = SecondsSince(l__Start);
    EXPECT_EQ(l__Srb.SRB_Status, SS_ERR);
    EXPECT_EQ(l__Srb.SRB_HaStat, HASTAT_TIMEOUT);
    EXPECT_GE(l__double__Seconds, 0.9);
    EXPECT_LT(l__double__Seconds, 5.0);

    ASSERT_EQ(::kill(m__Target->Pid(), SIGCONT), 0);
    uint8_t l__UCHAR__Data[36];
    l__Srb = Inquiry(l__UCHAR__Data, 36, sizeof(l__UCHAR__Data));
    EXPECT_EQ(l__Srb.SRB_Status, SS_COMP) << "HaStat " << int(l__Srb.SRB_HaStat);
    EXPECT_EQ(l__UCHAR__Data[0] & 0x1F, 0x05);
}

TEST_F(IscsiAdapter, ConnectionClosedWhileIdleIsMadeAgainForTheNextCommand) {
    uint8_t l__UCHAR__Data[36];
    ASSERT_EQ(Inquiry(l__UCHAR__Data, 36, sizeof(l__UCHAR__Data)).SRB_Status, SS_COMP);
    ASSERT_EQ(m__Target->DropConnections(), 1);
    std::memset(l__UCHAR__Data, 0, sizeof(l__UCHAR__Data));
    SRB_ExecSCSICmd l__Srb = Inquiry(l__UCHAR__Data, 36, sizeof(l__UCHAR__Data));
    EXPECT_EQ(l__Srb.SRB_Status, SS_COMP) << "HaStat " << int(l__Srb.SRB_HaStat);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(l__UCHAR__Data + 8), 3), "IET");
}

TEST_F(IscsiAdapter, TargetGoneFailsEveryCommandFast) {
    m__Target->Kill();
    uint8_t l__UCHAR__Data[36];
    Clock::time_point l__Start = Clock::now();
    SRB_ExecSCSICmd l__Srb = Inquiry(l__UCHAR__Data, 36, sizeof(l__UCHAR__Data));
    EXPECT_EQ(l__Srb.SRB_Status, SS_ERR);
    EXPECT_TRUE(l__Srb.SRB_HaStat == HASTAT_SEL_TO || l__Srb.SRB_HaStat == HASTAT_BUS_FREE) << int(l__Srb.SRB_HaStat);
    EXPECT_EQ(l__Srb.SRB_BufLen, 0u) << "residual counting reports nothing moved";
    EXPECT_LT(SecondsSince(l__Start), 10.0);

    // Once the unit is known to be gone, the next commands fail at once.
    l__Start = Clock::now();
    for (int l__int__Try = 0; l__int__Try < 20; ++l__int__Try) {
        l__Srb = Send({0x00, 0, 0, 0, 0, 0});
        ASSERT_EQ(l__Srb.SRB_Status, SS_ERR);
        EXPECT_EQ(l__Srb.SRB_HaStat, HASTAT_SEL_TO);
    }
    EXPECT_LT(SecondsSince(l__Start), 1.0);
}

// The toolkit's drive queries answer from tgtd's blank DVD+R; once the target is gone a
// query ends with the failed command, in bounded time.
TEST_F(IscsiAdapter, ToolkitQueriesTheUnitAndFailsClearlyOnceItIsGone) {
    ASSERT_EQ(Tarnwick_UpStart(), 0u);
    PVOID l__Burner = nullptr;
    char l__CHAR__Text[1024] = {};
    ULONG l__ULONG__SystemError = 31;
    CDB_FAILURE_INFORMATION l__Info{};
    ASSERT_EQ(Tarnwick_CdvdBurnerGrabber_Create(&l__Burner, l__CHAR__Text, sizeof(l__CHAR__Text), &l__ULONG__SystemError,
                                                &l__Info, nullptr, nullptr, 0, 0, 0, 0, 0),
              0u)
        << l__CHAR__Text;
    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_TestUnitReady(l__Burner, l__CHAR__Text, sizeof(l__CHAR__Text),
                                                       &l__ULONG__SystemError, &l__Info),
              0u)
        << l__CHAR__Text;
    BOOLEAN l__BOOLEAN__Tao = 0, l__BOOLEAN__Sao = 0, l__BOOLEAN__DaoPq = 0, l__BOOLEAN__DaoRaw = 0;
    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_ProbeSupportedWriteModes(l__Burner, l__CHAR__Text, sizeof(l__CHAR__Text),
                                                                  &l__ULONG__SystemError, &l__Info, &l__BOOLEAN__Tao,
                                                                  &l__BOOLEAN__Sao, &l__BOOLEAN__DaoPq, &l__BOOLEAN__DaoRaw),
              0u)
        << l__CHAR__Text;
    EXPECT_TRUE(l__BOOLEAN__Tao);
    DISC_INFORMATION l__Disc{};
    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_GetDiscInformation(l__Burner, l__CHAR__Text, sizeof(l__CHAR__Text),
                                                            &l__ULONG__SystemError, &l__Info, &l__Disc),
              0u)
        << l__CHAR__Text;
    TRACK_INFORMATION l__Track{};
    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_GetTrackInformation(l__Burner, l__CHAR__Text, sizeof(l__CHAR__Text),
                                                             &l__ULONG__SystemError, &l__Info, 255, &l__Track),
              0u)
        << l__CHAR__Text;
    ULONG l__ULONG__Speeds[4] = {};
    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_GetSpeeds(l__Burner, l__CHAR__Text, sizeof(l__CHAR__Text), &l__ULONG__SystemError,
                                                   &l__Info, &l__ULONG__Speeds[0], &l__ULONG__Speeds[1],
                                                   &l__ULONG__Speeds[2], &l__ULONG__Speeds[3]),
              0u)
        << l__CHAR__Text;
    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_GetInsertedDiscType(l__Burner), static_cast<ULONG>(TARNWICK_DISC_TYPE_DVDPLUSR));

    m__Target->Kill();
    Clock::time_point l__Start = Clock::now();
    l__Info = CDB_FAILURE_INFORMATION{};
    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_GetDiscInformation(l__Burner, l__CHAR__Text, sizeof(l__CHAR__Text),
                                                            &l__ULONG__SystemError, &l__Info, &l__Disc),
              8u);
    EXPECT_LT(SecondsSince(l__Start), 15.0);
    EXPECT_EQ(l__Info.m__UCHAR__IsValid, 1);
    EXPECT_EQ(l__Info.m__UCHAR__CDB[0], 0x51) << "the failed command is READ DISC INFORMATION";
    EXPECT_EQ(l__Info.m__UCHAR__SRB_Status, SS_ERR);
    EXPECT_NE(l__Info.m__UCHAR__SRB_HaStat, HASTAT_OK);
    Tarnwick_Destroy(&l__Burner);
    Tarnwick_DownShut();
}

TEST(IscsiDriveKind, UnreachableUnitIsSkippedWithTheCause) {
    REQUIRE_TGTD();
    ScratchDirectory l__Scratch{"tarnwick-iscsi"};
    TgtdTarget l__Target(l__Scratch / "disc.img");
    ASSERT_TRUE(l__Target.Started()) << l__Target.Failure();
    const std::string l__string__Url = l__Target.Url();
    l__Target.Kill();
    StderrCapture l__Errors;
    AspiDriveEntry l__Entry{"iscsi", l__string__Url.substr(std::strlen("iscsi://")), l__string__Url};
    EXPECT_EQ(AspiBackendFactory::Create(l__Entry), nullptr);
    // A unit that is not there: a target name the daemon does not have.
    TgtdTarget l__Other(l__Scratch / "other.img");
    ASSERT_TRUE(l__Other.Started()) << l__Other.Failure();
    AspiDriveEntry l__Wrong{"iscsi", l__Other.Portal() + "/iqn.2026-12.org.tarnwick:nothing/1", ""};
    l__Wrong.m__string__Text = "iscsi://" + l__Wrong.m__string__Argument;
    EXPECT_EQ(AspiBackendFactory::Create(l__Wrong), nullptr);
    l__Errors.Restore();
    std::string l__string__Text = l__Errors.Text();
    EXPECT_NE(l__string__Text.find("Tarnwick: drive '" + l__string__Url + "' skipped: cannot log in to " +
                                   l__Target.Portal() + ": "),
              std::string::npos)
        << l__string__Text;
    EXPECT_NE(l__string__Text.find("Connection refused"), std::string::npos) << l__string__Text;
    EXPECT_NE(l__string__Text.find("Tarnwick: drive '" + l__Wrong.m__string__Text + "' skipped: cannot log in"),
              std::string::npos)
        << l__string__Text;
    EXPECT_NE(l__string__Text.find("Target not found"), std::string::npos) << l__string__Text;
}

}  // namespace
