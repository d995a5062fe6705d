#pragma once
#include "CTarnwick_CacheObject.h"
#include "CTarnwick_FifoQueue.h"

// The pool of cache blocks of one burner, allocated once; its own queue is the free list.
class CTarnwick_CacheManager : public CTarnwick_FifoQueue {
public:
    static constexpr LONG MAXIMUM_OBJECTS = 2048;

    // Creates the blocks (a count above 2048 or below 0 gives 2048) and queues them all free.
    // The count is taken in 64 bits, so that a trace of a cut count shows what was asked.
    CTarnwick_CacheManager(LONGLONG p__LONGLONG__Count, ULONG p__ULONG__BlockSize);
    ~CTarnwick_CacheManager() override;

    // Resets every block and queues them all free again, in index order.
    void RefillFreeList();
    // Resets a written block and queues it free.
    void ReleaseCacheObject(CTarnwick_CacheObject* p__PCTarnwick_CacheObject__Object);

    // Makes the memory of the first blocks present ahead of their first fill. The writer
    // calls it while the cache thread starts filling, so that the two share the cost of a
    // fresh cache instead of the cache thread faulting every page in on its own.
    void PrepareObjectsForFirstFill(LONG p__LONG__Count) const;

    LONG GetCount() const { return m__LONG__Count; }
    ULONG GetBlockSize() const { return m__ULONG__BlockSize; }
    CTarnwick_CacheObject* GetObject(LONG p__LONG__Index) const {
        return p__LONG__Index >= 0 && p__LONG__Index < m__LONG__Count ? m__PCTarnwick_CacheObject__Objects[p__LONG__Index]
                                                                     : nullptr;
    }

    // Test hook: the next block creation returns NULL as if out of memory.
    static void FailObjectCreationAt(LONG p__LONG__Index);

private:
    void DeleteObjects(LONG p__LONG__Created);

    CTarnwick_CacheObject* m__PCTarnwick_CacheObject__Objects[MAXIMUM_OBJECTS];
    LONG m__LONG__Count;
    ULONG m__ULONG__BlockSize;
};
