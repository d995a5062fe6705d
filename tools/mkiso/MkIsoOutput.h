#pragma once
#include <chrono>
#include <string>

class CTarnwick_ISO9660Image;
class CTarnwick_Exception;

// What tarnwick-mkiso counts and prints while it masters, in either format.
struct MkIsoState {
    bool m__bool__Quiet = false;
    unsigned long m__ulong__Added = 0;
    unsigned long m__ulong__Renamed = 0;
    unsigned long m__ulong__Skipped = 0;
    unsigned long m__ulong__CollisionNumber = 0;
    std::chrono::steady_clock::time_point m__LastProgress = std::chrono::steady_clock::now();
};

// Whether a progress line is due (one a second, none when quiet).
bool ProgressDue(MkIsoState* p__State);

// Prints the toolkit's failure (and deletes it); returns the exit code 1.
int ReportFailure(CTarnwick_Exception* p__PCTarnwick_Exception__Exception);

// Streams a built image into the output file ("-": standard output); runs of zero sectors in
// a regular file become holes. A regular file is written beside its name and renamed over it
// when whole. 0, or 1 after a message (a failed read of a source included).
int WriteImage(CTarnwick_ISO9660Image* p__Image, const std::string& p__string__Output, MkIsoState* p__State);
