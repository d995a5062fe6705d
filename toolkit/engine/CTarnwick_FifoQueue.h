#pragma once
// A locked, intrusive first-in-first-out list of objects. Queueing never allocates: every queued object
// embeds a FIFO_QUEUE_ENTRY (its list link followed by a pointer to the object itself), and RemoveHead
// hands back that object pointer. An object sits in at most one queue at a time.
#include "PlatformRecursiveLock.h"
#include "tarnwick_types.h"

// A doubly linked list link; a list head is empty when both pointers point to the head itself.
struct LIST_ENTRY {
    LIST_ENTRY* Flink;
    LIST_ENTRY* Blink;
};
using PLIST_ENTRY = LIST_ENTRY*;

// What a queued object embeds: its link, followed directly by the object's own address.
struct FIFO_QUEUE_ENTRY {
    LIST_ENTRY m__LIST_ENTRY__Link;
    PVOID m__PVOID__Owner;
};
using PFIFO_QUEUE_ENTRY = FIFO_QUEUE_ENTRY*;

class CTarnwick_FifoQueue {
public:
    CTarnwick_FifoQueue();
    // Warns when the list is not empty; the queued objects are left alone (their owner frees them).
    virtual ~CTarnwick_FifoQueue();
    CTarnwick_FifoQueue(const CTarnwick_FifoQueue&) = delete;
    CTarnwick_FifoQueue& operator=(const CTarnwick_FifoQueue&) = delete;

    // Links the entry last (AddTail) or first (AddHead); a NULL entry is traced and ignored.
    virtual void AddTail(PFIFO_QUEUE_ENTRY p__PFIFO_QUEUE_ENTRY__Entry);
    virtual void AddHead(PFIFO_QUEUE_ENTRY p__PFIFO_QUEUE_ENTRY__Entry);
    // Unlinks the first entry and returns its owner, or NULL when the queue is empty.
    virtual PVOID RemoveHead();
    // Empties the queue, holding the lock for the whole loop.
    virtual void RemoveAll();

    // True when nothing is queued.
    BOOLEAN IsEmpty();

private:
    void AddTailUnlocked(PFIFO_QUEUE_ENTRY p__PFIFO_QUEUE_ENTRY__Entry);
    void AddHeadUnlocked(PFIFO_QUEUE_ENTRY p__PFIFO_QUEUE_ENTRY__Entry);
    PVOID RemoveHeadUnlocked();
    // Links p__PLIST_ENTRY__Link between two neighbouring links.
    static void Link(PLIST_ENTRY p__PLIST_ENTRY__Link, PLIST_ENTRY p__PLIST_ENTRY__Previous,
                     PLIST_ENTRY p__PLIST_ENTRY__Next);

    LIST_ENTRY m__LIST_ENTRY__Head;
    PlatformRecursiveLock m__PlatformRecursiveLock__Lock;
};
