#include "CTarnwick_GrabCommandLine.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "CTarnwick_ToolDrive.h"

namespace {

// A whole decimal number, with a leading minus for a negative one, within the bounds.
bool ParseNumber(const std::string& p__string__Text, long p__long__Minimum, long p__long__Maximum, long& p__long__Value) {
    const size_t l__SIZE__Digits = !p__string__Text.empty() && p__string__Text[0] == '-' ? 1 : 0;
    if (p__string__Text.size() == l__SIZE__Digits ||
        p__string__Text.find_first_not_of("0123456789", l__SIZE__Digits) != std::string::npos) {
        return false;
    }
    char* l__PCHAR__End = nullptr;
    errno = 0;
    const long l__long__Value = std::strtol(p__string__Text.c_str(), &l__PCHAR__End, 10);
    if (errno != 0 || *l__PCHAR__End != '\0' || l__long__Value < p__long__Minimum || l__long__Value > p__long__Maximum) {
        return false;
    }
    p__long__Value = l__long__Value;
    return true;
}

}  // namespace

bool CTarnwick_GrabCommandLine::ParseSize(const std::string& p__string__Text, ULONGLONG& p__ULONGLONG__Size) {
    std::string l__string__Digits = p__string__Text;
    ULONGLONG l__ULONGLONG__Unit = 1;
    if (!l__string__Digits.empty()) {
        switch (l__string__Digits.back()) {
            case 'K': case 'k': l__ULONGLONG__Unit = 1ULL << 10; break;
            case 'M': case 'm': l__ULONGLONG__Unit = 1ULL << 20; break;
            case 'G': case 'g': l__ULONGLONG__Unit = 1ULL << 30; break;
            default: break;
        }
        if (l__ULONGLONG__Unit != 1) l__string__Digits.pop_back();
    }
    if (l__string__Digits.empty() || l__string__Digits.size() > 15 ||
        l__string__Digits.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    p__ULONGLONG__Size = std::stoull(l__string__Digits) * l__ULONGLONG__Unit;
    return true;
}

const char* CTarnwick_GrabCommandLine::Usage() {
    return "Usage: tarnwick-grab [--drive N] (--track N | --range FIRST LAST | --disc | --disc-split SIZE)\n"
           "                     [--retries N] [--ignore-errors] [--single-blocks] OUTPUT\n"
           "Copies the user data of a track, or of the blocks FIRST to LAST (LBAs inside one track), of the\n"
           "disc in the drive into OUTPUT: 2048 bytes a block of a data track or a DVD, 2352 of audio, 2324\n"
           "of Mode 2 Form 2. A whole audio track becomes a WAV file. OUTPUT is replaced only when the\n"
           "grab succeeds; a failed grab leaves no file and an older file of that name as it was.\n"
           "With --disc a CD becomes a raw image of its first session (2352 bytes of every sector and\n"
           "96 of its P-W sub-channel, from track 1 to the lead-out) and its MDS descriptor, named\n"
           "OUTPUT with .mds for its extension; a DVD becomes an ISO image.\n"
           "The drive's tray is closed first.\n"
           "\n"
           "Options:\n"
           "  --drive N          the N-th CD/DVD drive the toolkit finds (default 0, the first);\n"
           "                     TARNWICK_DRIVES chooses the drives besides the machine's own\n"
           "  --track N          the track N (from 1)\n"
           "  --range FIRST LAST the blocks FIRST to LAST of one track\n"
           "  --disc             the whole disc\n"
           "  --disc-split SIZE  a whole DVD in parts OUTPUT.001, OUTPUT.002... of SIZE bytes (K, M or G\n"
           "                     after the number: KiB, MiB, GiB; a multiple of 2048)\n"
           "  --retries N        read a block that fails N more times (default 0, at most 100); a piece\n"
           "                     that fails is always read again block by block once\n"
           "  --ignore-errors    write zeros for blocks that stay unreadable and go on; they are listed\n"
           "                     at the end\n"
           "  --single-blocks    read one block a command\n"
           "  -h, --help         this text\n"
           "\n"
           "Progress goes to standard error as a percentage with the blocks read per second.\n"
           "Exit code: 0; the toolkit's failure number, with its text on standard error; 87 for a\n"
           "usage error.\n";
}

bool CTarnwick_GrabCommandLine::Fail(const std::string& p__string__Error) {
    m__string__Error = p__string__Error;
    return false;
}

bool CTarnwick_GrabCommandLine::Parse(const std::vector<std::string>& p__Arguments) {
    bool l__bool__OptionsEnded = false;
    std::vector<std::string> l__Outputs;
    int l__int__Kinds = 0;  // --track, --range, --disc and --disc-split given
    for (size_t l__SIZE__At = 0; l__SIZE__At < p__Arguments.size(); ++l__SIZE__At) {
        const std::string& l__string__Argument = p__Arguments[l__SIZE__At];
        // The values an option takes, or a failure when the command line ends before them.
        auto l__Values = [&](size_t p__SIZE__Count) { return l__SIZE__At + p__SIZE__Count < p__Arguments.size(); };
        if (l__bool__OptionsEnded || l__string__Argument.empty() || l__string__Argument[0] != '-' ||
            l__string__Argument == "-") {
            l__Outputs.push_back(l__string__Argument);
        } else if (l__string__Argument == "--") {
            l__bool__OptionsEnded = true;
        } else if (l__string__Argument == "--help" || l__string__Argument == "-h") {
            m__bool__Help = true;
            return true;
        } else if (l__string__Argument == "--ignore-errors") {
            m__BOOLEAN__Ignore = 1;
        } else if (l__string__Argument == "--single-blocks") {
            m__BOOLEAN__Single = 1;
        } else if (l__string__Argument == "--drive") {
            if (!l__Values(1)) return Fail("--drive needs a number");
            const std::string& l__string__Value = p__Arguments[++l__SIZE__At];
            if (!CTarnwick_ToolDrive::ParseNumber(l__string__Value, m__ulong__Drive)) {
                return Fail("bad --drive value '" + l__string__Value + "'");
            }
        } else if (l__string__Argument == "--track") {
            ++l__int__Kinds;
            if (!l__Values(1)) return Fail("--track needs a number");
            const std::string& l__string__Value = p__Arguments[++l__SIZE__At];
            long l__long__Track = 0;
            if (!ParseNumber(l__string__Value, 1, 99, l__long__Track)) {
                return Fail("bad --track value '" + l__string__Value + "': 1 to 99");
            }
            m__UCHAR__Track = static_cast<UCHAR>(l__long__Track);
        } else if (l__string__Argument == "--range") {
            ++l__int__Kinds;
            if (!l__Values(2)) return Fail("--range needs two LBAs");
            const std::string& l__string__First = p__Arguments[++l__SIZE__At];
            const std::string& l__string__Last = p__Arguments[++l__SIZE__At];
            long l__long__First = 0, l__long__Last = 0;
            if (!ParseNumber(l__string__First, INT32_MIN, INT32_MAX, l__long__First) ||
                !ParseNumber(l__string__Last, INT32_MIN, INT32_MAX, l__long__Last)) {
                return Fail("bad --range values '" + l__string__First + "' '" + l__string__Last + "'");
            }
            if (l__long__Last < l__long__First) return Fail("--range ends before it starts");
            m__bool__IsRange = true;
            m__LONG__First = static_cast<LONG>(l__long__First);
            m__LONG__Last = static_cast<LONG>(l__long__Last);
        } else if (l__string__Argument == "--disc") {
            ++l__int__Kinds;
            m__bool__IsDisc = true;
        } else if (l__string__Argument == "--disc-split") {
            ++l__int__Kinds;
            if (!l__Values(1)) return Fail("--disc-split needs a size");
            const std::string& l__string__Value = p__Arguments[++l__SIZE__At];
            if (!ParseSize(l__string__Value, m__ULONGLONG__PartSize) || m__ULONGLONG__PartSize == 0 ||
                m__ULONGLONG__PartSize % 2048 != 0) {
                return Fail("bad --disc-split size '" + l__string__Value + "': a multiple of 2048 bytes");
            }
            m__bool__IsDisc = true;
        } else if (l__string__Argument == "--retries") {
            if (!l__Values(1)) return Fail("--retries needs a number");
            const std::string& l__string__Value = p__Arguments[++l__SIZE__At];
            long l__long__Retries = 0;
            if (!ParseNumber(l__string__Value, 0, static_cast<long>(MAXIMUM_RETRIES), l__long__Retries)) {
                return Fail("bad --retries value '" + l__string__Value + "': 0 to " + std::to_string(MAXIMUM_RETRIES));
            }
            m__ULONG__Retries = static_cast<ULONG>(l__long__Retries);
        } else {
            return Fail("unknown option '" + l__string__Argument + "'");
        }
    }
    if (l__int__Kinds != 1) {
        return Fail("give one of --track, --range, --disc and --disc-split");
    }
    if (l__Outputs.size() != 1) return Fail("give one output file");
    if (l__Outputs[0].empty()) return Fail("the output file name is empty");
    m__string__Output = l__Outputs[0];
    return true;
}
