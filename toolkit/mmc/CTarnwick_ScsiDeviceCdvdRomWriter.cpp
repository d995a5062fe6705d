#include "CTarnwick_ScsiDeviceCdvdRomWriter.h"

#include "DebugPrint.h"

CTarnwick_ScsiDeviceCdvdRomWriter::CTarnwick_ScsiDeviceCdvdRomWriter(UCHAR p__UCHAR__PortID, UCHAR p__UCHAR__BusID,
                                                                     UCHAR p__UCHAR__TargetID, UCHAR p__UCHAR__LUN)
    : CTarnwick_ScsiDeviceCdvdRomReader(p__UCHAR__PortID, p__UCHAR__BusID, p__UCHAR__TargetID, p__UCHAR__LUN) {
    // Test write alone does not make a recorder.
    if (!m__BOOLEAN__IsCDRWrite && !m__BOOLEAN__IsCDRWWrite && !m__BOOLEAN__IsDVDRWrite && !m__BOOLEAN__IsDVDRAMWrite) {
        DebugPrint("\nCTarnwick_ScsiDeviceCdvdRomWriter::CTarnwick_ScsiDeviceCdvdRomWriter(): WARNING! Device does not "
                   "support recording!!!\n");
    }
}
