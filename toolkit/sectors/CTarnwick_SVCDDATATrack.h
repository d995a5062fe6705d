#pragma once
#include <cstddef>
#include <cstdint>

#include "CTarnwick_VCDDATATrack.h"

// The data track of a Super VideoCD: the VideoCD patches, then the playing time of the MPEG
// track in the track list (sector 211) and ARCHIVE.dat once more into sector 210. The
// playing time is the span of the system clock references of the stream's first and last
// packs; a file whose packs cannot be read so gets the rough count of a minute per 10 MiB
// and the size's last two digits as seconds.
class CTarnwick_SVCDDATATrack : public CTarnwick_VCDDATATrack {
public:
    CTarnwick_SVCDDATATrack(const char* p__PCHAR__MpegFileName, const char* p__PCHAR__Label, USHORT p__USHORT__First,
                            USHORT p__USHORT__Second, const char* p__PCHAR__TemplateFileName,
                            ULONG p__ULONG__DirectoryRecordOffset);

    // The system clock reference (90 kHz) of an MPEG-1 or MPEG-2 pack header at the start of
    // a payload block; false when the block does not start with one.
    static bool ReadClockReference(const UCHAR* p__PUCHAR__Pack, size_t p__size_t__Size, uint64_t* p__PULONGLONG__Clock);
    // The playing time (minutes, seconds, frames of 1/75 s, BCD) from the first to the last
    // pack of the MPEG file; false when either has no clock reference.
    static bool ReadPlayingTime(const char* p__PCHAR__MpegFileName, uint64_t p__ULONGLONG__Size, PUCHAR p__PUCHAR__Time);
};
