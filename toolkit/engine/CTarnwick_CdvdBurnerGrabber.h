#pragma once
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CTarnwick_CacheManager.h"
#include "CTarnwick_EDCECC.h"
#include "CTarnwick_EmptyBase.h"
#include "CTarnwick_FifoQueue.h"
#include "CTarnwick_FileChain.h"
#include "CTarnwick_ScsiDeviceCdvdRomWriter.h"
#include "PlatformManualResetEvent.h"
#include "PlatformRecursiveLock.h"
#include "PlatformThread.h"

// The disc in the drive, from the current profile of GET CONFIGURATION.
enum DISC_TYPE : ULONG {
    DISC_TYPE_UNSUPPORTED = 0,
    DISC_TYPE_CDROM = 1,
    DISC_TYPE_CDR = 2,
    DISC_TYPE_CDRW = 3,
    DISC_TYPE_DVDROM = 4,
    DISC_TYPE_DVDR = 5,
    DISC_TYPE_DVDRAM = 6,
    DISC_TYPE_DVDRW_RO = 7,
    DISC_TYPE_DVDRW_SR = 8,
    DISC_TYPE_DVDPLUSRW = 9,
    DISC_TYPE_DDCDROM = 10,
    DISC_TYPE_DDCDR = 11,
    DISC_TYPE_DDCDRW = 12,
    DISC_TYPE_DVDPLUSR = 13,
    DISC_TYPE_BDROM = 14,
    DISC_TYPE_BDR = 15,  // sequential recording mode
    DISC_TYPE_BDRE = 16
};

// Where the writer and the cache thread let a test run code of its own (see CacheTestPoint).
enum CACHE_TEST_POINT : ULONG {
    // The writer found the filled-block queue empty and has not yet asked whether the
    // cache thread has finished.
    CACHE_TEST_POINT_QUEUE_FOUND_EMPTY = 0,
    // The cache thread has queued its last block and set the cache full event; its dead
    // event is not set yet.
    CACHE_TEST_POINT_BEFORE_THREAD_DEAD = 1
};

// The write type a writing method put into the write parameters page.
enum WRITE_MODE : UCHAR { WRITE_MODE_TAO = 1, WRITE_MODE_SAO = 2, WRITE_MODE_DAO = 3 };

class CTarnwick_CdvdBurnerGrabber;
class CTarnwick_FileTreeNode;
class CTarnwick_GrabOutput;
class CTarnwick_ISO9660FileTree;
// Bases, in order: the recorder, the queue of filled cache blocks, the CD sector
// EDC/ECC generator, and an empty base.
class CTarnwick_CdvdBurnerGrabber : public CTarnwick_ScsiDeviceCdvdRomWriter,
                                    public CTarnwick_FifoQueue,
                                    public CTarnwick_EDCECC,
                                    public CTarnwick_EmptyBase {
public:
    static constexpr ULONG DEFAULT_CACHE_MEGABYTES = 64;

    // Opens the drive at the address and allocates the write cache (0 MB: 64 MB).
    CTarnwick_CdvdBurnerGrabber(PROGRESS_CALLBACK p__Callback, PVOID p__PVOID__Context, UCHAR p__UCHAR__PortID,
                                UCHAR p__UCHAR__BusID, UCHAR p__UCHAR__TargetID, UCHAR p__UCHAR__LUN,
                                ULONG p__ULONG__CacheSizeInMB);
    ~CTarnwick_CdvdBurnerGrabber() override;

    using CTarnwick_ScsiDeviceGeneric::Blank;
    using CTarnwick_ScsiDeviceGeneric::SynchronizeCache;
    using CTarnwick_ScsiDeviceGeneric::TestUnitReady;

    // Drive and disc queries.
    ULONG GetDiscTypeSafe();
    ULONG GetInsertedDiscType();
    void ProbeSupportedWriteModes(PBOOLEAN p__PBOOLEAN__TAO, PBOOLEAN p__PBOOLEAN__SAO, PBOOLEAN p__PBOOLEAN__DAOPQ,
                                  PBOOLEAN p__PBOOLEAN__DAORawPW);
    void GetBUP(PBOOLEAN p__PBOOLEAN__IsEnabled, PBOOLEAN p__PBOOLEAN__IsSupported);
    void SetBUP(BOOLEAN p__BOOLEAN__Enable);
    void GetCdvdSpeeds(LONG* p__PLONG__CurrentRead, LONG* p__PLONG__MaximumRead, LONG* p__PLONG__CurrentWrite,
                       LONG* p__PLONG__MaximumWrite);
    void SetSpeeds(ULONG p__ULONG__ReadSpeed, ULONG p__ULONG__WriteSpeed);
    void GetDeviceInformation(PCHAR p__PCHAR__VendorID, PCHAR p__PCHAR__ProductID, PCHAR p__PCHAR__Revision,
                              PULONG p__PULONG__BufferSize);
    void GetDeviceCapabilities(PBOOLEAN p__PBOOLEAN__CDRRead, PBOOLEAN p__PBOOLEAN__CDRWRead,
                               PBOOLEAN p__PBOOLEAN__DVDROMRead, PBOOLEAN p__PBOOLEAN__DVDRRead,
                               PBOOLEAN p__PBOOLEAN__DVDRAMRead, PBOOLEAN p__PBOOLEAN__TestWrite,
                               PBOOLEAN p__PBOOLEAN__CDRWrite, PBOOLEAN p__PBOOLEAN__CDRWWrite,
                               PBOOLEAN p__PBOOLEAN__DVDRWrite, PBOOLEAN p__PBOOLEAN__DVDRAMWrite);
    void GetTrackInformation(UCHAR p__UCHAR__TrackNumber, PVOID p__PVOID__Buffer, ULONG p__ULONG__Length);
    void GetDiscInformation(PVOID p__PVOID__Buffer, ULONG p__ULONG__Length);
    void TestUnitReady(ULONG p__ULONG__Seconds);
    void Load();
    void Eject();
    void Lock();
    void Release();
    void SendOPC();
    void GetSupportedMediaFormatsEx(PBOOLEAN p__PBOOLEAN__DVDPLUSRWKnown, PBOOLEAN p__PBOOLEAN__DVDPLUSRKnown,
                                    PBOOLEAN p__PBOOLEAN__DVDPLUSRWWritable, PBOOLEAN p__PBOOLEAN__DVDPLUSRWritable);
    // Sets the cancel flag; takes no lock, so any thread may call it during a write.
    void Cancel();

    // Which kinds of READ CD the drive accepts on the inserted disc: cooked (always 1), raw,
    // raw with formatted Q, raw with raw P-W, formatted Q alone, raw P-W alone.
    void ProbeSupportedReadModes(PBOOLEAN p__PBOOLEAN__Cooked, PBOOLEAN p__PBOOLEAN__Raw, PBOOLEAN p__PBOOLEAN__RawPQ,
                                 PBOOLEAN p__PBOOLEAN__RawRawPW, PBOOLEAN p__PBOOLEAN__PQ,
                                 PBOOLEAN p__PBOOLEAN__RawPW);
    // The table of contents of the inserted disc: a disc that answers READ DVD STRUCTURE is
    // read as a DVD, any other as a CD.
    void ReadTOC(PTOC_INFORMATION p__PTOC_INFORMATION__Toc);
    // The two readers behind ReadTOC (no lock of their own; grabbing calls them too). The
    // record is filled field by field; the caller zeroes it first.
    void ReadTOCForCD(PTOC_INFORMATION p__PTOC_INFORMATION__Toc);
    void ReadTOCForDVD(PTOC_INFORMATION p__PTOC_INFORMATION__Toc);
    // A DVD with more than one recorded track: every track described from READ TRACK
    // INFORMATION. False, the record untouched, when the disc holds one track at most or the
    // drive does not tell its tracks.
    bool ReadTOCForDVDTracks(PTOC_INFORMATION p__PTOC_INFORMATION__Toc);

    // Adds every file and directory of a data track already on the disc to the tree (the
    // Joliet hierarchy with p__BOOLEAN__IsJoliet): its files keep their extents there, so
    // that a new session built from the tree shows old and new files together. Nodes
    // imported before a failure stay in the tree. A session whose root starts with SP and
    // carries Rock Ridge entries is read through its primary hierarchy whatever the flag
    // says: the nodes take the Rock Ridge names and attributes (a symbolic link becomes an
    // empty file whose attributes hold its target), relocated directories stand at their
    // real places, the relocation directory is left out, and the tree's Rock Ridge option
    // is switched on. Node paths are cut from the front to stay below the path limit.
    void ImportTrack(CTarnwick_ISO9660FileTree* p__PCTarnwick_ISO9660FileTree__Tree, UCHAR p__UCHAR__TrackNumber,
                     BOOLEAN p__BOOLEAN__IsJoliet);
    // Imports one directory (extent and data length as its record gives them) under the
    // parent node (the root when null), and its subdirectories with it. Every record is
    // checked against its directory; a malformed one ends the directory with a trace line.
    void ImportDirectory(CTarnwick_ISO9660FileTree* p__PCTarnwick_ISO9660FileTree__Tree, BOOLEAN p__BOOLEAN__IsJoliet,
                         const char* p__PCHAR__ParentPath, ULONG p__ULONG__Extent, ULONG p__ULONG__DataLength,
                         CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent);

    // Grabbing the user data of blocks into a file (2352 bytes a block of audio, 2048 of Mode 1,
    // Mode 2 Form 1 and DVD, 2324 of Mode 2 Form 2). The file is written under a new name
    // beside the asked one and renamed over it only on success: a failed or cancelled grab
    // leaves nothing and an older file of that name untouched.
    // One whole track (from 1); an audio track becomes a WAV file.
    void GrabTrack(UCHAR p__UCHAR__TrackNumber, PCHAR p__PCHAR__FileName, ULONG p__ULONG__RetryDepth,
                   BOOLEAN p__BOOLEAN__IsIgnoreErrors, BOOLEAN p__BOOLEAN__IsForceSingleBlocks,
                   ULONG p__ULONG__ProgressInterval);
    // The blocks first to last of one track (no WAV header).
    void GrabRange(LONG p__LONG__FirstLBA, LONG p__LONG__LastLBA, PCHAR p__PCHAR__FileName, ULONG p__ULONG__RetryDepth,
                   BOOLEAN p__BOOLEAN__IsIgnoreErrors, BOOLEAN p__BOOLEAN__IsForceSingleBlocks,
                   ULONG p__ULONG__ProgressInterval);
    // What a grab knows of its last blocks: the end they are counted from and whether a read
    // failed among them (then nothing more is read).
    struct GRAB_END_ZONE {
        LONG m__LONG__End;
        BOOLEAN m__BOOLEAN__IsReached;
    };
    // Reads the blocks (the track's own at depth 0, first to last at any other depth) into the
    // open output as GrabBlocks does, cooked: the user data of each block.
    void GrabTrackCooked(UCHAR p__UCHAR__TrackNumber, PTOC_INFORMATION p__PTOC_INFORMATION__Toc,
                         CTarnwick_GrabOutput& p__Output, ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__Depth,
                         ULONG p__ULONG__RetryLimit, LONG p__LONG__FirstLBA, LONG p__LONG__LastLBA,
                         BOOLEAN p__BOOLEAN__IsIgnoreErrors, BOOLEAN p__BOOLEAN__IsForceSingleBlocks);
    // How a grab reads its blocks: the function named in its traces and failures, the bytes
    // a block gives, READ(10) (a DVD) or READ CD of the user data or of the whole sector with
    // raw P-W, and what sees every piece before it is written (its LBA, blocks and bytes;
    // zeros for unreadable blocks written anyway).
    struct GRAB_READ {
        const char* m__PCHAR__Name;
        ULONG m__ULONG__BlockSize;
        BOOLEAN m__BOOLEAN__IsDVD;
        BOOLEAN m__BOOLEAN__IsRaw;
        std::function<void(LONG, ULONG, const UCHAR*)> m__Observer;
    };
    // Reads the blocks start to end into the output: pieces as large as a transfer allows
    // (one block at depth 1 and deeper, when forced, and in the last 150 blocks); a failed
    // piece is read again block by block one depth deeper while the depth is at most the
    // retry limit, then fails (number 10) or, ignoring errors, is written as zeros
    // (BAD_SECTOR_DETECTED). Cancel stops it after the piece written (number 14). No lock of
    // its own. p__Zone: the end zone of the grab that retries a piece (nullptr: a grab of
    // its own, which flushes the output at its end).
    void GrabBlocks(const GRAB_READ& p__Read, CTarnwick_GrabOutput& p__Output, ULONG p__ULONG__ProgressInterval,
                    ULONG p__ULONG__Depth, ULONG p__ULONG__RetryLimit, LONG p__LONG__Start, LONG p__LONG__End,
                    BOOLEAN p__BOOLEAN__IsIgnoreErrors, BOOLEAN p__BOOLEAN__IsForceSingleBlocks,
                    GRAB_END_ZONE* p__Zone = nullptr);
    // A whole disc into a file. A CD: every block of the first session from track 1's start
    // to the lead-out, 2448 bytes a block (the raw sector and its raw P-W sub-channel), into
    // the image, and its descriptor (the image's name with ".mds" for its extension) beside
    // it. A DVD: the 2048 bytes of every block into an ISO image. Both files are published
    // only when everything succeeded.
    void GrabDisc(PCHAR p__PCHAR__FileName, ULONG p__ULONG__RetryDepth, BOOLEAN p__BOOLEAN__IsIgnoreErrors,
                  BOOLEAN p__BOOLEAN__IsForceSingleBlocks, ULONG p__ULONG__ProgressInterval);
    // A DVD into parts of p__ULONGLONG__PartSize bytes (a multiple of 2048, else number 2)
    // named after the file name with ".001", ".002"... added; every part is published only
    // when the whole grab succeeded. A CD is refused (number 10).
    void GrabDiscSplit(PCHAR p__PCHAR__FileName, ULONG p__ULONG__RetryDepth, BOOLEAN p__BOOLEAN__IsIgnoreErrors,
                       BOOLEAN p__BOOLEAN__IsForceSingleBlocks, ULONG p__ULONG__ProgressInterval,
                       ULONGLONG p__ULONGLONG__PartSize);
    // The name of a raw image's descriptor: the image's name with ".mds" in place of its
    // extension (or added when it has none).
    static std::string DescriptorName(const std::string& p__string__ImageName);

    // Writes the image as one track at the next writable address (content 1 data,
    // 2 audio, other Mode 2 Form 2); the session stays open for CloseSession.
    void TrackAtOnce(CTarnwick_FileChain* p__PCTarnwick_FileChain__Image, BOOLEAN p__BOOLEAN__IsXA,
                     BOOLEAN p__BOOLEAN__IsTestWrite, BOOLEAN p__BOOLEAN__IsNextSessionAllowed,
                     ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__BufferStatusInterval, ULONG p__ULONG__Content,
                     UCHAR p__UCHAR__SubHeader0, UCHAR p__UCHAR__SubHeader1, UCHAR p__UCHAR__SubHeader2,
                     UCHAR p__UCHAR__SubHeader3);

    // Writes the tracks of the session in one pass after a cue sheet, onto an empty CD,
    // starting with the pre-gap of track 1 at LBA -150. Every entry's tree is the flat
    // reference of a built ISO9660 tree or of a tree whose image it is (a carrier or a Mode 2
    // Form 1 wrapper); each entry's track size is written back. The drive closes the session
    // (a next session allowed when asked). A descriptor whose one entry has the raw P-W flag
    // is a raw image: one stream of 2448-byte blocks holding the descriptor's raw tracks
    // (its raw track count and lengths), written after a synthesised pre-gap with its data
    // sectors scrambled; raw mode writes the lead-in first. A stream whose size is not the
    // raw tracks' is refused before anything is written.
    void SessionAtOnce(PSESSION_DESCRIPTOR p__PSESSION_DESCRIPTOR__Session, BOOLEAN p__BOOLEAN__IsMode2Form1,
                       BOOLEAN p__BOOLEAN__IsTestWrite, BOOLEAN p__BOOLEAN__IsNextSessionAllowed,
                       ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__BufferStatusInterval,
                       BOOLEAN p__BOOLEAN__IsRawMode);
    // The cue sheet of the session's tracks as their entries stand (track sizes included)
    // into a buffer of CUE_SHEET_BUFFER_SIZE bytes; its size in bytes to *p__PULONG__Size.
    static constexpr ULONG CUE_SHEET_BUFFER_SIZE = 1616;
    static void CompileCueSheet(const SESSION_DESCRIPTOR* p__PSESSION_DESCRIPTOR__Session, PUCHAR p__PUCHAR__CueSheet,
                                PULONG p__PULONG__Size, BOOLEAN p__BOOLEAN__IsMode2Form1, BOOLEAN p__BOOLEAN__IsRawMode);
    // The bytes per block of a session track: 2048, 2352 for sound, 2336 for Mode 2 (and for a
    // data track of a Mode 2 Form 1 session), 2448 for raw P-W.
    // The data sectors the raw Session-At-Once writes of the program scrambled since the last
    // raw stream started (one 64-bit count for every burner).
    static uint64_t ScrambledSectors();
    static ULONG SessionTrackBlockSize(const SESSION_TRACK_ENTRY& p__Entry, BOOLEAN p__BOOLEAN__IsMode2Form1);
    // The image a session entry's tree reference delivers; raises number 2 for a missing or
    // foreign reference and 3 for a tree whose image is not built.
    static CTarnwick_FileChain* ImageOfSessionTree(PVOID p__PVOID__Tree, ULONG p__ULONG__Index);


    // Writes a whole CD in raw mode onto a blank CD: the lead-in (from the start the drive
    // reports), the 150-block pre-gap, the track source's raw blocks from LBA 0 and the
    // 6750-block lead-out, with P and Q (2368-byte blocks) or raw P-W (2448-byte blocks)
    // sub-channel. The track list (the first entry's data-track flag, the tracks of the
    // table of contents) is the one the track source was made with.
    void DiscAtOncePQ(CTarnwick_FileChain* p__PCTarnwick_FileChain__Track, BOOLEAN p__BOOLEAN__IsMode2Form1,
                      BOOLEAN p__BOOLEAN__IsTestWrite, BOOLEAN p__BOOLEAN__IsNextSessionAllowed,
                      ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__BufferStatusInterval,
                      const DISC_AT_ONCE_TRACK_LIST* p__PDISC_AT_ONCE_TRACK_LIST__Tracks);
    void DiscAtOnceRawPW(CTarnwick_FileChain* p__PCTarnwick_FileChain__Track, BOOLEAN p__BOOLEAN__IsMode2Form1,
                         BOOLEAN p__BOOLEAN__IsTestWrite, BOOLEAN p__BOOLEAN__IsNextSessionAllowed,
                         ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__BufferStatusInterval,
                         const DISC_AT_ONCE_TRACK_LIST* p__PDISC_AT_ONCE_TRACK_LIST__Tracks);
    // Writes the lead-in of a Session-At-Once session with raw P-W sub-channel as zero
    // sub-channel data (96 bytes a block), from the lead-in start up to the pre-gap.
    void WriteLeadIn();

    // The cache thread's work: reads the source into cache blocks. Returns its exit code.
    virtual ULONG WriteCacheThread();
    // Asks the cache thread to stop and waits up to 2000 ms for it; 0, or the error. Never raises.
    ULONG ShutDownCacheThread();

    // Closing the session after Track-At-Once, blanking and formatting.
    void CloseSession();
    void CloseSessionForDVDPLUSR();
    void Blank(ULONG p__ULONG__BlankingType, ULONG p__ULONG__StartAddress);
    void BlankForCDRW(ULONG p__ULONG__BlankingType, ULONG p__ULONG__StartAddress);
    void BlankForDVDPLUSRW();
    void FormatUnitForDVDPLUSRW();
    void FormatUnitForDVDRAM();
    // BD-R: closes the track just written, then the session (the disc stays appendable) or
    // the disc (finalized), as the last write allowed.
    void CloseSessionForBDR();
    // Closes the last track written, then the session (a next session allowed) or the disc with
    // the given close function.
    void CloseTrackThenSession(UCHAR p__UCHAR__FinalizeFunction);
    // Formats a BD-RE with the spare areas the drive offers first (its default).
    void FormatUnitForBDRE();

    // Used from inside the writing methods (no lock of their own).
    void SynchronizeCache();
    void SetWriteParameters(UCHAR p__UCHAR__WriteType, UCHAR p__UCHAR__DataBlockType, UCHAR p__UCHAR__TrackMode,
                            UCHAR p__UCHAR__TestWrite, UCHAR p__UCHAR__MultiSession, UCHAR p__UCHAR__SessionFormat,
                            UCHAR p__UCHAR__SubHeader0, UCHAR p__UCHAR__SubHeader1, UCHAR p__UCHAR__SubHeader2,
                            UCHAR p__UCHAR__SubHeader3, UCHAR p__UCHAR__LinkSizeValid);
    void RestoreWriteParameters();
    BOOLEAN DisableHardwareErrorCorrectionSafe();
    void RestoreReadErrorRecoverySafe();
    void RezeroUnitSafe();

    // M x 4500 + S x 75 + F - 150 (minutes 90 and above: - 450150, the lead-in).
    static LONG MSFToLBA(UCHAR p__UCHAR__Minute, UCHAR p__UCHAR__Second, UCHAR p__UCHAR__Frame);
    // DISC_TYPE of an MMC profile number.
    static ULONG DiscTypeOfProfile(USHORT p__USHORT__Profile);

    // State seen by tests and the writing methods.
    UCHAR GetLastWriteMode() const { return m__UCHAR__LastWriteMode; }
    UCHAR GetCancelFlag() const { return m__UCHAR__IsCancel.load(); }
    UCHAR GetBUPFlag() const { return m__UCHAR__IsBUP; }
    LONGLONG GetCacheSize() const { return m__LONGLONG__CacheSize; }
    CTarnwick_CacheManager* GetCacheManager() const { return m__PCTarnwick_CacheManager__CacheManager; }

protected:
    // Calls the progress callback with the context given at construction.
    void Report(ULONG p__ULONG__Reason, PVOID p__PVOID__Parameter1 = nullptr, PVOID p__PVOID__Parameter2 = nullptr) {
        m__PROGRESS_CALLBACK__Callback(p__ULONG__Reason, m__PVOID__CallbackContext, p__PVOID__Parameter1,
                                       p__PVOID__Parameter2);
    }
    // The burner lock: every public operation holds it for its whole run (re-entrant).
    PlatformRecursiveLock& BurnerLock() { return m__CRITICAL_SECTION__BurnerLock; }

    // The start of every grab: TEST UNIT READY, the cancel flag cleared, the read error
    // recovery page back to its defaults, and the table of contents into the zeroed record.
    void PrepareGrab(PTOC_INFORMATION p__PTOC_INFORMATION__Toc);
    // Raises number 2 for a NULL or empty output file name.
    static void RaiseWithoutFileName(const char* p__PCHAR__Name, PCHAR p__PCHAR__FileName);

    // What one import walk knows: the last block of the track, the directories it has
    // walked (a crafted disc may list a directory inside itself), how deep it is, and the
    // Rock Ridge skip length of the session.
    struct ImportWalk;
    void ImportDirectoryWalk(ImportWalk& p__Walk, CTarnwick_ISO9660FileTree* p__PCTarnwick_ISO9660FileTree__Tree,
                             BOOLEAN p__BOOLEAN__IsJoliet, const std::string& p__string__ParentPath,
                             ULONG p__ULONG__Extent, ULONG p__ULONG__DataLength,
                             CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent);
    // The track information of a write: built from the capacity for DVD+RW and DVD-RAM,
    // track 1 for the other DVDs, the asked track otherwise.
    void FillTrackInformation(ULONG p__ULONG__DiscType, UCHAR p__UCHAR__TrackNumber, PVOID p__PVOID__Buffer,
                              ULONG p__ULONG__Length);
    // One byte stream the cache thread reads into blocks of its logical block size.
    // p__BOOLEAN__IsLastBlockPadded: a source that ends inside a logical block has that block
    // written padded with zeros (data tracks); otherwise the partial block is left out (sound
    // tracks). The last block of every segment carries the end marker.
    struct CACHE_SEGMENT {
        CTarnwick_FileChain* m__PCTarnwick_FileChain__Source;
        ULONG m__ULONG__LogicalBlockSize;
        BOOLEAN m__BOOLEAN__IsLastBlockPadded;
    };
    // Resets the events and the queues and starts the cache thread on the source (in the
    // current logical block size), then waits (cache bytes / 176 ms at most) for the cache to
    // fill. p__PCHAR__Name names the writing method in the failure texts.
    void StartCache(CTarnwick_FileChain* p__PCTarnwick_FileChain__Source, const char* p__PCHAR__Name,
                    BOOLEAN p__BOOLEAN__IsLastBlockPadded);
    // The same for several streams read one after the other by one cache thread: a session
    // of tracks, whose next track is read while the current one is written.
    void StartCache(const std::vector<CACHE_SEGMENT>& p__Segments, const char* p__PCHAR__Name);
    // The logical blocks a source of the size gives, by the same rule as StartCache.
    static LONGLONG BlocksOfSource(LONGLONG p__LONGLONG__Size, ULONG p__ULONG__LogicalBlockSize,
                                   BOOLEAN p__BOOLEAN__IsLastBlockPadded);
    // The bytes the cache thread reads into one block: whole logical blocks of one transfer.
    ULONG CacheTransferBytes(ULONG p__ULONG__LogicalBlockSize) const {
        return p__ULONG__LogicalBlockSize == 0 ? m__ULONG__MaximumTransferLength
                                               : m__ULONG__MaximumTransferLength / p__ULONG__LogicalBlockSize * p__ULONG__LogicalBlockSize;
    }
    // The next filled block for the writer. Waits out an empty queue (BUFFER_UNDERRUN,
    // up to 15 s at a time) until a block comes or the cache thread has finished (nullptr).
    // Throws a carried exception.
    CTarnwick_CacheObject* TakeFilledBlock(const char* p__PCHAR__Name);
    // Fills blocks from one segment until its end; false when the thread is to stop (a stop
    // request, a failed read or a cancel, the last two queued as a failure block).
    bool CacheSegment(const CACHE_SEGMENT& p__Segment, bool& p__bool__IsFullEventSet);
    // Reads the next transfer of the source into the block. A failure of any kind comes back
    // as the exception to carry to the writer (number 4 for one that is not the toolkit's).
    bool ReadIntoBlock(CTarnwick_FileChain* p__PCTarnwick_FileChain__Source,
                       CTarnwick_CacheObject* p__PCTarnwick_CacheObject__Object, LONGLONG p__LONGLONG__Transfer,
                       CTarnwick_Exception** p__PPCTarnwick_Exception__Failure);
    // Queues a block for the writer and wakes it.
    void QueueFilledBlock(CTarnwick_CacheObject* p__PCTarnwick_CacheObject__Object, bool p__bool__AtHead);
    // Hands a written block back to the cache and wakes the cache thread.
    void ReleaseWrittenBlock(CTarnwick_CacheObject* p__PCTarnwick_CacheObject__Object);

    // Does nothing; tests override it to hold one side of the cache at a point where the
    // other side's timing matters, and so make an interleaving of the two reproducible.
    virtual void CacheTestPoint(CACHE_TEST_POINT) {}

    // The pieces of a writing method (CTarnwick_CdvdBurnerGrabber_Write.cpp). p__PCHAR__Name
    // names the writing method in their trace lines and failure texts.

    // DVD-ROM, DVD-R and DVD-RW: a track of the exact size is reserved and written
    // Session-At-Once.
    static bool IsSequentialDvd(ULONG p__ULONG__DiscType);
    // BD-ROM, BD-R and BD-RE: 2048-byte data only, no write parameters page, no test write.
    static bool IsBluRay(ULONG p__ULONG__DiscType);
    // What the track information of the track to write says.
    struct WRITABLE_TRACK {
        BOOLEAN m__BOOLEAN__IsBlank;
        BOOLEAN m__BOOLEAN__IsNWAValid;
        ULONG m__ULONG__FreeBlocks;
        ULONG m__ULONG__NWA;
        UCHAR m__UCHAR__TrackNumber;
    };
    // How a writing method takes a next writable address that is not valid.
    enum NWA_RULE {
        NWA_RULE_REQUIRED_UNLESS_DVDR,  // refused (number 10), except on a DVD-R, which reports none
        NWA_RULE_WARNING                // only traced as a warning
    };
    // Reads the track information of the track to write (formatting a blank DVD+RW or
    // DVD-RAM first), refuses a track that is not blank or (by the rule) has no valid NWA,
    // warns when the blocks exceed the free blocks, and reserves blocks + 1 on DVD-ROM,
    // DVD-R and DVD-RW.
    WRITABLE_TRACK PrepareWritableTrack(const char* p__PCHAR__Name, ULONG p__ULONG__DiscType,
                                        LONGLONG p__LONGLONG__Blocks, NWA_RULE p__NWA_RULE__Rule);

    // Turns a filled block into what is sent for it, just before its WRITE (at the LBA given).
    using BlockPreparation = std::function<void(CTarnwick_CacheObject&, LONG)>;
    // Writes the filled blocks of the started cache from p__LONG__LBA on (advanced by what
    // is written) up to the block with the end marker, with the progress (against
    // *p__PLONGLONG__TotalBlocks), drive buffer and underrun reports. READ BUFFER CAPACITY
    // is not sent to a DVD-RAM. Returns the blocks written; throws a failure of a WRITE or
    // the exception a block carries, and raises number 10 when the blocks written are not
    // the p__LONGLONG__ExpectedBlocks counted before the write.
    LONGLONG WriteCachedBlocks(const char* p__PCHAR__Name, LONG& p__LONG__LBA, LONGLONG* p__PLONGLONG__TotalBlocks,
                               LONGLONG p__LONGLONG__ExpectedBlocks, ULONG p__ULONG__ProgressInterval,
                               ULONG p__ULONG__BufferStatusInterval, ULONG p__ULONG__DiscType,
                               const BlockPreparation& p__Preparation = {});
    // SYNCHRONIZE CACHE between its two callbacks, at the end of a write.
    void SynchronizeAfterWrite();
    // The failure path of a writing method, before it throws the exception again: traces the
    // failure, synchronises the drive's cache when p__BOOLEAN__IsSynchronized (anything was
    // written), ejects the disc and shuts the cache thread down. Failures of these steps are
    // traced and swallowed.
    void RecoverFromFailedWrite(const char* p__PCHAR__Name, const CTarnwick_Exception* p__PCTarnwick_Exception__Exception,
                                BOOLEAN p__BOOLEAN__IsSynchronized);

    // One track of SessionAtOnce from LBA p__LONG__Start: the 150-block pre-gap, the extra
    // pre-gap, the track's blocks from the session's cache (started by SessionAtOnce) with
    // the progress against the session's total, and the gap after, all zeros but the data.
    // A raw P-W track (the raw stream) gets a synthesised pre-gap instead of zeros, its data
    // sectors scrambled and, in raw mode, the lead-in written before it.
    struct SESSION_TRACK_KIND {
        BOOLEAN m__BOOLEAN__IsRawPW;
        BOOLEAN m__BOOLEAN__IsMode2Form1;
        ULONG m__ULONG__TrackIndex;
        BOOLEAN m__BOOLEAN__IsSound;
        BOOLEAN m__BOOLEAN__IsRawMode;
        // A raw stream: where each of its tracks starts (index 0) and whether it is sound, in
        // order, so that only the sectors of data tracks are scrambled.
        std::vector<std::pair<LONG, BOOLEAN>> m__RawTrackStarts;
    };
    void SessionAtOnceTrack(PVOID p__PVOID__Tree, LONGLONG* p__PLONGLONG__TotalBlocks, LONGLONG p__LONGLONG__TrackBlocks,
                            LONG p__LONG__Start, LONG p__LONG__ExtraPregap, LONG p__LONG__GapAfter,
                            ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__BufferStatusInterval,
                            ULONG p__ULONG__DiscType, const SESSION_TRACK_KIND& p__Kind);
    // Refuses a raw stream that is not exactly its raw tracks (whole blocks, the sum of the
    // lengths plus 150 for every track after the first) or whose tracks have gaps.
    static void CheckRawStream(const SESSION_DESCRIPTOR& p__Session, const std::vector<CACHE_SEGMENT>& p__Segments);
    // What a block of the raw stream gets before it is sent: the data sectors of its data
    // tracks scrambled (a sound track's sectors are left as they are), the P channel of the
    // sector at LBA 0 set.
    static void PrepareRawStreamBlock(CTarnwick_CacheObject& p__Block, LONG p__LONG__LBA,
                                      const std::vector<std::pair<LONG, BOOLEAN>>& p__RawTrackStarts);
    // The two raw Disc-At-Once writes as one procedure: what differs is in the form.
    struct DAO_FORM;
    void DiscAtOnce(const DAO_FORM& p__Form, CTarnwick_FileChain* p__PCTarnwick_FileChain__Track,
                    BOOLEAN p__BOOLEAN__IsMode2Form1, BOOLEAN p__BOOLEAN__IsTestWrite,
                    BOOLEAN p__BOOLEAN__IsNextSessionAllowed, ULONG p__ULONG__ProgressInterval,
                    ULONG p__ULONG__BufferStatusInterval, const DISC_AT_ONCE_TRACK_LIST* p__PDISC_AT_ONCE_TRACK_LIST__Tracks);
    // The LBA of the lead-in start of the disc information (bytes 17-19); raises number 10
    // when it does not lie in the lead-in.
    LONG ReadLeadInStart(const char* p__PCHAR__Name);
    // Writes the blocks of a generator from p__LONG__LBA on (advanced), 16 a packet, the
    // last packet of 1 to 16 traced with the area's name.
    void WriteGeneratedBlocks(const char* p__PCHAR__Name, const char* p__PCHAR__Area,
                              CTarnwick_FileChain* p__PCTarnwick_FileChain__Generator, LONG p__LONG__Blocks,
                              ULONG p__ULONG__BlockSize, LONG& p__LONG__LBA);
    // Reads a mode page (current values unless p__UCHAR__PageControl) into a zeroed 4096-byte buffer.
    void ReadModePage(std::unique_ptr<UCHAR[]>& p__Buffer, UCHAR p__UCHAR__PageCode, UCHAR p__UCHAR__PageControl);
    // Zeroes the mode parameter header and sends the page back (length page byte 1 + 10).
    void WriteModePage(PUCHAR p__PUCHAR__Buffer);

    UCHAR m__UCHAR__LastWriteMode;
    // What the last Track-At-Once write left for the DVD+R close: the number of the track it
    // wrote and whether it allowed a next session (then the disc is not finalised).
    UCHAR m__UCHAR__LastTrackNumber = 1;
    BOOLEAN m__BOOLEAN__IsLastNextSessionAllowed = FALSE;
    std::atomic<UCHAR> m__UCHAR__IsCancel;
    UCHAR m__UCHAR__IsBUP;
    CTarnwick_CacheManager* m__PCTarnwick_CacheManager__CacheManager;
    // What the cache thread of the write in progress reads, in order.
    std::vector<CACHE_SEGMENT> m__CacheSegments;
    PlatformRecursiveLock m__CRITICAL_SECTION__BurnerLock;
    PlatformManualResetEvent m__HANDLE__CacheFullEvent;
    PlatformManualResetEvent m__HANDLE__CacheThreadDeadEvent;
    std::atomic<LONG> m__LONG__StopRequestCounter;
    LONGLONG m__LONGLONG__CacheSize;
    ULONG m__ULONG__LogicalBlockSize;
    PROGRESS_CALLBACK m__PROGRESS_CALLBACK__Callback;
    PVOID m__PVOID__CallbackContext;

    // The cache thread of the write in progress (joined before the next one starts and at destruction).
    PlatformThread m__PlatformThread__CacheThread;
    // Set when a block is queued for the writer / handed back to the cache, so that neither
    // side sleeps longer than needed.
    PlatformManualResetEvent m__PlatformManualResetEvent__BlockFilled;
    PlatformManualResetEvent m__PlatformManualResetEvent__BlockFreed;
    ULONG m__ULONG__FreedSinceWake = 0;  // written blocks handed back since the cache thread was last woken
    // Set by the cache thread once it will queue no more blocks (before the cache full event
    // it sets at its end), so that the writer never mistakes its end for an underrun.
    std::atomic<bool> m__bool__IsCacheThreadFinished{false};
};
