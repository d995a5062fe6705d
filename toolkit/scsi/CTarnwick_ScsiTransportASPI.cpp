#include "CTarnwick_ScsiTransportASPI.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <new>

#include "CTarnwick_Exception.h"
#include "CTarnwick_PolledInquiry.h"
#include "DebugPrint.h"
#include "MmcDumps.h"
#include "PlatformClock.h"
#include "wnaspi32.h"

namespace {
constexpr const char* CONSTRUCTOR_NAME = "CTarnwick_ScsiTransportASPI::CTarnwick_ScsiTransportASPI";
constexpr const char* EXECUTE_NAME = "CTarnwick_ScsiTransportASPI::ExecuteCDB";
constexpr UCHAR OPCODE_WRITE10 = 0x2A;

bool IsLongWriteInProgress(const UCHAR* p__PUCHAR__Sense) {
    return p__PUCHAR__Sense[12] == 0x04 && p__PUCHAR__Sense[13] == 0x08;
}
}  // namespace

CTarnwick_ScsiTransportASPI::CTarnwick_ScsiTransportASPI(UCHAR p__UCHAR__PortID, UCHAR p__UCHAR__BusID,
                                                         UCHAR p__UCHAR__TargetID, UCHAR p__UCHAR__LUN)
    : CTarnwick_ScsiTransport(p__UCHAR__PortID, p__UCHAR__BusID, p__UCHAR__TargetID, p__UCHAR__LUN) {
    DWORD l__DWORD__SupportInfo = GetASPI32SupportInfo();
    UCHAR l__UCHAR__AspiStatus = static_cast<UCHAR>((l__DWORD__SupportInfo >> 8) & 0xFF);
    if (l__UCHAR__AspiStatus != SS_COMP) {
        CTarnwick_Exception::Raise(CONSTRUCTOR_NAME, EXIT_TRACE_FORM_STATUS_AND_MESSAGE, EXCEPTION_NUMBER_ASPI_ERROR, 0,
                                   "CTarnwick_ScsiTransportASPI::CTarnwick_ScsiTransportASPI(): "
                                   "GetASPI32SupportInfo() failed, ASPI status 0x%02X!!!",
                                   l__UCHAR__AspiStatus);
    }

    // Identify the unit: INQUIRY to LUN 0, whatever LUN was given.
    UCHAR l__UCHAR__Inquiry[CTarnwick_PolledInquiry::INQUIRY_LENGTH] = {};
    l__UCHAR__AspiStatus = CTarnwick_PolledInquiry::Send(m__UCHAR__PortID, m__UCHAR__TargetID, INQUIRY_POLL_LIMIT,
                                                         l__UCHAR__Inquiry);
    if (l__UCHAR__AspiStatus != SS_COMP) {
        CTarnwick_Exception::Raise(CONSTRUCTOR_NAME, EXIT_TRACE_FORM_STATUS_AND_MESSAGE, EXCEPTION_NUMBER_ASPI_ERROR, 0,
                                   "CTarnwick_ScsiTransportASPI::CTarnwick_ScsiTransportASPI(): "
                                   "SendASPI32Command( SC_GET_DEV_TYPE ) for target ID %ld failed with ASPI status "
                                   "0x%02X!!!",
                                   static_cast<long>(m__UCHAR__TargetID), l__UCHAR__AspiStatus);
    }
    m__UCHAR__DeviceType = l__UCHAR__Inquiry[0] & 0x1F;

    SRB_HAInquiry l__SRB_HAInquiry__Srb;
    std::memset(&l__SRB_HAInquiry__Srb, 0, sizeof(l__SRB_HAInquiry__Srb));
    l__SRB_HAInquiry__Srb.SRB_Cmd = SC_HA_INQUIRY;
    l__SRB_HAInquiry__Srb.SRB_HaId = m__UCHAR__PortID;
    l__UCHAR__AspiStatus = static_cast<UCHAR>(SendASPI32Command(&l__SRB_HAInquiry__Srb));
    if (l__UCHAR__AspiStatus != SS_COMP) {
        CTarnwick_Exception::Raise(CONSTRUCTOR_NAME, EXIT_TRACE_FORM_STATUS_AND_MESSAGE, EXCEPTION_NUMBER_ASPI_ERROR, 0,
                                   "CTarnwick_ScsiTransportASPI::CTarnwick_ScsiTransportASPI(): "
                                   "SendASPI32Command( SC_HA_INQUIRY ) for port ID %ld failed with ASPI status "
                                   "0x%02X!!!",
                                   static_cast<long>(m__UCHAR__PortID), l__UCHAR__AspiStatus);
    }
    m__ULONG__MaximumTransferLength = MAXIMUM_TRANSFER_LENGTH;
    CTarnwick_DumpPortInquiry(&l__SRB_HAInquiry__Srb);

    SRB_GetSymbolicName l__SRB_GetSymbolicName__Srb;
    std::memset(&l__SRB_GetSymbolicName__Srb, 0, sizeof(l__SRB_GetSymbolicName__Srb));
    l__SRB_GetSymbolicName__Srb.SRB_Cmd = SC_GET_SYMBOLIC_NAME;
    l__SRB_GetSymbolicName__Srb.SRB_HaId = m__UCHAR__PortID;
    l__SRB_GetSymbolicName__Srb.SRB_Target = m__UCHAR__TargetID;
    l__SRB_GetSymbolicName__Srb.SRB_Lun = 0;
    l__UCHAR__AspiStatus = static_cast<UCHAR>(SendASPI32Command(&l__SRB_GetSymbolicName__Srb));
    if (l__UCHAR__AspiStatus == SS_COMP) {
        l__SRB_GetSymbolicName__Srb.SRB_SymbolicName[sizeof(l__SRB_GetSymbolicName__Srb.SRB_SymbolicName) - 1] = '\0';
        DebugPrint("\nCTarnwick_ScsiTransportASPI::CTarnwick_ScsiTrasportASPI(): Symbolic name is '%s'\n",
                   l__SRB_GetSymbolicName__Srb.SRB_SymbolicName);
    } else {
        DebugPrint("\nCTarnwick_ScsiTransportASPI::CTarnwick_ScsiTransportASPI(): WARNING! SendASPI32Command( "
                   "SC_GET_SYMBOLIC_NAME ) for port ID %ld failed with ASPI status 0x%02X!!!\n",
                   static_cast<long>(m__UCHAR__PortID), l__UCHAR__AspiStatus);
    }
}

bool CTarnwick_ScsiTransportASPI::IsRetryableSense(const UCHAR* p__PUCHAR__Sense) {
    UCHAR l__UCHAR__SenseKey = p__PUCHAR__Sense[2] & 0x0F;
    UCHAR l__UCHAR__Asc = p__PUCHAR__Sense[12];
    UCHAR l__UCHAR__Ascq = p__PUCHAR__Sense[13];
    if (l__UCHAR__SenseKey == 0x02 && l__UCHAR__Asc == 0x02) return true;
    if (l__UCHAR__SenseKey == 0x02 && l__UCHAR__Asc == 0x04 && l__UCHAR__Ascq == 0x08) return true;
    if (l__UCHAR__SenseKey == 0x06 && l__UCHAR__Asc == 0x2E) return true;
    if (l__UCHAR__SenseKey == 0x06 && l__UCHAR__Asc == 0x28 && l__UCHAR__Ascq == 0x00) return true;
    return false;
}

void CTarnwick_ScsiTransportASPI::ExecuteCDB(const UCHAR* p__PUCHAR__CDB, ULONG p__ULONG__CDBLength,
                                             PVOID p__PVOID__Buffer, ULONG p__ULONG__BufferLength,
                                             ULONG p__ULONG__Direction) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    if (p__ULONG__CDBLength > 16) p__ULONG__CDBLength = 16;
    ULONG l__ULONG__Retries = 0;
    SRB_ExecSCSICmd l__Srb;

    for (;;) {
        m__Event.Reset();
        std::memset(&l__Srb, 0, sizeof(l__Srb));
        l__Srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
        l__Srb.SRB_HaId = m__UCHAR__PortID;
        l__Srb.SRB_Flags = p__ULONG__Direction == SCSI_DIRECTION_OUT ? (SRB_EVENT_NOTIFY | SRB_DIR_OUT)
                                                                      : (SRB_EVENT_NOTIFY | SRB_DIR_IN);
        l__Srb.SRB_Target = m__UCHAR__TargetID;
        l__Srb.SRB_Lun = m__UCHAR__LUN;
        l__Srb.SRB_BufLen = p__ULONG__BufferLength;
        l__Srb.SRB_BufPointer = static_cast<BYTE*>(p__PVOID__Buffer);
        l__Srb.SRB_SenseLen = SENSE_LEN;
        l__Srb.SRB_CDBLen = static_cast<BYTE>(p__ULONG__CDBLength);
        l__Srb.SRB_PostProc = &m__Event;
        std::memcpy(l__Srb.CDBByte, p__PUCHAR__CDB, p__ULONG__CDBLength);

        if (SendASPI32Command(&l__Srb) == SS_PENDING) m__Event.Wait();
        UCHAR l__UCHAR__Status = std::atomic_ref<BYTE>(l__Srb.SRB_Status).load(std::memory_order_acquire);
        if (l__UCHAR__Status == SS_COMP) return;

        if (!(p__PUCHAR__CDB[0] == OPCODE_WRITE10 && IsLongWriteInProgress(l__Srb.SenseArea))) {
            DebugPrint("\nCTarnwick_ScsiTransportASPI::ExecuteCDB(): Command failed!!!\n");
            CTarnwick_DumpRequestBlock(&l__Srb);
            CTarnwick_DumpSenseData(l__Srb.SenseArea);
        }

        if (l__UCHAR__Status == SS_ERR && l__Srb.SRB_HaStat == HASTAT_OK) {
            if (l__Srb.SRB_TargStat == STATUS_CHKCOND && IsRetryableSense(l__Srb.SenseArea)) {
                if (++l__ULONG__Retries <= RETRY_LIMIT) {
                    Sleep(RETRY_SLEEP_MILLISECONDS);
                    continue;
                }
                CTarnwick_Exception::Raise(EXECUTE_NAME, EXIT_TRACE_FORM_STATUS_AND_MESSAGE,
                                           EXCEPTION_NUMBER_DEVICE_NOT_READY, 0,
                                           "CTarnwick_ScsiTransportASPI::ExecuteCDB(): Device not ready too long #1!!!");
            }
            if (l__Srb.SRB_TargStat == STATUS_BUSY) {
                if (++l__ULONG__Retries <= RETRY_LIMIT) {
                    Sleep(RETRY_SLEEP_MILLISECONDS);
                    continue;
                }
                CTarnwick_Exception::Raise(EXECUTE_NAME, EXIT_TRACE_FORM_STATUS_AND_MESSAGE,
                                           EXCEPTION_NUMBER_DEVICE_NOT_READY, 0,
                                           "CTarnwick_ScsiTransportASPI::ExecuteCDB(): Device not ready too long #2!!!");
            }
        }
        break;
    }

    CDB_FAILURE_INFORMATION* l__PCDB_FAILURE_INFORMATION__Record = new (std::nothrow) CDB_FAILURE_INFORMATION;
    if (l__PCDB_FAILURE_INFORMATION__Record == nullptr) {
        DebugPrint("CTarnwick_ScsiTransportASPI::ExecuteCDB(): new CDB_FAILURE_INFORMATION failed!!!\n");
    } else {
        std::memset(l__PCDB_FAILURE_INFORMATION__Record, 0, sizeof(*l__PCDB_FAILURE_INFORMATION__Record));
        l__PCDB_FAILURE_INFORMATION__Record->m__UCHAR__IsValid = 1;
        l__PCDB_FAILURE_INFORMATION__Record->m__UCHAR__CDBLength = static_cast<UCHAR>(p__ULONG__CDBLength);
        std::memcpy(l__PCDB_FAILURE_INFORMATION__Record->m__UCHAR__CDB, p__PUCHAR__CDB, p__ULONG__CDBLength);
        l__PCDB_FAILURE_INFORMATION__Record->m__UCHAR__SenseLength = SENSE_LEN;
        std::memcpy(l__PCDB_FAILURE_INFORMATION__Record->m__UCHAR__Sense, l__Srb.SenseArea, SENSE_LEN);
        l__PCDB_FAILURE_INFORMATION__Record->m__UCHAR__SRB_Status = l__Srb.SRB_Status;
        l__PCDB_FAILURE_INFORMATION__Record->m__UCHAR__SRB_TargStat = l__Srb.SRB_TargStat;
        l__PCDB_FAILURE_INFORMATION__Record->m__UCHAR__SRB_HaStat = l__Srb.SRB_HaStat;
    }
    CTarnwick_Exception::Raise(EXECUTE_NAME, EXIT_TRACE_FORM_SILENT, EXCEPTION_NUMBER_COMMAND_FAILED,
                               reinterpret_cast<ULONG_PTR>(l__PCDB_FAILURE_INFORMATION__Record),
                               "CTarnwick_ScsiTransportASPI::ExecuteCDB(): Command failed!!!");
}
