#pragma once
#include <memory>
#include <string>

#include "CTarnwick_DiskFile.h"

// A disk file that holds its descriptor only while it is being read: opened by its
// first read, closed as soon as its last byte has been read, so that a run of
// thousands of files keeps one of them open at a time.
class CTarnwick_UnLockedDiskFile : public CTarnwick_DiskFile {
public:
    // The file must exist and be readable now (checked without opening it: a run of
    // thousands of files costs one lookup each here). The name is copied.
    CTarnwick_UnLockedDiskFile(const char* p__PCHAR__FileName, uint64_t p__ULONGLONG__Size);
    // As above, but the name is borrowed (it must stay unchanged for the life of the
    // source: a tree node passes its own path) and only the first p__ULONGLONG__DataSize
    // bytes come from the file; the rest up to p__ULONGLONG__Size (a sector's padding)
    // are zeros, so that the read asks for no more than the file holds. A file that holds
    // fewer bytes by then (cut since) fails the read with EXCEPTION_NUMBER_MEDIA_OR_DATA.
    CTarnwick_UnLockedDiskFile(const std::string& p__string__FileName, uint64_t p__ULONGLONG__DataSize,
                               uint64_t p__ULONGLONG__Size)
        : CTarnwick_UnLockedDiskFile(p__string__FileName.c_str(), p__ULONGLONG__DataSize, p__ULONGLONG__Size) {}
    // With p__BOOLEAN__IsCheckedNow FALSE the file is not looked up here: for a caller that
    // rewinds the run right after making it, since the rewind checks every file.
    CTarnwick_UnLockedDiskFile(const char* p__PCHAR__BorrowedFileName, uint64_t p__ULONGLONG__DataSize,
                               uint64_t p__ULONGLONG__Size, BOOLEAN p__BOOLEAN__IsCheckedNow = TRUE);

    void RealRead(uint64_t p__ULONGLONG__Length, PVOID p__PVOID__Buffer) override;
    // Rewinds the run behind it first, then closes this file and checks that it can still be
    // opened (so that a vanished file is reported here, not halfway through the run).
    CTarnwick_File* SeekToBeginUnsafe(PULONG p__PULONG__Countdown) override;

private:
    void Open();

    uint64_t m__ULONGLONG__BytesReadSoFar;
    uint64_t m__ULONGLONG__DataSize;
    // The whole path (Linux paths may be longer than 260 characters): the own copy, or
    // none when the name is borrowed.
    std::unique_ptr<char[]> m__PCHAR__OwnFileName;
    const char* m__PCHAR__FileName;
};
