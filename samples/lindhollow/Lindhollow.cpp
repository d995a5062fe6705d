// Lindhollow: masters an ISO9660/Joliet image from a local directory (or file) and burns it
// Session-At-Once, as one data track in one session, onto the disc at a SCSI address. The
// drive closes the session itself; a name that collides with one already in its directory
// gets a name of its own, so that every file given reaches the disc.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "CTarnwick_SampleBurn.h"
#include "CTarnwick_SampleTree.h"
#include "tarnwick.h"

namespace {

CTarnwick_SampleTree g__CTarnwick_SampleTree__Tree("Lindhollow");

void Callback(ULONG p__ULONG__Reason, PVOID /*p__PVOID__Context*/, PVOID p__PVOID__Parameter1,
              PVOID p__PVOID__Parameter2) {
    if (!g__CTarnwick_SampleTree__Tree.HandleTreeEvent(p__ULONG__Reason, p__PVOID__Parameter1))
        CTarnwick_SampleBurn::PrintWriteEvent("Lindhollow", p__ULONG__Reason, p__PVOID__Parameter1, p__PVOID__Parameter2);
}

// Writes the built tree as the one track of a session.
bool WriteSession(CTarnwick_SampleBurn& p__Burn, PVOID p__PVOID__Tree, BOOLEAN p__BOOLEAN__IsTestWrite) {
    CTarnwick_SampleBurn::ResetLastPercentage();
    // Zero-filled: no file name, so the entry's tree is the track's source.
    auto l__Session = std::make_unique<SESSION_DESCRIPTOR>();
    l__Session->m__ULONG__NumberOfTracks = 1;
    l__Session->m__SESSION_TRACK_ENTRY__Tracks[0].m__PVOID__Tree = p__PVOID__Tree;
    p__Burn.m__ULONG__Exception = Tarnwick_CdvdBurnerGrabber_SessionAtOnce(
        p__Burn.m__PVOID__Burner, p__Burn.m__CHAR__ExceptionText, sizeof(p__Burn.m__CHAR__ExceptionText),
        &p__Burn.m__ULONG__Status, &p__Burn.m__CDB_FAILURE_INFORMATION__Info, l__Session.get(), 1,
        p__BOOLEAN__IsTestWrite, 1, 1, 5);
    return p__Burn.Succeeded("Tarnwick_CdvdBurnerGrabber_SessionAtOnce");
}

}  // namespace

int main(int argc, char** argv) {
    CTarnwick_SampleBurn l__Burn("Lindhollow");

    std::printf("\nLindhollow:main(): ENTERed for %ld argument(s)\n", static_cast<long>(argc));
    if (argc < 7) {
        std::printf("\nLindhollow:main(): EXITing with failure!!!\n\n");
        std::printf("Lindhollow:main(): SCSI address, source directory or file name, is test write required!!!\n");
        std::printf("Lindhollow:main(): Example: Lindhollow.exe 0 0 1 0 c:\\corvel 1\n");
        return 87;
    }
    l__Burn.SetAddress(argv);
    PCHAR l__PCHAR__Source = argv[5];
    BOOLEAN l__BOOLEAN__IsTestWrite = static_cast<BOOLEAN>(std::atoi(argv[6]));

    CTarnwick_SampleTree& l__Tree = g__CTarnwick_SampleTree__Tree;
    // Every step below ends in the clean-up. The tree is complete before the burner exists;
    // its image is built at the next writable address the drive reports.
    do {
        if (!l__Tree.Begin(l__Burn, Callback, l__PCHAR__Source)) break;
        if (!l__Tree.AddSource(l__Burn, l__PCHAR__Source)) break;

        l__Burn.PrintProbing();
        if (!l__Burn.CreateBurner(Callback)) break;
        if (!l__Burn.HasSessionAtOnce()) break;
        if (!l__Burn.QueryDrive()) break;
        if (!l__Tree.BuildImage(l__Burn, "", l__PCHAR__Source)) break;
        l__Burn.Calibrate(l__BOOLEAN__IsTestWrite);

        if (!WriteSession(l__Burn, l__Tree.m__PVOID__Tree, l__BOOLEAN__IsTestWrite)) break;
        // The drive closed the session: nothing to close here.
        l__Burn.Eject("");
    } while (false);

    return l__Tree.Finish(l__Burn);
}
