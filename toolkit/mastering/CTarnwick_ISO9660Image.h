#pragma once
#include "CTarnwick_FileChain.h"
#include "PlatformRecursiveLock.h"

// The reading interface of a built ISO9660 image: the image chain (system structures,
// then every new file's contents), read under the tree's lock and then the chain's.
class CTarnwick_ISO9660Image : public CTarnwick_FileChain {
public:
    explicit CTarnwick_ISO9660Image(PlatformRecursiveLock& p__TreeLock) : m__TreeLock(p__TreeLock) {}

    void Read(uint64_t p__ULONGLONG__Length, PVOID p__PVOID__Buffer) override;
    // The size of the whole image in bytes.
    uint64_t GetSize() override { return CTarnwick_FileChain::GetSize(); }

private:
    PlatformRecursiveLock& m__TreeLock;
};
