#pragma once
#include "tarnwick_types.h"
#include "wnaspi32.h"

// A standard INQUIRY sent through ASPI without a completion event, its status polled
// every 100 ms. The request block and its data live on the heap: a request that is
// still pending when the caller gives up is left to the ASPI layer (kept reachable,
// never freed), so a late completion never writes into freed memory.
class CTarnwick_PolledInquiry {
public:
    static constexpr ULONG INQUIRY_LENGTH = 96;

    // Sends INQUIRY (allocation length 96) to port/target, LUN 0, and polls at most
    // p__ULONG__MaxPolls times. Returns the final ASPI status (SS_PENDING when it never
    // completed); on SS_COMP the 96 bytes are copied into p__PUCHAR__Inquiry.
    static UCHAR Send(UCHAR p__UCHAR__PortID, UCHAR p__UCHAR__TargetID, ULONG p__ULONG__MaxPolls,
                      PUCHAR p__PUCHAR__Inquiry);
};
