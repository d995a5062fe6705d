#pragma once
#include <string>

// What a program that masters an image (tarnwick master, tarnwick-mkiso) is told while the
// sources are walked, and what it counts.
class CTarnwick_ToolMasteringListener {
public:
    struct Counts {
        unsigned long m__ulong__Added = 0;
        unsigned long m__ulong__Renamed = 0;  // renamings, one per name tried
        unsigned long m__ulong__Skipped = 0;
    };

    virtual ~CTarnwick_ToolMasteringListener() = default;
    // Another entry was taken; the count so far.
    virtual void Added(unsigned long p__ulong__Count) { (void)p__ulong__Count; }
    // An entry left out (--ignore-errors, or a link back to a directory above it).
    virtual void Skipped(const std::string& p__string__Path, const std::string& p__string__Why) = 0;
    // An entry whose name met another's, and the name it gets (in the ISO9660 hierarchy, the
    // Joliet one or a UDF directory).
    virtual void Renamed(const std::string& p__string__Path, const std::string& p__string__Name, const char* p__PCHAR__Hierarchy) = 0;
};
