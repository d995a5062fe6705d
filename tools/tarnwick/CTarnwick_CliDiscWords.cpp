#include "CTarnwick_CliDiscWords.h"

const char* CTarnwick_CliDiscWords::StatusName(UCHAR p__UCHAR__DiscStatus) {
    switch (p__UCHAR__DiscStatus & 0x03) {
        case 0: return "blank";
        case 1: return "appendable";
        case 2: return "closed";
        default: return "overwritable";
    }
}

const char* CTarnwick_CliDiscWords::SessionStateName(UCHAR p__UCHAR__State) {
    switch (p__UCHAR__State & 0x03) {
        case 0: return "empty";
        case 1: return "incomplete";
        case 2: return "reserved";
        default: return "complete";
    }
}

const char* CTarnwick_CliDiscWords::KindName(const TOC_TRACK_ENTRY& p__Entry) {
    return p__Entry.m__UCHAR__IsAudio != 0 ? "audio" : "data";
}

std::string CTarnwick_CliDiscWords::ModeName(const TOC_TRACK_ENTRY& p__Entry) {
    if (p__Entry.m__UCHAR__IsAudio != 0) return "audio";
    std::string l__string__Mode = "mode ";
    l__string__Mode.append(std::to_string(p__Entry.m__UCHAR__DataMode == 0 ? 1 : p__Entry.m__UCHAR__DataMode));
    if (p__Entry.m__UCHAR__Form != 0) l__string__Mode.append(" form ").append(std::to_string(p__Entry.m__UCHAR__Form));
    return l__string__Mode;
}

CTarnwick_CliReporter::Field CTarnwick_CliDiscWords::List(const std::string& p__string__Name,
                                                          const std::vector<std::string>& p__Words) {
    std::string l__string__Array = "[";
    for (size_t i = 0; i < p__Words.size(); ++i) {
        if (i != 0) l__string__Array.append(",");
        l__string__Array.append(CTarnwick_CliReporter::JsonString(p__Words[i]));
    }
    l__string__Array.append("]");
    // Written as it is, like a number.
    return {p__string__Name, l__string__Array, true};
}

std::string CTarnwick_CliDiscWords::Joined(const std::vector<std::string>& p__Words, const std::string& p__string__Empty) {
    if (p__Words.empty()) return p__string__Empty;
    std::string l__string__Text;
    for (const std::string& l__string__Word : p__Words) {
        if (!l__string__Text.empty()) l__string__Text.append(" ");
        l__string__Text.append(l__string__Word);
    }
    return l__string__Text;
}
