#include "CTarnwick_ISO9660FileTreeLeadOutRawPQ.h"

#include "CTarnwick_RawSubchannel.h"

CTarnwick_ISO9660FileTreeLeadOutRawPQ::CTarnwick_ISO9660FileTreeLeadOutRawPQ(LONG p__LONG__LeadOutStartLBA, BOOLEAN p__BOOLEAN__IsDataTrack, BOOLEAN p__BOOLEAN__IsMode2Form1)
    : CTarnwick_RawAreaGenerator(CTarnwick_RawSubchannel::PQ_BLOCK_BYTES, LEAD_OUT_BLOCKS,
                                 {"CTarnwick_ISO9660FileTreeLeadOutRawPQ", "CTarnwick_ISO9660FileTreeLeadOutRawPQ", "m__PCTarnwick_MemoryFile__LeadOut"}) {
    FillLeadOut(p__LONG__LeadOutStartLBA, p__BOOLEAN__IsDataTrack, p__BOOLEAN__IsMode2Form1);
}
