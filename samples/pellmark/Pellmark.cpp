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

#include "CTarnwick_SampleBurn.h"
#include "tarnwick.h"

namespace {

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

void Callback(ULONG p__ULONG__Reason, PVOID /*p__PVOID__Context*/, PVOID p__PVOID__Parameter1,
              PVOID p__PVOID__Parameter2) {
    CTarnwick_SampleBurn::PrintWriteEvent("Pellmark", p__ULONG__Reason, p__PVOID__Parameter1, p__PVOID__Parameter2);
}

}  // namespace

int main(int argc, char** argv) {
    CTarnwick_SampleBurn l__Burn("Pellmark");

    std::printf("\nPellmark:main(): ENTERed for %ld argument(s)\n", static_cast<long>(argc));
    if (argc < 8) {
        std::printf("\nPellmark:main(): EXITing with failure!!!\n\n");
        std::printf("Pellmark:main(): SCSI address, ISO/sound file name, is test write, is close session required!!!\n");
        std::printf("Pellmark:main(): Example: Pellmark.exe 0 0 1 0 c:\\corvel.iso 0 1\n");
        return 87;
    }
    l__Burn.SetAddress(argv);
    PCHAR l__PCHAR__FileName = argv[5];
    BOOLEAN l__BOOLEAN__IsTestWrite = static_cast<UCHAR>(std::atoi(argv[6])) != 0;
    BOOLEAN l__BOOLEAN__IsCloseSession = static_cast<UCHAR>(std::atoi(argv[7])) == 1;

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
    l__Burn.PrintProbing();

    // Every step below ends in the clean-up.
    do {
        if (!l__Burn.UpStart()) break;
        if (!l__Burn.CreateBurner(Callback)) break;
        if (!l__Burn.HasTrackAtOnce()) break;
        if (!l__Burn.QueryDrive()) break;
        l__Burn.Calibrate(l__BOOLEAN__IsTestWrite);

        CTarnwick_SampleBurn::ResetLastPercentage();
        l__Burn.m__ULONG__Exception = Tarnwick_CdvdBurnerGrabber_Pellmark(
            l__Burn.m__PVOID__Burner, l__Burn.m__CHAR__ExceptionText, sizeof(l__Burn.m__CHAR__ExceptionText),
            &l__Burn.m__ULONG__Status, &l__Burn.m__CDB_FAILURE_INFORMATION__Info, l__PCHAR__FileName, 1,
            l__BOOLEAN__IsTestWrite, 1, 1, 5);
        if (!l__Burn.Succeeded("Tarnwick_CdvdBurnerGrabber_Pellmark")) break;

        if (l__BOOLEAN__IsTestWrite || !l__BOOLEAN__IsCloseSession) {
            std::printf("Pellmark:main(): Skipping close session b/s of the user request or test mode... ");
        } else {
            l__Burn.CloseSession();
        }
        l__Burn.Eject();
    } while (false);

    l__Burn.DestroyBurner();
    ::close(l__INT__File);
    Tarnwick_DownShut();
    l__Burn.PrintExit();
    return static_cast<int>(l__Burn.m__ULONG__Status);
}
