#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "CTarnwick_EDCECC.h"
#include "MmcDumps.h"
#include "SectorArithmetic.h"
#include "SectorCodec.h"
#include "SectorReference.h"
#include "TraceCapture.h"

namespace {

using SectorReference::Filled;
using SectorReference::Sector;

class EdcEccTest : public ::testing::Test {
protected:
    // Random user data in a Mode 1 sector, encoded by the codec.
    Sector Mode1(LONG p__LONG__LBA) {
        Sector l__Sector = SectorReference::RandomSector(m__Generator);
        EXPECT_EQ(EncodeSector(l__Sector.data(), g__LONG__EncodeMode1, p__LONG__LBA), 0);
        return l__Sector;
    }
    // Random user data in a Mode 2 sector with a consistent sub-header of the given form.
    Sector Mode2(LONG p__LONG__LBA, bool p__bool__IsForm2) {
        Sector l__Sector = SectorReference::RandomSector(m__Generator);
        l__Sector[18] = static_cast<UCHAR>(p__bool__IsForm2 ? (l__Sector[18] | 0x20) : (l__Sector[18] & ~0x20));
        std::memcpy(&l__Sector[20], &l__Sector[16], 4);
        LONG l__LONG__Type = p__bool__IsForm2 ? g__LONG__EncodeMode2Form2 : g__LONG__EncodeMode2Form1;
        EXPECT_EQ(EncodeSector(l__Sector.data(), l__LONG__Type, p__LONG__LBA), 0);
        return l__Sector;
    }

    std::unique_ptr<CTarnwick_EDCECC> m__EdcEcc = std::make_unique<CTarnwick_EDCECC>();
    std::mt19937 m__Generator{20040814};
};

TEST_F(EdcEccTest, EdcOfZerosIsZeroAndOverDataPlusStoredEdcIsZero) {
    Sector l__Zero = Filled(0);
    EXPECT_EQ(SectorArithmetic::ComputeEdc(l__Zero.data(), 2064), 0u);
    EXPECT_TRUE(m__EdcEcc->CalculateEDC(l__Zero.data(), 1, FALSE));

    // Every length, against the bit-serial model, and the zero register after the stored EDC.
    Sector l__Data = SectorReference::RandomSector(m__Generator);
    for (ULONG l__ULONG__Length : {0u, 1u, 7u, 8u, 9u, 2060u, 2064u, 2332u}) {
        ULONG l__ULONG__Edc = SectorArithmetic::ComputeEdc(l__Data.data(), l__ULONG__Length);
        EXPECT_EQ(l__ULONG__Edc, SectorReference::Edc(l__Data.data(), l__ULONG__Length)) << l__ULONG__Length;
        std::vector<UCHAR> l__WithEdc(l__Data.begin(), l__Data.begin() + l__ULONG__Length);
        l__WithEdc.resize(l__ULONG__Length + 4);
        SectorArithmetic::StoreEdc(&l__WithEdc[l__ULONG__Length], l__ULONG__Edc);
        EXPECT_EQ(SectorArithmetic::ComputeEdc(l__WithEdc.data(), l__ULONG__Length + 4), 0u) << l__ULONG__Length;
    }
}

TEST_F(EdcEccTest, GenerateEdcCoversTheAreaOfEachModeAndCalculateEdcReportsMismatch) {
    struct Area {
        ULONG m__ULONG__Mode;
        BOOLEAN m__BOOLEAN__IsForm1;
        size_t m__Start, m__Edc;
    };
    for (Area l__Area : {Area{1, FALSE, 0, 2064}, Area{2, TRUE, 16, 2072}, Area{2, FALSE, 16, 2348}}) {
        Sector l__Sector = SectorReference::RandomSector(m__Generator);
        m__EdcEcc->GenerateEDC(l__Sector.data(), l__Area.m__ULONG__Mode, l__Area.m__BOOLEAN__IsForm1);
        ULONG l__ULONG__Expected =
            SectorReference::Edc(l__Sector.data() + l__Area.m__Start, l__Area.m__Edc - l__Area.m__Start);
        EXPECT_EQ(SectorArithmetic::LoadEdc(&l__Sector[l__Area.m__Edc]), l__ULONG__Expected);
        EXPECT_TRUE(m__EdcEcc->CalculateEDC(l__Sector.data(), l__Area.m__ULONG__Mode, l__Area.m__BOOLEAN__IsForm1));

        // A byte just outside the area changes nothing, the first byte inside breaks it.
        if (l__Area.m__Start > 0) {
            l__Sector[l__Area.m__Start - 1] ^= 0x5A;
            EXPECT_TRUE(m__EdcEcc->CalculateEDC(l__Sector.data(), l__Area.m__ULONG__Mode, l__Area.m__BOOLEAN__IsForm1));
        }
        l__Sector[l__Area.m__Start] ^= 0x01;
        TraceCapture l__Trace;
        EXPECT_FALSE(m__EdcEcc->CalculateEDC(l__Sector.data(), l__Area.m__ULONG__Mode, l__Area.m__BOOLEAN__IsForm1));
        if (g__BOOLEAN__TraceEnabled) {
            char l__Line[160];
            std::snprintf(l__Line, sizeof(l__Line),
                          "\nCTarnwick_EDCECC::CalculateEDC(): 0x%08X [our] vs 0x%08X [LB], Mode %ld, MODE2Form %ld\n",
                          SectorReference::Edc(l__Sector.data() + l__Area.m__Start, l__Area.m__Edc - l__Area.m__Start),
                          l__ULONG__Expected, (long)l__Area.m__ULONG__Mode, (long)l__Area.m__BOOLEAN__IsForm1);
            EXPECT_EQ(l__Trace.Text(), l__Line);
        }
    }
    REQUIRE_TRACING();  // the trace lines are checked in the loop above
}

TEST_F(EdcEccTest, ParityMakesEveryCodeWordHoldAndChecksSeeEachParityArea) {
    Sector l__Sector = SectorReference::RandomSector(m__Generator);
    m__EdcEcc->GenerateECCP(l__Sector.data());
    m__EdcEcc->GenerateECCQ(l__Sector.data());
    EXPECT_TRUE(SectorReference::AllWordsHold(l__Sector.data()));
    EXPECT_TRUE(m__EdcEcc->CheckECCP(l__Sector.data()));
    EXPECT_TRUE(m__EdcEcc->CheckECCQ(l__Sector.data()));

    // Q covers the P parity: P alone regenerated after a data change leaves Q failing.
    l__Sector[100] ^= 0x80;
    EXPECT_FALSE(m__EdcEcc->CheckECCP(l__Sector.data()));
    m__EdcEcc->GenerateECCP(l__Sector.data());
    EXPECT_TRUE(m__EdcEcc->CheckECCP(l__Sector.data()));
    EXPECT_FALSE(m__EdcEcc->CheckECCQ(l__Sector.data()));
    m__EdcEcc->GenerateECCQ(l__Sector.data());
    EXPECT_TRUE(m__EdcEcc->CheckECCQ(l__Sector.data()));

    // The last P parity byte and the last Q parity byte are each compared.
    l__Sector[2247] ^= 1;
    EXPECT_FALSE(m__EdcEcc->CheckECCP(l__Sector.data()));
    l__Sector[2247] ^= 1;
    l__Sector[2351] ^= 1;
    EXPECT_TRUE(m__EdcEcc->CheckECCP(l__Sector.data()));
    EXPECT_FALSE(m__EdcEcc->CheckECCQ(l__Sector.data()));
}

TEST_F(EdcEccTest, ParityOfAnEmptyModeOneBodyDependsOnlyOnTheHeader) {
    Sector l__First = Filled(0), l__Second = Filled(0xEE);
    std::memset(l__Second.data() + 2076, 0, 276);
    std::memset(l__Second.data() + 16, 0, 2060);
    for (Sector* l__Sector : {&l__First, &l__Second}) {
        std::memcpy(l__Sector->data(), SectorArithmetic::g__UCHAR__Sync, 12);
        const UCHAR l__Header[4] = {0x12, 0x34, 0x56, 1};
        std::memcpy(l__Sector->data() + 12, l__Header, 4);
        m__EdcEcc->GenerateECCP(l__Sector->data());
        m__EdcEcc->GenerateECCQ(l__Sector->data());
    }
    EXPECT_TRUE(std::equal(l__First.begin() + 2076, l__First.end(), l__Second.begin() + 2076));
    l__Second[14] = 0x57;
    m__EdcEcc->GenerateECCP(l__Second.data());
    m__EdcEcc->GenerateECCQ(l__Second.data());
    EXPECT_FALSE(std::equal(l__First.begin() + 2076, l__First.end(), l__Second.begin() + 2076));
}

TEST_F(EdcEccTest, SyncHeaderAndSubHeader) {
    Sector l__Sector = Mode2(0, false);
    EXPECT_TRUE(m__EdcEcc->VerifySync(l__Sector.data()));
    EXPECT_TRUE(m__EdcEcc->VerifyHeader(l__Sector.data(), 2));
    EXPECT_FALSE(m__EdcEcc->VerifyHeader(l__Sector.data(), 1));
    ULONG l__ULONG__Form = 0;
    EXPECT_TRUE(m__EdcEcc->VerifySubHeader(&l__Sector[16], &l__ULONG__Form));
    EXPECT_EQ(l__ULONG__Form, 1u);
    l__Sector[18] |= 0x20;
    EXPECT_FALSE(m__EdcEcc->VerifySubHeader(&l__Sector[16], &l__ULONG__Form));
    EXPECT_EQ(l__ULONG__Form, 2u);
    l__Sector[22] |= 0x20;
    EXPECT_TRUE(m__EdcEcc->VerifySubHeader(&l__Sector[16], &l__ULONG__Form));
    for (int l__int__Byte : {0, 5, 11}) {
        Sector l__Broken = l__Sector;
        l__Broken[l__int__Byte] ^= 0x01;
        EXPECT_FALSE(m__EdcEcc->VerifySync(l__Broken.data())) << l__int__Byte;
    }
}

TEST_F(EdcEccTest, CheckModeOneStopsAtTheFirstFailureWithItsLine) {
    const Sector l__Good = Mode1(1234);
    Sector l__Sector = l__Good;
    EXPECT_TRUE(m__EdcEcc->CheckMODE1LB(l__Sector.data()));
    struct Damage {
        size_t m__Offset;
        const char* m__Line;  // nullptr: fails without a line of its own
    };
    for (Damage l__Damage : {Damage{3, "\nCTarnwick_EDCECC::CheckMODE1LB(): VerifySync() failed!!!\n"},
                             Damage{15, "\nCTarnwick_EDCECC::CheckMODE1LB(): VerifyHeader() failed!!!\n"},
                             Damage{500, "\nCTarnwick_EDCECC::CheckMODE1LB(): CalculateEDC() failed!!!\n"},
                             Damage{2070, "\nCTarnwick_EDCECC::CheckMODE1LB(): CheckECCP() failed!!!\n"},
                             Damage{2100, "\nCTarnwick_EDCECC::CheckMODE1LB(): CheckECCP() failed!!!\n"},
                             Damage{2300, nullptr}}) {
        l__Sector = l__Good;
        l__Sector[l__Damage.m__Offset] ^= 0x04;
        TraceCapture l__Trace;
        EXPECT_FALSE(m__EdcEcc->CheckMODE1LB(l__Sector.data())) << l__Damage.m__Offset;
        if (g__BOOLEAN__TraceEnabled) {
            if (l__Damage.m__Line)
                EXPECT_TRUE(l__Trace.Contains(l__Damage.m__Line)) << l__Trace.Text();
            else
                EXPECT_EQ(l__Trace.Text(), "");
        }
        l__Sector[l__Damage.m__Offset] ^= 0x04;
        EXPECT_EQ(l__Sector, l__Good);
    }
    REQUIRE_TRACING();  // the trace lines are checked in the loop above
}

TEST_F(EdcEccTest, CheckModeTwoPassesFormTwoWithAnyEdcAndKeepsTheHeader) {
    Sector l__Sector = Mode2(-150, false);
    EXPECT_TRUE(m__EdcEcc->CheckMODE2LB(l__Sector.data()));

    Sector l__FormTwo = Mode2(777, true);
    l__FormTwo[2348] ^= 0xFF;
    l__FormTwo[2100] ^= 0xFF;
    EXPECT_TRUE(m__EdcEcc->CheckMODE2LB(l__FormTwo.data()));

    struct Damage {
        size_t m__Offset;
        UCHAR m__Mask;
        const char* m__Line;
    };
    const Sector l__Good = Mode2(4500, false);
    for (Damage l__Damage : {Damage{0, 0x01, "\nCTarnwick_EDCECC::CheckMODE2LB(): VerifySync() failed!!!\n"},
                             Damage{15, 0x03, "\nCTarnwick_EDCECC::CheckMODE2LB(): VerifyHeader() failed!!!\n"},
                             Damage{21, 0x01, "\nCTarnwick_EDCECC::CheckMODE2LB(): VerifySubHeader() failed!!!\n"},
                             Damage{1000, 0x10, "\nCTarnwick_EDCECC::CheckMODE2LB(): CalculateEDC() failed!!!\n"},
                             Damage{2076, 0x10, "\nCTarnwick_EDCECC::CheckMODE2LB(): CheckECCP() failed!!!\n"},
                             Damage{2250, 0x10, "\nCTarnwick_EDCECC::CheckMODE2LB(): CheckECCQ() failed!!!\n"}}) {
        l__Sector = l__Good;
        l__Sector[l__Damage.m__Offset] ^= l__Damage.m__Mask;
        Sector l__Damaged = l__Sector;
        TraceCapture l__Trace;
        EXPECT_FALSE(m__EdcEcc->CheckMODE2LB(l__Sector.data())) << l__Damage.m__Offset;
        if (g__BOOLEAN__TraceEnabled) {
            EXPECT_TRUE(l__Trace.Contains(l__Damage.m__Line)) << l__Trace.Text();
        }
        EXPECT_EQ(l__Sector, l__Damaged) << "the check altered the sector";
    }
    REQUIRE_TRACING();  // the trace lines are checked in the loop above
}

TEST_F(EdcEccTest, CheckLbPassesAudioCorrectsDataAndReportsWhatItCannotFix) {
    Sector l__Noise = SectorReference::RandomSector(m__Generator);
    const Sector l__NoiseCopy = l__Noise;
    EXPECT_TRUE(m__EdcEcc->CheckLB(l__Noise.data(), 0));
    EXPECT_TRUE(m__EdcEcc->CheckLB(l__Noise.data(), 3));
    EXPECT_EQ(l__Noise, l__NoiseCopy);

    const Sector l__Good1 = Mode1(99);
    Sector l__Sector = l__Good1;
    l__Sector[700] ^= 0x33;
    l__Sector[5] = 0;  // a damaged sync is restored as well
    EXPECT_TRUE(m__EdcEcc->CheckLB(l__Sector.data(), 1));
    EXPECT_EQ(l__Sector, l__Good1);

    // A corrected Mode 2 sector keeps its address and mode bytes.
    const Sector l__Good2 = Mode2(150000, false);
    l__Sector = l__Good2;
    l__Sector[30] ^= 0x01;
    l__Sector[2200] ^= 0x80;
    EXPECT_TRUE(m__EdcEcc->CheckLB(l__Sector.data(), 2));
    EXPECT_EQ(l__Sector, l__Good2);

    // Sub-header copies that differ on a Form 2 sector: passes without correction.
    l__Sector = Mode2(10, true);
    l__Sector[17] ^= 0x01;
    Sector l__Before = l__Sector;
    EXPECT_FALSE(m__EdcEcc->CheckMODE2LB(l__Sector.data()));
    EXPECT_TRUE(m__EdcEcc->CheckLB(l__Sector.data(), 2));
    EXPECT_EQ(l__Sector, l__Before);

    // Whole rows wiped out: beyond repair, reported and left as read.
    for (ULONG l__ULONG__Kind : {1u, 2u}) {
        l__Sector = l__ULONG__Kind == 1 ? l__Good1 : l__Good2;
        std::memset(&l__Sector[12 + 86 * 3], 0xC3, 86 * 4);
        l__Before = l__Sector;
        TraceCapture l__Trace;
        EXPECT_FALSE(m__EdcEcc->CheckLB(l__Sector.data(), l__ULONG__Kind));
        EXPECT_EQ(l__Sector, l__Before);
        if (g__BOOLEAN__TraceEnabled) {
            EXPECT_TRUE(l__Trace.Contains(l__ULONG__Kind == 1 ? "CTarnwick_EDCECC::CheckLB(): Status (-1), Sector type 2\n"
                                                              : "CTarnwick_EDCECC::CheckLB(): Status (-1), Sector type 4\n"))
                << l__Trace.Text();
        }
    }
    REQUIRE_TRACING();  // the trace lines are checked in the loop above
}

// The engine's builder and the codec make the same sectors. The builder takes its address
// from the shared LBA conversion; the codec is asked for the LBA that address stands for.
TEST_F(EdcEccTest, RawBuilderMatchesTheCodec) {
    for (LONG l__LONG__LBA : {-150, 0, 16, 4499, 300000, -151, -45150}) {
        UCHAR l__UCHAR__Address[3] = {};
        LBAToMSFBCD(l__LONG__LBA, l__UCHAR__Address);
        auto l__FromBcd = [](UCHAR p__UCHAR__Bcd) { return LONG(p__UCHAR__Bcd >> 4) * 10 + (p__UCHAR__Bcd & 0x0F); };
        LONG l__LONG__Minutes = l__FromBcd(l__UCHAR__Address[0]);
        LONG l__LONG__Frames = l__LONG__Minutes * 4500 + l__FromBcd(l__UCHAR__Address[1]) * 75 + l__FromBcd(l__UCHAR__Address[2]);
        LONG l__LONG__AddressLBA = l__LONG__Frames - (l__LONG__Minutes >= 90 ? 450150 : 150);

        for (UCHAR l__UCHAR__Mode : {0, 1, 2}) {
            Sector l__Built = Filled(0xA5), l__Encoded = Filled(0);
            m__EdcEcc->BuildRawSector(l__Built.data(), l__LONG__LBA, l__UCHAR__Mode);
            EXPECT_TRUE(std::equal(l__UCHAR__Address, l__UCHAR__Address + 3, &l__Built[12]));
            LONG l__LONG__Type = l__UCHAR__Mode == 0 ? g__LONG__EncodeMode0
                                 : l__UCHAR__Mode == 1 ? g__LONG__EncodeMode1
                                                       : g__LONG__EncodeMode2Form1;
            ASSERT_EQ(EncodeSector(l__Encoded.data(), l__LONG__Type, l__LONG__AddressLBA), 0);
            EXPECT_EQ(l__Built, l__Encoded) << "LBA " << l__LONG__LBA << " mode " << int(l__UCHAR__Mode);
            if (l__UCHAR__Mode == 1) {
                EXPECT_TRUE(m__EdcEcc->CheckMODE1LB(l__Built.data()));
            } else if (l__UCHAR__Mode == 2) {
                EXPECT_TRUE(m__EdcEcc->CheckMODE2LB(l__Built.data()));
            }
        }
    }
}

}  // namespace
