#include "CTarnwick_CliMaster.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "CTarnwick_CliArguments.h"
#include "CTarnwick_CliFailure.h"
#include "CTarnwick_ToolNames.h"
#include "CTarnwick_CliReporter.h"
#include "CTarnwick_ToolImageOutput.h"
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
    "  -V LABEL                   volume label (the first 32 characters are the volume id)\n"
    "  --level1                   8.3 identifiers (default: long names of up to 31 characters)\n"
    "  -J                         also a Joliet hierarchy (long Unicode names)\n"
    "  -R                         Rock Ridge records: names as they are, modes, owners,\n"
    "                             symbolic links (kept as links), devices, FIFOs, times;\n"
    "                             directories deeper than 8 levels are relocated\n"
    "  -b BOOT.img                an El Torito boot image, added to the root\n"
    "  --boot-media-type N        boot media type of the catalog entry (default 2)\n"
    "  --boot-system-type N       system type of the catalog entry (default 6)\n"
    "  --start SECTOR             the sector the image starts at (default 0)\n"
    "  --system-structures FILE   also write the image's system structures to FILE\n"
    "  --ignore-errors            skip files that cannot be read instead of failing\n"
    "  --udf                      a UDF 1.02 image instead (names upper-cased, files of any size)\n"
    "  --udf-bridge               a DVD-Video UDF/ISO9660 bridge image: SOURCE is one directory\n"
    "                             holding VIDEO_TS (AUDIO_TS is added empty when missing); its\n"
    "                             files are laid out in DVD order and their IFO/BUP sector\n"
    "                             numbers set to where the files lie\n"
    "  -q, --quiet                no progress\n"
    "  --json                     one JSON object per event (on standard error with -o -)\n"
    "Name collisions are resolved by giving the new entry a unique name (a \"renamed\" event);\n"
    "entries left out with --ignore-errors are told by \"skipped\" events.\n";

// What the tree's callback counts and tells while sources are added.
struct AddState {
    CTarnwick_CliReporter* m__Reporter = nullptr;
    unsigned long m__ulong__Added = 0;
    unsigned long m__ulong__Renamed = 0;
    unsigned long m__ulong__Skipped = 0;
    unsigned long m__ulong__CollisionNumber = 0;
};

void TreeCallback(ULONG p__ULONG__Reason, PVOID p__PVOID__Context, PVOID p__PVOID__Parameter1, PVOID /*p__PVOID__Parameter2*/) {
    AddState* l__State = static_cast<AddState*>(p__PVOID__Context);
    using Field = CTarnwick_CliReporter::Field;
    switch (p__ULONG__Reason) {
        case ADD_NAME:
            ++l__State->m__ulong__Added;
            break;
        case IGNORE_NAME: {
            ++l__State->m__ulong__Skipped;
            const std::string l__string__Path = p__PVOID__Parameter1 != nullptr ? static_cast<const char*>(p__PVOID__Parameter1) : "";
            l__State->m__Reporter->Event("skipped", {Field::Text("path", l__string__Path), Field::Text("reason", "cannot be read")},
                                         std::string("skipped '").append(l__string__Path).append("'"));
            break;
        }
        case NAME_COLLISION: {
            auto* l__PInformation = static_cast<NAME_COLLISION_INFORMATION*>(p__PVOID__Parameter1);
            const std::string l__string__Name = CTarnwick_ToolNames::RenameNew(l__PInformation, ++l__State->m__ulong__CollisionNumber);
            ++l__State->m__ulong__Renamed;
            // The path is a pointer member of a packed record: copied out, never bound.
            const PCHAR l__PCHAR__Path = l__PInformation->m__PCHAR__NewPathName;
            const std::string l__string__Path = l__PCHAR__Path != nullptr ? l__PCHAR__Path : "";
            const bool l__bool__Joliet = l__PInformation->m__BOOLEAN__IsJoliet != 0;
            l__State->m__Reporter->Event(
                "renamed",
                {Field::Text("path", l__string__Path), Field::Text("name", l__string__Name),
                 Field::Text("hierarchy", l__bool__Joliet ? "joliet" : "iso9660")},
                std::string("renamed '").append(l__string__Path).append("' to ").append(l__string__Name).append(l__bool__Joliet ? " (Joliet)" : ""));
            break;
        }
        default:
            break;
    }
}

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

// The failure of a flat call: its number, and its text with the system error in words.
CTarnwick_CliFailure CallFailure(ULONG p__ULONG__Number, const std::string& p__string__What, const char* p__PCHAR__Text,
                                 ULONG p__ULONG__SystemError) {
    std::string l__string__Text = p__string__What;
    std::string l__string__Toolkit(p__PCHAR__Text);
    const size_t l__SIZE__First = l__string__Toolkit.find_first_not_of(" \r\n");
    const size_t l__SIZE__Last = l__string__Toolkit.find_last_not_of(" \r\n");
    if (l__SIZE__First != std::string::npos) {
        l__string__Text.append(": ").append(l__string__Toolkit.substr(l__SIZE__First, l__SIZE__Last - l__SIZE__First + 1));
    }
    if (p__ULONG__Number == EXCEPTION_NUMBER_SYSTEM_ERROR && p__ULONG__SystemError != 0) {
        l__string__Text.append(" (").append(std::strerror(static_cast<int>(p__ULONG__SystemError))).append(")");
    }
    return CTarnwick_CliFailure("master", "", p__ULONG__Number, l__string__Text, "");
}

// The time as the volume descriptors write it: YYYYMMDDHHMMSS and hundredths, in UTC.
std::string TimeText(std::time_t p__time_t__Time) {
    std::tm l__tm__Utc{};
    gmtime_r(&p__time_t__Time, &l__tm__Utc);
    char l__CHAR__Text[64];
    std::snprintf(l__CHAR__Text, sizeof(l__CHAR__Text), "%04d%02d%02d%02d%02d%02d00", l__tm__Utc.tm_year + 1900, l__tm__Utc.tm_mon + 1,
                  l__tm__Utc.tm_mday, l__tm__Utc.tm_hour, l__tm__Utc.tm_min, l__tm__Utc.tm_sec);
    return l__CHAR__Text;
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

// The ISO9660 tree, deleted with the object.
struct TreeHolder {
    PVOID m__PVOID__Tree = nullptr;
    ~TreeHolder() { Tarnwick_Destroy(&m__PVOID__Tree); }
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

int MasterIso(const Request& p__Request, CTarnwick_CliReporter& p__Reporter) {
    AddState l__State;
    l__State.m__Reporter = &p__Reporter;
    TreeHolder l__Tree;
    char l__CHAR__Text[1024] = {};
    ULONG l__ULONG__SystemError = 0;
    auto l__Failed = [&](ULONG p__ULONG__Number, const std::string& p__string__What) {
        const CTarnwick_CliFailure l__Failure = CallFailure(p__ULONG__Number, p__string__What, l__CHAR__Text, l__ULONG__SystemError);
        p__Reporter.Fail(l__Failure);
        return l__Failure.ExitCode();
    };
    ULONG l__ULONG__Status = Tarnwick_ISO9660JolietFileTree_Create(
        &l__Tree.m__PVOID__Tree, l__CHAR__Text, sizeof(l__CHAR__Text), &l__ULONG__SystemError, TreeCallback, &l__State,
        p__Request.m__bool__IgnoreErrors ? TRUE : FALSE, FALSE, p__Request.m__bool__Level1 ? FALSE : TRUE,
        p__Request.m__bool__Joliet ? TRUE : FALSE);
    if (l__ULONG__Status != 0) return l__Failed(l__ULONG__Status, "cannot make the file tree");
    // Before anything is added: what is added before gets made-up attributes.
    l__ULONG__Status = Tarnwick_ISO9660JolietFileTree_SetRockRidge(l__Tree.m__PVOID__Tree, p__Request.m__bool__RockRidge ? TRUE : FALSE,
                                                                    l__CHAR__Text, sizeof(l__CHAR__Text), &l__ULONG__SystemError);
    if (l__ULONG__Status != 0) return l__Failed(l__ULONG__Status, "cannot turn Rock Ridge on");
    // Dated by the last write, as the files are.
    const ULONG l__ULONG__TimeLastWrite = 2;
    for (std::string l__string__Source : p__Request.m__Sources) {
        while (l__string__Source.size() > 1 && l__string__Source.back() == '/') l__string__Source.pop_back();
        struct stat l__stat__Source {};
        if (::stat(l__string__Source.c_str(), &l__stat__Source) != 0) {
            l__CHAR__Text[0] = '\0';
            l__ULONG__SystemError = static_cast<ULONG>(errno);
            return l__Failed(EXCEPTION_NUMBER_SYSTEM_ERROR, std::string("cannot find '").append(l__string__Source).append("'"));
        }
        PVOID l__PVOID__Parent = nullptr;
        l__ULONG__Status = S_ISDIR(l__stat__Source.st_mode)
                               ? Tarnwick_ISO9660JolietFileTree_AddContents(l__Tree.m__PVOID__Tree, l__CHAR__Text, sizeof(l__CHAR__Text),
                                                                            &l__ULONG__SystemError, const_cast<PCHAR>(l__string__Source.c_str()),
                                                                            l__ULONG__TimeLastWrite, &l__PVOID__Parent)
                               : Tarnwick_ISO9660JolietFileTree_Add(l__Tree.m__PVOID__Tree, l__CHAR__Text, sizeof(l__CHAR__Text),
                                                                    &l__ULONG__SystemError, const_cast<PCHAR>(l__string__Source.c_str()),
                                                                    nullptr, l__ULONG__TimeLastWrite, &l__PVOID__Parent);
        if (l__ULONG__Status != 0) return l__Failed(l__ULONG__Status, std::string("cannot add '").append(l__string__Source).append("'"));
    }
    if (!p__Request.m__string__Boot.empty()) {
        l__ULONG__Status = Tarnwick_ISO9660JolietFileTree_SetBootImageEx(
            l__Tree.m__PVOID__Tree, const_cast<PCHAR>(p__Request.m__string__Boot.c_str()), nullptr, p__Request.m__ulong__BootSystemType,
            p__Request.m__ulong__BootMediaType, l__CHAR__Text, sizeof(l__CHAR__Text), &l__ULONG__SystemError);
        if (l__ULONG__Status != 0) {
            return l__Failed(l__ULONG__Status, std::string("'").append(p__Request.m__string__Boot).append("' is not a readable boot image file"));
        }
    }
    const std::string l__string__Now = TimeText(std::time(nullptr));
    l__ULONG__Status = Tarnwick_ISO9660JolietFileTree_BuildImageEx(
        l__Tree.m__PVOID__Tree, l__CHAR__Text, sizeof(l__CHAR__Text), &l__ULONG__SystemError, static_cast<ULONG>(p__Request.m__ulong__Start),
        0, FALSE, const_cast<PCHAR>(p__Request.m__string__Label.c_str()), nullptr, const_cast<PCHAR>("TARNWICK-MKISO"), nullptr, nullptr,
        nullptr, const_cast<PCHAR>(l__string__Now.c_str()), const_cast<PCHAR>(l__string__Now.c_str()),
        const_cast<PCHAR>("0000000000000000"), const_cast<PCHAR>("0000000000000000"));
    if (l__ULONG__Status != 0) return l__Failed(l__ULONG__Status, "cannot build the image");
    if (!p__Request.m__string__SystemStructures.empty()) {
        l__ULONG__Status = Tarnwick_ISO9660JolietFileTree_StoreSystemStructures(
            l__Tree.m__PVOID__Tree, l__CHAR__Text, sizeof(l__CHAR__Text), &l__ULONG__SystemError,
            const_cast<PCHAR>(p__Request.m__string__SystemStructures.c_str()));
        if (l__ULONG__Status != 0) {
            return l__Failed(l__ULONG__Status,
                             std::string("cannot write the system structures to '").append(p__Request.m__string__SystemStructures).append("'"));
        }
    }
    ULONG l__ULONG__High = 0;
    const uint64_t l__ULONGLONG__Bytes =
        (static_cast<uint64_t>(0) + Tarnwick_ISO9660JolietFileTree_GetSizeInUCHARs(l__Tree.m__PVOID__Tree, &l__ULONG__High)) |
        (static_cast<uint64_t>(l__ULONG__High) << 32);
    TellSummary(p__Reporter, p__Request, l__State.m__ulong__Added, l__State.m__ulong__Renamed, l__State.m__ulong__Skipped,
                static_cast<unsigned long>(l__ULONGLONG__Bytes / 2048));
    return WriteImage(p__Request, p__Reporter, l__Tree.m__PVOID__Tree);
}

// The UDF walk told as events.
class UdfEvents : public CTarnwick_ToolUdfMaster::Listener {
public:
    explicit UdfEvents(CTarnwick_CliReporter& p__Reporter) : m__Reporter(p__Reporter) {}
    void Skipped(const std::string& p__string__Path, const std::string& p__string__Why) override {
        using Field = CTarnwick_CliReporter::Field;
        m__Reporter.Event("skipped", {Field::Text("path", p__string__Path), Field::Text("reason", p__string__Why)},
                          std::string("skipped '").append(p__string__Path).append("': ").append(p__string__Why));
    }
    void Renamed(const std::string& p__string__Path, const std::string& p__string__Name) override {
        using Field = CTarnwick_CliReporter::Field;
        m__Reporter.Event("renamed", {Field::Text("path", p__string__Path), Field::Text("name", p__string__Name), Field::Text("hierarchy", "udf")},
                          std::string("renamed '").append(p__string__Path).append("' to ").append(p__string__Name));
    }

private:
    CTarnwick_CliReporter& m__Reporter;
};

int MasterUdf(const Request& p__Request, bool p__bool__Bridge, CTarnwick_CliReporter& p__Reporter) {
    CTarnwick_ToolUdfMaster::Job l__Job;
    l__Job.m__string__Label = p__Request.m__string__Label;
    l__Job.m__Sources = p__Request.m__Sources;
    l__Job.m__bool__Bridge = p__bool__Bridge;
    l__Job.m__bool__IgnoreErrors = p__Request.m__bool__IgnoreErrors;
    UdfEvents l__Events(p__Reporter);
    CTarnwick_ToolUdfMaster l__Master(l__Job, l__Events);
    const ULONG l__ULONG__Mastered = l__Master.Master();
    if (l__ULONG__Mastered != 0) {
        const CTarnwick_CliFailure l__Failure("master", "", l__ULONG__Mastered, l__Master.FailureText(), "");
        p__Reporter.Fail(l__Failure);
        return l__Failure.ExitCode();
    }
    const CTarnwick_ToolUdfMaster::Counts& l__Counts = l__Master.GetCounts();
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
    if (l__bool__Udf || l__bool__Bridge) return MasterUdf(l__Request, l__bool__Bridge, l__Reporter);
    return MasterIso(l__Request, l__Reporter);
}

const char* CTarnwick_CliMaster::Usage(const std::string&) { return g__PCHAR__Usage; }
