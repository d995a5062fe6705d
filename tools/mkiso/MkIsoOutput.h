#pragma once
#include <chrono>
#include <string>

#include "tarnwick_types.h"

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

// Streams the built image of a tree (its flat reference: an ISO9660 tree, or the container
// tree of a UDF image) into the output file ("-": standard output) as the shared image output
// does: a regular file is written beside its name and renamed over it when whole. 0, or 1
// after a message (a failed read of a source included).
int WriteImage(PVOID p__PVOID__Tree, const std::string& p__string__Output, MkIsoState* p__State);
