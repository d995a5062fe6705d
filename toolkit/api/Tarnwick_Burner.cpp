// The burner family of flat functions: thin shells around the burner-grabber's
// operations that turn every failure into an exception number, a text, a system
// error and the record of a failed command.
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_CarrierTree.h"
#include "CTarnwick_CdvdBurnerGrabber.h"
#include "CTarnwick_DiscAtOncePreparation.h"
#include "CTarnwick_DiskFile.h"
#include "CTarnwick_FileChain.h"
#include "CTarnwick_FlatBoundary.h"
#include "CTarnwick_ISO9660FileTree.h"
#include "CTarnwick_ISO9660Image.h"
#include "CTarnwick_SessionPreparation.h"
#include "DebugPrint.h"
#include "PlatformFile.h"
#include "PlatformSystemError.h"
#include "TarnwickI_ImageFiles.h"
#include "TarnwickI_Object.h"
#include "TarnwickI_Started.h"
#include "tarnwick.h"

namespace {

constexpr ULONG INFORMATION_BUFFER_SIZE = 4096;

CTarnwick_CdvdBurnerGrabber* BurnerOf(PVOID p__PVOID__Burner, const char* p__PCHAR__Function) {
    return TarnwickI_RequireObject<CTarnwick_CdvdBurnerGrabber>(p__PVOID__Burner, p__PCHAR__Function, "p__PVOID__Burner", "burner");
}

// The ISO9660 (or Joliet) tree behind a flat reference.
CTarnwick_ISO9660FileTree* TreeOf(PVOID p__PVOID__Tree, const char* p__PCHAR__Function) {
    return TarnwickI_RequireObject<CTarnwick_ISO9660FileTree>(p__PVOID__Tree, p__PCHAR__Function, "p__PVOID__Tree", "tree");
}

// The shell of every family function: the failure record is zeroed, the operation runs
// on the burner, and its failure becomes the result.
template <class Operation>
ULONG Shell(const char* p__PCHAR__Function, PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
            ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
            PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info, Operation&& p__Operation) {
    return CTarnwick_FlatBoundary::CallBurner(p__PCHAR__Function, p__PCHAR__ExceptionText,
                                              p__ULONG__ExceptionTextSize, p__PULONG__SystemError,
                                              p__PCDB_FAILURE_INFORMATION__Info, [&] {
                                                  p__Operation(*BurnerOf(p__PVOID__Burner, p__PCHAR__Function));
                                              });
}

// The shell of the functions outside the family: no text, no system error and no failure
// record; a failure leaves the caller's outputs as they were.
template <class Operation>
void Query(const char* p__PCHAR__Function, PVOID p__PVOID__Burner, Operation&& p__Operation) {
    CTarnwick_FlatBoundary::CallTree(p__PCHAR__Function, nullptr, 0, nullptr,
                                     [&] { p__Operation(*BurnerOf(p__PVOID__Burner, p__PCHAR__Function)); });
}

// Writes one byte source as one Track-At-Once track through a one-member chain.
void BurnSource(CTarnwick_CdvdBurnerGrabber& p__Burner, CTarnwick_File& p__Source, ULONG p__ULONG__Kind,
                BOOLEAN p__BOOLEAN__IsMode2Form1, BOOLEAN p__BOOLEAN__IsTestWrite,
                BOOLEAN p__BOOLEAN__IsNextSessionAllowed, ULONG p__ULONG__ProgressInterval,
                ULONG p__ULONG__BufferStatusInterval) {
    CTarnwick_FileChain l__Carrier;
    l__Carrier.AddChainTail(&p__Source);
    l__Carrier.SeekToBegin();
    p__Burner.TrackAtOnce(&l__Carrier, p__BOOLEAN__IsMode2Form1, p__BOOLEAN__IsTestWrite,
                          p__BOOLEAN__IsNextSessionAllowed, p__ULONG__ProgressInterval, p__ULONG__BufferStatusInterval,
                          p__ULONG__Kind, 0, 0, 0, 0);
}

// The image of a built tree, for the functions that write a caller's tree.
CTarnwick_FileChain* BuiltImageOf(PVOID p__PVOID__Tree, const char* p__PCHAR__Name) {
    CTarnwick_ISO9660FileTree* l__Tree = TreeOf(p__PVOID__Tree, p__PCHAR__Name);
    if (!l__Tree->IsImageBuild() || l__Tree->GetImage() == nullptr) {
        CTarnwick_Exception::Raise(p__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_STATE, 0,
                                   "%s(): The tree's image is not built!!!", p__PCHAR__Name);
    }
    return l__Tree->GetImage();
}
}  // namespace

extern "C" ULONG Tarnwick_CdvdBurnerGrabber_Create(PVOID* p__PPVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                                   ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                                   PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
                                                   PROGRESS_CALLBACK p__Callback, PVOID p__PVOID__Context,
                                                   UCHAR p__UCHAR__PortID, UCHAR p__UCHAR__BusID,
                                                   UCHAR p__UCHAR__TargetID, UCHAR p__UCHAR__LUN,
                                                   ULONG p__ULONG__CacheSizeInMB) {
    if (!TarnwickI_IsStarted()) {
        DebugPrint("\nTarnwick:Tarnwick_CdvdBurnerGrabber_Create(): EXITing with failure, was not initialized\n");
        return EXCEPTION_NUMBER_NOT_STARTED;
    }
    if (p__PPVOID__Burner == nullptr) {
        if (p__PCDB_FAILURE_INFORMATION__Info != nullptr)
            std::memset(p__PCDB_FAILURE_INFORMATION__Info, 0, sizeof(*p__PCDB_FAILURE_INFORMATION__Info));
        return EXCEPTION_NUMBER_INVALID_PARAMETER;
    }
    *p__PPVOID__Burner = nullptr;
    CTarnwick_CdvdBurnerGrabber* l__Burner = nullptr;
    bool l__bool__IsAllocationFailure = false;
    ULONG l__ULONG__Result = CTarnwick_FlatBoundary::CallBurner(
        "Tarnwick:Tarnwick_CdvdBurnerGrabber_Create", p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize,
        p__PULONG__SystemError, p__PCDB_FAILURE_INFORMATION__Info, [&] {
            l__Burner = new (std::nothrow) CTarnwick_CdvdBurnerGrabber(
                p__Callback, p__PVOID__Context, p__UCHAR__PortID, p__UCHAR__BusID, p__UCHAR__TargetID, p__UCHAR__LUN,
                p__ULONG__CacheSizeInMB);
            l__bool__IsAllocationFailure = l__Burner == nullptr;
        });
    if (l__ULONG__Result != EXCEPTION_NUMBER_SUCCESS) return l__ULONG__Result;
    if (l__bool__IsAllocationFailure) return EXCEPTION_NUMBER_OUT_OF_MEMORY;
    *p__PPVOID__Burner = static_cast<CTarnwick_EmptyBase*>(l__Burner);
    return EXCEPTION_NUMBER_SUCCESS;
}

extern "C" void Tarnwick_CdvdBurnerGrabber_GetDeviceInformation(PVOID p__PVOID__Burner, PCHAR p__PCHAR__VendorID,
                                                                PCHAR p__PCHAR__ProductID,
                                                                PCHAR p__PCHAR__ProductRevision,
                                                                PULONG p__PULONG__BufferSize) {
    Query("Tarnwick:Tarnwick_CdvdBurnerGrabber_GetDeviceInformation", p__PVOID__Burner,
          [&](CTarnwick_CdvdBurnerGrabber& b) {
              b.GetDeviceInformation(p__PCHAR__VendorID, p__PCHAR__ProductID, p__PCHAR__ProductRevision,
                                     p__PULONG__BufferSize);
          });
}

extern "C" ULONG Tarnwick_CdvdBurnerGrabber_ProbeSupportedWriteModes(
    PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
    PULONG p__PULONG__SystemError, PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
    PBOOLEAN p__PBOOLEAN__TAO, PBOOLEAN p__PBOOLEAN__SAO, PBOOLEAN p__PBOOLEAN__DAOPQ,
    PBOOLEAN p__PBOOLEAN__DAORawPW) {
    return Shell("Tarnwick:Tarnwick_CdvdBurnerGrabber_ProbeSupportedWriteModes", p__PVOID__Burner,
                 p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize, p__PULONG__SystemError,
                 p__PCDB_FAILURE_INFORMATION__Info, [&](CTarnwick_CdvdBurnerGrabber& b) {
                     b.ProbeSupportedWriteModes(p__PBOOLEAN__TAO, p__PBOOLEAN__SAO, p__PBOOLEAN__DAOPQ,
                                                p__PBOOLEAN__DAORawPW);
                 });
}

extern "C" ULONG Tarnwick_CdvdBurnerGrabber_TestUnitReady(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                                          ULONG p__ULONG__ExceptionTextSize,
                                                          PULONG p__PULONG__SystemError,
                                                          PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info) {
    return Shell("Tarnwick:Tarnwick_CdvdBurnerGrabber_TestUnitReady", p__PVOID__Burner, p__PCHAR__ExceptionText,
                 p__ULONG__ExceptionTextSize, p__PULONG__SystemError, p__PCDB_FAILURE_INFORMATION__Info,
                 [&](CTarnwick_CdvdBurnerGrabber& b) { b.TestUnitReady(10); });
}

extern "C" ULONG Tarnwick_CdvdBurnerGrabber_GetBUP(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                                   ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                                   PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
                                                   PBOOLEAN p__PBOOLEAN__IsEnabled, PBOOLEAN p__PBOOLEAN__IsSupported) {
    return Shell("Tarnwick:Tarnwick_CdvdBurnerGrabber_GetBUP", p__PVOID__Burner, p__PCHAR__ExceptionText,
                 p__ULONG__ExceptionTextSize, p__PULONG__SystemError, p__PCDB_FAILURE_INFORMATION__Info,
                 [&](CTarnwick_CdvdBurnerGrabber& b) { b.GetBUP(p__PBOOLEAN__IsEnabled, p__PBOOLEAN__IsSupported); });
}

extern "C" ULONG Tarnwick_CdvdBurnerGrabber_SetBUP(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                                   ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                                   PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
                                                   BOOLEAN p__BOOLEAN__Enable) {
    return Shell("Tarnwick:Tarnwick_CdvdBurnerGrabber_SetBUP", p__PVOID__Burner, p__PCHAR__ExceptionText,
                 p__ULONG__ExceptionTextSize, p__PULONG__SystemError, p__PCDB_FAILURE_INFORMATION__Info,
                 [&](CTarnwick_CdvdBurnerGrabber& b) { b.SetBUP(p__BOOLEAN__Enable); });
}

extern "C" ULONG Tarnwick_CdvdBurnerGrabber_SetSpeeds(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                                      ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                                      PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
                                                      ULONG p__ULONG__ReadSpeed, ULONG p__ULONG__WriteSpeed) {
    return Shell("Tarnwick:Tarnwick_CdvdBurnerGrabber_SetSpeeds", p__PVOID__Burner, p__PCHAR__ExceptionText,
                 p__ULONG__ExceptionTextSize, p__PULONG__SystemError, p__PCDB_FAILURE_INFORMATION__Info,
                 [&](CTarnwick_CdvdBurnerGrabber& b) { b.SetSpeeds(p__ULONG__ReadSpeed, p__ULONG__WriteSpeed); });
}

extern "C" ULONG Tarnwick_CdvdBurnerGrabber_GetSpeeds(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                                      ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                                      PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
                                                      PULONG p__PULONG__CurrentRead, PULONG p__PULONG__MaximumRead,
                                                      PULONG p__PULONG__CurrentWrite, PULONG p__PULONG__MaximumWrite) {
    return Shell("Tarnwick:Tarnwick_CdvdBurnerGrabber_GetSpeeds", p__PVOID__Burner, p__PCHAR__ExceptionText,
                 p__ULONG__ExceptionTextSize, p__PULONG__SystemError, p__PCDB_FAILURE_INFORMATION__Info,
                 [&](CTarnwick_CdvdBurnerGrabber& b) {
                     LONG l__LONG__Speeds[4] = {};
                     b.GetCdvdSpeeds(&l__LONG__Speeds[0], &l__LONG__Speeds[1], &l__LONG__Speeds[2],
                                     &l__LONG__Speeds[3]);
                     *p__PULONG__CurrentRead = static_cast<ULONG>(l__LONG__Speeds[0]);
                     *p__PULONG__MaximumRead = static_cast<ULONG>(l__LONG__Speeds[1]);
                     *p__PULONG__CurrentWrite = static_cast<ULONG>(l__LONG__Speeds[2]);
                     *p__PULONG__MaximumWrite = static_cast<ULONG>(l__LONG__Speeds[3]);
                 });
}

extern "C" ULONG Tarnwick_CdvdBurnerGrabber_GetTrackInformation(
    PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
    PULONG p__PULONG__SystemError, PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
    UCHAR p__UCHAR__TrackNumber, PTRACK_INFORMATION p__PTRACK_INFORMATION__Track) {
    std::vector<UCHAR> l__Block(INFORMATION_BUFFER_SIZE, 0);
    ULONG l__ULONG__Result =
        Shell("Tarnwick:Tarnwick_CdvdBurnerGrabber_GetTrackInformation", p__PVOID__Burner, p__PCHAR__ExceptionText,
              p__ULONG__ExceptionTextSize, p__PULONG__SystemError, p__PCDB_FAILURE_INFORMATION__Info,
              [&](CTarnwick_CdvdBurnerGrabber& b) {
                  b.GetTrackInformation(p__UCHAR__TrackNumber, l__Block.data(), INFORMATION_BUFFER_SIZE);
              });
    if (p__PTRACK_INFORMATION__Track == nullptr) return l__ULONG__Result;
    p__PTRACK_INFORMATION__Track->m__UCHAR__IsValid = l__ULONG__Result == EXCEPTION_NUMBER_SUCCESS ? 1 : 0;
    if (l__ULONG__Result != EXCEPTION_NUMBER_SUCCESS) return l__ULONG__Result;
    const UCHAR* b = l__Block.data();
    TRACK_INFORMATION& t = *p__PTRACK_INFORMATION__Track;
    t.m__UCHAR__TrackNumber = b[2];
    t.m__UCHAR__SessionNumber = b[3];
    t.m__UCHAR__TrackMode = b[5] & 0x0F;
    t.m__UCHAR__Copy = (b[5] >> 4) & 0x01;
    t.m__UCHAR__Damage = (b[5] >> 5) & 0x01;
    t.m__UCHAR__DataMode = b[6] & 0x0F;
    t.m__UCHAR__FixedPacket = (b[6] >> 4) & 0x01;
    t.m__UCHAR__Packet = (b[6] >> 5) & 0x01;
    t.m__UCHAR__Blank = (b[6] >> 6) & 0x01;
    t.m__UCHAR__ReservedTrack = (b[6] >> 7) & 0x01;
    t.m__UCHAR__NWAValid = b[7] & 0x01;
    t.m__ULONG__TrackStartAddress = CTarnwick_Bytes::GetBigEndian32(b + 8);
    t.m__ULONG__NextWritableAddress = CTarnwick_Bytes::GetBigEndian32(b + 12);
    t.m__ULONG__FreeBlocks = CTarnwick_Bytes::GetBigEndian32(b + 16);
    t.m__ULONG__FixedPacketSize = CTarnwick_Bytes::GetBigEndian32(b + 20);
    return l__ULONG__Result;
}

extern "C" ULONG Tarnwick_CdvdBurnerGrabber_GetDiscInformation(
    PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
    PULONG p__PULONG__SystemError, PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
    PDISC_INFORMATION p__PDISC_INFORMATION__Disc) {
    std::vector<UCHAR> l__Block(INFORMATION_BUFFER_SIZE, 0);
    ULONG l__ULONG__Result =
        Shell("Tarnwick:Tarnwick_CdvdBurnerGrabber_GetDiscInformation", p__PVOID__Burner, p__PCHAR__ExceptionText,
              p__ULONG__ExceptionTextSize, p__PULONG__SystemError, p__PCDB_FAILURE_INFORMATION__Info,
              [&](CTarnwick_CdvdBurnerGrabber& b) { b.GetDiscInformation(l__Block.data(), INFORMATION_BUFFER_SIZE); });
    if (p__PDISC_INFORMATION__Disc == nullptr) return l__ULONG__Result;
    p__PDISC_INFORMATION__Disc->m__UCHAR__IsValid = l__ULONG__Result == EXCEPTION_NUMBER_SUCCESS ? 1 : 0;
    if (l__ULONG__Result != EXCEPTION_NUMBER_SUCCESS) return l__ULONG__Result;
    const UCHAR* b = l__Block.data();
    DISC_INFORMATION& d = *p__PDISC_INFORMATION__Disc;
    d.m__UCHAR__DiscStatus = b[2] & 0x03;
    d.m__UCHAR__LastSessionState = (b[2] >> 2) & 0x03;
    d.m__UCHAR__Erasable = (b[2] >> 4) & 0x01;
    d.m__UCHAR__FirstTrackNumber = b[3];
    d.m__UCHAR__NumberOfSessions = b[4];
    d.m__UCHAR__FirstTrackInLastSession = b[5];
    d.m__UCHAR__LastTrackInLastSession = b[6];
    d.m__UCHAR__UnrestrictedUse = (b[7] >> 5) & 0x01;
    d.m__UCHAR__DiscBarCodeValid = (b[7] >> 6) & 0x01;
    d.m__UCHAR__DiscIdValid = (b[7] >> 7) & 0x01;
    d.m__UCHAR__DiscType = b[8];
    std::memcpy(d.m__UCHAR__DiscId, b + 12, 4);
    std::memcpy(d.m__UCHAR__LastSessionLeadInStart, b + 16, 4);
    std::memcpy(d.m__UCHAR__LastPossibleLeadOutStart, b + 20, 4);
    std::memcpy(d.m__UCHAR__DiscBarCode, b + 24, 8);
    d.m__UCHAR__NumberOfOPCTables = b[33];
    return l__ULONG__Result;
}

extern "C" ULONG Tarnwick_CdvdBurnerGrabber_GetInsertedDiscType(PVOID p__PVOID__Burner) {
    ULONG l__ULONG__DiscType = DISC_TYPE_UNSUPPORTED;
    Query("Tarnwick:Tarnwick_CdvdBurnerGrabber_GetInsertedDiscType", p__PVOID__Burner,
          [&](CTarnwick_CdvdBurnerGrabber& b) { l__ULONG__DiscType = b.GetInsertedDiscType(); });
    return l__ULONG__DiscType;
}

extern "C" ULONG Tarnwick_CdvdBurnerGrabber_SendOPC(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                                    ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                                    PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info) {
    return Shell("Tarnwick:Tarnwick_CdvdBurnerGrabber_SendOPC", p__PVOID__Burner, p__PCHAR__ExceptionText,
                 p__ULONG__ExceptionTextSize, p__PULONG__SystemError, p__PCDB_FAILURE_INFORMATION__Info,
                 [&](CTarnwick_CdvdBurnerGrabber& b) { b.SendOPC(); });
}

extern "C" ULONG Tarnwick_CdvdBurnerGrabber_Pellmark(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                                     ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                                     PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
                                                     PCHAR p__PCHAR__FileName, BOOLEAN p__BOOLEAN__IsMode2Form1,
                                                     BOOLEAN p__BOOLEAN__IsTestWrite,
                                                     BOOLEAN p__BOOLEAN__IsNextSessionAllowed,
                                                     ULONG p__ULONG__ProgressInterval,
                                                     ULONG p__ULONG__BufferStatusInterval) {
    bool l__bool__IsOutOfMemory = false;
    ULONG l__ULONG__Result = Shell(
        "Tarnwick:Tarnwick_CdvdBurnerGrabber_Pellmark", p__PVOID__Burner, p__PCHAR__ExceptionText,
        p__ULONG__ExceptionTextSize, p__PULONG__SystemError, p__PCDB_FAILURE_INFORMATION__Info,
        [&](CTarnwick_CdvdBurnerGrabber& b) {
            if (p__PCHAR__FileName == nullptr) {
                CTarnwick_Exception::Raise("Tarnwick:Tarnwick_CdvdBurnerGrabber_Pellmark", EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                           EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                           "Tarnwick:Tarnwick_CdvdBurnerGrabber_Pellmark(): p__PCHAR__FileName is "
                                           "NULL!!!");
            }
            bool l__bool__IsSound = false;
            std::unique_ptr<CTarnwick_File> l__Source = CTarnwick_SessionPreparation::MakeSource(
                p__PCHAR__FileName, "Tarnwick:Tarnwick_CdvdBurnerGrabber_Pellmark", &l__bool__IsSound);
            if (!l__Source) {
                l__bool__IsOutOfMemory = true;
                return;
            }
            BurnSource(b, *l__Source, l__bool__IsSound ? 2 : 1, p__BOOLEAN__IsMode2Form1, p__BOOLEAN__IsTestWrite,
                       p__BOOLEAN__IsNextSessionAllowed, p__ULONG__ProgressInterval, p__ULONG__BufferStatusInterval);
        });
    return l__bool__IsOutOfMemory ? static_cast<ULONG>(EXCEPTION_NUMBER_OUT_OF_MEMORY) : l__ULONG__Result;
}

extern "C" ULONG Tarnwick_CdvdBurnerGrabber_TrackAtOnceFromHandle(
    PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
    PULONG p__PULONG__SystemError, PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info, int p__INT__Handle,
    BOOLEAN p__BOOLEAN__IsMode2Form1, BOOLEAN p__BOOLEAN__IsTestWrite, BOOLEAN p__BOOLEAN__IsNextSessionAllowed,
    ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__BufferStatusInterval) {
    return Shell("Tarnwick:Tarnwick_CdvdBurnerGrabber_TrackAtOnceFromHandle", p__PVOID__Burner, p__PCHAR__ExceptionText,
                 p__ULONG__ExceptionTextSize, p__PULONG__SystemError, p__PCDB_FAILURE_INFORMATION__Info,
                 [&](CTarnwick_CdvdBurnerGrabber& b) {
                     int64_t l__LONGLONG__Size = PlatformFile::Size(p__INT__Handle);
                     if (l__LONGLONG__Size < 0) {
                         ULONG l__ULONG__Error = GetLastError();
                         CTarnwick_Exception::Raise("Tarnwick:Tarnwick_CdvdBurnerGrabber_TrackAtOnceFromHandle",
                                                    EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_SYSTEM_ERROR,
                                                    l__ULONG__Error,
                                                    "Tarnwick:Tarnwick_CdvdBurnerGrabber_TrackAtOnceFromHandle(): "
                                                    "GetFileSize() failed, status %ld!!!",
                                                    static_cast<long>(l__ULONG__Error));
                     }
                     CTarnwick_DiskFile l__Source(p__INT__Handle, static_cast<uint64_t>(l__LONGLONG__Size));
                     BurnSource(b, l__Source, 1, p__BOOLEAN__IsMode2Form1, p__BOOLEAN__IsTestWrite,
                                p__BOOLEAN__IsNextSessionAllowed, p__ULONG__ProgressInterval,
                                p__ULONG__BufferStatusInterval);
                 });
}

extern "C" ULONG Tarnwick_CdvdBurnerGrabber_TrackAtOnceFromTree(
    PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
    PULONG p__PULONG__SystemError, PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info, PVOID p__PVOID__Tree,
    BOOLEAN p__BOOLEAN__IsMode2Form1, BOOLEAN p__BOOLEAN__IsTestWrite, BOOLEAN p__BOOLEAN__IsNextSessionAllowed,
    ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__BufferStatusInterval) {
    static const char* const c__PCHAR__Name = "Tarnwick:Tarnwick_CdvdBurnerGrabber_TrackAtOnceFromTree";
    return Shell(c__PCHAR__Name, p__PVOID__Burner, p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize,
                 p__PULONG__SystemError, p__PCDB_FAILURE_INFORMATION__Info, [&](CTarnwick_CdvdBurnerGrabber& b) {
                     CTarnwick_FileChain* l__Image = BuiltImageOf(p__PVOID__Tree, c__PCHAR__Name);
                     l__Image->SeekToBegin();
                     b.TrackAtOnce(l__Image, p__BOOLEAN__IsMode2Form1, p__BOOLEAN__IsTestWrite,
                                   p__BOOLEAN__IsNextSessionAllowed, p__ULONG__ProgressInterval,
                                   p__ULONG__BufferStatusInterval, 1, 0, 0, 0, 0);
                 });
}

extern "C" ULONG Tarnwick_CdvdBurnerGrabber_SessionAtOnce(
    PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
    PULONG p__PULONG__SystemError, PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
    PSESSION_DESCRIPTOR p__PSESSION_DESCRIPTOR__Session, BOOLEAN p__BOOLEAN__IsMode2Form1, BOOLEAN p__BOOLEAN__IsTestWrite,
    BOOLEAN p__BOOLEAN__IsNextSessionAllowed, ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__BufferStatusInterval) {
    static const char* const c__PCHAR__Name = "Tarnwick:Tarnwick_CdvdBurnerGrabber_SessionAtOnce";
    return Shell(c__PCHAR__Name, p__PVOID__Burner, p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize,
                 p__PULONG__SystemError, p__PCDB_FAILURE_INFORMATION__Info, [&](CTarnwick_CdvdBurnerGrabber& b) {
                     // Whatever happens, the sources and trees made for the call go, and the
                     // caller's trees are back in their entries.
                     CTarnwick_SessionPreparation l__Preparation(p__PSESSION_DESCRIPTOR__Session, c__PCHAR__Name);
                     l__Preparation.Prepare(p__BOOLEAN__IsMode2Form1);
                     b.SessionAtOnce(p__PSESSION_DESCRIPTOR__Session, p__BOOLEAN__IsMode2Form1, p__BOOLEAN__IsTestWrite,
                                     p__BOOLEAN__IsNextSessionAllowed, p__ULONG__ProgressInterval,
                                     p__ULONG__BufferStatusInterval, 0);
                 });
}

extern "C" ULONG Tarnwick_CdvdBurnerGrabber_SessionAtOnceRawRawPW(
    PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
    PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info, PCHAR p__PCHAR__MdsFileName, BOOLEAN p__BOOLEAN__IsTestWrite,
    ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__BufferStatusInterval, BOOLEAN p__BOOLEAN__IsRawMode) {
    static const char* const c__PCHAR__Name = "Tarnwick:Tarnwick_CdvdBurnerGrabber_SessionAtOnceRawRawPW";
    return Shell(c__PCHAR__Name, p__PVOID__Burner, p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize,
                 p__PULONG__SystemError, p__PCDB_FAILURE_INFORMATION__Info, [&](CTarnwick_CdvdBurnerGrabber& b) {
                     std::string l__string__FullPath;
                     if (p__PCHAR__MdsFileName == nullptr ||
                         !PlatformFile::FullPath(p__PCHAR__MdsFileName, &l__string__FullPath)) {
                         const ULONG s = p__PCHAR__MdsFileName == nullptr ? EINVAL : GetLastError();
                         CTarnwick_Exception::Raise(c__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_SYSTEM_ERROR, s,
                                                    "%s(): GetFullPathName( ... ) failed, status %ld ( 0x%X )!!!", c__PCHAR__Name,
                                                    static_cast<long>(s), s);
                     }
                     // The directory keeps its trailing "/": the image's name is relative to it.
                     const std::string l__string__Directory = l__string__FullPath.substr(0, l__string__FullPath.rfind('/') + 1);
                     auto l__Session = std::make_unique<SESSION_DESCRIPTOR>();
                     std::memset(l__Session.get(), 0, sizeof(SESSION_DESCRIPTOR));
                     UCHAR l__UCHAR__Kind = 1;
                     CHAR l__CHAR__ImageFileName[MDS_IMAGE_FILE_NAME_SIZE] = {};
                     const ULONG l__ULONG__Status = TarnwickI_ParseMDS(l__string__FullPath.c_str(), l__Session.get(), &l__UCHAR__Kind,
                                                                       l__CHAR__ImageFileName, l__string__Directory.c_str());
                     if (l__ULONG__Status != 0) {
                         CTarnwick_Exception::Raise(c__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_SYSTEM_ERROR,
                                                    l__ULONG__Status, "%s(): TarnwickI_ParseMDS( ... ) failed, status %ld ( 0x%X )!!!",
                                                    c__PCHAR__Name, static_cast<long>(l__ULONG__Status), l__ULONG__Status);
                     }
                     const std::string l__string__Image = l__string__Directory + l__CHAR__ImageFileName;
                     DebugPrint("\nTarnwick:Tarnwick_CdvdBurnerGrabber_SessionAtOnceRawRawPW(): MDF file name and path '%s'\n",
                                l__string__Image.c_str());
                     const BOOLEAN l__BOOLEAN__IsMode2Form1 = l__UCHAR__Kind == 2 ? 1 : 0;
                     std::unique_ptr<CTarnwick_File> l__Source = CTarnwick_SessionPreparation::MakeSource(l__string__Image.c_str(), false);
                     if (!l__Source) {
                         CTarnwick_Exception::Raise(c__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_OUT_OF_MEMORY, 0,
                                                    "%s(): m__PVOID__File == NULL!!!", c__PCHAR__Name);
                     }
                     std::unique_ptr<CTarnwick_CarrierTree> l__Tree(new (std::nothrow) CTarnwick_CarrierTree(l__Source.get()));
                     if (!l__Tree) {
                         CTarnwick_Exception::Raise(c__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_OUT_OF_MEMORY, 0,
                                                    "%s(): m__PVOID__Tree == NULL!!!", c__PCHAR__Name);
                     }
                     SESSION_TRACK_ENTRY& l__Entry = l__Session->m__SESSION_TRACK_ENTRY__Tracks[0];
                     l__Session->m__ULONG__NumberOfTracks = 1;
                     l__Entry.m__UCHAR__IsRawPW = 1;
                     l__Entry.m__PVOID__File = l__Source.get();
                     l__Entry.m__PVOID__Tree = static_cast<CTarnwick_EmptyBase*>(l__Tree.get());
                     b.SessionAtOnce(l__Session.get(), l__BOOLEAN__IsMode2Form1, p__BOOLEAN__IsTestWrite, 0,
                                     p__ULONG__ProgressInterval, p__ULONG__BufferStatusInterval, p__BOOLEAN__IsRawMode);
                 });
}

namespace {
// The four Disc-At-Once functions: the tracks made ready, expanded into raw blocks of the
// form asked, and written by the engine's raw writing of that form.
template <class Prepare>
ULONG DiscAtOnce(const char* p__PCHAR__Name, bool p__bool__IsRawPW, PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                 ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                 PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info, BOOLEAN p__BOOLEAN__IsMode2Form1,
                 BOOLEAN p__BOOLEAN__IsTestWrite, BOOLEAN p__BOOLEAN__IsNextSessionAllowed, ULONG p__ULONG__ProgressInterval,
                 ULONG p__ULONG__BufferStatusInterval, const Prepare& p__Prepare) {
    return Shell(p__PCHAR__Name, p__PVOID__Burner, p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize, p__PULONG__SystemError,
                 p__PCDB_FAILURE_INFORMATION__Info, [&](CTarnwick_CdvdBurnerGrabber& b) {
                     CTarnwick_DiscAtOncePreparation l__Preparation(p__PCHAR__Name);
                     p__Prepare(l__Preparation);
                     CTarnwick_FileChain* l__Raw = l__Preparation.MakeRawTrack(p__bool__IsRawPW, p__BOOLEAN__IsMode2Form1);
                     if (p__bool__IsRawPW) {
                         b.DiscAtOnceRawPW(l__Raw, p__BOOLEAN__IsMode2Form1, p__BOOLEAN__IsTestWrite, p__BOOLEAN__IsNextSessionAllowed,
                                           p__ULONG__ProgressInterval, p__ULONG__BufferStatusInterval, l__Preparation.List());
                     } else {
                         b.DiscAtOncePQ(l__Raw, p__BOOLEAN__IsMode2Form1, p__BOOLEAN__IsTestWrite, p__BOOLEAN__IsNextSessionAllowed,
                                        p__ULONG__ProgressInterval, p__ULONG__BufferStatusInterval, l__Preparation.List());
                     }
                 });
}

}  // namespace

#define TARNWICK_DISC_AT_ONCE_FUNCTIONS(Form, IsRawPW)                                                                    \
    extern "C" ULONG Tarnwick_CdvdBurnerGrabber_DiscAtOnce##Form##FromFile(                                               \
        PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,                        \
        PULONG p__PULONG__SystemError, PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,                        \
        PDISC_AT_ONCE_TRACK_LIST p__PDISC_AT_ONCE_TRACK_LIST__Tracks, BOOLEAN p__BOOLEAN__IsMode2Form1,                   \
        BOOLEAN p__BOOLEAN__IsTestWrite, BOOLEAN p__BOOLEAN__IsNextSessionAllowed, ULONG p__ULONG__ProgressInterval,     \
        ULONG p__ULONG__BufferStatusInterval) {                                                                           \
        return DiscAtOnce("Tarnwick:Tarnwick_CdvdBurnerGrabber_DiscAtOnce" #Form "FromFile", IsRawPW, p__PVOID__Burner,  \
                          p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize, p__PULONG__SystemError,                   \
                          p__PCDB_FAILURE_INFORMATION__Info, p__BOOLEAN__IsMode2Form1, p__BOOLEAN__IsTestWrite,           \
                          p__BOOLEAN__IsNextSessionAllowed, p__ULONG__ProgressInterval, p__ULONG__BufferStatusInterval,   \
                          [&](CTarnwick_DiscAtOncePreparation& p) {                                                       \
                              p.PrepareFiles(p__PDISC_AT_ONCE_TRACK_LIST__Tracks, p__BOOLEAN__IsMode2Form1);              \
                          });                                                                                             \
    }                                                                                                                     \
    extern "C" ULONG Tarnwick_CdvdBurnerGrabber_DiscAtOnce##Form##FromTree(                                               \
        PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,                        \
        PULONG p__PULONG__SystemError, PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info, PVOID p__PVOID__Tree, \
        BOOLEAN p__BOOLEAN__IsMode2Form1, BOOLEAN p__BOOLEAN__IsTestWrite, BOOLEAN p__BOOLEAN__IsNextSessionAllowed,     \
        ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__BufferStatusInterval) {                                         \
        static const char* const c__PCHAR__Name = "Tarnwick:Tarnwick_CdvdBurnerGrabber_DiscAtOnce" #Form "FromTree";     \
        return DiscAtOnce(c__PCHAR__Name, IsRawPW, p__PVOID__Burner, p__PCHAR__ExceptionText,                             \
                          p__ULONG__ExceptionTextSize, p__PULONG__SystemError, p__PCDB_FAILURE_INFORMATION__Info,         \
                          p__BOOLEAN__IsMode2Form1, p__BOOLEAN__IsTestWrite, p__BOOLEAN__IsNextSessionAllowed,            \
                          p__ULONG__ProgressInterval, p__ULONG__BufferStatusInterval,                                     \
                          [&](CTarnwick_DiscAtOncePreparation& p) {                                                       \
                              p.PrepareImage(BuiltImageOf(p__PVOID__Tree, c__PCHAR__Name), p__BOOLEAN__IsMode2Form1);     \
                          });                                                                                             \
    }

TARNWICK_DISC_AT_ONCE_FUNCTIONS(PQ, false)
TARNWICK_DISC_AT_ONCE_FUNCTIONS(RawPW, true)

extern "C" ULONG Tarnwick_ISO9660JolietFileTree_ImportTrack(PVOID p__PVOID__Burner, PVOID p__PVOID__Tree,
                                                            UCHAR p__UCHAR__TrackNumber, BOOLEAN p__BOOLEAN__IsJoliet,
                                                            PCHAR p__PCHAR__ExceptionText,
                                                            ULONG p__ULONG__ExceptionTextSize,
                                                            PULONG p__PULONG__SystemError) {
    static const char* const c__PCHAR__Name = "Tarnwick:Tarnwick_ISO9660JolietFileTree_ImportTrack";
    return CTarnwick_FlatBoundary::CallTree(c__PCHAR__Name, p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize,
                                            p__PULONG__SystemError, [&] {
                                                CTarnwick_CdvdBurnerGrabber* l__Burner =
                                                    BurnerOf(p__PVOID__Burner, c__PCHAR__Name);
                                                l__Burner->ImportTrack(TreeOf(p__PVOID__Tree, c__PCHAR__Name),
                                                                       p__UCHAR__TrackNumber, p__BOOLEAN__IsJoliet);
                                            });
}

#define TARNWICK_SIMPLE_BURNER_FUNCTION(Name, Call)                                                                  \
    extern "C" ULONG Tarnwick_CdvdBurnerGrabber_##Name(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,       \
                                                       ULONG p__ULONG__ExceptionTextSize,                            \
                                                       PULONG p__PULONG__SystemError,                                \
                                                       PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info) { \
        return Shell("Tarnwick:Tarnwick_CdvdBurnerGrabber_" #Name, p__PVOID__Burner, p__PCHAR__ExceptionText,       \
                     p__ULONG__ExceptionTextSize, p__PULONG__SystemError, p__PCDB_FAILURE_INFORMATION__Info,         \
                     [&](CTarnwick_CdvdBurnerGrabber& b) { b.Call(); });                                             \
    }

TARNWICK_SIMPLE_BURNER_FUNCTION(CloseSession, CloseSession)
TARNWICK_SIMPLE_BURNER_FUNCTION(Eject, Eject)
TARNWICK_SIMPLE_BURNER_FUNCTION(Load, Load)
TARNWICK_SIMPLE_BURNER_FUNCTION(Lock, Lock)
TARNWICK_SIMPLE_BURNER_FUNCTION(Release, Release)

extern "C" ULONG Tarnwick_CdvdBurnerGrabber_Blank(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                                  ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                                  PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
                                                  ULONG p__ULONG__BlankingType) {
    return Shell("Tarnwick:Tarnwick_CdvdBurnerGrabber_Blank", p__PVOID__Burner, p__PCHAR__ExceptionText,
                 p__ULONG__ExceptionTextSize, p__PULONG__SystemError, p__PCDB_FAILURE_INFORMATION__Info,
                 [&](CTarnwick_CdvdBurnerGrabber& b) { b.Blank(p__ULONG__BlankingType, 0); });
}

extern "C" ULONG Tarnwick_CdvdBurnerGrabber_ReadTOC(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                                    ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                                    PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
                                                    PTOC_INFORMATION p__PTOC_INFORMATION__Toc) {
    static const char* const c__PCHAR__Name = "Tarnwick:Tarnwick_CdvdBurnerGrabber_ReadTOC";
    return Shell(c__PCHAR__Name, p__PVOID__Burner, p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize,
                 p__PULONG__SystemError, p__PCDB_FAILURE_INFORMATION__Info, [&](CTarnwick_CdvdBurnerGrabber& b) {
                     if (p__PTOC_INFORMATION__Toc == nullptr) {
                         CTarnwick_Exception::Raise(c__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                                    EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                                    "%s(): p__PTOC_INFORMATION__Toc is NULL!!!", c__PCHAR__Name);
                     }
                     std::memset(p__PTOC_INFORMATION__Toc, 0, sizeof(TOC_INFORMATION));
                     b.ReadTOC(p__PTOC_INFORMATION__Toc);
                 });
}

extern "C" ULONG Tarnwick_CdvdBurnerGrabber_GrabTrack(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                                      ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                                      PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
                                                      UCHAR p__UCHAR__TrackNumber, PCHAR p__PCHAR__FileName,
                                                      ULONG p__ULONG__RetryDepth, BOOLEAN p__BOOLEAN__IsIgnoreErrors,
                                                      BOOLEAN p__BOOLEAN__IsForceSingleBlocks,
                                                      ULONG p__ULONG__ProgressInterval) {
    return Shell("Tarnwick:Tarnwick_CdvdBurnerGrabber_GrabTrack", p__PVOID__Burner, p__PCHAR__ExceptionText,
                 p__ULONG__ExceptionTextSize, p__PULONG__SystemError, p__PCDB_FAILURE_INFORMATION__Info,
                 [&](CTarnwick_CdvdBurnerGrabber& b) {
                     b.GrabTrack(p__UCHAR__TrackNumber, p__PCHAR__FileName, p__ULONG__RetryDepth,
                                 p__BOOLEAN__IsIgnoreErrors, p__BOOLEAN__IsForceSingleBlocks,
                                 p__ULONG__ProgressInterval);
                 });
}

extern "C" ULONG Tarnwick_CdvdBurnerGrabber_GrabRange(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                                      ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                                      PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
                                                      LONG p__LONG__FirstLBA, LONG p__LONG__LastLBA,
                                                      PCHAR p__PCHAR__FileName, ULONG p__ULONG__RetryDepth,
                                                      BOOLEAN p__BOOLEAN__IsIgnoreErrors,
                                                      BOOLEAN p__BOOLEAN__IsForceSingleBlocks,
                                                      ULONG p__ULONG__ProgressInterval) {
    return Shell("Tarnwick:Tarnwick_CdvdBurnerGrabber_GrabRange", p__PVOID__Burner, p__PCHAR__ExceptionText,
                 p__ULONG__ExceptionTextSize, p__PULONG__SystemError, p__PCDB_FAILURE_INFORMATION__Info,
                 [&](CTarnwick_CdvdBurnerGrabber& b) {
                     b.GrabRange(p__LONG__FirstLBA, p__LONG__LastLBA, p__PCHAR__FileName, p__ULONG__RetryDepth,
                                 p__BOOLEAN__IsIgnoreErrors, p__BOOLEAN__IsForceSingleBlocks,
                                 p__ULONG__ProgressInterval);
                 });
}

extern "C" ULONG Tarnwick_CdvdBurnerGrabber_GrabDisc(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                                     ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                                     PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
                                                     PCHAR p__PCHAR__FileName, ULONG p__ULONG__RetryDepth,
                                                     BOOLEAN p__BOOLEAN__IsIgnoreErrors,
                                                     BOOLEAN p__BOOLEAN__IsForceSingleBlocks,
                                                     ULONG p__ULONG__ProgressInterval) {
    return Shell("Tarnwick:Tarnwick_CdvdBurnerGrabber_GrabDisc", p__PVOID__Burner, p__PCHAR__ExceptionText,
                 p__ULONG__ExceptionTextSize, p__PULONG__SystemError, p__PCDB_FAILURE_INFORMATION__Info,
                 [&](CTarnwick_CdvdBurnerGrabber& b) {
                     b.GrabDisc(p__PCHAR__FileName, p__ULONG__RetryDepth, p__BOOLEAN__IsIgnoreErrors,
                                p__BOOLEAN__IsForceSingleBlocks, p__ULONG__ProgressInterval);
                 });
}

extern "C" ULONG Tarnwick_CdvdBurnerGrabber_GrabDiscSplit(PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText,
                                                          ULONG p__ULONG__ExceptionTextSize,
                                                          PULONG p__PULONG__SystemError,
                                                          PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
                                                          PCHAR p__PCHAR__FileName, ULONG p__ULONG__RetryDepth,
                                                          BOOLEAN p__BOOLEAN__IsIgnoreErrors,
                                                          BOOLEAN p__BOOLEAN__IsForceSingleBlocks,
                                                          ULONG p__ULONG__ProgressInterval,
                                                          ULONGLONG p__ULONGLONG__PartSize) {
    return Shell("Tarnwick:Tarnwick_CdvdBurnerGrabber_GrabDiscSplit", p__PVOID__Burner, p__PCHAR__ExceptionText,
                 p__ULONG__ExceptionTextSize, p__PULONG__SystemError, p__PCDB_FAILURE_INFORMATION__Info,
                 [&](CTarnwick_CdvdBurnerGrabber& b) {
                     b.GrabDiscSplit(p__PCHAR__FileName, p__ULONG__RetryDepth, p__BOOLEAN__IsIgnoreErrors,
                                     p__BOOLEAN__IsForceSingleBlocks, p__ULONG__ProgressInterval,
                                     p__ULONGLONG__PartSize);
                 });
}

extern "C" ULONG Tarnwick_CdvdBurnerGrabber_ProbeSupportedReadModes(
    PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
    PULONG p__PULONG__SystemError, PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
    PBOOLEAN p__PBOOLEAN__Cooked, PBOOLEAN p__PBOOLEAN__Raw, PBOOLEAN p__PBOOLEAN__RawPQ,
    PBOOLEAN p__PBOOLEAN__RawRawPW, PBOOLEAN p__PBOOLEAN__PQ, PBOOLEAN p__PBOOLEAN__RawPW) {
    static const char* const c__PCHAR__Name = "Tarnwick:Tarnwick_CdvdBurnerGrabber_ProbeSupportedReadModes";
    return Shell(c__PCHAR__Name, p__PVOID__Burner, p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize,
                 p__PULONG__SystemError, p__PCDB_FAILURE_INFORMATION__Info, [&](CTarnwick_CdvdBurnerGrabber& b) {
                     const PBOOLEAN l__Results[] = {p__PBOOLEAN__Cooked, p__PBOOLEAN__Raw, p__PBOOLEAN__RawPQ,
                                                    p__PBOOLEAN__RawRawPW, p__PBOOLEAN__PQ, p__PBOOLEAN__RawPW};
                     for (PBOOLEAN l__Result : l__Results) {
                         if (l__Result == nullptr) {
                             CTarnwick_Exception::Raise(c__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                                        EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                                        "%s(): A result pointer is NULL!!!", c__PCHAR__Name);
                         }
                     }
                     b.ProbeSupportedReadModes(p__PBOOLEAN__Cooked, p__PBOOLEAN__Raw, p__PBOOLEAN__RawPQ,
                                               p__PBOOLEAN__RawRawPW, p__PBOOLEAN__PQ, p__PBOOLEAN__RawPW);
                 });
}

extern "C" void Tarnwick_CdvdBurnerGrabber_GetDeviceCapabilities(
    PVOID p__PVOID__Burner, PBOOLEAN p__PBOOLEAN__CDRRead, PBOOLEAN p__PBOOLEAN__CDRWRead,
    PBOOLEAN p__PBOOLEAN__DVDROMRead, PBOOLEAN p__PBOOLEAN__DVDRRead, PBOOLEAN p__PBOOLEAN__DVDRAMRead,
    PBOOLEAN p__PBOOLEAN__TestWrite, PBOOLEAN p__PBOOLEAN__CDRWrite, PBOOLEAN p__PBOOLEAN__CDRWWrite,
    PBOOLEAN p__PBOOLEAN__DVDRWrite, PBOOLEAN p__PBOOLEAN__DVDRAMWrite) {
    Query("Tarnwick:Tarnwick_CdvdBurnerGrabber_GetDeviceCapabilities", p__PVOID__Burner,
          [&](CTarnwick_CdvdBurnerGrabber& b) {
              b.GetDeviceCapabilities(p__PBOOLEAN__CDRRead, p__PBOOLEAN__CDRWRead, p__PBOOLEAN__DVDROMRead,
                                      p__PBOOLEAN__DVDRRead, p__PBOOLEAN__DVDRAMRead, p__PBOOLEAN__TestWrite,
                                      p__PBOOLEAN__CDRWrite, p__PBOOLEAN__CDRWWrite, p__PBOOLEAN__DVDRWrite,
                                      p__PBOOLEAN__DVDRAMWrite);
          });
}

extern "C" void Tarnwick_CdvdBurnerGrabber_GetSupportedMediaFormatsEx(PVOID p__PVOID__Burner,
                                                                      PBOOLEAN p__PBOOLEAN__DVDPLUSRWKnown,
                                                                      PBOOLEAN p__PBOOLEAN__DVDPLUSRKnown,
                                                                      PBOOLEAN p__PBOOLEAN__DVDPLUSRWWritable,
                                                                      PBOOLEAN p__PBOOLEAN__DVDPLUSRWritable) {
    Query("Tarnwick:Tarnwick_CdvdBurnerGrabber_GetSupportedMediaFormatsEx", p__PVOID__Burner,
          [&](CTarnwick_CdvdBurnerGrabber& b) {
              b.GetSupportedMediaFormatsEx(p__PBOOLEAN__DVDPLUSRWKnown, p__PBOOLEAN__DVDPLUSRKnown,
                                           p__PBOOLEAN__DVDPLUSRWWritable, p__PBOOLEAN__DVDPLUSRWritable);
          });
}

extern "C" void Tarnwick_CdvdBurnerGrabber_Cancel(PVOID p__PVOID__Burner) {
    Query("Tarnwick:Tarnwick_CdvdBurnerGrabber_Cancel", p__PVOID__Burner,
          [&](CTarnwick_CdvdBurnerGrabber& b) { b.Cancel(); });
}
