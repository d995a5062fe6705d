#pragma once
// Image files the toolkit recognises: a cooked ISO9660 image, a raw image of 2352-byte
// sectors, and the MDS descriptor of a raw image of 2448-byte sectors (2352 bytes plus 96
// bytes of raw P-W sub-channel) with its tracks.
#include "tarnwick_types.h"

// Size of the image file name the parser hands back (with its terminating zero).
constexpr ULONG MDS_IMAGE_FILE_NAME_SIZE = 260;

// Statuses of TarnwickI_ParseMDS beside the error codes of failing file calls (errno).
constexpr ULONG MDS_STATUS_SUCCESS = 0;
constexpr ULONG MDS_STATUS_BAD_FORMAT = 11;
constexpr ULONG MDS_STATUS_GENERAL_FAILURE = 31;
constexpr ULONG MDS_STATUS_INCOMPLETE = 996;
constexpr ULONG MDS_STATUS_EXCEPTION = 1064;

// 1 when bytes 32769 to 32773 of the file are "CD001" (the primary volume descriptor's
// identifier); any failure, a file shorter than 17 blocks of 2048 bytes included, gives 0.
BOOLEAN TarnwickI_IsISO(const char* p__PCHAR__FileName);

// 1 when the name holds ".MDF" or ".XMF" in any letter case and the file starts with the
// CD sync pattern; *p__PUCHAR__Mode then gets the sector's mode (byte 15, low two bits).
// A "no" leaves the mode untouched.
BOOLEAN TarnwickI_IsMDF(const char* p__PCHAR__FileName, PUCHAR p__PUCHAR__Mode);

// Reads an MDS descriptor into the session record (zeroed first): the is-sound flag of
// every sound track's entry and, per track, its length in blocks (the track size minus 150,
// the last one whole). *p__PUCHAR__Kind is 2 when a Mode 2 track is present, else 1.
// p__PCHAR__ImageFileName (MDS_IMAGE_FILE_NAME_SIZE bytes) gets the image file's name as the
// MDS gives it, relative to p__PCHAR__Directory, the MDS file's directory with its trailing
// "/" (used to size a track whose size the MDS leaves 0). Returns 0, 11 for a descriptor
// that is not one this toolkit writes, 996 for one that ends early, 1064 when the parse was
// interrupted by an exception, 31 for missing arguments, or the errno of a failing file call.
ULONG TarnwickI_ParseMDS(const char* p__PCHAR__MdsFileName, PSESSION_DESCRIPTOR p__PSESSION_DESCRIPTOR__Session,
                         PUCHAR p__PUCHAR__Kind, PCHAR p__PCHAR__ImageFileName, const char* p__PCHAR__Directory);
