#pragma once
#include <atomic>

#include "CTarnwick_Exception.h"
#include "CTarnwick_FifoQueue.h"
#include "tarnwick_types.h"

// One block of the write cache: a buffer of one transfer, filled by the cache thread
// and written by the writer with one WRITE(10). It sits in one queue at a time.
class CTarnwick_CacheObject {
public:
    // Allocates the buffer; raises number 4 when it cannot.
    CTarnwick_CacheObject(ULONG p__ULONG__Index, ULONG p__ULONG__BufferSize);
    virtual ~CTarnwick_CacheObject();
    CTarnwick_CacheObject(const CTarnwick_CacheObject&) = delete;
    CTarnwick_CacheObject& operator=(const CTarnwick_CacheObject&) = delete;

    // Clears the end marker, the failure and the data counts, and frees an exception the
    // block still carries (one the writer never took).
    virtual void Reset();

    // Makes the buffer's memory present before the block is first filled: one call for the
    // block instead of a page fault for each of its pages inside the read. Only the first
    // call does it; the cache thread and the writer may both call it.
    void PrepareForFirstFill();

    PFIFO_QUEUE_ENTRY QueueEntry() { return &m__FIFO_QUEUE_ENTRY__Entry; }

    ULONG m__ULONG__Index;
    FIFO_QUEUE_ENTRY m__FIFO_QUEUE_ENTRY__Entry;  // link and owner (this block)
    UCHAR m__UCHAR__IsEndMarker;                  // 1 on the block with the last data of the source
    UCHAR m__UCHAR__IsFailure;                    // 1 when the block carries an exception instead of data
    // The exception carried. The writer takes it over when it throws it (and clears this
    // field); one that no writer took is freed by Reset or with the block.
    CTarnwick_Exception* m__PCTarnwick_Exception__Exception;
    ULONG m__ULONG__BufferSize;
    ULONG m__ULONG__DataBytes;   // a whole number of logical blocks
    ULONG m__ULONG__DataBlocks;
    PUCHAR m__PUCHAR__Buffer;

private:
    std::atomic<bool> m__bool__Prefaulted{false};
};
