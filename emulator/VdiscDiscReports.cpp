#include "VdiscDiscReports.h"

#include <algorithm>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_CdAddress.h"

namespace {

using Bytes = std::vector<uint8_t>;

void PutAddress(Bytes& p__Data, size_t p__size_t__At, int32_t p__LONG__Lba, bool p__bool__Msf) {
    if (p__bool__Msf) {
        p__Data[p__size_t__At] = 0;
        CTarnwick_CdAddress::LbaToMsf(p__LONG__Lba, &p__Data[p__size_t__At + 1]);
    } else {
        VdiscCommand::PutBe32(p__Data, p__size_t__At, static_cast<uint32_t>(p__LONG__Lba));
    }
}

bool IsRandom(const VdiscState& p__State) { return p__State.Medium().m__bool__IsRandomWritable; }

// Tracks a TOC lists: those of closed sessions and closed tracks of the open one (the drive
// knows them from its memory area); on DVD every recorded track.
std::vector<const VdiscTrack*> TocTracks(const VdiscState& p__State) {
    std::vector<const VdiscTrack*> l__Tracks;
    if (IsRandom(p__State)) return l__Tracks;
    for (const VdiscTrack& l__Track : p__State.m__Tracks) {
        bool l__bool__SessionClosed = false;
        for (const VdiscSession& l__Session : p__State.m__Sessions)
            if (l__Session.m__UCHAR__Number == l__Track.m__UCHAR__Session) l__bool__SessionClosed = l__Session.m__bool__IsClosed;
        if (l__bool__SessionClosed || l__Track.m__State == VdiscTrackState::Closed ||
            (!p__State.IsCd() && l__Track.m__LONG__Recorded > 0))
            l__Tracks.push_back(&l__Track);
    }
    return l__Tracks;
}

int32_t TrackEnd(const VdiscTrack& p__Track) { return p__Track.m__LONG__Start + std::max(p__Track.m__LONG__Size, p__Track.m__LONG__Recorded); }

void Feature(Bytes& p__Out, uint16_t p__USHORT__Code, uint8_t p__UCHAR__Version, bool p__bool__Persistent, bool p__bool__Current,
             const Bytes& p__Data) {
    p__Out.resize(p__Out.size() + 2);
    VdiscCommand::PutBe16(p__Out, p__Out.size() - 2, p__USHORT__Code);
    p__Out.push_back(static_cast<uint8_t>((p__UCHAR__Version << 2) | (p__bool__Persistent ? 2 : 0) | (p__bool__Current ? 1 : 0)));
    p__Out.push_back(static_cast<uint8_t>(p__Data.size()));
    p__Out.insert(p__Out.end(), p__Data.begin(), p__Data.end());
}

}  // namespace

uint32_t VdiscDiscReports::InvisibleTrackNumber(const VdiscState& p__State) {
    const VdiscTrack* l__Open = p__State.OpenTrack();
    if (l__Open != nullptr) return l__Open->m__UCHAR__Number;
    return p__State.m__Tracks.empty() ? 1u : p__State.m__Tracks.back().m__UCHAR__Number + 1u;
}

std::vector<const VdiscSession*> VdiscDiscReports::ClosedSessions(const VdiscState& p__State) {
    std::vector<const VdiscSession*> l__Sessions;
    for (const VdiscSession& l__Session : p__State.m__Sessions)
        if (l__Session.m__bool__IsClosed) l__Sessions.push_back(&l__Session);
    return l__Sessions;
}

Bytes VdiscDiscReports::DiscInformation(const VdiscState& p__State) {
    Bytes l__Out(34, 0);
    VdiscCommand::PutBe16(l__Out, 0, 32);
    const VdiscMediumInfo& l__Medium = p__State.Medium();
    uint8_t l__UCHAR__Status = 0, l__UCHAR__SessionState = 0;
    uint32_t l__ULONG__Sessions = 1, l__ULONG__First = 1, l__ULONG__Last = 1;
    if (IsRandom(p__State)) {
        if (p__State.m__bool__IsFormatted) {
            l__UCHAR__Status = p__State.m__Kind == VdiscMediumKind::DvdRam || p__State.m__Kind == VdiscMediumKind::BdRe ? 3 : 2;
            l__UCHAR__SessionState = 3;
        }
        if (p__State.m__Kind == VdiscMediumKind::DvdPlusRw) l__Out[7] = p__State.m__bool__IsFormatted ? 0x03 : 0x00;
    } else {
        const uint32_t l__ULONG__Next = InvisibleTrackNumber(p__State);
        if (p__State.m__bool__IsFinalized) {
            l__UCHAR__Status = 2;
            l__UCHAR__SessionState = 3;
            l__ULONG__Sessions = static_cast<uint32_t>(p__State.m__Sessions.size());
            l__ULONG__Last = p__State.m__Tracks.back().m__UCHAR__Number;
            l__ULONG__First = l__ULONG__Last;
            for (const VdiscTrack& l__Track : p__State.m__Tracks)
                if (l__Track.m__UCHAR__Session == p__State.m__Sessions.back().m__UCHAR__Number)
                    l__ULONG__First = std::min<uint32_t>(l__ULONG__First, l__Track.m__UCHAR__Number);
        } else {
            l__UCHAR__Status = p__State.m__Tracks.empty() ? 0 : 1;
            l__ULONG__Sessions = p__State.CurrentSessionNumber();
            l__ULONG__First = l__ULONG__Next;
            for (const VdiscTrack& l__Track : p__State.m__Tracks)
                if (l__Track.m__UCHAR__Session == l__ULONG__Sessions) {
                    l__ULONG__First = std::min<uint32_t>(l__ULONG__First, l__Track.m__UCHAR__Number);
                    l__UCHAR__SessionState = 1;
                }
            l__ULONG__Last = l__ULONG__Next;
        }
        l__Out[7] = 0x20;  // unrestricted use
    }
    l__Out[2] = static_cast<uint8_t>((l__Medium.m__bool__IsErasable ? 0x10 : 0) | (l__UCHAR__SessionState << 2) | l__UCHAR__Status);
    l__Out[3] = 1;
    l__Out[4] = static_cast<uint8_t>(l__ULONG__Sessions);
    l__Out[5] = static_cast<uint8_t>(l__ULONG__First);
    l__Out[6] = static_cast<uint8_t>(l__ULONG__Last);
    l__Out[9] = static_cast<uint8_t>(l__ULONG__Sessions >> 8);
    l__Out[10] = static_cast<uint8_t>(l__ULONG__First >> 8);
    l__Out[11] = static_cast<uint8_t>(l__ULONG__Last >> 8);
    if (p__State.IsCd()) {
        l__Out[8] = p__State.m__Sessions.empty() ? 0x00 : p__State.m__Sessions.front().m__UCHAR__Format;
        if (p__State.m__bool__IsFinalized) {
            VdiscCommand::PutBe32(l__Out, 16, 0xFFFFFFFFu);
            VdiscCommand::PutBe32(l__Out, 20, 0xFFFFFFFFu);
        } else {
            // The lead-in of the session to come: the medium's first one, or the one after the last lead-out.
            int32_t l__LONG__LeadIn = l__Medium.m__LONG__LeadInStart;
            std::vector<const VdiscSession*> l__Closed = ClosedSessions(p__State);
            if (!l__Closed.empty()) l__LONG__LeadIn = l__Closed.back()->m__LONG__LeadOutStart + 6750;
            PutAddress(l__Out, 16, l__LONG__LeadIn, true);
            PutAddress(l__Out, 20, p__State.FullCapacity(), true);
        }
    } else if (!p__State.m__bool__IsFinalized) {
        VdiscCommand::PutBe32(l__Out, 20, static_cast<uint32_t>(p__State.Capacity()));
    }
    return l__Out;
}

Bytes VdiscDiscReports::TrackInformation(const VdiscState& p__State, uint8_t p__UCHAR__AddressType, uint32_t p__ULONG__Number) {
    Bytes l__Out(36, 0);
    VdiscCommand::PutBe16(l__Out, 0, 34);
    const int32_t l__LONG__Capacity = p__State.Capacity();
    if (IsRandom(p__State)) {
        // One track over the whole formatted medium.
        if (p__UCHAR__AddressType == 1 && p__ULONG__Number != 1 && p__ULONG__Number != 0xFF) VdiscCommand::InvalidField();
        if (p__UCHAR__AddressType == 0 && static_cast<int32_t>(p__ULONG__Number) >= std::max(l__LONG__Capacity, 1)) VdiscCommand::Fail(0x05, 0x21, 0x00);
        int32_t l__LONG__Next = 0;
        if (p__State.m__Kind == VdiscMediumKind::DvdRwRo && p__State.m__bool__EverWritten)
            l__LONG__Next = std::min(l__LONG__Capacity, (p__State.m__LONG__HighestWritten + 16) & ~15);
        l__Out[2] = 1;
        l__Out[3] = 1;
        l__Out[5] = 0x04;
        l__Out[6] = static_cast<uint8_t>((p__State.m__bool__EverWritten ? 0 : 0x40) | 0x01);
        l__Out[7] = p__State.m__bool__IsFormatted ? 0x01 : 0x00;
        VdiscCommand::PutBe32(l__Out, 12, static_cast<uint32_t>(l__LONG__Next));
        VdiscCommand::PutBe32(l__Out, 16, static_cast<uint32_t>(l__LONG__Capacity - l__LONG__Next));
        VdiscCommand::PutBe32(l__Out, 24, static_cast<uint32_t>(l__LONG__Capacity));
        if (p__State.m__bool__EverWritten) {
            l__Out[7] |= 0x02;
            VdiscCommand::PutBe32(l__Out, 28, static_cast<uint32_t>(p__State.m__LONG__HighestWritten));
        }
        return l__Out;
    }
    const uint32_t l__ULONG__Invisible = InvisibleTrackNumber(p__State);
    const VdiscTrack* l__Track = nullptr;
    bool l__bool__Invisible = false;
    switch (p__UCHAR__AddressType) {
        case 0: {
            int32_t l__LONG__Lba = static_cast<int32_t>(p__ULONG__Number);
            for (const VdiscTrack& l__Candidate : p__State.m__Tracks)
                if (l__LONG__Lba >= l__Candidate.m__LONG__Start && l__LONG__Lba < TrackEnd(l__Candidate)) l__Track = &l__Candidate;
            if (l__Track == nullptr) {
                if (!p__State.IsAppendable() || l__LONG__Lba < p__State.InvisibleTrackStart() || l__LONG__Lba >= l__LONG__Capacity)
                    VdiscCommand::Fail(0x05, 0x21, 0x00);
                l__bool__Invisible = true;
            }
            break;
        }
        case 1:
            if (p__ULONG__Number == 0) VdiscCommand::InvalidField();
            if (p__ULONG__Number == 0xFF || p__ULONG__Number == l__ULONG__Invisible) {
                l__Track = p__State.OpenTrack();
                l__bool__Invisible = l__Track == nullptr;
                if (l__bool__Invisible && !p__State.IsAppendable()) VdiscCommand::InvalidField();
            } else {
                l__Track = p__State.TrackNumber(p__ULONG__Number);
                if (l__Track == nullptr) VdiscCommand::InvalidField();
            }
            break;
        case 2:
            for (const VdiscTrack& l__Candidate : p__State.m__Tracks)
                if (l__Candidate.m__UCHAR__Session == p__ULONG__Number) {
                    l__Track = &l__Candidate;
                    break;
                }
            if (l__Track == nullptr) {
                if (p__ULONG__Number != p__State.CurrentSessionNumber() || !p__State.IsAppendable()) VdiscCommand::InvalidField();
                l__bool__Invisible = true;
            }
            break;
        default:
            VdiscCommand::InvalidField();
    }
    const bool l__bool__Cd = p__State.IsCd();
    if (l__bool__Invisible) {
        const int32_t l__LONG__Start = p__State.InvisibleTrackStart();
        l__Out[2] = static_cast<uint8_t>(l__ULONG__Invisible);
        l__Out[32] = static_cast<uint8_t>(l__ULONG__Invisible >> 8);
        l__Out[3] = static_cast<uint8_t>(p__State.CurrentSessionNumber());
        l__Out[5] = l__bool__Cd ? 0x04 : 0x05;
        l__Out[6] = 0x4F;  // blank, data mode unknown
        l__Out[7] = 0x01;
        VdiscCommand::PutBe32(l__Out, 8, static_cast<uint32_t>(l__LONG__Start));
        VdiscCommand::PutBe32(l__Out, 12, static_cast<uint32_t>(l__LONG__Start));
        VdiscCommand::PutBe32(l__Out, 16, static_cast<uint32_t>(std::max(0, l__LONG__Capacity - l__LONG__Start)));
        VdiscCommand::PutBe32(l__Out, 24, static_cast<uint32_t>(std::max(0, l__LONG__Capacity - l__LONG__Start)));
        return l__Out;
    }
    l__Out[2] = l__Track->m__UCHAR__Number;
    l__Out[3] = l__Track->m__UCHAR__Session;
    uint8_t l__UCHAR__Mode = l__Track->m__UCHAR__Control;
    if (!l__bool__Cd) l__UCHAR__Mode = l__Track->m__WriteKind == VdiscWriteKind::DvdDiscAtOnce ? 0x04 : 0x05;
    l__Out[5] = l__UCHAR__Mode;
    const bool l__bool__Reserved = l__Track->m__State == VdiscTrackState::Reserved;
    const bool l__bool__Writable = l__Track->m__State != VdiscTrackState::Closed && p__State.IsAppendable();
    l__Out[6] = static_cast<uint8_t>((l__bool__Reserved ? 0x80 : 0) | (l__Track->m__LONG__Recorded == 0 ? 0x40 : 0) |
                                     (l__Track->m__UCHAR__DataMode & 0x0F));
    int32_t l__LONG__Size = l__Track->m__LONG__Size;
    int32_t l__LONG__Next = l__Track->m__LONG__Start + l__Track->m__LONG__Recorded;
    int32_t l__LONG__Free = 0;
    if (l__bool__Writable) {
        l__Out[7] = 0x01;
        if (l__bool__Reserved) {
            l__LONG__Free = l__Track->m__LONG__Size - l__Track->m__LONG__Recorded;
        } else {
            l__LONG__Free = std::max(0, l__LONG__Capacity - l__LONG__Next);
            l__LONG__Size = l__LONG__Capacity - l__Track->m__LONG__Start;
        }
        VdiscCommand::PutBe32(l__Out, 12, static_cast<uint32_t>(l__LONG__Next));
    }
    if (l__Track->m__LONG__Recorded > 0) {
        l__Out[7] |= 0x02;
        VdiscCommand::PutBe32(l__Out, 28, static_cast<uint32_t>(l__LONG__Next - 1));
    }
    VdiscCommand::PutBe32(l__Out, 8, static_cast<uint32_t>(l__Track->m__LONG__Start));
    VdiscCommand::PutBe32(l__Out, 16, static_cast<uint32_t>(l__LONG__Free));
    VdiscCommand::PutBe32(l__Out, 24, static_cast<uint32_t>(l__LONG__Size));
    return l__Out;
}

Bytes VdiscDiscReports::Toc(const VdiscState& p__State, uint8_t p__UCHAR__Format, bool p__bool__Msf, uint8_t p__UCHAR__Number) {
    std::vector<const VdiscTrack*> l__Tracks = TocTracks(p__State);
    VdiscTrack l__Whole;
    if (IsRandom(p__State) && p__State.m__bool__IsFormatted) {
        // A formatted random-writable disc reads as one data track over its capacity.
        l__Whole.m__UCHAR__Number = 1;
        l__Whole.m__UCHAR__Session = 1;
        l__Whole.m__LONG__Size = p__State.Capacity();
        l__Tracks.push_back(&l__Whole);
    }
    if (l__Tracks.empty()) VdiscCommand::InvalidField();
    const int32_t l__LONG__LeadOut = TrackEnd(*l__Tracks.back());
    Bytes l__Out(4, 0);
    if (p__UCHAR__Format == 0) {
        l__Out[2] = l__Tracks.front()->m__UCHAR__Number;
        l__Out[3] = l__Tracks.back()->m__UCHAR__Number;
        if (p__UCHAR__Number != 0xAA && p__UCHAR__Number > l__Tracks.back()->m__UCHAR__Number) VdiscCommand::InvalidField();
        auto l__Add = [&](uint8_t p__UCHAR__Control, uint8_t p__UCHAR__Track, int32_t p__LONG__Lba) {
            size_t l__size_t__At = l__Out.size();
            l__Out.resize(l__size_t__At + 8, 0);
            l__Out[l__size_t__At + 1] = static_cast<uint8_t>(0x10 | p__UCHAR__Control);
            l__Out[l__size_t__At + 2] = p__UCHAR__Track;
            PutAddress(l__Out, l__size_t__At + 4, p__LONG__Lba, p__bool__Msf);
        };
        for (const VdiscTrack* l__Track : l__Tracks)
            if (p__UCHAR__Number != 0xAA && l__Track->m__UCHAR__Number >= p__UCHAR__Number)
                l__Add(l__Track->m__UCHAR__Control, l__Track->m__UCHAR__Number, l__Track->m__LONG__Start);
        l__Add(l__Tracks.back()->m__UCHAR__Control, 0xAA, l__LONG__LeadOut);
    } else if (p__UCHAR__Format == 1) {
        std::vector<const VdiscSession*> l__Closed = ClosedSessions(p__State);
        uint8_t l__UCHAR__LastSession = l__Closed.empty() ? l__Tracks.back()->m__UCHAR__Session : l__Closed.back()->m__UCHAR__Number;
        const VdiscTrack* l__First = l__Tracks.front();
        for (const VdiscTrack* l__Track : l__Tracks)
            if (l__Track->m__UCHAR__Session == l__UCHAR__LastSession) {
                l__First = l__Track;
                break;
            }
        l__Out[2] = 1;
        l__Out[3] = l__UCHAR__LastSession;
        l__Out.resize(12, 0);
        l__Out[5] = static_cast<uint8_t>(0x10 | l__First->m__UCHAR__Control);
        l__Out[6] = l__First->m__UCHAR__Number;
        PutAddress(l__Out, 8, l__First->m__LONG__Start, p__bool__Msf);
    } else if (p__UCHAR__Format == 2) {
        if (!p__State.IsCd()) VdiscCommand::InvalidField();
        std::vector<const VdiscSession*> l__Closed = ClosedSessions(p__State);
        if (l__Closed.empty()) VdiscCommand::InvalidField();
        l__Out[2] = l__Closed.front()->m__UCHAR__Number;
        l__Out[3] = l__Closed.back()->m__UCHAR__Number;
        auto l__Add = [&](uint8_t p__UCHAR__Session, uint8_t p__UCHAR__AdrControl, uint8_t p__UCHAR__Point, const uint8_t (&p__Msf)[3],
                          uint8_t p__UCHAR__Zero, const uint8_t (&p__PMsf)[3]) {
            l__Out.insert(l__Out.end(), {p__UCHAR__Session, p__UCHAR__AdrControl, 0, p__UCHAR__Point, p__Msf[0], p__Msf[1], p__Msf[2],
                                         p__UCHAR__Zero, p__PMsf[0], p__PMsf[1], p__PMsf[2]});
        };
        const uint8_t l__Zero[3] = {0, 0, 0};
        for (const VdiscSession* l__Session : l__Closed) {
            const uint8_t l__UCHAR__Number = l__Session->m__UCHAR__Number;
            std::vector<const VdiscTrack*> l__Own;
            for (const VdiscTrack* l__Track : l__Tracks)
                if (l__Track->m__UCHAR__Session == l__UCHAR__Number) l__Own.push_back(l__Track);
            if (l__Own.empty()) continue;
            const uint8_t l__UCHAR__FirstAdr = static_cast<uint8_t>(0x10 | l__Own.front()->m__UCHAR__Control);
            const uint8_t l__UCHAR__LastAdr = static_cast<uint8_t>(0x10 | l__Own.back()->m__UCHAR__Control);
            const uint8_t l__A0[3] = {l__Own.front()->m__UCHAR__Number, l__Session->m__UCHAR__Format, 0};
            const uint8_t l__A1[3] = {l__Own.back()->m__UCHAR__Number, 0, 0};
            uint8_t l__A2[3];
            CTarnwick_CdAddress::LbaToMsf(l__Session->m__LONG__LeadOutStart, l__A2);
            l__Add(l__UCHAR__Number, l__UCHAR__FirstAdr, 0xA0, l__Zero, 0, l__A0);
            l__Add(l__UCHAR__Number, l__UCHAR__LastAdr, 0xA1, l__Zero, 0, l__A1);
            l__Add(l__UCHAR__Number, l__UCHAR__LastAdr, 0xA2, l__Zero, 0, l__A2);
            for (const VdiscTrack* l__Track : l__Own) {
                uint8_t l__Start[3];
                CTarnwick_CdAddress::LbaToMsf(l__Track->m__LONG__Start, l__Start);
                l__Add(l__UCHAR__Number, static_cast<uint8_t>(0x10 | l__Track->m__UCHAR__Control), l__Track->m__UCHAR__Number, l__Zero, 0, l__Start);
            }
            const bool l__bool__First = l__Session == l__Closed.front();
            if (l__Session->m__UCHAR__MultiSession != 0) {
                // B0: where the next program area may start (after lead-out and lead-in), and
                // the last possible lead-out; FF when no further session is allowed.
                uint8_t l__Next[3] = {0xFF, 0xFF, 0xFF};
                if (l__Session->m__UCHAR__MultiSession == 3) CTarnwick_CdAddress::LbaToMsf(l__Session->m__LONG__LeadOutStart + 11250, l__Next);
                uint8_t l__Max[3];
                CTarnwick_CdAddress::LbaToMsf(p__State.FullCapacity(), l__Max);
                l__Add(l__UCHAR__Number, static_cast<uint8_t>(0x50 | (l__UCHAR__LastAdr & 0x0F)), 0xB0, l__Next,
                       static_cast<uint8_t>(l__bool__First ? 2 : 1), l__Max);
                if (l__bool__First) {
                    uint8_t l__LeadIn[3];
                    CTarnwick_CdAddress::LbaToMsf(p__State.Medium().m__LONG__LeadInStart, l__LeadIn);
                    l__Add(l__UCHAR__Number, static_cast<uint8_t>(0x50 | (l__UCHAR__LastAdr & 0x0F)), 0xC0, l__Zero, 0, l__LeadIn);
                }
            }
        }
    } else {
        VdiscCommand::InvalidField();
    }
    VdiscCommand::PutBe16(l__Out, 0, static_cast<uint32_t>(l__Out.size() - 2));
    return l__Out;
}

Bytes VdiscDiscReports::Capacity(const VdiscState& p__State) {
    Bytes l__Out(8, 0);
    int32_t l__LONG__Last = 0;
    if (IsRandom(p__State)) {
        l__LONG__Last = p__State.m__bool__IsFormatted ? p__State.Capacity() - 1 : 0;
    } else {
        std::vector<const VdiscSession*> l__Closed = ClosedSessions(p__State);
        if (!l__Closed.empty()) l__LONG__Last = l__Closed.back()->m__LONG__LeadOutStart - 1;
        else if (!p__State.m__Tracks.empty()) l__LONG__Last = std::max(0, p__State.RecordedEnd() - 1);
    }
    VdiscCommand::PutBe32(l__Out, 0, static_cast<uint32_t>(l__LONG__Last));
    VdiscCommand::PutBe32(l__Out, 4, 2048);
    return l__Out;
}

Bytes VdiscDiscReports::FormatCapacities(const VdiscState& p__State) {
    Bytes l__Out(4, 0);
    const uint32_t l__ULONG__Full = static_cast<uint32_t>(p__State.FullCapacity());
    auto l__Descriptor = [&](uint32_t p__ULONG__Blocks, uint8_t p__UCHAR__TypeByte, uint32_t p__ULONG__Parameter) {
        size_t l__size_t__At = l__Out.size();
        l__Out.resize(l__size_t__At + 8, 0);
        VdiscCommand::PutBe32(l__Out, l__size_t__At, p__ULONG__Blocks);
        l__Out[l__size_t__At + 4] = p__UCHAR__TypeByte;
        VdiscCommand::PutBe24(l__Out, l__size_t__At + 5, p__ULONG__Parameter);
    };
    if (p__State.m__Kind == VdiscMediumKind::None) {
        l__Descriptor(0xFFFFFFFFu, 0x03, 2048);
    } else if (p__State.m__Kind == VdiscMediumKind::BdRe) {
        // The capacity of the current format (the whole medium before any), then every format offered.
        if (p__State.m__bool__IsFormatted) l__Descriptor(static_cast<uint32_t>(p__State.Capacity()), 0x02, 2048);
        else l__Descriptor(l__ULONG__Full, 0x01, 2048);
        for (const VdiscFormatRow& l__Row : VdiscMedium::BdReFormats(p__State.m__UCHAR__Layers))
            l__Descriptor(l__Row.m__ULONG__Blocks, static_cast<uint8_t>(l__Row.m__UCHAR__Type << 2), l__Row.m__ULONG__Parameter);
    } else {
        const bool l__bool__Formatted = IsRandom(p__State) ? p__State.m__bool__IsFormatted : !p__State.m__Tracks.empty();
        l__Descriptor(l__ULONG__Full, l__bool__Formatted ? 0x02 : 0x01, 2048);
        switch (p__State.m__Kind) {
            case VdiscMediumKind::DvdPlusRw: l__Descriptor(l__ULONG__Full, 0x26 << 2, 0); break;
            case VdiscMediumKind::DvdRam: l__Descriptor(l__ULONG__Full, 0x00, 2048); break;
            case VdiscMediumKind::DvdRwSeq:
            case VdiscMediumKind::DvdRwRo:
                l__Descriptor(l__ULONG__Full, 0x10 << 2, 16);
                l__Descriptor(l__ULONG__Full, 0x15 << 2, 16);
                break;
            default: break;
        }
    }
    l__Out[3] = static_cast<uint8_t>(l__Out.size() - 4);
    return l__Out;
}

Bytes VdiscDiscReports::Configuration(const VdiscState& p__State, uint8_t p__UCHAR__Rt, uint32_t p__ULONG__Start) {
    if (p__UCHAR__Rt > 2) VdiscCommand::InvalidField();
    const VdiscMediumKind l__Kind = p__State.m__Kind;
    const bool l__bool__Present = l__Kind != VdiscMediumKind::None;
    const bool l__bool__Cd = l__bool__Present && p__State.IsCd();
    const bool l__bool__Bd = l__bool__Present && p__State.IsBd();
    const bool l__bool__Dvd = l__bool__Present && !l__bool__Cd && !l__bool__Bd;
    const bool l__bool__FormattedBdRe = l__Kind == VdiscMediumKind::BdRe && p__State.m__bool__IsFormatted;
    // Blocks read or written as one unit: a DVD ECC block, a BD cluster.
    const uint8_t l__UCHAR__Blocking = static_cast<uint8_t>(p__State.Cluster());
    const bool l__bool__Appendable = p__State.IsAppendable();
    const uint16_t l__USHORT__Profile = p__State.CurrentProfile();
    Bytes l__Out(8, 0);
    VdiscCommand::PutBe16(l__Out, 6, l__USHORT__Profile);
    struct Entry {
        uint16_t m__USHORT__Code;
        uint8_t m__UCHAR__Version;
        bool m__bool__Persistent;
        bool m__bool__Current;
        Bytes m__Data;
    };
    Bytes l__Profiles;
    for (uint16_t l__USHORT__P : {0x0043, 0x0041, 0x0040, 0x0012, 0x0011, 0x0014, 0x0013, 0x001B, 0x001A, 0x0010, 0x000A, 0x0009, 0x0008}) {
        l__Profiles.insert(l__Profiles.end(), {0, 0, static_cast<uint8_t>(l__USHORT__P == l__USHORT__Profile ? 1 : 0), 0});
        VdiscCommand::PutBe16(l__Profiles, l__Profiles.size() - 4, l__USHORT__P);
    }
    uint8_t l__UCHAR__Last[4];
    CTarnwick_Bytes::PutBigEndian32(l__UCHAR__Last, static_cast<uint32_t>(std::max(0, p__State.Capacity() - 1)));
    // BD Read: the versions of each class of BD-RE, BD-R and BD-ROM read (bit N: version N);
    // BD Write: SVNR, then those of BD-RE and BD-R written.
    const Bytes l__BdRead = {0, 0, 0, 0, 0x00, 0x0E, 0, 0, 0, 0, 0, 0, 0x00, 0x06, 0, 0, 0, 0, 0, 0, 0x00, 0x02, 0, 0, 0, 0, 0, 0};
    const Bytes l__BdWrite = {0, 0, 0, 0, 0x00, 0x0E, 0, 0, 0, 0, 0, 0, 0x00, 0x06, 0, 0, 0, 0, 0, 0};
    // Formattable: a BD drive adds Cert, QCert and RENoSA (BD-RE formats with and without
    // certification, and without spare areas) and the RRM byte.
    const Bytes l__Formattable = l__bool__Bd ? Bytes{0x0B, 0, 0, 0, 0, 0, 0, 0} : Bytes{0, 0, 0, 0};
    const Entry l__Features[] = {
        {0x0000, 0, true, true, l__Profiles},
        {0x0001, 1, true, true, {0, 0, 0, 2, 0, 0, 0, 0}},
        {0x0003, 0, true, true, {0x29, 0, 0, 0}},
        {0x0010, 0, false, l__bool__Present, {0, 0, 8, 0, 0, static_cast<uint8_t>(l__bool__Cd || !l__bool__Present ? 1 : l__UCHAR__Blocking), 0, 0}},
        {0x001E, 1, false, l__bool__Cd, {0x03, 0, 0, 0}},
        {0x001F, 0, false, l__bool__Dvd, {0, 0, 0, 0}},
        {0x0020, 0, false, l__Kind == VdiscMediumKind::DvdRam || l__Kind == VdiscMediumKind::DvdRwRo || l__bool__FormattedBdRe,
         {l__UCHAR__Last[0], l__UCHAR__Last[1], l__UCHAR__Last[2], l__UCHAR__Last[3], 0, 0, 8, 0, 0, l__UCHAR__Blocking, 0, 0}},
        {0x0021, 0, false, (l__bool__Cd || l__Kind == VdiscMediumKind::DvdR || l__Kind == VdiscMediumKind::DvdRwSeq) && l__bool__Appendable,
         {0x3F, 0x03, 0x01, 0x01, 16, 0, 0, 0}},
        {0x0023, 0, false, l__Kind == VdiscMediumKind::DvdPlusRw || l__Kind == VdiscMediumKind::DvdRam ||
                               l__Kind == VdiscMediumKind::DvdRwSeq || l__Kind == VdiscMediumKind::DvdRwRo || l__Kind == VdiscMediumKind::BdRe,
         l__Formattable},
        // Hardware Defect Management: a BD-RE formatted with spare areas. SSA stays clear: the
        // drive does not report spare area information.
        {0x0024, 1, false, p__State.HasSpareAreas(), {0, 0, 0, 0}},
        {0x0026, 0, false, l__Kind == VdiscMediumKind::DvdRwRo, {}},
        {0x002A, 0, false, l__Kind == VdiscMediumKind::DvdPlusRw, {0x01, 0x00, 0, 0}},
        {0x002B, 0, false, l__Kind == VdiscMediumKind::DvdPlusR, {0x01, 0, 0, 0}},
        {0x002D, 2, false, l__bool__Cd && l__bool__Appendable, {0x46, 0, 0x3F, 0x03}},
        {0x002E, 0, false, l__bool__Cd && l__bool__Appendable, {0x7E, 0x00, 0xFF, 0xFF}},
        {0x002F, 1, false, (l__Kind == VdiscMediumKind::DvdR || l__Kind == VdiscMediumKind::DvdRwSeq) && l__bool__Appendable,
         {0x46, 0, 0, 0}},
        {0x0040, 0, false, l__bool__Bd, l__BdRead},
        {0x0041, 0, false, (l__Kind == VdiscMediumKind::BdR && l__bool__Appendable) || l__Kind == VdiscMediumKind::BdRe, l__BdWrite},
    };
    for (const Entry& l__Entry : l__Features) {
        const bool l__bool__Take = p__UCHAR__Rt == 2 ? l__Entry.m__USHORT__Code == p__ULONG__Start
                                                     : l__Entry.m__USHORT__Code >= p__ULONG__Start && (p__UCHAR__Rt == 0 || l__Entry.m__bool__Current);
        if (l__bool__Take)
            Feature(l__Out, l__Entry.m__USHORT__Code, l__Entry.m__UCHAR__Version, l__Entry.m__bool__Persistent, l__Entry.m__bool__Current,
                    l__Entry.m__Data);
    }
    VdiscCommand::PutBe32(l__Out, 0, static_cast<uint32_t>(l__Out.size() - 4));
    return l__Out;
}

Bytes VdiscDiscReports::DvdStructure(const VdiscState& p__State, uint8_t p__UCHAR__Format) {
    if (p__State.m__Kind == VdiscMediumKind::None) VdiscCommand::Fail(0x02, 0x3A, 0x00);
    if (p__State.IsCd() || p__State.IsBd()) VdiscCommand::IncompatibleMedium();
    Bytes l__Out(4 + 2048, 0);
    VdiscCommand::PutBe16(l__Out, 0, 2050);
    if (p__UCHAR__Format == 0x04) return l__Out;
    if (p__UCHAR__Format != 0x00) VdiscCommand::InvalidField();
    uint8_t l__UCHAR__Book = 0, l__UCHAR__LayerType = 2;
    switch (p__State.m__Kind) {
        case VdiscMediumKind::DvdRam: l__UCHAR__Book = 1; l__UCHAR__LayerType = 4; break;
        case VdiscMediumKind::DvdR: l__UCHAR__Book = 2; break;
        case VdiscMediumKind::DvdRwSeq:
        case VdiscMediumKind::DvdRwRo: l__UCHAR__Book = 3; l__UCHAR__LayerType = 4; break;
        case VdiscMediumKind::DvdPlusRw: l__UCHAR__Book = 9; l__UCHAR__LayerType = 4; break;
        case VdiscMediumKind::DvdPlusR: l__UCHAR__Book = 10; break;
        default: break;
    }
    l__Out[4] = static_cast<uint8_t>(l__UCHAR__Book << 4 | 2);
    l__Out[5] = 0x0F;
    l__Out[6] = l__UCHAR__LayerType;
    const uint32_t l__ULONG__StartSector = 0x030000;
    const uint32_t l__ULONG__End = l__ULONG__StartSector + static_cast<uint32_t>(p__State.FullCapacity()) - 1;
    VdiscCommand::PutBe32(l__Out, 4 + 4, l__ULONG__StartSector);
    VdiscCommand::PutBe32(l__Out, 4 + 8, l__ULONG__End);
    return l__Out;
}
