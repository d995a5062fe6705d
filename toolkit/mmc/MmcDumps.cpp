#include "MmcDumps.h"

#include <cstring>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_CdAddress.h"
#include "DebugPrint.h"
#include "MmcCodes.h"

namespace {

const char* YesNo(bool p__bool__Value) { return p__bool__Value ? "Yes" : "No"; }

// Bit p__ULONG__Bit of a byte as a yes/no word.
const char* BitWord(UCHAR p__UCHAR__Byte, ULONG p__ULONG__Bit) {
    return YesNo(((p__UCHAR__Byte >> p__ULONG__Bit) & 1) != 0);
}

// One fixed-width field of a record (not NUL-terminated there) as a C string.
template <size_t N>
struct FieldText {
    explicit FieldText(const UCHAR* p__PUCHAR__Field) {
        std::memcpy(m__CHAR__Text, p__PUCHAR__Field, N);
        m__CHAR__Text[N] = '\0';
    }
    char m__CHAR__Text[N + 1];
};

// One cue sheet entry. Entry 0 and the first entry of each pair start with a blank line.
void DumpCueSheetEntry(const UCHAR* p__PUCHAR__Entry, bool p__bool__IsSecondOfPair) {
    if (p__bool__IsSecondOfPair) {
        DebugPrint("0x%02X      0x%02X  0x%02X    0x%02X        0x%02X   0x%02X   0x%02X   0x%02X\n",
                   p__PUCHAR__Entry[0], p__PUCHAR__Entry[1], p__PUCHAR__Entry[2], p__PUCHAR__Entry[3],
                   p__PUCHAR__Entry[4], p__PUCHAR__Entry[5], p__PUCHAR__Entry[6], p__PUCHAR__Entry[7]);
    } else {
        DebugPrint("\n0x%02X      0x%02X  0x%02X    0x%02X        0x%02X   0x%02X   0x%02X   0x%02X\n",
                   p__PUCHAR__Entry[0], p__PUCHAR__Entry[1], p__PUCHAR__Entry[2], p__PUCHAR__Entry[3],
                   p__PUCHAR__Entry[4], p__PUCHAR__Entry[5], p__PUCHAR__Entry[6], p__PUCHAR__Entry[7]);
    }
}

}  // namespace

void CTarnwick_DumpSenseData(const UCHAR* p__PUCHAR__Sense) {
    DebugPrint("\nSCSI sense data dump:\nError Code: 0x%02X, Is Sense Valid: %s, Segment Number: 0x%02X (%u)\n",
               p__PUCHAR__Sense[0] & 0x7F, BitWord(p__PUCHAR__Sense[0], 7), p__PUCHAR__Sense[1],
               static_cast<unsigned>(p__PUCHAR__Sense[1]));
    DebugPrint("Sense Key: 0x%02X, Reserved: 0x%02X, Incorrect Length: %s\n", p__PUCHAR__Sense[2] & 0x0F,
               (p__PUCHAR__Sense[2] >> 4) & 1, BitWord(p__PUCHAR__Sense[2], 5));
    DebugPrint("End Of Media: %s, File Mark: %s, Information: 0x%02X 0x%02X 0x%02X 0x%02X\n",
               BitWord(p__PUCHAR__Sense[2], 6), BitWord(p__PUCHAR__Sense[2], 7), p__PUCHAR__Sense[3],
               p__PUCHAR__Sense[4], p__PUCHAR__Sense[5], p__PUCHAR__Sense[6]);
    DebugPrint("Additional Sense Length: 0x%02X (%u)\n", p__PUCHAR__Sense[7],
               static_cast<unsigned>(p__PUCHAR__Sense[7]));
    DebugPrint("Command Specific Information: 0x%02X 0x%02X 0x%02X 0x%02X\n", p__PUCHAR__Sense[8], p__PUCHAR__Sense[9],
               p__PUCHAR__Sense[10], p__PUCHAR__Sense[11]);
    DebugPrint("Additional Sense Code (ASC): 0x%02X, Additional Sense Code Qualifier (ASCQ): 0x%02X\n\n",
               p__PUCHAR__Sense[12], p__PUCHAR__Sense[13]);
}

void CTarnwick_DumpRequestBlock(const SRB_ExecSCSICmd* p__PSRB_ExecSCSICmd__Srb) {
    const BYTE* l__PUCHAR__CDB = p__PSRB_ExecSCSICmd__Srb->CDBByte;
    DebugPrint("\nSCSI request block dump:\nSRB_Status: 0x%02X, SRB_HaStat: 0x%02X, SRB_TargStat: 0x%02X\n",
               p__PSRB_ExecSCSICmd__Srb->SRB_Status, p__PSRB_ExecSCSICmd__Srb->SRB_HaStat,
               p__PSRB_ExecSCSICmd__Srb->SRB_TargStat);
    DebugPrint(
        "CDB Length: %ld, CDB dump: 0x%02X 0x%02X 0x%02X 0x%02X 0x%02X 0x%02X 0x%02X 0x%02X 0x%02X 0x%02X 0x%02X "
        "0x%02X 0x%02X 0x%02X 0x%02X 0x%02X\n\n",
        static_cast<long>(p__PSRB_ExecSCSICmd__Srb->SRB_CDBLen), l__PUCHAR__CDB[0], l__PUCHAR__CDB[1],
        l__PUCHAR__CDB[2], l__PUCHAR__CDB[3], l__PUCHAR__CDB[4], l__PUCHAR__CDB[5], l__PUCHAR__CDB[6],
        l__PUCHAR__CDB[7], l__PUCHAR__CDB[8], l__PUCHAR__CDB[9], l__PUCHAR__CDB[10], l__PUCHAR__CDB[11],
        l__PUCHAR__CDB[12], l__PUCHAR__CDB[13], l__PUCHAR__CDB[14], l__PUCHAR__CDB[15]);
}

void CTarnwick_DumpPortInquiry(const SRB_HAInquiry* p__PSRB_HAInquiry__Srb) {
    FieldText<16> l__FieldText__Manager(p__PSRB_HAInquiry__Srb->HA_ManagerId);
    FieldText<16> l__FieldText__Identifier(p__PSRB_HAInquiry__Srb->HA_Identifier);
    // HA_Unique bytes 4-7: the largest transfer the adapter takes, little-endian.
    ULONG l__ULONG__MaximumTransfer = CTarnwick_Bytes::GetLittleEndian32(p__PSRB_HAInquiry__Srb->HA_Unique + 4);
    DebugPrint("\nSCSI port inquiry dump:\n");
    DebugPrint("SCSI ID: %ld, Manager '%s', Identifier '%s'\n", static_cast<long>(p__PSRB_HAInquiry__Srb->HA_SCSI_ID),
               l__FieldText__Manager.m__CHAR__Text, l__FieldText__Identifier.m__CHAR__Text);
    DebugPrint("Residual Count Supported: %s, Number of SCSI Target(s) Supported: %d\n",
               YesNo(p__PSRB_HAInquiry__Srb->HA_Unique[2] != 0), p__PSRB_HAInquiry__Srb->HA_Unique[3]);
    DebugPrint("Single Transfer Size: %ld UCHARs\n\n", static_cast<long>(l__ULONG__MaximumTransfer));
}

void CTarnwick_DumpDeviceInquiry(const UCHAR* p__PUCHAR__Inquiry) {
    FieldText<8> l__FieldText__Vendor(p__PUCHAR__Inquiry + 8);
    FieldText<16> l__FieldText__Product(p__PUCHAR__Inquiry + 16);
    FieldText<4> l__FieldText__Revision(p__PUCHAR__Inquiry + 32);
    DebugPrint("\nSCSI device inquiry data dump:\nDevice Type: 0x%02X, Removable: %s\n", p__PUCHAR__Inquiry[0] & 0x1F,
               BitWord(p__PUCHAR__Inquiry[1], 7));
    DebugPrint("SCSI Version: %ld, Soft Reset Supported: %s\n", static_cast<long>(p__PUCHAR__Inquiry[2]),
               BitWord(p__PUCHAR__Inquiry[7], 0));
    DebugPrint("Command Queue Supported: %s, Linked Commands Supported: %s\n", BitWord(p__PUCHAR__Inquiry[7], 1),
               BitWord(p__PUCHAR__Inquiry[7], 3));
    DebugPrint("Sync Transfer Supported: %s, 16-bit bus: %s\n", BitWord(p__PUCHAR__Inquiry[7], 4),
               BitWord(p__PUCHAR__Inquiry[7], 5));
    DebugPrint("32-bit bus: %s, Relative Addressing Supported: %s\n", BitWord(p__PUCHAR__Inquiry[7], 6),
               BitWord(p__PUCHAR__Inquiry[7], 7));
    DebugPrint("Vendor ID: '%s', Product ID: '%s', Revision Level: '%s'\n\n", l__FieldText__Vendor.m__CHAR__Text,
               l__FieldText__Product.m__CHAR__Text, l__FieldText__Revision.m__CHAR__Text);
}

void CTarnwick_DumpAndParseTrackInformation(const UCHAR* p__PUCHAR__Block, PBOOLEAN p__PBOOLEAN__IsBlank,
                                            PBOOLEAN p__PBOOLEAN__IsNWAValid, PULONG p__PULONG__FreeBlocks,
                                            PULONG p__PULONG__NWA, PUCHAR p__PUCHAR__TrackNumber) {
    ULONG l__ULONG__Length = CTarnwick_Bytes::GetBigEndian16(p__PUCHAR__Block);
    if (l__ULONG__Length < 24) {
        // Drives that answer with a shorter block still fill the fields read here; go on.
        DebugPrint("\nCTarnwick_DumpAndParseTrackInformation(): WARNING! Length %ld less then %ld!\n",
                   static_cast<long>(l__ULONG__Length), 24L);
    }
    ULONG l__ULONG__StartAddress = CTarnwick_Bytes::GetBigEndian32(p__PUCHAR__Block + 8);
    ULONG l__ULONG__NWA = CTarnwick_Bytes::GetBigEndian32(p__PUCHAR__Block + 12);
    ULONG l__ULONG__FreeBlocks = CTarnwick_Bytes::GetBigEndian32(p__PUCHAR__Block + 16);
    ULONG l__ULONG__PacketSize = CTarnwick_Bytes::GetBigEndian32(p__PUCHAR__Block + 20);

    DebugPrint("\nTrack Information dump:\nTrack Number: %d, Session Number: %d\n", p__PUCHAR__Block[2],
               p__PUCHAR__Block[3]);
    DebugPrint("Track Mode: 0x%02X, Copy: %s, Damage: %s\n", p__PUCHAR__Block[5] & 0x0F,
               BitWord(p__PUCHAR__Block[5], 4), BitWord(p__PUCHAR__Block[5], 5));
    DebugPrint("Data Mode: 0x%02X, FP (Fixed Packet): %s, Packet: %s, Blank: %s\n", p__PUCHAR__Block[6] & 0x0F,
               BitWord(p__PUCHAR__Block[6], 4), BitWord(p__PUCHAR__Block[6], 5), BitWord(p__PUCHAR__Block[6], 6));
    DebugPrint("RT (Reserved Track): %s, NWA_V (Next Writable Address Valid): %s\n", BitWord(p__PUCHAR__Block[6], 7),
               BitWord(p__PUCHAR__Block[7], 0));
    // Addresses are signed LBAs (a lead-in address is negative); counts are unsigned.
    DebugPrint("Track Start Address (LBA): %ld, Next Writable Address (LBA): %ld\n",
               static_cast<long>(static_cast<LONG>(l__ULONG__StartAddress)),
               static_cast<long>(static_cast<LONG>(l__ULONG__NWA)));
    DebugPrint("Free Block(s): %ld, Fixed Packet Size: %ld UCHARs\n\n", static_cast<long>(l__ULONG__FreeBlocks),
               static_cast<long>(l__ULONG__PacketSize));

    if (p__PBOOLEAN__IsBlank != nullptr) *p__PBOOLEAN__IsBlank = (p__PUCHAR__Block[6] >> 6) & 1;
    if (p__PBOOLEAN__IsNWAValid != nullptr) *p__PBOOLEAN__IsNWAValid = p__PUCHAR__Block[7] & 1;
    if (p__PULONG__FreeBlocks != nullptr) *p__PULONG__FreeBlocks = l__ULONG__FreeBlocks;
    if (p__PULONG__NWA != nullptr) *p__PULONG__NWA = l__ULONG__NWA;
    if (p__PUCHAR__TrackNumber != nullptr) *p__PUCHAR__TrackNumber = p__PUCHAR__Block[2];
}

void CTarnwick_DumpCdvdCapabilitiesPage(const UCHAR* p__PUCHAR__Page) {
    if ((p__PUCHAR__Page[0] & MmcCodes::PAGE_CODE_MASK) != MmcCodes::PAGE_CAPABILITIES) {
        DebugPrint("CTarnwick_DumpCdvdCapabiltiesPage(): EXITing with failure, Page code 0x%02X instead of 0x%02X!\n",
                   p__PUCHAR__Page[0] & MmcCodes::PAGE_CODE_MASK, MmcCodes::PAGE_CAPABILITIES);
        return;
    }
    if (p__PUCHAR__Page[1] < 24) {
        DebugPrint("\nCTarnwick_DumpCdvdCapabilitiesPage(): WARNING! Size %ld less then %ld!\n",
                   static_cast<long>(p__PUCHAR__Page[1]), 24L);
    }
    DebugPrint("\nCDVD capabilities page dump:\nPage Code: 0x%02X, Reserved1: 0x%02X, PSBit (Page Savable): %ld\n",
               p__PUCHAR__Page[0] & 0x3F, (p__PUCHAR__Page[0] >> 6) & 1,
               static_cast<long>((p__PUCHAR__Page[0] >> 7) & 1));
    DebugPrint("Page Size in UCHARs: %ld UCHARs, CD-R Read: %s, CD-E Read: %s\n", static_cast<long>(p__PUCHAR__Page[1]),
               BitWord(p__PUCHAR__Page[2], 0), BitWord(p__PUCHAR__Page[2], 1));
    DebugPrint("DVD-ROM Read: %s, DVD-R Read: %s, DVD-RAM Read: %s, Reserved2: 0x%02X\n",
               BitWord(p__PUCHAR__Page[2], 3), BitWord(p__PUCHAR__Page[2], 4), BitWord(p__PUCHAR__Page[2], 5),
               (p__PUCHAR__Page[2] >> 6) & 3);
    DebugPrint("CD-R Write: %s, CD-E Write: %s, Test Write: %s\n", BitWord(p__PUCHAR__Page[3], 0),
               BitWord(p__PUCHAR__Page[3], 1), BitWord(p__PUCHAR__Page[3], 2));
    DebugPrint("Reserved3: 0x%02X, DVD-R Write: %s, DVD-RAM Write: %s\n", (p__PUCHAR__Page[3] >> 3) & 1,
               BitWord(p__PUCHAR__Page[3], 4), BitWord(p__PUCHAR__Page[3], 5));
    DebugPrint("Reserved4: 0x%02X, Audio Play: %s, Composite: %s\n", (p__PUCHAR__Page[3] >> 6) & 3,
               BitWord(p__PUCHAR__Page[4], 0), BitWord(p__PUCHAR__Page[4], 1));
    DebugPrint("Digital Port One: %s, Digital Port Two: %s\n", BitWord(p__PUCHAR__Page[4], 2),
               BitWord(p__PUCHAR__Page[4], 3));
    DebugPrint("MODE2 Form1: %s, MODE2 Form2: %s\n", BitWord(p__PUCHAR__Page[4], 4), BitWord(p__PUCHAR__Page[4], 5));
    DebugPrint("Is Multi Session: %s, CDDA: %s, CDDAAccurate: %s\n", BitWord(p__PUCHAR__Page[4], 6),
               BitWord(p__PUCHAR__Page[5], 0), BitWord(p__PUCHAR__Page[5], 1));
    DebugPrint("BUP (Buffer Underrun Protection) Supported: %s\n", BitWord(p__PUCHAR__Page[4], 7));
    DebugPrint("RW Supported: %s, RW Deinterleaved: %s, C2Pointers: %s\n", BitWord(p__PUCHAR__Page[5], 2),
               BitWord(p__PUCHAR__Page[5], 3), BitWord(p__PUCHAR__Page[5], 4));
    DebugPrint("ISRC: %s, UPC: %s, Read Bar Code Capable: %s\n", BitWord(p__PUCHAR__Page[5], 5),
               BitWord(p__PUCHAR__Page[5], 6), BitWord(p__PUCHAR__Page[5], 7));
    DebugPrint("Lock: %s, LockState: %ld, Prevent Jumper: %s\n", BitWord(p__PUCHAR__Page[6], 0),
               static_cast<long>((p__PUCHAR__Page[6] >> 1) & 1), BitWord(p__PUCHAR__Page[6], 2));
    DebugPrint("Reserved5: 0x%02X, Eject: %s, Loading Mechanism Type: 0x%02X\n", (p__PUCHAR__Page[6] >> 4) & 1,
               BitWord(p__PUCHAR__Page[6], 3), (p__PUCHAR__Page[6] >> 5) & 7);
    DebugPrint("Separate Volume: %s, Separate Channel Mute: %s\n", BitWord(p__PUCHAR__Page[7], 0),
               BitWord(p__PUCHAR__Page[7], 1));
    DebugPrint("Supports Disc Present: %s, SW Slot Selection: %s\n", BitWord(p__PUCHAR__Page[7], 2),
               BitWord(p__PUCHAR__Page[7], 3));
    DebugPrint("Side Change Capable: %s, RW InLeadIn Readable: %s, Reserved6: 0x%02X\n", BitWord(p__PUCHAR__Page[7], 4),
               BitWord(p__PUCHAR__Page[7], 5), (p__PUCHAR__Page[7] >> 6) & 3);
    DebugPrint("Maximum read speed: %ld KBps\n", static_cast<long>(CTarnwick_Bytes::GetBigEndian16(p__PUCHAR__Page + 8)));
    DebugPrint("Number Of Volume Level(s): %ld, Buffer Size in KBs: %ld\n",
               static_cast<long>(CTarnwick_Bytes::GetBigEndian16(p__PUCHAR__Page + 10)),
               static_cast<long>(CTarnwick_Bytes::GetBigEndian16(p__PUCHAR__Page + 12)));
    DebugPrint("Current read speed: %ld KBps\n", static_cast<long>(CTarnwick_Bytes::GetBigEndian16(p__PUCHAR__Page + 14)));
    DebugPrint("Reserved7: 0x%02X\n", p__PUCHAR__Page[17] & 1);
    DebugPrint("BCK: %s, RCK: %s, LSBF: %s, Length: 0x%02X\n", BitWord(p__PUCHAR__Page[17], 1),
               BitWord(p__PUCHAR__Page[17], 2), BitWord(p__PUCHAR__Page[17], 3), (p__PUCHAR__Page[17] >> 4) & 3);
    DebugPrint("Reserved8: 0x%02X\n", (p__PUCHAR__Page[17] >> 6) & 3);
    DebugPrint("Maximum write speed: %ld KBps\n", static_cast<long>(CTarnwick_Bytes::GetBigEndian16(p__PUCHAR__Page + 18)));
    DebugPrint("Current write speed: %ld KBps\n", static_cast<long>(CTarnwick_Bytes::GetBigEndian16(p__PUCHAR__Page + 20)));
    DebugPrint("Reserved9: 0x%02X%02X\n\n", p__PUCHAR__Page[22], p__PUCHAR__Page[23]);
}

void Tarnwick_DumpCdvdWriteParametersPage(const UCHAR* p__PUCHAR__Page) {
    if ((p__PUCHAR__Page[0] & MmcCodes::PAGE_CODE_MASK) != MmcCodes::PAGE_WRITE_PARAMETERS) {
        DebugPrint(
            "Tarnwick_DumpCdvdWriteParametersPage(): EXITing with failure, Page code 0x%02X instead of 0x%02X!\n",
            p__PUCHAR__Page[0] & MmcCodes::PAGE_CODE_MASK, MmcCodes::PAGE_WRITE_PARAMETERS);
        return;
    }
    if (p__PUCHAR__Page[1] < 56) {
        DebugPrint("\nTarnwick_DumpCdvdWriteParametersPage(): WARNING! Size %ld less then %ld!\n",
                   static_cast<long>(p__PUCHAR__Page[1]), 56L);
    }
    const UCHAR* l__PUCHAR__MediaCatalogNumber = p__PUCHAR__Page + 16;
    const UCHAR* l__PUCHAR__ISRC = p__PUCHAR__Page + 32;
    DebugPrint("\nWrite parameter page dump:\nPage Code: 0x%02X, PSBit (Page Saveable): %ld\n",
               p__PUCHAR__Page[0] & 0x3F, static_cast<long>((p__PUCHAR__Page[0] >> 7) & 1));
    DebugPrint("Page Length: %ld UCHARs, Write Type: 0x%02X, Test Write: %s, Reserved2_1: 0x%02X\n",
               static_cast<long>(p__PUCHAR__Page[1]), p__PUCHAR__Page[2] & 0x0F, BitWord(p__PUCHAR__Page[2], 4),
               (p__PUCHAR__Page[2] >> 5) & 1);
    DebugPrint("BUP (Buffer Underrun Protection) Enabled: %s\n", BitWord(p__PUCHAR__Page[2], 6));
    DebugPrint("Track Mode: 0x%02X, Copy Allowed: %s, FP (Is Fixed Packet): %s\n", p__PUCHAR__Page[3] & 0x0F,
               BitWord(p__PUCHAR__Page[3], 4), BitWord(p__PUCHAR__Page[3], 5));
    DebugPrint("Next Session: 0x%02X, Data Block Type: 0x%02X, Reserved4: 0x%02X\n", (p__PUCHAR__Page[3] >> 6) & 3,
               p__PUCHAR__Page[4] & 0x0F, p__PUCHAR__Page[5]);
    DebugPrint("Host Application Code: 0x%02X, Session Format: 0x%02X\n", p__PUCHAR__Page[7] & 0x3F,
               p__PUCHAR__Page[8]);
    DebugPrint("Packet Size: %ld, Audio Pause Length: %ld\n", static_cast<long>(CTarnwick_Bytes::GetBigEndian32(p__PUCHAR__Page + 10)),
               static_cast<long>(CTarnwick_Bytes::GetBigEndian16(p__PUCHAR__Page + 14)));
    DebugPrint("Media Catalog Number: 0x%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X\n",
               l__PUCHAR__MediaCatalogNumber[0], l__PUCHAR__MediaCatalogNumber[1], l__PUCHAR__MediaCatalogNumber[2],
               l__PUCHAR__MediaCatalogNumber[3], l__PUCHAR__MediaCatalogNumber[4], l__PUCHAR__MediaCatalogNumber[5],
               l__PUCHAR__MediaCatalogNumber[6], l__PUCHAR__MediaCatalogNumber[7], l__PUCHAR__MediaCatalogNumber[8],
               l__PUCHAR__MediaCatalogNumber[9], l__PUCHAR__MediaCatalogNumber[10], l__PUCHAR__MediaCatalogNumber[11],
               l__PUCHAR__MediaCatalogNumber[12], l__PUCHAR__MediaCatalogNumber[13], l__PUCHAR__MediaCatalogNumber[14],
               l__PUCHAR__MediaCatalogNumber[15]);
    DebugPrint("ISRC: 0x%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X\n", l__PUCHAR__ISRC[0],
               l__PUCHAR__ISRC[1], l__PUCHAR__ISRC[2], l__PUCHAR__ISRC[3], l__PUCHAR__ISRC[4], l__PUCHAR__ISRC[5],
               l__PUCHAR__ISRC[6], l__PUCHAR__ISRC[7], l__PUCHAR__ISRC[8], l__PUCHAR__ISRC[9], l__PUCHAR__ISRC[10],
               l__PUCHAR__ISRC[11], l__PUCHAR__ISRC[12], l__PUCHAR__ISRC[13], l__PUCHAR__ISRC[14], l__PUCHAR__ISRC[15]);
    DebugPrint("SubHeaderUCHAR0: 0x%02X, SubHeaderUCHAR1: 0x%02X\n", p__PUCHAR__Page[48], p__PUCHAR__Page[49]);
    DebugPrint("SubHeaderUCHAR2: 0x%02X, SubHeaderUCHAR3: 0x%02X\n", p__PUCHAR__Page[50], p__PUCHAR__Page[51]);
    DebugPrint("Vendor Specific: 0x%02X 0x%02X 0x%02X 0x%02X\n\n", p__PUCHAR__Page[52], p__PUCHAR__Page[53],
               p__PUCHAR__Page[54], p__PUCHAR__Page[55]);
}

void CTarnwick_DumpDvdLayerDescriptor(const UCHAR* p__PUCHAR__Descriptor) {
    DebugPrint("\nDVD layer descriptor dump:\nBook Type: %ld, Book Version: %ld\n",
               static_cast<long>(p__PUCHAR__Descriptor[0] >> 4), static_cast<long>(p__PUCHAR__Descriptor[0] & 0x0F));
    DebugPrint("Disc Size: %ld, Minimum Rate: %ld, Number of Layer(s): %ld, Track Path: %ld\n",
               static_cast<long>(p__PUCHAR__Descriptor[1] >> 4), static_cast<long>(p__PUCHAR__Descriptor[1] & 0x0F),
               static_cast<long>((p__PUCHAR__Descriptor[2] >> 5) & 3),
               static_cast<long>((p__PUCHAR__Descriptor[2] >> 4) & 1));
    DebugPrint("Layer Type: %ld, Linear Density: %ld, Track Density: %ld\n",
               static_cast<long>(p__PUCHAR__Descriptor[2] & 0x0F), static_cast<long>(p__PUCHAR__Descriptor[3] >> 4),
               static_cast<long>(p__PUCHAR__Descriptor[3] & 0x0F));
    DebugPrint("Starting Sector Number of Main Data: 0x%02X%02X%02X (%ld)\n", p__PUCHAR__Descriptor[5],
               p__PUCHAR__Descriptor[6], p__PUCHAR__Descriptor[7],
               static_cast<long>(CTarnwick_Bytes::GetBigEndian24(p__PUCHAR__Descriptor + 5)));
    DebugPrint("Ending Sector Number of Main Data: 0x%02X%02X%02X (%ld)\n", p__PUCHAR__Descriptor[9],
               p__PUCHAR__Descriptor[10], p__PUCHAR__Descriptor[11],
               static_cast<long>(CTarnwick_Bytes::GetBigEndian24(p__PUCHAR__Descriptor + 9)));
    DebugPrint("Ending Sector Number of Layer 0: 0x%02X%02X%02X (%ld)\n", p__PUCHAR__Descriptor[13],
               p__PUCHAR__Descriptor[14], p__PUCHAR__Descriptor[15],
               static_cast<long>(CTarnwick_Bytes::GetBigEndian24(p__PUCHAR__Descriptor + 13)));
    DebugPrint("BCA - %ld\n", static_cast<long>(p__PUCHAR__Descriptor[16] >> 7));
}

void CTarnwick_DumpCueSheet(const UCHAR* p__PUCHAR__CueSheet, ULONG p__ULONG__Size) {
    // Only whole entries inside the given size are read: an entry at or past the end counts as the zero
    // entry that ends the pairs, and is not printed.
    ULONG l__ULONG__Entries = p__ULONG__Size / 8;
    auto l__Entry = [&](ULONG p__ULONG__Index) {
        return p__PUCHAR__CueSheet + 8 * static_cast<size_t>(p__ULONG__Index);
    };

    DebugPrint("\nCUE SHEET dump: %ld UCHAR(s)\n", static_cast<long>(p__ULONG__Size));
    DebugPrint("\nCTL/ADR   TNO   INDEX   DATA FORM   SCMS   AMIN   ASEC   AFRAME\n");
    DebugPrint("---------------------------------------------------------------\n");
    if (l__ULONG__Entries > 0) DumpCueSheetEntry(l__Entry(0), false);
    ULONG l__ULONG__Index = 1;
    while (l__ULONG__Index + 1 < l__ULONG__Entries && l__Entry(l__ULONG__Index + 1)[0] != 0) {
        DumpCueSheetEntry(l__Entry(l__ULONG__Index), false);
        DumpCueSheetEntry(l__Entry(l__ULONG__Index + 1), true);
        l__ULONG__Index += 2;
    }
    if (l__ULONG__Index < l__ULONG__Entries) DumpCueSheetEntry(l__Entry(l__ULONG__Index), false);
    DebugPrint("\n---------------------------------------------------------------\n");
}

BOOLEAN LBAToMSFBCD(LONG p__LONG__LBA, PUCHAR p__PUCHAR__MSF) {
    // Taken: the lead-in and the program area up to the last block below 100 minutes of LBAs.
    if (p__LONG__LBA < CTarnwick_CdAddress::FIRST_LBA || p__LONG__LBA >= CTarnwick_CdAddress::CLOCK_FRAMES) {
        p__PUCHAR__MSF[0] = 0xFF;
        p__PUCHAR__MSF[1] = 0xFF;
        p__PUCHAR__MSF[2] = 0xFF;
        DebugPrint("\nLBAToMSFBCD(): EXITing with failure, convertion is incorrect #1\n");
        return FALSE;
    }
    if (!CTarnwick_CdAddress::LbaToMsfBcd(p__LONG__LBA, p__PUCHAR__MSF)) {
        // 90 minutes and more in the program area read the same as the lead-in.
        DebugPrint("\nLBAToMSFBCD(): EXITing with failure, convertion is incorrect #2\n");
        return FALSE;
    }
    return TRUE;
}

void LBAToRelativeMSFBCD(LONG p__LONG__Blocks, PUCHAR p__PUCHAR__MSF) {
    CTarnwick_CdAddress::BlocksToMsfBcd(p__LONG__Blocks, p__PUCHAR__MSF);
}
