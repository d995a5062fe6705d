#pragma once
#include "CTarnwick_ScsiTransportASPI.h"

// The generic SCSI device: knows who it is (INQUIRY) and carries the builder of
// every command the toolkit sends. Each builder fills a zeroed CDB from its
// arguments, each masked to its field, and runs it through ExecuteCDB. Length
// arguments above the CDB field's width reach the field as their low bits while
// the transfer itself keeps the whole length.
class CTarnwick_ScsiDeviceGeneric : public CTarnwick_ScsiTransportASPI {
public:
    static constexpr ULONG STRING_SIZE = 4096;

    CTarnwick_ScsiDeviceGeneric(UCHAR p__UCHAR__PortID, UCHAR p__UCHAR__BusID, UCHAR p__UCHAR__TargetID,
                                UCHAR p__UCHAR__LUN);
    ~CTarnwick_ScsiDeviceGeneric() override = default;

    // INQUIRY bytes 8-15, 16-31 and 32-35 as they are (trailing blanks kept).
    const char* GetVendorID() const { return m__CHAR__VendorID; }
    const char* GetProductID() const { return m__CHAR__ProductID; }
    const char* GetRevisionLevel() const { return m__CHAR__RevisionLevel; }

    // Waits for the unit after a long operation: first (when asked) up to p__ULONG__Tries
    // READ DISC INFORMATION until one succeeds, then up to p__ULONG__Tries TEST UNIT READY,
    // sleeping p__ULONG__SleepMilliseconds after each failure. Never raises.
    void WaitForUnitReady(ULONG p__ULONG__Tries, ULONG p__ULONG__SleepMilliseconds,
                          BOOLEAN p__BOOLEAN__ReadDiscInformation);

    // The command builders, in the order of their opcodes.
    void TestUnitReady();
    void RezeroUnit();
    void FormatUnit(UCHAR p__UCHAR__DefectListFormat, UCHAR p__UCHAR__CmpList, UCHAR p__UCHAR__FmtData,
                    ULONG p__ULONG__Interleave, PVOID p__PVOID__Buffer, ULONG p__ULONG__Length);
    void Inquiry(PVOID p__PVOID__Buffer, ULONG p__ULONG__Length);
    void StartStopUnit(UCHAR p__UCHAR__Immed, UCHAR p__UCHAR__LoEj, UCHAR p__UCHAR__Start);
    void PreventAllowMediumRemoval(UCHAR p__UCHAR__Prevent);
    void ReadFormatCapacities(PVOID p__PVOID__Buffer, ULONG p__ULONG__Length);
    void ReadCapacity(PVOID p__PVOID__Buffer, ULONG p__ULONG__Length);
    void Read10(PVOID p__PVOID__Buffer, ULONG p__ULONG__Length, ULONG p__ULONG__LBA, ULONG p__ULONG__Blocks);
    void Write10(PVOID p__PVOID__Buffer, ULONG p__ULONG__Blocks, ULONG p__ULONG__LBA, ULONG p__ULONG__Length);
    void SynchronizeCache(UCHAR p__UCHAR__Immed, ULONG p__ULONG__LBA, ULONG p__ULONG__Blocks);
    void ReadTocPmaAtip(PVOID p__PVOID__Buffer, ULONG p__ULONG__Length, UCHAR p__UCHAR__MSF, UCHAR p__UCHAR__Format,
                        UCHAR p__UCHAR__Number);
    void GetConfiguration(UCHAR p__UCHAR__RT, ULONG p__ULONG__StartingFeature, PVOID p__PVOID__Buffer,
                          ULONG p__ULONG__Length);
    void ReadDiscInformation(PVOID p__PVOID__Buffer, ULONG p__ULONG__Length);
    void ReadTrackInformation(PVOID p__PVOID__Buffer, ULONG p__ULONG__Length, UCHAR p__UCHAR__AddressType,
                              ULONG p__ULONG__Number);
    void ReserveTrack(ULONG p__ULONG__Size);
    void SendOpcInformation(PVOID p__PVOID__Buffer, ULONG p__ULONG__Length, UCHAR p__UCHAR__DoOPC);
    void ModeSelect10(PVOID p__PVOID__Buffer, ULONG p__ULONG__Length);
    void ModeSense10(PVOID p__PVOID__Buffer, ULONG p__ULONG__Length, UCHAR p__UCHAR__PageCode,
                     UCHAR p__UCHAR__PageControl);
    void CloseTrackSession(UCHAR p__UCHAR__Immed, UCHAR p__UCHAR__CloseBit0, UCHAR p__UCHAR__CloseBit1,
                           UCHAR p__UCHAR__CloseBit2, ULONG p__ULONG__TrackNumber);
    void ReadBufferCapacity(PVOID p__PVOID__Buffer, ULONG p__ULONG__Length);
    void SendCueSheet(PVOID p__PVOID__Buffer, ULONG p__ULONG__Length);
    void Blank(UCHAR p__UCHAR__BlankingType, ULONG p__ULONG__Start, UCHAR p__UCHAR__Immed);
    void ReadDvdStructure(PVOID p__PVOID__Buffer, ULONG p__ULONG__Length, ULONG p__ULONG__Address,
                          UCHAR p__UCHAR__Layer, UCHAR p__UCHAR__Format, UCHAR p__UCHAR__AGID);
    void SetCdSpeed(ULONG p__ULONG__ReadSpeed, ULONG p__ULONG__WriteSpeed);
    void ReadCd(UCHAR p__UCHAR__ExpectedSectorType, ULONG p__ULONG__LBA, ULONG p__ULONG__Blocks,
                UCHAR p__UCHAR__ErrorField, UCHAR p__UCHAR__EDCECC, UCHAR p__UCHAR__UserData,
                UCHAR p__UCHAR__HeaderCodes, UCHAR p__UCHAR__Sync, UCHAR p__UCHAR__SubChannel, PVOID p__PVOID__Buffer,
                ULONG p__ULONG__Length);

protected:
    // Byte 1 bits 5-7: the LUN, for the commands that carry it.
    UCHAR LunBits() const { return static_cast<UCHAR>((m__UCHAR__LUN & 0x07) << 5); }

    CHAR m__CHAR__VendorID[STRING_SIZE];
    CHAR m__CHAR__ProductID[STRING_SIZE];
    CHAR m__CHAR__RevisionLevel[STRING_SIZE];
};
