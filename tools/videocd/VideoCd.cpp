// tarnwick-videocd: burns a VideoCD or Super VideoCD from one MPEG file.
#include <chrono>
#include <cstdio>

#include "CTarnwick_ToolDrive.h"
#include "CTarnwick_ToolFailure.h"
#include "CTarnwick_ToolMain.h"
#include "CTarnwick_VideoCdCommandLine.h"
#include "tarnwick.h"

namespace {

const char* const g__PCHAR__Program = "tarnwick-videocd";

// Tells every change of the percentage of the track being written.
struct VideoWrite {
    int m__int__LastPercentage = -1;
};

void Callback(ULONG p__ULONG__Reason, PVOID p__PVOID__Context, PVOID p__PVOID__Parameter1, PVOID p__PVOID__Parameter2) {
    if (p__ULONG__Reason != WRITE_PROGRESS || p__PVOID__Context == nullptr) return;
    VideoWrite* l__Write = static_cast<VideoWrite*>(p__PVOID__Context);
    const LONGLONG l__LONGLONG__Total = *static_cast<const LONGLONG*>(p__PVOID__Parameter1);
    const LONGLONG l__LONGLONG__Written = *static_cast<const LONGLONG*>(p__PVOID__Parameter2);
    const int l__int__Percentage = l__LONGLONG__Total > 0 ? static_cast<int>(l__LONGLONG__Written * 100 / l__LONGLONG__Total) : 0;
    if (l__int__Percentage == l__Write->m__int__LastPercentage) return;
    l__Write->m__int__LastPercentage = l__int__Percentage;
    std::fprintf(stderr, "%s: %3d%%\n", g__PCHAR__Program, l__int__Percentage);
}

int Burn(const CTarnwick_VideoCdCommandLine& p__CommandLine) {
    char l__CHAR__Text[1024] = {};
    ULONG l__ULONG__Status = 0;
    CDB_FAILURE_INFORMATION l__Info{};
    VideoWrite l__Write;
    PVOID l__PVOID__Burner = nullptr;
    const int l__int__Created =
        CTarnwick_ToolDrive::CreateBurner(g__PCHAR__Program, p__CommandLine.Drive(), Callback, &l__Write, &l__PVOID__Burner);
    if (l__int__Created != 0) return l__int__Created;

    const auto l__Start = std::chrono::steady_clock::now();
    const char* l__PCHAR__Function =
        p__CommandLine.IsSuper() ? "Tarnwick_CdvdBurnerGrabber_SuperVideoCD" : "Tarnwick_CdvdBurnerGrabber_VideoCD";
    ULONG l__ULONG__Number = (p__CommandLine.IsSuper() ? Tarnwick_CdvdBurnerGrabber_SuperVideoCD : Tarnwick_CdvdBurnerGrabber_VideoCD)(
        l__PVOID__Burner, l__CHAR__Text, sizeof(l__CHAR__Text), &l__ULONG__Status, &l__Info, p__CommandLine.WriteMode(),
        const_cast<PCHAR>(p__CommandLine.MpegFile().c_str()), const_cast<PCHAR>(p__CommandLine.Label().c_str()),
        p__CommandLine.VolumeCount(), p__CommandLine.VolumeNumber(), p__CommandLine.IsTestWrite(), 1, 5);
    // A disc written Track-At-Once gets its session closed; Session-At-Once leaves it closed.
    if (l__ULONG__Number == 0 && p__CommandLine.WriteMode() == 0) {
        l__PCHAR__Function = "Tarnwick_CdvdBurnerGrabber_CloseSession";
        l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_CloseSession(l__PVOID__Burner, l__CHAR__Text, sizeof(l__CHAR__Text),
                                                                   &l__ULONG__Status, &l__Info);
    }
    int l__int__Exit = 0;
    if (l__ULONG__Number != 0) {
        l__int__Exit = CTarnwick_ToolFailure::Print(g__PCHAR__Program, l__PCHAR__Function, l__ULONG__Number, l__CHAR__Text,
                                                    l__ULONG__Status);
    } else {
        std::fprintf(stderr, "%s: %s %s in %.1f s\n", g__PCHAR__Program, p__CommandLine.IsSuper() ? "Super VideoCD" : "VideoCD",
                     p__CommandLine.IsTestWrite() ? "test-written, nothing recorded," : "written",
                     std::chrono::duration<double>(std::chrono::steady_clock::now() - l__Start).count());
    }
    Tarnwick_Destroy(&l__PVOID__Burner);
    return l__int__Exit;
}

}  // namespace

int main(int argc, char** argv) {
    return CTarnwick_ToolMain::Run<CTarnwick_VideoCdCommandLine>(g__PCHAR__Program, argc, argv, Burn);
}
