#pragma once
#include <cstdint>
#include <string>

#include "AspiBackend.h"
#include "FuzzInput.h"

// A drive whose every answer comes from a fuzzer's input: for each command, a status choice,
// then the reply's length and bytes (or the sense of a CHECK CONDITION). A device type 05h
// unit at target 0; when the input is used up, every command is GOOD with no data.
class FuzzReplyBackend : public AspiBackend {
public:
    explicit FuzzReplyBackend(FuzzInput& p__Input) : m__Input(p__Input) {}

    BYTE ExecScsiCmd(SRB_ExecSCSICmd& p__SRB_ExecSCSICmd__Srb) override;
    BYTE DeviceType(BYTE p__BYTE__Target, BYTE p__BYTE__Lun) override { return p__BYTE__Target == 0 && p__BYTE__Lun == 0 ? 0x05 : 0x1F; }
    bool SymbolicName(BYTE p__BYTE__Target, BYTE p__BYTE__Lun, std::string& p__string__Name) override;

    uint32_t Commands() const { return m__ULONG__Commands; }

private:
    FuzzInput& m__Input;
    uint32_t m__ULONG__Commands = 0;
};
