#include "CTarnwick_CliDiscWords.h"

const char* CTarnwick_CliDiscWords::TypeName(ULONG p__ULONG__DiscType) {
    switch (p__ULONG__DiscType) {
        case TARNWICK_DISC_TYPE_CDROM: return "CD-ROM";
        case TARNWICK_DISC_TYPE_CDR: return "CD-R";
        case TARNWICK_DISC_TYPE_CDRW: return "CD-RW";
        case TARNWICK_DISC_TYPE_DVDROM: return "DVD-ROM";
        case TARNWICK_DISC_TYPE_DVDR: return "DVD-R";
        case TARNWICK_DISC_TYPE_DVDRAM: return "DVD-RAM";
        case TARNWICK_DISC_TYPE_DVDRW_RO: return "DVD-RW (restricted overwrite)";
        case TARNWICK_DISC_TYPE_DVDRW_SR: return "DVD-RW (sequential)";
        case TARNWICK_DISC_TYPE_DVDPLUSRW: return "DVD+RW";
        case TARNWICK_DISC_TYPE_DDCDROM: return "DDCD-ROM";
        case TARNWICK_DISC_TYPE_DDCDR: return "DDCD-R";
        case TARNWICK_DISC_TYPE_DDCDRW: return "DDCD-RW";
        case TARNWICK_DISC_TYPE_DVDPLUSR: return "DVD+R";
        case TARNWICK_DISC_TYPE_BDROM: return "BD-ROM";
        case TARNWICK_DISC_TYPE_BDR: return "BD-R";
        case TARNWICK_DISC_TYPE_BDRE: return "BD-RE";
        default: return "unknown medium";
    }
}

bool CTarnwick_CliDiscWords::IsCd(ULONG p__ULONG__DiscType) {
    switch (p__ULONG__DiscType) {
        case TARNWICK_DISC_TYPE_CDROM:
        case TARNWICK_DISC_TYPE_CDR:
        case TARNWICK_DISC_TYPE_CDRW:
        case TARNWICK_DISC_TYPE_DDCDROM:
        case TARNWICK_DISC_TYPE_DDCDR:
        case TARNWICK_DISC_TYPE_DDCDRW:
            return true;
        default:
            return false;
    }
}

bool CTarnwick_CliDiscWords::IsBluRay(ULONG p__ULONG__DiscType) {
    return p__ULONG__DiscType == TARNWICK_DISC_TYPE_BDROM || p__ULONG__DiscType == TARNWICK_DISC_TYPE_BDR ||
           p__ULONG__DiscType == TARNWICK_DISC_TYPE_BDRE;
}

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

double CTarnwick_CliDiscWords::BytesPerX(ULONG p__ULONG__DiscType, ULONG p__ULONG__BlockBytes) {
    if (IsBluRay(p__ULONG__DiscType)) return 4495500.0;
    if (IsCd(p__ULONG__DiscType)) return 75.0 * p__ULONG__BlockBytes;
    if (p__ULONG__DiscType == TARNWICK_DISC_TYPE_UNSUPPORTED) return 0;
    return 1385000.0;
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
