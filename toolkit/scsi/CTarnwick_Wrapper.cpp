#include "CTarnwick_Wrapper.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "CTarnwick_Exception.h"
#include "DebugPrint.h"
#include "PlatformScsiGeneric.h"
#include "PlatformSystemError.h"

namespace {
constexpr const char* BY_PATH_DIRECTORY = "/dev/disk/by-path";
constexpr const char* BY_ID_DIRECTORY = "/dev/disk/by-id";
constexpr const char* NAMED_NODE_PREFIX = "/dev/sr";

void StoreStatus(void* p__PVOID__Srb, BYTE p__BYTE__Status) {
    std::atomic_ref<BYTE>(static_cast<SRB_Header*>(p__PVOID__Srb)->SRB_Status).store(p__BYTE__Status, std::memory_order_release);
}

void CopyName(char* p__PCHAR__Field, size_t p__size_t__Size, const char* p__PCHAR__Name) {
    std::memset(p__PCHAR__Field, 0, p__size_t__Size);
    std::memcpy(p__PCHAR__Field, p__PCHAR__Name, std::min(std::strlen(p__PCHAR__Name), p__size_t__Size - 1));
}
}  // namespace

CTarnwick_Wrapper::CTarnwick_Wrapper() { Init(); }

CTarnwick_Wrapper::~CTarnwick_Wrapper() { DestroyAll(); }

void CTarnwick_Wrapper::DestroyAll() {
    for (auto& l__Row : m__Table) {
        for (std::unique_ptr<CTarnwick_Device>& l__Entry : l__Row) l__Entry.reset();
    }
    m__UCHAR__HostAdapterCount = 0;
}

void CTarnwick_Wrapper::Record(const std::string& p__string__Node, const CTarnwick_Device::Failure& p__Failure) {
    Finding l__Finding;
    l__Finding.m__string__Node = p__string__Node;
    l__Finding.m__ULONG__Error = p__Failure.m__ULONG__Error;
    switch (p__Failure.m__PROBLEM__Problem) {
        case CTarnwick_Device::PROBLEM_NONE:
        case CTarnwick_Device::PROBLEM_ABSENT:
            return;  // no such node: nothing to report
        case CTarnwick_Device::PROBLEM_OPEN:
            if (p__Failure.m__ULONG__Error == EACCES || p__Failure.m__ULONG__Error == EPERM) {
                l__Finding.m__FINDING_REASON__Reason = FINDING_NO_PERMISSION;
                l__Finding.m__string__Group = PlatformScsiGeneric::Current().OwnerGroup(p__string__Node);
            } else if (p__Failure.m__ULONG__Error == EBUSY) {
                l__Finding.m__FINDING_REASON__Reason = FINDING_BUSY;
            } else {
                l__Finding.m__FINDING_REASON__Reason = FINDING_CANNOT_OPEN;
            }
            break;
        case CTarnwick_Device::PROBLEM_ADDRESS:
            l__Finding.m__FINDING_REASON__Reason = FINDING_NO_ADDRESS;
            break;
        case CTarnwick_Device::PROBLEM_NOT_CDDVD:
            l__Finding.m__FINDING_REASON__Reason = FINDING_NOT_CDDVD;
            l__Finding.m__UCHAR__Type = p__Failure.m__UCHAR__Type;
            break;
        case CTarnwick_Device::PROBLEM_RESOURCES:
            l__Finding.m__FINDING_REASON__Reason = FINDING_CANNOT_OPEN;
            break;
    }
    m__Findings.push_back(std::move(l__Finding));
}

void CTarnwick_Wrapper::Refuse(std::unique_ptr<CTarnwick_Device> p__Device, FINDING_REASON p__Reason) {
    Finding l__Finding;
    l__Finding.m__string__Node = p__Device->GetDeviceName();
    l__Finding.m__FINDING_REASON__Reason = p__Reason;
    m__Findings.push_back(std::move(l__Finding));
    p__Device->StopWorker();
}

void CTarnwick_Wrapper::Enter(std::unique_ptr<CTarnwick_Device> p__Device) {
    const PlatformScsiAddress& l__Address = p__Device->GetAddress();
    if (l__Address.m__UCHAR__Host >= MAXIMUM_HOST_ADAPTERS || l__Address.m__UCHAR__Id >= MAXIMUM_TARGETS) {
        DebugPrint("\nCTarnwick_Wrapper::Init(): WARNING! Device '%s' at port %ld, target %ld lies outside the table "
                   "(%ld ports, %ld targets) and will be ignored!!!\n",
                   p__Device->GetDeviceName(), static_cast<long>(l__Address.m__UCHAR__Host),
                   static_cast<long>(l__Address.m__UCHAR__Id), static_cast<long>(MAXIMUM_HOST_ADAPTERS),
                   static_cast<long>(MAXIMUM_TARGETS));
        Refuse(std::move(p__Device), FINDING_OUTSIDE_TABLE);
        return;
    }
    std::unique_ptr<CTarnwick_Device>& l__Entry = m__Table[l__Address.m__UCHAR__Host][l__Address.m__UCHAR__Id];
    if (l__Entry) {
        // The same drive (same host, channel 0, target, LUN 0), found by another node.
        p__Device->StopWorker();
        return;
    }
    l__Entry = std::move(p__Device);
    m__UCHAR__HostAdapterCount = std::max<UCHAR>(m__UCHAR__HostAdapterCount, l__Address.m__UCHAR__Host + 1);
}

void CTarnwick_Wrapper::Init() {
    DestroyAll();
    m__Findings.clear();
    std::vector<std::unique_ptr<CTarnwick_Device>> l__Orphans;

    auto l__IgnoredLine = [](const CTarnwick_Device& p__Device) {
        DebugPrint("\nCTarnwick_Wrapper::Init(): Device '%s' has non-zero PathId (%ld) or LUN (%ld) - will be ignored!!!\n",
                   p__Device.GetDeviceName(), static_cast<long>(p__Device.GetAddress().m__UCHAR__Channel),
                   static_cast<long>(p__Device.GetAddress().m__UCHAR__Lun));
    };
    auto l__UsableAddress = [](const CTarnwick_Device& p__Device) {
        return p__Device.GetAddress().m__UCHAR__Channel == 0 && p__Device.GetAddress().m__UCHAR__Lun == 0;
    };

    // The sg nodes: CD/DVD units only.
    for (ULONG l__ULONG__Index = 0; l__ULONG__Index < CTarnwick_Device::INDEX_COUNT; ++l__ULONG__Index) {
        CTarnwick_Device::Failure l__Failure;
        std::unique_ptr<CTarnwick_Device> l__Device;
        try {
            l__Device.reset(new (std::nothrow) CTarnwick_Device(l__ULONG__Index, &l__Failure));
        } catch (CTarnwick_Exception* l__Exception) {
            delete l__Exception;
            Record(CTarnwick_Device::IndexNodeName(l__ULONG__Index), l__Failure);
            continue;
        }
        if (!l__Device) {
            DebugPrint("\nCTarnwick_Wrapper::Init(): new CTarnwick_Device( %ld ) failed!!!\n", static_cast<long>(l__ULONG__Index));
            continue;
        }
        if (l__UsableAddress(*l__Device)) {
            Enter(std::move(l__Device));
            continue;
        }
        l__IgnoredLine(*l__Device);
        if (l__Orphans.size() < MAXIMUM_ORPHANS) {
            l__Device->ForgetAddress();
            l__Orphans.push_back(std::move(l__Device));
        } else {
            DebugPrint("\nCTarnwick_Wrapper::Init(): WARNING! #1, Number of orphans %ld is larger then largest supported ( "
                       "%ld ) and will be ignored\n",
                       static_cast<long>(l__Orphans.size()), static_cast<long>(MAXIMUM_ORPHANS));
            Refuse(std::move(l__Device), FINDING_OUTSIDE_TABLE);
        }
    }

    // The sr nodes: a drive already entered through its sg node is not entered again.
    for (ULONG l__ULONG__Number = 0; l__ULONG__Number < CTarnwick_Device::NAMED_COUNT; ++l__ULONG__Number) {
        std::string l__string__Node = CTarnwick_Device::NamedNodeName(l__ULONG__Number);
        CTarnwick_Device::Failure l__Failure;
        std::unique_ptr<CTarnwick_Device> l__Device;
        try {
            l__Device.reset(new (std::nothrow) CTarnwick_Device(l__string__Node.c_str(), &l__Failure));
        } catch (CTarnwick_Exception* l__Exception) {
            delete l__Exception;
            Record(l__string__Node, l__Failure);
            continue;
        }
        if (!l__Device) {
            DebugPrint("\nCTarnwick_Wrapper::Init(): new CTarnwick_Device( '%s' ) failed!!!\n", l__string__Node.c_str());
            continue;
        }
        if (!l__Device->IsAddressValid()) {
            if (l__Orphans.size() < MAXIMUM_ORPHANS) {
                l__Orphans.push_back(std::move(l__Device));
            } else {
                Refuse(std::move(l__Device), FINDING_OUTSIDE_TABLE);
            }
        } else if (l__UsableAddress(*l__Device)) {
            Enter(std::move(l__Device));
        } else {
            l__IgnoredLine(*l__Device);
            Refuse(std::move(l__Device), FINDING_IGNORED_ADDRESS);
        }
    }

    // The orphans, each at a host adapter of its own after all others, target 0.
    for (std::unique_ptr<CTarnwick_Device>& l__Orphan : l__Orphans) {
        if (m__UCHAR__HostAdapterCount >= MAXIMUM_HOST_ADAPTERS) {
            DebugPrint("\nCTarnwick_Wrapper::Init(): WARNING! Device '%s' would need host adapter %ld, the largest "
                       "supported is %ld, and will be ignored!!!\n",
                       l__Orphan->GetDeviceName(), static_cast<long>(m__UCHAR__HostAdapterCount),
                       static_cast<long>(MAXIMUM_HOST_ADAPTERS - 1));
            Refuse(std::move(l__Orphan), FINDING_OUTSIDE_TABLE);
            continue;
        }
        m__Table[m__UCHAR__HostAdapterCount][0] = std::move(l__Orphan);
        ++m__UCHAR__HostAdapterCount;
    }
}

CTarnwick_Device* CTarnwick_Wrapper::DeviceAt(BYTE p__BYTE__HostAdapter, BYTE p__BYTE__Target, BYTE p__BYTE__Lun) {
    if (p__BYTE__HostAdapter >= m__UCHAR__HostAdapterCount || p__BYTE__Target >= MAXIMUM_TARGETS || p__BYTE__Lun != 0)
        return nullptr;
    return m__Table[p__BYTE__HostAdapter][p__BYTE__Target].get();
}

BYTE CTarnwick_Wrapper::RefuseHostAdapter(const char* p__PCHAR__Name, BYTE p__BYTE__HostAdapter) {
    DebugPrint("\n%s(): EXITing with failure, requested HID %ld is larger then %ld, status 0x%08X!!!\n", p__PCHAR__Name,
               static_cast<long>(p__BYTE__HostAdapter), static_cast<long>(m__UCHAR__HostAdapterCount),
               static_cast<unsigned>(SS_INVALID_HA));
    return SS_INVALID_HA;
}

BYTE CTarnwick_Wrapper::SendASPI32Command(void* p__PVOID__Srb) {
    if (p__PVOID__Srb == nullptr) {
        DebugPrint("\nCTarnwick_Wrapper::SendASPI32Command(): EXITing with failure, SRB pointer == NULL!!!\n");
        return SS_INVALID_SRB;
    }
    SRB_Header& l__Header = *static_cast<SRB_Header*>(p__PVOID__Srb);
    BYTE l__BYTE__Status = SS_INVALID_CMD;
    switch (l__Header.SRB_Cmd) {
        case SC_HA_INQUIRY:
            l__BYTE__Status = ScHaInquiry(*static_cast<SRB_HAInquiry*>(p__PVOID__Srb));
            break;
        case SC_GET_DEV_TYPE:
            l__BYTE__Status = ScGetDevType(*static_cast<SRB_GDEVBlock*>(p__PVOID__Srb));
            break;
        case SC_EXEC_SCSI_CMD:
            // A request carried out has its status stored (and its event set) already: the
            // block is not touched again.
            return ScExecScsiCmd(*static_cast<SRB_ExecSCSICmd*>(p__PVOID__Srb));
        case SC_ABORT_SRB:
            l__BYTE__Status = SS_ABORT_FAIL;
            break;
        case SC_RESCAN_SCSI_BUS:
            Init();
            l__BYTE__Status = SS_COMP;
            break;
        case SC_GETSET_TIMEOUTS:
            l__BYTE__Status = ScGetSetTimeouts(*static_cast<SRB_GetSetTimeouts*>(p__PVOID__Srb));
            break;
        case SC_GET_SYMBOLIC_NAME:
            l__BYTE__Status = ScGetSymbolicName(*static_cast<SRB_GetSymbolicName*>(p__PVOID__Srb));
            break;
        default:
            DebugPrint("\nCTarnwick_Wrapper::SendASPI32Command(): WARNING! Command 0x%08X is unsupported!!!\n",
                       static_cast<unsigned>(l__Header.SRB_Cmd));
            break;
    }
    StoreStatus(p__PVOID__Srb, l__BYTE__Status);
    return l__BYTE__Status;
}

BYTE CTarnwick_Wrapper::ScHaInquiry(SRB_HAInquiry& p__Srb) {
    p__Srb.HA_Count = m__UCHAR__HostAdapterCount;
    if (p__Srb.SRB_HaId >= m__UCHAR__HostAdapterCount) return RefuseHostAdapter("CTarnwick_Wrapper::ScHaInquiry", p__Srb.SRB_HaId);
    p__Srb.HA_SCSI_ID = 7;
    CopyName(reinterpret_cast<char*>(p__Srb.HA_ManagerId), sizeof(p__Srb.HA_ManagerId), "VELMOR");
    char l__CHAR__Identifier[32] = {};
    std::snprintf(l__CHAR__Identifier, sizeof(l__CHAR__Identifier), "Port %03d", p__Srb.SRB_HaId);
    CopyName(reinterpret_cast<char*>(p__Srb.HA_Identifier), sizeof(p__Srb.HA_Identifier), l__CHAR__Identifier);
    std::memset(p__Srb.HA_Unique, 0, sizeof(p__Srb.HA_Unique));
    p__Srb.HA_Unique[0] = 0x03;  // buffer alignment mask 0x0003 (16-bit, little-endian)
    p__Srb.HA_Unique[2] = 0x02;  // residual byte count supported
    p__Srb.HA_Unique[3] = 15;    // maximum targets
    p__Srb.HA_Unique[6] = 0x01;  // maximum transfer length 0x00010000 (32-bit, little-endian)
    return SS_COMP;
}

BYTE CTarnwick_Wrapper::ScGetDevType(SRB_GDEVBlock& p__Srb) {
    if (p__Srb.SRB_HaId >= m__UCHAR__HostAdapterCount) return RefuseHostAdapter("CTarnwick_Wrapper::ScGetDevType", p__Srb.SRB_HaId);
    if (DeviceAt(p__Srb.SRB_HaId, p__Srb.SRB_Target, p__Srb.SRB_Lun) == nullptr) return SS_NO_DEVICE;
    p__Srb.SRB_DeviceType = CTarnwick_Device::CDDVD_DEVICE_TYPE;
    return SS_COMP;
}

BYTE CTarnwick_Wrapper::ScExecScsiCmd(SRB_ExecSCSICmd& p__Srb) {
    BYTE l__BYTE__Status;
    if (p__Srb.SRB_HaId >= m__UCHAR__HostAdapterCount) {
        l__BYTE__Status = RefuseHostAdapter("CTarnwick_Wrapper::ScExecScsiCmd", p__Srb.SRB_HaId);
    } else if ((p__Srb.SRB_Flags & SRB_POSTING) != 0) {
        DebugPrint("\nCTarnwick_Wrapper::ScExecScsiCmd(): EXITing with failure, requested flags %ld have posting enabled, "
                   "status 0x%08X!!!\n",
                   static_cast<long>(p__Srb.SRB_Flags), static_cast<unsigned>(SS_INVALID_SRB));
        l__BYTE__Status = SS_INVALID_SRB;
    } else if (CTarnwick_Device* l__Device = DeviceAt(p__Srb.SRB_HaId, p__Srb.SRB_Target, p__Srb.SRB_Lun)) {
        return l__Device->ExecuteRequest(&p__Srb, true);
    } else {
        l__BYTE__Status = SS_NO_DEVICE;
    }
    StoreStatus(&p__Srb, l__BYTE__Status);
    return l__BYTE__Status;
}

BYTE CTarnwick_Wrapper::ScGetSetTimeouts(SRB_GetSetTimeouts& p__Srb) {
    if (p__Srb.SRB_HaId >= m__UCHAR__HostAdapterCount && p__Srb.SRB_HaId != 0xFF)
        return RefuseHostAdapter("CTarnwick_Wrapper::ScGetSetTimeouts", p__Srb.SRB_HaId);
    bool l__bool__Get = (p__Srb.SRB_Flags & SRB_DIR_IN) != 0;
    bool l__bool__Set = (p__Srb.SRB_Flags & SRB_DIR_OUT) != 0;
    if (!l__bool__Get && !l__bool__Set) {
        DebugPrint("\nCTarnwick_Wrapper::ScGetSetTimeouts(): EXITing with failure, no flags set %ld, status 0x%08X!!!\n",
                   static_cast<long>(p__Srb.SRB_Flags), static_cast<unsigned>(SS_INVALID_SRB));
        return SS_INVALID_SRB;
    }
    if (l__bool__Set && p__Srb.SRB_Timeout > MAXIMUM_TIMEOUT) {
        DebugPrint("\nCTarnwick_Wrapper::ScGetSetTimeouts(): EXITing with failure, timeout %ld is larger then %ld, status "
                   "0x%08X!!!\n",
                   static_cast<long>(p__Srb.SRB_Timeout), static_cast<long>(MAXIMUM_TIMEOUT),
                   static_cast<unsigned>(SS_INVALID_SRB));
        return SS_INVALID_SRB;
    }
    if (l__bool__Get && (p__Srb.SRB_HaId == 0xFF || p__Srb.SRB_Target == 0xFF || p__Srb.SRB_Lun == 0xFF)) {
        DebugPrint("\nCTarnwick_Wrapper::ScGetSetTimeouts(): EXITing with failure, timeout flags %ld for wild card "
                   "%ld:%ld:%ld, status 0x%08X!!!\n",
                   static_cast<long>(p__Srb.SRB_Flags), static_cast<long>(p__Srb.SRB_HaId),
                   static_cast<long>(p__Srb.SRB_Target), static_cast<long>(p__Srb.SRB_Lun),
                   static_cast<unsigned>(SS_INVALID_SRB));
        return SS_INVALID_SRB;
    }
    bool l__bool__Matched = false;
    for (ULONG l__ULONG__HostAdapter = 0; l__ULONG__HostAdapter < m__UCHAR__HostAdapterCount; ++l__ULONG__HostAdapter) {
        if (p__Srb.SRB_HaId != 0xFF && p__Srb.SRB_HaId != l__ULONG__HostAdapter) continue;
        for (ULONG l__ULONG__Target = 0; l__ULONG__Target < MAXIMUM_TARGETS; ++l__ULONG__Target) {
            CTarnwick_Device* l__Device = m__Table[l__ULONG__HostAdapter][l__ULONG__Target].get();
            if (l__Device == nullptr) continue;
            if (p__Srb.SRB_Target != 0xFF && p__Srb.SRB_Target != l__ULONG__Target) continue;
            if (p__Srb.SRB_Lun != 0xFF && p__Srb.SRB_Lun != 0) continue;
            l__bool__Matched = true;
            if (l__bool__Get) {
                p__Srb.SRB_Timeout = l__Device->GetTimeout();
            } else {
                l__Device->SetTimeout(p__Srb.SRB_Timeout);
            }
        }
    }
    return l__bool__Matched ? SS_COMP : SS_NO_DEVICE;
}

BYTE CTarnwick_Wrapper::ScGetSymbolicName(SRB_GetSymbolicName& p__Srb) {
    if (p__Srb.SRB_HaId >= m__UCHAR__HostAdapterCount)
        return RefuseHostAdapter("CTarnwick_Wrapper::ScGetSymbolicName", p__Srb.SRB_HaId);
    CTarnwick_Device* l__Device = DeviceAt(p__Srb.SRB_HaId, p__Srb.SRB_Target, p__Srb.SRB_Lun);
    if (l__Device == nullptr) return SS_NO_DEVICE;
    std::memset(p__Srb.SRB_SymbolicName, 0, sizeof(p__Srb.SRB_SymbolicName));
    bool l__bool__Linked = false;
    if (std::strncmp(l__Device->GetDeviceName(), NAMED_NODE_PREFIX, std::strlen(NAMED_NODE_PREFIX)) == 0) {
        l__bool__Linked = GetMountMgrSymbolicLinkName(l__Device->GetDeviceName(), p__Srb.SRB_SymbolicName) == 0 &&
                          p__Srb.SRB_SymbolicName[0] != '\0';
    }
    // Without a link the node itself names the drive (never an empty name).
    if (!l__bool__Linked) CopyName(p__Srb.SRB_SymbolicName, sizeof(p__Srb.SRB_SymbolicName), l__Device->GetDeviceName());
    return SS_COMP;
}

ULONG CTarnwick_Wrapper::GetMountMgrSymbolicLinkName(const char* p__PCHAR__DeviceName, char* p__PCHAR__Output) {
    ULONG l__ULONG__Error = 0;
    bool l__bool__Listed = false;
    for (const char* l__PCHAR__Directory : {BY_PATH_DIRECTORY, BY_ID_DIRECTORY}) {
        std::vector<std::string> l__Links;
        if (!PlatformScsiGeneric::Current().LinksTo(l__PCHAR__Directory, p__PCHAR__DeviceName, l__Links)) {
            l__ULONG__Error = PlatformSystemError::Last();
            DebugPrint("\nCTarnwick_Wrapper::GetMountMgrSymbolicLinkName(): EXITing with failure, CreateFile( '%s' ) "
                       "failed, status %ld!!!\n",
                       l__PCHAR__Directory, static_cast<long>(l__ULONG__Error));
            continue;
        }
        l__bool__Listed = true;
        DebugPrint("\nCTarnwick_Wrapper::GetMountMgrSymbolicLinkName(): Number of mount points: %ld\n",
                   static_cast<long>(l__Links.size()));
        for (size_t l__size_t__Index = 0; l__size_t__Index < l__Links.size(); ++l__size_t__Index) {
            DebugPrint("\nCTarnwick_Wrapper::GetMountMgrSymbolicLinkName(): Symbolic link %ld of %ld name: '%s'\n",
                       static_cast<long>(l__size_t__Index + 1), static_cast<long>(l__Links.size()),
                       l__Links[l__size_t__Index].c_str());
        }
        if (!l__Links.empty()) {
            CopyName(p__PCHAR__Output, 260, l__Links.front().c_str());
            return 0;
        }
    }
    return l__bool__Listed ? 0 : l__ULONG__Error;
}

std::string CTarnwick_Wrapper::DescribeFinding(const Finding& p__Finding) {
    std::string l__string__Line = "'" + p__Finding.m__string__Node + "' cannot be used: ";
    switch (p__Finding.m__FINDING_REASON__Reason) {
        case FINDING_NO_PERMISSION:
            l__string__Line += "no permission to open it (" + std::string(std::strerror(static_cast<int>(p__Finding.m__ULONG__Error))) + ")";
            if (!p__Finding.m__string__Group.empty())
                l__string__Line += "; add your user to the group '" + p__Finding.m__string__Group + "'";
            break;
        case FINDING_BUSY:
            l__string__Line += "it is busy (another program holds it open exclusively)";
            break;
        case FINDING_CANNOT_OPEN:
            l__string__Line += "it cannot be opened (" + std::string(std::strerror(static_cast<int>(p__Finding.m__ULONG__Error))) + ")";
            break;
        case FINDING_NOT_CDDVD: {
            char l__CHAR__Type[8];
            std::snprintf(l__CHAR__Type, sizeof(l__CHAR__Type), "0x%02X", p__Finding.m__UCHAR__Type);
            l__string__Line += std::string("not a CD/DVD unit (peripheral type ") + l__CHAR__Type + ")";
            break;
        }
        case FINDING_NO_ADDRESS:
            l__string__Line += "its SCSI address could not be read (" +
                               std::string(std::strerror(static_cast<int>(p__Finding.m__ULONG__Error))) + ")";
            break;
        case FINDING_IGNORED_ADDRESS:
            l__string__Line += "its SCSI address has a channel or LUN other than 0";
            break;
        case FINDING_OUTSIDE_TABLE:
            l__string__Line += "its host or target number lies beyond the 32 host adapters x 128 targets offered";
            break;
    }
    return l__string__Line;
}
