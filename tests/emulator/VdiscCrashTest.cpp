// A writer killed in the middle of a write leaves a disc file that opens in a consistent, usable state.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "AspiHostAdapterTable.h"
#include "VdiscTestDrive.h"

namespace {

// Block contents tell their own LBA, so that a read shows which write they came from.
std::vector<uint8_t> Blocks(int32_t p__LONG__Lba, uint32_t p__ULONG__Count) {
    std::vector<uint8_t> l__Data(static_cast<size_t>(p__ULONG__Count) * 2048);
    for (uint32_t l__ULONG__I = 0; l__ULONG__I < p__ULONG__Count; ++l__ULONG__I)
        for (size_t l__size_t__J = 0; l__size_t__J < 2048; l__size_t__J += 4) {
            const uint32_t l__ULONG__Value = static_cast<uint32_t>(p__LONG__Lba) + l__ULONG__I;
            std::memcpy(l__Data.data() + l__ULONG__I * 2048 + l__size_t__J, &l__ULONG__Value, 4);
        }
    return l__Data;
}

uint64_t FileSize(const std::string& p__string__Path) {
    struct stat l__Stat {};
    return ::stat(p__string__Path.c_str(), &l__Stat) == 0 ? static_cast<uint64_t>(l__Stat.st_size) : 0;
}

// Checks what a killed writer left: whole writes only, each readable, and the disc writable on.
void ExpectUsable(VdiscTestDrive& p__Drive) {
    ASSERT_EQ(VdiscTestDrive::Shell(std::string(TARNWICK_VDISC_TOOL) + " info '" + p__Drive.File() + "' > /dev/null"), 0);
    p__Drive.Reopen();
    VdiscTestDrive::Result l__Track = p__Drive.TrackInfo(1);
    ASSERT_TRUE(l__Track.Ok());
    const int32_t l__LONG__Nwa = static_cast<int32_t>(VdiscTestDrive::Be32(l__Track.m__Data, 12));
    EXPECT_EQ(l__LONG__Nwa % 30, 0);
    ASSERT_GT(l__LONG__Nwa, 0);
    EXPECT_EQ(p__Drive.Read(l__LONG__Nwa - 30, 30).m__Data, Blocks(l__LONG__Nwa - 30, 30));
    EXPECT_EQ(p__Drive.Read(0, 1).m__Data, Blocks(0, 1));
    EXPECT_FALSE(p__Drive.Read(l__LONG__Nwa, 1).Ok());
    ASSERT_TRUE(p__Drive.Write(l__LONG__Nwa, 30, Blocks(l__LONG__Nwa, 30)).Ok());
    ASSERT_TRUE(p__Drive.Sync().Ok());
    ASSERT_TRUE(p__Drive.Close(1, 1).Ok());
    ASSERT_TRUE(p__Drive.Close(5, 0).Ok());
    EXPECT_EQ(p__Drive.DiscInfo().m__Data[2] & 3, 2);
    EXPECT_EQ(p__Drive.Read(l__LONG__Nwa, 30).m__Data, Blocks(l__LONG__Nwa, 30));
}

TEST(VdiscCrash, WriterKilledWithSigkillDuringA100MegabyteWrite) {
    VdiscTestDrive l__Drive(VdiscMediumKind::DvdPlusR);
    const uint32_t l__ULONG__Writes = 100u * 1024u * 1024u / 61440u;
    const pid_t l__pid_t__Child = fork();
    ASSERT_GE(l__pid_t__Child, 0);
    if (l__pid_t__Child == 0) {
        AspiHostAdapterTable::Instance().Reset();
        for (uint32_t l__ULONG__I = 0; l__ULONG__I < l__ULONG__Writes; ++l__ULONG__I) {
            const int32_t l__LONG__Lba = static_cast<int32_t>(l__ULONG__I * 30);
            if (!l__Drive.Write(l__LONG__Lba, 30, Blocks(l__LONG__Lba, 30)).Ok()) _exit(2);
            if (l__ULONG__I > 600) std::this_thread::sleep_for(std::chrono::microseconds(200));  // a recorder is slower than memory
        }
        _exit(0);
    }
    const auto l__Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (FileSize(l__Drive.File()) < 40u * 1024u * 1024u && std::chrono::steady_clock::now() < l__Deadline)
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    kill(l__pid_t__Child, SIGKILL);
    int l__int__Status = 0;
    waitpid(l__pid_t__Child, &l__int__Status, 0);
    ASSERT_TRUE(WIFSIGNALED(l__int__Status)) << "the writer ended before it could be killed";
    ExpectUsable(l__Drive);
}

TEST(VdiscCrash, TornLastRecordIsIgnoredAndCutOff) {
    VdiscTestDrive l__Drive(VdiscMediumKind::DvdPlusR);
    for (int32_t l__LONG__Lba = 0; l__LONG__Lba < 300; l__LONG__Lba += 30) ASSERT_TRUE(l__Drive.Write(l__LONG__Lba, 30, Blocks(l__LONG__Lba, 30)).Ok());
    l__Drive.Reopen();
    // Cut the file inside the last record, as a write stopped half-way leaves it.
    ASSERT_EQ(truncate(l__Drive.File().c_str(), static_cast<off_t>(FileSize(l__Drive.File()) - 5000)), 0);
    ExpectUsable(l__Drive);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Drive.TrackInfo(1).m__Data, 8), 0u);
    // The last whole write before the cut is still there; the torn one is gone.
    EXPECT_EQ(l__Drive.Read(269, 1).m__Data, Blocks(269, 1));
    EXPECT_EQ(l__Drive.Read(270, 1).m__Data, Blocks(270, 1));  // written again after the cut
}

}  // namespace
