#pragma once
#include <string>
#include <vector>

#include "MkIsoOutput.h"

// What tarnwick-mkiso --udf and --udf-bridge are asked to master.
struct UdfJob {
    std::string m__string__Output;
    std::string m__string__Label;
    std::vector<std::string> m__Sources;
    bool m__bool__Bridge = false;        // DVD-Video: VIDEO_TS and AUDIO_TS on an ISO9660 side too
    bool m__bool__IgnoreErrors = false;  // skip what cannot be read instead of failing
};

// Masters the sources as a UDF image (a UDF/ISO9660 bridge for DVD-Video) and writes it.
// 0, or 1 after a message on standard error.
int MasterUdf(const UdfJob& p__Job, MkIsoState* p__State);
