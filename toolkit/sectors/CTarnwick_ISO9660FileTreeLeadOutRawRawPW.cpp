#include "CTarnwick_ISO9660FileTreeLeadOutRawRawPW.h"

#include "CTarnwick_RawSubchannel.h"

CTarnwick_ISO9660FileTreeLeadOutRawRawPW::CTarnwick_ISO9660FileTreeLeadOutRawRawPW(LONG p__LONG__LeadOutStartLBA, BOOLEAN p__BOOLEAN__IsDataTrack, BOOLEAN p__BOOLEAN__IsMode2Form1)
    : CTarnwick_RawAreaGenerator(CTarnwick_RawSubchannel::RAW_PW_BLOCK_BYTES, LEAD_OUT_BLOCKS,
                                 {"CTarnwick_ISO9660FileTreeLeadOutRawRawPW", "CTarnwick_ISO9660FileTreeLeadOutRawRawPW", "m__PCTarnwick_MemoryFile__LeadOut"}) {
    FillLeadOut(p__LONG__LeadOutStartLBA, p__BOOLEAN__IsDataTrack, p__BOOLEAN__IsMode2Form1);
}
