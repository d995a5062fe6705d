#include "VdiscSectorCoder.h"

#include <array>
#include <cstring>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_CdAddress.h"

namespace {

struct Tables {
    std::array<uint32_t, 256> m__Edc{};
    std::array<uint8_t, 256> m__Forward{};   // multiply by alpha in GF(2^8), x^8+x^4+x^3+x^2+1
    std::array<uint8_t, 256> m__Backward{};  // divide by (1 + alpha)
    std::array<uint8_t, 2340> m__Scramble{};
    Tables() {
        for (uint32_t l__ULONG__I = 0; l__ULONG__I < 256; ++l__ULONG__I) {
            uint32_t l__ULONG__Crc = l__ULONG__I;
            for (int l__int__Bit = 0; l__int__Bit < 8; ++l__int__Bit)
                l__ULONG__Crc = (l__ULONG__Crc >> 1) ^ ((l__ULONG__Crc & 1) ? 0xD8018001u : 0u);
            m__Edc[l__ULONG__I] = l__ULONG__Crc;
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
    }
};

const Tables& T() {
    static const Tables s__Tables;
    return s__Tables;
}

// One family of parity vectors (P: 86 vectors of 24 bytes, Q: 52 vectors of 43) over
// the 2340 bytes that follow the sync, written as two parity bytes per vector.
void ParityFamily(const uint8_t* p__PUCHAR__Data, uint32_t p__ULONG__Vectors, uint32_t p__ULONG__Length,
                  uint32_t p__ULONG__VectorStep, uint32_t p__ULONG__ByteStep, uint8_t* p__PUCHAR__Out) {
    const Tables& l__Tables = T();
    uint32_t l__ULONG__Wrap = p__ULONG__Vectors * p__ULONG__Length;
    for (uint32_t l__ULONG__Vector = 0; l__ULONG__Vector < p__ULONG__Vectors; ++l__ULONG__Vector) {
        uint32_t l__ULONG__Index = (l__ULONG__Vector >> 1) * p__ULONG__VectorStep + (l__ULONG__Vector & 1);
        uint8_t l__UCHAR__A = 0, l__UCHAR__B = 0;
        for (uint32_t l__ULONG__I = 0; l__ULONG__I < p__ULONG__Length; ++l__ULONG__I) {
            uint8_t l__UCHAR__Byte = p__PUCHAR__Data[l__ULONG__Index];
            l__ULONG__Index += p__ULONG__ByteStep;
            if (l__ULONG__Index >= l__ULONG__Wrap) l__ULONG__Index -= l__ULONG__Wrap;
            l__UCHAR__A = l__Tables.m__Forward[l__UCHAR__A ^ l__UCHAR__Byte];
            l__UCHAR__B ^= l__UCHAR__Byte;
        }
        l__UCHAR__A = l__Tables.m__Backward[l__Tables.m__Forward[l__UCHAR__A] ^ l__UCHAR__B];
        p__PUCHAR__Out[l__ULONG__Vector] = l__UCHAR__A;
        p__PUCHAR__Out[l__ULONG__Vector + p__ULONG__Vectors] = l__UCHAR__A ^ l__UCHAR__B;
    }
}

void PutEdc(uint8_t* p__PUCHAR__At, uint32_t p__ULONG__Edc) { CTarnwick_Bytes::PutLittleEndian32(p__PUCHAR__At, p__ULONG__Edc); }

// The 276 parity bytes of a raw sector into p__PUCHAR__Out (P then Q). The Q vectors run over
// the P parity as the sector holds it: computing, the P bytes are written in place first.
void Parity(uint8_t* p__PUCHAR__Sector, bool p__bool__ZeroAddress, uint8_t* p__PUCHAR__Out) {
    uint8_t l__UCHAR__Saved[4];
    std::memcpy(l__UCHAR__Saved, p__PUCHAR__Sector + 12, 4);
    if (p__bool__ZeroAddress) std::memset(p__PUCHAR__Sector + 12, 0, 4);
    ParityFamily(p__PUCHAR__Sector + 12, 86, 24, 2, 86, p__PUCHAR__Out);
    ParityFamily(p__PUCHAR__Sector + 12, 52, 43, 86, 88, p__PUCHAR__Out + 172);
    std::memcpy(p__PUCHAR__Sector + 12, l__UCHAR__Saved, 4);
}

}  // namespace

uint32_t VdiscSectorCoder::Edc(const uint8_t* p__PUCHAR__Data, uint32_t p__ULONG__Length) {
    const Tables& l__Tables = T();
    uint32_t l__ULONG__Crc = 0;
    for (uint32_t l__ULONG__I = 0; l__ULONG__I < p__ULONG__Length; ++l__ULONG__I)
        l__ULONG__Crc = (l__ULONG__Crc >> 8) ^ l__Tables.m__Edc[(l__ULONG__Crc ^ p__PUCHAR__Data[l__ULONG__I]) & 0xFF];
    return l__ULONG__Crc;
}

void VdiscSectorCoder::ComputeEcc(uint8_t* p__PUCHAR__Sector, bool p__bool__ZeroAddress) { Parity(p__PUCHAR__Sector, p__bool__ZeroAddress, p__PUCHAR__Sector + 2076); }

bool VdiscSectorCoder::EccMatches(uint8_t* p__PUCHAR__Sector, bool p__bool__ZeroAddress) {
    uint8_t l__UCHAR__Parity[276];
    Parity(p__PUCHAR__Sector, p__bool__ZeroAddress, l__UCHAR__Parity);
    return std::memcmp(l__UCHAR__Parity, p__PUCHAR__Sector + 2076, 276) == 0;
}

void VdiscSectorCoder::Scramble(uint8_t* p__PUCHAR__Sector) {
    const Tables& l__Tables = T();
    for (size_t l__size_t__I = 0; l__size_t__I < 2340; ++l__size_t__I) p__PUCHAR__Sector[12 + l__size_t__I] ^= l__Tables.m__Scramble[l__size_t__I];
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
    uint16_t l__USHORT__Crc = 0;
    for (int l__int__I = 0; l__int__I < 10; ++l__int__I) {
        l__USHORT__Crc ^= static_cast<uint16_t>(p__PUCHAR__Q10[l__int__I] << 8);
        for (int l__int__Bit = 0; l__int__Bit < 8; ++l__int__Bit)
            l__USHORT__Crc = static_cast<uint16_t>((l__USHORT__Crc & 0x8000) ? (l__USHORT__Crc << 1) ^ 0x1021 : l__USHORT__Crc << 1);
    }
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
