#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "AspiBackendFactory.h"
#include "AspiDriveList.h"
#include "AspiHostAdapterTable.h"
#include "PlatformManualResetEvent.h"
#include "ScriptedBackend.h"
#include "StderrCapture.h"

namespace {

TEST(AspiDriveList, ParsesEntriesInOrder) {
    auto l__Entries =
        AspiDriveList::Parse("virtual:/tmp/a disc;;iscsi://127.0.0.1:3260/iqn.2026-12.test:burner/1;virtual:b;odd");
    ASSERT_EQ(l__Entries.size(), 4u);
    EXPECT_EQ(l__Entries[0].m__string__Kind, "virtual");
    EXPECT_EQ(l__Entries[0].m__string__Argument, "/tmp/a disc");
    EXPECT_EQ(l__Entries[1].m__string__Kind, "iscsi");
    EXPECT_EQ(l__Entries[1].m__string__Argument, "127.0.0.1:3260/iqn.2026-12.test:burner/1");
    EXPECT_EQ(l__Entries[2].m__string__Argument, "b");
    EXPECT_EQ(l__Entries[3].m__string__Kind, "odd");
    EXPECT_EQ(l__Entries[3].m__string__Text, "odd");
    EXPECT_TRUE(AspiDriveList::Parse("").empty());
    EXPECT_TRUE(AspiDriveList::Parse(";;;").empty());
}

TEST(AspiDriveList, DefaultIsTheVirtualRecorderInTheCurrentDirectory) {
    const char* l__Saved = std::getenv("TARNWICK_DRIVES");
    std::string l__Keep = l__Saved ? l__Saved : "";
    unsetenv("TARNWICK_DRIVES");
    auto l__Entries = AspiDriveList::FromEnvironment();
    ASSERT_EQ(l__Entries.size(), 1u);
    EXPECT_EQ(l__Entries[0].m__string__Kind, "virtual");
    EXPECT_EQ(l__Entries[0].m__string__Argument, "tarnwick-disc");
    if (l__Saved) setenv("TARNWICK_DRIVES", l__Keep.c_str(), 1);
}

std::unique_ptr<AspiBackend> MakeScripted(const std::string& p__Argument) {
    if (p__Argument == "broken") return nullptr;
    if (p__Argument == "throws") throw std::runtime_error("cannot open");
    auto l__Backend = std::make_unique<ScriptedBackend>();
    l__Backend->SetSymbolicName("scripted:" + p__Argument);
    return l__Backend;
}

TEST(AspiHostAdapters, OneAdapterPerUsableEntryOthersNamedOnStandardError) {
    AspiBackendFactory::Register("scripted-test", MakeScripted);
    setenv("TARNWICK_DRIVES", "scripted-test:one;nonsense:/x;scripted-test:broken;scripted-test:throws;scripted-test:two",
           1);
    StderrCapture l__Stderr;
    AspiHostAdapterTable::Instance().Reset();
    DWORD l__Info = GetASPI32SupportInfo();
    l__Stderr.Restore();
    EXPECT_EQ(l__Info, (static_cast<DWORD>(SS_COMP) << 8) | 2u);
    SRB_GetSymbolicName l__Name;
    std::memset(&l__Name, 0, sizeof(l__Name));
    l__Name.SRB_Cmd = SC_GET_SYMBOLIC_NAME;
    l__Name.SRB_HaId = 1;
    EXPECT_EQ(SendASPI32Command(&l__Name), SS_COMP);
    EXPECT_STREQ(l__Name.SRB_SymbolicName, "scripted:two");
    // One line per skipped entry, in every build, and nothing about the usable ones.
    EXPECT_EQ(l__Stderr.Text(),
              "Tarnwick: drive 'nonsense:/x' skipped: unknown kind 'nonsense'\n"
              "Tarnwick: drive 'scripted-test:broken' skipped: it cannot be opened\n"
              "Tarnwick: drive 'scripted-test:throws' skipped: cannot open\n");
    unsetenv("TARNWICK_DRIVES");
    AspiHostAdapterTable::Instance().Reset();
}

class AspiRequests : public ::testing::Test {
protected:
    void SetUp() override { m__Drive = &ScriptedBackend::InstallSingle(); }
    void TearDown() override { ScriptedBackend::UninstallAll(); }
    ScriptedBackend* m__Drive = nullptr;
};

TEST_F(AspiRequests, AdapterInquiryAndDeviceType) {
    SRB_HAInquiry l__Inquiry;
    std::memset(&l__Inquiry, 0, sizeof(l__Inquiry));
    l__Inquiry.SRB_Cmd = SC_HA_INQUIRY;
    EXPECT_EQ(SendASPI32Command(&l__Inquiry), SS_COMP);
    EXPECT_EQ(l__Inquiry.SRB_Status, SS_COMP);
    EXPECT_EQ(l__Inquiry.HA_Count, 1);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(l__Inquiry.HA_Identifier), 8), "Port 000");
    l__Inquiry.SRB_HaId = 3;
    EXPECT_EQ(SendASPI32Command(&l__Inquiry), SS_INVALID_HA);
    EXPECT_EQ(l__Inquiry.HA_Count, 1);  // reported even for a wrong adapter

    SRB_GDEVBlock l__Type;
    std::memset(&l__Type, 0, sizeof(l__Type));
    l__Type.SRB_Cmd = SC_GET_DEV_TYPE;
    EXPECT_EQ(SendASPI32Command(&l__Type), SS_COMP);
    EXPECT_EQ(l__Type.SRB_DeviceType, 0x05);
    l__Type.SRB_Target = 9;
    EXPECT_EQ(SendASPI32Command(&l__Type), SS_NO_DEVICE);
}

TEST_F(AspiRequests, MalformedRequestsAreRefused) {
    EXPECT_EQ(SendASPI32Command(nullptr), SS_INVALID_SRB);
    SRB_ExecSCSICmd l__Srb;
    std::memset(&l__Srb, 0, sizeof(l__Srb));
    l__Srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    l__Srb.SRB_CDBLen = 6;
    l__Srb.SRB_Flags = SRB_POSTING;
    EXPECT_EQ(SendASPI32Command(&l__Srb), SS_INVALID_SRB);
    l__Srb.SRB_Flags = SRB_DIR_IN;
    l__Srb.SRB_CDBLen = 17;
    EXPECT_EQ(SendASPI32Command(&l__Srb), SS_INVALID_SRB);
    l__Srb.SRB_CDBLen = 6;
    l__Srb.SRB_BufLen = 10;  // length without a buffer
    EXPECT_EQ(SendASPI32Command(&l__Srb), SS_INVALID_SRB);
    l__Srb.SRB_BufLen = 0;
    l__Srb.SRB_HaId = 7;
    EXPECT_EQ(SendASPI32Command(&l__Srb), SS_INVALID_HA);
    EXPECT_EQ(m__Drive->Commands().size(), 0u);

    SRB_Header l__Unknown{};
    l__Unknown.SRB_Cmd = 0x42;
    EXPECT_EQ(SendASPI32Command(&l__Unknown), SS_INVALID_CMD);
}

TEST_F(AspiRequests, CompletionSetsTheEventWhenAskedFor) {
    PlatformManualResetEvent l__Event;
    SRB_ExecSCSICmd l__Srb;
    std::memset(&l__Srb, 0, sizeof(l__Srb));
    l__Srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    l__Srb.SRB_Flags = SRB_DIR_IN | SRB_EVENT_NOTIFY;
    l__Srb.SRB_CDBLen = 6;
    l__Srb.SRB_SenseLen = SENSE_LEN;
    l__Srb.SRB_PostProc = &l__Event;
    EXPECT_EQ(SendASPI32Command(&l__Srb), SS_COMP);
    EXPECT_TRUE(l__Event.IsSet());

    m__Drive->Queue(0x00, ScriptedAnswer::Check(0x02, 0x3A, 0x00));
    l__Event.Reset();
    EXPECT_EQ(SendASPI32Command(&l__Srb), SS_ERR);
    EXPECT_TRUE(l__Event.IsSet());
    EXPECT_EQ(l__Srb.SRB_TargStat, STATUS_CHKCOND);
    EXPECT_EQ(l__Srb.SenseArea[2], 0x02);
    EXPECT_EQ(l__Srb.SenseArea[12], 0x3A);
}

TEST_F(AspiRequests, TimeoutsAreSetAndRead) {
    SRB_GetSetTimeouts l__Srb;
    std::memset(&l__Srb, 0, sizeof(l__Srb));
    l__Srb.SRB_Cmd = SC_GETSET_TIMEOUTS;
    EXPECT_EQ(SendASPI32Command(&l__Srb), SS_INVALID_SRB);  // neither get nor set
    l__Srb.SRB_Flags = SRB_DIR_OUT;
    l__Srb.SRB_Timeout = 108001;
    EXPECT_EQ(SendASPI32Command(&l__Srb), SS_INVALID_SRB);
    l__Srb.SRB_HaId = 0xFF;
    l__Srb.SRB_Target = 0xFF;
    l__Srb.SRB_Lun = 0xFF;
    l__Srb.SRB_Timeout = 240;
    EXPECT_EQ(SendASPI32Command(&l__Srb), SS_COMP);
    l__Srb.SRB_Flags = SRB_DIR_IN;
    EXPECT_EQ(SendASPI32Command(&l__Srb), SS_INVALID_SRB);  // no wild cards when reading
    l__Srb.SRB_HaId = 0;
    l__Srb.SRB_Target = 0;
    l__Srb.SRB_Lun = 0;
    l__Srb.SRB_Timeout = 0;
    EXPECT_EQ(SendASPI32Command(&l__Srb), SS_COMP);
    DWORD l__Timeout = l__Srb.SRB_Timeout;
    EXPECT_EQ(l__Timeout, 240u);
}

}  // namespace
