#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <map>
#include <memory>
#include <vector>

#include "CTarnwick_CdvdBurnerGrabber.h"
#include "FakeClock.h"
#include "ModePageDrive.h"
#include "ScriptedBackend.h"
#include "TraceCapture.h"

namespace {

using Bytes = std::vector<uint8_t>;

void IgnoreCallback(ULONG, PVOID, PVOID, PVOID) {}

class BurnerGrabber : public ModePageDriveTest {
protected:
    std::unique_ptr<CTarnwick_CdvdBurnerGrabber> Make(ULONG p__CacheMB = 0) {
        auto l__Burner = std::make_unique<CTarnwick_CdvdBurnerGrabber>(IgnoreCallback, nullptr, 0, 0, 0, 0, p__CacheMB);
        m__Drive->ClearCommands();
        return l__Burner;
    }
    std::vector<uint8_t> Opcodes() {
        std::vector<uint8_t> l__Opcodes;
        for (const ScriptedCommand& c : m__Drive->Commands()) l__Opcodes.push_back(c.m__Cdb[0]);
        return l__Opcodes;
    }

};

TEST_F(BurnerGrabber, CacheGeometry) {
    auto l__Burner = Make(0);
    EXPECT_EQ(l__Burner->GetCacheSize(), 64LL * 1048576);
    EXPECT_EQ(l__Burner->GetCacheManager()->GetCount(), 1092);
    EXPECT_EQ(l__Burner->GetCacheManager()->GetBlockSize(), 61440u);
    EXPECT_EQ(l__Burner->GetLastWriteMode(), WRITE_MODE_TAO);
    EXPECT_EQ(l__Burner->GetCancelFlag(), 0);
    EXPECT_EQ(l__Burner->GetBUPFlag(), 0);

    TraceCapture l__Capture;
    m__Pages->m__Pages[0x2A][12] = 0x10;  // 4 MB drive buffer: a 1 MB cache becomes 8 MB
    auto l__Small = Make(1);
    EXPECT_EQ(l__Small->GetCacheSize(), 8LL * 1048576);
    EXPECT_EQ(l__Small->GetCacheManager()->GetCount(), 136);
    auto l__Huge = Make(0xFFFFFFFFu);  // far beyond the pool: 2048 blocks, no overflow
    EXPECT_EQ(l__Huge->GetCacheManager()->GetCount(), 2048);
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Capture.Contains(
        "\nCTarnwick_CdvdBurnerGrabber::CTarnwick_CdvdBurnerGrabber(): Cache size updated to 8388608 UCHARs\n"));
}

// A cache larger than the pool: the manager traces the count the burner asked for.
TEST_F(BurnerGrabber, CacheBeyondThePoolTracesTheCountAsked) {
    TraceCapture l__Capture;
    auto l__Burner = Make(200);  // 209,715,200 / 61,440 = 3413 blocks asked
    EXPECT_EQ(l__Burner->GetCacheManager()->GetCount(), 2048);
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Capture.Contains(
        "\nCTarnwick_CacheManager::CTarnwick_CacheManager(): Passed number of cache objects 3413 truncated to 2048\n"))
        << l__Capture.Text();
}

TEST(CacheManager, CountsAreBoundedAndBlocksCycle) {
    TraceCapture l__Capture;
    CTarnwick_CacheManager l__Big(3000, 512);
    EXPECT_EQ(l__Big.GetCount(), 2048);
    CTarnwick_CacheManager l__Negative(-1, 512);
    EXPECT_EQ(l__Negative.GetCount(), 2048);
    CTarnwick_CacheManager l__Pool(3, 64);
    std::vector<CTarnwick_CacheObject*> l__Taken;
    while (auto* l__Object = static_cast<CTarnwick_CacheObject*>(l__Pool.RemoveHead())) l__Taken.push_back(l__Object);
    ASSERT_EQ(l__Taken.size(), 3u);
    EXPECT_EQ(l__Taken[0]->m__ULONG__Index, 0u);
    EXPECT_EQ(l__Taken[2]->m__ULONG__Index, 2u);
    l__Taken[1]->m__UCHAR__IsEndMarker = 1;
    l__Taken[1]->m__ULONG__DataBytes = 64;
    l__Pool.ReleaseCacheObject(l__Taken[1]);
    auto* l__Again = static_cast<CTarnwick_CacheObject*>(l__Pool.RemoveHead());
    EXPECT_EQ(l__Again, l__Taken[1]);
    EXPECT_EQ(l__Again->m__UCHAR__IsEndMarker, 0);
    EXPECT_EQ(l__Again->m__ULONG__DataBytes, 0u);
    // A block still marked from an earlier write is reset by the refill.
    l__Taken[2]->m__UCHAR__IsFailure = 1;
    l__Pool.RefillFreeList();
    for (ULONG i = 0; i < 3; ++i) {
        auto* l__Object = static_cast<CTarnwick_CacheObject*>(l__Pool.RemoveHead());
        ASSERT_NE(l__Object, nullptr);
        EXPECT_EQ(l__Object->m__ULONG__Index, i);
        EXPECT_EQ(l__Object->m__UCHAR__IsFailure, 0);
    }
    EXPECT_EQ(l__Pool.RemoveHead(), nullptr);
    l__Pool.RefillFreeList();
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Capture.Contains(
        "\nCTarnwick_CacheManager::CTarnwick_CacheManager(): Passed number of cache objects 3000 truncated to 2048\n"));
    EXPECT_TRUE(l__Capture.Contains(
        "\nCTarnwick_CacheManager::CTarnwick_CacheManager(): Passed number of cache object(s) -1 updated to 2048\n"));
}

TEST(CacheManager, FailedBlockAllocationFreesWhatWasMade) {
    CTarnwick_CacheManager::FailObjectCreationAt(5);
    try {
        CTarnwick_CacheManager l__Pool(10, 1024);
        FAIL() << "the pool was made without its sixth block";
    } catch (CTarnwick_Exception* l__Exception) {
        ASSERT_NE(l__Exception, nullptr);
        EXPECT_EQ(l__Exception->GetExceptionNumber(), 4u);
        EXPECT_STREQ(l__Exception->GetExceptionText(),
                     "CTarnwick_CacheManager::CTarnwick_CacheManager(): Failed to create cache object 4!!!");
        delete l__Exception;
    }
}

TEST_F(BurnerGrabber, DiscTypeFollowsTheCurrentProfile) {
    auto l__Burner = Make();
    const std::array<std::pair<int, ULONG>, 19> l__Profiles = {{{0x0008, 1},
                                                                {0x0009, 2},
                                                                {0x000A, 3},
                                                                {0x0010, 4},
                                                                {0x0011, 5},
                                                                {0x0012, 6},
                                                                {0x0013, 7},
                                                                {0x0014, 8},
                                                                {0x001A, 9},
                                                                {0x0020, 10},
                                                                {0x0021, 11},
                                                                {0x0022, 12},
                                                                {0x001B, 13},
                                                                {0x0000, 0},
                                                                {0x0002, 0},
                                                                {0x0040, 14},
                                                                {0x0041, 15},
                                                                {0x0042, 0},  // BD-R random recording: not written
                                                                {0x0043, 16}}};
    for (const auto& [l__Profile, l__Type] : l__Profiles) {
        m__Pages->m__Profile = l__Profile;
        EXPECT_EQ(l__Burner->GetDiscTypeSafe(), l__Type) << std::hex << l__Profile;
    }
    m__Pages->m__Profile = -1;
    EXPECT_EQ(l__Burner->GetInsertedDiscType(), 0u);
    auto l__Sent = m__Drive->Commands();
    ASSERT_FALSE(l__Sent.empty());
    EXPECT_EQ(l__Sent.back().m__Cdb, (Bytes{0x46, 0x02, 0, 0, 0, 0, 0, 0x10, 0x00, 0}));
}

TEST_F(BurnerGrabber, BrokenGetConfigurationDriveIsTakenAsCdR) {
    m__Drive->SetIdentity("PHILIPS", "CDD5301", "1.0");
    auto l__Burner = Make();
    m__Pages->m__Profile = 0x001A;
    EXPECT_EQ(l__Burner->GetDiscTypeSafe(), DISC_TYPE_CDR);
    EXPECT_TRUE(m__Drive->Commands().empty());
}

TEST_F(BurnerGrabber, WriteParametersChangeOnlyTheirFields) {
    auto l__Burner = Make();
    m__Pages->m__Pages[0x05][3] = 0x30;   // copy and FP, kept
    m__Pages->m__Pages[0x05][10] = 0x77;  // packet size byte, kept
    l__Burner->SetWriteParameters(2, 8, 4, 1, 1, 0x20, 0xA, 0xB, 0xC, 0xD, 1);
    ASSERT_EQ(m__Pages->m__Selected.size(), 1u);
    const Bytes& l__Sent = m__Pages->m__Selected[0];
    ASSERT_EQ(l__Sent.size(), 8u + 58u);  // header + page length byte + 2
    EXPECT_EQ(Bytes(l__Sent.begin(), l__Sent.begin() + 8), Bytes(8, 0));
    const uint8_t* p = l__Sent.data() + 8;
    EXPECT_EQ(p[0], 0x05);
    EXPECT_EQ(p[2], 0x02 | 0x10 | 0x20);
    EXPECT_EQ(p[3], 0xC0 | 0x30 | 0x04);
    EXPECT_EQ(p[4], 0x08);
    EXPECT_EQ(p[5], 16);
    EXPECT_EQ(p[8], 0x20);
    EXPECT_EQ(p[10], 0x77);
    EXPECT_EQ(Bytes(p + 48, p + 52), (Bytes{0xA, 0xB, 0xC, 0xD}));
    // The page is read back after the select.
    auto l__Opcodes = Opcodes();
    EXPECT_EQ(l__Opcodes, (Bytes{0x5A, 0x55, 0x5A}));

    l__Burner->SetWriteParameters(1, 8, 4, 0, 0, 0, 0, 0, 0, 0, 0);
    p = m__Pages->m__Selected[1].data() + 8;
    EXPECT_EQ(p[2], 0x01);
    EXPECT_EQ(p[3], 0x34);
    EXPECT_EQ(p[5], 0);
}

TEST_F(BurnerGrabber, ProbeReportsWhatTheDriveAccepts) {
    auto l__Burner = Make();
    m__Pages->m__Refused = {3};
    BOOLEAN l__TAO = 0, l__SAO = 0, l__PQ = 1, l__PW = 1;
    TraceCapture l__Capture;
    l__Burner->ProbeSupportedWriteModes(&l__TAO, &l__SAO, &l__PQ, &l__PW);
    EXPECT_EQ(l__TAO, 1);
    EXPECT_EQ(l__SAO, 1);
    EXPECT_EQ(l__PQ, 0);
    EXPECT_EQ(l__PW, 0);
    // The last probe's page stays on the drive.
    EXPECT_EQ(m__Pages->m__Pages[0x05][2] & 0x0F, 2);

    // A DVD-R drive that refuses the Track-At-Once probe still writes Track-At-Once.
    m__Pages->m__Profile = 0x0011;
    m__Pages->m__Refused = {1, 2, 3};
    l__Burner->ProbeSupportedWriteModes(&l__TAO, &l__SAO, &l__PQ, &l__PW);
    EXPECT_EQ(l__TAO, 1);
    EXPECT_EQ(l__SAO, 0);
    m__Pages->m__Profile = 0x0009;
    l__Burner->ProbeSupportedWriteModes(&l__TAO, &l__SAO, &l__PQ, &l__PW);
    EXPECT_EQ(l__TAO, 0);
    // A writable BD: Track-At-Once whatever the drive makes of the page, never a CD write type,
    // even from a drive that takes every page.
    for (int l__Profile : {0x0041, 0x0043}) {
        m__Pages->m__Profile = l__Profile;
        for (const std::set<uint8_t>& l__Refused : {std::set<uint8_t>{1, 2, 3}, std::set<uint8_t>{}}) {
            m__Pages->m__Refused = l__Refused;
            l__TAO = l__SAO = l__PQ = l__PW = 0;
            l__Burner->ProbeSupportedWriteModes(&l__TAO, &l__SAO, &l__PQ, &l__PW);
            EXPECT_EQ(l__TAO, 1) << std::hex << l__Profile;
            EXPECT_EQ(l__SAO + l__PQ + l__PW, 0) << std::hex << l__Profile;
        }
    }
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Capture.Contains(
        "\nCTarnwick_CdvdBurnerGrabber::ProbeSupportedWriteModes(): SetWriteParameters( DAO_PQ ) failed!!!\n"
        "CTarnwick_CdvdBurnerGrabber::ProbeSupportedWriteModes(): WARNING! Status 8, message "
        "'CTarnwick_ScsiTransportASPI::ExecuteCDB(): Command failed!!!'!!!\n"));
}

TEST_F(BurnerGrabber, BufferUnderrunProtectionWithoutVendorPage) {
    auto l__Burner = Make();
    BOOLEAN l__Enabled = 9, l__Supported = 9;
    l__Burner->GetBUP(&l__Enabled, &l__Supported);
    EXPECT_EQ(l__Supported, 1);
    EXPECT_EQ(l__Enabled, 0);
    l__Burner->SetBUP(1);
    EXPECT_EQ(l__Burner->GetBUPFlag(), 1);
    EXPECT_EQ(m__Pages->m__Pages[0x05][2] & 0x40, 0x40);
    l__Burner->GetBUP(&l__Enabled, &l__Supported);
    EXPECT_EQ(l__Enabled, 1);
    // Later write parameters carry BUFE.
    l__Burner->SetWriteParameters(1, 8, 4, 0, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(m__Pages->m__Selected.back()[8 + 2] & 0x40, 0x40);
}

TEST_F(BurnerGrabber, BufferUnderrunProtectionWithVendorPageFollowsVendorRule) {
    Bytes l__JustLink(10, 0);
    l__JustLink[0] = 0x30;
    l__JustLink[1] = 8;
    l__JustLink[2] = 0x01;
    m__Pages->m__Pages[0x30] = l__JustLink;
    m__Pages->m__Defaults[0x30] = l__JustLink;
    for (const char* l__Vendor : {"PLEXTOR", "_NEC", "HP", "LITE-ON", "TEAC"}) {
        m__Drive->SetIdentity(l__Vendor, "DVDR", "1.0");
        auto l__Burner = Make();
        l__Burner->SetBUP(1);
        EXPECT_EQ(m__Pages->m__Pages[0x30][3] & 0x01, 1) << l__Vendor;
        BOOLEAN l__Enabled = 0, l__Supported = 0;
        l__Burner->GetBUP(&l__Enabled, &l__Supported);
        EXPECT_EQ(l__Enabled, 1);
        EXPECT_EQ(l__Supported, 1);
        bool l__Follows = std::string(l__Vendor) != "LITE-ON" && std::string(l__Vendor) != "TEAC";
        EXPECT_EQ(l__Burner->GetBUPFlag(), l__Follows ? 1 : 0) << l__Vendor;
        m__Pages->m__Pages[0x30][3] = 0;
    }
}

TEST_F(BurnerGrabber, TrackInformationPerDiscType) {
    auto l__Burner = Make();
    Bytes l__Buffer(4096, 0);
    m__Pages->m__Profile = 0x0011;  // DVD-R: track 1 whatever was asked
    l__Burner->GetTrackInformation(255, l__Buffer.data(), 4096);
    auto l__Sent = m__Drive->Commands();
    EXPECT_EQ(l__Sent.back().m__Cdb, (Bytes{0x52, 0x01, 0, 0, 0, 1, 0, 0x10, 0x00, 0}));

    m__Pages->m__Profile = 0x0009;  // CD-R: the asked track
    l__Burner->GetTrackInformation(255, l__Buffer.data(), 4096);
    EXPECT_EQ(m__Drive->Commands().back().m__Cdb, (Bytes{0x52, 0x01, 0, 0, 0, 0xFF, 0, 0x10, 0x00, 0}));

    m__Pages->m__Profile = 0x001A;  // DVD+RW: built from READ CAPACITY
    m__Drive->Queue(0x25, ScriptedAnswer::Good({0x00, 0x23, 0x05, 0x3F, 0x00, 0x00, 0x08, 0x00}));
    m__Drive->ClearCommands();
    std::fill(l__Buffer.begin(), l__Buffer.end(), 0xEE);
    l__Burner->GetTrackInformation(255, l__Buffer.data(), 4096);
    EXPECT_EQ(m__Drive->CountOpcode(0x52), 0u);
    EXPECT_EQ(m__Drive->CountOpcode(0x25), 1u);
    EXPECT_EQ(Bytes(l__Buffer.begin(), l__Buffer.begin() + 24),
              (Bytes{0x00, 0x18, 1, 1, 0, 0, 0x41, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x23, 0x05, 0x3F, 0, 0, 0, 0}));
    EXPECT_EQ(l__Buffer[24], 0xEE);
}

TEST_F(BurnerGrabber, SynchronizeCacheNormalAndQuirks) {
    struct Case {
        const char* m__Vendor;
        const char* m__Product;
        int m__Profile;
        uint8_t m__SyncByte1;
        uint64_t m__Slept;
        size_t m__DiscInfo;
    };
    const Case l__Cases[] = {
        {"VELMOR", "DVDRW", 0x0009, 0x02, 0, 1},           // normal: Immed, disc information first
        {"VELMOR", "DVDRW", 0x0012, 0x02, 0, 0},           // DVD-RAM: TEST UNIT READY only
        {"TEAC", "CD-W56S", 0x0009, 0x00, 15000, 1},       // row 1
        {"MITSUMI", "CR-4802TE", 0x0009, 0x00, 15000, 1},  // row 2
        {"Memorex", "Twelve MAXX", 0x0009, 0x00, 15000, 1},
        {"PHILIPS", "CDD5301", 0x0009, 0x02, 0, 0},  // row 4
    };
    for (const Case& l__Case : l__Cases) {
        m__Drive->SetIdentity(l__Case.m__Vendor, l__Case.m__Product, "1.0");
        m__Pages->m__Profile = l__Case.m__Profile;
        auto l__Burner = Make();
        uint64_t l__Before = m__Clock.SleptMilliseconds();
        l__Burner->SynchronizeCache();
        auto l__Sent = m__Drive->Commands();
        auto l__Sync = std::find_if(l__Sent.begin(), l__Sent.end(), [](auto& c) { return c.m__Cdb[0] == 0x35; });
        ASSERT_NE(l__Sync, l__Sent.end()) << l__Case.m__Vendor;
        EXPECT_EQ(l__Sync->m__Cdb, (Bytes{0x35, l__Case.m__SyncByte1, 0, 0, 0, 0, 0, 0, 0, 0})) << l__Case.m__Vendor;
        EXPECT_EQ(m__Clock.SleptMilliseconds() - l__Before, l__Case.m__Slept) << l__Case.m__Vendor;
        EXPECT_EQ(m__Drive->CountOpcode(0x51), l__Case.m__DiscInfo) << l__Case.m__Vendor;
        EXPECT_EQ(m__Drive->CountOpcode(0x00), 1u) << l__Case.m__Vendor;
    }
}

TEST_F(BurnerGrabber, SynchronizeCacheRetriesOnceOnDvdR) {
    m__Pages->m__Profile = 0x0011;
    auto l__Burner = Make();
    m__Drive->Queue(0x35, ScriptedAnswer::Check(0x05, 0x2C, 0x00));
    l__Burner->SynchronizeCache();
    EXPECT_EQ(m__Drive->CountOpcode(0x35), 2u);
    m__Drive->Queue(0x35, ScriptedAnswer::Check(0x05, 0x2C, 0x00), 2);
    EXPECT_THROW(
        {
            try {
                l__Burner->SynchronizeCache();
            } catch (CTarnwick_Exception* l__Exception) {
                delete l__Exception;
                throw 1;
            }
        },
        int);
    m__Pages->m__Profile = 0x0009;
    m__Drive->Queue(0x35, ScriptedAnswer::Check(0x05, 0x2C, 0x00));
    m__Drive->ClearCommands();
    EXPECT_THROW(
        {
            try {
                l__Burner->SynchronizeCache();
            } catch (CTarnwick_Exception* l__Exception) {
                delete l__Exception;
                throw 1;
            }
        },
        int);
    EXPECT_EQ(m__Drive->CountOpcode(0x35), 1u);
}

TEST_F(BurnerGrabber, EjectAndTheBrokenStartStopDrive) {
    auto l__Burner = Make();
    l__Burner->Eject();
    EXPECT_EQ(Opcodes(), (Bytes{0x1B}));
    EXPECT_EQ(m__Drive->Commands()[0].m__Cdb, (Bytes{0x1B, 0x00, 0, 0, 0x02, 0}));

    m__Drive->SetIdentity("MITSUMI", "CR-4802TE", "1.0");
    auto l__Mitsumi = Make();
    l__Mitsumi->Eject();
    EXPECT_EQ(Opcodes(), (Bytes{0x5A, 0x55, 0x5A, 0x1B}));
    EXPECT_EQ(m__Drive->Commands().back().m__Cdb, (Bytes{0x1B, 0x01, 0, 0, 0x02, 0}));
    EXPECT_EQ(m__Pages->m__Pages[0x05][2] & 0x0F, 1);
    EXPECT_EQ(m__Pages->m__Pages[0x05][4] & 0x0F, 8);
}

TEST_F(BurnerGrabber, OtherControls) {
    auto l__Burner = Make();
    l__Burner->Load();
    l__Burner->Lock();
    l__Burner->Release();
    l__Burner->SendOPC();
    l__Burner->SetSpeeds(0xFFFF, 1385);
    auto l__Sent = m__Drive->Commands();
    ASSERT_GE(l__Sent.size(), 7u);
    EXPECT_EQ(l__Sent[1].m__Cdb, (Bytes{0x1B, 0x01, 0, 0, 0x03, 0}));  // after GET CONFIGURATION
    EXPECT_EQ(m__Drive->CountOpcode(0x1E), 2u);
    EXPECT_EQ(m__Drive->CountOpcode(0x54), 1u);
    EXPECT_EQ(l__Sent.back().m__Cdb, (Bytes{0xBB, 0, 0xFF, 0xFF, 0x05, 0x69, 0, 0, 0, 0, 0, 0}));

    LONG l__CurrentRead = 0, l__MaximumRead = 0, l__CurrentWrite = 0, l__MaximumWrite = 0;
    l__Burner->GetCdvdSpeeds(&l__CurrentRead, &l__MaximumRead, &l__CurrentWrite, &l__MaximumWrite);
    EXPECT_EQ(l__CurrentRead, 2822);
    EXPECT_EQ(l__MaximumRead, 7056);
    EXPECT_EQ(l__CurrentWrite, 1764);
    EXPECT_EQ(l__MaximumWrite, 7056);

    char l__Vendor[1024], l__Product[1024], l__Revision[1024];
    ULONG l__BufferSize = 0;
    l__Burner->GetDeviceInformation(l__Vendor, l__Product, l__Revision, &l__BufferSize);
    EXPECT_STREQ(l__Vendor, "TARNWICK");
    EXPECT_STREQ(l__Product, "SCRIPTED DRIVE  ");
    EXPECT_EQ(l__BufferSize, 2048u * 1024u);

    BOOLEAN f[10];
    l__Burner->GetDeviceCapabilities(&f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6], &f[7], &f[8], &f[9]);
    EXPECT_EQ(Bytes(f, f + 10), (Bytes{1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));

    l__Burner->Cancel();
    EXPECT_EQ(l__Burner->GetCancelFlag(), 1);
}

TEST_F(BurnerGrabber, TestUnitReadyWaitsThenAsksOnceMore) {
    auto l__Burner = Make();
    m__Drive->Queue(0x51, ScriptedAnswer::Check(0x02, 0x3A, 0x00), 3);
    l__Burner->TestUnitReady(10);
    EXPECT_EQ(m__Drive->CountOpcode(0x51), 4u);
    EXPECT_EQ(m__Drive->CountOpcode(0x00), 2u);
    EXPECT_EQ(m__Clock.SleptMilliseconds(), 3000u);
    m__Drive->Always(0x00, ScriptedAnswer::Check(0x02, 0x3A, 0x00));
    try {
        l__Burner->TestUnitReady(2);
        FAIL() << "a unit without a disc reported ready";
    } catch (CTarnwick_Exception* l__Exception) {
        ASSERT_NE(l__Exception, nullptr);
        EXPECT_EQ(l__Exception->GetExceptionNumber(), 8u);
        delete l__Exception;
    }
}

TEST_F(BurnerGrabber, SupportedMediaFormats) {
    auto l__Burner = Make();
    m__Drive->Respond(0x46, [](const ScriptedCommand& c) {
        Bytes l__Data(16, 0);
        uint16_t l__Feature = static_cast<uint16_t>((c.m__Cdb[2] << 8) | c.m__Cdb[3]);
        if (l__Feature == 0x002A) {
            l__Data[3] = 12;
            l__Data[12] = 0x01;
        } else {
            l__Data[3] = 12;
            l__Data[12] = 0x00;
        }
        return ScriptedAnswer::Good(l__Data);
    });
    BOOLEAN l__RWKnown = 0, l__RKnown = 0, l__RWWritable = 0, l__RWritable = 1;
    l__Burner->GetSupportedMediaFormatsEx(&l__RWKnown, &l__RKnown, &l__RWWritable, &l__RWritable);
    EXPECT_EQ(l__RWKnown, 1);
    EXPECT_EQ(l__RKnown, 1);
    EXPECT_EQ(l__RWWritable, 1);
    EXPECT_EQ(l__RWritable, 0);
    m__Drive->Always(0x46, ScriptedAnswer::Check(0x05, 0x20, 0x00));
    m__Drive->Respond(0x46, nullptr);
}

TEST_F(BurnerGrabber, ErrorRecoveryPageIsSetAndRestored) {
    auto l__Burner = Make();
    EXPECT_EQ(l__Burner->DisableHardwareErrorCorrectionSafe(), 1);
    EXPECT_EQ(m__Pages->m__Pages[0x01][2], 0x01);
    EXPECT_EQ(m__Pages->m__Pages[0x01][3], 0x00);
    l__Burner->RestoreReadErrorRecoverySafe();
    EXPECT_EQ(m__Pages->m__Pages[0x01], m__Pages->m__Defaults[0x01]);
    m__Drive->Queue(0x01, ScriptedAnswer::Check(0x05, 0x20, 0x00));
    l__Burner->RezeroUnitSafe();  // swallowed
    m__Pages->m__Pages.erase(0x01);
    m__Pages->m__Defaults.erase(0x01);
    EXPECT_EQ(l__Burner->DisableHardwareErrorCorrectionSafe(), 0);
}

TEST(BurnerGrabberRules, MsfToLba) {
    EXPECT_EQ(CTarnwick_CdvdBurnerGrabber::MSFToLBA(0, 2, 0), 0);
    EXPECT_EQ(CTarnwick_CdvdBurnerGrabber::MSFToLBA(0, 0, 0), -150);
    EXPECT_EQ(CTarnwick_CdvdBurnerGrabber::MSFToLBA(79, 59, 74), 359849);
    EXPECT_EQ(CTarnwick_CdvdBurnerGrabber::MSFToLBA(97, 26, 66), -11634);
    EXPECT_EQ(CTarnwick_CdvdBurnerGrabber::MSFToLBA(99, 59, 74), -151);
}

}  // namespace
