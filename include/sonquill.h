/*
 * Sonquill: the compressed-audio toolkit's flat functions.
 */
#ifndef SONQUILL_H
#define SONQUILL_H

#include "tarnwick_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define SONQUILL_VERSION 0x20040814u

/* Starts the toolkit for the calling thread: version banner, debug settings. Returns 0. */
ULONG Sonquill_UpStart(void);
/* Stops the toolkit. Returns 0. */
ULONG Sonquill_DownShut(void);
/* Stores the version 0x20040814. */
ULONG Sonquill_VersionGet(PULONG p__PULONG__Version);

#ifdef __cplusplus
}
#endif

#endif /* SONQUILL_H */
