// Disc-At-Once raw writing: the host sends every sector of a CD itself, lead-in, pre-gap,
// track and lead-out, each as a raw 2352-byte sector followed by its sub-channel (P and Q
// in 2368-byte blocks, or raw P-W in 2448-byte blocks). The generated areas are written in
// packets of 16 blocks straight from their generators; the track goes through the cache.
#include <cinttypes>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "CTarnwick_CdAddress.h"
#include "CTarnwick_CdvdBurnerGrabber.h"
#include "CTarnwick_ISO9660FileTreeLeadInRawPQ.h"
#include "CTarnwick_ISO9660FileTreeLeadInRawRawPW.h"
#include "CTarnwick_ISO9660FileTreeLeadOutRawPQ.h"
#include "CTarnwick_ISO9660FileTreeLeadOutRawRawPW.h"
#include "CTarnwick_ISO9660FileTreePreGapRawPQ.h"
#include "CTarnwick_ISO9660FileTreePreGapRawRawPW.h"
#include "DebugPrint.h"

namespace {
constexpr LONG PREGAP_BLOCKS = 150;
constexpr LONG PREGAP_LBA = -150;
constexpr LONG LEAD_OUT_BLOCKS = 6750;
constexpr ULONG PACKET_BLOCKS = 16;
constexpr ULONG PACKET_BUFFER_SIZE = 61440;
constexpr ULONG DISC_INFORMATION_SIZE = 4096;
constexpr ULONG LEAD_IN_SUBCHANNEL_BYTES = 96;
// The earliest lead-in a CD can have: 90:00:00.
constexpr LONG EARLIEST_LEAD_IN_LBA = -45150;

template <class T, class... A>
CTarnwick_FileChain* Make(A... p__Arguments) {
    return new (std::nothrow) T(p__Arguments...);
}
}  // namespace

// What differs between the two raw forms.
struct CTarnwick_CdvdBurnerGrabber::DAO_FORM {
    const char* m__PCHAR__Name;
    ULONG m__ULONG__BlockSize;
    UCHAR m__UCHAR__DataBlockType;
    const char* m__PCHAR__LeadInClass;
    const char* m__PCHAR__PreGapClass;
    const char* m__PCHAR__LeadOutClass;
    CTarnwick_FileChain* (*m__LeadIn)(LONG, LONG, LONG, const DISC_AT_ONCE_TRACK_LIST*, BOOLEAN);
    CTarnwick_FileChain* (*m__PreGap)(LONG, LONG, ULONG, BOOLEAN, BOOLEAN);
    CTarnwick_FileChain* (*m__LeadOut)(LONG, BOOLEAN, BOOLEAN);
};

void CTarnwick_CdvdBurnerGrabber::DiscAtOncePQ(CTarnwick_FileChain* p__PCTarnwick_FileChain__Track,
                                               BOOLEAN p__BOOLEAN__IsMode2Form1, BOOLEAN p__BOOLEAN__IsTestWrite,
                                               BOOLEAN p__BOOLEAN__IsNextSessionAllowed,
                                               ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__BufferStatusInterval,
                                               const DISC_AT_ONCE_TRACK_LIST* p__PDISC_AT_ONCE_TRACK_LIST__Tracks) {
    static const DAO_FORM s__Form = {
        "CTarnwick_CdvdBurnerGrabber::DiscAtOncePQ",
        2368,
        1,
        "l__PCTarnwick_ISO9660FileTreeLeadInRawPQ",
        "l__PCTarnwick_ISO9660FileTreePreGapRawPQ",
        "l__PCTarnwick_ISO9660FileTreeLeadOutRawPQ",
        Make<CTarnwick_ISO9660FileTreeLeadInRawPQ, LONG, LONG, LONG, const DISC_AT_ONCE_TRACK_LIST*, BOOLEAN>,
        Make<CTarnwick_ISO9660FileTreePreGapRawPQ, LONG, LONG, ULONG, BOOLEAN, BOOLEAN>,
        Make<CTarnwick_ISO9660FileTreeLeadOutRawPQ, LONG, BOOLEAN, BOOLEAN>};
    DiscAtOnce(s__Form, p__PCTarnwick_FileChain__Track, p__BOOLEAN__IsMode2Form1, p__BOOLEAN__IsTestWrite,
               p__BOOLEAN__IsNextSessionAllowed, p__ULONG__ProgressInterval, p__ULONG__BufferStatusInterval,
               p__PDISC_AT_ONCE_TRACK_LIST__Tracks);
}

void CTarnwick_CdvdBurnerGrabber::DiscAtOnceRawPW(CTarnwick_FileChain* p__PCTarnwick_FileChain__Track,
                                                  BOOLEAN p__BOOLEAN__IsMode2Form1, BOOLEAN p__BOOLEAN__IsTestWrite,
                                                  BOOLEAN p__BOOLEAN__IsNextSessionAllowed,
                                                  ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__BufferStatusInterval,
                                                  const DISC_AT_ONCE_TRACK_LIST* p__PDISC_AT_ONCE_TRACK_LIST__Tracks) {
    static const DAO_FORM s__Form = {
        "CTarnwick_CdvdBurnerGrabber::DiscAtOnceRawPW",
        2448,
        3,
        "l__PCTarnwick_ISO9660FileTreeLeadInRawRawPW",
        "l__PCTarnwick_ISO9660FileTreePreGapRawRawPW",
        "l__PCTarnwick_ISO9660FileTreeLeadOutRawRawPW",
        Make<CTarnwick_ISO9660FileTreeLeadInRawRawPW, LONG, LONG, LONG, const DISC_AT_ONCE_TRACK_LIST*, BOOLEAN>,
        Make<CTarnwick_ISO9660FileTreePreGapRawRawPW, LONG, LONG, ULONG, BOOLEAN, BOOLEAN>,
        Make<CTarnwick_ISO9660FileTreeLeadOutRawRawPW, LONG, BOOLEAN, BOOLEAN>};
    DiscAtOnce(s__Form, p__PCTarnwick_FileChain__Track, p__BOOLEAN__IsMode2Form1, p__BOOLEAN__IsTestWrite,
               p__BOOLEAN__IsNextSessionAllowed, p__ULONG__ProgressInterval, p__ULONG__BufferStatusInterval,
               p__PDISC_AT_ONCE_TRACK_LIST__Tracks);
}

LONG CTarnwick_CdvdBurnerGrabber::ReadLeadInStart(const char* p__PCHAR__Name) {
    std::vector<UCHAR> l__Disc(DISC_INFORMATION_SIZE, 0);
    GetDiscInformation(l__Disc.data(), DISC_INFORMATION_SIZE);
    const LONG l__LONG__LeadIn = MSFToLBA(l__Disc[17], l__Disc[18], l__Disc[19]);
    // Every block from the lead-in's start up to the pre-gap is the host's to write: a start
    // that is not in the lead-in (a drive that reports none, or garbage) would have the
    // writes overlap the pre-gap or run without end.
    if (l__LONG__LeadIn < EARLIEST_LEAD_IN_LBA || l__LONG__LeadIn >= PREGAP_LBA) {
        CTarnwick_Exception::Raise(p__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_MEDIA_OR_DATA, 0,
                                   "%s(): Lead-in start %02u:%02u:%02u ( %ld ) is not in the lead-in!!!", p__PCHAR__Name,
                                   static_cast<unsigned>(l__Disc[17]), static_cast<unsigned>(l__Disc[18]),
                                   static_cast<unsigned>(l__Disc[19]), static_cast<long>(l__LONG__LeadIn));
    }
    return l__LONG__LeadIn;
}

void CTarnwick_CdvdBurnerGrabber::WriteGeneratedBlocks(const char* p__PCHAR__Name, const char* p__PCHAR__Area,
                                                       CTarnwick_FileChain* p__PCTarnwick_FileChain__Generator,
                                                       LONG p__LONG__Blocks, ULONG p__ULONG__BlockSize, LONG& p__LONG__LBA) {
    std::vector<UCHAR> l__Packet(PACKET_BUFFER_SIZE, 0);
    LONG l__LONG__Remaining = p__LONG__Blocks;
    auto l__WritePacket = [&](ULONG p__ULONG__Blocks) {
        std::fill(l__Packet.begin(), l__Packet.end(), 0);
        const ULONG l__ULONG__Bytes = p__ULONG__Blocks * p__ULONG__BlockSize;
        p__PCTarnwick_FileChain__Generator->Read(l__ULONG__Bytes, l__Packet.data());
        Write10(l__Packet.data(), p__ULONG__Blocks, static_cast<ULONG>(p__LONG__LBA), l__ULONG__Bytes);
        p__LONG__LBA += static_cast<LONG>(p__ULONG__Blocks);
        l__LONG__Remaining -= static_cast<LONG>(p__ULONG__Blocks);
    };
    while (l__LONG__Remaining > static_cast<LONG>(PACKET_BLOCKS)) l__WritePacket(PACKET_BLOCKS);
    DebugPrint("\n%s(): %s last packet ( %ld ), generic packet ( %ld )\n", p__PCHAR__Name, p__PCHAR__Area,
               static_cast<long>(l__LONG__Remaining), static_cast<long>(PACKET_BLOCKS));
    if (l__LONG__Remaining > 0) l__WritePacket(static_cast<ULONG>(l__LONG__Remaining));
}

void CTarnwick_CdvdBurnerGrabber::DiscAtOnce(const DAO_FORM& p__Form, CTarnwick_FileChain* p__PCTarnwick_FileChain__Track,
                                             BOOLEAN p__BOOLEAN__IsMode2Form1, BOOLEAN p__BOOLEAN__IsTestWrite,
                                             BOOLEAN p__BOOLEAN__IsNextSessionAllowed, ULONG p__ULONG__ProgressInterval,
                                             ULONG p__ULONG__BufferStatusInterval,
                                             const DISC_AT_ONCE_TRACK_LIST* p__PDISC_AT_ONCE_TRACK_LIST__Tracks) {
    const char* const NAME = p__Form.m__PCHAR__Name;
    DebugPrint("\n%s(): ENTERed for 0x%08" PRIXPTR "\n", NAME, reinterpret_cast<uintptr_t>(p__PCTarnwick_FileChain__Track));
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);

    TestUnitReady();
    const ULONG l__ULONG__DiscType = GetDiscTypeSafe();
    DebugPrint("\n%s(): Inserted disc type 0x%08X\n", NAME, l__ULONG__DiscType);
    if (l__ULONG__DiscType > DISC_TYPE_CDRW) {
        CTarnwick_Exception::Raise(NAME, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_MEDIA_OR_DATA, 0,
                                   "%s(): Disc type (%ld) not valid for DAO!!!", NAME, static_cast<long>(l__ULONG__DiscType));
    }
    // The track list and the track's source are checked before anything is sent.
    if (p__PCTarnwick_FileChain__Track == nullptr || p__PDISC_AT_ONCE_TRACK_LIST__Tracks == nullptr ||
        p__PDISC_AT_ONCE_TRACK_LIST__Tracks->m__ULONG__NumberOfTracks == 0 ||
        p__PDISC_AT_ONCE_TRACK_LIST__Tracks->m__ULONG__NumberOfTracks > DISC_AT_ONCE_MAXIMUM_TRACKS) {
        CTarnwick_Exception::Raise(NAME, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                   "%s(): No track source or no track list of 1 to 99 tracks!!!", NAME);
    }
    const BOOLEAN l__BOOLEAN__IsDataTrack =
        p__PDISC_AT_ONCE_TRACK_LIST__Tracks->m__DISC_AT_ONCE_TRACK_ENTRY__Tracks[0].m__BOOLEAN__IsDataTrack == 1;

    m__UCHAR__IsCancel.store(0);
    m__UCHAR__LastWriteMode = WRITE_MODE_DAO;
    m__ULONG__LogicalBlockSize = p__Form.m__ULONG__BlockSize;
    DebugPrint("\n%s(): Setting write parameters to %s\n", NAME, l__BOOLEAN__IsDataTrack ? "DATA" : "AUDIO");
    UCHAR l__UCHAR__SessionFormat = 0x00;
    if (p__BOOLEAN__IsMode2Form1 == 1) {
        DebugPrint("\n%s(): Setting write parameters to CDROM/XA\n", NAME);
        l__UCHAR__SessionFormat = 0x20;
    } else {
        DebugPrint("\n%s(): Setting write parameters to CDDA/CDROM\n", NAME);
    }

    std::unique_ptr<CTarnwick_FileChain> l__LeadIn, l__PreGap, l__LeadOut;
    LONG l__LONG__LBA = 0;
    bool l__bool__IsLBASet = false;
    try {
        DebugPrint("\n%s(): Setting write parameters\n", NAME);
        RestoreWriteParameters();
        SetWriteParameters(3, p__Form.m__UCHAR__DataBlockType, 0, p__BOOLEAN__IsTestWrite, p__BOOLEAN__IsNextSessionAllowed,
                           l__UCHAR__SessionFormat, 0, 0, 0, 0, 0);

        Report(TARGET_FILE_ANALYZE_BEGIN);
        LONGLONG l__LONGLONG__Size = static_cast<LONGLONG>(p__PCTarnwick_FileChain__Track->GetSize());
        LONGLONG l__LONGLONG__Blocks = l__LONGLONG__Size / p__Form.m__ULONG__BlockSize;
        Report(TARGET_FILE_ANALYZE_END, &l__LONGLONG__Size, &l__LONGLONG__Blocks);
        // The lead-out must start on the CD's clock, after a track of a block at least.
        if (l__LONGLONG__Blocks <= 0 || l__LONGLONG__Blocks + LEAD_OUT_BLOCKS > CTarnwick_CdAddress::LAST_LBA + 1 ||
            l__LONGLONG__Size % p__Form.m__ULONG__BlockSize != 0) {
            CTarnwick_Exception::Raise(NAME, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_MEDIA_OR_DATA, 0,
                                       "%s(): Track source of %" PRId64 " UCHARs is not a track of %lu-UCHAR LBs!!!", NAME,
                                       l__LONGLONG__Size, static_cast<unsigned long>(p__Form.m__ULONG__BlockSize));
        }
        const LONG l__LONG__TrackBlocks = static_cast<LONG>(l__LONGLONG__Blocks);

        PrepareWritableTrack(NAME, l__ULONG__DiscType, l__LONGLONG__Blocks, NWA_RULE_WARNING);

        const LONG l__LONG__LeadIn = ReadLeadInStart(NAME);
        const LONG l__LONG__LeadInSize = std::abs(l__LONG__LeadIn + 151) + 1;
        DebugPrint("\n%s(): Lead-in LBA ( %ld ), NWA %ld, Lead-in size in LBs %ld\n", NAME, static_cast<long>(l__LONG__LeadIn),
                   static_cast<long>(l__LONG__LeadIn), static_cast<long>(l__LONG__LeadInSize));

        auto l__Created = [&](CTarnwick_FileChain* p__Generator, const char* p__PCHAR__Variable) {
            if (p__Generator == nullptr) {
                CTarnwick_Exception::Raise(NAME, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_OUT_OF_MEMORY, 0,
                                           "%s(): %s == NULL!!!", NAME, p__PCHAR__Variable);
            }
            return std::unique_ptr<CTarnwick_FileChain>(p__Generator);
        };
        l__LeadIn = l__Created(p__Form.m__LeadIn(l__LONG__LeadIn, l__LONG__LeadInSize, l__LONG__TrackBlocks,
                                                 p__PDISC_AT_ONCE_TRACK_LIST__Tracks, p__BOOLEAN__IsMode2Form1),
                               p__Form.m__PCHAR__LeadInClass);
        l__PreGap = l__Created(p__Form.m__PreGap(PREGAP_LBA, PREGAP_BLOCKS, 1, l__BOOLEAN__IsDataTrack, p__BOOLEAN__IsMode2Form1),
                               p__Form.m__PCHAR__PreGapClass);
        l__LeadOut = l__Created(p__Form.m__LeadOut(l__LONG__TrackBlocks, l__BOOLEAN__IsDataTrack, p__BOOLEAN__IsMode2Form1),
                                p__Form.m__PCHAR__LeadOutClass);

        StartCache(p__PCTarnwick_FileChain__Track, NAME, TRUE);

        l__LONG__LBA = l__LONG__LeadIn;
        l__bool__IsLBASet = true;
        DebugPrint("\n%s(): Before writing lead-in, NWA %ld, lead-in size in LBs %ld\n", NAME, static_cast<long>(l__LONG__LBA),
                   static_cast<long>(l__LONG__LeadInSize));
        WriteGeneratedBlocks(NAME, "Lead-in", l__LeadIn.get(), l__LONG__LeadInSize, p__Form.m__ULONG__BlockSize, l__LONG__LBA);
        DebugPrint("\n%s(): After writing lead-in, before writing pregap, NWA %ld, pregap size in LBs %ld\n", NAME,
                   static_cast<long>(l__LONG__LBA), static_cast<long>(PREGAP_BLOCKS));
        WriteGeneratedBlocks(NAME, "Pregap", l__PreGap.get(), PREGAP_BLOCKS, p__Form.m__ULONG__BlockSize, l__LONG__LBA);
        DebugPrint("\n%s(): After writing pregap, before writing track, NWA %ld\n", NAME, static_cast<long>(l__LONG__LBA));

        LONGLONG l__LONGLONG__TotalBlocks = l__LONGLONG__Blocks;
        WriteCachedBlocks(NAME, l__LONG__LBA, &l__LONGLONG__TotalBlocks, l__LONGLONG__Blocks, p__ULONG__ProgressInterval,
                          p__ULONG__BufferStatusInterval, l__ULONG__DiscType);

        DebugPrint("\n%s(): After writing track, before writing lead-out, NWA %ld\n", NAME, static_cast<long>(l__LONG__LBA));
        WriteGeneratedBlocks(NAME, "Lead-out", l__LeadOut.get(), LEAD_OUT_BLOCKS, p__Form.m__ULONG__BlockSize, l__LONG__LBA);
        DebugPrint("\n%s(): After writing lead-out, NWA %ld\n", NAME, static_cast<long>(l__LONG__LBA));

        SynchronizeAfterWrite();
        l__LeadIn.reset();
        l__PreGap.reset();
        l__LeadOut.reset();
        ShutDownCacheThread();
    } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
        RecoverFromFailedWrite(NAME, l__PCTarnwick_Exception__Exception, l__bool__IsLBASet && l__LONG__LBA > 0);
        throw;
    } catch (...) {
        // The cache thread must not go on reading sources the caller frees as soon as this returns.
        ShutDownCacheThread();
        throw;
    }
    DebugPrint("\n%s(): EXITing with success\n", NAME);
}

void CTarnwick_CdvdBurnerGrabber::WriteLeadIn() {
    static const char* const NAME = "CTarnwick_CdvdBurnerGrabber::WriteLeadIn";
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);
    LONG l__LONG__LBA = ReadLeadInStart(NAME);
    DebugPrint("\n%s(): Lead-in LBA ( %ld ), Lead-in size in LBs %ld\n", NAME, static_cast<long>(l__LONG__LBA),
               static_cast<long>(PREGAP_LBA - l__LONG__LBA));
    // The lead-in is sent as sub-channel data only, all zero: the drive writes its own TOC.
    std::vector<UCHAR> l__Zeros(PACKET_BLOCKS * LEAD_IN_SUBCHANNEL_BYTES, 0);
    const LONG l__LONG__Packets = (PREGAP_LBA - l__LONG__LBA) / static_cast<LONG>(PACKET_BLOCKS);
    for (LONG l__LONG__Packet = 0; l__LONG__Packet < l__LONG__Packets; ++l__LONG__Packet) {
        Write10(l__Zeros.data(), PACKET_BLOCKS, static_cast<ULONG>(l__LONG__LBA), PACKET_BLOCKS * LEAD_IN_SUBCHANNEL_BYTES);
        l__LONG__LBA += static_cast<LONG>(PACKET_BLOCKS);
    }
    if (l__LONG__LBA < PREGAP_LBA) {
        const ULONG l__ULONG__Blocks = static_cast<ULONG>(PREGAP_LBA - l__LONG__LBA);
        DebugPrint("\n%s(): Writing lead-in, Lead-in LBA ( %ld ), Padding packet size in LBs %ld\n", NAME,
                   static_cast<long>(l__LONG__LBA), static_cast<long>(l__ULONG__Blocks));
        Write10(l__Zeros.data(), l__ULONG__Blocks, static_cast<ULONG>(l__LONG__LBA), l__ULONG__Blocks * LEAD_IN_SUBCHANNEL_BYTES);
        l__LONG__LBA = PREGAP_LBA;
    }
    DebugPrint("\n%s(): Lead-in LBA ( %ld )\n", NAME, static_cast<long>(l__LONG__LBA));
}
