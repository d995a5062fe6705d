// GetASPI32SupportInfo and SendASPI32Command: the two entry points of the library.
#include <atomic>
#include <cstring>
#include <string>

#include "AspiBackend.h"
#include "AspiHostAdapterTable.h"
#include "PlatformManualResetEvent.h"

namespace {

BYTE Finish(SRB_Header& p__SRB_Header__Srb, BYTE p__BYTE__Status) {
    std::atomic_ref<BYTE>(p__SRB_Header__Srb.SRB_Status).store(p__BYTE__Status, std::memory_order_release);
    return p__BYTE__Status;
}

BYTE HaInquiry(SRB_HAInquiry& p__Srb) {
    AspiHostAdapterTable& l__Table = AspiHostAdapterTable::Instance();
    BYTE l__BYTE__Count = l__Table.Count();
    p__Srb.HA_Count = l__BYTE__Count;
    AspiBackend* l__Backend = l__Table.Backend(p__Srb.SRB_HaId);
    if (l__Backend == nullptr) return SS_INVALID_HA;
    l__Backend->AdapterInquiry(p__Srb);
    p__Srb.HA_Count = l__BYTE__Count;
    return SS_COMP;
}

BYTE GetDevType(SRB_GDEVBlock& p__Srb) {
    AspiBackend* l__Backend = AspiHostAdapterTable::Instance().Backend(p__Srb.SRB_HaId);
    if (l__Backend == nullptr) return SS_INVALID_HA;
    BYTE l__BYTE__Type = l__Backend->DeviceType(p__Srb.SRB_Target, p__Srb.SRB_Lun);
    if ((l__BYTE__Type & 0x1F) == 0x1F) return SS_NO_DEVICE;
    p__Srb.SRB_DeviceType = l__BYTE__Type;
    return SS_COMP;
}

BYTE ExecScsiCmd(SRB_ExecSCSICmd& p__Srb) {
    AspiBackend* l__Backend = AspiHostAdapterTable::Instance().Backend(p__Srb.SRB_HaId);
    if (l__Backend == nullptr) return SS_INVALID_HA;
    if ((p__Srb.SRB_Flags & SRB_POSTING) != 0) return SS_INVALID_SRB;
    if (p__Srb.SRB_CDBLen == 0 || p__Srb.SRB_CDBLen > 16) return SS_INVALID_SRB;
    if (p__Srb.SRB_BufLen != 0 && p__Srb.SRB_BufPointer == nullptr) return SS_INVALID_SRB;
    p__Srb.SRB_HaStat = HASTAT_OK;
    p__Srb.SRB_TargStat = STATUS_GOOD;
    std::atomic_ref<BYTE>(p__Srb.SRB_Status).store(SS_PENDING, std::memory_order_release);
    BYTE l__BYTE__Status = l__Backend->ExecScsiCmd(p__Srb);
    if (l__BYTE__Status == SS_PENDING) return SS_PENDING;  // the backend completes it later
    AspiBackend::Complete(p__Srb, l__BYTE__Status);
    return l__BYTE__Status;
}

BYTE GetSymbolicName(SRB_GetSymbolicName& p__Srb) {
    AspiBackend* l__Backend = AspiHostAdapterTable::Instance().Backend(p__Srb.SRB_HaId);
    if (l__Backend == nullptr) return SS_INVALID_HA;
    std::string l__string__Name;
    if (!l__Backend->SymbolicName(p__Srb.SRB_Target, p__Srb.SRB_Lun, l__string__Name)) return SS_NO_DEVICE;
    std::memset(p__Srb.SRB_SymbolicName, 0, sizeof(p__Srb.SRB_SymbolicName));
    std::strncpy(p__Srb.SRB_SymbolicName, l__string__Name.c_str(), sizeof(p__Srb.SRB_SymbolicName) - 1);
    return SS_COMP;
}

// Time-outs (half-seconds) are kept by the backends, per unit; a backend that can
// enforce one per command does (the iSCSI backend, the pass-through).
constexpr DWORD MAXIMUM_TIMEOUT = 108000;

BYTE GetSetTimeouts(SRB_GetSetTimeouts& p__Srb) {
    AspiHostAdapterTable& l__Table = AspiHostAdapterTable::Instance();
    if (p__Srb.SRB_HaId != 0xFF && l__Table.Backend(p__Srb.SRB_HaId) == nullptr) return SS_INVALID_HA;
    bool l__bool__Get = (p__Srb.SRB_Flags & SRB_DIR_IN) != 0;
    bool l__bool__Set = (p__Srb.SRB_Flags & SRB_DIR_OUT) != 0;
    if (!l__bool__Get && !l__bool__Set) return SS_INVALID_SRB;
    if (l__bool__Set && p__Srb.SRB_Timeout > MAXIMUM_TIMEOUT) return SS_INVALID_SRB;
    if (l__bool__Get && (p__Srb.SRB_HaId == 0xFF || p__Srb.SRB_Target == 0xFF || p__Srb.SRB_Lun == 0xFF))
        return SS_INVALID_SRB;
    if (l__bool__Get) {
        DWORD l__DWORD__Timeout = 0;
        if (!l__Table.Backend(p__Srb.SRB_HaId)->GetTimeout(p__Srb.SRB_Target, p__Srb.SRB_Lun, l__DWORD__Timeout))
            return SS_NO_DEVICE;
        p__Srb.SRB_Timeout = l__DWORD__Timeout;
        return SS_COMP;
    }
    // A set reaches every unit the address names (0xFF: all); it succeeds when one matched.
    bool l__bool__Matched = false;
    BYTE l__BYTE__Count = l__Table.Count();
    for (BYTE l__BYTE__Adapter = 0; l__BYTE__Adapter < l__BYTE__Count; ++l__BYTE__Adapter) {
        if (p__Srb.SRB_HaId != 0xFF && p__Srb.SRB_HaId != l__BYTE__Adapter) continue;
        AspiBackend* l__Backend = l__Table.Backend(l__BYTE__Adapter);
        if (l__Backend != nullptr && l__Backend->SetTimeout(p__Srb.SRB_Target, p__Srb.SRB_Lun, p__Srb.SRB_Timeout))
            l__bool__Matched = true;
    }
    return l__bool__Matched ? SS_COMP : SS_NO_DEVICE;
}

}  // namespace

extern "C" DWORD GetASPI32SupportInfo(void) {
    BYTE l__BYTE__Count = AspiHostAdapterTable::Instance().Count();
    if (l__BYTE__Count == 0) return static_cast<DWORD>(SS_NO_ADAPTERS) << 8;
    return (static_cast<DWORD>(SS_COMP) << 8) | l__BYTE__Count;
}

extern "C" DWORD SendASPI32Command(void* p__PVOID__Srb) {
    if (p__PVOID__Srb == nullptr) return SS_INVALID_SRB;
    SRB_Header& l__Header = *static_cast<SRB_Header*>(p__PVOID__Srb);
    switch (l__Header.SRB_Cmd) {
        case SC_HA_INQUIRY:
            return Finish(l__Header, HaInquiry(*static_cast<SRB_HAInquiry*>(p__PVOID__Srb)));
        case SC_GET_DEV_TYPE:
            return Finish(l__Header, GetDevType(*static_cast<SRB_GDEVBlock*>(p__PVOID__Srb)));
        case SC_EXEC_SCSI_CMD: {
            SRB_ExecSCSICmd& l__Srb = *static_cast<SRB_ExecSCSICmd*>(p__PVOID__Srb);
            BYTE l__BYTE__Status = ExecScsiCmd(l__Srb);
            // Refused before reaching a backend: the request ends here.
            if (l__BYTE__Status == SS_INVALID_HA || l__BYTE__Status == SS_INVALID_SRB)
                AspiBackend::Complete(l__Srb, l__BYTE__Status);
            return l__BYTE__Status;
        }
        case SC_ABORT_SRB:
            return Finish(l__Header, SS_ABORT_FAIL);
        case SC_RESCAN_SCSI_BUS:
            AspiHostAdapterTable::Instance().Reset();
            return Finish(l__Header, SS_COMP);
        case SC_GETSET_TIMEOUTS:
            return Finish(l__Header, GetSetTimeouts(*static_cast<SRB_GetSetTimeouts*>(p__PVOID__Srb)));
        case SC_GET_SYMBOLIC_NAME:
            return Finish(l__Header, GetSymbolicName(*static_cast<SRB_GetSymbolicName*>(p__PVOID__Srb)));
        default:
            return Finish(l__Header, SS_INVALID_CMD);
    }
}
