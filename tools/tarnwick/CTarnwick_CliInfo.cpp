#include "CTarnwick_CliInfo.h"

#include <cstdio>

#include "tarnwick_types.h"

int CTarnwick_CliInfo::Run(const std::string& p__string__Subcommand, const std::vector<std::string>&) {
    std::fprintf(stderr, "tarnwick %s: not built yet\n", p__string__Subcommand.c_str());
    return EXCEPTION_NUMBER_UNSUPPORTED_MODE;
}

const char* CTarnwick_CliInfo::Usage(const std::string&) { return "not built yet\n"; }
