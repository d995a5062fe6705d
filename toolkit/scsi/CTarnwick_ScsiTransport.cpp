#include "CTarnwick_ScsiTransport.h"

CTarnwick_ScsiTransport::CTarnwick_ScsiTransport(UCHAR p__UCHAR__PortID, UCHAR p__UCHAR__BusID,
                                                 UCHAR p__UCHAR__TargetID, UCHAR p__UCHAR__LUN)
    : m__UCHAR__PortID(p__UCHAR__PortID),
      m__UCHAR__BusID(p__UCHAR__BusID),
      m__UCHAR__TargetID(p__UCHAR__TargetID),
      m__UCHAR__LUN(p__UCHAR__LUN),
      m__UCHAR__DeviceType(0x7F),
      m__ULONG__MaximumTransferLength(0) {}
