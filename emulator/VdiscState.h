#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "VdiscMedium.h"

// How a track came to be written; decides what its sectors hold and how it closes.
enum class VdiscWriteKind : uint8_t {
    None = 0,
    CdTrackAtOnce,
    CdSessionAtOnce,
    CdRaw,
    DvdIncremental,
    DvdDiscAtOnce,
    Random,
};

// What the disc file stores per sector of an extent, and so how READ CD rebuilds
// the sector: user data of some sector form, or raw sectors as the host sent them.
enum class VdiscSectorForm : uint8_t {
    Dvd2048 = 0,
    Mode1User,          // 2048 bytes of Mode 1 user data
    Mode2Form1User,     // 2048 bytes; subheader from the extent
    Mode2Form2User,     // 2324 bytes; subheader from the extent
    Mode2Formless,      // 2336 bytes after the header
    Mode2Subheader,     // 2056 (8 + 2048) or 2332 (8 + 2324) bytes: subheader and user data
    Audio,              // 2352 bytes of CD-DA
    Raw,                // 2352 raw bytes, data sectors scrambled as the host sends them
    RawPQ,              // 2352 raw + 16 bytes of P and Q
    RawPW,              // 2352 raw + 96 bytes of raw P-W
    SubchannelOnly,     // 96 bytes of P-W (a lead-in the drive fills with its own data)
};

enum class VdiscTrackState : uint8_t { Open = 0, Reserved = 1, Closed = 2 };

struct VdiscTrack {
    uint8_t m__UCHAR__Number = 0;
    uint8_t m__UCHAR__Session = 0;
    uint8_t m__UCHAR__Control = 4;   // Q control nibble: 0 audio, 4 data
    uint8_t m__UCHAR__DataMode = 1;  // 1 Mode 1, 2 Mode 2, 0x0F unknown
    VdiscTrackState m__State = VdiscTrackState::Open;
    VdiscWriteKind m__WriteKind = VdiscWriteKind::None;
    int32_t m__LONG__Pregap = 0;    // blocks of pre-gap (index 0) before the start
    int32_t m__LONG__Start = 0;     // LBA of index 1
    int32_t m__LONG__Size = 0;      // length in blocks (reserved size, or what closing fixed)
    int32_t m__LONG__Recorded = 0;  // blocks written from the start on
};

struct VdiscSession {
    uint8_t m__UCHAR__Number = 0;
    uint8_t m__UCHAR__Format = 0;      // disc type of the TOC: 00h CD-DA/CD-ROM, 10h CD-I, 20h CD-ROM XA
    uint8_t m__UCHAR__MultiSession = 0;  // write parameters' multi-session field when closed
    bool m__bool__IsClosed = false;
    int32_t m__LONG__LeadOutStart = 0;
};

struct VdiscReadFault {
    int32_t m__LONG__Lba = 0;
    int32_t m__LONG__Remaining = -1;  // -1: always
};

// Faults set with the tool, kept with the disc.
struct VdiscFaults {
    bool m__bool__WriteFailSet = false;
    int32_t m__LONG__WriteFailLba = 0;
    std::vector<VdiscReadFault> m__ReadFaults;
    uint32_t m__ULONG__Busy = 0;       // next N commands answer BUSY
    uint32_t m__ULONG__NotReady = 0;   // next N commands answer NOT READY
    bool m__bool__UnitAttention = false;
    bool m__bool__NoMedium = false;
    // Commands the drive refuses as unknown (ILLEGAL REQUEST, invalid operation code).
    std::vector<uint8_t> m__RefusedOps;
    // CLOSE TRACK/SESSION with Immed refused (ILLEGAL REQUEST, invalid field in CDB).
    bool m__bool__RefuseImmedClose = false;
    // Write types (bit N: write type N) the write parameters page does not take.
    uint8_t m__UCHAR__RefusedWriteTypes = 0;
    // The disc is write-protected: commands that record or erase answer DATA PROTECT 27/00.
    bool m__bool__WriteProtected = false;
    bool Any() const {
        return m__bool__WriteFailSet || !m__ReadFaults.empty() || m__ULONG__Busy || m__ULONG__NotReady ||
               m__bool__UnitAttention || m__bool__NoMedium || !m__RefusedOps.empty() || m__bool__RefuseImmedClose ||
               m__UCHAR__RefusedWriteTypes != 0 || m__bool__WriteProtected;
    }
    bool Refuses(uint8_t p__UCHAR__Op) const;
    // True for the commands write protection refuses: WRITE(10/12), BLANK, FORMAT UNIT,
    // CLOSE TRACK/SESSION, RESERVE TRACK, SEND CUE SHEET.
    static bool Records(uint8_t p__UCHAR__Op);
};

// Everything a disc file holds besides the sector contents: the medium, the drive
// identity, sessions and tracks, a Session-At-Once run in progress and the faults.
class VdiscState {
public:
    VdiscMediumKind m__Kind = VdiscMediumKind::None;
    std::string m__string__Vendor = "TARNWICK";
    std::string m__string__Product = "VIRTUAL RECORDER";
    std::string m__string__Revision = "1.00";
    bool m__bool__HasPage30 = false;
    uint32_t m__ULONG__ImmedPolls = 0;  // NOT READY answers after each Immed operation
    // Drives that report a finalised CD-R as CD-ROM and a finalised DVD-R/DVD+R as DVD-ROM.
    bool m__bool__RomWhenFinalized = false;
    // Simulated recording speed in KB/s (1000 bytes); 0 records as fast as the disc file takes it.
    uint32_t m__ULONG__WriteSpeed = 0;
    // File that every command the drive receives is appended to, one line each ("" for none).
    std::string m__string__CommandLog;

    uint8_t m__UCHAR__Layers = 1;        // recording layers (2 only on BD)
    bool m__bool__IsFormatted = false;   // DVD+RW, DVD-RAM, BD-RE
    int32_t m__LONG__FormattedCapacity = 0;  // BD-RE: the user blocks the last format chose
    bool m__bool__IsFinalized = false;   // no further session may be written
    bool m__bool__EverWritten = false;   // random-writable media: anything recorded
    int32_t m__LONG__HighestWritten = -1;

    std::vector<VdiscSession> m__Sessions;
    std::vector<VdiscTrack> m__Tracks;

    // Session-At-Once / raw run: the cue sheet sent, and the next LBA the host must write.
    std::vector<uint8_t> m__Cue;
    bool m__bool__SaoActive = false;
    bool m__bool__RawActive = false;
    int32_t m__LONG__SaoNext = 0;

    VdiscFaults m__Faults;

    // A blank disc of the kind (of two layers only on BD).
    static VdiscState Blank(VdiscMediumKind p__Kind, uint8_t p__UCHAR__Layers = 1);
    const VdiscMediumInfo& Medium() const { return VdiscMedium::Info(m__Kind); }
    bool IsCd() const { return Medium().m__bool__IsCd; }
    bool IsBd() const { return m__Kind == VdiscMediumKind::BdR || m__Kind == VdiscMediumKind::BdRe; }
    // The profile GET CONFIGURATION reports as current.
    uint16_t CurrentProfile() const;

    // User blocks of the blank medium, all its layers (CD: the last possible lead-out start).
    int32_t FullCapacity() const { return Medium().m__LONG__Capacity * m__UCHAR__Layers; }
    // Capacity in blocks (random media: 0 until formatted; a formatted BD-RE: what its format chose).
    int32_t Capacity() const;
    // A formatted BD-RE that keeps spare areas for defect management.
    bool HasSpareAreas() const { return m__Kind == VdiscMediumKind::BdRe && m__bool__IsFormatted && Capacity() < FullCapacity(); }
    // Blocks of the unit that sequential DVD and BD align tracks and sessions to (ECC block, cluster).
    int32_t Cluster() const { return IsBd() ? 32 : 16; }
    // A block count or address rounded up to a whole number of those units.
    int32_t AlignToCluster(int32_t p__LONG__Blocks) const { return (p__LONG__Blocks + Cluster() - 1) & ~(Cluster() - 1); }
    // The track being written (open, or reserved and not full), or nullptr.
    VdiscTrack* OpenTrack();
    const VdiscTrack* OpenTrack() const { return const_cast<VdiscState*>(this)->OpenTrack(); }
    // The session that new tracks go into (its number), and whether the disc takes one.
    uint32_t CurrentSessionNumber() const;
    bool IsAppendable() const;
    // Where the next track of a sequential medium starts (the invisible track), before any write.
    int32_t InvisibleTrackStart() const;
    // The next writable address of a sequential medium: the open track's, else the invisible track's.
    int32_t NextWritable() const;
    // Last recorded block of the disc (+1), used for reads beyond it.
    int32_t RecordedEnd() const;
    const VdiscTrack* TrackAt(int32_t p__LONG__Lba) const;
    const VdiscTrack* TrackNumber(uint32_t p__ULONG__Number) const;

    // Accounts for blocks just recorded (also replayed when a disc file is opened).
    // p__UCHAR__Control is the Q control nibble of a track the write starts (0xFF: from the form).
    void NoteWritten(int32_t p__LONG__Lba, uint32_t p__ULONG__Count, VdiscSectorForm p__Form, uint8_t p__UCHAR__Control = 0xFF);
    // Closes the open track of a sequential medium (CD: adds the two run-out blocks of a data track).
    void CloseTrack();
    // Closes the current session: lead-out after its last track; a multi-session field
    // other than 11b finalises the disc. False when the session has no track.
    bool CloseSession(uint8_t p__UCHAR__MultiSession, uint8_t p__UCHAR__Format);

    std::vector<uint8_t> Serialize() const;
    bool Deserialize(const uint8_t* p__PUCHAR__Data, size_t p__size_t__Length);
};
