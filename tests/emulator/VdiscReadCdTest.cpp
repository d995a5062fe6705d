// READ CD of what was written: sector fields, EDC/ECC checked here with an independent
// formulation (syndromes), sub-channel Q, and raw Disc-At-Once writes read back plain.
#include <gtest/gtest.h>

#include <array>

#include "VdiscRawStream.h"
#include "VdiscTestDrive.h"

namespace {

// GF(2^8) with x^8+x^4+x^3+x^2+1, by logarithms.
struct Field {
    std::array<uint8_t, 512> m__Exp{};
    std::array<int, 256> m__Log{};
    Field() {
        int l__int__Value = 1;
        for (int l__int__I = 0; l__int__I < 255; ++l__int__I) {
            m__Exp[l__int__I] = m__Exp[l__int__I + 255] = static_cast<uint8_t>(l__int__Value);
            m__Log[l__int__Value] = l__int__I;
            l__int__Value <<= 1;
            if (l__int__Value & 0x100) l__int__Value ^= 0x11D;
        }
    }
    uint8_t Mul(uint8_t p__A, int p__int__Power) const { return p__A == 0 ? 0 : m__Exp[(m__Log[p__A] + p__int__Power) % 255]; }
};

// A Reed-Solomon vector (data then its two parity bytes) has syndromes sum(b) = 0 and sum(b * alpha^(n-1-i)) = 0.
bool VectorOk(const Field& p__Field, const std::vector<uint8_t>& p__Vector) {
    uint8_t l__S0 = 0, l__S1 = 0;
    const int l__int__N = static_cast<int>(p__Vector.size());
    for (int l__int__I = 0; l__int__I < l__int__N; ++l__int__I) {
        l__S0 ^= p__Vector[l__int__I];
        l__S1 ^= p__Field.Mul(p__Vector[l__int__I], l__int__N - 1 - l__int__I);
    }
    return l__S0 == 0 && l__S1 == 0;
}

// P: 86 columns of 24 bytes + 2 parity; Q: 52 diagonals of 43 bytes + 2 parity (over the bytes after the sync).
bool EccOk(std::vector<uint8_t> p__Sector, bool p__bool__ZeroHeader) {
    static const Field s__Field;
    if (p__bool__ZeroHeader) std::fill(p__Sector.begin() + 12, p__Sector.begin() + 16, 0);
    const uint8_t* l__D = p__Sector.data() + 12;
    for (int l__int__Column = 0; l__int__Column < 86; ++l__int__Column) {
        std::vector<uint8_t> l__Vector;
        for (int l__int__Row = 0; l__int__Row < 26; ++l__int__Row) l__Vector.push_back(l__D[l__int__Row * 86 + l__int__Column]);
        if (!VectorOk(s__Field, l__Vector)) return false;
    }
    for (int l__int__Diagonal = 0; l__int__Diagonal < 52; ++l__int__Diagonal) {
        std::vector<uint8_t> l__Vector;
        for (int l__int__I = 0; l__int__I < 43; ++l__int__I) {
            const int l__int__Word = ((l__int__Diagonal / 2) * 43 + l__int__I * 44) % 1118;
            l__Vector.push_back(l__D[2 * l__int__Word + (l__int__Diagonal & 1)]);
        }
        l__Vector.push_back(l__D[2236 + l__int__Diagonal]);
        l__Vector.push_back(l__D[2288 + l__int__Diagonal]);
        if (!VectorOk(s__Field, l__Vector)) return false;
    }
    return true;
}

// EDC bit by bit: x^32+x^31+x^16+x^15+x^4+x^3+x+1, LSB first, stored little-endian.
uint32_t Edc(const uint8_t* p__PUCHAR__Data, size_t p__size_t__Length) {
    uint32_t l__ULONG__Crc = 0;
    for (size_t l__size_t__I = 0; l__size_t__I < p__size_t__Length; ++l__size_t__I) {
        l__ULONG__Crc ^= p__PUCHAR__Data[l__size_t__I];
        for (int l__int__Bit = 0; l__int__Bit < 8; ++l__int__Bit) l__ULONG__Crc = (l__ULONG__Crc >> 1) ^ ((l__ULONG__Crc & 1) ? 0xD8018001u : 0);
    }
    return l__ULONG__Crc;
}
uint32_t Le32(const uint8_t* p__PUCHAR__At) {
    return p__PUCHAR__At[0] | (uint32_t{p__PUCHAR__At[1]} << 8) | (uint32_t{p__PUCHAR__At[2]} << 16) | (uint32_t{p__PUCHAR__At[3]} << 24);
}

uint16_t QCrc(const uint8_t* p__PUCHAR__Q) {
    uint16_t l__USHORT__Crc = 0;
    for (int l__int__I = 0; l__int__I < 10; ++l__int__I)
        for (int l__int__Bit = 7; l__int__Bit >= 0; --l__int__Bit) {
            const bool l__bool__Top = ((l__USHORT__Crc >> 15) & 1) != ((p__PUCHAR__Q[l__int__I] >> l__int__Bit) & 1);
            l__USHORT__Crc = static_cast<uint16_t>((l__USHORT__Crc << 1) ^ (l__bool__Top ? 0x1021 : 0));
        }
    return static_cast<uint16_t>(~l__USHORT__Crc);
}

VdiscTestDrive::Result ReadCd(VdiscTestDrive& p__Drive, int32_t p__LONG__Lba, uint8_t p__UCHAR__Type, uint8_t p__UCHAR__Flags, uint8_t p__UCHAR__Sub,
                              uint32_t p__ULONG__Length) {
    const uint32_t l__ULONG__Lba = static_cast<uint32_t>(p__LONG__Lba);
    return p__Drive.In({0xBE, static_cast<uint8_t>(p__UCHAR__Type << 2), static_cast<uint8_t>(l__ULONG__Lba >> 24), static_cast<uint8_t>(l__ULONG__Lba >> 16),
                        static_cast<uint8_t>(l__ULONG__Lba >> 8), static_cast<uint8_t>(l__ULONG__Lba), 0, 0, 1, p__UCHAR__Flags, p__UCHAR__Sub, 0},
                       p__ULONG__Length);
}

TEST(VdiscReadCd, Mode1SectorFieldsEdcEccAndQ) {
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
    ASSERT_TRUE(l__Drive.SetWriteParameters(1, 8, 4, 0, 0x00).Ok());
    std::vector<uint8_t> l__User(2048 * 2);
    for (size_t l__size_t__I = 0; l__size_t__I < l__User.size(); ++l__size_t__I) l__User[l__size_t__I] = static_cast<uint8_t>(l__size_t__I * 7 + 3);
    ASSERT_TRUE(l__Drive.Write(0, 2, l__User).Ok());
    VdiscTestDrive::Result l__Raw = ReadCd(l__Drive, 1, 2, 0xF8, 0, 2352);
    ASSERT_TRUE(l__Raw.Ok());
    const std::vector<uint8_t>& l__S = l__Raw.m__Data;
    EXPECT_EQ(std::vector<uint8_t>(l__S.begin(), l__S.begin() + 12), (std::vector<uint8_t>{0, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0}));
    EXPECT_EQ(std::vector<uint8_t>(l__S.begin() + 12, l__S.begin() + 16), (std::vector<uint8_t>{0x00, 0x02, 0x01, 0x01}));  // 00:02:01, Mode 1
    EXPECT_EQ(std::vector<uint8_t>(l__S.begin() + 16, l__S.begin() + 2064), std::vector<uint8_t>(l__User.begin() + 2048, l__User.end()));
    EXPECT_EQ(Le32(l__S.data() + 2064), Edc(l__S.data(), 2064));
    EXPECT_TRUE(EccOk(l__S, false));
    std::vector<uint8_t> l__Broken = l__S;
    l__Broken[100] ^= 1;
    EXPECT_FALSE(EccOk(l__Broken, false));

    // User data alone, then with formatted Q and raw P-W.
    VdiscTestDrive::Result l__Q = ReadCd(l__Drive, 0, 0, 0x10, 2, 2048 + 16);
    ASSERT_TRUE(l__Q.Ok());
    EXPECT_EQ(std::vector<uint8_t>(l__Q.m__Data.begin(), l__Q.m__Data.begin() + 2048), std::vector<uint8_t>(l__User.begin(), l__User.begin() + 2048));
    const uint8_t* l__PUCHAR__Q = l__Q.m__Data.data() + 2048;
    EXPECT_EQ(std::vector<uint8_t>(l__PUCHAR__Q, l__PUCHAR__Q + 10), (std::vector<uint8_t>{0x41, 0x01, 0x01, 0, 0, 0, 0, 0x00, 0x02, 0x00}));
    EXPECT_EQ((uint16_t{l__PUCHAR__Q[10]} << 8) | l__PUCHAR__Q[11], QCrc(l__PUCHAR__Q));
    VdiscTestDrive::Result l__Pw = ReadCd(l__Drive, 0, 0, 0x00, 1, 96);
    ASSERT_TRUE(l__Pw.Ok());
    uint8_t l__UCHAR__Gathered[12] = {};
    for (int l__int__I = 0; l__int__I < 96; ++l__int__I)
        if (l__Pw.m__Data[l__int__I] & 0x40) l__UCHAR__Gathered[l__int__I / 8] |= static_cast<uint8_t>(0x80 >> (l__int__I % 8));
    EXPECT_EQ(std::vector<uint8_t>(l__UCHAR__Gathered, l__UCHAR__Gathered + 12), std::vector<uint8_t>(l__PUCHAR__Q, l__PUCHAR__Q + 12));
    // Header only; EDC without user data is no valid selection; a C2 field.
    VdiscTestDrive::Result l__Header = ReadCd(l__Drive, 0, 0, 0x20, 0, 4);
    EXPECT_EQ(l__Header.m__Data, (std::vector<uint8_t>{0x00, 0x02, 0x00, 0x01}));
    EXPECT_TRUE(ReadCd(l__Drive, 0, 0, 0x08, 0, 288).Is(0x05, 0x24, 0x00));
    EXPECT_TRUE(ReadCd(l__Drive, 0, 0, 0x12, 0, 2048 + 294).Ok());
    // Past what was written.
    EXPECT_TRUE(ReadCd(l__Drive, 5, 0, 0x10, 0, 2048).Is(0x05, 0x21, 0x00));
}

TEST(VdiscReadCd, Mode2Form1TakesTheSubheaderOfTheWriteParameters) {
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
    VdiscTestDrive::Result l__Page = l__Drive.In({0x5A, 0x08, 0x05, 0, 0, 0, 0, 0x10, 0x00, 0}, 4096);
    std::vector<uint8_t> l__Select(l__Page.m__Data.begin(), l__Page.m__Data.begin() + l__Page.m__Data[9] + 10);
    std::fill(l__Select.begin(), l__Select.begin() + 8, 0);
    l__Select[8 + 2] = 0x01;
    l__Select[8 + 3] = 0x04;
    l__Select[8 + 4] = 10;
    l__Select[8 + 8] = 0x20;
    l__Select[8 + 48 + 2] = 0x08;  // submode: data
    ASSERT_TRUE(l__Drive.Out({0x55, 0x10, 0, 0, 0, 0, 0, 0, static_cast<uint8_t>(l__Select.size()), 0}, l__Select).Ok());
    std::vector<uint8_t> l__User(2048, 0xC3);
    ASSERT_TRUE(l__Drive.Write(0, 1, l__User).Ok());
    EXPECT_EQ(l__Drive.Read(0, 1).m__Data, l__User);
    VdiscTestDrive::Result l__Raw = ReadCd(l__Drive, 0, 4, 0xF8, 0, 2352);
    ASSERT_TRUE(l__Raw.Ok());
    const std::vector<uint8_t>& l__S = l__Raw.m__Data;
    EXPECT_EQ(l__S[15], 2);
    EXPECT_EQ(std::vector<uint8_t>(l__S.begin() + 16, l__S.begin() + 24), (std::vector<uint8_t>{0, 0, 8, 0, 0, 0, 8, 0}));
    EXPECT_EQ(Le32(l__S.data() + 2072), Edc(l__S.data() + 16, 2056));
    EXPECT_TRUE(EccOk(l__S, true));
    EXPECT_TRUE(ReadCd(l__Drive, 0, 2, 0x10, 0, 2048).Is(0x05, 0x64, 0x00));  // not Mode 1
}

void Scramble(uint8_t* p__PUCHAR__Sector) {
    uint16_t l__USHORT__Register = 1;
    for (int l__int__I = 12; l__int__I < 2352; ++l__int__I) {
        uint8_t l__UCHAR__Byte = 0;
        for (int l__int__Bit = 0; l__int__Bit < 8; ++l__int__Bit) {
            l__UCHAR__Byte |= static_cast<uint8_t>((l__USHORT__Register & 1) << l__int__Bit);
            const uint16_t l__USHORT__Feedback = (l__USHORT__Register ^ (l__USHORT__Register >> 1)) & 1;
            l__USHORT__Register = static_cast<uint16_t>((l__USHORT__Register >> 1) | (l__USHORT__Feedback << 14));
        }
        p__PUCHAR__Sector[l__int__I] ^= l__UCHAR__Byte;
    }
}

TEST(VdiscReadCd, RawDiscAtOnceFromTheLeadInReadsBackDescrambled) {
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
    ASSERT_TRUE(l__Drive.SetWriteParameters(3, 3, 0, 0, 0x00).Ok());
    VdiscTestDrive::Result l__Disc = l__Drive.DiscInfo();
    const int32_t l__LONG__LeadIn = l__Disc.m__Data[17] * 4500 + l__Disc.m__Data[18] * 75 + l__Disc.m__Data[19] - 450150;
    EXPECT_EQ(l__LONG__LeadIn, -11634);
    const VdiscRawStream l__Stream(l__LONG__LeadIn, {{true, 1, 0, 0}}, 320, 2448);
    // Raw writing starts at the lead-in and nowhere else.
    EXPECT_TRUE(l__Drive.Write(-150, 1, l__Stream.Block(-150)).Is(0x05, 0x21, 0x02));
    ASSERT_TRUE(l__Stream.Put(l__Drive, l__LONG__LeadIn, 336).Ok());
    ASSERT_TRUE(l__Drive.Sync().Ok());
    VdiscTestDrive::Result l__Track = l__Drive.TrackInfo(1);
    ASSERT_TRUE(l__Track.Ok());
    EXPECT_EQ(VdiscTestDrive::Be32(l__Track.m__Data, 8), 0u);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Track.m__Data, 24), 320u);
    EXPECT_EQ(l__Track.m__Data[5] & 0x0F, 4);
    EXPECT_EQ(l__Drive.Read(5, 1).m__Data, VdiscRawStream::UserData(5));
    VdiscTestDrive::Result l__Raw = ReadCd(l__Drive, 7, 2, 0xF8, 1, 2352 + 96);
    ASSERT_TRUE(l__Raw.Ok());
    // The sector as sent, unscrambled here with this test's own sequence, and its sub-channel.
    std::vector<uint8_t> l__Expected = l__Stream.Block(7);
    Scramble(l__Expected.data());
    EXPECT_EQ(l__Raw.m__Data, l__Expected);
    EXPECT_EQ(std::vector<uint8_t>(l__Raw.m__Data.begin() + 12, l__Raw.m__Data.begin() + 16), (std::vector<uint8_t>{0x00, 0x02, 0x07, 0x01}));
    EXPECT_EQ(std::vector<uint8_t>(l__Raw.m__Data.begin() + 16, l__Raw.m__Data.begin() + 2064), VdiscRawStream::UserData(7));
}

// Session-At-Once Mode 2 tracks carry 2336 bytes per block: the host's subheader, user data and EDC/ECC.
TEST(VdiscReadCd, HostEncodedMode2Form1IsReadAsUserDataAndABadEdcIsAReadError) {
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
    ASSERT_TRUE(l__Drive.SetWriteParameters(2, 8, 4, 0, 0x20).Ok());
    const std::vector<uint8_t> l__Cue = {0x41, 0x00, 0x00, 0x24, 0, 0, 0, 0, 0x41, 0x01, 0x00, 0x20, 0, 0, 0, 0,
                                         0x41, 0x01, 0x01, 0x20, 0, 0, 2, 0, 0x41, 0xAA, 0x01, 0x24, 0, 0, 6, 0};
    ASSERT_TRUE(l__Drive.Out({0x5D, 0, 0, 0, 0, 0, 0, 0, 32, 0}, l__Cue).Ok());
    auto l__Block = [](uint8_t p__UCHAR__Fill, bool p__bool__GoodEdc) {
        std::vector<uint8_t> l__Data(2336, 0);
        const uint8_t l__Subheader[8] = {0, 0, 0x08, 0, 0, 0, 0x08, 0};
        std::copy(l__Subheader, l__Subheader + 8, l__Data.begin());
        std::fill(l__Data.begin() + 8, l__Data.begin() + 2056, p__UCHAR__Fill);
        const uint32_t l__ULONG__Edc = Edc(l__Data.data(), 2056) ^ (p__bool__GoodEdc ? 0u : 1u);
        for (int l__int__I = 0; l__int__I < 4; ++l__int__I) l__Data[2056 + l__int__I] = static_cast<uint8_t>(l__ULONG__Edc >> (8 * l__int__I));
        return l__Data;
    };
    for (int32_t l__LONG__Lba = -150; l__LONG__Lba < 300; ++l__LONG__Lba)
        ASSERT_TRUE(l__Drive.Write(l__LONG__Lba, 1, l__Block(static_cast<uint8_t>(l__LONG__Lba), l__LONG__Lba != 77)).Ok());
    ASSERT_TRUE(l__Drive.Sync().Ok());
    EXPECT_EQ(l__Drive.Read(5, 1).m__Data, std::vector<uint8_t>(2048, 5));
    EXPECT_TRUE(l__Drive.Read(77, 1).Is(0x03, 0x11, 0x00));
    VdiscTestDrive::Result l__Raw = ReadCd(l__Drive, 5, 4, 0x58, 0, 8 + 2048 + 280);
    ASSERT_TRUE(l__Raw.Ok());  // a Form 1 sector as far as READ CD can tell
    EXPECT_EQ(l__Drive.TrackInfo(1).m__Data[6] & 0x0F, 2);
}

// Mixed-form Mode 2 (data block type 13, 2332 bytes: subheader and 2324 bytes): Form 2 read back with its EDC.
TEST(VdiscReadCd, MixedFormMode2SectorsReadAsForm2) {
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
    ASSERT_TRUE(l__Drive.SetWriteParameters(1, 13, 4, 0, 0x20).Ok());
    std::vector<uint8_t> l__Block(2332, 0x5C);
    const uint8_t l__Subheader[8] = {1, 1, 0x64, 0x0F, 1, 1, 0x64, 0x0F};  // real-time video, Form 2
    std::copy(l__Subheader, l__Subheader + 8, l__Block.begin());
    ASSERT_TRUE(l__Drive.Write(0, 1, l__Block).Ok());
    EXPECT_TRUE(l__Drive.Read(0, 1).Is(0x05, 0x64, 0x00));  // no 2048-byte user data in Form 2
    VdiscTestDrive::Result l__Form2 = ReadCd(l__Drive, 0, 5, 0x50, 0, 8 + 2328);
    ASSERT_TRUE(l__Form2.Ok());
    EXPECT_EQ(std::vector<uint8_t>(l__Form2.m__Data.begin(), l__Form2.m__Data.begin() + 8), std::vector<uint8_t>(l__Subheader, l__Subheader + 8));
    EXPECT_EQ(std::vector<uint8_t>(l__Form2.m__Data.begin() + 8, l__Form2.m__Data.begin() + 8 + 2324), std::vector<uint8_t>(2324, 0x5C));
    EXPECT_EQ(Le32(l__Form2.m__Data.data() + 8 + 2324), Edc(l__Form2.m__Data.data(), 8 + 2324));
    EXPECT_TRUE(ReadCd(l__Drive, 0, 4, 0x10, 0, 2048).Is(0x05, 0x64, 0x00));  // not Form 1
}

}  // namespace
