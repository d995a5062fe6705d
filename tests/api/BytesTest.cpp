#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "CTarnwick_Bytes.h"

TEST(Bytes, SwapsOf16And32BitValues) {
    EXPECT_EQ(CTarnwick_Bytes::Swap16(0x1234), 0x3412);
    EXPECT_EQ(CTarnwick_Bytes::Swap16(0xFF00), 0x00FF);
    EXPECT_EQ(CTarnwick_Bytes::Swap32(0x12345678u), 0x78563412u);
    EXPECT_EQ(CTarnwick_Bytes::Swap32(0xFF0000A5u), 0xA50000FFu);
    EXPECT_EQ(CTarnwick_Bytes::Swap32(CTarnwick_Bytes::Swap32(0x80000001u)), 0x80000001u);
}

TEST(Bytes, Swap16ArrayInPlaceOnUnalignedBuffer) {
    // "AB?" as UTF-16 little-endian at an odd offset, followed by a byte that must stay.
    UCHAR l__UCHAR__Buffer[9] = {0xEE, 'A', 0x00, 'B', 0x00, 0x3F, 0x20, 0x77, 0xEE};
    CTarnwick_Bytes::Swap16Array(l__UCHAR__Buffer + 1, 3);
    const UCHAR l__UCHAR__Expected[9] = {0xEE, 0x00, 'A', 0x00, 'B', 0x20, 0x3F, 0x77, 0xEE};
    EXPECT_EQ(std::memcmp(l__UCHAR__Buffer, l__UCHAR__Expected, sizeof(l__UCHAR__Expected)), 0);

    CTarnwick_Bytes::Swap16Array(l__UCHAR__Buffer + 1, 0);
    EXPECT_EQ(std::memcmp(l__UCHAR__Buffer, l__UCHAR__Expected, sizeof(l__UCHAR__Expected)), 0);

    WCHAR l__WCHAR__Name[2] = {u'\u00E9', u'Z'};
    CTarnwick_Bytes::Swap16Array(l__WCHAR__Name, 2);
    EXPECT_EQ(l__WCHAR__Name[0], 0xE900);
    EXPECT_EQ(l__WCHAR__Name[1], 0x5A00);
}

TEST(Bytes, BlocksOf2048RoundUp) {
    EXPECT_EQ(CTarnwick_Bytes::BlocksOf2048(0), 0);
    EXPECT_EQ(CTarnwick_Bytes::BlocksOf2048(1), 1);
    EXPECT_EQ(CTarnwick_Bytes::BlocksOf2048(2047), 1);
    EXPECT_EQ(CTarnwick_Bytes::BlocksOf2048(2048), 1);
    EXPECT_EQ(CTarnwick_Bytes::BlocksOf2048(2049), 2);
    // Past 32 bits and at the very top of the range.
    EXPECT_EQ(CTarnwick_Bytes::BlocksOf2048(4294967296LL + 1), 2097153);
    EXPECT_EQ(CTarnwick_Bytes::BlocksOf2048(INT64_MAX), 4503599627370496LL);
}

TEST(Bytes, LittleAndBothEndianFieldsAtUnalignedAddresses) {
    UCHAR l__UCHAR__Buffer[13] = {};
    CTarnwick_Bytes::PutBothEndian32(l__UCHAR__Buffer + 1, 0x12345678u);
    const UCHAR l__UCHAR__Both32[8] = {0x78, 0x56, 0x34, 0x12, 0x12, 0x34, 0x56, 0x78};
    EXPECT_EQ(std::memcmp(l__UCHAR__Buffer + 1, l__UCHAR__Both32, 8), 0);
    EXPECT_EQ(CTarnwick_Bytes::GetLittleEndian32(l__UCHAR__Buffer + 1), 0x12345678u);
    EXPECT_EQ(CTarnwick_Bytes::GetBigEndian32(l__UCHAR__Buffer + 5), 0x12345678u);

    // Only the low bits of a wider value are stored; the neighbours stay untouched.
    CTarnwick_Bytes::PutBothEndian16(l__UCHAR__Buffer + 9, 0xABCDEF01u);
    const UCHAR l__UCHAR__Both16[4] = {0x01, 0xEF, 0xEF, 0x01};
    EXPECT_EQ(std::memcmp(l__UCHAR__Buffer + 9, l__UCHAR__Both16, 4), 0);
    EXPECT_EQ(CTarnwick_Bytes::GetLittleEndian16(l__UCHAR__Buffer + 9), 0xEF01u);
    EXPECT_EQ(l__UCHAR__Buffer[0], 0);
}
