#include "VdiscState.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t STATE_VERSION = 1;

int32_t AlignUp16(int32_t p__LONG__Lba) { return (p__LONG__Lba + 15) & ~15; }

class Writer {
public:
    std::vector<uint8_t> m__Bytes;
    void U8(uint8_t p__Value) { m__Bytes.push_back(p__Value); }
    void U32(uint32_t p__Value) {
        for (int l__int__I = 0; l__int__I < 4; ++l__int__I) m__Bytes.push_back(static_cast<uint8_t>(p__Value >> (8 * l__int__I)));
    }
    void I32(int32_t p__Value) { U32(static_cast<uint32_t>(p__Value)); }
    void Str(const std::string& p__Value) {
        U32(static_cast<uint32_t>(p__Value.size()));
        m__Bytes.insert(m__Bytes.end(), p__Value.begin(), p__Value.end());
    }
    void Bytes(const std::vector<uint8_t>& p__Value) {
        U32(static_cast<uint32_t>(p__Value.size()));
        m__Bytes.insert(m__Bytes.end(), p__Value.begin(), p__Value.end());
    }
};

class Reader {
public:
    Reader(const uint8_t* p__Data, size_t p__Length) : m__Data(p__Data), m__Length(p__Length) {}
    bool m__bool__Ok = true;
    uint8_t U8() {
        if (m__Position + 1 > m__Length) return Fail();
        return m__Data[m__Position++];
    }
    uint32_t U32() {
        if (m__Position + 4 > m__Length) return Fail();
        uint32_t l__ULONG__Value = 0;
        for (int l__int__I = 0; l__int__I < 4; ++l__int__I) l__ULONG__Value |= static_cast<uint32_t>(m__Data[m__Position++]) << (8 * l__int__I);
        return l__ULONG__Value;
    }
    int32_t I32() { return static_cast<int32_t>(U32()); }
    // Fields added after the first files were written: absent in older files.
    bool More() const { return m__bool__Ok && m__Position < m__Length; }
    std::string Str() {
        uint32_t l__ULONG__Size = U32();
        if (!m__bool__Ok || l__ULONG__Size > m__Length - m__Position) return Fail(), std::string();
        std::string l__string__Value(reinterpret_cast<const char*>(m__Data + m__Position), l__ULONG__Size);
        m__Position += l__ULONG__Size;
        return l__string__Value;
    }
    std::vector<uint8_t> Bytes() {
        uint32_t l__ULONG__Size = U32();
        if (!m__bool__Ok || l__ULONG__Size > m__Length - m__Position) return Fail(), std::vector<uint8_t>();
        std::vector<uint8_t> l__Value(m__Data + m__Position, m__Data + m__Position + l__ULONG__Size);
        m__Position += l__ULONG__Size;
        return l__Value;
    }
    // A count of items that cannot exceed what is left (each item at least p__Min bytes).
    uint32_t Count(uint32_t p__ULONG__MinItemSize) {
        uint32_t l__ULONG__Count = U32();
        if (m__bool__Ok && static_cast<uint64_t>(l__ULONG__Count) * p__ULONG__MinItemSize > m__Length - m__Position) Fail();
        return m__bool__Ok ? l__ULONG__Count : 0;
    }

private:
    uint8_t Fail() {
        m__bool__Ok = false;
        return 0;
    }
    const uint8_t* m__Data;
    size_t m__Length;
    size_t m__Position = 0;
};

}  // namespace

bool VdiscFaults::Refuses(uint8_t p__UCHAR__Op) const {
    return std::find(m__RefusedOps.begin(), m__RefusedOps.end(), p__UCHAR__Op) != m__RefusedOps.end();
}

VdiscState VdiscState::Blank(VdiscMediumKind p__Kind) {
    VdiscState l__State;
    l__State.m__Kind = p__Kind;
    // A restricted-overwrite DVD-RW is formatted by the time it is in that mode.
    l__State.m__bool__IsFormatted = (p__Kind == VdiscMediumKind::DvdRwRo);
    return l__State;
}

uint16_t VdiscState::CurrentProfile() const {
    if (m__bool__RomWhenFinalized && m__bool__IsFinalized) {
        if (m__Kind == VdiscMediumKind::CdR) return 0x0008;
        if (m__Kind == VdiscMediumKind::DvdR || m__Kind == VdiscMediumKind::DvdPlusR) return 0x0010;
    }
    return Medium().m__USHORT__Profile;
}

int32_t VdiscState::Capacity() const {
    const VdiscMediumInfo& l__Info = Medium();
    if (l__Info.m__bool__IsRandomWritable && !m__bool__IsFormatted) return 0;
    return l__Info.m__LONG__Capacity;
}

VdiscTrack* VdiscState::OpenTrack() {
    for (VdiscTrack& l__Track : m__Tracks) {
        if (l__Track.m__State == VdiscTrackState::Open) return &l__Track;
        if (l__Track.m__State == VdiscTrackState::Reserved && l__Track.m__LONG__Recorded < l__Track.m__LONG__Size) return &l__Track;
    }
    return nullptr;
}

uint32_t VdiscState::CurrentSessionNumber() const {
    if (m__Sessions.empty()) return 1;
    const VdiscSession& l__Last = m__Sessions.back();
    return l__Last.m__bool__IsClosed ? l__Last.m__UCHAR__Number + 1u : l__Last.m__UCHAR__Number;
}

bool VdiscState::IsAppendable() const {
    if (m__Kind == VdiscMediumKind::None) return false;
    if (Medium().m__bool__IsRandomWritable) return m__bool__IsFormatted;
    return !m__bool__IsFinalized;
}

int32_t VdiscState::InvisibleTrackStart() const {
    if (m__Tracks.empty()) return 0;
    const VdiscTrack& l__Last = m__Tracks.back();
    const bool l__bool__IsCd = IsCd();
    if (!m__Sessions.empty() && m__Sessions.back().m__bool__IsClosed) {
        int32_t l__LONG__LeadOut = m__Sessions.back().m__LONG__LeadOutStart;
        // CD: the old session's 6750-block lead-out, the new 4500-block lead-in and a 150-block pre-gap.
        return l__bool__IsCd ? l__LONG__LeadOut + 11400 : AlignUp16(l__LONG__LeadOut);
    }
    int32_t l__LONG__End = l__Last.m__LONG__Start + l__Last.m__LONG__Size;
    return l__bool__IsCd ? l__LONG__End + 150 : AlignUp16(l__LONG__End);
}

int32_t VdiscState::NextWritable() const {
    const VdiscTrack* l__Open = OpenTrack();
    if (l__Open != nullptr) return l__Open->m__LONG__Start + l__Open->m__LONG__Recorded;
    return InvisibleTrackStart();
}

int32_t VdiscState::RecordedEnd() const {
    int32_t l__LONG__End = 0;
    for (const VdiscTrack& l__Track : m__Tracks)
        l__LONG__End = std::max(l__LONG__End, l__Track.m__LONG__Start + std::max(l__Track.m__LONG__Size, l__Track.m__LONG__Recorded));
    if (m__bool__EverWritten) l__LONG__End = std::max(l__LONG__End, m__LONG__HighestWritten + 1);
    return l__LONG__End;
}

const VdiscTrack* VdiscState::TrackAt(int32_t p__LONG__Lba) const {
    const VdiscTrack* l__Found = nullptr;
    for (const VdiscTrack& l__Track : m__Tracks)
        if (p__LONG__Lba >= l__Track.m__LONG__Start - l__Track.m__LONG__Pregap) l__Found = &l__Track;
    if (l__Found != nullptr &&
        p__LONG__Lba >= l__Found->m__LONG__Start + std::max(l__Found->m__LONG__Size, l__Found->m__LONG__Recorded))
        return nullptr;
    return l__Found;
}

const VdiscTrack* VdiscState::TrackNumber(uint32_t p__ULONG__Number) const {
    for (const VdiscTrack& l__Track : m__Tracks)
        if (l__Track.m__UCHAR__Number == p__ULONG__Number) return &l__Track;
    return nullptr;
}

void VdiscState::NoteWritten(int32_t p__LONG__Lba, uint32_t p__ULONG__Count, VdiscSectorForm p__Form, uint8_t p__UCHAR__Control) {
    const int32_t l__LONG__End = p__LONG__Lba + static_cast<int32_t>(p__ULONG__Count);
    if (Medium().m__bool__IsRandomWritable) {
        m__bool__EverWritten = true;
        m__LONG__HighestWritten = std::max(m__LONG__HighestWritten, l__LONG__End - 1);
        return;
    }
    if (m__bool__SaoActive || m__bool__RawActive) {
        m__LONG__SaoNext = std::max(m__LONG__SaoNext, l__LONG__End);
        for (VdiscTrack& l__Track : m__Tracks) {
            if (l__Track.m__State == VdiscTrackState::Closed) continue;
            int32_t l__LONG__Done = std::min(l__LONG__End - l__Track.m__LONG__Start, l__Track.m__LONG__Size);
            if (l__LONG__Done > l__Track.m__LONG__Recorded) l__Track.m__LONG__Recorded = l__LONG__Done;
        }
        return;
    }
    VdiscTrack* l__Open = OpenTrack();
    if (l__Open == nullptr) {
        // The first write at the invisible track's address starts a new track.
        if (m__Sessions.empty() || m__Sessions.back().m__bool__IsClosed) {
            VdiscSession l__Session;
            l__Session.m__UCHAR__Number = static_cast<uint8_t>(CurrentSessionNumber());
            m__Sessions.push_back(l__Session);
        }
        VdiscTrack l__Track;
        l__Track.m__UCHAR__Number = static_cast<uint8_t>(m__Tracks.empty() ? 1 : m__Tracks.back().m__UCHAR__Number + 1);
        l__Track.m__UCHAR__Session = m__Sessions.back().m__UCHAR__Number;
        l__Track.m__LONG__Start = p__LONG__Lba;
        l__Track.m__LONG__Pregap = IsCd() ? 150 : 0;
        l__Track.m__WriteKind = IsCd() ? VdiscWriteKind::CdTrackAtOnce : VdiscWriteKind::DvdIncremental;
        switch (p__Form) {
            case VdiscSectorForm::Audio:
                l__Track.m__UCHAR__Control = 0;
                l__Track.m__UCHAR__DataMode = 0x0F;
                break;
            case VdiscSectorForm::Mode2Form1User:
            case VdiscSectorForm::Mode2Form2User:
            case VdiscSectorForm::Mode2Formless:
            case VdiscSectorForm::Mode2Subheader:
                l__Track.m__UCHAR__DataMode = 2;
                break;
            default:
                break;
        }
        // The track mode of the write parameters (copy, pre-emphasis) when it agrees with the blocks.
        if (IsCd() && p__UCHAR__Control != 0xFF && ((p__UCHAR__Control ^ l__Track.m__UCHAR__Control) & 4) == 0)
            l__Track.m__UCHAR__Control = p__UCHAR__Control & 0x0F;
        m__Tracks.push_back(l__Track);
        l__Open = &m__Tracks.back();
    }
    l__Open->m__LONG__Recorded = std::max(l__Open->m__LONG__Recorded, l__LONG__End - l__Open->m__LONG__Start);
    if (l__Open->m__State == VdiscTrackState::Open) l__Open->m__LONG__Size = l__Open->m__LONG__Recorded;
}

void VdiscState::CloseTrack() {
    VdiscTrack* l__Open = OpenTrack();
    if (l__Open == nullptr) return;
    if (l__Open->m__State == VdiscTrackState::Open) {
        l__Open->m__LONG__Size = l__Open->m__LONG__Recorded;
        // A Track-At-Once data track ends with two run-out blocks.
        if (l__Open->m__WriteKind == VdiscWriteKind::CdTrackAtOnce && (l__Open->m__UCHAR__Control & 4) != 0)
            l__Open->m__LONG__Size += 2;
    }
    l__Open->m__State = VdiscTrackState::Closed;
}

bool VdiscState::CloseSession(uint8_t p__UCHAR__MultiSession, uint8_t p__UCHAR__Format) {
    if (m__Sessions.empty() || m__Sessions.back().m__bool__IsClosed) return false;
    while (OpenTrack() != nullptr) CloseTrack();
    VdiscSession& l__Session = m__Sessions.back();
    const VdiscTrack* l__Last = nullptr;
    for (const VdiscTrack& l__Track : m__Tracks)
        if (l__Track.m__UCHAR__Session == l__Session.m__UCHAR__Number) l__Last = &l__Track;
    if (l__Last == nullptr) return false;
    l__Session.m__bool__IsClosed = true;
    l__Session.m__UCHAR__MultiSession = p__UCHAR__MultiSession;
    l__Session.m__UCHAR__Format = p__UCHAR__Format;
    l__Session.m__LONG__LeadOutStart = l__Last->m__LONG__Start + l__Last->m__LONG__Size;
    if (p__UCHAR__MultiSession != 3) m__bool__IsFinalized = true;
    m__bool__SaoActive = false;
    m__bool__RawActive = false;
    m__Cue.clear();
    return true;
}

std::vector<uint8_t> VdiscState::Serialize() const {
    Writer l__Out;
    l__Out.U32(STATE_VERSION);
    l__Out.U8(static_cast<uint8_t>(m__Kind));
    l__Out.Str(m__string__Vendor);
    l__Out.Str(m__string__Product);
    l__Out.Str(m__string__Revision);
    l__Out.U8(m__bool__HasPage30);
    l__Out.U32(m__ULONG__ImmedPolls);
    l__Out.U8(m__bool__IsFormatted);
    l__Out.U8(m__bool__IsFinalized);
    l__Out.U8(m__bool__EverWritten);
    l__Out.I32(m__LONG__HighestWritten);
    l__Out.U32(static_cast<uint32_t>(m__Sessions.size()));
    for (const VdiscSession& l__Session : m__Sessions) {
        l__Out.U8(l__Session.m__UCHAR__Number);
        l__Out.U8(l__Session.m__UCHAR__Format);
        l__Out.U8(l__Session.m__UCHAR__MultiSession);
        l__Out.U8(l__Session.m__bool__IsClosed);
        l__Out.I32(l__Session.m__LONG__LeadOutStart);
    }
    l__Out.U32(static_cast<uint32_t>(m__Tracks.size()));
    for (const VdiscTrack& l__Track : m__Tracks) {
        l__Out.U8(l__Track.m__UCHAR__Number);
        l__Out.U8(l__Track.m__UCHAR__Session);
        l__Out.U8(l__Track.m__UCHAR__Control);
        l__Out.U8(l__Track.m__UCHAR__DataMode);
        l__Out.U8(static_cast<uint8_t>(l__Track.m__State));
        l__Out.U8(static_cast<uint8_t>(l__Track.m__WriteKind));
        l__Out.I32(l__Track.m__LONG__Pregap);
        l__Out.I32(l__Track.m__LONG__Start);
        l__Out.I32(l__Track.m__LONG__Size);
        l__Out.I32(l__Track.m__LONG__Recorded);
    }
    l__Out.Bytes(m__Cue);
    l__Out.U8(m__bool__SaoActive);
    l__Out.U8(m__bool__RawActive);
    l__Out.I32(m__LONG__SaoNext);
    l__Out.U8(m__Faults.m__bool__WriteFailSet);
    l__Out.I32(m__Faults.m__LONG__WriteFailLba);
    l__Out.U32(static_cast<uint32_t>(m__Faults.m__ReadFaults.size()));
    for (const VdiscReadFault& l__Fault : m__Faults.m__ReadFaults) {
        l__Out.I32(l__Fault.m__LONG__Lba);
        l__Out.I32(l__Fault.m__LONG__Remaining);
    }
    l__Out.U32(m__Faults.m__ULONG__Busy);
    l__Out.U32(m__Faults.m__ULONG__NotReady);
    l__Out.U8(m__Faults.m__bool__UnitAttention);
    l__Out.U8(m__Faults.m__bool__NoMedium);
    l__Out.U8(m__bool__RomWhenFinalized);
    l__Out.U32(m__ULONG__WriteSpeed);
    l__Out.Bytes(m__Faults.m__RefusedOps);
    l__Out.U8(m__Faults.m__bool__RefuseImmedClose);
    l__Out.U8(m__Faults.m__UCHAR__RefusedWriteTypes);
    l__Out.Str(m__string__CommandLog);
    return l__Out.m__Bytes;
}

bool VdiscState::Deserialize(const uint8_t* p__PUCHAR__Data, size_t p__size_t__Length) {
    Reader l__In(p__PUCHAR__Data, p__size_t__Length);
    VdiscState l__State;
    if (l__In.U32() != STATE_VERSION) return false;
    uint8_t l__UCHAR__Kind = l__In.U8();
    if (l__UCHAR__Kind > static_cast<uint8_t>(VdiscMediumKind::DvdRam)) return false;
    l__State.m__Kind = static_cast<VdiscMediumKind>(l__UCHAR__Kind);
    l__State.m__string__Vendor = l__In.Str();
    l__State.m__string__Product = l__In.Str();
    l__State.m__string__Revision = l__In.Str();
    l__State.m__bool__HasPage30 = l__In.U8() != 0;
    l__State.m__ULONG__ImmedPolls = l__In.U32();
    l__State.m__bool__IsFormatted = l__In.U8() != 0;
    l__State.m__bool__IsFinalized = l__In.U8() != 0;
    l__State.m__bool__EverWritten = l__In.U8() != 0;
    l__State.m__LONG__HighestWritten = l__In.I32();
    uint32_t l__ULONG__Sessions = l__In.Count(8);
    for (uint32_t l__ULONG__I = 0; l__ULONG__I < l__ULONG__Sessions; ++l__ULONG__I) {
        VdiscSession l__Session;
        l__Session.m__UCHAR__Number = l__In.U8();
        l__Session.m__UCHAR__Format = l__In.U8();
        l__Session.m__UCHAR__MultiSession = l__In.U8();
        l__Session.m__bool__IsClosed = l__In.U8() != 0;
        l__Session.m__LONG__LeadOutStart = l__In.I32();
        l__State.m__Sessions.push_back(l__Session);
    }
    uint32_t l__ULONG__Tracks = l__In.Count(22);
    for (uint32_t l__ULONG__I = 0; l__ULONG__I < l__ULONG__Tracks; ++l__ULONG__I) {
        VdiscTrack l__Track;
        l__Track.m__UCHAR__Number = l__In.U8();
        l__Track.m__UCHAR__Session = l__In.U8();
        l__Track.m__UCHAR__Control = l__In.U8();
        l__Track.m__UCHAR__DataMode = l__In.U8();
        l__Track.m__State = static_cast<VdiscTrackState>(l__In.U8() % 3);
        l__Track.m__WriteKind = static_cast<VdiscWriteKind>(l__In.U8() % 7);
        l__Track.m__LONG__Pregap = l__In.I32();
        l__Track.m__LONG__Start = l__In.I32();
        l__Track.m__LONG__Size = l__In.I32();
        l__Track.m__LONG__Recorded = l__In.I32();
        l__State.m__Tracks.push_back(l__Track);
    }
    l__State.m__Cue = l__In.Bytes();
    l__State.m__bool__SaoActive = l__In.U8() != 0;
    l__State.m__bool__RawActive = l__In.U8() != 0;
    l__State.m__LONG__SaoNext = l__In.I32();
    l__State.m__Faults.m__bool__WriteFailSet = l__In.U8() != 0;
    l__State.m__Faults.m__LONG__WriteFailLba = l__In.I32();
    uint32_t l__ULONG__Faults = l__In.Count(8);
    for (uint32_t l__ULONG__I = 0; l__ULONG__I < l__ULONG__Faults; ++l__ULONG__I) {
        VdiscReadFault l__Fault;
        l__Fault.m__LONG__Lba = l__In.I32();
        l__Fault.m__LONG__Remaining = l__In.I32();
        l__State.m__Faults.m__ReadFaults.push_back(l__Fault);
    }
    l__State.m__Faults.m__ULONG__Busy = l__In.U32();
    l__State.m__Faults.m__ULONG__NotReady = l__In.U32();
    l__State.m__Faults.m__bool__UnitAttention = l__In.U8() != 0;
    l__State.m__Faults.m__bool__NoMedium = l__In.U8() != 0;
    l__State.m__bool__RomWhenFinalized = l__In.U8() != 0;
    if (l__In.More()) {
        l__State.m__ULONG__WriteSpeed = l__In.U32();
        l__State.m__Faults.m__RefusedOps = l__In.Bytes();
        l__State.m__Faults.m__bool__RefuseImmedClose = l__In.U8() != 0;
        l__State.m__Faults.m__UCHAR__RefusedWriteTypes = l__In.U8();
        l__State.m__string__CommandLog = l__In.Str();
    }
    if (!l__In.m__bool__Ok) return false;
    *this = std::move(l__State);
    return true;
}
