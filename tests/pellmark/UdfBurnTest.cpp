// A UDF image mastered by tarnwick-mkiso, burned Track-At-Once by Pellmark onto blank
// write-once DVDs, a BD-R and a BD-RE of the virtual recorder: the recorded track is the image, and outside
// readers still find and extract every file of the tree from what was read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "PellmarkRun.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

std::string Upper(std::string p__Text) {
    std::transform(p__Text.begin(), p__Text.end(), p__Text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return p__Text;
}

// Every regular file under p__Root by its path relative to it, with its bytes.
std::map<std::string, std::string> Files(const std::string& p__Root) {
    std::map<std::string, std::string> l__Files;
    for (const auto& l__Entry : fs::recursive_directory_iterator(p__Root)) {
        if (!l__Entry.is_regular_file()) continue;
        const Bytes l__Bytes = PellmarkRun::ReadFile(l__Entry.path().string());
        l__Files[fs::relative(l__Entry.path(), p__Root).string()] = std::string(l__Bytes.begin(), l__Bytes.end());
    }
    return l__Files;
}

class UdfBurn : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TOOL("7z");
        REQUIRE_TOOL("udfinfo");
    }
    PellmarkRun m__Run;
};

TEST_F(UdfBurn, ImageBurnedOntoDvdMinusRAndDvdPlusRReadsBackAsTheSameFileSystem) {
    const std::map<std::string, std::string> l__Given = {
        {"payload/stream.bin", PellmarkRun::Pattern(3 * 1024 * 1024 + 1234, 77)},  // a few MB, not whole sectors
        {"docs/Read Me.txt", "Burned by the UDF burn test.\n"},
        {"docs/deeper/sector.dat", PellmarkRun::Pattern(2048, 5)},
        {"empty.txt", ""},
    };
    const std::string l__Source = m__Run.MakeSource("tree", l__Given);
    const std::string l__Image = m__Run.Dir() + "/udf.iso";
    std::string l__Output;
    ASSERT_EQ(PellmarkRun::Shell(PellmarkRun::Quote(std::string(TARNWICK_BINARY_DIR) + "/tools/mkiso/tarnwick-mkiso") +
                                     " --udf -q -V UDFBURN -o " + PellmarkRun::Quote(l__Image) + " " +
                                     PellmarkRun::Quote(l__Source),
                                 &l__Output),
              0)
        << l__Output;
    const Bytes l__Expected = PellmarkRun::ReadFile(l__Image);
    ASSERT_GT(l__Expected.size(), 3u * 1024 * 1024);
    ASSERT_EQ(l__Expected.size() % 2048, 0u);
    // The names read back upper-cased, as the image stores them.
    std::map<std::string, std::string> l__Want;
    for (const auto& [l__Path, l__Bytes] : l__Given) l__Want[Upper(l__Path)] = l__Bytes;

    for (const char* l__Media : {"dvdr", "dvdplusr", "bdr", "bdre"}) {
        SCOPED_TRACE(l__Media);
        m__Run.Insert(l__Media);
        PellmarkRun::Result l__Result = m__Run.Burn(l__Image);
        ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out;
        const Bytes l__Track = m__Run.ExportTrack(1);
        ASSERT_EQ(l__Track.size(), l__Expected.size());
        EXPECT_TRUE(l__Track == l__Expected) << "the recorded track differs from the image";

        // The read-back image, as a reader finds it on the disc.
        const std::string l__ReadBack = m__Run.Dir() + "/readback-" + l__Media + ".iso";
        std::ofstream(l__ReadBack, std::ios::binary)
            .write(reinterpret_cast<const char*>(l__Track.data()), static_cast<std::streamsize>(l__Track.size()));
        std::string l__Info;
        EXPECT_EQ(PellmarkRun::Shell("udfinfo " + PellmarkRun::Quote(l__ReadBack), &l__Info), 0) << l__Info;
        EXPECT_NE(l__Info.find("label=UDFBURN\n"), std::string::npos) << l__Info;
        std::string l__Listing;
        EXPECT_EQ(PellmarkRun::Shell("7z l " + PellmarkRun::Quote(l__ReadBack), &l__Listing), 0) << l__Listing;
        for (const auto& [l__Path, l__Bytes] : l__Want)
            EXPECT_NE(l__Listing.find(l__Path), std::string::npos) << l__Path << "\n" << l__Listing;
        const std::string l__Extracted = m__Run.Dir() + "/extracted-" + l__Media;
        std::string l__Extract;
        ASSERT_EQ(PellmarkRun::Shell("7z x -y -o" + PellmarkRun::Quote(l__Extracted) + " " + PellmarkRun::Quote(l__ReadBack),
                                     &l__Extract),
                  0)
            << l__Extract;
        EXPECT_TRUE(Files(l__Extracted) == l__Want) << "the files extracted from the disc differ from the tree";
    }
}

}  // namespace
