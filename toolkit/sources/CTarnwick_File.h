#pragma once
#include <cstdint>

#include "tarnwick_types.h"

class CTarnwick_FileChain;

// A byte source: something of known size that delivers its bytes front to back and
// may be linked to a next source, so that a run of sources reads as one stream.
class CTarnwick_File {
public:
    explicit CTarnwick_File(uint64_t p__ULONGLONG__Size);
    virtual ~CTarnwick_File();
    CTarnwick_File(const CTarnwick_File&) = delete;
    CTarnwick_File& operator=(const CTarnwick_File&) = delete;

    // Copies the next p__ULONGLONG__Length bytes of this source into the buffer, which the
    // caller has zeroed (a source that holds fewer bytes leaves the rest zero).
    virtual void RealRead(uint64_t p__ULONGLONG__Length, PVOID p__PVOID__Buffer) = 0;
    // True when RealRead writes every byte of its region itself (zeros where the source
    // holds nothing), so that the region need not be zeroed before it.
    virtual BOOLEAN IsRegionFilledByRealRead() const { return FALSE; }
    // Rewinds this source and, through Next, the ones after it; each rewound source
    // decrements the countdown. Returns the source at which it reached 0 (to be rewound
    // again by the next batch), or nullptr at the end of the run. Takes no lock.
    virtual CTarnwick_File* SeekToBeginUnsafe(PULONG p__PULONG__Countdown);

    uint64_t GetSize() const { return m__ULONGLONG__Size; }
    uint64_t GetPosition() const { return m__ULONGLONG__Position; }
    BOOLEAN GetIsAudioStuff() const { return m__BOOLEAN__IsAudioStuff; }
    BOOLEAN GetIsVideoStuff() const { return m__BOOLEAN__IsVideoStuff; }
    CTarnwick_File* GetNext() const { return m__PCTarnwick_File__Next; }

    // Fills the whole buffer from this source and the ones after it (each region zeroed
    // before its source fills it); returns the source that delivered the last byte.
    // Raises EXCEPTION_NUMBER_INVALID_STATE when the run ends before the buffer is full.
    CTarnwick_File* Read(uint64_t p__ULONGLONG__Length, PVOID p__PVOID__Buffer);

protected:
    friend class CTarnwick_FileChain;

    CTarnwick_File* m__PCTarnwick_File__Next;
    BOOLEAN m__BOOLEAN__IsAudioStuff;
    BOOLEAN m__BOOLEAN__IsVideoStuff;
    uint64_t m__ULONGLONG__Size;
    uint64_t m__ULONGLONG__Position;
};
