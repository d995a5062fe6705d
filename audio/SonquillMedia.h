#pragma once
// Small helpers around the media runtime (FFmpeg) shared by the reader and the writer.
#include "tarnwick_types.h"

// Loads the runtime on first use (and quiets its own console messages): 0, or the status of
// the failure, logged at level 0 in the caller's name.
ULONG SonquillMedia_Initialise(const char* p__PCHAR__Function);
// A runtime error code as a toolkit status: errno values pass through as they are,
// the runtime's own codes as their (negative) value seen as unsigned.
ULONG SonquillMedia_Status(int p__INT__Error);
// The runtime's text for an error code.
const char* SonquillMedia_ErrorText(int p__INT__Error, char* p__PCHAR__Buffer, unsigned p__ULONG__Size);
// Logs a failed runtime call at level 0: "(): <call> failed ( <text> ), status %d ( 0x%x )".
void SonquillMedia_LogFailure(const char* p__PCHAR__Function, const char* p__PCHAR__Call, int p__INT__Error);
