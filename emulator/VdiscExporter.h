#pragma once
#include <string>

#include "VdiscStore.h"

// Copies what is on a disc file out into image files: one data track as 2048-byte
// sectors from sector 0 of the disc on, or the whole CD as a CUE sheet with a raw
// 2352-byte BIN file beside it. Sectors that cannot be read come out as zeros. Each file is
// written under a temporary name and takes its own name only once complete.
class VdiscExporter {
public:
    explicit VdiscExporter(const VdiscStore& p__Store) : m__Store(p__Store) {}

    bool ExportTrack(uint32_t p__ULONG__Track, const std::string& p__string__Out, std::string& p__string__Error) const;
    // Writes OUT.cue and the BIN beside it (OUT with ".bin" in place of ".cue"); with
    // p__bool__IsSub also OUT.sub beside them: the 96 raw P-W bytes of every block the BIN
    // holds, in BIN order (zeros where the BIN has zeros for a block that cannot be read).
    bool ExportCue(const std::string& p__string__Cue, std::string& p__string__Error, bool p__bool__IsSub = false) const;

private:
    const VdiscStore& m__Store;
};
