#include "CTarnwick_ISO9660Image.h"

#include <mutex>

void CTarnwick_ISO9660Image::Read(uint64_t p__ULONGLONG__Length, PVOID p__PVOID__Buffer) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__TreeLock);
    CTarnwick_FileChain::Read(p__ULONGLONG__Length, p__PVOID__Buffer);
}
