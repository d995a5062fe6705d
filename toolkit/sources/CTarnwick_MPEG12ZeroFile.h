#pragma once
#include "CTarnwick_File.h"

// Empty 2,332-byte Mode 2 Form 2 sectors (subheader 01 00 60 00, twice; the rest zero).
class CTarnwick_MPEG12ZeroFile : public CTarnwick_File {
public:
    explicit CTarnwick_MPEG12ZeroFile(uint64_t p__ULONGLONG__Size);

    void RealRead(uint64_t p__ULONGLONG__Length, PVOID p__PVOID__Buffer) override;
};
