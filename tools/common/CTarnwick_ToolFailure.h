#pragma once
#include "tarnwick_types.h"

// How a tool ends on a failure: the toolkit's failure number is its exit code.
class CTarnwick_ToolFailure {
public:
    // The exit code of every usage error.
    static constexpr int USAGE_ERROR = 87;

    // Prints "PROGRAM: FUNCTION() failed, number N, status S: TEXT" on standard error and
    // returns the number.
    static int Print(const char* p__PCHAR__Program, const char* p__PCHAR__Function, ULONG p__ULONG__Number,
                     const char* p__PCHAR__Text, ULONG p__ULONG__Status);
};
