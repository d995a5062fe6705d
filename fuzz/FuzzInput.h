#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Reads a fuzzer's input as a stream of choices: numbers, byte runs, the rest. Past the end
// every read gives zeros or an empty run, so a harness never reads outside the input.
class FuzzInput {
public:
    FuzzInput(const uint8_t* p__PUCHAR__Data, size_t p__size_t__Size) : m__PUCHAR__Data(p__PUCHAR__Data), m__size_t__Size(p__size_t__Size) {}

    bool Empty() const { return m__size_t__At >= m__size_t__Size; }
    size_t Remaining() const { return Empty() ? 0 : m__size_t__Size - m__size_t__At; }

    uint8_t Byte();
    uint16_t Big16();
    uint32_t Big32();
    // A number in [0, p__ULONG__Bound) (0 when the bound is 0).
    uint32_t Below(uint32_t p__ULONG__Bound);
    bool Flag() { return (Byte() & 1) != 0; }
    // Up to p__size_t__Count bytes, fewer at the end of the input.
    std::vector<uint8_t> Bytes(size_t p__size_t__Count);
    // Exactly p__size_t__Count bytes: what the input lacks is zero.
    std::vector<uint8_t> Padded(size_t p__size_t__Count);
    // Everything not read yet.
    std::vector<uint8_t> Rest();

private:
    const uint8_t* m__PUCHAR__Data;
    size_t m__size_t__Size;
    size_t m__size_t__At = 0;
};
