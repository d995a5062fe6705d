#include "VdiscState.h"

#include <algorithm>
#include <cstring>

#include "CTarnwick_Bytes.h"
#include "MmcCodes.h"

namespace {

constexpr uint32_t STATE_VERSION = 1;
constexpr uint8_t OPCODE_WRITE12 = 0xAA;

// How a reader takes an enumeration byte it does not know: refuse the state, or reduce it.
enum class UnknownValue { Refuse, Wrap };

// Appends each field it visits: integers little-endian, strings and byte strings with a
// 32-bit length, lists with a 32-bit count.
class Writer {
public:
    std::vector<uint8_t> m__Bytes;
    void Version(uint32_t p__ULONG__Version) { Field(p__ULONG__Version); }
    void Field(const uint8_t& p__Value) { m__Bytes.push_back(p__Value); }
    void Field(const bool& p__Value) { m__Bytes.push_back(p__Value ? 1 : 0); }
    void Field(const uint32_t& p__Value) {
        m__Bytes.resize(m__Bytes.size() + 4);
        CTarnwick_Bytes::PutLittleEndian32(m__Bytes.data() + m__Bytes.size() - 4, p__Value);
    }
    void Field(const int32_t& p__Value) { Field(static_cast<uint32_t>(p__Value)); }
    void Field(const std::string& p__Value) { Run(p__Value); }
    void Field(const std::vector<uint8_t>& p__Value) { Run(p__Value); }
    template <class E>
    void Enum(const E& p__Value, uint8_t, UnknownValue) { Field(static_cast<uint8_t>(p__Value)); }
    template <class T, class F>
    void List(const std::vector<T>& p__Items, uint32_t, F p__Visit) {
        Field(static_cast<uint32_t>(p__Items.size()));
        for (const T& l__Item : p__Items) p__Visit(l__Item);
    }
    // Fields added after the first files were written.
    template <class F>
    void Appended(F p__Visit) { p__Visit(); }
    // Fields added later still, left out while they hold their defaults, so that the state of a
    // CD or DVD stores the bytes it always did.
    template <class F>
    void AppendedUnlessDefault(bool p__bool__Default, F p__Visit) {
        if (!p__bool__Default) p__Visit();
    }

private:
    template <class C>
    void Run(const C& p__Value) {
        Field(static_cast<uint32_t>(p__Value.size()));
        m__Bytes.insert(m__Bytes.end(), p__Value.begin(), p__Value.end());
    }
};

// Reads each field it visits, in the writer's layout; a field beyond the end, a length or
// count larger than what is left, an unknown version or a refused value make m__bool__Ok false.
class Reader {
public:
    Reader(const uint8_t* p__Data, size_t p__Length) : m__Data(p__Data), m__Length(p__Length) {}
    bool m__bool__Ok = true;
    void Version(uint32_t p__ULONG__Version) {
        if (U32() != p__ULONG__Version) Fail();
    }
    void Field(uint8_t& p__Value) { p__Value = U8(); }
    void Field(bool& p__Value) { p__Value = U8() != 0; }
    void Field(uint32_t& p__Value) { p__Value = U32(); }
    void Field(int32_t& p__Value) { p__Value = static_cast<int32_t>(U32()); }
    void Field(std::string& p__Value) { p__Value = Run<std::string>(); }
    void Field(std::vector<uint8_t>& p__Value) { p__Value = Run<std::vector<uint8_t>>(); }
    // p__UCHAR__Count values are known (0 .. count - 1).
    template <class E>
    void Enum(E& p__Value, uint8_t p__UCHAR__Count, UnknownValue p__Unknown) {
        uint8_t l__UCHAR__Raw = U8();
        if (l__UCHAR__Raw >= p__UCHAR__Count) {
            if (p__Unknown == UnknownValue::Refuse) Fail();
            l__UCHAR__Raw %= p__UCHAR__Count;
        }
        p__Value = static_cast<E>(l__UCHAR__Raw);
    }
    // Each item takes at least p__ULONG__MinItemSize bytes, so no count can ask for more than is left.
    template <class T, class F>
    void List(std::vector<T>& p__Items, uint32_t p__ULONG__MinItemSize, F p__Visit) {
        uint32_t l__ULONG__Count = U32();
        if (m__bool__Ok && static_cast<uint64_t>(l__ULONG__Count) * p__ULONG__MinItemSize > m__Length - m__Position) Fail();
        if (!m__bool__Ok) return;
        for (uint32_t l__ULONG__I = 0; l__ULONG__I < l__ULONG__Count; ++l__ULONG__I) {
            T l__Item;
            p__Visit(l__Item);
            p__Items.push_back(l__Item);
        }
    }
    // Fields added after the first files were written: absent in older files.
    template <class F>
    void Appended(F p__Visit) {
        if (m__bool__Ok && m__Position < m__Length) p__Visit();
    }
    template <class F>
    void AppendedUnlessDefault(bool, F p__Visit) { Appended(p__Visit); }

private:
    uint8_t U8() {
        if (m__Position + 1 > m__Length) return Fail();
        return m__Data[m__Position++];
    }
    uint32_t U32() {
        if (m__Position + 4 > m__Length) return Fail();
        m__Position += 4;
        return CTarnwick_Bytes::GetLittleEndian32(m__Data + m__Position - 4);
    }
    template <class C>
    C Run() {
        uint32_t l__ULONG__Size = U32();
        if (!m__bool__Ok || l__ULONG__Size > m__Length - m__Position) return Fail(), C();
        C l__Value(m__Data + m__Position, m__Data + m__Position + l__ULONG__Size);
        m__Position += l__ULONG__Size;
        return l__Value;
    }
    uint8_t Fail() {
        m__bool__Ok = false;
        return 0;
    }
    const uint8_t* m__Data;
    size_t m__Length;
    size_t m__Position = 0;
};

// The one list of the stored fields, in their order: Serialize visits it with a Writer over a
// const state, Deserialize with a Reader over a fresh one, so both directions always agree.
template <class Io, class State>
void VisitFields(Io& p__Io, State& p__State) {
    p__Io.Version(STATE_VERSION);
    p__Io.Enum(p__State.m__Kind, static_cast<uint8_t>(VdiscMediumKind::BdRe) + 1, UnknownValue::Refuse);
    p__Io.Field(p__State.m__string__Vendor);
    p__Io.Field(p__State.m__string__Product);
    p__Io.Field(p__State.m__string__Revision);
    p__Io.Field(p__State.m__bool__HasPage30);
    p__Io.Field(p__State.m__ULONG__ImmedPolls);
    p__Io.Field(p__State.m__bool__IsFormatted);
    p__Io.Field(p__State.m__bool__IsFinalized);
    p__Io.Field(p__State.m__bool__EverWritten);
    p__Io.Field(p__State.m__LONG__HighestWritten);
    p__Io.List(p__State.m__Sessions, 8, [&](auto& p__Session) {
        p__Io.Field(p__Session.m__UCHAR__Number);
        p__Io.Field(p__Session.m__UCHAR__Format);
        p__Io.Field(p__Session.m__UCHAR__MultiSession);
        p__Io.Field(p__Session.m__bool__IsClosed);
        p__Io.Field(p__Session.m__LONG__LeadOutStart);
    });
    p__Io.List(p__State.m__Tracks, 22, [&](auto& p__Track) {
        p__Io.Field(p__Track.m__UCHAR__Number);
        p__Io.Field(p__Track.m__UCHAR__Session);
        p__Io.Field(p__Track.m__UCHAR__Control);
        p__Io.Field(p__Track.m__UCHAR__DataMode);
        p__Io.Enum(p__Track.m__State, 3, UnknownValue::Wrap);
        p__Io.Enum(p__Track.m__WriteKind, 7, UnknownValue::Wrap);
        p__Io.Field(p__Track.m__LONG__Pregap);
        p__Io.Field(p__Track.m__LONG__Start);
        p__Io.Field(p__Track.m__LONG__Size);
        p__Io.Field(p__Track.m__LONG__Recorded);
    });
    p__Io.Field(p__State.m__Cue);
    p__Io.Field(p__State.m__bool__SaoActive);
    p__Io.Field(p__State.m__bool__RawActive);
    p__Io.Field(p__State.m__LONG__SaoNext);
    p__Io.Field(p__State.m__Faults.m__bool__WriteFailSet);
    p__Io.Field(p__State.m__Faults.m__LONG__WriteFailLba);
    p__Io.List(p__State.m__Faults.m__ReadFaults, 8, [&](auto& p__Fault) {
        p__Io.Field(p__Fault.m__LONG__Lba);
        p__Io.Field(p__Fault.m__LONG__Remaining);
    });
    p__Io.Field(p__State.m__Faults.m__ULONG__Busy);
    p__Io.Field(p__State.m__Faults.m__ULONG__NotReady);
    p__Io.Field(p__State.m__Faults.m__bool__UnitAttention);
    p__Io.Field(p__State.m__Faults.m__bool__NoMedium);
    p__Io.Field(p__State.m__bool__RomWhenFinalized);
    p__Io.Appended([&] {
        p__Io.Field(p__State.m__ULONG__WriteSpeed);
        p__Io.Field(p__State.m__Faults.m__RefusedOps);
        p__Io.Field(p__State.m__Faults.m__bool__RefuseImmedClose);
        p__Io.Field(p__State.m__Faults.m__UCHAR__RefusedWriteTypes);
        p__Io.Field(p__State.m__string__CommandLog);
    });
    // (Fields added after these go inside this block too, written whenever any of them is.)
    // Each block after it is written only with the blocks before it, which a reader takes in order.
    p__Io.AppendedUnlessDefault(p__State.m__UCHAR__Layers == 1 && p__State.m__LONG__FormattedCapacity == 0 &&
                                    !p__State.m__Faults.m__bool__WriteProtected,
                                [&] {
                                    p__Io.Field(p__State.m__UCHAR__Layers);
                                    p__Io.Field(p__State.m__LONG__FormattedCapacity);
                                });
    p__Io.AppendedUnlessDefault(!p__State.m__Faults.m__bool__WriteProtected, [&] { p__Io.Field(p__State.m__Faults.m__bool__WriteProtected); });
}

}  // namespace

bool VdiscFaults::Refuses(uint8_t p__UCHAR__Op) const {
    return std::find(m__RefusedOps.begin(), m__RefusedOps.end(), p__UCHAR__Op) != m__RefusedOps.end();
}

bool VdiscFaults::Records(uint8_t p__UCHAR__Op) {
    switch (p__UCHAR__Op) {
        case MmcCodes::OPCODE_WRITE10:
        case OPCODE_WRITE12:
        case MmcCodes::OPCODE_BLANK:
        case MmcCodes::OPCODE_FORMAT_UNIT:
        case MmcCodes::OPCODE_CLOSE_TRACK_SESSION:
        case MmcCodes::OPCODE_RESERVE_TRACK:
        case MmcCodes::OPCODE_SEND_CUE_SHEET:
            return true;
        default:
            return false;
    }
}

VdiscState VdiscState::Blank(VdiscMediumKind p__Kind, uint8_t p__UCHAR__Layers) {
    VdiscState l__State;
    l__State.m__Kind = p__Kind;
    l__State.m__UCHAR__Layers = p__UCHAR__Layers;
    // A restricted-overwrite DVD-RW is formatted by the time it is in that mode.
    l__State.m__bool__IsFormatted = (p__Kind == VdiscMediumKind::DvdRwRo);
    return l__State;
}

uint16_t VdiscState::CurrentProfile() const {
    if (m__bool__RomWhenFinalized && m__bool__IsFinalized) {
        if (m__Kind == VdiscMediumKind::CdR) return 0x0008;
        if (m__Kind == VdiscMediumKind::DvdR || m__Kind == VdiscMediumKind::DvdPlusR) return 0x0010;
        if (m__Kind == VdiscMediumKind::BdR) return 0x0040;
    }
    return Medium().m__USHORT__Profile;
}

int32_t VdiscState::Capacity() const {
    const VdiscMediumInfo& l__Info = Medium();
    if (l__Info.m__bool__IsRandomWritable && !m__bool__IsFormatted) return 0;
    if (m__Kind == VdiscMediumKind::BdRe && m__LONG__FormattedCapacity > 0) return m__LONG__FormattedCapacity;
    return FullCapacity();
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
        return l__bool__IsCd ? l__LONG__LeadOut + 11400 : AlignToCluster(l__LONG__LeadOut);
    }
    int32_t l__LONG__End = l__Last.m__LONG__Start + l__Last.m__LONG__Size;
    return l__bool__IsCd ? l__LONG__End + 150 : AlignToCluster(l__LONG__End);
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
    VisitFields(l__Out, *this);
    return l__Out.m__Bytes;
}

bool VdiscState::Deserialize(const uint8_t* p__PUCHAR__Data, size_t p__size_t__Length) {
    Reader l__In(p__PUCHAR__Data, p__size_t__Length);
    VdiscState l__State;
    VisitFields(l__In, l__State);
    if (!l__In.m__bool__Ok) return false;
    // Only BD has a second layer; a format takes no more than the medium holds.
    if (l__State.m__UCHAR__Layers < 1 || l__State.m__UCHAR__Layers > 2 || (l__State.m__UCHAR__Layers == 2 && !l__State.IsBd()) ||
        l__State.m__LONG__FormattedCapacity < 0 || l__State.m__LONG__FormattedCapacity > l__State.FullCapacity())
        return false;
    *this = std::move(l__State);
    return true;
}
