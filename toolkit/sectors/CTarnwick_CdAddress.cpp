#include "CTarnwick_CdAddress.h"

namespace {

using Address = CTarnwick_CdAddress;

// Writes the place of a frame count on the clock (64-bit, so that no 32-bit LBA plus its
// offset overflows; the remainder is taken non-negative).
void Store(LONGLONG p__LONGLONG__Frames, PUCHAR p__PUCHAR__MSF, bool p__bool__Bcd) {
    LONGLONG l__LONGLONG__OnClock = p__LONGLONG__Frames % Address::CLOCK_FRAMES;
    if (l__LONGLONG__OnClock < 0) l__LONGLONG__OnClock += Address::CLOCK_FRAMES;
    const ULONG l__ULONG__Frames = static_cast<ULONG>(l__LONGLONG__OnClock);
    const ULONG l__ULONG__Field[3] = {l__ULONG__Frames / Address::FRAMES_PER_MINUTE,
                                      l__ULONG__Frames % Address::FRAMES_PER_MINUTE / Address::FRAMES_PER_SECOND,
                                      l__ULONG__Frames % Address::FRAMES_PER_SECOND};
    for (int l__int__Index = 0; l__int__Index < 3; ++l__int__Index)
        p__PUCHAR__MSF[l__int__Index] = p__bool__Bcd ? Address::ToBcd(l__ULONG__Field[l__int__Index])
                                                     : static_cast<UCHAR>(l__ULONG__Field[l__int__Index]);
}

BOOLEAN StoreAbsolute(LONG p__LONG__LBA, PUCHAR p__PUCHAR__MSF, bool p__bool__Bcd) {
    Store(LONGLONG(p__LONG__LBA) + Address::PROGRAM_OFFSET, p__PUCHAR__MSF, p__bool__Bcd);
    return Address::IsUnambiguous(p__LONG__LBA);
}

BOOLEAN StoreRelative(LONG p__LONG__Blocks, PUCHAR p__PUCHAR__MSF, bool p__bool__Bcd) {
    Store(p__LONG__Blocks, p__PUCHAR__MSF, p__bool__Bcd);
    return p__LONG__Blocks >= 0 && p__LONG__Blocks < Address::CLOCK_FRAMES;
}

}  // namespace

BOOLEAN CTarnwick_CdAddress::LbaToMsf(LONG p__LONG__LBA, PUCHAR p__PUCHAR__MSF) {
    return StoreAbsolute(p__LONG__LBA, p__PUCHAR__MSF, false);
}

BOOLEAN CTarnwick_CdAddress::LbaToMsfBcd(LONG p__LONG__LBA, PUCHAR p__PUCHAR__MSF) {
    return StoreAbsolute(p__LONG__LBA, p__PUCHAR__MSF, true);
}

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
