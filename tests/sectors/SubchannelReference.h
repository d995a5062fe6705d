#pragma once
// Sub-channel Q and scrambling written straight from their definitions, bit by bit, so that
// the toolkit's table-driven raw blocks are judged by code they do not share: the CRC as a
// shift register over x^16 + x^12 + x^5 + 1, the scrambler as its 15-bit shift register,
// addresses by plain division, and the two sub-channel forms taken apart by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

#include "SectorReference.h"
#include "tarnwick_types.h"

namespace SubchannelReference {

inline UCHAR Bcd(long p__long__Value) { return static_cast<UCHAR>((p__long__Value / 10) * 16 + p__long__Value % 10); }

using Msf = std::array<UCHAR, 3>;

// A count of frames as BCD minute, second, frame.
inline Msf FramesToMsf(long p__long__Frames) {
    return {Bcd(p__long__Frames / (60 * 75)), Bcd(p__long__Frames / 75 % 60), Bcd(p__long__Frames % 75)};
}
// The absolute time of an LBA: two seconds on, the lead-in's negative LBAs from minute 90.
inline Msf AbsoluteMsf(long p__long__LBA) {
    long l__long__Frames = p__long__LBA + 150;
    if (l__long__Frames < 0) l__long__Frames += 100L * 60 * 75;
    return FramesToMsf(l__long__Frames);
}

// The Q CRC: register from 0, each data bit (most significant first) XORed into the top.
inline USHORT QCrc(const UCHAR* p__PUCHAR__Data) {
    unsigned l__unsigned__Register = 0;
    for (int l__int__Byte = 0; l__int__Byte < 10; ++l__int__Byte)
        for (int l__int__Bit = 7; l__int__Bit >= 0; --l__int__Bit) {
            const unsigned l__unsigned__In = (p__PUCHAR__Data[l__int__Byte] >> l__int__Bit) & 1;
            const unsigned l__unsigned__Top = (l__unsigned__Register >> 15) & 1;
            l__unsigned__Register = (l__unsigned__Register << 1) & 0xFFFF;
            if (l__unsigned__In ^ l__unsigned__Top) l__unsigned__Register ^= 0x1021;
        }
    return static_cast<USHORT>(~l__unsigned__Register & 0xFFFF);
}

// XORs bytes 12-2351 with the scrambler's output: register 0001h, output its lowest bit,
// feedback bit 0 XOR bit 1 into bit 14, each byte from its least significant bit up.
inline void Descramble(UCHAR* p__PUCHAR__Sector) {
    unsigned l__unsigned__Register = 1;
    for (int l__int__Byte = 12; l__int__Byte < 2352; ++l__int__Byte)
        for (int l__int__Bit = 0; l__int__Bit < 8; ++l__int__Bit) {
            p__PUCHAR__Sector[l__int__Byte] ^= static_cast<UCHAR>((l__unsigned__Register & 1) << l__int__Bit);
            const unsigned l__unsigned__Feedback = (l__unsigned__Register ^ (l__unsigned__Register >> 1)) & 1;
            l__unsigned__Register = (l__unsigned__Register >> 1) | (l__unsigned__Feedback << 14);
        }
}

// The Q record and P flag of a block, read by hand from either form; the form's fixed
// bits (zero padding of P-Q, R-W bits and a P flag in every byte of raw P-W) are checked.
struct Subchannel {
    std::array<UCHAR, 12> m__Q{};
    bool m__bool__P = false;
};

inline Subchannel ReadSubchannel(const UCHAR* p__PUCHAR__Block, size_t p__size_t__BlockBytes) {
    Subchannel l__Result;
    const UCHAR* l__PUCHAR__Sub = p__PUCHAR__Block + 2352;
    if (p__size_t__BlockBytes == 2368) {
        for (int l__int__Byte = 0; l__int__Byte < 12; ++l__int__Byte) l__Result.m__Q[l__int__Byte] = l__PUCHAR__Sub[l__int__Byte];
        EXPECT_EQ(l__PUCHAR__Sub[12] | l__PUCHAR__Sub[13] | l__PUCHAR__Sub[14], 0);
        EXPECT_EQ(l__PUCHAR__Sub[15] & 0x7F, 0);
        l__Result.m__bool__P = (l__PUCHAR__Sub[15] & 0x80) != 0;
        return l__Result;
    }
    EXPECT_EQ(p__size_t__BlockBytes, 2448u);
    l__Result.m__bool__P = (l__PUCHAR__Sub[0] & 0x80) != 0;
    for (int l__int__Symbol = 0; l__int__Symbol < 96; ++l__int__Symbol) {
        EXPECT_EQ((l__PUCHAR__Sub[l__int__Symbol] & 0x80) != 0, l__Result.m__bool__P) << "symbol " << l__int__Symbol;
        EXPECT_EQ(l__PUCHAR__Sub[l__int__Symbol] & 0x3F, 0) << "symbol " << l__int__Symbol;
        if (l__PUCHAR__Sub[l__int__Symbol] & 0x40) l__Result.m__Q[l__int__Symbol / 8] |= static_cast<UCHAR>(0x80 >> (l__int__Symbol % 8));
    }
    return l__Result;
}

// Expects the record's CRC to be right and returns the record for further checks.
inline std::array<UCHAR, 12> CheckedQ(const UCHAR* p__PUCHAR__Block, size_t p__size_t__BlockBytes, bool* p__pbool__P = nullptr) {
    const Subchannel l__Sub = ReadSubchannel(p__PUCHAR__Block, p__size_t__BlockBytes);
    const USHORT l__USHORT__Crc = QCrc(l__Sub.m__Q.data());
    EXPECT_EQ(l__Sub.m__Q[10], l__USHORT__Crc >> 8);
    EXPECT_EQ(l__Sub.m__Q[11], l__USHORT__Crc & 0xFF);
    EXPECT_EQ(l__Sub.m__Q[6], 0) << "ZERO field";
    if (p__pbool__P != nullptr) *p__pbool__P = l__Sub.m__bool__P;
    return l__Sub.m__Q;
}

inline Msf QTime(const std::array<UCHAR, 12>& p__Q) { return {p__Q[3], p__Q[4], p__Q[5]}; }
inline Msf QPointOrAbsoluteTime(const std::array<UCHAR, 12>& p__Q) { return {p__Q[7], p__Q[8], p__Q[9]}; }

inline ULONG StoredEdc(const UCHAR* p__PUCHAR__At) {
    return ULONG(p__PUCHAR__At[0]) | ULONG(p__PUCHAR__At[1]) << 8 | ULONG(p__PUCHAR__At[2]) << 16 | ULONG(p__PUCHAR__At[3]) << 24;
}

// Descrambles a sent data sector and expects sync, the address of p__long__LBA, the mode,
// the user data (zero when p__PUCHAR__User is NULL), and for Mode 1 and Mode 2 Form 1 a
// right EDC and parity; a Mode 2 sector without form is zero after its header.
enum class Kind { Mode1, Mode2Form1, Mode2 };

inline void ExpectDataSector(const UCHAR* p__PUCHAR__Sent, long p__long__LBA, Kind p__Kind, const UCHAR* p__PUCHAR__User = nullptr) {
    SectorReference::Sector l__Sector;
    std::copy(p__PUCHAR__Sent, p__PUCHAR__Sent + 2352, l__Sector.begin());
    Descramble(l__Sector.data());
    const UCHAR l__UCHAR__Sync[12] = {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0};
    EXPECT_TRUE(std::equal(l__UCHAR__Sync, l__UCHAR__Sync + 12, l__Sector.begin())) << "LBA " << p__long__LBA;
    const Msf l__Msf = AbsoluteMsf(p__long__LBA);
    EXPECT_TRUE(std::equal(l__Msf.begin(), l__Msf.end(), l__Sector.begin() + 12)) << "LBA " << p__long__LBA;
    EXPECT_EQ(l__Sector[15], p__Kind == Kind::Mode1 ? 1 : 2) << "LBA " << p__long__LBA;
    const std::vector<UCHAR> l__Zero(2048, 0);
    const UCHAR* l__PUCHAR__User = p__PUCHAR__User != nullptr ? p__PUCHAR__User : l__Zero.data();
    switch (p__Kind) {
        case Kind::Mode1:
            EXPECT_TRUE(std::equal(l__PUCHAR__User, l__PUCHAR__User + 2048, l__Sector.begin() + 16)) << "LBA " << p__long__LBA;
            EXPECT_EQ(SectorReference::Edc(l__Sector.data(), 2064), StoredEdc(&l__Sector[2064])) << "LBA " << p__long__LBA;
            EXPECT_TRUE(std::all_of(l__Sector.begin() + 2068, l__Sector.begin() + 2076, [](UCHAR b) { return b == 0; }));
            EXPECT_TRUE(SectorReference::AllWordsHold(l__Sector.data())) << "LBA " << p__long__LBA;
            break;
        case Kind::Mode2Form1:
            EXPECT_TRUE(std::all_of(l__Sector.begin() + 16, l__Sector.begin() + 24, [](UCHAR b) { return b == 0; }));
            EXPECT_TRUE(std::equal(l__PUCHAR__User, l__PUCHAR__User + 2048, l__Sector.begin() + 24)) << "LBA " << p__long__LBA;
            EXPECT_EQ(SectorReference::Edc(l__Sector.data() + 16, 2056), StoredEdc(&l__Sector[2072])) << "LBA " << p__long__LBA;
            // The parity of a Mode 2 sector is taken with a zero header.
            std::fill(l__Sector.begin() + 12, l__Sector.begin() + 16, 0);
            EXPECT_TRUE(SectorReference::AllWordsHold(l__Sector.data())) << "LBA " << p__long__LBA;
            break;
        case Kind::Mode2:
            EXPECT_TRUE(std::all_of(l__Sector.begin() + 16, l__Sector.end(), [](UCHAR b) { return b == 0; })) << "LBA " << p__long__LBA;
            break;
    }
}

}  // namespace SubchannelReference
