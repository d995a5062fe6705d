#include <cstring>
#include "CTarnwick_DiskFile.h"

#include <cinttypes>
#include <cstdio>

#include "CTarnwick_Exception.h"
#include "PlatformFile.h"
#include "PlatformSystemError.h"

CTarnwick_DiskFile::CTarnwick_DiskFile(const char* p__PCHAR__FileName)
    : CTarnwick_File(0), m__INT__Handle(PlatformFile::InvalidHandle) {
    OpenOrRaise(p__PCHAR__FileName, "CTarnwick_DiskFile::CTarnwick_DiskFile");
    int64_t l__LONGLONG__Size = PlatformFile::Size(m__INT__Handle);
    if (l__LONGLONG__Size < 0) {
        ULONG l__ULONG__Status = GetLastError();
        CloseHandle();
        CTarnwick_Exception::Raise("CTarnwick_DiskFile::CTarnwick_DiskFile", EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_SYSTEM_ERROR, l__ULONG__Status,
                                   "CTarnwick_DiskFile::CTarnwick_DiskFile(): GetFileSize() failed, status %ld!!!",
                                   static_cast<long>(l__ULONG__Status));
    }
    m__ULONGLONG__Size = static_cast<uint64_t>(l__LONGLONG__Size);
    m__BOOLEAN__IsSizeFromFile = TRUE;
}

CTarnwick_DiskFile::CTarnwick_DiskFile(const char* p__PCHAR__FileName, uint64_t p__ULONGLONG__Size)
    : CTarnwick_File(p__ULONGLONG__Size), m__INT__Handle(PlatformFile::InvalidHandle) {
    OpenOrRaise(p__PCHAR__FileName, "CTarnwick_DiskFile::CTarnwick_DiskFile");
}

CTarnwick_DiskFile::CTarnwick_DiskFile(int p__INT__Handle, uint64_t p__ULONGLONG__Size)
    : CTarnwick_File(p__ULONGLONG__Size), m__INT__Handle(PlatformFile::InvalidHandle) {
    m__INT__Handle = PlatformFile::Duplicate(p__INT__Handle);
    if (m__INT__Handle == PlatformFile::InvalidHandle) {
        ULONG l__ULONG__Status = GetLastError();
        CTarnwick_Exception::Raise("CTarnwick_DiskFile::CTarnwick_DiskFile", EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_SYSTEM_ERROR, l__ULONG__Status,
                                   "CTarnwick_DiskFile::CTarnwick_DiskFile(): DuplicateHandle() failed, status %ld!!!",
                                   static_cast<long>(l__ULONG__Status));
    }
}

CTarnwick_DiskFile::CTarnwick_DiskFile(uint64_t p__ULONGLONG__Size)
    : CTarnwick_File(p__ULONGLONG__Size), m__INT__Handle(PlatformFile::InvalidHandle) {}

CTarnwick_DiskFile::~CTarnwick_DiskFile() { CloseHandle(); }

namespace {
void RaiseOpenFailure(const char* p__PCHAR__FileName, const char* p__PCHAR__Where) {
    ULONG l__ULONG__Status = GetLastError();
    CTarnwick_Exception::Raise(p__PCHAR__Where, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_SYSTEM_ERROR,
                               l__ULONG__Status, "%s(): CreateFile( '%s' ) failed, status %ld!!!", p__PCHAR__Where,
                               p__PCHAR__FileName, static_cast<long>(l__ULONG__Status));
}
}  // namespace

void CTarnwick_DiskFile::OpenOrRaise(const char* p__PCHAR__FileName, const char* p__PCHAR__Where) {
    m__INT__Handle = PlatformFile::OpenRead(p__PCHAR__FileName);
    if (m__INT__Handle == PlatformFile::InvalidHandle) {
        RaiseOpenFailure(p__PCHAR__FileName, p__PCHAR__Where);
    }
}

void CTarnwick_DiskFile::CheckOrRaise(const char* p__PCHAR__FileName, const char* p__PCHAR__Where) {
    if (!PlatformFile::CanOpenRead(p__PCHAR__FileName)) {
        RaiseOpenFailure(p__PCHAR__FileName, p__PCHAR__Where);
    }
}

void CTarnwick_DiskFile::CloseHandle() {
    if (m__INT__Handle != PlatformFile::InvalidHandle) {
        PlatformFile::Close(m__INT__Handle);
        m__INT__Handle = PlatformFile::InvalidHandle;
    }
}

void CTarnwick_DiskFile::SetFilePointerOrRaise(int64_t p__LONGLONG__Position, const char* p__PCHAR__Where) {
    if (PlatformFile::Seek(m__INT__Handle, p__LONGLONG__Position, SEEK_SET) != p__LONGLONG__Position) {
        ULONG l__ULONG__Status = GetLastError();
        CTarnwick_Exception::Raise(p__PCHAR__Where, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_SYSTEM_ERROR,
                                   l__ULONG__Status, "%s(): SetFilePointer() failed, status %ld!!!", p__PCHAR__Where,
                                   static_cast<long>(l__ULONG__Status));
    }
}

void CTarnwick_DiskFile::RealRead(uint64_t p__ULONGLONG__Length, PVOID p__PVOID__Buffer) {
    const int64_t l__LONGLONG__Read = PlatformFile::Read(m__INT__Handle, p__PVOID__Buffer, p__ULONGLONG__Length);
    if (l__LONGLONG__Read < 0) {
        ULONG l__ULONG__Status = GetLastError();
        CTarnwick_Exception::Raise("CTarnwick_DiskFile::RealRead", EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_SYSTEM_ERROR, l__ULONG__Status,
                                   "CTarnwick_DiskFile::RealRead(): ReadFile() failed, status %ld!!!",
                                   static_cast<long>(l__ULONG__Status));
    }
    // The size was the file's own when it was opened: a file that now ends early has been
    // cut since, and zeros in place of its data would be written as if they were it.
    if (m__BOOLEAN__IsSizeFromFile && static_cast<uint64_t>(l__LONGLONG__Read) < p__ULONGLONG__Length) {
        CTarnwick_Exception::Raise("CTarnwick_DiskFile::RealRead", EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_MEDIA_OR_DATA, 0,
                                   "CTarnwick_DiskFile::RealRead(): ReadFile() read %" PRId64 " UCHARs instead of %" PRIu64
                                   " at offset %" PRIu64 ", the file has shrunk!!!",
                                   l__LONGLONG__Read, p__ULONGLONG__Length, m__ULONGLONG__Position);
    }
    if (static_cast<uint64_t>(l__LONGLONG__Read) < p__ULONGLONG__Length) {
        std::memset(static_cast<PUCHAR>(p__PVOID__Buffer) + l__LONGLONG__Read, 0,
                    p__ULONGLONG__Length - static_cast<uint64_t>(l__LONGLONG__Read));
    }
}

CTarnwick_File* CTarnwick_DiskFile::SeekToBeginUnsafe(PULONG p__PULONG__Countdown) {
    CTarnwick_File* l__PCTarnwick_File__Stop = CTarnwick_File::SeekToBeginUnsafe(p__PULONG__Countdown);
    SetFilePointerOrRaise(0, "CTarnwick_DiskFile::SeekToBeginUnsafe");
    return l__PCTarnwick_File__Stop;
}
