// The shared raw-block pieces against their definitions: the scrambling sequence against the
// shift register run bit by bit, the Q CRC against the bit-serial CRC, and the two
// sub-channel forms taken apart by hand.
#include <gtest/gtest.h>

#include <random>

#include "CTarnwick_RawSubchannel.h"
#include "SubchannelReference.h"
#include "VdiscSectorCoder.h"

namespace {

using namespace SubchannelReference;

TEST(RawSubchannel, ScramblerMatchesTheShiftRegisterAndUndoesItself) {
    std::mt19937 l__Generator(130);
    SectorReference::Sector l__Sector = SectorReference::RandomSector(l__Generator);
    const SectorReference::Sector l__Original = l__Sector;
    CTarnwick_RawSubchannel::Scramble(l__Sector.data());
    EXPECT_TRUE(std::equal(l__Original.begin(), l__Original.begin() + 12, l__Sector.begin())) << "sync left alone";
    EXPECT_NE(l__Sector, l__Original);
    Descramble(l__Sector.data());
    EXPECT_EQ(l__Sector, l__Original);
    // The sequence opens 01h 80h 00h 60h.
    const UCHAR* l__PUCHAR__Sequence = CTarnwick_RawSubchannel::ScramblingSequence();
    EXPECT_EQ(l__PUCHAR__Sequence[0], 0x01);
    EXPECT_EQ(l__PUCHAR__Sequence[1], 0x80);
    EXPECT_EQ(l__PUCHAR__Sequence[2], 0x00);
    EXPECT_EQ(l__PUCHAR__Sequence[3], 0x60);
    // The recorder's scrambler, a second judge.
    SectorReference::Sector l__Judge = l__Original;
    VdiscSectorCoder::Scramble(l__Judge.data());
    CTarnwick_RawSubchannel::Scramble(l__Judge.data());
    EXPECT_EQ(l__Judge, l__Original);
}

TEST(RawSubchannel, QRecordCarriesFieldsAndBitSerialCrc) {
    std::mt19937 l__Generator(1021);
    for (int l__int__Round = 0; l__int__Round < 200; ++l__int__Round) {
        UCHAR l__UCHAR__Fields[10];
        for (UCHAR& l__UCHAR__Byte : l__UCHAR__Fields) l__UCHAR__Byte = static_cast<UCHAR>(l__Generator());
        UCHAR l__UCHAR__Q[12];
        CTarnwick_RawSubchannel::BuildQ(l__UCHAR__Q, l__UCHAR__Fields[0], l__UCHAR__Fields[1], l__UCHAR__Fields[2], l__UCHAR__Fields + 3,
                                        l__UCHAR__Fields + 7);
        l__UCHAR__Fields[6] = 0;
        EXPECT_TRUE(std::equal(l__UCHAR__Fields, l__UCHAR__Fields + 10, l__UCHAR__Q));
        const USHORT l__USHORT__Crc = QCrc(l__UCHAR__Q);
        ASSERT_EQ(l__UCHAR__Q[10], l__USHORT__Crc >> 8) << "round " << l__int__Round;
        ASSERT_EQ(l__UCHAR__Q[11], l__USHORT__Crc & 0xFF) << "round " << l__int__Round;
        EXPECT_EQ(CTarnwick_RawSubchannel::QCrc(l__UCHAR__Q), VdiscSectorCoder::QCrc(l__UCHAR__Q));
    }
}

TEST(RawSubchannel, BothFormsCarryQAndPAndGatherUndoesSpread) {
    std::mt19937 l__Generator(96);
    for (const bool l__bool__P : {false, true}) {
        UCHAR l__UCHAR__Q[12];
        for (UCHAR& l__UCHAR__Byte : l__UCHAR__Q) l__UCHAR__Byte = static_cast<UCHAR>(l__Generator());
        std::vector<UCHAR> l__PQ(2368, 0xEE), l__PW(2448, 0xEE);
        CTarnwick_RawSubchannel::PutSubchannel(l__PQ.data(), 2368, l__UCHAR__Q, l__bool__P);
        CTarnwick_RawSubchannel::PutSubchannel(l__PW.data(), 2448, l__UCHAR__Q, l__bool__P);
        for (const auto* l__Block : {&l__PQ, &l__PW}) {
            const Subchannel l__Sub = ReadSubchannel(l__Block->data(), l__Block->size());
            EXPECT_TRUE(std::equal(l__UCHAR__Q, l__UCHAR__Q + 12, l__Sub.m__Q.begin()));
            EXPECT_EQ(l__Sub.m__bool__P, l__bool__P);
            EXPECT_TRUE(std::all_of(l__Block->begin(), l__Block->begin() + 2352, [](UCHAR b) { return b == 0xEE; })) << "sector untouched";
        }
        UCHAR l__UCHAR__Back[12];
        BOOLEAN l__BOOLEAN__P = !l__bool__P;
        CTarnwick_RawSubchannel::GatherQ(l__PW.data() + 2352, l__UCHAR__Back, &l__BOOLEAN__P);
        EXPECT_TRUE(std::equal(l__UCHAR__Q, l__UCHAR__Q + 12, l__UCHAR__Back));
        EXPECT_EQ(l__BOOLEAN__P != 0, l__bool__P);
    }
}

}  // namespace
