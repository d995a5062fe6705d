#include "CTarnwick_FifoQueue.h"

#include <cinttypes>
#include <cstdint>
#include <mutex>

#include "DebugPrint.h"

CTarnwick_FifoQueue::CTarnwick_FifoQueue() {
    m__LIST_ENTRY__Head.Flink = &m__LIST_ENTRY__Head;
    m__LIST_ENTRY__Head.Blink = &m__LIST_ENTRY__Head;
}

CTarnwick_FifoQueue::~CTarnwick_FifoQueue() {
    if (m__LIST_ENTRY__Head.Flink != &m__LIST_ENTRY__Head) {
        // The address is printed whole (at least eight digits) on a 64-bit platform.
        DebugPrint("\nCTarnwick_FifoQueue::~CTarnwick_FifoQueue(): WARNING! Queue 0x%08" PRIXPTR " is not empty!!!\n",
                   reinterpret_cast<uintptr_t>(&m__LIST_ENTRY__Head));
    }
}

void CTarnwick_FifoQueue::AddTail(PFIFO_QUEUE_ENTRY p__PFIFO_QUEUE_ENTRY__Entry) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__PlatformRecursiveLock__Lock);
    AddTailUnlocked(p__PFIFO_QUEUE_ENTRY__Entry);
}

void CTarnwick_FifoQueue::AddHead(PFIFO_QUEUE_ENTRY p__PFIFO_QUEUE_ENTRY__Entry) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__PlatformRecursiveLock__Lock);
    AddHeadUnlocked(p__PFIFO_QUEUE_ENTRY__Entry);
}

PVOID CTarnwick_FifoQueue::RemoveHead() {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__PlatformRecursiveLock__Lock);
    return RemoveHeadUnlocked();
}

void CTarnwick_FifoQueue::RemoveAll() {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__PlatformRecursiveLock__Lock);
    while (RemoveHead() != nullptr) {
    }
}

BOOLEAN CTarnwick_FifoQueue::IsEmpty() {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__PlatformRecursiveLock__Lock);
    return m__LIST_ENTRY__Head.Flink == &m__LIST_ENTRY__Head;
}

void CTarnwick_FifoQueue::Link(PLIST_ENTRY p__PLIST_ENTRY__Link, PLIST_ENTRY p__PLIST_ENTRY__Previous,
                               PLIST_ENTRY p__PLIST_ENTRY__Next) {
    p__PLIST_ENTRY__Link->Blink = p__PLIST_ENTRY__Previous;
    p__PLIST_ENTRY__Link->Flink = p__PLIST_ENTRY__Next;
    p__PLIST_ENTRY__Previous->Flink = p__PLIST_ENTRY__Link;
    p__PLIST_ENTRY__Next->Blink = p__PLIST_ENTRY__Link;
}

void CTarnwick_FifoQueue::AddTailUnlocked(PFIFO_QUEUE_ENTRY p__PFIFO_QUEUE_ENTRY__Entry) {
    if (p__PFIFO_QUEUE_ENTRY__Entry == nullptr) {
        DebugPrint("\nCTarnwick_FifoQueue::AddTail(): EXITing with failure, pointer is NULL!!!\n");
        return;
    }
    Link(&p__PFIFO_QUEUE_ENTRY__Entry->m__LIST_ENTRY__Link, m__LIST_ENTRY__Head.Blink, &m__LIST_ENTRY__Head);
}

void CTarnwick_FifoQueue::AddHeadUnlocked(PFIFO_QUEUE_ENTRY p__PFIFO_QUEUE_ENTRY__Entry) {
    if (p__PFIFO_QUEUE_ENTRY__Entry == nullptr) {
        DebugPrint("\nCTarnwick_FifoQueue::AddHead(): EXITing with failure, pointer is NULL!!!\n");
        return;
    }
    Link(&p__PFIFO_QUEUE_ENTRY__Entry->m__LIST_ENTRY__Link, &m__LIST_ENTRY__Head, m__LIST_ENTRY__Head.Flink);
}

PVOID CTarnwick_FifoQueue::RemoveHeadUnlocked() {
    if (m__LIST_ENTRY__Head.Flink == &m__LIST_ENTRY__Head) return nullptr;
    PLIST_ENTRY l__PLIST_ENTRY__First = m__LIST_ENTRY__Head.Flink;
    if (l__PLIST_ENTRY__First == nullptr) {
        DebugPrint("\nCTarnwick_FifoQueue::RemoveHead(): EXITing with failure, PLIST_ENTRY is NULL!!!\n");
        return nullptr;
    }
    m__LIST_ENTRY__Head.Flink = l__PLIST_ENTRY__First->Flink;
    l__PLIST_ENTRY__First->Flink->Blink = &m__LIST_ENTRY__Head;
    // The link is the first member of its FIFO_QUEUE_ENTRY; the owner pointer follows it.
    return reinterpret_cast<PFIFO_QUEUE_ENTRY>(l__PLIST_ENTRY__First)->m__PVOID__Owner;
}
