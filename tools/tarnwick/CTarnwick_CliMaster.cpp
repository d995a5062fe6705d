#include "CTarnwick_CliMaster.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "CTarnwick_CliArguments.h"
#include "CTarnwick_CliFailure.h"
#include "CTarnwick_CliReporter.h"
#include "CTarnwick_ToolImageOutput.h"
#include "CTarnwick_ToolIsoMaster.h"
#include "CTarnwick_ToolUdfMaster.h"
#include "tarnwick.h"

namespace {

const char* const g__PCHAR__Usage =
    "Usage: tarnwick master -o OUT.iso [options] SOURCE...\n"
    "Masters an ISO9660 image from local files and directories. A directory SOURCE\n"
    "contributes its contents to the root of the image; a file SOURCE sits in the root.\n"
    "\n"
    "Options:\n"
    "  -o FILE                    the image file to write (\"-\" for standard output); it appears\n"
    "                             under its name only when it is whole\n"
    TARNWICK_MASTERING_OPTION_LINES
    "  -q, --quiet                no progress\n"
    "  --json                     one JSON object per event (on standard error with -o -)\n"
    "Name collisions are resolved by giving the new entry a unique name (a \"renamed\" event);\n"
    "entries left out with --ignore-errors are told by \"skipped\" events.\n";

// A decimal or 0x-prefixed hexadecimal number of at most p__Maximum.
bool ParseNumber(const std::string& p__string__Text, unsigned long p__ulong__Maximum, unsigned long* p__Pulong__Value) {
    if (p__string__Text.empty() || p__string__Text[0] == '-' || p__string__Text[0] == '+' || p__string__Text[0] == ' ') return false;
    char* l__PCHAR__End = nullptr;
    errno = 0;
    const unsigned long l__ulong__Value = std::strtoul(p__string__Text.c_str(), &l__PCHAR__End, 0);
    if (errno != 0 || *l__PCHAR__End != '\0' || l__ulong__Value > p__ulong__Maximum) return false;
    *p__Pulong__Value = l__ulong__Value;
    return true;
}

int UsageError(const std::string& p__string__Reason) {
    std::fprintf(stderr, "tarnwick master: %s\n", p__string__Reason.c_str());
    std::fputs(g__PCHAR__Usage, stderr);
    return 87;
}

// What one run is asked to master.
struct Request {
    std::string m__string__Output;
    std::string m__string__Label;
    std::string m__string__Boot;
    std::string m__string__SystemStructures;
    std::vector<std::string> m__Sources;
    bool m__bool__Level1 = false;
    bool m__bool__Joliet = false;
    bool m__bool__RockRidge = false;
    bool m__bool__IgnoreErrors = false;
    bool m__bool__Quiet = false;
    unsigned long m__ulong__Start = 0;
    unsigned long m__ulong__BootMediaType = 2;
    unsigned long m__ulong__BootSystemType = 6;
};

// The walk of the sources told as events.
class WalkEvents : public CTarnwick_ToolMasteringListener {
public:
    explicit WalkEvents(CTarnwick_CliReporter& p__Reporter) : m__Reporter(p__Reporter) {}
    void Skipped(const std::string& p__string__Path, const std::string& p__string__Why) override {
        using Field = CTarnwick_CliReporter::Field;
        m__Reporter.Event("skipped", {Field::Text("path", p__string__Path), Field::Text("reason", p__string__Why)},
                          std::string("skipped '").append(p__string__Path).append("': ").append(p__string__Why));
    }
    void Renamed(const std::string& p__string__Path, const std::string& p__string__Name, const char* p__PCHAR__Hierarchy) override {
        using Field = CTarnwick_CliReporter::Field;
        m__Reporter.Event("renamed",
                          {Field::Text("path", p__string__Path), Field::Text("name", p__string__Name), Field::Text("hierarchy", p__PCHAR__Hierarchy)},
                          std::string("renamed '").append(p__string__Path).append("' to ").append(p__string__Name).append(" (").append(
                              p__PCHAR__Hierarchy).append(")"));
    }

private:
    CTarnwick_CliReporter& m__Reporter;
};

void TellSummary(CTarnwick_CliReporter& p__Reporter, const Request& p__Request, unsigned long p__ulong__Added,
                 unsigned long p__ulong__Renamed, unsigned long p__ulong__Skipped, unsigned long p__ulong__Sectors) {
    using Field = CTarnwick_CliReporter::Field;
    std::string l__string__Text;
    if (!p__Request.m__bool__Quiet) {
        l__string__Text = "master: ";
        l__string__Text.append(std::to_string(p__ulong__Added)).append(" entries, ").append(std::to_string(p__ulong__Renamed));
        l__string__Text.append(" renamed, ").append(std::to_string(p__ulong__Skipped)).append(" skipped, image of ");
        l__string__Text.append(std::to_string(p__ulong__Sectors)).append(" sectors");
    }
    p__Reporter.Event("mastered",
                      {Field::Text("output", p__Request.m__string__Output), Field::Number("entries", p__ulong__Added),
                       Field::Number("renamed", p__ulong__Renamed), Field::Number("skipped", p__ulong__Skipped),
                       Field::Number("sectors", p__ulong__Sectors)},
                      l__string__Text);
}

// The writing of the image as the reporter's "master" phase, in sectors, told at every whole
// percent rather than at every block.
class PhaseProgress : public CTarnwick_ToolImageOutput::Progress {
public:
    explicit PhaseProgress(CTarnwick_CliReporter& p__Reporter) : m__Reporter(p__Reporter) {}
    void Begin(uint64_t p__ULONGLONG__TotalBytes) override {
        m__ULONGLONG__Sectors = (p__ULONGLONG__TotalBytes + 2047) / 2048;
        m__Reporter.BeginPhase("master", m__ULONGLONG__Sectors, 2048, 0);
    }
    void Advance(uint64_t p__ULONGLONG__DoneBytes) override {
        const uint64_t l__ULONGLONG__Sector = p__ULONGLONG__DoneBytes / 2048;
        if ((l__ULONGLONG__Sector - m__ULONGLONG__Told) * 100 < m__ULONGLONG__Sectors) return;
        m__Reporter.Progress(l__ULONGLONG__Sector);
        m__ULONGLONG__Told = l__ULONGLONG__Sector;
    }
    void End(bool p__bool__Succeeded) override { m__Reporter.EndPhase(p__bool__Succeeded); }

private:
    CTarnwick_CliReporter& m__Reporter;
    uint64_t m__ULONGLONG__Sectors = 0;
    uint64_t m__ULONGLONG__Told = 0;
};

// Writes the built image of the tree to the output (the phase unless quiet): 0 or the failure
// number, the failure told.
int WriteImage(const Request& p__Request, CTarnwick_CliReporter& p__Reporter, PVOID p__PVOID__Tree) {
    PhaseProgress l__Progress(p__Reporter);
    CTarnwick_ToolImageOutput l__Output(p__Request.m__string__Output, p__Request.m__bool__Quiet ? nullptr : &l__Progress);
    const ULONG l__ULONG__Result = l__Output.Write(p__PVOID__Tree);
    if (l__ULONG__Result == 0) return 0;
    const CTarnwick_CliFailure l__Failure("master", "", l__ULONG__Result, l__Output.FailureText(), "");
    p__Reporter.Fail(l__Failure);
    return l__Failure.ExitCode();
}

// Masters the image with one of the shared masters, tells the summary and writes the image.
template <class Master>
int MasterAndWrite(const typename Master::Job& p__Job, const Request& p__Request, CTarnwick_CliReporter& p__Reporter) {
    WalkEvents l__Events(p__Reporter);
    Master l__Master(p__Job, l__Events);
    const ULONG l__ULONG__Mastered = l__Master.Master();
    if (l__ULONG__Mastered != 0) {
        const CTarnwick_CliFailure l__Failure("master", "", l__ULONG__Mastered, l__Master.FailureText(), "");
        p__Reporter.Fail(l__Failure);
        return l__Failure.ExitCode();
    }
    const CTarnwick_ToolMasteringListener::Counts& l__Counts = l__Master.GetCounts();
    TellSummary(p__Reporter, p__Request, l__Counts.m__ulong__Added, l__Counts.m__ulong__Renamed, l__Counts.m__ulong__Skipped,
                l__Master.Sectors());
    return WriteImage(p__Request, p__Reporter, l__Master.Tree());
}

}  // namespace

int CTarnwick_CliMaster::Run(const std::string& /*p__string__Subcommand*/, const std::vector<std::string>& p__Arguments) {
    CTarnwick_CliArguments l__Arguments;
    if (!l__Arguments.Parse(p__Arguments, {"--level1", "-J", "-R", "--ignore-errors", "--udf", "--udf-bridge", "-q", "--quiet"},
                            {"-o", "-V", "-b", "--boot-media-type", "--boot-system-type", "--start", "--system-structures"})) {
        return UsageError(l__Arguments.Error());
    }
    Request l__Request;
    l__Request.m__string__Output = l__Arguments.Value("-o");
    l__Request.m__string__Label = l__Arguments.Value("-V");
    l__Request.m__string__Boot = l__Arguments.Value("-b");
    l__Request.m__string__SystemStructures = l__Arguments.Value("--system-structures");
    l__Request.m__Sources = l__Arguments.Positional();
    l__Request.m__bool__Level1 = l__Arguments.Has("--level1");
    l__Request.m__bool__Joliet = l__Arguments.Has("-J");
    l__Request.m__bool__RockRidge = l__Arguments.Has("-R");
    l__Request.m__bool__IgnoreErrors = l__Arguments.Has("--ignore-errors");
    l__Request.m__bool__Quiet = l__Arguments.Has("-q") || l__Arguments.Has("--quiet");
    const bool l__bool__Udf = l__Arguments.Has("--udf");
    const bool l__bool__Bridge = l__Arguments.Has("--udf-bridge");
    const struct {
        const char* m__PCHAR__Option;
        unsigned long m__ulong__Maximum;
        unsigned long* m__Pulong__Value;
    } l__Numbers[] = {{"--start", 0x7FFFFFFFul, &l__Request.m__ulong__Start},
                      {"--boot-media-type", 0xFFul, &l__Request.m__ulong__BootMediaType},
                      {"--boot-system-type", 0xFFul, &l__Request.m__ulong__BootSystemType}};
    for (const auto& l__Number : l__Numbers) {
        if (l__Arguments.Has(l__Number.m__PCHAR__Option) &&
            !ParseNumber(l__Arguments.Value(l__Number.m__PCHAR__Option), l__Number.m__ulong__Maximum, l__Number.m__Pulong__Value)) {
            return UsageError(std::string(l__Number.m__PCHAR__Option).append(": '").append(l__Arguments.Value(l__Number.m__PCHAR__Option)).append(
                "' is not a valid number"));
        }
    }
    if (!l__Arguments.Has("-o") || l__Request.m__string__Output.empty()) return UsageError("no output file given (-o OUT.iso)");
    if (l__Request.m__Sources.empty()) return UsageError("no SOURCE given");
    if (l__Request.m__string__Label.size() > 127) return UsageError("the volume label has more than 127 characters");
    const bool l__bool__IsoOnly = l__Arguments.Has("-J") || l__Arguments.Has("-R") || l__Arguments.Has("--level1") || l__Arguments.Has("-b") ||
                                  l__Arguments.Has("--boot-media-type") || l__Arguments.Has("--boot-system-type") ||
                                  l__Arguments.Has("--start") || l__Arguments.Has("--system-structures");
    if (l__bool__Udf && l__bool__Bridge) return UsageError("--udf and --udf-bridge exclude each other");
    if ((l__bool__Udf || l__bool__Bridge) && l__bool__IsoOnly) {
        return UsageError("-J, -R, --level1, -b, --boot-*, --start and --system-structures are ISO9660 options");
    }
    if (l__bool__Bridge && l__Request.m__Sources.size() != 1) return UsageError("--udf-bridge takes one SOURCE directory holding VIDEO_TS");

    // With the image on standard output, everything told goes to standard error.
    const bool l__bool__Stdout = l__Request.m__string__Output == "-";
    const CTarnwick_CliReporter::Mode l__Mode =
        !l__bool__Stdout ? CTarnwick_CliReporter::Choose(l__Arguments.IsJson())
        : l__Arguments.IsJson() ? CTarnwick_CliReporter::Mode::Json
        : isatty(STDERR_FILENO) ? CTarnwick_CliReporter::Mode::Terminal
                                : CTarnwick_CliReporter::Mode::Lines;
    CTarnwick_CliReporter l__Reporter(l__Mode, l__bool__Stdout ? stderr : stdout, stderr);
    if (l__bool__Udf || l__bool__Bridge) {
        CTarnwick_ToolUdfMaster::Job l__Job;
        l__Job.m__string__Label = l__Request.m__string__Label;
        l__Job.m__Sources = l__Request.m__Sources;
        l__Job.m__bool__Bridge = l__bool__Bridge;
        l__Job.m__bool__IgnoreErrors = l__Request.m__bool__IgnoreErrors;
        return MasterAndWrite<CTarnwick_ToolUdfMaster>(l__Job, l__Request, l__Reporter);
    }
    CTarnwick_ToolIsoMaster::Job l__Job;
    l__Job.m__string__Label = l__Request.m__string__Label;
    // The identifier tarnwick-mkiso writes too: both make the same images.
    l__Job.m__string__Application = "TARNWICK-MKISO";
    l__Job.m__Sources = l__Request.m__Sources;
    l__Job.m__string__Boot = l__Request.m__string__Boot;
    l__Job.m__ulong__BootMediaType = l__Request.m__ulong__BootMediaType;
    l__Job.m__ulong__BootSystemType = l__Request.m__ulong__BootSystemType;
    l__Job.m__ulong__Start = l__Request.m__ulong__Start;
    l__Job.m__string__SystemStructures = l__Request.m__string__SystemStructures;
    l__Job.m__bool__Level1 = l__Request.m__bool__Level1;
    l__Job.m__bool__Joliet = l__Request.m__bool__Joliet;
    l__Job.m__bool__RockRidge = l__Request.m__bool__RockRidge;
    l__Job.m__bool__IgnoreErrors = l__Request.m__bool__IgnoreErrors;
    return MasterAndWrite<CTarnwick_ToolIsoMaster>(l__Job, l__Request, l__Reporter);
}

const char* CTarnwick_CliMaster::Usage(const std::string&) { return g__PCHAR__Usage; }
