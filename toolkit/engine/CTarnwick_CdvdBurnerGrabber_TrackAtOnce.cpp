// Track-At-Once: one byte stream written as one track at the next writable address.
#include <cinttypes>
#include <mutex>
#include <vector>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_CdvdBurnerGrabber.h"
#include "DebugPrint.h"
#include "MmcDumps.h"
#include "PlatformClock.h"

namespace {
constexpr const char* NAME = "CTarnwick_CdvdBurnerGrabber::TrackAtOnce";
constexpr ULONG TRACK_INFORMATION_SIZE = 4096;
constexpr ULONG BUFFER_POLL_EVERY = 8;  // READ BUFFER CAPACITY on every 9th block


bool IsSequentialDvd(ULONG p__ULONG__DiscType) {
    return p__ULONG__DiscType == DISC_TYPE_DVDROM || p__ULONG__DiscType == DISC_TYPE_DVDR ||
           p__ULONG__DiscType == DISC_TYPE_DVDRW_RO || p__ULONG__DiscType == DISC_TYPE_DVDRW_SR;
}
}  // namespace

void CTarnwick_CdvdBurnerGrabber::TrackAtOnce(CTarnwick_FileChain* p__PCTarnwick_FileChain__Image,
                                              BOOLEAN p__BOOLEAN__IsXA, BOOLEAN p__BOOLEAN__IsTestWrite,
                                              BOOLEAN p__BOOLEAN__IsNextSessionAllowed,
                                              ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__BufferStatusInterval,
                                              ULONG p__ULONG__Content, UCHAR p__UCHAR__SubHeader0,
                                              UCHAR p__UCHAR__SubHeader1, UCHAR p__UCHAR__SubHeader2,
                                              UCHAR p__UCHAR__SubHeader3) {
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::TrackAtOnce(): ENTERed for 0x%08" PRIXPTR "\n",
               reinterpret_cast<uintptr_t>(p__PCTarnwick_FileChain__Image));
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);

    TestUnitReady();
    m__UCHAR__IsCancel.store(0);
    m__UCHAR__LastWriteMode = WRITE_MODE_TAO;
    ULONG l__ULONG__DiscType = GetDiscTypeSafe();
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::TrackAtOnce(): Inserted disc type 0x%08X\n", l__ULONG__DiscType);

    // Logical block size, data block type, track mode and session format of the content.
    struct ContentSettings {
        const char* m__PCHAR__Name;
        ULONG m__ULONG__LogicalBlockSize;
        UCHAR m__UCHAR__DataBlockType, m__UCHAR__TrackMode, m__UCHAR__SessionFormat;
    };
    static const ContentSettings s__Mode1 = {"MODE1", 2048, 8, 4, 0x00};
    static const ContentSettings s__Mode2Form1 = {"MODE2/Form1", 2048, 10, 4, 0x20};
    static const ContentSettings s__Audio = {"audio", 2352, 0, 0, 0x00};
    static const ContentSettings s__Mode2Form2 = {"MODE2/Form2", 2332, 13, 4, 0x20};
    const ContentSettings* l__Settings = &s__Mode2Form2;
    if (p__ULONG__Content == 1) {
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::TrackAtOnce(): Setting write parameters to data\n");
        l__Settings = p__BOOLEAN__IsXA ? &s__Mode2Form1 : &s__Mode1;
    } else if (p__ULONG__Content == 2) {
        l__Settings = &s__Audio;
    }
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::TrackAtOnce(): Setting write parameters to %s\n", l__Settings->m__PCHAR__Name);
    m__ULONG__LogicalBlockSize = l__Settings->m__ULONG__LogicalBlockSize;
    const UCHAR l__UCHAR__DataBlockType = l__Settings->m__UCHAR__DataBlockType;
    const UCHAR l__UCHAR__TrackMode = l__Settings->m__UCHAR__TrackMode;
    const UCHAR l__UCHAR__SessionFormat = l__Settings->m__UCHAR__SessionFormat;

    LONG l__LONG__LBA = 0;
    try {
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::TrackAtOnce(): Setting write parameters\n");
        RestoreWriteParameters();
        if (IsSequentialDvd(l__ULONG__DiscType)) {
            SetWriteParameters(2, 8, 5, p__BOOLEAN__IsTestWrite, 0, 0, 0, 0, 0, 0, 1);
        } else {
            SetWriteParameters(1, l__UCHAR__DataBlockType, l__UCHAR__TrackMode, p__BOOLEAN__IsTestWrite,
                               p__BOOLEAN__IsNextSessionAllowed, l__UCHAR__SessionFormat, p__UCHAR__SubHeader0,
                               p__UCHAR__SubHeader1, p__UCHAR__SubHeader2, p__UCHAR__SubHeader3, 0);
        }

        Report(TARGET_FILE_ANALYZE_BEGIN);
        LONGLONG l__LONGLONG__Size = static_cast<LONGLONG>(p__PCTarnwick_FileChain__Image->GetSize());
        LONGLONG l__LONGLONG__Blocks = l__LONGLONG__Size / static_cast<LONGLONG>(m__ULONG__LogicalBlockSize);
        Report(TARGET_FILE_ANALYZE_END, &l__LONGLONG__Size, &l__LONGLONG__Blocks);

        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::TrackAtOnce(): Reading track information\n");
        std::vector<UCHAR> l__Track(TRACK_INFORMATION_SIZE, 0);
        BOOLEAN l__BOOLEAN__IsBlank = 0, l__BOOLEAN__IsNWAValid = 0;
        ULONG l__ULONG__FreeBlocks = 0, l__ULONG__NWA = 0;
        UCHAR l__UCHAR__TrackNumber = 0;
        auto l__ReadTrack = [&] {
            std::fill(l__Track.begin(), l__Track.end(), 0);
            FillTrackInformation(l__ULONG__DiscType, 255, l__Track.data(), TRACK_INFORMATION_SIZE);
            CTarnwick_DumpAndParseTrackInformation(l__Track.data(), &l__BOOLEAN__IsBlank, &l__BOOLEAN__IsNWAValid,
                                                   &l__ULONG__FreeBlocks, &l__ULONG__NWA, &l__UCHAR__TrackNumber);
        };
        l__ReadTrack();
        if ((l__ULONG__DiscType == DISC_TYPE_DVDPLUSRW || l__ULONG__DiscType == DISC_TYPE_DVDRAM) &&
            l__ULONG__FreeBlocks == 0) {
            if (l__ULONG__DiscType == DISC_TYPE_DVDRAM) {
                FormatUnitForDVDRAM();
            } else {
                FormatUnitForDVDPLUSRW();
            }
            l__ReadTrack();
        }
        if (!l__BOOLEAN__IsBlank) {
            CTarnwick_Exception::Raise(NAME, EXIT_TRACE_FORM_NONE, EXCEPTION_NUMBER_MEDIA_OR_DATA, 0,
                                       "CTarnwick_CdvdBurnerGrabber::TrackAtOnce(): Track is not blank!!!");
        }
        if (!l__BOOLEAN__IsNWAValid && l__ULONG__DiscType != DISC_TYPE_DVDR) {
            CTarnwick_Exception::Raise(NAME, EXIT_TRACE_FORM_NONE, EXCEPTION_NUMBER_MEDIA_OR_DATA, 0,
                                       "CTarnwick_CdvdBurnerGrabber::TrackAtOnce(): NWA not valid!!!");
        }
        if (l__LONGLONG__Blocks > static_cast<LONGLONG>(l__ULONG__FreeBlocks)) {
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::TrackAtOnce(): WARNING! File chain size in LBs %" PRId64
                       " is larger the free LBs %ld!!!\n",
                       l__LONGLONG__Blocks, static_cast<long>(l__ULONG__FreeBlocks));
        }
        if (IsSequentialDvd(l__ULONG__DiscType)) {
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::TrackAtOnce(): Reserving track for DVD\n");
            ReserveTrack(static_cast<ULONG>(l__LONGLONG__Blocks + 1));
        }

        StartCache(p__PCTarnwick_FileChain__Image, NAME);

        l__LONG__LBA = static_cast<LONG>(l__ULONG__NWA);
        LONGLONG l__LONGLONG__Written = 0;
        ULONG l__ULONG__PollCounter = 0;
        ULONG l__ULONG__LastProgress = GetTickCount();
        ULONG l__ULONG__LastBufferStatus = l__ULONG__LastProgress;
        UCHAR l__UCHAR__BufferCapacity[12] = {};
        BOOLEAN l__BOOLEAN__IsEndMarker = 0;
        for (;;) {
            CTarnwick_CacheObject* l__PCTarnwick_CacheObject__Object = TakeFilledBlock(l__BOOLEAN__IsEndMarker, NAME);
            if (l__PCTarnwick_CacheObject__Object == nullptr) break;
            Write10(l__PCTarnwick_CacheObject__Object->m__PUCHAR__Buffer,
                    l__PCTarnwick_CacheObject__Object->m__ULONG__DataBlocks, static_cast<ULONG>(l__LONG__LBA),
                    l__PCTarnwick_CacheObject__Object->m__ULONG__DataBytes);
            l__BOOLEAN__IsEndMarker = l__PCTarnwick_CacheObject__Object->m__UCHAR__IsEndMarker;
            l__LONG__LBA += static_cast<LONG>(l__PCTarnwick_CacheObject__Object->m__ULONG__DataBlocks);
            l__LONGLONG__Written += l__PCTarnwick_CacheObject__Object->m__ULONG__DataBlocks;

            ULONG l__ULONG__Now = GetTickCount();
            if (p__ULONG__ProgressInterval != 0 &&
                l__ULONG__Now - l__ULONG__LastProgress > p__ULONG__ProgressInterval * 1000) {
                l__ULONG__LastProgress = l__ULONG__Now;
                Report(WRITE_PROGRESS, &l__LONGLONG__Blocks, &l__LONGLONG__Written);
            }
            if (++l__ULONG__PollCounter > BUFFER_POLL_EVERY) {
                l__ULONG__PollCounter = 0;
                std::fill(std::begin(l__UCHAR__BufferCapacity), std::end(l__UCHAR__BufferCapacity), 0);
                if (l__ULONG__DiscType != DISC_TYPE_DVDRAM) {
                    try {
                        ReadBufferCapacity(l__UCHAR__BufferCapacity, sizeof(l__UCHAR__BufferCapacity));
                    } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
                        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::TrackAtOnce(): ReadBufferCapacity() failed!!!\n");
                        CTarnwick_Exception::Swallow(NAME, l__PCTarnwick_Exception__Exception);
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

        Report(SYNCHRONIZE_CACHE_BEGIN);
        SynchronizeCache();
        Report(SYNCHRONIZE_CACHE_END);
        ShutDownCacheThread();
    } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::TrackAtOnce(): Method in sequence failed!!!\n");
        if (l__PCTarnwick_Exception__Exception != nullptr) {
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::TrackAtOnce(): EXITing with failure, status %ld, message "
                       "'%s'!!!\n",
                       static_cast<long>(l__PCTarnwick_Exception__Exception->GetExceptionNumber()),
                       l__PCTarnwick_Exception__Exception->GetExceptionText());
        } else {
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::TrackAtOnce(): EXITing with failure, exception pointer is NULL!\n");
        }
        if (l__LONG__LBA > 0) {
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::TrackAtOnce(): Synchronizing cache...\n");
            CTarnwick_Exception::RunSafe(NAME, [this] { SynchronizeCache(); });
        }
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::TrackAtOnce(): Ejecting disc...\n");
        try {
            Eject();
        } catch (CTarnwick_Exception* l__PCTarnwick_Exception__EjectException) {
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::TrackAtOnce(): Eject() failed!!!\n");
            CTarnwick_Exception::Swallow(NAME, l__PCTarnwick_Exception__EjectException);
        }
        ShutDownCacheThread();
        throw;
    } catch (...) {
        // Any other exception (an allocation that failed in the write loop) must not leave the
        // cache thread reading a source that the caller frees as soon as this returns.
        ShutDownCacheThread();
        throw;
    }
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::TrackAtOnce(): EXITing with success\n");
}
