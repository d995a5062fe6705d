#include "CTarnwick_Device.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <system_error>

#include "AspiBackend.h"
#include "CTarnwick_Exception.h"
#include "CTarnwick_ThreadParameter.h"
#include "DebugPrint.h"
#include "PlatformSystemError.h"

namespace {
constexpr const char* CONSTRUCTOR_NAME = "CTarnwick_Device::CTarnwick_Device";
constexpr UCHAR SENSE_BUFFER_LENGTH = 32;
constexpr ULONG MAXIMUM_QUEUED = 0x7FFFFFFF;

void Note(CTarnwick_Device::Failure* p__Failure, CTarnwick_Device::PROBLEM p__Problem, ULONG p__ULONG__Error,
          UCHAR p__UCHAR__Type = 0x1F) {
    if (p__Failure == nullptr) return;
    p__Failure->m__PROBLEM__Problem = p__Problem;
    p__Failure->m__ULONG__Error = p__ULONG__Error;
    p__Failure->m__UCHAR__Type = p__UCHAR__Type;
}

// The list links of a queued request (see the class comment): unaligned, so copied.
SRB_ExecSCSICmd* Next(const SRB_ExecSCSICmd* p__Srb) {
    SRB_ExecSCSICmd* l__Link;
    std::memcpy(&l__Link, &p__Srb->SRB_Rsvd2, sizeof(l__Link));
    return l__Link;
}
void SetNext(SRB_ExecSCSICmd* p__Srb, SRB_ExecSCSICmd* p__Link) {
    std::memcpy(&p__Srb->SRB_Rsvd2, &p__Link, sizeof(p__Link));
}
void SetPrevious(SRB_ExecSCSICmd* p__Srb, SRB_ExecSCSICmd* p__Link) {
    std::memcpy(p__Srb->SRB_Rsvd3, &p__Link, sizeof(p__Link));
}
static_assert(sizeof(SRB_ExecSCSICmd*) == 8 && sizeof(((SRB_ExecSCSICmd*)nullptr)->SRB_Rsvd3) >= 8,
              "two 8-byte links fit in SRB_Rsvd2 and SRB_Rsvd3");

// The host adapter status for a command the kernel could not deliver or complete
// (host_status DID_NO_CONNECT 0x01, DID_TIME_OUT 0x03; anything else, or a driver error).
BYTE HostAdapterStatus(const PlatformScsiCommand& p__Command) {
    switch (p__Command.m__USHORT__HostStatus) {
        case 0x01:
            return HASTAT_SEL_TO;
        case 0x03:
            return HASTAT_TIMEOUT;
        default:
            return HASTAT_PHASE_ERR;
    }
}
}  // namespace

std::string CTarnwick_Device::IndexNodeName(ULONG p__ULONG__Index) { return "/dev/sg" + std::to_string(p__ULONG__Index); }

std::string CTarnwick_Device::NamedNodeName(ULONG p__ULONG__Number) { return "/dev/sr" + std::to_string(p__ULONG__Number); }

CTarnwick_Device::CTarnwick_Device(ULONG p__ULONG__Index, Failure* p__Failure) {
    std::snprintf(m__CHAR__DeviceName, sizeof(m__CHAR__DeviceName), "%s", IndexNodeName(p__ULONG__Index).c_str());
    PlatformScsiGeneric& l__System = PlatformScsiGeneric::Current();
    if (p__ULONG__Index >= INDEX_COUNT || !l__System.Exists(m__CHAR__DeviceName)) {
        Note(p__Failure, PROBLEM_ABSENT, ENOENT);
        CTarnwick_Exception::Raise(CONSTRUCTOR_NAME, EXIT_TRACE_FORM_SILENT, EXCEPTION_NUMBER_SYSTEM_ERROR,
                                   STATUS_NOT_CDDVD, "CTarnwick_Device::CTarnwick_Device(): GetDriveType( '%s' ) failed, status %ld!!!",
                                   m__CHAR__DeviceName, static_cast<long>(STATUS_NOT_CDDVD));
    }
    OpenForConstruction(p__Failure);
    PlatformScsiAddress l__Address;
    if (!l__System.GetScsiId(m__int__Handle, l__Address)) {
        ULONG l__ULONG__Error = PlatformSystemError::Last();
        CloseHandle();
        Note(p__Failure, PROBLEM_ADDRESS, l__ULONG__Error);
        CTarnwick_Exception::Raise(CONSTRUCTOR_NAME, EXIT_TRACE_FORM_SILENT, EXCEPTION_NUMBER_SYSTEM_ERROR,
                                   l__ULONG__Error,
                                   "CTarnwick_Device::CTarnwick_Device(): DeviceIoControl( IOCTL_SCSI_GET_ADDRESS, '%s' ) "
                                   "failed, status %ld!!!",
                                   m__CHAR__DeviceName, static_cast<long>(l__ULONG__Error));
    }
    CloseHandle();
    if (l__Address.m__UCHAR__Type != CDDVD_DEVICE_TYPE) {
        Note(p__Failure, PROBLEM_NOT_CDDVD, 0, l__Address.m__UCHAR__Type);
        CTarnwick_Exception::Raise(CONSTRUCTOR_NAME, EXIT_TRACE_FORM_SILENT, EXCEPTION_NUMBER_SYSTEM_ERROR,
                                   STATUS_NOT_CDDVD, "CTarnwick_Device::CTarnwick_Device(): GetDriveType( '%s' ) failed, status %ld!!!",
                                   m__CHAR__DeviceName, static_cast<long>(STATUS_NOT_CDDVD));
    }
    m__Address = l__Address;
    m__UCHAR__AddressValid = 1;
    StartWorker();
}

CTarnwick_Device::CTarnwick_Device(const char* p__PCHAR__Name, Failure* p__Failure) {
    std::snprintf(m__CHAR__DeviceName, sizeof(m__CHAR__DeviceName), "%s", p__PCHAR__Name != nullptr ? p__PCHAR__Name : "");
    OpenForConstruction(p__Failure);
    PlatformScsiAddress l__Address;
    if (PlatformScsiGeneric::Current().GetIdLun(m__int__Handle, l__Address)) {
        m__Address = l__Address;
        m__UCHAR__AddressValid = 1;
    }
    CloseHandle();
    StartWorker();
}

void CTarnwick_Device::OpenForConstruction(Failure* p__Failure) {
    m__int__Handle = OpenNode();
    if (m__int__Handle < 0) {
        ULONG l__ULONG__Error = PlatformSystemError::Last();
        Note(p__Failure, l__ULONG__Error == ENOENT ? PROBLEM_ABSENT : PROBLEM_OPEN, l__ULONG__Error);
        CTarnwick_Exception::Raise(CONSTRUCTOR_NAME, EXIT_TRACE_FORM_SILENT, EXCEPTION_NUMBER_SYSTEM_ERROR,
                                   l__ULONG__Error, "CTarnwick_Device::CTarnwick_Device(): CreateFile( '%s' ) failed, status %ld!!!",
                                   m__CHAR__DeviceName, static_cast<long>(l__ULONG__Error));
    }
}

void CTarnwick_Device::StartWorker() {
    m__PCTarnwick_ThreadParameter = new (std::nothrow) CTarnwick_ThreadParameter(this);
    if (m__PCTarnwick_ThreadParameter == nullptr) {
        CTarnwick_Exception::Raise(CONSTRUCTOR_NAME, EXIT_TRACE_FORM_NONE, EXCEPTION_NUMBER_OUT_OF_MEMORY, 0,
                                   "CTarnwick_Device::CTarnwick_Device(): m__PCTarnwick_ThreadParameter == NULL!!!");
    }
    try {
        CTarnwick_ThreadParameter* l__Parameter = m__PCTarnwick_ThreadParameter;
        m__Thread = std::thread([l__Parameter] { WorkerThread(l__Parameter); });
    } catch (const std::system_error& l__Error) {
        delete m__PCTarnwick_ThreadParameter;
        m__PCTarnwick_ThreadParameter = nullptr;
        CTarnwick_Exception::Raise(CONSTRUCTOR_NAME, EXIT_TRACE_FORM_NONE, EXCEPTION_NUMBER_SYSTEM_ERROR,
                                   static_cast<ULONG>(l__Error.code().value()),
                                   "CTarnwick_Device::CTarnwick_Device(): CreateThread() failed, status %ld!!!",
                                   static_cast<long>(l__Error.code().value()));
    }
}

CTarnwick_Device::~CTarnwick_Device() {
    // Once the flag is set the worker takes no further request: those still queued end here
    // (instead of staying pending for ever), then the worker is woken and waited for.
    m__bool__Shutdown.store(true, std::memory_order_release);
    for (;;) {
        SRB_ExecSCSICmd* l__Srb;
        {
            std::lock_guard<std::mutex> l__Guard(m__ListLock);
            l__Srb = UnlinkOldestLocked();
        }
        if (l__Srb == nullptr) break;
        AspiBackend::Complete(*l__Srb, SS_ABORTED);
    }
    m__Semaphore.release();
    if (m__Thread.joinable()) m__Thread.join();
    CloseHandle();
}

void CTarnwick_Device::StopWorker() {
    std::lock_guard<std::mutex> l__Guard(m__ListLock);
    if (m__PCTarnwick_ThreadParameter != nullptr) m__PCTarnwick_ThreadParameter->m__UCHAR__Stop = 1;
}

int CTarnwick_Device::OpenNode() { return PlatformScsiGeneric::Current().Open(m__CHAR__DeviceName); }

void CTarnwick_Device::CloseHandle() {
    if (m__int__Handle >= 0) PlatformScsiGeneric::Current().Close(m__int__Handle);
    m__int__Handle = -1;
}

BYTE CTarnwick_Device::ExecuteRequest(SRB_ExecSCSICmd* p__PSRB_ExecSCSICmd__Srb, bool p__bool__TakeExecutionLock) {
    std::unique_lock<PlatformRecursiveLock> l__Lock(m__ExecutionLock, std::defer_lock);
    if (p__bool__TakeExecutionLock) l__Lock.lock();
    SRB_ExecSCSICmd& l__Srb = *p__PSRB_ExecSCSICmd__Srb;
    PlatformScsiGeneric& l__System = PlatformScsiGeneric::Current();

    UCHAR l__UCHAR__Sense[SENSE_BUFFER_LENGTH] = {};
    PlatformScsiCommand l__Command;
    l__Command.m__PUCHAR__Cdb = l__Srb.CDBByte;
    l__Command.m__UCHAR__CdbLength = std::min<UCHAR>(l__Srb.SRB_CDBLen, sizeof(l__Srb.CDBByte));
    // Data-out wins when both directions are set.
    if ((l__Srb.SRB_Flags & SRB_DIR_OUT) != 0) {
        l__Command.m__Direction = PlatformScsiCommand::TO_DEVICE;
    } else if ((l__Srb.SRB_Flags & SRB_DIR_IN) != 0) {
        l__Command.m__Direction = PlatformScsiCommand::FROM_DEVICE;
    }
    l__Command.m__PVOID__Buffer = l__Srb.SRB_BufPointer;
    l__Command.m__ULONG__Length = l__Srb.SRB_BufLen;
    // Half-seconds to whole seconds, then to the milliseconds SG_IO counts in.
    uint64_t l__ULONGLONG__Milliseconds = static_cast<uint64_t>(GetTimeout() / 2) * 1000;
    l__Command.m__ULONG__TimeoutMilliseconds = static_cast<uint32_t>(std::min<uint64_t>(l__ULONGLONG__Milliseconds, 0xFFFFFFFFu));
    l__Command.m__PUCHAR__Sense = l__UCHAR__Sense;
    l__Command.m__UCHAR__SenseCapacity = SENSE_BUFFER_LENGTH;

    ULONG l__ULONG__Error = 0;
    if (m__UCHAR__ReopenPerRequest == 1) {
        m__int__Handle = OpenNode();
        if (m__int__Handle < 0) {
            l__ULONG__Error = PlatformSystemError::Last();
            DebugPrint("\nCTarnwick_Device::ExecuteRequest(): Invalid handle value 0x%08X, status == %ld!!!\n",
                       static_cast<unsigned>(m__int__Handle), static_cast<long>(l__ULONG__Error));
        }
    }
    bool l__bool__CallSucceeded = false;
    if (m__int__Handle >= 0) {
        l__bool__CallSucceeded = l__System.Execute(m__int__Handle, l__Command);
        if (!l__bool__CallSucceeded) l__ULONG__Error = PlatformSystemError::Last();
    } else if (l__ULONG__Error == 0) {
        l__ULONG__Error = EBADF;
    }
    // A command the kernel could not deliver or finish is a failure even without a SCSI status.
    bool l__bool__TransportError =
        l__bool__CallSucceeded && (l__Command.m__USHORT__HostStatus != 0 || l__Command.m__USHORT__DriverStatus != 0);
    BYTE l__BYTE__TargetStatus = l__bool__CallSucceeded ? l__Command.m__UCHAR__ScsiStatus : 0;

    // Handle policy: a run of successful writes keeps one open handle.
    if ((l__Srb.SRB_Flags & SRB_DIR_OUT) != 0 && l__bool__CallSucceeded && l__BYTE__TargetStatus == 0 &&
        !l__bool__TransportError) {
        m__UCHAR__ReopenPerRequest = 0;
    } else if ((m__UCHAR__LastRequestFlags & SRB_DIR_OUT) == 0) {
        m__UCHAR__ReopenPerRequest = 1;
    }
    m__UCHAR__LastRequestFlags = l__Srb.SRB_Flags;
    if (m__UCHAR__ReopenPerRequest == 1) CloseHandle();

    l__Srb.SRB_HaStat = HASTAT_OK;
    l__Srb.SRB_TargStat = l__BYTE__TargetStatus;
    if (l__BYTE__TargetStatus != 0) {
        // Never beyond the block's own sense area, whatever SRB_SenseLen says.
        size_t l__size_t__Length = std::min<size_t>({l__Srb.SRB_SenseLen, SENSE_BUFFER_LENGTH, sizeof(l__Srb.SenseArea)});
        std::memcpy(l__Srb.SenseArea, l__UCHAR__Sense, l__size_t__Length);
    }
    BYTE l__BYTE__Status = SS_COMP;
    if (!l__bool__CallSucceeded) {
        DebugPrint("\nCTarnwick_Device::ExecuteRequest(): DeviceIoControl() failed, status == %ld, last error == %ld, "
                   "target status %ld!!!\n",
                   0L, static_cast<long>(l__ULONG__Error), static_cast<long>(l__Srb.SRB_TargStat));
        l__BYTE__Status = SS_ERR;
    } else if (l__bool__TransportError) {
        DebugPrint("\nCTarnwick_Device::ExecuteRequest(): SG_IO failed, host status 0x%02X, driver status 0x%02X, "
                   "target status %ld!!!\n",
                   l__Command.m__USHORT__HostStatus, l__Command.m__USHORT__DriverStatus,
                   static_cast<long>(l__Srb.SRB_TargStat));
        // A sense-only driver status goes with CHECK CONDITION: the target status tells.
        if (l__Command.m__USHORT__HostStatus != 0 || (l__Command.m__USHORT__DriverStatus & 0x07) != 0)
            l__Srb.SRB_HaStat = HostAdapterStatus(l__Command);
        l__BYTE__Status = SS_ERR;
    } else if (l__BYTE__TargetStatus != 0) {
        l__BYTE__Status = SS_ERR;
    }
    if ((l__Srb.SRB_Flags & SRB_ENABLE_RESIDUAL_COUNT) != 0) {
        if (l__BYTE__Status == SS_COMP) {
            int64_t l__LONGLONG__Residual = l__Command.m__Direction == PlatformScsiCommand::NONE ? 0 : l__Command.m__LONG__Residual;
            l__Srb.SRB_BufLen = static_cast<DWORD>(std::clamp<int64_t>(l__LONGLONG__Residual, 0, l__Srb.SRB_BufLen));
        } else {
            l__Srb.SRB_BufLen = 0;
        }
    }
    // Stores the status and sets the event: the request is complete when this returns.
    AspiBackend::Complete(l__Srb, l__BYTE__Status);
    return l__BYTE__Status;
}

BYTE CTarnwick_Device::EnqueueRequest(SRB_ExecSCSICmd* p__PSRB_ExecSCSICmd__Srb) {
    std::atomic_ref<BYTE>(p__PSRB_ExecSCSICmd__Srb->SRB_Status).store(SS_PENDING, std::memory_order_release);
    {
        std::lock_guard<std::mutex> l__Guard(m__ListLock);
        if (m__ULONG__Queued < MAXIMUM_QUEUED) {
            SetNext(p__PSRB_ExecSCSICmd__Srb, nullptr);
            SetPrevious(p__PSRB_ExecSCSICmd__Srb, m__PSRB__Tail);
            if (m__PSRB__Tail != nullptr) {
                SetNext(m__PSRB__Tail, p__PSRB_ExecSCSICmd__Srb);
            } else {
                m__PSRB__Head = p__PSRB_ExecSCSICmd__Srb;
            }
            m__PSRB__Tail = p__PSRB_ExecSCSICmd__Srb;
            ++m__ULONG__Queued;
            m__Semaphore.release();
            return SS_PENDING;
        }
    }
    DebugPrint("\nCTarnwick_Device::EnqueueRequest(): Device '%s', ReleaseSemaphore() failed, status %ld\n",
               m__CHAR__DeviceName, static_cast<long>(EOVERFLOW));
    std::atomic_ref<BYTE>(p__PSRB_ExecSCSICmd__Srb->SRB_Status).store(SS_ERR, std::memory_order_release);
    return SS_ERR;
}

SRB_ExecSCSICmd* CTarnwick_Device::UnlinkOldestLocked() {
    SRB_ExecSCSICmd* l__Srb = m__PSRB__Head;
    if (l__Srb == nullptr) return nullptr;
    m__PSRB__Head = Next(l__Srb);
    if (m__PSRB__Head != nullptr) {
        SetPrevious(m__PSRB__Head, nullptr);
    } else {
        m__PSRB__Tail = nullptr;
    }
    SetNext(l__Srb, nullptr);
    SetPrevious(l__Srb, nullptr);
    --m__ULONG__Queued;
    return l__Srb;
}

ULONG CTarnwick_Device::WorkerThread(CTarnwick_ThreadParameter* p__PCTarnwick_ThreadParameter__Parameter) {
    CTarnwick_Device* l__Device = p__PCTarnwick_ThreadParameter__Parameter->m__PCTarnwick_Device__Device;
    UCHAR l__UCHAR__Stop;
    {
        // The device's pointer to the parameter goes with it, so nobody sets the stop flag of
        // a parameter that no longer exists.
        std::lock_guard<std::mutex> l__Guard(l__Device->m__ListLock);
        l__UCHAR__Stop = p__PCTarnwick_ThreadParameter__Parameter->m__UCHAR__Stop;
        l__Device->m__PCTarnwick_ThreadParameter = nullptr;
    }
    delete p__PCTarnwick_ThreadParameter__Parameter;
    if (l__UCHAR__Stop == 1) return 0;
    char l__CHAR__DeviceName[sizeof(l__Device->m__CHAR__DeviceName)];
    std::memcpy(l__CHAR__DeviceName, l__Device->m__CHAR__DeviceName, sizeof(l__CHAR__DeviceName));
    for (;;) {
        l__Device->m__Semaphore.acquire();
        if (l__Device->m__bool__Shutdown.load(std::memory_order_acquire)) return 0;
        SRB_ExecSCSICmd* l__Srb;
        {
            std::lock_guard<std::mutex> l__Guard(l__Device->m__ListLock);
            l__Srb = l__Device->UnlinkOldestLocked();
        }
        if (l__Srb == nullptr) {
            DebugPrint("\nCTarnwick_Device::WorkerThread(): Device '%s', SRB == NULL!!!\n", l__CHAR__DeviceName);
        } else {
            l__Device->ExecuteRequest(l__Srb, false);
        }
    }
}
