#include "CTarnwick_MemoryFile.h"

#include <cstring>

CTarnwick_MemoryFile::CTarnwick_MemoryFile(const void* p__PVOID__Memory, uint64_t p__ULONGLONG__Size)
    : CTarnwick_File(p__ULONGLONG__Size), m__PUCHAR__Memory(static_cast<const UCHAR*>(p__PVOID__Memory)) {}

void CTarnwick_MemoryFile::RealRead(uint64_t p__ULONGLONG__Length, PVOID p__PVOID__Buffer) {
    std::memcpy(p__PVOID__Buffer, m__PUCHAR__Memory + m__ULONGLONG__Position, p__ULONGLONG__Length);
}
