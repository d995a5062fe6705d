#pragma once
#include <cstddef>

// Memory the kernel hands out lazily.
class PlatformMemory {
public:
    // Makes the pages of a writable range present, in one call instead of a fault per page.
    // Only a hint: where the system cannot do it, the pages are faulted in when first written.
    static void Prefault(void* p__PVOID__Address, size_t p__size_t__Bytes);
    // A zeroed block for a large working set, asked to be backed by huge pages where the
    // system offers them (a fault per 2 MiB instead of per 4 KiB); null when it cannot be
    // had. Give it back with FreeLarge and the same size.
    static void* AllocateLarge(size_t p__size_t__Bytes);
    static void FreeLarge(void* p__PVOID__Address, size_t p__size_t__Bytes);
};
