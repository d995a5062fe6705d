// Start, stop and version of the compressed-audio toolkit, the reader and writer
// handles, the file checks and the WAV header functions.
#include <cerrno>
#include <cstring>
#include <new>

#include "CSonquill_Reader.h"
#include "CSonquill_Writer.h"
#include "DebugPrint.h"
#include "PlatformFile.h"
#include "PlatformSystemError.h"
#include "SonquillDebug.h"
#include "SonquillHandle.h"
#include "sonquill.h"

namespace {
const ULONG c__ULONG__Riff = 0x46464952;      // "RIFF"
const ULONG c__ULONG__Wave = 0x45564157;      // "WAVE"
const ULONG c__ULONG__Fmt = 0x20746D66;       // "fmt "
const ULONG c__ULONG__DataTag = 0x61746164;   // "data"

CSonquill_Reader* ReaderOf(PVOID p__PVOID__Handle) {
    return static_cast<CSonquill_Reader*>(static_cast<PSONQUILL_HANDLE>(p__PVOID__Handle)->m__PVOID__Object);
}
CSonquill_Writer* WriterOf(PVOID p__PVOID__Handle) {
    return static_cast<CSonquill_Writer*>(static_cast<PSONQUILL_HANDLE>(p__PVOID__Handle)->m__PVOID__Object);
}

// Allocates the object, lets p__Open open it and wraps it in a guarded handle; on any
// failure frees both and leaves the caller's handle untouched.
template <class Object, class OpenRoutine>
ULONG CreateHandle(PVOID* p__PPVOID__Handle, ULONG p__ULONG__Header, ULONG p__ULONG__Tailer, OpenRoutine&& p__Open) {
    Object* l__PObject__Object = new (std::nothrow) Object;
    if (l__PObject__Object == nullptr) return SONQUILL_STATUS_OUT_OF_MEMORY;
    ULONG l__ULONG__Status = p__Open(*l__PObject__Object);
    PSONQUILL_HANDLE l__PSONQUILL_HANDLE__Handle = nullptr;
    if (l__ULONG__Status == 0) {
        l__PSONQUILL_HANDLE__Handle = SonquillHandle_Create(p__ULONG__Header, l__PObject__Object, p__ULONG__Tailer);
        if (l__PSONQUILL_HANDLE__Handle == nullptr) l__ULONG__Status = SONQUILL_STATUS_OUT_OF_MEMORY;
    }
    if (l__ULONG__Status != 0) {
        delete l__PObject__Object;
        return l__ULONG__Status;
    }
    *p__PPVOID__Handle = l__PSONQUILL_HANDLE__Handle;
    return 0;
}
}  // namespace

extern "C" ULONG Sonquill_UpStart(void) {
    DebugPrint("\nSonquill  Media Streaming Toolkit for Windows 95/98/Me/NT/2000/XP/2003  Version 4.0.0 ( 0x%08X )\n",
               SONQUILL_VERSION);
    Sonquill_InitDebugSettings();
    SonquillTraceScope l__Scope("Sonquill_UpStart");
    // The media runtime needs no per-thread initialisation on this platform.
    return 0;
}

extern "C" ULONG Sonquill_DownShut(void) {
    SonquillTraceScope l__Scope("Sonquill_DownShut");
    return 0;
}

extern "C" ULONG Sonquill_VersionGet(PULONG p__PULONG__Version) {
    SonquillTraceScope l__Scope("Sonquill_VersionGet");
    if (p__PULONG__Version == nullptr)
        return l__Scope.Return(Sonquill_BadPointer("Sonquill_VersionGet", "IsBadWritePtr", p__PULONG__Version, sizeof(ULONG)));
    *p__PULONG__Version = SONQUILL_VERSION;
    return 0;
}

extern "C" ULONG Sonquill_CompressedFileReaderObjectCreate(PVOID* p__PPVOID__Handle, PCHAR p__PCHAR__CompressedFileName) {
    static const char* const c__PCHAR__Function = "Sonquill_CompressedFileReaderObjectCreate";
    SonquillTraceScope l__Scope(c__PCHAR__Function);
    if (p__PPVOID__Handle == nullptr)
        return l__Scope.Return(Sonquill_BadPointer(c__PCHAR__Function, "IsBadWritePtr", p__PPVOID__Handle, sizeof(PVOID)));
    if (p__PCHAR__CompressedFileName == nullptr)
        return l__Scope.Return(Sonquill_BadPointer(c__PCHAR__Function, "IsBadReadPtr", p__PCHAR__CompressedFileName, 1));
    Sonquill_DebugPrint(SONQUILL_DEBUG_LEVEL_ARGUMENTS, c__PCHAR__Function,
                        "(): p__PCHAR__CompressedFileName == '%s' ( %p )\n", p__PCHAR__CompressedFileName,
                        static_cast<void*>(p__PCHAR__CompressedFileName));
    return l__Scope.Return(CreateHandle<CSonquill_Reader>(
        p__PPVOID__Handle, SONQUILL_READER_HEADER, SONQUILL_READER_TAILER, [&](CSonquill_Reader& p__Reader) {
            return p__Reader.Open(p__PCHAR__CompressedFileName, c__PCHAR__Function);
        }));
}

extern "C" ULONG Sonquill_CompressedFileReaderObjectDestroy(PVOID* p__PPVOID__Handle) {
    static const char* const c__PCHAR__Function = "Sonquill_CompressedFileReaderObjectDestroy";
    SonquillTraceScope l__Scope(c__PCHAR__Function);
    ULONG l__ULONG__Status =
        SonquillHandle_CheckAddress(p__PPVOID__Handle, SONQUILL_READER_HEADER, SONQUILL_READER_TAILER, c__PCHAR__Function);
    if (l__ULONG__Status != 0) return l__Scope.Return(l__ULONG__Status);
    delete ReaderOf(*p__PPVOID__Handle);
    SonquillHandle_Destroy(p__PPVOID__Handle);
    return 0;
}

extern "C" ULONG Sonquill_CompressedFileReaderObjectRead(PVOID p__PVOID__Handle, PVOID p__PVOID__Buffer,
                                                         ULONG p__ULONG__Size) {
    static const char* const c__PCHAR__Function = "Sonquill_CompressedFileReaderObjectRead";
    SonquillTraceScope l__Scope(c__PCHAR__Function);
    ULONG l__ULONG__Status =
        SonquillHandle_Check(p__PVOID__Handle, SONQUILL_READER_HEADER, SONQUILL_READER_TAILER, c__PCHAR__Function);
    if (l__ULONG__Status != 0) return l__Scope.Return(l__ULONG__Status);
    if (p__PVOID__Buffer == nullptr)
        return l__Scope.Return(Sonquill_BadPointer(c__PCHAR__Function, "IsBadWritePtr", p__PVOID__Buffer, p__ULONG__Size));
    return l__Scope.Return(ReaderOf(p__PVOID__Handle)->Read(p__PVOID__Buffer, p__ULONG__Size, c__PCHAR__Function));
}

extern "C" ULONG Sonquill_CompressedFileReaderObjectBeginSeek(PVOID p__PVOID__Handle) {
    static const char* const c__PCHAR__Function = "Sonquill_CompressedFileReaderObjectBeginSeek";
    SonquillTraceScope l__Scope(c__PCHAR__Function);
    ULONG l__ULONG__Status =
        SonquillHandle_Check(p__PVOID__Handle, SONQUILL_READER_HEADER, SONQUILL_READER_TAILER, c__PCHAR__Function);
    if (l__ULONG__Status != 0) return l__Scope.Return(l__ULONG__Status);
    return l__Scope.Return(ReaderOf(p__PVOID__Handle)->BeginSeek(c__PCHAR__Function));
}

extern "C" ULONG Sonquill_CompressedFileReaderObjectUncompressedSizeGet(PVOID p__PVOID__Handle, PULONG p__PULONG__Size) {
    static const char* const c__PCHAR__Function = "Sonquill_CompressedFileReaderObjectUncompressedSizeGet";
    SonquillTraceScope l__Scope(c__PCHAR__Function);
    ULONG l__ULONG__Status =
        SonquillHandle_Check(p__PVOID__Handle, SONQUILL_READER_HEADER, SONQUILL_READER_TAILER, c__PCHAR__Function);
    if (l__ULONG__Status != 0) return l__Scope.Return(l__ULONG__Status);
    if (p__PULONG__Size == nullptr)
        return l__Scope.Return(Sonquill_BadPointer(c__PCHAR__Function, "IsBadWritePtr", p__PULONG__Size, sizeof(ULONG)));
    uint64_t l__ULONGLONG__Size = 0;
    l__ULONG__Status = ReaderOf(p__PVOID__Handle)->UncompressedSizeGet(&l__ULONGLONG__Size, c__PCHAR__Function);
    if (l__ULONG__Status != 0) return l__Scope.Return(l__ULONG__Status);
    if (l__ULONGLONG__Size > 0xFFFFFFFFull) {
        Sonquill_DebugPrint(SONQUILL_DEBUG_LEVEL_FAILURE, c__PCHAR__Function,
                            "(): %llu UCHARs do not fit in 32 bits, status %d ( 0x%x )\n",
                            static_cast<unsigned long long>(l__ULONGLONG__Size), EFBIG, EFBIG);
        return l__Scope.Return(EFBIG);
    }
    *p__PULONG__Size = static_cast<ULONG>(l__ULONGLONG__Size);
    return 0;
}

extern "C" ULONG Sonquill_CompressedFileSupportedIs(PCHAR p__PCHAR__CompressedFileName) {
    static const char* const c__PCHAR__Function = "Sonquill_CompressedFileSupportedIs";
    SonquillTraceScope l__Scope(c__PCHAR__Function);
    PVOID l__PVOID__Handle = nullptr;
    ULONG l__ULONG__Status = Sonquill_CompressedFileReaderObjectCreate(&l__PVOID__Handle, p__PCHAR__CompressedFileName);
    if (l__ULONG__Status == 0) Sonquill_CompressedFileReaderObjectDestroy(&l__PVOID__Handle);
    return l__Scope.Return(l__ULONG__Status);
}

extern "C" ULONG Sonquill_UncompressedFileSupportedIs(PCHAR p__PCHAR__UncompressedFileName) {
    static const char* const c__PCHAR__Function = "Sonquill_UncompressedFileSupportedIs";
    SonquillTraceScope l__Scope(c__PCHAR__Function);
    if (p__PCHAR__UncompressedFileName == nullptr)
        return l__Scope.Return(Sonquill_BadPointer(c__PCHAR__Function, "IsBadReadPtr", p__PCHAR__UncompressedFileName, 1));
    int l__INT__File = PlatformFile::OpenRead(p__PCHAR__UncompressedFileName);
    if (l__INT__File == PlatformFile::InvalidHandle) {
        ULONG l__ULONG__Status = GetLastError();
        Sonquill_DebugPrint(SONQUILL_DEBUG_LEVEL_FAILURE, c__PCHAR__Function,
                            "(): CreateFile( '%s' ) failed, status %d ( 0x%x )\n", p__PCHAR__UncompressedFileName,
                            static_cast<int>(l__ULONG__Status), l__ULONG__Status);
        return l__Scope.Return(l__ULONG__Status);
    }
    SONQUILL_WAVE_FILE_HEADER l__SONQUILL_WAVE_FILE_HEADER__Header;
    int64_t l__LONGLONG__Read = PlatformFile::Read(l__INT__File, &l__SONQUILL_WAVE_FILE_HEADER__Header,
                                                   sizeof(l__SONQUILL_WAVE_FILE_HEADER__Header));
    ULONG l__ULONG__Status = l__LONGLONG__Read < 0 ? GetLastError() : 0;
    PlatformFile::Close(l__INT__File);
    if (l__LONGLONG__Read < 0) {
        Sonquill_DebugPrint(SONQUILL_DEBUG_LEVEL_FAILURE, c__PCHAR__Function,
                            "(): ReadFile( %d ) failed, status %d ( 0x%x )\n",
                            static_cast<int>(sizeof(l__SONQUILL_WAVE_FILE_HEADER__Header)),
                            static_cast<int>(l__ULONG__Status), l__ULONG__Status);
        return l__Scope.Return(l__ULONG__Status);
    }
    if (l__LONGLONG__Read != sizeof(l__SONQUILL_WAVE_FILE_HEADER__Header)) {
        Sonquill_DebugPrint(SONQUILL_DEBUG_LEVEL_FAILURE, c__PCHAR__Function,
                            "(): ReadFile() read %d instead of %d UCHARs, status %d ( 0x%x )\n",
                            static_cast<int>(l__LONGLONG__Read),
                            static_cast<int>(sizeof(l__SONQUILL_WAVE_FILE_HEADER__Header)),
                            static_cast<int>(SONQUILL_STATUS_SHORT_TRANSFER), SONQUILL_STATUS_SHORT_TRANSFER);
        return l__Scope.Return(SONQUILL_STATUS_SHORT_TRANSFER);
    }
    return l__Scope.Return(Sonquill_WaveFileHeaderVerify(&l__SONQUILL_WAVE_FILE_HEADER__Header));
}

extern "C" ULONG Sonquill_CompressedFileWriterObjectCreate(PVOID* p__PPVOID__Handle, PCHAR p__PCHAR__CompressedFileName,
                                                           ULONG p__ULONG__Compression) {
    static const char* const c__PCHAR__Function = "Sonquill_CompressedFileWriterObjectCreate";
    SonquillTraceScope l__Scope(c__PCHAR__Function);
    if (p__PPVOID__Handle == nullptr)
        return l__Scope.Return(Sonquill_BadPointer(c__PCHAR__Function, "IsBadWritePtr", p__PPVOID__Handle, sizeof(PVOID)));
    if (p__PCHAR__CompressedFileName == nullptr)
        return l__Scope.Return(Sonquill_BadPointer(c__PCHAR__Function, "IsBadReadPtr", p__PCHAR__CompressedFileName, 1));
    Sonquill_DebugPrint(SONQUILL_DEBUG_LEVEL_ARGUMENTS, c__PCHAR__Function,
                        "(): p__PCHAR__CompressedFileName == '%s' ( %p ), p__ULONG__Compression == %d\n",
                        p__PCHAR__CompressedFileName, static_cast<void*>(p__PCHAR__CompressedFileName),
                        static_cast<int>(p__ULONG__Compression));
    return l__Scope.Return(CreateHandle<CSonquill_Writer>(
        p__PPVOID__Handle, SONQUILL_WRITER_HEADER, SONQUILL_WRITER_TAILER, [&](CSonquill_Writer& p__Writer) {
            return p__Writer.Create(p__PCHAR__CompressedFileName, p__ULONG__Compression, c__PCHAR__Function);
        }));
}

extern "C" ULONG Sonquill_CompressedFileWriterObjectDestroy(PVOID* p__PPVOID__Handle) {
    static const char* const c__PCHAR__Function = "Sonquill_CompressedFileWriterObjectDestroy";
    SonquillTraceScope l__Scope(c__PCHAR__Function);
    ULONG l__ULONG__Status =
        SonquillHandle_CheckAddress(p__PPVOID__Handle, SONQUILL_WRITER_HEADER, SONQUILL_WRITER_TAILER, c__PCHAR__Function);
    if (l__ULONG__Status != 0) return l__Scope.Return(l__ULONG__Status);
    CSonquill_Writer* l__PCSonquill_Writer__Writer = WriterOf(*p__PPVOID__Handle);
    l__ULONG__Status = l__PCSonquill_Writer__Writer->Finish(c__PCHAR__Function);
    delete l__PCSonquill_Writer__Writer;
    SonquillHandle_Destroy(p__PPVOID__Handle);
    return l__Scope.Return(l__ULONG__Status);
}

extern "C" ULONG Sonquill_CompressedFileWriterObjectWrite(PVOID p__PVOID__Handle, PVOID p__PVOID__Buffer,
                                                          ULONG p__ULONG__Size) {
    static const char* const c__PCHAR__Function = "Sonquill_CompressedFileWriterObjectWrite";
    SonquillTraceScope l__Scope(c__PCHAR__Function);
    ULONG l__ULONG__Status =
        SonquillHandle_Check(p__PVOID__Handle, SONQUILL_WRITER_HEADER, SONQUILL_WRITER_TAILER, c__PCHAR__Function);
    if (l__ULONG__Status != 0) return l__Scope.Return(l__ULONG__Status);
    if (p__PVOID__Buffer == nullptr)
        return l__Scope.Return(Sonquill_BadPointer(c__PCHAR__Function, "IsBadReadPtr", p__PVOID__Buffer, p__ULONG__Size));
    return l__Scope.Return(WriterOf(p__PVOID__Handle)->Write(p__PVOID__Buffer, p__ULONG__Size, c__PCHAR__Function));
}

extern "C" ULONG Sonquill_WaveFileHeaderFormat(PSONQUILL_WAVE_FILE_HEADER p__PSONQUILL_WAVE_FILE_HEADER__Header,
                                               ULONG p__ULONG__DataSize) {
    static const char* const c__PCHAR__Function = "Sonquill_WaveFileHeaderFormat";
    SonquillTraceScope l__Scope(c__PCHAR__Function);
    if (p__PSONQUILL_WAVE_FILE_HEADER__Header == nullptr)
        return l__Scope.Return(Sonquill_BadPointer(c__PCHAR__Function, "IsBadWritePtr",
                                                   p__PSONQUILL_WAVE_FILE_HEADER__Header, sizeof(SONQUILL_WAVE_FILE_HEADER)));
    SONQUILL_WAVE_FILE_HEADER& l__Header = *p__PSONQUILL_WAVE_FILE_HEADER__Header;
    l__Header.m__ULONG__Riff = c__ULONG__Riff;
    l__Header.m__ULONG__RiffSize = p__ULONG__DataSize + 36;
    l__Header.m__ULONG__Wave = c__ULONG__Wave;
    l__Header.m__SONQUILL_WAVE_FORMAT_CHUNK.m__ULONG__Fmt = c__ULONG__Fmt;
    l__Header.m__SONQUILL_WAVE_FORMAT_CHUNK.m__ULONG__FormatLength = 16;
    l__Header.m__SONQUILL_WAVE_FORMAT_CHUNK.m__USHORT__Format = 1;
    l__Header.m__SONQUILL_WAVE_FORMAT_CHUNK.m__USHORT__Channels = 2;
    l__Header.m__SONQUILL_WAVE_FORMAT_CHUNK.m__ULONG__SamplesPerSecond = 44100;
    l__Header.m__SONQUILL_WAVE_FORMAT_CHUNK.m__ULONG__AverageSamplesPerSecond = 176400;
    l__Header.m__SONQUILL_WAVE_FORMAT_CHUNK.m__USHORT__Alignment = 4;
    l__Header.m__SONQUILL_WAVE_FORMAT_CHUNK.m__USHORT__BitsPerSample = 16;
    l__Header.m__ULONG__DataTag = c__ULONG__DataTag;
    l__Header.m__ULONG__DataSize = p__ULONG__DataSize;
    return 0;
}

extern "C" ULONG Sonquill_WaveFileHeaderVerify(PSONQUILL_WAVE_FILE_HEADER p__PSONQUILL_WAVE_FILE_HEADER__Header) {
    static const char* const c__PCHAR__Function = "Sonquill_WaveFileHeaderVerify";
    SonquillTraceScope l__Scope(c__PCHAR__Function);
    if (p__PSONQUILL_WAVE_FILE_HEADER__Header == nullptr)
        return l__Scope.Return(Sonquill_BadPointer(c__PCHAR__Function, "IsBadReadPtr",
                                                   p__PSONQUILL_WAVE_FILE_HEADER__Header, sizeof(SONQUILL_WAVE_FILE_HEADER)));
    const SONQUILL_WAVE_FILE_HEADER& l__Header = *p__PSONQUILL_WAVE_FILE_HEADER__Header;
    const SONQUILL_WAVE_FORMAT_CHUNK& l__Chunk = l__Header.m__SONQUILL_WAVE_FORMAT_CHUNK;
    const struct {
        const char* m__PCHAR__Name;
        ULONG m__ULONG__Got;
        ULONG m__ULONG__Expected;
    } l__Fields[] = {
        {"m__ULONG__Riff", l__Header.m__ULONG__Riff, c__ULONG__Riff},
        {"m__ULONG__Wave", l__Header.m__ULONG__Wave, c__ULONG__Wave},
        {"m__SONQUILL_WAVE_FORMAT_CHUNK.m__ULONG__Fmt", l__Chunk.m__ULONG__Fmt, c__ULONG__Fmt},
        {"m__SONQUILL_WAVE_FORMAT_CHUNK.m__ULONG__FormatLength", l__Chunk.m__ULONG__FormatLength, 16},
        {"m__SONQUILL_WAVE_FORMAT_CHUNK.m__USHORT__Format", l__Chunk.m__USHORT__Format, 1},
        {"m__SONQUILL_WAVE_FORMAT_CHUNK.m__USHORT__Channels", l__Chunk.m__USHORT__Channels, 2},
        {"m__SONQUILL_WAVE_FORMAT_CHUNK.m__ULONG__SamplesPerSecond", l__Chunk.m__ULONG__SamplesPerSecond, 44100},
        {"m__SONQUILL_WAVE_FORMAT_CHUNK.m__ULONG__AverageSamplesPerSecond", l__Chunk.m__ULONG__AverageSamplesPerSecond,
         176400},
        {"m__SONQUILL_WAVE_FORMAT_CHUNK.m__USHORT__Alignment", l__Chunk.m__USHORT__Alignment, 4},
        {"m__SONQUILL_WAVE_FORMAT_CHUNK.m__USHORT__BitsPerSample", l__Chunk.m__USHORT__BitsPerSample, 16},
        {"m__ULONG__DataTag", l__Header.m__ULONG__DataTag, c__ULONG__DataTag},
    };
    for (const auto& l__Field : l__Fields) {
        if (l__Field.m__ULONG__Got != l__Field.m__ULONG__Expected) {
            Sonquill_DebugPrint(SONQUILL_DEBUG_LEVEL_FAILURE, c__PCHAR__Function,
                                "(): %s == %d instead of %d, status %d ( 0x%x )\n", l__Field.m__PCHAR__Name,
                                static_cast<int>(l__Field.m__ULONG__Got), static_cast<int>(l__Field.m__ULONG__Expected),
                                static_cast<int>(SONQUILL_STATUS_INVALID_PARAMETER), SONQUILL_STATUS_INVALID_PARAMETER);
            return l__Scope.Return(SONQUILL_STATUS_INVALID_PARAMETER);
        }
    }
    return 0;
}
