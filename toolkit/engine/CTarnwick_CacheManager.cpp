#include "CTarnwick_CacheManager.h"

#include <atomic>
#include <new>

#include "DebugPrint.h"

namespace {
constexpr const char* NAME = "CTarnwick_CacheManager::CTarnwick_CacheManager";
std::atomic<LONG> g__LONG__FailAt{-1};
}  // namespace

void CTarnwick_CacheManager::FailObjectCreationAt(LONG p__LONG__Index) { g__LONG__FailAt.store(p__LONG__Index); }

CTarnwick_CacheManager::CTarnwick_CacheManager(LONGLONG p__LONGLONG__Count, ULONG p__ULONG__BlockSize)
    : m__LONG__Count(MAXIMUM_OBJECTS), m__ULONG__BlockSize(p__ULONG__BlockSize) {
    if (p__LONGLONG__Count > MAXIMUM_OBJECTS) {
        DebugPrint("\nCTarnwick_CacheManager::CTarnwick_CacheManager(): Passed number of cache objects %ld truncated to "
                   "%ld\n",
                   static_cast<long>(p__LONGLONG__Count), static_cast<long>(MAXIMUM_OBJECTS));
    } else if (p__LONGLONG__Count < 0) {
        DebugPrint("\nCTarnwick_CacheManager::CTarnwick_CacheManager(): Passed number of cache object(s) %ld updated "
                   "to %ld\n",
                   static_cast<long>(p__LONGLONG__Count), static_cast<long>(MAXIMUM_OBJECTS));
    } else {
        m__LONG__Count = static_cast<LONG>(p__LONGLONG__Count);
    }
    for (LONG i = 0; i < MAXIMUM_OBJECTS; ++i) m__PCTarnwick_CacheObject__Objects[i] = nullptr;

    for (LONG i = 0; i < m__LONG__Count; ++i) {
        CTarnwick_CacheObject* l__PCTarnwick_CacheObject__Object = nullptr;
        try {
            LONG l__LONG__FailAt = i;
            if (!g__LONG__FailAt.compare_exchange_strong(l__LONG__FailAt, -1)) {
                l__PCTarnwick_CacheObject__Object =
                    new (std::nothrow) CTarnwick_CacheObject(static_cast<ULONG>(i), p__ULONG__BlockSize);
            }
        } catch (CTarnwick_Exception*) {
            DebugPrint("\nCTarnwick_CacheManager::CTarnwick_CacheManager(): Failed to create cache!!!\n");
            DeleteObjects(i);
            RemoveAll();
            throw;
        }
        if (l__PCTarnwick_CacheObject__Object == nullptr) {
            DeleteObjects(i);
            RemoveAll();
            CTarnwick_Exception::Raise(NAME, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_OUT_OF_MEMORY, 0,
                                       "CTarnwick_CacheManager::CTarnwick_CacheManager(): Failed to create cache object "
                                       "%ld!!!",
                                       static_cast<long>(i - 1));
        }
        m__PCTarnwick_CacheObject__Objects[i] = l__PCTarnwick_CacheObject__Object;
    }
    RemoveAll();
    for (LONG i = 0; i < m__LONG__Count; ++i) AddTail(m__PCTarnwick_CacheObject__Objects[i]->QueueEntry());
}

CTarnwick_CacheManager::~CTarnwick_CacheManager() {
    RemoveAll();
    DeleteObjects(m__LONG__Count);
}

void CTarnwick_CacheManager::DeleteObjects(LONG p__LONG__Created) {
    for (LONG i = 0; i < p__LONG__Created; ++i) {
        delete m__PCTarnwick_CacheObject__Objects[i];
        m__PCTarnwick_CacheObject__Objects[i] = nullptr;
    }
}

void CTarnwick_CacheManager::RefillFreeList() {
    RemoveAll();
    for (LONG i = 0; i < m__LONG__Count; ++i) {
        m__PCTarnwick_CacheObject__Objects[i]->Reset();
        AddTail(m__PCTarnwick_CacheObject__Objects[i]->QueueEntry());
    }
}

void CTarnwick_CacheManager::PrepareObjectsForFirstFill(LONG p__LONG__Count) const {
    for (LONG i = 0; i < p__LONG__Count && i < m__LONG__Count; ++i) m__PCTarnwick_CacheObject__Objects[i]->PrepareForFirstFill();
}

void CTarnwick_CacheManager::ReleaseCacheObject(CTarnwick_CacheObject* p__PCTarnwick_CacheObject__Object) {
    if (p__PCTarnwick_CacheObject__Object == nullptr) return;
    p__PCTarnwick_CacheObject__Object->Reset();
    AddTail(p__PCTarnwick_CacheObject__Object->QueueEntry());
}
