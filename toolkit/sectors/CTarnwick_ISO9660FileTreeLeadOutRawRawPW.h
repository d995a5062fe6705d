#pragma once
#include "CTarnwick_RawAreaGenerator.h"

// The 90-second lead-out of a Disc-At-Once session as 2448-byte raw + raw P-W blocks: track AAh, index 1, the P
// flag off for two seconds and then on and off a second at a time.
class CTarnwick_ISO9660FileTreeLeadOutRawRawPW : public CTarnwick_RawAreaGenerator {
public:
    CTarnwick_ISO9660FileTreeLeadOutRawRawPW(LONG p__LONG__LeadOutStartLBA, BOOLEAN p__BOOLEAN__IsDataTrack, BOOLEAN p__BOOLEAN__IsMode2Form1);
};
