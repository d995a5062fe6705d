#pragma once
#include <string>
#include <vector>

// tarnwick burn SOURCE... : images, music files, files and directories onto the disc in the
// drive, Track-At-Once, Session-At-Once or Disc-At-Once, or a raw .mds image as the whole CD.
class CTarnwick_CliBurn {
public:
    // The words after the subcommand's name (the name itself first for a class that serves
    // several); the exit code.
    static int Run(const std::string& p__string__Subcommand, const std::vector<std::string>& p__Arguments);
    // The --help text of the subcommand.
    static const char* Usage(const std::string& p__string__Subcommand);
};
