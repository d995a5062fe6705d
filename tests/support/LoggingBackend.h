#pragma once
#include <memory>

#include "AspiBackend.h"
#include "CommandLog.h"

// Passes every request to a real backend and keeps a log of the commands, so that
// tests can see the sequence a drive received.
class LoggingBackend : public AspiBackend {
public:
    explicit LoggingBackend(std::unique_ptr<AspiBackend> p__Inner) : m__Inner(std::move(p__Inner)) {}

    BYTE ExecScsiCmd(SRB_ExecSCSICmd& p__Srb) override {
        m__Log.Record(p__Srb, false);
        return m__Inner->ExecScsiCmd(p__Srb);
    }
    BYTE DeviceType(BYTE p__Target, BYTE p__Lun) override { return m__Inner->DeviceType(p__Target, p__Lun); }
    bool SymbolicName(BYTE p__Target, BYTE p__Lun, std::string& p__Name) override {
        return m__Inner->SymbolicName(p__Target, p__Lun, p__Name);
    }
    void AdapterInquiry(SRB_HAInquiry& p__Srb) override { m__Inner->AdapterInquiry(p__Srb); }

    std::vector<ScriptedCommand> Commands() { return m__Log.Commands(); }
    std::vector<uint8_t> Opcodes() { return m__Log.Opcodes(); }
    size_t CountOpcode(uint8_t p__Opcode) { return m__Log.CountOpcode(p__Opcode); }
    void ClearCommands() { m__Log.Clear(); }

private:
    std::unique_ptr<AspiBackend> m__Inner;
    CommandLog m__Log;
};
