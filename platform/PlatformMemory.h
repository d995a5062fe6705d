#pragma once
#include <cstddef>

// Memory the kernel hands out lazily.
class PlatformMemory {
public:
    // Makes the pages of a writable range present, in one call instead of a fault per page.
    // Only a hint: where the system cannot do it, the pages are faulted in when first written.
    static void Prefault(void* p__PVOID__Address, size_t p__size_t__Bytes);
};
