#pragma once
#include <memory>
#include <vector>

#include "AspiBackend.h"
#include "CTarnwick_Wrapper.h"

// One host adapter of the machine's own drives in the ASPI library: it forwards each
// request to the pass-through wrapper that all of them share, under the wrapper's own
// host adapter number (the library numbers the machine's drives first, so both agree).
class CTarnwick_WrapperBackend : public AspiBackend {
public:
    CTarnwick_WrapperBackend(std::shared_ptr<CTarnwick_Wrapper> p__Wrapper, BYTE p__BYTE__HostAdapter)
        : m__Wrapper(std::move(p__Wrapper)), m__BYTE__HostAdapter(p__BYTE__HostAdapter) {}

    BYTE ExecScsiCmd(SRB_ExecSCSICmd& p__Srb) override;
    BYTE DeviceType(BYTE p__BYTE__Target, BYTE p__BYTE__Lun) override;
    bool SymbolicName(BYTE p__BYTE__Target, BYTE p__BYTE__Lun, std::string& p__string__Name) override;
    void AdapterInquiry(SRB_HAInquiry& p__Srb) override;
    bool SetTimeout(BYTE p__BYTE__Target, BYTE p__BYTE__Lun, DWORD p__DWORD__HalfSeconds) override;
    bool GetTimeout(BYTE p__BYTE__Target, BYTE p__BYTE__Lun, DWORD& p__DWORD__HalfSeconds) override;

    // The machine's drives: one backend per host adapter of a freshly scanned wrapper.
    // Registered with the ASPI library as its machine drives.
    static std::vector<std::unique_ptr<AspiBackend>> CreateMachineDrives();
    // What the last scan of CreateMachineDrives found but could not use.
    static std::vector<CTarnwick_Wrapper::Finding> LastSurvey();

private:
    BYTE TimeoutRequest(BYTE p__BYTE__Flags, BYTE p__BYTE__Target, BYTE p__BYTE__Lun, DWORD& p__DWORD__HalfSeconds);

    std::shared_ptr<CTarnwick_Wrapper> m__Wrapper;
    BYTE m__BYTE__HostAdapter;
};
