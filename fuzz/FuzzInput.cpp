#include "FuzzInput.h"

uint8_t FuzzInput::Byte() { return Empty() ? 0 : m__PUCHAR__Data[m__size_t__At++]; }

uint16_t FuzzInput::Big16() {
    const uint16_t l__USHORT__High = Byte();
    return static_cast<uint16_t>(l__USHORT__High << 8 | Byte());
}

uint32_t FuzzInput::Big32() {
    const uint32_t l__ULONG__High = Big16();
    return l__ULONG__High << 16 | Big16();
}

uint32_t FuzzInput::Below(uint32_t p__ULONG__Bound) {
    if (p__ULONG__Bound == 0) return 0;
    if (p__ULONG__Bound <= 0x100) return Byte() % p__ULONG__Bound;
    if (p__ULONG__Bound <= 0x10000) return Big16() % p__ULONG__Bound;
    return Big32() % p__ULONG__Bound;
}

std::vector<uint8_t> FuzzInput::Bytes(size_t p__size_t__Count) {
    const size_t l__size_t__Count = p__size_t__Count < Remaining() ? p__size_t__Count : Remaining();
    std::vector<uint8_t> l__Out(m__PUCHAR__Data + m__size_t__At, m__PUCHAR__Data + m__size_t__At + l__size_t__Count);
    m__size_t__At += l__size_t__Count;
    return l__Out;
}

std::vector<uint8_t> FuzzInput::Padded(size_t p__size_t__Count) {
    std::vector<uint8_t> l__Out = Bytes(p__size_t__Count);
    l__Out.resize(p__size_t__Count, 0);
    return l__Out;
}

std::vector<uint8_t> FuzzInput::Rest() { return Bytes(Remaining()); }
