// Faults set with tarnwick-vdisc while the drive is in use, Immed polling, and the tool's own behaviour.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>

#include "VdiscTestDrive.h"

namespace {

int Tool(const std::string& p__string__Arguments) { return VdiscTestDrive::Shell(std::string(TARNWICK_VDISC_TOOL) + " " + p__string__Arguments + " > /dev/null 2>&1"); }

std::string ToolOutput(const std::string& p__string__Arguments, int& p__int__Status) {
    std::string l__string__Out;
    FILE* l__File = popen((std::string(TARNWICK_VDISC_TOOL) + " " + p__string__Arguments + " 2>&1").c_str(), "r");
    char l__CHAR__Buffer[4096];
    size_t l__size_t__Got;
    while ((l__size_t__Got = fread(l__CHAR__Buffer, 1, sizeof(l__CHAR__Buffer), l__File)) > 0) l__string__Out.append(l__CHAR__Buffer, l__size_t__Got);
    int l__int__Status = pclose(l__File);
    p__int__Status = WIFEXITED(l__int__Status) ? WEXITSTATUS(l__int__Status) : -1;
    return l__string__Out;
}

TEST(VdiscFaults, EveryFaultIsSeenAsItsSenseData) {
    VdiscTestDrive l__Drive(VdiscMediumKind::DvdPlusR);
    ASSERT_TRUE(l__Drive.In({0x00, 0, 0, 0, 0, 0}, 0).Ok());  // the drive is open before the faults are set
    const std::string l__string__File = "'" + l__Drive.File() + "'";

    // A WRITE over the bad block records what precedes it and fails with MEDIUM ERROR 0C/00.
    ASSERT_EQ(Tool("fault " + l__string__File + " --write-fail 10"), 0);
    EXPECT_TRUE(l__Drive.Write(0, 30, std::vector<uint8_t>(30 * 2048, 1)).Is(0x03, 0x0C, 0x00));
    EXPECT_EQ(VdiscTestDrive::Be32(l__Drive.TrackInfo(1).m__Data, 12), 10u);
    ASSERT_EQ(Tool("fault " + l__string__File + " --clear"), 0);
    ASSERT_TRUE(l__Drive.Write(10, 30, std::vector<uint8_t>(30 * 2048, 2)).Ok());

    // Reads of an LBA fail a given number of times, or always.
    ASSERT_EQ(Tool("fault " + l__string__File + " --read-fail 5:2 --read-fail 7"), 0);
    EXPECT_TRUE(l__Drive.Read(5, 1).Is(0x03, 0x11, 0x00));
    EXPECT_TRUE(l__Drive.Read(4, 2).Is(0x03, 0x11, 0x00));
    EXPECT_TRUE(l__Drive.Read(5, 1).Ok());
    for (int l__int__I = 0; l__int__I < 3; ++l__int__I) EXPECT_TRUE(l__Drive.Read(7, 1).Is(0x03, 0x11, 0x00));
    EXPECT_TRUE(l__Drive.In({0xBE, 0, 0, 0, 0, 7, 0, 0, 1, 0x10, 0, 0}, 2048).Is(0x05, 0x64, 0x00));  // READ CD is not for DVD

    // BUSY, then NOT READY, for the next N commands; then one UNIT ATTENTION.
    ASSERT_EQ(Tool("fault " + l__string__File + " --clear --busy 2 --not-ready 1 --unit-attention"), 0);
    for (int l__int__I = 0; l__int__I < 2; ++l__int__I) {
        VdiscTestDrive::Result l__Busy = l__Drive.In({0x00, 0, 0, 0, 0, 0}, 0);
        EXPECT_EQ(l__Busy.m__ULONG__Status, static_cast<uint32_t>(SS_ERR));
        EXPECT_EQ(l__Busy.m__UCHAR__TargetStatus, STATUS_BUSY);
    }
    EXPECT_TRUE(l__Drive.In({0x00, 0, 0, 0, 0, 0}, 0).Is(0x02, 0x04, 0x01));
    EXPECT_TRUE(l__Drive.In({0x00, 0, 0, 0, 0, 0}, 0).Is(0x06, 0x28, 0x00));
    EXPECT_TRUE(l__Drive.In({0x00, 0, 0, 0, 0, 0}, 0).Ok());

    // No medium: NOT READY 3A, and GET CONFIGURATION reports no current profile.
    ASSERT_EQ(Tool("fault " + l__string__File + " --no-medium"), 0);
    EXPECT_TRUE(l__Drive.In({0x00, 0, 0, 0, 0, 0}, 0).Is(0x02, 0x3A, 0x01));
    EXPECT_TRUE(l__Drive.DiscInfo().Is(0x02, 0x3A, 0x01));
    EXPECT_EQ(l__Drive.CurrentProfile(), 0x0000);
    ASSERT_EQ(Tool("fault " + l__string__File + " --clear"), 0);
    EXPECT_EQ(l__Drive.CurrentProfile(), 0x001B);

    // The faults live in the disc file: a new drive object still sees them.
    ASSERT_EQ(Tool("fault " + l__string__File + " --not-ready 1"), 0);
    l__Drive.Reopen();
    EXPECT_TRUE(l__Drive.In({0x00, 0, 0, 0, 0, 0}, 0).Is(0x02, 0x04, 0x01));
}

TEST(VdiscFaults, ImmedOperationsAnswerNotReadyForTheConfiguredPolls) {
    VdiscTestDrive l__Drive(VdiscMediumKind::CdRw);
    ASSERT_EQ(Tool("fault '" + l__Drive.File() + "' --immed-polls 3"), 0);
    ASSERT_TRUE(l__Drive.SetWriteParameters(1, 8, 4, 3, 0).Ok());
    ASSERT_TRUE(l__Drive.Write(0, 1, std::vector<uint8_t>(2048, 1)).Ok());
    ASSERT_TRUE(l__Drive.Sync(true).Ok());
    EXPECT_TRUE(l__Drive.DiscInfo().Is(0x02, 0x04, 0x08));
    // REQUEST SENSE tells the same, with progress.
    VdiscTestDrive::Result l__Sense = l__Drive.In({0x03, 0, 0, 0, 18, 0}, 18);
    ASSERT_TRUE(l__Sense.Ok());
    EXPECT_EQ(l__Sense.m__Data[2] & 0x0F, 0x02);
    EXPECT_EQ(l__Sense.m__Data[12], 0x04);
    EXPECT_EQ(l__Sense.m__Data[13], 0x08);
    EXPECT_NE(l__Sense.m__Data[15] & 0x80, 0);
    EXPECT_TRUE(l__Drive.In({0x00, 0, 0, 0, 0, 0}, 0).Is(0x02, 0x04, 0x08));
    EXPECT_TRUE(l__Drive.In({0x00, 0, 0, 0, 0, 0}, 0).Ok());
    // Closing and blanking likewise; INQUIRY always answers.
    ASSERT_TRUE(l__Drive.Close(2, 0, true).Ok());
    EXPECT_TRUE(l__Drive.In({0x12, 0, 0, 0, 96, 0}, 96).Ok());
    for (int l__int__I = 0; l__int__I < 3; ++l__int__I) EXPECT_TRUE(l__Drive.In({0x00, 0, 0, 0, 0, 0}, 0).Is(0x02, 0x04, 0x08));
    ASSERT_TRUE(l__Drive.In({0x00, 0, 0, 0, 0, 0}, 0).Ok());
    ASSERT_TRUE(l__Drive.In({0xA1, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0).Ok());
    for (int l__int__I = 0; l__int__I < 3; ++l__int__I) EXPECT_TRUE(l__Drive.In({0x00, 0, 0, 0, 0, 0}, 0).Is(0x02, 0x04, 0x07));
    EXPECT_EQ(l__Drive.DiscInfo().m__Data[2] & 3, 0);
    // With no polls configured the answer is immediate.
    ASSERT_EQ(Tool("fault '" + l__Drive.File() + "' --immed-polls 0"), 0);
    ASSERT_TRUE(l__Drive.In({0xA1, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0).Ok());
    EXPECT_TRUE(l__Drive.In({0x00, 0, 0, 0, 0, 0}, 0).Ok());
}

TEST(VdiscFaults, EjectAndLoadAndPrevent) {
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
    ASSERT_TRUE(l__Drive.In({0x1E, 0, 0, 0, 1, 0}, 0).Ok());
    EXPECT_TRUE(l__Drive.In({0x1B, 0, 0, 0, 0x02, 0}, 0).Is(0x05, 0x53, 0x02));
    ASSERT_TRUE(l__Drive.In({0x1E, 0, 0, 0, 0, 0}, 0).Ok());
    ASSERT_TRUE(l__Drive.In({0x1B, 0, 0, 0, 0x02, 0}, 0).Ok());
    EXPECT_TRUE(l__Drive.In({0x00, 0, 0, 0, 0, 0}, 0).Is(0x02, 0x3A, 0x02));
    VdiscTestDrive::Result l__Event = l__Drive.In({0x4A, 0x01, 0, 0, 0x10, 0, 0, 0, 8, 0}, 8);
    ASSERT_TRUE(l__Event.Ok());
    EXPECT_EQ(l__Event.m__Data[5], 0x01);  // door open, no medium
    ASSERT_TRUE(l__Drive.In({0x1B, 0x01, 0, 0, 0x03, 0}, 0).Ok());
    EXPECT_TRUE(l__Drive.In({0x00, 0, 0, 0, 0, 0}, 0).Ok());
    EXPECT_TRUE(l__Drive.In({0xBD, 0, 0, 0, 0, 0, 0, 0, 0, 8, 0, 0}, 8).Ok());
}

TEST(VdiscFaults, RefusedCommandsCloseAndWriteTypes) {
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
    const std::string l__string__File = "'" + l__Drive.File() + "'";
    ASSERT_EQ(Tool("fault " + l__string__File + " --refuse 0xBB --refuse 0x54 --refuse-immed-close --refuse-write-type 1"), 0);
    // A command the drive lacks, whatever its fields; INQUIRY is never refused.
    EXPECT_TRUE(l__Drive.In({0xBB, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}, 0).Is(0x05, 0x20, 0x00));
    EXPECT_TRUE(l__Drive.In({0x54, 0x01, 0, 0, 0, 0, 0, 0, 0, 0}, 0).Is(0x05, 0x20, 0x00));
    EXPECT_TRUE(l__Drive.In({0x12, 0, 0, 0, 36, 0}, 36).Ok());
    // Track-At-Once is refused in the write parameters; Session-At-Once still goes.
    EXPECT_TRUE(l__Drive.SetWriteParameters(1, 8, 4, 3, 0).Is(0x05, 0x26, 0x00));
    ASSERT_TRUE(l__Drive.SetWriteParameters(2, 8, 4, 3, 0).Ok());
    int l__int__Status = 0;
    std::string l__string__Info = ToolOutput("info " + l__string__File, l__int__Status);
    EXPECT_NE(l__string__Info.find("refuse 0xBB; refuse 0x54; refuse-immed-close; refuse-write-type 1;"), std::string::npos) << l__string__Info;
    // The immediate close is refused, the synchronous one closes.
    ASSERT_EQ(Tool("fault " + l__string__File + " --clear --refuse-immed-close"), 0);
    ASSERT_TRUE(l__Drive.SetWriteParameters(1, 8, 4, 3, 0).Ok());
    ASSERT_TRUE(l__Drive.Write(0, 1, std::vector<uint8_t>(2048, 1)).Ok());
    ASSERT_TRUE(l__Drive.Sync().Ok());
    EXPECT_TRUE(l__Drive.Close(2, 0, true).Is(0x05, 0x24, 0x00));
    EXPECT_TRUE(l__Drive.Close(2, 0, false).Ok());
    EXPECT_TRUE(l__Drive.In({0xBB, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}, 0).Ok());
}

TEST(VdiscFaults, WriteSpeedPacesWritesAndStaysWithTheDrive) {
    VdiscTestDrive l__Drive(VdiscMediumKind::DvdPlusR);
    const std::string l__string__File = "'" + l__Drive.File() + "'";
    // 1,000 KB/s: 30 writes of 61,440 bytes take at least 1.84 s.
    ASSERT_EQ(Tool("blank " + l__string__File + " --media dvdplusr --write-speed 1000"), 0);
    l__Drive.Reopen();
    const auto l__Start = std::chrono::steady_clock::now();
    for (int32_t l__LONG__I = 0; l__LONG__I < 30; ++l__LONG__I)
        ASSERT_TRUE(l__Drive.Write(l__LONG__I * 30, 30, std::vector<uint8_t>(30 * 2048, 3)).Ok());
    const double l__double__Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - l__Start).count();
    EXPECT_GE(l__double__Seconds, 1.8);
    EXPECT_LT(l__double__Seconds, 20.0);
    // A new disc in the same drive keeps the speed, until told otherwise.
    ASSERT_EQ(Tool("blank " + l__string__File + " --media cdr"), 0);
    int l__int__Status = 0;
    EXPECT_NE(ToolOutput("info " + l__string__File, l__int__Status).find(", writes at 1000 KB/s"), std::string::npos);
    ASSERT_EQ(Tool("blank " + l__string__File + " --media cdr --write-speed 0"), 0);
    EXPECT_EQ(ToolOutput("info " + l__string__File, l__int__Status).find("writes at"), std::string::npos);
    EXPECT_NE(Tool("blank " + l__string__File + " --media cdr --write-speed fast"), 0);
}

TEST(VdiscFaults, CommandLogListsEveryCommandWithItsOutcome) {
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
    const std::string l__string__File = "'" + l__Drive.File() + "'";
    const std::string l__string__Log = l__Drive.Dir() + "/commands.log";
    ASSERT_EQ(Tool("blank " + l__string__File + " --media cdr --command-log '" + l__string__Log + "'"), 0);
    ASSERT_EQ(Tool("fault " + l__string__File + " --refuse 0xBB --busy 1"), 0);
    l__Drive.Reopen();
    EXPECT_EQ(l__Drive.In({0x00, 0, 0, 0, 0, 0}, 0).m__UCHAR__TargetStatus, STATUS_BUSY);
    EXPECT_TRUE(l__Drive.In({0xBB, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}, 0).Is(0x05, 0x20, 0x00));
    EXPECT_TRUE(l__Drive.In({0x1B, 0, 0, 0, 0x02, 0}, 0).Ok());
    std::ifstream l__Stream(l__string__Log);
    std::string l__string__Text((std::istreambuf_iterator<char>(l__Stream)), std::istreambuf_iterator<char>());
    EXPECT_EQ(l__string__Text,
              "00 00 00 00 00 00 BUSY\n"
              "BB 00 FF FF FF FF 00 00 00 00 00 00 CHECK 05/20/00\n"
              "1B 00 00 00 02 00 GOOD\n");
    int l__int__Status = 0;
    EXPECT_NE(ToolOutput("info " + l__string__File, l__int__Status).find(", logs commands to " + l__string__Log), std::string::npos);
}

TEST(VdiscTool, HelpErrorsAndInfo) {
    int l__int__Status = -1;
    std::string l__string__Help = ToolOutput("--help", l__int__Status);
    EXPECT_EQ(l__int__Status, 0);
    EXPECT_NE(l__string__Help.find("export FILE --cue OUT.cue"), std::string::npos);
    EXPECT_NE(Tool(""), 0);
    EXPECT_NE(Tool("info /nonexistent/disc"), 0);
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
    ASSERT_TRUE(l__Drive.In({0x00, 0, 0, 0, 0, 0}, 0).Ok());
    const std::string l__string__File = "'" + l__Drive.File() + "'";
    EXPECT_NE(Tool("blank " + l__string__File + " --media floppy"), 0);
    EXPECT_NE(Tool("blank " + l__string__File + " --media cdr --vendor WAYTOOLONGVENDOR"), 0);
    EXPECT_NE(Tool("fault " + l__string__File + " --busy many"), 0);
    EXPECT_NE(Tool("export " + l__string__File + " --track 1 '" + l__Drive.Dir() + "/x.iso'"), 0);  // nothing written yet
    ASSERT_EQ(Tool("blank " + l__string__File + " --media dvdplusr --product 'DVD+RW 9100' --page30"), 0);
    std::string l__string__Info = ToolOutput("info " + l__string__File, l__int__Status);
    EXPECT_EQ(l__int__Status, 0);
    EXPECT_NE(l__string__Info.find("DVD+R (profile 001Bh)"), std::string::npos);
    EXPECT_NE(l__string__Info.find("vendor 'TARNWICK', product 'DVD+RW 9100'"), std::string::npos);
    // The drive reports the new disc once, then presents it and its identity, with page 30h.
    EXPECT_TRUE(l__Drive.In({0x00, 0, 0, 0, 0, 0}, 0).Is(0x06, 0x28, 0x00));
    VdiscTestDrive::Result l__Inquiry = l__Drive.In({0x12, 0, 0, 0, 96, 0}, 96);
    EXPECT_EQ(std::string(l__Inquiry.m__Data.begin() + 16, l__Inquiry.m__Data.begin() + 27), "DVD+RW 9100");
    EXPECT_TRUE(l__Drive.In({0x5A, 0x08, 0x30, 0, 0, 0, 0, 0x10, 0x00, 0}, 4096).Ok());
    EXPECT_EQ(l__Drive.CurrentProfile(), 0x001B);
    // A drive that reports finalised write-once discs as read-only ones.
    ASSERT_EQ(Tool("blank " + l__string__File + " --media cdr --rom-when-finalised"), 0);
    EXPECT_TRUE(l__Drive.In({0x00, 0, 0, 0, 0, 0}, 0).Is(0x06, 0x28, 0x00));
    ASSERT_TRUE(l__Drive.SetWriteParameters(1, 8, 4, 0, 0).Ok());
    ASSERT_TRUE(l__Drive.Write(0, 1, std::vector<uint8_t>(2048, 1)).Ok());
    ASSERT_TRUE(l__Drive.Sync().Ok());
    EXPECT_EQ(l__Drive.CurrentProfile(), 0x0009);
    ASSERT_TRUE(l__Drive.Close(2, 0).Ok());
    EXPECT_EQ(l__Drive.CurrentProfile(), 0x0008);
}

}  // namespace
