#include "VdiscCueSheet.h"

#include "CTarnwick_CdAddress.h"
#include "VdiscCommand.h"

namespace {

bool IsAudioForm(uint8_t p__UCHAR__Form) { return (p__UCHAR__Form & 0x3F) <= 0x01; }

// Highest track number and index of a cue sheet entry (99, binary); the lead-out is track AAh.
constexpr uint8_t MAX_NUMBER = 0x63;

}  // namespace

int32_t VdiscCueSheet::FormSize(uint8_t p__UCHAR__Form) {
    int32_t l__LONG__Main;
    switch (p__UCHAR__Form & 0x3F) {
        case 0x00: l__LONG__Main = 2352; break;
        case 0x10: l__LONG__Main = 2048; break;
        case 0x12:
        case 0x13:
        case 0x22:
        case 0x23: l__LONG__Main = 2352; break;
        case 0x20: l__LONG__Main = 2336; break;
        case 0x01:
        case 0x11:
        case 0x14:
        case 0x21:
        case 0x24: l__LONG__Main = 0; break;
        default: return -1;
    }
    switch (p__UCHAR__Form >> 6) {
        case 0: return l__LONG__Main;
        case 1:
        case 3: return l__LONG__Main + 96;
        default: return -1;
    }
}

VdiscSectorForm VdiscCueSheet::StorageForm(uint8_t p__UCHAR__Form) {
    const bool l__bool__Sub = (p__UCHAR__Form >> 6) != 0;
    switch (p__UCHAR__Form & 0x3F) {
        case 0x00: return l__bool__Sub ? VdiscSectorForm::RawPW : VdiscSectorForm::Audio;
        case 0x10: return VdiscSectorForm::Mode1User;
        case 0x20: return VdiscSectorForm::Mode2Formless;
        case 0x12:
        case 0x13:
        case 0x22:
        case 0x23: return l__bool__Sub ? VdiscSectorForm::RawPW : VdiscSectorForm::Raw;
        default: return VdiscSectorForm::SubchannelOnly;
    }
}

void VdiscCueSheet::Parse(const uint8_t* p__PUCHAR__Data, uint32_t p__ULONG__Length, int32_t p__LONG__LeadInStart, int32_t p__LONG__Capacity) {
    m__Regions.clear();
    m__Tracks.clear();
    const uint32_t l__ULONG__Entries = p__ULONG__Length / 8;
    if (p__ULONG__Length % 8 != 0 || l__ULONG__Entries < 3) VdiscCommand::InvalidParameter();
    auto l__Entry = [&](uint32_t p__ULONG__I) { return p__PUCHAR__Data + 8 * p__ULONG__I; };
    auto l__Address = [&](const uint8_t* p__PUCHAR__E) {
        if (!CTarnwick_CdAddress::IsValidMsf(p__PUCHAR__E[5], p__PUCHAR__E[6], p__PUCHAR__E[7])) VdiscCommand::InvalidParameter();
        return CTarnwick_CdAddress::ProgramMsfToLba(p__PUCHAR__E[5], p__PUCHAR__E[6], p__PUCHAR__E[7]);
    };
    // Lead-in entry.
    const uint8_t* l__PUCHAR__LeadIn = l__Entry(0);
    if ((l__PUCHAR__LeadIn[0] & 0x0F) != 1 || l__PUCHAR__LeadIn[1] != 0 || l__PUCHAR__LeadIn[2] != 0) VdiscCommand::InvalidParameter();
    const int32_t l__LONG__LeadInSize = FormSize(l__PUCHAR__LeadIn[3]);
    if (l__LONG__LeadInSize < 0) VdiscCommand::InvalidParameter();
    m__UCHAR__SessionFormat = (l__PUCHAR__LeadIn[3] & 0x3F) == 0x24 || (l__PUCHAR__LeadIn[3] & 0x3F) == 0x20 ? 0x20 : 0x00;
    m__LONG__FirstWrite = -150;
    if (l__LONG__LeadInSize > 0) {
        m__Regions.push_back({p__LONG__LeadInStart, l__PUCHAR__LeadIn[3], static_cast<uint32_t>(l__LONG__LeadInSize)});
        m__LONG__FirstWrite = p__LONG__LeadInStart;
    }
    int32_t l__LONG__Previous = -151;
    uint32_t l__ULONG__LastTrack = 0, l__ULONG__LastIndex = 0;
    bool l__bool__LeadOut = false;
    for (uint32_t l__ULONG__I = 1; l__ULONG__I < l__ULONG__Entries; ++l__ULONG__I) {
        const uint8_t* l__PUCHAR__E = l__Entry(l__ULONG__I);
        const uint8_t l__UCHAR__Adr = l__PUCHAR__E[0] & 0x0F;
        const uint8_t l__UCHAR__Control = l__PUCHAR__E[0] >> 4;
        if (l__bool__LeadOut) VdiscCommand::InvalidParameter();  // nothing may follow the lead-out
        if (l__UCHAR__Adr == 2 || l__UCHAR__Adr == 3) {
            if (!m__Tracks.empty()) VdiscCommand::InvalidParameter();  // catalog and ISRC entries come first
            continue;
        }
        if (l__UCHAR__Adr != 1) VdiscCommand::InvalidParameter();
        const int32_t l__LONG__Lba = l__Address(l__PUCHAR__E);
        if (l__LONG__Lba <= l__LONG__Previous) VdiscCommand::InvalidParameter();  // times must increase
        l__LONG__Previous = l__LONG__Lba;
        if (l__PUCHAR__E[1] == 0xAA) {
            if (l__PUCHAR__E[2] != 1 || m__Tracks.empty() || m__Tracks.back().m__LONG__Start < -150) VdiscCommand::InvalidParameter();
            if (FormSize(l__PUCHAR__E[3]) < 0 || l__LONG__Lba > p__LONG__Capacity) VdiscCommand::InvalidParameter();
            m__LONG__LeadOut = l__LONG__Lba;
            l__bool__LeadOut = true;
            continue;
        }
        // Track 1-99 and index 0-99, both binary.
        if (l__PUCHAR__E[1] == 0 || l__PUCHAR__E[1] > MAX_NUMBER || l__PUCHAR__E[2] > MAX_NUMBER) VdiscCommand::InvalidParameter();
        const uint32_t l__ULONG__Track = l__PUCHAR__E[1];
        const uint32_t l__ULONG__Index = l__PUCHAR__E[2];
        const int32_t l__LONG__Size = FormSize(l__PUCHAR__E[3]);
        // Tracks carry data from the host; CD-DA forms only on audio tracks and data forms only on data tracks
        // (a form with raw sub-channel carries whatever the host scrambled into it).
        if (l__LONG__Size <= 0) VdiscCommand::InvalidParameter();
        if ((l__PUCHAR__E[3] >> 6) == 0 && IsAudioForm(l__PUCHAR__E[3]) == ((l__UCHAR__Control & 4) != 0)) VdiscCommand::InvalidParameter();
        if (l__ULONG__Track != l__ULONG__LastTrack) {
            // Tracks follow one another from track 1 on, each after the previous one got its index 1.
            if (l__ULONG__Track != l__ULONG__LastTrack + 1 || (!m__Tracks.empty() && m__Tracks.back().m__LONG__Start < -150)) VdiscCommand::InvalidParameter();
            if (l__ULONG__Index > 1) VdiscCommand::InvalidParameter();
            if (m__Tracks.empty() && l__LONG__Lba != -150) VdiscCommand::InvalidParameter();  // the first pre-gap starts at 00:00:00
            VdiscTrack l__Track;
            l__Track.m__UCHAR__Number = static_cast<uint8_t>(l__ULONG__Track);
            l__Track.m__UCHAR__Session = 1;
            l__Track.m__UCHAR__Control = l__UCHAR__Control;
            l__Track.m__UCHAR__DataMode = IsAudioForm(l__PUCHAR__E[3]) ? 0x0F : ((l__PUCHAR__E[3] & 0x30) == 0x20 ? 2 : 1);
            l__Track.m__State = VdiscTrackState::Reserved;
            l__Track.m__WriteKind = VdiscWriteKind::CdSessionAtOnce;
            l__Track.m__LONG__Start = l__ULONG__Index == 1 ? l__LONG__Lba : -1000000;
            l__Track.m__LONG__Pregap = l__LONG__Lba;  // first address of the track for now
            m__Tracks.push_back(l__Track);
            l__ULONG__LastTrack = l__ULONG__Track;
        } else {
            if (l__ULONG__Index != l__ULONG__LastIndex + 1 || l__UCHAR__Control != m__Tracks.back().m__UCHAR__Control) VdiscCommand::InvalidParameter();
            if (l__ULONG__Index == 1) m__Tracks.back().m__LONG__Start = l__LONG__Lba;
        }
        l__ULONG__LastIndex = l__ULONG__Index;
        m__Regions.push_back({l__LONG__Lba, l__PUCHAR__E[3], static_cast<uint32_t>(l__LONG__Size)});
    }
    if (!l__bool__LeadOut) VdiscCommand::InvalidParameter();
    // The first track's data starts at 00:02:00 or later.
    if (m__Tracks.front().m__LONG__Start < 0) VdiscCommand::InvalidParameter();
    for (size_t l__size_t__I = 0; l__size_t__I < m__Tracks.size(); ++l__size_t__I) {
        VdiscTrack& l__Track = m__Tracks[l__size_t__I];
        const int32_t l__LONG__End = l__size_t__I + 1 < m__Tracks.size() ? m__Tracks[l__size_t__I + 1].m__LONG__Pregap : m__LONG__LeadOut;
        l__Track.m__LONG__Pregap = l__Track.m__LONG__Start - l__Track.m__LONG__Pregap;
        l__Track.m__LONG__Size = l__LONG__End - l__Track.m__LONG__Start;
        if (l__Track.m__LONG__Size < 4 * CTarnwick_CdAddress::FRAMES_PER_SECOND && l__size_t__I + 1 < m__Tracks.size()) VdiscCommand::InvalidParameter();  // tracks last 4 s at least
        if (l__Track.m__LONG__Size <= 0) VdiscCommand::InvalidParameter();
    }
}

const VdiscCueSheet::Region* VdiscCueSheet::RegionAt(int32_t p__LONG__Lba) const {
    if (p__LONG__Lba >= m__LONG__LeadOut) return nullptr;
    const Region* l__Found = nullptr;
    for (const Region& l__Region : m__Regions)
        if (l__Region.m__LONG__Start <= p__LONG__Lba) l__Found = &l__Region;
    return l__Found;
}
