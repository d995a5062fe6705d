/*
 * Tarnwick: the flat functions of the burning and mastering toolkit.
 * Every function catches every failure of the toolkit and returns its
 * EXCEPTION_NUMBER (0 on success); none lets an exception out. A C++ exception
 * that is not the toolkit's (a failed allocation, one thrown by a callback)
 * gives EXCEPTION_NUMBER_OUT_OF_MEMORY with a text naming the function.
 */
#ifndef TARNWICK_H
#define TARNWICK_H

#include "tarnwick_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define TARNWICK_VERSION 0x20040814u

#pragma pack(push, 1)

/* The record of READ TRACK INFORMATION (28 bytes). */
typedef struct _TRACK_INFORMATION {
    UCHAR m__UCHAR__IsValid;
    UCHAR m__UCHAR__TrackNumber;
    UCHAR m__UCHAR__SessionNumber;
    UCHAR m__UCHAR__TrackMode;
    UCHAR m__UCHAR__Copy;
    UCHAR m__UCHAR__Damage;
    UCHAR m__UCHAR__DataMode;
    UCHAR m__UCHAR__FixedPacket;
    UCHAR m__UCHAR__Packet;
    UCHAR m__UCHAR__Blank;
    UCHAR m__UCHAR__ReservedTrack;
    UCHAR m__UCHAR__NWAValid;
    ULONG m__ULONG__TrackStartAddress;
    ULONG m__ULONG__NextWritableAddress;
    ULONG m__ULONG__FreeBlocks;
    ULONG m__ULONG__FixedPacketSize;
} TRACK_INFORMATION, *PTRACK_INFORMATION;

/* The record of READ DISC INFORMATION (33 bytes). */
typedef struct _DISC_INFORMATION {
    UCHAR m__UCHAR__IsValid;
    UCHAR m__UCHAR__DiscStatus;
    UCHAR m__UCHAR__LastSessionState;
    UCHAR m__UCHAR__Erasable;
    UCHAR m__UCHAR__FirstTrackNumber;
    UCHAR m__UCHAR__NumberOfSessions;
    UCHAR m__UCHAR__FirstTrackInLastSession;
    UCHAR m__UCHAR__LastTrackInLastSession;
    UCHAR m__UCHAR__UnrestrictedUse;
    UCHAR m__UCHAR__DiscBarCodeValid;
    UCHAR m__UCHAR__DiscIdValid;
    UCHAR m__UCHAR__DiscType;
    UCHAR m__UCHAR__DiscId[4];
    UCHAR m__UCHAR__LastSessionLeadInStart[4];
    UCHAR m__UCHAR__LastPossibleLeadOutStart[4];
    UCHAR m__UCHAR__DiscBarCode[8];
    UCHAR m__UCHAR__NumberOfOPCTables;
} DISC_INFORMATION, *PDISC_INFORMATION;

#pragma pack(pop)

/* DISC_TYPE values of Tarnwick_CdvdBurnerGrabber_GetInsertedDiscType. */
#define TARNWICK_DISC_TYPE_UNSUPPORTED 0
#define TARNWICK_DISC_TYPE_CDROM 1
#define TARNWICK_DISC_TYPE_CDR 2
#define TARNWICK_DISC_TYPE_CDRW 3
#define TARNWICK_DISC_TYPE_DVDROM 4
#define TARNWICK_DISC_TYPE_DVDR 5
#define TARNWICK_DISC_TYPE_DVDRAM 6
#define TARNWICK_DISC_TYPE_DVDRW_RO 7
#define TARNWICK_DISC_TYPE_DVDRW_SR 8
#define TARNWICK_DISC_TYPE_DVDPLUSRW 9
#define TARNWICK_DISC_TYPE_DDCDROM 10
#define TARNWICK_DISC_TYPE_DDCDR 11
#define TARNWICK_DISC_TYPE_DDCDRW 12
#define TARNWICK_DISC_TYPE_DVDPLUSR 13
/* Blu-ray: BD-ROM (and a finalized BD-R in drives that report it so), BD-R in sequential
 * recording mode (written track by track, session by session, like DVD+R), BD-RE (formatted
 * before its first write, like DVD+RW). BD media take 2048-byte data tracks only and have no
 * test write. A BD-R in random recording mode reports TARNWICK_DISC_TYPE_UNSUPPORTED. */
#define TARNWICK_DISC_TYPE_BDROM 14
#define TARNWICK_DISC_TYPE_BDR 15
#define TARNWICK_DISC_TYPE_BDRE 16

/* Start-up and discovery */
ULONG Tarnwick_UpStart(void);
ULONG Tarnwick_DownShut(void);
ULONG Tarnwick_GetVersion(void);
/* Reports every unit of the given peripheral type (0xFF: any) with DEVICE_FOUND; returns the count.
 * Without a callback the units are only counted. */
ULONG Tarnwick_FindDevice(UCHAR p__UCHAR__DeviceType, BOOLEAN p__BOOLEAN__StopAtFirst, PROGRESS_CALLBACK p__Callback,
                          PVOID p__PVOID__Context);
/* Copies the unit's symbolic name (at most 260 bytes with terminator); 0, or 17 when the query fails. */
ULONG Tarnwick_GetDeviceNameByDeviceAddress(UCHAR p__UCHAR__PortID, UCHAR p__UCHAR__BusID, UCHAR p__UCHAR__TargetID,
                                            UCHAR p__UCHAR__LUN, PCHAR p__PCHAR__DeviceName);

/* Burner family: (burner, text, text size, system error, failure record, arguments...).
 * A NULL or foreign burner gives EXCEPTION_NUMBER_INVALID_PARAMETER. */
ULONG Tarnwick_CdvdBurnerGrabber_Create(PVOID* p__PPVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                        ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                        PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
                                        PROGRESS_CALLBACK p__Callback, PVOID p__PVOID__Context, UCHAR p__UCHAR__PortID,
                                        UCHAR p__UCHAR__BusID, UCHAR p__UCHAR__TargetID, UCHAR p__UCHAR__LUN,
                                        ULONG p__ULONG__CacheSizeInMB);
void Tarnwick_CdvdBurnerGrabber_GetDeviceInformation(PVOID p__PVOID__Burner, PCHAR p__PCHAR__VendorID,
                                                     PCHAR p__PCHAR__ProductID, PCHAR p__PCHAR__ProductRevision,
                                                     PULONG p__PULONG__BufferSize);
ULONG Tarnwick_CdvdBurnerGrabber_ProbeSupportedWriteModes(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                                          ULONG p__ULONG__ExceptionTextSize,
                                                          PULONG p__PULONG__SystemError,
                                                          PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
                                                          PBOOLEAN p__PBOOLEAN__TAO, PBOOLEAN p__PBOOLEAN__SAO,
                                                          PBOOLEAN p__PBOOLEAN__DAOPQ, PBOOLEAN p__PBOOLEAN__DAORawPW);
ULONG Tarnwick_CdvdBurnerGrabber_TestUnitReady(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                               ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                               PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info);
ULONG Tarnwick_CdvdBurnerGrabber_GetBUP(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                        ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                        PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
                                        PBOOLEAN p__PBOOLEAN__IsEnabled, PBOOLEAN p__PBOOLEAN__IsSupported);
ULONG Tarnwick_CdvdBurnerGrabber_SetBUP(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                        ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                        PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
                                        BOOLEAN p__BOOLEAN__Enable);
/* Speeds in KB/s; 0xFFFF asks for the highest the drive offers. */
ULONG Tarnwick_CdvdBurnerGrabber_SetSpeeds(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                           ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                           PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
                                           ULONG p__ULONG__ReadSpeed, ULONG p__ULONG__WriteSpeed);
ULONG Tarnwick_CdvdBurnerGrabber_GetSpeeds(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                           ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                           PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
                                           PULONG p__PULONG__CurrentRead, PULONG p__PULONG__MaximumRead,
                                           PULONG p__PULONG__CurrentWrite, PULONG p__PULONG__MaximumWrite);
/* Track 255 is the invisible (next) track. */
ULONG Tarnwick_CdvdBurnerGrabber_GetTrackInformation(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                                     ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                                     PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
                                                     UCHAR p__UCHAR__TrackNumber,
                                                     PTRACK_INFORMATION p__PTRACK_INFORMATION__Track);
ULONG Tarnwick_CdvdBurnerGrabber_GetDiscInformation(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                                    ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                                    PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
                                                    PDISC_INFORMATION p__PDISC_INFORMATION__Disc);
ULONG Tarnwick_CdvdBurnerGrabber_GetInsertedDiscType(PVOID p__PVOID__Burner);
ULONG Tarnwick_CdvdBurnerGrabber_SendOPC(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                         ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                         PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info);
/* Burns one image file (ISO image, or a sound file the audio toolkit decodes) as one Track-At-Once track. */
ULONG Tarnwick_CdvdBurnerGrabber_Pellmark(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                          ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                          PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
                                          PCHAR p__PCHAR__FileName, BOOLEAN p__BOOLEAN__IsMode2Form1,
                                          BOOLEAN p__BOOLEAN__IsTestWrite, BOOLEAN p__BOOLEAN__IsNextSessionAllowed,
                                          ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__BufferStatusInterval);
/* Burns an open file descriptor (duplicated; the caller keeps its own) as one data track: the
 * whole file from its first byte, whatever the descriptor's position. */
ULONG Tarnwick_CdvdBurnerGrabber_TrackAtOnceFromHandle(
    PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
    PULONG p__PULONG__SystemError, PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info, int p__INT__Handle,
    BOOLEAN p__BOOLEAN__IsMode2Form1, BOOLEAN p__BOOLEAN__IsTestWrite, BOOLEAN p__BOOLEAN__IsNextSessionAllowed,
    ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__BufferStatusInterval);
/* Burns the built image of a tree (the tree stays the caller's) as one data track. */
ULONG Tarnwick_CdvdBurnerGrabber_TrackAtOnceFromTree(
    PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
    PULONG p__PULONG__SystemError, PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info, PVOID p__PVOID__Tree,
    BOOLEAN p__BOOLEAN__IsMode2Form1, BOOLEAN p__BOOLEAN__IsTestWrite, BOOLEAN p__BOOLEAN__IsNextSessionAllowed,
    ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__BufferStatusInterval);
/* Writes the tracks of the session in one pass after a cue sheet, onto an empty CD. An entry
 * with a file name gets a byte source of its own (a sound file is decoded into an audio track,
 * any other file is a data track); an entry without one burns the built image of the tree it
 * holds. With Mode 2 Form 1, data tracks are written as 2336-byte Mode 2 Form 1 sectors. The
 * last entry's gap after is set to 600 blocks. Every tree field holds the caller's tree again
 * on return; the track sizes are written into the entries. */
ULONG Tarnwick_CdvdBurnerGrabber_SessionAtOnce(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                               ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                               PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
                                               PSESSION_DESCRIPTOR p__PSESSION_DESCRIPTOR__Session,
                                               BOOLEAN p__BOOLEAN__IsMode2Form1, BOOLEAN p__BOOLEAN__IsTestWrite,
                                               BOOLEAN p__BOOLEAN__IsNextSessionAllowed,
                                               ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__BufferStatusInterval);
/* Burns a raw disc image described by an MDS file (a raw image of 2448-byte blocks, 2352 raw
 * bytes and 96 bytes of raw P-W sub-channel each, named by the MDS relative to its own
 * directory) Session-At-Once onto an empty CD, as the one session of the disc: the pre-gap of
 * track 1 is made by the call, the image's blocks are written as they are from LBA 0 (data
 * sectors scrambled). With p__BOOLEAN__IsRawMode the lead-in is written by the host too. An
 * MDS that cannot be resolved or read, or whose image is missing, gives
 * EXCEPTION_NUMBER_SYSTEM_ERROR with the status; an image whose size is not the tracks' the
 * MDS describes gives EXCEPTION_NUMBER_MEDIA_OR_DATA, before anything is written. */
ULONG Tarnwick_CdvdBurnerGrabber_SessionAtOnceRawRawPW(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                                       ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                                       PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
                                                       PCHAR p__PCHAR__MdsFileName, BOOLEAN p__BOOLEAN__IsTestWrite,
                                                       ULONG p__ULONG__ProgressInterval,
                                                       ULONG p__ULONG__BufferStatusInterval, BOOLEAN p__BOOLEAN__IsRawMode);
/* Writes a whole CD Disc-At-Once in raw mode onto a blank CD: lead-in, pre-gap, the tracks
 * and the lead-out, every sector with its sub-channel, P and Q (PQ) or raw P-W (RawPW). From a
 * list of files: the caller names each track's file in the list and sets the count; a file the
 * audio library decodes is a CD-DA track, any other a data track, which may only be the first
 * (a second data track, or a data track after a sound track, returns 2). The call fills each
 * entry's start, size, number and kind. With Mode 2 Form 1 the data track is CD-ROM XA. The
 * drive closes the disc (a next session allowed when asked). */
ULONG Tarnwick_CdvdBurnerGrabber_DiscAtOncePQFromFile(
    PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
    PULONG p__PULONG__SystemError, PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
    PDISC_AT_ONCE_TRACK_LIST p__PDISC_AT_ONCE_TRACK_LIST__Tracks, BOOLEAN p__BOOLEAN__IsMode2Form1,
    BOOLEAN p__BOOLEAN__IsTestWrite, BOOLEAN p__BOOLEAN__IsNextSessionAllowed, ULONG p__ULONG__ProgressInterval,
    ULONG p__ULONG__BufferStatusInterval);
ULONG Tarnwick_CdvdBurnerGrabber_DiscAtOnceRawPWFromFile(
    PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
    PULONG p__PULONG__SystemError, PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
    PDISC_AT_ONCE_TRACK_LIST p__PDISC_AT_ONCE_TRACK_LIST__Tracks, BOOLEAN p__BOOLEAN__IsMode2Form1,
    BOOLEAN p__BOOLEAN__IsTestWrite, BOOLEAN p__BOOLEAN__IsNextSessionAllowed, ULONG p__ULONG__ProgressInterval,
    ULONG p__ULONG__BufferStatusInterval);
/* The same with the built image of a tree (the tree stays the caller's) as the one data track. */
ULONG Tarnwick_CdvdBurnerGrabber_DiscAtOncePQFromTree(
    PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
    PULONG p__PULONG__SystemError, PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info, PVOID p__PVOID__Tree,
    BOOLEAN p__BOOLEAN__IsMode2Form1, BOOLEAN p__BOOLEAN__IsTestWrite, BOOLEAN p__BOOLEAN__IsNextSessionAllowed,
    ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__BufferStatusInterval);
ULONG Tarnwick_CdvdBurnerGrabber_DiscAtOnceRawPWFromTree(
    PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
    PULONG p__PULONG__SystemError, PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info, PVOID p__PVOID__Tree,
    BOOLEAN p__BOOLEAN__IsMode2Form1, BOOLEAN p__BOOLEAN__IsTestWrite, BOOLEAN p__BOOLEAN__IsNextSessionAllowed,
    ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__BufferStatusInterval);
ULONG Tarnwick_CdvdBurnerGrabber_CloseSession(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                              ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                              PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info);
ULONG Tarnwick_CdvdBurnerGrabber_Eject(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                       ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                       PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info);
ULONG Tarnwick_CdvdBurnerGrabber_Load(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                      ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                      PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info);
ULONG Tarnwick_CdvdBurnerGrabber_Lock(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                      ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                      PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info);
ULONG Tarnwick_CdvdBurnerGrabber_Release(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                         ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                         PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info);
/* Blanking type of BLANK (CD-RW), 0 to 6; a higher one gives EXCEPTION_NUMBER_INVALID_PARAMETER
 * before any command. DVD+RW and DVD-RAM are formatted instead. */
ULONG Tarnwick_CdvdBurnerGrabber_Blank(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                       ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                       PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
                                       ULONG p__ULONG__BlankingType);
/* The table of contents of the inserted disc (the record is zeroed first); a DVD reads as one
 * session with one track. */
ULONG Tarnwick_CdvdBurnerGrabber_ReadTOC(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                         ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                         PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
                                         PTOC_INFORMATION p__PTOC_INFORMATION__Toc);
/* Grabs a track (from 1; an audio track becomes a WAV file) or the blocks first to last of one
 * track into a file, which is written under a new name beside it and put in place only on
 * success. Retry depth: how often an unreadable block is read again; with ignore errors it is
 * then written as zeros (BAD_SECTOR_DETECTED), otherwise the grab fails; force single blocks
 * reads one block a command. Progress interval in seconds (0: no GRAB_PROGRESS). */
ULONG Tarnwick_CdvdBurnerGrabber_GrabTrack(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                           ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                           PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
                                           UCHAR p__UCHAR__TrackNumber, PCHAR p__PCHAR__FileName,
                                           ULONG p__ULONG__RetryDepth, BOOLEAN p__BOOLEAN__IsIgnoreErrors,
                                           BOOLEAN p__BOOLEAN__IsForceSingleBlocks, ULONG p__ULONG__ProgressInterval);
ULONG Tarnwick_CdvdBurnerGrabber_GrabRange(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                           ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                           PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
                                           LONG p__LONG__FirstLBA, LONG p__LONG__LastLBA, PCHAR p__PCHAR__FileName,
                                           ULONG p__ULONG__RetryDepth, BOOLEAN p__BOOLEAN__IsIgnoreErrors,
                                           BOOLEAN p__BOOLEAN__IsForceSingleBlocks, ULONG p__ULONG__ProgressInterval);
/* Grabs the whole disc, with the retries, ignored errors, single blocks and progress of
 * GrabTrack. A CD becomes a raw image of its first session (every block from track 1's start
 * to the lead-out: 2352 bytes of the sector and 96 of raw P-W sub-channel, 2448 a block) named
 * p__PCHAR__FileName, and its descriptor beside it: the same name with ".mds" in place of the
 * extension (added when there is none). A DVD becomes an ISO image of its 2048-byte blocks.
 * Nothing is put in place unless the whole grab succeeds. */
ULONG Tarnwick_CdvdBurnerGrabber_GrabDisc(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                          ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                          PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
                                          PCHAR p__PCHAR__FileName, ULONG p__ULONG__RetryDepth,
                                          BOOLEAN p__BOOLEAN__IsIgnoreErrors, BOOLEAN p__BOOLEAN__IsForceSingleBlocks,
                                          ULONG p__ULONG__ProgressInterval);
/* Grabs a DVD into parts of p__ULONGLONG__PartSize bytes (a multiple of 2048, else number 2;
 * the last part holds the rest) named p__PCHAR__FileName with ".001", ".002"... added. Every
 * part is put in place only when the whole grab succeeds. A CD is refused with number 10. */
ULONG Tarnwick_CdvdBurnerGrabber_GrabDiscSplit(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                               ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                               PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
                                               PCHAR p__PCHAR__FileName, ULONG p__ULONG__RetryDepth,
                                               BOOLEAN p__BOOLEAN__IsIgnoreErrors,
                                               BOOLEAN p__BOOLEAN__IsForceSingleBlocks,
                                               ULONG p__ULONG__ProgressInterval, ULONGLONG p__ULONGLONG__PartSize);
/* Which kinds of READ CD the drive accepts: cooked, raw, raw + formatted Q, raw + raw P-W,
 * formatted Q alone, raw P-W alone. */
ULONG Tarnwick_CdvdBurnerGrabber_ProbeSupportedReadModes(
    PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
    PULONG p__PULONG__SystemError, PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
    PBOOLEAN p__PBOOLEAN__Cooked, PBOOLEAN p__PBOOLEAN__Raw, PBOOLEAN p__PBOOLEAN__RawPQ,
    PBOOLEAN p__PBOOLEAN__RawRawPW, PBOOLEAN p__PBOOLEAN__PQ, PBOOLEAN p__PBOOLEAN__RawPW);
void Tarnwick_CdvdBurnerGrabber_GetDeviceCapabilities(
    PVOID p__PVOID__Burner, PBOOLEAN p__PBOOLEAN__CDRRead, PBOOLEAN p__PBOOLEAN__CDRWRead,
    PBOOLEAN p__PBOOLEAN__DVDROMRead, PBOOLEAN p__PBOOLEAN__DVDRRead, PBOOLEAN p__PBOOLEAN__DVDRAMRead,
    PBOOLEAN p__PBOOLEAN__TestWrite, PBOOLEAN p__PBOOLEAN__CDRWrite, PBOOLEAN p__PBOOLEAN__CDRWWrite,
    PBOOLEAN p__PBOOLEAN__DVDRWrite, PBOOLEAN p__PBOOLEAN__DVDRAMWrite);
void Tarnwick_CdvdBurnerGrabber_GetSupportedMediaFormatsEx(PVOID p__PVOID__Burner,
                                                           PBOOLEAN p__PBOOLEAN__DVDPLUSRWKnown,
                                                           PBOOLEAN p__PBOOLEAN__DVDPLUSRKnown,
                                                           PBOOLEAN p__PBOOLEAN__DVDPLUSRWWritable,
                                                           PBOOLEAN p__PBOOLEAN__DVDPLUSRWritable);
/* File-tree family: (tree, text, text size, system error, arguments...) unless marked.
 * A tree is made by Tarnwick_ISO9660JolietFileTree_Create and deleted by Tarnwick_Destroy;
 * nodes are the tree's own and stay valid until they are deleted or the tree is.
 * A NULL or foreign tree gives EXCEPTION_NUMBER_INVALID_PARAMETER. */
/* Makes an ISO9660 tree, or an ISO9660 tree with a Joliet hierarchy when p__BOOLEAN__IsJoliet
 * is not 0. The text, size and system error are not used. 21 when the toolkit is not started,
 * 4 (and a NULL tree) when the tree cannot be made. */
ULONG Tarnwick_ISO9660JolietFileTree_Create(PVOID* p__PPVOID__Tree, PCHAR p__PCHAR__ExceptionText,
                                            ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                            PROGRESS_CALLBACK p__Callback, PVOID p__PVOID__Context,
                                            BOOLEAN p__BOOLEAN__IsIgnoreErrors, BOOLEAN p__BOOLEAN__IsKeepFilesOpen,
                                            BOOLEAN p__BOOLEAN__IsLongNames, BOOLEAN p__BOOLEAN__IsJoliet);
/* Adds a local file or directory (with everything below it) under *p__PPVOID__Parent, or under
 * the root when that holds NULL (it then receives the root). Without a path, an empty virtual
 * directory named p__PCHAR__NewName. Time selector: 0 creation, 1 last access, other last write.
 * A trailing "/" is removed (not from "/" itself, which adds the entries of the root directory);
 * a path of 260 characters or more, or a parent that is not a directory of this tree, gives
 * EXCEPTION_NUMBER_INVALID_PARAMETER. */
ULONG Tarnwick_ISO9660JolietFileTree_Add(PVOID p__PVOID__Tree, PCHAR p__PCHAR__ExceptionText,
                                         ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                         PCHAR p__PCHAR__AbsolutePathAndFileName, PCHAR p__PCHAR__NewName,
                                         ULONG p__ULONG__TimeSelector, PVOID* p__PPVOID__Parent);
/* Imports the directory tree of a data track already on the disc (the Joliet hierarchy when
 * p__BOOLEAN__IsJoliet is not 0): its files keep their places on the disc. */
ULONG Tarnwick_ISO9660JolietFileTree_ImportTrack(PVOID p__PVOID__Burner, PVOID p__PVOID__Tree,
                                                 UCHAR p__UCHAR__TrackNumber, BOOLEAN p__BOOLEAN__IsJoliet,
                                                 PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
                                                 PULONG p__PULONG__SystemError);
/* Adds every entry of a local directory (each with everything below it) directly under
 * *p__PPVOID__Parent, or under the root when that holds NULL (it then receives the root). A root
 * made for the contents takes the directory's own attributes and dates. A trailing "/" is
 * removed; a path of 260 characters or more gives EXCEPTION_NUMBER_INVALID_PARAMETER, a directory
 * that cannot be listed EXCEPTION_NUMBER_SYSTEM_ERROR. */
ULONG Tarnwick_ISO9660JolietFileTree_AddContents(PVOID p__PVOID__Tree, PCHAR p__PCHAR__ExceptionText,
                                                 ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                                 PCHAR p__PCHAR__Directory, ULONG p__ULONG__TimeSelector,
                                                 PVOID* p__PPVOID__Parent);
/* Not family: the root node, NULL until the first addition. */
PVOID Tarnwick_ISO9660FileTree_GetRoot(PVOID p__PVOID__Tree);
/* Not family: the deepest directory level reached so far. */
ULONG Tarnwick_ISO9660JolietFileTree_GetTreeLevel(PVOID p__PVOID__Tree);
/* Lays the image out at the start sector and builds it; the second value is ignored. The image
 * is then read from its first byte. */
ULONG Tarnwick_ISO9660FileTree_BuildImage(PVOID p__PVOID__Tree, PCHAR p__PCHAR__ExceptionText,
                                          ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                          ULONG p__ULONG__StartSector, ULONG p__ULONG__Ignored,
                                          BOOLEAN p__BOOLEAN__IsCDXA, PCHAR p__PCHAR__VolumeLabel,
                                          PCHAR p__PCHAR__PublisherPreparer, PCHAR p__PCHAR__Application);
/* BuildImage with the further texts of the volume descriptor (each may be NULL). */
ULONG Tarnwick_ISO9660JolietFileTree_BuildImageEx(
    PVOID p__PVOID__Tree, PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
    PULONG p__PULONG__SystemError, ULONG p__ULONG__StartSector, ULONG p__ULONG__Ignored, BOOLEAN p__BOOLEAN__IsCDXA,
    PCHAR p__PCHAR__VolumeLabel, PCHAR p__PCHAR__PublisherPreparer, PCHAR p__PCHAR__Application,
    PCHAR p__PCHAR__System, PCHAR p__PCHAR__CopyrightFile, PCHAR p__PCHAR__BibliographicFile,
    PCHAR p__PCHAR__CreationDate, PCHAR p__PCHAR__ModificationDate, PCHAR p__PCHAR__ExpirationDate,
    PCHAR p__PCHAR__EffectiveDate);
/* Not family: the size of the built image in bytes; the low part is returned, the high part
 * stored when p__PULONG__High is not NULL. */
ULONG Tarnwick_ISO9660JolietFileTree_GetSizeInUCHARs(PVOID p__PVOID__Tree, PULONG p__PULONG__High);
/* Reads the next p__LONG__Length bytes of the built image. */
ULONG Tarnwick_ISO9660JolietFileTree_Read(PVOID p__PVOID__Tree, PCHAR p__PCHAR__ExceptionText,
                                          ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                          LONG p__LONG__Length, PVOID p__PVOID__Buffer);
/* Rewinds the built image to its first byte. */
ULONG Tarnwick_ISO9660JolietFileTree_SeekToBegin(PVOID p__PVOID__Tree, PCHAR p__PCHAR__ExceptionText,
                                                 ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError);
/* Adds a boot image file ("boot.img" in the root) and makes the image bootable (El Torito).
 * 5 with the system error when the file cannot be opened. */
ULONG Tarnwick_ISO9660JolietFileTree_SetBootImage(PVOID p__PVOID__Tree, PCHAR p__PCHAR__FileName,
                                                  ULONG p__ULONG__SystemType, ULONG p__ULONG__BootMediaType,
                                                  PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
                                                  PULONG p__PULONG__SystemError);
/* Family: SetBootImage with the boot image file named p__PCHAR__NameInImage in the root (NULL:
 * the file's own name) and dated as the file was last written. EXCEPTION_NUMBER_SYSTEM_ERROR
 * with the system error when the file cannot be found, EXCEPTION_NUMBER_INVALID_PARAMETER for a
 * directory. */
ULONG Tarnwick_ISO9660JolietFileTree_SetBootImageEx(PVOID p__PVOID__Tree, PCHAR p__PCHAR__FileName,
                                                    PCHAR p__PCHAR__NameInImage, ULONG p__ULONG__SystemType,
                                                    ULONG p__ULONG__BootMediaType, PCHAR p__PCHAR__ExceptionText,
                                                    ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError);
/* Family: writes the system structures of the built image (the sectors the tree makes itself:
 * volume descriptors, path tables, directories) to a file it creates or truncates.
 * EXCEPTION_NUMBER_INVALID_STATE before the image is built. */
ULONG Tarnwick_ISO9660JolietFileTree_StoreSystemStructures(PVOID p__PVOID__Tree, PCHAR p__PCHAR__ExceptionText,
                                                           ULONG p__ULONG__ExceptionTextSize,
                                                           PULONG p__PULONG__SystemError, PCHAR p__PCHAR__FileName);
/* Rock Ridge records in the ISO9660 hierarchy (off by default): names as they are (up to 255
 * bytes), modes, owners, symbolic links, device numbers, three timestamps, hard-link counts, and
 * directories deeper than 8 levels relocated. With it on, adds record symbolic links as links;
 * turn it on before adding: what was added before gets attributes made up from its kind and date.
 * Fails with EXCEPTION_NUMBER_INVALID_STATE once the image is built. Importing a session that
 * has Rock Ridge records turns it on. */
ULONG Tarnwick_ISO9660JolietFileTree_SetRockRidge(PVOID p__PVOID__Tree, BOOLEAN p__BOOLEAN__IsRockRidge,
                                                  PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
                                                  PULONG p__PULONG__SystemError);
/* Not family: TRUE when the tree writes Rock Ridge records. */
BOOLEAN Tarnwick_ISO9660JolietFileTree_GetRockRidge(PVOID p__PVOID__Tree);
/* Adds a file whose contents are a memory block (not copied: it must outlive the burn) under
 * *p__PPVOID__Parent, or under the root when that holds NULL. */
ULONG Tarnwick_ISO9660JolietFileTree_AddMemory(PVOID p__PVOID__Tree, PCHAR p__PCHAR__ExceptionText,
                                               ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                               PVOID p__PVOID__Memory, ULONGLONG p__ULONGLONG__Size,
                                               PCHAR p__PCHAR__NewName, ULONG p__ULONG__TimeSelector,
                                               PVOID* p__PPVOID__Parent);
/* Not family: stops a running Add or import with EXCEPTION_NUMBER_CANCELLED; any thread (the
 * progress callback too). Each Add starts uncancelled: a cancel before it has no effect. */
void Tarnwick_ISO9660JolietFileTree_Cancel(PVOID p__PVOID__Tree);
/* Not family: deletes a node with everything below it and clears the reference; TRUE when the
 * node was found under its parent or was the root. FALSE for a node of another tree and once the
 * image is built (its chain reads the nodes' files). */
BOOLEAN Tarnwick_ISO9660JolietFileTree_DeleteNode(PVOID p__PVOID__Tree, PVOID* p__PPVOID__Node);
/* Not family: node queries. A NULL node stands for the root where a directory is asked for. */
PVOID Tarnwick_ISO9660JolietFileTree_GetFirstKid(PVOID p__PVOID__Tree, PVOID p__PVOID__Node);
PVOID Tarnwick_ISO9660JolietFileTree_GetNextKid(PVOID p__PVOID__Tree, PVOID p__PVOID__Kid);
PVOID Tarnwick_ISO9660JolietFileTree_GetParent(PVOID p__PVOID__Tree, PVOID p__PVOID__Node);
ULONG Tarnwick_ISO9660JolietFileTree_GetAttributes(PVOID p__PVOID__Tree, PVOID p__PVOID__Node);
ULONGLONG Tarnwick_ISO9660JolietFileTree_GetNodeSize(PVOID p__PVOID__Tree, PVOID p__PVOID__Node);
/* Copies the absolute path, the long name and the short name (each buffer 260 bytes, or NULL);
 * a name whose first character is a colon has that character cleared. */
void Tarnwick_ISO9660JolietFileTree_GetNames(PVOID p__PVOID__Tree, PVOID p__PVOID__Node,
                                             PCHAR p__PCHAR__AbsolutePathAndFileName, PCHAR p__PCHAR__LongFileName,
                                             PCHAR p__PCHAR__ShortFileName);
/* Not family: gives a node new names; FALSE when it is not among its parent's kids, a name is
 * NULL, or the image is built. */
BOOLEAN Tarnwick_ISO9660JolietFileTree_RenameNode(PVOID p__PVOID__Tree, PVOID p__PVOID__Node,
                                                  PCHAR p__PCHAR__LongFileName, PCHAR p__PCHAR__ShortFileName);

/* UDF 1.02 images, pure or as a UDF/ISO9660 bridge for DVD-Video (VIDEO_TS and AUDIO_TS on the
 * ISO9660 side). The application makes one UDF_TREE_ITEM per file and directory with the two
 * initialisers, masters the image with Tarnwick_UDF_Create into three memory blocks of its own,
 * then reads the image chain of the container tree it gets (or burns it with
 * Tarnwick_CdvdBurnerGrabber_TrackAtOnceFromTree). These functions return a status; they never
 * throw. */
#define UDF_SECTOR_SIZE 2048u
/* The head block covers sectors 0-307 of the image; the tail block 256 anchor sectors. */
#define UDF_HEAD_SIZE (308u * UDF_SECTOR_SIZE)
#define UDF_TAIL_SIZE (256u * UDF_SECTOR_SIZE)

#pragma pack(push, 1)
/* One file or directory of a UDF tree (8,554 bytes: pointers and the handle are 8 bytes wide,
 * and the path of a file, owned by the item, is at the end). Make it with
 * UDF_FormatFileTreeItem or UDF_FormatDirectoryTreeItem; free what it holds with
 * UDF_CleanupTreeItems. */
typedef struct _UDF_TREE_ITEM {
    ULONG m__ULONG__FileEntryBlock;           /*    0 partition block of its File Entry */
    ULONG m__ULONG__FileIdentifierBlock;      /*    4 block of its entry in the parent directory */
    ULONG m__ULONG__FirstBlock;               /*    8 directory: its parent entry; file: first content block */
    ULONG m__ULONG__LastBlock;                /*   12 file: last content block */
    ULONG m__ULONG__UniqueId;                 /*   16 given by the creator, not 0 for a live item */
    BOOLEAN m__BOOLEAN__IsDirectory;          /*   20 */
    BOOLEAN m__BOOLEAN__IsInMemory;           /*   21 contents held in m__PVOID__Memory */
    USHORT m__USHORT__NumberOfSubdirectories; /*   22 */
    CHAR m__CHAR__Name[255];                  /*   24 upper-cased UTF-8, zero-terminated */
    LONGLONG m__LONGLONG__FileHandle;         /*  279 -1: the file is opened by its path when read */
    PVOID m__PVOID__Memory;                   /*  287 contents of a memory item (malloc) */
    ULONGLONG m__ULONGLONG__Size;             /*  295 bytes */
    ULONG m__ULONG__SizeInBlocks;             /*  303 2048-byte blocks, rounded up */
    struct _UDF_TREE_ITEM* m__PNext;          /*  307 next sibling */
    struct _UDF_TREE_ITEM* m__PPrevious;      /*  315 previous sibling */
    struct _UDF_TREE_ITEM* m__PFirstKid;      /*  323 */
    struct _UDF_TREE_ITEM* m__PParent;        /*  331 NULL for the root */
    UCHAR m__UCHAR__FileEntry[2048];          /*  339 formatted File Entry */
    UCHAR m__UCHAR__FileIdentifier[2048];     /* 2387 formatted File Identifier Descriptor */
    UCHAR m__UCHAR__ParentFileIdentifier[2048]; /* 4435 directories: the parent entry */
    UCHAR m__UCHAR__WorkBuffer[2048];         /* 6483 */
    PVOID m__PVOID__Source;                   /* 8531 byte source of the contents, made by the build */
    UCHAR m__UCHAR__Date[7];                  /* 8539 years since 1900, month, day, hour, minute, second,
                                                      GMT offset in 15-minute units */
    PCHAR m__PCHAR__Path;                     /* 8546 files on disk: the path (malloc) */
} UDF_TREE_ITEM, *PUDF_TREE_ITEM;

/* What Tarnwick_UDF_Create makes: the three memory sources over the caller's blocks and the
 * container tree whose image chain reads as the whole image from sector 0. Delete them with
 * Tarnwick_UDF_DeleteImage once the image is no longer read. */
typedef struct _UDF_IMAGE {
    PVOID m__PVOID__HeadSource;
    PVOID m__PVOID__SystemSource;
    PVOID m__PVOID__TailSource;
    PVOID m__PVOID__Tree;
    ULONG m__ULONG__PartitionLength;          /* blocks, from the File Set Descriptor to the last content block */
    ULONG m__ULONG__ImageSectors;             /* 308 + partition length + 256 */
    ULONG m__ULONG__NumberOfFiles;
    ULONG m__ULONG__NumberOfDirectories;
} UDF_IMAGE, *PUDF_IMAGE;
#pragma pack(pop)

/* Makes a file item: clears it, stores the unique id and the name (ASCII letters upper-cased),
 * appends it to the parent's kids, takes the file's size, blocks and creation date, and reads
 * files whose name contains ".IFO" or ".BUP" whole into memory. The file is closed again: its
 * contents are read through its path when the image is read, one file open at a time. Returns 0,
 * the system error, ENAMETOOLONG for a name of more than 254 bytes or one that does not fit a
 * UDF file identifier, or -1 (as ULONG) when the memory block cannot be allocated. */
ULONG UDF_FormatFileTreeItem(PUDF_TREE_ITEM p__PItem, ULONG p__ULONG__UniqueId, PCHAR p__PCHAR__Name,
                             PCHAR p__PCHAR__Path, PUDF_TREE_ITEM p__PParent);
/* Makes a directory item (dated now) and puts it first among the parent's kids (parent NULL:
 * the root). Returns 0, or ENAMETOOLONG as above. */
ULONG UDF_FormatDirectoryTreeItem(PUDF_TREE_ITEM p__PItem, ULONG p__ULONG__UniqueId, PCHAR p__PCHAR__Name,
                                  PUDF_TREE_ITEM p__PParent);
/* Frees what every live item of the array holds (memory blocks, paths). */
void UDF_CleanupTreeItems(PUDF_TREE_ITEM p__PItems, ULONG p__ULONG__Count);
/* The size in bytes of the system structures block the tree needs (one sector per File Entry
 * and per File Identifier Descriptor). */
ULONG Tarnwick_UDF_GetSystemStructuresSize(PUDF_TREE_ITEM p__PRoot, PULONGLONG p__PULONGLONG__Size);
/* Masters the image; a bridge when both the VIDEO_TS and the AUDIO_TS items are given (kids of
 * the root). Blocks smaller than UDF_HEAD_SIZE, UDF_TAIL_SIZE and the system structures size give
 * EXCEPTION_NUMBER_INVALID_PARAMETER and are not written. Returns 0 or the exception number
 * (text and system error copied out): 21 not started, 4 a source or the tree cannot be made,
 * 18 a bridge file of 0x7FFFF800 bytes or more or a file too large for 128 extents. */
ULONG Tarnwick_UDF_Create(PVOID p__PVOID__Head, ULONG p__ULONG__HeadSize, PVOID p__PVOID__Tail,
                          ULONG p__ULONG__TailSize, PVOID p__PVOID__System, ULONGLONG p__ULONGLONG__SystemSize,
                          PUDF_TREE_ITEM p__PRoot, PUDF_TREE_ITEM p__PVideoTs, PUDF_TREE_ITEM p__PAudioTs,
                          PUDF_IMAGE p__PUDF_IMAGE__Image, PCHAR p__PCHAR__ExceptionText,
                          ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                          PCHAR p__PCHAR__VolumeLabel);
/* Deletes the sources and the tree of a created image and clears the record. */
void Tarnwick_UDF_DeleteImage(PUDF_IMAGE p__PUDF_IMAGE__Image);
/* Write the system structures, respectively the file contents, of a mastered subtree to an open
 * file, in the order of the image chain. 0, the system error, or 996 for a short write. */
ULONG UDF_StoreSystemStructuresTreeItem(PUDF_TREE_ITEM p__PItem, int p__INT__File);
ULONG UDF_StoreContentTreeItem(PUDF_TREE_ITEM p__PItem, int p__INT__File);
/* Patch an IFO or BUP file held in memory. The header: the set's last sector (offset 12) and the
 * IFO's last sector (offset 28), for a "DVDVIDEO-VMG" or "DVDVIDEO-VTS" file. The table (of a
 * "DVDVIDEO-VMG" file): every title's start sector, or with the Ex form only the titles of one
 * title set. 0; EXCEPTION_NUMBER_INVALID_PARAMETER for an item that holds no file in memory;
 * EXCEPTION_NUMBER_MEDIA_OR_DATA (nothing changed) for a wrong signature, a zero table or
 * title count, or a table that lies outside the file. */
ULONG Tarnwick_UDF_PatchIfoHeader(PUDF_TREE_ITEM p__PItem, ULONG p__ULONG__IfoLastSector,
                                  ULONG p__ULONG__SetLastSector);
ULONG Tarnwick_UDF_PatchIfoTable(PUDF_TREE_ITEM p__PItem, ULONG p__ULONG__TitleSetStartSector);
ULONG Tarnwick_UDF_PatchIfoTableEx(PUDF_TREE_ITEM p__PItem, UCHAR p__UCHAR__TitleSetNumber,
                                   ULONG p__ULONG__TitleSetStartSector);

/* VideoCD and Super VideoCD: an MPEG-1 (VideoCD) or MPEG-2 (Super VideoCD) program stream of
 * 2,324-byte packs burned onto a blank CD as two tracks. Track 1 is the data track: the first
 * 600 sectors of the template "Tarnwick_VideoCD.ISO" (or "Tarnwick_SuperVideoCD.ISO"), taken
 * from the current directory when it is there, else from TARNWICK_DATA_DIR when that variable
 * is set, else from the toolkit's data directory, patched with the label (volume and volume
 * set identifiers, album text), the two numbers of the disc information file (the album's
 * volume count and this disc's number, stored big-endian) and the MPEG file's length; the
 * sector of the file "ARCHIVE.dat" of the current directory is copied in when that file
 * exists. Track 2 is the MPEG file's whole payload blocks between 30 empty sectors on each
 * side, in Mode 2 Form 2 sectors.
 * The Track-At-Once functions write both tracks, the data track leaving the session open;
 * close it with Tarnwick_CdvdBurnerGrabber_CloseSession as after any Track-At-Once write.
 * The two others take a write mode first: 0 is the Track-At-Once function, 1 writes both
 * tracks Session-At-Once (the drive closes the disc), and any other value returns
 * EXCEPTION_NUMBER_UNSUPPORTED_MODE without doing anything. A template shorter than 600
 * sectors gives EXCEPTION_NUMBER_OUT_OF_MEMORY, a template or MPEG file that cannot be
 * opened EXCEPTION_NUMBER_SYSTEM_ERROR with the status, an MPEG file whose extent does not
 * fit a directory record EXCEPTION_NUMBER_SIZE_LIMIT, all before anything is written. */
#define TARNWICK_VIDEOCD_TEMPLATE "Tarnwick_VideoCD.ISO"
#define TARNWICK_SUPERVIDEOCD_TEMPLATE "Tarnwick_SuperVideoCD.ISO"
ULONG Tarnwick_CdvdBurnerGrabber_TrackAtOnceFromVideoCD(
    PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
    PULONG p__PULONG__SystemError, PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
    PCHAR p__PCHAR__MpegFileName, PCHAR p__PCHAR__Label, USHORT p__USHORT__VolumeCount, USHORT p__USHORT__VolumeNumber,
    BOOLEAN p__BOOLEAN__IsTestWrite, ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__BufferStatusInterval);
ULONG Tarnwick_CdvdBurnerGrabber_TrackAtOnceFromSuperVideoCD(
    PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
    PULONG p__PULONG__SystemError, PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
    PCHAR p__PCHAR__MpegFileName, PCHAR p__PCHAR__Label, USHORT p__USHORT__VolumeCount, USHORT p__USHORT__VolumeNumber,
    BOOLEAN p__BOOLEAN__IsTestWrite, ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__BufferStatusInterval);
ULONG Tarnwick_CdvdBurnerGrabber_VideoCD(
    PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
    PULONG p__PULONG__SystemError, PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info, ULONG p__ULONG__WriteMode,
    PCHAR p__PCHAR__MpegFileName, PCHAR p__PCHAR__Label, USHORT p__USHORT__VolumeCount, USHORT p__USHORT__VolumeNumber,
    BOOLEAN p__BOOLEAN__IsTestWrite, ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__BufferStatusInterval);
ULONG Tarnwick_CdvdBurnerGrabber_SuperVideoCD(
    PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
    PULONG p__PULONG__SystemError, PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info, ULONG p__ULONG__WriteMode,
    PCHAR p__PCHAR__MpegFileName, PCHAR p__PCHAR__Label, USHORT p__USHORT__VolumeCount, USHORT p__USHORT__VolumeNumber,
    BOOLEAN p__BOOLEAN__IsTestWrite, ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__BufferStatusInterval);

/* Sets the cancel flag of a write in progress; may be called from any thread. */
void Tarnwick_CdvdBurnerGrabber_Cancel(PVOID p__PVOID__Burner);
/* Deletes a burner or a tree and sets the reference to NULL; a NULL reference is left alone. */
void Tarnwick_Destroy(PVOID* p__PPVOID__Object);

#ifdef __cplusplus
}
static_assert(sizeof(TRACK_INFORMATION) == 28, "TRACK_INFORMATION is 28 bytes");
static_assert(sizeof(DISC_INFORMATION) == 33, "DISC_INFORMATION is 33 bytes");
static_assert(sizeof(UDF_TREE_ITEM) == 8554, "UDF_TREE_ITEM is 8,554 bytes");
static_assert(offsetof(UDF_TREE_ITEM, m__UCHAR__FileEntry) == 339, "UDF_TREE_ITEM: File Entry at 339");
static_assert(offsetof(UDF_TREE_ITEM, m__UCHAR__Date) == 8539, "UDF_TREE_ITEM: date at 8539");
#endif

#endif /* TARNWICK_H */
