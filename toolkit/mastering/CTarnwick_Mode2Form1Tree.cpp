#include "CTarnwick_Mode2Form1Tree.h"

#include <cstring>

#include "SectorCodec.h"

namespace {
constexpr ULONG RAW_SECTOR_BYTES = 2352;
constexpr ULONG HEADER_END = 16;           // sync and header, which the drive adds
constexpr UCHAR SUBMODE_DATA = 0x08;
constexpr UCHAR SUBMODE_END_OF_FILE = 0x80 | 0x01 | SUBMODE_DATA;  // end of file and of record
}  // namespace

void CTarnwick_Mode2Form1Tree::EncodeSector(const UCHAR* p__PUCHAR__UserData, BOOLEAN p__BOOLEAN__IsLast,
                                            PUCHAR p__PUCHAR__Sector) {
    UCHAR l__UCHAR__Raw[RAW_SECTOR_BYTES] = {};
    const UCHAR l__UCHAR__SubHeader[4] = {0, 0, p__BOOLEAN__IsLast ? SUBMODE_END_OF_FILE : SUBMODE_DATA, 0};
    std::memcpy(l__UCHAR__Raw + HEADER_END, l__UCHAR__SubHeader, 4);
    std::memcpy(l__UCHAR__Raw + HEADER_END + 4, l__UCHAR__SubHeader, 4);
    std::memcpy(l__UCHAR__Raw + HEADER_END + 8, p__PUCHAR__UserData, USER_BYTES);
    // The address does not enter a Mode 2 sector's EDC or parity; the drive writes its own.
    ::EncodeSector(l__UCHAR__Raw, g__LONG__EncodeMode2Form1, 0);
    std::memcpy(p__PUCHAR__Sector, l__UCHAR__Raw + HEADER_END, SECTOR_BYTES);
}
