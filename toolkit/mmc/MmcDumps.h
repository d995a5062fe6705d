#pragma once
// Debug-log dumps of the MMC pages, records and ASPI request blocks, and the
// LBA / MSF conversions of CD addresses. Each dump writes its lines through
// DebugPrint word for word; nothing is written in builds without tracing.
#include "CTarnwick_CdAddress.h"
#include "tarnwick_types.h"
#include "wnaspi32.h"

// Fixed-format sense data (14 bytes).
void CTarnwick_DumpSenseData(const UCHAR* p__PUCHAR__Sense);
// SRB_Status, SRB_HaStat, SRB_TargStat, CDB length and the 16 CDB bytes of a request.
void CTarnwick_DumpRequestBlock(const SRB_ExecSCSICmd* p__PSRB_ExecSCSICmd__Srb);
// The answer of SC_HA_INQUIRY.
void CTarnwick_DumpPortInquiry(const SRB_HAInquiry* p__PSRB_HAInquiry__Srb);
// Standard INQUIRY data (96 bytes).
void CTarnwick_DumpDeviceInquiry(const UCHAR* p__PUCHAR__Inquiry);
// Dumps a READ TRACK INFORMATION block and returns its five values.
void CTarnwick_DumpAndParseTrackInformation(const UCHAR* p__PUCHAR__Block, PBOOLEAN p__PBOOLEAN__IsBlank,
                                            PBOOLEAN p__PBOOLEAN__IsNWAValid, PULONG p__PULONG__FreeBlocks,
                                            PULONG p__PULONG__NWA, PUCHAR p__PUCHAR__TrackNumber);
// The capabilities page (page code 2Ah), starting at its page code byte.
void CTarnwick_DumpCdvdCapabilitiesPage(const UCHAR* p__PUCHAR__Page);
// The write parameters page (page code 05h), starting at its page code byte.
void Tarnwick_DumpCdvdWriteParametersPage(const UCHAR* p__PUCHAR__Page);
// The DVD layer descriptor that follows the 4-byte header of READ DVD STRUCTURE format 0.
void CTarnwick_DumpDvdLayerDescriptor(const UCHAR* p__PUCHAR__Descriptor);
// A cue sheet of p__ULONG__Size bytes (8-byte entries); reads nothing past its end (an entry there counts
// as the zero entry that ends it).
void CTarnwick_DumpCueSheet(const UCHAR* p__PUCHAR__CueSheet, ULONG p__ULONG__Size);

// LBA to BCD minute:second:frame by CTarnwick_CdAddress (LBA + 150; lead-in LBAs -45150..-151 give
// minutes 90..99). Outside -45150..449999 it writes FF FF FF and returns false with trace line #1;
// from 404850 on it writes the address and returns false with line #2 (it reads as the lead-in).
BOOLEAN LBAToMSFBCD(LONG p__LONG__LBA, PUCHAR p__PUCHAR__MSF);
// A block count as relative BCD minute:second:frame, without offset or checks.
void LBAToRelativeMSFBCD(LONG p__LONG__Blocks, PUCHAR p__PUCHAR__MSF);
