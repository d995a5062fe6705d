#include "CTarnwick_SVCDDATATrack.h"

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
    l__PUCHAR__Time[0] = CTarnwick_CdAddress::ToBcd(static_cast<ULONG>((l__ULONGLONG__Size / BYTES_PER_MINUTE) % 100));
    l__PUCHAR__Time[1] = CTarnwick_CdAddress::ToBcd(static_cast<ULONG>((l__ULONGLONG__Size % BYTES_PER_MINUTE) % 100));
    l__PUCHAR__Time[2] = 0;
    PatchAdditionalFile(g__ULONG__SuperVideoCdArchiveSector, "CTarnwick_SVCDDATATrack");
    SeekToBegin();
}
