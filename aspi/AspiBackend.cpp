#include "AspiBackend.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "PlatformManualResetEvent.h"

void AspiBackend::AdapterInquiry(SRB_HAInquiry& p__SRB_HAInquiry__Srb) {
    p__SRB_HAInquiry__Srb.HA_SCSI_ID = 7;
    std::memset(p__SRB_HAInquiry__Srb.HA_ManagerId, 0, sizeof(p__SRB_HAInquiry__Srb.HA_ManagerId));
    std::memcpy(p__SRB_HAInquiry__Srb.HA_ManagerId, "TARNWICK", 8);
    char l__CHAR__Identifier[17] = {};
    std::snprintf(l__CHAR__Identifier, sizeof(l__CHAR__Identifier), "Port %03d", p__SRB_HAInquiry__Srb.SRB_HaId);
    std::memcpy(p__SRB_HAInquiry__Srb.HA_Identifier, l__CHAR__Identifier, 16);
    std::memset(p__SRB_HAInquiry__Srb.HA_Unique, 0, sizeof(p__SRB_HAInquiry__Srb.HA_Unique));
    p__SRB_HAInquiry__Srb.HA_Unique[0] = 0x03;  // buffer alignment mask 0x0003 (little-endian)
    p__SRB_HAInquiry__Srb.HA_Unique[2] = 0x02;  // residual byte count supported
    p__SRB_HAInquiry__Srb.HA_Unique[3] = 16;    // targets
    p__SRB_HAInquiry__Srb.HA_Unique[4] = 0x00;  // maximum transfer 0x00010000
    p__SRB_HAInquiry__Srb.HA_Unique[5] = 0x00;
    p__SRB_HAInquiry__Srb.HA_Unique[6] = 0x01;
    p__SRB_HAInquiry__Srb.HA_Unique[7] = 0x00;
}

namespace {
bool UnitMatches(AspiBackend& p__Backend, BYTE p__BYTE__Target, BYTE p__BYTE__Lun) {
    if (p__BYTE__Target == 0xFF || p__BYTE__Lun == 0xFF) return true;
    return (p__Backend.DeviceType(p__BYTE__Target, p__BYTE__Lun) & 0x1F) != 0x1F;
}
}  // namespace

bool AspiBackend::SetTimeout(BYTE p__BYTE__Target, BYTE p__BYTE__Lun, DWORD p__DWORD__HalfSeconds) {
    if (!UnitMatches(*this, p__BYTE__Target, p__BYTE__Lun)) return false;
    m__DWORD__Timeout.store(p__DWORD__HalfSeconds, std::memory_order_relaxed);
    return true;
}

bool AspiBackend::GetTimeout(BYTE p__BYTE__Target, BYTE p__BYTE__Lun, DWORD& p__DWORD__HalfSeconds) {
    if (!UnitMatches(*this, p__BYTE__Target, p__BYTE__Lun)) return false;
    p__DWORD__HalfSeconds = Timeout();
    return true;
}

void AspiBackend::Complete(SRB_ExecSCSICmd& p__SRB_ExecSCSICmd__Srb, BYTE p__BYTE__Status) {
    bool l__bool__Notify = (p__SRB_ExecSCSICmd__Srb.SRB_Flags & SRB_EVENT_NOTIFY) != 0;
    void* l__PVOID__Event = p__SRB_ExecSCSICmd__Srb.SRB_PostProc;
    // Once the status is stored the request may be reused by its owner: read what the
    // event needs first.
    std::atomic_ref<BYTE>(p__SRB_ExecSCSICmd__Srb.SRB_Status).store(p__BYTE__Status, std::memory_order_release);
    if (l__bool__Notify && l__PVOID__Event != nullptr) static_cast<PlatformManualResetEvent*>(l__PVOID__Event)->Set();
}

BYTE AspiBackend::CheckCondition(SRB_ExecSCSICmd& p__SRB_ExecSCSICmd__Srb, BYTE p__BYTE__SenseKey, BYTE p__BYTE__Asc,
                                 BYTE p__BYTE__Ascq) {
    BYTE l__BYTE__Sense[18] = {};
    l__BYTE__Sense[0] = 0x70;
    l__BYTE__Sense[2] = p__BYTE__SenseKey & 0x0F;
    l__BYTE__Sense[7] = 10;
    l__BYTE__Sense[12] = p__BYTE__Asc;
    l__BYTE__Sense[13] = p__BYTE__Ascq;
    return CheckCondition(p__SRB_ExecSCSICmd__Srb, l__BYTE__Sense, sizeof(l__BYTE__Sense));
}

BYTE AspiBackend::CheckCondition(SRB_ExecSCSICmd& p__SRB_ExecSCSICmd__Srb, const BYTE* p__PBYTE__Sense,
                                 size_t p__size_t__Length) {
    size_t l__size_t__Length =
        std::min<size_t>(p__SRB_ExecSCSICmd__Srb.SRB_SenseLen, sizeof(p__SRB_ExecSCSICmd__Srb.SenseArea));
    l__size_t__Length = std::min(l__size_t__Length, p__size_t__Length);
    std::memset(p__SRB_ExecSCSICmd__Srb.SenseArea, 0, sizeof(p__SRB_ExecSCSICmd__Srb.SenseArea));
    if (l__size_t__Length > 0) std::memcpy(p__SRB_ExecSCSICmd__Srb.SenseArea, p__PBYTE__Sense, l__size_t__Length);
    p__SRB_ExecSCSICmd__Srb.SRB_HaStat = HASTAT_OK;
    p__SRB_ExecSCSICmd__Srb.SRB_TargStat = STATUS_CHKCOND;
    return SS_ERR;
}
