// The write cache: the cache thread that fills blocks from the source, and the
// writer's side that waits for the cache to fill and takes the filled blocks.
#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cxxabi.h>
#include <exception>
#include <cstring>
#include <new>
#include <system_error>

#include "CTarnwick_CdvdBurnerGrabber.h"
#include "DebugPrint.h"
#include "PlatformClock.h"

namespace {
constexpr ULONG FREE_BLOCK_POLL_MILLISECONDS = 4;
constexpr ULONG FREED_BLOCKS_WAKE_SHARE = 4;  // wake the cache thread once a quarter of the cache is free
constexpr ULONG UNDERRUN_WAIT_MILLISECONDS = 15000;
constexpr ULONG SHUTDOWN_WAIT_MILLISECONDS = 2000;
constexpr ULONG BYTES_PER_MILLISECOND = 176;  // single-speed CD
constexpr ULONG WAIT_TIMEOUT_RESULT = 258;
}  // namespace

void CTarnwick_CdvdBurnerGrabber::QueueFilledBlock(CTarnwick_CacheObject* p__PCTarnwick_CacheObject__Object,
                                                   bool p__bool__AtHead) {
    if (p__bool__AtHead) {
        CTarnwick_FifoQueue::AddHead(p__PCTarnwick_CacheObject__Object->QueueEntry());
    } else {
        CTarnwick_FifoQueue::AddTail(p__PCTarnwick_CacheObject__Object->QueueEntry());
    }
    m__PlatformManualResetEvent__BlockFilled.Set();
}

void CTarnwick_CdvdBurnerGrabber::ReleaseWrittenBlock(CTarnwick_CacheObject* p__PCTarnwick_CacheObject__Object) {
    m__PCTarnwick_CacheManager__CacheManager->ReleaseCacheObject(p__PCTarnwick_CacheObject__Object);
    // The cache thread polls for free blocks every 4 ms. Waking it sooner costs the writer a
    // cross-processor wake-up, more than a write of a block into memory, so it is woken only
    // once a quarter of the cache is free again: a large cache is refilled by the polls
    // alone, a small one still before the writer runs dry.
    const ULONG l__ULONG__WakeEvery =
        std::max<ULONG>(1, static_cast<ULONG>(m__PCTarnwick_CacheManager__CacheManager->GetCount()) / FREED_BLOCKS_WAKE_SHARE);
    if (++m__ULONG__FreedSinceWake >= l__ULONG__WakeEvery) {
        m__ULONG__FreedSinceWake = 0;
        m__PlatformManualResetEvent__BlockFreed.Set();
    }
}

LONGLONG CTarnwick_CdvdBurnerGrabber::BlocksOfSource(LONGLONG p__LONGLONG__Size, ULONG p__ULONG__LogicalBlockSize,
                                                     BOOLEAN p__BOOLEAN__IsLastBlockPadded) {
    const LONGLONG l__LONGLONG__BlockSize = static_cast<LONGLONG>(p__ULONG__LogicalBlockSize);
    return p__BOOLEAN__IsLastBlockPadded ? (p__LONGLONG__Size + l__LONGLONG__BlockSize - 1) / l__LONGLONG__BlockSize
                                         : p__LONGLONG__Size / l__LONGLONG__BlockSize;
}

bool CTarnwick_CdvdBurnerGrabber::ReadIntoBlock(CTarnwick_FileChain* p__PCTarnwick_FileChain__Source,
                                                CTarnwick_CacheObject* p__PCTarnwick_CacheObject__Object,
                                                LONGLONG p__LONGLONG__Transfer,
                                                CTarnwick_Exception** p__PPCTarnwick_Exception__Failure) {
    // Whatever the source throws must reach the writer in a block: an exception that left
    // this thread would end the process. The text is made while the foreign exception lives;
    // a null pointer (no memory even for that) still stops the writer as a failure.
    auto l__Foreign = [p__PPCTarnwick_Exception__Failure](const char* p__PCHAR__What) {
        *p__PPCTarnwick_Exception__Failure = new (std::nothrow)
            CTarnwick_Exception(EXCEPTION_NUMBER_OUT_OF_MEMORY, 0,
                                "CTarnwick_CdvdBurnerGrabber::WriteCacheThread(): Reading the source failed (%s)!!!",
                                p__PCHAR__What);
    };
    try {
        p__PCTarnwick_FileChain__Source->Read(static_cast<uint64_t>(p__LONGLONG__Transfer),
                                              p__PCTarnwick_CacheObject__Object->m__PUCHAR__Buffer);
        return true;
    } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
        *p__PPCTarnwick_Exception__Failure = l__PCTarnwick_Exception__Exception;
    } catch (const std::bad_alloc&) {
        l__Foreign("out of memory");
    } catch (const std::exception& l__Exception) {
        l__Foreign(l__Exception.what());
    } catch (abi::__forced_unwind&) {
        throw;
    } catch (...) {
        l__Foreign("unknown exception");
    }
    return false;
}

bool CTarnwick_CdvdBurnerGrabber::CacheSegment(const CACHE_SEGMENT& p__Segment, bool& p__bool__IsFullEventSet) {
    const LONGLONG l__LONGLONG__BlockSize = static_cast<LONGLONG>(p__Segment.m__ULONG__LogicalBlockSize);
    const LONGLONG l__LONGLONG__Size = static_cast<LONGLONG>(p__Segment.m__PCTarnwick_FileChain__Source->GetSize());
    // The bytes that go into blocks: all of them when a partial last block is padded, else
    // the whole blocks only (the partial one is neither read nor written).
    const LONGLONG l__LONGLONG__Total = std::min(
        l__LONGLONG__Size,
        BlocksOfSource(l__LONGLONG__Size, p__Segment.m__ULONG__LogicalBlockSize, p__Segment.m__BOOLEAN__IsLastBlockPadded) * l__LONGLONG__BlockSize);
    LONGLONG l__LONGLONG__Remaining = l__LONGLONG__Total;
    LONGLONG l__LONGLONG__Transfer = CacheTransferBytes(p__Segment.m__ULONG__LogicalBlockSize);

    while (l__LONGLONG__Remaining > 0) {
        if (l__LONGLONG__Transfer > l__LONGLONG__Remaining) {
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::WriteCacheThread(): Patched last transfer size\n");
            l__LONGLONG__Transfer = l__LONGLONG__Remaining;
        }
        CTarnwick_CacheObject* l__PCTarnwick_CacheObject__Object = nullptr;
        for (;;) {
            m__PlatformManualResetEvent__BlockFreed.Reset();
            l__PCTarnwick_CacheObject__Object =
                static_cast<CTarnwick_CacheObject*>(m__PCTarnwick_CacheManager__CacheManager->RemoveHead());
            if (l__PCTarnwick_CacheObject__Object != nullptr) break;
            if (m__LONG__StopRequestCounter.load() > 0) {
                DebugPrint("\nCTarnwick_CdvdBurnerGrabber::WriteCacheThread(): We're allowed to die #1\n");
                break;
            }
            if (!p__bool__IsFullEventSet) {
                m__HANDLE__CacheFullEvent.Set();
                DebugPrint("\nCTarnwick_CdvdBurnerGrabber::WriteCacheThread(): Cache full event set #1\n");
                p__bool__IsFullEventSet = true;
            }
            // Up to the poll time, or until the writer hands a block back.
            m__PlatformManualResetEvent__BlockFreed.Wait(FREE_BLOCK_POLL_MILLISECONDS);
        }
        if (m__LONG__StopRequestCounter.load() > 0) {
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::WriteCacheThread(): We're allowed to die #2\n");
            // A block taken here goes back, so that it is not lost for the writer's accounting.
            if (l__PCTarnwick_CacheObject__Object != nullptr)
                m__PCTarnwick_CacheManager__CacheManager->ReleaseCacheObject(l__PCTarnwick_CacheObject__Object);
            return false;
        }
        l__LONGLONG__Remaining -= l__LONGLONG__Transfer;
        LONGLONG l__LONGLONG__Offset = l__LONGLONG__Total - l__LONGLONG__Transfer - l__LONGLONG__Remaining;
        l__PCTarnwick_CacheObject__Object->PrepareForFirstFill();
        CTarnwick_Exception* l__PCTarnwick_Exception__ReadFailure = nullptr;
        if (!ReadIntoBlock(p__Segment.m__PCTarnwick_FileChain__Source, l__PCTarnwick_CacheObject__Object, l__LONGLONG__Transfer, &l__PCTarnwick_Exception__ReadFailure)) {
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::WriteCacheThread(): Read %" PRId64 " UCHARs from offset %" PRId64
                       " failed!!!\n",
                       l__LONGLONG__Transfer, l__LONGLONG__Offset);
            l__PCTarnwick_CacheObject__Object->m__PCTarnwick_Exception__Exception = l__PCTarnwick_Exception__ReadFailure;
            l__PCTarnwick_CacheObject__Object->m__UCHAR__IsFailure = 1;
            QueueFilledBlock(l__PCTarnwick_CacheObject__Object, true);
            return false;
        }
        if (m__UCHAR__IsCancel.load() == 1) {
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::WriteCacheThread(): Cancel set at offset %" PRId64 "!!!\n",
                       l__LONGLONG__Offset);
            l__PCTarnwick_CacheObject__Object->m__PCTarnwick_Exception__Exception = new (std::nothrow)
                CTarnwick_Exception(EXCEPTION_NUMBER_CANCELLED, 0,
                                    "CTarnwick_CdvdBurnerGrabber::WriteCacheThread(): Cancel set at offset %" PRId64
                                    "!!!\n",
                                    l__LONGLONG__Offset);
            l__PCTarnwick_CacheObject__Object->m__UCHAR__IsFailure = 1;
            QueueFilledBlock(l__PCTarnwick_CacheObject__Object, true);
            return false;
        }
        // Whole blocks; a partial last one is completed with zeros.
        l__PCTarnwick_CacheObject__Object->m__ULONG__DataBlocks =
            static_cast<ULONG>(BlocksOfSource(l__LONGLONG__Transfer, p__Segment.m__ULONG__LogicalBlockSize, TRUE));
        l__PCTarnwick_CacheObject__Object->m__ULONG__DataBytes =
            l__PCTarnwick_CacheObject__Object->m__ULONG__DataBlocks * p__Segment.m__ULONG__LogicalBlockSize;
        std::memset(l__PCTarnwick_CacheObject__Object->m__PUCHAR__Buffer + l__LONGLONG__Transfer, 0,
                    l__PCTarnwick_CacheObject__Object->m__ULONG__DataBytes - static_cast<ULONG>(l__LONGLONG__Transfer));
        if (l__LONGLONG__Remaining == 0) {
            // Traced with the bytes of the source left behind (a partial block left out).
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::WriteCacheThread(): Setting end marker (%" PRId64 ")\n",
                       l__LONGLONG__Size - l__LONGLONG__Total);
            l__PCTarnwick_CacheObject__Object->m__UCHAR__IsEndMarker = 1;
        }
        QueueFilledBlock(l__PCTarnwick_CacheObject__Object, false);
    }
    return true;
}

ULONG CTarnwick_CdvdBurnerGrabber::WriteCacheThread() {
    ULONG l__ULONG__Result = 0;
    bool l__bool__IsFullEventSet = false;
    for (const CACHE_SEGMENT& l__Segment : m__CacheSegments) {
        if (!CacheSegment(l__Segment, l__bool__IsFullEventSet)) break;
    }
    // Told before the cache full event: a writer that wakes on it and finds nothing queued
    // knows that nothing will come, and a writer waiting out an underrun looks again.
    m__bool__IsCacheThreadFinished.store(true);
    m__PlatformManualResetEvent__BlockFilled.Set();
    if (!l__bool__IsFullEventSet) {
        m__HANDLE__CacheFullEvent.Set();
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::WriteCacheThread(): Cache full event set #2\n");
    }
    CacheTestPoint(CACHE_TEST_POINT_BEFORE_THREAD_DEAD);
    m__HANDLE__CacheThreadDeadEvent.Set();
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::WriteCacheThread(): Set cache thread dead event\n");
    return l__ULONG__Result;
}

ULONG CTarnwick_CdvdBurnerGrabber::ShutDownCacheThread() {
    ++m__LONG__StopRequestCounter;
    m__PlatformManualResetEvent__BlockFreed.Set();
    // No thread was started (or it was already collected): nothing to wait for.
    if (!m__PlatformThread__CacheThread.IsRunning()) return 0;
    ULONG l__ULONG__Result = 0;
    if (!m__HANDLE__CacheThreadDeadEvent.Wait(SHUTDOWN_WAIT_MILLISECONDS)) {
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ShutDownCacheThread(): WaitForSingleObject() failed, status %ld, "
                   "returned %ld!!!\n",
                   static_cast<long>(ETIMEDOUT), static_cast<long>(WAIT_TIMEOUT_RESULT));
        l__ULONG__Result = ETIMEDOUT;
    }
    // A thread still inside a long read is waited for all the same: the caller frees the
    // source as soon as the writing method returns, and the thread would read a freed
    // source. It sees the stop request when its read returns.
    m__PlatformThread__CacheThread.Join();
    return l__ULONG__Result;
}

void CTarnwick_CdvdBurnerGrabber::StartCache(CTarnwick_FileChain* p__PCTarnwick_FileChain__Source,
                                             const char* p__PCHAR__Name, BOOLEAN p__BOOLEAN__IsLastBlockPadded) {
    std::vector<CACHE_SEGMENT> l__Segments;
    if (p__PCTarnwick_FileChain__Source != nullptr)
        l__Segments.push_back({p__PCTarnwick_FileChain__Source, m__ULONG__LogicalBlockSize, p__BOOLEAN__IsLastBlockPadded});
    StartCache(l__Segments, p__PCHAR__Name);
}

void CTarnwick_CdvdBurnerGrabber::StartCache(const std::vector<CACHE_SEGMENT>& p__Segments, const char* p__PCHAR__Name) {
    // Every write collects its thread before it returns; nothing is left to join here.
    m__PlatformThread__CacheThread.Join();
    m__HANDLE__CacheFullEvent.Reset();
    m__HANDLE__CacheThreadDeadEvent.Reset();
    m__PlatformManualResetEvent__BlockFilled.Reset();
    CTarnwick_FifoQueue::RemoveAll();
    m__PCTarnwick_CacheManager__CacheManager->RefillFreeList();
    m__CacheSegments = p__Segments;
    m__bool__IsCacheThreadFinished.store(false);
    m__LONG__StopRequestCounter.store(0);
    try {
        m__PlatformThread__CacheThread = PlatformThread([this] { (void)WriteCacheThread(); });
    } catch (const std::system_error& l__Error) {
        CTarnwick_Exception::Raise(p__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_SYSTEM_ERROR,
                                   static_cast<ULONG>(l__Error.code().value()), "%s(): CreateThread() failed, status %ld!!!",
                                   p__PCHAR__Name, static_cast<long>(l__Error.code().value()));
    }
    ULONG l__ULONG__Limit = static_cast<ULONG>(std::min<LONGLONG>(m__LONGLONG__CacheSize / BYTES_PER_MILLISECOND,
                                                                    PlatformManualResetEvent::INFINITE_WAIT - 1));
    Report(WAIT_CACHE_FULL_BEGIN, &l__ULONG__Limit);
    // While the thread fills, the memory of the blocks the sources will need is made present
    // from here: a fresh cache fills in about half the time.
    uint64_t l__ULONGLONG__Blocks = 0;
    for (const CACHE_SEGMENT& l__Segment : p__Segments) {
        const uint64_t l__ULONGLONG__Transfer = CacheTransferBytes(l__Segment.m__ULONG__LogicalBlockSize);
        if (l__ULONGLONG__Transfer != 0)
            l__ULONGLONG__Blocks += (l__Segment.m__PCTarnwick_FileChain__Source->GetSize() + l__ULONGLONG__Transfer - 1) / l__ULONGLONG__Transfer;
    }
    if (l__ULONGLONG__Blocks != 0) {
        m__PCTarnwick_CacheManager__CacheManager->PrepareObjectsForFirstFill(
            static_cast<LONG>(std::min<uint64_t>(l__ULONGLONG__Blocks, CTarnwick_CacheManager::MAXIMUM_OBJECTS)));
    }
    if (!m__HANDLE__CacheFullEvent.Wait(l__ULONG__Limit)) {
        CTarnwick_Exception::Raise(p__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_SYSTEM_ERROR, ETIMEDOUT,
                                   "%s(): WaitForSingleObject() failed, status %ld, returned %ld!!!", p__PCHAR__Name,
                                   static_cast<long>(ETIMEDOUT), static_cast<long>(WAIT_TIMEOUT_RESULT));
    }
    Report(WAIT_CACHE_FULL_END);
}

CTarnwick_CacheObject* CTarnwick_CdvdBurnerGrabber::TakeFilledBlock(const char* p__PCHAR__Name) {
    for (;;) {
        m__PlatformManualResetEvent__BlockFilled.Reset();
        auto* l__PCTarnwick_CacheObject__Object = static_cast<CTarnwick_CacheObject*>(CTarnwick_FifoQueue::RemoveHead());
        if (l__PCTarnwick_CacheObject__Object == nullptr) {
            CacheTestPoint(CACHE_TEST_POINT_QUEUE_FOUND_EMPTY);
            if (!m__bool__IsCacheThreadFinished.load()) {
                DebugPrint("\n%s(): BUFFER UNDERRUN!!!\n", p__PCHAR__Name);
                Report(BUFFER_UNDERRUN);
                // Up to 15 s, or until the cache thread queues a block or finishes.
                m__PlatformManualResetEvent__BlockFilled.Wait(UNDERRUN_WAIT_MILLISECONDS);
                continue;
            }
            // The thread has finished: its last block (the end marker, a failure or a cancel)
            // may have been queued after the look above. Nothing queued: nothing more comes
            // (an empty source).
            l__PCTarnwick_CacheObject__Object = static_cast<CTarnwick_CacheObject*>(CTarnwick_FifoQueue::RemoveHead());
            if (l__PCTarnwick_CacheObject__Object == nullptr) return nullptr;
        }
        if (l__PCTarnwick_CacheObject__Object->m__UCHAR__IsFailure == 1) {
            CTarnwick_Exception* l__PCTarnwick_Exception__Exception =
                l__PCTarnwick_CacheObject__Object->m__PCTarnwick_Exception__Exception;
            DebugPrint("\n%s(): Cache object %ld handles exception pointer 0x%08" PRIXPTR "!!!\n", p__PCHAR__Name,
                       static_cast<long>(l__PCTarnwick_CacheObject__Object->m__ULONG__Index),
                       reinterpret_cast<uintptr_t>(l__PCTarnwick_Exception__Exception));
            l__PCTarnwick_CacheObject__Object->m__PCTarnwick_Exception__Exception = nullptr;
            throw l__PCTarnwick_Exception__Exception;
        }
        return l__PCTarnwick_CacheObject__Object;
    }
}
