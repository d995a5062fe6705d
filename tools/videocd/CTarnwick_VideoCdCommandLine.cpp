#include "CTarnwick_VideoCdCommandLine.h"

#include "CTarnwick_ToolDrive.h"

bool CTarnwick_VideoCdCommandLine::Fail(const std::string& p__string__Error) {
    m__string__Error = p__string__Error;
    return false;
}

bool CTarnwick_VideoCdCommandLine::ParseVolume(const std::string& p__string__Text, USHORT& p__USHORT__Value) {
    if (p__string__Text.empty() || p__string__Text.size() > 5 ||
        p__string__Text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const unsigned long l__ulong__Value = std::stoul(p__string__Text);
    if (l__ulong__Value == 0 || l__ulong__Value > 65535) return false;
    p__USHORT__Value = static_cast<USHORT>(l__ulong__Value);
    return true;
}

bool CTarnwick_VideoCdCommandLine::Parse(const std::vector<std::string>& p__Arguments) {
    for (size_t l__size_t__At = 0; l__size_t__At < p__Arguments.size(); ++l__size_t__At) {
        const std::string& l__string__Argument = p__Arguments[l__size_t__At];
        // The value of an option that takes one.
        auto l__Value = [&](std::string& p__string__Value) {
            if (l__size_t__At + 1 >= p__Arguments.size()) return false;
            p__string__Value = p__Arguments[++l__size_t__At];
            return true;
        };
        std::string l__string__Value;
        if (l__string__Argument == "--help" || l__string__Argument == "-h") {
            m__bool__Help = true;
            return true;
        } else if (l__string__Argument == "--svcd") {
            m__bool__Super = true;
        } else if (l__string__Argument == "--sao") {
            m__ULONG__WriteMode = 1;
        } else if (l__string__Argument == "--test") {
            m__BOOLEAN__Test = 1;
        } else if (l__string__Argument == "--drive") {
            if (!l__Value(l__string__Value) || !CTarnwick_ToolDrive::ParseNumber(l__string__Value, m__ulong__Drive))
                return Fail("--drive takes a drive number");
        } else if (l__string__Argument == "-l" || l__string__Argument == "--label") {
            if (!l__Value(m__string__Label)) return Fail(l__string__Argument + " takes a label");
        } else if (l__string__Argument == "--volume-count") {
            if (!l__Value(l__string__Value) || !ParseVolume(l__string__Value, m__USHORT__VolumeCount))
                return Fail("--volume-count takes a number from 1 to 65535");
        } else if (l__string__Argument == "--volume-number") {
            if (!l__Value(l__string__Value) || !ParseVolume(l__string__Value, m__USHORT__VolumeNumber))
                return Fail("--volume-number takes a number from 1 to 65535");
        } else if (!l__string__Argument.empty() && l__string__Argument[0] == '-') {
            return Fail("unknown option " + l__string__Argument);
        } else if (!m__string__MpegFile.empty()) {
            return Fail("one MPEG file only");
        } else {
            m__string__MpegFile = l__string__Argument;
        }
    }
    if (m__string__MpegFile.empty()) return Fail("no MPEG file given");
    if (m__USHORT__VolumeNumber > m__USHORT__VolumeCount) return Fail("the volume number is above the volume count");
    return true;
}

const char* CTarnwick_VideoCdCommandLine::Usage() {
    return "usage: tarnwick-videocd [OPTIONS] MPEG\n"
           "Burns a VideoCD (an MPEG-1 stream, as `ffmpeg -target ntsc-vcd` or pal-vcd makes it) or, with\n"
           "--svcd, a Super VideoCD (MPEG-2, `-target ntsc-svcd`) onto a blank CD: a data track from the\n"
           "template Tarnwick_VideoCD.ISO or Tarnwick_SuperVideoCD.ISO (the current directory's, else the\n"
           "data directory's) and the MPEG track. A file ARCHIVE.dat in the current directory fills the\n"
           "template's archive sector.\n"
           "  --svcd               a Super VideoCD\n"
           "  --sao                write Session-At-Once (default: Track-At-Once, then the session closed)\n"
           "  -l, --label TEXT     the disc label and album text (default VIDEOCD)\n"
           "  --volume-count N     discs in the album (default 1)\n"
           "  --volume-number N    this disc's number in the album (default 1)\n"
           "  --drive N            the drive (default 0, the first the toolkit finds)\n"
           "  --test               a test write: nothing is recorded\n"
           "  --help               this text\n"
           "Exit code: 0, or the toolkit's failure number; 87 for a usage error.\n";
}
