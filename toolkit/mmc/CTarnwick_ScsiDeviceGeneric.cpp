#include "CTarnwick_ScsiDeviceGeneric.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_Exception.h"
#include "PlatformClock.h"

#include "DebugPrint.h"
#include "MmcCodes.h"
#include "MmcDumps.h"

namespace {




UCHAR Bit(UCHAR p__UCHAR__Flag, int p__int__Position) {
    return static_cast<UCHAR>((p__UCHAR__Flag & 0x01) << p__int__Position);
}

UCHAR Field(ULONG p__ULONG__Value, ULONG p__ULONG__Mask, int p__int__Position) {
    return static_cast<UCHAR>((p__ULONG__Value & p__ULONG__Mask) << p__int__Position);
}

}  // namespace

CTarnwick_ScsiDeviceGeneric::CTarnwick_ScsiDeviceGeneric(UCHAR p__UCHAR__PortID, UCHAR p__UCHAR__BusID,
                                                         UCHAR p__UCHAR__TargetID, UCHAR p__UCHAR__LUN)
    : CTarnwick_ScsiTransportASPI(p__UCHAR__PortID, p__UCHAR__BusID, p__UCHAR__TargetID, p__UCHAR__LUN) {
    std::memset(m__CHAR__VendorID, 0, sizeof(m__CHAR__VendorID));
    std::memset(m__CHAR__ProductID, 0, sizeof(m__CHAR__ProductID));
    std::memset(m__CHAR__RevisionLevel, 0, sizeof(m__CHAR__RevisionLevel));

    UCHAR l__UCHAR__Inquiry[96] = {};
    Inquiry(l__UCHAR__Inquiry, sizeof(l__UCHAR__Inquiry));
    CTarnwick_DumpDeviceInquiry(l__UCHAR__Inquiry);
    std::memcpy(m__CHAR__VendorID, l__UCHAR__Inquiry + 8, 8);
    std::memcpy(m__CHAR__ProductID, l__UCHAR__Inquiry + 16, 16);
    std::memcpy(m__CHAR__RevisionLevel, l__UCHAR__Inquiry + 32, 4);

    DebugPrint("\nCTarnwick_ScsiDeviceGeneric::CTarnwick_ScsiDeviceGeneric(): '%s' - '%s' - '%s' sits at "
               "%ld:%ld:%ld:%ld\n",
               m__CHAR__VendorID, m__CHAR__ProductID, m__CHAR__RevisionLevel, static_cast<long>(m__UCHAR__PortID),
               static_cast<long>(m__UCHAR__BusID), static_cast<long>(m__UCHAR__TargetID),
               static_cast<long>(m__UCHAR__LUN));
}

void CTarnwick_ScsiDeviceGeneric::WaitForUnitReady(ULONG p__ULONG__Tries, ULONG p__ULONG__SleepMilliseconds,
                                                   BOOLEAN p__BOOLEAN__ReadDiscInformation) {
    // Runs one probe; true when it succeeded. Every failure is dropped without a word.
    auto l__Probe = [](auto&& p__Command) {
        try {
            p__Command();
            return true;
        } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
            delete l__PCTarnwick_Exception__Exception;
            return false;
        }
    };
    if (p__BOOLEAN__ReadDiscInformation) {
        std::vector<UCHAR> l__Buffer(4096);
        for (ULONG l__ULONG__Try = 0; l__ULONG__Try < p__ULONG__Tries; ++l__ULONG__Try) {
            std::fill(l__Buffer.begin(), l__Buffer.end(), 0);
            if (l__Probe([&] { ReadDiscInformation(l__Buffer.data(), static_cast<ULONG>(l__Buffer.size())); })) break;
            Sleep(p__ULONG__SleepMilliseconds);
        }
    }
    for (ULONG l__ULONG__Try = 0; l__ULONG__Try < p__ULONG__Tries; ++l__ULONG__Try) {
        if (l__Probe([&] { TestUnitReady(); })) break;
        Sleep(p__ULONG__SleepMilliseconds);
    }
}

void CTarnwick_ScsiDeviceGeneric::TestUnitReady() {
    UCHAR l__UCHAR__CDB[6] = {MmcCodes::OPCODE_TEST_UNIT_READY, LunBits()};
    ExecuteCDB(l__UCHAR__CDB, sizeof(l__UCHAR__CDB), nullptr, 0, SCSI_DIRECTION_IN);
}

void CTarnwick_ScsiDeviceGeneric::RezeroUnit() {
    UCHAR l__UCHAR__CDB[6] = {MmcCodes::OPCODE_REZERO_UNIT, LunBits()};
    ExecuteCDB(l__UCHAR__CDB, sizeof(l__UCHAR__CDB), nullptr, 0, SCSI_DIRECTION_IN);
}

void CTarnwick_ScsiDeviceGeneric::FormatUnit(UCHAR p__UCHAR__DefectListFormat, UCHAR p__UCHAR__CmpList,
                                             UCHAR p__UCHAR__FmtData, ULONG p__ULONG__Interleave,
                                             PVOID p__PVOID__Buffer, ULONG p__ULONG__Length) {
    UCHAR l__UCHAR__CDB[6] = {MmcCodes::OPCODE_FORMAT_UNIT};
    l__UCHAR__CDB[1] = static_cast<UCHAR>(LunBits() | Bit(p__UCHAR__FmtData, 4) | Bit(p__UCHAR__CmpList, 3) |
                                          Field(p__UCHAR__DefectListFormat, 0x07, 0));
    CTarnwick_Bytes::PutBigEndian16(l__UCHAR__CDB + 3, p__ULONG__Interleave & 0xFFFF);
    ExecuteCDB(l__UCHAR__CDB, sizeof(l__UCHAR__CDB), p__PVOID__Buffer, p__ULONG__Length, SCSI_DIRECTION_OUT);
}

void CTarnwick_ScsiDeviceGeneric::Inquiry(PVOID p__PVOID__Buffer, ULONG p__ULONG__Length) {
    UCHAR l__UCHAR__CDB[6] = {MmcCodes::OPCODE_INQUIRY, LunBits()};
    l__UCHAR__CDB[4] = static_cast<UCHAR>(p__ULONG__Length & 0xFF);
    ExecuteCDB(l__UCHAR__CDB, sizeof(l__UCHAR__CDB), p__PVOID__Buffer, p__ULONG__Length, SCSI_DIRECTION_IN);
}

void CTarnwick_ScsiDeviceGeneric::StartStopUnit(UCHAR p__UCHAR__Immed, UCHAR p__UCHAR__LoEj, UCHAR p__UCHAR__Start) {
    UCHAR l__UCHAR__CDB[6] = {MmcCodes::OPCODE_START_STOP_UNIT};
    l__UCHAR__CDB[1] = static_cast<UCHAR>(LunBits() | Bit(p__UCHAR__Immed, 0));
    l__UCHAR__CDB[4] = static_cast<UCHAR>(Bit(p__UCHAR__LoEj, 1) | Bit(p__UCHAR__Start, 0));
    ExecuteCDB(l__UCHAR__CDB, sizeof(l__UCHAR__CDB), nullptr, 0, SCSI_DIRECTION_IN);
}

void CTarnwick_ScsiDeviceGeneric::PreventAllowMediumRemoval(UCHAR p__UCHAR__Prevent) {
    UCHAR l__UCHAR__CDB[6] = {MmcCodes::OPCODE_PREVENT_ALLOW_MEDIUM_REMOVAL, LunBits()};
    l__UCHAR__CDB[4] = Bit(p__UCHAR__Prevent, 0);
    ExecuteCDB(l__UCHAR__CDB, sizeof(l__UCHAR__CDB), nullptr, 0, SCSI_DIRECTION_IN);
}

void CTarnwick_ScsiDeviceGeneric::ReadFormatCapacities(PVOID p__PVOID__Buffer, ULONG p__ULONG__Length) {
    UCHAR l__UCHAR__CDB[10] = {MmcCodes::OPCODE_READ_FORMAT_CAPACITIES};
    CTarnwick_Bytes::PutBigEndian16(l__UCHAR__CDB + 7, p__ULONG__Length & 0xFFFF);
    ExecuteCDB(l__UCHAR__CDB, sizeof(l__UCHAR__CDB), p__PVOID__Buffer, p__ULONG__Length, SCSI_DIRECTION_IN);
}

void CTarnwick_ScsiDeviceGeneric::ReadCapacity(PVOID p__PVOID__Buffer, ULONG p__ULONG__Length) {
    UCHAR l__UCHAR__CDB[10] = {MmcCodes::OPCODE_READ_CAPACITY, LunBits()};
    ExecuteCDB(l__UCHAR__CDB, sizeof(l__UCHAR__CDB), p__PVOID__Buffer, p__ULONG__Length, SCSI_DIRECTION_IN);
}

void CTarnwick_ScsiDeviceGeneric::Read10(PVOID p__PVOID__Buffer, ULONG p__ULONG__Length, ULONG p__ULONG__LBA,
                                         ULONG p__ULONG__Blocks) {
    UCHAR l__UCHAR__CDB[10] = {MmcCodes::OPCODE_READ10, LunBits()};
    CTarnwick_Bytes::PutBigEndian32(l__UCHAR__CDB + 2, p__ULONG__LBA);
    CTarnwick_Bytes::PutBigEndian16(l__UCHAR__CDB + 7, p__ULONG__Blocks & 0xFFFF);
    ExecuteCDB(l__UCHAR__CDB, sizeof(l__UCHAR__CDB), p__PVOID__Buffer, p__ULONG__Length, SCSI_DIRECTION_IN);
}

void CTarnwick_ScsiDeviceGeneric::Write10(PVOID p__PVOID__Buffer, ULONG p__ULONG__Blocks, ULONG p__ULONG__LBA,
                                          ULONG p__ULONG__Length) {
    UCHAR l__UCHAR__CDB[10] = {MmcCodes::OPCODE_WRITE10};
    CTarnwick_Bytes::PutBigEndian32(l__UCHAR__CDB + 2, p__ULONG__LBA);
    CTarnwick_Bytes::PutBigEndian16(l__UCHAR__CDB + 7, p__ULONG__Blocks & 0xFFFF);
    ExecuteCDB(l__UCHAR__CDB, sizeof(l__UCHAR__CDB), p__PVOID__Buffer, p__ULONG__Length, SCSI_DIRECTION_OUT);
}

void CTarnwick_ScsiDeviceGeneric::SynchronizeCache(UCHAR p__UCHAR__Immed, ULONG p__ULONG__LBA,
                                                   ULONG p__ULONG__Blocks) {
    UCHAR l__UCHAR__CDB[10] = {MmcCodes::OPCODE_SYNCHRONIZE_CACHE};
    l__UCHAR__CDB[1] = Bit(p__UCHAR__Immed, 1);
    CTarnwick_Bytes::PutBigEndian32(l__UCHAR__CDB + 2, p__ULONG__LBA);
    CTarnwick_Bytes::PutBigEndian16(l__UCHAR__CDB + 7, p__ULONG__Blocks & 0xFFFF);
    ExecuteCDB(l__UCHAR__CDB, sizeof(l__UCHAR__CDB), nullptr, 0, SCSI_DIRECTION_IN);
}

void CTarnwick_ScsiDeviceGeneric::ReadTocPmaAtip(PVOID p__PVOID__Buffer, ULONG p__ULONG__Length, UCHAR p__UCHAR__MSF,
                                                 UCHAR p__UCHAR__Format, UCHAR p__UCHAR__Number) {
    UCHAR l__UCHAR__CDB[10] = {MmcCodes::OPCODE_READ_TOC_PMA_ATIP};
    l__UCHAR__CDB[1] = static_cast<UCHAR>(LunBits() | Bit(p__UCHAR__MSF, 1));
    l__UCHAR__CDB[2] = Field(p__UCHAR__Format, 0x0F, 0);
    l__UCHAR__CDB[6] = p__UCHAR__Number;
    CTarnwick_Bytes::PutBigEndian16(l__UCHAR__CDB + 7, p__ULONG__Length & 0xFFFF);
    ExecuteCDB(l__UCHAR__CDB, sizeof(l__UCHAR__CDB), p__PVOID__Buffer, p__ULONG__Length, SCSI_DIRECTION_IN);
}

void CTarnwick_ScsiDeviceGeneric::GetConfiguration(UCHAR p__UCHAR__RT, ULONG p__ULONG__StartingFeature,
                                                   PVOID p__PVOID__Buffer, ULONG p__ULONG__Length) {
    UCHAR l__UCHAR__CDB[10] = {MmcCodes::OPCODE_GET_CONFIGURATION};
    l__UCHAR__CDB[1] = static_cast<UCHAR>(LunBits() | Field(p__UCHAR__RT, 0x03, 0));
    CTarnwick_Bytes::PutBigEndian16(l__UCHAR__CDB + 2, p__ULONG__StartingFeature & 0xFFFF);
    CTarnwick_Bytes::PutBigEndian16(l__UCHAR__CDB + 7, p__ULONG__Length & 0xFFFF);
    // The 16-bit allocation length is the transfer length as well.
    ExecuteCDB(l__UCHAR__CDB, sizeof(l__UCHAR__CDB), p__PVOID__Buffer, p__ULONG__Length & 0xFFFF, SCSI_DIRECTION_IN);
}

void CTarnwick_ScsiDeviceGeneric::ReadDiscInformation(PVOID p__PVOID__Buffer, ULONG p__ULONG__Length) {
    UCHAR l__UCHAR__CDB[10] = {MmcCodes::OPCODE_READ_DISC_INFORMATION, LunBits()};
    CTarnwick_Bytes::PutBigEndian16(l__UCHAR__CDB + 7, p__ULONG__Length & 0xFFFF);
    ExecuteCDB(l__UCHAR__CDB, sizeof(l__UCHAR__CDB), p__PVOID__Buffer, p__ULONG__Length, SCSI_DIRECTION_IN);
}

void CTarnwick_ScsiDeviceGeneric::ReadTrackInformation(PVOID p__PVOID__Buffer, ULONG p__ULONG__Length,
                                                       UCHAR p__UCHAR__AddressType, ULONG p__ULONG__Number) {
    UCHAR l__UCHAR__CDB[10] = {MmcCodes::OPCODE_READ_TRACK_INFORMATION};
    l__UCHAR__CDB[1] = static_cast<UCHAR>(LunBits() | Bit(p__UCHAR__AddressType, 0));
    CTarnwick_Bytes::PutBigEndian32(l__UCHAR__CDB + 2, p__ULONG__Number);
    CTarnwick_Bytes::PutBigEndian16(l__UCHAR__CDB + 7, p__ULONG__Length & 0xFFFF);
    ExecuteCDB(l__UCHAR__CDB, sizeof(l__UCHAR__CDB), p__PVOID__Buffer, p__ULONG__Length, SCSI_DIRECTION_IN);
}

void CTarnwick_ScsiDeviceGeneric::ReserveTrack(ULONG p__ULONG__Size) {
    UCHAR l__UCHAR__CDB[10] = {MmcCodes::OPCODE_RESERVE_TRACK};
    CTarnwick_Bytes::PutBigEndian32(l__UCHAR__CDB + 5, p__ULONG__Size);
    ExecuteCDB(l__UCHAR__CDB, sizeof(l__UCHAR__CDB), nullptr, 0, SCSI_DIRECTION_IN);
}

void CTarnwick_ScsiDeviceGeneric::SendOpcInformation(PVOID p__PVOID__Buffer, ULONG p__ULONG__Length,
                                                     UCHAR p__UCHAR__DoOPC) {
    UCHAR l__UCHAR__CDB[10] = {MmcCodes::OPCODE_SEND_OPC_INFORMATION};
    l__UCHAR__CDB[1] = Bit(p__UCHAR__DoOPC, 0);
    CTarnwick_Bytes::PutBigEndian16(l__UCHAR__CDB + 7, p__ULONG__Length & 0xFFFF);
    ExecuteCDB(l__UCHAR__CDB, sizeof(l__UCHAR__CDB), p__PVOID__Buffer, p__ULONG__Length, SCSI_DIRECTION_OUT);
}

void CTarnwick_ScsiDeviceGeneric::ModeSelect10(PVOID p__PVOID__Buffer, ULONG p__ULONG__Length) {
    UCHAR l__UCHAR__CDB[10] = {MmcCodes::OPCODE_MODE_SELECT10};
    l__UCHAR__CDB[1] = static_cast<UCHAR>(LunBits() | 0x10);
    CTarnwick_Bytes::PutBigEndian16(l__UCHAR__CDB + 7, p__ULONG__Length & 0xFFFF);
    ExecuteCDB(l__UCHAR__CDB, sizeof(l__UCHAR__CDB), p__PVOID__Buffer, p__ULONG__Length, SCSI_DIRECTION_OUT);
}

void CTarnwick_ScsiDeviceGeneric::ModeSense10(PVOID p__PVOID__Buffer, ULONG p__ULONG__Length,
                                              UCHAR p__UCHAR__PageCode, UCHAR p__UCHAR__PageControl) {
    UCHAR l__UCHAR__CDB[10] = {MmcCodes::OPCODE_MODE_SENSE10};
    l__UCHAR__CDB[1] = static_cast<UCHAR>(LunBits() | 0x08);
    l__UCHAR__CDB[2] = static_cast<UCHAR>(Field(p__UCHAR__PageControl, 0x03, 6) | Field(p__UCHAR__PageCode, 0x3F, 0));
    CTarnwick_Bytes::PutBigEndian16(l__UCHAR__CDB + 7, p__ULONG__Length & 0xFFFF);
    ExecuteCDB(l__UCHAR__CDB, sizeof(l__UCHAR__CDB), p__PVOID__Buffer, p__ULONG__Length, SCSI_DIRECTION_IN);
}

void CTarnwick_ScsiDeviceGeneric::CloseTrackSession(UCHAR p__UCHAR__Immed, UCHAR p__UCHAR__CloseBit0,
                                                    UCHAR p__UCHAR__CloseBit1, UCHAR p__UCHAR__CloseBit2,
                                                    ULONG p__ULONG__TrackNumber) {
    UCHAR l__UCHAR__CDB[10] = {MmcCodes::OPCODE_CLOSE_TRACK_SESSION};
    l__UCHAR__CDB[1] = Bit(p__UCHAR__Immed, 0);
    l__UCHAR__CDB[2] =
        static_cast<UCHAR>(Bit(p__UCHAR__CloseBit0, 0) | Bit(p__UCHAR__CloseBit1, 1) | Bit(p__UCHAR__CloseBit2, 2));
    l__UCHAR__CDB[5] = static_cast<UCHAR>(p__ULONG__TrackNumber & 0xFF);
    ExecuteCDB(l__UCHAR__CDB, sizeof(l__UCHAR__CDB), nullptr, 0, SCSI_DIRECTION_IN);
}

void CTarnwick_ScsiDeviceGeneric::ReadBufferCapacity(PVOID p__PVOID__Buffer, ULONG p__ULONG__Length) {
    UCHAR l__UCHAR__CDB[10] = {MmcCodes::OPCODE_READ_BUFFER_CAPACITY};
    CTarnwick_Bytes::PutBigEndian16(l__UCHAR__CDB + 7, p__ULONG__Length & 0xFFFF);
    ExecuteCDB(l__UCHAR__CDB, sizeof(l__UCHAR__CDB), p__PVOID__Buffer, p__ULONG__Length, SCSI_DIRECTION_IN);
}

void CTarnwick_ScsiDeviceGeneric::SendCueSheet(PVOID p__PVOID__Buffer, ULONG p__ULONG__Length) {
    UCHAR l__UCHAR__CDB[10] = {MmcCodes::OPCODE_SEND_CUE_SHEET};
    CTarnwick_Bytes::PutBigEndian24(l__UCHAR__CDB + 6, p__ULONG__Length & 0xFFFFFF);
    ExecuteCDB(l__UCHAR__CDB, sizeof(l__UCHAR__CDB), p__PVOID__Buffer, p__ULONG__Length, SCSI_DIRECTION_OUT);
}

void CTarnwick_ScsiDeviceGeneric::Blank(UCHAR p__UCHAR__BlankingType, ULONG p__ULONG__Start, UCHAR p__UCHAR__Immed) {
    UCHAR l__UCHAR__CDB[12] = {MmcCodes::OPCODE_BLANK};
    l__UCHAR__CDB[1] = static_cast<UCHAR>(Bit(p__UCHAR__Immed, 4) | Field(p__UCHAR__BlankingType, 0x07, 0));
    CTarnwick_Bytes::PutBigEndian32(l__UCHAR__CDB + 2, p__ULONG__Start);
    ExecuteCDB(l__UCHAR__CDB, sizeof(l__UCHAR__CDB), nullptr, 0, SCSI_DIRECTION_IN);
}

void CTarnwick_ScsiDeviceGeneric::ReadDvdStructure(PVOID p__PVOID__Buffer, ULONG p__ULONG__Length,
                                                   ULONG p__ULONG__Address, UCHAR p__UCHAR__Layer,
                                                   UCHAR p__UCHAR__Format, UCHAR p__UCHAR__AGID) {
    UCHAR l__UCHAR__CDB[12] = {MmcCodes::OPCODE_READ_DVD_STRUCTURE, LunBits()};
    CTarnwick_Bytes::PutBigEndian32(l__UCHAR__CDB + 2, p__ULONG__Address);
    l__UCHAR__CDB[6] = p__UCHAR__Layer;
    l__UCHAR__CDB[7] = p__UCHAR__Format;
    CTarnwick_Bytes::PutBigEndian16(l__UCHAR__CDB + 8, p__ULONG__Length & 0xFFFF);
    l__UCHAR__CDB[10] = Field(p__UCHAR__AGID, 0x03, 6);
    ExecuteCDB(l__UCHAR__CDB, sizeof(l__UCHAR__CDB), p__PVOID__Buffer, p__ULONG__Length, SCSI_DIRECTION_IN);
}

void CTarnwick_ScsiDeviceGeneric::SetCdSpeed(ULONG p__ULONG__ReadSpeed, ULONG p__ULONG__WriteSpeed) {
    UCHAR l__UCHAR__CDB[12] = {MmcCodes::OPCODE_SET_CD_SPEED};
    CTarnwick_Bytes::PutBigEndian16(l__UCHAR__CDB + 2, p__ULONG__ReadSpeed & 0xFFFF);
    CTarnwick_Bytes::PutBigEndian16(l__UCHAR__CDB + 4, p__ULONG__WriteSpeed & 0xFFFF);
    ExecuteCDB(l__UCHAR__CDB, sizeof(l__UCHAR__CDB), nullptr, 0, SCSI_DIRECTION_IN);
}

void CTarnwick_ScsiDeviceGeneric::ReadCd(UCHAR p__UCHAR__ExpectedSectorType, ULONG p__ULONG__LBA,
                                         ULONG p__ULONG__Blocks, UCHAR p__UCHAR__ErrorField, UCHAR p__UCHAR__EDCECC,
                                         UCHAR p__UCHAR__UserData, UCHAR p__UCHAR__HeaderCodes, UCHAR p__UCHAR__Sync,
                                         UCHAR p__UCHAR__SubChannel, PVOID p__PVOID__Buffer, ULONG p__ULONG__Length) {
    UCHAR l__UCHAR__CDB[12] = {MmcCodes::OPCODE_READ_CD};
    l__UCHAR__CDB[1] = Field(p__UCHAR__ExpectedSectorType, 0x07, 2);
    CTarnwick_Bytes::PutBigEndian32(l__UCHAR__CDB + 2, p__ULONG__LBA);
    CTarnwick_Bytes::PutBigEndian24(l__UCHAR__CDB + 6, p__ULONG__Blocks & 0xFFFFFF);
    l__UCHAR__CDB[9] = static_cast<UCHAR>(Bit(p__UCHAR__Sync, 7) | Field(p__UCHAR__HeaderCodes, 0x03, 5) |
                                          Bit(p__UCHAR__UserData, 4) | Bit(p__UCHAR__EDCECC, 3) |
                                          Field(p__UCHAR__ErrorField, 0x03, 1));
    l__UCHAR__CDB[10] = Field(p__UCHAR__SubChannel, 0x07, 0);
    ExecuteCDB(l__UCHAR__CDB, sizeof(l__UCHAR__CDB), p__PVOID__Buffer, p__ULONG__Length, SCSI_DIRECTION_IN);
}
