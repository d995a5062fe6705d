#include "CTarnwick_ScsiDeviceCdvdRomReader.h"

#include <vector>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_Exception.h"
#include "DebugPrint.h"
#include "MmcCodes.h"
#include "MmcDumps.h"

namespace {
constexpr const char* READER_NAME = "CTarnwick_ScsiDeviceCdvdRomReader::CTarnwick_ScsiDeviceCdvdRomReader";
constexpr ULONG MODE_BUFFER_SIZE = 4096;
constexpr ULONG MODE_HEADER_SIZE = 8;
}  // namespace

CTarnwick_ScsiDeviceCdvdRomReader::CTarnwick_ScsiDeviceCdvdRomReader(UCHAR p__UCHAR__PortID, UCHAR p__UCHAR__BusID,
                                                                     UCHAR p__UCHAR__TargetID, UCHAR p__UCHAR__LUN)
    : CTarnwick_ScsiDeviceGeneric(p__UCHAR__PortID, p__UCHAR__BusID, p__UCHAR__TargetID, p__UCHAR__LUN) {
    if (m__UCHAR__DeviceType != CDVD_DEVICE_TYPE) {
        CTarnwick_Exception::Raise(READER_NAME, EXIT_TRACE_FORM_STATUS_AND_MESSAGE, EXCEPTION_NUMBER_WRONG_DEVICE_TYPE,
                                   0,
                                   "CTarnwick_ScsiDeviceCdvdRomReader::CTarnwick_ScsiDeviceCdvdRomReader(): Device type "
                                   "0x%02X instead of 0x%02X!!!",
                                   m__UCHAR__DeviceType, CDVD_DEVICE_TYPE);
    }
    m__ULONG__BufferSize = 0;
    m__BOOLEAN__IsCDRRead = m__BOOLEAN__IsCDRWRead = m__BOOLEAN__IsDVDROMRead = m__BOOLEAN__IsDVDRRead =
        m__BOOLEAN__IsDVDRAMRead = 0;
    m__BOOLEAN__IsTestWrite = m__BOOLEAN__IsCDRWrite = m__BOOLEAN__IsCDRWWrite = m__BOOLEAN__IsDVDRWrite =
        m__BOOLEAN__IsDVDRAMWrite = 0;

    std::vector<UCHAR> l__Buffer(MODE_BUFFER_SIZE, 0);
    try {
        ModeSense10(l__Buffer.data(), MODE_BUFFER_SIZE, MmcCodes::PAGE_CAPABILITIES, 0);
    } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
        DebugPrint("\nCTarnwick_ScsiDeviceCdvdRomReader::CTarnwick_ScsiDeviceCdvdRomReader(): WARNING! ModeSense10() "
                   "failed!!!\n");
        if (l__PCTarnwick_Exception__Exception != nullptr) {
            DebugPrint("CTarnwick_ScsiDeviceCdvdRomReader::CTarnwick_ScsiDeviceCdvdRomReader(): WARNING! Exception "
                       "number %ld, exception text '%s'!!!\n",
                       static_cast<long>(l__PCTarnwick_Exception__Exception->GetExceptionNumber()),
                       l__PCTarnwick_Exception__Exception->GetExceptionText());
            delete l__PCTarnwick_Exception__Exception;
        } else {
            DebugPrint("CTarnwick_ScsiDeviceCdvdRomReader::CTarnwick_ScsiDeviceCdvdRomReader(): WARNING! Exception "
                       "pointer is NULL!\n");
        }
        return;
    }
    const UCHAR* l__PUCHAR__Page = l__Buffer.data() + MODE_HEADER_SIZE;
    CTarnwick_DumpCdvdCapabilitiesPage(l__PUCHAR__Page);
    m__ULONG__BufferSize = CTarnwick_Bytes::GetBigEndian16(l__PUCHAR__Page + 12) << 10;
    m__BOOLEAN__IsCDRRead = l__PUCHAR__Page[2] & 0x01;
    m__BOOLEAN__IsCDRWRead = (l__PUCHAR__Page[2] >> 1) & 0x01;
    m__BOOLEAN__IsDVDROMRead = (l__PUCHAR__Page[2] >> 3) & 0x01;
    m__BOOLEAN__IsDVDRRead = (l__PUCHAR__Page[2] >> 4) & 0x01;
    m__BOOLEAN__IsDVDRAMRead = (l__PUCHAR__Page[2] >> 5) & 0x01;
    m__BOOLEAN__IsCDRWrite = l__PUCHAR__Page[3] & 0x01;
    m__BOOLEAN__IsCDRWWrite = (l__PUCHAR__Page[3] >> 1) & 0x01;
    m__BOOLEAN__IsTestWrite = (l__PUCHAR__Page[3] >> 2) & 0x01;
    m__BOOLEAN__IsDVDRWrite = (l__PUCHAR__Page[3] >> 4) & 0x01;
    m__BOOLEAN__IsDVDRAMWrite = (l__PUCHAR__Page[3] >> 5) & 0x01;
}
