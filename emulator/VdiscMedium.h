#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The kinds of medium the recorder takes, with what a drive reports for each blank one.
enum class VdiscMediumKind : uint8_t {
    None = 0,
    CdR,
    CdRw,
    DvdR,        // DVD-R, sequential recording
    DvdRwSeq,    // DVD-RW, sequential recording
    DvdRwRo,     // DVD-RW, restricted overwrite
    DvdPlusR,
    DvdPlusRw,
    DvdRam,
    BdR,         // BD-R, sequential recording
    BdRe,
};

struct VdiscMediumInfo {
    VdiscMediumKind m__Kind;
    const char* m__PCHAR__Name;         // as the tool spells it
    const char* m__PCHAR__Description;  // as `info` prints it
    uint16_t m__USHORT__Profile;        // MMC profile number
    bool m__bool__IsCd;
    bool m__bool__IsErasable;
    bool m__bool__IsRandomWritable;  // written anywhere once formatted (DVD+RW, DVD-RAM, DVD-RW restricted overwrite, BD-RE)
    int32_t m__LONG__Capacity;       // user blocks of the blank medium, one layer (CD: last possible lead-out start)
    int32_t m__LONG__LeadInStart;    // CD: LBA of the first lead-in (negative); DVD: 0
};

// A format READ FORMAT CAPACITIES offers and FORMAT UNIT takes.
struct VdiscFormatRow {
    uint32_t m__ULONG__Blocks;
    uint8_t m__UCHAR__Type;       // format type (30h: with spare areas, 31h: without)
    uint32_t m__ULONG__Parameter;  // type-dependent parameter (30h: spare clusters of 32 blocks)
};

class VdiscMedium {
public:
    static const VdiscMediumInfo& Info(VdiscMediumKind p__Kind);
    // Looks a kind up by its tool name ("cdr", "dvdplusrw", ...); false when unknown.
    static bool FromName(const std::string& p__string__Name, VdiscMediumKind& p__Kind);
    static std::string Names();  // "cdr|cdrw|..." for help texts
    // The formats a BD-RE of one or two layers offers, the drive's default first.
    static std::vector<VdiscFormatRow> BdReFormats(uint8_t p__UCHAR__Layers);
};
