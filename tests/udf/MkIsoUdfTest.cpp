// tarnwick-mkiso --udf and --udf-bridge as a user runs them: options, the summary line, names
// that meet after upper-casing, and a bridge source without VIDEO_TS.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BoundedProcess.h"
#include "ScratchDirectory.h"

namespace {

const std::string g__string__MkIso = TARNWICK_BINARY_DIR "/tools/mkiso/tarnwick-mkiso";

struct ToolRun {
    int m__int__Exit;
    std::string m__string__Output;
};

ToolRun MkIso(const ScratchDirectory& p__Scratch, std::vector<std::string> p__Arguments) {
    p__Arguments.insert(p__Arguments.begin(), g__string__MkIso);
    BoundedProcess l__Process(p__Arguments, p__Scratch / "mkiso.out");
    BoundedProcess::Result l__Result = l__Process.Run(120);
    return {l__Result.m__int__Exit, l__Process.Output()};
}

void WriteFile(const std::string& p__string__Path, const std::string& p__string__Bytes) {
    std::filesystem::create_directories(std::filesystem::path(p__string__Path).parent_path());
    std::ofstream(p__string__Path, std::ios::binary) << p__string__Bytes;
}

TEST(MkIsoUdfTest, IsoOnlyOptionsAndBothModesAreUsageErrors) {
    ScratchDirectory l__Scratch("tarnwick-mkiso-udf");
    WriteFile(l__Scratch / "src/a", "a");
    for (const std::vector<std::string>& l__Arguments :
         {std::vector<std::string>{"--udf", "-J"}, {"--udf", "--level1"}, {"--udf-bridge", "--start", "16"},
          {"--udf", "--udf-bridge"}}) {
        std::vector<std::string> l__Full = l__Arguments;
        l__Full.insert(l__Full.end(), {"-o", l__Scratch / "x.iso", l__Scratch / "src"});
        ToolRun l__Run = MkIso(l__Scratch, l__Full);
        EXPECT_EQ(l__Run.m__int__Exit, 2) << l__Arguments[1] << ": " << l__Run.m__string__Output;
        EXPECT_FALSE(std::filesystem::exists(l__Scratch / "x.iso"));
    }
}

TEST(MkIsoUdfTest, NamesThatMeetAfterUpperCasingAreRenamedAndCounted) {
    ScratchDirectory l__Scratch("tarnwick-mkiso-udf");
    WriteFile(l__Scratch / "src/readme.txt", "lower");
    WriteFile(l__Scratch / "src/README.txt", "upper");
    WriteFile(l__Scratch / "src/dir/x", "x");
    ToolRun l__Run = MkIso(l__Scratch, {"--udf", "-V", "Names", "-o", l__Scratch / "n.iso", l__Scratch / "src"});
    ASSERT_EQ(l__Run.m__int__Exit, 0) << l__Run.m__string__Output;
    EXPECT_NE(l__Run.m__string__Output.find("tarnwick-mkiso: 4 entries, 1 renamed, 0 skipped, image of "), std::string::npos)
        << l__Run.m__string__Output;
    // Both files are in the image, one under a new name.
    std::ifstream l__Stream(l__Scratch / "n.iso", std::ios::binary);
    std::string l__string__Image((std::istreambuf_iterator<char>(l__Stream)), std::istreambuf_iterator<char>());
    EXPECT_NE(l__string__Image.find("\x08README.TXT"), std::string::npos);
    EXPECT_NE(l__string__Image.find("\x08README~1.TXT"), std::string::npos);
    EXPECT_NE(l__string__Image.find("lower"), std::string::npos);
    EXPECT_NE(l__string__Image.find("upper"), std::string::npos);
}

TEST(MkIsoUdfTest, ABridgeNeedsOneSourceHoldingVideoTs) {
    ScratchDirectory l__Scratch("tarnwick-mkiso-udf");
    WriteFile(l__Scratch / "src/other/a", "a");
    ToolRun l__Run = MkIso(l__Scratch, {"--udf-bridge", "-o", l__Scratch / "b.iso", l__Scratch / "src"});
    EXPECT_EQ(l__Run.m__int__Exit, 1);
    EXPECT_NE(l__Run.m__string__Output.find("holds no VIDEO_TS directory"), std::string::npos) << l__Run.m__string__Output;
    l__Run = MkIso(l__Scratch, {"--udf-bridge", "-o", l__Scratch / "b.iso", l__Scratch / "src", l__Scratch / "src"});
    EXPECT_EQ(l__Run.m__int__Exit, 2);
    EXPECT_FALSE(std::filesystem::exists(l__Scratch / "b.iso"));
}

}  // namespace

namespace {

// A sysfs file says 4096 bytes but holds a few: reading it fails halfway, as a file cut while
// it is read. The run fails in both formats and leaves the old image under the name alone.
TEST(MkIsoUdfTest, AFailedWriteLeavesTheOldImageAndNoTemporaryFile) {
    const std::string l__string__Short = "/sys/devices/system/cpu/online";
    std::ifstream l__Stream(l__string__Short);
    std::string l__string__Held((std::istreambuf_iterator<char>(l__Stream)), std::istreambuf_iterator<char>());
    std::error_code l__Error;
    if (std::filesystem::file_size(l__string__Short, l__Error) <= l__string__Held.size()) {
        GTEST_SKIP() << l__string__Short << " holds what its size says on this machine";
    }
    ScratchDirectory l__Scratch("tarnwick-mkiso-udf");
    std::filesystem::create_directories(l__Scratch / "out");
    const std::string l__string__Image = l__Scratch / "out/image.iso";
    WriteFile(l__string__Image, "old image");
    for (const char* l__PCHAR__Mode : {"--udf", "-J"}) {
        ToolRun l__Run = MkIso(l__Scratch, {l__PCHAR__Mode, "-o", l__string__Image, l__string__Short});
        EXPECT_EQ(l__Run.m__int__Exit, 1) << l__PCHAR__Mode << ": " << l__Run.m__string__Output;
        EXPECT_NE(l__Run.m__string__Output.find("the file has shrunk"), std::string::npos) << l__Run.m__string__Output;
        std::ifstream l__Old(l__string__Image);
        EXPECT_EQ(std::string((std::istreambuf_iterator<char>(l__Old)), std::istreambuf_iterator<char>()), "old image");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(l__Scratch / "out"), std::filesystem::directory_iterator()), 1);
    }
    // A run that succeeds replaces it.
    WriteFile(l__Scratch / "src/a.txt", "a");
    ToolRun l__Run = MkIso(l__Scratch, {"--udf", "-o", l__string__Image, l__Scratch / "src"});
    ASSERT_EQ(l__Run.m__int__Exit, 0) << l__Run.m__string__Output;
    EXPECT_GT(std::filesystem::file_size(l__string__Image), 300u * 2048u);
}

}  // namespace
