#include "CTarnwick_CliDiscReady.h"

#include "CTarnwick_CliDrive.h"
#include "CTarnwick_CliFailure.h"

namespace {

constexpr UCHAR ASC_MEDIUM_NOT_PRESENT = 0x3A;
constexpr UCHAR ASCQ_TRAY_OPEN = 0x02;

ULONG ReadDiscInformation(CTarnwick_CliDrive& p__Drive, DISC_INFORMATION& p__Disc) {
    p__Drive.Clear();
    return Tarnwick_CdvdBurnerGrabber_GetDiscInformation(p__Drive.Burner(), p__Drive.m__CHAR__Text, sizeof(p__Drive.m__CHAR__Text),
                                                         &p__Drive.m__ULONG__Status, &p__Drive.m__Info, &p__Disc);
}

}  // namespace

int CTarnwick_CliDiscReady::MediumNotPresent(const CTarnwick_CliDrive& p__Drive) {
    const UCHAR l__UCHAR__Valid = p__Drive.m__Info.m__UCHAR__IsValid;
    const UCHAR l__UCHAR__Response = p__Drive.m__Info.m__UCHAR__Sense[0];
    const UCHAR l__UCHAR__Key = p__Drive.m__Info.m__UCHAR__Sense[2] & 0x0F;
    const UCHAR l__UCHAR__Asc = p__Drive.m__Info.m__UCHAR__Sense[12];
    const UCHAR l__UCHAR__Ascq = p__Drive.m__Info.m__UCHAR__Sense[13];
    if (l__UCHAR__Valid == 0 || (l__UCHAR__Response & 0x70) != 0x70 || l__UCHAR__Key != 0x02 || l__UCHAR__Asc != ASC_MEDIUM_NOT_PRESENT)
        return 0;
    return 1 + l__UCHAR__Ascq;
}

bool CTarnwick_CliDiscReady::Read(CTarnwick_CliDrive& p__Drive, const std::string& p__string__Operation, DISC_INFORMATION& p__Disc,
                                  CTarnwick_CliFailure* p__Failure) {
    ULONG l__ULONG__Number = ReadDiscInformation(p__Drive, p__Disc);
    if (l__ULONG__Number != 0 && MediumNotPresent(p__Drive) == 1 + ASCQ_TRAY_OPEN) {
        // Only an open tray is closed: a drive that reports no medium behind a closed tray
        // would wait for one in vain.
        p__Drive.Clear();
        Tarnwick_CdvdBurnerGrabber_Load(p__Drive.Burner(), p__Drive.m__CHAR__Text, sizeof(p__Drive.m__CHAR__Text),
                                        &p__Drive.m__ULONG__Status, &p__Drive.m__Info);
        l__ULONG__Number = ReadDiscInformation(p__Drive, p__Disc);
    }
    if (l__ULONG__Number == 0) return true;
    if (MediumNotPresent(p__Drive) != 0) {
        std::string l__string__Text = "there is no medium in the drive (";
        l__string__Text.append(p__Drive.m__CHAR__Text).append(")");
        *p__Failure = CTarnwick_CliFailure(p__string__Operation, p__Drive.Name(), EXCEPTION_NUMBER_DEVICE_NOT_READY, l__string__Text,
                                           p__Drive.m__ULONG__Status, p__Drive.m__Info);
        return false;
    }
    *p__Failure = p__Drive.Failure(p__string__Operation, l__ULONG__Number);
    return false;
}
