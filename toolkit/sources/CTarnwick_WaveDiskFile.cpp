#include "CTarnwick_WaveDiskFile.h"

#include <cstring>

#include "CTarnwick_Exception.h"
#include "DebugPrint.h"
#include "PlatformFile.h"
#include "PlatformSystemError.h"

namespace {
ULONG Little32(const UCHAR* p__PUCHAR__At) {
    return static_cast<ULONG>(p__PUCHAR__At[0]) | static_cast<ULONG>(p__PUCHAR__At[1]) << 8 |
           static_cast<ULONG>(p__PUCHAR__At[2]) << 16 | static_cast<ULONG>(p__PUCHAR__At[3]) << 24;
}
ULONG Little16(const UCHAR* p__PUCHAR__At) {
    return static_cast<ULONG>(p__PUCHAR__At[0]) | static_cast<ULONG>(p__PUCHAR__At[1]) << 8;
}
// The status the header read failures carry, whatever the system said.
constexpr ULONG c__ULONG__HeaderReadStatus = 31;
}  // namespace

BOOLEAN Tarnwick_CheckWaveFileHeader(const UCHAR* p__PUCHAR__Header) {
    return std::memcmp(p__PUCHAR__Header + 0, "RIFF", 4) == 0 && std::memcmp(p__PUCHAR__Header + 8, "WAVE", 4) == 0 &&
           std::memcmp(p__PUCHAR__Header + 12, "fmt ", 4) == 0 && Little32(p__PUCHAR__Header + 16) == 16 &&
           Little16(p__PUCHAR__Header + 20) == 1 && Little16(p__PUCHAR__Header + 22) == 2 &&
           Little32(p__PUCHAR__Header + 24) == 44100 && Little32(p__PUCHAR__Header + 28) == 176400 &&
           Little16(p__PUCHAR__Header + 32) == 4 && Little16(p__PUCHAR__Header + 34) == 16 &&
           std::memcmp(p__PUCHAR__Header + 36, "data", 4) == 0;
}

CTarnwick_WaveDiskFile::CTarnwick_WaveDiskFile(const char* p__PCHAR__FileName)
    : CTarnwick_DiskFile(p__PCHAR__FileName) {
    ReadHeader(FALSE);
}

CTarnwick_WaveDiskFile::CTarnwick_WaveDiskFile(const char* p__PCHAR__FileName, BOOLEAN p__BOOLEAN__AcceptBadHeader)
    : CTarnwick_DiskFile(p__PCHAR__FileName) {
    ReadHeader(p__BOOLEAN__AcceptBadHeader);
}

void CTarnwick_WaveDiskFile::ReadHeader(BOOLEAN p__BOOLEAN__AcceptBadHeader) {
    std::memset(m__UCHAR__Header, 0, sizeof(m__UCHAR__Header));
    int64_t l__LONGLONG__Read = PlatformFile::Read(m__INT__Handle, m__UCHAR__Header, HeaderSize);
    if (l__LONGLONG__Read < 0) {
        ULONG l__ULONG__Status = GetLastError();
        CTarnwick_Exception::Raise("CTarnwick_WaveDiskFile::CTarnwick_WaveDiskFile", EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_SYSTEM_ERROR, c__ULONG__HeaderReadStatus,
                                   "CTarnwick_WaveDiskFile::CTarnwick_WaveDiskFile(): ReadFile() failed, status %ld!!!",
                                   static_cast<long>(l__ULONG__Status));
    }
    if (l__LONGLONG__Read != HeaderSize) {
        CTarnwick_Exception::Raise(
            "CTarnwick_WaveDiskFile::CTarnwick_WaveDiskFile", EXIT_TRACE_FORM_NUMBER_AND_TEXT,
            EXCEPTION_NUMBER_SYSTEM_ERROR, c__ULONG__HeaderReadStatus,
            "CTarnwick_WaveDiskFile::CTarnwick_WaveDiskFile(): ReadFile() read %ld instead of %ld!!!",
            static_cast<long>(l__LONGLONG__Read), static_cast<long>(HeaderSize));
    }
    if (!Tarnwick_CheckWaveFileHeader(m__UCHAR__Header)) {
        if (!p__BOOLEAN__AcceptBadHeader) {
            CTarnwick_Exception::Raise(
                "CTarnwick_WaveDiskFile::CTarnwick_WaveDiskFile", EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                EXCEPTION_NUMBER_MEDIA_OR_DATA, 0,
                "CTarnwick_WaveDiskFile::CTarnwick_WaveDiskFile(): Tarnwick_CheckWaveFileHeader() failed!!!");
        }
        DebugPrint("\nCTarnwick_WaveDiskFile::CTarnwick_WaveDiskFile(): Tarnwick_CheckWaveFileHeader() failed!!!\n");
    }
    m__ULONGLONG__Size = m__ULONGLONG__Size > HeaderSize ? m__ULONGLONG__Size - HeaderSize : 0;
    m__BOOLEAN__IsAudioStuff = TRUE;
}

CTarnwick_File* CTarnwick_WaveDiskFile::SeekToBeginUnsafe(PULONG p__PULONG__Countdown) {
    CTarnwick_File* l__PCTarnwick_File__Stop = CTarnwick_DiskFile::SeekToBeginUnsafe(p__PULONG__Countdown);
    SetFilePointerOrRaise(HeaderSize, "CTarnwick_WaveDiskFile::SeekToBeginUnsafe");
    return l__PCTarnwick_File__Stop;
}
