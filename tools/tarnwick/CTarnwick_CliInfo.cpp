#include "CTarnwick_CliInfo.h"

#include <cstdio>
#include <memory>

#include "CTarnwick_CliArguments.h"
#include "CTarnwick_CliDiscReady.h"
#include "CTarnwick_CliDiscType.h"
#include "CTarnwick_CliDiscWords.h"
#include "CTarnwick_CliDrive.h"
#include "CTarnwick_CliFailure.h"
#include "CTarnwick_CliReporter.h"

namespace {

using Field = CTarnwick_CliReporter::Field;

// "12.3 MB" of p__Blocks blocks of p__ULONG__Bytes bytes.
std::string BlocksText(unsigned long long p__Blocks, ULONG p__ULONG__Bytes) {
    std::string l__string__Text = std::to_string(p__Blocks);
    l__string__Text.append(" blocks (").append(CTarnwick_CliReporter::Size(p__Blocks * p__ULONG__Bytes)).append(")");
    return l__string__Text;
}

// The table of contents as "track" events.
void TellTracks(const TOC_INFORMATION& p__Toc, CTarnwick_CliReporter& p__Reporter) {
    const unsigned l__unsigned__Tracks = p__Toc.m__UCHAR__NumberOfTracks < TOC_MAXIMUM_TRACKS ? p__Toc.m__UCHAR__NumberOfTracks
                                                                                              : TOC_MAXIMUM_TRACKS;
    for (unsigned i = 0; i < l__unsigned__Tracks; ++i) {
        const TOC_TRACK_ENTRY l__Entry = p__Toc.m__TOC_TRACK_ENTRY__Tracks[i];
        if (l__Entry.m__UCHAR__IsValid == 0) continue;
        const LONG l__LONG__Start = l__Entry.m__LONG__StartLBA, l__LONG__End = l__Entry.m__LONG__EndLBA;
        const ULONG l__ULONG__BlockBytes = l__Entry.m__ULONG__BytesPerBlock;
        const long long l__LONGLONG__Blocks = l__LONG__End >= l__LONG__Start ? static_cast<long long>(l__LONG__End) - l__LONG__Start + 1 : 0;
        const std::string l__string__Mode = CTarnwick_CliDiscWords::ModeName(l__Entry);
        char l__CHAR__Line[160];
        std::snprintf(l__CHAR__Line, sizeof(l__CHAR__Line), "track %2u  session %u  %-5s  %-13s  start %7ld  end %7ld  ",
                      l__Entry.m__UCHAR__TrackNumber, l__Entry.m__UCHAR__SessionNumber, CTarnwick_CliDiscWords::KindName(l__Entry),
                      l__string__Mode.c_str(), static_cast<long>(l__LONG__Start), static_cast<long>(l__LONG__End));
        p__Reporter.Event("track",
                          {Field::Number("number", l__Entry.m__UCHAR__TrackNumber),
                           Field::Number("session", l__Entry.m__UCHAR__SessionNumber),
                           Field::Text("kind", CTarnwick_CliDiscWords::KindName(l__Entry)), Field::Text("mode", l__string__Mode),
                           Field::Number("start", l__LONG__Start), Field::Number("end", l__LONG__End),
                           Field::Number("blocks", l__LONGLONG__Blocks), Field::Number("block_bytes", l__ULONG__BlockBytes),
                           Field::Number("bytes", l__LONGLONG__Blocks * l__ULONG__BlockBytes)},
                          std::string(l__CHAR__Line).append(BlocksText(static_cast<unsigned long long>(l__LONGLONG__Blocks), l__ULONG__BlockBytes)));
    }
}

}  // namespace

int CTarnwick_CliInfo::Run(const std::string& p__string__Subcommand, const std::vector<std::string>& p__Arguments) {
    CTarnwick_CliArguments l__Arguments;
    if (!l__Arguments.ParseWithoutFiles(p__string__Subcommand, p__Arguments, {}, Usage(p__string__Subcommand)))
        return CTarnwick_CliArguments::USAGE_ERROR;
    CTarnwick_CliReporter l__Reporter(CTarnwick_CliReporter::Choose(l__Arguments.IsJson()));
    CTarnwick_CliDrive l__Drive;
    CTarnwick_CliFailure l__Failure;
    if (!l__Drive.Open("info", l__Arguments.Value("--drive"), CTarnwick_CliReporter::Callback, &l__Reporter, &l__Failure)) {
        l__Reporter.Fail(l__Failure);
        return l__Failure.ExitCode();
    }
    DISC_INFORMATION l__Disc{};
    if (!CTarnwick_CliDiscReady::Read(l__Drive, "info", l__Disc, &l__Failure)) {
        l__Reporter.Fail(l__Failure);
        return l__Failure.ExitCode();
    }
    ULONG l__ULONG__Number = 0;
    const ULONG l__ULONG__Type = l__Drive.DiscType();
    const UCHAR l__UCHAR__Status = l__Disc.m__UCHAR__DiscStatus;
    const bool l__bool__Blank = (l__UCHAR__Status & 0x03) == 0;

    // A blank disc has no table of contents to read.
    auto l__Toc = std::make_unique<TOC_INFORMATION>();
    if (!l__bool__Blank) {
        l__Drive.Clear();
        l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_ReadTOC(l__Drive.Burner(), l__Drive.m__CHAR__Text, sizeof(l__Drive.m__CHAR__Text),
                                                              &l__Drive.m__ULONG__Status, &l__Drive.m__Info, l__Toc.get());
        if (l__ULONG__Number != 0) {
            l__Reporter.Fail(l__Drive.Failure("info", l__ULONG__Number));
            return static_cast<int>(l__ULONG__Number);
        }
    }
    const unsigned l__unsigned__Sessions = l__bool__Blank ? 0 : l__Toc->m__UCHAR__LastSessionNumber;
    const unsigned l__unsigned__Tracks = l__bool__Blank ? 0 : l__Toc->m__UCHAR__NumberOfTracks;
    const bool l__bool__Erasable = l__Disc.m__UCHAR__Erasable != 0;
    std::string l__string__Text = l__Drive.Name();
    l__string__Text.append(": ").append(CTarnwick_CliDiscType::Name(l__ULONG__Type)).append(", ");
    l__string__Text.append(CTarnwick_CliDiscWords::StatusName(l__UCHAR__Status));
    if (l__bool__Erasable) l__string__Text.append(", erasable");
    l__string__Text.append("\nsessions: ").append(std::to_string(l__unsigned__Sessions));
    l__string__Text.append(", tracks: ").append(std::to_string(l__unsigned__Tracks));
    l__Reporter.Event("medium",
                      {Field::Text("drive", l__Drive.Name()), Field::Text("type", CTarnwick_CliDiscType::Name(l__ULONG__Type)),
                       Field::Number("type_number", l__ULONG__Type),
                       Field::Text("status", CTarnwick_CliDiscWords::StatusName(l__UCHAR__Status)),
                       Field::Text("last_session", CTarnwick_CliDiscWords::SessionStateName(l__Disc.m__UCHAR__LastSessionState)),
                       Field::Flag("erasable", l__bool__Erasable), Field::Number("sessions", l__unsigned__Sessions),
                       Field::Number("tracks", l__unsigned__Tracks)},
                      l__string__Text);
    if (!l__bool__Blank) TellTracks(*l__Toc, l__Reporter);

    // The free space: the blocks of the invisible track, none on a closed disc.
    unsigned long long l__Free = 0;
    if ((l__UCHAR__Status & 0x03) != 2) {
        TRACK_INFORMATION l__Track{};
        l__Drive.Clear();
        l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_GetTrackInformation(l__Drive.Burner(), l__Drive.m__CHAR__Text,
                                                                          sizeof(l__Drive.m__CHAR__Text), &l__Drive.m__ULONG__Status,
                                                                          &l__Drive.m__Info, 255, &l__Track);
        if (l__ULONG__Number != 0) {
            l__Reporter.Fail(l__Drive.Failure("info", l__ULONG__Number));
            return static_cast<int>(l__ULONG__Number);
        }
        l__Free = l__Track.m__ULONG__FreeBlocks;
    }
    // Free space is counted in 2048-byte blocks, the user data of a data block, on every medium.
    const unsigned long long l__Bytes = l__Free * 2048ull;
    l__Reporter.Event("free",
                      {Field::Number("blocks", static_cast<long long>(l__Free)), Field::Number("bytes", static_cast<long long>(l__Bytes)),
                       Field::Real("mb", static_cast<double>(l__Bytes) / 1e6)},
                      std::string("free: ").append(BlocksText(l__Free, 2048)));
    return 0;
}

const char* CTarnwick_CliInfo::Usage(const std::string&) {
    return "Usage: tarnwick info [--drive D] [--json]\n"
           "Tells the medium in the drive: its type, its status (blank, appendable, closed or\n"
           "overwritable) and whether it can be erased; the sessions and tracks of its table of contents\n"
           "(number, session, audio or data, mode, first and last block, size); and its free space in\n"
           "blocks of 2048 bytes and in MB. An open tray is closed first.\n"
           "With --json: a \"medium\" event, a \"track\" event per track and a \"free\" event.\n"
           "No medium: exit code 7 (drive not ready).\n";
}
