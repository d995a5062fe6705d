// tarnwick-grab: copies a track, a range of blocks of one track, or the whole disc in the drive
// into files, telling its progress on standard error and the blocks it could not read.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "CTarnwick_GrabCommandLine.h"
#include "CTarnwick_GrabProgress.h"
#include "CTarnwick_ToolDrive.h"
#include "CTarnwick_ToolFailure.h"
#include "CTarnwick_ToolMain.h"
#include "tarnwick.h"

namespace {

const char* const g__PCHAR__Program = "tarnwick-grab";

// The callback's context: the grab's bad blocks, and when it began.
struct GrabRun {
    CTarnwick_GrabProgress m__Progress;
    LONGLONG m__LONGLONG__Total = 0;
    LONGLONG m__LONGLONG__Done = 0;
    std::chrono::steady_clock::time_point m__Start = std::chrono::steady_clock::now();

    double Seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - m__Start).count();
    }
};

void Callback(ULONG p__ULONG__Reason, PVOID p__PVOID__Context, PVOID p__PVOID__Parameter1, PVOID p__PVOID__Parameter2) {
    GrabRun* l__Run = static_cast<GrabRun*>(p__PVOID__Context);
    if (l__Run == nullptr) return;
    if (p__ULONG__Reason == GRAB_PROGRESS) {
        l__Run->m__LONGLONG__Total = *static_cast<const LONGLONG*>(p__PVOID__Parameter1);
        l__Run->m__LONGLONG__Done = *static_cast<const LONGLONG*>(p__PVOID__Parameter2);
        std::fprintf(stderr, "%s: %s\n", g__PCHAR__Program,
                     CTarnwick_GrabProgress::Line(l__Run->m__LONGLONG__Total, l__Run->m__LONGLONG__Done, l__Run->Seconds()).c_str());
    } else if (p__ULONG__Reason == BAD_SECTOR_DETECTED) {
        l__Run->m__Progress.AddBadBlocks(*static_cast<const ULONG*>(p__PVOID__Parameter1),
                                         *static_cast<const ULONG*>(p__PVOID__Parameter2));
    } else if (p__ULONG__Reason == READ_ERROR_RETRY) {
        std::fprintf(stderr, "%s: read error at LBA %lu, reading again block by block\n", g__PCHAR__Program,
                     static_cast<unsigned long>(*static_cast<const ULONG*>(p__PVOID__Parameter1)));
    }
}

int Grab(const CTarnwick_GrabCommandLine& p__CommandLine) {
    char l__CHAR__Text[1024] = {};
    ULONG l__ULONG__Status = 0;
    CDB_FAILURE_INFORMATION l__Info{};

    GrabRun l__Run;
    PVOID l__PVOID__Burner = nullptr;
    const int l__int__Created =
        CTarnwick_ToolDrive::CreateBurner(g__PCHAR__Program, p__CommandLine.Drive(), Callback, &l__Run, &l__PVOID__Burner);
    if (l__int__Created != 0) return l__int__Created;

    // The tray closed first: the disc to grab may have been ejected by the burn that wrote it.
    // A drive that cannot close its tray says so in the grab's own failure.
    Tarnwick_CdvdBurnerGrabber_Load(l__PVOID__Burner, l__CHAR__Text, sizeof(l__CHAR__Text), &l__ULONG__Status, &l__Info);

    ULONG l__ULONG__Number = 0;
    std::string l__string__Output = p__CommandLine.Output();
    const char* l__PCHAR__Function = nullptr;
    l__Run.m__Start = std::chrono::steady_clock::now();
    if (p__CommandLine.IsDisc() && p__CommandLine.PartSize() != 0) {
        l__PCHAR__Function = "Tarnwick_CdvdBurnerGrabber_GrabDiscSplit";
        l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_GrabDiscSplit(
            l__PVOID__Burner, l__CHAR__Text, sizeof(l__CHAR__Text), &l__ULONG__Status, &l__Info, l__string__Output.data(),
            p__CommandLine.Retries(), p__CommandLine.IsIgnoreErrors(), p__CommandLine.IsSingleBlocks(), 1,
            p__CommandLine.PartSize());
    } else if (p__CommandLine.IsDisc()) {
        l__PCHAR__Function = "Tarnwick_CdvdBurnerGrabber_GrabDisc";
        l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_GrabDisc(
            l__PVOID__Burner, l__CHAR__Text, sizeof(l__CHAR__Text), &l__ULONG__Status, &l__Info, l__string__Output.data(),
            p__CommandLine.Retries(), p__CommandLine.IsIgnoreErrors(), p__CommandLine.IsSingleBlocks(), 1);
    } else if (p__CommandLine.IsTrack()) {
        l__PCHAR__Function = "Tarnwick_CdvdBurnerGrabber_GrabTrack";
        l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_GrabTrack(
            l__PVOID__Burner, l__CHAR__Text, sizeof(l__CHAR__Text), &l__ULONG__Status, &l__Info, p__CommandLine.Track(),
            l__string__Output.data(), p__CommandLine.Retries(), p__CommandLine.IsIgnoreErrors(),
            p__CommandLine.IsSingleBlocks(), 1);
    } else {
        l__PCHAR__Function = "Tarnwick_CdvdBurnerGrabber_GrabRange";
        l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_GrabRange(
            l__PVOID__Burner, l__CHAR__Text, sizeof(l__CHAR__Text), &l__ULONG__Status, &l__Info, p__CommandLine.FirstLBA(),
            p__CommandLine.LastLBA(), l__string__Output.data(), p__CommandLine.Retries(), p__CommandLine.IsIgnoreErrors(),
            p__CommandLine.IsSingleBlocks(), 1);
    }
    Tarnwick_Destroy(&l__PVOID__Burner);

    const double l__double__Seconds = l__Run.Seconds();
    if (l__Run.m__Progress.BadBlockCount() != 0) {
        std::fprintf(stderr, "%s: %lu unreadable block(s) written as zeros: %s\n", g__PCHAR__Program,
                     static_cast<unsigned long>(l__Run.m__Progress.BadBlockCount()), l__Run.m__Progress.BadBlocks().c_str());
    }
    if (l__ULONG__Number != 0) {
        return CTarnwick_ToolFailure::Print(g__PCHAR__Program, l__PCHAR__Function, l__ULONG__Number, l__CHAR__Text,
                                            l__ULONG__Status);
    }
    std::fprintf(stderr, "%s: '%s' written in %.1f s\n", g__PCHAR__Program, l__string__Output.c_str(), l__double__Seconds);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return CTarnwick_ToolMain::Run<CTarnwick_GrabCommandLine>(g__PCHAR__Program, argc, argv, Grab);
}
