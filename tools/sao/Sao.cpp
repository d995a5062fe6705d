// tarnwick-sao: burns files onto a CD as one session written Session-At-Once (audio tracks from
// sound files, data tracks from any other file), as a whole disc written raw Disc-At-Once, or
// a raw disc copy an MDS descriptor describes, and prints the table of contents it left.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "CTarnwick_SaoCommandLine.h"
#include "CTarnwick_SaoProgress.h"
#include "CTarnwick_ToolDrive.h"
#include "CTarnwick_ToolFailure.h"
#include "CTarnwick_ToolMain.h"
#include "tarnwick.h"

namespace {

const char* const g__PCHAR__Program = "tarnwick-sao";

// The callback's context: the session being written, and when the write began.
struct SaoWrite {
    std::unique_ptr<CTarnwick_SaoProgress> m__Progress;
    // A raw disc: the percentage of all its tracks' blocks, each change told once.
    bool m__bool__IsRaw = false;
    int m__int__LastPercentage = -1;
    std::chrono::steady_clock::time_point m__Start = std::chrono::steady_clock::now();

    double Seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - m__Start).count();
    }
};

void Callback(ULONG p__ULONG__Reason, PVOID p__PVOID__Context, PVOID p__PVOID__Parameter1, PVOID p__PVOID__Parameter2) {
    SaoWrite* l__Write = static_cast<SaoWrite*>(p__PVOID__Context);
    if (l__Write != nullptr && l__Write->m__bool__IsRaw) {
        if (p__ULONG__Reason != WRITE_PROGRESS && p__ULONG__Reason != SYNCHRONIZE_CACHE_BEGIN) return;
        int l__int__Percentage = 100;
        if (p__ULONG__Reason == WRITE_PROGRESS) {
            const LONGLONG l__LONGLONG__Total = *static_cast<const LONGLONG*>(p__PVOID__Parameter1);
            const LONGLONG l__LONGLONG__Written = *static_cast<const LONGLONG*>(p__PVOID__Parameter2);
            l__int__Percentage = l__LONGLONG__Total > 0 ? static_cast<int>(std::min<LONGLONG>(100, l__LONGLONG__Written * 100 / l__LONGLONG__Total)) : 0;
        }
        if (l__int__Percentage != l__Write->m__int__LastPercentage) {
            l__Write->m__int__LastPercentage = l__int__Percentage;
            std::fprintf(stderr, "%s: disc: %3d%% (%.1f s)\n", g__PCHAR__Program, l__int__Percentage, l__Write->Seconds());
        }
        return;
    }
    if (l__Write == nullptr || !l__Write->m__Progress) return;
    if (p__ULONG__Reason == WRITE_PROGRESS) {
        // Parameter 1 is the session's blocks; the percentage is the track's.
        l__Write->m__Progress->Written(*static_cast<const LONGLONG*>(p__PVOID__Parameter2));
    } else if (p__ULONG__Reason == SYNCHRONIZE_CACHE_BEGIN) {
        l__Write->m__Progress->SessionWritten();
    }
}

// The failure of a flat function: its number, and its text on standard error.
int Failed(const char* p__PCHAR__Function, ULONG p__ULONG__Number, const char* p__PCHAR__Text, ULONG p__ULONG__Status) {
    return CTarnwick_ToolFailure::Print(g__PCHAR__Program, p__PCHAR__Function, p__ULONG__Number, p__PCHAR__Text,
                                        p__ULONG__Status);
}

void PrintToc(const TOC_INFORMATION& p__Toc) {
    for (UCHAR l__UCHAR__At = 0; l__UCHAR__At < p__Toc.m__UCHAR__NumberOfTracks && l__UCHAR__At < TOC_MAXIMUM_TRACKS;
         ++l__UCHAR__At) {
        const TOC_TRACK_ENTRY& l__Track = p__Toc.m__TOC_TRACK_ENTRY__Tracks[l__UCHAR__At];
        if (l__Track.m__UCHAR__IsValid == 0) continue;
        std::printf("track %2u  %-5s  start %6ld  end %6ld  msf %02u:%02u:%02u\n", l__Track.m__UCHAR__TrackNumber,
                    l__Track.m__UCHAR__IsAudio != 0 ? "audio" : "data", static_cast<long>(l__Track.m__LONG__StartLBA),
                    static_cast<long>(l__Track.m__LONG__EndLBA), l__Track.m__UCHAR__StartMSF[0],
                    l__Track.m__UCHAR__StartMSF[1], l__Track.m__UCHAR__StartMSF[2]);
    }
}

int Burn(const CTarnwick_SaoCommandLine& p__CommandLine) {
    char l__CHAR__Text[1024] = {};
    ULONG l__ULONG__Status = 0;
    CDB_FAILURE_INFORMATION l__Info{};

    // Zeroed: every field the caller does not fill must be 0.
    auto l__Session = std::make_unique<SESSION_DESCRIPTOR>();
    std::memset(l__Session.get(), 0, sizeof(SESSION_DESCRIPTOR));
    p__CommandLine.Describe(l__Session.get());
    SaoWrite l__Write;

    PVOID l__PVOID__Burner = nullptr;
    const int l__int__Created =
        CTarnwick_ToolDrive::CreateBurner(g__PCHAR__Program, p__CommandLine.Drive(), Callback, &l__Write, &l__PVOID__Burner);
    if (l__int__Created != 0) return l__int__Created;
    ULONG l__ULONG__Number = 0;

    const char* l__PCHAR__Function = "Tarnwick_CdvdBurnerGrabber_SessionAtOnce";
    l__Write.m__Start = std::chrono::steady_clock::now();
    if (p__CommandLine.GetWriting() == CTarnwick_SaoCommandLine::Writing::SessionAtOnce) {
        l__Write.m__Progress = std::make_unique<CTarnwick_SaoProgress>(l__Session.get(), [&l__Write](ULONG p__ULONG__Track, int p__int__Percentage) {
            std::fprintf(stderr, "%s: track %lu of %lu: %3d%% (%.1f s)\n", g__PCHAR__Program, static_cast<unsigned long>(p__ULONG__Track),
                         static_cast<unsigned long>(l__Write.m__Progress->Tracks()), p__int__Percentage, l__Write.Seconds());
        });
        l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_SessionAtOnce(
            l__PVOID__Burner, l__CHAR__Text, sizeof(l__CHAR__Text), &l__ULONG__Status, &l__Info, l__Session.get(),
            p__CommandLine.IsMode2Form1(), p__CommandLine.IsTestWrite(), p__CommandLine.IsKeepOpen(), 1, 5);
    } else if (p__CommandLine.GetWriting() == CTarnwick_SaoCommandLine::Writing::RawImage) {
        l__Write.m__bool__IsRaw = true;
        l__PCHAR__Function = "Tarnwick_CdvdBurnerGrabber_SessionAtOnceRawRawPW";
        l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_SessionAtOnceRawRawPW(
            l__PVOID__Burner, l__CHAR__Text, sizeof(l__CHAR__Text), &l__ULONG__Status, &l__Info,
            const_cast<PCHAR>(p__CommandLine.Files().front().c_str()), p__CommandLine.IsTestWrite(), 1, 5,
            p__CommandLine.IsLeadInSent());
    } else {
        auto l__Tracks = std::make_unique<DISC_AT_ONCE_TRACK_LIST>();
        std::memset(l__Tracks.get(), 0, sizeof(DISC_AT_ONCE_TRACK_LIST));
        p__CommandLine.Describe(l__Tracks.get());
        l__Write.m__bool__IsRaw = true;
        const bool l__bool__IsRawPW = p__CommandLine.GetWriting() == CTarnwick_SaoCommandLine::Writing::RawPW;
        l__PCHAR__Function = l__bool__IsRawPW ? "Tarnwick_CdvdBurnerGrabber_DiscAtOnceRawPWFromFile" : "Tarnwick_CdvdBurnerGrabber_DiscAtOncePQFromFile";
        l__ULONG__Number = (l__bool__IsRawPW ? Tarnwick_CdvdBurnerGrabber_DiscAtOnceRawPWFromFile : Tarnwick_CdvdBurnerGrabber_DiscAtOncePQFromFile)(
            l__PVOID__Burner, l__CHAR__Text, sizeof(l__CHAR__Text), &l__ULONG__Status, &l__Info, l__Tracks.get(),
            p__CommandLine.IsMode2Form1(), p__CommandLine.IsTestWrite(), p__CommandLine.IsKeepOpen(), 1, 5);
    }
    l__Write.m__Progress.reset();
    int l__int__Exit = 0;
    if (l__ULONG__Number != 0) {
        l__int__Exit = Failed(l__PCHAR__Function, l__ULONG__Number, l__CHAR__Text, l__ULONG__Status);
    } else if (p__CommandLine.IsTestWrite()) {
        std::fprintf(stderr, "%s: test write done in %.1f s; nothing was recorded\n", g__PCHAR__Program,
                     l__Write.Seconds());
    } else {
        std::fprintf(stderr, "%s: %s written in %.1f s\n", g__PCHAR__Program, l__Write.m__bool__IsRaw ? "disc" : "session",
                     l__Write.Seconds());
        auto l__Toc = std::make_unique<TOC_INFORMATION>();
        l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_ReadTOC(l__PVOID__Burner, l__CHAR__Text, sizeof(l__CHAR__Text),
                                                              &l__ULONG__Status, &l__Info, l__Toc.get());
        if (l__ULONG__Number != 0) {
            l__int__Exit = Failed("Tarnwick_CdvdBurnerGrabber_ReadTOC", l__ULONG__Number, l__CHAR__Text, l__ULONG__Status);
        } else {
            PrintToc(*l__Toc);
        }
    }
    Tarnwick_Destroy(&l__PVOID__Burner);
    return l__int__Exit;
}

}  // namespace

int main(int argc, char** argv) {
    return CTarnwick_ToolMain::Run<CTarnwick_SaoCommandLine>(g__PCHAR__Program, argc, argv, Burn);
}
