// tarnwick: burns, masters and grabs discs from a shell, through the toolkit's flat functions.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "CTarnwick_CliBurn.h"
#include "CTarnwick_CliDrives.h"
#include "CTarnwick_CliGrab.h"
#include "CTarnwick_CliInfo.h"
#include "CTarnwick_CliMaster.h"
#include "CTarnwick_CliMedium.h"
#include "tarnwick.h"

namespace {

struct Subcommand {
    const char* m__PCHAR__Name;
    const char* m__PCHAR__Summary;
    int (*m__Run)(const std::string&, const std::vector<std::string>&);
    const char* (*m__Usage)(const std::string&);
};

const Subcommand g__Subcommands[] = {
    {"drives", "every drive, its medium and what it can write", CTarnwick_CliDrives::Run, CTarnwick_CliDrives::Usage},
    {"info", "the medium in a drive: status, sessions, tracks, free space", CTarnwick_CliInfo::Run, CTarnwick_CliInfo::Usage},
    {"burn", "burns images, files, directories and music files", CTarnwick_CliBurn::Run, CTarnwick_CliBurn::Usage},
    {"blank", "erases a rewritable disc", CTarnwick_CliMedium::Run, CTarnwick_CliMedium::Usage},
    {"format", "formats a DVD+RW, DVD-RAM or BD-RE", CTarnwick_CliMedium::Run, CTarnwick_CliMedium::Usage},
    {"eject", "opens the tray", CTarnwick_CliMedium::Run, CTarnwick_CliMedium::Usage},
    {"load", "closes the tray", CTarnwick_CliMedium::Run, CTarnwick_CliMedium::Usage},
    {"grab", "reads tracks, ranges of blocks or the whole disc into files", CTarnwick_CliGrab::Run, CTarnwick_CliGrab::Usage},
    {"copy", "copies a CD into an MDS/MDF pair, or burns such a pair", CTarnwick_CliGrab::Run, CTarnwick_CliGrab::Usage},
    {"master", "masters an ISO9660 (Joliet, Rock Ridge, El Torito) or UDF image", CTarnwick_CliMaster::Run,
     CTarnwick_CliMaster::Usage},
};

const char* const EXIT_CODES =
    "Exit codes (the toolkit's failure numbers):\n"
    "  0 success            2 invalid parameter     3 invalid state        4 out of memory\n"
    "  5 system error       6 drive interface error 7 drive not ready      8 command failed\n"
    "  9 not a CD/DVD/BD drive                      10 medium or data unfit 14 cancelled\n"
    "  15 name too long     16 mode not supported   17 not found           18 size limit\n"
    "  20 out of range      21 toolkit not started  87 usage error\n";

void PrintUsage(std::FILE* p__Out) {
    std::fputs("Usage: tarnwick SUBCOMMAND [OPTIONS]   (tarnwick SUBCOMMAND --help for its options)\n\n", p__Out);
    for (const Subcommand& l__Subcommand : g__Subcommands)
        std::fprintf(p__Out, "  %-8s %s\n", l__Subcommand.m__PCHAR__Name, l__Subcommand.m__PCHAR__Summary);
    std::fputs("\nEvery subcommand takes --drive D (a number or a name as `tarnwick drives` prints it; by default\n"
               "the only drive with a writable medium, else the first) and --json (one JSON object per event\n"
               "on standard output). Drives besides the machine's own come from TARNWICK_DRIVES\n"
               "(virtual:FILE, iscsi://HOST[:PORT]/IQN/LUN, separated by ';').\n\n",
               p__Out);
    std::fputs(EXIT_CODES, p__Out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage(stderr);
        return 87;
    }
    const std::string l__string__Name = argv[1];
    if (l__string__Name == "--help" || l__string__Name == "-h" || l__string__Name == "help") {
        PrintUsage(stdout);
        return 0;
    }
    for (const Subcommand& l__Subcommand : g__Subcommands) {
        if (l__string__Name != l__Subcommand.m__PCHAR__Name) continue;
        const std::vector<std::string> l__Arguments(argv + 2, argv + argc);
        for (const std::string& l__string__Word : l__Arguments) {
            if (l__string__Word == "--") break;
            if (l__string__Word == "--help" || l__string__Word == "-h") {
                std::fputs(l__Subcommand.m__Usage(l__string__Name), stdout);
                std::fputs("\n", stdout);
                std::fputs(EXIT_CODES, stdout);
                return 0;
            }
        }
        const ULONG l__ULONG__Started = Tarnwick_UpStart();
        if (l__ULONG__Started != 0) {
            std::fprintf(stderr, "tarnwick %s failed (%lu): the toolkit did not start\n", l__string__Name.c_str(),
                         static_cast<unsigned long>(l__ULONG__Started));
            return static_cast<int>(l__ULONG__Started);
        }
        const int l__int__Exit = l__Subcommand.m__Run(l__string__Name, l__Arguments);
        std::fflush(stdout);
        Tarnwick_DownShut();
        return l__int__Exit;
    }
    std::fprintf(stderr, "tarnwick: unknown subcommand '%s'\n", l__string__Name.c_str());
    PrintUsage(stderr);
    return 87;
}
