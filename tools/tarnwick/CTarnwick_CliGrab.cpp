#include "CTarnwick_CliGrab.h"

#include <cstdio>

#include "tarnwick_types.h"

int CTarnwick_CliGrab::Run(const std::string& p__string__Subcommand, const std::vector<std::string>&) {
    std::fprintf(stderr, "tarnwick %s: not built yet\n", p__string__Subcommand.c_str());
    return EXCEPTION_NUMBER_UNSUPPORTED_MODE;
}

const char* CTarnwick_CliGrab::Usage(const std::string&) { return "not built yet\n"; }
