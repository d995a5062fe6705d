// tarnwick blank, format, eject and load through the binary on virtual recorders: what the
// drive was sent, what the disc is afterwards, and the refusals of media that do not fit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PellmarkRun.h"
#include "tarnwick_types.h"

namespace {

const char* const TARNWICK = "tools/tarnwick/tarnwick";

bool Has(const std::string& p__Text, const std::string& p__Part) { return p__Text.find(p__Part) != std::string::npos; }

// The commands of the log whose operation code is p__Opcode.
std::vector<PellmarkRun::Command> WithOpcode(const std::vector<PellmarkRun::Command>& p__Commands, uint8_t p__Opcode) {
    std::vector<PellmarkRun::Command> l__Found;
    for (const PellmarkRun::Command& l__Command : p__Commands)
        if (!l__Command.m__Cdb.empty() && l__Command.m__Cdb[0] == p__Opcode) l__Found.push_back(l__Command);
    return l__Found;
}

std::string Info(PellmarkRun& p__Run) {
    std::string l__Out;
    p__Run.Vdisc("info {}", &l__Out);
    return l__Out;
}

}  // namespace

TEST(CliMedium, BlankErasesABurnedCdrwWholeOrFast) {
    for (const bool l__bool__Fast : {false, true}) {
        SCOPED_TRACE(l__bool__Fast ? "fast" : "whole");
        PellmarkRun l__Run;
        l__Run.Insert("cdrw");
        ASSERT_EQ(l__Run.Burn(l__Run.MakeIso("image.iso", 300 * 2048)).m__Exit, 0);
        ASSERT_FALSE(Has(Info(l__Run), "Disc status:  empty"));
        l__Run.ClearCommands();
        std::vector<std::string> l__Arguments{"blank"};
        if (l__bool__Fast) l__Arguments.push_back("--fast");
        const PellmarkRun::Result l__Result = l__Run.Program(TARNWICK, l__Arguments);
        ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out << l__Result.m__Err;
        EXPECT_TRUE(Has(l__Result.m__Out, "erasing the CD-RW in virtual:")) << l__Result.m__Out;
        EXPECT_TRUE(Has(l__Result.m__Out, "\nerased\n")) << l__Result.m__Out;
        // BLANK with Immed and the blanking type: 0 the whole disc, 1 minimal.
        const auto l__Blanks = WithOpcode(l__Run.Commands(), 0xA1);
        ASSERT_EQ(l__Blanks.size(), 1u);
        EXPECT_EQ(l__Blanks[0].m__Cdb[1] & 0x07, l__bool__Fast ? 1 : 0);
        EXPECT_EQ(l__Blanks[0].m__Outcome, "GOOD");
        EXPECT_TRUE(Has(Info(l__Run), "Disc status:  empty\n")) << Info(l__Run);
        EXPECT_TRUE(Has(Info(l__Run), "Tracks:       0\n")) << Info(l__Run);
    }
}

TEST(CliMedium, FormatFormatsTheOverwritableMediaAndBlankDoesTheSame) {
    for (const std::string l__Media : {"dvdplusrw", "dvdram", "bdre"}) {
        for (const std::string l__Subcommand : {"format", "blank"}) {
            SCOPED_TRACE(l__Media + " " + l__Subcommand);
            PellmarkRun l__Run;
            l__Run.Insert(l__Media);
            const PellmarkRun::Result l__Result = l__Run.Program(TARNWICK, {l__Subcommand, "--json"});
            ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out << l__Result.m__Err;
            const auto l__Formats = WithOpcode(l__Run.Commands(), 0x04);
            ASSERT_EQ(l__Formats.size(), 1u);
            EXPECT_EQ(l__Formats[0].m__Outcome, "GOOD");
            EXPECT_TRUE(WithOpcode(l__Run.Commands(), 0xA1).empty());
            // The events in order: begun, the toolkit's format callbacks, ended.
            const size_t l__Begin = l__Result.m__Out.find("{\"event\":\"" + l__Subcommand + "-begin\"");
            const size_t l__FormatBegin = l__Result.m__Out.find("{\"event\":\"format-begin\"}");
            const size_t l__FormatEnd = l__Result.m__Out.find("{\"event\":\"format-end\"}");
            const size_t l__End = l__Result.m__Out.find("{\"event\":\"" + l__Subcommand + "-end\"");
            if (l__Media != "dvdram") {
                ASSERT_NE(l__FormatBegin, std::string::npos) << l__Result.m__Out;
                EXPECT_LT(l__Begin, l__FormatBegin);
                EXPECT_LT(l__FormatBegin, l__FormatEnd);
            }
            EXPECT_NE(l__End, std::string::npos) << l__Result.m__Out;
            EXPECT_LT(l__Begin, l__End);
        }
    }
}

TEST(CliMedium, MediaThatCannotBeErasedOrFormattedAreRefusedBeforeAnyCommandWithARemedy) {
    struct Case {
        const char* m__Media;
        const char* m__Subcommand;
        const char* m__Text;
        const char* m__Remedy;
    };
    for (const Case& l__Case :
         {Case{"cdr", "blank", "the CD-R in the drive cannot be erased", "remedy: insert a rewritable disc"},
          Case{"dvdplusr", "blank", "the DVD+R in the drive cannot be erased", "remedy: insert a rewritable disc"},
          Case{"cdrw", "format", "the CD-RW in the drive cannot be formatted", "remedy: erase it with `tarnwick blank`"},
          Case{"bdr", "format", "the BD-R in the drive cannot be formatted", "remedy: insert a DVD+RW, DVD-RAM or BD-RE"}}) {
        SCOPED_TRACE(std::string(l__Case.m__Media) + " " + l__Case.m__Subcommand);
        PellmarkRun l__Run;
        l__Run.Insert(l__Case.m__Media);
        const PellmarkRun::Result l__Result = l__Run.Program(TARNWICK, {l__Case.m__Subcommand});
        EXPECT_EQ(l__Result.m__Exit, EXCEPTION_NUMBER_MEDIA_OR_DATA);
        EXPECT_TRUE(Has(l__Result.m__Err, std::string("tarnwick ") + l__Case.m__Subcommand + " on virtual:")) << l__Result.m__Err;
        EXPECT_TRUE(Has(l__Result.m__Err, l__Case.m__Text)) << l__Result.m__Err;
        EXPECT_TRUE(Has(l__Result.m__Err, l__Case.m__Remedy)) << l__Result.m__Err;
        EXPECT_TRUE(WithOpcode(l__Run.Commands(), 0xA1).empty());
        EXPECT_TRUE(WithOpcode(l__Run.Commands(), 0x04).empty());
    }
}

TEST(CliMedium, EjectAndLoadMoveTheTrayOfTheNamedDrive) {
    PellmarkRun l__Run;
    l__Run.Insert("cdr");
    // Two drives: the command acts on the one named, by number or by name.
    const std::string l__Other = l__Run.Dir() + "/other";
    ASSERT_EQ(l__Run.Vdisc("blank " + PellmarkRun::Quote(l__Other) + " --media cdr"), 0);
    const std::string l__Drives = "virtual:" + l__Other + ";virtual:" + l__Run.Disc();
    PellmarkRun::Result l__Eject = l__Run.Program(TARNWICK, {"eject", "--drive", "1"}, l__Drives);
    ASSERT_EQ(l__Eject.m__Exit, 0) << l__Eject.m__Err;
    EXPECT_EQ(l__Eject.m__Out, "ejected: virtual:" + l__Run.Disc() + "\n");
    PellmarkRun::Result l__Load = l__Run.Program(TARNWICK, {"load", "--json", "--drive", "virtual:" + l__Run.Disc()}, l__Drives);
    ASSERT_EQ(l__Load.m__Exit, 0) << l__Load.m__Err;
    EXPECT_EQ(l__Load.m__Out, "{\"event\":\"load\",\"drive\":\"virtual:" + l__Run.Disc() + "\"}\n");
    // START STOP UNIT with LoEj: Start 0 opens the tray, Start 1 closes it.
    const auto l__StartStop = WithOpcode(l__Run.Commands(), 0x1B);
    ASSERT_EQ(l__StartStop.size(), 2u);
    EXPECT_EQ(l__StartStop[0].m__Cdb[4] & 0x03, 0x02);
    EXPECT_EQ(l__StartStop[1].m__Cdb[4] & 0x03, 0x03);
    // A drive that is not there: number 17 and the hint to list them.
    PellmarkRun::Result l__Missing = l__Run.Program(TARNWICK, {"eject", "--drive", "2"}, l__Drives);
    EXPECT_EQ(l__Missing.m__Exit, EXCEPTION_NUMBER_NOT_FOUND);
    EXPECT_TRUE(Has(l__Missing.m__Err, "there is no drive 2 (2 drive(s) found; `tarnwick drives` lists them)")) << l__Missing.m__Err;
}

TEST(CliMedium, UsageErrorsEndWithTheirCodeAndHelpDoesNot) {
    PellmarkRun l__Run;
    l__Run.Insert("cdrw");
    for (const std::vector<std::string>& l__Arguments : std::vector<std::vector<std::string>>{
             {"blank", "file"}, {"eject", "--fast"}, {"format", "--drive"}, {"nonsense"}, {}}) {
        const PellmarkRun::Result l__Result = l__Run.Program(TARNWICK, l__Arguments);
        EXPECT_EQ(l__Result.m__Exit, 87) << l__Result.m__Err;
        EXPECT_TRUE(Has(l__Result.m__Err, "Usage: tarnwick")) << l__Result.m__Err;
    }
    const PellmarkRun::Result l__Help = l__Run.Program(TARNWICK, {"blank", "--help"});
    EXPECT_EQ(l__Help.m__Exit, 0);
    EXPECT_TRUE(Has(l__Help.m__Out, "Usage: tarnwick blank [--fast]")) << l__Help.m__Out;
    EXPECT_TRUE(Has(l__Help.m__Out, "10 medium or data unfit")) << l__Help.m__Out;
    EXPECT_TRUE(l__Run.Commands().empty());
}

TEST(CliMedium, WithoutDriveTheOnlyDriveWithAWritableMediumIsTakenElseTheFirst) {
    PellmarkRun l__Run;
    l__Run.Insert("cdr");
    const std::string l__Other = l__Run.Dir() + "/other";
    ASSERT_EQ(l__Run.Vdisc("blank " + PellmarkRun::Quote(l__Other) + " --media dvdplusr"), 0);
    const std::string l__Drives = "virtual:" + l__Other + ";virtual:" + l__Run.Disc();
    // Both hold a blank disc: the first.
    PellmarkRun::Result l__First = l__Run.Program(TARNWICK, {"eject"}, l__Drives);
    ASSERT_EQ(l__First.m__Exit, 0) << l__First.m__Err;
    EXPECT_EQ(l__First.m__Out, "ejected: virtual:" + l__Other + "\n");
    // The first has no medium now: the second is the only one to write on.
    ASSERT_EQ(l__Run.Vdisc("fault " + PellmarkRun::Quote(l__Other) + " --no-medium"), 0);
    PellmarkRun::Result l__Second = l__Run.Program(TARNWICK, {"eject"}, l__Drives);
    ASSERT_EQ(l__Second.m__Exit, 0) << l__Second.m__Err;
    EXPECT_EQ(l__Second.m__Out, "ejected: virtual:" + l__Run.Disc() + "\n");
}
