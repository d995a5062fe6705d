#pragma once
#include <atomic>
#include <mutex>
#include <semaphore>
#include <string>
#include <thread>

#include "PlatformRecursiveLock.h"
#include "PlatformScsiGeneric.h"
#include "tarnwick_types.h"
#include "wnaspi32.h"

class CTarnwick_ThreadParameter;

// One CD/DVD drive reached through the SCSI generic pass-through (SG_IO). It knows its
// node and its kernel SCSI address, turns an SRB_ExecSCSICmd into one SG_IO command and
// back, and owns a worker thread that carries out queued requests in order.
//
// Requests are queued without allocation: the two list links (forward, backward; 8 bytes
// each) live in the block itself, the forward link in SRB_Rsvd2 and the backward link in
// the first 8 bytes of SRB_Rsvd3. A queued block must stay alive until it has completed.
//
// The destructor ends the requests still queued with SS_ABORTED (their events are set),
// so nobody waits for them for ever, then wakes the worker and waits for it to end.
class CTarnwick_Device {
public:
    // Nodes scanned by index ("/dev/sg%u", 0-25) and the named nodes ("/dev/sr%u", 0-14).
    static constexpr ULONG INDEX_COUNT = 26;
    static constexpr ULONG NAMED_COUNT = 15;
    static constexpr ULONG DEFAULT_TIMEOUT = 108000;  // half-seconds
    static constexpr UCHAR CDDVD_DEVICE_TYPE = 5;
    // Status of the exception for a node that is no CD/DVD unit (or no unit at all).
    static constexpr ULONG STATUS_NOT_CDDVD = 15;

    // Why a constructor raised, for the discovery's report (optional out-parameter).
    enum PROBLEM { PROBLEM_NONE, PROBLEM_ABSENT, PROBLEM_OPEN, PROBLEM_ADDRESS, PROBLEM_NOT_CDDVD, PROBLEM_RESOURCES };
    struct Failure {
        PROBLEM m__PROBLEM__Problem = PROBLEM_NONE;
        ULONG m__ULONG__Error = 0;  // errno of the failed call
        UCHAR m__UCHAR__Type = 0x1F;  // peripheral type, for PROBLEM_NOT_CDDVD
    };

    // The sg node of an index; raises exception 5 (status 15) when the node is absent or
    // its unit is not of peripheral type 5, exception 5 (errno) when it cannot be opened
    // or its address cannot be read.
    explicit CTarnwick_Device(ULONG p__ULONG__Index, Failure* p__Failure = nullptr);
    // A named node; an address that cannot be read leaves it zero and not valid.
    explicit CTarnwick_Device(const char* p__PCHAR__Name, Failure* p__Failure = nullptr);
    virtual ~CTarnwick_Device();
    CTarnwick_Device(const CTarnwick_Device&) = delete;
    CTarnwick_Device& operator=(const CTarnwick_Device&) = delete;

    // Carries out one request on the calling thread; returns the status also stored in
    // SRB_Status (SS_COMP or SS_ERR). With SRB_EVENT_NOTIFY its event is set before return.
    BYTE ExecuteRequest(SRB_ExecSCSICmd* p__PSRB_ExecSCSICmd__Srb, bool p__bool__TakeExecutionLock);
    // Queues a request for the worker: SS_PENDING, or SS_ERR when it cannot be queued.
    BYTE EnqueueRequest(SRB_ExecSCSICmd* p__PSRB_ExecSCSICmd__Srb);
    // The worker's procedure; returns 0.
    static ULONG WorkerThread(CTarnwick_ThreadParameter* p__PCTarnwick_ThreadParameter__Parameter);

    // Tells a worker that has not started yet to end at once (discovery, before it drops a device).
    void StopWorker();
    // Marks the address as not usable (an orphan).
    void ForgetAddress() { m__UCHAR__AddressValid = 0; }

    // The node of an index, and of a named node number.
    static std::string IndexNodeName(ULONG p__ULONG__Index);
    static std::string NamedNodeName(ULONG p__ULONG__Number);

    const char* GetDeviceName() const { return m__CHAR__DeviceName; }
    const PlatformScsiAddress& GetAddress() const { return m__Address; }
    bool IsAddressValid() const { return m__UCHAR__AddressValid != 0; }
    ULONG GetTimeout() const { return m__ULONG__Timeout.load(std::memory_order_relaxed); }
    void SetTimeout(ULONG p__ULONG__HalfSeconds) { m__ULONG__Timeout.store(p__ULONG__HalfSeconds, std::memory_order_relaxed); }

private:
    void OpenForConstruction(Failure* p__Failure);
    void StartWorker();
    int OpenNode();
    void CloseHandle();
    SRB_ExecSCSICmd* UnlinkOldestLocked();

    PlatformScsiAddress m__Address;
    UCHAR m__UCHAR__AddressValid = 0;
    char m__CHAR__DeviceName[260] = {};
    PlatformRecursiveLock m__ExecutionLock;
    std::mutex m__ListLock;
    SRB_ExecSCSICmd* m__PSRB__Head = nullptr;
    SRB_ExecSCSICmd* m__PSRB__Tail = nullptr;
    ULONG m__ULONG__Queued = 0;
    std::counting_semaphore<0x7FFFFFFF> m__Semaphore{0};
    int m__int__Handle = -1;
    std::atomic<ULONG> m__ULONG__Timeout{DEFAULT_TIMEOUT};
    UCHAR m__UCHAR__LastRequestFlags = 0;
    UCHAR m__UCHAR__ReopenPerRequest = 1;
    std::atomic<bool> m__bool__Shutdown{false};
    CTarnwick_ThreadParameter* m__PCTarnwick_ThreadParameter = nullptr;
    std::thread m__Thread;
};
