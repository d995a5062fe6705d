#include "CTarnwick_ISO9660FileTreePreGapRawRawPW.h"

#include "CTarnwick_RawSubchannel.h"

CTarnwick_ISO9660FileTreePreGapRawRawPW::CTarnwick_ISO9660FileTreePreGapRawRawPW(LONG p__LONG__StartLBA, LONG p__LONG__CountInLBs, ULONG p__ULONG__TrackNumber,
        BOOLEAN p__BOOLEAN__IsDataTrack, BOOLEAN p__BOOLEAN__IsMode2Form1)
    : CTarnwick_RawAreaGenerator(CTarnwick_RawSubchannel::RAW_PW_BLOCK_BYTES, p__LONG__CountInLBs,
                                 {"CTarnwick_ISO9660FileTreePreGapRawRawPW", "CTarnwick_ISO9660FileTreePreGapRawRawPW", "m__PCTarnwick_MemoryFile__PreGap"}) {
    FillPreGap(p__LONG__StartLBA, p__ULONG__TrackNumber, p__BOOLEAN__IsDataTrack, p__BOOLEAN__IsMode2Form1);
}
