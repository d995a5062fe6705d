#include "ExternalTool.h"

#include <unistd.h>

#include <cstdlib>
#include <sstream>

bool ExternalTool::IsInstalled(const std::string& p__string__Name) {
    if (p__string__Name.find('/') != std::string::npos) return ::access(p__string__Name.c_str(), X_OK) == 0;
    const char* l__PCHAR__Path = std::getenv("PATH");
    std::istringstream l__Directories(l__PCHAR__Path != nullptr ? l__PCHAR__Path : "/usr/bin:/bin");
    std::string l__string__Directory;
    while (std::getline(l__Directories, l__string__Directory, ':')) {
        // An empty entry of PATH is the current directory.
        std::string l__string__Candidate = l__string__Directory.empty() ? p__string__Name : l__string__Directory + "/" + p__string__Name;
        if (::access(l__string__Candidate.c_str(), X_OK) == 0) return true;
    }
    return false;
}

bool ExternalTool::IsRequired() { return std::getenv("CI") != nullptr; }

bool ExternalTool::Check(const std::string& p__string__Name) {
    if (IsInstalled(p__string__Name)) return true;
    if (IsRequired()) ADD_FAILURE() << p__string__Name << " is not installed";
    return false;
}
