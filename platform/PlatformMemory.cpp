#include "PlatformMemory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

void PlatformMemory::Prefault(void* p__PVOID__Address, size_t p__size_t__Bytes) {
#ifdef MADV_POPULATE_WRITE
    if (p__PVOID__Address == nullptr || p__size_t__Bytes == 0) return;
    static const uintptr_t s__uintptr_t__Page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    // Only the pages wholly inside the range: a page shared with a neighbour is left to fault.
    const uintptr_t l__uintptr_t__Start = reinterpret_cast<uintptr_t>(p__PVOID__Address);
    const uintptr_t l__uintptr_t__First = (l__uintptr_t__Start + s__uintptr_t__Page - 1) & ~(s__uintptr_t__Page - 1);
    const uintptr_t l__uintptr_t__End = (l__uintptr_t__Start + p__size_t__Bytes) & ~(s__uintptr_t__Page - 1);
    if (l__uintptr_t__End <= l__uintptr_t__First) return;
    // Kernels before 5.14 answer EINVAL: the pages then fault in as they are written.
    (void)madvise(reinterpret_cast<void*>(l__uintptr_t__First), l__uintptr_t__End - l__uintptr_t__First, MADV_POPULATE_WRITE);
#else
    (void)p__PVOID__Address;
    (void)p__size_t__Bytes;
#endif
}

void* PlatformMemory::AllocateLarge(size_t p__size_t__Bytes) {
    if (p__size_t__Bytes == 0) p__size_t__Bytes = 1;
    void* l__PVOID__Address = mmap(nullptr, p__size_t__Bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (l__PVOID__Address == MAP_FAILED) return nullptr;
#ifdef MADV_HUGEPAGE
    // Only advice: without huge pages the block is made of ordinary pages.
    (void)madvise(l__PVOID__Address, p__size_t__Bytes, MADV_HUGEPAGE);
#endif
    return l__PVOID__Address;
}

void PlatformMemory::FreeLarge(void* p__PVOID__Address, size_t p__size_t__Bytes) {
    if (p__PVOID__Address != nullptr) (void)munmap(p__PVOID__Address, p__size_t__Bytes == 0 ? 1 : p__size_t__Bytes);
}
