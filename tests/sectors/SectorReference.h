#pragma once
// A slow, table-free model of the CD-ROM sector codes, written straight from their
// definitions (bit-serial GF(2^8) arithmetic over x^8+x^4+x^3+x^2+1, bit-serial CRC), so
// that the toolkit's table-driven code is checked against something it does not share.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "tarnwick_types.h"

namespace SectorReference {

inline UCHAR Multiply(UCHAR p__UCHAR__A, UCHAR p__UCHAR__B) {
    unsigned l__unsigned__A = p__UCHAR__A, l__unsigned__Product = 0;
    for (int l__int__Bit = 0; l__int__Bit < 8; ++l__int__Bit) {
        if (p__UCHAR__B & (1 << l__int__Bit)) l__unsigned__Product ^= l__unsigned__A;
        l__unsigned__A <<= 1;
        if (l__unsigned__A & 0x100) l__unsigned__A ^= 0x11D;
    }
    return static_cast<UCHAR>(l__unsigned__Product);
}

inline UCHAR AlphaPower(unsigned p__unsigned__Exponent) {
    UCHAR l__UCHAR__Value = 1;
    for (unsigned l__unsigned__Step = 0; l__unsigned__Step < p__unsigned__Exponent; ++l__unsigned__Step)
        l__UCHAR__Value = Multiply(l__UCHAR__Value, 2);
    return l__UCHAR__Value;
}

// CRC register over the polynomial x^32+x^31+x^16+x^15+x^4+x^3+x+1, least significant bit first, from 0.
inline ULONG Edc(const UCHAR* p__PUCHAR__Data, size_t p__size_t__Length) {
    ULONG l__ULONG__Register = 0;
    for (size_t l__size_t__Byte = 0; l__size_t__Byte < p__size_t__Length; ++l__size_t__Byte) {
        l__ULONG__Register ^= p__PUCHAR__Data[l__size_t__Byte];
        for (int l__int__Bit = 0; l__int__Bit < 8; ++l__int__Bit)
            l__ULONG__Register = (l__ULONG__Register >> 1) ^ ((l__ULONG__Register & 1) ? 0xD8018001u : 0u);
    }
    return l__ULONG__Register;
}

// Sector addresses of the symbols of a code word: P column c (0-42), byte lane 0/1, 26
// symbols; Q diagonal d (0-25), 45 symbols.
inline std::vector<size_t> PWord(unsigned p__unsigned__Column, unsigned p__unsigned__Lane) {
    std::vector<size_t> l__Addresses;
    for (unsigned l__unsigned__Row = 0; l__unsigned__Row < 24; ++l__unsigned__Row)
        l__Addresses.push_back(12 + 2 * p__unsigned__Column + 86 * l__unsigned__Row + p__unsigned__Lane);
    l__Addresses.push_back(2076 + 2 * p__unsigned__Column + p__unsigned__Lane);
    l__Addresses.push_back(2076 + 86 + 2 * p__unsigned__Column + p__unsigned__Lane);
    return l__Addresses;
}

inline std::vector<size_t> QWord(unsigned p__unsigned__Diagonal, unsigned p__unsigned__Lane) {
    std::vector<size_t> l__Addresses;
    for (unsigned l__unsigned__Position = 0; l__unsigned__Position < 43; ++l__unsigned__Position)
        l__Addresses.push_back(12 + (86 * p__unsigned__Diagonal + 88 * l__unsigned__Position) % 2236 + p__unsigned__Lane);
    l__Addresses.push_back(2248 + 2 * p__unsigned__Diagonal + p__unsigned__Lane);
    l__Addresses.push_back(2248 + 52 + 2 * p__unsigned__Diagonal + p__unsigned__Lane);
    return l__Addresses;
}

// True when the code word satisfies both checks: sum of symbols 0, sum of symbol i times alpha^(n-1-i) 0.
inline bool WordHolds(const UCHAR* p__PUCHAR__Sector, const std::vector<size_t>& p__Addresses) {
    UCHAR l__UCHAR__Plain = 0, l__UCHAR__Weighted = 0;
    size_t l__size_t__Count = p__Addresses.size();
    for (size_t l__size_t__Symbol = 0; l__size_t__Symbol < l__size_t__Count; ++l__size_t__Symbol) {
        UCHAR l__UCHAR__Value = p__PUCHAR__Sector[p__Addresses[l__size_t__Symbol]];
        l__UCHAR__Plain ^= l__UCHAR__Value;
        l__UCHAR__Weighted ^= Multiply(l__UCHAR__Value, AlphaPower(unsigned(l__size_t__Count - 1 - l__size_t__Symbol)));
    }
    return l__UCHAR__Plain == 0 && l__UCHAR__Weighted == 0;
}

// True when every P and Q code word of the sector holds.
inline bool AllWordsHold(const UCHAR* p__PUCHAR__Sector) {
    for (unsigned l__unsigned__Lane = 0; l__unsigned__Lane < 2; ++l__unsigned__Lane) {
        for (unsigned l__unsigned__Column = 0; l__unsigned__Column < 43; ++l__unsigned__Column)
            if (!WordHolds(p__PUCHAR__Sector, PWord(l__unsigned__Column, l__unsigned__Lane))) return false;
        for (unsigned l__unsigned__Diagonal = 0; l__unsigned__Diagonal < 26; ++l__unsigned__Diagonal)
            if (!WordHolds(p__PUCHAR__Sector, QWord(l__unsigned__Diagonal, l__unsigned__Lane))) return false;
    }
    return true;
}

using Sector = std::array<UCHAR, 2352>;

// A raw sector with every byte the same.
inline Sector Filled(UCHAR p__UCHAR__Value) {
    Sector l__Sector;
    l__Sector.fill(p__UCHAR__Value);
    return l__Sector;
}

// A raw sector of random bytes from a seeded generator.
inline Sector RandomSector(std::mt19937& p__Generator) {
    Sector l__Sector;
    for (UCHAR& l__UCHAR__Byte : l__Sector) l__UCHAR__Byte = static_cast<UCHAR>(p__Generator());
    return l__Sector;
}

}  // namespace SectorReference
