// Closing the session after Track-At-Once, blanking rewritable discs and formatting
// DVD+RW, DVD-RAM and BD-RE: each long command is sent with Immed and followed by a
// bounded wait for the drive.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_CdvdBurnerGrabber.h"
#include "CTarnwick_DriveQuirks.h"
#include "DebugPrint.h"

namespace {
constexpr ULONG CLOSE_TRIES = 20;
constexpr ULONG FORMAT_TRIES = 720;
constexpr ULONG WAIT_SLEEP_MILLISECONDS = 5000;
constexpr ULONG FORMAT_LIST_LENGTH = 12;
constexpr ULONG FORMAT_CAPACITIES_SIZE = 4096;
constexpr UCHAR BDRE_FORMAT_WITH_SPARE_AREAS = 0x30;
// The close functions that finalise a disc: DVD+R (101b) and BD-R (110b).
constexpr UCHAR DVDPLUSR_FINALIZE = 0x05;
constexpr UCHAR BDR_FINALIZE = 0x06;
// The highest blanking type of BLANK (6: blank the last session). The CDB carries the type
// in three bits: a higher one would reach the drive cut to another type (8 as 0, the
// whole disc).
constexpr ULONG LAST_BLANKING_TYPE = 6;
}  // namespace

void CTarnwick_CdvdBurnerGrabber::CloseSession() {
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::CloseSession(): ENTERed\n");
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);
    if (m__UCHAR__LastWriteMode != WRITE_MODE_TAO) {
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::CloseSession(): EXITing with failure, last write mode is %ld instead "
                   "of %ld!!!\n",
                   static_cast<long>(m__UCHAR__LastWriteMode), static_cast<long>(WRITE_MODE_TAO));
        return;
    }
    ULONG l__ULONG__DiscType = GetDiscTypeSafe();
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::CloseSession(): Disc type 0x%08X\n", l__ULONG__DiscType);
    switch (l__ULONG__DiscType) {
        case DISC_TYPE_DVDPLUSR:
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::CloseSession(): DVD+R close session\n");
            CloseSessionForDVDPLUSR();
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::CloseSession(): EXITing with success #2\n");
            return;
        case DISC_TYPE_BDR:
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::CloseSession(): BD-R close session\n");
            CloseSessionForBDR();
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::CloseSession(): EXITing with success #2\n");
            return;
        case DISC_TYPE_DVDROM:
        case DISC_TYPE_DVDR:
        case DISC_TYPE_DVDRAM:
        case DISC_TYPE_DVDRW_RO:
        case DISC_TYPE_DVDRW_SR:
        case DISC_TYPE_BDROM:
        case DISC_TYPE_BDRE:
            // Nothing to close: a reserved DVD track closes itself, a random-writable disc has no
            // session to close.
            break;
        default:
            if (l__ULONG__DiscType == DISC_TYPE_DVDPLUSRW ||
                CTarnwick_DriveQuirks::HasBrokenImmediateClose(m__CHAR__VendorID, m__CHAR__ProductID)) {
                DebugPrint("\nCTarnwick_CdvdBurnerGrabber::CloseSession(): DVD+RW ( %ld ) close session or <%s> <%s> "
                           "sync close session\n",
                           static_cast<long>(l__ULONG__DiscType), m__CHAR__VendorID, m__CHAR__ProductID);
                CloseTrackSession(0, 0, 1, 0, 0);
                WaitForUnitReady(CLOSE_TRIES, WAIT_SLEEP_MILLISECONDS, TRUE);
                break;
            }
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::CloseSession(): Generic async close session\n");
            try {
                CloseTrackSession(1, 0, 1, 0, 0);
            } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
                CTarnwick_Exception::Swallow("CTarnwick_CdvdBurnerGrabber::CloseSession",
                                             l__PCTarnwick_Exception__Exception);
                DebugPrint("\nCTarnwick_CdvdBurnerGrabber::CloseSession(): Sync close session, async good (%ld)\n", 0L);
                CloseTrackSession(0, 0, 1, 0, 0);
            }
            WaitForUnitReady(CLOSE_TRIES, WAIT_SLEEP_MILLISECONDS, TRUE);
            break;
    }
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::CloseSession(): EXITing with success #1\n");
}

void CTarnwick_CdvdBurnerGrabber::CloseSessionForDVDPLUSR() {
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::CloseSessionForDVDPLUSR(): ENTERed\n");
    CloseTrackThenSession(DVDPLUSR_FINALIZE);
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::CloseSessionForDVDPLUSR(): EXITing with success\n");
}

void CTarnwick_CdvdBurnerGrabber::CloseSessionForBDR() {
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::CloseSessionForBDR(): ENTERed\n");
    CloseTrackThenSession(BDR_FINALIZE);
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::CloseSessionForBDR(): EXITing with success\n");
}

void CTarnwick_CdvdBurnerGrabber::CloseTrackThenSession(UCHAR p__UCHAR__FinalizeFunction) {
    // The track just written is closed (on a disc that holds earlier sessions it is not track
    // 1). Then the session: a write that allowed a next session leaves the disc appendable
    // (close session, 010b), as on CD; otherwise the disc is finalised with the medium's own
    // close function.
    CloseTrackSession(1, 1, 0, 0, m__UCHAR__LastTrackNumber);
    WaitForUnitReady(CLOSE_TRIES, WAIT_SLEEP_MILLISECONDS, TRUE);
    if (m__BOOLEAN__IsLastNextSessionAllowed) {
        CloseTrackSession(1, 0, 1, 0, 0);
    } else {
        CloseTrackSession(1, static_cast<UCHAR>(p__UCHAR__FinalizeFunction & 0x01),
                          static_cast<UCHAR>((p__UCHAR__FinalizeFunction >> 1) & 0x01),
                          static_cast<UCHAR>((p__UCHAR__FinalizeFunction >> 2) & 0x01), 0);
    }
    WaitForUnitReady(CLOSE_TRIES, WAIT_SLEEP_MILLISECONDS, TRUE);
}

void CTarnwick_CdvdBurnerGrabber::Blank(ULONG p__ULONG__BlankingType, ULONG p__ULONG__StartAddress) {
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::Blank(): ENTERed\n");
    if (p__ULONG__BlankingType > LAST_BLANKING_TYPE) {
        CTarnwick_Exception::Raise("CTarnwick_CdvdBurnerGrabber::Blank", EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                   "CTarnwick_CdvdBurnerGrabber::Blank(): Blanking type %lu is above %lu!!!",
                                   static_cast<unsigned long>(p__ULONG__BlankingType),
                                   static_cast<unsigned long>(LAST_BLANKING_TYPE));
    }
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);
    RestoreWriteParameters();
    switch (GetDiscTypeSafe()) {
        case DISC_TYPE_DVDPLUSRW:
            BlankForDVDPLUSRW();
            break;
        case DISC_TYPE_DVDRAM:
            FormatUnitForDVDRAM();
            break;
        case DISC_TYPE_BDRE:
            // Formatting anew is how a BD-RE is blanked: it has no BLANK.
            FormatUnitForBDRE();
            break;
        default:
            BlankForCDRW(p__ULONG__BlankingType, p__ULONG__StartAddress);
            break;
    }
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::Blank(): EXITing with success\n");
}

void CTarnwick_CdvdBurnerGrabber::BlankForCDRW(ULONG p__ULONG__BlankingType, ULONG p__ULONG__StartAddress) {
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::BlankForCDRW(): ENTERed\n");
    Blank(static_cast<UCHAR>(p__ULONG__BlankingType), p__ULONG__StartAddress, 1);
    WaitForUnitReady(FORMAT_TRIES, WAIT_SLEEP_MILLISECONDS, TRUE);
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::BlankForCDRW(): EXITing with success\n");
}

void CTarnwick_CdvdBurnerGrabber::BlankForDVDPLUSRW() {
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::BlankForDVDPLUSRW(): ENTERed\n");
    FormatUnitForDVDPLUSRW();
    CloseSession();
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::BlankForDVDPLUSRW(): EXITing with success\n");
}

void CTarnwick_CdvdBurnerGrabber::FormatUnitForDVDPLUSRW() {
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::FormatUnitForDVDPLUSRW(): ENTERed\n");
    UCHAR l__UCHAR__List[FORMAT_LIST_LENGTH] = {};
    l__UCHAR__List[1] = 0x82;  // FOV, Immed
    l__UCHAR__List[3] = 0x08;  // descriptor length
    l__UCHAR__List[4] = l__UCHAR__List[5] = l__UCHAR__List[6] = l__UCHAR__List[7] = 0xFF;
    l__UCHAR__List[8] = 0x98;  // format type 26h: full DVD+RW format
    Report(DVDPLUSRW_FORMAT_BEGIN);
    FormatUnit(1, 0, 1, 0, l__UCHAR__List, FORMAT_LIST_LENGTH);
    WaitForUnitReady(FORMAT_TRIES, WAIT_SLEEP_MILLISECONDS, TRUE);
    Report(DVDPLUSRW_FORMAT_END);
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::FormatUnitForDVDPLUSRW(): EXITing with success\n");
}

void CTarnwick_CdvdBurnerGrabber::FormatUnitForDVDRAM() {
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::FormatUnitForDVDRAM(): ENTERed\n");
    std::vector<UCHAR> l__Capacities(FORMAT_CAPACITIES_SIZE, 0);
    ReadFormatCapacities(l__Capacities.data(), static_cast<ULONG>(l__Capacities.size()));
    UCHAR l__UCHAR__List[FORMAT_LIST_LENGTH] = {};
    l__UCHAR__List[1] = 0x82;
    l__UCHAR__List[3] = 0x08;
    std::memcpy(l__UCHAR__List + 4, l__Capacities.data() + 4, 4);  // current/maximum capacity in blocks
    l__UCHAR__List[8] = 0x00;                                       // format type 0: full format
    l__UCHAR__List[10] = 0x08;                                      // 2048-byte blocks
    Report(DVDRAM_FORMAT_BEGIN);
    FormatUnit(1, 0, 1, 0, l__UCHAR__List, FORMAT_LIST_LENGTH);
    WaitForUnitReady(FORMAT_TRIES, WAIT_SLEEP_MILLISECONDS, FALSE);
    Report(DVDRAM_FORMAT_END);
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::FormatUnitForDVDRAM(): EXITing with success\n");
}

void CTarnwick_CdvdBurnerGrabber::FormatUnitForBDRE() {
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::FormatUnitForBDRE(): ENTERed\n");
    std::vector<UCHAR> l__Capacities(FORMAT_CAPACITIES_SIZE, 0);
    ReadFormatCapacities(l__Capacities.data(), static_cast<ULONG>(l__Capacities.size()));
    // After the 4-byte header and the current/maximum capacity descriptor come the formattable
    // ones, 8 bytes each: blocks, format type (bits 7-2), type-dependent parameter. The first
    // of type 30h (with spare areas) is the drive's default.
    const ULONG l__ULONG__ListLength = std::min<ULONG>(l__Capacities[3], FORMAT_CAPACITIES_SIZE - 4);
    const UCHAR* l__PUCHAR__Chosen = nullptr;
    for (ULONG l__ULONG__At = 4 + 8; l__ULONG__At + 8 <= 4 + l__ULONG__ListLength; l__ULONG__At += 8) {
        if ((l__Capacities[l__ULONG__At + 4] >> 2) == BDRE_FORMAT_WITH_SPARE_AREAS) {
            l__PUCHAR__Chosen = l__Capacities.data() + l__ULONG__At;
            break;
        }
    }
    if (l__PUCHAR__Chosen == nullptr) {
        CTarnwick_Exception::Raise("CTarnwick_CdvdBurnerGrabber::FormatUnitForBDRE", EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_MEDIA_OR_DATA, 0,
                                   "CTarnwick_CdvdBurnerGrabber::FormatUnitForBDRE(): The drive offers no BD-RE format "
                                   "with spare areas!!!");
    }
    UCHAR l__UCHAR__List[FORMAT_LIST_LENGTH] = {};
    l__UCHAR__List[1] = 0x82;  // FOV, Immed
    l__UCHAR__List[3] = 0x08;  // descriptor length
    std::memcpy(l__UCHAR__List + 4, l__PUCHAR__Chosen, 4);                           // blocks
    l__UCHAR__List[8] = static_cast<UCHAR>(BDRE_FORMAT_WITH_SPARE_AREAS << 2);      // sub-type 0: full format
    std::memcpy(l__UCHAR__List + 9, l__PUCHAR__Chosen + 5, 3);                       // spare area size
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::FormatUnitForBDRE(): %lu blocks, spare parameter 0x%06lX\n",
               static_cast<unsigned long>(CTarnwick_Bytes::GetBigEndian32(l__UCHAR__List + 4)),
               static_cast<unsigned long>(CTarnwick_Bytes::GetBigEndian24(l__UCHAR__List + 9)));
    Report(BDRE_FORMAT_BEGIN);
    FormatUnit(1, 0, 1, 0, l__UCHAR__List, FORMAT_LIST_LENGTH);
    WaitForUnitReady(FORMAT_TRIES, WAIT_SLEEP_MILLISECONDS, TRUE);
    Report(BDRE_FORMAT_END);
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::FormatUnitForBDRE(): EXITing with success\n");
}
