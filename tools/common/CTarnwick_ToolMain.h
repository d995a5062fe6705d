#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "CTarnwick_ToolFailure.h"
#include "tarnwick.h"

// The frame of a tool's main: the command line read (a usage error prints the reason and the
// usage text and ends with USAGE_ERROR; --help prints the usage text), the toolkit started
// around the work, and the work's exit code returned.
class CTarnwick_ToolMain {
public:
    template <class CommandLine, class Work>
    static int Run(const char* p__PCHAR__Program, int p__int__Argc, char** p__PPCHAR__Argv, Work&& p__Work) {
        CommandLine l__CommandLine;
        if (!l__CommandLine.Parse(std::vector<std::string>(p__PPCHAR__Argv + 1, p__PPCHAR__Argv + p__int__Argc))) {
            std::fprintf(stderr, "%s: %s\n%s", p__PCHAR__Program, l__CommandLine.Error().c_str(), CommandLine::Usage());
            return CTarnwick_ToolFailure::USAGE_ERROR;
        }
        if (l__CommandLine.IsHelp()) {
            std::fputs(CommandLine::Usage(), stdout);
            return 0;
        }
        const ULONG l__ULONG__Started = Tarnwick_UpStart();
        if (l__ULONG__Started != 0) {
            return CTarnwick_ToolFailure::Print(p__PCHAR__Program, "Tarnwick_UpStart", l__ULONG__Started,
                                                "the toolkit did not start", 0);
        }
        const int l__int__Exit = p__Work(static_cast<const CommandLine&>(l__CommandLine));
        std::fflush(stdout);
        Tarnwick_DownShut();
        return l__int__Exit;
    }
};
