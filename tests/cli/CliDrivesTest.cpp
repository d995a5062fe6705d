// tarnwick drives, and how every subcommand finds the drive --drive names.
#include <gtest/gtest.h>

#include <filesystem>

#include "CliTestRun.h"

namespace {

class CliDrives : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TOOL("jq");
        m__Run.Insert("cdr");
        m__Dvd = m__Run.Out("dvd.disc");
        std::string l__Output;
        ASSERT_EQ(m__Run.Vdisc("blank " + PellmarkRun::Quote(m__Dvd) + " --media dvdplusrw --vendor ACME --product 'DVD WRITER'",
                               &l__Output), 0) << l__Output;
        m__Drives = "virtual:" + m__Run.Disc() + ";virtual:" + m__Dvd;
    }

    CliTestRun m__Run;
    std::string m__Dvd, m__Drives;
};

TEST_F(CliDrives, ListsEveryDriveWithItsNameIdentityMediumAndModes) {
    const PellmarkRun::Result l__Text = m__Run.Tarnwick({"drives"}, m__Drives);
    ASSERT_EQ(l__Text.m__Exit, 0) << l__Text.m__Err;
    const std::string& o = l__Text.m__Out;
    EXPECT_TRUE(CliTestRun::Has(o, "0  virtual:" + m__Run.Disc() + "\n   TARNWICK VIRTUAL RECORDER 1.00")) << o;
    EXPECT_TRUE(CliTestRun::Has(o, "1  virtual:" + m__Dvd + "\n   ACME DVD WRITER")) << o;
    EXPECT_TRUE(CliTestRun::Has(o, "medium:      CD-R\n")) << o;
    EXPECT_TRUE(CliTestRun::Has(o, "medium:      DVD+RW\n")) << o;
    EXPECT_TRUE(CliTestRun::Has(o, "write modes: TAO SAO DAO-PQ DAO-RAW-PW")) << o;
    EXPECT_TRUE(CliTestRun::Has(o, "DVD+R DVD+RW")) << o;

    const PellmarkRun::Result l__Json = m__Run.Tarnwick({"drives", "--json"}, m__Drives);
    ASSERT_EQ(l__Json.m__Exit, 0) << l__Json.m__Err;
    EXPECT_EQ(m__Run.Jq(l__Json.m__Out, R"jq(select(.event=="drive") | "\(.number) \(.name) \(.vendor) \(.medium) \(.write_modes|join(",")) \(.failed|length)")jq"),
              "0 virtual:" + m__Run.Disc() + " TARNWICK CD-R TAO,SAO,DAO-PQ,DAO-RAW-PW 0\n"
              "1 virtual:" + m__Dvd + " ACME DVD+RW TAO,SAO,DAO-PQ,DAO-RAW-PW 0\n");
    EXPECT_EQ(m__Run.Jq(l__Json.m__Out, R"jq(select(.number==1) | .writes | index("DVD+RW") != null)jq"), "true\n");
}

TEST_F(CliDrives, AnEmptyDriveSaysNoMedium) {
    std::string l__Output;
    ASSERT_EQ(m__Run.Vdisc("fault {} --no-medium", &l__Output), 0) << l__Output;
    const PellmarkRun::Result l__Json = m__Run.Tarnwick({"drives", "--json"}, m__Drives);
    ASSERT_EQ(l__Json.m__Exit, 0) << l__Json.m__Err;
    EXPECT_EQ(m__Run.Jq(l__Json.m__Out, R"jq(select(.event=="drive") | .medium)jq"), "no medium\nDVD+RW\n");
}

TEST_F(CliDrives, NoDriveIsNotFound) {
    // An empty TARNWICK_DRIVES entry list: the machine has no drive of its own here.
    const PellmarkRun::Result l__None = m__Run.Tarnwick({"drives"}, ";");
    EXPECT_EQ(l__None.m__Exit, 17) << l__None.m__Out;
    EXPECT_TRUE(CliTestRun::Has(l__None.m__Err, "tarnwick drives failed (17): no CD/DVD/BD drive found")) << l__None.m__Err;
}

// --drive by number, by name, by another path to the same file; an unknown drive is 17.
TEST_F(CliDrives, DriveIsChosenByNumberNameOrAnotherPath) {
    std::filesystem::create_directories(m__Run.Out("sub"));
    const std::string l__Detour = m__Run.Dir() + "/sub/../dvd.disc";
    const std::string l__Filter = R"jq(select(.event=="medium") | "\(.drive) \(.type)")jq";
    for (const std::string& l__Spec : {std::string("1"), "virtual:" + m__Dvd, "virtual:" + l__Detour}) {
        SCOPED_TRACE(l__Spec);
        const PellmarkRun::Result l__Info = m__Run.Tarnwick({"info", "--json", "--drive", l__Spec}, m__Drives);
        ASSERT_EQ(l__Info.m__Exit, 0) << l__Info.m__Err;
        EXPECT_EQ(m__Run.Jq(l__Info.m__Out, l__Filter), "virtual:" + m__Dvd + " DVD+RW\n");
        const PellmarkRun::Result l__One = m__Run.Tarnwick({"drives", "--drive", l__Spec}, m__Drives);
        ASSERT_EQ(l__One.m__Exit, 0) << l__One.m__Err;
        EXPECT_TRUE(CliTestRun::Has(l__One.m__Out, "1  virtual:" + m__Dvd)) << l__One.m__Out;
        EXPECT_FALSE(CliTestRun::Has(l__One.m__Out, "0  virtual:")) << l__One.m__Out;
    }
    const PellmarkRun::Result l__Zero = m__Run.Tarnwick({"info", "--json", "--drive", "0"}, m__Drives);
    EXPECT_EQ(m__Run.Jq(l__Zero.m__Out, l__Filter), "virtual:" + m__Run.Disc() + " CD-R\n");

    for (const std::string& l__Spec : {std::string("2"), "virtual:" + m__Run.Out("other.disc"), std::string("/dev/no-such-drive")}) {
        SCOPED_TRACE(l__Spec);
        for (const std::vector<std::string>& l__Words : {std::vector<std::string>{"info"}, {"drives"}, {"grab", m__Run.Out("x.iso")}}) {
            std::vector<std::string> l__Arguments = l__Words;
            l__Arguments.insert(l__Arguments.begin() + 1, {"--drive", l__Spec});
            const PellmarkRun::Result l__Unknown = m__Run.Tarnwick(l__Arguments, m__Drives);
            EXPECT_EQ(l__Unknown.m__Exit, 17) << l__Words[0] << ": " << l__Unknown.m__Err;
            EXPECT_TRUE(CliTestRun::Has(l__Unknown.m__Err, "there is no drive " + l__Spec)) << l__Unknown.m__Err;
        }
    }
}

TEST_F(CliDrives, StrayWordsAreUsageErrors) {
    for (const std::vector<std::string>& l__Words :
         {std::vector<std::string>{"drives", "extra"}, {"drives", "--bogus"}, {"info", "x"}, {"info", "--drive"}}) {
        const PellmarkRun::Result l__Result = m__Run.Tarnwick(l__Words, m__Drives);
        EXPECT_EQ(l__Result.m__Exit, 87) << l__Words[1];
        EXPECT_TRUE(CliTestRun::Has(l__Result.m__Err, "Usage: tarnwick " + l__Words[0])) << l__Result.m__Err;
    }
}

}  // namespace
