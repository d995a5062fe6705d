#include "CTarnwick_Mode2Form2Tree.h"

#include <cstring>

#include "SectorCodec.h"

void CTarnwick_Mode2Form2Tree::EncodeSector(const UCHAR* p__PUCHAR__Block, PUCHAR p__PUCHAR__Sector) {
    // In a raw sector the sub-header starts after the 16 bytes of sync and header, which the
    // drive writes; the EDC over sub-header and payload follows them.
    constexpr ULONG l__ULONG__HeaderEnd = 16;
    UCHAR l__UCHAR__Raw[2352] = {};
    std::memcpy(l__UCHAR__Raw + l__ULONG__HeaderEnd, p__PUCHAR__Block, BLOCK_BYTES);
    ::EncodeSector(l__UCHAR__Raw, g__LONG__EncodeMode2Form2, 0);
    std::memcpy(p__PUCHAR__Sector, l__UCHAR__Raw + l__ULONG__HeaderEnd, SECTOR_BYTES);
}
