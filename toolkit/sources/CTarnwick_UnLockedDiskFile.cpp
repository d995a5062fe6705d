#include "CTarnwick_UnLockedDiskFile.h"

#include <algorithm>
#include <cstring>

#include "PlatformFile.h"

namespace {
// The name in the text of a failed check, as when the constructor opened the file.
const char* const g__PCHAR__Constructor = "CTarnwick_DiskFile::CTarnwick_DiskFile";

std::unique_ptr<char[]> CopyOf(const char* p__PCHAR__Text) {
    size_t l__SIZE__Bytes = std::strlen(p__PCHAR__Text) + 1;
    std::unique_ptr<char[]> l__Copy(new char[l__SIZE__Bytes]);
    std::memcpy(l__Copy.get(), p__PCHAR__Text, l__SIZE__Bytes);
    return l__Copy;
}
}  // namespace

CTarnwick_UnLockedDiskFile::CTarnwick_UnLockedDiskFile(const char* p__PCHAR__FileName, uint64_t p__ULONGLONG__Size)
    : CTarnwick_DiskFile(p__ULONGLONG__Size),
      m__ULONGLONG__BytesReadSoFar(0),
      m__ULONGLONG__DataSize(p__ULONGLONG__Size),
      m__PCHAR__OwnFileName(CopyOf(p__PCHAR__FileName)),
      m__PCHAR__FileName(m__PCHAR__OwnFileName.get()) {
    CheckOrRaise(m__PCHAR__FileName, g__PCHAR__Constructor);
}

CTarnwick_UnLockedDiskFile::CTarnwick_UnLockedDiskFile(const char* p__PCHAR__BorrowedFileName,
                                                       uint64_t p__ULONGLONG__DataSize, uint64_t p__ULONGLONG__Size,
                                                       BOOLEAN p__BOOLEAN__IsCheckedNow)
    : CTarnwick_DiskFile(p__ULONGLONG__Size),
      m__ULONGLONG__BytesReadSoFar(0),
      m__ULONGLONG__DataSize(std::min(p__ULONGLONG__DataSize, p__ULONGLONG__Size)),
      m__PCHAR__FileName(p__PCHAR__BorrowedFileName) {
    if (p__BOOLEAN__IsCheckedNow) CheckOrRaise(m__PCHAR__FileName, g__PCHAR__Constructor);
    // The data size is the file's size when it was added: a file that ends before it has
    // been cut since, and zeros written in place of its data would be lost bytes.
    m__BOOLEAN__IsSizeFromFile = TRUE;
}

void CTarnwick_UnLockedDiskFile::Open() {
    if (m__INT__Handle == PlatformFile::InvalidHandle) OpenOrRaise(m__PCHAR__FileName, "CTarnwick_UnLockedDiskFile::Open");
}

void CTarnwick_UnLockedDiskFile::RealRead(uint64_t p__ULONGLONG__Length, PVOID p__PVOID__Buffer) {
    uint64_t l__ULONGLONG__FromFile = 0;
    if (m__ULONGLONG__BytesReadSoFar < m__ULONGLONG__DataSize) {
        l__ULONGLONG__FromFile = std::min(p__ULONGLONG__Length, m__ULONGLONG__DataSize - m__ULONGLONG__BytesReadSoFar);
        Open();
        CTarnwick_DiskFile::RealRead(l__ULONGLONG__FromFile, p__PVOID__Buffer);
    }
    std::memset(static_cast<PUCHAR>(p__PVOID__Buffer) + l__ULONGLONG__FromFile, 0,
                p__ULONGLONG__Length - l__ULONGLONG__FromFile);
    m__ULONGLONG__BytesReadSoFar += p__ULONGLONG__Length;
    if (m__ULONGLONG__BytesReadSoFar >= m__ULONGLONG__DataSize) CloseHandle();
}

CTarnwick_File* CTarnwick_UnLockedDiskFile::SeekToBeginUnsafe(PULONG p__PULONG__Countdown) {
    CTarnwick_File* l__PCTarnwick_File__Stop = CTarnwick_File::SeekToBeginUnsafe(p__PULONG__Countdown);
    // The next read opens the file afresh, at its first byte: here it is only checked to be
    // there and readable, with the text an open that failed would give.
    CloseHandle();
    CheckOrRaise(m__PCHAR__FileName, "CTarnwick_UnLockedDiskFile::Open");
    m__ULONGLONG__BytesReadSoFar = 0;
    return l__PCTarnwick_File__Stop;
}
