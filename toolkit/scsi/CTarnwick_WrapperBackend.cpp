#include "CTarnwick_WrapperBackend.h"

#include <cstring>
#include <mutex>

namespace {
std::mutex g__SurveyLock;
std::vector<CTarnwick_Wrapper::Finding>& Survey() {
    static std::vector<CTarnwick_Wrapper::Finding> s__Findings;
    return s__Findings;
}

template <class Block>
Block Request(BYTE p__BYTE__Command, BYTE p__BYTE__HostAdapter) {
    Block l__Block;
    std::memset(&l__Block, 0, sizeof(l__Block));
    l__Block.SRB_Cmd = p__BYTE__Command;
    l__Block.SRB_HaId = p__BYTE__HostAdapter;
    return l__Block;
}
}  // namespace

BYTE CTarnwick_WrapperBackend::ExecScsiCmd(SRB_ExecSCSICmd& p__Srb) {
    // The wrapper works on a copy under its own number; the library completes the
    // caller's block (status, event) once the results are copied back.
    SRB_ExecSCSICmd l__Copy = p__Srb;
    l__Copy.SRB_HaId = m__BYTE__HostAdapter;
    l__Copy.SRB_Flags &= static_cast<BYTE>(~SRB_EVENT_NOTIFY);
    l__Copy.SRB_PostProc = nullptr;
    BYTE l__BYTE__Status = m__Wrapper->SendASPI32Command(&l__Copy);
    p__Srb.SRB_HaStat = l__Copy.SRB_HaStat;
    p__Srb.SRB_TargStat = l__Copy.SRB_TargStat;
    p__Srb.SRB_BufLen = l__Copy.SRB_BufLen;
    std::memcpy(p__Srb.SenseArea, l__Copy.SenseArea, sizeof(p__Srb.SenseArea));
    return l__BYTE__Status == SS_INVALID_HA ? SS_NO_DEVICE : l__BYTE__Status;
}

BYTE CTarnwick_WrapperBackend::DeviceType(BYTE p__BYTE__Target, BYTE p__BYTE__Lun) {
    SRB_GDEVBlock l__Srb = Request<SRB_GDEVBlock>(SC_GET_DEV_TYPE, m__BYTE__HostAdapter);
    l__Srb.SRB_Target = p__BYTE__Target;
    l__Srb.SRB_Lun = p__BYTE__Lun;
    return m__Wrapper->SendASPI32Command(&l__Srb) == SS_COMP ? l__Srb.SRB_DeviceType : 0x1F;
}

bool CTarnwick_WrapperBackend::SymbolicName(BYTE p__BYTE__Target, BYTE p__BYTE__Lun, std::string& p__string__Name) {
    SRB_GetSymbolicName l__Srb = Request<SRB_GetSymbolicName>(SC_GET_SYMBOLIC_NAME, m__BYTE__HostAdapter);
    l__Srb.SRB_Target = p__BYTE__Target;
    l__Srb.SRB_Lun = p__BYTE__Lun;
    if (m__Wrapper->SendASPI32Command(&l__Srb) != SS_COMP) return false;
    l__Srb.SRB_SymbolicName[sizeof(l__Srb.SRB_SymbolicName) - 1] = '\0';
    p__string__Name = l__Srb.SRB_SymbolicName;
    return true;
}

void CTarnwick_WrapperBackend::AdapterInquiry(SRB_HAInquiry& p__Srb) {
    SRB_HAInquiry l__Srb = Request<SRB_HAInquiry>(SC_HA_INQUIRY, m__BYTE__HostAdapter);
    if (m__Wrapper->SendASPI32Command(&l__Srb) != SS_COMP) {
        AspiBackend::AdapterInquiry(p__Srb);
        return;
    }
    p__Srb.HA_SCSI_ID = l__Srb.HA_SCSI_ID;
    std::memcpy(p__Srb.HA_ManagerId, l__Srb.HA_ManagerId, sizeof(p__Srb.HA_ManagerId));
    std::memcpy(p__Srb.HA_Identifier, l__Srb.HA_Identifier, sizeof(p__Srb.HA_Identifier));
    std::memcpy(p__Srb.HA_Unique, l__Srb.HA_Unique, sizeof(p__Srb.HA_Unique));
}

BYTE CTarnwick_WrapperBackend::TimeoutRequest(BYTE p__BYTE__Flags, BYTE p__BYTE__Target, BYTE p__BYTE__Lun,
                                              DWORD& p__DWORD__HalfSeconds) {
    SRB_GetSetTimeouts l__Srb = Request<SRB_GetSetTimeouts>(SC_GETSET_TIMEOUTS, m__BYTE__HostAdapter);
    l__Srb.SRB_Flags = p__BYTE__Flags;
    l__Srb.SRB_Target = p__BYTE__Target;
    l__Srb.SRB_Lun = p__BYTE__Lun;
    l__Srb.SRB_Timeout = p__DWORD__HalfSeconds;
    BYTE l__BYTE__Status = m__Wrapper->SendASPI32Command(&l__Srb);
    p__DWORD__HalfSeconds = l__Srb.SRB_Timeout;
    return l__BYTE__Status;
}

bool CTarnwick_WrapperBackend::SetTimeout(BYTE p__BYTE__Target, BYTE p__BYTE__Lun, DWORD p__DWORD__HalfSeconds) {
    return TimeoutRequest(SRB_DIR_OUT, p__BYTE__Target, p__BYTE__Lun, p__DWORD__HalfSeconds) == SS_COMP;
}

bool CTarnwick_WrapperBackend::GetTimeout(BYTE p__BYTE__Target, BYTE p__BYTE__Lun, DWORD& p__DWORD__HalfSeconds) {
    return TimeoutRequest(SRB_DIR_IN, p__BYTE__Target, p__BYTE__Lun, p__DWORD__HalfSeconds) == SS_COMP;
}

std::vector<std::unique_ptr<AspiBackend>> CTarnwick_WrapperBackend::CreateMachineDrives() {
    auto l__Wrapper = std::make_shared<CTarnwick_Wrapper>();
    {
        std::lock_guard<std::mutex> l__Guard(g__SurveyLock);
        Survey() = l__Wrapper->Survey();
    }
    std::vector<std::unique_ptr<AspiBackend>> l__Backends;
    for (BYTE l__BYTE__HostAdapter = 0; l__BYTE__HostAdapter < l__Wrapper->GetHostAdapterCount(); ++l__BYTE__HostAdapter)
        l__Backends.push_back(std::make_unique<CTarnwick_WrapperBackend>(l__Wrapper, l__BYTE__HostAdapter));
    return l__Backends;
}

std::vector<CTarnwick_Wrapper::Finding> CTarnwick_WrapperBackend::LastSurvey() {
    std::lock_guard<std::mutex> l__Guard(g__SurveyLock);
    return Survey();
}
