// The real programs that link the toolkit: the virtual recorder is their drive kind
// "virtual" (registered by the emulator, not by the ASPI library), and a drive they
// cannot open is named on standard error in every build.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "ScratchDirectory.h"

namespace {

struct ProgramRun {
    int m__int__Exit = -1;
    std::string m__string__Output;
    std::string m__string__Errors;
};

std::string Quote(const std::string& p__string__Text) { return "'" + p__string__Text + "'"; }

std::string ReadText(const std::string& p__string__Path) {
    std::ifstream l__In(p__string__Path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(l__In)), std::istreambuf_iterator<char>());
}

// Runs PROGRAM (a path below the build directory) with ARGUMENTS in DIRECTORY, with
// TARNWICK_DRIVES set to DRIVES, or unset when DRIVES is null.
ProgramRun RunProgram(const ScratchDirectory& p__Directory, const std::string& p__string__Program,
                      const std::string& p__string__Arguments, const char* p__PCHAR__Drives) {
    std::string l__string__Command = "cd " + Quote(p__Directory.Path()) + " && ";
    l__string__Command += p__PCHAR__Drives != nullptr ? "TARNWICK_DRIVES=" + Quote(p__PCHAR__Drives) + " "
                                                      : std::string("env -u TARNWICK_DRIVES ");
    l__string__Command += Quote(std::string(TARNWICK_BINARY_DIR) + "/" + p__string__Program) + " " + p__string__Arguments +
                          " > " + Quote(p__Directory / "out.txt") + " 2> " + Quote(p__Directory / "err.txt");
    ProgramRun l__Run;
    int l__int__Status = std::system(l__string__Command.c_str());
    l__Run.m__int__Exit = WIFEXITED(l__int__Status) ? WEXITSTATUS(l__int__Status) : -1;
    l__Run.m__string__Output = ReadText(p__Directory / "out.txt");
    l__Run.m__string__Errors = ReadText(p__Directory / "err.txt");
    return l__Run;
}

TEST(DriveKindsInPrograms, DefaultDriveIsTheVirtualRecorderInTheCurrentDirectory) {
    ScratchDirectory l__Dir;
    ProgramRun l__Run = RunProgram(l__Dir, "tools/finddevice/tarnwick-finddevice", "", nullptr);
    EXPECT_EQ(l__Run.m__int__Exit, 0) << l__Run.m__string__Errors;
    EXPECT_NE(l__Run.m__string__Output.find("0:0:0:0  virtual:tarnwick-disc\n"), std::string::npos)
        << l__Run.m__string__Output;
    EXPECT_NE(l__Run.m__string__Output.find("1 unit(s) found"), std::string::npos) << l__Run.m__string__Output;
    EXPECT_TRUE(std::filesystem::is_regular_file(l__Dir / "tarnwick-disc"));
}

TEST(DriveKindsInPrograms, DrivesThatCannotBeOpenedAreNamedWithTheCause) {
    ScratchDirectory l__Dir;
    std::filesystem::create_directory(l__Dir / "a-directory");
    std::ofstream(l__Dir / "corrupt", std::ios::binary) << std::string(4096, 'x');
    std::ofstream(l__Dir / "image.iso", std::ios::binary) << std::string(2048 * 16, '\0');
    const std::string l__string__Drives = "virtual:" + (l__Dir / "a-directory") + ";virtual:" + (l__Dir / "corrupt");
    const std::string l__string__Expected =
        "Tarnwick: drive 'virtual:" + (l__Dir / "a-directory") + "' skipped: cannot open '" + (l__Dir / "a-directory") +
        "': Is a directory\n"
        "Tarnwick: drive 'virtual:" + (l__Dir / "corrupt") + "' skipped: '" + (l__Dir / "corrupt") +
        "' is not a disc file\n";

    ProgramRun l__Pellmark = RunProgram(l__Dir, "samples/pellmark/Pellmark", "0 0 0 0 image.iso 0 1", l__string__Drives.c_str());
    EXPECT_NE(l__Pellmark.m__int__Exit, 0);
    EXPECT_NE(l__Pellmark.m__string__Errors.find(l__string__Expected), std::string::npos) << l__Pellmark.m__string__Errors;

    ProgramRun l__Find = RunProgram(l__Dir, "tools/finddevice/tarnwick-finddevice", "", l__string__Drives.c_str());
    EXPECT_NE(l__Find.m__string__Errors.find(l__string__Expected), std::string::npos) << l__Find.m__string__Errors;
    EXPECT_NE(l__Find.m__string__Output.find("0 unit(s) found"), std::string::npos) << l__Find.m__string__Output;
    // Neither file was touched.
    EXPECT_EQ(std::filesystem::file_size(l__Dir / "corrupt"), 4096u);
}

}  // namespace
