#include "CTarnwick_Mode2Form1Tree.h"

#include <algorithm>
#include <cstring>

#include "CTarnwick_Exception.h"
#include "SectorCodec.h"

namespace {
constexpr ULONG RAW_SECTOR_BYTES = 2352;
constexpr ULONG HEADER_END = 16;           // sync and header, which the drive adds
constexpr UCHAR SUBMODE_DATA = 0x08;
constexpr UCHAR SUBMODE_END_OF_FILE = 0x80 | 0x01 | SUBMODE_DATA;  // end of file and of record
}  // namespace

CTarnwick_Mode2Form1Tree::CTarnwick_Mode2Form1Tree(PVOID p__PVOID__WrappedTree,
                                                   CTarnwick_FileChain* p__PCTarnwick_FileChain__WrappedImage)
    : m__PVOID__WrappedTree(p__PVOID__WrappedTree),
      m__PCTarnwick_FileChain__WrappedImage(p__PCTarnwick_FileChain__WrappedImage),
      m__ULONGLONG__WrappedSize(p__PCTarnwick_FileChain__WrappedImage->GetSize()),
      m__ULONGLONG__Sectors((m__ULONGLONG__WrappedSize + USER_BYTES - 1) / USER_BYTES) {}

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

void CTarnwick_Mode2Form1Tree::Read(uint64_t p__ULONGLONG__Length, PVOID p__PVOID__Buffer) {
    if (p__ULONGLONG__Length > GetSize() - m__ULONGLONG__Position) {
        CTarnwick_Exception::Raise("CTarnwick_Mode2Form1Tree::Read", EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_INVALID_STATE, 0,
                                   "CTarnwick_Mode2Form1Tree::Read(): Reading past the end of the image!!!");
    }
    PUCHAR l__PUCHAR__Out = static_cast<PUCHAR>(p__PVOID__Buffer);
    UCHAR l__UCHAR__User[USER_BYTES];
    while (p__ULONGLONG__Length > 0) {
        const uint64_t l__ULONGLONG__Sector = m__ULONGLONG__Position / SECTOR_BYTES;
        const ULONG l__ULONG__Offset = static_cast<ULONG>(m__ULONGLONG__Position % SECTOR_BYTES);
        if (l__ULONGLONG__Sector + 1 > m__ULONGLONG__Encoded) {
            // The next sector: its user data from the wrapped image, zero past its end.
            const uint64_t l__ULONGLONG__Left = m__ULONGLONG__WrappedSize - l__ULONGLONG__Sector * USER_BYTES;
            const ULONG l__ULONG__Take = static_cast<ULONG>(std::min<uint64_t>(USER_BYTES, l__ULONGLONG__Left));
            std::memset(l__UCHAR__User, 0, sizeof(l__UCHAR__User));
            m__PCTarnwick_FileChain__WrappedImage->Read(l__ULONG__Take, l__UCHAR__User);
            const BOOLEAN l__BOOLEAN__IsLast = l__ULONGLONG__Sector + 1 == m__ULONGLONG__Sectors;
            // A whole sector asked for goes straight into the caller's buffer.
            if (l__ULONG__Offset == 0 && p__ULONGLONG__Length >= SECTOR_BYTES) {
                EncodeSector(l__UCHAR__User, l__BOOLEAN__IsLast, l__PUCHAR__Out);
                l__PUCHAR__Out += SECTOR_BYTES;
                p__ULONGLONG__Length -= SECTOR_BYTES;
                m__ULONGLONG__Position += SECTOR_BYTES;
                // Delivered whole: no later read starts inside it.
                m__ULONGLONG__Encoded = l__ULONGLONG__Sector + 1;
                continue;
            }
            EncodeSector(l__UCHAR__User, l__BOOLEAN__IsLast, m__UCHAR__Sector);
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
