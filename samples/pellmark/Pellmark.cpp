// Pellmark: burns one image file (an ISO image or a sound file) as one Track-At-Once
// track onto the disc at a SCSI address, and optionally closes the session.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tarnwick.h"

namespace {

LONGLONG g__LONGLONG__LastPercentage = 0;

// Opens the image for reading; a directory is refused (EISDIR), as it holds no bytes to burn.
int OpenImage(const char* p__PCHAR__Path) {
    int l__INT__File = ::open(p__PCHAR__Path, O_RDONLY | O_CLOEXEC);
    struct stat l__stat__Info;
    if (l__INT__File >= 0 && ::fstat(l__INT__File, &l__stat__Info) == 0 && S_ISDIR(l__stat__Info.st_mode)) {
        ::close(l__INT__File);
        errno = EISDIR;
        return -1;
    }
    return l__INT__File;
}

const char* YesNo(BOOLEAN p__BOOLEAN__Flag) { return p__BOOLEAN__Flag ? "Yes" : "No"; }

void Callback(ULONG p__ULONG__Reason, PVOID /*p__PVOID__Context*/, PVOID p__PVOID__Parameter1,
              PVOID p__PVOID__Parameter2) {
    switch (p__ULONG__Reason) {
        case TARGET_FILE_ANALYZE_BEGIN:
            std::printf("Pellmark:Callback(): TARGET_FILE_ANALYZE_BEGIN\n");
            break;
        case TARGET_FILE_ANALYZE_END:
            std::printf("Pellmark:Callback(): Target file size in UCHARs %" PRId64 ", LBs %" PRId64 "\n",
                        *static_cast<LONGLONG*>(p__PVOID__Parameter1), *static_cast<LONGLONG*>(p__PVOID__Parameter2));
            std::printf("Pellmark:Callback(): TARGET_FILE_ANALYZE_END\n");
            break;
        case WAIT_CACHE_FULL_BEGIN:
            std::printf("Pellmark:Callback(): WAIT_CACHE_FULL_BEGIN\n");
            std::printf("Pellmark:Callback(): Waiting for cache full not more then %ld ms... ",
                        static_cast<long>(*static_cast<ULONG*>(p__PVOID__Parameter1)));
            break;
        case WAIT_CACHE_FULL_END:
            std::printf("OK!\nPellmark:Callback(): WAIT_CACHE_FULL_END\n");
            break;
        case SYNCHRONIZE_CACHE_BEGIN:
            std::printf("\nPellmark:Callback(): SYNCHRONIZE_CACHE_BEGIN\n");
            break;
        case SYNCHRONIZE_CACHE_END:
            std::printf("Pellmark:Callback(): SYNCHRONIZE_CACHE_END\n");
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
            std::printf("\nPellmark:Callback(): DVDPLUSRW_FORMAT_BEGIN\n");
            break;
        case DVDPLUSRW_FORMAT_END:
            std::printf("Pellmark:Callback(): DVDPLUSRW_FORMAT_END\n");
            break;
        default:
            break;
    }
    std::fflush(stdout);
}

void PrintFailure(const char* p__PCHAR__Function, ULONG p__ULONG__Exception, ULONG p__ULONG__Status,
                  const char* p__PCHAR__Text) {
    std::printf("\n\nPellmark:main(): %s() failed, exception %ld, status %ld, text '%s'\n", p__PCHAR__Function,
                static_cast<long>(p__ULONG__Exception), static_cast<long>(p__ULONG__Status), p__PCHAR__Text);
}

}  // namespace

int main(int argc, char** argv) {
    ULONG l__ULONG__Status = 31;
    ULONG l__ULONG__Exception = 0;
    CHAR l__CHAR__ExceptionText[1024];
    CDB_FAILURE_INFORMATION l__CDB_FAILURE_INFORMATION__Info;
    PVOID l__PVOID__Burner = nullptr;
    // The failure of the session close: the disc is ejected all the same, but left open, and
    // the run ends with this number.
    ULONG l__ULONG__CloseFailure = 0;

    std::printf("\nPellmark:main(): ENTERed for %ld argument(s)\n", static_cast<long>(argc));
    if (argc < 8) {
        std::printf("\nPellmark:main(): EXITing with failure!!!\n\n");
        std::printf("Pellmark:main(): SCSI address, ISO/sound file name, is test write, is close session required!!!\n");
        std::printf("Pellmark:main(): Example: Pellmark.exe 0 0 1 0 c:\\corvel.iso 0 1\n");
        return 87;
    }
    UCHAR l__UCHAR__Port = static_cast<UCHAR>(std::atoi(argv[1]));
    UCHAR l__UCHAR__Bus = static_cast<UCHAR>(std::atoi(argv[2]));
    UCHAR l__UCHAR__Target = static_cast<UCHAR>(std::atoi(argv[3]));
    UCHAR l__UCHAR__LUN = static_cast<UCHAR>(std::atoi(argv[4]));
    PCHAR l__PCHAR__FileName = argv[5];
    BOOLEAN l__BOOLEAN__IsTestWrite = static_cast<UCHAR>(std::atoi(argv[6])) != 0;
    BOOLEAN l__BOOLEAN__IsCloseSession = static_cast<UCHAR>(std::atoi(argv[7])) == 1;

    std::memset(l__CHAR__ExceptionText, 0, sizeof(l__CHAR__ExceptionText));
    std::printf("\nPellmark:main(): Opening '%s'... ", l__PCHAR__FileName);
    std::fflush(stdout);
    int l__INT__File = OpenImage(l__PCHAR__FileName);
    if (l__INT__File < 0) {
        ULONG l__ULONG__Error = static_cast<ULONG>(errno);
        std::printf("\n\nPellmark:main(): EXITing with failure!!!\n");
        std::printf("\nPellmark:main(): CreateFile( '%s' ) failed, status %ld\n", l__PCHAR__FileName,
                    static_cast<long>(l__ULONG__Error));
        return static_cast<int>(l__ULONG__Error);
    }
    std::printf("OK!\nPellmark:main(): Getting file size... ");
    struct stat l__stat__Image;
    int64_t l__LONGLONG__FileSize = ::fstat(l__INT__File, &l__stat__Image) == 0 ? l__stat__Image.st_size : -1;
    if (l__LONGLONG__FileSize < 0) {
        ULONG l__ULONG__Error = static_cast<ULONG>(errno);
        std::printf("\n\nPellmark:main(): EXITing with failure!!!\n");
        std::printf("Pellmark:main(): GetFileSize() failed, status %ld!!!\n", static_cast<long>(l__ULONG__Error));
        ::close(l__INT__File);
        return static_cast<int>(l__ULONG__Error);
    }
    std::printf("OK!\nPellmark:main(): Burning %" PRId64 " UCHARs of ISO/sound image '%s'\n", l__LONGLONG__FileSize,
                l__PCHAR__FileName);
    std::printf("Pellmark:main(): %ld MBs of cache will be used during burn process\n", 64L);
    std::printf("Pellmark:main(): Probing SCSI address %ld:%ld:%ld:%ld for CD/DVD burner device... ",
                static_cast<long>(l__UCHAR__Port), static_cast<long>(l__UCHAR__Bus),
                static_cast<long>(l__UCHAR__Target), static_cast<long>(l__UCHAR__LUN));
    std::fflush(stdout);

    // Every step below ends in the clean-up.
    do {
        l__ULONG__Exception = Tarnwick_UpStart();
        if (l__ULONG__Exception != 0) {
            std::printf("\n\nPellmark:main(): Tarnwick_UpStart() failed, exception %ld\n",
                        static_cast<long>(l__ULONG__Exception));
            break;
        }
        l__ULONG__Exception = Tarnwick_CdvdBurnerGrabber_Create(
            &l__PVOID__Burner, l__CHAR__ExceptionText, sizeof(l__CHAR__ExceptionText), &l__ULONG__Status,
            &l__CDB_FAILURE_INFORMATION__Info, Callback, nullptr, l__UCHAR__Port, l__UCHAR__Bus, l__UCHAR__Target,
            l__UCHAR__LUN, 0);
        if (l__ULONG__Exception != 0) {
            PrintFailure("Tarnwick_CdvdBurnerGrabber_Create", l__ULONG__Exception, l__ULONG__Status,
                         l__CHAR__ExceptionText);
            break;
        }

        CHAR l__CHAR__Vendor[1024] = {}, l__CHAR__Product[1024] = {}, l__CHAR__Revision[1024] = {};
        ULONG l__ULONG__BufferSize = 0;
        Tarnwick_CdvdBurnerGrabber_GetDeviceInformation(l__PVOID__Burner, l__CHAR__Vendor, l__CHAR__Product,
                                                        l__CHAR__Revision, &l__ULONG__BufferSize);
        std::printf("OK!\nPellmark:main(): Found CD/DVD device '%s' - '%s' - '%s' with %ld UCHARs of cache\n",
                    l__CHAR__Vendor, l__CHAR__Product, l__CHAR__Revision, static_cast<long>(l__ULONG__BufferSize));

        std::printf("Pellmark:main(): Probing supported write modes... ");
        std::fflush(stdout);
        BOOLEAN l__BOOLEAN__TAO = 0, l__BOOLEAN__SAO = 0, l__BOOLEAN__DAOPQ = 0, l__BOOLEAN__DAORawPW = 0;
        l__ULONG__Exception = Tarnwick_CdvdBurnerGrabber_ProbeSupportedWriteModes(
            l__PVOID__Burner, l__CHAR__ExceptionText, sizeof(l__CHAR__ExceptionText), &l__ULONG__Status,
            &l__CDB_FAILURE_INFORMATION__Info, &l__BOOLEAN__TAO, &l__BOOLEAN__SAO, &l__BOOLEAN__DAOPQ,
            &l__BOOLEAN__DAORawPW);
        if (l__ULONG__Exception != 0) {
            PrintFailure("Tarnwick_CdvdBurnerGrabber_ProbeSupportedWriteModes", l__ULONG__Exception, l__ULONG__Status,
                         l__CHAR__ExceptionText);
            break;
        }
        std::printf("OK!\nPellmark:main(): Track-At-Once: %s, Session-At-Once: %s, Disc-At-Once PQ: %s, Disc-At-Once "
                    "raw P-W: %s\n",
                    YesNo(l__BOOLEAN__TAO), YesNo(l__BOOLEAN__SAO), YesNo(l__BOOLEAN__DAOPQ),
                    YesNo(l__BOOLEAN__DAORawPW));
        if (!l__BOOLEAN__TAO) {
            std::printf("\n\nPellmark:main(): Track-At-Once is unsupported!!!\n");
            break;
        }

        std::printf("Pellmark:main(): Testing unit ready... ");
        std::fflush(stdout);
        l__ULONG__Exception = Tarnwick_CdvdBurnerGrabber_TestUnitReady(l__PVOID__Burner, l__CHAR__ExceptionText,
                                                                       sizeof(l__CHAR__ExceptionText),
                                                                       &l__ULONG__Status, &l__CDB_FAILURE_INFORMATION__Info);
        if (l__ULONG__Exception != 0) {
            PrintFailure("Tarnwick_CdvdBurnerGrabber_TestUnitReady", l__ULONG__Exception, l__ULONG__Status,
                         l__CHAR__ExceptionText);
            break;
        }

        std::printf("OK!\nPellmark:main(): Getting BUP (Buffer Underrun Protection) support... ");
        std::fflush(stdout);
        BOOLEAN l__BOOLEAN__BUPEnabled = 0, l__BOOLEAN__BUPSupported = 0;
        l__ULONG__Exception = Tarnwick_CdvdBurnerGrabber_GetBUP(
            l__PVOID__Burner, l__CHAR__ExceptionText, sizeof(l__CHAR__ExceptionText), &l__ULONG__Status,
            &l__CDB_FAILURE_INFORMATION__Info, &l__BOOLEAN__BUPEnabled, &l__BOOLEAN__BUPSupported);
        if (l__ULONG__Exception != 0) {
            PrintFailure("Tarnwick_CdvdBurnerGrabber_GetBUP", l__ULONG__Exception, l__ULONG__Status,
                         l__CHAR__ExceptionText);
            break;
        }
        std::printf("OK!\nPellmark:main(): BUP (Buffer Underrun Protection) Enabled: %s, Supported: %s\n",
                    YesNo(l__BOOLEAN__BUPEnabled), YesNo(l__BOOLEAN__BUPSupported));
        if (l__BOOLEAN__BUPSupported == 1) {
            std::printf("Pellmark:main(): Enabling BUP (Buffer Underrun Protection)... ");
            std::fflush(stdout);
            l__ULONG__Exception = Tarnwick_CdvdBurnerGrabber_SetBUP(l__PVOID__Burner, l__CHAR__ExceptionText,
                                                                    sizeof(l__CHAR__ExceptionText), &l__ULONG__Status,
                                                                    &l__CDB_FAILURE_INFORMATION__Info, TRUE);
            if (l__ULONG__Exception != 0) {
                PrintFailure("Tarnwick_CdvdBurnerGrabber_SetBUP", l__ULONG__Exception, l__ULONG__Status,
                             l__CHAR__ExceptionText);
                break;
            }
            std::printf("OK!\n");
        }

        std::printf("Pellmark:main(): Setting maximum supported CD/DVD speeds... ");
        std::fflush(stdout);
        l__ULONG__Exception = Tarnwick_CdvdBurnerGrabber_SetSpeeds(l__PVOID__Burner, l__CHAR__ExceptionText,
                                                                   sizeof(l__CHAR__ExceptionText), &l__ULONG__Status,
                                                                   &l__CDB_FAILURE_INFORMATION__Info, 0xFFFF, 0xFFFF);
        if (l__ULONG__Exception != 0) {
            std::printf("\n\nPellmark:main(): WARNING! Tarnwick_CdvdBurnerGrabber_SetSpeeds() failed, exception %ld, "
                        "status %ld, text '%s'\n",
                        static_cast<long>(l__ULONG__Exception), static_cast<long>(l__ULONG__Status),
                        l__CHAR__ExceptionText);
        }

        std::printf("OK!\nPellmark:main(): Getting current CD/DVD speeds... ");
        std::fflush(stdout);
        ULONG l__ULONG__CurrentRead = 0, l__ULONG__MaximumRead = 0, l__ULONG__CurrentWrite = 0,
              l__ULONG__MaximumWrite = 0;
        l__ULONG__Exception = Tarnwick_CdvdBurnerGrabber_GetSpeeds(
            l__PVOID__Burner, l__CHAR__ExceptionText, sizeof(l__CHAR__ExceptionText), &l__ULONG__Status,
            &l__CDB_FAILURE_INFORMATION__Info, &l__ULONG__CurrentRead, &l__ULONG__MaximumRead, &l__ULONG__CurrentWrite,
            &l__ULONG__MaximumWrite);
        if (l__ULONG__Exception != 0) {
            PrintFailure("Tarnwick_CdvdBurnerGrabber_GetSpeeds", l__ULONG__Exception, l__ULONG__Status,
                         l__CHAR__ExceptionText);
            break;
        }
        std::printf("OK!\nPellmark:main(): Current read speed %ld KBps (%ld maximum)\n",
                    static_cast<long>(l__ULONG__CurrentRead), static_cast<long>(l__ULONG__MaximumRead));
        std::printf("Pellmark:main(): Current write speed %ld KBps (%ld maximum)\n",
                    static_cast<long>(l__ULONG__CurrentWrite), static_cast<long>(l__ULONG__MaximumWrite));

        std::printf("Pellmark:main(): Getting track information... ");
        std::fflush(stdout);
        TRACK_INFORMATION l__TRACK_INFORMATION__Track = {};
        l__ULONG__Exception = Tarnwick_CdvdBurnerGrabber_GetTrackInformation(
            l__PVOID__Burner, l__CHAR__ExceptionText, sizeof(l__CHAR__ExceptionText), &l__ULONG__Status,
            &l__CDB_FAILURE_INFORMATION__Info, 255, &l__TRACK_INFORMATION__Track);
        if (l__ULONG__Exception != 0) {
            PrintFailure("Tarnwick_CdvdBurnerGrabber_GetTrackInformation", l__ULONG__Exception, l__ULONG__Status,
                         l__CHAR__ExceptionText);
            break;
        }
        std::printf("OK!\nPellmark:main(): Track blank: %s, NWA valid: %s, free LBs %ld, NWA %ld, track number %ld\n",
                    YesNo(l__TRACK_INFORMATION__Track.m__UCHAR__Blank),
                    YesNo(l__TRACK_INFORMATION__Track.m__UCHAR__NWAValid),
                    static_cast<long>(l__TRACK_INFORMATION__Track.m__ULONG__FreeBlocks),
                    static_cast<long>(l__TRACK_INFORMATION__Track.m__ULONG__NextWritableAddress),
                    static_cast<long>(l__TRACK_INFORMATION__Track.m__UCHAR__TrackNumber));

        std::printf("Pellmark:main(): Getting disc information... ");
        std::fflush(stdout);
        DISC_INFORMATION l__DISC_INFORMATION__Disc = {};
        l__ULONG__Exception = Tarnwick_CdvdBurnerGrabber_GetDiscInformation(
            l__PVOID__Burner, l__CHAR__ExceptionText, sizeof(l__CHAR__ExceptionText), &l__ULONG__Status,
            &l__CDB_FAILURE_INFORMATION__Info, &l__DISC_INFORMATION__Disc);
        if (l__ULONG__Exception != 0) {
            PrintFailure("Tarnwick_CdvdBurnerGrabber_GetDiscInformation", l__ULONG__Exception, l__ULONG__Status,
                         l__CHAR__ExceptionText);
            break;
        }
        ULONG l__ULONG__DiscType = Tarnwick_CdvdBurnerGrabber_GetInsertedDiscType(l__PVOID__Burner);
        std::printf("OK!\nPellmark:main(): Disc erasable: %s, Disc status: 0x%02X, Last session status: 0x%02X, Disc "
                    "type: %ld\n",
                    YesNo(l__DISC_INFORMATION__Disc.m__UCHAR__Erasable), l__DISC_INFORMATION__Disc.m__UCHAR__DiscStatus,
                    l__DISC_INFORMATION__Disc.m__UCHAR__LastSessionState, static_cast<long>(l__ULONG__DiscType));

        if (l__BOOLEAN__IsTestWrite) {
            std::printf("Pellmark:main(): Skipping send OPC (Optimum Power Calibration) in test mode... OK!\n");
            std::printf("Pellmark:main(): Writing the stuff (simulating) to the CD/DVD disc >>>\n");
        } else {
            std::printf("Pellmark:main(): Sending OPC (Optimum Power Calibration)... ");
            std::fflush(stdout);
            l__ULONG__Exception = Tarnwick_CdvdBurnerGrabber_SendOPC(l__PVOID__Burner, l__CHAR__ExceptionText,
                                                                     sizeof(l__CHAR__ExceptionText), &l__ULONG__Status,
                                                                     &l__CDB_FAILURE_INFORMATION__Info);
            if (l__ULONG__Exception != 0) {
                std::printf("Failed!\n");
                std::printf("Pellmark:main(): Writing the stuff to the CD/DVD disc >>>\n");
            } else {
                std::printf("OK!\nPellmark:main(): Writing the stuff to the CD/DVD disc >>>\n");
            }
        }
        std::fflush(stdout);

        g__LONGLONG__LastPercentage = 0;
        l__ULONG__Exception = Tarnwick_CdvdBurnerGrabber_Pellmark(
            l__PVOID__Burner, l__CHAR__ExceptionText, sizeof(l__CHAR__ExceptionText), &l__ULONG__Status,
            &l__CDB_FAILURE_INFORMATION__Info, l__PCHAR__FileName, 1, l__BOOLEAN__IsTestWrite, 1, 1, 5);
        if (l__ULONG__Exception != 0) {
            PrintFailure("Tarnwick_CdvdBurnerGrabber_Pellmark", l__ULONG__Exception, l__ULONG__Status,
                         l__CHAR__ExceptionText);
            break;
        }

        if (l__BOOLEAN__IsTestWrite || !l__BOOLEAN__IsCloseSession) {
            std::printf("Pellmark:main(): Skipping close session b/s of the user request or test mode... ");
        } else {
            std::printf("Pellmark:main(): Closing session... ");
            std::fflush(stdout);
            l__ULONG__Exception = Tarnwick_CdvdBurnerGrabber_CloseSession(l__PVOID__Burner, l__CHAR__ExceptionText,
                                                                          sizeof(l__CHAR__ExceptionText),
                                                                          &l__ULONG__Status,
                                                                          &l__CDB_FAILURE_INFORMATION__Info);
            if (l__ULONG__Exception != 0) {
                PrintFailure("Tarnwick_CdvdBurnerGrabber_CloseSession", l__ULONG__Exception, l__ULONG__Status,
                             l__CHAR__ExceptionText);
                l__ULONG__CloseFailure = l__ULONG__Exception;
            }
        }

        std::printf("OK!\nPellmark:main(): Ejecting the disc... ");
        std::fflush(stdout);
        l__ULONG__Exception = Tarnwick_CdvdBurnerGrabber_Eject(l__PVOID__Burner, l__CHAR__ExceptionText,
                                                               sizeof(l__CHAR__ExceptionText), &l__ULONG__Status,
                                                               &l__CDB_FAILURE_INFORMATION__Info);
        if (l__ULONG__Exception != 0) {
            PrintFailure("Tarnwick_CdvdBurnerGrabber_Eject", l__ULONG__Exception, l__ULONG__Status,
                         l__CHAR__ExceptionText);
            break;
        }
        l__ULONG__Status = l__ULONG__CloseFailure;
        std::printf("OK!\n");
    } while (false);

    if (l__PVOID__Burner != nullptr) Tarnwick_Destroy(&l__PVOID__Burner);
    ::close(l__INT__File);
    Tarnwick_DownShut();
    if (l__ULONG__Status != 0) {
        std::printf("\nPellmark:main(): EXITing with failure\n");
    } else {
        std::printf("\nPellmark:main(): EXITing with success\n");
    }
    return static_cast<int>(l__ULONG__Status);
}
