#include "ModePageDrive.h"

ModePageDrive::ModePageDrive(ScriptedBackend& p__Drive) : m__Drive(p__Drive) {
    std::vector<uint8_t> l__Caps(28, 0);
    l__Caps[0] = 0x2A;
    l__Caps[1] = 26;
    l__Caps[2] = 0x3B;
    l__Caps[3] = 0x37;
    l__Caps[4] = 0x80;  // BUP supported
    l__Caps[8] = 0x1B;  // maximum read 7056 KB/s
    l__Caps[9] = 0x90;
    l__Caps[12] = 0x08;  // 2048 KB buffer
    l__Caps[14] = 0x0B;  // current read 2822
    l__Caps[15] = 0x06;
    l__Caps[18] = 0x1B;  // maximum write 7056
    l__Caps[19] = 0x90;
    l__Caps[20] = 0x06;  // current write 1764
    l__Caps[21] = 0xE4;
    m__Pages[0x2A] = l__Caps;
    std::vector<uint8_t> l__Write(58, 0);
    l__Write[0] = 0x85;  // PS set, as drives report
    l__Write[1] = 56;
    l__Write[2] = 0x01;
    l__Write[3] = 0x04;
    l__Write[4] = 0x08;
    m__Pages[0x05] = l__Write;
    std::vector<uint8_t> l__Recovery(12, 0);
    l__Recovery[0] = 0x01;
    l__Recovery[1] = 10;
    l__Recovery[2] = 0x20;
    l__Recovery[3] = 0x05;
    m__Pages[0x01] = l__Recovery;
    m__Defaults = m__Pages;

    m__Drive.Respond(0x5A, [this](const ScriptedCommand& c) {
        uint8_t l__Page = c.m__Cdb[2] & 0x3F;
        auto& l__Source = ((c.m__Cdb[2] >> 6) == 2) ? m__Defaults : m__Pages;
        auto l__Found = l__Source.find(l__Page);
        if (l__Found == l__Source.end()) return ScriptedAnswer::Check(0x05, 0x24, 0x00);
        std::vector<uint8_t> l__Data(8, 0);
        l__Data.insert(l__Data.end(), l__Found->second.begin(), l__Found->second.end());
        return ScriptedAnswer::Good(l__Data);
    });
    m__Drive.Respond(0x55, [this](const ScriptedCommand& c) {
        if (c.m__DataOut.size() < 10) return ScriptedAnswer::Check(0x05, 0x1A, 0x00);
        uint8_t l__Page = c.m__DataOut[8] & 0x3F;
        if ((c.m__DataOut[8] & 0x80) != 0) return ScriptedAnswer::Check(0x05, 0x26, 0x00);  // PS is reserved
        if (m__Refused.count(c.m__DataOut[8 + 2] & 0x0F) && l__Page == 0x05)
            return ScriptedAnswer::Check(0x05, 0x26, 0x00);
        if (m__Pages.find(l__Page) == m__Pages.end()) return ScriptedAnswer::Check(0x05, 0x26, 0x00);
        m__Pages[l__Page].assign(c.m__DataOut.begin() + 8, c.m__DataOut.end());
        m__Selected.push_back(c.m__DataOut);
        return ScriptedAnswer::Good();
    });
    m__Drive.Respond(0x46, [this](const ScriptedCommand&) {
        if (m__Profile < 0) return ScriptedAnswer::Check(0x05, 0x20, 0x00);
        std::vector<uint8_t> l__Data(8, 0);
        l__Data[3] = 4;
        l__Data[6] = static_cast<uint8_t>(m__Profile >> 8);
        l__Data[7] = static_cast<uint8_t>(m__Profile);
        return ScriptedAnswer::Good(l__Data);
    });
}
