#include "CTarnwick_CacheObject.h"

#include <new>

#include "PlatformMemory.h"

namespace {
// Blocks start on a page: a block then owns whole pages, which the kernel fills and copies
// without touching a neighbour's.
constexpr std::align_val_t BUFFER_ALIGNMENT{4096};
}  // namespace

CTarnwick_CacheObject::CTarnwick_CacheObject(ULONG p__ULONG__Index, ULONG p__ULONG__BufferSize)
    : m__ULONG__Index(p__ULONG__Index),
      m__FIFO_QUEUE_ENTRY__Entry{{nullptr, nullptr}, this},
      m__UCHAR__IsEndMarker(0),
      m__UCHAR__IsFailure(0),
      m__PCTarnwick_Exception__Exception(nullptr),
      m__ULONG__BufferSize(p__ULONG__BufferSize),
      m__ULONG__DataBytes(0),
      m__ULONG__DataBlocks(0),
      m__PUCHAR__Buffer(new (BUFFER_ALIGNMENT, std::nothrow) UCHAR[p__ULONG__BufferSize]) {
    if (m__PUCHAR__Buffer == nullptr) {
        CTarnwick_Exception::Raise("CTarnwick_CacheObject::CTarnwick_CacheObject", EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_OUT_OF_MEMORY, 0,
                                   "CTarnwick_CacheObject::CTarnwick_CacheObject(): Failed to allocate memory!!!");
    }
}

CTarnwick_CacheObject::~CTarnwick_CacheObject() {
    delete m__PCTarnwick_Exception__Exception;
    ::operator delete[](m__PUCHAR__Buffer, BUFFER_ALIGNMENT);
}

void CTarnwick_CacheObject::PrepareForFirstFill() {
    if (m__bool__Prefaulted.exchange(true)) return;
    PlatformMemory::Prefault(m__PUCHAR__Buffer, m__ULONG__BufferSize);
}

void CTarnwick_CacheObject::Reset() {
    m__UCHAR__IsEndMarker = 0;
    m__UCHAR__IsFailure = 0;
    delete m__PCTarnwick_Exception__Exception;
    m__PCTarnwick_Exception__Exception = nullptr;
    m__ULONG__DataBytes = 0;
    m__ULONG__DataBlocks = 0;
}
