#include "VdiscWriter.h"

#include <algorithm>
#include <string>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_CdAddress.h"
#include "VdiscSectorCoder.h"
#include "VdiscSectorReader.h"

namespace {

[[noreturn]] void ClosedDisc() { VdiscCommand::Fail(0x05, 0x30, 0x05); }        // cannot write medium: incompatible format
[[noreturn]] void NotAtNextWritable() { VdiscCommand::Fail(0x05, 0x21, 0x02); }  // invalid address for write
[[noreturn]] void OutOfRange() { VdiscCommand::Fail(0x05, 0x21, 0x00); }         // logical block address out of range
[[noreturn]] void WrongMode() { VdiscCommand::Fail(0x05, 0x64, 0x00); }          // illegal mode for this track
[[noreturn]] void WrongMedium() { VdiscCommand::Fail(0x05, 0x30, 0x00); }        // incompatible medium installed

void CheckLength(uint64_t p__ULONGLONG__Expected, uint32_t p__ULONG__Length) {
    // The transfer the host announced must carry exactly the blocks of the CDB.
    if (p__ULONGLONG__Expected != p__ULONG__Length) VdiscCommand::InvalidField();
}

// What a Track-At-Once data block type stores.
bool TrackAtOnceForm(uint8_t p__UCHAR__Type, VdiscSectorForm& p__Form) {
    switch (p__UCHAR__Type) {
        case 0: p__Form = VdiscSectorForm::Audio; return true;
        case 8: p__Form = VdiscSectorForm::Mode1User; return true;
        case 9: p__Form = VdiscSectorForm::Mode2Formless; return true;
        case 10: p__Form = VdiscSectorForm::Mode2Form1User; return true;
        case 11:
        case 13: p__Form = VdiscSectorForm::Mode2Subheader; return true;
        case 12: p__Form = VdiscSectorForm::Mode2Form2User; return true;
        default: return false;
    }
}

// DVD-R and DVD-RW record as the write parameters page says (incremental or Disc-At-Once);
// DVD+R and BD-R ignore its write type.
bool FollowsWriteType(VdiscMediumKind p__Kind) { return p__Kind == VdiscMediumKind::DvdR || p__Kind == VdiscMediumKind::DvdRwSeq; }

}  // namespace

void VdiscWriter::Forget() {
    if (m__TestSnapshot) m__Store.MutableState() = *m__TestSnapshot;
    m__TestSnapshot.reset();
    m__Cue.reset();
    m__Raw.reset();
}

void VdiscWriter::Eject() {
    if (m__TestSnapshot) {
        Forget();
        return;
    }
    if (m__Store.State().m__bool__RawActive) FinishRawSession();
}

void VdiscWriter::Commit() {
    if (m__TestSnapshot) return;  // a test write changes nothing on the disc
    std::string l__string__Error;
    if (!m__Store.CommitState(l__string__Error)) VdiscCommand::Fail(0x04, 0x44, 0x00);
}

void VdiscWriter::EraseKeeping(int32_t p__LONG__KeepBelow) {
    std::string l__string__Error;
    if (!m__Store.Erase(l__string__Error, p__LONG__KeepBelow)) VdiscCommand::Fail(0x04, 0x44, 0x00);
}

const VdiscCueSheet& VdiscWriter::Cue() {
    if (!m__Cue) {
        const VdiscState& l__State = m__Store.State();
        VdiscCueSheet l__Cue;
        l__Cue.Parse(l__State.m__Cue.data(), static_cast<uint32_t>(l__State.m__Cue.size()), l__State.Medium().m__LONG__LeadInStart,
                     l__State.FullCapacity());
        m__Cue = l__Cue;
    }
    return *m__Cue;
}

const VdiscRawChecker& VdiscWriter::Raw() {
    if (!m__Raw) {
        // Follows the recorded blocks again; a block that no longer passes ends what is learned.
        VdiscRawChecker l__Raw;
        const VdiscState& l__State = m__Store.State();
        uint8_t l__UCHAR__Block[2448];
        try {
            for (int32_t l__LONG__Lba = l__State.Medium().m__LONG__LeadInStart; l__LONG__Lba < l__State.m__LONG__SaoNext; ++l__LONG__Lba) {
                VdiscExtent l__Extent;
                uint64_t l__ULONGLONG__Offset;
                if (!m__Store.Find(l__LONG__Lba, l__Extent, l__ULONGLONG__Offset) || l__Extent.m__USHORT__Size > sizeof(l__UCHAR__Block) ||
                    (l__Extent.m__Form != VdiscSectorForm::RawPQ && l__Extent.m__Form != VdiscSectorForm::RawPW) ||
                    !m__Store.ReadStored(l__ULONGLONG__Offset, l__Extent.m__USHORT__Size, l__UCHAR__Block))
                    break;
                l__Raw.Learn(l__LONG__Lba, l__UCHAR__Block, l__Extent.m__USHORT__Size);
            }
        } catch (const VdiscCheckCondition&) {
        }
        m__Raw = l__Raw;
    }
    return *m__Raw;
}

void VdiscWriter::Record(int32_t p__LONG__Lba, uint32_t p__ULONG__Count, uint16_t p__USHORT__Size, VdiscSectorForm p__Form,
                         const uint8_t* p__PUCHAR__Sub, const uint8_t* p__PUCHAR__Data, uint8_t p__UCHAR__Control) {
    VdiscState& l__State = m__Store.MutableState();
    // A bad spot: the blocks before it are recorded, then the drive reports the write error.
    const VdiscFaults& l__Faults = l__State.m__Faults;
    uint32_t l__ULONG__Count = p__ULONG__Count;
    bool l__bool__Fails = false;
    if (l__Faults.m__bool__WriteFailSet && l__Faults.m__LONG__WriteFailLba >= p__LONG__Lba &&
        l__Faults.m__LONG__WriteFailLba < p__LONG__Lba + static_cast<int32_t>(p__ULONG__Count)) {
        l__ULONG__Count = static_cast<uint32_t>(l__Faults.m__LONG__WriteFailLba - p__LONG__Lba);
        l__bool__Fails = true;
    }
    if (l__ULONG__Count > 0) {
        if (m__TestSnapshot) {
            l__State.NoteWritten(p__LONG__Lba, l__ULONG__Count, p__Form, p__UCHAR__Control);
        } else {
            std::string l__string__Error;
            if (!m__Store.AppendSectors(p__LONG__Lba, l__ULONG__Count, p__USHORT__Size, p__Form, p__PUCHAR__Sub, p__PUCHAR__Data, l__string__Error,
                                        p__UCHAR__Control))
                VdiscCommand::Fail(0x03, 0x0C, 0x00);
        }
    }
    if (l__bool__Fails) VdiscCommand::Fail(0x03, 0x0C, 0x00);
}

void VdiscWriter::Write(int32_t p__LONG__Lba, uint32_t p__ULONG__Blocks, const uint8_t* p__PUCHAR__Data, uint32_t p__ULONG__Length) {
    const VdiscState& l__State = m__Store.State();
    if (p__ULONG__Blocks == 0) {
        CheckLength(0, p__ULONG__Length);
        return;
    }
    if (m__Pages.TestWrite() && !m__TestSnapshot) m__TestSnapshot = l__State;
    if (l__State.Medium().m__bool__IsRandomWritable || !l__State.IsCd()) {
        WriteDvd(p__LONG__Lba, p__ULONG__Blocks, p__PUCHAR__Data, p__ULONG__Length);
        return;
    }
    switch (m__Pages.WriteType()) {
        case 1: WriteCdTrackAtOnce(p__LONG__Lba, p__ULONG__Blocks, p__PUCHAR__Data, p__ULONG__Length); break;
        case 2: WriteCdCue(p__LONG__Lba, p__ULONG__Blocks, p__PUCHAR__Data, p__ULONG__Length); break;
        case 3: WriteCdRaw(p__LONG__Lba, p__ULONG__Blocks, p__PUCHAR__Data, p__ULONG__Length); break;
        default: WrongMode();  // packet writing is not offered
    }
}

void VdiscWriter::WriteCdTrackAtOnce(int32_t p__LONG__Lba, uint32_t p__ULONG__Blocks, const uint8_t* p__PUCHAR__Data, uint32_t p__ULONG__Length) {
    const VdiscState& l__State = m__Store.State();
    VdiscSectorForm l__Form;
    const uint8_t l__UCHAR__Type = m__Pages.DataBlockType();
    if (!TrackAtOnceForm(l__UCHAR__Type, l__Form)) WrongMode();
    const uint32_t l__ULONG__Size = VdiscModePages::BlockSize(l__UCHAR__Type);
    CheckLength(static_cast<uint64_t>(p__ULONG__Blocks) * l__ULONG__Size, p__ULONG__Length);
    if (!l__State.IsAppendable()) ClosedDisc();
    if (l__State.m__bool__SaoActive || l__State.m__bool__RawActive) VdiscCommand::SequenceError();
    if (p__LONG__Lba != l__State.NextWritable()) NotAtNextWritable();
    if (static_cast<int64_t>(p__LONG__Lba) + p__ULONG__Blocks > l__State.Capacity()) OutOfRange();
    const VdiscTrack* l__Open = l__State.OpenTrack();
    if (l__Open != nullptr) {
        // A track keeps the kind of blocks it started with.
        const bool l__bool__Audio = l__Form == VdiscSectorForm::Audio;
        const bool l__bool__Mode1 = l__Form == VdiscSectorForm::Mode1User;
        if (l__bool__Audio != ((l__Open->m__UCHAR__Control & 4) == 0)) WrongMode();
        if (!l__bool__Audio && l__bool__Mode1 != (l__Open->m__UCHAR__DataMode == 1)) WrongMode();
    }
    Record(p__LONG__Lba, p__ULONG__Blocks, static_cast<uint16_t>(l__ULONG__Size), l__Form, m__Pages.Subheader(), p__PUCHAR__Data, m__Pages.TrackMode());
}

void VdiscWriter::WriteCdCue(int32_t p__LONG__Lba, uint32_t p__ULONG__Blocks, const uint8_t* p__PUCHAR__Data, uint32_t p__ULONG__Length) {
    const VdiscState& l__State = m__Store.State();
    if (!l__State.m__bool__SaoActive) VdiscCommand::SequenceError();  // no cue sheet
    const VdiscCueSheet& l__Cue = Cue();
    // Group the blocks by the region of the cue sheet they fall in.
    struct Run {
        int32_t m__LONG__Lba;
        uint32_t m__ULONG__Count;
        const VdiscCueSheet::Region* m__Region;
    };
    std::vector<Run> l__Runs;
    uint64_t l__ULONGLONG__Bytes = 0;
    for (uint32_t l__ULONG__I = 0; l__ULONG__I < p__ULONG__Blocks; ++l__ULONG__I) {
        const int32_t l__LONG__Lba = p__LONG__Lba + static_cast<int32_t>(l__ULONG__I);
        const VdiscCueSheet::Region* l__Region = l__Cue.RegionAt(l__LONG__Lba);
        if (l__Region == nullptr) OutOfRange();
        if (l__Runs.empty() || l__Runs.back().m__Region != l__Region) l__Runs.push_back({l__LONG__Lba, 0, l__Region});
        l__Runs.back().m__ULONG__Count++;
        l__ULONGLONG__Bytes += l__Region->m__ULONG__Size;
    }
    CheckLength(l__ULONGLONG__Bytes, p__ULONG__Length);
    if (p__LONG__Lba != l__State.m__LONG__SaoNext) NotAtNextWritable();
    const uint8_t* l__PUCHAR__At = p__PUCHAR__Data;
    for (const Run& l__Run : l__Runs) {
        Record(l__Run.m__LONG__Lba, l__Run.m__ULONG__Count, static_cast<uint16_t>(l__Run.m__Region->m__ULONG__Size),
               VdiscCueSheet::StorageForm(l__Run.m__Region->m__UCHAR__Form), nullptr, l__PUCHAR__At);
        l__PUCHAR__At += static_cast<size_t>(l__Run.m__ULONG__Count) * l__Run.m__Region->m__ULONG__Size;
    }
}

void VdiscWriter::WriteCdRaw(int32_t p__LONG__Lba, uint32_t p__ULONG__Blocks, const uint8_t* p__PUCHAR__Data, uint32_t p__ULONG__Length) {
    VdiscState& l__State = m__Store.MutableState();
    const uint8_t l__UCHAR__Type = m__Pages.DataBlockType();
    if (l__UCHAR__Type < 1 || l__UCHAR__Type > 3) WrongMode();
    const uint32_t l__ULONG__Size = VdiscModePages::BlockSize(l__UCHAR__Type);
    CheckLength(static_cast<uint64_t>(p__ULONG__Blocks) * l__ULONG__Size, p__ULONG__Length);
    const bool l__bool__Begins = !l__State.m__bool__RawActive;
    if (l__bool__Begins) {
        // Raw Disc-At-Once writes a whole disc, from the lead-in the disc information announces.
        if (!l__State.m__Tracks.empty() || !l__State.m__Sessions.empty() || l__State.m__bool__SaoActive) ClosedDisc();
        if (p__LONG__Lba != l__State.Medium().m__LONG__LeadInStart) NotAtNextWritable();
        m__Raw = VdiscRawChecker();
    } else if (p__LONG__Lba != l__State.m__LONG__SaoNext) {
        NotAtNextWritable();
    }
    if (static_cast<int64_t>(p__LONG__Lba) + p__ULONG__Blocks > l__State.FullCapacity() + 6750) OutOfRange();
    // Every block is checked before any is recorded: a refused WRITE leaves the run where it was.
    VdiscRawChecker l__Checked = Raw();
    l__Checked.Check(p__LONG__Lba, p__ULONG__Blocks, p__PUCHAR__Data, l__ULONG__Size);
    // Nothing is written beyond a whole lead-out (90 seconds).
    if (l__Checked.TocComplete() && static_cast<int64_t>(p__LONG__Lba) + p__ULONG__Blocks > static_cast<int64_t>(l__Checked.LeadOut()) + 6750) OutOfRange();
    if (l__bool__Begins) {
        l__State.m__bool__RawActive = true;
        l__State.m__LONG__SaoNext = p__LONG__Lba;
        Commit();
    }
    try {
        Record(p__LONG__Lba, p__ULONG__Blocks, static_cast<uint16_t>(l__ULONG__Size), l__UCHAR__Type == 1 ? VdiscSectorForm::RawPQ : VdiscSectorForm::RawPW,
               nullptr, p__PUCHAR__Data);
    } catch (...) {
        m__Raw.reset();  // part of the blocks may be on the disc: learned again from it
        throw;
    }
    m__Raw = l__Checked;
}

void VdiscWriter::WriteDvd(int32_t p__LONG__Lba, uint32_t p__ULONG__Blocks, const uint8_t* p__PUCHAR__Data, uint32_t p__ULONG__Length) {
    const VdiscState& l__State = m__Store.State();
    CheckLength(static_cast<uint64_t>(p__ULONG__Blocks) * 2048, p__ULONG__Length);
    const int64_t l__LONGLONG__End = static_cast<int64_t>(p__LONG__Lba) + p__ULONG__Blocks;
    if (l__State.Medium().m__bool__IsRandomWritable) {
        if (!l__State.m__bool__IsFormatted) VdiscCommand::Fail(0x05, 0x30, 0x10);  // medium not formatted
        if (p__LONG__Lba < 0 || l__LONGLONG__End > l__State.Capacity()) OutOfRange();
    } else {
        if (!l__State.IsAppendable()) ClosedDisc();
        const VdiscTrack* l__Open = l__State.OpenTrack();
        const bool l__bool__Reserved = l__Open != nullptr && l__Open->m__State == VdiscTrackState::Reserved;
        // Disc-At-Once on DVD-R/RW writes only into a reserved track.
        if (FollowsWriteType(l__State.m__Kind) && m__Pages.WriteType() == 2 && !l__bool__Reserved) VdiscCommand::SequenceError();
        if (p__LONG__Lba != l__State.NextWritable()) NotAtNextWritable();
        const int64_t l__LONGLONG__Limit = l__bool__Reserved ? l__Open->m__LONG__Start + l__Open->m__LONG__Size : l__State.Capacity();
        if (l__LONGLONG__End > l__LONGLONG__Limit) OutOfRange();
    }
    Record(p__LONG__Lba, p__ULONG__Blocks, 2048, VdiscSectorForm::Dvd2048, nullptr, p__PUCHAR__Data);
}

void VdiscWriter::SynchronizeCache() {
    if (m__TestSnapshot) {
        Forget();
        return;
    }
    VdiscState& l__State = m__Store.MutableState();
    if (l__State.IsCd()) {
        if (l__State.m__bool__SaoActive) {
            if (l__State.m__LONG__SaoNext > Cue().FirstWrite()) FinishCueSession();
        } else if (l__State.m__bool__RawActive) {
            FinishRawSession();
        } else if (l__State.OpenTrack() != nullptr) {
            l__State.CloseTrack();
            Commit();
        }
        return;
    }
    // Disc-At-Once on sequential DVD: the drive closes track, session and disc.
    VdiscTrack* l__Open = l__State.OpenTrack();
    if (l__Open != nullptr && l__Open->m__WriteKind == VdiscWriteKind::DvdDiscAtOnce && l__Open->m__LONG__Recorded > 0) {
        l__State.CloseTrack();
        l__State.CloseSession(0, 0);
        Commit();
    }
}

void VdiscWriter::FinishCueSession() {
    VdiscState& l__State = m__Store.MutableState();
    std::vector<VdiscTrack> l__Kept;
    for (VdiscTrack l__Track : l__State.m__Tracks) {
        if (l__Track.m__LONG__Recorded <= 0) continue;  // never reached: the drive ends the session before it
        l__Track.m__LONG__Size = std::min(l__Track.m__LONG__Size, l__Track.m__LONG__Recorded);
        l__Kept.push_back(l__Track);
    }
    l__State.m__Tracks = l__Kept;
    for (VdiscTrack& l__Track : l__State.m__Tracks) l__Track.m__State = VdiscTrackState::Closed;
    if (l__State.m__Tracks.empty()) {
        l__State.m__Sessions.clear();
        l__State.m__bool__SaoActive = false;
        l__State.m__Cue.clear();
    } else {
        l__State.CloseSession(m__Pages.MultiSession(), m__Pages.SessionFormat());
    }
    m__Cue.reset();
    Commit();
}

void VdiscWriter::FinishRawSession() {
    VdiscState& l__State = m__Store.MutableState();
    // The disc's tracks are what the lead-in's table of contents says, as far as the host wrote.
    const VdiscRawChecker& l__Raw = Raw();
    const int32_t l__LONG__Reached = l__State.m__LONG__SaoNext;
    const uint8_t l__UCHAR__DiscType = l__Raw.DiscType();
    std::vector<VdiscTrack> l__Tracks;
    for (int l__int__Number = l__Raw.FirstTrack(); l__Raw.TocComplete() && l__int__Number <= l__Raw.LastTrack(); ++l__int__Number) {
        const int32_t l__LONG__Start = l__Raw.Start(l__int__Number);
        if (l__LONG__Start >= l__LONG__Reached) break;  // never reached: the session ends before it
        const int32_t l__LONG__End = l__int__Number < l__Raw.LastTrack() ? l__Raw.Start(l__int__Number + 1) : l__Raw.LeadOut();
        VdiscTrack l__Track;
        l__Track.m__UCHAR__Number = static_cast<uint8_t>(l__int__Number);
        l__Track.m__UCHAR__Session = 1;
        l__Track.m__UCHAR__Control = l__Raw.Control(l__int__Number);
        const bool l__bool__Data = (l__Track.m__UCHAR__Control & 4) != 0;
        l__Track.m__UCHAR__DataMode = !l__bool__Data ? 0x0F : l__Raw.Mode(l__int__Number) == 2 ? 2 : 1;
        l__Track.m__WriteKind = VdiscWriteKind::CdRaw;
        l__Track.m__State = VdiscTrackState::Closed;
        l__Track.m__LONG__Start = l__LONG__Start;
        l__Track.m__LONG__Pregap = l__Raw.IndexZero(l__int__Number) < l__LONG__Start ? l__LONG__Start - l__Raw.IndexZero(l__int__Number) : 0;
        l__Track.m__LONG__Size = std::min(l__LONG__End, l__LONG__Reached) - l__LONG__Start;
        l__Track.m__LONG__Recorded = l__Track.m__LONG__Size;
        l__Tracks.push_back(l__Track);
    }
    m__Raw.reset();
    if (l__Tracks.empty()) {
        // Nothing past the lead-in: the disc stays blank.
        l__State.m__bool__RawActive = false;
        l__State.m__Tracks.clear();
        l__State.m__Sessions.clear();
        EraseKeeping(INT32_MIN);
        return;
    }
    l__State.m__bool__RawActive = false;
    l__State.m__Tracks = l__Tracks;
    VdiscSession l__Session;
    l__Session.m__UCHAR__Number = 1;
    l__State.m__Sessions.push_back(l__Session);
    l__State.CloseSession(m__Pages.MultiSession(), l__UCHAR__DiscType);
    Commit();
}

void VdiscWriter::CloseTrackSession(uint8_t p__UCHAR__Function, uint32_t p__ULONG__Track) {
    if (m__TestSnapshot) {
        Forget();
        return;
    }
    VdiscState& l__State = m__Store.MutableState();
    switch (l__State.m__Kind) {
        case VdiscMediumKind::DvdPlusRw:
        case VdiscMediumKind::DvdRam:
        case VdiscMediumKind::DvdRwRo:
            // Nothing to close on random-writable media (a DVD+RW only stops its background format).
            if (p__UCHAR__Function != 1 && p__UCHAR__Function != 2 && p__UCHAR__Function != 5 && p__UCHAR__Function != 6) VdiscCommand::InvalidField();
            return;
        case VdiscMediumKind::BdRe:
            if (p__UCHAR__Function != 1 && p__UCHAR__Function != 2) VdiscCommand::InvalidField();
            return;
        case VdiscMediumKind::BdR:
            CloseBdR(p__UCHAR__Function, p__ULONG__Track);
            return;
        default:
            break;
    }
    if (l__State.m__bool__SaoActive || l__State.m__bool__RawActive) VdiscCommand::SequenceError();  // the drive closes those itself
    switch (p__UCHAR__Function) {
        case 1:
            if (l__State.OpenTrack() != nullptr) {
                l__State.CloseTrack();
                Commit();
            }
            return;
        case 2: {
            const uint8_t l__UCHAR__Multi = l__State.m__Kind == VdiscMediumKind::DvdPlusR ? 3 : m__Pages.MultiSession();
            if (!l__State.CloseSession(l__UCHAR__Multi, l__State.IsCd() ? m__Pages.SessionFormat() : 0)) VdiscCommand::SequenceError();
            Commit();
            return;
        }
        case 5:
        case 6:
            if (l__State.m__Kind != VdiscMediumKind::DvdPlusR) VdiscCommand::InvalidField();
            if (l__State.m__Tracks.empty()) VdiscCommand::SequenceError();
            if (!l__State.CloseSession(0, 0)) {
                l__State.m__bool__IsFinalized = true;
                l__State.m__Sessions.back().m__UCHAR__MultiSession = 0;
            }
            Commit();
            return;
        default:
            VdiscCommand::InvalidField();
    }
}

void VdiscWriter::CloseBdR(uint8_t p__UCHAR__Function, uint32_t p__ULONG__Track) {
    VdiscState& l__State = m__Store.MutableState();
    if (p__UCHAR__Function != 1 && p__UCHAR__Function != 2 && p__UCHAR__Function != 6) VdiscCommand::InvalidField();
    if (l__State.m__Tracks.empty()) VdiscCommand::SequenceError();
    switch (p__UCHAR__Function) {
        case 1: {
            // The logical track the CDB names; closing a closed one changes nothing.
            VdiscTrack* l__Named = nullptr;
            for (VdiscTrack& l__Track : l__State.m__Tracks)
                if (l__Track.m__UCHAR__Number == p__ULONG__Track) l__Named = &l__Track;
            if (l__Named == nullptr) VdiscCommand::InvalidField();
            if (l__Named->m__State == VdiscTrackState::Closed) return;
            if (l__Named == l__State.OpenTrack()) l__State.CloseTrack();
            else l__Named->m__State = VdiscTrackState::Closed;  // a reserved track already written full
            Commit();
            return;
        }
        case 2:
            // The session closes and the disc takes another.
            if (!l__State.CloseSession(3, 0)) VdiscCommand::SequenceError();
            Commit();
            return;
        default:
            // Finalises: the open session (if any) is closed as the last one.
            if (!l__State.CloseSession(0, 0)) {
                l__State.m__bool__IsFinalized = true;
                l__State.m__Sessions.back().m__UCHAR__MultiSession = 0;
            }
            Commit();
            return;
    }
}

void VdiscWriter::ReserveTrack(uint32_t p__ULONG__Blocks) {
    VdiscState& l__State = m__Store.MutableState();
    switch (l__State.m__Kind) {
        case VdiscMediumKind::DvdRwRo:
            return;  // accepted and without effect, as drives that tolerate it do
        case VdiscMediumKind::DvdR:
        case VdiscMediumKind::DvdRwSeq:
        case VdiscMediumKind::DvdPlusR:
        case VdiscMediumKind::BdR:
            break;
        default:
            VdiscCommand::SequenceError();
    }
    if (!l__State.IsAppendable()) ClosedDisc();
    // The bound leaves room to round up to a whole BD cluster (32 blocks) within a 32-bit address.
    if (p__ULONG__Blocks == 0 || p__ULONG__Blocks > 0x7FFFFFE0u) VdiscCommand::InvalidField();
    if (l__State.OpenTrack() != nullptr) VdiscCommand::SequenceError();
    if (m__Pages.TestWrite() && !m__TestSnapshot) m__TestSnapshot = l__State;  // a simulated reservation
    const int32_t l__LONG__Start = l__State.InvisibleTrackStart();
    const int32_t l__LONG__Size = l__State.AlignToCluster(static_cast<int32_t>(p__ULONG__Blocks));
    if (static_cast<int64_t>(l__LONG__Start) + l__LONG__Size > l__State.Capacity()) OutOfRange();
    if (l__State.m__Sessions.empty() || l__State.m__Sessions.back().m__bool__IsClosed) {
        VdiscSession l__Session;
        l__Session.m__UCHAR__Number = static_cast<uint8_t>(l__State.CurrentSessionNumber());
        l__State.m__Sessions.push_back(l__Session);
    }
    VdiscTrack l__Track;
    l__Track.m__UCHAR__Number = static_cast<uint8_t>(l__State.m__Tracks.empty() ? 1 : l__State.m__Tracks.back().m__UCHAR__Number + 1);
    l__Track.m__UCHAR__Session = l__State.m__Sessions.back().m__UCHAR__Number;
    l__Track.m__State = VdiscTrackState::Reserved;
    l__Track.m__WriteKind = FollowsWriteType(l__State.m__Kind) && m__Pages.WriteType() == 2 ? VdiscWriteKind::DvdDiscAtOnce : VdiscWriteKind::DvdIncremental;
    l__Track.m__LONG__Start = l__LONG__Start;
    l__Track.m__LONG__Size = l__LONG__Size;
    l__State.m__Tracks.push_back(l__Track);
    Commit();
}

void VdiscWriter::SendCueSheet(const uint8_t* p__PUCHAR__Data, uint32_t p__ULONG__Length) {
    VdiscState& l__State = m__Store.MutableState();
    if (!l__State.IsCd() || m__Pages.WriteType() != 2) VdiscCommand::SequenceError();
    // A cue sheet sent again before anything was written replaces the first.
    const bool l__bool__Replaces = l__State.m__bool__SaoActive && l__State.m__LONG__SaoNext == Cue().FirstWrite();
    // Session-At-Once here writes the first session of a blank disc.
    if (!l__bool__Replaces && (!l__State.m__Tracks.empty() || !l__State.m__Sessions.empty() || l__State.m__bool__SaoActive)) VdiscCommand::SequenceError();
    if (l__State.m__bool__RawActive) VdiscCommand::SequenceError();
    // Checked before anything changes: a refused cue sheet leaves the disc and the run as they were.
    VdiscCueSheet l__Cue;
    l__Cue.Parse(p__PUCHAR__Data, p__ULONG__Length, l__State.Medium().m__LONG__LeadInStart, l__State.FullCapacity());
    if (m__Pages.TestWrite() && !m__TestSnapshot) m__TestSnapshot = l__State;
    l__State.m__Sessions.clear();
    l__State.m__Cue.assign(p__PUCHAR__Data, p__PUCHAR__Data + p__ULONG__Length);
    l__State.m__bool__SaoActive = true;
    l__State.m__LONG__SaoNext = l__Cue.FirstWrite();
    l__State.m__Tracks = l__Cue.Tracks();
    VdiscSession l__Session;
    l__Session.m__UCHAR__Number = 1;
    l__State.m__Sessions.push_back(l__Session);
    m__Cue = l__Cue;
    Commit();
}

void VdiscWriter::Blank(uint8_t p__UCHAR__Type, uint32_t p__ULONG__Start) {
    (void)p__ULONG__Start;
    Forget();
    VdiscState& l__State = m__Store.MutableState();
    const VdiscMediumKind l__Kind = l__State.m__Kind;
    if (l__Kind != VdiscMediumKind::CdRw && l__Kind != VdiscMediumKind::DvdRwSeq && l__Kind != VdiscMediumKind::DvdRwRo) WrongMedium();
    auto l__Fresh = [&]() {
        VdiscState l__Blank = VdiscState::Blank(l__Kind == VdiscMediumKind::DvdRwRo ? VdiscMediumKind::DvdRwSeq : l__Kind);
        l__Blank.m__string__Vendor = l__State.m__string__Vendor;
        l__Blank.m__string__Product = l__State.m__string__Product;
        l__Blank.m__string__Revision = l__State.m__string__Revision;
        l__Blank.m__bool__HasPage30 = l__State.m__bool__HasPage30;
        l__Blank.m__ULONG__ImmedPolls = l__State.m__ULONG__ImmedPolls;
        l__Blank.m__bool__RomWhenFinalized = l__State.m__bool__RomWhenFinalized;
        // The drive's recording speed and command log belong to the drive, not to the medium.
        l__Blank.m__ULONG__WriteSpeed = l__State.m__ULONG__WriteSpeed;
        l__Blank.m__string__CommandLog = l__State.m__string__CommandLog;
        l__Blank.m__Faults = l__State.m__Faults;
        l__State = l__Blank;
    };
    switch (p__UCHAR__Type) {
        case 0:
        case 1:
            l__Fresh();
            EraseKeeping(INT32_MIN);
            return;
        case 6: {
            if (l__Kind == VdiscMediumKind::DvdRwRo) WrongMedium();
            if (l__State.m__Sessions.empty()) return;
            const uint8_t l__UCHAR__Last = l__State.m__Sessions.back().m__UCHAR__Number;
            int32_t l__LONG__KeepBelow = INT32_MAX;
            std::vector<VdiscTrack> l__Kept;
            for (const VdiscTrack& l__Track : l__State.m__Tracks) {
                if (l__Track.m__UCHAR__Session == l__UCHAR__Last) l__LONG__KeepBelow = std::min(l__LONG__KeepBelow, l__Track.m__LONG__Start - l__Track.m__LONG__Pregap);
                else l__Kept.push_back(l__Track);
            }
            l__State.m__Sessions.pop_back();
            if (l__State.m__Sessions.empty()) {
                l__Fresh();
                EraseKeeping(INT32_MIN);
                return;
            }
            l__State.m__Tracks = l__Kept;
            l__State.m__bool__SaoActive = l__State.m__bool__RawActive = false;
            l__State.m__Cue.clear();
            l__State.m__bool__IsFinalized = l__State.m__Sessions.back().m__UCHAR__MultiSession != 3;
            EraseKeeping(l__LONG__KeepBelow);
            return;
        }
        default:
            VdiscCommand::InvalidField();
    }
}

void VdiscWriter::FormatUnit(const uint8_t* p__PUCHAR__Cdb, const uint8_t* p__PUCHAR__Data, uint32_t p__ULONG__Length, bool& p__bool__Immed) {
    Forget();
    if ((p__PUCHAR__Cdb[1] & 0x10) == 0 || (p__PUCHAR__Cdb[1] & 0x07) != 1) VdiscCommand::InvalidField();
    if (p__ULONG__Length < 12) VdiscCommand::Fail(0x05, 0x1A, 0x00);
    p__bool__Immed = (p__PUCHAR__Data[1] & 0x02) != 0;
    if (p__PUCHAR__Data[2] != 0 || p__PUCHAR__Data[3] != 8) VdiscCommand::InvalidParameter();
    const uint32_t l__ULONG__Blocks = CTarnwick_Bytes::GetBigEndian32(p__PUCHAR__Data + 4);
    const uint8_t l__UCHAR__Type = p__PUCHAR__Data[8] >> 2;
    const uint32_t l__ULONG__Parameter = CTarnwick_Bytes::GetBigEndian24(p__PUCHAR__Data + 9);
    VdiscState& l__State = m__Store.MutableState();
    const uint32_t l__ULONG__Capacity = static_cast<uint32_t>(l__State.FullCapacity());
    switch (l__State.m__Kind) {
        case VdiscMediumKind::DvdPlusRw:
            if (l__UCHAR__Type != 0x26 || (l__ULONG__Blocks != 0xFFFFFFFFu && l__ULONG__Blocks > l__ULONG__Capacity)) VdiscCommand::InvalidParameter();
            break;
        case VdiscMediumKind::DvdRam:
            if (l__UCHAR__Type != 0x00 || l__ULONG__Blocks > l__ULONG__Capacity || l__ULONG__Parameter != 2048) VdiscCommand::InvalidParameter();
            break;
        case VdiscMediumKind::DvdRwSeq:
        case VdiscMediumKind::DvdRwRo:
            if (l__UCHAR__Type != 0x10 && l__UCHAR__Type != 0x15) VdiscCommand::InvalidParameter();
            l__State.m__Kind = VdiscMediumKind::DvdRwRo;
            l__State.m__Tracks.clear();
            l__State.m__Sessions.clear();
            l__State.m__bool__IsFinalized = false;
            break;
        case VdiscMediumKind::BdRe: {
            // One of the formats READ FORMAT CAPACITIES offers: 30h (any sub-type) with its blocks and
            // spare clusters, or 31h over the whole medium (parameter zero or the block length).
            bool l__bool__Offered = false;
            for (const VdiscFormatRow& l__Row : VdiscMedium::BdReFormats(l__State.m__UCHAR__Layers)) {
                if (l__Row.m__UCHAR__Type != l__UCHAR__Type || l__Row.m__ULONG__Blocks != l__ULONG__Blocks) continue;
                l__bool__Offered = l__UCHAR__Type == 0x30 ? l__ULONG__Parameter == l__Row.m__ULONG__Parameter
                                                          : l__ULONG__Parameter == 0 || l__ULONG__Parameter == l__Row.m__ULONG__Parameter;
                if (l__bool__Offered) break;
            }
            if (!l__bool__Offered) VdiscCommand::InvalidParameter();
            l__State.m__LONG__FormattedCapacity = static_cast<int32_t>(l__ULONG__Blocks);
            break;
        }
        default:
            WrongMedium();
    }
    l__State.m__bool__IsFormatted = true;
    l__State.m__bool__EverWritten = false;
    l__State.m__LONG__HighestWritten = -1;
    EraseKeeping(INT32_MIN);
}
