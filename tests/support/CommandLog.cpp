#include "CommandLog.h"

#include <algorithm>

ScriptedCommand CommandLog::Record(const SRB_ExecSCSICmd& p__Srb, bool p__KeepWriteData) {
    ScriptedCommand l__Command;
    l__Command.m__Target = p__Srb.SRB_Target;
    l__Command.m__Lun = p__Srb.SRB_Lun;
    l__Command.m__Flags = p__Srb.SRB_Flags;
    l__Command.m__Cdb.assign(p__Srb.CDBByte, p__Srb.CDBByte + p__Srb.SRB_CDBLen);
    l__Command.m__BufferLength = p__Srb.SRB_BufLen;
    // Data sent to the drive is kept: parameter lists always, WRITE(10) data when asked.
    bool l__bool__IsWrite = p__Srb.SRB_CDBLen > 0 && p__Srb.CDBByte[0] == 0x2A;
    if ((p__Srb.SRB_Flags & SRB_DIR_OUT) != 0 && p__Srb.SRB_BufPointer != nullptr && (p__KeepWriteData || !l__bool__IsWrite))
        l__Command.m__DataOut.assign(p__Srb.SRB_BufPointer, p__Srb.SRB_BufPointer + p__Srb.SRB_BufLen);
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    m__Commands.push_back(l__Command);
    return l__Command;
}

std::vector<ScriptedCommand> CommandLog::Commands() {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    return m__Commands;
}

std::vector<uint8_t> CommandLog::Opcodes() {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    std::vector<uint8_t> l__Opcodes;
    for (const ScriptedCommand& c : m__Commands) l__Opcodes.push_back(c.m__Cdb.empty() ? 0 : c.m__Cdb[0]);
    return l__Opcodes;
}

size_t CommandLog::CountOpcode(uint8_t p__Opcode) {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    return static_cast<size_t>(std::count_if(m__Commands.begin(), m__Commands.end(), [&](const ScriptedCommand& c) {
        return !c.m__Cdb.empty() && c.m__Cdb[0] == p__Opcode;
    }));
}

void CommandLog::Clear() {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    m__Commands.clear();
}
