#include "MkIsoLines.h"

#include <cstdio>

void MkIsoLines::Added(unsigned long p__ulong__Count) {
    m__State->m__ulong__Added = p__ulong__Count;
    if (ProgressDue(m__State)) std::fprintf(stderr, "tarnwick-mkiso: %lu entries added\n", p__ulong__Count);
}

void MkIsoLines::Skipped(const std::string& p__string__Path, const std::string& /*p__string__Why*/) {
    ++m__State->m__ulong__Skipped;
    std::fprintf(stderr, "tarnwick-mkiso: skipped '%s'\n", p__string__Path.c_str());
}

// Renamed entries are counted in the summary line only.
void MkIsoLines::Renamed(const std::string&, const std::string&, const char*) { ++m__State->m__ulong__Renamed; }
