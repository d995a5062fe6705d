#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "SectorCodec.h"
#include "SectorReference.h"

namespace {

using SectorReference::Filled;
using SectorReference::Sector;

const UCHAR g__UCHAR__ExpectedSync[12] = {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0};

bool HasSync(const Sector& p__Sector) { return std::equal(g__UCHAR__ExpectedSync, g__UCHAR__ExpectedSync + 12, p__Sector.begin()); }

// A random Mode 1 sector, or a Mode 2 Form 1 sector (header zeroed, as the codec returns
// it after a correction) with a consistent Form 1 sub-header.
Sector Encoded(std::mt19937& p__Generator, LONG p__LONG__CorrectType) {
    Sector l__Sector = SectorReference::RandomSector(p__Generator);
    if (p__LONG__CorrectType == g__LONG__CorrectMode1) {
        EncodeSector(l__Sector.data(), g__LONG__EncodeMode1, LONG(p__Generator() % 300000));
    } else {
        l__Sector[18] &= static_cast<UCHAR>(~0x20);
        std::memcpy(&l__Sector[20], &l__Sector[16], 4);
        EncodeSector(l__Sector.data(), g__LONG__EncodeMode2Form1, LONG(p__Generator() % 300000));
        std::memset(&l__Sector[12], 0, 4);
    }
    return l__Sector;
}

TEST(SectorCodec, AddressesAreBcdOfLbaPlus150AndLeadInFromMinute90) {
    struct Case {
        LONG m__LONG__LBA;
        UCHAR m__UCHAR__Address[3];
    };
    for (Case l__Case : {Case{0, {0x00, 0x02, 0x00}}, Case{-150, {0x00, 0x00, 0x00}}, Case{-151, {0x99, 0x59, 0x74}},
                         Case{-45150, {0x90, 0x00, 0x00}}, Case{404849, {0x89, 0x59, 0x74}},
                         Case{404850, {0x90, 0x00, 0x00}}, Case{449850, {0x00, 0x00, 0x00}},
                         Case{12345, {0x02, 0x46, 0x45}}, Case{2147483647, {0x18, 0x37, 0x22}}}) {
        Sector l__Sector = Filled(0);
        ASSERT_EQ(EncodeSector(l__Sector.data(), g__LONG__EncodeMode2, l__Case.m__LONG__LBA), 0);
        EXPECT_TRUE(std::equal(l__Case.m__UCHAR__Address, l__Case.m__UCHAR__Address + 3, &l__Sector[12]))
            << "LBA " << l__Case.m__LONG__LBA << ": " << std::hex << int(l__Sector[12]) << " " << int(l__Sector[13]) << " "
            << int(l__Sector[14]);
        EXPECT_EQ(l__Sector[15], 2);
    }
}

TEST(SectorCodec, EachTypeWritesWhatItCarries) {
    std::mt19937 l__Generator(7);
    const Sector l__Input = SectorReference::RandomSector(l__Generator);

    Sector l__Sector = l__Input;
    EXPECT_EQ(EncodeSector(l__Sector.data(), g__LONG__EncodeMode0, 0), 0);
    EXPECT_TRUE(HasSync(l__Sector));
    EXPECT_EQ(l__Sector[13], 0x02);
    EXPECT_EQ(l__Sector[15], 0);
    EXPECT_TRUE(std::all_of(l__Sector.begin() + 16, l__Sector.end(), [](UCHAR p__UCHAR__Byte) { return p__UCHAR__Byte == 0; }));

    l__Sector = l__Input;
    EXPECT_EQ(EncodeSector(l__Sector.data(), g__LONG__EncodeMode1, 0), 0);
    EXPECT_EQ(l__Sector[15], 1);
    EXPECT_TRUE(std::equal(l__Input.begin() + 16, l__Input.begin() + 2064, l__Sector.begin() + 16));
    EXPECT_EQ(SectorReference::Edc(l__Sector.data(), 2068), 0u);
    EXPECT_TRUE(std::all_of(l__Sector.begin() + 2068, l__Sector.begin() + 2076, [](UCHAR p__UCHAR__Byte) { return p__UCHAR__Byte == 0; }));
    EXPECT_TRUE(SectorReference::AllWordsHold(l__Sector.data()));

    l__Sector = l__Input;
    EXPECT_EQ(EncodeSector(l__Sector.data(), g__LONG__EncodeMode2, 0), 0);
    EXPECT_EQ(l__Sector[15], 2);
    EXPECT_TRUE(std::equal(l__Input.begin() + 16, l__Input.end(), l__Sector.begin() + 16));

    l__Sector = l__Input;
    EXPECT_EQ(EncodeSector(l__Sector.data(), g__LONG__EncodeMode2Form1, 0), 0);
    EXPECT_EQ(l__Sector[15], 2);
    EXPECT_EQ(l__Sector[13], 0x02);
    EXPECT_TRUE(std::equal(l__Input.begin() + 16, l__Input.begin() + 2072, l__Sector.begin() + 16));
    EXPECT_EQ(SectorReference::Edc(l__Sector.data() + 16, 2060), 0u);
    EXPECT_FALSE(SectorReference::AllWordsHold(l__Sector.data()));  // the header is outside the parity
    std::memset(&l__Sector[12], 0, 4);
    EXPECT_TRUE(SectorReference::AllWordsHold(l__Sector.data()));

    l__Sector = l__Input;
    EXPECT_EQ(EncodeSector(l__Sector.data(), g__LONG__EncodeMode2Form2, 0), 0);
    EXPECT_EQ(l__Sector[15], 2);
    EXPECT_TRUE(std::equal(l__Input.begin() + 16, l__Input.begin() + 2348, l__Sector.begin() + 16));
    EXPECT_EQ(SectorReference::Edc(l__Sector.data() + 16, 2336), 0u);
}

TEST(SectorCodec, UnknownTypesWriteOnlyTheSync) {
    for (LONG l__LONG__Type : {5, -1, 100}) {
        Sector l__Sector = Filled(0xA5);
        EXPECT_EQ(EncodeSector(l__Sector.data(), l__LONG__Type, 0), -1);
        EXPECT_TRUE(HasSync(l__Sector));
        EXPECT_TRUE(std::all_of(l__Sector.begin() + 12, l__Sector.end(), [](UCHAR p__UCHAR__Byte) { return p__UCHAR__Byte == 0xA5; }));
    }
    std::mt19937 l__Generator(1);
    Sector l__Sector = Encoded(l__Generator, g__LONG__CorrectMode1);
    EXPECT_EQ(CorrectSector(l__Sector.data(), 1), -2);
    EXPECT_EQ(CorrectSector(l__Sector.data(), 3), -2);
}

TEST(SectorCodec, IntactSectorsAnswerZeroAndARepairedSyncOne) {
    std::mt19937 l__Generator(2);
    for (LONG l__LONG__Type : {g__LONG__CorrectMode1, g__LONG__CorrectMode2Form1}) {
        const Sector l__Good = Encoded(l__Generator, l__LONG__Type);
        Sector l__Sector = l__Good;
        EXPECT_EQ(CorrectSector(l__Sector.data(), l__LONG__Type), 0);
        EXPECT_EQ(l__Sector, l__Good);
        l__Sector[1] = 0x7F;
        l__Sector[11] = 0xFF;
        EXPECT_EQ(CorrectSector(l__Sector.data(), l__LONG__Type), 1);
        EXPECT_EQ(l__Sector, l__Good);
    }
    // Form 1: the header is zero on return, whatever was read.
    Sector l__Sector = Encoded(l__Generator, g__LONG__CorrectMode2Form1);
    const Sector l__Good = l__Sector;
    l__Sector[12] = 0x12;
    l__Sector[15] = 2;
    EXPECT_EQ(CorrectSector(l__Sector.data(), g__LONG__CorrectMode2Form1), 0);
    EXPECT_EQ(l__Sector, l__Good);
}

TEST(SectorCodec, RepairsAnySingleCorruptedByte) {
    std::mt19937 l__Generator(3);
    for (LONG l__LONG__Type : {g__LONG__CorrectMode1, g__LONG__CorrectMode2Form1}) {
        const Sector l__Good = Encoded(l__Generator, l__LONG__Type);
        size_t l__size_t__First = l__LONG__Type == g__LONG__CorrectMode1 ? 12 : 16;
        for (size_t l__size_t__Offset = l__size_t__First; l__size_t__Offset < 2352; ++l__size_t__Offset) {
            Sector l__Sector = l__Good;
            l__Sector[l__size_t__Offset] ^= static_cast<UCHAR>(1 + l__Generator() % 255);
            ASSERT_EQ(CorrectSector(l__Sector.data(), l__LONG__Type), 1) << "offset " << l__size_t__Offset;
            ASSERT_EQ(l__Sector, l__Good) << "offset " << l__size_t__Offset;
        }
    }
}

// Damage of n distinct random bytes between 12 and 2351 with random non-zero errors.
void Corrupt(Sector& p__Sector, std::mt19937& p__Generator, size_t p__size_t__Count) {
    std::vector<size_t> l__Offsets;
    while (l__Offsets.size() < p__size_t__Count) {
        size_t l__size_t__Offset = 12 + p__Generator() % 2340;
        if (std::find(l__Offsets.begin(), l__Offsets.end(), l__size_t__Offset) == l__Offsets.end())
            l__Offsets.push_back(l__size_t__Offset);
    }
    for (size_t l__size_t__Offset : l__Offsets) p__Sector[l__size_t__Offset] ^= static_cast<UCHAR>(1 + p__Generator() % 255);
}

TEST(SectorCodec, RepairsRandomDamageOfTwoToEightBytesAndNeverAcceptsAWrongSector) {
    std::mt19937 l__Generator(20041);
    const Sector l__Good = Encoded(l__Generator, g__LONG__CorrectMode1);
    int l__int__Repaired = 0, l__int__Wrong = 0;
    const int l__int__Trials = 10000;
    for (int l__int__Trial = 0; l__int__Trial < l__int__Trials; ++l__int__Trial) {
        Sector l__Sector = l__Good;
        Corrupt(l__Sector, l__Generator, 2 + l__int__Trial % 7);
        LONG l__LONG__Result = CorrectSector(l__Sector.data(), g__LONG__CorrectMode1);
        if (l__LONG__Result >= 0) {
            if (l__Sector == l__Good)
                ++l__int__Repaired;
            else
                ++l__int__Wrong;
        }
    }
    EXPECT_EQ(l__int__Wrong, 0);
    EXPECT_GE(l__int__Repaired, l__int__Trials * 99 / 100);
    RecordProperty("repaired", l__int__Repaired);
}

TEST(SectorCodec, DamageBeyondRepairAnswersMinusOneAndLeavesTheSectorAsRead) {
    std::mt19937 l__Generator(4);
    for (LONG l__LONG__Type : {g__LONG__CorrectMode1, g__LONG__CorrectMode2Form1}) {
        const Sector l__Good = Encoded(l__Generator, l__LONG__Type);
        // Four whole rows: every P column and every Q diagonal has four errors or more.
        Sector l__Sector = l__Good;
        for (size_t l__size_t__Offset = 12 + 86 * 10; l__size_t__Offset < 12 + 86 * 14; ++l__size_t__Offset)
            l__Sector[l__size_t__Offset] ^= 0x55;
        Sector l__Damaged = l__Sector;
        EXPECT_EQ(CorrectSector(l__Sector.data(), l__LONG__Type), -1);
        EXPECT_EQ(l__Sector, l__Damaged);

        // Heavy random damage: either put right exactly or refused, never a wrong sector.
        int l__int__Refused = 0;
        for (int l__int__Trial = 0; l__int__Trial < 300; ++l__int__Trial) {
            l__Sector = l__Good;
            Corrupt(l__Sector, l__Generator, 40 + l__int__Trial % 400);
            LONG l__LONG__Result = CorrectSector(l__Sector.data(), l__LONG__Type);
            if (l__LONG__Result < 0) {
                EXPECT_EQ(l__LONG__Result, -1);
                ++l__int__Refused;
            } else {
                EXPECT_EQ(l__Sector, l__Good) << "trial " << l__int__Trial;
            }
        }
        EXPECT_GT(l__int__Refused, 0);
    }
}

}  // namespace
