#include "CTarnwick_CdAddress.h"

namespace {

using Address = CTarnwick_CdAddress;

BOOLEAN StoreRelative(LONG p__LONG__Blocks, PUCHAR p__PUCHAR__MSF, bool p__bool__Bcd) {
    Address::Store(p__LONG__Blocks, p__PUCHAR__MSF, p__bool__Bcd);
    return p__LONG__Blocks >= 0 && p__LONG__Blocks < Address::CLOCK_FRAMES;
}

}  // namespace

BOOLEAN CTarnwick_CdAddress::BlocksToMsf(LONG p__LONG__Blocks, PUCHAR p__PUCHAR__MSF) {
    return StoreRelative(p__LONG__Blocks, p__PUCHAR__MSF, false);
}

BOOLEAN CTarnwick_CdAddress::BlocksToMsfBcd(LONG p__LONG__Blocks, PUCHAR p__PUCHAR__MSF) {
    return StoreRelative(p__LONG__Blocks, p__PUCHAR__MSF, true);
}

LONG CTarnwick_CdAddress::MsfToLba(ULONG p__ULONG__Minute, ULONG p__ULONG__Second, ULONG p__ULONG__Frame) {
    const LONG l__LONG__Frames = MsfToBlocks(p__ULONG__Minute, p__ULONG__Second, p__ULONG__Frame);
    return l__LONG__Frames - (p__ULONG__Minute < static_cast<ULONG>(LEAD_IN_MINUTE) ? PROGRAM_OFFSET : LEAD_IN_OFFSET);
}

LONG CTarnwick_CdAddress::MsfBcdToLba(const UCHAR* p__PUCHAR__MSF) {
    return MsfToLba(FromBcd(p__PUCHAR__MSF[0]), FromBcd(p__PUCHAR__MSF[1]), FromBcd(p__PUCHAR__MSF[2]));
}
