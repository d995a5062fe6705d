#pragma once
#include "CTarnwick_RawAreaGenerator.h"

// The lead-in of a Disc-At-Once session as 2448-byte raw + raw P-W blocks: its table of contents (first and
// last track, lead-out start, every track's start) in the Q sub-channel, each item in three
// consecutive blocks, over and over.
class CTarnwick_ISO9660FileTreeLeadInRawRawPW : public CTarnwick_RawAreaGenerator {
public:
    CTarnwick_ISO9660FileTreeLeadInRawRawPW(LONG p__LONG__LeadInStartLBA, LONG p__LONG__LeadInSizeInLBs, LONG p__LONG__LeadOutStartLBA,
        const DISC_AT_ONCE_TRACK_LIST* p__PDISC_AT_ONCE_TRACK_LIST__Tracks, BOOLEAN p__BOOLEAN__IsMode2Form1);
};
