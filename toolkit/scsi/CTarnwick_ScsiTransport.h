#pragma once
#include "tarnwick_types.h"

// Direction argument of ExecuteCDB: 1 sends data to the drive, anything else reads.
inline constexpr ULONG SCSI_DIRECTION_OUT = 1;
inline constexpr ULONG SCSI_DIRECTION_IN = 0;

// The contract of every path to a drive: one command descriptor block goes in;
// either the command completed with good status or a CTarnwick_Exception comes out.
class CTarnwick_ScsiTransport {
public:
    CTarnwick_ScsiTransport(UCHAR p__UCHAR__PortID, UCHAR p__UCHAR__BusID, UCHAR p__UCHAR__TargetID,
                            UCHAR p__UCHAR__LUN);
    virtual ~CTarnwick_ScsiTransport() = default;
    CTarnwick_ScsiTransport(const CTarnwick_ScsiTransport&) = delete;
    CTarnwick_ScsiTransport& operator=(const CTarnwick_ScsiTransport&) = delete;

    // Runs one command: CDB and its length (at most 16), the data buffer and its length
    // (nullptr and 0 for none), and the direction (1 host to drive, else drive to host).
    virtual void ExecuteCDB(const UCHAR* p__PUCHAR__CDB, ULONG p__ULONG__CDBLength, PVOID p__PVOID__Buffer,
                            ULONG p__ULONG__BufferLength, ULONG p__ULONG__Direction) = 0;

    UCHAR GetPortID() const { return m__UCHAR__PortID; }
    UCHAR GetBusID() const { return m__UCHAR__BusID; }
    UCHAR GetTargetID() const { return m__UCHAR__TargetID; }
    UCHAR GetLUN() const { return m__UCHAR__LUN; }
    UCHAR GetDeviceType() const { return m__UCHAR__DeviceType; }
    ULONG GetMaximumTransferLength() const { return m__ULONG__MaximumTransferLength; }

protected:
    UCHAR m__UCHAR__PortID;
    UCHAR m__UCHAR__BusID;
    UCHAR m__UCHAR__TargetID;
    UCHAR m__UCHAR__LUN;
    UCHAR m__UCHAR__DeviceType;
    ULONG m__ULONG__MaximumTransferLength;
};
