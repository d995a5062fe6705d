#include "VdiscMedium.h"

namespace {
// CD capacity: an 80-minute disc whose last possible lead-out starts at 79:59:74
// (LBA 359849). Single-layer DVD±R/RW: 2,295,104 blocks; 4.7 GB DVD-RAM: 2,236,704.
const VdiscMediumInfo g__Media[] = {
    {VdiscMediumKind::None, "none", "no medium", 0x0000, false, false, false, 0, 0},
    {VdiscMediumKind::CdR, "cdr", "CD-R", 0x0009, true, false, false, 359849, -11634},
    {VdiscMediumKind::CdRw, "cdrw", "CD-RW", 0x000A, true, true, false, 359849, -11625},
    {VdiscMediumKind::DvdR, "dvdr", "DVD-R (sequential recording)", 0x0011, false, false, false, 2295104, 0},
    {VdiscMediumKind::DvdRwSeq, "dvdrw", "DVD-RW (sequential recording)", 0x0014, false, true, false, 2295104, 0},
    {VdiscMediumKind::DvdRwRo, "dvdrw-ro", "DVD-RW (restricted overwrite)", 0x0013, false, true, true, 2295104, 0},
    {VdiscMediumKind::DvdPlusR, "dvdplusr", "DVD+R", 0x001B, false, false, false, 2295104, 0},
    {VdiscMediumKind::DvdPlusRw, "dvdplusrw", "DVD+RW", 0x001A, false, true, true, 2295104, 0},
    {VdiscMediumKind::DvdRam, "dvdram", "DVD-RAM", 0x0012, false, true, true, 2236704, 0},
};
}  // namespace

const VdiscMediumInfo& VdiscMedium::Info(VdiscMediumKind p__Kind) {
    for (const VdiscMediumInfo& l__Info : g__Media)
        if (l__Info.m__Kind == p__Kind) return l__Info;
    return g__Media[0];
}

bool VdiscMedium::FromName(const std::string& p__string__Name, VdiscMediumKind& p__Kind) {
    for (const VdiscMediumInfo& l__Info : g__Media) {
        if (l__Info.m__Kind != VdiscMediumKind::None && p__string__Name == l__Info.m__PCHAR__Name) {
            p__Kind = l__Info.m__Kind;
            return true;
        }
    }
    return false;
}

std::string VdiscMedium::Names() {
    std::string l__string__Names;
    for (const VdiscMediumInfo& l__Info : g__Media) {
        if (l__Info.m__Kind == VdiscMediumKind::None) continue;
        if (!l__string__Names.empty()) l__string__Names += "|";
        l__string__Names += l__Info.m__PCHAR__Name;
    }
    return l__string__Names;
}
