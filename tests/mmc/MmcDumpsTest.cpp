#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "DebugPrint.h"
#include "MmcDumps.h"
#include "TraceCapture.h"

// The dumps write only in builds that trace; elsewhere the test ends skipped at its first dump check.
#define EXPECT_TRACE(p__Text, p__Expected)                  \
    do {                                                    \
        REQUIRE_TRACING();                                  \
        EXPECT_EQ((p__Text), std::string(p__Expected));     \
    } while (0)

namespace {

std::vector<UCHAR> CapabilitiesPage(UCHAR p__UCHAR__PageLength) {
    std::vector<UCHAR> l__Page = {0xEA, p__UCHAR__PageLength,
                                  0x99, 0x5D,
                                  0xA5, 0x62,
                                  0x3A, 0x95,
                                  0x1B, 0x90,
                                  0x01, 0x00,
                                  0x08, 0x00,
                                  0x0B, 0x06,
                                  0xFF, 0x9B,
                                  0x1B, 0x90,
                                  0x0A, 0xC8,
                                  0x12, 0x34};
    return l__Page;
}

std::string CapabilitiesDump(const char* p__PCHAR__PageLength) {
    return std::string("\nCDVD capabilities page dump:\nPage Code: 0x2A, Reserved1: 0x01, PSBit (Page Savable): 1\n") +
           "Page Size in UCHARs: " + p__PCHAR__PageLength + " UCHARs, CD-R Read: Yes, CD-E Read: No\n" +
           "DVD-ROM Read: Yes, DVD-R Read: Yes, DVD-RAM Read: No, Reserved2: 0x02\n"
           "CD-R Write: Yes, CD-E Write: No, Test Write: Yes\n"
           "Reserved3: 0x01, DVD-R Write: Yes, DVD-RAM Write: No\n"
           "Reserved4: 0x01, Audio Play: Yes, Composite: No\n"
           "Digital Port One: Yes, Digital Port Two: No\n"
           "MODE2 Form1: No, MODE2 Form2: Yes\n"
           "Is Multi Session: No, CDDA: No, CDDAAccurate: Yes\n"
           "BUP (Buffer Underrun Protection) Supported: Yes\n"
           "RW Supported: No, RW Deinterleaved: No, C2Pointers: No\n"
           "ISRC: Yes, UPC: Yes, Read Bar Code Capable: No\n"
           "Lock: No, LockState: 1, Prevent Jumper: No\n"
           "Reserved5: 0x01, Eject: Yes, Loading Mechanism Type: 0x01\n"
           "Separate Volume: Yes, Separate Channel Mute: No\n"
           "Supports Disc Present: Yes, SW Slot Selection: No\n"
           "Side Change Capable: Yes, RW InLeadIn Readable: No, Reserved6: 0x02\n"
           "Maximum read speed: 7056 KBps\n"
           "Number Of Volume Level(s): 256, Buffer Size in KBs: 2048\n"
           "Current read speed: 2822 KBps\n"
           "Reserved7: 0x01\n"
           "BCK: Yes, RCK: No, LSBF: Yes, Length: 0x01\n"
           "Reserved8: 0x02\n"
           "Maximum write speed: 7056 KBps\n"
           "Current write speed: 2760 KBps\n"
           "Reserved9: 0x1234\n\n";
}

std::vector<UCHAR> WriteParametersPage(UCHAR p__UCHAR__PageLength) {
    std::vector<UCHAR> l__Page(56, 0);
    const UCHAR l__UCHAR__Head[] = {
        0x85, p__UCHAR__PageLength, 0x72, 0xE4, 0x08, 0x10, 0x00, 0xC7, 0x20, 0x00, 0x00, 0x01, 0x00, 0x20, 0x00, 0x96};
    std::memcpy(l__Page.data(), l__UCHAR__Head, sizeof(l__UCHAR__Head));
    for (int l__int__Index = 0; l__int__Index < 16; ++l__int__Index) {
        l__Page[16 + l__int__Index] = static_cast<UCHAR>(0x01 + l__int__Index);
        l__Page[32 + l__int__Index] = static_cast<UCHAR>(0xA0 + l__int__Index);
    }
    const UCHAR l__UCHAR__Tail[] = {0x00, 0x00, 0x08, 0x00, 0xDE, 0xAD, 0xBE, 0xEF};
    std::memcpy(l__Page.data() + 48, l__UCHAR__Tail, sizeof(l__UCHAR__Tail));
    return l__Page;
}

std::string WriteParametersDump(const char* p__PCHAR__PageLength) {
    return std::string("\nWrite parameter page dump:\nPage Code: 0x05, PSBit (Page Saveable): 1\n") +
           "Page Length: " + p__PCHAR__PageLength + " UCHARs, Write Type: 0x02, Test Write: Yes, Reserved2_1: 0x01\n" +
           "BUP (Buffer Underrun Protection) Enabled: Yes\n"
           "Track Mode: 0x04, Copy Allowed: No, FP (Is Fixed Packet): Yes\n"
           "Next Session: 0x03, Data Block Type: 0x08, Reserved4: 0x10\n"
           "Host Application Code: 0x07, Session Format: 0x20\n"
           "Packet Size: 65568, Audio Pause Length: 150\n"
           "Media Catalog Number: 0x0102030405060708090A0B0C0D0E0F10\n"
           "ISRC: 0xA0A1A2A3A4A5A6A7A8A9AAABACADAEAF\n"
           "SubHeaderUCHAR0: 0x00, SubHeaderUCHAR1: 0x00\n"
           "SubHeaderUCHAR2: 0x08, SubHeaderUCHAR3: 0x00\n"
           "Vendor Specific: 0xDE 0xAD 0xBE 0xEF\n\n";
}

// The five values the track information parser returns, in its order.
struct ParsedTrack {
    BOOLEAN m__BOOLEAN__IsBlank;
    BOOLEAN m__BOOLEAN__IsNWAValid;
    ULONG m__ULONG__FreeBlocks;
    ULONG m__ULONG__NWA;
    UCHAR m__UCHAR__TrackNumber;
    bool operator==(const ParsedTrack&) const = default;
};

void PrintTo(const ParsedTrack& p__Parsed, std::ostream* p__Stream) {
    *p__Stream << "blank " << int(p__Parsed.m__BOOLEAN__IsBlank) << ", NWA valid "
               << int(p__Parsed.m__BOOLEAN__IsNWAValid) << ", free " << p__Parsed.m__ULONG__FreeBlocks << ", NWA "
               << p__Parsed.m__ULONG__NWA << ", track " << int(p__Parsed.m__UCHAR__TrackNumber);
}

ParsedTrack ParseTrackInformation(const UCHAR* p__PUCHAR__Block) {
    // Preset to the opposite of what a zero block gives, so that an unwritten value shows.
    ParsedTrack l__Parsed{2, 2, 0xDEADBEEF, 0xDEADBEEF, 0xEE};
    CTarnwick_DumpAndParseTrackInformation(p__PUCHAR__Block, &l__Parsed.m__BOOLEAN__IsBlank,
                                           &l__Parsed.m__BOOLEAN__IsNWAValid, &l__Parsed.m__ULONG__FreeBlocks,
                                           &l__Parsed.m__ULONG__NWA, &l__Parsed.m__UCHAR__TrackNumber);
    return l__Parsed;
}

const char* const g__PCHAR__CueSheetHeader =
    "\nCTL/ADR   TNO   INDEX   DATA FORM   SCMS   AMIN   ASEC   AFRAME\n"
    "---------------------------------------------------------------\n";
const char* const g__PCHAR__CueSheetClose = "\n---------------------------------------------------------------\n";

// Lead-in, index 0 and index 1 of track 1, lead-out.
const UCHAR g__UCHAR__OneTrackCueSheet[32] = {0x41, 0x00, 0x00, 0x14, 0x00, 0x00, 0x00, 0x00,  //
                                              0x41, 0x01, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00,  //
                                              0x41, 0x01, 0x01, 0x10, 0x00, 0x00, 0x02, 0x00,  //
                                              0x41, 0xAA, 0x01, 0x14, 0x00, 0x05, 0x10, 0x20};

const char* const g__PCHAR__OneTrackEntries =
    "\n0x41      0x00  0x00    0x14        0x00   0x00   0x00   0x00\n"
    "\n0x41      0x01  0x00    0x10        0x00   0x00   0x00   0x00\n"
    "0x41      0x01  0x01    0x10        0x00   0x00   0x02   0x00\n"
    "\n0x41      0xAA  0x01    0x14        0x00   0x05   0x10   0x20\n";

}  // namespace

TEST(MmcDumps, SenseData) {
    const UCHAR l__UCHAR__Sense[14] = {0xF0, 0xC8, 0x55, 0x01, 0x02, 0x03, 0x04,
                                       0x0A, 0x11, 0x12, 0x13, 0x14, 0x24, 0x00};
    TraceCapture l__Trace;
    CTarnwick_DumpSenseData(l__UCHAR__Sense);
    EXPECT_TRACE(l__Trace.Text(),
                 "\nSCSI sense data dump:\nError Code: 0x70, Is Sense Valid: Yes, Segment Number: 0xC8 (200)\n"
                 "Sense Key: 0x05, Reserved: 0x01, Incorrect Length: No\n"
                 "End Of Media: Yes, File Mark: No, Information: 0x01 0x02 0x03 0x04\n"
                 "Additional Sense Length: 0x0A (10)\n"
                 "Command Specific Information: 0x11 0x12 0x13 0x14\n"
                 "Additional Sense Code (ASC): 0x24, Additional Sense Code Qualifier (ASCQ): 0x00\n\n");

    // The other half of the flag bits.
    const UCHAR l__UCHAR__Other[14] = {0x70, 0x00, 0xA3, 0, 0, 0, 0, 0x06, 0, 0, 0, 0, 0x3A, 0x01};
    l__Trace.Clear();
    CTarnwick_DumpSenseData(l__UCHAR__Other);
    EXPECT_TRACE(l__Trace.Text(),
                 "\nSCSI sense data dump:\nError Code: 0x70, Is Sense Valid: No, Segment Number: 0x00 (0)\n"
                 "Sense Key: 0x03, Reserved: 0x00, Incorrect Length: Yes\n"
                 "End Of Media: No, File Mark: Yes, Information: 0x00 0x00 0x00 0x00\n"
                 "Additional Sense Length: 0x06 (6)\n"
                 "Command Specific Information: 0x00 0x00 0x00 0x00\n"
                 "Additional Sense Code (ASC): 0x3A, Additional Sense Code Qualifier (ASCQ): 0x01\n\n");
}

TEST(MmcDumps, RequestBlock) {
    SRB_ExecSCSICmd l__Srb{};
    l__Srb.SRB_Status = SS_ERR;
    l__Srb.SRB_HaStat = HASTAT_SEL_TO;
    l__Srb.SRB_TargStat = STATUS_CHKCOND;
    l__Srb.SRB_CDBLen = 10;
    const BYTE l__BYTE__CDB[16] = {0x2A, 0x00, 0x00, 0x00, 0x01, 0x2C, 0x00, 0x00,
                                   0x1E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xEE};
    std::memcpy(l__Srb.CDBByte, l__BYTE__CDB, sizeof(l__BYTE__CDB));
    TraceCapture l__Trace;
    CTarnwick_DumpRequestBlock(&l__Srb);
    EXPECT_TRACE(l__Trace.Text(),
                 "\nSCSI request block dump:\nSRB_Status: 0x04, SRB_HaStat: 0x11, SRB_TargStat: 0x02\n"
                 "CDB Length: 10, CDB dump: 0x2A 0x00 0x00 0x00 0x01 0x2C 0x00 0x00 0x1E 0x00 0x00 0x00 0x00 0x00 0x00 "
                 "0xEE\n\n");
}

TEST(MmcDumps, PortInquiry) {
    SRB_HAInquiry l__Srb{};
    l__Srb.HA_SCSI_ID = 7;
    std::memcpy(l__Srb.HA_ManagerId, "0123456789ABCDEF", 16);  // all 16 bytes used, no terminator
    std::memcpy(l__Srb.HA_Identifier, "virtual", 7);
    l__Srb.HA_Unique[2] = 1;
    l__Srb.HA_Unique[3] = 8;
    l__Srb.HA_Unique[4] = 0x00;
    l__Srb.HA_Unique[5] = 0xF0;
    TraceCapture l__Trace;
    CTarnwick_DumpPortInquiry(&l__Srb);
    EXPECT_TRACE(l__Trace.Text(),
                 "\nSCSI port inquiry dump:\nSCSI ID: 7, Manager '0123456789ABCDEF', Identifier 'virtual'\n"
                 "Residual Count Supported: Yes, Number of SCSI Target(s) Supported: 8\n"
                 "Single Transfer Size: 61440 UCHARs\n\n");

    // A transfer size with the top bit set stays a positive number.
    l__Srb.HA_Unique[2] = 0;
    l__Srb.HA_Unique[7] = 0x80;
    l__Trace.Clear();
    CTarnwick_DumpPortInquiry(&l__Srb);
    EXPECT_TRUE(l__Trace.Contains("Residual Count Supported: No,"));
    EXPECT_TRUE(l__Trace.Contains("Single Transfer Size: 2147545088 UCHARs\n\n"));
}

TEST(MmcDumps, DeviceInquiry) {
    UCHAR l__UCHAR__Inquiry[96];
    std::memset(l__UCHAR__Inquiry, 'X', sizeof(l__UCHAR__Inquiry));
    l__UCHAR__Inquiry[0] = 0x25;  // qualifier 1, type 5
    l__UCHAR__Inquiry[1] = 0x80;
    l__UCHAR__Inquiry[2] = 0x05;
    l__UCHAR__Inquiry[7] = 0x5A;
    std::memcpy(l__UCHAR__Inquiry + 8, "TARNWICKVIRTUAL CD-R    1.00", 28);
    TraceCapture l__Trace;
    CTarnwick_DumpDeviceInquiry(l__UCHAR__Inquiry);
    EXPECT_TRACE(l__Trace.Text(),
                 "\nSCSI device inquiry data dump:\nDevice Type: 0x05, Removable: Yes\n"
                 "SCSI Version: 5, Soft Reset Supported: No\n"
                 "Command Queue Supported: Yes, Linked Commands Supported: Yes\n"
                 "Sync Transfer Supported: Yes, 16-bit bus: No\n"
                 "32-bit bus: Yes, Relative Addressing Supported: No\n"
                 "Vendor ID: 'TARNWICK', Product ID: 'VIRTUAL CD-R    ', Revision Level: '1.00'\n\n");

    l__UCHAR__Inquiry[1] = 0x7F;
    l__UCHAR__Inquiry[7] = 0xA5;
    l__Trace.Clear();
    CTarnwick_DumpDeviceInquiry(l__UCHAR__Inquiry);
    EXPECT_TRUE(l__Trace.Contains("Removable: No\nSCSI Version: 5, Soft Reset Supported: Yes\n"
                                  "Command Queue Supported: No, Linked Commands Supported: No\n"
                                  "Sync Transfer Supported: No, 16-bit bus: Yes\n"
                                  "32-bit bus: No, Relative Addressing Supported: Yes\n"));
}

TEST(MmcDumps, TrackInformationParsedAndDumped) {
    const UCHAR l__UCHAR__Block[28] = {0x00, 0x2E, 0x01, 0x01, 0x00, 0x14, 0x51, 0x01, 0xFF, 0xFF,
                                       0xFF, 0x6A, 0x00, 0x00, 0x12, 0x34, 0x00, 0x05, 0x7D, 0xA9,
                                       0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00};
    TraceCapture l__Trace;
    EXPECT_EQ(ParseTrackInformation(l__UCHAR__Block), (ParsedTrack{1, 1, 359849u, 0x1234u, 1}));
    EXPECT_TRACE(l__Trace.Text(),
                 "\nTrack Information dump:\nTrack Number: 1, Session Number: 1\n"
                 "Track Mode: 0x04, Copy: Yes, Damage: No\n"
                 "Data Mode: 0x01, FP (Fixed Packet): Yes, Packet: No, Blank: Yes\n"
                 "RT (Reserved Track): No, NWA_V (Next Writable Address Valid): Yes\n"
                 "Track Start Address (LBA): -150, Next Writable Address (LBA): 4660\n"
                 "Free Block(s): 359849, Fixed Packet Size: 16 UCHARs\n\n");
}

TEST(MmcDumps, ShortTrackInformationWarnsAndIsStillParsed) {
    const UCHAR l__UCHAR__Block[28] = {0x00, 0x16, 0x02, 0x03, 0x00, 0x27, 0x82, 0x00, 0x00, 0x00,
                                       0x10, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x07,
                                       0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    TraceCapture l__Trace;
    EXPECT_EQ(ParseTrackInformation(l__UCHAR__Block), (ParsedTrack{0, 0, 7u, 4096u, 2}));
    EXPECT_TRACE(l__Trace.Text(),
                 "\nCTarnwick_DumpAndParseTrackInformation(): WARNING! Length 22 less then 24!\n"
                 "\nTrack Information dump:\nTrack Number: 2, Session Number: 3\n"
                 "Track Mode: 0x07, Copy: No, Damage: Yes\n"
                 "Data Mode: 0x02, FP (Fixed Packet): No, Packet: No, Blank: No\n"
                 "RT (Reserved Track): Yes, NWA_V (Next Writable Address Valid): No\n"
                 "Track Start Address (LBA): 4096, Next Writable Address (LBA): 4096\n"
                 "Free Block(s): 7, Fixed Packet Size: 0 UCHARs\n\n");
}

TEST(MmcDumps, CapabilitiesPage) {
    TraceCapture l__Trace;
    CTarnwick_DumpCdvdCapabilitiesPage(CapabilitiesPage(28).data());
    EXPECT_TRACE(l__Trace.Text(), CapabilitiesDump("28"));

    // Exactly 24 is long enough.
    l__Trace.Clear();
    CTarnwick_DumpCdvdCapabilitiesPage(CapabilitiesPage(24).data());
    EXPECT_TRACE(l__Trace.Text(), CapabilitiesDump("24"));
}

TEST(MmcDumps, ShortCapabilitiesPageWarnsThenDumps) {
    TraceCapture l__Trace;
    CTarnwick_DumpCdvdCapabilitiesPage(CapabilitiesPage(20).data());
    EXPECT_TRACE(l__Trace.Text(),
                 "\nCTarnwick_DumpCdvdCapabilitiesPage(): WARNING! Size 20 less then 24!\n" + CapabilitiesDump("20"));
}

TEST(MmcDumps, CapabilitiesPageWithWrongCodeGivesOneLine) {
    std::vector<UCHAR> l__Page = CapabilitiesPage(28);
    l__Page[0] = 0x85;  // PS set, page code 05h
    TraceCapture l__Trace;
    CTarnwick_DumpCdvdCapabilitiesPage(l__Page.data());
    EXPECT_TRACE(l__Trace.Text(),
                 "CTarnwick_DumpCdvdCapabiltiesPage(): EXITing with failure, Page code 0x05 instead of 0x2A!\n");
}

TEST(MmcDumps, WriteParametersPage) {
    TraceCapture l__Trace;
    Tarnwick_DumpCdvdWriteParametersPage(WriteParametersPage(56).data());
    EXPECT_TRACE(l__Trace.Text(), WriteParametersDump("56"));
}

TEST(MmcDumps, ShortWriteParametersPageWarnsThenDumps) {
    TraceCapture l__Trace;
    Tarnwick_DumpCdvdWriteParametersPage(WriteParametersPage(50).data());
    EXPECT_TRACE(l__Trace.Text(), "\nTarnwick_DumpCdvdWriteParametersPage(): WARNING! Size 50 less then 56!\n" +
                                      WriteParametersDump("50"));
}

TEST(MmcDumps, WriteParametersPageWithWrongCodeGivesOneLine) {
    std::vector<UCHAR> l__Page = WriteParametersPage(56);
    l__Page[0] = 0x2A;
    TraceCapture l__Trace;
    Tarnwick_DumpCdvdWriteParametersPage(l__Page.data());
    EXPECT_TRACE(l__Trace.Text(),
                 "Tarnwick_DumpCdvdWriteParametersPage(): EXITing with failure, Page code 0x2A instead of 0x05!\n");
}

TEST(MmcDumps, DvdLayerDescriptor) {
    const UCHAR l__UCHAR__Descriptor[17] = {0x92, 0x0F, 0x31, 0x10, 0x00, 0x03, 0x00, 0x00, 0x00,
                                            0x26, 0x05, 0x3F, 0x00, 0x00, 0x00, 0x00, 0x80};
    TraceCapture l__Trace;
    CTarnwick_DumpDvdLayerDescriptor(l__UCHAR__Descriptor);
    EXPECT_TRACE(l__Trace.Text(),
                 "\nDVD layer descriptor dump:\nBook Type: 9, Book Version: 2\n"
                 "Disc Size: 0, Minimum Rate: 15, Number of Layer(s): 1, Track Path: 1\n"
                 "Layer Type: 1, Linear Density: 1, Track Density: 0\n"
                 "Starting Sector Number of Main Data: 0x030000 (196608)\n"
                 "Ending Sector Number of Main Data: 0x26053F (2491711)\n"
                 "Ending Sector Number of Layer 0: 0x000000 (0)\n"
                 "BCA - 1\n");
}

TEST(MmcDumps, CueSheetOfOneTrack) {
    // Exactly the cue sheet's bytes: nothing past its end may be read.
    std::vector<UCHAR> l__CueSheet(std::begin(g__UCHAR__OneTrackCueSheet), std::end(g__UCHAR__OneTrackCueSheet));
    TraceCapture l__Trace;
    CTarnwick_DumpCueSheet(l__CueSheet.data(), static_cast<ULONG>(l__CueSheet.size()));
    EXPECT_TRACE(l__Trace.Text(), std::string("\nCUE SHEET dump: 32 UCHAR(s)\n") + g__PCHAR__CueSheetHeader +
                                      g__PCHAR__OneTrackEntries + g__PCHAR__CueSheetClose);

    // Entries past the given size are not printed, whatever the buffer holds there.
    std::vector<UCHAR> l__Longer(l__CueSheet);
    l__Longer.insert(l__Longer.end(), {0x41, 0x02, 0x00, 0x10, 0, 0, 0, 0, 0x41, 0x02, 0x01, 0x10, 0, 0, 0, 0});
    l__Trace.Clear();
    CTarnwick_DumpCueSheet(l__Longer.data(), 32);
    EXPECT_TRACE(l__Trace.Text(), std::string("\nCUE SHEET dump: 32 UCHAR(s)\n") + g__PCHAR__CueSheetHeader +
                                      g__PCHAR__OneTrackEntries + g__PCHAR__CueSheetClose);
}

TEST(MmcDumps, CueSheetPairsStopAtZeroControlByte) {
    // Entry 4, the second of the pair (3, 4), has CTL/ADR 0: entry 3 is the last one printed.
    const UCHAR l__UCHAR__CueSheet[48] = {0x01, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00,  //
                                          0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  //
                                          0x01, 0x01, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00,  //
                                          0x01, 0x02, 0x00, 0x00, 0x00, 0x03, 0x04, 0x05,  //
                                          0x00, 0x02, 0x01, 0x00, 0x00, 0x03, 0x06, 0x05,  //
                                          0x01, 0xAA, 0x01, 0x01, 0x00, 0x07, 0x08, 0x09};
    TraceCapture l__Trace;
    CTarnwick_DumpCueSheet(l__UCHAR__CueSheet, sizeof(l__UCHAR__CueSheet));
    EXPECT_TRACE(l__Trace.Text(), std::string("\nCUE SHEET dump: 48 UCHAR(s)\n") + g__PCHAR__CueSheetHeader +
                                      "\n0x01      0x00  0x00    0x01        0x00   0x00   0x00   0x00\n"
                                      "\n0x01      0x01  0x00    0x00        0x00   0x00   0x00   0x00\n"
                                      "0x01      0x01  0x01    0x00        0x00   0x00   0x02   0x00\n"
                                      "\n0x01      0x02  0x00    0x00        0x00   0x03   0x04   0x05\n" +
                                      g__PCHAR__CueSheetClose);
}

TEST(MmcDumps, CueSheetWithLeadInOnly) {
    const UCHAR l__UCHAR__CueSheet[8] = {0x41, 0x00, 0x00, 0x14, 0x00, 0x00, 0x00, 0x00};
    TraceCapture l__Trace;
    CTarnwick_DumpCueSheet(l__UCHAR__CueSheet, sizeof(l__UCHAR__CueSheet));
    EXPECT_TRACE(l__Trace.Text(), std::string("\nCUE SHEET dump: 8 UCHAR(s)\n") + g__PCHAR__CueSheetHeader +
                                      "\n0x41      0x00  0x00    0x14        0x00   0x00   0x00   0x00\n" +
                                      g__PCHAR__CueSheetClose);
}
