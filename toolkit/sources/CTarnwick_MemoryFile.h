#pragma once
#include "CTarnwick_File.h"

// A block of memory read as a byte source. The block belongs to the creator.
class CTarnwick_MemoryFile : public CTarnwick_File {
public:
    CTarnwick_MemoryFile(const void* p__PVOID__Memory, uint64_t p__ULONGLONG__Size);

    void RealRead(uint64_t p__ULONGLONG__Length, PVOID p__PVOID__Buffer) override;

private:
    const UCHAR* m__PUCHAR__Memory;
};
