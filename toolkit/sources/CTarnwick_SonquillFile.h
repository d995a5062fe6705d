#pragma once
#include "CTarnwick_DiskFile.h"

// The decoded audio of a compressed music file (44,100 Hz, 16-bit, stereo, little
// endian), read through a reader object of the compressed-audio toolkit.
class CTarnwick_SonquillFile : public CTarnwick_DiskFile {
public:
    explicit CTarnwick_SonquillFile(const char* p__PCHAR__FileName);
    ~CTarnwick_SonquillFile() override;

    void RealRead(uint64_t p__ULONGLONG__Length, PVOID p__PVOID__Buffer) override;
    // Its own reading: the region is zeroed before, as for any source.
    BOOLEAN IsRegionFilledByRealRead() const override { return FALSE; }
    CTarnwick_File* SeekToBeginUnsafe(PULONG p__PULONG__Countdown) override;

private:
    // Destroys the reader and raises EXCEPTION_NUMBER_SYSTEM_ERROR with the status.
    [[noreturn]] void DestroyReaderAndRaise(const char* p__PCHAR__Operation, ULONG p__ULONG__Status);

    PVOID m__PVOID__Reader;
};
