#pragma once
#include "CTarnwick_File.h"

// A file on disk read front to back through one open descriptor.
class CTarnwick_DiskFile : public CTarnwick_File {
public:
    // Opens the file; its size is the file's size.
    explicit CTarnwick_DiskFile(const char* p__PCHAR__FileName);
    // Opens the file; its size is the one given (the file may hold more or less).
    CTarnwick_DiskFile(const char* p__PCHAR__FileName, uint64_t p__ULONGLONG__Size);
    // Reads through a duplicate of the caller's descriptor (which the caller keeps and
    // closes); the duplicate shares the file position with it.
    CTarnwick_DiskFile(int p__INT__Handle, uint64_t p__ULONGLONG__Size);
    ~CTarnwick_DiskFile() override;

    // A short read at end of file leaves the rest of the region zero when the size was given;
    // when the size was the file's own, the file has shrunk since it was opened, and that raises.
    void RealRead(uint64_t p__ULONGLONG__Length, PVOID p__PVOID__Buffer) override;
    // The file's bytes, and zeros past a short read: nothing needs zeroing before.
    BOOLEAN IsRegionFilledByRealRead() const override { return TRUE; }
    CTarnwick_File* SeekToBeginUnsafe(PULONG p__PULONG__Countdown) override;

protected:
    // No file opened: a derived source opens it when it reads.
    explicit CTarnwick_DiskFile(uint64_t p__ULONGLONG__Size);
    // Opens the file for reading into m__INT__Handle or raises with the given name in the text.
    void OpenOrRaise(const char* p__PCHAR__FileName, const char* p__PCHAR__Where);
    // Raises as OpenOrRaise does when the file could not be opened for reading now, but
    // opens nothing.
    static void CheckOrRaise(const char* p__PCHAR__FileName, const char* p__PCHAR__Where);
    void CloseHandle();
    // Sets the file position or raises with the given name in the text.
    void SetFilePointerOrRaise(int64_t p__LONGLONG__Position, const char* p__PCHAR__Where);

    int m__INT__Handle;
    BOOLEAN m__BOOLEAN__IsSizeFromFile = FALSE;  // the size is the file's size at opening
};
