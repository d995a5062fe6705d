// The burner-grabber's queries and controls against the virtual recorder, for every medium.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "CTarnwick_CdvdBurnerGrabber.h"
#include "FakeClock.h"
#include "RecorderUnderTest.h"
#include "TraceCapture.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Ignore(ULONG, PVOID, PVOID, PVOID) {}

std::unique_ptr<CTarnwick_CdvdBurnerGrabber> Open() {
    try {
        return std::make_unique<CTarnwick_CdvdBurnerGrabber>(Ignore, nullptr, 0, 0, 0, 0, 0);
    } catch (CTarnwick_Exception* l__Exception) {
        std::string l__Text = l__Exception ? l__Exception->GetExceptionText() : "NULL";
        delete l__Exception;
        ADD_FAILURE() << "the burner did not open: " << l__Text;
        return nullptr;
    }
}

struct Medium {
    const char* m__Name;
    ULONG m__DiscType;
};

const Medium MEDIA[] = {
    {"cdr", DISC_TYPE_CDR},           {"cdrw", DISC_TYPE_CDRW},           {"dvdr", DISC_TYPE_DVDR},
    {"dvdrw", DISC_TYPE_DVDRW_SR},    {"dvdrw-ro", DISC_TYPE_DVDRW_RO},   {"dvdplusr", DISC_TYPE_DVDPLUSR},
    {"dvdplusrw", DISC_TYPE_DVDPLUSRW}, {"dvdram", DISC_TYPE_DVDRAM},
};

TEST(BurnerOnRecorder, EveryMediumOpensAndReportsItsType) {
    FakeClock l__Clock;
    for (const Medium& l__Medium : MEDIA) {
        RecorderUnderTest l__Recorder(l__Medium.m__Name);
        auto l__Burner = Open();
        ASSERT_NE(l__Burner, nullptr) << l__Medium.m__Name;
        EXPECT_EQ(l__Burner->GetDiscTypeSafe(), l__Medium.m__DiscType) << l__Medium.m__Name;
        EXPECT_GT(l__Burner->GetBufferSize(), 0u);
        EXPECT_EQ(l__Burner->GetCacheManager()->GetCount(), 1092);
        BOOLEAN l__TAO = 9, l__SAO = 9, l__PQ = 9, l__PW = 9;
        l__Burner->ProbeSupportedWriteModes(&l__TAO, &l__SAO, &l__PQ, &l__PW);
        // The CD write types are accepted by the write parameters page only on CD; each
        // recorder answers by its medium, and the DVD-R rule keeps Track-At-Once.
        if (l__Medium.m__DiscType == DISC_TYPE_DVDR) {
            EXPECT_EQ(l__TAO, 1) << l__Medium.m__Name;
        }
        if (l__Medium.m__DiscType == DISC_TYPE_CDR || l__Medium.m__DiscType == DISC_TYPE_CDRW) {
            EXPECT_EQ(l__TAO, 1);
            EXPECT_EQ(l__SAO, 1);
            EXPECT_EQ(l__PQ, 1);
            EXPECT_EQ(l__PW, 1);
        }
    }
}

TEST(BurnerOnRecorder, ConstructorTracesWhatItFound) {
    FakeClock l__Clock;
    RecorderUnderTest l__Recorder("cdr", "--vendor VELMOR --product 'DVDRW 24X'");
    TraceCapture l__Capture;
    auto l__Burner = Open();
    ASSERT_NE(l__Burner, nullptr);
    REQUIRE_TRACING();
    std::string l__Text = l__Capture.Text();
    for (const char* l__Line : {"\nSCSI port inquiry dump:\n", "\nSCSI device inquiry data dump:\nDevice Type: 0x05",
                                "\nCDVD capabilities page dump:\nPage Code: 0x2A",
                                "Symbolic name is '",
                                "\nCTarnwick_ScsiDeviceGeneric::CTarnwick_ScsiDeviceGeneric(): 'VELMOR  ' - 'DVDRW 24X       ' - "}) {
        EXPECT_NE(l__Text.find(l__Line), std::string::npos) << l__Line;
    }
    EXPECT_EQ(l__Text.find("does not support recording"), std::string::npos);
}

TEST(BurnerOnRecorder, TrackInformationOnDvdRAsksTrackOneAndDvdPlusRwIsBuilt) {
    FakeClock l__Clock;
    {
        RecorderUnderTest l__Recorder("dvdr");
        auto l__Burner = Open();
        l__Recorder.Log().ClearCommands();
        Bytes l__Buffer(4096, 0);
        l__Burner->GetTrackInformation(255, l__Buffer.data(), 4096);
        auto l__Commands = l__Recorder.Log().Commands();
        ASSERT_FALSE(l__Commands.empty());
        EXPECT_EQ(l__Commands.back().m__Cdb, (Bytes{0x52, 0x01, 0, 0, 0, 1, 0, 0x10, 0x00, 0}));
        EXPECT_EQ(l__Buffer[6] & 0x40, 0x40);  // blank
        EXPECT_EQ(l__Buffer[2], 1);
    }
    {
        RecorderUnderTest l__Recorder("dvdplusrw");
        auto l__Burner = Open();
        l__Recorder.Log().ClearCommands();
        Bytes l__Buffer(4096, 0);
        l__Burner->GetTrackInformation(255, l__Buffer.data(), 4096);
        EXPECT_EQ(l__Recorder.Log().CountOpcode(0x52), 0u);
        EXPECT_EQ(l__Recorder.Log().CountOpcode(0x25), 1u);
        // Unformatted: READ CAPACITY reports last LBA 0, so no free blocks.
        EXPECT_EQ(Bytes(l__Buffer.begin(), l__Buffer.begin() + 8), (Bytes{0x00, 0x18, 1, 1, 0, 0, 0x41, 0x01}));
        EXPECT_EQ(Bytes(l__Buffer.begin() + 16, l__Buffer.begin() + 20), (Bytes{0, 0, 0, 0}));
    }
}

TEST(BurnerOnRecorder, BufferUnderrunProtectionWithAndWithoutVendorPage) {
    FakeClock l__Clock;
    {
        RecorderUnderTest l__Recorder("cdr");
        auto l__Burner = Open();
        BOOLEAN l__Enabled = 9, l__Supported = 9;
        l__Burner->SetBUP(0);
        EXPECT_EQ(l__Burner->GetBUPFlag(), 0);
        l__Burner->GetBUP(&l__Enabled, &l__Supported);
        EXPECT_EQ(l__Supported, 1);
        EXPECT_EQ(l__Enabled, 0);
        l__Burner->SetBUP(1);
        EXPECT_EQ(l__Burner->GetBUPFlag(), 1);
        l__Burner->GetBUP(&l__Enabled, &l__Supported);
        EXPECT_EQ(l__Enabled, 1);
    }
    for (const char* l__Vendor : {"PLEXTOR", "TEAC"}) {
        RecorderUnderTest l__Recorder("cdr", std::string("--page30 --vendor ") + l__Vendor);
        auto l__Burner = Open();
        l__Burner->SetBUP(1);
        BOOLEAN l__Enabled = 0, l__Supported = 0;
        l__Burner->GetBUP(&l__Enabled, &l__Supported);
        EXPECT_EQ(l__Enabled, 1) << l__Vendor;
        EXPECT_EQ(l__Burner->GetBUPFlag(), std::string(l__Vendor) == "PLEXTOR" ? 1 : 0) << l__Vendor;
    }
}

TEST(BurnerOnRecorder, SynchronizeCacheQuirksAndEject) {
    FakeClock l__Clock;
    struct Case {
        const char* m__Options;
        uint8_t m__SyncByte1;
        bool m__DiscInformation;
    } const l__Cases[] = {
        {"", 0x02, true},
        {"--vendor TEAC --product CD-W56S", 0x00, true},
        {"--vendor MITSUMI --product CR-4802TE", 0x00, true},
        {"--vendor Memorex --product 'Twelve MAXX'", 0x00, true},
        {"--vendor PHILIPS --product CDD5301", 0x02, false},
    };
    for (const Case& l__Case : l__Cases) {
        RecorderUnderTest l__Recorder("cdr", l__Case.m__Options);
        auto l__Burner = Open();
        l__Recorder.Log().ClearCommands();
        l__Burner->SynchronizeCache();
        auto l__Commands = l__Recorder.Log().Commands();
        auto l__Sync = std::find_if(l__Commands.begin(), l__Commands.end(), [](auto& c) { return c.m__Cdb[0] == 0x35; });
        ASSERT_NE(l__Sync, l__Commands.end()) << l__Case.m__Options;
        EXPECT_EQ(l__Sync->m__Cdb[1], l__Case.m__SyncByte1) << l__Case.m__Options;
        EXPECT_EQ(l__Recorder.Log().CountOpcode(0x51) > 0, l__Case.m__DiscInformation) << l__Case.m__Options;
    }
    {
        RecorderUnderTest l__Recorder("cdr", "--vendor MITSUMI --product CR-4802TE");
        auto l__Burner = Open();
        l__Recorder.Log().ClearCommands();
        l__Burner->Eject();
        EXPECT_EQ(l__Recorder.Log().Opcodes(), (Bytes{0x5A, 0x55, 0x5A, 0x1B}));
        EXPECT_EQ(l__Recorder.Log().Commands().back().m__Cdb, (Bytes{0x1B, 0x01, 0, 0, 0x02, 0}));
    }
    {
        RecorderUnderTest l__Recorder("cdr");
        auto l__Burner = Open();
        l__Recorder.Log().ClearCommands();
        l__Burner->Eject();
        EXPECT_EQ(l__Recorder.Log().Opcodes(), (Bytes{0x1B}));
    }
}

TEST(BurnerOnRecorder, DeviceCapabilitiesAndSpeeds) {
    FakeClock l__Clock;
    RecorderUnderTest l__Recorder("dvdr");
    auto l__Burner = Open();
    BOOLEAN f[10];
    l__Burner->GetDeviceCapabilities(&f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6], &f[7], &f[8], &f[9]);
    EXPECT_EQ(f[6] | f[8], 1);  // writes CD-R or DVD-R
    LONG l__CurrentRead = 0, l__MaximumRead = 0, l__CurrentWrite = 0, l__MaximumWrite = 0;
    l__Burner->SetSpeeds(0xFFFF, 0xFFFF);
    l__Burner->GetCdvdSpeeds(&l__CurrentRead, &l__MaximumRead, &l__CurrentWrite, &l__MaximumWrite);
    EXPECT_GT(l__MaximumWrite, 0);
    EXPECT_LE(l__CurrentWrite, l__MaximumWrite);
    BOOLEAN l__RWKnown = 0, l__RKnown = 0, l__RWWritable = 0, l__RWritable = 0;
    l__Burner->GetSupportedMediaFormatsEx(&l__RWKnown, &l__RKnown, &l__RWWritable, &l__RWritable);
    EXPECT_EQ(l__RWKnown, 1);
    EXPECT_EQ(l__RKnown, 1);
}

}  // namespace
