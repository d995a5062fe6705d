#include "CTarnwick_SectorPaddedMemoryFile.h"

#include <algorithm>
#include <cstring>

CTarnwick_SectorPaddedMemoryFile::CTarnwick_SectorPaddedMemoryFile(const void* p__PVOID__Memory,
                                                                   uint64_t p__ULONGLONG__BlockSize)
    : CTarnwick_File((p__ULONGLONG__BlockSize + 2047) / 2048 * 2048),
      m__PUCHAR__Memory(static_cast<const UCHAR*>(p__PVOID__Memory)),
      m__ULONGLONG__BlockSize(p__ULONGLONG__BlockSize) {}

void CTarnwick_SectorPaddedMemoryFile::RealRead(uint64_t p__ULONGLONG__Length, PVOID p__PVOID__Buffer) {
    // The caller has zeroed the buffer; the padding after the block stays zero.
    if (m__ULONGLONG__Position < m__ULONGLONG__BlockSize) {
        uint64_t l__ULONGLONG__Count = std::min(p__ULONGLONG__Length, m__ULONGLONG__BlockSize - m__ULONGLONG__Position);
        std::memcpy(p__PVOID__Buffer, m__PUCHAR__Memory + m__ULONGLONG__Position, l__ULONGLONG__Count);
    }
}
