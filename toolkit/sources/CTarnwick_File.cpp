#include "CTarnwick_File.h"

#include <cinttypes>
#include <cstring>

#include "CTarnwick_Exception.h"

CTarnwick_File::CTarnwick_File(uint64_t p__ULONGLONG__Size)
    : m__PCTarnwick_File__Next(nullptr),
      m__BOOLEAN__IsAudioStuff(FALSE),
      m__BOOLEAN__IsVideoStuff(FALSE),
      m__ULONGLONG__Size(p__ULONGLONG__Size),
      m__ULONGLONG__Position(0) {}

CTarnwick_File::~CTarnwick_File() = default;

CTarnwick_File* CTarnwick_File::SeekToBeginUnsafe(PULONG p__PULONG__Countdown) {
    m__ULONGLONG__Position = 0;
    --*p__PULONG__Countdown;
    if (*p__PULONG__Countdown == 0) return this;
    if (m__PCTarnwick_File__Next == nullptr) return nullptr;
    return m__PCTarnwick_File__Next->SeekToBeginUnsafe(p__PULONG__Countdown);
}

CTarnwick_File* CTarnwick_File::Read(uint64_t p__ULONGLONG__Length, PVOID p__PVOID__Buffer) {
    CTarnwick_File* l__PCTarnwick_File__Source = this;
    PUCHAR l__PUCHAR__Buffer = static_cast<PUCHAR>(p__PVOID__Buffer);
    uint64_t l__ULONGLONG__Remaining =
        l__PCTarnwick_File__Source->m__ULONGLONG__Size - l__PCTarnwick_File__Source->m__ULONGLONG__Position;
    while (l__ULONGLONG__Remaining < p__ULONGLONG__Length) {
        // A source with nothing left (an empty one, or one already read to its end) is
        // passed over without asking it for zero bytes.
        if (l__ULONGLONG__Remaining > 0) {
            if (!l__PCTarnwick_File__Source->IsRegionFilledByRealRead())
                std::memset(l__PUCHAR__Buffer, 0, l__ULONGLONG__Remaining);
            l__PCTarnwick_File__Source->RealRead(l__ULONGLONG__Remaining, l__PUCHAR__Buffer);
            l__PCTarnwick_File__Source->m__ULONGLONG__Position += l__ULONGLONG__Remaining;
            p__ULONGLONG__Length -= l__ULONGLONG__Remaining;
            l__PUCHAR__Buffer += l__ULONGLONG__Remaining;
        }
        l__PCTarnwick_File__Source = l__PCTarnwick_File__Source->m__PCTarnwick_File__Next;
        if (l__PCTarnwick_File__Source == nullptr) {
            CTarnwick_Exception::Raise(
                "CTarnwick_File::Read", EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_STATE, 0,
                "CTarnwick_File::Read(): m__PCTarnwick_File__Next is NULL, remote transfer is %" PRId64 "!!!",
                static_cast<int64_t>(p__ULONGLONG__Length));
        }
        l__ULONGLONG__Remaining =
            l__PCTarnwick_File__Source->m__ULONGLONG__Size - l__PCTarnwick_File__Source->m__ULONGLONG__Position;
    }
    if (p__ULONGLONG__Length > 0) {
        if (!l__PCTarnwick_File__Source->IsRegionFilledByRealRead())
            std::memset(l__PUCHAR__Buffer, 0, p__ULONGLONG__Length);
        l__PCTarnwick_File__Source->RealRead(p__ULONGLONG__Length, l__PUCHAR__Buffer);
        l__PCTarnwick_File__Source->m__ULONGLONG__Position += p__ULONGLONG__Length;
    }
    return l__PCTarnwick_File__Source;
}
