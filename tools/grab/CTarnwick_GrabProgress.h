#pragma once
#include <string>
#include <utility>
#include <vector>

#include "tarnwick_types.h"

// What tarnwick-grab tells while it reads: the percentage done with the blocks read per
// second, and the blocks that were written as zeros, listed at the end as ranges.
class CTarnwick_GrabProgress {
public:
    // "45% (1350 of 3000 blocks, 1234 blocks/s)"; the rate is 0 before any time has passed.
    static std::string Line(LONGLONG p__LONGLONG__Total, LONGLONG p__LONGLONG__Done, double p__double__Seconds);

    // Blocks written as zeros (a BAD_SECTOR_DETECTED report).
    void AddBadBlocks(ULONG p__ULONG__First, ULONG p__ULONG__Count);
    ULONG BadBlockCount() const;
    // "45, 50-52": the bad blocks in order, touching and overlapping reports joined.
    std::string BadBlocks() const;

private:
    // The bad blocks as joined ranges (first, last), in order.
    std::vector<std::pair<ULONG, ULONG>> Ranges() const;

    std::vector<std::pair<ULONG, ULONG>> m__Bad;  // first, count, as reported
};
