/*
 * Sonquill: the compressed-audio toolkit's flat functions.
 *
 * Every function returns a ULONG status and never throws:
 *   0     success
 *   87    an invalid argument (a NULL pointer or callback, a handle whose guard words
 *         are wrong or that was already destroyed, a WAV header that fails its check)
 *   14    out of memory
 *   996   a file read or write that moved fewer bytes than asked
 *   1223  cancelled by the caller's callback
 *   95    (EOPNOTSUPP) the writer cannot produce the destination's file type
 *   other the operating system's errno (ENOENT 2, EEXIST 17, ...) or, for values of
 *         0x80000000 and above, the media runtime's own (negative) error code.
 *
 * Decoding: the reader decodes any audio file the media runtime (FFmpeg) can open (MP3,
 * FLAC, Ogg Vorbis, Opus, AAC/M4A, WMA, WAV of any rate and channel count, ...) into
 * CD-DA PCM: 44,100 Hz, 16-bit signed, 2 channels, little endian, resampled and
 * remixed exactly as `ffmpeg -i FILE -f s16le -ar 44100 -ac 2 -` does. Disc images (an ISO 9660
 * or UDF volume at sector 16, or raw 2,352-byte CD sectors) are refused even when the
 * runtime would find an audio file inside them. Frames that do not decode are skipped. The reported
 * uncompressed size is the exact number of bytes the reader delivers. The first size
 * query (or read, or rewind) decodes the whole file once into an anonymous temporary
 * file in $TMPDIR (else /tmp), from which reads and rewinds are then served; the
 * temporary space needed is the decoded size (10 MB a minute).
 *
 * Encoding: the writer takes CD-DA PCM and chooses container and codec from the
 * destination's extension (letter case ignored). The compression value means:
 *   0         lossless where the format has it (.flac); for lossy formats the highest
 *             quality the codec offers (as VBR quality 100)
 *   1..100    variable bit rate, quality in percent:
 *               .flac  lossless whatever the value
 *               .ogg   Vorbis quality q/10 (0.1 .. 10)
 *               .mp3   LAME VBR level 9 - 9*q/100 (V9 .. V0)
 *               .opus  VBR, 32 + 2.24*q kbps target
 *               .m4a   AAC, 64 + 2.56*q kbps target
 *               .wma   WMA v2 is constant rate only: 64 + 1.28*q kbps
 *   above 100 constant bit rate in kbps (FLAC stays lossless)
 * Any other extension gives 95 (EOPNOTSUPP). Opus is encoded at 48 kHz (its only rate).
 */
#ifndef SONQUILL_H
#define SONQUILL_H

#include "tarnwick_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define SONQUILL_VERSION 0x20040814u

#define SONQUILL_STATUS_SUCCESS 0u
#define SONQUILL_STATUS_OUT_OF_MEMORY 14u
#define SONQUILL_STATUS_INVALID_PARAMETER 87u
#define SONQUILL_STATUS_FORMAT_NOT_WRITABLE 95u
#define SONQUILL_STATUS_SHORT_TRANSFER 996u
#define SONQUILL_STATUS_CANCELLED 1223u

/* Guard words of the handle records. */
#define SONQUILL_READER_HEADER 0x48435244u /* "DRCH" */
#define SONQUILL_READER_TAILER 0x54435244u /* "DRCT" */
#define SONQUILL_WRITER_HEADER 0x48435752u /* "RWCH" */
#define SONQUILL_WRITER_TAILER 0x54435752u /* "RWCT" */

#pragma pack(push, 1)

/* A reader or writer handle: 16 bytes (offsets 0, 4, 12) with an 8-byte pointer. */
typedef struct _SONQUILL_HANDLE {
    ULONG m__ULONG__Header;
    PVOID m__PVOID__Object;
    ULONG m__ULONG__Tailer;
} SONQUILL_HANDLE, *PSONQUILL_HANDLE;

/* The "fmt " chunk of a WAV header (24 bytes). */
typedef struct _SONQUILL_WAVE_FORMAT_CHUNK {
    ULONG m__ULONG__Fmt;                     /* 12: "fmt " */
    ULONG m__ULONG__FormatLength;            /* 16: 16 */
    USHORT m__USHORT__Format;                /* 20: 1 (PCM) */
    USHORT m__USHORT__Channels;              /* 22: 2 */
    ULONG m__ULONG__SamplesPerSecond;        /* 24: 44100 */
    ULONG m__ULONG__AverageSamplesPerSecond; /* 28: 176400 (bytes per second) */
    USHORT m__USHORT__Alignment;             /* 32: 4 */
    USHORT m__USHORT__BitsPerSample;         /* 34: 16 */
} SONQUILL_WAVE_FORMAT_CHUNK, *PSONQUILL_WAVE_FORMAT_CHUNK;

/* The 44-byte header of a CD-DA WAV file (little endian). */
typedef struct _SONQUILL_WAVE_FILE_HEADER {
    ULONG m__ULONG__Riff;     /* 0: "RIFF" */
    ULONG m__ULONG__RiffSize; /* 4: data size + 36 */
    ULONG m__ULONG__Wave;     /* 8: "WAVE" */
    SONQUILL_WAVE_FORMAT_CHUNK m__SONQUILL_WAVE_FORMAT_CHUNK;
    ULONG m__ULONG__DataTag;  /* 36: "data" */
    ULONG m__ULONG__DataSize; /* 40: PCM bytes */
} SONQUILL_WAVE_FILE_HEADER, *PSONQUILL_WAVE_FILE_HEADER;

#pragma pack(pop)

/* Called once before each block of a conversion; non-zero cancels it (status 1223). */
typedef ULONG (*SONQUILL_CALLBACK)(PVOID p__PVOID__Context);

/* Starts the toolkit: version banner, debug settings (SONQUILL_DEBUGLEVEL,
 * SONQUILL_DEBUGFACILITY, SONQUILL_DEBUGFILENAME). Returns 0. */
ULONG Sonquill_UpStart(void);
/* Stops the toolkit. Returns 0. */
ULONG Sonquill_DownShut(void);
/* Stores the version 0x20040814. */
ULONG Sonquill_VersionGet(PULONG p__PULONG__Version);
/* Reads the debug settings; called by Sonquill_UpStart. */
ULONG Sonquill_InitDebugSettings(void);

/* 0 when the file can be decoded (a reader opens on it and decodes audio). */
ULONG Sonquill_CompressedFileSupportedIs(PCHAR p__PCHAR__CompressedFileName);
/* 0 when the file starts with a CD-DA WAV header; 996 when it is shorter than 44 bytes. */
ULONG Sonquill_UncompressedFileSupportedIs(PCHAR p__PCHAR__UncompressedFileName);

ULONG Sonquill_CompressedFileReaderObjectCreate(PVOID* p__PPVOID__Handle, PCHAR p__PCHAR__CompressedFileName);
ULONG Sonquill_CompressedFileReaderObjectDestroy(PVOID* p__PPVOID__Handle);
/* Fills the whole buffer with the next decoded bytes; 996 when fewer are left. */
ULONG Sonquill_CompressedFileReaderObjectRead(PVOID p__PVOID__Handle, PVOID p__PVOID__Buffer, ULONG p__ULONG__Size);
ULONG Sonquill_CompressedFileReaderObjectBeginSeek(PVOID p__PVOID__Handle);
/* The decoded size of the whole file in bytes (27, EFBIG, when it exceeds 4 GB - 1). */
ULONG Sonquill_CompressedFileReaderObjectUncompressedSizeGet(PVOID p__PVOID__Handle, PULONG p__PULONG__Size);

/* Creates the destination (it must not exist: EEXIST) for the compression above. */
ULONG Sonquill_CompressedFileWriterObjectCreate(PVOID* p__PPVOID__Handle, PCHAR p__PCHAR__CompressedFileName,
                                                ULONG p__ULONG__Compression);
/* Encodes what is still buffered, finishes the file and frees the writer. */
ULONG Sonquill_CompressedFileWriterObjectDestroy(PVOID* p__PPVOID__Handle);
/* Encodes CD-DA PCM bytes (any count; a partial sample frame waits for the next call). */
ULONG Sonquill_CompressedFileWriterObjectWrite(PVOID p__PVOID__Handle, PVOID p__PVOID__Buffer, ULONG p__ULONG__Size);

ULONG Sonquill_WaveFileHeaderFormat(PSONQUILL_WAVE_FILE_HEADER p__PSONQUILL_WAVE_FILE_HEADER__Header,
                                    ULONG p__ULONG__DataSize);
ULONG Sonquill_WaveFileHeaderVerify(PSONQUILL_WAVE_FILE_HEADER p__PSONQUILL_WAVE_FILE_HEADER__Header);

/* Decodes a compressed file into a new file (with a WAV header when asked). */
ULONG Sonquill_CompressedFileUncompress(PCHAR p__PCHAR__CompressedFileName, PCHAR p__PCHAR__UncompressedFileName,
                                        ULONG p__ULONG__WorkingBufferSize, BOOLEAN p__BOOLEAN__IsWaveHeaderRequired,
                                        PULONG p__PULONG__UncompressedSize, SONQUILL_CALLBACK p__SONQUILL_CALLBACK__Callback,
                                        PVOID p__PVOID__Context);
/* Encodes a CD-DA WAV file into a new compressed file. */
ULONG Sonquill_UncompressedFileCompress(PCHAR p__PCHAR__UncompressedFileName, PCHAR p__PCHAR__CompressedFileName,
                                        ULONG p__ULONG__WorkingBufferSize, SONQUILL_CALLBACK p__SONQUILL_CALLBACK__Callback,
                                        PVOID p__PVOID__Context, ULONG p__ULONG__Compression);

#ifdef __cplusplus
}
static_assert(sizeof(SONQUILL_HANDLE) == 16, "handle record is 16 bytes");
static_assert(sizeof(SONQUILL_WAVE_FILE_HEADER) == 44, "WAV header is 44 bytes");
static_assert(offsetof(SONQUILL_WAVE_FILE_HEADER, m__ULONG__DataTag) == 36, "data tag at 36");
#endif

#endif /* SONQUILL_H */
