#include "CTarnwick_FileChain.h"

#include <mutex>

#include "CTarnwick_Exception.h"

namespace {
// How many sources one nested rewind walk may pass before it returns.
constexpr ULONG c__ULONG__RewindBatch = 16;
}  // namespace

CTarnwick_FileChain::CTarnwick_FileChain()
    : m__PCTarnwick_File__Head(nullptr), m__PCTarnwick_File__LastTouched(nullptr), m__ULONGLONG__Size(0) {}

CTarnwick_FileChain::~CTarnwick_FileChain() = default;

void CTarnwick_FileChain::RequireLastTouched(const char* p__PCHAR__Where) {
    if (m__PCTarnwick_File__LastTouched == nullptr) {
        CTarnwick_Exception::Raise(p__PCHAR__Where, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_STATE, 0,
                                   "%s(): m__PCTarnwick_File__LastTouched == NULL!!!", p__PCHAR__Where);
    }
}

void CTarnwick_FileChain::AddChainTail(CTarnwick_File* p__PCTarnwick_File__NewTail) {
    if (p__PCTarnwick_File__NewTail == nullptr) {
        CTarnwick_Exception::Raise("CTarnwick_FileChain::AddChainTail", EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                   "CTarnwick_FileChain::AddChainTail(): p__PCTarnwick_File__NewTail == NULL!!!");
    }
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    if (m__PCTarnwick_File__Head == nullptr && m__PCTarnwick_File__LastTouched == nullptr) {
        m__PCTarnwick_File__Head = p__PCTarnwick_File__NewTail;
    } else {
        // After a head was put in front (or after a rewind) LastTouched is not the tail:
        // the new source goes behind the last one so that no source is cut off.
        CTarnwick_File* l__PCTarnwick_File__Tail = m__PCTarnwick_File__LastTouched;
        while (l__PCTarnwick_File__Tail->m__PCTarnwick_File__Next != nullptr)
            l__PCTarnwick_File__Tail = l__PCTarnwick_File__Tail->m__PCTarnwick_File__Next;
        l__PCTarnwick_File__Tail->m__PCTarnwick_File__Next = p__PCTarnwick_File__NewTail;
    }
    m__PCTarnwick_File__LastTouched = p__PCTarnwick_File__NewTail;
    m__ULONGLONG__Size += p__PCTarnwick_File__NewTail->GetSize();
}

void CTarnwick_FileChain::AddChainHead(CTarnwick_File* p__PCTarnwick_File__NewHead) {
    if (p__PCTarnwick_File__NewHead == nullptr) {
        CTarnwick_Exception::Raise("CTarnwick_FileChain::AddChainHead", EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                   "CTarnwick_FileChain::AddChainHead(): p__PCTarnwick_File__NewHead == NULL!!!");
    }
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    if (m__PCTarnwick_File__Head != nullptr) p__PCTarnwick_File__NewHead->m__PCTarnwick_File__Next = m__PCTarnwick_File__Head;
    m__PCTarnwick_File__Head = p__PCTarnwick_File__NewHead;
    m__PCTarnwick_File__LastTouched = p__PCTarnwick_File__NewHead;
    m__ULONGLONG__Size += p__PCTarnwick_File__NewHead->GetSize();
}

void CTarnwick_FileChain::SeekToBegin() {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    RequireLastTouched("CTarnwick_FileChain::SeekToBegin");
    CTarnwick_File* l__PCTarnwick_File__Source = m__PCTarnwick_File__Head;
    while (l__PCTarnwick_File__Source != nullptr) {
        ULONG l__ULONG__Countdown = c__ULONG__RewindBatch;
        l__PCTarnwick_File__Source = l__PCTarnwick_File__Source->SeekToBeginUnsafe(&l__ULONG__Countdown);
    }
    m__PCTarnwick_File__LastTouched = m__PCTarnwick_File__Head;
}

void CTarnwick_FileChain::Read(uint64_t p__ULONGLONG__Length, PVOID p__PVOID__Buffer) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    RequireLastTouched("CTarnwick_FileChain::Read");
    m__PCTarnwick_File__LastTouched = m__PCTarnwick_File__LastTouched->Read(p__ULONGLONG__Length, p__PVOID__Buffer);
}

BOOLEAN CTarnwick_FileChain::GetCurrentIsAudioStuff() {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    RequireLastTouched("CTarnwick_FileChain::GetCurrentIsAudioStuff");
    return m__PCTarnwick_File__LastTouched->GetIsAudioStuff();
}

BOOLEAN CTarnwick_FileChain::GetCurrentIsVideoStuff() {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    RequireLastTouched("CTarnwick_FileChain::GetCurrentIsVideoStuff");
    return m__PCTarnwick_File__LastTouched->GetIsVideoStuff();
}
