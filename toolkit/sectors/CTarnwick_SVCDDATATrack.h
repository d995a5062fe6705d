#pragma once
#include "CTarnwick_VCDDATATrack.h"

// The data track of a Super VideoCD: the VideoCD patches, then the playing time of the MPEG
// track in the track list (sector 211) and ARCHIVE.dat once more into sector 210.
class CTarnwick_SVCDDATATrack : public CTarnwick_VCDDATATrack {
public:
    CTarnwick_SVCDDATATrack(const char* p__PCHAR__MpegFileName, const char* p__PCHAR__Label, USHORT p__USHORT__First,
                            USHORT p__USHORT__Second, const char* p__PCHAR__TemplateFileName,
                            ULONG p__ULONG__DirectoryRecordOffset);
};
