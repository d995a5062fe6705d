// tarnwick-vcdtemplate: writes the data track template of a VideoCD or a Super VideoCD.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "CTarnwick_VideoCdTemplate.h"
#include "PlatformFile.h"
#include "PlatformOutputFile.h"

namespace {

const char* const g__PCHAR__Usage =
    "Usage: tarnwick-vcdtemplate vcd|svcd FILE\n"
    "Writes the data track (track 1) template of a VideoCD 2.0 (vcd) or a Super VideoCD 1.0\n"
    "(svcd): 600 sectors of 2,048 bytes of user data, an ISO9660 volume with CD-XA records\n"
    "that the toolkit loads and patches when it burns the MPEG stream as track 2.\n"
    "FILE is written beside its name and renamed over it only when whole.\n"
    "Exit status: 0 written, 1 FILE could not be written, 2 usage error.\n";

// Writes the image into a new file beside p__string__File and renames it over the name; on
// failure the new file is removed, a message names p__string__File, and the result is false.
bool WriteFile(const std::vector<UCHAR>& p__Image, const std::string& p__string__File) {
    std::string l__string__Temporary;
    const int l__INT__Handle = PlatformOutputFile::CreateBeside(p__string__File.c_str(), l__string__Temporary);
    if (l__INT__Handle < 0) {
        std::fprintf(stderr, "tarnwick-vcdtemplate: cannot create '%s': %s\n", p__string__File.c_str(),
                     std::strerror(errno));
        return false;
    }
    bool l__bool__Ok = PlatformOutputFile::Write(l__INT__Handle, p__Image.data(), p__Image.size()) ==
                           static_cast<int64_t>(p__Image.size()) &&
                       PlatformOutputFile::Flush(l__INT__Handle);
    int l__int__Error = errno;
    if (!PlatformOutputFile::Close(l__INT__Handle) && l__bool__Ok) {
        l__bool__Ok = false;
        l__int__Error = errno;
    }
    if (l__bool__Ok && !PlatformOutputFile::Publish(l__string__Temporary, p__string__File.c_str())) {
        l__bool__Ok = false;
        l__int__Error = errno;
    }
    if (!l__bool__Ok) {
        std::fprintf(stderr, "tarnwick-vcdtemplate: cannot write '%s': %s\n", p__string__File.c_str(),
                     std::strerror(l__int__Error));
        PlatformFile::Remove(l__string__Temporary.c_str());
    }
    return l__bool__Ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::string l__string__Help = g__PCHAR__Usage;
        l__string__Help.append("\nVideoCD layout (sector, contents, what the toolkit patches):\n");
        l__string__Help.append(CTarnwick_VideoCdTemplate::DescribeLayout(CTarnwick_VideoCdTemplate::Kind::VideoCd));
        l__string__Help.append("\nSuper VideoCD layout (sector, contents, what the toolkit patches):\n");
        l__string__Help.append(CTarnwick_VideoCdTemplate::DescribeLayout(CTarnwick_VideoCdTemplate::Kind::SuperVideoCd));
        l__string__Help.append("\nEvery other sector is zero; n is the count of 2,324-byte MPEG sectors.\n");
        std::fputs(l__string__Help.c_str(), stdout);
        return 0;
    }
    if (argc != 3 || (std::strcmp(argv[1], "vcd") != 0 && std::strcmp(argv[1], "svcd") != 0) || argv[2][0] == '\0') {
        std::fprintf(stderr, "tarnwick-vcdtemplate: expected 'vcd FILE' or 'svcd FILE'\n%s", g__PCHAR__Usage);
        return 2;
    }
    const CTarnwick_VideoCdTemplate l__Template(std::strcmp(argv[1], "svcd") == 0
                                                    ? CTarnwick_VideoCdTemplate::Kind::SuperVideoCd
                                                    : CTarnwick_VideoCdTemplate::Kind::VideoCd);
    return WriteFile(l__Template.GetImage(), argv[2]) ? 0 : 1;
}
