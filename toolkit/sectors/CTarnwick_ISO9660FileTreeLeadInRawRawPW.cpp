#include "CTarnwick_ISO9660FileTreeLeadInRawRawPW.h"

#include "CTarnwick_RawSubchannel.h"

CTarnwick_ISO9660FileTreeLeadInRawRawPW::CTarnwick_ISO9660FileTreeLeadInRawRawPW(LONG p__LONG__LeadInStartLBA, LONG p__LONG__LeadInSizeInLBs, LONG p__LONG__LeadOutStartLBA,
        const DISC_AT_ONCE_TRACK_LIST* p__PDISC_AT_ONCE_TRACK_LIST__Tracks, BOOLEAN p__BOOLEAN__IsMode2Form1)
    : CTarnwick_RawAreaGenerator(CTarnwick_RawSubchannel::RAW_PW_BLOCK_BYTES, p__LONG__LeadInSizeInLBs,
                                 {"CTarnwick_ISO9660FileTreeLeadInRawRawPW", "CTarnwick_ISO9660FileTreeLeanInRawRawPW", "m__PCTarnwick_MemoryFile__LeadIn"}) {
    FillLeadIn(p__LONG__LeadInStartLBA, p__LONG__LeadOutStartLBA, p__PDISC_AT_ONCE_TRACK_LIST__Tracks, p__BOOLEAN__IsMode2Form1);
}
