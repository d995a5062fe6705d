#pragma once
#include "CTarnwick_File.h"

// A memory block delivered as a byte source of whole 2048-byte sectors: the block,
// then zeros up to the next sector boundary. Only the block itself is ever read, so a
// block whose size is not a multiple of a sector is never read past its end.
class CTarnwick_SectorPaddedMemoryFile : public CTarnwick_File {
public:
    CTarnwick_SectorPaddedMemoryFile(const void* p__PVOID__Memory, uint64_t p__ULONGLONG__BlockSize);

    void RealRead(uint64_t p__ULONGLONG__Length, PVOID p__PVOID__Buffer) override;

private:
    const UCHAR* m__PUCHAR__Memory;
    uint64_t m__ULONGLONG__BlockSize;
};
