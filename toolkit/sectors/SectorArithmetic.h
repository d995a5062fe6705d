#pragma once
// Constant arithmetic of CD-ROM sectors shared by the EDC/ECC object and the sector
// codec: the sector geometry, the sync pattern, GF(2^8) with the primitive polynomial
// x^8 + x^4 + x^3 + x^2 + 1, the parity coefficients of the P (26,24) and Q (45,43)
// Reed-Solomon codes, and the EDC (a CRC-32 over the polynomial 0x8001801B, taken least
// significant bit first, starting at 0, without final inversion).
#include <bit>
#include <cstddef>
#include <cstring>

#include "CTarnwick_Bytes.h"
#include "tarnwick_types.h"

namespace SectorArithmetic {

static_assert(std::endian::native == std::endian::little, "the EDC routine loads little-endian words");

// Sector geometry (byte offsets in a 2352-byte raw sector).
inline constexpr ULONG g__ULONG__RawSectorSize = 2352;
inline constexpr ULONG g__ULONG__HeaderOffset = 12;   // minute, second, frame, mode
inline constexpr ULONG g__ULONG__SubHeaderOffset = 16;
inline constexpr ULONG g__ULONG__Mode1EdcOffset = 2064;
inline constexpr ULONG g__ULONG__Form1EdcOffset = 2072;
inline constexpr ULONG g__ULONG__Form2EdcOffset = 2348;
inline constexpr ULONG g__ULONG__POffset = 2076;       // 2 x 86 bytes
inline constexpr ULONG g__ULONG__QOffset = 2248;       // 2 x 52 bytes
inline constexpr ULONG g__ULONG__RowSize = 86;         // 43 words of 2 byte lanes
inline constexpr ULONG g__ULONG__PColumns = 43;
inline constexpr ULONG g__ULONG__PDataRows = 24;
inline constexpr ULONG g__ULONG__QDiagonals = 26;
inline constexpr ULONG g__ULONG__QDataWords = 43;
inline constexpr ULONG g__ULONG__QArea = 2236;         // bytes 12-2247: the Q code's data

inline constexpr UCHAR g__UCHAR__Sync[12] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

// GF(2^8): m__UCHAR__Exp[i] = alpha^i for i in 0..509 (doubled so that a sum of two
// logarithms needs no reduction); m__UCHAR__Log[0] is unused.
struct GaloisTables {
    UCHAR m__UCHAR__Exp[510];
    UCHAR m__UCHAR__Log[256];
};

constexpr GaloisTables MakeGaloisTables() {
    GaloisTables l__Tables{};
    ULONG l__ULONG__Value = 1;
    for (ULONG l__ULONG__Power = 0; l__ULONG__Power < 255; ++l__ULONG__Power) {
        l__Tables.m__UCHAR__Exp[l__ULONG__Power] = static_cast<UCHAR>(l__ULONG__Value);
        l__Tables.m__UCHAR__Exp[l__ULONG__Power + 255] = static_cast<UCHAR>(l__ULONG__Value);
        l__Tables.m__UCHAR__Log[l__ULONG__Value] = static_cast<UCHAR>(l__ULONG__Power);
        l__ULONG__Value <<= 1;
        if (l__ULONG__Value & 0x100) l__ULONG__Value ^= 0x11D;
    }
    return l__Tables;
}

inline constexpr GaloisTables g__Galois = MakeGaloisTables();

constexpr UCHAR Multiply(UCHAR p__UCHAR__A, UCHAR p__UCHAR__B) {
    if (p__UCHAR__A == 0 || p__UCHAR__B == 0) return 0;
    return g__Galois.m__UCHAR__Exp[g__Galois.m__UCHAR__Log[p__UCHAR__A] + g__Galois.m__UCHAR__Log[p__UCHAR__B]];
}

// p__UCHAR__A / p__UCHAR__B for a non-zero divisor.
constexpr UCHAR Divide(UCHAR p__UCHAR__A, UCHAR p__UCHAR__B) {
    if (p__UCHAR__A == 0) return 0;
    return g__Galois.m__UCHAR__Exp[g__Galois.m__UCHAR__Log[p__UCHAR__A] + 255 - g__Galois.m__UCHAR__Log[p__UCHAR__B]];
}

constexpr UCHAR Power(ULONG p__ULONG__Exponent) { return g__Galois.m__UCHAR__Exp[p__ULONG__Exponent % 255]; }

// The parity coefficients of a Reed-Solomon code word of N symbols whose checks are
// "sum of all symbols is 0" and "sum of symbol i times alpha^(N-1-i) is 0", with the
// parity in the last two positions. Data symbol i contributes coefficient[0][i] times
// itself to the first parity symbol and coefficient[1][i] times itself to the second:
// first = (1 + alpha^(N-1-i)) / (1 + alpha), second = first + 1. Stored as logarithms.
template <ULONG N>
struct CoefficientLogs {
    UCHAR m__UCHAR__Log[2][N - 2];
};

template <ULONG N>
constexpr CoefficientLogs<N> MakeCoefficientLogs() {
    CoefficientLogs<N> l__Logs{};
    for (ULONG l__ULONG__Position = 0; l__ULONG__Position < N - 2; ++l__ULONG__Position) {
        UCHAR l__UCHAR__First = Divide(static_cast<UCHAR>(1 ^ Power(N - 1 - l__ULONG__Position)), 1 ^ 2);
        l__Logs.m__UCHAR__Log[0][l__ULONG__Position] = g__Galois.m__UCHAR__Log[l__UCHAR__First];
        l__Logs.m__UCHAR__Log[1][l__ULONG__Position] = g__Galois.m__UCHAR__Log[l__UCHAR__First ^ 1];
    }
    return l__Logs;
}

inline constexpr CoefficientLogs<26> g__PCoefficients = MakeCoefficientLogs<26>();
inline constexpr CoefficientLogs<45> g__QCoefficients = MakeCoefficientLogs<45>();

// EDC tables: m__ULONG__Table[0] is the byte-wise table (entry k = the register after
// shifting k through eight steps); table n advances the register over n + 1 bytes at once,
// so that sixteen bytes cost sixteen independent look-ups and two loads.
inline constexpr ULONG g__ULONG__EdcSlices = 16;

struct EdcTables {
    ULONG m__ULONG__Table[g__ULONG__EdcSlices][256];
};

constexpr EdcTables MakeEdcTables() {
    EdcTables l__Tables{};
    for (ULONG l__ULONG__Byte = 0; l__ULONG__Byte < 256; ++l__ULONG__Byte) {
        ULONG l__ULONG__Register = l__ULONG__Byte;
        for (int l__int__Step = 0; l__int__Step < 8; ++l__int__Step)
            l__ULONG__Register = (l__ULONG__Register >> 1) ^ ((l__ULONG__Register & 1) ? 0xD8018001u : 0u);
        l__Tables.m__ULONG__Table[0][l__ULONG__Byte] = l__ULONG__Register;
    }
    for (ULONG l__ULONG__Slice = 1; l__ULONG__Slice < g__ULONG__EdcSlices; ++l__ULONG__Slice)
        for (ULONG l__ULONG__Byte = 0; l__ULONG__Byte < 256; ++l__ULONG__Byte) {
            ULONG l__ULONG__Previous = l__Tables.m__ULONG__Table[l__ULONG__Slice - 1][l__ULONG__Byte];
            l__Tables.m__ULONG__Table[l__ULONG__Slice][l__ULONG__Byte] =
                (l__ULONG__Previous >> 8) ^ l__Tables.m__ULONG__Table[0][l__ULONG__Previous & 0xFF];
        }
    return l__Tables;
}

inline constexpr EdcTables g__Edc = MakeEdcTables();

// The EDC register after p__ULONG__Length bytes.
inline ULONG ComputeEdc(const UCHAR* p__PUCHAR__Data, ULONG p__ULONG__Length) {
    const auto& l__Table = g__Edc.m__ULONG__Table;
    ULONG l__ULONG__Register = 0;
    while (p__ULONG__Length >= 16) {
        uint64_t l__uint64__Low, l__uint64__High;
        std::memcpy(&l__uint64__Low, p__PUCHAR__Data, 8);
        std::memcpy(&l__uint64__High, p__PUCHAR__Data + 8, 8);
        l__uint64__Low ^= l__ULONG__Register;
        l__ULONG__Register = 0;
        for (ULONG l__ULONG__Byte = 0; l__ULONG__Byte < 8; ++l__ULONG__Byte)
            l__ULONG__Register ^= l__Table[15 - l__ULONG__Byte][(l__uint64__Low >> (8 * l__ULONG__Byte)) & 0xFF] ^
                                  l__Table[7 - l__ULONG__Byte][(l__uint64__High >> (8 * l__ULONG__Byte)) & 0xFF];
        p__PUCHAR__Data += 16;
        p__ULONG__Length -= 16;
    }
    while (p__ULONG__Length--)
        l__ULONG__Register = (l__ULONG__Register >> 8) ^ l__Table[0][(l__ULONG__Register ^ *p__PUCHAR__Data++) & 0xFF];
    return l__ULONG__Register;
}

// The EDC as stored in a sector: least significant byte first.
inline void StoreEdc(PUCHAR p__PUCHAR__Target, ULONG p__ULONG__Edc) {
    CTarnwick_Bytes::PutLittleEndian32(p__PUCHAR__Target, p__ULONG__Edc);
}

inline ULONG LoadEdc(const UCHAR* p__PUCHAR__Source) { return CTarnwick_Bytes::GetLittleEndian32(p__PUCHAR__Source); }

}  // namespace SectorArithmetic
