#pragma once
#include "CTarnwick_Mode2Tree.h"

// Presents a stream of 2332-byte Mode 2 Form 2 sectors (sub-header twice, then 2324 bytes
// of payload, as the MPEG sources deliver them) as 2336-byte sectors: the 2332 bytes and
// the Form 2 EDC over them.
class CTarnwick_Mode2Form2Tree : public CTarnwick_Mode2Tree {
public:
    static constexpr ULONG BLOCK_BYTES = 2332;

    CTarnwick_Mode2Form2Tree(PVOID p__PVOID__WrappedTree, CTarnwick_FileChain* p__PCTarnwick_FileChain__WrappedImage)
        : CTarnwick_Mode2Tree(p__PVOID__WrappedTree, p__PCTarnwick_FileChain__WrappedImage, BLOCK_BYTES) {}

    // Builds the 2336 bytes of one sector from its sub-header and payload (2332 bytes).
    static void EncodeSector(const UCHAR* p__PUCHAR__Block, PUCHAR p__PUCHAR__Sector);

protected:
    void EncodeBlock(const UCHAR* p__PUCHAR__Block, BOOLEAN, PUCHAR p__PUCHAR__Sector) override {
        EncodeSector(p__PUCHAR__Block, p__PUCHAR__Sector);
    }
};
