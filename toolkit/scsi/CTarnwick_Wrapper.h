#pragma once
#include <memory>
#include <string>
#include <vector>

#include "CTarnwick_Device.h"
#include "tarnwick_types.h"
#include "wnaspi32.h"

// Answers ASPI request blocks for the machine's own CD/DVD drives through the SCSI
// generic pass-through. Init finds the drives (the sg nodes "/dev/sg0"-"/dev/sg25" whose
// unit is of peripheral type 5, then "/dev/sr0"-"/dev/sr14") and enters each once in a
// table of 32 host adapters x 128 targets: a drive whose kernel address has channel 0
// and LUN 0 at [host number][target ID]; a drive without a usable address (an orphan)
// at a host adapter of its own after all others, target 0. Every drive is LUN 0.
//
// Limits of the table: a drive whose host number is above 31 or whose target ID is
// above 127, and an orphan that would need a host adapter number above 31, are not
// entered (one trace line each, and a finding in Survey()). Requests naming a host
// adapter at or above the count get SS_INVALID_HA; a target above 127 (or an empty
// entry, or a LUN other than 0) gets SS_NO_DEVICE.
//
// Time-outs (SC_GETSET_TIMEOUTS) address a drive by its place in the table (host
// adapter, target, LUN 0; 0xFF for any), and report SS_COMP when at least one drive
// matched, SS_NO_DEVICE when none did.
class CTarnwick_Wrapper {
public:
    static constexpr ULONG MAXIMUM_HOST_ADAPTERS = 32;
    static constexpr ULONG MAXIMUM_TARGETS = 128;
    static constexpr ULONG MAXIMUM_ORPHANS = 128;
    static constexpr ULONG MAXIMUM_TIMEOUT = 108000;  // half-seconds

    // A node the scan found but could not use, and why.
    enum FINDING_REASON {
        FINDING_NO_PERMISSION,    // opening it was refused (EACCES, EPERM)
        FINDING_BUSY,             // someone else holds it (EBUSY)
        FINDING_CANNOT_OPEN,      // any other error of opening
        FINDING_NOT_CDDVD,        // an sg node whose unit is not of type 5
        FINDING_NO_ADDRESS,       // its SCSI address could not be read
        FINDING_IGNORED_ADDRESS,  // its address has a channel or LUN other than 0
        FINDING_OUTSIDE_TABLE     // host or target number beyond the table's limits
    };
    struct Finding {
        std::string m__string__Node;
        FINDING_REASON m__FINDING_REASON__Reason = FINDING_CANNOT_OPEN;
        ULONG m__ULONG__Error = 0;     // errno, where a call failed
        UCHAR m__UCHAR__Type = 0x1F;   // peripheral type, for FINDING_NOT_CDDVD
        std::string m__string__Group;  // owner group, for FINDING_NO_PERMISSION
    };
    // One line (without newline) naming the node, the reason and, for a refused open, the remedy.
    static std::string DescribeFinding(const Finding& p__Finding);

    CTarnwick_Wrapper();
    virtual ~CTarnwick_Wrapper();
    CTarnwick_Wrapper(const CTarnwick_Wrapper&) = delete;
    CTarnwick_Wrapper& operator=(const CTarnwick_Wrapper&) = delete;

    // Fills the table (again); called by the constructor and by SC_RESCAN_SCSI_BUS.
    void Init();
    // Carries out one request block; returns its status, also stored in SRB_Status.
    BYTE SendASPI32Command(void* p__PVOID__Srb);
    // The first /dev/disk/by-path link (else /dev/disk/by-id link) that resolves to the
    // node, into p__PCHAR__Output (260 bytes; unchanged when there is none). Returns 0,
    // or the error code when neither directory can be listed.
    ULONG GetMountMgrSymbolicLinkName(const char* p__PCHAR__DeviceName, char* p__PCHAR__Output);

    UCHAR GetHostAdapterCount() const { return m__UCHAR__HostAdapterCount; }
    // The nodes of the last Init that were found but not used.
    const std::vector<Finding>& Survey() const { return m__Findings; }

private:
    void DestroyAll();
    void Record(const std::string& p__string__Node, const CTarnwick_Device::Failure& p__Failure);
    void Refuse(std::unique_ptr<CTarnwick_Device> p__Device, FINDING_REASON p__Reason);
    // Enters a drive with a usable address, unless it lies outside the table or is the drive
    // already entered through another node.
    void Enter(std::unique_ptr<CTarnwick_Device> p__Device);
    CTarnwick_Device* DeviceAt(BYTE p__BYTE__HostAdapter, BYTE p__BYTE__Target, BYTE p__BYTE__Lun);
    BYTE RefuseHostAdapter(const char* p__PCHAR__Name, BYTE p__BYTE__HostAdapter);

    BYTE ScHaInquiry(SRB_HAInquiry& p__Srb);
    BYTE ScGetDevType(SRB_GDEVBlock& p__Srb);
    BYTE ScExecScsiCmd(SRB_ExecSCSICmd& p__Srb);
    BYTE ScGetSetTimeouts(SRB_GetSetTimeouts& p__Srb);
    BYTE ScGetSymbolicName(SRB_GetSymbolicName& p__Srb);

    UCHAR m__UCHAR__HostAdapterCount = 0;
    std::unique_ptr<CTarnwick_Device> m__Table[MAXIMUM_HOST_ADAPTERS][MAXIMUM_TARGETS];
    std::vector<Finding> m__Findings;
};
