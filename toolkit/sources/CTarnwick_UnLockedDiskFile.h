#pragma once
#include <string>

#include "CTarnwick_DiskFile.h"

// A disk file that holds its descriptor only while it is being read: opened by its
// first read, closed as soon as its last byte has been read, so that a run of
// thousands of files keeps one of them open at a time.
class CTarnwick_UnLockedDiskFile : public CTarnwick_DiskFile {
public:
    // The file must exist and open now; it is closed again at once.
    CTarnwick_UnLockedDiskFile(const char* p__PCHAR__FileName, uint64_t p__ULONGLONG__Size);

    void RealRead(uint64_t p__ULONGLONG__Length, PVOID p__PVOID__Buffer) override;
    // Rewinds the run behind it first, then opens this file (so that a vanished file is
    // reported here), sets it to 0 and closes it again.
    CTarnwick_File* SeekToBeginUnsafe(PULONG p__PULONG__Countdown) override;

private:
    void Open();

    uint64_t m__ULONGLONG__BytesReadSoFar;
    // The whole path (Linux paths may be longer than 260 characters).
    std::string m__string__FileName;
};
