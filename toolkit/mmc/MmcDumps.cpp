#include "MmcDumps.h"

#include "DebugPrint.h"

// Placeholder bodies; the dumps are filled in with their exact lines.
void CTarnwick_DumpSenseData(const UCHAR*) {}
void CTarnwick_DumpRequestBlock(const SRB_ExecSCSICmd*) {}
void CTarnwick_DumpPortInquiry(const SRB_HAInquiry*) {}
void CTarnwick_DumpDeviceInquiry(const UCHAR*) {}
void CTarnwick_DumpAndParseTrackInformation(const UCHAR*, PBOOLEAN, PBOOLEAN, PULONG, PULONG, PUCHAR) {}
void CTarnwick_DumpCdvdCapabilitiesPage(const UCHAR*) {}
void Tarnwick_DumpCdvdWriteParametersPage(const UCHAR*) {}
void CTarnwick_DumpDvdLayerDescriptor(const UCHAR*) {}
void CTarnwick_DumpCueSheet(const UCHAR*, ULONG) {}
BOOLEAN LBAToMSFBCD(LONG, PUCHAR) { return FALSE; }
void LBAToRelativeMSFBCD(LONG, PUCHAR) {}
