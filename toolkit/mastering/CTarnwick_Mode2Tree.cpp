#include "CTarnwick_Mode2Tree.h"

#include <algorithm>
#include <cstring>

#include "CTarnwick_Exception.h"

CTarnwick_Mode2Tree::CTarnwick_Mode2Tree(PVOID p__PVOID__WrappedTree, CTarnwick_FileChain* p__PCTarnwick_FileChain__WrappedImage,
                                         ULONG p__ULONG__BlockBytes)
    : m__PVOID__WrappedTree(p__PVOID__WrappedTree),
      m__PCTarnwick_FileChain__WrappedImage(p__PCTarnwick_FileChain__WrappedImage),
      m__ULONG__BlockBytes(std::min(p__ULONG__BlockBytes, MAXIMUM_BLOCK_BYTES)),
      m__ULONGLONG__WrappedSize(p__PCTarnwick_FileChain__WrappedImage->GetSize()),
      m__ULONGLONG__Sectors((m__ULONGLONG__WrappedSize + m__ULONG__BlockBytes - 1) / m__ULONG__BlockBytes) {}

void CTarnwick_Mode2Tree::Read(uint64_t p__ULONGLONG__Length, PVOID p__PVOID__Buffer) {
    if (p__ULONGLONG__Length > GetSize() - m__ULONGLONG__Position) {
        CTarnwick_Exception::Raise("CTarnwick_Mode2Tree::Read", EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_INVALID_STATE, 0,
                                   "CTarnwick_Mode2Tree::Read(): Reading past the end of the image!!!");
    }
    PUCHAR l__PUCHAR__Out = static_cast<PUCHAR>(p__PVOID__Buffer);
    UCHAR l__UCHAR__Block[MAXIMUM_BLOCK_BYTES];
    while (p__ULONGLONG__Length > 0) {
        const uint64_t l__ULONGLONG__Sector = m__ULONGLONG__Position / SECTOR_BYTES;
        const ULONG l__ULONG__Offset = static_cast<ULONG>(m__ULONGLONG__Position % SECTOR_BYTES);
        if (l__ULONGLONG__Sector + 1 > m__ULONGLONG__Encoded) {
            // The next sector: its block from the wrapped image, zero past its end.
            const uint64_t l__ULONGLONG__Left = m__ULONGLONG__WrappedSize - l__ULONGLONG__Sector * m__ULONG__BlockBytes;
            const ULONG l__ULONG__Take = static_cast<ULONG>(std::min<uint64_t>(m__ULONG__BlockBytes, l__ULONGLONG__Left));
            std::memset(l__UCHAR__Block, 0, m__ULONG__BlockBytes);
            m__PCTarnwick_FileChain__WrappedImage->Read(l__ULONG__Take, l__UCHAR__Block);
            const BOOLEAN l__BOOLEAN__IsLast = l__ULONGLONG__Sector + 1 == m__ULONGLONG__Sectors;
            // A whole sector asked for goes straight into the caller's buffer.
            if (l__ULONG__Offset == 0 && p__ULONGLONG__Length >= SECTOR_BYTES) {
                EncodeBlock(l__UCHAR__Block, l__BOOLEAN__IsLast, l__PUCHAR__Out);
                l__PUCHAR__Out += SECTOR_BYTES;
                p__ULONGLONG__Length -= SECTOR_BYTES;
                m__ULONGLONG__Position += SECTOR_BYTES;
                // Delivered whole: no later read starts inside it.
                m__ULONGLONG__Encoded = l__ULONGLONG__Sector + 1;
                continue;
            }
            EncodeBlock(l__UCHAR__Block, l__BOOLEAN__IsLast, m__UCHAR__Sector);
            m__ULONGLONG__Encoded = l__ULONGLONG__Sector + 1;
        }
        const ULONG l__ULONG__Copy =
            static_cast<ULONG>(std::min<uint64_t>(SECTOR_BYTES - l__ULONG__Offset, p__ULONGLONG__Length));
        std::memcpy(l__PUCHAR__Out, m__UCHAR__Sector + l__ULONG__Offset, l__ULONG__Copy);
        l__PUCHAR__Out += l__ULONG__Copy;
        p__ULONGLONG__Length -= l__ULONG__Copy;
        m__ULONGLONG__Position += l__ULONG__Copy;
    }
}
