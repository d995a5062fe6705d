#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "AspiHostAdapterTable.h"
#include "FakeClock.h"
#include "ScriptedBackend.h"
#include "TarnwickI_Started.h"
#include "TraceCapture.h"
#include "tarnwick.h"

extern "C" int TarnwickTest_CallFlatFunctionsFromC(void);

namespace {

struct Found {
    std::vector<DEVICE_ADDRESS> m__Addresses;
    std::vector<void*> m__Contexts;
};

void OnFound(ULONG p__Reason, PVOID p__Context, PVOID p__Parameter1, PVOID p__Parameter2) {
    auto* l__Found = static_cast<Found*>(p__Context);
    EXPECT_EQ(p__Reason, static_cast<ULONG>(DEVICE_FOUND));
    EXPECT_EQ(p__Parameter2, nullptr);
    l__Found->m__Addresses.push_back(*static_cast<DEVICE_ADDRESS*>(p__Parameter1));
    l__Found->m__Contexts.push_back(p__Context);
}

TEST(StartUp, PublicHeadersWorkFromC) { EXPECT_EQ(TarnwickTest_CallFlatFunctionsFromC(), 0); }

TEST(StartUp, RepeatedStartAndStopDoNothingMore) {
    TraceCapture l__Capture;
    EXPECT_EQ(Tarnwick_DownShut(), 0u);  // without a start
    EXPECT_FALSE(TarnwickI_IsStarted());
    EXPECT_EQ(Tarnwick_UpStart(), 0u);
    EXPECT_EQ(Tarnwick_UpStart(), 0u);
    EXPECT_TRUE(TarnwickI_IsStarted());
    EXPECT_EQ(Tarnwick_GetVersion(), 0x20040814u);
    EXPECT_EQ(Tarnwick_DownShut(), 0u);
    EXPECT_EQ(Tarnwick_DownShut(), 0u);
    EXPECT_FALSE(TarnwickI_IsStarted());
    REQUIRE_TRACING();
    // The audio toolkit was started once, by the first start only.
    std::string l__Text = l__Capture.Text();
    size_t l__First = l__Text.find("Sonquill  Media Streaming Toolkit");
    ASSERT_NE(l__First, std::string::npos);
    EXPECT_EQ(l__Text.find("Sonquill  Media Streaming Toolkit", l__First + 1), std::string::npos);
}

class Discovery : public ::testing::Test {
protected:
    void TearDown() override { ScriptedBackend::UninstallAll(); }
    FakeClock m__Clock;
};

TEST_F(Discovery, FindsUnitsOfTheAskedTypeOnEveryPort) {
    auto l__Adapters = ScriptedBackend::InstallAdapters(2, 0x05);
    l__Adapters[0]->AddTarget(4, 0x00);  // a disk
    l__Adapters[1]->AddTarget(7, 0x05);
    Found l__Found;
    EXPECT_EQ(Tarnwick_FindDevice(0x05, FALSE, OnFound, &l__Found), 3u);
    ASSERT_EQ(l__Found.m__Addresses.size(), 3u);
    auto l__Is = [](const DEVICE_ADDRESS& a, UCHAR port, UCHAR target) {
        return a.m__UCHAR__IsValid == 1 && a.m__UCHAR__PortID == port && a.m__UCHAR__BusID == 0 &&
               a.m__UCHAR__TargetID == target && a.m__UCHAR__LUN == 0;
    };
    EXPECT_TRUE(l__Is(l__Found.m__Addresses[0], 0, 0));
    EXPECT_TRUE(l__Is(l__Found.m__Addresses[1], 1, 0));
    EXPECT_TRUE(l__Is(l__Found.m__Addresses[2], 1, 7));
    EXPECT_EQ(l__Found.m__Contexts[0], &l__Found);
    // Every target 0..62 of each port was asked, at LUN 0.
    EXPECT_EQ(l__Adapters[0]->CountOpcode(0x12), 63u);
    for (const ScriptedCommand& c : l__Adapters[1]->Commands()) EXPECT_EQ(c.m__Lun, 0);

    Found l__Any;
    EXPECT_EQ(Tarnwick_FindDevice(0xFF, FALSE, OnFound, &l__Any), 4u);
    EXPECT_TRUE(l__Is(l__Any.m__Addresses[1], 0, 4));
}

TEST_F(Discovery, StopAtFirstReportsOnce) {
    auto l__Adapters = ScriptedBackend::InstallAdapters(2, 0x05);
    Found l__Found;
    EXPECT_EQ(Tarnwick_FindDevice(0x05, TRUE, OnFound, &l__Found), 1u);
    EXPECT_EQ(l__Found.m__Addresses.size(), 1u);
    EXPECT_EQ(l__Adapters[1]->CountOpcode(0x12), 0u);
    Found l__None;
    EXPECT_EQ(Tarnwick_FindDevice(0x01, TRUE, OnFound, &l__None), 0u);
    EXPECT_EQ(Tarnwick_FindDevice(0x01, FALSE, OnFound, &l__None), 0u);
    EXPECT_TRUE(l__None.m__Addresses.empty());
}

TEST_F(Discovery, WithoutACallbackUnitsAreOnlyCounted) {
    auto l__Adapters = ScriptedBackend::InstallAdapters(2, 0x05);
    l__Adapters[1]->AddTarget(3, 0x05);
    EXPECT_EQ(Tarnwick_FindDevice(0x05, FALSE, nullptr, nullptr), 3u);
    EXPECT_EQ(Tarnwick_FindDevice(0x05, TRUE, nullptr, nullptr), 1u);
}

// A callback that throws ends the scan with the units counted so far; nothing unwinds
// into the caller.
void FailsOnSecondUnit(ULONG, PVOID p__Context, PVOID, PVOID) {
    if (++*static_cast<int*>(p__Context) == 2) throw std::bad_alloc();
}

TEST_F(Discovery, ThrowingCallbackEndsTheScan) {
    auto l__Adapters = ScriptedBackend::InstallAdapters(1, 0x05);
    l__Adapters[0]->AddTarget(5, 0x05);
    l__Adapters[0]->AddTarget(9, 0x05);
    int l__Calls = 0;
    EXPECT_EQ(Tarnwick_FindDevice(0x05, FALSE, FailsOnSecondUnit, &l__Calls), 1u);
    EXPECT_EQ(l__Calls, 2);
}

TEST_F(Discovery, PendingUnitIsWaitedForTenPollsThenSkipped) {
    ScriptedBackend& l__Drive = ScriptedBackend::InstallSingle();
    l__Drive.AddTarget(1, 0x05);
    l__Drive.AddTarget(2, 0x05);
    // Target 0 never answers; target 1 answers on the 10th poll; target 2 answers at once.
    l__Drive.Queue(0x12, ScriptedAnswer::PendingForever());
    l__Drive.Queue(0x12, ScriptedAnswer::PendingOnDemand());
    uint64_t l__FirstSleepOfTarget1 = 11;
    m__Clock.OnSleep([&](uint64_t p__Sleeps) {
        if (p__Sleeps == l__FirstSleepOfTarget1 + 9) l__Drive.CompletePending();
    });
    Found l__Found;
    EXPECT_EQ(Tarnwick_FindDevice(0x05, FALSE, OnFound, &l__Found), 2u);
    ASSERT_EQ(l__Found.m__Addresses.size(), 2u);
    EXPECT_EQ(l__Found.m__Addresses[0].m__UCHAR__TargetID, 1);
    EXPECT_EQ(l__Found.m__Addresses[1].m__UCHAR__TargetID, 2);
    EXPECT_EQ(m__Clock.SleepCount(), 20u);  // ten polls for each pending unit
    m__Clock.OnSleep(nullptr);
}

TEST_F(Discovery, NoAdaptersGivesNoUnits) {
    ScriptedBackend::UninstallAll();
    TraceCapture l__Capture;
    Found l__Found;
    EXPECT_EQ(Tarnwick_FindDevice(0xFF, FALSE, OnFound, &l__Found), 0u);
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Capture.Contains(
        "\nTarnwick:Tarnwick_FindDevice(): GetASPI32SupportInfo() failed, ASPI status 0xE8!!!\n"));
}

TEST_F(Discovery, DeviceNameByAddress) {
    ScriptedBackend& l__Drive = ScriptedBackend::InstallSingle();
    char l__Name[260];
    std::memset(l__Name, 'x', sizeof(l__Name));
    TraceCapture l__Capture;
    EXPECT_EQ(Tarnwick_GetDeviceNameByDeviceAddress(0, 0, 0, 0, l__Name), 17u);
    EXPECT_EQ(l__Name[0], 'x');
    l__Drive.SetSymbolicName(std::string("virtual:/tmp/disc"));
    EXPECT_EQ(Tarnwick_GetDeviceNameByDeviceAddress(0, 9, 0, 3, l__Name), 0u);
    EXPECT_STREQ(l__Name, "virtual:/tmp/disc");
    EXPECT_EQ(Tarnwick_GetDeviceNameByDeviceAddress(1, 0, 0, 0, l__Name), 17u);  // no such port
    // A name that fills the whole field arrives terminated within 260 bytes.
    l__Drive.SetSymbolicName(std::string(400, 'n'));
    EXPECT_EQ(Tarnwick_GetDeviceNameByDeviceAddress(0, 0, 0, 0, l__Name), 0u);
    EXPECT_EQ(std::strlen(l__Name), 259u);
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Capture.Contains("\nCTarnwick:Tarnwick_GetDeviceNameByDeviceAddress(): SendASPI32Command( "
                                    "SC_GET_SYMBOLIC_NAME ) for port ID 0 and target ID 0 failed with ASPI status "
                                    "0x82!!!\n"));
}

}  // namespace
