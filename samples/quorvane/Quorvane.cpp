// Quorvane: masters an ISO9660/Joliet image from a local directory (or file), after importing
// the file tree of a track already on the disc when asked, so that the new session shows the
// earlier files too, and burns it Track-At-Once as one data track onto the disc at a SCSI
// address; the session is closed unless the write is a test.
#include <cstdio>
#include <cstdlib>

#include "CTarnwick_SampleBurn.h"
#include "CTarnwick_SampleTree.h"
#include "tarnwick.h"

namespace {

CTarnwick_SampleTree g__CTarnwick_SampleTree__Tree("Quorvane");

void Callback(ULONG p__ULONG__Reason, PVOID /*p__PVOID__Context*/, PVOID p__PVOID__Parameter1,
              PVOID p__PVOID__Parameter2) {
    if (!g__CTarnwick_SampleTree__Tree.HandleTreeEvent(p__ULONG__Reason, p__PVOID__Parameter1))
        CTarnwick_SampleBurn::PrintWriteEvent("Quorvane", p__ULONG__Reason, p__PVOID__Parameter1, p__PVOID__Parameter2);
}

// Masters the tree (import, the source under the date name) and builds its image at the next
// writable address. False, with the failure printed, when a step fails.
bool MasterImage(CTarnwick_SampleBurn& p__Burn, CTarnwick_SampleTree& p__Tree, UCHAR p__UCHAR__ImportTrack,
                 PCHAR p__PCHAR__Source) {
    if (p__UCHAR__ImportTrack != 0) {
        std::printf("Quorvane:main(): Importing track %d... ", static_cast<int>(p__UCHAR__ImportTrack));
        std::fflush(stdout);
        p__Burn.m__ULONG__Exception = Tarnwick_ISO9660JolietFileTree_ImportTrack(
            p__Burn.m__PVOID__Burner, p__Tree.m__PVOID__Tree, p__UCHAR__ImportTrack, 1, p__Burn.m__CHAR__ExceptionText,
            sizeof(p__Burn.m__CHAR__ExceptionText), &p__Burn.m__ULONG__Status);
        if (!p__Burn.Succeeded("Tarnwick_ISO9660JolietFileTree_ImportTrack", "\n")) return false;
        std::printf("OK!");
    }
    return p__Tree.AddSource(p__Burn, p__PCHAR__Source) && p__Tree.BuildImage(p__Burn, "\n", p__PCHAR__Source);
}

}  // namespace

int main(int argc, char** argv) {
    CTarnwick_SampleBurn l__Burn("Quorvane");

    std::printf("\nQuorvane:main(): ENTERed for %ld argument(s)\n", static_cast<long>(argc));
    if (argc < 8) {
        std::printf("\nQuorvane:main(): EXITing with failure!!!\n\n");
        std::printf("Quorvane:main(): SCSI address, source directory or file name, is test write required, number of "
                    "track to import ( 0 - no import)!!!\n");
        std::printf("Quorvane:main(): Example: Quorvane.exe 0 0 1 0 c:\\corvel 1 1\n");
        return 87;
    }
    l__Burn.SetAddress(argv);
    PCHAR l__PCHAR__Source = argv[5];
    BOOLEAN l__BOOLEAN__IsTestWrite = static_cast<BOOLEAN>(std::atoi(argv[6]));
    UCHAR l__UCHAR__ImportTrack = static_cast<UCHAR>(std::atoi(argv[7]));

    CTarnwick_SampleTree& l__Tree = g__CTarnwick_SampleTree__Tree;
    // Every step below ends in the clean-up.
    do {
        if (!l__Tree.Begin(l__Burn, Callback, l__PCHAR__Source)) break;

        l__Burn.PrintProbing();
        if (!l__Burn.CreateBurner(Callback)) break;
        if (!l__Burn.HasTrackAtOnce()) break;
        if (!l__Burn.QueryDrive()) break;

        if (!MasterImage(l__Burn, l__Tree, l__UCHAR__ImportTrack, l__PCHAR__Source)) break;
        l__Burn.Calibrate(l__BOOLEAN__IsTestWrite);

        CTarnwick_SampleBurn::ResetLastPercentage();
        l__Burn.m__ULONG__Exception = Tarnwick_CdvdBurnerGrabber_TrackAtOnceFromTree(
            l__Burn.m__PVOID__Burner, l__Burn.m__CHAR__ExceptionText, sizeof(l__Burn.m__CHAR__ExceptionText),
            &l__Burn.m__ULONG__Status, &l__Burn.m__CDB_FAILURE_INFORMATION__Info, l__Tree.m__PVOID__Tree, 1,
            l__BOOLEAN__IsTestWrite, 1, 1, 5);
        if (!l__Burn.Succeeded("Tarnwick_CdvdBurnerGrabber_TrackAtOnceFromTree")) break;

        if (l__BOOLEAN__IsTestWrite) {
            std::printf("Quorvane:main(): Skipping close session in test mode... ");
        } else {
            l__Burn.CloseSession();
        }
        l__Burn.Eject();
    } while (false);

    return l__Tree.Finish(l__Burn);
}
