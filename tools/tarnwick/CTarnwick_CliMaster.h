#pragma once
#include <string>
#include <vector>

// tarnwick master: masters an ISO9660 image (Joliet, Rock Ridge, El Torito) or a UDF image
// from local files and directories, through the file-tree and UDF flat functions.
class CTarnwick_CliMaster {
public:
    // The words after the subcommand's name (the name itself first for a class that serves
    // several); the exit code.
    static int Run(const std::string& p__string__Subcommand, const std::vector<std::string>& p__Arguments);
    // The --help text of the subcommand.
    static const char* Usage(const std::string& p__string__Subcommand);
};
