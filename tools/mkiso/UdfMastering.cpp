#include "UdfMastering.h"

#include <cstdio>

#include "CTarnwick_ToolUdfMaster.h"
#include "MkIsoLines.h"
#include "tarnwick.h"


int MasterUdf(const UdfJob& p__Job, MkIsoState* p__State) {
    if (p__Job.m__bool__Bridge && p__Job.m__Sources.size() != 1) {
        std::fprintf(stderr, "tarnwick-mkiso: --udf-bridge takes one SOURCE directory holding VIDEO_TS\n");
        return 2;
    }
    if (Tarnwick_UpStart() != 0) {
        std::fprintf(stderr, "tarnwick-mkiso: the toolkit does not start\n");
        return 1;
    }
    CTarnwick_ToolUdfMaster::Job l__Job;
    l__Job.m__string__Label = p__Job.m__string__Label;
    l__Job.m__Sources = p__Job.m__Sources;
    l__Job.m__bool__Bridge = p__Job.m__bool__Bridge;
    l__Job.m__bool__IgnoreErrors = p__Job.m__bool__IgnoreErrors;
    MkIsoLines l__Lines(p__State);
    CTarnwick_ToolUdfMaster l__Master(l__Job, l__Lines);
    if (l__Master.Master() != 0) {
        std::fprintf(stderr, "tarnwick-mkiso: %s\n", l__Master.FailureText().c_str());
        return 1;
    }
    // One renaming for every name tried.
    p__State->m__ulong__Renamed = l__Master.GetCounts().m__ulong__Renamed;
    if (!p__State->m__bool__Quiet) {
        std::fprintf(stderr, "tarnwick-mkiso: %lu entries, %lu renamed, %lu skipped, image of %lu sectors\n", p__State->m__ulong__Added,
                     p__State->m__ulong__Renamed, p__State->m__ulong__Skipped, l__Master.Sectors());
    }
    return WriteImage(l__Master.Tree(), p__Job.m__string__Output, p__State);
}
