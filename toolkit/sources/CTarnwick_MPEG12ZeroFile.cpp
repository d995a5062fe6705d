#include "CTarnwick_MPEG12ZeroFile.h"

#include <cstring>

#include "CTarnwick_MPEG12DiskFile.h"

CTarnwick_MPEG12ZeroFile::CTarnwick_MPEG12ZeroFile(uint64_t p__ULONGLONG__Size) : CTarnwick_File(p__ULONGLONG__Size) {
    m__BOOLEAN__IsVideoStuff = TRUE;
}

void CTarnwick_MPEG12ZeroFile::RealRead(uint64_t p__ULONGLONG__Length, PVOID p__PVOID__Buffer) {
    static const UCHAR c__UCHAR__SubHeader[8] = {0x01, 0x00, 0x60, 0x00, 0x01, 0x00, 0x60, 0x00};
    PUCHAR l__PUCHAR__Sector = static_cast<PUCHAR>(p__PVOID__Buffer);
    for (uint64_t l__ULONGLONG__Left = p__ULONGLONG__Length / CTarnwick_MPEG12DiskFile::SectorSize;
         l__ULONGLONG__Left > 0; --l__ULONGLONG__Left) {
        std::memcpy(l__PUCHAR__Sector, c__UCHAR__SubHeader, sizeof(c__UCHAR__SubHeader));
        l__PUCHAR__Sector += CTarnwick_MPEG12DiskFile::SectorSize;
    }
}
