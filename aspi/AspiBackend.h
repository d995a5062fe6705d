#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "wnaspi32.h"

// One host adapter of the ASPI library: the virtual recorder, an iSCSI logical
// unit, or the machine's drives through the pass-through. The library numbers the
// adapters and hands every request naming this adapter to its backend.
class AspiBackend {
public:
    virtual ~AspiBackend() = default;

    // Carries out one SC_EXEC_SCSI_CMD addressed to this adapter (SRB_Target, SRB_Lun,
    // CDBByte, SRB_BufPointer/SRB_BufLen, direction in SRB_Flags). Fills SRB_HaStat,
    // SRB_TargStat and, after CHECK CONDITION, SenseArea (at most SRB_SenseLen bytes),
    // and returns the final status: SS_COMP, SS_ERR or SS_NO_DEVICE. A backend that
    // finishes later returns SS_PENDING and calls Complete() once done.
    virtual BYTE ExecScsiCmd(SRB_ExecSCSICmd& p__SRB_ExecSCSICmd__Srb) = 0;

    // Peripheral device type of the unit at target/LUN, or 0x1F when there is none.
    virtual BYTE DeviceType(BYTE p__BYTE__Target, BYTE p__BYTE__Lun) = 0;

    // Name of the unit at target/LUN (for SC_GET_SYMBOLIC_NAME); false when there is none.
    virtual bool SymbolicName(BYTE p__BYTE__Target, BYTE p__BYTE__Lun, std::string& p__string__Name) = 0;

    // Fills the adapter part of SC_HA_INQUIRY (HA_SCSI_ID, HA_ManagerId, HA_Identifier,
    // HA_Unique). The library sets HA_Count itself. The default describes one adapter
    // with 16 targets and 64 KiB transfers.
    virtual void AdapterInquiry(SRB_HAInquiry& p__SRB_HAInquiry__Srb);

    // Time-out of the unit at target/LUN in half-seconds (SC_GETSET_TIMEOUTS); 0xFF in
    // target or LUN stands for every one when setting. Both return false when no unit
    // matches. The default keeps one value for the whole adapter, initially 108000
    // (54000 s); backends that enforce a time-out per command read it with Timeout().
    virtual bool SetTimeout(BYTE p__BYTE__Target, BYTE p__BYTE__Lun, DWORD p__DWORD__HalfSeconds);
    virtual bool GetTimeout(BYTE p__BYTE__Target, BYTE p__BYTE__Lun, DWORD& p__DWORD__HalfSeconds);
    DWORD Timeout() const { return m__DWORD__Timeout.load(std::memory_order_relaxed); }

    // Ends a request that ExecScsiCmd left pending: stores the status (visible to a
    // thread that polls SRB_Status) and sets the completion event when one was asked for.
    static void Complete(SRB_ExecSCSICmd& p__SRB_ExecSCSICmd__Srb, BYTE p__BYTE__Status);

    // Fills fixed-format sense data (key, ASC, ASCQ) into the request, with CHECK CONDITION,
    // and returns SS_ERR: the usual way a backend reports a failed command.
    static BYTE CheckCondition(SRB_ExecSCSICmd& p__SRB_ExecSCSICmd__Srb, BYTE p__BYTE__SenseKey, BYTE p__BYTE__Asc,
                               BYTE p__BYTE__Ascq);
    // The same with the drive's own sense bytes (fixed format), of which at most
    // SRB_SenseLen bytes are kept and never more than SenseArea holds.
    static BYTE CheckCondition(SRB_ExecSCSICmd& p__SRB_ExecSCSICmd__Srb, const BYTE* p__PBYTE__Sense, size_t p__size_t__Length);

private:
    std::atomic<DWORD> m__DWORD__Timeout{108000};
};
