#include "CTarnwick_SampleBurn.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

namespace {

LONGLONG g__LONGLONG__LastPercentage = 0;

}  // namespace

CTarnwick_SampleBurn::CTarnwick_SampleBurn(const char* p__PCHAR__Program) : m__PCHAR__Program(p__PCHAR__Program) {}

const char* CTarnwick_SampleBurn::YesNo(BOOLEAN p__BOOLEAN__Flag) { return p__BOOLEAN__Flag ? "Yes" : "No"; }

void CTarnwick_SampleBurn::PrintWriteEvent(const char* p__PCHAR__Program, ULONG p__ULONG__Reason,
                                           PVOID p__PVOID__Parameter1, PVOID p__PVOID__Parameter2) {
    const char* p = p__PCHAR__Program;
    switch (p__ULONG__Reason) {
        case TARGET_FILE_ANALYZE_BEGIN:
            std::printf("%s:Callback(): TARGET_FILE_ANALYZE_BEGIN\n", p);
            break;
        case TARGET_FILE_ANALYZE_END:
            std::printf("%s:Callback(): Target file size in UCHARs %" PRId64 ", LBs %" PRId64 "\n", p,
                        *static_cast<LONGLONG*>(p__PVOID__Parameter1), *static_cast<LONGLONG*>(p__PVOID__Parameter2));
            std::printf("%s:Callback(): TARGET_FILE_ANALYZE_END\n", p);
            break;
        case WAIT_CACHE_FULL_BEGIN:
            std::printf("%s:Callback(): WAIT_CACHE_FULL_BEGIN\n", p);
            std::printf("%s:Callback(): Waiting for cache full not more then %ld ms... ", p,
                        static_cast<long>(*static_cast<ULONG*>(p__PVOID__Parameter1)));
            break;
        case WAIT_CACHE_FULL_END:
            std::printf("OK!\n%s:Callback(): WAIT_CACHE_FULL_END\n", p);
            break;
        case SYNCHRONIZE_CACHE_BEGIN:
            std::printf("\n%s:Callback(): SYNCHRONIZE_CACHE_BEGIN\n", p);
            break;
        case SYNCHRONIZE_CACHE_END:
            std::printf("%s:Callback(): SYNCHRONIZE_CACHE_END\n", p);
            break;
        case WRITE_PROGRESS: {
            LONGLONG l__LONGLONG__Total = *static_cast<LONGLONG*>(p__PVOID__Parameter1);
            LONGLONG l__LONGLONG__Written = *static_cast<LONGLONG*>(p__PVOID__Parameter2);
            if (l__LONGLONG__Total == 0) break;  // nothing to tell
            LONGLONG l__LONGLONG__Percentage = l__LONGLONG__Written * 100 / l__LONGLONG__Total;
            if (l__LONGLONG__Percentage != g__LONGLONG__LastPercentage) {
                g__LONGLONG__LastPercentage = l__LONGLONG__Percentage;
                std::printf("%" PRId64 "%% ", l__LONGLONG__Percentage);
            }
            break;
        }
        case DVDPLUSRW_FORMAT_BEGIN:
            std::printf("\n%s:Callback(): DVDPLUSRW_FORMAT_BEGIN\n", p);
            break;
        case DVDPLUSRW_FORMAT_END:
            std::printf("%s:Callback(): DVDPLUSRW_FORMAT_END\n", p);
            break;
        case BDRE_FORMAT_BEGIN:
            std::printf("\n%s:Callback(): BDRE_FORMAT_BEGIN\n", p);
            break;
        case BDRE_FORMAT_END:
            std::printf("%s:Callback(): BDRE_FORMAT_END\n", p);
            break;
        default:
            break;
    }
    std::fflush(stdout);
}

void CTarnwick_SampleBurn::ResetLastPercentage() { g__LONGLONG__LastPercentage = 0; }

void CTarnwick_SampleBurn::PrintFailure(const char* p__PCHAR__Function, const char* p__PCHAR__Lead) const {
    std::printf("%s%s:main(): %s() failed, exception %ld, status %ld, text '%s'\n", p__PCHAR__Lead, m__PCHAR__Program,
                p__PCHAR__Function, static_cast<long>(m__ULONG__Exception), static_cast<long>(m__ULONG__Status),
                m__CHAR__ExceptionText);
}

bool CTarnwick_SampleBurn::Succeeded(const char* p__PCHAR__Function, const char* p__PCHAR__Lead) const {
    if (m__ULONG__Exception == 0) return true;
    PrintFailure(p__PCHAR__Function, p__PCHAR__Lead);
    return false;
}

void CTarnwick_SampleBurn::SetAddress(char** p__PPCHAR__Arguments) {
    m__UCHAR__Port = static_cast<UCHAR>(std::atoi(p__PPCHAR__Arguments[1]));
    m__UCHAR__Bus = static_cast<UCHAR>(std::atoi(p__PPCHAR__Arguments[2]));
    m__UCHAR__Target = static_cast<UCHAR>(std::atoi(p__PPCHAR__Arguments[3]));
    m__UCHAR__LUN = static_cast<UCHAR>(std::atoi(p__PPCHAR__Arguments[4]));
}

void CTarnwick_SampleBurn::PrintProbing() const {
    std::printf("%s:main(): %ld MBs of cache will be used during burn process\n", m__PCHAR__Program, 64L);
    std::printf("%s:main(): Probing SCSI address %ld:%ld:%ld:%ld for CD/DVD burner device... ", m__PCHAR__Program,
                static_cast<long>(m__UCHAR__Port), static_cast<long>(m__UCHAR__Bus), static_cast<long>(m__UCHAR__Target),
                static_cast<long>(m__UCHAR__LUN));
    std::fflush(stdout);
}

bool CTarnwick_SampleBurn::UpStart() {
    m__ULONG__Exception = Tarnwick_UpStart();
    if (m__ULONG__Exception == 0) return true;
    std::printf("\n\n%s:main(): Tarnwick_UpStart() failed, exception %ld\n", m__PCHAR__Program,
                static_cast<long>(m__ULONG__Exception));
    return false;
}

bool CTarnwick_SampleBurn::CreateBurner(PROGRESS_CALLBACK p__Callback) {
    const char* p = m__PCHAR__Program;
    m__ULONG__Exception = Tarnwick_CdvdBurnerGrabber_Create(
        &m__PVOID__Burner, m__CHAR__ExceptionText, sizeof(m__CHAR__ExceptionText), &m__ULONG__Status,
        &m__CDB_FAILURE_INFORMATION__Info, p__Callback, nullptr, m__UCHAR__Port, m__UCHAR__Bus, m__UCHAR__Target,
        m__UCHAR__LUN, 0);
    if (!Succeeded("Tarnwick_CdvdBurnerGrabber_Create")) return false;

    CHAR l__CHAR__Vendor[1024] = {}, l__CHAR__Product[1024] = {}, l__CHAR__Revision[1024] = {};
    ULONG l__ULONG__BufferSize = 0;
    Tarnwick_CdvdBurnerGrabber_GetDeviceInformation(m__PVOID__Burner, l__CHAR__Vendor, l__CHAR__Product,
                                                    l__CHAR__Revision, &l__ULONG__BufferSize);
    std::printf("OK!\n%s:main(): Found CD/DVD device '%s' - '%s' - '%s' with %ld UCHARs of cache\n", p, l__CHAR__Vendor,
                l__CHAR__Product, l__CHAR__Revision, static_cast<long>(l__ULONG__BufferSize));

    std::printf("%s:main(): Probing supported write modes... ", p);
    std::fflush(stdout);
    m__ULONG__Exception = Tarnwick_CdvdBurnerGrabber_ProbeSupportedWriteModes(
        m__PVOID__Burner, m__CHAR__ExceptionText, sizeof(m__CHAR__ExceptionText), &m__ULONG__Status,
        &m__CDB_FAILURE_INFORMATION__Info, &m__BOOLEAN__TAO, &m__BOOLEAN__SAO, &m__BOOLEAN__DAOPQ,
        &m__BOOLEAN__DAORawPW);
    if (!Succeeded("Tarnwick_CdvdBurnerGrabber_ProbeSupportedWriteModes")) return false;
    std::printf("OK!\n%s:main(): Track-At-Once: %s, Session-At-Once: %s, Disc-At-Once PQ: %s, Disc-At-Once raw P-W: "
                "%s\n",
                p, YesNo(m__BOOLEAN__TAO), YesNo(m__BOOLEAN__SAO), YesNo(m__BOOLEAN__DAOPQ),
                YesNo(m__BOOLEAN__DAORawPW));
    return true;
}

bool CTarnwick_SampleBurn::Supports(BOOLEAN p__BOOLEAN__Mode, const char* p__PCHAR__Mode) const {
    if (p__BOOLEAN__Mode) return true;
    std::printf("\n\n%s:main(): %s is unsupported!!!\n", m__PCHAR__Program, p__PCHAR__Mode);
    return false;
}

bool CTarnwick_SampleBurn::HasTrackAtOnce() const { return Supports(m__BOOLEAN__TAO, "Track-At-Once"); }

bool CTarnwick_SampleBurn::HasSessionAtOnce() const { return Supports(m__BOOLEAN__SAO, "Session-At-Once"); }

bool CTarnwick_SampleBurn::QueryDrive() {
    const char* p = m__PCHAR__Program;
    std::printf("%s:main(): Testing unit ready... ", p);
    std::fflush(stdout);
    m__ULONG__Exception = Tarnwick_CdvdBurnerGrabber_TestUnitReady(m__PVOID__Burner, m__CHAR__ExceptionText,
                                                                   sizeof(m__CHAR__ExceptionText), &m__ULONG__Status,
                                                                   &m__CDB_FAILURE_INFORMATION__Info);
    if (!Succeeded("Tarnwick_CdvdBurnerGrabber_TestUnitReady")) return false;

    std::printf("OK!\n%s:main(): Getting BUP (Buffer Underrun Protection) support... ", p);
    std::fflush(stdout);
    BOOLEAN l__BOOLEAN__BUPEnabled = 0, l__BOOLEAN__BUPSupported = 0;
    m__ULONG__Exception = Tarnwick_CdvdBurnerGrabber_GetBUP(m__PVOID__Burner, m__CHAR__ExceptionText,
                                                            sizeof(m__CHAR__ExceptionText), &m__ULONG__Status,
                                                            &m__CDB_FAILURE_INFORMATION__Info, &l__BOOLEAN__BUPEnabled,
                                                            &l__BOOLEAN__BUPSupported);
    if (!Succeeded("Tarnwick_CdvdBurnerGrabber_GetBUP")) return false;
    std::printf("OK!\n%s:main(): BUP (Buffer Underrun Protection) Enabled: %s, Supported: %s\n", p,
                YesNo(l__BOOLEAN__BUPEnabled), YesNo(l__BOOLEAN__BUPSupported));
    if (l__BOOLEAN__BUPSupported == 1) {
        std::printf("%s:main(): Enabling BUP (Buffer Underrun Protection)... ", p);
        std::fflush(stdout);
        m__ULONG__Exception = Tarnwick_CdvdBurnerGrabber_SetBUP(m__PVOID__Burner, m__CHAR__ExceptionText,
                                                                sizeof(m__CHAR__ExceptionText), &m__ULONG__Status,
                                                                &m__CDB_FAILURE_INFORMATION__Info, TRUE);
        if (!Succeeded("Tarnwick_CdvdBurnerGrabber_SetBUP")) return false;
        std::printf("OK!\n");
    }

    std::printf("%s:main(): Setting maximum supported CD/DVD speeds... ", p);
    std::fflush(stdout);
    m__ULONG__Exception = Tarnwick_CdvdBurnerGrabber_SetSpeeds(m__PVOID__Burner, m__CHAR__ExceptionText,
                                                               sizeof(m__CHAR__ExceptionText), &m__ULONG__Status,
                                                               &m__CDB_FAILURE_INFORMATION__Info, 0xFFFF, 0xFFFF);
    if (m__ULONG__Exception != 0) {
        // Only a warning: the drive keeps the speed it has.
        std::printf("\n\n%s:main(): WARNING! Tarnwick_CdvdBurnerGrabber_SetSpeeds() failed, exception %ld, status %ld, "
                    "text '%s'\n",
                    p, static_cast<long>(m__ULONG__Exception), static_cast<long>(m__ULONG__Status),
                    m__CHAR__ExceptionText);
    }

    std::printf("OK!\n%s:main(): Getting current CD/DVD speeds... ", p);
    std::fflush(stdout);
    ULONG l__ULONG__CurrentRead = 0, l__ULONG__MaximumRead = 0, l__ULONG__CurrentWrite = 0, l__ULONG__MaximumWrite = 0;
    m__ULONG__Exception = Tarnwick_CdvdBurnerGrabber_GetSpeeds(
        m__PVOID__Burner, m__CHAR__ExceptionText, sizeof(m__CHAR__ExceptionText), &m__ULONG__Status,
        &m__CDB_FAILURE_INFORMATION__Info, &l__ULONG__CurrentRead, &l__ULONG__MaximumRead, &l__ULONG__CurrentWrite,
        &l__ULONG__MaximumWrite);
    if (!Succeeded("Tarnwick_CdvdBurnerGrabber_GetSpeeds")) return false;
    std::printf("OK!\n%s:main(): Current read speed %ld KBps (%ld maximum)\n", p, static_cast<long>(l__ULONG__CurrentRead),
                static_cast<long>(l__ULONG__MaximumRead));
    std::printf("%s:main(): Current write speed %ld KBps (%ld maximum)\n", p, static_cast<long>(l__ULONG__CurrentWrite),
                static_cast<long>(l__ULONG__MaximumWrite));

    std::printf("%s:main(): Getting track information... ", p);
    std::fflush(stdout);
    m__ULONG__Exception = Tarnwick_CdvdBurnerGrabber_GetTrackInformation(
        m__PVOID__Burner, m__CHAR__ExceptionText, sizeof(m__CHAR__ExceptionText), &m__ULONG__Status,
        &m__CDB_FAILURE_INFORMATION__Info, 255, &m__TRACK_INFORMATION__Track);
    if (!Succeeded("Tarnwick_CdvdBurnerGrabber_GetTrackInformation")) return false;
    std::printf("OK!\n%s:main(): Track blank: %s, NWA valid: %s, free LBs %ld, NWA %ld, track number %ld\n", p,
                YesNo(m__TRACK_INFORMATION__Track.m__UCHAR__Blank), YesNo(m__TRACK_INFORMATION__Track.m__UCHAR__NWAValid),
                static_cast<long>(m__TRACK_INFORMATION__Track.m__ULONG__FreeBlocks),
                static_cast<long>(m__TRACK_INFORMATION__Track.m__ULONG__NextWritableAddress),
                static_cast<long>(m__TRACK_INFORMATION__Track.m__UCHAR__TrackNumber));

    std::printf("%s:main(): Getting disc information... ", p);
    std::fflush(stdout);
    m__ULONG__Exception = Tarnwick_CdvdBurnerGrabber_GetDiscInformation(
        m__PVOID__Burner, m__CHAR__ExceptionText, sizeof(m__CHAR__ExceptionText), &m__ULONG__Status,
        &m__CDB_FAILURE_INFORMATION__Info, &m__DISC_INFORMATION__Disc);
    if (!Succeeded("Tarnwick_CdvdBurnerGrabber_GetDiscInformation")) return false;
    m__ULONG__DiscType = Tarnwick_CdvdBurnerGrabber_GetInsertedDiscType(m__PVOID__Burner);
    std::printf("OK!\n%s:main(): Disc erasable: %s, Disc status: 0x%02X, Last session status: 0x%02X, Disc type: %ld\n", p,
                YesNo(m__DISC_INFORMATION__Disc.m__UCHAR__Erasable), m__DISC_INFORMATION__Disc.m__UCHAR__DiscStatus,
                m__DISC_INFORMATION__Disc.m__UCHAR__LastSessionState, static_cast<long>(m__ULONG__DiscType));
    return true;
}

void CTarnwick_SampleBurn::Calibrate(BOOLEAN p__BOOLEAN__IsTestWrite) {
    const char* p = m__PCHAR__Program;
    if (p__BOOLEAN__IsTestWrite) {
        std::printf("%s:main(): Skipping send OPC (Optimum Power Calibration) in test mode... OK!\n", p);
        std::printf("%s:main(): Writing the stuff (simulating) to the CD/DVD disc >>>\n", p);
    } else {
        std::printf("%s:main(): Sending OPC (Optimum Power Calibration)... ", p);
        std::fflush(stdout);
        m__ULONG__Exception = Tarnwick_CdvdBurnerGrabber_SendOPC(m__PVOID__Burner, m__CHAR__ExceptionText,
                                                                 sizeof(m__CHAR__ExceptionText), &m__ULONG__Status,
                                                                 &m__CDB_FAILURE_INFORMATION__Info);
        // A failed calibration does not stop the burn.
        std::printf(m__ULONG__Exception != 0 ? "Failed!\n%s:main(): Writing the stuff to the CD/DVD disc >>>\n"
                                             : "OK!\n%s:main(): Writing the stuff to the CD/DVD disc >>>\n",
                    p);
    }
    std::fflush(stdout);
}

void CTarnwick_SampleBurn::CloseSession() {
    std::printf("%s:main(): Closing session... ", m__PCHAR__Program);
    std::fflush(stdout);
    m__ULONG__Exception = Tarnwick_CdvdBurnerGrabber_CloseSession(m__PVOID__Burner, m__CHAR__ExceptionText,
                                                                  sizeof(m__CHAR__ExceptionText), &m__ULONG__Status,
                                                                  &m__CDB_FAILURE_INFORMATION__Info);
    if (!Succeeded("Tarnwick_CdvdBurnerGrabber_CloseSession")) m__ULONG__CloseFailure = m__ULONG__Exception;
}

bool CTarnwick_SampleBurn::Eject(const char* p__PCHAR__Lead) {
    std::printf("%s%s:main(): Ejecting the disc... ", p__PCHAR__Lead, m__PCHAR__Program);
    std::fflush(stdout);
    m__ULONG__Exception = Tarnwick_CdvdBurnerGrabber_Eject(m__PVOID__Burner, m__CHAR__ExceptionText,
                                                           sizeof(m__CHAR__ExceptionText), &m__ULONG__Status,
                                                           &m__CDB_FAILURE_INFORMATION__Info);
    if (!Succeeded("Tarnwick_CdvdBurnerGrabber_Eject")) return false;
    m__ULONG__Status = m__ULONG__CloseFailure;
    std::printf("OK!\n");
    return true;
}

void CTarnwick_SampleBurn::DestroyBurner() {
    if (m__PVOID__Burner != nullptr) Tarnwick_Destroy(&m__PVOID__Burner);
}

void CTarnwick_SampleBurn::PrintExit() const {
    std::printf(m__ULONG__Status != 0 ? "\n%s:main(): EXITing with failure\n" : "\n%s:main(): EXITing with success\n",
                m__PCHAR__Program);
}
