#include "CTarnwick_CliDiscReady.h"

#include "CTarnwick_CliDrive.h"
#include "CTarnwick_CliFailure.h"

namespace {

constexpr UCHAR ASCQ_TRAY_OPEN = 0x02;

ULONG ReadDiscInformation(CTarnwick_CliDrive& p__Drive, DISC_INFORMATION& p__Disc) {
    p__Drive.Clear();
    return Tarnwick_CdvdBurnerGrabber_GetDiscInformation(p__Drive.Burner(), p__Drive.m__CHAR__Text, sizeof(p__Drive.m__CHAR__Text),
                                                         &p__Drive.m__ULONG__Status, &p__Drive.m__Info, &p__Disc);
}

}  // namespace

bool CTarnwick_CliDiscReady::Read(CTarnwick_CliDrive& p__Drive, const std::string& p__string__Operation, DISC_INFORMATION& p__Disc,
                                  CTarnwick_CliFailure* p__Failure) {
    ULONG l__ULONG__Number = ReadDiscInformation(p__Drive, p__Disc);
    if (l__ULONG__Number != 0 && p__Drive.MediumNotPresent() == 1 + ASCQ_TRAY_OPEN) {
        // Only an open tray is closed: a drive that reports no medium behind a closed tray
        // would wait for one in vain.
        p__Drive.Clear();
        Tarnwick_CdvdBurnerGrabber_Load(p__Drive.Burner(), p__Drive.m__CHAR__Text, sizeof(p__Drive.m__CHAR__Text),
                                        &p__Drive.m__ULONG__Status, &p__Drive.m__Info);
        l__ULONG__Number = ReadDiscInformation(p__Drive, p__Disc);
    }
    if (l__ULONG__Number == 0) return true;
    *p__Failure = p__Drive.Failure(p__string__Operation, l__ULONG__Number);
    return false;
}
