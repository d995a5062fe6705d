#pragma once
#include <cstdint>
#include <mutex>
#include <vector>

#include "wnaspi32.h"

// A command a drive received.
struct ScriptedCommand {
    uint8_t m__Target = 0;
    uint8_t m__Lun = 0;
    uint8_t m__Flags = 0;
    std::vector<uint8_t> m__Cdb;
    uint32_t m__BufferLength = 0;
    std::vector<uint8_t> m__DataOut;
};

// The commands a test drive received, in order (thread-safe).
class CommandLog {
public:
    // Records a request as it arrives, with the parameter data it sends (and the data of
    // WRITE(10) too when p__KeepWriteData).
    ScriptedCommand Record(const SRB_ExecSCSICmd& p__Srb, bool p__KeepWriteData);
    std::vector<ScriptedCommand> Commands();
    std::vector<uint8_t> Opcodes();
    size_t CountOpcode(uint8_t p__Opcode);
    void Clear();

private:
    std::mutex m__Lock;
    std::vector<ScriptedCommand> m__Commands;
};

// The first command with the opcode at or after p__From, or the list's size when none.
inline size_t IndexOfOpcode(const std::vector<ScriptedCommand>& p__Commands, uint8_t p__Op, size_t p__From = 0) {
    for (size_t i = p__From; i < p__Commands.size(); ++i)
        if (p__Commands[i].m__Cdb[0] == p__Op) return i;
    return p__Commands.size();
}

// The last command with the opcode, or the list's size when none.
inline size_t LastIndexOfOpcode(const std::vector<ScriptedCommand>& p__Commands, uint8_t p__Op) {
    for (size_t i = p__Commands.size(); i-- > 0;)
        if (p__Commands[i].m__Cdb[0] == p__Op) return i;
    return p__Commands.size();
}
