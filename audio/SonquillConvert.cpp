// The two whole-file conversions: a compressed file into a (WAV) file, and a WAV
// file into a compressed file, block by block with the caller's callback before each.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>

#include "PlatformFile.h"
#include "PlatformSystemError.h"
#include "SonquillDebug.h"
#include "SonquillHandle.h"
#include "sonquill.h"

namespace {

// Closes a descriptor when it goes out of scope.
struct FileCloser {
    int m__INT__File = PlatformFile::InvalidHandle;
    ~FileCloser() {
        if (m__INT__File != PlatformFile::InvalidHandle) PlatformFile::Close(m__INT__File);
    }
};

ULONG LogStatus(const char* p__PCHAR__Function, ULONG p__ULONG__Status, const char* p__PCHAR__What) {
    Sonquill_DebugPrint(SONQUILL_DEBUG_LEVEL_FAILURE, p__PCHAR__Function, "(): %s, status %d ( 0x%x )\n", p__PCHAR__What,
                        static_cast<int>(p__ULONG__Status), p__ULONG__Status);
    return p__ULONG__Status;
}

// Writes all bytes: the system error when the write fails, 996 when it is short.
ULONG WriteAll(const char* p__PCHAR__Function, const char* p__PCHAR__Tag, int p__INT__File, const void* p__PVOID__Buffer,
               ULONG p__ULONG__Size) {
    int64_t l__LONGLONG__Written = PlatformFile::Write(p__INT__File, p__PVOID__Buffer, p__ULONG__Size);
    ULONG l__ULONG__Status = 0;
    if (l__LONGLONG__Written < 0)
        l__ULONG__Status = GetLastError();
    else if (l__LONGLONG__Written != p__ULONG__Size)
        l__ULONG__Status = SONQUILL_STATUS_SHORT_TRANSFER;
    if (l__ULONG__Status != 0) {
        ULONG l__ULONG__Written = l__LONGLONG__Written < 0 ? 0 : static_cast<ULONG>(l__LONGLONG__Written);
        Sonquill_DebugPrint(SONQUILL_DEBUG_LEVEL_FAILURE, p__PCHAR__Function,
                            "(): %s, WriteFile( 0x%x, %p, %d, %p, NULL ) failed, status %d ( 0x%x )\n", p__PCHAR__Tag,
                            static_cast<unsigned>(p__INT__File), p__PVOID__Buffer, static_cast<int>(p__ULONG__Size),
                            static_cast<void*>(&l__ULONG__Written), static_cast<int>(l__ULONG__Status), l__ULONG__Status);
    }
    return l__ULONG__Status;
}

// Asks the callback whether to go on: 0, or 1223 when it answers non-zero.
ULONG AskCallback(const char* p__PCHAR__Function, SONQUILL_CALLBACK p__SONQUILL_CALLBACK__Callback,
                  PVOID p__PVOID__Context) {
    if (p__SONQUILL_CALLBACK__Callback(p__PVOID__Context) == 0) return 0;
    Sonquill_DebugPrint(SONQUILL_DEBUG_LEVEL_FAILURE, p__PCHAR__Function, "(): ( %p )( %p ) failed, status %d ( 0x%x )\n",
                        reinterpret_cast<void*>(p__SONQUILL_CALLBACK__Callback), p__PVOID__Context,
                        static_cast<int>(SONQUILL_STATUS_CANCELLED), SONQUILL_STATUS_CANCELLED);
    return SONQUILL_STATUS_CANCELLED;
}

ULONG CheckWork(const char* p__PCHAR__Function, PCHAR p__PCHAR__Source, PCHAR p__PCHAR__Destination,
                ULONG p__ULONG__WorkingBufferSize, SONQUILL_CALLBACK p__SONQUILL_CALLBACK__Callback) {
    if (p__PCHAR__Source == nullptr) return Sonquill_BadPointer(p__PCHAR__Function, "IsBadReadPtr", p__PCHAR__Source, 1);
    if (p__PCHAR__Destination == nullptr)
        return Sonquill_BadPointer(p__PCHAR__Function, "IsBadReadPtr", p__PCHAR__Destination, 1);
    if (p__SONQUILL_CALLBACK__Callback == nullptr)
        return Sonquill_BadPointer(p__PCHAR__Function, "IsBadCodePtr", reinterpret_cast<void*>(p__SONQUILL_CALLBACK__Callback),
                                   0);
    // A working buffer of 0 bytes would never advance.
    if (p__ULONG__WorkingBufferSize == 0)
        return LogStatus(p__PCHAR__Function, SONQUILL_STATUS_INVALID_PARAMETER, "a working buffer of 0 UCHARs");
    return 0;
}

std::unique_ptr<UCHAR[]> AllocateBuffer(const char* p__PCHAR__Function, ULONG p__ULONG__Size) {
    std::unique_ptr<UCHAR[]> l__Buffer(new (std::nothrow) UCHAR[p__ULONG__Size]);
    if (l__Buffer == nullptr)
        Sonquill_DebugPrint(SONQUILL_DEBUG_LEVEL_FAILURE, p__PCHAR__Function, "(): new UCHAR[ %d ] failed, status %d ( 0x%x )\n",
                            static_cast<int>(p__ULONG__Size), static_cast<int>(SONQUILL_STATUS_OUT_OF_MEMORY),
                            SONQUILL_STATUS_OUT_OF_MEMORY);
    return l__Buffer;
}

ULONG UncompressWith(PVOID p__PVOID__Reader, PCHAR p__PCHAR__Destination, ULONG p__ULONG__WorkingBufferSize,
                     BOOLEAN p__BOOLEAN__IsWaveHeaderRequired, PULONG p__PULONG__UncompressedSize,
                     SONQUILL_CALLBACK p__SONQUILL_CALLBACK__Callback, PVOID p__PVOID__Context, const char* p__PCHAR__Function) {
    ULONG l__ULONG__Size = 0;
    ULONG l__ULONG__Status = Sonquill_CompressedFileReaderObjectUncompressedSizeGet(p__PVOID__Reader, &l__ULONG__Size);
    if (l__ULONG__Status != 0) {
        Sonquill_DebugPrint(SONQUILL_DEBUG_LEVEL_FAILURE, p__PCHAR__Function,
                            "(): Sonquill_CompressedFileReaderObjectUncompressedSizeGet( %p, %p ) failed, status %d ( 0x%x )\n",
                            p__PVOID__Reader, static_cast<void*>(&l__ULONG__Size), static_cast<int>(l__ULONG__Status),
                            l__ULONG__Status);
        return l__ULONG__Status;
    }
    l__ULONG__Status = Sonquill_CompressedFileReaderObjectBeginSeek(p__PVOID__Reader);
    if (l__ULONG__Status != 0) return l__ULONG__Status;
    std::unique_ptr<UCHAR[]> l__Buffer = AllocateBuffer(p__PCHAR__Function, p__ULONG__WorkingBufferSize);
    if (l__Buffer == nullptr) return SONQUILL_STATUS_OUT_OF_MEMORY;
    FileCloser l__Destination;
    l__Destination.m__INT__File = PlatformFile::CreateNew(p__PCHAR__Destination);
    if (l__Destination.m__INT__File == PlatformFile::InvalidHandle) {
        l__ULONG__Status = GetLastError();
        Sonquill_DebugPrint(SONQUILL_DEBUG_LEVEL_FAILURE, p__PCHAR__Function,
                            "(): CreateFile( '%s' ) failed, status %d ( 0x%x )\n", p__PCHAR__Destination,
                            static_cast<int>(l__ULONG__Status), l__ULONG__Status);
        return l__ULONG__Status;
    }
    Sonquill_DebugPrint(SONQUILL_DEBUG_LEVEL_PROGRESS, p__PCHAR__Function, "(): File '%s' is %d uncompressed UCHARs in size\n",
                        p__PCHAR__Destination, static_cast<int>(l__ULONG__Size));
    *p__PULONG__UncompressedSize = l__ULONG__Size;
    if (p__BOOLEAN__IsWaveHeaderRequired) {
        SONQUILL_WAVE_FILE_HEADER l__Header;
        Sonquill_WaveFileHeaderFormat(&l__Header, l__ULONG__Size);
        l__ULONG__Status = WriteAll(p__PCHAR__Function, "#1", l__Destination.m__INT__File, &l__Header, sizeof(l__Header));
        if (l__ULONG__Status != 0) return l__ULONG__Status;
    }
    for (ULONG l__ULONG__Done = 0; l__ULONG__Done < l__ULONG__Size;) {
        ULONG l__ULONG__Left = l__ULONG__Size - l__ULONG__Done;
        Sonquill_DebugPrint(SONQUILL_DEBUG_LEVEL_PROGRESS, p__PCHAR__Function, "(): %d from %d UCHARs left to read\n",
                            static_cast<int>(l__ULONG__Left), static_cast<int>(l__ULONG__Size));
        l__ULONG__Status = AskCallback(p__PCHAR__Function, p__SONQUILL_CALLBACK__Callback, p__PVOID__Context);
        if (l__ULONG__Status != 0) return l__ULONG__Status;
        ULONG l__ULONG__Piece = std::min(p__ULONG__WorkingBufferSize, l__ULONG__Left);
        l__ULONG__Status = Sonquill_CompressedFileReaderObjectRead(p__PVOID__Reader, l__Buffer.get(), l__ULONG__Piece);
        if (l__ULONG__Status != 0) return l__ULONG__Status;
        l__ULONG__Status = WriteAll(p__PCHAR__Function, "#2", l__Destination.m__INT__File, l__Buffer.get(), l__ULONG__Piece);
        if (l__ULONG__Status != 0) return l__ULONG__Status;
        l__ULONG__Done += l__ULONG__Piece;
    }
    return 0;
}

}  // namespace

extern "C" ULONG Sonquill_CompressedFileUncompress(PCHAR p__PCHAR__CompressedFileName, PCHAR p__PCHAR__UncompressedFileName,
                                                   ULONG p__ULONG__WorkingBufferSize, BOOLEAN p__BOOLEAN__IsWaveHeaderRequired,
                                                   PULONG p__PULONG__UncompressedSize,
                                                   SONQUILL_CALLBACK p__SONQUILL_CALLBACK__Callback, PVOID p__PVOID__Context) {
    static const char* const c__PCHAR__Function = "Sonquill_CompressedFileUncompress";
    SonquillTraceScope l__Scope(c__PCHAR__Function);
    if (p__PULONG__UncompressedSize == nullptr)
        return l__Scope.Return(
            Sonquill_BadPointer(c__PCHAR__Function, "IsBadWritePtr", p__PULONG__UncompressedSize, sizeof(ULONG)));
    ULONG l__ULONG__Status = CheckWork(c__PCHAR__Function, p__PCHAR__CompressedFileName, p__PCHAR__UncompressedFileName,
                                       p__ULONG__WorkingBufferSize, p__SONQUILL_CALLBACK__Callback);
    if (l__ULONG__Status != 0) return l__Scope.Return(l__ULONG__Status);
    PVOID l__PVOID__Reader = nullptr;
    l__ULONG__Status = Sonquill_CompressedFileReaderObjectCreate(&l__PVOID__Reader, p__PCHAR__CompressedFileName);
    if (l__ULONG__Status != 0) return l__Scope.Return(l__ULONG__Status);
    l__ULONG__Status = UncompressWith(l__PVOID__Reader, p__PCHAR__UncompressedFileName, p__ULONG__WorkingBufferSize,
                                      p__BOOLEAN__IsWaveHeaderRequired, p__PULONG__UncompressedSize,
                                      p__SONQUILL_CALLBACK__Callback, p__PVOID__Context, c__PCHAR__Function);
    Sonquill_CompressedFileReaderObjectDestroy(&l__PVOID__Reader);
    return l__Scope.Return(l__ULONG__Status);
}

extern "C" ULONG Sonquill_UncompressedFileCompress(PCHAR p__PCHAR__UncompressedFileName, PCHAR p__PCHAR__CompressedFileName,
                                                   ULONG p__ULONG__WorkingBufferSize,
                                                   SONQUILL_CALLBACK p__SONQUILL_CALLBACK__Callback, PVOID p__PVOID__Context,
                                                   ULONG p__ULONG__Compression) {
    static const char* const c__PCHAR__Function = "Sonquill_UncompressedFileCompress";
    SonquillTraceScope l__Scope(c__PCHAR__Function);
    ULONG l__ULONG__Status = CheckWork(c__PCHAR__Function, p__PCHAR__UncompressedFileName, p__PCHAR__CompressedFileName,
                                       p__ULONG__WorkingBufferSize, p__SONQUILL_CALLBACK__Callback);
    if (l__ULONG__Status != 0) return l__Scope.Return(l__ULONG__Status);
    l__ULONG__Status = Sonquill_UncompressedFileSupportedIs(p__PCHAR__UncompressedFileName);
    if (l__ULONG__Status != 0) return l__Scope.Return(l__ULONG__Status);
    FileCloser l__Source;
    l__Source.m__INT__File = PlatformFile::OpenRead(p__PCHAR__UncompressedFileName);
    if (l__Source.m__INT__File == PlatformFile::InvalidHandle)
        return l__Scope.Return(LogStatus(c__PCHAR__Function, GetLastError(), "CreateFile() failed"));
    int64_t l__LONGLONG__FileSize = PlatformFile::Size(l__Source.m__INT__File);
    if (l__LONGLONG__FileSize < 0) return l__Scope.Return(LogStatus(c__PCHAR__Function, GetLastError(), "GetFileSize() failed"));
    const int64_t l__LONGLONG__HeaderSize = sizeof(SONQUILL_WAVE_FILE_HEADER);
    int64_t l__LONGLONG__Position = PlatformFile::Seek(l__Source.m__INT__File, l__LONGLONG__HeaderSize, SEEK_SET);
    if (l__LONGLONG__Position != l__LONGLONG__HeaderSize) {
        l__ULONG__Status = l__LONGLONG__Position < 0 ? GetLastError() : SONQUILL_STATUS_SHORT_TRANSFER;
        Sonquill_DebugPrint(SONQUILL_DEBUG_LEVEL_FAILURE, c__PCHAR__Function,
                            "(): SetFilePointer( 0x%x, %d, NULL, FILE_BEGIN ) failed, set position to %d instead of %d, "
                            "status %d ( 0x%x )\n",
                            static_cast<unsigned>(l__Source.m__INT__File), static_cast<int>(l__LONGLONG__HeaderSize),
                            static_cast<int>(l__LONGLONG__Position), static_cast<int>(l__LONGLONG__HeaderSize),
                            static_cast<int>(l__ULONG__Status), l__ULONG__Status);
        return l__Scope.Return(l__ULONG__Status);
    }
    std::unique_ptr<UCHAR[]> l__Buffer = AllocateBuffer(c__PCHAR__Function, p__ULONG__WorkingBufferSize);
    if (l__Buffer == nullptr) return l__Scope.Return(SONQUILL_STATUS_OUT_OF_MEMORY);
    PVOID l__PVOID__Writer = nullptr;
    l__ULONG__Status =
        Sonquill_CompressedFileWriterObjectCreate(&l__PVOID__Writer, p__PCHAR__CompressedFileName, p__ULONG__Compression);
    if (l__ULONG__Status != 0) return l__Scope.Return(l__ULONG__Status);
    uint64_t l__ULONGLONG__Left = static_cast<uint64_t>(l__LONGLONG__FileSize - l__LONGLONG__HeaderSize);
    while (l__ULONGLONG__Left > 0) {
        l__ULONG__Status = AskCallback(c__PCHAR__Function, p__SONQUILL_CALLBACK__Callback, p__PVOID__Context);
        if (l__ULONG__Status != 0) break;
        ULONG l__ULONG__Piece = static_cast<ULONG>(std::min<uint64_t>(p__ULONG__WorkingBufferSize, l__ULONGLONG__Left));
        int64_t l__LONGLONG__Read = PlatformFile::Read(l__Source.m__INT__File, l__Buffer.get(), l__ULONG__Piece);
        if (l__LONGLONG__Read < 0) {
            l__ULONG__Status = LogStatus(c__PCHAR__Function, GetLastError(), "ReadFile() failed");
            break;
        }
        if (l__LONGLONG__Read != l__ULONG__Piece) {
            l__ULONG__Status = LogStatus(c__PCHAR__Function, SONQUILL_STATUS_SHORT_TRANSFER, "ReadFile() read too few UCHARs");
            break;
        }
        l__ULONG__Status = Sonquill_CompressedFileWriterObjectWrite(l__PVOID__Writer, l__Buffer.get(), l__ULONG__Piece);
        if (l__ULONG__Status != 0) break;
        l__ULONGLONG__Left -= l__ULONG__Piece;
    }
    ULONG l__ULONG__DestroyStatus = Sonquill_CompressedFileWriterObjectDestroy(&l__PVOID__Writer);
    if (l__ULONG__Status == 0) l__ULONG__Status = l__ULONG__DestroyStatus;
    return l__Scope.Return(l__ULONG__Status);
}
