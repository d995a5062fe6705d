#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "CTarnwick_Wrapper.h"
#include "FakeScsiGeneric.h"
#include "PlatformManualResetEvent.h"
#include "TraceCapture.h"

namespace {

template <class Block>
Block Zeroed(BYTE p__Command, BYTE p__HostAdapter, BYTE p__Target = 0, BYTE p__Lun = 0) {
    Block l__Block;
    std::memset(&l__Block, 0, sizeof(l__Block));
    l__Block.SRB_Cmd = p__Command;
    l__Block.SRB_HaId = p__HostAdapter;
    if constexpr (requires { l__Block.SRB_Target; }) {
        l__Block.SRB_Target = p__Target;
        l__Block.SRB_Lun = p__Lun;
    }
    return l__Block;
}

class PassThroughWrapper : public ::testing::Test {
protected:
    BYTE DeviceType(CTarnwick_Wrapper& p__Wrapper, BYTE p__HostAdapter, BYTE p__Target, BYTE p__Lun = 0) {
        SRB_GDEVBlock l__Srb = Zeroed<SRB_GDEVBlock>(SC_GET_DEV_TYPE, p__HostAdapter, p__Target, p__Lun);
        return p__Wrapper.SendASPI32Command(&l__Srb) == SS_COMP ? l__Srb.SRB_DeviceType : 0xFF;
    }
    std::string Name(CTarnwick_Wrapper& p__Wrapper, BYTE p__HostAdapter, BYTE p__Target) {
        SRB_GetSymbolicName l__Srb = Zeroed<SRB_GetSymbolicName>(SC_GET_SYMBOLIC_NAME, p__HostAdapter, p__Target);
        if (p__Wrapper.SendASPI32Command(&l__Srb) != SS_COMP) return "(none)";
        return l__Srb.SRB_SymbolicName;
    }
    BYTE Timeouts(CTarnwick_Wrapper& p__Wrapper, BYTE p__Flags, BYTE p__HostAdapter, BYTE p__Target, BYTE p__Lun,
                  DWORD& p__Timeout) {
        SRB_GetSetTimeouts l__Srb = Zeroed<SRB_GetSetTimeouts>(SC_GETSET_TIMEOUTS, p__HostAdapter, p__Target, p__Lun);
        l__Srb.SRB_Flags = p__Flags;
        l__Srb.SRB_Timeout = p__Timeout;
        BYTE l__Status = p__Wrapper.SendASPI32Command(&l__Srb);
        EXPECT_EQ(l__Srb.SRB_Status, l__Status);
        p__Timeout = l__Srb.SRB_Timeout;
        return l__Status;
    }

    FakeScsiGeneric m__Fake;
};

TEST_F(PassThroughWrapper, WithoutDrivesEveryAdapterIsRefused) {
    CTarnwick_Wrapper l__Wrapper;
    EXPECT_EQ(l__Wrapper.GetHostAdapterCount(), 0);
    SRB_HAInquiry l__Inquiry = Zeroed<SRB_HAInquiry>(SC_HA_INQUIRY, 0);
    l__Inquiry.HA_Count = 9;
    EXPECT_EQ(l__Wrapper.SendASPI32Command(&l__Inquiry), SS_INVALID_HA);
    EXPECT_EQ(l__Inquiry.HA_Count, 0);
    SRB_ExecSCSICmd l__Exec = Zeroed<SRB_ExecSCSICmd>(SC_EXEC_SCSI_CMD, 0);
    EXPECT_EQ(l__Wrapper.SendASPI32Command(&l__Exec), SS_INVALID_HA);
    EXPECT_EQ(l__Exec.SRB_Status, SS_INVALID_HA);
    EXPECT_TRUE(l__Wrapper.Survey().empty());
}

TEST_F(PassThroughWrapper, OtherRequestsAndTheAdapterInquiry) {
    m__Fake.AddDrive("/dev/sg0", 1, 0, 0);
    CTarnwick_Wrapper l__Wrapper;
    ASSERT_EQ(l__Wrapper.GetHostAdapterCount(), 2);
    SRB_HAInquiry l__Inquiry = Zeroed<SRB_HAInquiry>(SC_HA_INQUIRY, 1);
    EXPECT_EQ(l__Wrapper.SendASPI32Command(&l__Inquiry), SS_COMP);
    EXPECT_EQ(l__Inquiry.HA_Count, 2);
    EXPECT_EQ(l__Inquiry.HA_SCSI_ID, 7);
    EXPECT_STREQ(reinterpret_cast<const char*>(l__Inquiry.HA_ManagerId), "VELMOR");
    EXPECT_STREQ(reinterpret_cast<const char*>(l__Inquiry.HA_Identifier), "Port 001");
    EXPECT_EQ(l__Inquiry.HA_Unique[0], 0x03);
    EXPECT_EQ(l__Inquiry.HA_Unique[2], 0x02);
    EXPECT_EQ(l__Inquiry.HA_Unique[3], 15);
    EXPECT_EQ(l__Inquiry.HA_Unique[6], 0x01);

    SRB_Header l__Abort = Zeroed<SRB_Header>(SC_ABORT_SRB, 0);
    EXPECT_EQ(l__Wrapper.SendASPI32Command(&l__Abort), SS_ABORT_FAIL);
    SRB_Header l__Reset = Zeroed<SRB_Header>(SC_RESET_DEV, 0);
    EXPECT_EQ(l__Wrapper.SendASPI32Command(&l__Reset), SS_INVALID_CMD);
    EXPECT_EQ(l__Reset.SRB_Status, SS_INVALID_CMD);
    EXPECT_EQ(l__Wrapper.SendASPI32Command(nullptr), SS_INVALID_SRB);
    // An adapter below the count without a drive on it.
    EXPECT_EQ(DeviceType(l__Wrapper, 0, 0), 0xFF);
    EXPECT_EQ(DeviceType(l__Wrapper, 1, 0), 5);
    EXPECT_EQ(DeviceType(l__Wrapper, 1, 0, 1), 0xFF);  // only LUN 0
}

TEST_F(PassThroughWrapper, DriveFoundByBothNodesIsEnteredOnce) {
    m__Fake.AddDrive("/dev/sg1", 0, 0, 1);
    m__Fake.AddDrive("/dev/sr0", 0, 0, 1);
    CTarnwick_Wrapper l__Wrapper;
    EXPECT_EQ(l__Wrapper.GetHostAdapterCount(), 1);
    EXPECT_EQ(DeviceType(l__Wrapper, 0, 1), 5);
    EXPECT_EQ(DeviceType(l__Wrapper, 0, 0), 0xFF);
    EXPECT_EQ(Name(l__Wrapper, 0, 1), "/dev/sg1");
    // The second one was opened once to read its address, and let go.
    EXPECT_EQ(m__Fake.Opens("/dev/sr0"), 1);
    EXPECT_EQ(m__Fake.OpenDescriptors(), 0u);
    EXPECT_TRUE(l__Wrapper.Survey().empty());
}

TEST_F(PassThroughWrapper, OrphanComesAfterAllOtherAdaptersAtTargetZero) {
    m__Fake.AddDrive("/dev/sr1", 0, 0, 0).m__bool__HasAddress = false;
    m__Fake.AddDrive("/dev/sg4", 2, 0, 3);
    CTarnwick_Wrapper l__Wrapper;
    EXPECT_EQ(l__Wrapper.GetHostAdapterCount(), 4);
    EXPECT_EQ(DeviceType(l__Wrapper, 2, 3), 5);
    EXPECT_EQ(DeviceType(l__Wrapper, 3, 0), 5);
    EXPECT_EQ(Name(l__Wrapper, 3, 0), "/dev/sr1");
}

TEST_F(PassThroughWrapper, NonZeroChannelOrLunIsIgnoredWithItsTraceLine) {
    m__Fake.AddDrive("/dev/sr0", 0, 1, 2);     // channel 1: dropped
    m__Fake.AddDrive("/dev/sg2", 0, 0, 5, 1);  // LUN 1: no usable address, kept as an orphan
    TraceCapture l__Trace;
    CTarnwick_Wrapper l__Wrapper;
    EXPECT_EQ(l__Wrapper.GetHostAdapterCount(), 1);
    EXPECT_EQ(Name(l__Wrapper, 0, 0), "/dev/sg2");
    EXPECT_EQ(DeviceType(l__Wrapper, 0, 2), 0xFF);
    EXPECT_EQ(DeviceType(l__Wrapper, 0, 5), 0xFF);
    ASSERT_EQ(l__Wrapper.Survey().size(), 1u);
    EXPECT_EQ(l__Wrapper.Survey()[0].m__string__Node, "/dev/sr0");
    EXPECT_EQ(l__Wrapper.Survey()[0].m__FINDING_REASON__Reason, CTarnwick_Wrapper::FINDING_IGNORED_ADDRESS);
    EXPECT_EQ(m__Fake.OpenDescriptors(), 0u);
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Trace.Contains(
        "\nCTarnwick_Wrapper::Init(): Device '/dev/sr0' has non-zero PathId (1) or LUN (0) - will be ignored!!!\n"));
    EXPECT_TRUE(l__Trace.Contains(
        "\nCTarnwick_Wrapper::Init(): Device '/dev/sg2' has non-zero PathId (0) or LUN (1) - will be ignored!!!\n"));
}

TEST_F(PassThroughWrapper, SurveyNamesTheNodesThatCouldNotBeUsedAndWhy) {
    m__Fake.AddDrive("/dev/sg0", 0, 0, 0, 0, /*disk*/ 0);
    m__Fake.AddDrive("/dev/sg1", 0, 0, 1).m__int__OpenError = EACCES;
    m__Fake.AddDrive("/dev/sg3", 0, 0, 3).m__bool__HasAddress = false;
    m__Fake.AddDrive("/dev/sr0", 0, 0, 4).m__int__OpenError = EBUSY;
    m__Fake.AddDrive("/dev/sr2", 0, 0, 6).m__int__OpenError = ENXIO;
    m__Fake.At("/dev/sg1").m__string__Group = "optical";
    CTarnwick_Wrapper l__Wrapper;
    EXPECT_EQ(l__Wrapper.GetHostAdapterCount(), 0);
    const auto& l__Survey = l__Wrapper.Survey();
    ASSERT_EQ(l__Survey.size(), 5u);
    EXPECT_EQ(l__Survey[0].m__FINDING_REASON__Reason, CTarnwick_Wrapper::FINDING_NOT_CDDVD);
    EXPECT_EQ(l__Survey[1].m__FINDING_REASON__Reason, CTarnwick_Wrapper::FINDING_NO_PERMISSION);
    EXPECT_EQ(l__Survey[1].m__string__Group, "optical");
    EXPECT_EQ(l__Survey[2].m__FINDING_REASON__Reason, CTarnwick_Wrapper::FINDING_NO_ADDRESS);
    EXPECT_EQ(l__Survey[3].m__FINDING_REASON__Reason, CTarnwick_Wrapper::FINDING_BUSY);
    EXPECT_EQ(l__Survey[4].m__FINDING_REASON__Reason, CTarnwick_Wrapper::FINDING_CANNOT_OPEN);

    EXPECT_EQ(CTarnwick_Wrapper::DescribeFinding(l__Survey[0]), "'/dev/sg0' cannot be used: not a CD/DVD unit (peripheral type 0x00)");
    EXPECT_EQ(CTarnwick_Wrapper::DescribeFinding(l__Survey[1]),
              "'/dev/sg1' cannot be used: no permission to open it (Permission denied); add your user to the group "
              "'optical'");
    EXPECT_NE(CTarnwick_Wrapper::DescribeFinding(l__Survey[2]).find("'/dev/sg3' cannot be used: its SCSI address could not be read"),
              std::string::npos);
    EXPECT_NE(CTarnwick_Wrapper::DescribeFinding(l__Survey[3]).find("'/dev/sr0' cannot be used: it is busy"), std::string::npos);
    EXPECT_NE(CTarnwick_Wrapper::DescribeFinding(l__Survey[4]).find("cannot be opened"), std::string::npos);
}

TEST_F(PassThroughWrapper, DrivesOutsideTheTableAreSkippedAndNamed) {
    m__Fake.AddDrive("/dev/sg0", 40, 0, 0);   // host number beyond 31
    m__Fake.AddDrive("/dev/sg1", 31, 0, 0);   // the last adapter
    m__Fake.AddDrive("/dev/sr0", 0, 0, 0).m__bool__HasAddress = false;  // would need adapter 32
    m__Fake.AddDrive("/dev/sr1", 0, 0, 200);  // target beyond 127
    TraceCapture l__Trace;
    CTarnwick_Wrapper l__Wrapper;
    EXPECT_EQ(l__Wrapper.GetHostAdapterCount(), 32);
    EXPECT_EQ(DeviceType(l__Wrapper, 31, 0), 5);
    const auto& l__Survey = l__Wrapper.Survey();
    ASSERT_EQ(l__Survey.size(), 3u);
    for (const auto& l__Finding : l__Survey)
        EXPECT_EQ(l__Finding.m__FINDING_REASON__Reason, CTarnwick_Wrapper::FINDING_OUTSIDE_TABLE) << l__Finding.m__string__Node;
    EXPECT_EQ(l__Survey[0].m__string__Node, "/dev/sg0");
    EXPECT_EQ(l__Survey[1].m__string__Node, "/dev/sr1");
    EXPECT_EQ(l__Survey[2].m__string__Node, "/dev/sr0");
    EXPECT_EQ(m__Fake.OpenDescriptors(), 0u);
    // Requests beyond the table.
    SRB_ExecSCSICmd l__Exec = Zeroed<SRB_ExecSCSICmd>(SC_EXEC_SCSI_CMD, 40);
    EXPECT_EQ(l__Wrapper.SendASPI32Command(&l__Exec), SS_INVALID_HA);
    l__Exec = Zeroed<SRB_ExecSCSICmd>(SC_EXEC_SCSI_CMD, 31, 200);
    EXPECT_EQ(l__Wrapper.SendASPI32Command(&l__Exec), SS_NO_DEVICE);
    EXPECT_EQ(DeviceType(l__Wrapper, 31, 255), 0xFF);
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Trace.Contains("\nCTarnwick_Wrapper::Init(): WARNING! Device '/dev/sg0' at port 40, target 0 lies "
                                  "outside the table (32 ports, 128 targets) and will be ignored!!!\n"));
    EXPECT_TRUE(l__Trace.Contains("\nCTarnwick_Wrapper::Init(): WARNING! Device '/dev/sr0' would need host adapter 32, "
                                  "the largest supported is 31, and will be ignored!!!\n"));
}

TEST_F(PassThroughWrapper, TimeoutsSetWithWildcardsReachEveryDriveAndGetsRefuseThem) {
    m__Fake.AddDrive("/dev/sg0", 0, 0, 0);
    m__Fake.AddDrive("/dev/sg1", 1, 0, 2);
    m__Fake.AddDrive("/dev/sr0", 0, 0, 0).m__bool__HasAddress = false;  // an orphan, adapter 2
    m__Fake.At("/dev/sr0").m__Address.m__UCHAR__Host = 9;
    CTarnwick_Wrapper l__Wrapper;
    ASSERT_EQ(l__Wrapper.GetHostAdapterCount(), 3);
    DWORD l__Timeout = 2000;
    EXPECT_EQ(Timeouts(l__Wrapper, SRB_DIR_OUT, 0xFF, 0xFF, 0xFF, l__Timeout), SS_COMP);
    for (auto [l__Ha, l__Target] : {std::pair<BYTE, BYTE>{0, 0}, {1, 2}, {2, 0}}) {
        DWORD l__Read = 0;
        EXPECT_EQ(Timeouts(l__Wrapper, SRB_DIR_IN, l__Ha, l__Target, 0, l__Read), SS_COMP);
        EXPECT_EQ(l__Read, 2000u) << int(l__Ha) << ":" << int(l__Target);
    }
    // One drive by its place in the table (the orphan too), the others keep theirs.
    l__Timeout = 60;
    EXPECT_EQ(Timeouts(l__Wrapper, SRB_DIR_OUT, 2, 0, 0, l__Timeout), SS_COMP);
    DWORD l__Read = 0;
    EXPECT_EQ(Timeouts(l__Wrapper, SRB_DIR_IN, 2, 0, 0, l__Read), SS_COMP);
    EXPECT_EQ(l__Read, 60u);
    EXPECT_EQ(Timeouts(l__Wrapper, SRB_DIR_IN, 0, 0, 0, l__Read), SS_COMP);
    EXPECT_EQ(l__Read, 2000u);

    // A set that reaches no drive is no success; gets with a wildcard and bad requests are refused.
    l__Timeout = 10;
    EXPECT_EQ(Timeouts(l__Wrapper, SRB_DIR_OUT, 0, 7, 0, l__Timeout), SS_NO_DEVICE);
    EXPECT_EQ(Timeouts(l__Wrapper, SRB_DIR_IN, 0, 0xFF, 0, l__Read), SS_INVALID_SRB);
    EXPECT_EQ(Timeouts(l__Wrapper, SRB_DIR_IN, 0xFF, 0, 0, l__Read), SS_INVALID_SRB);
    EXPECT_EQ(Timeouts(l__Wrapper, SRB_DIR_IN, 0, 0, 0xFF, l__Read), SS_INVALID_SRB);
    EXPECT_EQ(Timeouts(l__Wrapper, 0, 0, 0, 0, l__Read), SS_INVALID_SRB);
    l__Timeout = 108001;
    EXPECT_EQ(Timeouts(l__Wrapper, SRB_DIR_OUT, 0, 0, 0, l__Timeout), SS_INVALID_SRB);
    EXPECT_EQ(Timeouts(l__Wrapper, SRB_DIR_OUT, 3, 0, 0, l__Timeout), SS_INVALID_HA);

    // The time-out set is the one the next command is sent with.
    SRB_ExecSCSICmd l__Exec = Zeroed<SRB_ExecSCSICmd>(SC_EXEC_SCSI_CMD, 2);
    l__Exec.SRB_CDBLen = 6;
    EXPECT_EQ(l__Wrapper.SendASPI32Command(&l__Exec), SS_COMP);
    ASSERT_EQ(m__Fake.Commands().size(), 1u);
    EXPECT_EQ(m__Fake.Commands()[0].m__ULONG__TimeoutMilliseconds, 30000u);
}

TEST_F(PassThroughWrapper, ExecutionRefusesPostingAndCompletesWithTheEventSet) {
    m__Fake.AddDrive("/dev/sg0", 0, 0, 0);
    CTarnwick_Wrapper l__Wrapper;
    PlatformManualResetEvent l__Event;
    SRB_ExecSCSICmd l__Srb = Zeroed<SRB_ExecSCSICmd>(SC_EXEC_SCSI_CMD, 0);
    l__Srb.SRB_CDBLen = 6;
    l__Srb.SRB_PostProc = &l__Event;
    l__Srb.SRB_Flags = SRB_POSTING;
    TraceCapture l__Trace;
    EXPECT_EQ(l__Wrapper.SendASPI32Command(&l__Srb), SS_INVALID_SRB);
    EXPECT_TRUE(m__Fake.Commands().empty());
    l__Srb.SRB_Flags = SRB_EVENT_NOTIFY;
    EXPECT_EQ(l__Wrapper.SendASPI32Command(&l__Srb), SS_COMP);
    EXPECT_TRUE(l__Event.IsSet());
    EXPECT_EQ(l__Srb.SRB_Status, SS_COMP);
    l__Srb.SRB_Lun = 1;
    EXPECT_EQ(l__Wrapper.SendASPI32Command(&l__Srb), SS_NO_DEVICE);
    EXPECT_EQ(m__Fake.Commands().size(), 1u);
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Trace.Contains("\nCTarnwick_Wrapper::ScExecScsiCmd(): EXITing with failure, requested flags 1 have "
                                  "posting enabled, status 0x000000E0!!!\n"));
}

TEST_F(PassThroughWrapper, NamedDrivesAreNamedByTheirFirstLink) {
    m__Fake.AddDrive("/dev/sr0", 0, 0, 0);
    m__Fake.AddDrive("/dev/sr1", 0, 0, 1);
    m__Fake.AddDrive("/dev/sr2", 0, 0, 2);
    m__Fake.AddDrive("/dev/sg5", 1, 0, 0);
    m__Fake.AddLink("/dev/disk/by-path", "pci-0000:00:1f.2-ata-2", "/dev/sr0");
    m__Fake.AddLink("/dev/disk/by-path", "pci-0000:00:1f.2-ata-2.0", "/dev/sr0");
    m__Fake.AddLink("/dev/disk/by-id", "ata-DRIVE_0", "/dev/sr0");
    m__Fake.AddLink("/dev/disk/by-id", "ata-DRIVE_1", "/dev/sr1");
    m__Fake.AddLink("/dev/disk/by-id", "ata-DISK_9", "/dev/sg5");
    CTarnwick_Wrapper l__Wrapper;
    TraceCapture l__Trace;
    EXPECT_EQ(Name(l__Wrapper, 0, 0), "/dev/disk/by-path/pci-0000:00:1f.2-ata-2");
    EXPECT_EQ(Name(l__Wrapper, 0, 1), "/dev/disk/by-id/ata-DRIVE_1");
    EXPECT_EQ(Name(l__Wrapper, 0, 2), "/dev/sr2");  // no link: the node itself
    EXPECT_EQ(Name(l__Wrapper, 1, 0), "/dev/sg5");  // sg nodes are named by themselves
    EXPECT_EQ(Name(l__Wrapper, 0, 3), "(none)");
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Trace.Contains("\nCTarnwick_Wrapper::GetMountMgrSymbolicLinkName(): Number of mount points: 2\n"));
    EXPECT_TRUE(l__Trace.Contains("\nCTarnwick_Wrapper::GetMountMgrSymbolicLinkName(): Symbolic link 2 of 2 name: "
                                  "'/dev/disk/by-path/pci-0000:00:1f.2-ata-2.0'\n"));
}

TEST_F(PassThroughWrapper, RescanFindsTheDrivesAgain) {
    m__Fake.AddDrive("/dev/sg0", 0, 0, 0);
    CTarnwick_Wrapper l__Wrapper;
    EXPECT_EQ(l__Wrapper.GetHostAdapterCount(), 1);
    m__Fake.AddDrive("/dev/sg1", 1, 0, 0);
    SRB_Header l__Rescan = Zeroed<SRB_Header>(SC_RESCAN_SCSI_BUS, 0);
    EXPECT_EQ(l__Wrapper.SendASPI32Command(&l__Rescan), SS_COMP);
    EXPECT_EQ(l__Wrapper.GetHostAdapterCount(), 2);
    EXPECT_EQ(DeviceType(l__Wrapper, 1, 0), 5);
    EXPECT_EQ(m__Fake.OpenDescriptors(), 0u);
}

}  // namespace
