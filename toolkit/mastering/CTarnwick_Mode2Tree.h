#pragma once
#include <cstdint>

#include "CTarnwick_EmptyBase.h"
#include "CTarnwick_FileChain.h"
#include "tarnwick_types.h"

// Presents the image of another tree, read in blocks of a fixed size, as 2336-byte Mode 2
// sectors, the part of each raw sector after its header, as the drive writes them for a
// Mode 2 track whose blocks the host sends whole. How a block becomes a sector is the
// derived class's. A last partial block is padded with zeros. The wrapped image is read
// front to back from where it stands; the wrapper reads it only.
class CTarnwick_Mode2Tree : public CTarnwick_EmptyBase, public CTarnwick_FileChain {
public:
    static constexpr ULONG SECTOR_BYTES = 2336;

    // The next bytes of the sector stream; any lengths, front to back.
    void Read(uint64_t p__ULONGLONG__Length, PVOID p__PVOID__Buffer) override;
    uint64_t GetSize() override { return m__ULONGLONG__Sectors * SECTOR_BYTES; }

    // The flat reference of the tree the image belongs to, handed back when the wrapper goes.
    PVOID GetWrappedTree() const { return m__PVOID__WrappedTree; }

protected:
    CTarnwick_Mode2Tree(PVOID p__PVOID__WrappedTree, CTarnwick_FileChain* p__PCTarnwick_FileChain__WrappedImage,
                        ULONG p__ULONG__BlockBytes);
    // Builds the 2336 bytes of one sector from one block of the wrapped image.
    virtual void EncodeBlock(const UCHAR* p__PUCHAR__Block, BOOLEAN p__BOOLEAN__IsLast, PUCHAR p__PUCHAR__Sector) = 0;

private:
    static constexpr ULONG MAXIMUM_BLOCK_BYTES = 2336;

    PVOID m__PVOID__WrappedTree;
    CTarnwick_FileChain* m__PCTarnwick_FileChain__WrappedImage;
    ULONG m__ULONG__BlockBytes;
    uint64_t m__ULONGLONG__WrappedSize;
    uint64_t m__ULONGLONG__Sectors;
    uint64_t m__ULONGLONG__Position = 0;  // bytes of the sector stream delivered
    uint64_t m__ULONGLONG__Encoded = 0;   // sectors encoded into m__UCHAR__Sector so far
    UCHAR m__UCHAR__Sector[SECTOR_BYTES] = {};
};
