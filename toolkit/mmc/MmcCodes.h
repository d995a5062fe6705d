#pragma once
// The operation codes of the MMC and SPC commands and the mode page codes that travel
// between the toolkit's drive objects and a recorder, named once for both sides: the
// drive objects send them, the virtual recorder dispatches on them.
#include "tarnwick_types.h"

namespace MmcCodes {

// Operation codes (CDB byte 0).
inline constexpr UCHAR OPCODE_TEST_UNIT_READY = 0x00;
inline constexpr UCHAR OPCODE_REZERO_UNIT = 0x01;
inline constexpr UCHAR OPCODE_REQUEST_SENSE = 0x03;
inline constexpr UCHAR OPCODE_FORMAT_UNIT = 0x04;
inline constexpr UCHAR OPCODE_INQUIRY = 0x12;
inline constexpr UCHAR OPCODE_START_STOP_UNIT = 0x1B;
inline constexpr UCHAR OPCODE_PREVENT_ALLOW_MEDIUM_REMOVAL = 0x1E;
inline constexpr UCHAR OPCODE_READ_FORMAT_CAPACITIES = 0x23;
inline constexpr UCHAR OPCODE_READ_CAPACITY = 0x25;
inline constexpr UCHAR OPCODE_READ10 = 0x28;
inline constexpr UCHAR OPCODE_WRITE10 = 0x2A;
inline constexpr UCHAR OPCODE_SEEK10 = 0x2B;
inline constexpr UCHAR OPCODE_SYNCHRONIZE_CACHE = 0x35;
inline constexpr UCHAR OPCODE_READ_TOC_PMA_ATIP = 0x43;
inline constexpr UCHAR OPCODE_GET_CONFIGURATION = 0x46;
inline constexpr UCHAR OPCODE_GET_EVENT_STATUS_NOTIFICATION = 0x4A;
inline constexpr UCHAR OPCODE_READ_DISC_INFORMATION = 0x51;
inline constexpr UCHAR OPCODE_READ_TRACK_INFORMATION = 0x52;
inline constexpr UCHAR OPCODE_RESERVE_TRACK = 0x53;
inline constexpr UCHAR OPCODE_SEND_OPC_INFORMATION = 0x54;
inline constexpr UCHAR OPCODE_MODE_SELECT10 = 0x55;
inline constexpr UCHAR OPCODE_MODE_SENSE10 = 0x5A;
inline constexpr UCHAR OPCODE_CLOSE_TRACK_SESSION = 0x5B;
inline constexpr UCHAR OPCODE_READ_BUFFER_CAPACITY = 0x5C;
inline constexpr UCHAR OPCODE_SEND_CUE_SHEET = 0x5D;
inline constexpr UCHAR OPCODE_BLANK = 0xA1;
inline constexpr UCHAR OPCODE_READ12 = 0xA8;
inline constexpr UCHAR OPCODE_READ_DVD_STRUCTURE = 0xAD;
inline constexpr UCHAR OPCODE_SET_CD_SPEED = 0xBB;
inline constexpr UCHAR OPCODE_MECHANISM_STATUS = 0xBD;
inline constexpr UCHAR OPCODE_READ_CD = 0xBE;

// Mode page codes (page byte 0, bits 0-5).
inline constexpr UCHAR PAGE_ERROR_RECOVERY = 0x01;
inline constexpr UCHAR PAGE_WRITE_PARAMETERS = 0x05;
inline constexpr UCHAR PAGE_CAPABILITIES = 0x2A;
inline constexpr UCHAR PAGE_VENDOR_30 = 0x30;  // a vendor page some recorders carry
inline constexpr UCHAR PAGE_ALL = 0x3F;        // MODE SENSE: every page
inline constexpr UCHAR PAGE_CODE_MASK = 0x3F;

}  // namespace MmcCodes
