#pragma once
#include <chrono>
#include <string>

class CTarnwick_ISO9660Image;

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

// Streams a built image into the output file ("-": standard output); runs of zero sectors in
// a regular file become holes. 0, or 1 after a message.
int WriteImage(CTarnwick_ISO9660Image* p__Image, const std::string& p__string__Output, MkIsoState* p__State);
