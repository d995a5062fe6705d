#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "PlatformMemory.h"

namespace {

// How many pages of a mapping are resident.
size_t ResidentPages(void* p__PVOID__Address, size_t p__size_t__Bytes) {
    const size_t l__size_t__Page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> l__Vector((p__size_t__Bytes + l__size_t__Page - 1) / l__size_t__Page);
    if (mincore(p__PVOID__Address, p__size_t__Bytes, l__Vector.data()) != 0) return 0;
    size_t l__size_t__Count = 0;
    for (unsigned char l__UCHAR__Bits : l__Vector) l__size_t__Count += l__UCHAR__Bits & 1;
    return l__size_t__Count;
}

TEST(PlatformMemory, PrefaultMakesTheWholePagesOfARangePresentAndKeepsTheirContent) {
    const size_t l__size_t__Page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t l__size_t__Bytes = 16 * l__size_t__Page;
    void* l__PVOID__Map = mmap(nullptr, l__size_t__Bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(l__PVOID__Map, MAP_FAILED);
    unsigned char* l__PUCHAR__Map = static_cast<unsigned char*>(l__PVOID__Map);
    l__PUCHAR__Map[0] = 0x5A;  // the first page holds data already
    ASSERT_EQ(ResidentPages(l__PVOID__Map, l__size_t__Bytes), 1u);

#ifdef MADV_POPULATE_WRITE
    // Kernels without the populate advice (before 5.14) leave the pages to fault in later.
    if (madvise(l__PUCHAR__Map + 15 * l__size_t__Page, l__size_t__Page, MADV_POPULATE_WRITE) != 0) {
        munmap(l__PVOID__Map, l__size_t__Bytes);
        GTEST_SKIP() << "this kernel cannot populate pages on advice";
    }
#else
    munmap(l__PVOID__Map, l__size_t__Bytes);
    GTEST_SKIP() << "built without the populate advice";
#endif
    // A range that starts and ends inside pages: only the pages wholly inside become present.
    PlatformMemory::Prefault(l__PUCHAR__Map + 100, 10 * l__size_t__Page);
    EXPECT_EQ(l__PUCHAR__Map[0], 0x5A);
    EXPECT_EQ(ResidentPages(l__PVOID__Map, 15 * l__size_t__Page), 1u + 9u);
    EXPECT_EQ(ResidentPages(l__PUCHAR__Map + l__size_t__Page, 9 * l__size_t__Page), 9u);
    EXPECT_EQ(ResidentPages(l__PUCHAR__Map + 10 * l__size_t__Page, l__size_t__Page), 0u);

    // Nothing to do, nothing touched.
    PlatformMemory::Prefault(nullptr, l__size_t__Bytes);
    PlatformMemory::Prefault(l__PUCHAR__Map + 12 * l__size_t__Page, 0);
    PlatformMemory::Prefault(l__PUCHAR__Map + 12 * l__size_t__Page + 1, l__size_t__Page);
    EXPECT_EQ(ResidentPages(l__PUCHAR__Map + 11 * l__size_t__Page, 4 * l__size_t__Page), 0u);
    munmap(l__PVOID__Map, l__size_t__Bytes);
}

}  // namespace
