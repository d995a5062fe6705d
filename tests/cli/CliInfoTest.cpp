// tarnwick info: the medium's type and status, its sessions and tracks, its free space; read
// against what the recorder's own disc file says (tarnwick-vdisc info).
#include <gtest/gtest.h>

#include <regex>

#include "CliTestRun.h"

namespace {

class CliInfo : public ::testing::Test {
protected:
    void SetUp() override { REQUIRE_TOOL("jq"); }
    // A number tarnwick-vdisc info tells after p__Label ("free blocks: ").
    long long VdiscNumber(const std::string& p__Label) {
        std::string l__Info;
        EXPECT_EQ(m__Run.Vdisc("info {}", &l__Info), 0) << l__Info;
        std::smatch l__Match;
        if (!std::regex_search(l__Info, l__Match, std::regex(p__Label + "([0-9]+)"))) {
            ADD_FAILURE() << "no '" << p__Label << "' in " << l__Info;
            return -1;
        }
        return std::stoll(l__Match[1]);
    }
    PellmarkRun::Result Info() {
        PellmarkRun::Result l__Result = m__Run.Tarnwick({"info", "--json"});
        EXPECT_EQ(l__Result.m__Exit, 0) << l__Result.m__Err.substr(l__Result.m__Err.size() > 3000 ? l__Result.m__Err.size() - 3000 : 0);
        return l__Result;
    }

    CliTestRun m__Run;
};

TEST_F(CliInfo, ABlankDiscHasNoTracksAndAllItsSpaceFree) {
    m__Run.Insert("cdr");
    const PellmarkRun::Result l__Json = Info();
    EXPECT_EQ(m__Run.Jq(l__Json.m__Out, R"jq(select(.event=="medium") | "\(.type) \(.status) \(.erasable) \(.sessions) \(.tracks)")jq"),
              "CD-R blank false 0 0\n");
    EXPECT_EQ(m__Run.Jq(l__Json.m__Out, R"jq(map(select(.event=="track")) | length)jq", true), "0\n");
    EXPECT_EQ(m__Run.Jq(l__Json.m__Out, R"jq(select(.event=="free") | .blocks)jq"), std::to_string(VdiscNumber("free blocks: ")) + "\n");

    m__Run.Insert("cdrw");
    const PellmarkRun::Result l__Text = m__Run.Tarnwick({"info"});
    ASSERT_EQ(l__Text.m__Exit, 0);
    EXPECT_TRUE(CliTestRun::Has(l__Text.m__Out, "virtual:" + m__Run.Disc() + ": CD-RW, blank, erasable\n")) << l__Text.m__Out;
    EXPECT_TRUE(CliTestRun::Has(l__Text.m__Out, "free: " + std::to_string(VdiscNumber("free blocks: ")) + " blocks (")) << l__Text.m__Out;
}

// A data track and two audio tracks in one session left open: the tracks where the disc file
// has them, and the space after them free.
TEST_F(CliInfo, AMixedCdTellsItsTracksSessionAndFreeSpace) {
    REQUIRE_TOOL("ffmpeg");
    REQUIRE_TOOL("genisoimage");
    m__Run.Insert("cdr");
    const std::string l__Iso = m__Run.MakeIso("data.iso", 300 * 1024);
    m__Run.BurnSession({"--keep-open", l__Iso, m__Run.MakeSound("one.wav", "pcm_s16le", 4.0),
                        m__Run.MakeSound("two.wav", "pcm_s16le", 5.0)});
    std::string l__Vdisc;
    ASSERT_EQ(m__Run.Vdisc("info {}", &l__Vdisc), 0);
    // The starts of tracks 1 to 3 as the disc file has them.
    std::vector<std::string> l__Starts;
    const std::regex l__Row(R"(\n +[123] +1 +(Mode1|Audio) +([0-9]+) )");
    for (auto l__It = std::sregex_iterator(l__Vdisc.begin(), l__Vdisc.end(), l__Row); l__It != std::sregex_iterator(); ++l__It)
        l__Starts.push_back((*l__It)[2]);
    ASSERT_EQ(l__Starts.size(), 3u) << l__Vdisc;

    const PellmarkRun::Result l__Json = Info();
    EXPECT_EQ(m__Run.Jq(l__Json.m__Out, R"jq(select(.event=="medium") | "\(.type) \(.status) \(.sessions) \(.tracks)")jq"),
              "CD-R appendable 1 3\n");
    EXPECT_EQ(m__Run.Jq(l__Json.m__Out, R"jq(select(.event=="track") | "\(.number) \(.session) \(.kind) \(.mode) \(.start) \(.block_bytes)")jq"),
              "1 1 data mode 1 " + l__Starts[0] + " 2048\n2 1 audio audio " + l__Starts[1] + " 2352\n3 1 audio audio " + l__Starts[2] +
                  " 2352\n");
    // Each track runs to the block before the next one; its size is its blocks.
    EXPECT_EQ(m__Run.Jq(l__Json.m__Out, R"jq(map(select(.event=="track")) | .[0].end + 1 == .[1].start and .[1].end + 1 == .[2].start and all(.[]; .blocks == .end - .start + 1 and .bytes == .blocks * .block_bytes))jq", true),
              "true\n");
    const long long l__Free = VdiscNumber("free blocks: ");
    EXPECT_GT(l__Free, 0);
    EXPECT_EQ(m__Run.Jq(l__Json.m__Out, R"jq(select(.event=="free") | "\(.blocks) \(.bytes)")jq"),
              std::to_string(l__Free) + " " + std::to_string(l__Free * 2048) + "\n");
}

TEST_F(CliInfo, ASecondSessionIsTold) {
    REQUIRE_TOOL("genisoimage");
    m__Run.Insert("cdr");
    const std::string l__First = m__Run.MakeIso("first.iso", 200 * 1024), l__Second = m__Run.MakeIso("second.iso", 100 * 1024);
    for (const std::string& l__Image : {l__First, l__Second}) {
        const PellmarkRun::Result l__Burn = m__Run.Burn(l__Image);
        ASSERT_EQ(l__Burn.m__Exit, 0) << l__Burn.m__Out;
    }
    // Pellmark ejected the disc: info closes the tray first. The last session of an appendable
    // disc is the empty one that comes next.
    const PellmarkRun::Result l__Json = Info();
    EXPECT_EQ(m__Run.Jq(l__Json.m__Out, R"jq(select(.event=="medium") | "\(.status) \(.last_session) \(.sessions) \(.tracks)")jq"),
              "appendable empty 2 2\n");
    EXPECT_EQ(m__Run.Jq(l__Json.m__Out, R"jq(select(.event=="track") | "\(.number) \(.session) \(.kind)")jq"), "1 1 data\n2 2 data\n");
    EXPECT_EQ(m__Run.Jq(l__Json.m__Out, R"jq(select(.event=="free") | .blocks)jq"), std::to_string(VdiscNumber("free blocks: ")) + "\n");
}

TEST_F(CliInfo, NoMediumIsTheDriveNotReady) {
    m__Run.Insert("dvdr");
    std::string l__Output;
    ASSERT_EQ(m__Run.Vdisc("fault {} --no-medium", &l__Output), 0) << l__Output;
    const PellmarkRun::Result l__Text = m__Run.Tarnwick({"info"});
    EXPECT_EQ(l__Text.m__Exit, 7);
    EXPECT_TRUE(CliTestRun::Has(l__Text.m__Err, "tarnwick info on virtual:" + m__Run.Disc() + " failed (7): ")) << l__Text.m__Err;
    EXPECT_TRUE(CliTestRun::Has(l__Text.m__Err, " (2/3A/")) << l__Text.m__Err;
    const PellmarkRun::Result l__Json = m__Run.Tarnwick({"info", "--json"});
    EXPECT_EQ(l__Json.m__Exit, 7);
    EXPECT_EQ(m__Run.Jq(l__Json.m__Out, R"jq(select(.event=="error") | "\(.operation) \(.number) \(.exit)")jq"), "info 7 7\n");
}

}  // namespace
