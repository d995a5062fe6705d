#pragma once
#include "CTarnwick_Mode2Tree.h"

// Presents the image of another tree (2048-byte user data blocks) as 2336-byte Mode 2
// Form 1 sectors: the 8-byte sub-header (data; the last sector also ends the record and the
// file), the 2048 bytes, EDC, and the P and Q parity taken with a zero header.
class CTarnwick_Mode2Form1Tree : public CTarnwick_Mode2Tree {
public:
    static constexpr ULONG USER_BYTES = 2048;

    CTarnwick_Mode2Form1Tree(PVOID p__PVOID__WrappedTree, CTarnwick_FileChain* p__PCTarnwick_FileChain__WrappedImage)
        : CTarnwick_Mode2Tree(p__PVOID__WrappedTree, p__PCTarnwick_FileChain__WrappedImage, USER_BYTES) {}

    // Builds the 2336 bytes of one sector from its user data (2048 bytes).
    static void EncodeSector(const UCHAR* p__PUCHAR__UserData, BOOLEAN p__BOOLEAN__IsLast, PUCHAR p__PUCHAR__Sector);

protected:
    void EncodeBlock(const UCHAR* p__PUCHAR__Block, BOOLEAN p__BOOLEAN__IsLast, PUCHAR p__PUCHAR__Sector) override {
        EncodeSector(p__PUCHAR__Block, p__BOOLEAN__IsLast, p__PUCHAR__Sector);
    }
};
