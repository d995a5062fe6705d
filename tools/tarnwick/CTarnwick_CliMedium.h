#pragma once
#include <string>
#include <vector>

// tarnwick blank, format, eject, load: what is done to the medium as a whole.
class CTarnwick_CliMedium {
public:
    // The words after the subcommand's name; the exit code.
    static int Run(const std::string& p__string__Subcommand, const std::vector<std::string>& p__Arguments);
    // The --help text of the subcommand.
    static const char* Usage(const std::string& p__string__Subcommand);
};
