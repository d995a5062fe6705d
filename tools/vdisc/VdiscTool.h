#pragma once
#include <ostream>
#include <string>
#include <vector>

// tarnwick-vdisc: inserts blank discs into disc files, shows what is on them, exports
// their tracks and sets the faults the virtual recorder then shows.
class VdiscTool {
public:
    VdiscTool(std::ostream& p__Out, std::ostream& p__Err) : m__Out(p__Out), m__Err(p__Err) {}
    // Runs one command line (without the program name); returns the exit code.
    int Run(const std::vector<std::string>& p__Arguments);

private:
    int Blank(const std::vector<std::string>& p__Arguments);
    int Info(const std::vector<std::string>& p__Arguments);
    int Export(const std::vector<std::string>& p__Arguments);
    int Fault(const std::vector<std::string>& p__Arguments);
    int Usage(int p__int__Code);
    int Fail(const std::string& p__string__Message);

    std::ostream& m__Out;
    std::ostream& m__Err;
};
