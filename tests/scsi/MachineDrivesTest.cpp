#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "AspiHostAdapterTable.h"
#include "CTarnwick_WrapperBackend.h"
#include "FakeScsiGeneric.h"
#include "PlatformManualResetEvent.h"
#include "ScratchDirectory.h"

namespace {

// The machine's drives (through the fake) and one virtual recorder after them.
class MachineDrives : public ::testing::Test {
protected:
    void SetUp() override {
        const char* l__Saved = std::getenv("TARNWICK_DRIVES");
        m__bool__HadDrives = l__Saved != nullptr;
        if (l__Saved) m__string__SavedDrives = l__Saved;
        setenv("TARNWICK_DRIVES", ("virtual:" + (m__Directory / "disc")).c_str(), 1);
        m__Fake.AddDrive("/dev/sg0", 0, 0, 2);
        m__Fake.AddDrive("/dev/sg1", 1, 0, 0, 0, 0);  // a disk
        m__Fake.AddDrive("/dev/sr0", 0, 0, 2);        // the same drive as /dev/sg0
        AspiHostAdapterTable::Instance().Reset();
    }
    void TearDown() override {
        AspiHostAdapterTable::Instance().Reset();
        if (m__bool__HadDrives) {
            setenv("TARNWICK_DRIVES", m__string__SavedDrives.c_str(), 1);
        } else {
            unsetenv("TARNWICK_DRIVES");
        }
    }

    ScratchDirectory m__Directory;
    FakeScsiGeneric m__Fake;
    bool m__bool__HadDrives = false;
    std::string m__string__SavedDrives;
};

TEST_F(MachineDrives, AreTheFirstHostAdaptersWithTheDriveListAfterThem) {
    EXPECT_EQ(GetASPI32SupportInfo(), (static_cast<DWORD>(SS_COMP) << 8) | 2u);
    SRB_HAInquiry l__Inquiry;
    std::memset(&l__Inquiry, 0, sizeof(l__Inquiry));
    l__Inquiry.SRB_Cmd = SC_HA_INQUIRY;
    EXPECT_EQ(SendASPI32Command(&l__Inquiry), SS_COMP);
    EXPECT_STREQ(reinterpret_cast<const char*>(l__Inquiry.HA_ManagerId), "VELMOR");
    EXPECT_EQ(l__Inquiry.HA_Count, 2);
    l__Inquiry.SRB_HaId = 1;
    EXPECT_EQ(SendASPI32Command(&l__Inquiry), SS_COMP);
    EXPECT_STREQ(reinterpret_cast<const char*>(l__Inquiry.HA_ManagerId), "TARNWICK");

    SRB_GetSymbolicName l__Name;
    std::memset(&l__Name, 0, sizeof(l__Name));
    l__Name.SRB_Cmd = SC_GET_SYMBOLIC_NAME;
    l__Name.SRB_Target = 2;
    EXPECT_EQ(SendASPI32Command(&l__Name), SS_COMP);
    EXPECT_STREQ(l__Name.SRB_SymbolicName, "/dev/sg0");
    l__Name.SRB_HaId = 1;
    l__Name.SRB_Target = 0;
    EXPECT_EQ(SendASPI32Command(&l__Name), SS_COMP);
    EXPECT_EQ(std::string(l__Name.SRB_SymbolicName), "virtual:" + (m__Directory / "disc"));

    // What the scan could not use is kept for tarnwick-finddevice.
    auto l__Survey = CTarnwick_WrapperBackend::LastSurvey();
    ASSERT_EQ(l__Survey.size(), 1u);
    EXPECT_EQ(l__Survey[0].m__string__Node, "/dev/sg1");
    EXPECT_EQ(l__Survey[0].m__FINDING_REASON__Reason, CTarnwick_Wrapper::FINDING_NOT_CDDVD);
}

TEST_F(MachineDrives, CommandsAndTimeoutsReachTheDriveAndTheCallersBlockKeepsItsAdapter) {
    DWORD l__Info = GetASPI32SupportInfo();
    ASSERT_EQ(l__Info & 0xFF, 2u);
    SRB_GetSetTimeouts l__Timeouts;
    std::memset(&l__Timeouts, 0, sizeof(l__Timeouts));
    l__Timeouts.SRB_Cmd = SC_GETSET_TIMEOUTS;
    l__Timeouts.SRB_HaId = 0xFF;
    l__Timeouts.SRB_Target = 0xFF;
    l__Timeouts.SRB_Lun = 0xFF;
    l__Timeouts.SRB_Flags = SRB_DIR_OUT;
    l__Timeouts.SRB_Timeout = 40;
    EXPECT_EQ(SendASPI32Command(&l__Timeouts), SS_COMP);
    l__Timeouts.SRB_HaId = 0;
    l__Timeouts.SRB_Target = 2;
    l__Timeouts.SRB_Lun = 0;
    l__Timeouts.SRB_Flags = SRB_DIR_IN;
    l__Timeouts.SRB_Timeout = 0;
    EXPECT_EQ(SendASPI32Command(&l__Timeouts), SS_COMP);
    EXPECT_EQ(DWORD{l__Timeouts.SRB_Timeout}, 40u);

    FakeScsiGeneric::Reply l__Check;
    l__Check.m__UCHAR__Status = STATUS_CHKCOND;
    l__Check.m__Sense = {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x24, 0x00};
    m__Fake.QueueReply("/dev/sg0", l__Check);
    PlatformManualResetEvent l__Event;
    BYTE l__Buffer[96] = {};
    SRB_ExecSCSICmd l__Srb;
    std::memset(&l__Srb, 0, sizeof(l__Srb));
    l__Srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    l__Srb.SRB_Flags = SRB_DIR_IN | SRB_EVENT_NOTIFY;
    l__Srb.SRB_Target = 2;
    l__Srb.SRB_BufPointer = l__Buffer;
    l__Srb.SRB_BufLen = sizeof(l__Buffer);
    l__Srb.SRB_SenseLen = SENSE_LEN;
    l__Srb.SRB_CDBLen = 6;
    l__Srb.SRB_PostProc = &l__Event;
    l__Srb.CDBByte[0] = 0x12;
    EXPECT_EQ(SendASPI32Command(&l__Srb), SS_ERR);
    EXPECT_EQ(l__Srb.SRB_Status, SS_ERR);
    EXPECT_EQ(l__Srb.SRB_HaId, 0);
    EXPECT_EQ(l__Srb.SRB_TargStat, STATUS_CHKCOND);
    EXPECT_EQ(l__Srb.SenseArea[12], 0x24);
    EXPECT_TRUE(l__Event.IsSet());
    auto l__Sent = m__Fake.Commands();
    ASSERT_EQ(l__Sent.size(), 1u);
    EXPECT_EQ(l__Sent[0].m__string__Node, "/dev/sg0");
    EXPECT_EQ(l__Sent[0].m__ULONG__TimeoutMilliseconds, 20000u);
    EXPECT_EQ(l__Sent[0].m__Cdb, (std::vector<uint8_t>{0x12, 0, 0, 0, 0, 0}));

    // A rescan lets the scanned devices go and scans again.
    SRB_Header l__Rescan;
    std::memset(&l__Rescan, 0, sizeof(l__Rescan));
    l__Rescan.SRB_Cmd = SC_RESCAN_SCSI_BUS;
    EXPECT_EQ(SendASPI32Command(&l__Rescan), SS_COMP);
    m__Fake.At("/dev/sg0").m__int__OpenError = EACCES;
    m__Fake.At("/dev/sr0").m__int__OpenError = EACCES;
    EXPECT_EQ(GetASPI32SupportInfo() & 0xFF, 1u);
    EXPECT_EQ(CTarnwick_WrapperBackend::LastSurvey().size(), 3u);
}

}  // namespace
