#pragma once
#include <cstdint>

#include "CTarnwick_EmptyBase.h"
#include "CTarnwick_FileChain.h"
#include "tarnwick_types.h"

// Presents the image of another tree (2048-byte user data blocks) as 2336-byte Mode 2
// Form 1 sectors, the part of each raw sector after its header: the 8-byte sub-header
// (data; the last sector also ends the record and the file), the 2048 bytes, EDC, and the
// P and Q parity taken with a zero header, as the drive writes them for a Mode 2 track
// whose blocks the host sends whole. A last partial block is padded with zeros. The
// wrapped image is read front to back from where it stands; the wrapper reads it only.
class CTarnwick_Mode2Form1Tree : public CTarnwick_EmptyBase, public CTarnwick_FileChain {
public:
    static constexpr ULONG USER_BYTES = 2048;
    static constexpr ULONG SECTOR_BYTES = 2336;

    // p__PVOID__WrappedTree is the flat reference of the tree the image belongs to, kept so
    // that it can be handed back when the wrapper goes.
    CTarnwick_Mode2Form1Tree(PVOID p__PVOID__WrappedTree, CTarnwick_FileChain* p__PCTarnwick_FileChain__WrappedImage);

    // The next bytes of the sector stream; any lengths, front to back.
    void Read(uint64_t p__ULONGLONG__Length, PVOID p__PVOID__Buffer) override;
    uint64_t GetSize() override { return m__ULONGLONG__Sectors * SECTOR_BYTES; }

    PVOID GetWrappedTree() const { return m__PVOID__WrappedTree; }

    // Builds the 2336 bytes of one sector from its user data (2048 bytes).
    static void EncodeSector(const UCHAR* p__PUCHAR__UserData, BOOLEAN p__BOOLEAN__IsLast, PUCHAR p__PUCHAR__Sector);

private:
    PVOID m__PVOID__WrappedTree;
    CTarnwick_FileChain* m__PCTarnwick_FileChain__WrappedImage;
    uint64_t m__ULONGLONG__WrappedSize;
    uint64_t m__ULONGLONG__Sectors;
    uint64_t m__ULONGLONG__Position = 0;  // bytes of the sector stream delivered
    uint64_t m__ULONGLONG__Encoded = 0;   // sectors encoded into m__UCHAR__Sector so far
    UCHAR m__UCHAR__Sector[SECTOR_BYTES] = {};
};
