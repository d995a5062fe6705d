#include "CTarnwick_RawSubchannel.h"

#include <bit>
#include <cstring>

#include "CTarnwick_CdAddress.h"
#include "SectorCodec.h"

namespace {

static_assert(std::endian::native == std::endian::little, "the spreading table is laid out little-endian");

// The scrambling sequence: a 15-bit shift register x^15 + x + 1 loaded with 0001h, one
// output bit per step (its lowest bit), bytes filled least significant bit first. Padded to
// a whole number of 64-bit words; the padding is never used.
struct ScrambleTable {
    alignas(8) UCHAR m__UCHAR__Sequence[(CTarnwick_RawSubchannel::SCRAMBLE_BYTES + 7) / 8 * 8];
};

constexpr ScrambleTable MakeScrambleTable() {
    ScrambleTable l__Table{};
    ULONG l__ULONG__Register = 0x0001;
    for (ULONG l__ULONG__Byte = 0; l__ULONG__Byte < CTarnwick_RawSubchannel::SCRAMBLE_BYTES; ++l__ULONG__Byte) {
        UCHAR l__UCHAR__Value = 0;
        for (ULONG l__ULONG__Bit = 0; l__ULONG__Bit < 8; ++l__ULONG__Bit) {
            l__UCHAR__Value |= static_cast<UCHAR>((l__ULONG__Register & 1) << l__ULONG__Bit);
            const ULONG l__ULONG__Feedback = (l__ULONG__Register ^ (l__ULONG__Register >> 1)) & 1;
            l__ULONG__Register = (l__ULONG__Register >> 1) | (l__ULONG__Feedback << 14);
        }
        l__Table.m__UCHAR__Sequence[l__ULONG__Byte] = l__UCHAR__Value;
    }
    return l__Table;
}

constexpr ScrambleTable g__ScrambleTable = MakeScrambleTable();

// The Q CRC a byte at a time: entry k is the register after shifting k (as the high byte) through eight steps.
struct CrcTable {
    USHORT m__USHORT__Table[256];
};

constexpr CrcTable MakeCrcTable() {
    CrcTable l__Table{};
    for (ULONG l__ULONG__Byte = 0; l__ULONG__Byte < 256; ++l__ULONG__Byte) {
        ULONG l__ULONG__Register = l__ULONG__Byte << 8;
        for (int l__int__Step = 0; l__int__Step < 8; ++l__int__Step)
            l__ULONG__Register = (l__ULONG__Register << 1) ^ ((l__ULONG__Register & 0x8000) ? 0x1021u : 0u);
        l__Table.m__USHORT__Table[l__ULONG__Byte] = static_cast<USHORT>(l__ULONG__Register);
    }
    return l__Table;
}

constexpr CrcTable g__CrcTable = MakeCrcTable();

// Spreading a Q byte over eight sub-channel bytes: its bits, most significant first, as bit
// 6 of consecutive bytes (one 64-bit word, first byte lowest).
struct SpreadTable {
    uint64_t m__uint64__Word[256];
};

constexpr SpreadTable MakeSpreadTable() {
    SpreadTable l__Table{};
    for (ULONG l__ULONG__Byte = 0; l__ULONG__Byte < 256; ++l__ULONG__Byte)
        for (ULONG l__ULONG__Bit = 0; l__ULONG__Bit < 8; ++l__ULONG__Bit)
            if (l__ULONG__Byte & (0x80u >> l__ULONG__Bit)) l__Table.m__uint64__Word[l__ULONG__Byte] |= uint64_t(0x40) << (8 * l__ULONG__Bit);
    return l__Table;
}

constexpr SpreadTable g__SpreadTable = MakeSpreadTable();

constexpr uint64_t g__uint64__PInEveryByte = 0x8080808080808080ull;

}  // namespace

const UCHAR* CTarnwick_RawSubchannel::ScramblingSequence() { return g__ScrambleTable.m__UCHAR__Sequence; }

void CTarnwick_RawSubchannel::Scramble(PUCHAR p__PUCHAR__Sector) {
    PUCHAR l__PUCHAR__Target = p__PUCHAR__Sector + SCRAMBLE_OFFSET;
    const UCHAR* l__PUCHAR__Sequence = g__ScrambleTable.m__UCHAR__Sequence;
    ULONG l__ULONG__Offset = 0;
    for (; l__ULONG__Offset + 8 <= SCRAMBLE_BYTES; l__ULONG__Offset += 8) {
        uint64_t l__uint64__Data, l__uint64__Key;
        std::memcpy(&l__uint64__Data, l__PUCHAR__Target + l__ULONG__Offset, 8);
        std::memcpy(&l__uint64__Key, l__PUCHAR__Sequence + l__ULONG__Offset, 8);
        l__uint64__Data ^= l__uint64__Key;
        std::memcpy(l__PUCHAR__Target + l__ULONG__Offset, &l__uint64__Data, 8);
    }
    for (; l__ULONG__Offset < SCRAMBLE_BYTES; ++l__ULONG__Offset) l__PUCHAR__Target[l__ULONG__Offset] ^= l__PUCHAR__Sequence[l__ULONG__Offset];
}

BOOLEAN CTarnwick_RawSubchannel::ScrambleDataSector(PUCHAR p__PUCHAR__Sector) {
    static constexpr UCHAR c__UCHAR__Sync[SCRAMBLE_OFFSET] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    if (std::memcmp(p__PUCHAR__Sector, c__UCHAR__Sync, sizeof(c__UCHAR__Sync)) != 0 || (p__PUCHAR__Sector[15] & 0x03) == 0)
        return FALSE;
    Scramble(p__PUCHAR__Sector);
    return TRUE;
}

USHORT CTarnwick_RawSubchannel::QCrc(const UCHAR* p__PUCHAR__Q10) {
    USHORT l__USHORT__Register = 0;
    for (ULONG l__ULONG__Byte = 0; l__ULONG__Byte < 10; ++l__ULONG__Byte)
        l__USHORT__Register = static_cast<USHORT>(
            (l__USHORT__Register << 8) ^ g__CrcTable.m__USHORT__Table[((l__USHORT__Register >> 8) ^ p__PUCHAR__Q10[l__ULONG__Byte]) & 0xFF]);
    return static_cast<USHORT>(~l__USHORT__Register);
}

void CTarnwick_RawSubchannel::BuildQ(PUCHAR p__PUCHAR__Q12, UCHAR p__UCHAR__ControlAdr, UCHAR p__UCHAR__Tno,
                                     UCHAR p__UCHAR__PointOrIndex, const UCHAR* p__PUCHAR__Msf,
                                     const UCHAR* p__PUCHAR__PointOrAbsoluteMsf) {
    p__PUCHAR__Q12[0] = p__UCHAR__ControlAdr;
    p__PUCHAR__Q12[1] = p__UCHAR__Tno;
    p__PUCHAR__Q12[2] = p__UCHAR__PointOrIndex;
    std::memcpy(p__PUCHAR__Q12 + 3, p__PUCHAR__Msf, 3);
    p__PUCHAR__Q12[6] = 0;
    std::memcpy(p__PUCHAR__Q12 + 7, p__PUCHAR__PointOrAbsoluteMsf, 3);
    const USHORT l__USHORT__Crc = QCrc(p__PUCHAR__Q12);
    p__PUCHAR__Q12[10] = static_cast<UCHAR>(l__USHORT__Crc >> 8);
    p__PUCHAR__Q12[11] = static_cast<UCHAR>(l__USHORT__Crc);
}

void CTarnwick_RawSubchannel::SpreadQ(const UCHAR* p__PUCHAR__Q12, BOOLEAN p__BOOLEAN__P, PUCHAR p__PUCHAR__Raw96) {
    const uint64_t l__uint64__P = p__BOOLEAN__P ? g__uint64__PInEveryByte : 0;
    for (ULONG l__ULONG__Byte = 0; l__ULONG__Byte < Q_BYTES; ++l__ULONG__Byte) {
        const uint64_t l__uint64__Word = g__SpreadTable.m__uint64__Word[p__PUCHAR__Q12[l__ULONG__Byte]] | l__uint64__P;
        std::memcpy(p__PUCHAR__Raw96 + 8 * l__ULONG__Byte, &l__uint64__Word, 8);
    }
}

void CTarnwick_RawSubchannel::GatherQ(const UCHAR* p__PUCHAR__Raw96, PUCHAR p__PUCHAR__Q12, BOOLEAN* p__PBOOLEAN__P) {
    for (ULONG l__ULONG__Byte = 0; l__ULONG__Byte < Q_BYTES; ++l__ULONG__Byte) {
        UCHAR l__UCHAR__Value = 0;
        for (ULONG l__ULONG__Bit = 0; l__ULONG__Bit < 8; ++l__ULONG__Bit)
            l__UCHAR__Value = static_cast<UCHAR>((l__UCHAR__Value << 1) | ((p__PUCHAR__Raw96[8 * l__ULONG__Byte + l__ULONG__Bit] >> 6) & 1));
        p__PUCHAR__Q12[l__ULONG__Byte] = l__UCHAR__Value;
    }
    *p__PBOOLEAN__P = (p__PUCHAR__Raw96[0] & 0x80) ? TRUE : FALSE;
}

void CTarnwick_RawSubchannel::PutSubchannel(PUCHAR p__PUCHAR__Block, ULONG p__ULONG__BlockBytes, const UCHAR* p__PUCHAR__Q12,
                                            BOOLEAN p__BOOLEAN__P) {
    PUCHAR l__PUCHAR__Subchannel = p__PUCHAR__Block + RAW_SECTOR_BYTES;
    if (p__ULONG__BlockBytes == RAW_PW_BLOCK_BYTES) {
        SpreadQ(p__PUCHAR__Q12, p__BOOLEAN__P, l__PUCHAR__Subchannel);
        return;
    }
    std::memcpy(l__PUCHAR__Subchannel, p__PUCHAR__Q12, Q_BYTES);
    std::memset(l__PUCHAR__Subchannel + Q_BYTES, 0, 3);
    l__PUCHAR__Subchannel[Q_BYTES + 3] = p__BOOLEAN__P ? 0x80 : 0x00;
}

void CTarnwick_RawSubchannel::BuildGeneratedSector(PUCHAR p__PUCHAR__Sector, LONG p__LONG__LBA, BOOLEAN p__BOOLEAN__IsData,
                                                   BOOLEAN p__BOOLEAN__IsMode2) {
    std::memset(p__PUCHAR__Sector, 0, RAW_SECTOR_BYTES);
    if (!p__BOOLEAN__IsData) return;
    if (p__BOOLEAN__IsMode2) {
        // Mode 2 without a form: address and mode byte only, no EDC or ECC.
        EncodeSector(p__PUCHAR__Sector, g__LONG__EncodeMode2, p__LONG__LBA);
    } else {
        EncodeSector(p__PUCHAR__Sector, g__LONG__EncodeMode1, p__LONG__LBA);
    }
    Scramble(p__PUCHAR__Sector);
}
