#pragma once
#include "CTarnwick_ScsiDeviceCdvdRomReader.h"

// A CD/DVD recorder: the base of the burner engine. A unit that cannot record is
// accepted with a warning, so that it can still be used for reading and queries.
class CTarnwick_ScsiDeviceCdvdRomWriter : public CTarnwick_ScsiDeviceCdvdRomReader {
public:
    CTarnwick_ScsiDeviceCdvdRomWriter(UCHAR p__UCHAR__PortID, UCHAR p__UCHAR__BusID, UCHAR p__UCHAR__TargetID,
                                      UCHAR p__UCHAR__LUN);
    ~CTarnwick_ScsiDeviceCdvdRomWriter() override = default;
};
