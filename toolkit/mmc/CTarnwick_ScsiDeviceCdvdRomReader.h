#pragma once
#include "CTarnwick_ScsiDeviceGeneric.h"

// A CD/DVD unit: knows from its capabilities page what it can read and write.
class CTarnwick_ScsiDeviceCdvdRomReader : public CTarnwick_ScsiDeviceGeneric {
public:
    static constexpr UCHAR CDVD_DEVICE_TYPE = 0x05;

    CTarnwick_ScsiDeviceCdvdRomReader(UCHAR p__UCHAR__PortID, UCHAR p__UCHAR__BusID, UCHAR p__UCHAR__TargetID,
                                      UCHAR p__UCHAR__LUN);
    ~CTarnwick_ScsiDeviceCdvdRomReader() override = default;

    // Drive buffer in bytes (capabilities page bytes 12-13, in KB, shifted left by 10).
    ULONG GetBufferSize() const { return m__ULONG__BufferSize; }
    BOOLEAN IsCDRReadSupported() const { return m__BOOLEAN__IsCDRRead; }
    BOOLEAN IsCDRWReadSupported() const { return m__BOOLEAN__IsCDRWRead; }
    BOOLEAN IsDVDROMReadSupported() const { return m__BOOLEAN__IsDVDROMRead; }
    BOOLEAN IsDVDRReadSupported() const { return m__BOOLEAN__IsDVDRRead; }
    BOOLEAN IsDVDRAMReadSupported() const { return m__BOOLEAN__IsDVDRAMRead; }
    BOOLEAN IsTestWriteSupported() const { return m__BOOLEAN__IsTestWrite; }
    BOOLEAN IsCDRWriteSupported() const { return m__BOOLEAN__IsCDRWrite; }
    BOOLEAN IsCDRWWriteSupported() const { return m__BOOLEAN__IsCDRWWrite; }
    BOOLEAN IsDVDRWriteSupported() const { return m__BOOLEAN__IsDVDRWrite; }
    BOOLEAN IsDVDRAMWriteSupported() const { return m__BOOLEAN__IsDVDRAMWrite; }

protected:
    ULONG m__ULONG__BufferSize;
    BOOLEAN m__BOOLEAN__IsCDRRead;
    BOOLEAN m__BOOLEAN__IsCDRWRead;
    BOOLEAN m__BOOLEAN__IsDVDROMRead;
    BOOLEAN m__BOOLEAN__IsDVDRRead;
    BOOLEAN m__BOOLEAN__IsDVDRAMRead;
    BOOLEAN m__BOOLEAN__IsTestWrite;
    BOOLEAN m__BOOLEAN__IsCDRWrite;
    BOOLEAN m__BOOLEAN__IsCDRWWrite;
    BOOLEAN m__BOOLEAN__IsDVDRWrite;
    BOOLEAN m__BOOLEAN__IsDVDRAMWrite;
};
