#pragma once
#include <string>

#include "tarnwick.h"

class CTarnwick_CliDrive;
class CTarnwick_CliFailure;

// The medium of a drive, made ready to be read: its disc information, read after closing the
// tray when the drive says it is open (a burn ejects the disc it wrote).
class CTarnwick_CliDiscReady {
public:
    // False with *p__Failure filled when the information cannot be read. A drive without a
    // medium fails with EXCEPTION_NUMBER_DEVICE_NOT_READY (the toolkit reports the check
    // condition as a failed command), its command and sense kept.
    static bool Read(CTarnwick_CliDrive& p__Drive, const std::string& p__string__Operation, DISC_INFORMATION& p__Disc,
                     CTarnwick_CliFailure* p__Failure);
};
