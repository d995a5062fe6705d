#include "CTarnwick_CliMedium.h"

#include <cstdio>

#include "CTarnwick_CliArguments.h"
#include "CTarnwick_CliDiscReady.h"
#include "CTarnwick_CliDiscType.h"
#include "CTarnwick_CliDrive.h"
#include "CTarnwick_CliFailure.h"
#include "CTarnwick_CliReporter.h"
#include "tarnwick.h"

namespace {

// BLANK's blanking types: the whole disc, or only the table of contents and the first track's
// start (minimal), after which the disc reads as blank.
constexpr ULONG BLANK_WHOLE_DISC = 0;
constexpr ULONG BLANK_MINIMAL = 1;

using Reporter = CTarnwick_CliReporter;

// The medium the subcommand needs, or the failure that says why it cannot be used.
bool CheckMedium(const std::string& p__string__Subcommand, CTarnwick_CliDrive& p__Drive, Reporter& p__Reporter,
                 int& p__int__Exit) {
    const ULONG l__ULONG__Type = p__Drive.DiscType();
    if (l__ULONG__Type == TARNWICK_DISC_TYPE_UNSUPPORTED) {
        // No medium, or one the toolkit does not know: the disc information tells which.
        DISC_INFORMATION l__Disc{};
        CTarnwick_CliFailure l__Failure;
        if (!CTarnwick_CliDiscReady::Read(p__Drive, p__string__Subcommand, l__Disc, &l__Failure)) {
            p__Reporter.Fail(l__Failure);
            p__int__Exit = l__Failure.ExitCode();
            return false;
        }
    }
    const bool l__bool__Fits = p__string__Subcommand == "format" ? CTarnwick_CliDiscType::IsFormattable(l__ULONG__Type)
                                                                 : CTarnwick_CliDiscType::IsErasable(l__ULONG__Type);
    if (l__bool__Fits) return true;
    std::string l__string__Text = "the ";
    l__string__Text.append(CTarnwick_CliDiscType::Name(l__ULONG__Type)).append(" in the drive cannot be ");
    std::string l__string__Remedy;
    if (p__string__Subcommand == "format") {
        l__string__Text.append("formatted (only DVD+RW, DVD-RAM and BD-RE are)");
        l__string__Remedy = CTarnwick_CliDiscType::IsBlankable(l__ULONG__Type) ? "erase it with `tarnwick blank`"
                                                                            : "insert a DVD+RW, DVD-RAM or BD-RE";
    } else {
        l__string__Text.append("erased (only CD-RW, DVD-RW, DVD+RW, DVD-RAM and BD-RE are)");
        l__string__Remedy = "insert a rewritable disc";
    }
    const CTarnwick_CliFailure l__Failure(p__string__Subcommand, p__Drive.Name(), EXCEPTION_NUMBER_MEDIA_OR_DATA,
                                          l__string__Text, l__string__Remedy);
    p__Reporter.Fail(l__Failure);
    p__int__Exit = l__Failure.ExitCode();
    return false;
}

}  // namespace

const char* CTarnwick_CliMedium::Usage(const std::string& p__string__Subcommand) {
    if (p__string__Subcommand == "blank")
        return "Usage: tarnwick blank [--fast] [--drive D] [--json]\n"
               "Erases a rewritable disc so that it can be written from its start again: a CD-RW or DVD-RW\n"
               "with BLANK (the whole disc, or with --fast only its table of contents), a DVD+RW, DVD-RAM or\n"
               "BD-RE by formatting it.\n";
    if (p__string__Subcommand == "format")
        return "Usage: tarnwick format [--drive D] [--json]\n"
               "Formats a DVD+RW (full format), a DVD-RAM or a BD-RE (with the drive's default spare areas).\n"
               "Whatever the disc held is lost.\n";
    if (p__string__Subcommand == "eject") return "Usage: tarnwick eject [--drive D] [--json]\nOpens the drive's tray.\n";
    return "Usage: tarnwick load [--drive D] [--json]\nCloses the drive's tray.\n";
}

int CTarnwick_CliMedium::Run(const std::string& p__string__Subcommand, const std::vector<std::string>& p__Arguments) {
    CTarnwick_CliArguments l__Arguments;
    const std::set<std::string> l__Flags = p__string__Subcommand == "blank" ? std::set<std::string>{"--fast"}
                                                                             : std::set<std::string>{};
    if (!l__Arguments.ParseWithoutFiles(p__string__Subcommand, p__Arguments, l__Flags, Usage(p__string__Subcommand)))
        return CTarnwick_CliArguments::USAGE_ERROR;
    Reporter l__Reporter(Reporter::Choose(l__Arguments.IsJson()));
    CTarnwick_CliDrive l__Drive;
    CTarnwick_CliFailure l__Failure;
    if (!l__Drive.Open(p__string__Subcommand, l__Arguments.Value("--drive"), Reporter::Callback, &l__Reporter, &l__Failure)) {
        l__Reporter.Fail(l__Failure);
        return l__Failure.ExitCode();
    }
    l__Drive.Clear();
    ULONG l__ULONG__Number = 0;
    if (p__string__Subcommand == "eject" || p__string__Subcommand == "load") {
        const bool l__bool__Eject = p__string__Subcommand == "eject";
        l__ULONG__Number = l__bool__Eject
                               ? Tarnwick_CdvdBurnerGrabber_Eject(l__Drive.Burner(), l__Drive.m__CHAR__Text, sizeof(l__Drive.m__CHAR__Text),
                                                                  &l__Drive.m__ULONG__Status, &l__Drive.m__Info)
                               : Tarnwick_CdvdBurnerGrabber_Load(l__Drive.Burner(), l__Drive.m__CHAR__Text, sizeof(l__Drive.m__CHAR__Text),
                                                                 &l__Drive.m__ULONG__Status, &l__Drive.m__Info);
        if (l__ULONG__Number == 0) {
            std::string l__string__Text = l__bool__Eject ? "ejected: " : "loaded: ";
            l__Reporter.Event(p__string__Subcommand, {Reporter::Field::Text("drive", l__Drive.Name())},
                              l__string__Text.append(l__Drive.Name()));
            return 0;
        }
    } else {
        int l__int__Exit = 0;
        if (!CheckMedium(p__string__Subcommand, l__Drive, l__Reporter, l__int__Exit)) return l__int__Exit;
        const ULONG l__ULONG__Type = l__Drive.DiscType();
        const bool l__bool__Fast = l__Arguments.Has("--fast");
        l__Reporter.Event(p__string__Subcommand + "-begin",
                          {Reporter::Field::Text("drive", l__Drive.Name()),
                           Reporter::Field::Text("medium", CTarnwick_CliDiscType::Name(l__ULONG__Type)),
                           Reporter::Field::Flag("fast", l__bool__Fast)},
                          std::string(p__string__Subcommand == "format" ? "formatting the " : "erasing the ")
                              .append(CTarnwick_CliDiscType::Name(l__ULONG__Type))
                              .append(" in ")
                              .append(l__Drive.Name())
                              .append("..."));
        l__Drive.Clear();
        // The toolkit formats what is formatted and blanks the rest; the blanking type only
        // matters to BLANK.
        l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_Blank(l__Drive.Burner(), l__Drive.m__CHAR__Text, sizeof(l__Drive.m__CHAR__Text),
                                                            &l__Drive.m__ULONG__Status, &l__Drive.m__Info,
                                                            l__bool__Fast ? BLANK_MINIMAL : BLANK_WHOLE_DISC);
        if (l__ULONG__Number == 0) {
            l__Reporter.Event(p__string__Subcommand + "-end", {Reporter::Field::Text("drive", l__Drive.Name())},
                              p__string__Subcommand == "format" ? "formatted" : "erased");
            return 0;
        }
    }
    const CTarnwick_CliFailure l__Failed = l__Drive.Failure(p__string__Subcommand, l__ULONG__Number);
    l__Reporter.Fail(l__Failed);
    return l__Failed.ExitCode();
}
