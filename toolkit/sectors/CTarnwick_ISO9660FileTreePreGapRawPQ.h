#pragma once
#include "CTarnwick_RawAreaGenerator.h"

// The pre-gap before the first track of a Disc-At-Once session as 2368-byte raw + P-Q blocks: index 0 of the
// track, the relative time counting down to zero, the P flag set.
class CTarnwick_ISO9660FileTreePreGapRawPQ : public CTarnwick_RawAreaGenerator {
public:
    CTarnwick_ISO9660FileTreePreGapRawPQ(LONG p__LONG__StartLBA, LONG p__LONG__CountInLBs, ULONG p__ULONG__TrackNumber,
        BOOLEAN p__BOOLEAN__IsDataTrack, BOOLEAN p__BOOLEAN__IsMode2Form1);
};
