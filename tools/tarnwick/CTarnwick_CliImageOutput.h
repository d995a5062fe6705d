#pragma once
#include <string>

#include "CTarnwick_CliFailure.h"
#include "tarnwick_types.h"

class CTarnwick_CliReporter;

// Streams the built image of a flat file tree (an ISO9660 tree, or the container tree of a UDF
// image) into its output: "-" is standard output; a regular file (new, or one it replaces) is
// written to a temporary file beside it and renamed over it only when whole, so that a failed
// run never leaves a half image under the name; a device or a pipe is written in place. Runs of
// zero bytes in a file of its own become holes.
class CTarnwick_CliImageOutput {
public:
    // p__Reporter: where the "master" phase goes (null: no progress).
    CTarnwick_CliImageOutput(std::string p__string__Output, CTarnwick_CliReporter* p__Reporter)
        : m__string__Output(std::move(p__string__Output)), m__Reporter(p__Reporter) {}

    // 0, or the failure number with the failure in Failure().
    int Write(PVOID p__PVOID__Tree);
    const CTarnwick_CliFailure& Failure() const { return m__Failure; }
    // The temporary file of the last Write (empty for standard output or a device).
    const std::string& Temporary() const { return m__string__Temporary; }

private:
    int Stream(PVOID p__PVOID__Tree, int p__int__Handle, bool p__bool__Sparse);
    int SystemFailure(const std::string& p__string__What, int p__int__Error);

    std::string m__string__Output;
    CTarnwick_CliReporter* m__Reporter;
    CTarnwick_CliFailure m__Failure;
    std::string m__string__Temporary;
};
