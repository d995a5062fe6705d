#include "VdiscMedium.h"

namespace {
// CD capacity: an 80-minute disc whose last possible lead-out starts at 79:59:74
// (LBA 359849). Single-layer DVD±R/RW: 2,295,104 blocks; 4.7 GB DVD-RAM: 2,236,704.
// A Blu-ray layer: 12,219,392 blocks, the whole user area with no spare areas taken from it.
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
    {VdiscMediumKind::BdR, "bdr", "BD-R (sequential recording)", 0x0041, false, false, false, 12219392, 0},
    {VdiscMediumKind::BdRe, "bdre", "BD-RE", 0x0043, false, true, true, 12219392, 0},
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

std::vector<VdiscFormatRow> VdiscMedium::BdReFormats(uint8_t p__UCHAR__Layers) {
    // Spare areas as the parameter of a 30h row counts them (clusters of 32 blocks): the drive's
    // default, the largest and the smallest, then the whole user area without spare areas.
    if (p__UCHAR__Layers == 2)
        return {{23652352, 0x30, 0x6000}, {23128064, 0x30, 0xA000}, {24176640, 0x30, 0x2000}, {24438784, 0x31, 0x0800}};
    return {{11826176, 0x30, 0x3000}, {11564032, 0x30, 0x5000}, {12088320, 0x30, 0x1000}, {12219392, 0x31, 0x0800}};
}
