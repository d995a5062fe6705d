// tarnwick-mkiso: masters an ISO9660 image file from local files and directories.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "CTarnwick_ToolIsoMaster.h"
#include "MkIsoLines.h"
#include "MkIsoOutput.h"
#include "UdfMastering.h"
#include "tarnwick.h"

namespace {

const char* const g__PCHAR__Usage =
    "Usage: tarnwick-mkiso -o OUT.iso [options] SOURCE...\n"
    "Masters an ISO9660 image from local files and directories. A directory SOURCE\n"
    "contributes its contents to the root of the image; a file SOURCE sits in the root.\n"
    "\n"
    "Options:\n"
    "  -o FILE                    the image file to write (\"-\" for standard output)\n"
    TARNWICK_MASTERING_OPTION_LINES
    "  -q, --quiet                no progress on standard error\n"
    "  -h, --help                 this text\n"
    "Name collisions are resolved by giving the new entry a unique name.\n";

bool ParseNumber(const char* p__PCHAR__Text, unsigned long p__ulong__Maximum, unsigned long* p__Pulong__Value) {
    char* l__PCHAR__End = nullptr;
    errno = 0;
    unsigned long l__ulong__Value = std::strtoul(p__PCHAR__Text, &l__PCHAR__End, 0);
    if (errno != 0 || l__PCHAR__End == p__PCHAR__Text || *l__PCHAR__End != '\0' || l__ulong__Value > p__ulong__Maximum) {
        return false;
    }
    *p__Pulong__Value = l__ulong__Value;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string l__string__Output;
    std::string l__string__Label;
    std::string l__string__Boot;
    std::string l__string__SystemStructures;
    bool l__bool__Level1 = false;
    bool l__bool__Joliet = false;
    bool l__bool__RockRidge = false;
    bool l__bool__IgnoreErrors = false;
    bool l__bool__Udf = false;
    bool l__bool__UdfBridge = false;
    bool l__bool__IsoOnlyOption = false;
    unsigned long l__ulong__Start = 0;
    unsigned long l__ulong__BootMediaType = 2;
    unsigned long l__ulong__BootSystemType = 6;
    std::vector<std::string> l__Sources;
    MkIsoState l__State;

    for (int l__INT__Index = 1; l__INT__Index < argc; ++l__INT__Index) {
        std::string l__string__Argument = argv[l__INT__Index];
        auto l__Value = [&](const char* p__PCHAR__Option) -> const char* {
            if (l__INT__Index + 1 >= argc) {
                std::fprintf(stderr, "tarnwick-mkiso: %s needs a value\n", p__PCHAR__Option);
                return nullptr;
            }
            return argv[++l__INT__Index];
        };
        const char* l__PCHAR__Value = nullptr;
        if (l__string__Argument == "-h" || l__string__Argument == "--help") {
            std::fputs(g__PCHAR__Usage, stdout);
            return 0;
        } else if (l__string__Argument == "-o") {
            if ((l__PCHAR__Value = l__Value("-o")) == nullptr) return 2;
            l__string__Output = l__PCHAR__Value;
        } else if (l__string__Argument == "-V") {
            if ((l__PCHAR__Value = l__Value("-V")) == nullptr) return 2;
            l__string__Label = l__PCHAR__Value;
        } else if (l__string__Argument == "-b") {
            if ((l__PCHAR__Value = l__Value("-b")) == nullptr) return 2;
            l__string__Boot = l__PCHAR__Value;
            l__bool__IsoOnlyOption = true;
        } else if (l__string__Argument == "--system-structures") {
            if ((l__PCHAR__Value = l__Value("--system-structures")) == nullptr) return 2;
            l__string__SystemStructures = l__PCHAR__Value;
            l__bool__IsoOnlyOption = true;
        } else if (l__string__Argument == "--start" || l__string__Argument == "--boot-media-type" ||
                   l__string__Argument == "--boot-system-type") {
            if ((l__PCHAR__Value = l__Value(l__string__Argument.c_str())) == nullptr) return 2;
            l__bool__IsoOnlyOption = true;
            unsigned long* l__Pulong__Target = l__string__Argument == "--start" ? &l__ulong__Start
                                               : l__string__Argument == "--boot-media-type" ? &l__ulong__BootMediaType
                                                                                             : &l__ulong__BootSystemType;
            if (!ParseNumber(l__PCHAR__Value, l__string__Argument == "--start" ? 0x7FFFFFFFul : 0xFFul, l__Pulong__Target)) {
                std::fprintf(stderr, "tarnwick-mkiso: %s: '%s' is not a valid number\n", l__string__Argument.c_str(),
                             l__PCHAR__Value);
                return 2;
            }
        } else if (l__string__Argument == "--level1") {
            l__bool__Level1 = true;
            l__bool__IsoOnlyOption = true;
        } else if (l__string__Argument == "-J") {
            l__bool__Joliet = true;
            l__bool__IsoOnlyOption = true;
        } else if (l__string__Argument == "-R") {
            l__bool__RockRidge = true;
            l__bool__IsoOnlyOption = true;
        } else if (l__string__Argument == "--udf") {
            l__bool__Udf = true;
        } else if (l__string__Argument == "--udf-bridge") {
            l__bool__UdfBridge = true;
        } else if (l__string__Argument == "--ignore-errors") {
            l__bool__IgnoreErrors = true;
        } else if (l__string__Argument == "-q" || l__string__Argument == "--quiet") {
            l__State.m__bool__Quiet = true;
        } else if (l__string__Argument.size() > 1 && l__string__Argument[0] == '-') {
            std::fprintf(stderr, "tarnwick-mkiso: unknown option '%s' (see --help)\n", l__string__Argument.c_str());
            return 2;
        } else {
            l__Sources.push_back(l__string__Argument);
        }
    }
    if (l__string__Output.empty()) {
        std::fprintf(stderr, "tarnwick-mkiso: no output file given (-o OUT.iso; see --help)\n");
        return 2;
    }
    if (l__Sources.empty()) {
        std::fprintf(stderr, "tarnwick-mkiso: no SOURCE given (see --help)\n");
        return 2;
    }
    if (l__string__Label.size() > 127) {
        std::fprintf(stderr, "tarnwick-mkiso: the volume label has more than 127 characters\n");
        return 2;
    }

    if (l__bool__Udf || l__bool__UdfBridge) {
        if (l__bool__Udf && l__bool__UdfBridge) {
            std::fprintf(stderr, "tarnwick-mkiso: --udf and --udf-bridge exclude each other\n");
            return 2;
        }
        if (l__bool__IsoOnlyOption) {
            std::fprintf(stderr, "tarnwick-mkiso: -J, -R, --level1, -b, --boot-*, --start and --system-structures are ISO9660 options\n");
            return 2;
        }
        UdfJob l__Job;
        l__Job.m__string__Output = l__string__Output;
        l__Job.m__string__Label = l__string__Label;
        l__Job.m__Sources = l__Sources;
        l__Job.m__bool__Bridge = l__bool__UdfBridge;
        l__Job.m__bool__IgnoreErrors = l__bool__IgnoreErrors;
        try {
            return MasterUdf(l__Job, &l__State);
        } catch (const std::bad_alloc&) {
            std::fprintf(stderr, "tarnwick-mkiso: out of memory\n");
            return 1;
        }
    }

    if (Tarnwick_UpStart() != 0) {
        std::fprintf(stderr, "tarnwick-mkiso: the toolkit does not start\n");
        return 1;
    }
    CTarnwick_ToolIsoMaster::Job l__Job;
    l__Job.m__string__Label = l__string__Label;
    l__Job.m__string__Application = "TARNWICK-MKISO";
    l__Job.m__Sources = l__Sources;
    l__Job.m__string__Boot = l__string__Boot;
    l__Job.m__ulong__BootMediaType = l__ulong__BootMediaType;
    l__Job.m__ulong__BootSystemType = l__ulong__BootSystemType;
    l__Job.m__ulong__Start = l__ulong__Start;
    l__Job.m__string__SystemStructures = l__string__SystemStructures;
    l__Job.m__bool__Level1 = l__bool__Level1;
    l__Job.m__bool__Joliet = l__bool__Joliet;
    l__Job.m__bool__RockRidge = l__bool__RockRidge;
    l__Job.m__bool__IgnoreErrors = l__bool__IgnoreErrors;
    MkIsoLines l__Lines(&l__State);
    CTarnwick_ToolIsoMaster l__Master(l__Job, l__Lines);
    if (l__Master.Master() != 0) {
        std::fprintf(stderr, "tarnwick-mkiso: %s\n", l__Master.FailureText().c_str());
        return 1;
    }
    if (!l__State.m__bool__Quiet) {
        std::fprintf(stderr, "tarnwick-mkiso: %lu entries, %lu renamed, %lu skipped, image of %lu sectors\n", l__State.m__ulong__Added,
                     l__State.m__ulong__Renamed, l__State.m__ulong__Skipped, l__Master.Sectors());
    }
    return WriteImage(l__Master.Tree(), l__string__Output, &l__State);
}
