#pragma once
#include "CTarnwick_ScsiTransport.h"
#include "PlatformManualResetEvent.h"
#include "PlatformRecursiveLock.h"

// The transport over the ASPI interface: identifies the unit at construction and runs
// every command with the retry policy for drives that are not ready or busy.
class CTarnwick_ScsiTransportASPI : public CTarnwick_ScsiTransport {
public:
    // Largest data transfer of one command, whatever the adapter reports.
    static constexpr ULONG MAXIMUM_TRANSFER_LENGTH = 61440;
    // Not-ready and busy answers are retried this many times, 100 ms apart.
    static constexpr ULONG RETRY_LIMIT = 5000;
    static constexpr ULONG RETRY_SLEEP_MILLISECONDS = 100;
    // Status polls of the identifying INQUIRY before the unit is given up as not answering.
    static constexpr ULONG INQUIRY_POLL_LIMIT = 5000;

    CTarnwick_ScsiTransportASPI(UCHAR p__UCHAR__PortID, UCHAR p__UCHAR__BusID, UCHAR p__UCHAR__TargetID,
                                UCHAR p__UCHAR__LUN);
    ~CTarnwick_ScsiTransportASPI() override = default;

    void ExecuteCDB(const UCHAR* p__PUCHAR__CDB, ULONG p__ULONG__CDBLength, PVOID p__PVOID__Buffer,
                    ULONG p__ULONG__BufferLength, ULONG p__ULONG__Direction) override;

    // True for the answers the transport waits out: NOT READY 02/xx and 04/08, UNIT
    // ATTENTION 2E/xx and 28/00.
    static bool IsRetryableSense(const UCHAR* p__PUCHAR__Sense);

private:
    PlatformManualResetEvent m__Event;
    PlatformRecursiveLock m__Lock;
};
