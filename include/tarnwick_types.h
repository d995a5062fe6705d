/*
 * Tarnwick: shared C types, records and enumerations of the flat interface.
 *
 * Records without pointers keep their exact byte layout (byte-packed, checked
 * by static assertions in C++). Records that hold pointers keep their field
 * order with 8-byte pointers; their sizes are given next to them.
 */
#ifndef TARNWICK_TYPES_H
#define TARNWICK_TYPES_H

#include <stdint.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint8_t UCHAR;
typedef UCHAR* PUCHAR;
typedef uint16_t USHORT;
typedef uint32_t ULONG;
typedef ULONG* PULONG;
typedef int32_t LONG;
typedef uint8_t BOOLEAN;
typedef BOOLEAN* PBOOLEAN;
typedef int64_t LONGLONG;
typedef LONGLONG* PLONGLONG;
typedef uint64_t ULONGLONG;
typedef ULONGLONG* PULONGLONG;
typedef char CHAR;
typedef char* PCHAR;
typedef void* PVOID;
typedef uintptr_t ULONG_PTR;
#ifdef __cplusplus
typedef char16_t WCHAR;
#else
typedef uint16_t WCHAR;
#endif

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

/* Exception numbers: the return value of every flat function. */
typedef enum _EXCEPTION_NUMBER {
    EXCEPTION_NUMBER_SUCCESS = 0,
    EXCEPTION_NUMBER_INVALID_PARAMETER = 2,
    EXCEPTION_NUMBER_INVALID_STATE = 3,
    EXCEPTION_NUMBER_OUT_OF_MEMORY = 4,
    EXCEPTION_NUMBER_SYSTEM_ERROR = 5,
    EXCEPTION_NUMBER_ASPI_ERROR = 6,
    EXCEPTION_NUMBER_DEVICE_NOT_READY = 7,
    EXCEPTION_NUMBER_COMMAND_FAILED = 8,
    EXCEPTION_NUMBER_WRONG_DEVICE_TYPE = 9,
    EXCEPTION_NUMBER_MEDIA_OR_DATA = 10,
    EXCEPTION_NUMBER_NO_EXCEPTION_OBJECT = 12,
    EXCEPTION_NUMBER_CANCELLED = 14,
    EXCEPTION_NUMBER_NAME_TOO_LONG = 15,
    EXCEPTION_NUMBER_UNSUPPORTED_MODE = 16,
    EXCEPTION_NUMBER_NOT_FOUND = 17,
    EXCEPTION_NUMBER_SIZE_LIMIT = 18,
    EXCEPTION_NUMBER_OUT_OF_RANGE = 20,
    EXCEPTION_NUMBER_NOT_STARTED = 21
} EXCEPTION_NUMBER;

#pragma pack(push, 1)

/* The record of a failed SCSI command (54 bytes). */
typedef struct _CDB_FAILURE_INFORMATION {
    UCHAR m__UCHAR__IsValid;          /* 0: 1 when filled */
    UCHAR m__UCHAR__CDBLength;        /* 1 */
    UCHAR m__UCHAR__CDB[16];          /* 2 */
    UCHAR m__UCHAR__SenseLength;      /* 18: always 14 */
    UCHAR m__UCHAR__Sense[32];        /* 19 */
    UCHAR m__UCHAR__SRB_Status;       /* 51 */
    UCHAR m__UCHAR__SRB_TargStat;     /* 52: 2 CHECK CONDITION, 8 BUSY */
    UCHAR m__UCHAR__SRB_HaStat;       /* 53 */
} CDB_FAILURE_INFORMATION, *PCDB_FAILURE_INFORMATION;

/* An address found by discovery (5 bytes). */
typedef struct _DEVICE_ADDRESS {
    UCHAR m__UCHAR__IsValid;
    UCHAR m__UCHAR__PortID;
    UCHAR m__UCHAR__BusID;
    UCHAR m__UCHAR__TargetID;
    UCHAR m__UCHAR__LUN;
} DEVICE_ADDRESS, *PDEVICE_ADDRESS;

/* Name collision record handed to the callback with NAME_COLLISION.
 * Pointers are 8 bytes wide: 549 bytes in all (offsets 0, 1, 521, 529, 533, 541, 545). */
typedef struct _NAME_COLLISION_INFORMATION {
    BOOLEAN m__BOOLEAN__IsJoliet;           /* 0 */
    UCHAR m__UCHAR__NewName[520];           /* 1: CHARs (ISO9660) or WCHARs (Joliet) */
    PCHAR m__PCHAR__ExistingPathName;       /* 521 */
    ULONG m__ULONG__ExistingAttributes;     /* 529 */
    PCHAR m__PCHAR__NewPathName;            /* 533 */
    ULONG m__ULONG__NewAttributes;          /* 541 */
    ULONG m__ULONG__Action;                 /* 545: NAME_COLLISION_ACTION */
} NAME_COLLISION_INFORMATION, *PNAME_COLLISION_INFORMATION;

/* One track of a table of contents (30 bytes). Addresses are LBAs; the MSF triples are
 * minute, second, frame. */
typedef struct _TOC_TRACK_ENTRY {
    UCHAR m__UCHAR__IsValid;
    UCHAR m__UCHAR__TrackNumber;
    UCHAR m__UCHAR__SessionNumber;
    LONG m__LONG__StartLBA;
    UCHAR m__UCHAR__StartMSF[3]; /* PMIN, PSEC, PFRAME as the drive reported them */
    LONG m__LONG__EndLBA;        /* the last block of the track */
    UCHAR m__UCHAR__EndMSF[3];
    UCHAR m__UCHAR__IsADR2; /* upper nibble of ADR/CONTROL is 2 */
    UCHAR m__UCHAR__IsADR3; /* upper nibble of ADR/CONTROL is 3 */
    UCHAR m__UCHAR__IsFourChannel;
    UCHAR m__UCHAR__IsPreEmphasis;
    UCHAR m__UCHAR__IsData;
    UCHAR m__UCHAR__IsAudio;
    UCHAR m__UCHAR__IsCopyPermitted;
    UCHAR m__UCHAR__DataMode; /* 0 audio, else the mode byte of the first sector */
    UCHAR m__UCHAR__Form;     /* 0 none, 1 Mode 2 Form 1, 2 Mode 2 Form 2 */
    ULONG m__ULONG__BytesPerBlock;
} TOC_TRACK_ENTRY, *PTOC_TRACK_ENTRY;

#define TOC_MAXIMUM_TRACKS 100
#define TOC_DESCRIPTOR_SIZE 11
/* The descriptor count is kept in one byte: the table keeps as many as it can count. */
#define TOC_MAXIMUM_DESCRIPTORS 255

/* The table of contents of the inserted disc. A DVD reads as one session with one track. */
typedef struct _TOC_INFORMATION {
    UCHAR m__UCHAR__IsValid;
    UCHAR m__UCHAR__IsDVD;
    UCHAR m__UCHAR__Reserved[7];
    UCHAR m__UCHAR__LastSessionNumber;
    UCHAR m__UCHAR__NumberOfTracks;
    UCHAR m__UCHAR__NumberOfDescriptors;
    TOC_TRACK_ENTRY m__TOC_TRACK_ENTRY__Tracks[TOC_MAXIMUM_TRACKS];
    /* the 11-byte full TOC descriptor each track entry was made from */
    UCHAR m__UCHAR__TrackDescriptors[TOC_MAXIMUM_TRACKS][TOC_DESCRIPTOR_SIZE];
    /* every descriptor of the reply, in order */
    UCHAR m__UCHAR__Descriptors[TOC_MAXIMUM_DESCRIPTORS][TOC_DESCRIPTOR_SIZE];
} TOC_INFORMATION, *PTOC_INFORMATION;

/* One track of a Session-At-Once session (299 bytes: the three pointers are 8 bytes wide). */
#define SESSION_MAXIMUM_TRACKS 100
#define SESSION_FILE_NAME_SIZE 260
typedef struct _SESSION_TRACK_ENTRY {
    UCHAR m__UCHAR__IsSound;       /* 2352-byte CD-DA blocks */
    UCHAR m__UCHAR__IsMode2;       /* 2336-byte Mode 2 blocks */
    UCHAR m__UCHAR__IsRawPW;       /* 2448-byte raw blocks with raw P-W sub-channel */
    LONG m__LONG__TrackSize;       /* blocks; written by the write */
    LONG m__LONG__ExtraPregap;     /* zero blocks after the 150-block pre-gap, before the data */
    LONG m__LONG__GapAfter;        /* zero blocks after the data */
    CHAR m__CHAR__FileName[SESSION_FILE_NAME_SIZE]; /* the track's file, or empty when a tree is given */
    PVOID m__PVOID__File;          /* byte source made from the file name during the call */
    PVOID m__PVOID__Tree;          /* the tree whose image is the track's bytes */
    PVOID m__PVOID__BackSideTree;  /* the Mode 2 Form 1 wrapper of the tree during the call */
} SESSION_TRACK_ENTRY, *PSESSION_TRACK_ENTRY;

/* A session for Tarnwick_CdvdBurnerGrabber_SessionAtOnce (30308 bytes): the number of tracks,
 * 100 entries from offset 4, then the number of raw track lengths (offset 29904) and 100 raw
 * track lengths in blocks (offset 29908), which only a raw image's descriptor fills. */
typedef struct _SESSION_DESCRIPTOR {
    ULONG m__ULONG__NumberOfTracks;
    SESSION_TRACK_ENTRY m__SESSION_TRACK_ENTRY__Tracks[SESSION_MAXIMUM_TRACKS];
    ULONG m__ULONG__NumberOfRawTracks;
    ULONG m__ULONG__RawTrackBlocks[SESSION_MAXIMUM_TRACKS];
} SESSION_DESCRIPTOR, *PSESSION_DESCRIPTOR;

/* One track of a Disc-At-Once disc (274 bytes). The caller names the file; the call fills the
 * rest: where the track starts (LBA 0 for the first), its length in blocks, its number and
 * its kind. A data track is read in 2048-byte blocks, a CD-DA track in 2352-byte blocks. */
#define DISC_AT_ONCE_MAXIMUM_TRACKS 99
typedef struct _DISC_AT_ONCE_TRACK_ENTRY {
    CHAR m__CHAR__FileName[SESSION_FILE_NAME_SIZE];
    LONG m__LONG__StartLBA;
    LONG m__LONG__SizeInLBs;
    ULONG m__ULONG__TrackNumber;
    BOOLEAN m__BOOLEAN__IsDataTrack;  /* 1 data, else CD-DA */
    BOOLEAN m__BOOLEAN__IsMode2Form1; /* a data track written as Mode 2 Form 1 (CD-ROM XA) */
} DISC_AT_ONCE_TRACK_ENTRY, *PDISC_AT_ONCE_TRACK_ENTRY;

/* The tracks of a Disc-At-Once disc, in order: at most one data track, and only as the first. */
typedef struct _DISC_AT_ONCE_TRACK_LIST {
    ULONG m__ULONG__NumberOfTracks;
    DISC_AT_ONCE_TRACK_ENTRY m__DISC_AT_ONCE_TRACK_ENTRY__Tracks[DISC_AT_ONCE_MAXIMUM_TRACKS];
} DISC_AT_ONCE_TRACK_LIST, *PDISC_AT_ONCE_TRACK_LIST;

#pragma pack(pop)

typedef enum _NAME_COLLISION_ACTION {
    NAME_COLLISION_ACTION_KEEP_EXISTING = 0,
    NAME_COLLISION_ACTION_REPLACE_EXISTING = 1,
    NAME_COLLISION_ACTION_RENAME_NEW = 2
} NAME_COLLISION_ACTION;

/* Reasons of the progress callback. */
typedef enum _CALLBACK_REASON {
    ADD_NAME = 0,
    REMOVE_NAME = 1,
    IGNORE_NAME = 2,
    NAME_COLLISION = 3,
    TARGET_FILE_ANALYZE_BEGIN = 4,
    TARGET_FILE_ANALYZE_END = 5,
    WAIT_CACHE_FULL_BEGIN = 6,
    WAIT_CACHE_FULL_END = 7,
    SYNCHRONIZE_CACHE_BEGIN = 8,
    SYNCHRONIZE_CACHE_END = 9,
    DEVICE_FOUND = 10,
    GRAB_PROGRESS = 11,
    WRITE_PROGRESS = 12,
    BUFFER_STATUS = 13,
    GRAB_TRACK_BEGIN = 14,
    GRAB_TRACK_END = 15,
    GRAB_PART_BEGIN = 16,
    GRAB_PART_END = 17,
    BAD_SECTOR_DETECTED = 18,
    PATTERN_GENERATED = 19,
    READ_ERROR_RETRY = 20,
    DVDPLUSRW_FORMAT_BEGIN = 21,
    DVDPLUSRW_FORMAT_END = 22,
    DVDRAM_FORMAT_BEGIN = 23,
    DVDRAM_FORMAT_END = 24,
    BUFFER_UNDERRUN = 25,
    /* A BD-RE is being formatted (before its first write, or to blank it). */
    BDRE_FORMAT_BEGIN = 26,
    BDRE_FORMAT_END = 27
} CALLBACK_REASON;

/* The one progress callback: (reason, context, parameter 1, parameter 2). */
typedef void (*PROGRESS_CALLBACK)(ULONG p__ULONG__Reason, PVOID p__PVOID__Context, PVOID p__PVOID__Parameter1,
                                  PVOID p__PVOID__Parameter2);

#ifdef __cplusplus
}
static_assert(sizeof(CDB_FAILURE_INFORMATION) == 54, "CDB_FAILURE_INFORMATION is 54 bytes");
static_assert(offsetof(CDB_FAILURE_INFORMATION, m__UCHAR__SenseLength) == 18, "sense length at 18");
static_assert(offsetof(CDB_FAILURE_INFORMATION, m__UCHAR__Sense) == 19, "sense at 19");
static_assert(offsetof(CDB_FAILURE_INFORMATION, m__UCHAR__SRB_Status) == 51, "SRB status at 51");
static_assert(sizeof(DEVICE_ADDRESS) == 5, "DEVICE_ADDRESS is 5 bytes");
static_assert(sizeof(NAME_COLLISION_INFORMATION) == 549, "NAME_COLLISION_INFORMATION is 549 bytes");
static_assert(offsetof(NAME_COLLISION_INFORMATION, m__ULONG__Action) == 545, "action at 545");
static_assert(sizeof(TOC_TRACK_ENTRY) == 30, "TOC_TRACK_ENTRY is 30 bytes");
static_assert(offsetof(TOC_TRACK_ENTRY, m__LONG__StartLBA) == 3, "start LBA at 3");
static_assert(offsetof(TOC_TRACK_ENTRY, m__UCHAR__StartMSF) == 7, "start address at 7");
static_assert(offsetof(TOC_TRACK_ENTRY, m__LONG__EndLBA) == 10, "end LBA at 10");
static_assert(offsetof(TOC_TRACK_ENTRY, m__UCHAR__EndMSF) == 14, "end address at 14");
static_assert(offsetof(TOC_TRACK_ENTRY, m__UCHAR__IsADR2) == 17, "ADR 2 flag at 17");
static_assert(offsetof(TOC_TRACK_ENTRY, m__UCHAR__IsData) == 21, "data flag at 21");
static_assert(offsetof(TOC_TRACK_ENTRY, m__UCHAR__DataMode) == 24, "data mode at 24");
static_assert(offsetof(TOC_TRACK_ENTRY, m__ULONG__BytesPerBlock) == 26, "bytes per block at 26");
static_assert(offsetof(TOC_INFORMATION, m__UCHAR__LastSessionNumber) == 9, "last session at 9");
static_assert(offsetof(TOC_INFORMATION, m__UCHAR__NumberOfTracks) == 10, "track count at 10");
static_assert(offsetof(TOC_INFORMATION, m__UCHAR__NumberOfDescriptors) == 11, "descriptor count at 11");
static_assert(offsetof(TOC_INFORMATION, m__TOC_TRACK_ENTRY__Tracks) == 12, "track table at 12");
static_assert(offsetof(TOC_INFORMATION, m__UCHAR__TrackDescriptors) == 3012, "per-track descriptors at 3012");
static_assert(offsetof(TOC_INFORMATION, m__UCHAR__Descriptors) == 4112, "all descriptors at 4112");
static_assert(sizeof(TOC_INFORMATION) == 4112 + 255 * 11, "TOC_INFORMATION holds 255 descriptors");
static_assert(offsetof(SESSION_TRACK_ENTRY, m__LONG__TrackSize) == 3, "track size at 3");
static_assert(offsetof(SESSION_TRACK_ENTRY, m__LONG__ExtraPregap) == 7, "extra pre-gap at 7");
static_assert(offsetof(SESSION_TRACK_ENTRY, m__LONG__GapAfter) == 11, "gap after at 11");
static_assert(offsetof(SESSION_TRACK_ENTRY, m__CHAR__FileName) == 15, "file name at 15");
static_assert(offsetof(SESSION_TRACK_ENTRY, m__PVOID__File) == 275, "byte source at 275");
static_assert(offsetof(SESSION_TRACK_ENTRY, m__PVOID__Tree) == 283, "tree at 283");
static_assert(offsetof(SESSION_TRACK_ENTRY, m__PVOID__BackSideTree) == 291, "wrapper at 291");
static_assert(sizeof(SESSION_TRACK_ENTRY) == 299, "SESSION_TRACK_ENTRY is 299 bytes");
static_assert(offsetof(SESSION_DESCRIPTOR, m__ULONG__NumberOfRawTracks) == 29904, "raw track count at 29904");
static_assert(sizeof(SESSION_DESCRIPTOR) == 30308, "SESSION_DESCRIPTOR is 30308 bytes");
static_assert(sizeof(DISC_AT_ONCE_TRACK_ENTRY) == 274, "DISC_AT_ONCE_TRACK_ENTRY is 274 bytes");
static_assert(offsetof(DISC_AT_ONCE_TRACK_LIST, m__DISC_AT_ONCE_TRACK_ENTRY__Tracks) + offsetof(DISC_AT_ONCE_TRACK_ENTRY, m__BOOLEAN__IsDataTrack) == 276,
              "the first track's data-track flag at 276");
#endif

#endif /* TARNWICK_TYPES_H */
