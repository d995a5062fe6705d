/*
 * Tarnwick: the flat functions of the burning and mastering toolkit.
 * Every function catches every failure of the toolkit and returns its
 * EXCEPTION_NUMBER (0 on success); none lets an exception out.
 */
#ifndef TARNWICK_H
#define TARNWICK_H

#include "tarnwick_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define TARNWICK_VERSION 0x20040814u

/* Start-up and discovery */
ULONG Tarnwick_UpStart(void);
ULONG Tarnwick_DownShut(void);
ULONG Tarnwick_GetVersion(void);
/* Reports every unit of the given peripheral type (0xFF: any) with DEVICE_FOUND; returns the count. */
ULONG Tarnwick_FindDevice(UCHAR p__UCHAR__DeviceType, BOOLEAN p__BOOLEAN__StopAtFirst, PROGRESS_CALLBACK p__Callback,
                          PVOID p__PVOID__Context);
/* Copies the unit's symbolic name (at most 260 bytes with terminator); 0, or 17 when the query fails. */
ULONG Tarnwick_GetDeviceNameByDeviceAddress(UCHAR p__UCHAR__PortID, UCHAR p__UCHAR__BusID, UCHAR p__UCHAR__TargetID,
                                            UCHAR p__UCHAR__LUN, PCHAR p__PCHAR__DeviceName);

#ifdef __cplusplus
}
#endif

#endif /* TARNWICK_H */
