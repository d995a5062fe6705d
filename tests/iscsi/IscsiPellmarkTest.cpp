// The programs burning onto tgtd's blank DVD+R through TARNWICK_DRIVES=iscsi://...: the unit
// is found by its address, an ISO image lands in the backing file byte for byte, and a target
// that dies or is gone ends the program with a failure instead of a hang.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "PellmarkRun.h"
#include "TgtdTarget.h"

namespace {

using Clock = std::chrono::steady_clock;

// Programs that misbehave are ended after this long, so that a hang fails the test.
constexpr const char* WATCHDOG = "timeout 120";

class IscsiPellmark : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TGTD();
        REQUIRE_TOOL("genisoimage");
        m__Target = std::make_unique<TgtdTarget>(Backing());
        ASSERT_TRUE(m__Target->Started()) << m__Target->Failure();
    }
    std::string Backing() const { return m__Run.Dir() + "/tgtd-disc.img"; }
    PellmarkRun::Result Burn(const std::string& p__Image) {
        return m__Run.Pellmark({"0", "0", "0", "0", p__Image, "0", "1"}, m__Target->Url(), WATCHDOG);
    }
    static off_t SizeOf(const std::string& p__File) {
        struct stat l__Stat {};
        return ::stat(p__File.c_str(), &l__Stat) == 0 ? l__Stat.st_size : -1;
    }

    PellmarkRun m__Run;
    std::unique_ptr<TgtdTarget> m__Target;
};

TEST_F(IscsiPellmark, FindDeviceListsTheUnitByItsAddress) {
    std::string l__Output;
    int l__int__Exit = PellmarkRun::Shell("TARNWICK_DRIVES='" + m__Target->Url() + "' " + WATCHDOG + " " +
                                              TARNWICK_BINARY_DIR + "/tools/finddevice/tarnwick-finddevice",
                                          &l__Output);
    EXPECT_EQ(l__int__Exit, 0) << l__Output;
    EXPECT_NE(l__Output.find(":0:0:0  " + m__Target->Url() + "\n"), std::string::npos) << l__Output;
}

TEST_F(IscsiPellmark, BurnsAnIsoImageByteForByte) {
    const std::string l__Image = m__Run.MakeIso("image.iso", 3 * 1024 * 1024 + 777);
    PellmarkRun::Result l__Result = Burn(l__Image);
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out << l__Result.m__Err;
    EXPECT_NE(l__Result.m__Out.find("Pellmark:main(): Closing session... OK!"), std::string::npos) << l__Result.m__Out;
    EXPECT_NE(l__Result.m__Out.find("EXITing with success"), std::string::npos);
    std::vector<uint8_t> l__Wanted = PellmarkRun::ReadFile(l__Image);
    std::vector<uint8_t> l__Backing = PellmarkRun::ReadFile(Backing());
    ASSERT_GE(l__Backing.size(), l__Wanted.size());
    EXPECT_TRUE(std::equal(l__Wanted.begin(), l__Wanted.end(), l__Backing.begin())) << "the backing file differs";
}

TEST_F(IscsiPellmark, TargetKilledInTheMiddleOfABurnEndsPellmarkWithAFailure) {
    const std::string l__Image = m__Run.MakeIso("big.iso", 32u * 1024 * 1024);
    std::future<PellmarkRun::Result> l__Burn = std::async(std::launch::async, [&] { return Burn(l__Image); });
    // Killed once a good part of the image has reached the backing file.
    bool l__bool__Killed = false;
    for (Clock::time_point l__Give = Clock::now() + std::chrono::seconds(120); Clock::now() < l__Give;) {
        if (SizeOf(Backing()) > 4 * 1024 * 1024) {
            m__Target->Kill();
            l__bool__Killed = true;
            break;
        }
        if (l__Burn.wait_for(std::chrono::milliseconds(2)) == std::future_status::ready) break;
    }
    ASSERT_TRUE(l__bool__Killed) << "the burn ended before the target could be killed";
    Clock::time_point l__Killed = Clock::now();
    ASSERT_EQ(l__Burn.wait_for(std::chrono::seconds(60)), std::future_status::ready) << "Pellmark hangs";
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - l__Killed).count(), 60.0);
    PellmarkRun::Result l__Result = l__Burn.get();
    EXPECT_EQ(l__Result.m__Exit, 31) << l__Result.m__Out;
    EXPECT_NE(l__Result.m__Out.find("Pellmark:main(): Tarnwick_CdvdBurnerGrabber_Pellmark() failed, exception 8, status 31, "
                                    "text 'CTarnwick_ScsiTransportASPI::ExecuteCDB(): Command failed!!!'"),
              std::string::npos)
        << l__Result.m__Out;
    EXPECT_NE(l__Result.m__Out.find("EXITing with failure"), std::string::npos);
    EXPECT_LT(SizeOf(Backing()), SizeOf(l__Image));
    if (TARNWICK_TRACE) {
        // The failed command in the trace: a WRITE(10) that lost its connection.
        EXPECT_NE(l__Result.m__Err.find("CDB dump: 0x2A"), std::string::npos);
    }
}

TEST_F(IscsiPellmark, TargetGoneBeforeTheRunIsNamedWithTheCause) {
    const std::string l__Image = m__Run.MakeIso("image.iso", 64 * 1024);
    m__Target->Kill();
    Clock::time_point l__Start = Clock::now();
    PellmarkRun::Result l__Result = Burn(l__Image);
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - l__Start).count(), 30.0);
    EXPECT_NE(l__Result.m__Exit, 0);
    EXPECT_NE(l__Result.m__Err.find("Tarnwick: drive '" + m__Target->Url() + "' skipped: cannot log in to " +
                                    m__Target->Portal() + ": "),
              std::string::npos)
        << l__Result.m__Err;
    EXPECT_NE(l__Result.m__Err.find("Connection refused"), std::string::npos) << l__Result.m__Err;
    EXPECT_NE(l__Result.m__Out.find("EXITing with failure"), std::string::npos) << l__Result.m__Out;
}

}  // namespace
