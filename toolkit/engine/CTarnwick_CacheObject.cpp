#include "CTarnwick_CacheObject.h"

#include <new>

CTarnwick_CacheObject::CTarnwick_CacheObject(ULONG p__ULONG__Index, ULONG p__ULONG__BufferSize)
    : m__ULONG__Index(p__ULONG__Index),
      m__FIFO_QUEUE_ENTRY__Entry{{nullptr, nullptr}, this},
      m__UCHAR__IsEndMarker(0),
      m__UCHAR__IsFailure(0),
      m__PCTarnwick_Exception__Exception(nullptr),
      m__ULONG__BufferSize(p__ULONG__BufferSize),
      m__ULONG__DataBytes(0),
      m__ULONG__DataBlocks(0),
      m__PUCHAR__Buffer(new (std::nothrow) UCHAR[p__ULONG__BufferSize]) {
    if (m__PUCHAR__Buffer == nullptr) {
        CTarnwick_Exception::Raise("CTarnwick_CacheObject::CTarnwick_CacheObject", EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_OUT_OF_MEMORY, 0,
                                   "CTarnwick_CacheObject::CTarnwick_CacheObject(): Failed to allocate memory!!!");
    }
}

CTarnwick_CacheObject::~CTarnwick_CacheObject() { delete[] m__PUCHAR__Buffer; }

void CTarnwick_CacheObject::Reset() {
    m__UCHAR__IsEndMarker = 0;
    m__UCHAR__IsFailure = 0;
    m__PCTarnwick_Exception__Exception = nullptr;
    m__ULONG__DataBytes = 0;
    m__ULONG__DataBlocks = 0;
}
