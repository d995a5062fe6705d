// Track-At-Once: one byte stream written as one track at the next writable address.
#include <cinttypes>
#include <mutex>

#include "CTarnwick_CdvdBurnerGrabber.h"
#include "DebugPrint.h"

namespace {
constexpr const char* NAME = "CTarnwick_CdvdBurnerGrabber::TrackAtOnce";
constexpr ULONG CONTENT_DATA = 1;
constexpr ULONG CONTENT_AUDIO = 2;

// Logical block size, data block type, track mode and session format of a content.
struct CONTENT_SETTINGS {
    const char* m__PCHAR__Name;
    ULONG m__ULONG__LogicalBlockSize;
    UCHAR m__UCHAR__DataBlockType, m__UCHAR__TrackMode, m__UCHAR__SessionFormat;
};

// The settings of content 1 (data: Mode 2 Form 1 when XA, else Mode 1), 2 (audio) or any
// other (Mode 2 Form 2), tracing the choice.
const CONTENT_SETTINGS& ChooseContentSettings(ULONG p__ULONG__Content, BOOLEAN p__BOOLEAN__IsXA) {
    static const CONTENT_SETTINGS s__Mode1 = {"MODE1", 2048, 8, 4, 0x00};
    static const CONTENT_SETTINGS s__Mode2Form1 = {"MODE2/Form1", 2048, 10, 4, 0x20};
    static const CONTENT_SETTINGS s__Audio = {"audio", 2352, 0, 0, 0x00};
    static const CONTENT_SETTINGS s__Mode2Form2 = {"MODE2/Form2", 2332, 13, 4, 0x20};
    const CONTENT_SETTINGS* l__Settings = &s__Mode2Form2;
    if (p__ULONG__Content == CONTENT_DATA) {
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::TrackAtOnce(): Setting write parameters to data\n");
        l__Settings = p__BOOLEAN__IsXA ? &s__Mode2Form1 : &s__Mode1;
    } else if (p__ULONG__Content == CONTENT_AUDIO) {
        l__Settings = &s__Audio;
    }
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::TrackAtOnce(): Setting write parameters to %s\n", l__Settings->m__PCHAR__Name);
    return *l__Settings;
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
    m__BOOLEAN__IsLastNextSessionAllowed = p__BOOLEAN__IsNextSessionAllowed;
    ULONG l__ULONG__DiscType = GetDiscTypeSafe();
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::TrackAtOnce(): Inserted disc type 0x%08X\n", l__ULONG__DiscType);

    // A BD records 2048-byte blocks only and cannot simulate a write: refused before anything
    // reaches the drive (a drive that ignored the Test Write bit would burn the disc for real).
    if (IsBluRay(l__ULONG__DiscType) && p__ULONG__Content != CONTENT_DATA) {
        CTarnwick_Exception::Raise(NAME, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_MEDIA_OR_DATA, 0,
                                   "CTarnwick_CdvdBurnerGrabber::TrackAtOnce(): BD media take data tracks only!!!");
    }
    if (IsBluRay(l__ULONG__DiscType) && p__BOOLEAN__IsTestWrite) {
        CTarnwick_Exception::Raise(NAME, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_MEDIA_OR_DATA, 0,
                                   "CTarnwick_CdvdBurnerGrabber::TrackAtOnce(): BD media cannot be written in test mode!!!");
    }

    const CONTENT_SETTINGS& l__Settings = ChooseContentSettings(p__ULONG__Content, p__BOOLEAN__IsXA);
    m__ULONG__LogicalBlockSize = l__Settings.m__ULONG__LogicalBlockSize;
    // Data tracks are written whole; a sound track leaves out a partial last sector.
    const BOOLEAN l__BOOLEAN__IsLastBlockPadded = p__ULONG__Content != CONTENT_AUDIO;

    LONG l__LONG__LBA = 0;
    try {
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::TrackAtOnce(): Setting write parameters\n");
        if (IsBluRay(l__ULONG__DiscType)) {
            // The page does not apply to BD: a drive may refuse it, and the write goes on.
            try {
                RestoreWriteParameters();
                SetWriteParameters(1, 8, 4, 0, 0, 0, 0, 0, 0, 0, 0);
            } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
                CTarnwick_Exception::Swallow(NAME, l__PCTarnwick_Exception__Exception);
            }
        } else if (IsSequentialDvd(l__ULONG__DiscType)) {
            RestoreWriteParameters();
            SetWriteParameters(2, 8, 5, p__BOOLEAN__IsTestWrite, 0, 0, 0, 0, 0, 0, 1);
        } else {
            RestoreWriteParameters();
            SetWriteParameters(1, l__Settings.m__UCHAR__DataBlockType, l__Settings.m__UCHAR__TrackMode,
                               p__BOOLEAN__IsTestWrite, p__BOOLEAN__IsNextSessionAllowed,
                               l__Settings.m__UCHAR__SessionFormat, p__UCHAR__SubHeader0, p__UCHAR__SubHeader1,
                               p__UCHAR__SubHeader2, p__UCHAR__SubHeader3, 0);
        }

        Report(TARGET_FILE_ANALYZE_BEGIN);
        LONGLONG l__LONGLONG__Size = static_cast<LONGLONG>(p__PCTarnwick_FileChain__Image->GetSize());
        LONGLONG l__LONGLONG__Blocks =
            BlocksOfSource(l__LONGLONG__Size, m__ULONG__LogicalBlockSize, l__BOOLEAN__IsLastBlockPadded);
        Report(TARGET_FILE_ANALYZE_END, &l__LONGLONG__Size, &l__LONGLONG__Blocks);

        const WRITABLE_TRACK l__Track =
            PrepareWritableTrack(NAME, l__ULONG__DiscType, l__LONGLONG__Blocks, NWA_RULE_REQUIRED_UNLESS_DVDR);
        StartCache(p__PCTarnwick_FileChain__Image, NAME, l__BOOLEAN__IsLastBlockPadded);
        l__LONG__LBA = static_cast<LONG>(l__Track.m__ULONG__NWA);
        if (l__Track.m__UCHAR__TrackNumber != 0) m__UCHAR__LastTrackNumber = l__Track.m__UCHAR__TrackNumber;
        WriteCachedBlocks(NAME, l__LONG__LBA, &l__LONGLONG__Blocks, l__LONGLONG__Blocks, p__ULONG__ProgressInterval,
                          p__ULONG__BufferStatusInterval, l__ULONG__DiscType);
        SynchronizeAfterWrite();
        ShutDownCacheThread();
    } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
        RecoverFromFailedWrite(NAME, l__PCTarnwick_Exception__Exception, l__LONG__LBA > 0);
        throw;
    } catch (...) {
        // Any other exception (an allocation that failed in the write loop) must not leave the
        // cache thread reading a source that the caller frees as soon as this returns.
        ShutDownCacheThread();
        throw;
    }
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::TrackAtOnce(): EXITing with success\n");
}
