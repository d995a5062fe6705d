#pragma once
#include "CTarnwick_RawAreaGenerator.h"

// The 90-second lead-out of a Disc-At-Once session as 2368-byte raw + P-Q blocks: track AAh, index 1, the P
// flag off for two seconds and then on and off a second at a time.
class CTarnwick_ISO9660FileTreeLeadOutRawPQ : public CTarnwick_RawAreaGenerator {
public:
    CTarnwick_ISO9660FileTreeLeadOutRawPQ(LONG p__LONG__LeadOutStartLBA, BOOLEAN p__BOOLEAN__IsDataTrack, BOOLEAN p__BOOLEAN__IsMode2Form1);
};
