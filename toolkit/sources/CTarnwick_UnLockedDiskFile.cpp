#include "CTarnwick_UnLockedDiskFile.h"

#include "PlatformFile.h"

CTarnwick_UnLockedDiskFile::CTarnwick_UnLockedDiskFile(const char* p__PCHAR__FileName, uint64_t p__ULONGLONG__Size)
    : CTarnwick_DiskFile(p__PCHAR__FileName, p__ULONGLONG__Size),
      m__ULONGLONG__BytesReadSoFar(0),
      m__string__FileName(p__PCHAR__FileName) {
    CloseHandle();
}

void CTarnwick_UnLockedDiskFile::Open() {
    if (m__INT__Handle == PlatformFile::InvalidHandle)
        OpenOrRaise(m__string__FileName.c_str(), "CTarnwick_UnLockedDiskFile::Open");
}

void CTarnwick_UnLockedDiskFile::RealRead(uint64_t p__ULONGLONG__Length, PVOID p__PVOID__Buffer) {
    Open();
    CTarnwick_DiskFile::RealRead(p__ULONGLONG__Length, p__PVOID__Buffer);
    m__ULONGLONG__BytesReadSoFar += p__ULONGLONG__Length;
    if (m__ULONGLONG__BytesReadSoFar >= m__ULONGLONG__Size) CloseHandle();
}

CTarnwick_File* CTarnwick_UnLockedDiskFile::SeekToBeginUnsafe(PULONG p__PULONG__Countdown) {
    CTarnwick_File* l__PCTarnwick_File__Stop = CTarnwick_File::SeekToBeginUnsafe(p__PULONG__Countdown);
    Open();
    SetFilePointerOrRaise(0, "CTarnwick_DiskFile::SeekToBeginUnsafe");
    CloseHandle();
    m__ULONGLONG__BytesReadSoFar = 0;
    return l__PCTarnwick_File__Stop;
}
