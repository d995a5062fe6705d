// The pieces every writing method is made of: the preparation of the track to write, the
// write loop that empties the write cache onto the disc, the synchronisation at its end and
// the recovery after a failure.
#include <algorithm>
#include <cinttypes>
#include <vector>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_CdvdBurnerGrabber.h"
#include "DebugPrint.h"
#include "MmcDumps.h"
#include "PlatformClock.h"

namespace {
constexpr ULONG TRACK_INFORMATION_SIZE = 4096;
constexpr ULONG BUFFER_POLL_EVERY = 8;  // READ BUFFER CAPACITY on every 9th block
constexpr ULONG BUFFER_CAPACITY_SIZE = 12;
}  // namespace

bool CTarnwick_CdvdBurnerGrabber::IsSequentialDvd(ULONG p__ULONG__DiscType) {
    return p__ULONG__DiscType == DISC_TYPE_DVDROM || p__ULONG__DiscType == DISC_TYPE_DVDR ||
           p__ULONG__DiscType == DISC_TYPE_DVDRW_RO || p__ULONG__DiscType == DISC_TYPE_DVDRW_SR;
}

bool CTarnwick_CdvdBurnerGrabber::IsBluRay(ULONG p__ULONG__DiscType) {
    return p__ULONG__DiscType == DISC_TYPE_BDROM || p__ULONG__DiscType == DISC_TYPE_BDR || p__ULONG__DiscType == DISC_TYPE_BDRE;
}

CTarnwick_CdvdBurnerGrabber::WRITABLE_TRACK CTarnwick_CdvdBurnerGrabber::PrepareWritableTrack(
    const char* p__PCHAR__Name, ULONG p__ULONG__DiscType, LONGLONG p__LONGLONG__Blocks, NWA_RULE p__NWA_RULE__Rule) {
    DebugPrint("\n%s(): Reading track information\n", p__PCHAR__Name);
    std::vector<UCHAR> l__Track(TRACK_INFORMATION_SIZE, 0);
    WRITABLE_TRACK l__WritableTrack = {};
    auto l__ReadTrack = [&] {
        std::fill(l__Track.begin(), l__Track.end(), 0);
        FillTrackInformation(p__ULONG__DiscType, 255, l__Track.data(), TRACK_INFORMATION_SIZE);
        CTarnwick_DumpAndParseTrackInformation(l__Track.data(), &l__WritableTrack.m__BOOLEAN__IsBlank,
                                               &l__WritableTrack.m__BOOLEAN__IsNWAValid,
                                               &l__WritableTrack.m__ULONG__FreeBlocks, &l__WritableTrack.m__ULONG__NWA,
                                               &l__WritableTrack.m__UCHAR__TrackNumber);
    };
    l__ReadTrack();
    if ((p__ULONG__DiscType == DISC_TYPE_DVDPLUSRW || p__ULONG__DiscType == DISC_TYPE_DVDRAM ||
         p__ULONG__DiscType == DISC_TYPE_BDRE) &&
        l__WritableTrack.m__ULONG__FreeBlocks == 0) {
        if (p__ULONG__DiscType == DISC_TYPE_DVDRAM) {
            FormatUnitForDVDRAM();
        } else if (p__ULONG__DiscType == DISC_TYPE_BDRE) {
            FormatUnitForBDRE();
        } else {
            FormatUnitForDVDPLUSRW();
        }
        l__ReadTrack();
    }
    if (!l__WritableTrack.m__BOOLEAN__IsBlank) {
        CTarnwick_Exception::Raise(p__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_MEDIA_OR_DATA, 0,
                                   "%s(): Track is not blank!!!", p__PCHAR__Name);
    }
    if (!l__WritableTrack.m__BOOLEAN__IsNWAValid) {
        if (p__NWA_RULE__Rule == NWA_RULE_WARNING) {
            DebugPrint("\n%s(): WARNING! NWA is not valid!!!\n", p__PCHAR__Name);
        } else if (p__ULONG__DiscType != DISC_TYPE_DVDR) {
            CTarnwick_Exception::Raise(p__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_MEDIA_OR_DATA, 0,
                                       "%s(): NWA not valid!!!", p__PCHAR__Name);
        }
    }
    if (p__LONGLONG__Blocks > static_cast<LONGLONG>(l__WritableTrack.m__ULONG__FreeBlocks)) {
        DebugPrint("\n%s(): WARNING! File chain size in LBs %" PRId64 " is larger the free LBs %ld!!!\n", p__PCHAR__Name,
                   p__LONGLONG__Blocks, static_cast<long>(l__WritableTrack.m__ULONG__FreeBlocks));
    }
    if (IsSequentialDvd(p__ULONG__DiscType)) {
        DebugPrint("\n%s(): Reserving track for DVD\n", p__PCHAR__Name);
        ReserveTrack(static_cast<ULONG>(p__LONGLONG__Blocks + 1));
    }
    return l__WritableTrack;
}

LONGLONG CTarnwick_CdvdBurnerGrabber::WriteCachedBlocks(const char* p__PCHAR__Name, LONG& p__LONG__LBA,
                                                        LONGLONG* p__PLONGLONG__TotalBlocks,
                                                        LONGLONG p__LONGLONG__ExpectedBlocks,
                                                        ULONG p__ULONG__ProgressInterval,
                                                        ULONG p__ULONG__BufferStatusInterval, ULONG p__ULONG__DiscType,
                                                        const BlockPreparation& p__Preparation) {
    LONGLONG l__LONGLONG__Written = 0;
    ULONG l__ULONG__PollCounter = 0;
    ULONG l__ULONG__LastProgress = GetTickCount();
    ULONG l__ULONG__LastBufferStatus = l__ULONG__LastProgress;
    UCHAR l__UCHAR__BufferCapacity[BUFFER_CAPACITY_SIZE] = {};
    BOOLEAN l__BOOLEAN__IsEndMarker = 0;
    // Up to the block with the end marker: the blocks after it belong to the next track.
    while (!l__BOOLEAN__IsEndMarker) {
        CTarnwick_CacheObject* l__PCTarnwick_CacheObject__Object = TakeFilledBlock(p__PCHAR__Name);
        if (l__PCTarnwick_CacheObject__Object == nullptr) break;
        // Where a raw writing method turns the user data into the sectors it sends.
        if (p__Preparation) p__Preparation(*l__PCTarnwick_CacheObject__Object, p__LONG__LBA);
        Write10(l__PCTarnwick_CacheObject__Object->m__PUCHAR__Buffer, l__PCTarnwick_CacheObject__Object->m__ULONG__DataBlocks,
                static_cast<ULONG>(p__LONG__LBA), l__PCTarnwick_CacheObject__Object->m__ULONG__DataBytes);
        l__BOOLEAN__IsEndMarker = l__PCTarnwick_CacheObject__Object->m__UCHAR__IsEndMarker;
        p__LONG__LBA += static_cast<LONG>(l__PCTarnwick_CacheObject__Object->m__ULONG__DataBlocks);
        l__LONGLONG__Written += l__PCTarnwick_CacheObject__Object->m__ULONG__DataBlocks;

        ULONG l__ULONG__Now = GetTickCount();
        if (p__ULONG__ProgressInterval != 0 && l__ULONG__Now - l__ULONG__LastProgress > p__ULONG__ProgressInterval * 1000) {
            l__ULONG__LastProgress = l__ULONG__Now;
            Report(WRITE_PROGRESS, p__PLONGLONG__TotalBlocks, &l__LONGLONG__Written);
        }
        if (++l__ULONG__PollCounter > BUFFER_POLL_EVERY) {
            l__ULONG__PollCounter = 0;
            std::fill(std::begin(l__UCHAR__BufferCapacity), std::end(l__UCHAR__BufferCapacity), 0);
            if (p__ULONG__DiscType != DISC_TYPE_DVDRAM) {
                try {
                    ReadBufferCapacity(l__UCHAR__BufferCapacity, sizeof(l__UCHAR__BufferCapacity));
                } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
                    DebugPrint("\n%s(): ReadBufferCapacity() failed!!!\n", p__PCHAR__Name);
                    CTarnwick_Exception::Swallow(p__PCHAR__Name, l__PCTarnwick_Exception__Exception);
                }
            }
        }
        if (p__ULONG__BufferStatusInterval != 0 &&
            l__ULONG__Now - l__ULONG__LastBufferStatus > p__ULONG__BufferStatusInterval * 1000) {
            l__ULONG__LastBufferStatus = l__ULONG__Now;
            ULONG l__ULONG__BufferLength = CTarnwick_Bytes::GetBigEndian32(l__UCHAR__BufferCapacity + 4);
            ULONG l__ULONG__BlankLength = CTarnwick_Bytes::GetBigEndian32(l__UCHAR__BufferCapacity + 8);
            Report(BUFFER_STATUS, &l__ULONG__BufferLength, &l__ULONG__BlankLength);
        }
        ReleaseWrittenBlock(l__PCTarnwick_CacheObject__Object);
    }
    // The blocks written must be the blocks counted before the write (a source whose size
    // changed in between, or any slip of the cache's accounting): a short track is a failure.
    if (l__LONGLONG__Written != p__LONGLONG__ExpectedBlocks) {
        CTarnwick_Exception::Raise(p__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_MEDIA_OR_DATA, 0,
                                   "%s(): Wrote %" PRId64 " LBs of the %" PRId64 " LBs counted!!!", p__PCHAR__Name,
                                   l__LONGLONG__Written, p__LONGLONG__ExpectedBlocks);
    }
    return l__LONGLONG__Written;
}

void CTarnwick_CdvdBurnerGrabber::SynchronizeAfterWrite() {
    Report(SYNCHRONIZE_CACHE_BEGIN);
    SynchronizeCache();
    Report(SYNCHRONIZE_CACHE_END);
}

void CTarnwick_CdvdBurnerGrabber::RecoverFromFailedWrite(const char* p__PCHAR__Name,
                                                         const CTarnwick_Exception* p__PCTarnwick_Exception__Exception,
                                                         BOOLEAN p__BOOLEAN__IsSynchronized) {
    DebugPrint("\n%s(): Method in sequence failed!!!\n", p__PCHAR__Name);
    if (p__PCTarnwick_Exception__Exception != nullptr) {
        DebugPrint("\n%s(): EXITing with failure, status %ld, message '%s'!!!\n", p__PCHAR__Name,
                   static_cast<long>(p__PCTarnwick_Exception__Exception->GetExceptionNumber()),
                   p__PCTarnwick_Exception__Exception->GetExceptionText());
    } else {
        DebugPrint("\n%s(): EXITing with failure, exception pointer is NULL!\n", p__PCHAR__Name);
    }
    if (p__BOOLEAN__IsSynchronized) {
        DebugPrint("\n%s(): Synchronizing cache...\n", p__PCHAR__Name);
        CTarnwick_Exception::RunSafe(p__PCHAR__Name, [this] { SynchronizeCache(); });
    }
    DebugPrint("\n%s(): Ejecting disc...\n", p__PCHAR__Name);
    try {
        Eject();
    } catch (CTarnwick_Exception* l__PCTarnwick_Exception__EjectException) {
        DebugPrint("\n%s(): Eject() failed!!!\n", p__PCHAR__Name);
        CTarnwick_Exception::Swallow(p__PCHAR__Name, l__PCTarnwick_Exception__EjectException);
    }
    ShutDownCacheThread();
}
