#include "CTarnwick_SVCDDATATrack.h"

#include <algorithm>

#include "CTarnwick_CdAddress.h"
#include "VideoCdLayout.h"

namespace {
// The track list's playing time is counted as a minute per 10 MiB of stream.
constexpr uint64_t BYTES_PER_MINUTE = 10485760;
}  // namespace

CTarnwick_SVCDDATATrack::CTarnwick_SVCDDATATrack(const char* p__PCHAR__MpegFileName, const char* p__PCHAR__Label,
                                                 USHORT p__USHORT__First, USHORT p__USHORT__Second,
                                                 const char* p__PCHAR__TemplateFileName,
                                                 ULONG p__ULONG__DirectoryRecordOffset)
    : CTarnwick_VCDDATATrack(p__PCHAR__MpegFileName, p__PCHAR__Label, p__USHORT__First, p__USHORT__Second,
                             p__PCHAR__TemplateFileName, p__ULONG__DirectoryRecordOffset) {
    using namespace VideoCdLayout;
    const uint64_t l__ULONGLONG__Size = GetMpegFileSize();
    PUCHAR l__PUCHAR__Time = Sector(g__ULONG__TracksSector) + g__ULONG__TrackTimeOffset;
    if (!ReadPlayingTime(p__PCHAR__MpegFileName, l__ULONGLONG__Size, l__PUCHAR__Time)) {
        l__PUCHAR__Time[0] = CTarnwick_CdAddress::ToBcd(static_cast<ULONG>((l__ULONGLONG__Size / BYTES_PER_MINUTE) % 100));
        l__PUCHAR__Time[1] = CTarnwick_CdAddress::ToBcd(static_cast<ULONG>((l__ULONGLONG__Size % BYTES_PER_MINUTE) % 100));
        l__PUCHAR__Time[2] = 0;
    }
    if (IsPalVideo()) Sector(g__ULONG__TracksSector)[g__ULONG__TrackStreamInfoOffset] |= g__UCHAR__TrackPalVideo;
    PatchAdditionalFile(g__ULONG__SuperVideoCdArchiveSector, "CTarnwick_SVCDDATATrack");
    SeekToBegin();
}

bool CTarnwick_SVCDDATATrack::ReadClockReference(const UCHAR* p__PUCHAR__Pack, size_t p__size_t__Size,
                                                 uint64_t* p__PULONGLONG__Clock) {
    // Each byte widened first, so that the shifts below work on 64 bits.
    if (p__size_t__Size < 9) return false;
    uint64_t b[9];
    for (int i = 0; i < 9; ++i) b[i] = p__PUCHAR__Pack[i];
    if (b[0] != 0 || b[1] != 0 || b[2] != 1 || b[3] != 0xBA) return false;
    if ((b[4] & 0xC0) == 0x40) {
        // MPEG-2: '01', base 32..30, marker, base 29..15, marker, base 14..0, marker, extension.
        *p__PULONGLONG__Clock = (((b[4] >> 3) & 7u) << 30) | ((b[4] & 3u) << 28) | (b[5] << 20) |
                                ((b[6] >> 3) << 15) | ((b[6] & 3u) << 13) | (b[7] << 5) | (b[8] >> 3);
        return true;
    }
    if ((b[4] & 0xF0) == 0x20) {
        // MPEG-1: '0010', the reference 32..30, marker, 29..15, marker, 14..0, marker.
        *p__PULONGLONG__Clock = (((b[4] >> 1) & 7u) << 30) | (b[5] << 22) | ((b[6] >> 1) << 15) |
                                (b[7] << 7) | (b[8] >> 1);
        return true;
    }
    return false;
}

bool CTarnwick_SVCDDATATrack::ReadPlayingTime(const char* p__PCHAR__MpegFileName, uint64_t p__ULONGLONG__Size,
                                              PUCHAR p__PUCHAR__Time) {
    using namespace VideoCdLayout;
    const uint64_t l__ULONGLONG__Blocks = p__ULONGLONG__Size / g__ULONG__MpegPayloadSize;
    if (l__ULONGLONG__Blocks == 0) return false;
    UCHAR l__UCHAR__First[16] = {}, l__UCHAR__Last[16] = {};
    const int64_t l__LONGLONG__LastOffset = static_cast<int64_t>((l__ULONGLONG__Blocks - 1) * g__ULONG__MpegPayloadSize);
    const bool l__bool__Read =
        ReadFileAt(p__PCHAR__MpegFileName, 0, l__UCHAR__First, sizeof(l__UCHAR__First)) == sizeof(l__UCHAR__First) &&
        ReadFileAt(p__PCHAR__MpegFileName, l__LONGLONG__LastOffset, l__UCHAR__Last, sizeof(l__UCHAR__Last)) == sizeof(l__UCHAR__Last);
    uint64_t l__ULONGLONG__First = 0, l__ULONGLONG__Last = 0;
    if (!l__bool__Read || !ReadClockReference(l__UCHAR__First, sizeof(l__UCHAR__First), &l__ULONGLONG__First) ||
        !ReadClockReference(l__UCHAR__Last, sizeof(l__UCHAR__Last), &l__ULONGLONG__Last) || l__ULONGLONG__Last < l__ULONGLONG__First)
        return false;
    // 90,000 clock ticks a second, 75 frames a second; the minutes field holds two digits.
    const uint64_t l__ULONGLONG__Frames = std::min<uint64_t>((l__ULONGLONG__Last - l__ULONGLONG__First) * 75 / 90000, 99 * 4500 + 59 * 75 + 74);
    p__PUCHAR__Time[0] = CTarnwick_CdAddress::ToBcd(static_cast<ULONG>(l__ULONGLONG__Frames / 4500));
    p__PUCHAR__Time[1] = CTarnwick_CdAddress::ToBcd(static_cast<ULONG>(l__ULONGLONG__Frames / 75 % 60));
    p__PUCHAR__Time[2] = CTarnwick_CdAddress::ToBcd(static_cast<ULONG>(l__ULONGLONG__Frames % 75));
    return true;
}
