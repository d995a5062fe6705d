#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "CTarnwick_CdAddress.h"

namespace {

using Msf = std::array<UCHAR, 3>;

struct Converted {
    Msf m__Msf;
    BOOLEAN m__BOOLEAN__Exact;
};

Converted Absolute(LONG p__LONG__LBA, bool p__bool__Bcd) {
    Converted l__Out{{0x5A, 0x5A, 0x5A}, 2};
    l__Out.m__BOOLEAN__Exact = p__bool__Bcd ? CTarnwick_CdAddress::LbaToMsfBcd(p__LONG__LBA, l__Out.m__Msf.data())
                                            : CTarnwick_CdAddress::LbaToMsf(p__LONG__LBA, l__Out.m__Msf.data());
    return l__Out;
}

Converted Relative(LONG p__LONG__Blocks, bool p__bool__Bcd) {
    Converted l__Out{{0x5A, 0x5A, 0x5A}, 2};
    l__Out.m__BOOLEAN__Exact = p__bool__Bcd ? CTarnwick_CdAddress::BlocksToMsfBcd(p__LONG__Blocks, l__Out.m__Msf.data())
                                            : CTarnwick_CdAddress::BlocksToMsf(p__LONG__Blocks, l__Out.m__Msf.data());
    return l__Out;
}

}  // namespace

// The edges of the clock in both forms: the lead-in from 90 minutes, the program area's
// ambiguous minutes from 90 on, the wrap past 99:59:74 in both directions, and the ends of
// the 32-bit range (no overflow).
TEST(CdAddress, AbsoluteAddressesAtTheEdges) {
    const struct {
        LONG m__LONG__LBA;
        Msf m__Binary;
        BOOLEAN m__BOOLEAN__Exact;
    } l__Cases[] = {
        {0, {0, 2, 0}, TRUE},
        {-1, {0, 1, 74}, TRUE},
        {-150, {0, 0, 0}, TRUE},
        {-151, {99, 59, 74}, TRUE},
        {-45150, {90, 0, 0}, TRUE},
        {-45151, {89, 59, 74}, FALSE},
        {-450150, {0, 0, 0}, FALSE},
        {-450151, {99, 59, 74}, FALSE},
        {4425, {1, 1, 0}, TRUE},
        {404849, {89, 59, 74}, TRUE},
        {404850, {90, 0, 0}, FALSE},
        {449849, {99, 59, 74}, FALSE},
        {449850, {0, 0, 0}, FALSE},
        {2147483647, {18, 37, 22}, FALSE},
        {-2147483647 - 1, {81, 26, 52}, FALSE},
    };
    for (const auto& l__Case : l__Cases) {
        SCOPED_TRACE(l__Case.m__LONG__LBA);
        const Converted l__Binary = Absolute(l__Case.m__LONG__LBA, false);
        EXPECT_EQ(l__Binary.m__Msf, l__Case.m__Binary);
        EXPECT_EQ(l__Binary.m__BOOLEAN__Exact, l__Case.m__BOOLEAN__Exact);
        EXPECT_EQ(CTarnwick_CdAddress::IsUnambiguous(l__Case.m__LONG__LBA), l__Case.m__BOOLEAN__Exact);
        // BCD carries the same digits.
        const Converted l__Bcd = Absolute(l__Case.m__LONG__LBA, true);
        const Msf l__Expected = {static_cast<UCHAR>(l__Case.m__Binary[0] / 10 * 16 + l__Case.m__Binary[0] % 10),
                                 static_cast<UCHAR>(l__Case.m__Binary[1] / 10 * 16 + l__Case.m__Binary[1] % 10),
                                 static_cast<UCHAR>(l__Case.m__Binary[2] / 10 * 16 + l__Case.m__Binary[2] % 10)};
        EXPECT_EQ(l__Bcd.m__Msf, l__Expected);
        EXPECT_EQ(l__Bcd.m__BOOLEAN__Exact, l__Case.m__BOOLEAN__Exact);
    }
}

TEST(CdAddress, BcdAndBinaryDiffer) {
    EXPECT_EQ(Absolute(333299, true).m__Msf, (Msf{0x74, 0x05, 0x74}));
    EXPECT_EQ(Absolute(333299, false).m__Msf, (Msf{74, 5, 74}));
    EXPECT_EQ(Absolute(-151, true).m__Msf, (Msf{0x99, 0x59, 0x74}));
}

TEST(CdAddress, RelativeAddressesHaveNoOffset) {
    const struct {
        LONG m__LONG__Blocks;
        Msf m__Binary;
        BOOLEAN m__BOOLEAN__Exact;
    } l__Cases[] = {
        {0, {0, 0, 0}, TRUE},      {74, {0, 0, 74}, TRUE},       {75, {0, 1, 0}, TRUE},
        {4499, {0, 59, 74}, TRUE}, {4500, {1, 0, 0}, TRUE},      {449999, {99, 59, 74}, TRUE},
        {450000, {0, 0, 0}, FALSE}, {-1, {99, 59, 74}, FALSE},
    };
    for (const auto& l__Case : l__Cases) {
        SCOPED_TRACE(l__Case.m__LONG__Blocks);
        const Converted l__Binary = Relative(l__Case.m__LONG__Blocks, false);
        EXPECT_EQ(l__Binary.m__Msf, l__Case.m__Binary);
        EXPECT_EQ(l__Binary.m__BOOLEAN__Exact, l__Case.m__BOOLEAN__Exact);
        EXPECT_EQ(Relative(l__Case.m__LONG__Blocks, true).m__BOOLEAN__Exact, l__Case.m__BOOLEAN__Exact);
    }
    EXPECT_EQ(Relative(4425, true).m__Msf, (Msf{0x00, 0x59, 0x00}));
}

// Minutes 90 to 99 read back as the lead-in's negative LBAs, below 90 as the program area;
// the program-area reading of a cue sheet never goes negative past 00:00:00.
TEST(CdAddress, MsfReadsBack) {
    EXPECT_EQ(CTarnwick_CdAddress::MsfToLba(0, 2, 0), 0);
    EXPECT_EQ(CTarnwick_CdAddress::MsfToLba(0, 0, 0), -150);
    EXPECT_EQ(CTarnwick_CdAddress::MsfToLba(89, 59, 74), 404849);
    EXPECT_EQ(CTarnwick_CdAddress::MsfToLba(90, 0, 0), -45150);
    EXPECT_EQ(CTarnwick_CdAddress::MsfToLba(97, 26, 66), -11634);
    EXPECT_EQ(CTarnwick_CdAddress::MsfToLba(99, 59, 74), -151);
    const UCHAR l__UCHAR__Bcd[3] = {0x97, 0x26, 0x66};
    EXPECT_EQ(CTarnwick_CdAddress::MsfBcdToLba(l__UCHAR__Bcd), -11634);
    EXPECT_EQ(CTarnwick_CdAddress::ProgramMsfToLba(99, 59, 74), 449849);
    EXPECT_EQ(CTarnwick_CdAddress::ProgramMsfToLba(0, 0, 0), -150);
    EXPECT_EQ(CTarnwick_CdAddress::MsfToBlocks(1, 1, 1), 4576);
}

// Every unambiguous LBA survives the round trip in both forms; the first ambiguous ones on
// either side come back as another LBA, which is why they are not reported exact.
TEST(CdAddress, RoundTripOverTheWholeUnambiguousRange) {
    for (LONG l__LONG__LBA = CTarnwick_CdAddress::FIRST_LBA; l__LONG__LBA <= CTarnwick_CdAddress::LAST_LBA; ++l__LONG__LBA) {
        UCHAR l__UCHAR__Binary[3], l__UCHAR__Bcd[3];
        ASSERT_TRUE(CTarnwick_CdAddress::LbaToMsf(l__LONG__LBA, l__UCHAR__Binary));
        ASSERT_TRUE(CTarnwick_CdAddress::LbaToMsfBcd(l__LONG__LBA, l__UCHAR__Bcd));
        ASSERT_TRUE(CTarnwick_CdAddress::IsValidMsf(l__UCHAR__Binary[0], l__UCHAR__Binary[1], l__UCHAR__Binary[2]));
        ASSERT_EQ(CTarnwick_CdAddress::MsfToLba(l__UCHAR__Binary[0], l__UCHAR__Binary[1], l__UCHAR__Binary[2]), l__LONG__LBA);
        ASSERT_EQ(CTarnwick_CdAddress::MsfBcdToLba(l__UCHAR__Bcd), l__LONG__LBA);
    }
    UCHAR l__UCHAR__Msf[3];
    CTarnwick_CdAddress::LbaToMsf(CTarnwick_CdAddress::LAST_LBA + 1, l__UCHAR__Msf);
    EXPECT_EQ(CTarnwick_CdAddress::MsfToLba(l__UCHAR__Msf[0], l__UCHAR__Msf[1], l__UCHAR__Msf[2]), -45150);
    CTarnwick_CdAddress::LbaToMsf(CTarnwick_CdAddress::FIRST_LBA - 1, l__UCHAR__Msf);
    EXPECT_EQ(CTarnwick_CdAddress::MsfToLba(l__UCHAR__Msf[0], l__UCHAR__Msf[1], l__UCHAR__Msf[2]), 404849);
}

TEST(CdAddress, BcdDigitsAndFieldChecks) {
    EXPECT_EQ(CTarnwick_CdAddress::ToBcd(0), 0x00);
    EXPECT_EQ(CTarnwick_CdAddress::ToBcd(59), 0x59);
    EXPECT_EQ(CTarnwick_CdAddress::ToBcd(100), 0x00);  // the last two decimal digits
    EXPECT_EQ(CTarnwick_CdAddress::ToBcd(477218), 0x18);
    EXPECT_EQ(CTarnwick_CdAddress::FromBcd(0x99), 99u);
    EXPECT_TRUE(CTarnwick_CdAddress::IsBcd(0x99));
    EXPECT_FALSE(CTarnwick_CdAddress::IsBcd(0x0A));
    EXPECT_FALSE(CTarnwick_CdAddress::IsBcd(0xA0));
    EXPECT_TRUE(CTarnwick_CdAddress::IsValidMsf(99, 59, 74));
    EXPECT_FALSE(CTarnwick_CdAddress::IsValidMsf(100, 0, 0));
    EXPECT_FALSE(CTarnwick_CdAddress::IsValidMsf(0, 60, 0));
    EXPECT_FALSE(CTarnwick_CdAddress::IsValidMsf(0, 0, 75));
}
