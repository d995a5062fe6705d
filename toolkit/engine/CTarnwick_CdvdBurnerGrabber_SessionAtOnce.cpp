// Session-At-Once: a cue sheet tells the drive every track of the session, then the tracks
// are written in one pass, pre-gaps and gaps included, from LBA -150 on.
#include <algorithm>
#include <atomic>
#include <cinttypes>
#include <cstring>
#include <mutex>
#include <vector>

#include "CTarnwick_CdAddress.h"
#include "CTarnwick_CacheObject.h"
#include "CTarnwick_CdvdBurnerGrabber.h"
#include "CTarnwick_ISO9660FileTree.h"
#include "CTarnwick_ISO9660FileTreePreGapRawRawPW.h"
#include "CTarnwick_ISO9660Image.h"
#include "CTarnwick_RawSubchannel.h"
#include "DebugPrint.h"
#include "MmcDumps.h"

namespace {
constexpr const char* NAME = "CTarnwick_CdvdBurnerGrabber::SessionAtOnce";
constexpr const char* TRACK_NAME = "CTarnwick_CdvdBurnerGrabber::SessionAtOnceTrack";
constexpr LONG PREGAP_BLOCKS = 150;
constexpr LONG FIRST_PREGAP_LBA = -150;
constexpr ULONG ZERO_BLOCKS_PER_WRITE = 10;
constexpr ULONG WORK_BUFFER_SIZE = 61440;
constexpr ULONG MAXIMUM_CD_TRACKS = 99;

// Cue sheet bytes.
constexpr UCHAR CTL_ADR_DATA = 0x41;
constexpr UCHAR CTL_ADR_AUDIO = 0x01;
constexpr UCHAR TNO_LEAD_OUT = 0xAA;
constexpr UCHAR FORM_AUDIO = 0x00;
constexpr UCHAR FORM_AUDIO_GENERATED = 0x01;
constexpr UCHAR FORM_MODE1 = 0x10;
constexpr UCHAR FORM_MODE1_GENERATED = 0x14;
constexpr UCHAR FORM_MODE2 = 0x20;
constexpr UCHAR FORM_MODE2_GENERATED = 0x24;
constexpr UCHAR FORM_RAW_PW = 0x40;
constexpr UCHAR FORM_RAW_PW_GENERATED = 0x41;

bool IsMode2Track(const SESSION_TRACK_ENTRY& p__Entry, BOOLEAN p__BOOLEAN__IsMode2Form1) {
    return p__Entry.m__UCHAR__IsMode2 != 0 || (p__BOOLEAN__IsMode2Form1 == 1 && p__Entry.m__UCHAR__IsSound == 0);
}

// Writes one 8-byte cue sheet entry; the address is an LBA, stored as binary MIN/SEC/FRAME.
PUCHAR PutCueEntry(PUCHAR p__PUCHAR__At, UCHAR p__UCHAR__CtlAdr, UCHAR p__UCHAR__Tno, UCHAR p__UCHAR__Index,
                   UCHAR p__UCHAR__Form, LONG p__LONG__LBA) {
    p__PUCHAR__At[0] = p__UCHAR__CtlAdr;
    p__PUCHAR__At[1] = p__UCHAR__Tno;
    p__PUCHAR__At[2] = p__UCHAR__Index;
    p__PUCHAR__At[3] = p__UCHAR__Form;
    p__PUCHAR__At[4] = 0;
    CTarnwick_CdAddress::LbaToMsf(p__LONG__LBA, p__PUCHAR__At + 5);
    return p__PUCHAR__At + 8;
}
}  // namespace

ULONG CTarnwick_CdvdBurnerGrabber::SessionTrackBlockSize(const SESSION_TRACK_ENTRY& p__Entry,
                                                         BOOLEAN p__BOOLEAN__IsMode2Form1) {
    ULONG l__ULONG__BlockSize = 2048;
    if (p__Entry.m__UCHAR__IsSound == 1) l__ULONG__BlockSize = 2352;
    if (p__Entry.m__UCHAR__IsMode2 == 1) l__ULONG__BlockSize = 2336;
    if (p__Entry.m__UCHAR__IsSound == 0 && p__Entry.m__UCHAR__IsMode2 == 0 && p__BOOLEAN__IsMode2Form1 == 1)
        l__ULONG__BlockSize = 2336;
    if (p__Entry.m__UCHAR__IsRawPW == 1) l__ULONG__BlockSize = 2448;
    return l__ULONG__BlockSize;
}

void CTarnwick_CdvdBurnerGrabber::CompileCueSheet(const SESSION_DESCRIPTOR* p__PSESSION_DESCRIPTOR__Session,
                                                  PUCHAR p__PUCHAR__CueSheet, PULONG p__PULONG__Size,
                                                  BOOLEAN p__BOOLEAN__IsMode2Form1, BOOLEAN p__BOOLEAN__IsRawMode) {
    std::memset(p__PUCHAR__CueSheet, 0, CUE_SHEET_BUFFER_SIZE);
    // Two entries per track between the lead-in and the lead-out fill the buffer at 100 tracks.
    const ULONG l__ULONG__Tracks = std::min<ULONG>(p__PSESSION_DESCRIPTOR__Session->m__ULONG__NumberOfTracks,
                                                   SESSION_MAXIMUM_TRACKS);
    const SESSION_TRACK_ENTRY* l__Entries = p__PSESSION_DESCRIPTOR__Session->m__SESSION_TRACK_ENTRY__Tracks;
    // The form of a track's data, and of what the drive generates next to it (lead-in, lead-out).
    auto l__Form = [p__BOOLEAN__IsMode2Form1](const SESSION_TRACK_ENTRY& p__Entry) {
        UCHAR l__UCHAR__Form = FORM_MODE1;
        if (p__Entry.m__UCHAR__IsSound != 0) l__UCHAR__Form = FORM_AUDIO;
        if (IsMode2Track(p__Entry, p__BOOLEAN__IsMode2Form1)) l__UCHAR__Form = FORM_MODE2;
        if (p__Entry.m__UCHAR__IsRawPW != 0) l__UCHAR__Form = FORM_RAW_PW;
        return l__UCHAR__Form;
    };
    auto l__CtlAdr = [](const SESSION_TRACK_ENTRY& p__Entry) {
        return p__Entry.m__UCHAR__IsSound != 0 ? CTL_ADR_AUDIO : CTL_ADR_DATA;
    };
    PUCHAR l__PUCHAR__At = p__PUCHAR__CueSheet;
    if (l__ULONG__Tracks > 0) {
        const SESSION_TRACK_ENTRY& l__First = l__Entries[0];
        UCHAR l__UCHAR__LeadIn = FORM_MODE1_GENERATED;
        if (l__First.m__UCHAR__IsSound != 0) l__UCHAR__LeadIn = FORM_AUDIO_GENERATED;
        if (IsMode2Track(l__First, p__BOOLEAN__IsMode2Form1)) l__UCHAR__LeadIn = FORM_MODE2_GENERATED;
        if (p__BOOLEAN__IsRawMode == 1 && l__First.m__UCHAR__IsRawPW != 0) l__UCHAR__LeadIn = FORM_RAW_PW_GENERATED;
        l__PUCHAR__At = PutCueEntry(l__PUCHAR__At, l__CtlAdr(l__First), 0, 0, l__UCHAR__LeadIn, FIRST_PREGAP_LBA);
    }
    LONG l__LONG__Address = FIRST_PREGAP_LBA;
    for (ULONG l__ULONG__Track = 0; l__ULONG__Track < l__ULONG__Tracks; ++l__ULONG__Track) {
        const SESSION_TRACK_ENTRY& l__Entry = l__Entries[l__ULONG__Track];
        const UCHAR l__UCHAR__Tno = static_cast<UCHAR>(l__ULONG__Track + 1);
        l__PUCHAR__At = PutCueEntry(l__PUCHAR__At, l__CtlAdr(l__Entry), l__UCHAR__Tno, 0, l__Form(l__Entry), l__LONG__Address);
        l__PUCHAR__At = PutCueEntry(l__PUCHAR__At, l__CtlAdr(l__Entry), l__UCHAR__Tno, 1, l__Form(l__Entry),
                                    l__LONG__Address + l__Entry.m__LONG__ExtraPregap + PREGAP_BLOCKS);
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::CompileCueSheet(): Track %ld, Size %ld\n",
                   static_cast<long>(l__ULONG__Track), static_cast<long>(l__Entry.m__LONG__TrackSize));
        l__LONG__Address += l__Entry.m__LONG__ExtraPregap + PREGAP_BLOCKS + l__Entry.m__LONG__TrackSize +
                            l__Entry.m__LONG__GapAfter;
    }
    if (l__ULONG__Tracks > 0) {
        const SESSION_TRACK_ENTRY& l__Last = l__Entries[l__ULONG__Tracks - 1];
        UCHAR l__UCHAR__LeadOut = FORM_MODE1_GENERATED;
        if (l__Last.m__UCHAR__IsSound != 0) l__UCHAR__LeadOut = FORM_AUDIO_GENERATED;
        if (IsMode2Track(l__Last, p__BOOLEAN__IsMode2Form1)) l__UCHAR__LeadOut = FORM_MODE2_GENERATED;
        if (l__Last.m__UCHAR__IsRawPW != 0)
            l__UCHAR__LeadOut = p__BOOLEAN__IsMode2Form1 == 1 ? FORM_MODE2_GENERATED : FORM_MODE1_GENERATED;
        // The lead-out takes the CTL/ADR of the entry before it.
        PutCueEntry(l__PUCHAR__At, l__PUCHAR__At[-8], TNO_LEAD_OUT, 1, l__UCHAR__LeadOut, l__LONG__Address);
    }
    *p__PULONG__Size = 8 + 16 * l__ULONG__Tracks + 8;
}

CTarnwick_FileChain* CTarnwick_CdvdBurnerGrabber::ImageOfSessionTree(PVOID p__PVOID__Tree, ULONG p__ULONG__Index) {
    auto* l__PCTarnwick_EmptyBase__Object = static_cast<CTarnwick_EmptyBase*>(p__PVOID__Tree);
    if (l__PCTarnwick_EmptyBase__Object != nullptr) {
        // A carrier or a wrapper is its own image.
        if (auto* l__Chain = dynamic_cast<CTarnwick_FileChain*>(l__PCTarnwick_EmptyBase__Object)) return l__Chain;
        if (auto* l__Tree = dynamic_cast<CTarnwick_ISO9660FileTree*>(l__PCTarnwick_EmptyBase__Object)) {
            if (!l__Tree->IsImageBuild() || l__Tree->GetImage() == nullptr) {
                CTarnwick_Exception::Raise(NAME, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_STATE, 0,
                                           "%s(): The image of the tree of track %lu is not built!!!", NAME,
                                           static_cast<unsigned long>(p__ULONG__Index + 1));
            }
            return l__Tree->GetImage();
        }
    }
    CTarnwick_Exception::Raise(NAME, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                               "%s(): Track %lu has no tree!!!", NAME, static_cast<unsigned long>(p__ULONG__Index + 1));
}

void CTarnwick_CdvdBurnerGrabber::SessionAtOnce(PSESSION_DESCRIPTOR p__PSESSION_DESCRIPTOR__Session,
                                                BOOLEAN p__BOOLEAN__IsMode2Form1, BOOLEAN p__BOOLEAN__IsTestWrite,
                                                BOOLEAN p__BOOLEAN__IsNextSessionAllowed,
                                                ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__BufferStatusInterval,
                                                BOOLEAN p__BOOLEAN__IsRawMode) {
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::SessionAtOnce(): ENTERed for 0x%08" PRIXPTR "\n",
               reinterpret_cast<uintptr_t>(p__PSESSION_DESCRIPTOR__Session));
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);

    TestUnitReady();
    m__UCHAR__IsCancel.store(0);
    m__UCHAR__LastWriteMode = WRITE_MODE_SAO;
    const ULONG l__ULONG__DiscType = GetDiscTypeSafe();
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::SessionAtOnce(): Inserted disc type 0x%08X\n", l__ULONG__DiscType);
    if (l__ULONG__DiscType > DISC_TYPE_CDRW) {
        CTarnwick_Exception::Raise(NAME, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_MEDIA_OR_DATA, 0,
                                   "%s(): Disc type (%ld) not valid for SAO!!!", NAME,
                                   static_cast<long>(l__ULONG__DiscType));
    }

    // The descriptor is checked before anything is sent: a session the drive could not take
    // would otherwise fail half-written.
    if (p__PSESSION_DESCRIPTOR__Session == nullptr) {
        CTarnwick_Exception::Raise(NAME, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                   "%s(): The session descriptor is NULL!!!", NAME);
    }
    SESSION_DESCRIPTOR& r = *p__PSESSION_DESCRIPTOR__Session;
    const ULONG l__ULONG__Tracks = r.m__ULONG__NumberOfTracks;
    if (l__ULONG__Tracks == 0 || l__ULONG__Tracks > MAXIMUM_CD_TRACKS) {
        CTarnwick_Exception::Raise(NAME, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                   "%s(): Number of tracks %lu not valid, 1 to 99 are!!!", NAME,
                                   static_cast<unsigned long>(l__ULONG__Tracks));
    }
    // A raw image is one stream of 2448-byte blocks that holds the raw tracks one after the other.
    const BOOLEAN l__BOOLEAN__IsRawStream = r.m__SESSION_TRACK_ENTRY__Tracks[0].m__UCHAR__IsRawPW != 0 ? 1 : 0;
    if (l__BOOLEAN__IsRawStream &&
        (r.m__ULONG__NumberOfRawTracks == 0 || r.m__ULONG__NumberOfRawTracks > MAXIMUM_CD_TRACKS)) {
        CTarnwick_Exception::Raise(NAME, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                   "%s(): Number of raw tracks %lu not valid, 1 to 99 are!!!", NAME,
                                   static_cast<unsigned long>(r.m__ULONG__NumberOfRawTracks));
    }
    std::vector<CACHE_SEGMENT> l__Segments;
    for (ULONG l__ULONG__Track = 0; l__ULONG__Track < l__ULONG__Tracks; ++l__ULONG__Track) {
        const SESSION_TRACK_ENTRY& l__Entry = r.m__SESSION_TRACK_ENTRY__Tracks[l__ULONG__Track];
        if ((l__Entry.m__UCHAR__IsRawPW != 0) != (l__BOOLEAN__IsRawStream != 0)) {
            CTarnwick_Exception::Raise(NAME, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_UNSUPPORTED_MODE, 0,
                                       "%s(): Raw + raw P-W subchannel track %lu mixed with other tracks!!!", NAME,
                                       static_cast<unsigned long>(l__ULONG__Track + 1));
        }
        if (l__Entry.m__LONG__ExtraPregap < 0 || l__Entry.m__LONG__GapAfter < 0) {
            CTarnwick_Exception::Raise(NAME, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                       "%s(): Track %lu has a negative gap!!!", NAME,
                                       static_cast<unsigned long>(l__ULONG__Track + 1));
        }
        // Data tracks are written whole (a partial last block padded); a sound track leaves
        // out its partial last sector, and a raw stream is whole blocks (checked below).
        l__Segments.push_back({ImageOfSessionTree(l__Entry.m__PVOID__Tree, l__ULONG__Track),
                               SessionTrackBlockSize(l__Entry, p__BOOLEAN__IsMode2Form1),
                               static_cast<BOOLEAN>(l__Entry.m__UCHAR__IsSound == 0 && l__Entry.m__UCHAR__IsRawPW == 0)});
    }
    if (l__BOOLEAN__IsRawStream) CheckRawStream(r, l__Segments);

    LONG l__LONG__Start = FIRST_PREGAP_LBA;
    try {
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::SessionAtOnce(): Setting write parameters\n");
        RestoreWriteParameters();
        // The raw stream's blocks carry their own headers and sub-channel (data block type 0),
        // and its session is the disc's only one.
        SetWriteParameters(2, l__BOOLEAN__IsRawStream ? 0 : 8, 4, p__BOOLEAN__IsTestWrite,
                           l__BOOLEAN__IsRawStream ? 0 : p__BOOLEAN__IsNextSessionAllowed,
                           p__BOOLEAN__IsMode2Form1 == 1 ? 0x20 : 0x00, 0, 0, 0, 0, 0);

        Report(TARGET_FILE_ANALYZE_BEGIN);
        LONGLONG l__LONGLONG__TotalBytes = 0;
        LONGLONG l__LONGLONG__TotalBlocks = 0;
        std::vector<LONGLONG> l__TrackBlocks;
        for (ULONG l__ULONG__Track = 0; l__ULONG__Track < l__ULONG__Tracks; ++l__ULONG__Track) {
            const CACHE_SEGMENT& l__Segment = l__Segments[l__ULONG__Track];
            const LONGLONG l__LONGLONG__Size = static_cast<LONGLONG>(l__Segment.m__PCTarnwick_FileChain__Source->GetSize());
            const LONGLONG l__LONGLONG__Blocks = BlocksOfSource(l__LONGLONG__Size, l__Segment.m__ULONG__LogicalBlockSize,
                                                                l__Segment.m__BOOLEAN__IsLastBlockPadded);
            // A track must hold a block, and the session must fit the CD's addresses.
            if (l__LONGLONG__Blocks <= 0 || l__LONGLONG__Blocks > CTarnwick_CdAddress::CLOCK_FRAMES) {
                CTarnwick_Exception::Raise(NAME, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_MEDIA_OR_DATA, 0,
                                           "%s(): Track %lu of %" PRId64 " UCHARs gives %" PRId64
                                           " LBs of %lu UCHARs, not a track!!!",
                                           NAME, static_cast<unsigned long>(l__ULONG__Track + 1), l__LONGLONG__Size,
                                           l__LONGLONG__Blocks, static_cast<unsigned long>(l__Segment.m__ULONG__LogicalBlockSize));
            }
            r.m__SESSION_TRACK_ENTRY__Tracks[l__ULONG__Track].m__LONG__TrackSize = static_cast<LONG>(l__LONGLONG__Blocks);
            l__TrackBlocks.push_back(l__LONGLONG__Blocks);
            l__LONGLONG__TotalBytes += l__LONGLONG__Size;
            l__LONGLONG__TotalBlocks += l__LONGLONG__Blocks;
        }
        Report(TARGET_FILE_ANALYZE_END, &l__LONGLONG__TotalBytes, &l__LONGLONG__TotalBlocks);

        const WRITABLE_TRACK l__Track =
            PrepareWritableTrack(NAME, l__ULONG__DiscType, l__LONGLONG__TotalBlocks, NWA_RULE_REQUIRED_UNLESS_DVDR);
        LONG l__LONG__NWA = static_cast<LONG>(l__Track.m__ULONG__NWA);
        if (l__LONG__NWA == 0) {
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::SessionAtOnce(): Replaced 0 with ( -150 ) as NWA\n");
            l__LONG__NWA = FIRST_PREGAP_LBA;
        }
        if (l__LONG__NWA != FIRST_PREGAP_LBA) {
            CTarnwick_Exception::Raise(NAME, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_MEDIA_OR_DATA, 0,
                                       "%s(): NWA not valid, %ld instead of ( -150 )!!!", NAME,
                                       static_cast<long>(l__LONG__NWA));
        }

        if (l__BOOLEAN__IsRawStream) {
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::SessionAtOnce(): Patching number of tracks to number of raw + raw P-W subchannel tracks\n");
            r.m__ULONG__NumberOfTracks = r.m__ULONG__NumberOfRawTracks;
            for (ULONG l__ULONG__Track = 0; l__ULONG__Track < r.m__ULONG__NumberOfRawTracks; ++l__ULONG__Track) {
                r.m__SESSION_TRACK_ENTRY__Tracks[l__ULONG__Track].m__LONG__TrackSize =
                    static_cast<LONG>(r.m__ULONG__RawTrackBlocks[l__ULONG__Track]);
                r.m__SESSION_TRACK_ENTRY__Tracks[l__ULONG__Track].m__UCHAR__IsRawPW = 1;
            }
        }
        // Where the cue sheet puts each raw track (its index 0) and whether it is sound.
        std::vector<std::pair<LONG, BOOLEAN>> l__RawTrackStarts;
        if (l__BOOLEAN__IsRawStream) {
            LONG l__LONG__Address = FIRST_PREGAP_LBA;
            for (ULONG l__ULONG__Track = 0; l__ULONG__Track < r.m__ULONG__NumberOfTracks; ++l__ULONG__Track) {
                const SESSION_TRACK_ENTRY& l__Entry = r.m__SESSION_TRACK_ENTRY__Tracks[l__ULONG__Track];
                l__RawTrackStarts.emplace_back(l__LONG__Address, static_cast<BOOLEAN>(l__Entry.m__UCHAR__IsSound != 0));
                l__LONG__Address += PREGAP_BLOCKS + l__Entry.m__LONG__TrackSize;
            }
        }
        UCHAR l__UCHAR__CueSheet[CUE_SHEET_BUFFER_SIZE];
        ULONG l__ULONG__CueSheetSize = 0;
        CompileCueSheet(p__PSESSION_DESCRIPTOR__Session, l__UCHAR__CueSheet, &l__ULONG__CueSheetSize,
                        p__BOOLEAN__IsMode2Form1, p__BOOLEAN__IsRawMode);
        CTarnwick_DumpCueSheet(l__UCHAR__CueSheet, l__ULONG__CueSheetSize);
        SendCueSheet(l__UCHAR__CueSheet, l__ULONG__CueSheetSize);
        if (l__BOOLEAN__IsRawStream) {
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::SessionAtOnce(): Patching number of tracks to one in raw + raw P-W subchannel mode\n");
            r.m__ULONG__NumberOfTracks = 1;
        }

        // One cache thread reads the tracks one after the other, so that the next track is
        // read (decoded) while the current one is written.
        StartCache(l__Segments, TRACK_NAME);
        LONG l__LONG__LBA = l__LONG__NWA;
        for (ULONG l__ULONG__Track = 0; l__ULONG__Track < l__ULONG__Tracks; ++l__ULONG__Track) {
            const SESSION_TRACK_ENTRY& l__Entry = r.m__SESSION_TRACK_ENTRY__Tracks[l__ULONG__Track];
            m__ULONG__LogicalBlockSize = l__Segments[l__ULONG__Track].m__ULONG__LogicalBlockSize;
            const SESSION_TRACK_KIND l__Kind = {l__Entry.m__UCHAR__IsRawPW, p__BOOLEAN__IsMode2Form1, l__ULONG__Track,
                                                l__Entry.m__UCHAR__IsSound, p__BOOLEAN__IsRawMode, l__RawTrackStarts};
            SessionAtOnceTrack(l__Entry.m__PVOID__Tree, &l__LONGLONG__TotalBlocks, l__TrackBlocks[l__ULONG__Track],
                               l__LONG__LBA, l__Entry.m__LONG__ExtraPregap, l__Entry.m__LONG__GapAfter,
                               p__ULONG__ProgressInterval, p__ULONG__BufferStatusInterval, l__ULONG__DiscType, l__Kind);
            l__LONG__LBA += static_cast<LONG>(l__TrackBlocks[l__ULONG__Track]) + l__Entry.m__LONG__GapAfter +
                            l__Entry.m__LONG__ExtraPregap + PREGAP_BLOCKS;
            l__LONG__Start = l__LONG__LBA;
        }
        SynchronizeAfterWrite();
        ShutDownCacheThread();
    } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
        RecoverFromFailedWrite(NAME, l__PCTarnwick_Exception__Exception, l__LONG__Start > FIRST_PREGAP_LBA);
        throw;
    } catch (...) {
        // The cache thread must not go on reading sources the caller frees as soon as this returns.
        ShutDownCacheThread();
        throw;
    }
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::SessionAtOnce(): EXITing with success\n");
}

void CTarnwick_CdvdBurnerGrabber::CheckRawStream(const SESSION_DESCRIPTOR& p__Session,
                                                 const std::vector<CACHE_SEGMENT>& p__Segments) {
    // The stream is written as it is: every block it holds must be where the cue sheet puts
    // it, or the tracks and the lead-out would land on the wrong addresses and a burn that
    // loses (or adds) blocks would pass as a good one.
    if (p__Session.m__ULONG__NumberOfTracks != 1) {
        CTarnwick_Exception::Raise(NAME, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                   "%s(): A raw + raw P-W subchannel stream is one entry, not %lu!!!", NAME,
                                   static_cast<unsigned long>(p__Session.m__ULONG__NumberOfTracks));
    }
    LONGLONG l__LONGLONG__Expected = 0;
    for (ULONG l__ULONG__Track = 0; l__ULONG__Track < p__Session.m__ULONG__NumberOfRawTracks; ++l__ULONG__Track) {
        const SESSION_TRACK_ENTRY& l__Entry = p__Session.m__SESSION_TRACK_ENTRY__Tracks[l__ULONG__Track];
        const ULONG l__ULONG__Blocks = p__Session.m__ULONG__RawTrackBlocks[l__ULONG__Track];
        if (l__ULONG__Blocks == 0 || l__ULONG__Blocks > static_cast<ULONG>(CTarnwick_CdAddress::CLOCK_FRAMES) ||
            l__Entry.m__LONG__ExtraPregap != 0 || l__Entry.m__LONG__GapAfter != 0) {
            CTarnwick_Exception::Raise(NAME, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                       "%s(): Raw track %lu of %lu LBs (gaps %ld, %ld) not valid!!!", NAME,
                                       static_cast<unsigned long>(l__ULONG__Track + 1), static_cast<unsigned long>(l__ULONG__Blocks),
                                       static_cast<long>(l__Entry.m__LONG__ExtraPregap), static_cast<long>(l__Entry.m__LONG__GapAfter));
        }
        // Each length runs from its track's index 1 to the next one's index 1 less the next
        // track's 150-block pre-gap, which the stream holds.
        l__LONGLONG__Expected += l__ULONG__Blocks + (l__ULONG__Track > 0 ? PREGAP_BLOCKS : 0);
    }
    const CACHE_SEGMENT& l__Segment = p__Segments[0];
    const uint64_t l__ULONGLONG__Size = l__Segment.m__PCTarnwick_FileChain__Source->GetSize();
    if (l__ULONGLONG__Size % l__Segment.m__ULONG__LogicalBlockSize != 0 ||
        static_cast<LONGLONG>(l__ULONGLONG__Size / l__Segment.m__ULONG__LogicalBlockSize) != l__LONGLONG__Expected) {
        CTarnwick_Exception::Raise(NAME, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_MEDIA_OR_DATA, 0,
                                   "%s(): Raw stream of %" PRIu64 " UCHARs is not the %" PRId64
                                   " LBs of %lu UCHARs its %lu tracks take!!!",
                                   NAME, l__ULONGLONG__Size, l__LONGLONG__Expected,
                                   static_cast<unsigned long>(l__Segment.m__ULONG__LogicalBlockSize),
                                   static_cast<unsigned long>(p__Session.m__ULONG__NumberOfRawTracks));
    }
}

namespace {
// Sectors scrambled by the raw Session-At-Once writes of the program (one count for all burners).
std::atomic<uint64_t> g__ULONGLONG__ScrambledSectors{0};
}  // namespace

uint64_t CTarnwick_CdvdBurnerGrabber::ScrambledSectors() { return g__ULONGLONG__ScrambledSectors.load(); }

void CTarnwick_CdvdBurnerGrabber::PrepareRawStreamBlock(CTarnwick_CacheObject& p__Block, LONG p__LONG__LBA,
                                                        const std::vector<std::pair<LONG, BOOLEAN>>& p__RawTrackStarts) {
    const ULONG l__ULONG__BlockBytes = CTarnwick_RawSubchannel::RAW_PW_BLOCK_BYTES;
    // The track of the block's first sector; the following sectors move on through the list.
    size_t l__SIZE__Track = 0;
    while (l__SIZE__Track + 1 < p__RawTrackStarts.size() && p__RawTrackStarts[l__SIZE__Track + 1].first <= p__LONG__LBA) ++l__SIZE__Track;
    for (ULONG l__ULONG__Sector = 0; l__ULONG__Sector < p__Block.m__ULONG__DataBlocks; ++l__ULONG__Sector) {
        const LONG l__LONG__Sector = p__LONG__LBA + static_cast<LONG>(l__ULONG__Sector);
        while (l__SIZE__Track + 1 < p__RawTrackStarts.size() && p__RawTrackStarts[l__SIZE__Track + 1].first <= l__LONG__Sector) ++l__SIZE__Track;
        if (l__SIZE__Track < p__RawTrackStarts.size() && p__RawTrackStarts[l__SIZE__Track].second) continue;
        if (CTarnwick_RawSubchannel::ScrambleDataSector(p__Block.m__PUCHAR__Buffer + uint64_t(l__ULONG__Sector) * l__ULONG__BlockBytes))
            ++g__ULONGLONG__ScrambledSectors;
    }
    // Index 1 of the first track: the P channel of its first sector is set.
    if (p__LONG__LBA == 0 && p__Block.m__ULONG__DataBlocks > 0) {
        PUCHAR l__PUCHAR__Subchannel = p__Block.m__PUCHAR__Buffer + CTarnwick_RawSubchannel::RAW_SECTOR_BYTES;
        for (ULONG l__ULONG__Byte = 0; l__ULONG__Byte < CTarnwick_RawSubchannel::RAW_PW_BYTES; ++l__ULONG__Byte)
            l__PUCHAR__Subchannel[l__ULONG__Byte] |= 0x80;
    }
}

void CTarnwick_CdvdBurnerGrabber::SessionAtOnceTrack(PVOID p__PVOID__Tree, LONGLONG* p__PLONGLONG__TotalBlocks,
                                                     LONGLONG p__LONGLONG__TrackBlocks, LONG p__LONG__Start,
                                                     LONG p__LONG__ExtraPregap, LONG p__LONG__GapAfter,
                                                     ULONG p__ULONG__ProgressInterval,
                                                     ULONG p__ULONG__BufferStatusInterval, ULONG p__ULONG__DiscType,
                                                     const SESSION_TRACK_KIND& p__Kind) {
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::SessionAtOnceTrack(): ENTERed for 0x%08" PRIXPTR "\n",
               reinterpret_cast<uintptr_t>(p__PVOID__Tree));
    g__ULONGLONG__ScrambledSectors.store(0);
    try {
        const ULONG l__ULONG__BlockSize = m__ULONG__LogicalBlockSize;
        std::vector<UCHAR> l__Zeros(WORK_BUFFER_SIZE, 0);
        LONG l__LONG__LBA = p__LONG__Start;
        // Zero blocks, 10 at a time.
        auto l__WriteZeros = [&](LONG p__LONG__Blocks) {
            while (p__LONG__Blocks > 0) {
                const ULONG l__ULONG__Blocks = std::min<ULONG>(ZERO_BLOCKS_PER_WRITE, static_cast<ULONG>(p__LONG__Blocks));
                Write10(l__Zeros.data(), l__ULONG__Blocks, static_cast<ULONG>(l__LONG__LBA), l__ULONG__Blocks * l__ULONG__BlockSize);
                l__LONG__LBA += static_cast<LONG>(l__ULONG__Blocks);
                p__LONG__Blocks -= static_cast<LONG>(l__ULONG__Blocks);
            }
        };
        BlockPreparation l__Preparation;
        if (p__Kind.m__BOOLEAN__IsRawPW) {
            if (p__Kind.m__BOOLEAN__IsRawMode == 1 && p__Kind.m__ULONG__TrackIndex == 0) {
                DebugPrint("\nCTarnwick_CdvdBurnerGrabber::SessionAtOnceTrack(): First track and raw + raw P-W subchannel, writing lead-in\n");
                WriteLeadIn();
            }
            // The pre-gap's raw sectors are made here: index 0 of track 1, the relative time
            // counting down, the P channel set, data sectors encoded and scrambled.
            CTarnwick_ISO9660FileTreePreGapRawRawPW l__PreGap(l__LONG__LBA, PREGAP_BLOCKS, 1, !p__Kind.m__BOOLEAN__IsSound,
                                                              p__Kind.m__BOOLEAN__IsMode2Form1);
            for (LONG l__LONG__Written = 0; l__LONG__Written < PREGAP_BLOCKS; l__LONG__Written += ZERO_BLOCKS_PER_WRITE) {
                const ULONG l__ULONG__Bytes = ZERO_BLOCKS_PER_WRITE * l__ULONG__BlockSize;
                std::fill(l__Zeros.begin(), l__Zeros.end(), 0);
                l__PreGap.Read(l__ULONG__Bytes, l__Zeros.data());
                Write10(l__Zeros.data(), ZERO_BLOCKS_PER_WRITE, static_cast<ULONG>(l__LONG__LBA), l__ULONG__Bytes);
                l__LONG__LBA += static_cast<LONG>(ZERO_BLOCKS_PER_WRITE);
            }
            std::fill(l__Zeros.begin(), l__Zeros.end(), 0);
            const std::vector<std::pair<LONG, BOOLEAN>>& l__RawTrackStarts = p__Kind.m__RawTrackStarts;
            l__Preparation = [&l__RawTrackStarts](CTarnwick_CacheObject& p__Block, LONG p__LONG__LBA) {
                PrepareRawStreamBlock(p__Block, p__LONG__LBA, l__RawTrackStarts);
            };
        } else {
            l__WriteZeros(PREGAP_BLOCKS);
        }
        l__WriteZeros(p__LONG__ExtraPregap);
        WriteCachedBlocks(TRACK_NAME, l__LONG__LBA, p__PLONGLONG__TotalBlocks, p__LONGLONG__TrackBlocks,
                          p__ULONG__ProgressInterval, p__ULONG__BufferStatusInterval, p__ULONG__DiscType, l__Preparation);
        l__WriteZeros(p__LONG__GapAfter);
    } catch (...) {
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::SessionAtOnceTrack(): Method in sequence failed!!!\n");
        ShutDownCacheThread();
        throw;
    }
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::SessionAtOnceTrack(): Scrambled sectors %" PRIu64 "\n",
               g__ULONGLONG__ScrambledSectors.load());
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::SessionAtOnceTrack(): EXITing with success\n");
}
