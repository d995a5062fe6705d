#include "CTarnwick_SonquillFile.h"

#include <algorithm>

#include "CTarnwick_Exception.h"
#include "sonquill.h"

CTarnwick_SonquillFile::CTarnwick_SonquillFile(const char* p__PCHAR__FileName)
    : CTarnwick_DiskFile(p__PCHAR__FileName), m__PVOID__Reader(nullptr) {
    ULONG l__ULONG__Status = Sonquill_CompressedFileReaderObjectCreate(&m__PVOID__Reader, const_cast<PCHAR>(p__PCHAR__FileName));
    if (l__ULONG__Status != 0) {
        m__PVOID__Reader = nullptr;
        CTarnwick_Exception::Raise(
            "CTarnwick_SonquillFile::CTarnwick_SonquillFile", EXIT_TRACE_FORM_NUMBER_AND_TEXT,
            EXCEPTION_NUMBER_SYSTEM_ERROR, l__ULONG__Status,
            "CTarnwick_SonquillFile::CTarnwick_SonquillFile(): Sonquill_CompressedFileReaderObjectCreate( %p, '%s' ) "
            "failed, status %ld!!!",
            static_cast<void*>(&m__PVOID__Reader), p__PCHAR__FileName, static_cast<long>(l__ULONG__Status));
    }
    ULONG l__ULONG__Size = 0;
    l__ULONG__Status = Sonquill_CompressedFileReaderObjectUncompressedSizeGet(m__PVOID__Reader, &l__ULONG__Size);
    if (l__ULONG__Status != 0) DestroyReaderAndRaise("Sonquill_CompressedFileReaderObjectUncompressedSizeGet", l__ULONG__Status);
    l__ULONG__Status = Sonquill_CompressedFileReaderObjectBeginSeek(m__PVOID__Reader);
    if (l__ULONG__Status != 0) DestroyReaderAndRaise("Sonquill_CompressedFileReaderObjectBeginSeek", l__ULONG__Status);
    m__ULONGLONG__Size = l__ULONG__Size;
    m__BOOLEAN__IsAudioStuff = TRUE;
}

CTarnwick_SonquillFile::~CTarnwick_SonquillFile() {
    if (m__PVOID__Reader != nullptr) Sonquill_CompressedFileReaderObjectDestroy(&m__PVOID__Reader);
}

void CTarnwick_SonquillFile::DestroyReaderAndRaise(const char* p__PCHAR__Operation, ULONG p__ULONG__Status) {
    PVOID l__PVOID__Reader = m__PVOID__Reader;
    Sonquill_CompressedFileReaderObjectDestroy(&m__PVOID__Reader);
    m__PVOID__Reader = nullptr;
    CTarnwick_Exception::Raise("CTarnwick_SonquillFile::CTarnwick_SonquillFile", EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                               EXCEPTION_NUMBER_SYSTEM_ERROR, p__ULONG__Status,
                               "CTarnwick_SonquillFile::CTarnwick_SonquillFile(): %s( %p ) failed, status %ld!!!",
                               p__PCHAR__Operation, l__PVOID__Reader, static_cast<long>(p__ULONG__Status));
}

void CTarnwick_SonquillFile::RealRead(uint64_t p__ULONGLONG__Length, PVOID p__PVOID__Buffer) {
    // The reader takes 32-bit counts; larger requests go in pieces.
    const uint64_t l__ULONGLONG__MostAtOnce = 0x40000000;
    PUCHAR l__PUCHAR__Buffer = static_cast<PUCHAR>(p__PVOID__Buffer);
    while (p__ULONGLONG__Length > 0) {
        ULONG l__ULONG__Piece = static_cast<ULONG>(std::min(p__ULONGLONG__Length, l__ULONGLONG__MostAtOnce));
        ULONG l__ULONG__Status = Sonquill_CompressedFileReaderObjectRead(m__PVOID__Reader, l__PUCHAR__Buffer, l__ULONG__Piece);
        if (l__ULONG__Status != 0) {
            CTarnwick_Exception::Raise(
                "CTarnwick_SonquillFile::RealRead", EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_SYSTEM_ERROR,
                l__ULONG__Status,
                "CTarnwick_SonquillFile::RealRead(): Sonquill_CompressedFileReaderObjectRead( %p, %p, %lu ) failed, "
                "status %ld!!!",
                m__PVOID__Reader, static_cast<void*>(l__PUCHAR__Buffer), static_cast<unsigned long>(l__ULONG__Piece),
                static_cast<long>(l__ULONG__Status));
        }
        l__PUCHAR__Buffer += l__ULONG__Piece;
        p__ULONGLONG__Length -= l__ULONG__Piece;
    }
}

CTarnwick_File* CTarnwick_SonquillFile::SeekToBeginUnsafe(PULONG p__PULONG__Countdown) {
    CTarnwick_File* l__PCTarnwick_File__Stop = CTarnwick_DiskFile::SeekToBeginUnsafe(p__PULONG__Countdown);
    ULONG l__ULONG__Status = Sonquill_CompressedFileReaderObjectBeginSeek(m__PVOID__Reader);
    if (l__ULONG__Status != 0) {
        CTarnwick_Exception::Raise(
            "CTarnwick_SonquillFile::SeekToBeginUnsafe", EXIT_TRACE_FORM_NUMBER_AND_TEXT,
            EXCEPTION_NUMBER_SYSTEM_ERROR, l__ULONG__Status,
            "CTarnwick_SonquillFile::SeekToBeginUnsafe(): Sonquill_CompressedFileReaderObjectBeginSeek( %p ) failed, "
            "status %ld!!!",
            m__PVOID__Reader, static_cast<long>(l__ULONG__Status));
    }
    return l__PCTarnwick_File__Stop;
}
