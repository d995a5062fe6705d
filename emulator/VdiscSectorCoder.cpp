#include "VdiscSectorCoder.h"

#include <array>
#include <cstring>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_CdAddress.h"

namespace {

struct Tables {
    // EDC by eight bytes at a time: m__Edc[k][b] is the CRC of byte b followed by k zero bytes.
    std::array<std::array<uint32_t, 256>, 8> m__Edc{};
    std::array<uint8_t, 256> m__Forward{};   // multiply by alpha in GF(2^8), x^8+x^4+x^3+x^2+1
    std::array<uint8_t, 256> m__Backward{};  // divide by (1 + alpha)
    std::array<uint8_t, 2340> m__Scramble{};
    std::array<uint16_t, 256> m__QCrc{};  // the Q CRC (x^16+x^12+x^5+1, MSB first) of a byte
    Tables() {
        for (uint32_t l__ULONG__I = 0; l__ULONG__I < 256; ++l__ULONG__I) {
            uint32_t l__ULONG__Crc = l__ULONG__I;
            for (int l__int__Bit = 0; l__int__Bit < 8; ++l__int__Bit)
                l__ULONG__Crc = (l__ULONG__Crc >> 1) ^ ((l__ULONG__Crc & 1) ? 0xD8018001u : 0u);
            m__Edc[0][l__ULONG__I] = l__ULONG__Crc;
            uint32_t l__ULONG__Times = (l__ULONG__I << 1) ^ ((l__ULONG__I & 0x80) ? 0x11Du : 0u);
            m__Forward[l__ULONG__I] = static_cast<uint8_t>(l__ULONG__Times);
            m__Backward[l__ULONG__I ^ l__ULONG__Times] = static_cast<uint8_t>(l__ULONG__I);
        }
        uint32_t l__ULONG__Register = 1;
        for (size_t l__size_t__I = 0; l__size_t__I < m__Scramble.size(); ++l__size_t__I) {
            uint8_t l__UCHAR__Byte = 0;
            for (int l__int__Bit = 0; l__int__Bit < 8; ++l__int__Bit) {
                l__UCHAR__Byte |= static_cast<uint8_t>((l__ULONG__Register & 1) << l__int__Bit);
                uint32_t l__ULONG__Feedback = (l__ULONG__Register ^ (l__ULONG__Register >> 1)) & 1;
                l__ULONG__Register = (l__ULONG__Register >> 1) | (l__ULONG__Feedback << 14);
            }
            m__Scramble[l__size_t__I] = l__UCHAR__Byte;
        }
        for (uint32_t l__ULONG__I = 0; l__ULONG__I < 256; ++l__ULONG__I) {
            uint16_t l__USHORT__Crc = static_cast<uint16_t>(l__ULONG__I << 8);
            for (int l__int__Bit = 0; l__int__Bit < 8; ++l__int__Bit)
                l__USHORT__Crc = static_cast<uint16_t>((l__USHORT__Crc & 0x8000) ? (l__USHORT__Crc << 1) ^ 0x1021 : l__USHORT__Crc << 1);
            m__QCrc[l__ULONG__I] = l__USHORT__Crc;
        }
        for (size_t l__size_t__K = 1; l__size_t__K < m__Edc.size(); ++l__size_t__K)
            for (size_t l__size_t__I = 0; l__size_t__I < 256; ++l__size_t__I)
                m__Edc[l__size_t__K][l__size_t__I] = (m__Edc[l__size_t__K - 1][l__size_t__I] >> 8) ^ m__Edc[0][m__Edc[l__size_t__K - 1][l__size_t__I] & 0xFF];
    }
};

const Tables& T() {
    static const Tables s__Tables;
    return s__Tables;
}

uint64_t Load64(const uint8_t* p__PUCHAR__At) {
    uint64_t l__ULONGLONG__Value;
    std::memcpy(&l__ULONGLONG__Value, p__PUCHAR__At, 8);
    return l__ULONGLONG__Value;
}

// Eight GF(2^8) elements packed in a word, each multiplied by alpha (x^8+x^4+x^3+x^2+1).
uint64_t TimesAlpha(uint64_t p__ULONGLONG__Value) {
    return ((p__ULONGLONG__Value & 0x7F7F7F7F7F7F7F7Full) << 1) ^ (((p__ULONGLONG__Value >> 7) & 0x0101010101010101ull) * 0x1D);
}

// The parity vectors are computed side by side, eight to a word: per vector A runs a Horner sum
// (A = (A + byte) * alpha) and B the plain sum of its bytes; the two parity bytes follow from both.
struct ParitySums {
    uint64_t m__A[11] = {};
    uint64_t m__B[11] = {};
    void Add(uint32_t p__ULONG__Word, uint64_t p__ULONGLONG__Bytes) {
        m__A[p__ULONG__Word] = TimesAlpha(m__A[p__ULONG__Word] ^ p__ULONGLONG__Bytes);
        m__B[p__ULONG__Word] ^= p__ULONGLONG__Bytes;
    }
    void Finish(uint32_t p__ULONG__Vectors, uint8_t* p__PUCHAR__Out) const {
        const Tables& l__Tables = T();
        uint8_t l__UCHAR__A[sizeof(m__A)], l__UCHAR__B[sizeof(m__B)];
        std::memcpy(l__UCHAR__A, m__A, sizeof(m__A));
        std::memcpy(l__UCHAR__B, m__B, sizeof(m__B));
        for (uint32_t l__ULONG__V = 0; l__ULONG__V < p__ULONG__Vectors; ++l__ULONG__V) {
            const uint8_t l__UCHAR__Parity = l__Tables.m__Backward[l__Tables.m__Forward[l__UCHAR__A[l__ULONG__V]] ^ l__UCHAR__B[l__ULONG__V]];
            p__PUCHAR__Out[l__ULONG__V] = l__UCHAR__Parity;
            p__PUCHAR__Out[l__ULONG__V + p__ULONG__Vectors] = l__UCHAR__Parity ^ l__UCHAR__B[l__ULONG__V];
        }
    }
};

// The 2340 bytes after the sync seen as 26 rows of 86 (the last two rows are the P parity).
// P: vector v (0-85) is column v of rows 0-23. Each row's 86 bytes are loaded as 11 words (the
// last word's two extra lanes are ignored).
void ParityP(const uint8_t* p__PUCHAR__Data, uint8_t* p__PUCHAR__Out) {
    ParitySums l__Sums;
    for (uint32_t l__ULONG__Row = 0; l__ULONG__Row < 24; ++l__ULONG__Row)
        for (uint32_t l__ULONG__Word = 0; l__ULONG__Word < 11; ++l__ULONG__Word) l__Sums.Add(l__ULONG__Word, Load64(p__PUCHAR__Data + l__ULONG__Row * 86 + l__ULONG__Word * 8));
    l__Sums.Finish(86, p__PUCHAR__Out);
}

// Q: vector v = 2k + b (k 0-25, b 0-1) takes as its byte i (0-42) row (k + i) mod 26, column
// 2i + b, over all 26 rows. Step i gathers column pair i of every row into vector order.
void ParityQ(const uint8_t* p__PUCHAR__Data, uint8_t* p__PUCHAR__Out) {
    ParitySums l__Sums;
    uint8_t l__UCHAR__Gathered[56] = {};
    for (uint32_t l__ULONG__I = 0; l__ULONG__I < 43; ++l__ULONG__I) {
        const uint32_t l__ULONG__Shift = l__ULONG__I % 26;
        const uint8_t* l__PUCHAR__Column = p__PUCHAR__Data + 2 * l__ULONG__I;
        for (uint32_t l__ULONG__Row = 0; l__ULONG__Row < 26; ++l__ULONG__Row) {
            const uint32_t l__ULONG__K = l__ULONG__Row >= l__ULONG__Shift ? l__ULONG__Row - l__ULONG__Shift : l__ULONG__Row + 26 - l__ULONG__Shift;
            std::memcpy(l__UCHAR__Gathered + 2 * l__ULONG__K, l__PUCHAR__Column + l__ULONG__Row * 86, 2);
        }
        for (uint32_t l__ULONG__Word = 0; l__ULONG__Word < 7; ++l__ULONG__Word) l__Sums.Add(l__ULONG__Word, Load64(l__UCHAR__Gathered + l__ULONG__Word * 8));
    }
    l__Sums.Finish(52, p__PUCHAR__Out);
}

void PutEdc(uint8_t* p__PUCHAR__At, uint32_t p__ULONG__Edc) { CTarnwick_Bytes::PutLittleEndian32(p__PUCHAR__At, p__ULONG__Edc); }

// The 276 parity bytes of a raw sector into p__PUCHAR__Out (P then Q). The Q vectors run over
// the P parity as the sector holds it: computing, the P bytes are written in place first.
void Parity(uint8_t* p__PUCHAR__Sector, bool p__bool__ZeroAddress, uint8_t* p__PUCHAR__Out) {
    uint8_t l__UCHAR__Saved[4];
    std::memcpy(l__UCHAR__Saved, p__PUCHAR__Sector + 12, 4);
    if (p__bool__ZeroAddress) std::memset(p__PUCHAR__Sector + 12, 0, 4);
    ParityP(p__PUCHAR__Sector + 12, p__PUCHAR__Out);
    ParityQ(p__PUCHAR__Sector + 12, p__PUCHAR__Out + 172);
    std::memcpy(p__PUCHAR__Sector + 12, l__UCHAR__Saved, 4);
}

}  // namespace

uint32_t VdiscSectorCoder::Edc(const uint8_t* p__PUCHAR__Data, uint32_t p__ULONG__Length) {
    const auto& l__Edc = T().m__Edc;
    uint32_t l__ULONG__Crc = 0;
    const uint8_t* l__PUCHAR__At = p__PUCHAR__Data;
    const uint8_t* l__PUCHAR__End = p__PUCHAR__Data + p__ULONG__Length;
    for (; l__PUCHAR__End - l__PUCHAR__At >= 8; l__PUCHAR__At += 8) {
        const uint32_t l__ULONG__Low = l__ULONG__Crc ^ CTarnwick_Bytes::GetLittleEndian32(l__PUCHAR__At);
        const uint32_t l__ULONG__High = CTarnwick_Bytes::GetLittleEndian32(l__PUCHAR__At + 4);
        l__ULONG__Crc = l__Edc[7][l__ULONG__Low & 0xFF] ^ l__Edc[6][(l__ULONG__Low >> 8) & 0xFF] ^ l__Edc[5][(l__ULONG__Low >> 16) & 0xFF] ^ l__Edc[4][l__ULONG__Low >> 24] ^
                        l__Edc[3][l__ULONG__High & 0xFF] ^ l__Edc[2][(l__ULONG__High >> 8) & 0xFF] ^ l__Edc[1][(l__ULONG__High >> 16) & 0xFF] ^ l__Edc[0][l__ULONG__High >> 24];
    }
    for (; l__PUCHAR__At < l__PUCHAR__End; ++l__PUCHAR__At) l__ULONG__Crc = (l__ULONG__Crc >> 8) ^ l__Edc[0][(l__ULONG__Crc ^ *l__PUCHAR__At) & 0xFF];
    return l__ULONG__Crc;
}

void VdiscSectorCoder::ComputeEcc(uint8_t* p__PUCHAR__Sector, bool p__bool__ZeroAddress) { Parity(p__PUCHAR__Sector, p__bool__ZeroAddress, p__PUCHAR__Sector + 2076); }

bool VdiscSectorCoder::EccMatches(uint8_t* p__PUCHAR__Sector, bool p__bool__ZeroAddress) {
    uint8_t l__UCHAR__Parity[276];
    Parity(p__PUCHAR__Sector, p__bool__ZeroAddress, l__UCHAR__Parity);
    return std::memcmp(l__UCHAR__Parity, p__PUCHAR__Sector + 2076, 276) == 0;
}

void VdiscSectorCoder::Scramble(uint8_t* p__PUCHAR__Sector) {
    const uint8_t* l__PUCHAR__Sequence = T().m__Scramble.data();
    uint8_t* l__PUCHAR__At = p__PUCHAR__Sector + 12;
    // A word at a time (2340 = 292 words and 4 bytes).
    size_t l__size_t__I = 0;
    for (; l__size_t__I + 8 <= 2340; l__size_t__I += 8) {
        const uint64_t l__ULONGLONG__Word = Load64(l__PUCHAR__At + l__size_t__I) ^ Load64(l__PUCHAR__Sequence + l__size_t__I);
        std::memcpy(l__PUCHAR__At + l__size_t__I, &l__ULONGLONG__Word, 8);
    }
    for (; l__size_t__I < 2340; ++l__size_t__I) l__PUCHAR__At[l__size_t__I] ^= l__PUCHAR__Sequence[l__size_t__I];
}

void VdiscSectorCoder::SyncAndHeader(int32_t p__LONG__Lba, uint8_t p__UCHAR__Mode, uint8_t* p__PUCHAR__Raw) {
    p__PUCHAR__Raw[0] = 0;
    std::memset(p__PUCHAR__Raw + 1, 0xFF, 10);
    p__PUCHAR__Raw[11] = 0;
    CTarnwick_CdAddress::LbaToMsfBcd(p__LONG__Lba, p__PUCHAR__Raw + 12);
    p__PUCHAR__Raw[15] = p__UCHAR__Mode;
}

bool VdiscSectorCoder::HasSync(const uint8_t* p__PUCHAR__Raw) {
    static const uint8_t s__Sync[12] = {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0};
    return std::memcmp(p__PUCHAR__Raw, s__Sync, 12) == 0;
}

void VdiscSectorCoder::Mode1(int32_t p__LONG__Lba, const uint8_t* p__PUCHAR__User2048, uint8_t* p__PUCHAR__Raw) {
    SyncAndHeader(p__LONG__Lba, 1, p__PUCHAR__Raw);
    std::memcpy(p__PUCHAR__Raw + 16, p__PUCHAR__User2048, 2048);
    PutEdc(p__PUCHAR__Raw + 2064, Edc(p__PUCHAR__Raw, 2064));
    std::memset(p__PUCHAR__Raw + 2068, 0, 8);
    ComputeEcc(p__PUCHAR__Raw, false);
}

void VdiscSectorCoder::Mode2Xa(int32_t p__LONG__Lba, const uint8_t* p__PUCHAR__SubheaderAndData, uint8_t* p__PUCHAR__Raw) {
    SyncAndHeader(p__LONG__Lba, 2, p__PUCHAR__Raw);
    bool l__bool__Form2 = (p__PUCHAR__SubheaderAndData[2] & 0x20) != 0;
    if (l__bool__Form2) {
        std::memcpy(p__PUCHAR__Raw + 16, p__PUCHAR__SubheaderAndData, 8 + 2324);
        PutEdc(p__PUCHAR__Raw + 2348, Edc(p__PUCHAR__Raw + 16, 8 + 2324));
    } else {
        std::memcpy(p__PUCHAR__Raw + 16, p__PUCHAR__SubheaderAndData, 8 + 2048);
        PutEdc(p__PUCHAR__Raw + 2072, Edc(p__PUCHAR__Raw + 16, 8 + 2048));
        ComputeEcc(p__PUCHAR__Raw, true);
    }
}

void VdiscSectorCoder::Mode2Formless(int32_t p__LONG__Lba, const uint8_t* p__PUCHAR__Data2336, uint8_t* p__PUCHAR__Raw) {
    SyncAndHeader(p__LONG__Lba, 2, p__PUCHAR__Raw);
    std::memcpy(p__PUCHAR__Raw + 16, p__PUCHAR__Data2336, 2336);
}

uint16_t VdiscSectorCoder::QCrc(const uint8_t* p__PUCHAR__Q10) {
    const auto& l__Table = T().m__QCrc;
    uint16_t l__USHORT__Crc = 0;
    for (int l__int__I = 0; l__int__I < 10; ++l__int__I)
        l__USHORT__Crc = static_cast<uint16_t>((l__USHORT__Crc << 8) ^ l__Table[((l__USHORT__Crc >> 8) ^ p__PUCHAR__Q10[l__int__I]) & 0xFF]);
    return static_cast<uint16_t>(~l__USHORT__Crc);
}

void VdiscSectorCoder::SpreadPQ(const uint8_t* p__PUCHAR__Q12, bool p__bool__P, uint8_t* p__PUCHAR__Raw96) {
    for (int l__int__I = 0; l__int__I < 96; ++l__int__I) {
        uint8_t l__UCHAR__QBit = (p__PUCHAR__Q12[l__int__I / 8] >> (7 - l__int__I % 8)) & 1;
        p__PUCHAR__Raw96[l__int__I] = static_cast<uint8_t>((p__bool__P ? 0x80 : 0) | (l__UCHAR__QBit << 6));
    }
}

void VdiscSectorCoder::GatherQ(const uint8_t* p__PUCHAR__Raw96, uint8_t* p__PUCHAR__Q12) {
    std::memset(p__PUCHAR__Q12, 0, 12);
    for (int l__int__I = 0; l__int__I < 96; ++l__int__I)
        if (p__PUCHAR__Raw96[l__int__I] & 0x40) p__PUCHAR__Q12[l__int__I / 8] |= static_cast<uint8_t>(0x80 >> (l__int__I % 8));
}
