#include "CTarnwick_CdvdBurnerGrabber.h"

#include <cstring>
#include <mutex>
#include <new>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_DriveQuirks.h"
#include "DebugPrint.h"
#include "MmcCodes.h"
#include "MmcDumps.h"
#include "PlatformClock.h"

namespace {
constexpr ULONG MODE_BUFFER_SIZE = 4096;
constexpr ULONG MODE_HEADER_SIZE = 8;
using MmcCodes::PAGE_CAPABILITIES;
using MmcCodes::PAGE_ERROR_RECOVERY;
using MmcCodes::PAGE_WRITE_PARAMETERS;
constexpr UCHAR PAGE_JUSTLINK = MmcCodes::PAGE_VENDOR_30;
constexpr UCHAR PAGE_CONTROL_CURRENT = 0;
constexpr UCHAR PAGE_CONTROL_DEFAULT = 2;
constexpr ULONG BYTES_PER_MEGABYTE = 1048576;




std::unique_ptr<UCHAR[]> NewModeBuffer() {
    std::unique_ptr<UCHAR[]> l__Buffer(new (std::nothrow) UCHAR[MODE_BUFFER_SIZE]);
    if (!l__Buffer) {
        CTarnwick_Exception::Raise("CTarnwick_CdvdBurnerGrabber::ReadModePage", EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_OUT_OF_MEMORY, 0,
                                   "CTarnwick_CdvdBurnerGrabber::ReadModePage(): Failed to allocate memory!!!");
    }
    return l__Buffer;
}
}  // namespace

CTarnwick_CdvdBurnerGrabber::CTarnwick_CdvdBurnerGrabber(PROGRESS_CALLBACK p__Callback, PVOID p__PVOID__Context,
                                                         UCHAR p__UCHAR__PortID, UCHAR p__UCHAR__BusID,
                                                         UCHAR p__UCHAR__TargetID, UCHAR p__UCHAR__LUN,
                                                         ULONG p__ULONG__CacheSizeInMB)
    : CTarnwick_ScsiDeviceCdvdRomWriter(p__UCHAR__PortID, p__UCHAR__BusID, p__UCHAR__TargetID, p__UCHAR__LUN),
      m__UCHAR__LastWriteMode(WRITE_MODE_TAO),
      m__UCHAR__IsCancel(0),
      m__UCHAR__IsBUP(0),
      m__PCTarnwick_CacheManager__CacheManager(nullptr),
      m__LONG__StopRequestCounter(0),
      m__LONGLONG__CacheSize(0),
      m__ULONG__LogicalBlockSize(0),
      m__PROGRESS_CALLBACK__Callback(p__Callback),
      m__PVOID__CallbackContext(p__PVOID__Context) {
    // In 64 bits: a size in megabytes of 2048 or more would not fit the 32-bit count of bytes.
    ULONG l__ULONG__Megabytes = p__ULONG__CacheSizeInMB != 0 ? p__ULONG__CacheSizeInMB : DEFAULT_CACHE_MEGABYTES;
    m__LONGLONG__CacheSize = static_cast<LONGLONG>(l__ULONG__Megabytes) * BYTES_PER_MEGABYTE;
    if (m__LONGLONG__CacheSize < 2 * static_cast<LONGLONG>(m__ULONG__BufferSize)) {
        m__LONGLONG__CacheSize = 2 * static_cast<LONGLONG>(m__ULONG__BufferSize);
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::CTarnwick_CdvdBurnerGrabber(): Cache size updated to %ld UCHARs\n",
                   static_cast<long>(m__LONGLONG__CacheSize));
    }
    // Counts past the pool's limit are cut (and traced as asked) by the manager.
    const LONGLONG l__LONGLONG__Blocks = m__LONGLONG__CacheSize / m__ULONG__MaximumTransferLength;
    m__PCTarnwick_CacheManager__CacheManager =
        new (std::nothrow) CTarnwick_CacheManager(l__LONGLONG__Blocks, m__ULONG__MaximumTransferLength);
    if (m__PCTarnwick_CacheManager__CacheManager == nullptr) {
        CTarnwick_Exception::Raise("CTarnwick_CdvdBurnerGrabber::CTarnwick_CdvdBurnerGrabber",
                                   EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_OUT_OF_MEMORY, 0,
                                   "CTarnwick_CdvdBurnerGrabber::CTarnwick_CdvdBurnerGrabber(): Failed to create cache "
                                   "manager!!!");
    }
}

CTarnwick_CdvdBurnerGrabber::~CTarnwick_CdvdBurnerGrabber() {
    // The cache thread uses the manager and the events: it ends before they go.
    if (m__PlatformThread__CacheThread.IsRunning()) ShutDownCacheThread();
    CTarnwick_FifoQueue::RemoveAll();  // the blocks belong to the manager
    delete m__PCTarnwick_CacheManager__CacheManager;
}

ULONG CTarnwick_CdvdBurnerGrabber::DiscTypeOfProfile(USHORT p__USHORT__Profile) {
    switch (p__USHORT__Profile) {
        case 0x0008: return DISC_TYPE_CDROM;
        case 0x0009: return DISC_TYPE_CDR;
        case 0x000A: return DISC_TYPE_CDRW;
        case 0x0010: return DISC_TYPE_DVDROM;
        case 0x0011: return DISC_TYPE_DVDR;
        case 0x0012: return DISC_TYPE_DVDRAM;
        case 0x0013: return DISC_TYPE_DVDRW_RO;
        case 0x0014: return DISC_TYPE_DVDRW_SR;
        case 0x001A: return DISC_TYPE_DVDPLUSRW;
        case 0x001B: return DISC_TYPE_DVDPLUSR;
        case 0x0020: return DISC_TYPE_DDCDROM;
        case 0x0021: return DISC_TYPE_DDCDR;
        case 0x0022: return DISC_TYPE_DDCDRW;
        case 0x0040: return DISC_TYPE_BDROM;
        case 0x0041: return DISC_TYPE_BDR;
        case 0x0043: return DISC_TYPE_BDRE;
        default: return DISC_TYPE_UNSUPPORTED;
    }
}

LONG CTarnwick_CdvdBurnerGrabber::MSFToLBA(UCHAR p__UCHAR__Minute, UCHAR p__UCHAR__Second, UCHAR p__UCHAR__Frame) {
    return CTarnwick_CdAddress::MsfToLba(p__UCHAR__Minute, p__UCHAR__Second, p__UCHAR__Frame);
}

void CTarnwick_CdvdBurnerGrabber::ReadModePage(std::unique_ptr<UCHAR[]>& p__Buffer, UCHAR p__UCHAR__PageCode,
                                               UCHAR p__UCHAR__PageControl) {
    if (!p__Buffer) p__Buffer = NewModeBuffer();
    std::memset(p__Buffer.get(), 0, MODE_BUFFER_SIZE);
    ModeSense10(p__Buffer.get(), MODE_BUFFER_SIZE, p__UCHAR__PageCode, p__UCHAR__PageControl);
}

void CTarnwick_CdvdBurnerGrabber::WriteModePage(PUCHAR p__PUCHAR__Buffer) {
    std::memset(p__PUCHAR__Buffer, 0, MODE_HEADER_SIZE);
    ModeSelect10(p__PUCHAR__Buffer, static_cast<ULONG>(p__PUCHAR__Buffer[MODE_HEADER_SIZE + 1]) + 10);
}

ULONG CTarnwick_CdvdBurnerGrabber::GetDiscTypeSafe() {
    if (CTarnwick_DriveQuirks::HasBrokenGetConfiguration(m__CHAR__VendorID, m__CHAR__ProductID)) {
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::GetDiscTypeSafe(): Broken 'get configuration'...\n");
        return DISC_TYPE_CDR;
    }
    USHORT l__USHORT__Profile = 0xFFFF;
    CTarnwick_Exception::RunSafe("CTarnwick_CdvdBurnerGrabber::GetDiscTypeSafe", [&] {
        std::unique_ptr<UCHAR[]> l__Buffer = NewModeBuffer();
        std::memset(l__Buffer.get(), 0, MODE_BUFFER_SIZE);
        GetConfiguration(2, 0x0000, l__Buffer.get(), MODE_BUFFER_SIZE);
        l__USHORT__Profile = static_cast<USHORT>(CTarnwick_Bytes::GetBigEndian16(l__Buffer.get() + 6));
    });
    return DiscTypeOfProfile(l__USHORT__Profile);
}

ULONG CTarnwick_CdvdBurnerGrabber::GetInsertedDiscType() {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);
    ULONG l__ULONG__DiscType = GetDiscTypeSafe();
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::GetInsertedDiscType(): EXITing with success, disc type == 0x%08X\n",
               l__ULONG__DiscType);
    return l__ULONG__DiscType;
}

void CTarnwick_CdvdBurnerGrabber::ProbeSupportedWriteModes(PBOOLEAN p__PBOOLEAN__TAO, PBOOLEAN p__PBOOLEAN__SAO,
                                                           PBOOLEAN p__PBOOLEAN__DAOPQ,
                                                           PBOOLEAN p__PBOOLEAN__DAORawPW) {
    struct Probe {
        UCHAR m__UCHAR__WriteType;
        UCHAR m__UCHAR__DataBlockType;
        const char* m__PCHAR__Name;
        PBOOLEAN m__PBOOLEAN__Result;
    };
    const Probe l__Probes[] = {{1, 8, "TAO", p__PBOOLEAN__TAO},
                               {2, 8, "SAO", p__PBOOLEAN__SAO},
                               {3, 1, "DAO_PQ", p__PBOOLEAN__DAOPQ},
                               {3, 3, "DAO_RAW_PW", p__PBOOLEAN__DAORawPW}};
    for (const Probe& l__Probe : l__Probes) *l__Probe.m__PBOOLEAN__Result = 1;

    ULONG l__ULONG__DiscType = GetDiscTypeSafe();
    for (const Probe& l__Probe : l__Probes) {
        try {
            SetWriteParameters(l__Probe.m__UCHAR__WriteType, l__Probe.m__UCHAR__DataBlockType, 4, 0, 0, 0, 0, 0, 0, 0,
                               0);
        } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ProbeSupportedWriteModes(): SetWriteParameters( %s ) failed!!!\n",
                       l__Probe.m__PCHAR__Name);
            CTarnwick_Exception::Swallow("CTarnwick_CdvdBurnerGrabber::ProbeSupportedWriteModes",
                                         l__PCTarnwick_Exception__Exception);
            // DVD-R drives refuse the CD write type yet write Track-At-Once all the same; so do
            // drives with a writable BD, to which the write parameters page does not apply.
            bool l__bool__KeepTAO = l__Probe.m__PBOOLEAN__Result == p__PBOOLEAN__TAO &&
                                    (l__ULONG__DiscType == DISC_TYPE_DVDR || l__ULONG__DiscType == DISC_TYPE_BDR ||
                                     l__ULONG__DiscType == DISC_TYPE_BDRE);
            if (!l__bool__KeepTAO) *l__Probe.m__PBOOLEAN__Result = 0;
        }
    }
    // A BD is written track by track with 2048-byte blocks only: the Session-At-Once and raw
    // Disc-At-Once write types are CD ones, whatever the drive makes of the page with a BD in it.
    if (IsBluRay(l__ULONG__DiscType)) {
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ProbeSupportedWriteModes(): BD media: Track-At-Once only\n");
        *p__PBOOLEAN__SAO = *p__PBOOLEAN__DAOPQ = *p__PBOOLEAN__DAORawPW = 0;
    }
}

void CTarnwick_CdvdBurnerGrabber::SetWriteParameters(UCHAR p__UCHAR__WriteType, UCHAR p__UCHAR__DataBlockType,
                                                     UCHAR p__UCHAR__TrackMode, UCHAR p__UCHAR__TestWrite,
                                                     UCHAR p__UCHAR__MultiSession, UCHAR p__UCHAR__SessionFormat,
                                                     UCHAR p__UCHAR__SubHeader0, UCHAR p__UCHAR__SubHeader1,
                                                     UCHAR p__UCHAR__SubHeader2, UCHAR p__UCHAR__SubHeader3,
                                                     UCHAR p__UCHAR__LinkSizeValid) {
    std::unique_ptr<UCHAR[]> l__Buffer;
    ReadModePage(l__Buffer, PAGE_WRITE_PARAMETERS, PAGE_CONTROL_CURRENT);
    PUCHAR l__PUCHAR__Page = l__Buffer.get() + MODE_HEADER_SIZE;
    Tarnwick_DumpCdvdWriteParametersPage(l__PUCHAR__Page);

    l__PUCHAR__Page[0] = PAGE_WRITE_PARAMETERS;
    l__PUCHAR__Page[2] = static_cast<UCHAR>((l__PUCHAR__Page[2] & 0x80) | (p__UCHAR__WriteType & 0x0F) |
                                            ((p__UCHAR__TestWrite & 0x01) << 4) |
                                            ((p__UCHAR__LinkSizeValid & 0x01) << 5) | ((m__UCHAR__IsBUP & 0x01) << 6));
    l__PUCHAR__Page[3] = static_cast<UCHAR>((l__PUCHAR__Page[3] & 0x30) | (p__UCHAR__TrackMode & 0x0F) |
                                            (p__UCHAR__MultiSession == 1 ? 0xC0 : 0x00));
    l__PUCHAR__Page[4] = static_cast<UCHAR>((l__PUCHAR__Page[4] & 0xF0) | (p__UCHAR__DataBlockType & 0x0F));
    l__PUCHAR__Page[5] = p__UCHAR__LinkSizeValid == 1 ? 16 : 0;
    l__PUCHAR__Page[8] = p__UCHAR__SessionFormat;
    l__PUCHAR__Page[48] = p__UCHAR__SubHeader0;
    l__PUCHAR__Page[49] = p__UCHAR__SubHeader1;
    l__PUCHAR__Page[50] = p__UCHAR__SubHeader2;
    l__PUCHAR__Page[51] = p__UCHAR__SubHeader3;
    Tarnwick_DumpCdvdWriteParametersPage(l__PUCHAR__Page);
    WriteModePage(l__Buffer.get());

    ReadModePage(l__Buffer, PAGE_WRITE_PARAMETERS, PAGE_CONTROL_CURRENT);
    Tarnwick_DumpCdvdWriteParametersPage(l__Buffer.get() + MODE_HEADER_SIZE);
}

void CTarnwick_CdvdBurnerGrabber::RestoreWriteParameters() {
    std::unique_ptr<UCHAR[]> l__Buffer;
    ReadModePage(l__Buffer, PAGE_WRITE_PARAMETERS, PAGE_CONTROL_DEFAULT);
    PUCHAR l__PUCHAR__Page = l__Buffer.get() + MODE_HEADER_SIZE;
    if (CTarnwick_DriveQuirks::IsLiteOn(m__CHAR__VendorID) && (l__PUCHAR__Page[2] & 0x0F) == 0) {
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::RestoreWriteParameters(): *** Broken Lite-On workaround (disabled for "
                   "now)\n");
    }
    // PS is reserved in MODE SELECT: the default page goes back without it.
    l__PUCHAR__Page[0] &= MmcCodes::PAGE_CODE_MASK;
    WriteModePage(l__Buffer.get());
    ReadModePage(l__Buffer, PAGE_WRITE_PARAMETERS, PAGE_CONTROL_CURRENT);
}

void CTarnwick_CdvdBurnerGrabber::GetBUP(PBOOLEAN p__PBOOLEAN__IsEnabled, PBOOLEAN p__PBOOLEAN__IsSupported) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);
    std::unique_ptr<UCHAR[]> l__Buffer;
    try {
        ReadModePage(l__Buffer, PAGE_JUSTLINK, PAGE_CONTROL_CURRENT);
        const UCHAR* l__PUCHAR__Page = l__Buffer.get() + MODE_HEADER_SIZE;
        *p__PBOOLEAN__IsSupported = l__PUCHAR__Page[2] & 0x01;
        *p__PBOOLEAN__IsEnabled = l__PUCHAR__Page[3] & 0x01;
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::GetBUP(): JustLink buffer underrun protection, supported status "
                   "0x%02X, enabled status 0x%02X\n",
                   *p__PBOOLEAN__IsSupported, *p__PBOOLEAN__IsEnabled);
        return;
    } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
        delete l__PCTarnwick_Exception__Exception;  // no vendor page: the standard bits tell
    }
    ReadModePage(l__Buffer, PAGE_CAPABILITIES, PAGE_CONTROL_CURRENT);
    *p__PBOOLEAN__IsSupported = (l__Buffer[MODE_HEADER_SIZE + 4] >> 7) & 0x01;
    ReadModePage(l__Buffer, PAGE_WRITE_PARAMETERS, PAGE_CONTROL_CURRENT);
    *p__PBOOLEAN__IsEnabled = (l__Buffer[MODE_HEADER_SIZE + 2] >> 6) & 0x01;
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::GetBUP(): BURN-Proof buffer underrun protection, supported status 0x%02X, "
               "enabled status 0x%02X\n",
               *p__PBOOLEAN__IsSupported, *p__PBOOLEAN__IsEnabled);
}

void CTarnwick_CdvdBurnerGrabber::SetBUP(BOOLEAN p__BOOLEAN__Enable) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);
    UCHAR l__UCHAR__Enable = p__BOOLEAN__Enable & 0x01;
    std::unique_ptr<UCHAR[]> l__Buffer;
    try {
        ReadModePage(l__Buffer, PAGE_JUSTLINK, PAGE_CONTROL_CURRENT);
        PUCHAR l__PUCHAR__Page = l__Buffer.get() + MODE_HEADER_SIZE;
        l__PUCHAR__Page[0] = PAGE_JUSTLINK;
        l__PUCHAR__Page[3] = static_cast<UCHAR>((l__PUCHAR__Page[3] & 0xFE) | l__UCHAR__Enable);
        WriteModePage(l__Buffer.get());
        ReadModePage(l__Buffer, PAGE_JUSTLINK, PAGE_CONTROL_CURRENT);
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::SetBUP(): JustLink buffer underrun protection, enabled status "
                   "0x%02X\n",
                   l__Buffer[MODE_HEADER_SIZE + 3] & 0x01);
        if (CTarnwick_DriveQuirks::FollowsJustLinkSetting(m__CHAR__VendorID)) m__UCHAR__IsBUP = l__UCHAR__Enable;
        return;
    } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
        delete l__PCTarnwick_Exception__Exception;  // no vendor page: use the BUFE bit
    }
    ReadModePage(l__Buffer, PAGE_WRITE_PARAMETERS, PAGE_CONTROL_CURRENT);
    PUCHAR l__PUCHAR__Page = l__Buffer.get() + MODE_HEADER_SIZE;
    l__PUCHAR__Page[0] = PAGE_WRITE_PARAMETERS;
    l__PUCHAR__Page[2] = static_cast<UCHAR>((l__PUCHAR__Page[2] & 0xBF) | (l__UCHAR__Enable << 6));
    WriteModePage(l__Buffer.get());
    m__UCHAR__IsBUP = l__UCHAR__Enable;
    ReadModePage(l__Buffer, PAGE_WRITE_PARAMETERS, PAGE_CONTROL_CURRENT);
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::SetBUP(): BURN-Proof buffer underrun protection, enabled status 0x%02X\n",
               (l__Buffer[MODE_HEADER_SIZE + 2] >> 6) & 0x01);
}

void CTarnwick_CdvdBurnerGrabber::GetCdvdSpeeds(LONG* p__PLONG__CurrentRead, LONG* p__PLONG__MaximumRead,
                                                LONG* p__PLONG__CurrentWrite, LONG* p__PLONG__MaximumWrite) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);
    std::unique_ptr<UCHAR[]> l__Buffer;
    ReadModePage(l__Buffer, PAGE_CAPABILITIES, PAGE_CONTROL_CURRENT);
    const UCHAR* l__PUCHAR__Page = l__Buffer.get() + MODE_HEADER_SIZE;
    *p__PLONG__CurrentRead = static_cast<LONG>(CTarnwick_Bytes::GetBigEndian16(l__PUCHAR__Page + 14));
    *p__PLONG__MaximumRead = static_cast<LONG>(CTarnwick_Bytes::GetBigEndian16(l__PUCHAR__Page + 8));
    *p__PLONG__CurrentWrite = static_cast<LONG>(CTarnwick_Bytes::GetBigEndian16(l__PUCHAR__Page + 20));
    *p__PLONG__MaximumWrite = static_cast<LONG>(CTarnwick_Bytes::GetBigEndian16(l__PUCHAR__Page + 18));
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::GetCdvdSpeeds(): Current Read %ld, Maximum Read %ld, Current Write %ld, "
               "Maximum Write %ld\n",
               static_cast<long>(*p__PLONG__CurrentRead), static_cast<long>(*p__PLONG__MaximumRead),
               static_cast<long>(*p__PLONG__CurrentWrite), static_cast<long>(*p__PLONG__MaximumWrite));
}

void CTarnwick_CdvdBurnerGrabber::SetSpeeds(ULONG p__ULONG__ReadSpeed, ULONG p__ULONG__WriteSpeed) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);
    SetCdSpeed(p__ULONG__ReadSpeed, p__ULONG__WriteSpeed);
}

void CTarnwick_CdvdBurnerGrabber::GetDeviceInformation(PCHAR p__PCHAR__VendorID, PCHAR p__PCHAR__ProductID,
                                                       PCHAR p__PCHAR__Revision, PULONG p__PULONG__BufferSize) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);
    // The identity strings are at most 16 characters: the callers' buffers always hold them.
    if (p__PCHAR__VendorID != nullptr) std::strcpy(p__PCHAR__VendorID, m__CHAR__VendorID);
    if (p__PCHAR__ProductID != nullptr) std::strcpy(p__PCHAR__ProductID, m__CHAR__ProductID);
    if (p__PCHAR__Revision != nullptr) std::strcpy(p__PCHAR__Revision, m__CHAR__RevisionLevel);
    if (p__PULONG__BufferSize != nullptr) *p__PULONG__BufferSize = m__ULONG__BufferSize;
}

void CTarnwick_CdvdBurnerGrabber::GetDeviceCapabilities(PBOOLEAN p__PBOOLEAN__CDRRead, PBOOLEAN p__PBOOLEAN__CDRWRead,
                                                        PBOOLEAN p__PBOOLEAN__DVDROMRead, PBOOLEAN p__PBOOLEAN__DVDRRead,
                                                        PBOOLEAN p__PBOOLEAN__DVDRAMRead,
                                                        PBOOLEAN p__PBOOLEAN__TestWrite, PBOOLEAN p__PBOOLEAN__CDRWrite,
                                                        PBOOLEAN p__PBOOLEAN__CDRWWrite,
                                                        PBOOLEAN p__PBOOLEAN__DVDRWrite,
                                                        PBOOLEAN p__PBOOLEAN__DVDRAMWrite) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);
    *p__PBOOLEAN__CDRRead = m__BOOLEAN__IsCDRRead;
    *p__PBOOLEAN__CDRWRead = m__BOOLEAN__IsCDRWRead;
    *p__PBOOLEAN__DVDROMRead = m__BOOLEAN__IsDVDROMRead;
    *p__PBOOLEAN__DVDRRead = m__BOOLEAN__IsDVDRRead;
    *p__PBOOLEAN__DVDRAMRead = m__BOOLEAN__IsDVDRAMRead;
    *p__PBOOLEAN__TestWrite = m__BOOLEAN__IsTestWrite;
    *p__PBOOLEAN__CDRWrite = m__BOOLEAN__IsCDRWrite;
    *p__PBOOLEAN__CDRWWrite = m__BOOLEAN__IsCDRWWrite;
    *p__PBOOLEAN__DVDRWrite = m__BOOLEAN__IsDVDRWrite;
    *p__PBOOLEAN__DVDRAMWrite = m__BOOLEAN__IsDVDRAMWrite;
}

void CTarnwick_CdvdBurnerGrabber::GetTrackInformation(UCHAR p__UCHAR__TrackNumber, PVOID p__PVOID__Buffer,
                                                      ULONG p__ULONG__Length) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);
    try {
        SetWriteParameters(1, 8, 4, 0, 0, 0, 0, 0, 0, 0, 0);
    } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
        delete l__PCTarnwick_Exception__Exception;
    }
    FillTrackInformation(GetDiscTypeSafe(), p__UCHAR__TrackNumber, p__PVOID__Buffer, p__ULONG__Length);
}

void CTarnwick_CdvdBurnerGrabber::FillTrackInformation(ULONG p__ULONG__DiscType, UCHAR p__UCHAR__TrackNumber,
                                                       PVOID p__PVOID__Buffer, ULONG p__ULONG__Length) {
    switch (p__ULONG__DiscType) {
        case DISC_TYPE_DVDPLUSRW:
        case DISC_TYPE_DVDRAM:
        case DISC_TYPE_BDRE: {
            // These drives report no track that fits: build it from the capacity.
            UCHAR l__UCHAR__Capacity[8] = {};
            ReadCapacity(l__UCHAR__Capacity, sizeof(l__UCHAR__Capacity));
            UCHAR l__UCHAR__Track[24] = {};
            l__UCHAR__Track[1] = 0x18;
            l__UCHAR__Track[2] = 1;
            l__UCHAR__Track[3] = 1;
            l__UCHAR__Track[6] = 0x41;
            l__UCHAR__Track[7] = 0x01;
            CTarnwick_Bytes::PutBigEndian32(l__UCHAR__Track + 16, CTarnwick_Bytes::GetBigEndian32(l__UCHAR__Capacity));
            std::memcpy(p__PVOID__Buffer, l__UCHAR__Track, std::min<ULONG>(p__ULONG__Length, sizeof(l__UCHAR__Track)));
            break;
        }
        case DISC_TYPE_DVDROM:
        case DISC_TYPE_DVDR:
        case DISC_TYPE_DVDRW_RO:
        case DISC_TYPE_DVDRW_SR:
            ReadTrackInformation(p__PVOID__Buffer, p__ULONG__Length, 1, 1);
            break;
        default:
            ReadTrackInformation(p__PVOID__Buffer, p__ULONG__Length, 1, p__UCHAR__TrackNumber);
            break;
    }
}

void CTarnwick_CdvdBurnerGrabber::GetDiscInformation(PVOID p__PVOID__Buffer, ULONG p__ULONG__Length) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);
    ReadDiscInformation(p__PVOID__Buffer, p__ULONG__Length);
}

void CTarnwick_CdvdBurnerGrabber::TestUnitReady(ULONG p__ULONG__Seconds) {
    ULONG l__ULONG__DiscType = GetDiscTypeSafe();
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::TestUnitReady(): ENTERed for %ld second(s)\n",
               static_cast<long>(p__ULONG__Seconds));
    WaitForUnitReady(p__ULONG__Seconds, 1000, l__ULONG__DiscType != DISC_TYPE_DVDRAM);
    TestUnitReady();
}

void CTarnwick_CdvdBurnerGrabber::Load() {
    ULONG l__ULONG__DiscType = GetDiscTypeSafe();
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);
    StartStopUnit(1, 1, 1);
    WaitForUnitReady(2, 5000, l__ULONG__DiscType != DISC_TYPE_DVDRAM);
}

void CTarnwick_CdvdBurnerGrabber::Eject() {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::Eject(): ENTERed\n");
    if (CTarnwick_DriveQuirks::HasBrokenStartStopUnit(m__CHAR__VendorID, m__CHAR__ProductID)) {
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::Eject(): Broken 'start stop unit'...\n \n");
        SetWriteParameters(1, 8, 4, 0, 0, 0, 0, 0, 0, 0, 0);
        StartStopUnit(1, 1, 0);
    } else {
        StartStopUnit(0, 1, 0);
    }
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::Eject(): EXITing with success\n");
}

void CTarnwick_CdvdBurnerGrabber::Lock() {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);
    PreventAllowMediumRemoval(1);
}

void CTarnwick_CdvdBurnerGrabber::Release() {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);
    PreventAllowMediumRemoval(0);
}

void CTarnwick_CdvdBurnerGrabber::SendOPC() {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);
    SendOpcInformation(nullptr, 0, 1);
}

void CTarnwick_CdvdBurnerGrabber::GetSupportedMediaFormatsEx(PBOOLEAN p__PBOOLEAN__DVDPLUSRWKnown,
                                                             PBOOLEAN p__PBOOLEAN__DVDPLUSRKnown,
                                                             PBOOLEAN p__PBOOLEAN__DVDPLUSRWWritable,
                                                             PBOOLEAN p__PBOOLEAN__DVDPLUSRWritable) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);
    *p__PBOOLEAN__DVDPLUSRWKnown = *p__PBOOLEAN__DVDPLUSRKnown = 0;
    *p__PBOOLEAN__DVDPLUSRWWritable = *p__PBOOLEAN__DVDPLUSRWritable = 0;
    std::unique_ptr<UCHAR[]> l__Buffer = NewModeBuffer();
    struct Feature {
        USHORT m__USHORT__Code;
        const char* m__PCHAR__Name;
        PBOOLEAN m__PBOOLEAN__Known;
        PBOOLEAN m__PBOOLEAN__Writable;
    };
    const Feature l__Features[] = {
        {0x002A, "DVD+RW", p__PBOOLEAN__DVDPLUSRWKnown, p__PBOOLEAN__DVDPLUSRWWritable},
        {0x002B, "DVD+R", p__PBOOLEAN__DVDPLUSRKnown, p__PBOOLEAN__DVDPLUSRWritable}};
    for (const Feature& l__Feature : l__Features) {
        std::memset(l__Buffer.get(), 0, MODE_BUFFER_SIZE);
        CTarnwick_Exception::RunSafe("CTarnwick_CdvdBurnerGrabber::GetSupportedMediaFormatsEx", [&] {
            GetConfiguration(2, l__Feature.m__USHORT__Code, l__Buffer.get(), MODE_BUFFER_SIZE);
        });
        ULONG l__ULONG__Length = CTarnwick_Bytes::GetBigEndian32(l__Buffer.get());
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::GetSupportedMediaFormatsEx(): %s page size in UCHAR(s): %ld\n",
                   l__Feature.m__PCHAR__Name, static_cast<long>(l__ULONG__Length));
        if (l__ULONG__Length >= 12) {
            *l__Feature.m__PBOOLEAN__Known = 1;
            *l__Feature.m__PBOOLEAN__Writable = l__Buffer[12] & 0x01;
        }
    }
}

void CTarnwick_CdvdBurnerGrabber::Cancel() {
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::Cancel(): ENTERed\n");
    m__UCHAR__IsCancel.store(1);
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::Cancel(): EXITing with success\n");
}

void CTarnwick_CdvdBurnerGrabber::SynchronizeCache() {
    ULONG l__ULONG__DiscType = GetDiscTypeSafe();
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::SynchronizeCache(): ENTERed\n");
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::SynchronizeCache(): Vendor ID <%s>, ProductID <%s>, disc type %ld\n",
               m__CHAR__VendorID, m__CHAR__ProductID, static_cast<long>(l__ULONG__DiscType));
    if (CTarnwick_DriveQuirks::HasBrokenSynchronizeCache(m__CHAR__VendorID, m__CHAR__ProductID)) {
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::SynchronizeCache(): Broken 'synchronize cache' workaround #1...");
        SynchronizeCache(0, 0, 0);
        Sleep(15000);
    } else if (l__ULONG__DiscType == DISC_TYPE_DVDR) {
        try {
            SynchronizeCache(1, 0, 0);
        } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
            CTarnwick_Exception::Swallow("CTarnwick_CdvdBurnerGrabber::SynchronizeCache",
                                         l__PCTarnwick_Exception__Exception);
            SynchronizeCache(1, 0, 0);
        }
    } else {
        SynchronizeCache(1, 0, 0);
    }
    if (l__ULONG__DiscType == DISC_TYPE_DVDRAM ||
        CTarnwick_DriveQuirks::HasBrokenGetConfiguration(m__CHAR__VendorID, m__CHAR__ProductID)) {
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::SynchronizeCache(): DVD-RAM or broken 'read disc info' "
                   "synchronization...\n");
        WaitForUnitReady(100, 5000, FALSE);
    } else {
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::SynchronizeCache(): Normal synchronization...\n");
        WaitForUnitReady(100, 5000, TRUE);
    }
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::SynchronizeCache(): EXITing with success\n");
}

BOOLEAN CTarnwick_CdvdBurnerGrabber::DisableHardwareErrorCorrectionSafe() {
    BOOLEAN l__BOOLEAN__Result = 0;
    CTarnwick_Exception::RunSafe("CTarnwick_CdvdBurnerGrabber::DisableHardwareErrorCorrectionSafe", [&] {
        std::unique_ptr<UCHAR[]> l__Buffer;
        ReadModePage(l__Buffer, PAGE_ERROR_RECOVERY, PAGE_CONTROL_DEFAULT);
        PUCHAR l__PUCHAR__Page = l__Buffer.get() + MODE_HEADER_SIZE;
        l__PUCHAR__Page[0] &= MmcCodes::PAGE_CODE_MASK;  // PS is reserved in MODE SELECT
        l__PUCHAR__Page[2] = 0x01;   // DCR alone
        l__PUCHAR__Page[3] = 0;      // no read retries
        WriteModePage(l__Buffer.get());
        ReadModePage(l__Buffer, PAGE_ERROR_RECOVERY, PAGE_CONTROL_CURRENT);
        if (l__Buffer[MODE_HEADER_SIZE + 2] == 0x01 && l__Buffer[MODE_HEADER_SIZE + 3] == 0) {
            l__BOOLEAN__Result = 1;
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::DisableHardwareErrorCorrectionSafe(): Hardware error correction "
                       "disabled (%ld)\n",
                       1L);
        }
    });
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::DisableHardwareErrorCorrectionSafe(): EXITing with %s, status %ld\n",
               l__BOOLEAN__Result ? "success" : "failure", static_cast<long>(l__BOOLEAN__Result));
    return l__BOOLEAN__Result;
}

void CTarnwick_CdvdBurnerGrabber::RestoreReadErrorRecoverySafe() {
    CTarnwick_Exception::RunSafe("CTarnwick_CdvdBurnerGrabber::RestoreReadErrorRecoverySafe", [&] {
        std::unique_ptr<UCHAR[]> l__Buffer;
        ReadModePage(l__Buffer, PAGE_ERROR_RECOVERY, PAGE_CONTROL_DEFAULT);
        l__Buffer[MODE_HEADER_SIZE] &= 0x3F;
        WriteModePage(l__Buffer.get());
        ReadModePage(l__Buffer, PAGE_ERROR_RECOVERY, PAGE_CONTROL_CURRENT);
    });
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::RestoreReadErrorRecoverySafe(): EXITing with success\n");
}

void CTarnwick_CdvdBurnerGrabber::RezeroUnitSafe() {
    CTarnwick_Exception::RunSafe("CTarnwick_CdvdBurnerGrabber::RezeroUnitSafe", [&] { RezeroUnit(); });
}
