// Failures told by the tarnwick binary on virtual recorders: the decoded sense, the remedy and
// the exit code of each cause (no disc, a write-protected disc, a disc file that may not be
// opened), in the lines for people and in the JSON error event.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "ExternalTool.h"
#include "PellmarkRun.h"
#include "tarnwick_types.h"

namespace {

const char* const TARNWICK = "tools/tarnwick/tarnwick";

bool Has(const std::string& p__Text, const std::string& p__Part) { return p__Text.find(p__Part) != std::string::npos; }

// The outcome the recorder logged for the commands of the operation code.
std::vector<std::string> Outcomes(const PellmarkRun& p__Run, uint8_t p__Opcode) {
    std::vector<std::string> l__Outcomes;
    for (const PellmarkRun::Command& l__Command : p__Run.Commands())
        if (!l__Command.m__Cdb.empty() && l__Command.m__Cdb[0] == p__Opcode) l__Outcomes.push_back(l__Command.m__Outcome);
    return l__Outcomes;
}

}  // namespace

TEST(CliRemedy, WriteProtectedDiscRefusesBlankAndFormatWithItsSenseAndRemedy) {
    REQUIRE_TOOL("jq");
    struct Case {
        const char* m__Media;
        const char* m__Subcommand;
        uint8_t m__Opcode;
        const char* m__Command;
    };
    for (const Case& l__Case : {Case{"cdrw", "blank", 0xA1, "BLANK"}, Case{"dvdplusrw", "format", 0x04, "FORMAT UNIT"}}) {
        SCOPED_TRACE(l__Case.m__Subcommand);
        PellmarkRun l__Run;
        l__Run.Insert(l__Case.m__Media);
        ASSERT_EQ(l__Run.Vdisc("fault {} --write-protect"), 0);
        l__Run.ClearCommands();
        const PellmarkRun::Result l__Result = l__Run.Program(TARNWICK, {l__Case.m__Subcommand});
        EXPECT_EQ(l__Result.m__Exit, EXCEPTION_NUMBER_COMMAND_FAILED) << l__Result.m__Err;
        const std::string l__string__Drive = "virtual:" + l__Run.Disc();
        EXPECT_TRUE(Has(l__Result.m__Err, std::string("tarnwick ") + l__Case.m__Subcommand + " on " + l__string__Drive + " failed (8): the drive could not carry out " +
                                              l__Case.m__Command + "\n"))
            << l__Result.m__Err;
        EXPECT_TRUE(Has(l__Result.m__Err, std::string("\n  command: ") + l__Case.m__Command + " [")) << l__Result.m__Err;
        EXPECT_TRUE(Has(l__Result.m__Err, "\n  sense: DATA PROTECT: WRITE PROTECTED (7/27/00)\n")) << l__Result.m__Err;
        EXPECT_TRUE(Has(l__Result.m__Err, "\n  remedy: the disc or drive is write-protected: ")) << l__Result.m__Err;
        // The drive was asked, and refused it.
        EXPECT_EQ(Outcomes(l__Run, l__Case.m__Opcode), std::vector<std::string>{"CHECK 07/27/00"});

        // The same in the error event of --json, read by jq.
        const PellmarkRun::Result l__Json = l__Run.Program(TARNWICK, {l__Case.m__Subcommand, "--json"});
        EXPECT_EQ(l__Json.m__Exit, EXCEPTION_NUMBER_COMMAND_FAILED);
        const std::string l__string__Events = l__Run.Dir() + "/events.json";
        {
            FILE* l__File = std::fopen(l__string__Events.c_str(), "w");
            ASSERT_NE(l__File, nullptr);
            std::fputs(l__Json.m__Out.c_str(), l__File);
            std::fclose(l__File);
        }
        std::string l__string__Error;
        ASSERT_EQ(PellmarkRun::Shell("jq -r 'select(.event == \"error\") | [.number, .command, .sense, (.remedy | startswith(\"the disc or drive is write-protected\"))] | "
                                     "map(tostring) | join(\"|\")' " +
                                         PellmarkRun::Quote(l__string__Events),
                                     &l__string__Error),
                  0);
        EXPECT_EQ(l__string__Error, std::string("8|") + l__Case.m__Command + "|DATA PROTECT: WRITE PROTECTED (7/27/00)|true\n");

        // Once the protection is gone the same subcommand does its work.
        ASSERT_EQ(l__Run.Vdisc("fault {} --clear"), 0);
        const PellmarkRun::Result l__Cleared = l__Run.Program(TARNWICK, {l__Case.m__Subcommand});
        EXPECT_EQ(l__Cleared.m__Exit, 0) << l__Cleared.m__Err;
    }
}

TEST(CliRemedy, NoDiscIsToldWithItsSenseAndTheRemedyToInsertOne) {
    PellmarkRun l__Run;
    l__Run.Insert("cdrw");
    ASSERT_EQ(l__Run.Vdisc("fault {} --no-medium"), 0);
    const PellmarkRun::Result l__Result = l__Run.Program(TARNWICK, {"blank"});
    EXPECT_EQ(l__Result.m__Exit, EXCEPTION_NUMBER_DEVICE_NOT_READY) << l__Result.m__Err;
    EXPECT_TRUE(Has(l__Result.m__Err, "failed (7): there is no medium in the drive (")) << l__Result.m__Err;
    EXPECT_TRUE(Has(l__Result.m__Err, "\n  sense: NOT READY: MEDIUM NOT PRESENT - TRAY CLOSED (2/3A/01)\n")) << l__Result.m__Err;
    EXPECT_TRUE(Has(l__Result.m__Err, "\n  remedy: insert a disc into virtual:" + l__Run.Disc() + "\n")) << l__Result.m__Err;
}

TEST(CliRemedy, DiscFileThatMayNotBeOpenedIsAPermissionFailure) {
    PellmarkRun l__Run;
    l__Run.Insert("cdrw");
    ASSERT_EQ(::chmod(l__Run.Disc().c_str(), 0444), 0);
    const std::string l__string__Drive = "virtual:" + l__Run.Disc();
    // Root opens any file: then the command runs as nobody, who may read the disc file but not write it.
    std::string l__string__As;
    if (::geteuid() == 0) {
        ASSERT_EQ(::chmod(l__Run.Dir().c_str(), 0755), 0);
        l__string__As = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
        if (PellmarkRun::Shell(l__string__As + "test -r " + PellmarkRun::Quote(l__Run.Disc())) != 0)
            GTEST_SKIP() << "the scratch directory cannot be reached by another user (TMPDIR); run the tests as another user than root";
    }
    std::string l__string__Output;
    const int l__int__Exit = PellmarkRun::Shell("TARNWICK_DRIVES=" + PellmarkRun::Quote(l__string__Drive) + " " + l__string__As +
                                                    PellmarkRun::Quote(std::string(TARNWICK_BINARY_DIR) + "/" + TARNWICK) + " blank --drive " +
                                                    PellmarkRun::Quote(l__string__Drive),
                                                &l__string__Output);
    EXPECT_EQ(l__int__Exit, EXCEPTION_NUMBER_SYSTEM_ERROR) << l__string__Output;
    EXPECT_TRUE(Has(l__string__Output, "tarnwick blank on " + l__string__Drive + " failed (5): cannot open " + l__Run.Disc() + ": Permission denied\n"))
        << l__string__Output;
    EXPECT_TRUE(Has(l__string__Output, "\n  remedy: you may not open " + l__Run.Disc() + ": check its owner and group (ls -l ")) << l__string__Output;
    // The disc was left alone.
    std::string l__string__Info;
    l__Run.Vdisc("info {}", &l__string__Info);
    EXPECT_TRUE(Has(l__string__Info, "Disc status:  empty")) << l__string__Info;
}
