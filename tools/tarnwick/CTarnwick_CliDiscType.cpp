#include "CTarnwick_CliDiscType.h"

#include "tarnwick.h"

const char* CTarnwick_CliDiscType::Name(ULONG p__ULONG__Type) {
    switch (p__ULONG__Type) {
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

bool CTarnwick_CliDiscType::IsCd(ULONG p__ULONG__Type) {
    switch (p__ULONG__Type) {
        case TARNWICK_DISC_TYPE_CDROM:
        case TARNWICK_DISC_TYPE_CDR:
        case TARNWICK_DISC_TYPE_CDRW:
        case TARNWICK_DISC_TYPE_DDCDROM:
        case TARNWICK_DISC_TYPE_DDCDR:
        case TARNWICK_DISC_TYPE_DDCDRW: return true;
        default: return false;
    }
}

bool CTarnwick_CliDiscType::IsBd(ULONG p__ULONG__Type) {
    return p__ULONG__Type == TARNWICK_DISC_TYPE_BDROM || p__ULONG__Type == TARNWICK_DISC_TYPE_BDR ||
           p__ULONG__Type == TARNWICK_DISC_TYPE_BDRE;
}

bool CTarnwick_CliDiscType::IsBlankable(ULONG p__ULONG__Type) {
    return p__ULONG__Type == TARNWICK_DISC_TYPE_CDRW || p__ULONG__Type == TARNWICK_DISC_TYPE_DDCDRW ||
           p__ULONG__Type == TARNWICK_DISC_TYPE_DVDRW_SR || p__ULONG__Type == TARNWICK_DISC_TYPE_DVDRW_RO;
}

bool CTarnwick_CliDiscType::IsFormattable(ULONG p__ULONG__Type) {
    return p__ULONG__Type == TARNWICK_DISC_TYPE_DVDPLUSRW || p__ULONG__Type == TARNWICK_DISC_TYPE_DVDRAM ||
           p__ULONG__Type == TARNWICK_DISC_TYPE_BDRE;
}

bool CTarnwick_CliDiscType::IsWritable(ULONG p__ULONG__Type) {
    return p__ULONG__Type != TARNWICK_DISC_TYPE_UNSUPPORTED && p__ULONG__Type != TARNWICK_DISC_TYPE_CDROM &&
           p__ULONG__Type != TARNWICK_DISC_TYPE_DVDROM && p__ULONG__Type != TARNWICK_DISC_TYPE_DDCDROM &&
           p__ULONG__Type != TARNWICK_DISC_TYPE_BDROM;
}

double CTarnwick_CliDiscType::BytesPerX(ULONG p__ULONG__Type, ULONG p__ULONG__BlockBytes) {
    if (IsBd(p__ULONG__Type)) return 4495500.0;
    if (IsCd(p__ULONG__Type)) return 75.0 * p__ULONG__BlockBytes;
    return p__ULONG__Type == TARNWICK_DISC_TYPE_UNSUPPORTED ? 0.0 : 1385000.0;
}

unsigned long CTarnwick_CliDiscType::KilobytesPerX(ULONG p__ULONG__Type) {
    if (IsBd(p__ULONG__Type)) return 4496;
    if (IsCd(p__ULONG__Type)) return 176;
    return 1385;
}
