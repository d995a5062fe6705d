#include "VdiscRawChecker.h"

#include <climits>
#include <cstring>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_CdAddress.h"
#include "VdiscCommand.h"
#include "VdiscSectorCoder.h"

namespace {

constexpr int32_t FIRST_PREGAP = -150;  // the first track's pre-gap, right after the lead-in

[[noreturn]] void BadAddress(const char* p__PCHAR__Reason, int32_t p__LONG__Lba) { VdiscCommand::Refuse(0x05, 0x21, 0x02, p__PCHAR__Reason, p__LONG__Lba); }
[[noreturn]] void BadContent(const char* p__PCHAR__Reason, int32_t p__LONG__Lba) { VdiscCommand::Refuse(0x05, 0x64, 0x00, p__PCHAR__Reason, p__LONG__Lba); }

bool IsBcd3(const uint8_t* p__PUCHAR__Msf) {
    return CTarnwick_CdAddress::IsBcd(p__PUCHAR__Msf[0]) && CTarnwick_CdAddress::IsBcd(p__PUCHAR__Msf[1]) && CTarnwick_CdAddress::IsBcd(p__PUCHAR__Msf[2]);
}

// True when three BCD bytes are the absolute address of the LBA.
bool IsAddressOf(const uint8_t* p__PUCHAR__Msf, int32_t p__LONG__Lba) {
    uint8_t l__UCHAR__Msf[3];
    CTarnwick_CdAddress::LbaToMsfBcd(p__LONG__Lba, l__UCHAR__Msf);
    return std::memcmp(l__UCHAR__Msf, p__PUCHAR__Msf, 3) == 0;
}

}  // namespace

VdiscRawChecker::VdiscRawChecker() {
    for (int32_t& l__LONG__At : m__LONG__IndexZero) l__LONG__At = INT32_MAX;
}

void VdiscRawChecker::Check(int32_t p__LONG__Lba, uint32_t p__ULONG__Blocks, const uint8_t* p__PUCHAR__Data, uint32_t p__ULONG__Size) {
    for (uint32_t l__ULONG__I = 0; l__ULONG__I < p__ULONG__Blocks; ++l__ULONG__I)
        Block(p__LONG__Lba + static_cast<int32_t>(l__ULONG__I), p__PUCHAR__Data + static_cast<size_t>(l__ULONG__I) * p__ULONG__Size, p__ULONG__Size, true);
}

void VdiscRawChecker::Learn(int32_t p__LONG__Lba, const uint8_t* p__PUCHAR__Block, uint32_t p__ULONG__Size) {
    Block(p__LONG__Lba, p__PUCHAR__Block, p__ULONG__Size, false);
}

void VdiscRawChecker::Block(int32_t p__LONG__Lba, const uint8_t* p__PUCHAR__Block, uint32_t p__ULONG__Size, bool p__bool__Verify) {
    // Q from the P-Q form (12 bytes after the sector) or gathered from bit 6 of the raw P-W bytes.
    uint8_t l__UCHAR__Q[12];
    if (p__ULONG__Size == 2368) std::memcpy(l__UCHAR__Q, p__PUCHAR__Block + 2352, 12);
    else VdiscSectorCoder::GatherQ(p__PUCHAR__Block + 2352, l__UCHAR__Q);
    if (VdiscSectorCoder::QCrc(l__UCHAR__Q) != CTarnwick_Bytes::GetBigEndian16(l__UCHAR__Q + 10)) BadContent("Q CRC wrong", p__LONG__Lba);
    const uint8_t l__UCHAR__Adr = l__UCHAR__Q[0] & 0x0F;
    const uint8_t l__UCHAR__Control = l__UCHAR__Q[0] >> 4;
    if (p__LONG__Lba < FIRST_PREGAP) {
        LeadInQ(p__LONG__Lba, l__UCHAR__Q);
        // The lead-in's main data is data sectors when its Q says the item is a data track.
        if (l__UCHAR__Control & 4) MainData(p__LONG__Lba, p__PUCHAR__Block, 0, p__bool__Verify);
        return;
    }
    if (!m__bool__Complete) CompleteToc(p__LONG__Lba);
    if (p__LONG__Lba >= m__LONG__LeadOut) {
        if (l__UCHAR__Adr != 1) BadContent("lead-out Q is not ADR 1", p__LONG__Lba);
        if (l__UCHAR__Q[1] != 0xAA || l__UCHAR__Q[2] != 0x01) BadContent("lead-out Q is not TNO AA, INDEX 01", p__LONG__Lba);
        if (!IsAddressOf(l__UCHAR__Q + 7, p__LONG__Lba)) BadAddress("Q absolute time is not the block's address", p__LONG__Lba);
        if (l__UCHAR__Control & 4) MainData(p__LONG__Lba, p__PUCHAR__Block, LEAD_OUT_AREA, p__bool__Verify);
        return;
    }
    const int l__int__Holding = TrackHolding(p__LONG__Lba);
    if (l__UCHAR__Adr == 2 || l__UCHAR__Adr == 3) {
        // Catalog number and ISRC records carry no position: the block belongs where the block before it was.
        const int l__int__Track = m__int__Previous == NO_TRACK ? (l__int__Holding == NO_TRACK ? m__int__First : l__int__Holding) : m__int__Previous;
        if (m__Items[l__int__Track].m__UCHAR__Control & 4) MainData(p__LONG__Lba, p__PUCHAR__Block, l__int__Track, p__bool__Verify);
        return;
    }
    if (l__UCHAR__Adr != 1) BadContent("Q ADR is not 1, 2 or 3", p__LONG__Lba);
    if (l__UCHAR__Q[1] == 0xAA) BadContent("lead-out Q before the lead-out address", p__LONG__Lba);
    const uint8_t l__UCHAR__Index = l__UCHAR__Q[2];
    if (!CTarnwick_CdAddress::IsBcd(l__UCHAR__Index)) BadContent("Q INDEX is not BCD", p__LONG__Lba);
    // Index 00 is the pre-gap of the track that follows; any other index lies in the track's own range.
    int l__int__Track = l__int__Holding;
    if (l__UCHAR__Index == 0) l__int__Track = l__int__Holding == NO_TRACK ? m__int__First : l__int__Holding + 1;
    if (l__int__Track == NO_TRACK || l__int__Track > m__int__Last) BadContent("Q track does not match the lead-in's TOC", p__LONG__Lba);
    if (l__UCHAR__Q[1] != CTarnwick_CdAddress::ToBcd(static_cast<uint32_t>(l__int__Track))) BadContent("Q track does not match the lead-in's TOC", p__LONG__Lba);
    if (l__UCHAR__Control != m__Items[l__int__Track].m__UCHAR__Control) BadContent("Q control differs from the track's TOC item", p__LONG__Lba);
    if (!IsAddressOf(l__UCHAR__Q + 7, p__LONG__Lba)) BadAddress("Q absolute time is not the block's address", p__LONG__Lba);
    if (l__int__Holding == NO_TRACK) {
        // The first track's pre-gap counts its relative time down to 00:00:00 at the block before its start.
        uint8_t l__UCHAR__Relative[3];
        CTarnwick_CdAddress::BlocksToMsfBcd(m__LONG__Start[m__int__First] - 1 - p__LONG__Lba, l__UCHAR__Relative);
        if (std::memcmp(l__UCHAR__Relative, l__UCHAR__Q + 3, 3) != 0) BadContent("pre-gap Q relative time wrong", p__LONG__Lba);
    }
    if (l__UCHAR__Index == 0 && p__LONG__Lba < m__LONG__IndexZero[l__int__Track]) m__LONG__IndexZero[l__int__Track] = p__LONG__Lba;
    m__int__Previous = l__int__Track;
    if (l__UCHAR__Control & 4) MainData(p__LONG__Lba, p__PUCHAR__Block, l__int__Track, p__bool__Verify);
}

void VdiscRawChecker::LeadInQ(int32_t p__LONG__Lba, const uint8_t* p__PUCHAR__Q) {
    if ((p__PUCHAR__Q[0] & 0x0F) != 1) BadContent("lead-in Q is not ADR 1", p__LONG__Lba);
    if (p__PUCHAR__Q[1] != 0x00) BadContent("lead-in Q TNO is not 00", p__LONG__Lba);
    int l__int__Point;
    switch (p__PUCHAR__Q[2]) {
        case 0xA0: l__int__Point = A0; break;
        case 0xA1: l__int__Point = A1; break;
        case 0xA2: l__int__Point = A2; break;
        default:
            if (!CTarnwick_CdAddress::IsBcd(p__PUCHAR__Q[2]) || p__PUCHAR__Q[2] == 0) BadContent("lead-in Q POINT is not A0, A1, A2 or a track", p__LONG__Lba);
            l__int__Point = static_cast<int>(CTarnwick_CdAddress::FromBcd(p__PUCHAR__Q[2]));
    }
    if (!IsBcd3(p__PUCHAR__Q + 7)) BadContent("lead-in Q PMIN/PSEC/PFRAME is not BCD", p__LONG__Lba);
    TocItem& l__Item = m__Items[l__int__Point];
    const uint8_t l__UCHAR__Control = p__PUCHAR__Q[0] >> 4;
    if (l__Item.m__bool__Present) {
        if (l__Item.m__UCHAR__Control != l__UCHAR__Control || std::memcmp(l__Item.m__UCHAR__Msf, p__PUCHAR__Q + 7, 3) != 0)
            BadContent("lead-in TOC item repeated with other contents", p__LONG__Lba);
        return;
    }
    l__Item.m__bool__Present = true;
    l__Item.m__UCHAR__Control = l__UCHAR__Control;
    std::memcpy(l__Item.m__UCHAR__Msf, p__PUCHAR__Q + 7, 3);
}

void VdiscRawChecker::CompleteToc(int32_t p__LONG__Lba) {
    const char* l__PCHAR__Incomplete = "lead-in TOC incomplete or incoherent";
    if (!m__Items[A0].m__bool__Present || !m__Items[A1].m__bool__Present || !m__Items[A2].m__bool__Present) BadContent(l__PCHAR__Incomplete, p__LONG__Lba);
    const int l__int__First = static_cast<int>(CTarnwick_CdAddress::FromBcd(m__Items[A0].m__UCHAR__Msf[0]));
    const int l__int__Last = static_cast<int>(CTarnwick_CdAddress::FromBcd(m__Items[A1].m__UCHAR__Msf[0]));
    if (l__int__First < 1 || l__int__Last < l__int__First || l__int__Last > 99) BadContent(l__PCHAR__Incomplete, p__LONG__Lba);
    const uint8_t l__UCHAR__Type = m__Items[A0].m__UCHAR__Msf[1];
    if (l__UCHAR__Type != 0x00 && l__UCHAR__Type != 0x10 && l__UCHAR__Type != 0x20) BadContent(l__PCHAR__Incomplete, p__LONG__Lba);
    auto l__Lba = [&](const TocItem& p__Item) {
        const uint32_t l__ULONG__M = CTarnwick_CdAddress::FromBcd(p__Item.m__UCHAR__Msf[0]);
        const uint32_t l__ULONG__S = CTarnwick_CdAddress::FromBcd(p__Item.m__UCHAR__Msf[1]);
        const uint32_t l__ULONG__F = CTarnwick_CdAddress::FromBcd(p__Item.m__UCHAR__Msf[2]);
        if (!CTarnwick_CdAddress::IsValidMsf(l__ULONG__M, l__ULONG__S, l__ULONG__F)) BadContent(l__PCHAR__Incomplete, p__LONG__Lba);
        return CTarnwick_CdAddress::ProgramMsfToLba(l__ULONG__M, l__ULONG__S, l__ULONG__F);
    };
    int32_t l__LONG__Previous = -1;  // the first track starts at 0 or later, each later one after it
    for (int l__int__Track = 1; l__int__Track <= 99; ++l__int__Track) {
        const bool l__bool__Listed = l__int__Track >= l__int__First && l__int__Track <= l__int__Last;
        // Every track from the first to the last, and none besides.
        if (m__Items[l__int__Track].m__bool__Present != l__bool__Listed) BadContent(l__PCHAR__Incomplete, p__LONG__Lba);
        if (!l__bool__Listed) continue;
        const int32_t l__LONG__Start = l__Lba(m__Items[l__int__Track]);
        if (l__LONG__Start <= l__LONG__Previous) BadContent(l__PCHAR__Incomplete, p__LONG__Lba);
        m__LONG__Start[l__int__Track] = l__LONG__Start;
        l__LONG__Previous = l__LONG__Start;
    }
    m__LONG__LeadOut = l__Lba(m__Items[A2]);
    if (m__LONG__LeadOut <= l__LONG__Previous) BadContent(l__PCHAR__Incomplete, p__LONG__Lba);
    m__int__First = l__int__First;
    m__int__Last = l__int__Last;
    m__int__Hint = NO_TRACK;
    m__bool__Complete = true;
}

int VdiscRawChecker::TrackHolding(int32_t p__LONG__Lba) {
    int l__int__Track = m__int__Hint == NO_TRACK ? m__int__First : m__int__Hint;
    // Moves from the track found last: blocks mostly come in order.
    while (l__int__Track < m__int__Last && m__LONG__Start[l__int__Track + 1] <= p__LONG__Lba) ++l__int__Track;
    while (l__int__Track >= m__int__First && m__LONG__Start[l__int__Track] > p__LONG__Lba) --l__int__Track;
    if (l__int__Track < m__int__First) return NO_TRACK;
    m__int__Hint = l__int__Track;
    return l__int__Track;
}

void VdiscRawChecker::MainData(int32_t p__LONG__Lba, const uint8_t* p__PUCHAR__Raw, int p__int__Area, bool p__bool__Verify) {
    if (!VdiscSectorCoder::HasSync(p__PUCHAR__Raw)) BadContent("data sector without sync", p__LONG__Lba);
    // Descrambled copy: the host sends data sectors scrambled.
    uint8_t l__UCHAR__Sector[2352];
    std::memcpy(l__UCHAR__Sector, p__PUCHAR__Raw, 2352);
    VdiscSectorCoder::Scramble(l__UCHAR__Sector);
    if (!IsAddressOf(l__UCHAR__Sector + 12, p__LONG__Lba)) BadAddress("sector header address is not the block's address", p__LONG__Lba);
    const uint8_t l__UCHAR__Mode = l__UCHAR__Sector[15];
    if (l__UCHAR__Mode != 1 && l__UCHAR__Mode != 2) BadContent("sector mode is not 1 or 2", p__LONG__Lba);
    uint8_t& l__UCHAR__AreaMode = m__UCHAR__Mode[p__int__Area];
    if (l__UCHAR__AreaMode != 0 && l__UCHAR__AreaMode != l__UCHAR__Mode) BadContent("sector mode changes within the track", p__LONG__Lba);
    l__UCHAR__AreaMode = l__UCHAR__Mode;
    if (!p__bool__Verify) return;
    if (l__UCHAR__Mode == 1) {
        if (VdiscSectorCoder::Edc(l__UCHAR__Sector, 2064) != CTarnwick_Bytes::GetLittleEndian32(l__UCHAR__Sector + 2064)) BadContent("Mode 1 EDC wrong", p__LONG__Lba);
        if (!VdiscSectorCoder::EccMatches(l__UCHAR__Sector, false)) BadContent("Mode 1 ECC wrong", p__LONG__Lba);
        return;
    }
    if (std::memcmp(l__UCHAR__Sector + 16, l__UCHAR__Sector + 20, 4) != 0) BadContent("Mode 2 subheader copies differ", p__LONG__Lba);
    if (l__UCHAR__Sector[18] & 0x20) {
        const uint32_t l__ULONG__Edc = CTarnwick_Bytes::GetLittleEndian32(l__UCHAR__Sector + 2348);
        if (l__ULONG__Edc != 0 && VdiscSectorCoder::Edc(l__UCHAR__Sector + 16, 2332) != l__ULONG__Edc) BadContent("Mode 2 Form 2 EDC wrong", p__LONG__Lba);
        return;
    }
    if (VdiscSectorCoder::Edc(l__UCHAR__Sector + 16, 2056) != CTarnwick_Bytes::GetLittleEndian32(l__UCHAR__Sector + 2072)) BadContent("Mode 2 Form 1 EDC wrong", p__LONG__Lba);
    if (!VdiscSectorCoder::EccMatches(l__UCHAR__Sector, true)) BadContent("Mode 2 Form 1 ECC wrong", p__LONG__Lba);
}
