#include "CTarnwick_VCDDATATrack.h"

#include <algorithm>
#include <cinttypes>
#include <cstring>
#include <iterator>
#include <new>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_DiskFile.h"
#include "CTarnwick_Exception.h"
#include "DebugPrint.h"
#include "PlatformFile.h"
#include "PlatformSystemError.h"
#include "VideoCdLayout.h"

namespace {
constexpr const char* NAME = "CTarnwick_VCDDATATrack::CTarnwick_VCDDATATrack";
constexpr const char* ARCHIVE_FILE_NAME = "ARCHIVE.dat";

// Copies at most p__size_t__Size bytes of a text into a field.
void PutText(PUCHAR p__PUCHAR__Field, size_t p__size_t__Size, const char* p__PCHAR__Text) {
    std::memcpy(p__PUCHAR__Field, p__PCHAR__Text, std::min(std::strlen(p__PCHAR__Text), p__size_t__Size));
}
}  // namespace

CTarnwick_VCDDATATrack::CTarnwick_VCDDATATrack(const char* p__PCHAR__MpegFileName, const char* p__PCHAR__Label,
                                               USHORT p__USHORT__First, USHORT p__USHORT__Second,
                                               const char* p__PCHAR__TemplateFileName,
                                               ULONG p__ULONG__DirectoryRecordOffset) {
    using namespace VideoCdLayout;
    constexpr LONGLONG l__LONGLONG__ImageSize = g__ULONG__ImageSize;
    // The record's 34 bytes must lie inside the image.
    if (p__ULONG__DirectoryRecordOffset > g__ULONG__ImageSize - 34) {
        CTarnwick_Exception::Raise(NAME, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                   "%s(): Directory record offset %lu is outside the data track!!!", NAME,
                                   static_cast<unsigned long>(p__ULONG__DirectoryRecordOffset));
    }
    {
        CTarnwick_DiskFile l__Template(p__PCHAR__TemplateFileName);
        const LONGLONG l__LONGLONG__Size = static_cast<LONGLONG>(l__Template.GetSize());
        if (l__LONGLONG__Size < l__LONGLONG__ImageSize) {
            CTarnwick_Exception::Raise(NAME, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_OUT_OF_MEMORY, 0,
                                       "CTarnwick_VCDDATATrack::CTarnwick_VCDDATATrack(): "
                                       "l__LARGE_INTEGER__DATATrackSizeInUCHARs is %" PRId64
                                       " instead of at least %" PRId64 "!!!",
                                       static_cast<int64_t>(l__LONGLONG__Size), static_cast<int64_t>(l__LONGLONG__ImageSize));
        }
        m__PUCHAR__Memory.reset(new (std::nothrow) UCHAR[g__ULONG__ImageSize]);
        if (!m__PUCHAR__Memory) {
            CTarnwick_Exception::Raise(NAME, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_OUT_OF_MEMORY, 0,
                                       "CTarnwick_VCDDATATrack::CTarnwick_VCDDATATrack(): m__PUCHAR__Memory == NULL!!!");
        }
        m__PCTarnwick_MemoryFile__DATATrack.reset(new (std::nothrow)
                                                      CTarnwick_MemoryFile(m__PUCHAR__Memory.get(), g__ULONG__ImageSize));
        if (!m__PCTarnwick_MemoryFile__DATATrack) {
            m__PUCHAR__Memory.reset();
            CTarnwick_Exception::Raise(NAME, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_OUT_OF_MEMORY, 0,
                                       "CTarnwick_VCDDATATrack::CTarnwick_VCDDATATrack(): "
                                       "m__PCTarnwick_MemoryFile__DATATrack == NULL!!!");
        }
        AddChainTail(m__PCTarnwick_MemoryFile__DATATrack.get());
        std::memset(m__PUCHAR__Memory.get(), 0, g__ULONG__ImageSize);
        // The first 600 sectors; a longer template's rest is not read.
        l__Template.Read(g__ULONG__ImageSize, m__PUCHAR__Memory.get());
    }
    {
        CTarnwick_DiskFile l__Mpeg(p__PCHAR__MpegFileName);
        m__ULONGLONG__MpegFileSize = l__Mpeg.GetSize();
    }

    // The MPEG file's extent: its payload blocks between the two margins, 2,048 bytes each
    // as the file system counts Form 2 sectors.
    const uint64_t l__ULONGLONG__Length =
        (m__ULONGLONG__MpegFileSize / g__ULONG__MpegPayloadSize + 2 * g__ULONG__MpegMarginSectors) * g__ULONG__SectorSize;
    if (l__ULONGLONG__Length > UINT32_MAX) {
        CTarnwick_Exception::Raise(NAME, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_SIZE_LIMIT, 0,
                                   "%s(): MPEG file of %" PRIu64 " UCHARs is too large for a directory record!!!", NAME,
                                   m__ULONGLONG__MpegFileSize);
    }
    CTarnwick_Bytes::PutBothEndian32(m__PUCHAR__Memory.get() + p__ULONG__DirectoryRecordOffset + g__ULONG__RecordDataLengthOffset,
                                     static_cast<ULONG>(l__ULONGLONG__Length));

    PUCHAR l__PUCHAR__Info = Sector(g__ULONG__InfoSector);
    PutText(l__PUCHAR__Info + g__ULONG__AlbumOffset, g__ULONG__AlbumSize, p__PCHAR__Label);
    CTarnwick_Bytes::PutBigEndian16(l__PUCHAR__Info + g__ULONG__VolumeCountOffset, p__USHORT__First);
    CTarnwick_Bytes::PutBigEndian16(l__PUCHAR__Info + g__ULONG__VolumeNumberOffset, p__USHORT__Second);

    PUCHAR l__PUCHAR__Descriptor = Sector(g__ULONG__VolumeDescriptorSector);
    std::memset(l__PUCHAR__Descriptor + g__ULONG__VolumeIdOffset, 0, g__ULONG__VolumeIdSize);
    PutText(l__PUCHAR__Descriptor + g__ULONG__VolumeIdOffset, g__ULONG__VolumeIdSize, p__PCHAR__Label);
    std::memset(l__PUCHAR__Descriptor + g__ULONG__VolumeSetIdOffset, 0, g__ULONG__VolumeSetIdSize);
    PutText(l__PUCHAR__Descriptor + g__ULONG__VolumeSetIdOffset, g__ULONG__VolumeSetIdSize, p__PCHAR__Label);

    m__bool__IsPalVideo = ReadIsPalVideo(p__PCHAR__MpegFileName);
    if (m__bool__IsPalVideo) l__PUCHAR__Info[g__ULONG__PalFlagsOffset] |= g__UCHAR__FirstTrackPalFlag;

    PatchAdditionalFile(g__ULONG__VideoCdArchiveSector, "CTarnwick_VCDDATATrack");
    SeekToBegin();
}

int64_t CTarnwick_VCDDATATrack::ReadFileAt(const char* p__PCHAR__FileName, int64_t p__LONGLONG__Offset,
                                           PUCHAR p__PUCHAR__Buffer, size_t p__size_t__Size) {
    const int l__INT__Handle = PlatformFile::OpenRead(p__PCHAR__FileName);
    if (l__INT__Handle == PlatformFile::InvalidHandle) return -1;
    const int64_t l__LONGLONG__Read = PlatformFile::ReadAt(l__INT__Handle, p__PUCHAR__Buffer, p__size_t__Size, p__LONGLONG__Offset);
    PlatformFile::Close(l__INT__Handle);
    return l__LONGLONG__Read;
}

bool CTarnwick_VCDDATATrack::ReadIsPalVideo(const char* p__PCHAR__MpegFileName) {
    constexpr size_t l__size_t__Window = 65536;
    constexpr UCHAR l__UCHAR__SequenceHeader[4] = {0x00, 0x00, 0x01, 0xB3};
    constexpr UCHAR l__UCHAR__PictureRate25 = 3;
    std::unique_ptr<UCHAR[]> l__PUCHAR__Window(new (std::nothrow) UCHAR[l__size_t__Window]);
    if (!l__PUCHAR__Window) return false;
    const int64_t l__LONGLONG__Read = ReadFileAt(p__PCHAR__MpegFileName, 0, l__PUCHAR__Window.get(), l__size_t__Window);
    if (l__LONGLONG__Read <= 0) return false;
    const UCHAR* l__PUCHAR__End = l__PUCHAR__Window.get() + l__LONGLONG__Read;
    const UCHAR* l__PUCHAR__Header = std::search(static_cast<const UCHAR*>(l__PUCHAR__Window.get()), l__PUCHAR__End, std::begin(l__UCHAR__SequenceHeader),
                                                 std::end(l__UCHAR__SequenceHeader));
    // The code, 12 bits of width, 12 of height, 4 of aspect ratio, then 4 of picture rate.
    if (l__PUCHAR__End - l__PUCHAR__Header < 8) return false;
    return (l__PUCHAR__Header[7] & 0x0F) == l__UCHAR__PictureRate25;
}

CTarnwick_VCDDATATrack::~CTarnwick_VCDDATATrack() = default;

void CTarnwick_VCDDATATrack::PatchAdditionalFile(ULONG p__ULONG__Sector, const char* p__PCHAR__ClassName) {
    const int l__INT__Handle = PlatformFile::OpenRead(ARCHIVE_FILE_NAME);
    if (l__INT__Handle == PlatformFile::InvalidHandle) {
        DebugPrint("%s::PatchAdditionalFile(): CreateFile( '%s' ) failed, status %ld!!!\n", p__PCHAR__ClassName,
                   ARCHIVE_FILE_NAME, static_cast<long>(GetLastError()));
        return;
    }
    UCHAR l__UCHAR__Buffer[VideoCdLayout::g__ULONG__SectorSize] = {};
    // Read until the sector is full or the file ends: a read may deliver less than asked.
    size_t l__size_t__Read = 0;
    while (l__size_t__Read < sizeof(l__UCHAR__Buffer)) {
        const int64_t l__LONGLONG__Got =
            PlatformFile::Read(l__INT__Handle, l__UCHAR__Buffer + l__size_t__Read, sizeof(l__UCHAR__Buffer) - l__size_t__Read);
        if (l__LONGLONG__Got < 0) {
            DebugPrint("\n%s::PatchAdditionalFile(): ReadFile() status %ld, successfully read %ld bytes", p__PCHAR__ClassName,
                       static_cast<long>(GetLastError()), static_cast<long>(l__size_t__Read));
            break;
        }
        if (l__LONGLONG__Got == 0) break;
        l__size_t__Read += static_cast<size_t>(l__LONGLONG__Got);
    }
    PlatformFile::Close(l__INT__Handle);
    std::memcpy(Sector(p__ULONG__Sector), l__UCHAR__Buffer, sizeof(l__UCHAR__Buffer));
}
