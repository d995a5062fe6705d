#pragma once
#include <cstdint>

#include "CTarnwick_File.h"
#include "PlatformRecursiveLock.h"

// A run of byte sources read as one stream under one lock. The chain owns none of
// its sources. Build it with AddChainTail (and at most one AddChainHead last), rewind
// it with SeekToBegin, then read it front to back.
class CTarnwick_FileChain {
public:
    CTarnwick_FileChain();
    virtual ~CTarnwick_FileChain();
    CTarnwick_FileChain(const CTarnwick_FileChain&) = delete;
    CTarnwick_FileChain& operator=(const CTarnwick_FileChain&) = delete;

    // Fills the whole buffer from the current source on (see CTarnwick_File::Read).
    virtual void Read(uint64_t p__ULONGLONG__Length, PVOID p__PVOID__Buffer);
    // The sum of the sizes of the sources added (read without the lock).
    virtual uint64_t GetSize() { return m__ULONGLONG__Size; }

    void AddChainTail(CTarnwick_File* p__PCTarnwick_File__NewTail);
    void AddChainHead(CTarnwick_File* p__PCTarnwick_File__NewHead);
    // Rewinds every source, in batches of 16, and makes the head current.
    void SeekToBegin();
    // The kind of data of the source that served the last read.
    BOOLEAN GetCurrentIsAudioStuff();
    BOOLEAN GetCurrentIsVideoStuff();

    CTarnwick_File* GetHead() const { return m__PCTarnwick_File__Head; }
    CTarnwick_File* GetLastTouched() const { return m__PCTarnwick_File__LastTouched; }

private:
    // Raises EXCEPTION_NUMBER_INVALID_STATE naming the method when nothing is current.
    void RequireLastTouched(const char* p__PCHAR__Where);

    CTarnwick_File* m__PCTarnwick_File__Head;
    CTarnwick_File* m__PCTarnwick_File__LastTouched;
    PlatformRecursiveLock m__Lock;
    uint64_t m__ULONGLONG__Size;
};
