#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

#include "CTarnwick_Bytes.h"

// Sense data of a refused command: thrown inside the recorder and turned into
// CHECK CONDITION at its boundary.
struct VdiscCheckCondition {
    uint8_t m__UCHAR__Key;
    uint8_t m__UCHAR__Asc;
    uint8_t m__UCHAR__Ascq;
    // Why the content of a write was refused, and the block at fault, for the command log.
    const char* m__PCHAR__Reason = nullptr;
    int32_t m__LONG__Lba = 0;
};

// One command as the recorder sees it: the CDB and the data buffer of the request.
class VdiscCommand {
public:
    const uint8_t* m__PUCHAR__Cdb = nullptr;
    uint8_t* m__PUCHAR__Buffer = nullptr;
    uint32_t m__ULONG__Length = 0;
    bool m__bool__DataOut = false;

    uint8_t Op() const { return m__PUCHAR__Cdb[0]; }
    // Big-endian fields of the CDB.
    uint32_t Be16(int p__int__At) const { return CTarnwick_Bytes::GetBigEndian16(m__PUCHAR__Cdb + p__int__At); }
    uint32_t Be24(int p__int__At) const { return CTarnwick_Bytes::GetBigEndian24(m__PUCHAR__Cdb + p__int__At); }
    uint32_t Be32(int p__int__At) const { return CTarnwick_Bytes::GetBigEndian32(m__PUCHAR__Cdb + p__int__At); }

    // Copies a reply into the buffer: at most the allocation length and the buffer.
    void Reply(const std::vector<uint8_t>& p__Data, uint32_t p__ULONG__Allocation) const {
        uint32_t l__ULONG__Length = p__ULONG__Allocation;
        if (l__ULONG__Length > m__ULONG__Length) l__ULONG__Length = m__ULONG__Length;
        if (l__ULONG__Length > p__Data.size()) l__ULONG__Length = static_cast<uint32_t>(p__Data.size());
        if (l__ULONG__Length > 0) std::memcpy(m__PUCHAR__Buffer, p__Data.data(), l__ULONG__Length);
    }

    [[noreturn]] static void Fail(uint8_t p__UCHAR__Key, uint8_t p__UCHAR__Asc, uint8_t p__UCHAR__Ascq) {
        throw VdiscCheckCondition{p__UCHAR__Key, p__UCHAR__Asc, p__UCHAR__Ascq, nullptr, 0};
    }
    // A write refused for what a block holds: the sense, and the reason the command log gives.
    [[noreturn]] static void Refuse(uint8_t p__UCHAR__Key, uint8_t p__UCHAR__Asc, uint8_t p__UCHAR__Ascq, const char* p__PCHAR__Reason, int32_t p__LONG__Lba) {
        throw VdiscCheckCondition{p__UCHAR__Key, p__UCHAR__Asc, p__UCHAR__Ascq, p__PCHAR__Reason, p__LONG__Lba};
    }
    [[noreturn]] static void InvalidField() { Fail(0x05, 0x24, 0x00); }
    [[noreturn]] static void InvalidParameter() { Fail(0x05, 0x26, 0x00); }
    [[noreturn]] static void SequenceError() { Fail(0x05, 0x2C, 0x00); }
    [[noreturn]] static void IncompatibleMedium() { Fail(0x05, 0x30, 0x02); }

    // Big-endian fields of a reply (the low bits of the value).
    static void PutBe16(std::vector<uint8_t>& p__Data, size_t p__size_t__At, uint32_t p__ULONG__Value) {
        CTarnwick_Bytes::PutBigEndian16(p__Data.data() + p__size_t__At, p__ULONG__Value);
    }
    static void PutBe24(std::vector<uint8_t>& p__Data, size_t p__size_t__At, uint32_t p__ULONG__Value) {
        CTarnwick_Bytes::PutBigEndian24(p__Data.data() + p__size_t__At, p__ULONG__Value);
    }
    static void PutBe32(std::vector<uint8_t>& p__Data, size_t p__size_t__At, uint32_t p__ULONG__Value) {
        CTarnwick_Bytes::PutBigEndian32(p__Data.data() + p__size_t__At, p__ULONG__Value);
    }
};
