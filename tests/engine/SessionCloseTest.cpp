#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "CTarnwick_CdvdBurnerGrabber.h"
#include "FakeClock.h"
#include "ModePageDrive.h"
#include "ScriptedBackend.h"
#include "TraceCapture.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Reasons {
    std::vector<ULONG> m__Seen;
};

void Record(ULONG p__Reason, PVOID p__Context, PVOID, PVOID) {
    static_cast<Reasons*>(p__Context)->m__Seen.push_back(p__Reason);
}

class SessionClose : public ModePageDriveTest {
protected:
    std::unique_ptr<CTarnwick_CdvdBurnerGrabber> Make(int p__Profile, const char* p__Vendor = "VELMOR",
                                                      const char* p__Product = "DVDRW") {
        m__Drive->SetIdentity(p__Vendor, p__Product, "1.0");
        m__Pages->m__Profile = p__Profile;
        auto l__Burner = std::make_unique<CTarnwick_CdvdBurnerGrabber>(Record, &m__Reasons, 0, 0, 0, 0, 0);
        m__Drive->ClearCommands();
        return l__Burner;
    }
    // The CLOSE TRACK/SESSION commands sent, as (byte 1, byte 2, byte 5).
    std::vector<Bytes> Closes() {
        std::vector<Bytes> l__Closes;
        for (const ScriptedCommand& c : m__Drive->Commands())
            if (c.m__Cdb[0] == 0x5B) l__Closes.push_back({c.m__Cdb[1], c.m__Cdb[2], c.m__Cdb[5]});
        return l__Closes;
    }

    Reasons m__Reasons;
};

TEST_F(SessionClose, EachDiscClosesItsOwnWay) {
    struct Case {
        int m__Profile;
        const char* m__Vendor;
        const char* m__Product;
        std::vector<Bytes> m__Closes;
    };
    const Case l__Cases[] = {
        {0x0011, "VELMOR", "DVDRW", {}},                             // DVD-R: nothing
        {0x0013, "VELMOR", "DVDRW", {}},                             // DVD-RW restricted overwrite
        {0x0012, "VELMOR", "DVDRW", {}},                             // DVD-RAM
        {0x001B, "VELMOR", "DVDRW", {{0x01, 0x01, 1}, {0x01, 0x05, 0}}},  // DVD+R: track, then finalise
        {0x001A, "VELMOR", "DVDRW", {{0x00, 0x02, 0}}},              // DVD+RW: synchronous
        {0x0009, "VELMOR", "DVDRW", {{0x01, 0x02, 0}}},              // CD-R: asynchronous
        {0x0009, "HP", "CD-Writer+ 9100", {{0x00, 0x02, 0}}},        // HP 9100 on CD: synchronous at once
        {0x0011, "HP", "CD-Writer+ 9100", {}},                       // ...on DVD-R the disc decides
        {0x0041, "VELMOR", "BDRW", {{0x01, 0x01, 1}, {0x01, 0x06, 0}}},  // BD-R: track, then finalise
        {0x0041, "HP", "CD-Writer+ 9100", {{0x01, 0x01, 1}, {0x01, 0x06, 0}}},
        {0x0043, "VELMOR", "BDRW", {}},                              // BD-RE: nothing to close
        {0x0040, "VELMOR", "BDRW", {}},                              // BD-ROM
    };
    for (const Case& l__Case : l__Cases) {
        auto l__Burner = Make(l__Case.m__Profile, l__Case.m__Vendor, l__Case.m__Product);
        l__Burner->CloseSession();
        EXPECT_EQ(Closes(), l__Case.m__Closes) << std::hex << l__Case.m__Profile << " " << l__Case.m__Vendor;
    }
}

TEST_F(SessionClose, RefusedImmediateCloseFallsBackToSynchronous) {
    auto l__Burner = Make(0x0009);
    m__Drive->Queue(0x5B, ScriptedAnswer::Check(0x05, 0x24, 0x00));
    TraceCapture l__Capture;
    l__Burner->CloseSession();
    EXPECT_EQ(Closes(), (std::vector<Bytes>{{0x01, 0x02, 0}, {0x00, 0x02, 0}}));
    // Then the ready wait, disc information first.
    EXPECT_GE(m__Drive->CountOpcode(0x51), 1u);
    // A refused synchronous close is a failure of the operation.
    m__Drive->Queue(0x5B, ScriptedAnswer::Check(0x05, 0x24, 0x00), 2);
    try {
        l__Burner->CloseSession();
        FAIL() << "a refused close succeeded";
    } catch (CTarnwick_Exception* l__Exception) {
        ASSERT_NE(l__Exception, nullptr);
        EXPECT_EQ(l__Exception->GetExceptionNumber(), 8u);
        delete l__Exception;
    }
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Capture.Contains("\nCTarnwick_CdvdBurnerGrabber::CloseSession(): Generic async close session\n"));
    EXPECT_TRUE(l__Capture.Contains("CTarnwick_CdvdBurnerGrabber::CloseSession(): WARNING! Status 8, message "
                                    "'CTarnwick_ScsiTransportASPI::ExecuteCDB(): Command failed!!!'!!!\n"));
    EXPECT_TRUE(l__Capture.Contains("\nCTarnwick_CdvdBurnerGrabber::CloseSession(): Sync close session, async good "
                                    "(0)\n"));
    EXPECT_TRUE(l__Capture.Contains("\nCTarnwick_CdvdBurnerGrabber::CloseSession(): EXITing with success #1\n"));
}

TEST_F(SessionClose, WaitsAreBoundedAndNeverRaise) {
    auto l__Burner = Make(0x0009);
    m__Drive->Always(0x51, ScriptedAnswer::Check(0x02, 0x3A, 0x00));
    m__Drive->Always(0x00, ScriptedAnswer::Check(0x02, 0x3A, 0x00));
    l__Burner->CloseSession();
    EXPECT_EQ(m__Drive->CountOpcode(0x51), 20u);
    EXPECT_EQ(m__Drive->CountOpcode(0x00), 20u);
    EXPECT_EQ(m__Clock.SleptMilliseconds(), 40u * 5000u);
}

TEST_F(SessionClose, BlankPerDisc) {
    auto l__CdRw = Make(0x000A);
    l__CdRw->Blank(1, 0);
    auto l__Sent = m__Drive->Commands();
    ASSERT_FALSE(l__Sent.empty());
    // The default write parameters go back first.
    EXPECT_EQ(l__Sent[0].m__Cdb[0], 0x5A);
    EXPECT_EQ(l__Sent[0].m__Cdb[2], 0x85);
    auto l__Blank = std::find_if(l__Sent.begin(), l__Sent.end(), [](auto& c) { return c.m__Cdb[0] == 0xA1; });
    ASSERT_NE(l__Blank, l__Sent.end());
    EXPECT_EQ(l__Blank->m__Cdb, (Bytes{0xA1, 0x11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    // The default page went back (without the PS bit, which MODE SELECT does not take).
    EXPECT_EQ(Bytes(m__Pages->m__Pages[0x05].begin() + 1, m__Pages->m__Pages[0x05].end()),
              Bytes(m__Pages->m__Defaults[0x05].begin() + 1, m__Pages->m__Defaults[0x05].end()));

    auto l__Full = Make(0x000A);
    l__Full->Blank(0, 0);
    EXPECT_EQ(m__Drive->Commands().back().m__Cdb[0], 0x00);
    EXPECT_EQ(m__Drive->CountOpcode(0xA1), 1u);

    m__Reasons.m__Seen.clear();
    auto l__PlusRw = Make(0x001A);
    l__PlusRw->Blank(0, 0);
    l__Sent = m__Drive->Commands();
    auto l__Format = std::find_if(l__Sent.begin(), l__Sent.end(), [](auto& c) { return c.m__Cdb[0] == 0x04; });
    ASSERT_NE(l__Format, l__Sent.end());
    EXPECT_EQ(l__Format->m__Cdb, (Bytes{0x04, 0x11, 0, 0, 0, 0}));
    EXPECT_EQ(l__Format->m__DataOut, (Bytes{0, 0x82, 0, 0x08, 0xFF, 0xFF, 0xFF, 0xFF, 0x98, 0, 0, 0}));
    EXPECT_EQ(Closes(), (std::vector<Bytes>{{0x00, 0x02, 0}}));
    EXPECT_EQ(m__Reasons.m__Seen, (std::vector<ULONG>{DVDPLUSRW_FORMAT_BEGIN, DVDPLUSRW_FORMAT_END}));

    m__Reasons.m__Seen.clear();
    auto l__Ram = Make(0x0012);
    m__Drive->Queue(0x23, ScriptedAnswer::Good({0, 0, 0, 0x10, 0x00, 0x23, 0x05, 0x40, 0x02, 0x00, 0x08, 0x00}));
    l__Ram->Blank(0, 0);
    l__Sent = m__Drive->Commands();
    l__Format = std::find_if(l__Sent.begin(), l__Sent.end(), [](auto& c) { return c.m__Cdb[0] == 0x04; });
    ASSERT_NE(l__Format, l__Sent.end());
    EXPECT_EQ(l__Format->m__DataOut, (Bytes{0, 0x82, 0, 0x08, 0x00, 0x23, 0x05, 0x40, 0x00, 0x00, 0x08, 0x00}));
    EXPECT_EQ(m__Drive->CountOpcode(0x51), 0u);  // DVD-RAM: TEST UNIT READY only
    EXPECT_EQ(m__Reasons.m__Seen, (std::vector<ULONG>{DVDRAM_FORMAT_BEGIN, DVDRAM_FORMAT_END}));
}

// A BD-RE is blanked by formatting it with the first format with spare areas the drive
// offers (its default), whatever comes before it in the list.
TEST_F(SessionClose, BlankBdReFormatsWithTheDrivesDefaultSpareAreas) {
    auto l__BdRe = Make(0x0043);
    const Bytes l__Capacities = {0, 0, 0, 0x20,
                                 0x00, 0xBA, 0x74, 0x00, 0x01, 0x00, 0x08, 0x00,   // current: unformatted
                                 0x00, 0xBA, 0x74, 0x00, 0xC4, 0x00, 0x08, 0x00,   // 31h: no spare areas
                                 0x00, 0xB4, 0x74, 0x00, 0xC0, 0x00, 0x30, 0x00,   // 30h: the default spare
                                 0x00, 0xB0, 0x74, 0x00, 0xC0, 0x00, 0x50, 0x00};  // 30h: a larger one
    m__Drive->Queue(0x23, ScriptedAnswer::Good(l__Capacities));
    l__BdRe->Blank(0, 0);
    auto l__Sent = m__Drive->Commands();
    auto l__Format = std::find_if(l__Sent.begin(), l__Sent.end(), [](auto& c) { return c.m__Cdb[0] == 0x04; });
    ASSERT_NE(l__Format, l__Sent.end());
    EXPECT_EQ(l__Format->m__Cdb, (Bytes{0x04, 0x11, 0, 0, 0, 0}));
    EXPECT_EQ(l__Format->m__DataOut, (Bytes{0, 0x82, 0, 0x08, 0x00, 0xB4, 0x74, 0x00, 0xC0, 0x00, 0x30, 0x00}));
    EXPECT_EQ(m__Drive->CountOpcode(0xA1), 0u);  // a BD-RE has no BLANK
    EXPECT_EQ(Closes(), std::vector<Bytes>{});
    EXPECT_GE(m__Drive->CountOpcode(0x51), 1u);  // the ready wait polls the disc information
    EXPECT_EQ(m__Reasons.m__Seen, (std::vector<ULONG>{BDRE_FORMAT_BEGIN, BDRE_FORMAT_END}));

    // A drive that offers no format with spare areas: nothing is formatted, the caller is told.
    m__Reasons.m__Seen.clear();
    auto l__Odd = Make(0x0043);
    Bytes l__NoSpare(l__Capacities.begin(), l__Capacities.begin() + 20);
    l__NoSpare[3] = 0x10;
    m__Drive->Queue(0x23, ScriptedAnswer::Good(l__NoSpare));
    try {
        l__Odd->Blank(0, 0);
        FAIL() << "formatted without a format to choose";
    } catch (CTarnwick_Exception* l__Exception) {
        ASSERT_NE(l__Exception, nullptr);
        EXPECT_EQ(l__Exception->GetExceptionNumber(), 10u);
        delete l__Exception;
    }
    EXPECT_EQ(m__Drive->CountOpcode(0x04), 0u);
    EXPECT_TRUE(m__Reasons.m__Seen.empty());
}

}  // namespace
