/*
 * ASPI for Linux: the request blocks, flags and status values of the ASPI
 * interface, and its two entry points.
 *
 * Blocks are byte-packed with 8-byte pointers:
 *   SRB_HAInquiry 60 bytes, SRB_GDEVBlock 12, SRB_ExecSCSICmd 92 (pointers at 16, 28, 36),
 *   SRB_GetSetTimeouts 14, SRB_GetSymbolicName 270.
 *
 * Completion: a request sent with SRB_EVENT_NOTIFY carries in SRB_PostProc a
 * pointer to a PlatformManualResetEvent, which the library sets when the request
 * completes. Without it the caller polls SRB_Status until it is no longer
 * SS_PENDING. SRB_POSTING (completion by callback) is not offered.
 */
#ifndef TARNWICK_WNASPI32_H
#define TARNWICK_WNASPI32_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;

/* Commands */
#define SC_HA_INQUIRY 0x00
#define SC_GET_DEV_TYPE 0x01
#define SC_EXEC_SCSI_CMD 0x02
#define SC_ABORT_SRB 0x03
#define SC_RESET_DEV 0x04
#define SC_RESCAN_SCSI_BUS 0x07
#define SC_GETSET_TIMEOUTS 0x08
#define SC_GET_SYMBOLIC_NAME 0x80

/* Flags */
#define SRB_POSTING 0x01
#define SRB_ENABLE_RESIDUAL_COUNT 0x04
#define SRB_DIR_IN 0x08
#define SRB_DIR_OUT 0x10
#define SRB_EVENT_NOTIFY 0x40

/* Request status */
#define SS_PENDING 0x00
#define SS_COMP 0x01
#define SS_ABORTED 0x02
#define SS_ABORT_FAIL 0x03
#define SS_ERR 0x04
#define SS_INVALID_CMD 0x80
#define SS_INVALID_HA 0x81
#define SS_NO_DEVICE 0x82
#define SS_INVALID_SRB 0xE0
#define SS_NO_ADAPTERS 0xE8

/* Host adapter status */
#define HASTAT_OK 0x00
#define HASTAT_TIMEOUT 0x09
#define HASTAT_SEL_TO 0x11
#define HASTAT_DO_DU 0x12
#define HASTAT_BUS_FREE 0x13
#define HASTAT_PHASE_ERR 0x14

/* Target status */
#define STATUS_GOOD 0x00
#define STATUS_CHKCOND 0x02
#define STATUS_BUSY 0x08

#define SENSE_LEN 14

#pragma pack(push, 1)

typedef struct {
    BYTE SRB_Cmd;
    BYTE SRB_Status;
    BYTE SRB_HaId;
    BYTE SRB_Flags;
    DWORD SRB_Hdr_Rsvd;
    BYTE HA_Count;
    BYTE HA_SCSI_ID;
    BYTE HA_ManagerId[16];
    BYTE HA_Identifier[16];
    BYTE HA_Unique[16];
    WORD HA_Rsvd1;
} SRB_HAInquiry, *PSRB_HAInquiry;

typedef struct {
    BYTE SRB_Cmd;
    BYTE SRB_Status;
    BYTE SRB_HaId;
    BYTE SRB_Flags;
    DWORD SRB_Hdr_Rsvd;
    BYTE SRB_Target;
    BYTE SRB_Lun;
    BYTE SRB_DeviceType;
    BYTE SRB_Rsvd1;
} SRB_GDEVBlock, *PSRB_GDEVBlock;

typedef struct {
    BYTE SRB_Cmd;
    BYTE SRB_Status;
    BYTE SRB_HaId;
    BYTE SRB_Flags;
    DWORD SRB_Hdr_Rsvd;
    BYTE SRB_Target;
    BYTE SRB_Lun;
    WORD SRB_Rsvd1;
    DWORD SRB_BufLen;
    BYTE* SRB_BufPointer;
    BYTE SRB_SenseLen;
    BYTE SRB_CDBLen;
    BYTE SRB_HaStat;
    BYTE SRB_TargStat;
    void* SRB_PostProc;
    void* SRB_Rsvd2;
    BYTE SRB_Rsvd3[16];
    BYTE CDBByte[16];
    BYTE SenseArea[SENSE_LEN + 2];
} SRB_ExecSCSICmd, *PSRB_ExecSCSICmd;

typedef struct {
    BYTE SRB_Cmd;
    BYTE SRB_Status;
    BYTE SRB_HaId;
    BYTE SRB_Flags;
    DWORD SRB_Hdr_Rsvd;
    BYTE SRB_Target;
    BYTE SRB_Lun;
    DWORD SRB_Timeout; /* half-seconds */
} SRB_GetSetTimeouts, *PSRB_GetSetTimeouts;

typedef struct {
    BYTE SRB_Cmd; /* SC_GET_SYMBOLIC_NAME */
    BYTE SRB_Status;
    BYTE SRB_HaId;
    BYTE SRB_Flags;
    DWORD SRB_Hdr_Rsvd;
    BYTE SRB_Target;
    BYTE SRB_Lun;
    char SRB_SymbolicName[260];
} SRB_GetSymbolicName, *PSRB_GetSymbolicName;

/* The common header every request block starts with. */
typedef struct {
    BYTE SRB_Cmd;
    BYTE SRB_Status;
    BYTE SRB_HaId;
    BYTE SRB_Flags;
    DWORD SRB_Hdr_Rsvd;
} SRB_Header, *PSRB_Header, *LPSRB;

#pragma pack(pop)

/* Bits 8-15: status (SS_COMP, or SS_NO_ADAPTERS); bits 0-7: number of host adapters. */
DWORD GetASPI32SupportInfo(void);

/* Carries out one request block; returns its status (also stored in SRB_Status). */
DWORD SendASPI32Command(void* p__PVOID__Srb);

#ifdef __cplusplus
}
#include <cstddef>
static_assert(sizeof(SRB_HAInquiry) == 60, "SRB_HAInquiry layout");
static_assert(sizeof(SRB_GDEVBlock) == 12, "SRB_GDEVBlock layout");
static_assert(offsetof(SRB_ExecSCSICmd, SRB_BufPointer) == 16, "SRB_ExecSCSICmd buffer pointer");
static_assert(offsetof(SRB_ExecSCSICmd, SRB_PostProc) == 28, "SRB_ExecSCSICmd post proc");
static_assert(offsetof(SRB_ExecSCSICmd, CDBByte) == 60, "SRB_ExecSCSICmd CDB");
static_assert(sizeof(SRB_ExecSCSICmd) == 92, "SRB_ExecSCSICmd layout");
static_assert(sizeof(SRB_GetSetTimeouts) == 14, "SRB_GetSetTimeouts layout");
static_assert(sizeof(SRB_GetSymbolicName) == 270, "SC_GET_SYMBOLIC_NAME block is 270 bytes");
#endif

#endif /* TARNWICK_WNASPI32_H */
