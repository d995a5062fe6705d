#pragma once
#include <string>

#include "CTarnwick_ToolMasteringListener.h"
#include "MkIsoOutput.h"

// The walk of the sources told on standard error in tarnwick-mkiso's words: a count of the
// entries added once a second, and every entry skipped.
class MkIsoLines : public CTarnwick_ToolMasteringListener {
public:
    explicit MkIsoLines(MkIsoState* p__State) : m__State(p__State) {}
    void Added(unsigned long p__ulong__Count) override;
    void Skipped(const std::string& p__string__Path, const std::string& p__string__Why) override;
    void Renamed(const std::string& p__string__Path, const std::string& p__string__Name, const char* p__PCHAR__Hierarchy) override;

private:
    MkIsoState* m__State;
};
