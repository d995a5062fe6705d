// Grabbing the user data of a track, or of a range of blocks inside one track, into a file:
// large reads, block-by-block retries of a failed piece, zeros for unreadable blocks when
// asked to ignore them, and a WAV header in front of an audio track.
#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_CdvdBurnerGrabber.h"
#include "DebugPrint.h"
#include "PlatformClock.h"
#include "CTarnwick_GrabOutput.h"
#include "PlatformSystemError.h"

namespace {

constexpr ULONG GRAB_BUFFER_SIZE = 61440;
// The blocks before the end of a grab that are read one at a time, and after whose first
// failure nothing more is read (a damaged run-out area only slows a drive down).
constexpr LONG END_ZONE_BLOCKS = 150;
constexpr ULONG WAVE_HEADER_SIZE = 44;

const char* const g__PCHAR__GrabTrack = "CTarnwick_CdvdBurnerGrabber::GrabTrack";
const char* const g__PCHAR__GrabRange = "CTarnwick_CdvdBurnerGrabber::GrabRange";
const char* const g__PCHAR__GrabTrackCooked = "CTarnwick_CdvdBurnerGrabber::GrabTrackCooked";

const char* YesNo(BOOLEAN p__BOOLEAN__Value) { return p__BOOLEAN__Value ? "Yes" : "No"; }

// The canonical 44-byte RIFF WAVE header of 16-bit stereo PCM at 44,100 Hz.
void PutWaveHeader(UCHAR* p__PUCHAR__Header, ULONG p__ULONG__DataSize) {
    std::memcpy(p__PUCHAR__Header, "RIFF", 4);
    CTarnwick_Bytes::PutLittleEndian32(p__PUCHAR__Header + 4, p__ULONG__DataSize + 36);
    std::memcpy(p__PUCHAR__Header + 8, "WAVE", 4);
    std::memcpy(p__PUCHAR__Header + 12, "fmt ", 4);
    CTarnwick_Bytes::PutLittleEndian32(p__PUCHAR__Header + 16, 16);
    CTarnwick_Bytes::PutLittleEndian16(p__PUCHAR__Header + 20, 1);
    CTarnwick_Bytes::PutLittleEndian16(p__PUCHAR__Header + 22, 2);
    CTarnwick_Bytes::PutLittleEndian32(p__PUCHAR__Header + 24, 44100);
    CTarnwick_Bytes::PutLittleEndian32(p__PUCHAR__Header + 28, 176400);
    CTarnwick_Bytes::PutLittleEndian16(p__PUCHAR__Header + 32, 4);
    CTarnwick_Bytes::PutLittleEndian16(p__PUCHAR__Header + 34, 16);
    std::memcpy(p__PUCHAR__Header + 36, "data", 4);
    CTarnwick_Bytes::PutLittleEndian32(p__PUCHAR__Header + 40, p__ULONG__DataSize);
}

}  // namespace

void CTarnwick_CdvdBurnerGrabber::PrepareGrab(PTOC_INFORMATION p__PTOC_INFORMATION__Toc) {
    TestUnitReady();
    m__UCHAR__IsCancel = 0;
    RestoreReadErrorRecoverySafe();
    std::memset(p__PTOC_INFORMATION__Toc, 0, sizeof(TOC_INFORMATION));
    ReadTOC(p__PTOC_INFORMATION__Toc);
}

void CTarnwick_CdvdBurnerGrabber::GrabTrack(UCHAR p__UCHAR__TrackNumber, PCHAR p__PCHAR__FileName,
                                            ULONG p__ULONG__RetryDepth, BOOLEAN p__BOOLEAN__IsIgnoreErrors,
                                            BOOLEAN p__BOOLEAN__IsForceSingleBlocks, ULONG p__ULONG__ProgressInterval) {
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::GrabTrack(): ENTERed for %ld, '%s'\n",
               static_cast<long>(p__UCHAR__TrackNumber), p__PCHAR__FileName != nullptr ? p__PCHAR__FileName : "(null)");
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);
    RaiseWithoutFileName(g__PCHAR__GrabTrack, p__PCHAR__FileName);
    auto l__Toc = std::make_unique<TOC_INFORMATION>();
    PrepareGrab(l__Toc.get());

    // Tracks count from 1: number 0 has no entry and is refused like one past the last.
    if (p__UCHAR__TrackNumber == 0 || p__UCHAR__TrackNumber > l__Toc->m__UCHAR__NumberOfTracks) {
        CTarnwick_Exception::Raise(g__PCHAR__GrabTrack, EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                   "CTarnwick_CdvdBurnerGrabber::GrabTrack(): Track number %ld exceeds TOC tracks %ld!!!",
                                   static_cast<long>(p__UCHAR__TrackNumber),
                                   static_cast<long>(l__Toc->m__UCHAR__NumberOfTracks));
    }
    const TOC_TRACK_ENTRY& l__Entry = l__Toc->m__TOC_TRACK_ENTRY__Tracks[p__UCHAR__TrackNumber - 1];
    if (l__Entry.m__ULONG__BytesPerBlock == 0) {
        CTarnwick_Exception::Raise(g__PCHAR__GrabTrack, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_MEDIA_OR_DATA,
                                   0, "CTarnwick_CdvdBurnerGrabber::GrabTrack(): LB size %ld is unsupported!!!",
                                   static_cast<long>(l__Entry.m__ULONG__BytesPerBlock));
    }

    CTarnwick_GrabOutput l__Output(g__PCHAR__GrabTrack, p__PCHAR__FileName);
    if (l__Entry.m__UCHAR__IsAudio == 1) {
        UCHAR l__UCHAR__Header[WAVE_HEADER_SIZE];
        const LONG l__LONG__Blocks = l__Entry.m__LONG__EndLBA - l__Entry.m__LONG__StartLBA + 1;
        PutWaveHeader(l__UCHAR__Header, static_cast<ULONG>(l__LONG__Blocks) * l__Entry.m__ULONG__BytesPerBlock);
        l__Output.Write(g__PCHAR__GrabTrack, " WAVE_FILE_HEADER ", l__UCHAR__Header, WAVE_HEADER_SIZE);
    }
    GrabTrackCooked(p__UCHAR__TrackNumber, l__Toc.get(), l__Output, p__ULONG__ProgressInterval, 0,
                    p__ULONG__RetryDepth, l__Entry.m__LONG__StartLBA, l__Entry.m__LONG__EndLBA, p__BOOLEAN__IsIgnoreErrors,
                    p__BOOLEAN__IsForceSingleBlocks);
    l__Output.Publish(g__PCHAR__GrabTrack);
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::GrabTrack(): EXITing with success\n");
}

void CTarnwick_CdvdBurnerGrabber::GrabRange(LONG p__LONG__FirstLBA, LONG p__LONG__LastLBA, PCHAR p__PCHAR__FileName,
                                            ULONG p__ULONG__RetryDepth, BOOLEAN p__BOOLEAN__IsIgnoreErrors,
                                            BOOLEAN p__BOOLEAN__IsForceSingleBlocks, ULONG p__ULONG__ProgressInterval) {
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::GrabRange(): ENTERed for %ld, %ld, '%s'\n",
               static_cast<long>(p__LONG__FirstLBA), static_cast<long>(p__LONG__LastLBA),
               p__PCHAR__FileName != nullptr ? p__PCHAR__FileName : "(null)");
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);
    RaiseWithoutFileName(g__PCHAR__GrabRange, p__PCHAR__FileName);
    auto l__Toc = std::make_unique<TOC_INFORMATION>();
    PrepareGrab(l__Toc.get());

    // The range's track: the first that ends at or after the range's first block (a range
    // may start at a track's last block).
    const TOC_TRACK_ENTRY* l__Entry = nullptr;
    for (ULONG i = 0; i < l__Toc->m__UCHAR__NumberOfTracks && i < TOC_MAXIMUM_TRACKS; ++i) {
        if (l__Toc->m__TOC_TRACK_ENTRY__Tracks[i].m__LONG__EndLBA >= p__LONG__FirstLBA) {
            l__Entry = &l__Toc->m__TOC_TRACK_ENTRY__Tracks[i];
            break;
        }
    }
    // A range that starts before its track or ends before it starts would read blocks of
    // another track or none at all: not found either.
    if (l__Entry == nullptr || p__LONG__FirstLBA < l__Entry->m__LONG__StartLBA || p__LONG__LastLBA < p__LONG__FirstLBA) {
        CTarnwick_Exception::Raise(g__PCHAR__GrabRange, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_NOT_FOUND, 0,
                                   "CTarnwick_CdvdBurnerGrabber::GrabRange(): Range %ld - %ld was not found!!!",
                                   static_cast<long>(p__LONG__FirstLBA), static_cast<long>(p__LONG__LastLBA));
    }
    if (p__LONG__LastLBA > l__Entry->m__LONG__EndLBA) {
        CTarnwick_Exception::Raise(g__PCHAR__GrabRange, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_OUT_OF_RANGE, 0,
                                   "CTarnwick_CdvdBurnerGrabber::GrabRange(): Range ending LBA %ld is larger then track's "
                                   "ending LBA %ld!!!",
                                   static_cast<long>(p__LONG__LastLBA), static_cast<long>(l__Entry->m__LONG__EndLBA));
    }

    CTarnwick_GrabOutput l__Output(g__PCHAR__GrabRange, p__PCHAR__FileName);
    GrabTrackCooked(l__Entry->m__UCHAR__TrackNumber, l__Toc.get(), l__Output, p__ULONG__ProgressInterval, 1,
                    p__ULONG__RetryDepth + 1, p__LONG__FirstLBA, p__LONG__LastLBA, p__BOOLEAN__IsIgnoreErrors,
                    p__BOOLEAN__IsForceSingleBlocks);
    l__Output.Publish(g__PCHAR__GrabRange);
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::GrabRange(): EXITing with success\n");
}

void CTarnwick_CdvdBurnerGrabber::RaiseWithoutFileName(const char* p__PCHAR__Name, PCHAR p__PCHAR__FileName) {
    if (p__PCHAR__FileName == nullptr || *p__PCHAR__FileName == '\0') {
        CTarnwick_Exception::Raise(p__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                   "%s(): The file name is NULL or empty!!!", p__PCHAR__Name);
    }
}

void CTarnwick_CdvdBurnerGrabber::GrabTrackCooked(UCHAR p__UCHAR__TrackNumber, PTOC_INFORMATION p__PTOC_INFORMATION__Toc,
                                                  CTarnwick_GrabOutput& p__Output, ULONG p__ULONG__ProgressInterval,
                                                  ULONG p__ULONG__Depth, ULONG p__ULONG__RetryLimit,
                                                  LONG p__LONG__FirstLBA, LONG p__LONG__LastLBA,
                                                  BOOLEAN p__BOOLEAN__IsIgnoreErrors,
                                                  BOOLEAN p__BOOLEAN__IsForceSingleBlocks) {
    const TOC_TRACK_ENTRY& l__Entry = p__PTOC_INFORMATION__Toc->m__TOC_TRACK_ENTRY__Tracks[p__UCHAR__TrackNumber - 1];
    // User data only: expected sector type any, no sync, headers, EDC/ECC or sub-channel.
    const GRAB_READ l__Read{g__PCHAR__GrabTrackCooked, l__Entry.m__ULONG__BytesPerBlock, p__PTOC_INFORMATION__Toc->m__UCHAR__IsDVD,
                            FALSE, {}};
    GrabBlocks(l__Read, p__Output, p__ULONG__ProgressInterval, p__ULONG__Depth, p__ULONG__RetryLimit,
               p__ULONG__Depth == 0 ? l__Entry.m__LONG__StartLBA : p__LONG__FirstLBA,
               p__ULONG__Depth == 0 ? l__Entry.m__LONG__EndLBA : p__LONG__LastLBA, p__BOOLEAN__IsIgnoreErrors,
               p__BOOLEAN__IsForceSingleBlocks);
}

void CTarnwick_CdvdBurnerGrabber::GrabBlocks(const GRAB_READ& p__Read, CTarnwick_GrabOutput& p__Output,
                                             ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__Depth,
                                             ULONG p__ULONG__RetryLimit, LONG p__LONG__Start, LONG p__LONG__End,
                                             BOOLEAN p__BOOLEAN__IsIgnoreErrors, BOOLEAN p__BOOLEAN__IsForceSingleBlocks,
                                             GRAB_END_ZONE* p__Zone) {
    const char* const l__PCHAR__Name = p__Read.m__PCHAR__Name;
    const ULONG l__ULONG__BlockSize = p__Read.m__ULONG__BlockSize;
    const LONG l__LONG__Start = p__LONG__Start;
    const LONG l__LONG__End = p__LONG__End;
    DebugPrint("\n%s(): ENTERed for %ld - %ld, %ld, %ld, Ignore: %s, Force: %s\n", l__PCHAR__Name,
               static_cast<long>(l__LONG__Start), static_cast<long>(l__LONG__End), static_cast<long>(p__ULONG__Depth),
               static_cast<long>(p__ULONG__RetryLimit), YesNo(p__BOOLEAN__IsIgnoreErrors),
               YesNo(p__BOOLEAN__IsForceSingleBlocks));
    std::unique_ptr<UCHAR[]> l__Buffer(new (std::nothrow) UCHAR[GRAB_BUFFER_SIZE]);
    if (!l__Buffer) {
        CTarnwick_Exception::Raise(l__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_OUT_OF_MEMORY, 0,
                                   "%s(): l__PUCHAR__Buffer == NULL!!!", l__PCHAR__Name);
    }
    // The end zone belongs to the whole grab: a retry of a piece measures it against the
    // grab's end, not against the end of the piece it re-reads, and a failure there stops
    // the reads of the callers too.
    GRAB_END_ZONE l__Zone{l__LONG__End, FALSE};
    GRAB_END_ZONE& l__EndZone = p__Zone != nullptr ? *p__Zone : l__Zone;

    ULONG l__ULONG__PieceBlocks = std::max<ULONG>(1, std::min(m__ULONG__MaximumTransferLength, GRAB_BUFFER_SIZE) / l__ULONG__BlockSize);
    if (p__ULONG__Depth >= 1 || p__BOOLEAN__IsForceSingleBlocks) l__ULONG__PieceBlocks = 1;
    LONGLONG l__LONGLONG__Total = static_cast<LONGLONG>(l__LONG__End) - l__LONG__Start + 1;
    LONGLONG l__LONGLONG__Done = 0;
    ULONG l__ULONG__LastProgress = GetTickCount();
    LONG l__LONG__LBA = l__LONG__Start;

    while (l__LONG__LBA <= l__LONG__End) {
        // Never more blocks than are left: a piece must not run past the end of the grab.
        const ULONG l__ULONG__Blocks =
            static_cast<ULONG>(std::min<LONGLONG>(l__ULONG__PieceBlocks, static_cast<LONGLONG>(l__LONG__End) - l__LONG__LBA + 1));
        const ULONG l__ULONG__Bytes = l__ULONG__Blocks * l__ULONG__BlockSize;
        std::memset(l__Buffer.get(), 0, GRAB_BUFFER_SIZE);
        bool l__bool__IsFailed = l__EndZone.m__BOOLEAN__IsReached != 0;
        if (!l__bool__IsFailed) {
            try {
                if (p__Read.m__BOOLEAN__IsDVD != 0) {
                    // The transfer length is what the command asks for, not the buffer's
                    // room: a unit may refuse a read whose length runs past the track.
                    Read10(l__Buffer.get(), l__ULONG__Bytes, static_cast<ULONG>(l__LONG__LBA), l__ULONG__Blocks);
                } else if (p__Read.m__BOOLEAN__IsRaw != 0) {
                    // The whole sector (sync, headers, user data, EDC/ECC) and raw P-W.
                    ReadCd(0, static_cast<ULONG>(l__LONG__LBA), l__ULONG__Blocks, 0, 1, 1, 3, 1, 1, l__Buffer.get(),
                           l__ULONG__Bytes);
                } else {
                    ReadCd(0, static_cast<ULONG>(l__LONG__LBA), l__ULONG__Blocks, 0, 0, 1, 0, 0, 0, l__Buffer.get(),
                           l__ULONG__Bytes);
                }
            } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
                DebugPrint("\n%s(): Read of %ld blocks at LBA %ld failed!!!\n", l__PCHAR__Name,
                           static_cast<long>(l__ULONG__Blocks), static_cast<long>(l__LONG__LBA));
                CTarnwick_Exception::Swallow(l__PCHAR__Name, l__PCTarnwick_Exception__Exception);
                if (l__EndZone.m__LONG__End - l__LONG__LBA < END_ZONE_BLOCKS) l__EndZone.m__BOOLEAN__IsReached = TRUE;
                l__bool__IsFailed = true;
            }
        }
        bool l__bool__IsWritten = false;
        if (l__bool__IsFailed) {
            if (p__ULONG__Depth <= p__ULONG__RetryLimit && l__EndZone.m__BOOLEAN__IsReached == 0) {
                ULONG l__ULONG__FailedLBA = static_cast<ULONG>(l__LONG__LBA);
                Report(READ_ERROR_RETRY, &l__ULONG__FailedLBA, nullptr);
                GrabBlocks(p__Read, p__Output, p__ULONG__ProgressInterval, p__ULONG__Depth + 1, p__ULONG__RetryLimit,
                           l__LONG__LBA, l__LONG__LBA + static_cast<LONG>(l__ULONG__Blocks) - 1,
                           p__BOOLEAN__IsIgnoreErrors, p__BOOLEAN__IsForceSingleBlocks, &l__EndZone);
                l__bool__IsWritten = true;
            } else if (!p__BOOLEAN__IsIgnoreErrors) {
                CTarnwick_Exception::Raise(l__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_MEDIA_OR_DATA, 0,
                                           "%s(): LBA %ld cannot be recovered!!!", l__PCHAR__Name,
                                           static_cast<long>(l__LONG__LBA));
            } else {
                std::memset(l__Buffer.get(), 0, GRAB_BUFFER_SIZE);
                ULONG l__ULONG__BadLBA = static_cast<ULONG>(l__LONG__LBA);
                ULONG l__ULONG__BadBlocks = l__ULONG__Blocks;
                Report(BAD_SECTOR_DETECTED, &l__ULONG__BadLBA, &l__ULONG__BadBlocks);
            }
        }
        if (!l__bool__IsWritten) {
            if (p__Read.m__Observer) p__Read.m__Observer(l__LONG__LBA, l__ULONG__Blocks, l__Buffer.get());
            p__Output.Write(l__PCHAR__Name, "", l__Buffer.get(), l__ULONG__Bytes);
            if (m__UCHAR__IsCancel.load() == 1) {
                CTarnwick_Exception::Raise(l__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_CANCELLED, 0,
                                           "%s(): Cancel set at LBA offset %ld!!!", l__PCHAR__Name,
                                           static_cast<long>(l__LONG__LBA));
            }
        }

        l__LONGLONG__Done += l__ULONG__Blocks;
        l__LONG__LBA += static_cast<LONG>(l__ULONG__Blocks);
        if (l__LONG__LBA > l__LONG__End) break;
        if (l__LONG__End - l__LONG__LBA < END_ZONE_BLOCKS) l__ULONG__PieceBlocks = 1;
        if (p__ULONG__ProgressInterval != 0) {
            const ULONG l__ULONG__Now = GetTickCount();
            if (l__ULONG__Now - l__ULONG__LastProgress > p__ULONG__ProgressInterval * 1000) {
                Report(GRAB_PROGRESS, &l__LONGLONG__Total, &l__LONGLONG__Done);
                l__ULONG__LastProgress = l__ULONG__Now;
            }
        }
    }
    // The outermost call writes the file through; the retries inside it leave that to it.
    if (p__Zone == nullptr) p__Output.Flush(l__PCHAR__Name);
}
