#include "CTarnwick_CliFailure.h"

#include <cstdio>
#include <utility>

CTarnwick_CliFailure::CTarnwick_CliFailure(std::string p__string__Operation, std::string p__string__Drive,
                                           ULONG p__ULONG__Number, std::string p__string__Text, ULONG p__ULONG__Status,
                                           const CDB_FAILURE_INFORMATION& p__Info)
    : m__string__Operation(std::move(p__string__Operation)),
      m__string__Drive(std::move(p__string__Drive)),
      m__ULONG__Number(p__ULONG__Number),
      m__string__Text(std::move(p__string__Text)),
      m__ULONG__Status(p__ULONG__Status) {
    Decode(p__Info);
    ChooseRemedy();
}

CTarnwick_CliFailure::CTarnwick_CliFailure(std::string p__string__Operation, std::string p__string__Drive,
                                           ULONG p__ULONG__Number, std::string p__string__Text,
                                           std::string p__string__Remedy)
    : m__string__Operation(std::move(p__string__Operation)),
      m__string__Drive(std::move(p__string__Drive)),
      m__ULONG__Number(p__ULONG__Number),
      m__string__Text(std::move(p__string__Text)),
      m__string__Remedy(std::move(p__string__Remedy)) {
    if (m__string__Remedy.empty()) ChooseRemedy();
}

void CTarnwick_CliFailure::Decode(const CDB_FAILURE_INFORMATION& p__Info) {
    if (p__Info.m__UCHAR__IsValid == 0) return;
    const unsigned l__unsigned__Length = p__Info.m__UCHAR__CDBLength <= 16 ? p__Info.m__UCHAR__CDBLength : 16;
    char l__CHAR__Hex[4];
    for (unsigned i = 0; i < l__unsigned__Length; ++i) {
        std::snprintf(l__CHAR__Hex, sizeof(l__CHAR__Hex), i == 0 ? "%02X" : " %02X", p__Info.m__UCHAR__CDB[i]);
        m__string__Cdb.append(l__CHAR__Hex);
    }
    if (l__unsigned__Length > 0) {
        std::snprintf(l__CHAR__Hex, sizeof(l__CHAR__Hex), "%02X", p__Info.m__UCHAR__CDB[0]);
        m__string__Command = std::string("command ").append(l__CHAR__Hex).append("h");
    }
    if ((p__Info.m__UCHAR__Sense[0] & 0x70) == 0x70) {
        m__bool__HasSense = true;
        m__UCHAR__Key = p__Info.m__UCHAR__Sense[2] & 0x0F;
        m__UCHAR__Asc = p__Info.m__UCHAR__Sense[12];
        m__UCHAR__Ascq = p__Info.m__UCHAR__Sense[13];
        char l__CHAR__Sense[32];
        std::snprintf(l__CHAR__Sense, sizeof(l__CHAR__Sense), "%X/%02X/%02X", m__UCHAR__Key, m__UCHAR__Asc, m__UCHAR__Ascq);
        m__string__Sense = l__CHAR__Sense;
    }
}

void CTarnwick_CliFailure::ChooseRemedy() {}

std::vector<std::string> CTarnwick_CliFailure::Lines() const {
    std::vector<std::string> l__Lines;
    std::string l__string__First = "tarnwick ";
    l__string__First.append(m__string__Operation);
    if (!m__string__Drive.empty()) l__string__First.append(" on ").append(m__string__Drive);
    l__string__First.append(" failed (").append(std::to_string(m__ULONG__Number)).append("): ").append(m__string__Text);
    l__Lines.push_back(l__string__First);
    if (!m__string__Command.empty()) {
        std::string l__string__Line = "  command: ";
        l__string__Line.append(m__string__Command).append(" [").append(m__string__Cdb).append("]");
        l__Lines.push_back(l__string__Line);
    }
    if (!m__string__Sense.empty()) l__Lines.push_back(std::string("  sense: ").append(m__string__Sense));
    if (!m__string__Remedy.empty()) l__Lines.push_back(std::string("  remedy: ").append(m__string__Remedy));
    return l__Lines;
}
