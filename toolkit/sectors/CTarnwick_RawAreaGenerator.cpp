#include "CTarnwick_RawAreaGenerator.h"

#include <cstdio>
#include <new>

#include "CTarnwick_CdAddress.h"
#include "CTarnwick_Exception.h"
#include "CTarnwick_RawSubchannel.h"

namespace {
// Table-of-contents items of the lead-in beside the tracks.
constexpr UCHAR g__UCHAR__PointFirstTrack = 0xA0;
constexpr UCHAR g__UCHAR__PointLastTrack = 0xA1;
constexpr UCHAR g__UCHAR__PointLeadOut = 0xA2;
// A0's PSEC, the disc type: CD-DA or CD-ROM, and CD-ROM XA.
constexpr UCHAR g__UCHAR__DiscTypeCdRom = 0x00;
constexpr UCHAR g__UCHAR__DiscTypeCdRomXa = 0x20;
// Every item is repeated in three consecutive blocks.
constexpr ULONG g__ULONG__ItemRepeat = 3;
constexpr ULONG g__ULONG__ItemsBeforeTracks = 3;

constexpr UCHAR g__UCHAR__TnoLeadIn = 0x00;
constexpr UCHAR g__UCHAR__TnoLeadOut = 0xAA;
constexpr UCHAR g__UCHAR__IndexPreGap = 0x00;
constexpr UCHAR g__UCHAR__IndexLeadOut = 0x01;

// The lead-out's P flag: off for two seconds, then on and off a second at a time.
constexpr ULONG g__ULONG__LeadOutPQuiet = 150;
constexpr ULONG g__ULONG__LeadOutPPeriod = 150;
constexpr ULONG g__ULONG__LeadOutPOn = 75;
}  // namespace

CTarnwick_RawAreaGenerator::CTarnwick_RawAreaGenerator(ULONG p__ULONG__BlockBytes, LONG p__LONG__Blocks, const Names& p__Names)
    : m__Names(p__Names), m__ULONG__BlockBytes(p__ULONG__BlockBytes), m__ULONG__Blocks(0) {
    if (p__LONG__Blocks < 0) {
        char l__CHAR__Text[64];
        std::snprintf(l__CHAR__Text, sizeof(l__CHAR__Text), "Negative block count %ld!!!", static_cast<long>(p__LONG__Blocks));
        RaiseInvalidParameter(l__CHAR__Text);
    }
    m__ULONG__Blocks = static_cast<ULONG>(p__LONG__Blocks);
    const uint64_t l__ULONGLONG__Bytes = uint64_t(m__ULONG__Blocks) * m__ULONG__BlockBytes;
    m__PUCHAR__Memory = new (std::nothrow) UCHAR[l__ULONGLONG__Bytes];
    if (m__PUCHAR__Memory == nullptr) RaiseOutOfMemory("m__PUCHAR__Memory");
    m__PCTarnwick_MemoryFile__Area = new (std::nothrow) CTarnwick_MemoryFile(m__PUCHAR__Memory, l__ULONGLONG__Bytes);
    if (m__PCTarnwick_MemoryFile__Area == nullptr) {
        // The destructor does not run for a constructor that raises.
        delete[] m__PUCHAR__Memory;
        m__PUCHAR__Memory = nullptr;
        RaiseOutOfMemory(m__Names.m__PCHAR__MemoryFile);
    }
    AddChainTail(m__PCTarnwick_MemoryFile__Area);
    SeekToBegin();
}

CTarnwick_RawAreaGenerator::~CTarnwick_RawAreaGenerator() {
    delete m__PCTarnwick_MemoryFile__Area;
    delete[] m__PUCHAR__Memory;
}

void CTarnwick_RawAreaGenerator::RaiseOutOfMemory(const char* p__PCHAR__Member) const {
    const char* l__PCHAR__Class = m__Names.m__PCHAR__Class;
    char l__CHAR__Name[256];
    std::snprintf(l__CHAR__Name, sizeof(l__CHAR__Name), "%s::%s", l__PCHAR__Class, l__PCHAR__Class);
    // The framed trace line spells the class as the trace always has (the lead-in classes
    // differently from their names); the exception text and the EXITing line use the name.
    char l__CHAR__TraceText[512];
    std::snprintf(l__CHAR__TraceText, sizeof(l__CHAR__TraceText), "%s::%s(): %s == NULL!!!", m__Names.m__PCHAR__TraceClass,
                  l__PCHAR__Class, p__PCHAR__Member);
    CTarnwick_Exception::TraceText(EXIT_TRACE_FORM_NUMBER_AND_TEXT, l__CHAR__TraceText);
    try {
        CTarnwick_Exception::Raise(l__CHAR__Name, EXIT_TRACE_FORM_SILENT, EXCEPTION_NUMBER_OUT_OF_MEMORY, 0, "%s(): %s == NULL!!!",
                                   l__CHAR__Name, p__PCHAR__Member);
    } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
        if (l__PCTarnwick_Exception__Exception != nullptr)
            CTarnwick_Exception::TraceExit(l__CHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_OUT_OF_MEMORY,
                                           l__PCTarnwick_Exception__Exception->GetExceptionText());
        throw;
    }
}

void CTarnwick_RawAreaGenerator::RaiseInvalidParameter(const char* p__PCHAR__Text) const {
    const char* l__PCHAR__Class = m__Names.m__PCHAR__Class;
    char l__CHAR__Name[256];
    std::snprintf(l__CHAR__Name, sizeof(l__CHAR__Name), "%s::%s", l__PCHAR__Class, l__PCHAR__Class);
    CTarnwick_Exception::Raise(l__CHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_PARAMETER, 0, "%s(): %s",
                               l__CHAR__Name, p__PCHAR__Text);
}

void CTarnwick_RawAreaGenerator::FillBlock(ULONG p__ULONG__Index, LONG p__LONG__LBA, BOOLEAN p__BOOLEAN__IsData,
                                           BOOLEAN p__BOOLEAN__IsMode2, const UCHAR* p__PUCHAR__Q12, BOOLEAN p__BOOLEAN__P) {
    PUCHAR l__PUCHAR__Block = m__PUCHAR__Memory + uint64_t(p__ULONG__Index) * m__ULONG__BlockBytes;
    CTarnwick_RawSubchannel::BuildGeneratedSector(l__PUCHAR__Block, p__LONG__LBA, p__BOOLEAN__IsData, p__BOOLEAN__IsMode2);
    CTarnwick_RawSubchannel::PutSubchannel(l__PUCHAR__Block, m__ULONG__BlockBytes, p__PUCHAR__Q12, p__BOOLEAN__P);
}

void CTarnwick_RawAreaGenerator::FillLeadIn(LONG p__LONG__StartLBA, LONG p__LONG__LeadOutStartLBA,
                                            const DISC_AT_ONCE_TRACK_LIST* p__PDISC_AT_ONCE_TRACK_LIST__Tracks,
                                            BOOLEAN p__BOOLEAN__IsMode2Form1) {
    // The table of contents is read from the list: a missing or overlong list would be read
    // out of bounds, an empty one has no first track.
    if (p__PDISC_AT_ONCE_TRACK_LIST__Tracks == nullptr) RaiseInvalidParameter("p__PDISC_AT_ONCE_TRACK_LIST__Tracks == NULL!!!");
    const ULONG l__ULONG__Tracks = p__PDISC_AT_ONCE_TRACK_LIST__Tracks->m__ULONG__NumberOfTracks;
    if (l__ULONG__Tracks == 0 || l__ULONG__Tracks > DISC_AT_ONCE_MAXIMUM_TRACKS) {
        char l__CHAR__Text[64];
        std::snprintf(l__CHAR__Text, sizeof(l__CHAR__Text), "Track count %lu out of range!!!", static_cast<unsigned long>(l__ULONG__Tracks));
        RaiseInvalidParameter(l__CHAR__Text);
    }
    const DISC_AT_ONCE_TRACK_ENTRY* l__PDISC_AT_ONCE_TRACK_ENTRY__Track = p__PDISC_AT_ONCE_TRACK_LIST__Tracks->m__DISC_AT_ONCE_TRACK_ENTRY__Tracks;
    // The session's kind (and so every lead-in sector's) is the first track's.
    const BOOLEAN l__BOOLEAN__DataSession = l__PDISC_AT_ONCE_TRACK_ENTRY__Track[0].m__BOOLEAN__IsDataTrack;
    // Each item's CONTROL/ADR is that of the track it names, so that the audio tracks of a
    // mixed disc are not announced as data: A0 the first track's, A1 and A2 the last track's.
    const UCHAR l__UCHAR__FirstControl = CTarnwick_RawSubchannel::ControlAdr(l__BOOLEAN__DataSession);
    const UCHAR l__UCHAR__LastControl =
        CTarnwick_RawSubchannel::ControlAdr(l__PDISC_AT_ONCE_TRACK_ENTRY__Track[l__ULONG__Tracks - 1].m__BOOLEAN__IsDataTrack);
    // A0's disc type is CD-ROM XA for a Mode 2 session (a zero there would call it CD-ROM).
    const UCHAR l__UCHAR__DiscType = p__BOOLEAN__IsMode2Form1 ? g__UCHAR__DiscTypeCdRomXa : g__UCHAR__DiscTypeCdRom;
    const ULONG l__ULONG__Cycle = g__ULONG__ItemRepeat * (l__ULONG__Tracks + g__ULONG__ItemsBeforeTracks);

    ULONG l__ULONG__Counter = 0;
    for (ULONG l__ULONG__Index = 0; l__ULONG__Index < m__ULONG__Blocks; ++l__ULONG__Index) {
        const LONG l__LONG__LBA = p__LONG__StartLBA + static_cast<LONG>(l__ULONG__Index);
        const ULONG l__ULONG__Item = l__ULONG__Counter / g__ULONG__ItemRepeat;
        UCHAR l__UCHAR__Control, l__UCHAR__Point;
        UCHAR l__UCHAR__PointMsf[3] = {};
        if (l__ULONG__Item == 0) {
            l__UCHAR__Control = l__UCHAR__FirstControl;
            l__UCHAR__Point = g__UCHAR__PointFirstTrack;
            l__UCHAR__PointMsf[0] = CTarnwick_CdAddress::ToBcd(1);
            l__UCHAR__PointMsf[1] = l__UCHAR__DiscType;
        } else if (l__ULONG__Item == 1) {
            l__UCHAR__Control = l__UCHAR__LastControl;
            l__UCHAR__Point = g__UCHAR__PointLastTrack;
            l__UCHAR__PointMsf[0] = CTarnwick_CdAddress::ToBcd(l__ULONG__Tracks);
        } else if (l__ULONG__Item == 2) {
            l__UCHAR__Control = l__UCHAR__LastControl;
            l__UCHAR__Point = g__UCHAR__PointLeadOut;
            CTarnwick_CdAddress::LbaToMsfBcd(p__LONG__LeadOutStartLBA, l__UCHAR__PointMsf);
        } else {
            const ULONG l__ULONG__TrackIndex = l__ULONG__Item - g__ULONG__ItemsBeforeTracks;
            const DISC_AT_ONCE_TRACK_ENTRY& l__Track = l__PDISC_AT_ONCE_TRACK_ENTRY__Track[l__ULONG__TrackIndex];
            l__UCHAR__Control = CTarnwick_RawSubchannel::ControlAdr(l__Track.m__BOOLEAN__IsDataTrack);
            l__UCHAR__Point = CTarnwick_CdAddress::ToBcd(l__ULONG__TrackIndex + 1);
            CTarnwick_CdAddress::LbaToMsfBcd(l__Track.m__LONG__StartLBA, l__UCHAR__PointMsf);
        }
        UCHAR l__UCHAR__Msf[3];
        CTarnwick_CdAddress::LbaToMsfBcd(l__LONG__LBA, l__UCHAR__Msf);
        UCHAR l__UCHAR__Q[CTarnwick_RawSubchannel::Q_BYTES];
        CTarnwick_RawSubchannel::BuildQ(l__UCHAR__Q, l__UCHAR__Control, g__UCHAR__TnoLeadIn, l__UCHAR__Point, l__UCHAR__Msf,
                                        l__UCHAR__PointMsf);
        FillBlock(l__ULONG__Index, l__LONG__LBA, l__BOOLEAN__DataSession, p__BOOLEAN__IsMode2Form1, l__UCHAR__Q, FALSE);
        if (++l__ULONG__Counter == l__ULONG__Cycle) l__ULONG__Counter = 0;
    }
}

void CTarnwick_RawAreaGenerator::FillPreGap(LONG p__LONG__StartLBA, ULONG p__ULONG__TrackNumber, BOOLEAN p__BOOLEAN__IsDataTrack,
                                            BOOLEAN p__BOOLEAN__IsMode2Form1) {
    const UCHAR l__UCHAR__Control = CTarnwick_RawSubchannel::ControlAdr(p__BOOLEAN__IsDataTrack);
    const UCHAR l__UCHAR__Tno = CTarnwick_CdAddress::ToBcd(p__ULONG__TrackNumber);
    for (ULONG l__ULONG__Index = 0; l__ULONG__Index < m__ULONG__Blocks; ++l__ULONG__Index) {
        const LONG l__LONG__LBA = p__LONG__StartLBA + static_cast<LONG>(l__ULONG__Index);
        UCHAR l__UCHAR__Msf[3], l__UCHAR__AbsoluteMsf[3];
        // The relative time counts down to 00:00:00 at the last block of the pre-gap.
        CTarnwick_CdAddress::BlocksToMsfBcd(static_cast<LONG>(m__ULONG__Blocks - l__ULONG__Index - 1), l__UCHAR__Msf);
        CTarnwick_CdAddress::LbaToMsfBcd(l__LONG__LBA, l__UCHAR__AbsoluteMsf);
        UCHAR l__UCHAR__Q[CTarnwick_RawSubchannel::Q_BYTES];
        CTarnwick_RawSubchannel::BuildQ(l__UCHAR__Q, l__UCHAR__Control, l__UCHAR__Tno, g__UCHAR__IndexPreGap, l__UCHAR__Msf,
                                        l__UCHAR__AbsoluteMsf);
        FillBlock(l__ULONG__Index, l__LONG__LBA, p__BOOLEAN__IsDataTrack, p__BOOLEAN__IsMode2Form1, l__UCHAR__Q, TRUE);
    }
}

void CTarnwick_RawAreaGenerator::FillLeadOut(LONG p__LONG__LeadOutStartLBA, BOOLEAN p__BOOLEAN__IsDataTrack,
                                             BOOLEAN p__BOOLEAN__IsMode2Form1) {
    const UCHAR l__UCHAR__Control = CTarnwick_RawSubchannel::ControlAdr(p__BOOLEAN__IsDataTrack);
    for (ULONG l__ULONG__Index = 0; l__ULONG__Index < m__ULONG__Blocks; ++l__ULONG__Index) {
        const LONG l__LONG__LBA = p__LONG__LeadOutStartLBA + static_cast<LONG>(l__ULONG__Index);
        UCHAR l__UCHAR__Msf[3], l__UCHAR__AbsoluteMsf[3];
        CTarnwick_CdAddress::BlocksToMsfBcd(static_cast<LONG>(l__ULONG__Index), l__UCHAR__Msf);
        CTarnwick_CdAddress::LbaToMsfBcd(l__LONG__LBA, l__UCHAR__AbsoluteMsf);
        UCHAR l__UCHAR__Q[CTarnwick_RawSubchannel::Q_BYTES];
        CTarnwick_RawSubchannel::BuildQ(l__UCHAR__Q, l__UCHAR__Control, g__UCHAR__TnoLeadOut, g__UCHAR__IndexLeadOut, l__UCHAR__Msf,
                                        l__UCHAR__AbsoluteMsf);
        const BOOLEAN l__BOOLEAN__P = l__ULONG__Index >= g__ULONG__LeadOutPQuiet &&
                                      l__ULONG__Index % g__ULONG__LeadOutPPeriod < g__ULONG__LeadOutPOn;
        FillBlock(l__ULONG__Index, l__LONG__LBA, p__BOOLEAN__IsDataTrack, p__BOOLEAN__IsMode2Form1, l__UCHAR__Q, l__BOOLEAN__P);
    }
}
