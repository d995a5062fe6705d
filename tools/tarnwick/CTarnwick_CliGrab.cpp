#include "CTarnwick_CliGrab.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#include "CTarnwick_CliArguments.h"
#include "CTarnwick_CliBurn.h"
#include "CTarnwick_CliDiscReady.h"
#include "CTarnwick_CliDiscType.h"
#include "CTarnwick_CliDiscWords.h"
#include "CTarnwick_CliDrive.h"
#include "CTarnwick_CliFailure.h"
#include "CTarnwick_CliReporter.h"

namespace {

using Field = CTarnwick_CliReporter::Field;

constexpr unsigned long long MAXIMUM_RETRIES = 100;
constexpr ULONG RAW_BLOCK_BYTES = 2448;  // 2352 bytes of the sector and 96 of raw P-W sub-channel
constexpr ULONG DVD_BLOCK_BYTES = 2048;

// What to grab, as the command line asks for it.
struct Request {
    enum class Kind { Track, Range, Disc } m__Kind = Kind::Disc;
    unsigned long long m__Track = 0;
    LONG m__LONG__First = 0, m__LONG__Last = 0;
    ULONGLONG m__ULONGLONG__PartSize = 0;  // a DVD in parts of this size; 0: one file
    ULONG m__ULONG__Retries = 0;
    BOOLEAN m__BOOLEAN__IgnoreErrors = FALSE;
    BOOLEAN m__BOOLEAN__SingleBlocks = FALSE;
    std::string m__string__Output;
    bool m__bool__Copy = false;  // tarnwick copy: a CD only, into an MDS/MDF pair
};

// The callback's context: the reporter, and what the grab met on the way.
struct GrabWatch {
    CTarnwick_CliReporter* m__Reporter = nullptr;
    unsigned long long m__BadBlocks = 0;
    LONGLONG m__LONGLONG__Total = 0;
};

void Callback(ULONG p__ULONG__Reason, PVOID p__PVOID__Context, PVOID p__PVOID__Parameter1, PVOID p__PVOID__Parameter2) {
    auto* l__Watch = static_cast<GrabWatch*>(p__PVOID__Context);
    if (l__Watch == nullptr) return;
    if (p__ULONG__Reason == BAD_SECTOR_DETECTED && p__PVOID__Parameter2 != nullptr)
        l__Watch->m__BadBlocks += *static_cast<const ULONG*>(p__PVOID__Parameter2);
    if (p__ULONG__Reason == GRAB_PROGRESS && p__PVOID__Parameter1 != nullptr) {
        // A piece read again block by block reports its own progress (its blocks, counted from
        // its start): only the whole grab's moves the phase.
        const LONGLONG l__LONGLONG__Total = *static_cast<const LONGLONG*>(p__PVOID__Parameter1);
        if (l__LONGLONG__Total < l__Watch->m__LONGLONG__Total) return;
        l__Watch->m__LONGLONG__Total = l__LONGLONG__Total;
    }
    CTarnwick_CliReporter::Callback(p__ULONG__Reason, l__Watch->m__Reporter, p__PVOID__Parameter1, p__PVOID__Parameter2);
}

// "700M", "4G", "1048576": bytes, with K, M or G for 2^10, 2^20, 2^30.
bool ParseSize(const std::string& p__string__Text, ULONGLONG& p__ULONGLONG__Bytes) {
    std::string l__string__Digits = p__string__Text;
    unsigned l__unsigned__Shift = 0;
    if (!l__string__Digits.empty()) {
        switch (l__string__Digits.back()) {
            case 'K': case 'k': l__unsigned__Shift = 10; break;
            case 'M': case 'm': l__unsigned__Shift = 20; break;
            case 'G': case 'g': l__unsigned__Shift = 30; break;
            default: break;
        }
        if (l__unsigned__Shift != 0) l__string__Digits.pop_back();
    }
    unsigned long long l__Number = 0;
    // At most 2^40 units: the product stays far inside 64 bits.
    if (!CTarnwick_CliArguments::ParseNumber(l__string__Digits, 1, 1ull << 40, l__Number)) return false;
    p__ULONGLONG__Bytes = l__Number << l__unsigned__Shift;
    return true;
}

// The descriptor GrabDisc writes beside a CD's raw image: the image's name with ".mds" for
// its extension (added when it has none; a leading dot is no extension).
std::string DescriptorName(const std::string& p__string__Image) {
    const size_t l__SIZE__Slash = p__string__Image.find_last_of('/');
    const size_t l__SIZE__Dot = p__string__Image.find_last_of('.');
    const bool l__bool__HasExtension = l__SIZE__Dot != std::string::npos && l__SIZE__Dot != 0 &&
                                       (l__SIZE__Slash == std::string::npos || l__SIZE__Dot > l__SIZE__Slash + 1);
    std::string l__string__Descriptor = l__bool__HasExtension ? p__string__Image.substr(0, l__SIZE__Dot) : p__string__Image;
    return l__string__Descriptor.append(".mds");
}

int UsageError(const std::string& p__string__Subcommand, const std::string& p__string__Error) {
    return CTarnwick_CliArguments::UsageError(p__string__Subcommand, p__string__Error, CTarnwick_CliGrab::Usage(p__string__Subcommand));
}

// The grab's size: p__Blocks blocks of p__BlockBytes bytes. False (the grab is left to fail
// in the flat call, which says why) when the table of contents has no such blocks.
struct Extent {
    unsigned long long m__Blocks = 0;
    ULONG m__ULONG__BlockBytes = DVD_BLOCK_BYTES;
};

bool Measure(const Request& p__Request, const TOC_INFORMATION& p__Toc, bool p__bool__IsCd, Extent& p__Extent,
             bool& p__bool__SessionsLeft) {
    const unsigned l__unsigned__Tracks = p__Toc.m__UCHAR__NumberOfTracks < TOC_MAXIMUM_TRACKS ? p__Toc.m__UCHAR__NumberOfTracks
                                                                                              : TOC_MAXIMUM_TRACKS;
    p__bool__SessionsLeft = false;
    if (l__unsigned__Tracks == 0) return false;
    switch (p__Request.m__Kind) {
        case Request::Kind::Track: {
            if (p__Request.m__Track == 0 || p__Request.m__Track > l__unsigned__Tracks) return false;
            const TOC_TRACK_ENTRY l__Entry = p__Toc.m__TOC_TRACK_ENTRY__Tracks[p__Request.m__Track - 1];
            if (l__Entry.m__LONG__EndLBA < l__Entry.m__LONG__StartLBA) return false;
            p__Extent.m__Blocks = static_cast<unsigned long long>(l__Entry.m__LONG__EndLBA - l__Entry.m__LONG__StartLBA) + 1;
            p__Extent.m__ULONG__BlockBytes = l__Entry.m__ULONG__BytesPerBlock;
            return true;
        }
        case Request::Kind::Range:
            for (unsigned i = 0; i < l__unsigned__Tracks; ++i) {
                const TOC_TRACK_ENTRY l__Entry = p__Toc.m__TOC_TRACK_ENTRY__Tracks[i];
                if (l__Entry.m__LONG__StartLBA > p__Request.m__LONG__First || l__Entry.m__LONG__EndLBA < p__Request.m__LONG__Last) continue;
                p__Extent.m__Blocks = static_cast<unsigned long long>(p__Request.m__LONG__Last - p__Request.m__LONG__First) + 1;
                p__Extent.m__ULONG__BlockBytes = l__Entry.m__ULONG__BytesPerBlock;
                return true;
            }
            return false;
        case Request::Kind::Disc: {
            const TOC_TRACK_ENTRY l__First = p__Toc.m__TOC_TRACK_ENTRY__Tracks[0];
            unsigned l__unsigned__Last = l__unsigned__Tracks - 1;
            if (p__bool__IsCd) {
                // A CD's raw copy holds its first session.
                l__unsigned__Last = 0;
                while (l__unsigned__Last + 1 < l__unsigned__Tracks &&
                       p__Toc.m__TOC_TRACK_ENTRY__Tracks[l__unsigned__Last + 1].m__UCHAR__SessionNumber <= 1)
                    ++l__unsigned__Last;
                p__bool__SessionsLeft = p__Toc.m__UCHAR__LastSessionNumber > 1;
            }
            const LONG l__LONG__End = p__Toc.m__TOC_TRACK_ENTRY__Tracks[l__unsigned__Last].m__LONG__EndLBA;
            if (l__LONG__End < l__First.m__LONG__StartLBA) return false;
            p__Extent.m__Blocks = static_cast<unsigned long long>(l__LONG__End - l__First.m__LONG__StartLBA) + 1;
            p__Extent.m__ULONG__BlockBytes = p__bool__IsCd ? RAW_BLOCK_BYTES : DVD_BLOCK_BYTES;
            return true;
        }
    }
    return false;
}

// The files a successful grab wrote.
std::vector<std::string> Written(const Request& p__Request, bool p__bool__IsCd) {
    if (p__Request.m__Kind != Request::Kind::Disc) return {p__Request.m__string__Output};
    if (p__bool__IsCd) return {p__Request.m__string__Output, DescriptorName(p__Request.m__string__Output)};
    if (p__Request.m__ULONGLONG__PartSize == 0) return {p__Request.m__string__Output};
    std::vector<std::string> l__Parts;
    for (unsigned i = 1; i < 1000; ++i) {
        char l__CHAR__Suffix[8];
        std::snprintf(l__CHAR__Suffix, sizeof(l__CHAR__Suffix), ".%03u", i);
        const std::string l__string__Part = p__Request.m__string__Output + l__CHAR__Suffix;
        std::error_code l__Error;
        if (!std::filesystem::exists(l__string__Part, l__Error)) break;
        l__Parts.push_back(l__string__Part);
    }
    return l__Parts;
}

int Grab(const std::string& p__string__Operation, const CTarnwick_CliArguments& p__Arguments, Request p__Request) {
    CTarnwick_CliReporter l__Reporter(CTarnwick_CliReporter::Choose(p__Arguments.IsJson()));
    GrabWatch l__Watch;
    l__Watch.m__Reporter = &l__Reporter;
    CTarnwick_CliDrive l__Drive;
    CTarnwick_CliFailure l__Failure;
    if (!l__Drive.Open(p__string__Operation, p__Arguments.Value("--drive"), Callback, &l__Watch, &l__Failure)) {
        l__Reporter.Fail(l__Failure);
        return l__Failure.ExitCode();
    }
    DISC_INFORMATION l__Disc{};
    if (!CTarnwick_CliDiscReady::Read(l__Drive, p__string__Operation, l__Disc, &l__Failure)) {
        l__Reporter.Fail(l__Failure);
        return l__Failure.ExitCode();
    }
    auto l__Toc = std::make_unique<TOC_INFORMATION>();
    l__Drive.Clear();
    ULONG l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_ReadTOC(l__Drive.Burner(), l__Drive.m__CHAR__Text, sizeof(l__Drive.m__CHAR__Text),
                                                                &l__Drive.m__ULONG__Status, &l__Drive.m__Info, l__Toc.get());
    if (l__ULONG__Number != 0) {
        l__Reporter.Fail(l__Drive.Failure(p__string__Operation, l__ULONG__Number));
        return static_cast<int>(l__ULONG__Number);
    }
    const ULONG l__ULONG__Type = l__Drive.DiscType();
    const bool l__bool__IsCd = l__Toc->m__UCHAR__IsDVD == 0;

    // What the flat calls would refuse, told with what to do instead.
    std::string l__string__Refusal, l__string__Remedy;
    ULONG l__ULONG__Refusal = EXCEPTION_NUMBER_MEDIA_OR_DATA;
    if (p__Request.m__bool__Copy && !l__bool__IsCd) {
        l__string__Refusal = std::string("the disc is a ").append(CTarnwick_CliDiscType::Name(l__ULONG__Type)).append(
            ": an MDS/MDF copy is made of a CD");
        l__string__Remedy = "grab a DVD or BD into an ISO image: tarnwick grab --disc OUT.iso";
    } else if (p__Request.m__ULONGLONG__PartSize != 0 && l__bool__IsCd) {
        l__string__Refusal = "a CD is not grabbed in parts";
        l__string__Remedy = "grab it whole: tarnwick grab --disc OUT.mdf (its .mds is written beside it)";
    } else if (p__Request.m__Kind == Request::Kind::Disc && l__bool__IsCd &&
               DescriptorName(p__Request.m__string__Output) == p__Request.m__string__Output) {
        l__ULONG__Refusal = EXCEPTION_NUMBER_INVALID_PARAMETER;
        l__string__Refusal = "the raw image of a CD cannot be named .mds: its descriptor takes that name";
        l__string__Remedy = "name the image (OUT.mdf), or use tarnwick copy OUT.mds";
    } else if (p__Request.m__Kind == Request::Kind::Track && p__Request.m__Track > l__Toc->m__UCHAR__NumberOfTracks) {
        l__ULONG__Refusal = EXCEPTION_NUMBER_INVALID_PARAMETER;
        l__string__Refusal = std::string("there is no track ").append(std::to_string(p__Request.m__Track)).append(": the disc has ").append(
            std::to_string(l__Toc->m__UCHAR__NumberOfTracks)).append(" track(s)");
        l__string__Remedy = "`tarnwick info` lists the tracks";
    }
    if (!l__string__Refusal.empty()) {
        const CTarnwick_CliFailure l__Refused(p__string__Operation, l__Drive.Name(), l__ULONG__Refusal, l__string__Refusal,
                                              l__string__Remedy);
        l__Reporter.Fail(l__Refused);
        return l__Refused.ExitCode();
    }

    Extent l__Extent;
    bool l__bool__SessionsLeft = false;
    const bool l__bool__Measured = Measure(p__Request, *l__Toc, l__bool__IsCd, l__Extent, l__bool__SessionsLeft);
    if (l__bool__SessionsLeft) {
        l__Reporter.Event("note", {Field::Text("text", "only the first session is copied")},
                          std::string("the disc has ").append(std::to_string(l__Toc->m__UCHAR__LastSessionNumber)).append(
                              " sessions: only the first is copied"));
    }
    if (l__bool__Measured)
        l__Reporter.BeginPhase("grab", l__Extent.m__Blocks, l__Extent.m__ULONG__BlockBytes,
                               CTarnwick_CliDiscType::BytesPerX(l__ULONG__Type, l__Extent.m__ULONG__BlockBytes));

    std::string l__string__Output = p__Request.m__string__Output;
    l__Drive.Clear();
    switch (p__Request.m__Kind) {
        case Request::Kind::Track:
            l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_GrabTrack(
                l__Drive.Burner(), l__Drive.m__CHAR__Text, sizeof(l__Drive.m__CHAR__Text), &l__Drive.m__ULONG__Status,
                &l__Drive.m__Info, static_cast<UCHAR>(p__Request.m__Track), l__string__Output.data(), p__Request.m__ULONG__Retries,
                p__Request.m__BOOLEAN__IgnoreErrors, p__Request.m__BOOLEAN__SingleBlocks, 1);
            break;
        case Request::Kind::Range:
            l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_GrabRange(
                l__Drive.Burner(), l__Drive.m__CHAR__Text, sizeof(l__Drive.m__CHAR__Text), &l__Drive.m__ULONG__Status,
                &l__Drive.m__Info, p__Request.m__LONG__First, p__Request.m__LONG__Last, l__string__Output.data(),
                p__Request.m__ULONG__Retries, p__Request.m__BOOLEAN__IgnoreErrors, p__Request.m__BOOLEAN__SingleBlocks, 1);
            break;
        case Request::Kind::Disc:
            if (p__Request.m__ULONGLONG__PartSize != 0) {
                l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_GrabDiscSplit(
                    l__Drive.Burner(), l__Drive.m__CHAR__Text, sizeof(l__Drive.m__CHAR__Text), &l__Drive.m__ULONG__Status,
                    &l__Drive.m__Info, l__string__Output.data(), p__Request.m__ULONG__Retries, p__Request.m__BOOLEAN__IgnoreErrors,
                    p__Request.m__BOOLEAN__SingleBlocks, 1, p__Request.m__ULONGLONG__PartSize);
            } else {
                l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_GrabDisc(
                    l__Drive.Burner(), l__Drive.m__CHAR__Text, sizeof(l__Drive.m__CHAR__Text), &l__Drive.m__ULONG__Status,
                    &l__Drive.m__Info, l__string__Output.data(), p__Request.m__ULONG__Retries, p__Request.m__BOOLEAN__IgnoreErrors,
                    p__Request.m__BOOLEAN__SingleBlocks, 1);
            }
            break;
    }
    if (l__bool__Measured) l__Reporter.EndPhase(l__ULONG__Number == 0);
    if (l__Watch.m__BadBlocks != 0) {
        l__Reporter.Event("bad-blocks", {Field::Number("blocks", static_cast<long long>(l__Watch.m__BadBlocks))},
                          std::to_string(l__Watch.m__BadBlocks).append(" unreadable block(s) written as zeros"));
    }
    if (l__ULONG__Number != 0) {
        l__Reporter.Fail(l__Drive.Failure(p__string__Operation, l__ULONG__Number));
        if (l__ULONG__Number == EXCEPTION_NUMBER_MEDIA_OR_DATA && !p__Request.m__BOOLEAN__IgnoreErrors)
            l__Reporter.Note("a block could not be read: --retries N reads it again, --ignore-errors writes it as zeros and goes on");
        return static_cast<int>(l__ULONG__Number);
    }
    for (const std::string& l__string__File : Written(p__Request, l__bool__IsCd)) {
        std::error_code l__Error;
        const auto l__Size = std::filesystem::file_size(l__string__File, l__Error);
        const unsigned long long l__Bytes = l__Error ? 0 : static_cast<unsigned long long>(l__Size);
        l__Reporter.Event("written", {Field::Text("file", l__string__File), Field::Number("bytes", static_cast<long long>(l__Bytes))},
                          std::string("written: ").append(l__string__File).append(" (").append(CTarnwick_CliReporter::Size(l__Bytes)).append(")"));
    }
    return 0;
}

// tarnwick grab's command line into a request; the usage error, empty when there is none.
std::string ParseGrab(const CTarnwick_CliArguments& p__Arguments, Request& p__Request) {
    const int l__int__Choices = (p__Arguments.Has("--track") ? 1 : 0) + (p__Arguments.Has("--range") ? 1 : 0) +
                                (p__Arguments.Has("--disc") ? 1 : 0);
    if (l__int__Choices > 1) return "choose one of --track, --range and --disc";
    if (p__Arguments.Has("--track")) {
        p__Request.m__Kind = Request::Kind::Track;
        if (!CTarnwick_CliArguments::ParseNumber(p__Arguments.Value("--track"), 1, 99, p__Request.m__Track))
            return "--track takes a track number from 1 to 99";
    } else if (p__Arguments.Has("--range")) {
        p__Request.m__Kind = Request::Kind::Range;
        const std::string l__string__Range = p__Arguments.Value("--range");
        const size_t l__SIZE__Dash = l__string__Range.find('-');
        unsigned long long l__First = 0, l__Last = 0;
        if (l__SIZE__Dash == std::string::npos ||
            !CTarnwick_CliArguments::ParseNumber(l__string__Range.substr(0, l__SIZE__Dash), 0, 0x7FFFFFFF, l__First) ||
            !CTarnwick_CliArguments::ParseNumber(l__string__Range.substr(l__SIZE__Dash + 1), 0, 0x7FFFFFFF, l__Last))
            return "--range takes FIRST-LAST, two block addresses";
        if (l__Last < l__First) return "--range: the last block comes before the first";
        p__Request.m__LONG__First = static_cast<LONG>(l__First);
        p__Request.m__LONG__Last = static_cast<LONG>(l__Last);
    }
    if (p__Arguments.Has("--split")) {
        if (p__Request.m__Kind != Request::Kind::Disc) return "--split goes with the whole disc, not --track or --range";
        if (!ParseSize(p__Arguments.Value("--split"), p__Request.m__ULONGLONG__PartSize) ||
            p__Request.m__ULONGLONG__PartSize % DVD_BLOCK_BYTES != 0)
            return "--split takes a size in bytes (K, M, G for 2^10, 2^20, 2^30) that is a multiple of 2048";
    }
    return "";
}

}  // namespace

int CTarnwick_CliGrab::Run(const std::string& p__string__Subcommand, const std::vector<std::string>& p__Arguments) {
    const bool l__bool__Copy = p__string__Subcommand == "copy";
    CTarnwick_CliArguments l__Arguments;
    const bool l__bool__Parsed =
        l__bool__Copy ? l__Arguments.Parse(p__Arguments, {"--to-disc", "--test", "--ignore-errors", "--single-blocks"}, {"--retries"})
                      : l__Arguments.Parse(p__Arguments, {"--disc", "--ignore-errors", "--single-blocks"},
                                           {"--track", "--range", "--retries", "--split"});
    if (!l__bool__Parsed) return UsageError(p__string__Subcommand, l__Arguments.Error());
    if (l__Arguments.Positional().size() != 1)
        return UsageError(p__string__Subcommand, l__Arguments.Positional().empty() ? "the file is missing" : "one file only");
    const std::string& l__string__File = l__Arguments.Positional()[0];

    if (l__bool__Copy && l__Arguments.Has("--to-disc")) {
        // The pair onto a blank disc: a burn of the descriptor.
        if (l__Arguments.Has("--retries") || l__Arguments.Has("--ignore-errors") || l__Arguments.Has("--single-blocks"))
            return UsageError(p__string__Subcommand, "--retries, --ignore-errors and --single-blocks are for reading a disc");
        std::vector<std::string> l__Burn{l__string__File};
        if (l__Arguments.Has("--drive")) {
            l__Burn.push_back("--drive");
            l__Burn.push_back(l__Arguments.Value("--drive"));
        }
        if (l__Arguments.IsJson()) l__Burn.push_back("--json");
        if (l__Arguments.Has("--test")) l__Burn.push_back("--test");
        return CTarnwick_CliBurn::Run("burn", l__Burn);
    }
    if (l__bool__Copy && l__Arguments.Has("--test")) return UsageError(p__string__Subcommand, "--test goes with --to-disc");

    Request l__Request;
    l__Request.m__bool__Copy = l__bool__Copy;
    unsigned long long l__Retries = 0;
    if (l__Arguments.Has("--retries") &&
        !CTarnwick_CliArguments::ParseNumber(l__Arguments.Value("--retries"), 0, MAXIMUM_RETRIES, l__Retries))
        return UsageError(p__string__Subcommand, "--retries takes a number from 0 to 100");
    l__Request.m__ULONG__Retries = static_cast<ULONG>(l__Retries);
    l__Request.m__BOOLEAN__IgnoreErrors = l__Arguments.Has("--ignore-errors") ? TRUE : FALSE;
    l__Request.m__BOOLEAN__SingleBlocks = l__Arguments.Has("--single-blocks") ? TRUE : FALSE;
    if (l__bool__Copy) {
        // OUT.mds names the pair: the raw image is OUT.mdf beside it, and GrabDisc names the
        // descriptor after the image.
        const std::string l__string__Extension = ".mds";
        const size_t l__SIZE__Slash = l__string__File.find_last_of('/');
        const size_t l__SIZE__Stem = l__string__File.size() - l__string__Extension.size();
        if (l__string__File.size() <= l__string__Extension.size() ||
            l__string__File.compare(l__SIZE__Stem, l__string__Extension.size(), l__string__Extension) != 0 ||
            (l__SIZE__Slash != std::string::npos && l__SIZE__Slash + 1 >= l__SIZE__Stem))
            return UsageError(p__string__Subcommand, "the copy is named by its descriptor: NAME.mds");
        l__Request.m__string__Output = l__string__File.substr(0, l__SIZE__Stem).append(".mdf");
    } else {
        const std::string l__string__Error = ParseGrab(l__Arguments, l__Request);
        if (!l__string__Error.empty()) return UsageError(p__string__Subcommand, l__string__Error);
        l__Request.m__string__Output = l__string__File;
    }
    return Grab(p__string__Subcommand, l__Arguments, l__Request);
}

const char* CTarnwick_CliGrab::Usage(const std::string& p__string__Subcommand) {
    if (p__string__Subcommand == "copy") {
        return "Usage: tarnwick copy [--drive D] [--retries N] [--ignore-errors] [--single-blocks] [--json] OUT.mds\n"
               "       tarnwick copy [--drive D] [--test] [--json] --to-disc IN.mds\n"
               "The first copies the CD in the drive into an MDS/MDF pair: OUT.mdf, the raw image of its first\n"
               "session (2352 bytes of every sector and 96 of its P-W sub-channel), and OUT.mds, its\n"
               "descriptor. The second burns such a pair onto a blank CD (as tarnwick burn IN.mds does).\n"
               "  --retries N       how often an unreadable block is read again (0 to 100, default 0)\n"
               "  --ignore-errors   write a block that stays unreadable as zeros and go on\n"
               "  --single-blocks   read one block a command\n"
               "  --test            with --to-disc: a test write, nothing is recorded\n"
               "Nothing is put in place unless the whole copy succeeds.\n";
    }
    return "Usage: tarnwick grab [--drive D] [--track N | --range FIRST-LAST | --disc [--split SIZE]]\n"
           "                    [--retries N] [--ignore-errors] [--single-blocks] [--json] OUTPUT\n"
           "Reads from the disc in the drive into OUTPUT:\n"
           "  --track N         track N (from 1): a data track's user data (2048 bytes a block), an audio\n"
           "                    track as a WAV file\n"
           "  --range F-L       the blocks F to L (addresses inside one track), without a header\n"
           "  --disc            the whole disc (the default): a CD becomes a raw image of its first session\n"
           "                    (2448 bytes a block: the sector and its P-W sub-channel) named OUTPUT, with\n"
           "                    its MDS descriptor beside it (OUTPUT with .mds for its extension); a DVD or\n"
           "                    BD becomes an ISO image\n"
           "  --split SIZE      a DVD or BD in parts of SIZE bytes (K, M, G; a multiple of 2048) named\n"
           "                    OUTPUT.001, OUTPUT.002...\n"
           "  --retries N       how often an unreadable block is read again (0 to 100, default 0)\n"
           "  --ignore-errors   write a block that stays unreadable as zeros and go on (each is told)\n"
           "  --single-blocks   read one block a command\n"
           "An open tray is closed first. OUTPUT is replaced only when the grab succeeds.\n"
           "With --json: the \"grab\" phase's progress, \"bad-sector\" events and a \"written\" event per file.\n";
}
